// The fragment dialog "Найти  фрагмент" (182) and its scanner button: the
// button follows "Создать" as in the projection dialog, and pressed with a
// file named it starts the scanner.  Under Wine there is no scanner source:
// the system's message comes, the dialog stays usable and no file is
// written.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/projection_dialog.h"
#include "shell/resource_ids.h"
#include "tests/win32_shell/shell_fixture.h"

namespace {

std::string control_text(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string window_caption(HWND w) {
    char text[128] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

void click_now(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

}  // namespace

TEST(FragmentDialog, TheScannerButtonStartsTheScannerAndReportsAMissingSource) {
    test_frame();
    pump_messages(0);
    const std::string target = current_folder() + "\\scanned_fragment.bmp";
    DeleteFileA(target.c_str());
    std::string caption, button_text;
    std::vector<std::string> messages;
    bool enabled_at_start = false, disabled_by_create = false, enabled_again = false;
    int fragment_dialogs = 0, other_dialogs = 0;
    HWND fragment = nullptr;
    {
        DialogWatcher watch([&](HWND d) {
            if (GetDlgItem(d, IDC_PROJECTION_FRAGMENTS)) {
                // Watched again when it comes back to the front: done once.
                if (fragment_dialogs++) return;
                fragment = d;
                char text[64] = {};
                GetWindowTextA(d, text, sizeof text);
                caption = text;
                HWND scanner = GetDlgItem(d, IDC_PROJECTION_SCANNER);
                if (!scanner) {
                    press(d, IDCANCEL);
                    return;
                }
                button_text = control_text(d, IDC_PROJECTION_SCANNER);
                enabled_at_start = IsWindowEnabled(scanner) != FALSE;
                click_now(d, IDC_PROJECTION_NO_SKETCH, true);
                disabled_by_create = !IsWindowEnabled(scanner);
                click_now(d, IDC_PROJECTION_NO_SKETCH, false);
                enabled_again = IsWindowEnabled(scanner) != FALSE;
                // The name is written with the focus on the button, as after
                // a click on it (leaving the field would open the name as a
                // library).
                SetFocus(scanner);
                SetDlgItemTextA(d, IDC_PROJECTION_PATH, target.c_str());
                press(d, IDC_PROJECTION_SCANNER);
            } else if (window_caption(d) == "В Н И М А Н И Е !!!") {
                messages.push_back(control_text(d, IDC_MESSAGE_TEXT));
                press(d, IDOK);
                // The fragment dialog outlived the scanner's failure.
                if (fragment && IsWindow(fragment)) press(fragment, IDCANCEL);
            } else {
                // The manager's own choice of a source: none is chosen.
                ++other_dialogs;
                press(d, IDCANCEL);
            }
        });
        EXPECT_EQ(projection_dialog_run(8), 1);
    }
    EXPECT_EQ(caption, "Найти  фрагмент");
    ASSERT_EQ(button_text, "Запустить сканер");
    EXPECT_TRUE(enabled_at_start);
    EXPECT_TRUE(disabled_by_create);
    EXPECT_TRUE(enabled_again);
    ASSERT_EQ(messages.size(), 1u) << (messages.empty() ? "" : messages[0] + "|" + messages.back());
    // No manager could be loaded, or no source was chosen in its window
    // (answered "Cancel" here), or the one chosen did not open.
    const bool scanner_message = messages[0].find("интерфейса сканера") != std::string::npos ||
                                 messages[0] == "Не выбран сканер" || messages[0] == "Сканер не готов к работе";
    EXPECT_TRUE(scanner_message) << messages[0] << " (other windows: " << other_dialogs << ")";
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
}
