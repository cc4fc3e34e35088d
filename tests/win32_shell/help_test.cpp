// Help: menu commands to topics, the browser found through the ".htm"
// association, the command lines of topics and restarts, and the greying of
// items whose pages are missing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/startup.h"
#include "shell_fixture.h"

TEST(Help, MenuCommandsSelectTheirTopics) {
    const int pairs[][2] = {{40061, 0},  {40074, 13}, {40075, 16}, {40076, 14}, {40077, 15},
                            {40088, 68}, {40089, 69}, {40097, 77}, {40103, 78}, {40107, 79},
                            {40129, 80}, {40140, 81}, {40141, 82}, {40098, 84}, {40105, 85},
                            {40106, 86}, {40101, -1}, {40003, -1}};
    for (const auto& p : pairs) EXPECT_EQ(help_command_topic(p[0]), p[1]) << p[0];
}

TEST(Help, BrowserCommandFromTheAssociation) {
    const std::string ie = "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" ";
    struct Case {
        const char* registered;
        bool ie_exists;
        std::string browser;
    } cases[] = {
        {"\"C:\\Windows\\system32\\winebrowser.exe\" \"%1\"", true, ie},
        {"\"C:\\Windows\\system32\\winebrowser.exe\" \"%1\"", false,
         "\"c:\\windows\\system32\\winebrowser.exe\" "},
        {"\"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE\" -nohome", true,
         "\"c:\\program files\\internet explorer\\iexplore.exe\" "},
        {"\"D:\\Browsers\\Fox.exe\" -new-window \"%1\"", false, "\"d:\\browsers\\fox.exe\" "},
        {"C:\\unquoted\\browser.exe %1", false, ""},
        {"", false, ""},
        {"", true, ie},
    };
    for (const Case& c : cases)
        EXPECT_EQ(browser_command_from(c.registered, c.ie_exists), c.browser) << c.registered;
}

TEST(Help, TopicCommandLinesQuoteThePageWithItsAnchor) {
    const std::string b = "\"c:\\b.exe\" ", f = "C:\\Program Files\\SARVOLT\\";
    struct Case {
        int topic;
        std::string line;
    } cases[] = {
        {10, b + "\"" + f + "Руководство.htm#5_4_Построение_вида\""},
        {6, b + "\"" + f + "Руководство.htm#5_Этапы_пректирования\""},
        {16, b + "\"" + f + "Руководство.htm\""},
        {39, b + "\"" + f + "Конструирование одежды.htm#ParamDummy\""},
        {68, b + "\"" + f + "Как нарисовать чертёж.htm\""},
        {85, b + "\"" + f + "Что нового.htm\""},
        {86, b + "http://sarvolt.example/"},
        {83, ""},
        {87, ""},
        {-1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(help_command_line(b, f, c.topic, "http://sarvolt.example/"), c.line) << c.topic;
}

TEST(Help, RestartQuotesTheProgramAndTheDrawing) {
    EXPECT_EQ(restart_command_line("C:\\Program Files\\SARVOLT", "D:\\Мои чертежи\\вал.svt"),
              "\"C:\\Program Files\\SARVOLT\\SARVOLT.exe\" \"D:\\Мои чертежи\\вал.svt\"");
    EXPECT_EQ(restart_command_line("C:\\S", ""), "\"C:\\S\\SARVOLT.exe\"");
}

static bool greyed(int id) {
    UINT s = GetMenuState(main_menu, id, MF_BYCOMMAND);
    return s != static_cast<UINT>(-1) && (s & MF_GRAYED);
}

TEST(Help, MissingPagesGreyTheirItemsAndTheWindowItemIsRemoved) {
    test_frame();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "sarvolt help " + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string page = folder + "\\Фаски.htm";
    HANDLE h = CreateFileA(page.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    char saved[sizeof program_folder];
    std::memcpy(saved, program_folder, sizeof saved);
    lstrcpynA(program_folder, folder.c_str(), sizeof program_folder);

    help_init();
    for (int id = 40061; id <= 40077; ++id) EXPECT_TRUE(greyed(id)) << id;
    EXPECT_TRUE(greyed(40101));
    EXPECT_TRUE(greyed(40088));
    EXPECT_TRUE(greyed(40089));
    EXPECT_FALSE(greyed(40093));  // "Фаски.htm" is there
    EXPECT_FALSE(greyed(40106));  // the web site needs no page
    EXPECT_EQ(GetMenuState(main_menu, 40216, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(std::string(help_folder), folder + "\\");

    std::memcpy(program_folder, saved, sizeof saved);
    for (int id = 40061; id <= 40141; ++id) EnableMenuItem(main_menu, id, MF_BYCOMMAND | MF_ENABLED);
    DeleteFileA(page.c_str());
    RemoveDirectoryA(folder.c_str());
}
