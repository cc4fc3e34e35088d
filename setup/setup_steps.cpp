// The installer's steps over the operations interface: distribution check,
// installation, removal and shortcuts.
#include "setup/setup_steps.h"

#include "setup/distribution_table.h"

namespace {

const char partial_hint[] = "\nУстановка не закончена: запустите её ещё раз, она доделает начатое.";

// A failure of installation steps 2-5: the message, the failed line, the end.
bool install_failed(SetupOps& ops, const std::string& message) {
    ops.message(message + partial_hint);
    ops.progress(step_finished, setup_result_text(false, true));
    return false;
}

bool is_setup_name(const char* name) { return setup_same_folder(name, "\\Setup.exe"); }

}  // namespace

std::string setup_missing_message(const std::string& path) {
    return "Дистрибутив не полный! Нет:\n" + path;
}

SetupCheck setup_check_distribution(SetupOps& ops, const std::string& dist) {
    SetupCheck c;
    const std::string d = setup_trim_folder(dist);
    for (int i = 0; i < setup_distribution_count; ++i) {
        std::string path = d + setup_distribution_table[i];
        int64_t size = ops.file_size(path);
        if (size < 0) {
            c.missing = path;
            c.megabytes = 0.0;
            return c;
        }
        c.megabytes += static_cast<double>(size) * 1e-6;
    }
    c.complete = true;
    return c;
}

std::string setup_find_browser(SetupOps& ops, const std::string& dist) {
    if (!ops.file_exists(setup_trim_folder(dist) + "\\" + setup_manual_page)) return std::string();
    std::string cls, command;
    if (ops.reg_get(root_classes, ".htm", "", &cls) && !cls.empty()) {
        if (!ops.reg_get(root_classes, cls + "\\shell\\opennew\\command", "", &command))
            ops.reg_get(root_classes, cls + "\\shell\\open\\command", "", &command);
    }
    return setup_browser_command(command, ops.file_exists(setup_iexplore_path));
}

bool setup_create_folder_chain(SetupOps& ops, const std::string& folder) {
    for (const std::string& f : setup_folder_chain(folder)) {
        if (ops.folder_exists(f)) continue;
        if (!ops.folder_create(f) && !ops.folder_exists(f)) return false;
    }
    return true;
}

static bool shortcut_folder(SetupOps& ops, const char* common, const char* user,
                            std::string* folder) {
    std::string v;
    if (ops.reg_get(root_local_machine, setup_shell_folders_key, common, &v) && !v.empty()) {
        *folder = ops.expand(v);
        return true;
    }
    if (ops.reg_get(root_current_user, setup_shell_folders_key, user, &v) && !v.empty()) {
        *folder = ops.expand(v);
        return true;
    }
    return false;
}

// The link's file name: the program's name with ".lnk" for ".exe".
static std::string link_name(const char* program) {
    std::string n(program);
    if (n.size() > 4) n.resize(n.size() - 4);
    return n + ".lnk";
}

int shortcuts_apply(SetupOps& ops, const std::string& target, const char* program, bool desktop,
                    bool removal) {
    const std::string t = setup_trim_folder(target);
    const std::string lnk = link_name(program);
    if (removal) {
        // The link may lie in the all-users folders or, where those could
        // not be read at installation, in the user's own: try all of them.
        // A link that is not there counts as removed.
        static const struct {
            SetupRoot root;
            const char* value;
        } places[] = {{root_local_machine, "Common Programs"},
                      {root_local_machine, "Common Desktop"},
                      {root_current_user, "Programs"},
                      {root_current_user, "Desktop"}};
        int failed = 0;
        for (const auto& pl : places) {
            std::string v;
            if (!ops.reg_get(pl.root, setup_shell_folders_key, pl.value, &v) || v.empty()) continue;
            std::string path = ops.expand(v) + lnk;
            if (ops.file_exists(path) && !ops.file_delete(path)) failed = 1;
        }
        return failed;
    }
    std::string programs, desk;
    if (!shortcut_folder(ops, "Common Programs", "Programs", &programs)) {
        ops.message("Нет доступа в реестр!");
        return 1;
    }
    if (!shortcut_create(ops, t, program, programs)) return 1;
    if (desktop) {
        if (!shortcut_folder(ops, "Common Desktop", "Desktop", &desk)) {
            ops.message("Нет доступа в реестр!");
            return 1;
        }
        if (!shortcut_create(ops, t, program, desk)) return 1;
    }
    return 0;
}

