// The installer's rules and steps: command-line words, folder texts, the
// browser command, progress texts, registry rows, the distribution table,
// and the installation and removal over a recorder of the operations.
#include <gtest/gtest.h>

#include <fstream>

#include "setup/distribution_table.h"
#include "setup/setup_logic.h"
#include "setup/setup_steps.h"
#include "tests/setup/recorder_ops.h"

namespace {

const std::string dist = "D:\\Дистрибутив";
const std::string target = "C:\\Program Files\\Zorvan";
const char* const sf = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A machine with a complete distribution and the Start menu folders.
RecorderOps machine() {
    RecorderOps m;
    m.add_folder(dist);
    for (int i = 0; i < setup_distribution_count; ++i) {
        std::string sub = setup_subfolder(setup_distribution_table[i]);
        if (!sub.empty()) m.add_folder(dist + sub);
        m.add_file(dist + setup_distribution_table[i], 1000 + i, 50000000000ull);
    }
    m.add_folder("C:\\Program Files");
    m.add_folder("C:\\ProgramData\\Start Menu\\Programs");
    m.add_folder("C:\\users\\Public\\Desktop");
    m.keys[RecorderOps::rk(root_local_machine, sf)]["Common Programs"] = "C:\\ProgramData\\Start Menu\\Programs";
    m.keys[RecorderOps::rk(root_local_machine, sf)]["Common Desktop"] = "C:\\users\\Public\\Desktop";
    m.keys[RecorderOps::rk(root_current_user, sf)]["Programs"] = "C:\\users\\me\\Start Menu\\Programs";
    m.keys[RecorderOps::rk(root_current_user, sf)]["Desktop"] = "C:\\users\\me\\Desktop";
    return m;
}

InstallParams params() {
    InstallParams p;
    p.dist = dist;
    p.target = target;
    return p;
}

const std::string programs_link = "C:\\ProgramData\\Start Menu\\Programs\\SARVOLT.lnk";
const std::string desktop_link = "C:\\users\\Public\\Desktop\\SARVOLT.lnk";

}  // namespace

TEST(SetupWords, FoundAsSubstringsInAnyCaseInTheArgumentsOnly) {
    struct Case {
        const char* command_line;
        bool uninst, startcd, help;
    } cases[] = {
        {"setup.exe", false, false, false},
        {"setup.exe uninst", true, false, false},
        {"\"C:\\Program Files\\Zorvan\\setup.exe\" uninst", true, false, false},
        {"setup.exe UNINST", true, false, false},
        {"setup.exe /uninstall", true, false, false},
        {"setup.exe startcd help", false, true, true},
        {"setup.exe Help", false, false, true},
        // The program's own path is no argument.
        {"\"C:\\help\\uninst\\setup.exe\"", false, false, false},
        {"C:\\help\\setup.exe   startcd", false, true, false},
    };
    for (const Case& c : cases) {
        SetupWords w = setup_command_words(setup_arguments_of(c.command_line));
        EXPECT_EQ(w.uninst, c.uninst) << c.command_line;
        EXPECT_EQ(w.startcd, c.startcd) << c.command_line;
        EXPECT_EQ(w.help, c.help) << c.command_line;
    }
}

TEST(SetupFolders, TrimmingComparisonAndParents) {
    struct Trim {
        const char* typed;
        const char* taken;
    } trims[] = {
        {"C:\\Program Files\\Zorvan", "C:\\Program Files\\Zorvan"},
        {"C:\\Program Files\\Zorvan\\  ", "C:\\Program Files\\Zorvan"},
        {"C:\\Program Files\\Zorvan   ", "C:\\Program Files\\Zorvan"},
        {"C:\\Program \\", "C:\\Program "},  // one backslash, then blanks inside stay
        {"C:\\A\\\\", "C:\\A\\"},              // one trailing backslash only
        {"C:\\", "C:\\"},                      // a drive root keeps its backslash
        {"   ", ""},
    };
    for (const Trim& t : trims) EXPECT_EQ(setup_trim_folder(t.typed), t.taken) << t.typed;

    EXPECT_TRUE(setup_same_folder("C:\\Program Files\\ZORVAN\\", "c:\\program files\\zorvan"));
    EXPECT_TRUE(setup_same_folder("D:\\ДИСТРИБУТИВ", "d:\\дистрибутив\\"));
    EXPECT_TRUE(setup_same_folder("D:\\Ёлка", "D:\\ёлка"));
    EXPECT_FALSE(setup_same_folder("C:\\Zorvan", "C:\\Zorvan2"));

    EXPECT_EQ(setup_subfolder("\\01\\рис1.gif"), "\\01");
    EXPECT_EQ(setup_subfolder("\\Руководство\\a.gif"), "\\Руководство");
    EXPECT_EQ(setup_subfolder("\\home.gif"), "");

    std::vector<std::string> chain = {"C:\\Program Files", "C:\\Program Files\\Zorvan"};
    EXPECT_EQ(setup_folder_chain("C:\\Program Files\\Zorvan\\"), chain);
    std::vector<std::string> unc = {"\\\\srv\\share\\a"};
    EXPECT_EQ(setup_folder_chain("\\\\srv\\share\\a"), unc);
    EXPECT_TRUE(setup_folder_chain("C:\\").empty());
}

