// The installer's pure rules: command-line words, folder texts, the browser
// command, the progress texts, the keep-newer decision and the registry rows.
#include "setup/setup_logic.h"

#include <cstdio>
#include <cstring>

const char setup_version[] = "9.4";
const char setup_window_title[] = " Установка программы SARVOLT 9.4";
const char setup_message_caption[] = "В Н И М А Н И Е !!!";
const char setup_manual_page[] = "Руководство.htm";
const char setup_manual_anchor[] = "#2_Установка_программы";
const char setup_iexplore_path[] = "C:\\Program Files\\Internet Explorer\\iexplore.exe";
const char setup_app_paths_key[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\SARVOLT.exe";
const char setup_app_paths_companion_key[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ZOZIVAZI.exe";
const char setup_maker_key[] = "SOFTWARE\\Zorvan\\Zorvan";
const char setup_maker_parent_key[] = "SOFTWARE\\Zorvan";
const char setup_uninstall_key[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zorvan";
const char setup_user_key[] = "SOFTWARE\\Zorvan\\SARVOLT";
const char setup_shell_folders_key[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char setup_link_description[] = "SARVOLT 9.4 - редактор чертежей";

// Lower case of one Windows-1251 byte: Latin, Cyrillic А..Я and Ё.
static unsigned char lower1251(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF) return static_cast<unsigned char>(c + 32);
    if (c == 0xA8) return 0xB8;
    return c;
}

static std::string lower(const std::string& s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(lower1251(static_cast<unsigned char>(c)));
    return out;
}

const char* setup_arguments_of(const char* command_line) {
    const char* p = command_line ? command_line : "";
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

SetupWords setup_command_words(const char* arguments) {
    std::string a = lower(arguments ? arguments : "");
    SetupWords w;
    w.uninst = a.find("uninst") != std::string::npos;
    w.startcd = a.find("startcd") != std::string::npos;
    w.help = a.find("help") != std::string::npos;
    return w;
}

std::string setup_trim_folder(const std::string& typed) {
    std::string s(typed);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    // A drive root keeps its backslash: "C:" alone is the drive's current folder.
    bool root = s.size() == 3 && s[1] == ':' && s[2] == '\\';
    if (!s.empty() && s.back() == '\\' && !root) s.pop_back();
    return s;
}

bool setup_same_folder(const std::string& a, const std::string& b) {
    std::string x = lower(a), y = lower(b);
    if (!x.empty() && x.back() == '\\') x.pop_back();
    if (!y.empty() && y.back() == '\\') y.pop_back();
    return x == y;
}

std::string setup_subfolder(const char* name) {
    const char* last = std::strrchr(name, '\\');
    if (!last || last == name) return std::string();
    return std::string(name, static_cast<size_t>(last - name));
}

std::vector<std::string> setup_folder_chain(const std::string& path) {
    std::vector<std::string> out;
    std::string p = setup_trim_folder(path);
    size_t start = 0;
    if (p.size() >= 2 && p[1] == ':') {
        start = 3;  // "C:\"
    } else if (p.compare(0, 2, "\\\\") == 0) {
        // "\\server\share\": the share is no folder to create.
        size_t server = p.find('\\', 2);
        size_t share = server == std::string::npos ? server : p.find('\\', server + 1);
        if (share == std::string::npos) return out;
        start = share + 1;
    } else if (!p.empty() && p[0] == '\\') {
        start = 1;
    }
    for (size_t i = start; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '\\') {
            if (i > start && p[i - 1] != '\\') out.push_back(p.substr(0, i));
        }
    }
    return out;
}

std::string setup_browser_command(const std::string& registered, bool iexplore_exists) {
    std::string command = registered;
    if (lower(command).find("iexplore.exe") == std::string::npos && iexplore_exists)
        command = std::string("\"") + setup_iexplore_path + "\"";
    size_t at = lower(command).find(".exe\"");
    if (at == std::string::npos) return std::string();
    return command.substr(0, at + 5) + " ";
}

std::string setup_manual_command(const std::string& browser, const std::string& folder,
                                 bool with_anchor) {
    std::string c = browser + "\"" + setup_trim_folder(folder) + "\\" + setup_manual_page;
    if (with_anchor) c += setup_manual_anchor;
    return c + "\"";
}

std::string setup_progress_line(SetupStep kind, const std::string& text) {
    switch (kind) {
    case step_started: return text + " - Жди...";
    case step_done: return text + " - Готово!";
    case step_failed: return text + " - Нет!";
    case step_finished: break;
    }
    return text;
}

std::string setup_result_text(bool removal, bool error) {
    std::string s = removal ? " Процесс  удаления  " : " Процесс  установки  ";
    if (error) return s + "не  завершён !";
    s += "завершён !";
    if (!removal) s += "\n Развёрнутый дистрибутив можно удалить.";
    return s;
}

std::string setup_size_text(double megabytes) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%5.1f Мбайт", megabytes);
    return buf;
}

bool setup_keep_newer(uint64_t target_written, uint64_t source_written) {
    return target_written > source_written;
}

bool setup_sample_edited(const char* name, uint64_t created, uint64_t written) {
    size_t n = std::strlen(name);
    if (n < 4 || lower(name + n - 4) != ".svt") return false;
    const uint64_t two_seconds = 20000000;  // in 100 ns units, as FILETIME
    return written > created + two_seconds;
}

std::vector<SetupRegRow> setup_registry_rows(const std::string& target) {
    const std::string t = setup_trim_folder(target);
    // The program's path is quoted in every command line and "%1" as well,
    // so a folder with blanks ("C:\Program Files\...") starts this program
    // and not "C:\Program.exe"; the program takes off the quotes.
    const std::string program = "\"" + t + "\\SARVOLT.exe\"";
    const std::string open = program + " \"%1\"";
    const char* app = setup_app_paths_key;
    return {
        {root_local_machine, setup_maker_key, true, "", ""},
        {root_local_machine, app, false, "Path", t},
        {root_local_machine, app, false, "", t + "\\sarvolt.exe"},
        {root_classes, ".svt", false, "", "svtfile"},
        {root_classes, "svtfile", false, "", "Документ SARVOLT"},
        {root_classes, "svtfile\\DefaultIcon", false, "", t + "\\SARVOLT.exe,1"},
        {root_classes, "svtfile\\shell\\new\\command", false, "", program},
        {root_classes, "svtfile\\shell\\new", false, "", "Создать новый"},
        {root_classes, "svtfile\\shell\\open\\command", false, "", open},
        {root_classes, "svtfile\\shell\\open", false, "", "Редактировать"},
        {root_classes, "svtfile\\shell\\print\\command", false, "", open},
        {root_classes, "svtfile\\shell\\print", false, "", "Распечать"},
        {root_classes, "svtfile\\shell\\printto\\command", false, "", open},
        {root_local_machine, setup_uninstall_key, false, "InstallLocation", t},
        {root_local_machine, setup_uninstall_key, false, "UninstallString",
         "\"" + t + "\\setup.exe\" uninst"},
        {root_local_machine, setup_uninstall_key, false, "DisplayName", "SARVOLT - редактор чертежей"},
        {root_local_machine, setup_uninstall_key, false, "DisplayIcon", t + "\\sarvolt.exe"},
        {root_local_machine, setup_uninstall_key, false, "DisplayVersion", setup_version},
        {root_local_machine, setup_uninstall_key, false, "Publisher", ""},
    };
}

std::vector<SetupRegKey> setup_removed_keys() {
    return {
        {root_local_machine, setup_maker_key},
        {root_local_machine, setup_uninstall_key},
        {root_local_machine, setup_app_paths_key},
        {root_local_machine, setup_app_paths_companion_key},
        {root_classes, ".svt"},
        {root_classes, "svtfile"},
    };
}

std::string setup_photolib_value(const std::string& folder) {
    std::string f = setup_trim_folder(folder);
    if (f.empty() || f.back() == '\\') return f;
    return f + "\\";
}