int shortcut_create(SetupOps& ops, const std::string& target, const char* program,
                    const std::string& link_folder) {
    const std::string t = setup_trim_folder(target);
    if (!ops.link_create(link_folder + link_name(program), t + program, t, setup_link_description)) {
        ops.message("Ошибка при создании ссылки");
        return 0;
    }
    return 1;
}

bool install_steps(SetupOps& ops, const InstallParams& p) {
    const std::string dist = setup_trim_folder(p.dist);
    const std::string t = setup_trim_folder(p.target);
    bool error = false;
    ops.progress_title("Процесс установки файлов");

    // 2. The target with its parents (a fresh machine has none of them),
    // then every sub-folder of the table.
    if (!ops.folder_exists(dist)) return install_failed(ops, "Ошибка поиска исходной директории");
    if (!setup_create_folder_chain(ops, t))
        return install_failed(ops, "Ошибка создания директории назначения");
    for (int i = 0; i < setup_distribution_count; ++i) {
        std::string sub = setup_subfolder(setup_distribution_table[i]);
        if (!sub.empty() && !setup_create_folder_chain(ops, t + sub))
            return install_failed(ops, "Ошибка создания директории назначения");
    }

    // 3. The files, in table order.
    for (int i = 0; i < setup_distribution_count; ++i) {
        const std::string src = dist + setup_distribution_table[i];
        const std::string dst = t + setup_distribution_table[i];
        ops.progress(step_started, dst);
        uint64_t created = 0, src_time = 0, dst_time = 0;
        if (!ops.file_times(src, &created, &src_time)) {
            ops.progress(step_failed, dst);
            return install_failed(ops, "Ошибка открытия исходного файла");
        }
        if (ops.file_exists(dst)) {
            if (!ops.file_times(dst, &created, &dst_time)) {
                ops.progress(step_failed, dst);
                return install_failed(ops, "Ошибка открытия исходного файла");
            }
            if (setup_keep_newer(dst_time, src_time)) {
                ops.progress(step_failed, dst);
                error = true;
                continue;
            }
            // A read-only or hidden target refuses the copy on Windows.
            ops.file_make_writable(dst);
        }
        if (!ops.file_copy(src, dst)) {
            ops.progress(step_failed, dst);
            return install_failed(ops, "Ошибка копирования файла");
        }
        ops.file_set_archive(dst);
        ops.progress(step_done, dst);
    }

    // 4. The registry.
    const char reg_step[] = "Занесение в реестр";
    ops.progress(step_started, reg_step);
    for (const SetupRegRow& r : setup_registry_rows(t)) {
        bool ok = r.key_only ? ops.reg_create_key(r.root, r.key)
                             : ops.reg_set(r.root, r.key, r.value, r.data);
        if (!ok) {
            ops.progress(step_failed, reg_step);
            return install_failed(ops, "Ошибка доступа в реестр");
        }
    }
    ops.progress(step_done, reg_step);

    // 5. The sketch library.
    if (p.library) {
        const std::string lib = setup_trim_folder(p.library_folder);
        ops.progress(step_started, lib);
        if (lib.empty() || !setup_create_folder_chain(ops, lib)) {
            ops.progress(step_failed, lib);
            return install_failed(ops, "Ошибка создания директории библиотеки эскизов");
        }
        if (!ops.reg_set(root_current_user, setup_user_key, "Photolib", setup_photolib_value(lib))) {
            ops.progress(step_failed, lib);
            return install_failed(ops, "Ошибка доступа в реестр");
        }
        ops.progress(step_done, lib);
    }

    // 6. The shortcuts.
    const char link_step[] = "Построение ярлыка SARVOLT.exe";
    ops.progress(step_started, link_step);
    if (shortcuts_apply(ops, t, "\\SARVOLT.exe", p.desktop, false) == 0) {
        ops.progress(step_done, link_step);
    } else {
        ops.progress(step_failed, link_step);
        error = true;
    }

    ops.progress(step_finished, setup_result_text(false, error));
    return !error;
}

