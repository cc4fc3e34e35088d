// The Win32 side of the documents: submenus of the undo and redo lists, the
// recent-files values in the registry, and the dialog hook of the open command.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "shell/frame_window.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "shell/document_binding.h"
#include "shell/document_ui.h"
#include "shell/recent_files.h"
#include "shell/registry_settings.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/records.h"
#include "store/settings_block.h"
#include "store/text_codec.h"
#include "base/byte_order.h"

namespace fs = std::filesystem;

namespace {

std::string menu_text(HMENU m, int pos) {
    char t[128] = {0};
    GetMenuStringA(m, static_cast<UINT>(pos), t, sizeof t, MF_BYPOSITION);
    return t;
}

class DocumentsWin : public ::testing::Test {
protected:
    fs::path home, dir;
    HMENU file = nullptr;

    void SetUp() override {
        home = fs::current_path();
        dir = home / (std::string("docwin_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directory(dir);
        fs::current_path(dir);
        ASSERT_EQ(store_init(), 0);
        ASSERT_EQ(settings_block_unpack(), 0);  // names the user key
        page_buffers_init_defaults();
        program_message_display = program_message_unshown;
        main_menu = CreateMenu();
        file = CreatePopupMenu();
        AppendMenuA(file, MF_STRING, 40001, "&Новый чертёж");
        AppendMenuA(file, MF_STRING, 40079, "Создать \"засе&чку\"");
        AppendMenuA(file, MF_STRING, 40080, "Отменить");
        AppendMenuA(file, MF_STRING, 40081, "Вернуть");
        AppendMenuA(main_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&Файл");
        documents_bind_shell();
        documents_menus_init();
        document_shell.ask = [](int, const char*, unsigned) { return 0; };
        RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Zorvan\\SARVOLT");
    }
    void TearDown() override {
        document_dialog_answer = nullptr;
        while (open_drawing_count > 0 && drawing_close() == 0) {
        }
        checkpoints_discard();
        document_shell = document_shell_unbound;
        fs::current_path(home);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    void make_drawing(const char* name) {
        DrawingFile* df = drawing_file_new(name);
        drawing_file_set_mode(df, drawing_mode_create_new);
        ASSERT_EQ(drawing_file_open(df, 0), 0);
        put_u32(df->header, header_identity, 777);
        drawing_file_close(df);
        drawing_file_free(df);
    }
};

TEST_F(DocumentsWin, UndoAndRedoSubmenusFollowTheLists) {
    ASSERT_EQ(undo_menu_position, 2);
    ASSERT_EQ(redo_menu_position, 3);
    EXPECT_EQ(menu_text(file, 2), "Вернут&ь назад...");
    make_drawing("m.svt");
    static std::string chosen;
    chosen = (fs::current_path() / "m.svt").string();
    document_dialog_answer = [](int save, char* path, size_t size) {
        if (save) return 0;
        std::snprintf(path, size, "%s", chosen.c_str());
        return 1;
    };
    ASSERT_EQ(documents_command(40011), 1);
    ASSERT_EQ(open_drawing_count, 1);
    ASSERT_EQ(documents_command(120), 1);  // the open-time snapshot
    ASSERT_EQ(documents_command(40079), 1);
    ASSERT_EQ(checkpoint_count(0), 2);
    EXPECT_EQ(menu_text(file, 2), "Вернут&ь назад... (2)");
    HMENU undo = GetSubMenu(file, 2);
    ASSERT_NE(undo, nullptr);
    ASSERT_EQ(GetMenuItemCount(undo), 2);
    // The newest checkpoint is at the bottom with id 41500.
    EXPECT_EQ(GetMenuItemID(undo, 1), 41500u);
    EXPECT_EQ(GetMenuItemID(undo, 0), 41501u);
    EXPECT_EQ(menu_text(undo, 1), "Засечка пользователя");
    EXPECT_FALSE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(file, 3, MF_BYPOSITION) & MF_GRAYED);
    // An undo moves one node to the redo side.
    drawing_undo();
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(menu_text(file, 3), "Вернуть впер&ёд... (1)");
    EXPECT_EQ(GetMenuItemID(GetSubMenu(file, 3), 0), 42500u);
    EXPECT_FALSE(GetMenuState(file, 3, MF_BYPOSITION) & MF_GRAYED);
    ASSERT_EQ(documents_command(40002), 1);
    EXPECT_EQ(open_drawing_count, 0);
    EXPECT_EQ(menu_text(file, 2), "Вернут&ь назад...");
    EXPECT_TRUE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(main_menu, 40079, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(DocumentsWin, RecentFilesKeepSevenWithoutDuplicates) {
    // The list lives where earlier versions kept it.
    EXPECT_STREQ(registry_user_key(), "SOFTWARE\\Zorvan\\SARVOLT");
    for (int i = 1; i <= 9; ++i) recent_files_add(("C:\\d\\f" + std::to_string(i) + ".svt").c_str());
    recent_files_add("C:\\d\\f5.svt");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Zorvan\\SARVOLT", 0, KEY_READ, &key), ERROR_SUCCESS);
    std::string got;
    for (int k = 1; k <= 8; ++k) {
        char name[16], value[260] = {0};
        std::snprintf(name, sizeof name, "LastFile%d", k);
        DWORD size = sizeof value;
        if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
            break;
        got += std::string(value).substr(5, 2) + " ";
    }
    char folder[260] = {0};
    DWORD size = sizeof folder;
    RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    EXPECT_EQ(got, "f5 f9 f8 f7 f6 f4 f3 ");
    EXPECT_STREQ(folder, "C:\\d");
}

TEST_F(DocumentsWin, SaveCommandOfANewDrawingAsksForAName) {
    static std::string target;
    target = (fs::current_path() / "named").string();
    document_dialog_answer = [](int save, char* path, size_t size) {
        if (!save) return 0;
        std::snprintf(path, size, "%s", target.c_str());
        return 1;
    };
    ASSERT_EQ(documents_command(40001), 1);
    ASSERT_EQ(open_drawing_count, 1);
    std::string working = current_drawing_file()->path;
    ASSERT_EQ(documents_command(40013), 1);
    EXPECT_EQ(error_flag, 0);
    EXPECT_TRUE(fs::exists("named.svt"));
    EXPECT_FALSE(fs::exists(working));
    EXPECT_EQ(std::string(current_drawing_file()->path), (fs::current_path() / "named.svt").string());
}

}  // namespace