TEST(SetupBrowser, CommandCutAfterTheQuotedProgram) {
    const std::string ie = "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" ";
    struct Case {
        const char* registered;
        bool iexplore_exists;
        std::string expected;
    } cases[] = {
        {"\"C:\\b\\iexplore.exe\" \"%1\"", true, "\"C:\\b\\iexplore.exe\" "},
        {"\"C:\\b\\IEXPLORE.EXE\" -nohome", false, "\"C:\\b\\IEXPLORE.EXE\" "},
        // Another browser is replaced by iexplore.exe where that exists.
        {"\"C:\\windows\\system32\\winebrowser.exe\" \"%1\"", true, ie},
        {"\"C:\\windows\\system32\\winebrowser.exe\" \"%1\"", false,
         "\"C:\\windows\\system32\\winebrowser.exe\" "},
        // No quoted ".exe": no browser.
        {"C:\\b\\browser.exe %1", false, ""},
        {"C:\\b\\browser %1", false, ""},
        // No association at all: iexplore.exe where it exists.
        {"", true, ie},
        {"", false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(setup_browser_command(c.registered, c.iexplore_exists), c.expected) << c.registered;
}

TEST(SetupBrowser, OpennewBeforeOpenAndOnlyWithTheManual) {
    RecorderOps m = machine();
    auto& htm = m.keys[RecorderOps::rk(root_classes, ".htm")];
    htm[""] = "htmlfile";
    m.keys[RecorderOps::rk(root_classes, "htmlfile\\shell\\open\\command")][""] = "\"C:\\o\\iexplore.exe\" %1";
    EXPECT_EQ(setup_find_browser(m, dist), "\"C:\\o\\iexplore.exe\" ");
    m.keys[RecorderOps::rk(root_classes, "htmlfile\\shell\\opennew\\command")][""] = "\"C:\\n\\iexplore.exe\" %1";
    EXPECT_EQ(setup_find_browser(m, dist), "\"C:\\n\\iexplore.exe\" ");
    m.files.erase(dist + "\\Руководство.htm");
    EXPECT_EQ(setup_find_browser(m, dist), "");
}

TEST(SetupBrowser, ManualPathIsOneQuotedArgument) {
    const std::string b = "\"C:\\b\\iexplore.exe\" ";
    EXPECT_EQ(setup_manual_command(b, "D:\\My Setup\\", true),
              b + "\"D:\\My Setup\\Руководство.htm#2_Установка_программы\"");
    EXPECT_EQ(setup_manual_command(b, "D:\\My Setup", false), b + "\"D:\\My Setup\\Руководство.htm\"");
}

TEST(SetupTexts, ProgressLinesAndResults) {
    EXPECT_EQ(setup_progress_line(step_started, "C:\\a"), "C:\\a - Жди...");
    EXPECT_EQ(setup_progress_line(step_done, "C:\\a"), "C:\\a - Готово!");
    EXPECT_EQ(setup_progress_line(step_failed, "C:\\a"), "C:\\a - Нет!");
    EXPECT_EQ(setup_result_text(false, false),
              " Процесс  установки  завершён !\n Развёрнутый дистрибутив можно удалить.");
    EXPECT_EQ(setup_result_text(false, true), " Процесс  установки  не  завершён !");
    EXPECT_EQ(setup_result_text(true, false), " Процесс  удаления  завершён !");
    EXPECT_EQ(setup_result_text(true, true), " Процесс  удаления  не  завершён !");
    EXPECT_EQ(setup_size_text(3.14159), "  3.1 Мбайт");
    EXPECT_EQ(setup_size_text(123.45), "123.5 Мбайт");
    EXPECT_EQ(setup_photolib_value("E:\\Эскизы\\ "), "E:\\Эскизы\\");
    EXPECT_EQ(setup_photolib_value("E:\\Эскизы"), "E:\\Эскизы\\");
}

TEST(SetupRegistry, RowsForATargetWithBlanks) {
    // The table of the installation's registry values, written out here from
    // the installer's description, with the program path and "%1" quoted.
    const std::string T = target;
    const std::string app = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\SARVOLT.exe";
    const std::string un = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zorvan";
    const std::string open = "\"C:\\Program Files\\Zorvan\\SARVOLT.exe\" \"%1\"";
    std::vector<std::vector<std::string>> expected = {
        {"HKLM", "SOFTWARE\\Zorvan\\Zorvan", "<key>", ""},
        {"HKLM", app, "Path", T},
        {"HKLM", app, "", T + "\\sarvolt.exe"},
        {"HKCR", ".svt", "", "svtfile"},
        {"HKCR", "svtfile", "", "Документ SARVOLT"},
        {"HKCR", "svtfile\\DefaultIcon", "", T + "\\SARVOLT.exe,1"},
        {"HKCR", "svtfile\\shell\\new\\command", "", "\"C:\\Program Files\\Zorvan\\SARVOLT.exe\""},
        {"HKCR", "svtfile\\shell\\new", "", "Создать новый"},
        {"HKCR", "svtfile\\shell\\open\\command", "", open},
        {"HKCR", "svtfile\\shell\\open", "", "Редактировать"},
        {"HKCR", "svtfile\\shell\\print\\command", "", open},
        {"HKCR", "svtfile\\shell\\print", "", "Распечать"},
        {"HKCR", "svtfile\\shell\\printto\\command", "", open},
        {"HKLM", un, "InstallLocation", T},
        {"HKLM", un, "UninstallString", "\"C:\\Program Files\\Zorvan\\setup.exe\" uninst"},
        {"HKLM", un, "DisplayName", "SARVOLT - редактор чертежей"},
        {"HKLM", un, "DisplayIcon", T + "\\sarvolt.exe"},
        {"HKLM", un, "DisplayVersion", "9.4"},
        {"HKLM", un, "Publisher", ""},
    };
    std::vector<std::vector<std::string>> got;
    for (const SetupRegRow& r : setup_registry_rows(T + "\\")) {
        const char* root = r.root == root_local_machine ? "HKLM" : r.root == root_classes ? "HKCR" : "HKCU";
        got.push_back({root, r.key, r.key_only ? "<key>" : r.value, r.data});
    }
    EXPECT_EQ(got, expected);
}

TEST(SetupTable, MadeFromTheOneList) {
    std::ifstream in(std::string(SARVOLT_TEST_DATA) + "/../../resources/setup_files.txt",
                     std::ios::binary);
    ASSERT_TRUE(in.good());
    std::vector<std::string> listed;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') listed.push_back(line);
    ASSERT_EQ(static_cast<int>(listed.size()), setup_distribution_count);
    EXPECT_STREQ(setup_distribution_table[0], "\\SARVOLT.exe");
    EXPECT_STREQ(setup_distribution_table[1], "\\Setup.exe");
    EXPECT_STREQ(setup_distribution_table[setup_distribution_count - 1], "\\home.gif");
    int samples = 0, longest = 0;
    for (int i = 0; i < setup_distribution_count; ++i) {
        std::string n = setup_distribution_table[i];
        EXPECT_EQ(n[0], '\\') << n;
        if (n.size() > 4 && n.compare(n.size() - 4, 4, ".svt") == 0) ++samples;
        longest = std::max(longest, static_cast<int>(n.size()));
    }
    EXPECT_EQ(samples, 7);
    EXPECT_EQ(longest, setup_longest_name);
    // The table is in Windows-1251: "\Болт.svt" is 9 bytes.
    EXPECT_EQ(std::string(setup_distribution_table[2]), "\\\xC1\xEE\xEB\xF2.svt");
}

TEST(SetupCheck, SizesSummedAndTheFirstMissingFileNamed) {
    RecorderOps m = machine();
    SetupCheck c = setup_check_distribution(m, dist + "\\");
    EXPECT_TRUE(c.complete);
    double bytes = 0;
    for (int i = 0; i < setup_distribution_count; ++i) bytes += 1000 + i;
    EXPECT_NEAR(c.megabytes, bytes * 1e-6, 1e-12);

    m.files.erase(dist + "\\home.gif");
    c = setup_check_distribution(m, dist);
    EXPECT_FALSE(c.complete);
    EXPECT_EQ(c.missing, dist + "\\home.gif");
    EXPECT_EQ(setup_missing_message(c.missing), "Дистрибутив не полный! Нет:\n" + dist + "\\home.gif");
}

TEST(SetupInstall, FreshMachineGetsFolderFilesRegistryAndLinks) {
    RecorderOps m = machine();
    ASSERT_FALSE(m.folders.count(target));
    EXPECT_TRUE(install_steps(m, params()));
    EXPECT_EQ(m.title, "Процесс установки файлов");
    EXPECT_TRUE(m.messages.empty());
    EXPECT_EQ(m.result, setup_result_text(false, false));
    // The target made first, then the copies in table order, archive only.
    size_t last = 0;
    for (int i = 0; i < setup_distribution_count; ++i) {
        std::string dst = target + setup_distribution_table[i];
        ASSERT_TRUE(m.files.count(dst)) << dst;
        EXPECT_TRUE(m.files[dst].archive_only) << dst;
        size_t at = m.index_of("file_copy " + dst);
        EXPECT_GT(at, last) << dst;
        last = at;
        EXPECT_EQ(m.lines[static_cast<size_t>(i)], dst + " - Готово!");
    }
    EXPECT_TRUE(m.folders.count(target + "\\01"));
    EXPECT_TRUE(m.folders.count(target + "\\Руководство"));
    for (const SetupRegRow& r : setup_registry_rows(target)) {
        if (!r.key_only) {
            EXPECT_EQ(m.value(r.root, r.key, r.value), r.data) << r.key << ":" << r.value;
        }
    }
    EXPECT_TRUE(m.has_key(root_local_machine, "SOFTWARE\\Zorvan\\Zorvan"));
    EXPECT_FALSE(m.has_key(root_current_user, "SOFTWARE\\Zorvan\\SARVOLT"));  // no library asked for
    std::string link = target + "\\SARVOLT.exe|" + target + "|SARVOLT 9.4 - редактор чертежей";
    EXPECT_EQ(m.links[programs_link], link);
    EXPECT_EQ(m.links[desktop_link], link);
    EXPECT_EQ(m.lines.back(), "Построение ярлыка SARVOLT.exe - Готово!");
}

TEST(SetupInstall, NewerTargetKeptRestStillWritten) {
    RecorderOps m = machine();
    m.add_folder(target);
    const std::string kept = target + "\\Что нового.htm";
    m.add_file(kept, 5, 60000000000ull);  // written after the distribution's copy
    InstallParams p = params();
    p.desktop = false;
    EXPECT_FALSE(install_steps(m, p));
    EXPECT_EQ(m.files[kept].size, 5);
    EXPECT_EQ(m.index_of("file_copy " + kept), std::string::npos);
    EXPECT_NE(std::find(m.lines.begin(), m.lines.end(), kept + " - Нет!"), m.lines.end());
    EXPECT_EQ(m.result, " Процесс  установки  не  завершён !");
    EXPECT_TRUE(m.messages.empty());
    EXPECT_EQ(m.value(root_classes, ".svt", ""), "svtfile");
    EXPECT_TRUE(m.links.count(programs_link));
    EXPECT_FALSE(m.links.count(desktop_link));
}

TEST(SetupInstall, ReadOnlyTargetMadeWritableBeforeTheCopy) {
    RecorderOps m = machine();
    m.add_folder(target);
    const std::string ro = target + "\\SARVOLT.exe";
    m.add_file(ro, 5, 1000);
    m.files[ro].read_only = true;
    EXPECT_TRUE(install_steps(m, params()));
    size_t writable = m.index_of("file_make_writable " + ro);
    ASSERT_NE(writable, std::string::npos);
    EXPECT_LT(writable, m.index_of("file_copy " + ro));
    EXPECT_EQ(m.files[ro].size, 1000);
    EXPECT_FALSE(m.files[ro].read_only);
}

TEST(SetupInstall, FailuresStopWithTheirMessageAndAnotherRunCompletes) {
    struct Case {
        const char* fail;
        const char* message;
        bool files_copied;
    } cases[] = {
        {"folder_create", "Ошибка создания директории назначения", false},
        {"file_copy", "Ошибка копирования файла", false},
        {"reg_set", "Ошибка доступа в реестр", true},
        {"reg_create_key", "Ошибка доступа в реестр", true},
    };
    for (const Case& c : cases) {
        RecorderOps m = machine();
        m.fail.insert(c.fail);
        EXPECT_FALSE(install_steps(m, params())) << c.fail;
        ASSERT_EQ(m.messages.size(), 1u) << c.fail;
        EXPECT_EQ(m.messages[0].substr(0, std::string(c.message).size()), c.message);
        EXPECT_NE(m.messages[0].find("запустите её ещё раз"), std::string::npos);
        EXPECT_EQ(m.result, " Процесс  установки  не  завершён !") << c.fail;
        EXPECT_EQ(m.files.count(target + "\\home.gif") != 0, c.files_copied) << c.fail;
        EXPECT_TRUE(m.links.empty()) << c.fail;
        // The same machine, the fault gone: the second run completes it.
        m.fail.clear();
        m.messages.clear();
        EXPECT_TRUE(install_steps(m, params())) << c.fail;
        EXPECT_EQ(m.result, setup_result_text(false, false));
        EXPECT_EQ(m.value(root_local_machine, setup_app_paths_key, "Path"), target);
    }
    // A source that vanished after the check.
    RecorderOps m = machine();
    m.fail.insert("file_times " + dist + "\\Сообщения.htm");
    EXPECT_FALSE(install_steps(m, params()));
    ASSERT_EQ(m.messages.size(), 1u);
    EXPECT_EQ(m.messages[0].find("Ошибка открытия исходного файла"), 0u);
}

TEST(SetupInstall, LibraryFolderWithParentsAndPhotolibWithBackslash) {
    RecorderOps m = machine();
    InstallParams p = params();
    p.library = true;
    p.library_folder = "E:\\Эскизы\\Новые\\ ";
    EXPECT_TRUE(install_steps(m, p));
    EXPECT_TRUE(m.folders.count("E:\\Эскизы\\Новые"));
    EXPECT_EQ(m.value(root_current_user, "SOFTWARE\\Zorvan\\SARVOLT", "Photolib"), "E:\\Эскизы\\Новые\\");

    RecorderOps f = machine();
    f.fail.insert("folder_create E:\\Эскизы");
    EXPECT_FALSE(install_steps(f, p));
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages[0].find("Ошибка создания директории библиотеки эскизов"), 0u);
}

TEST(SetupInstall, LinksFallBackToTheUsersFolders) {
    RecorderOps m = machine();
    m.keys[RecorderOps::rk(root_local_machine, sf)].erase("Common Programs");
    EXPECT_TRUE(install_steps(m, params()));
    EXPECT_TRUE(m.links.count("C:\\users\\me\\Start Menu\\Programs\\SARVOLT.lnk"));
    EXPECT_TRUE(m.links.count(desktop_link));

    RecorderOps f = machine();
    f.fail.insert("link_create");
    EXPECT_FALSE(install_steps(f, params()));
    EXPECT_EQ(f.messages, std::vector<std::string>{"Ошибка при создании ссылки"});
    EXPECT_EQ(f.lines.back(), "Построение ярлыка SARVOLT.exe - Нет!");
    EXPECT_EQ(f.result, " Процесс  установки  не  завершён !");
}

namespace {
RecorderOps installed() {
    RecorderOps m = machine();
    InstallParams p = params();
    p.library = true;
    p.library_folder = "E:\\Эскизы";
    EXPECT_TRUE(install_steps(m, p));
    m.keys[RecorderOps::rk(root_current_user, "SOFTWARE\\Zorvan\\SARVOLT")]["Path"] = "E:\\Работа";
    m.calls.clear();
    m.lines.clear();
    m.result.clear();
    return m;
}
}  // namespace

TEST(SetupRemove, EverythingGoesButTheUsersSettings) {
    RecorderOps m = installed();
    UninstallParams u;
    u.target = target;
    EXPECT_TRUE(uninstall_steps(m, u));
    EXPECT_EQ(m.title, "Процесс удаления файлов");
    EXPECT_TRUE(m.messages.empty());
    EXPECT_EQ(m.result, " Процесс  удаления  завершён !");
    for (const auto& f : m.files)
        EXPECT_NE(f.first.compare(0, target.size(), target), 0) << f.first << " left";
    EXPECT_FALSE(m.folders.count(target + "\\01"));
    EXPECT_FALSE(m.folders.count(target));
    EXPECT_EQ(m.index_of("delete_at_restart " + target), std::string::npos);
    EXPECT_TRUE(m.folders.count("E:\\Эскизы"));  // the user's library stays
    EXPECT_FALSE(m.files.count(programs_link));
    EXPECT_FALSE(m.files.count(desktop_link));
    for (const char* k : {"SOFTWARE\\Zorvan\\Zorvan", "SOFTWARE\\Zorvan",
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\SARVOLT.exe",
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zorvan"})
        EXPECT_FALSE(m.has_key(root_local_machine, k)) << k;
    EXPECT_FALSE(m.has_key(root_classes, ".svt"));
    EXPECT_FALSE(m.has_key(root_classes, "svtfile"));
    EXPECT_FALSE(m.has_key(root_classes, "svtfile\\shell\\open\\command"));
    // The user's own settings stay.
    EXPECT_EQ(m.value(root_current_user, "SOFTWARE\\Zorvan\\SARVOLT", "Path"), "E:\\Работа");
    EXPECT_EQ(m.lines.back(), "Удаление ярлыка ZozivAZI.exe - Готово!");
}

TEST(SetupRemove, RefusedWithoutRightsOrWhileTheProgramRuns) {
    struct Case {
        const char* fail;
        const char* window;
        const char* message;
    } cases[] = {
        {"reg_open_full_access", nullptr, "У Вас нет прав!"},
        {nullptr, "SarVolt", "Закройте программу SARVOLT.EXE"},
        {nullptr, "ZozivAZI", "Закройте программу ZOZIVAZI.EXE"},
    };
    for (const Case& c : cases) {
        RecorderOps m = installed();
        if (c.fail) m.fail.insert(c.fail);
        if (c.window) m.windows.insert(c.window);
        UninstallParams u;
        u.target = target;
        EXPECT_FALSE(uninstall_steps(m, u));
        EXPECT_EQ(m.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(m.result, " Процесс  удаления  не  завершён !");
        EXPECT_TRUE(m.files.count(target + "\\SARVOLT.exe"));
        EXPECT_TRUE(m.has_key(root_classes, "svtfile"));
    }
}

TEST(SetupRemove, RunningSetupAndEditedSamplesKept) {
    RecorderOps m = installed();
    const std::string sample = target + "\\Болт.svt";
    m.files[sample].written = m.files[sample].created + 600000000ull;  // edited a minute later
    UninstallParams u;
    u.target = target + "\\";
    u.keep_setup = true;
    EXPECT_FALSE(uninstall_steps(m, u));
    EXPECT_TRUE(m.files.count(target + "\\Setup.exe"));
    EXPECT_TRUE(m.files.count(sample));
    EXPECT_EQ(m.index_of("file_delete " + sample), std::string::npos);
    EXPECT_NE(std::find(m.lines.begin(), m.lines.end(), sample + " - Нет!"), m.lines.end());
    EXPECT_FALSE(m.files.count(target + "\\Как рисовать.svt"));
    EXPECT_TRUE(m.folders.count(target));
    // The running installer and its folder go when Windows next starts, in that order.
    size_t setup_later = m.index_of("delete_at_restart " + target + "\\Setup.exe");
    ASSERT_NE(setup_later, std::string::npos);
    EXPECT_LT(setup_later, m.index_of("delete_at_restart " + target));
    EXPECT_EQ(m.result, " Процесс  удаления  не  завершён !");
    EXPECT_FALSE(m.has_key(root_classes, "svtfile"));
}

TEST(SetupRemove, ARegistryKeyThatStaysIsReported) {
    RecorderOps m = installed();
    m.fail.insert("reg_delete_tree svtfile");
    UninstallParams u;
    u.target = target;
    EXPECT_FALSE(uninstall_steps(m, u));
    EXPECT_NE(std::find(m.lines.begin(), m.lines.end(), "Чистка реестра - Нет!"), m.lines.end());
    EXPECT_EQ(m.result, " Процесс  удаления  не  завершён !");
}