bool uninstall_steps(SetupOps& ops, const UninstallParams& p) {
    const std::string t = setup_trim_folder(p.target);
    bool error = false;
    ops.progress_title("Процесс удаления файлов");
    auto stop = [&](const std::string& message) {
        ops.message(message);
        ops.progress(step_finished, setup_result_text(true, true));
        return false;
    };

    if (!ops.reg_open_full_access(root_local_machine, setup_app_paths_key))
        return stop("У Вас нет прав!");
    if (ops.window_exists("SarVolt")) return stop("Закройте программу SARVOLT.EXE");
    if (ops.window_exists("ZozivAZI")) return stop("Закройте программу ZOZIVAZI.EXE");

    // The files, in table order.
    for (int i = 0; i < setup_distribution_count; ++i) {
        const char* name = setup_distribution_table[i];
        if (p.keep_setup && is_setup_name(name)) continue;
        const std::string path = t + name;
        ops.progress(step_started, path);
        if (!ops.file_exists(path)) {
            ops.progress(step_done, path);
            continue;
        }
        uint64_t created = 0, written = 0;
        if (ops.file_times(path, &created, &written) &&
            setup_sample_edited(name, created, written)) {
            // The user's changes to a sample drawing are not thrown away.
            ops.progress(step_failed, path);
            error = true;
            continue;
        }
        ops.file_set_archive(path);
        if (ops.file_delete(path)) {
            ops.progress(step_done, path);
        } else {
            ops.progress(step_failed, path);
            error = true;
        }
    }
    // The sub-folders, last made first; a folder still holding files stays.
    for (int i = setup_distribution_count - 1; i >= 0; --i) {
        std::string sub = setup_subfolder(setup_distribution_table[i]);
        while (!sub.empty()) {
            if (ops.folder_exists(t + sub)) ops.folder_remove(t + sub);
            sub = setup_subfolder(sub.c_str());
        }
    }
    if (p.keep_setup) {
        // The running installer cannot delete itself: it and then its
        // folder go when Windows next starts.
        ops.delete_at_restart(t + "\\Setup.exe");
        ops.delete_at_restart(t);
    } else {
        ops.folder_remove(t);
    }

    const char reg_step[] = "Чистка реестра";
    ops.progress(step_started, reg_step);
    bool reg_ok = true;
    for (const SetupRegKey& k : setup_removed_keys())
        if (!ops.reg_delete_tree(k.root, k.key)) reg_ok = false;
    ops.reg_delete_if_empty(root_local_machine, setup_maker_parent_key);
    ops.progress(reg_ok ? step_done : step_failed, reg_step);
    if (!reg_ok) error = true;

    static const char* const programs[] = {"\\SARVOLT.exe", "\\ZozivAZI.exe"};
    for (const char* program : programs) {
        std::string step = std::string("Удаление ярлыка ") + (program + 1);
        ops.progress(step_started, step);
        if (shortcuts_apply(ops, t, program, true, true) == 0) {
            ops.progress(step_done, step);
        } else {
            ops.progress(step_failed, step);
            error = true;
        }
    }
    ops.progress(step_finished, setup_result_text(true, error));
    return !error;
}
