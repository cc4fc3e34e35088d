// The start dialog leaves the window classes' cursors alone, and the
// sketch-library choice of the option dialog keeps one trailing backslash
// in the user's "Photolib" value.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/frame_window.h"
#include "shell/registry_settings.h"
#include "shell/resource_ids.h"
#include "shell/settings_dialogs.h"
#include "shell/startup.h"
#include "shell_fixture.h"

namespace {

HCURSOR class_cursor(const char* cls) {
    HWND w = CreateWindowA(cls, "", WS_CHILD, 0, 0, 10, 10, test_frame(), nullptr, GetModuleHandleA(nullptr), nullptr);
    HCURSOR c = w ? reinterpret_cast<HCURSOR>(GetClassLongPtrA(w, GCLP_HCURSOR)) : nullptr;
    if (w) DestroyWindow(w);
    return c;
}

TEST(StartDialog, HandOverTheChoicesWithoutChangingClassCursors) {
    test_frame();
    ASSERT_NE(hand_cursor, nullptr);
    HCURSOR button_before = class_cursor("BUTTON"), list_before = class_cursor("LISTBOX");
    bool hand_on_choice = false, arrow_elsewhere = false;
    {
        DialogWatcher watcher([&](HWND d) {
            // The cursor over a choice is the hand, over the version text not.
            SetCursor(nullptr);
            LRESULT r = SendMessageA(d, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(d, IDC_START_NEW)),
                                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            hand_on_choice = r != 0 && GetCursor() == hand_cursor;
            SetCursor(nullptr);
            SendMessageA(d, WM_SETCURSOR, reinterpret_cast<WPARAM>(GetDlgItem(d, IDC_START_VERSION)),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            arrow_elsewhere = GetCursor() != hand_cursor;
            press(d, IDCANCEL);
        });
        start_dialog_show(test_frame());
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(watcher.seen[0].caption, " С чего начать?");
        EXPECT_EQ(watcher.seen[0].text(IDC_START_VERSION), "SARVOLT  версии  9.4");
        EXPECT_EQ(watcher.seen[0].text(IDC_START_NEW), "     Начать новый чертёж");
    }
    EXPECT_TRUE(hand_on_choice);
    EXPECT_TRUE(arrow_elsewhere);
    EXPECT_EQ(class_cursor("BUTTON"), button_before);
    EXPECT_EQ(class_cursor("LISTBOX"), list_before);
}

std::string photolib_value() {
    char buf[MAX_PATH] = "";
    settings_get_photolib(buf, sizeof buf);
    return buf;
}

TEST(SketchLibrary, ChosenFolderKeepsOneBackslash) {
    test_frame();
    std::string saved = photolib_value();
    static const char* answer;
    sketch_library_answer = [](char* path, size_t size) {
        std::snprintf(path, size, "%s", answer);
        return 1;
    };
    for (const char* folder : {"C:\\", "C:\\Эскизы"}) {
        answer = folder;
        std::string shown;
        {
            DialogWatcher watcher([&](HWND d) {
                press(d, IDC_OPTIONS_PHOTOLIB_BROWSE);
                press(d, IDC_OPTIONS_EXIT);
            });
            drawing_options_more_dialog_run();
            ASSERT_EQ(watcher.seen.size(), 1u);
        }
        std::string want = std::string(folder) + (folder[std::strlen(folder) - 1] == '\\' ? "" : "\\");
        EXPECT_EQ(photolib_value(), want) << folder;
    }
    // A cancelled choice changes nothing.
    sketch_library_answer = [](char*, size_t) { return 0; };
    {
        DialogWatcher watcher([&](HWND d) {
            press(d, IDC_OPTIONS_PHOTOLIB_BROWSE);
            press(d, IDC_OPTIONS_EXIT);
        });
        drawing_options_more_dialog_run();
    }
    EXPECT_EQ(photolib_value(), "C:\\Эскизы\\");
    sketch_library_answer = nullptr;
    settings_set_photolib(saved.c_str());
}

}  // namespace
