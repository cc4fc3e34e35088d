// The image-stage panel: it fills its own row of the stage tools without
// touching the others', lists the nine line types, and enables the curve's
// finish button only while a curve is being entered.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/commands.h"
#include "shell/elements_binding.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "stages/points_elements/element_records.h"
#include "tests/win32_shell/shell_fixture.h"

namespace {

INT_PTR CALLBACK other_panel(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Whether a dialog shows a text in one of its controls.
struct TextLook {
    const char* text;
    bool found;
};
BOOL CALLBACK look_for_text(HWND child, LPARAM l) {
    TextLook* k = reinterpret_cast<TextLook*>(l);
    char buf[256] = {};
    GetWindowTextA(child, buf, sizeof buf);
    if (std::strstr(buf, k->text)) k->found = true;
    return !k->found;
}
bool dialog_shows(HWND dialog, const char* text) {
    TextLook look = {text, false};
    EnumChildWindows(dialog, look_for_text, reinterpret_cast<LPARAM>(&look));
    return look.found;
}

std::string item_text(HWND combo, int i) {
    char text[128] = {};
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

TEST(ElementPanel, JoinsTheStagePanelsAndServesItsTools) {
    HWND frame = test_frame();
    ASSERT_NE(frame, nullptr);
    StageTools saved[stage_tool_rows];
    for (int i = 0; i < stage_tool_rows; ++i) saved[i] = stage_tools[i];
    for (int i = 0; i < stage_tool_rows; ++i) stage_tools[i] = stage_tools_unbound;
    stage_tools[1].panel_procedure = other_panel;
    element_panel_bind();
    DLGPROC image = stage_panel_procedure(IDD_PANEL_IMAGE);
    EXPECT_NE(image, nullptr);
    EXPECT_EQ(stage_panel_procedure(IDD_PANEL_IMAGE_COMPACT), image);
    EXPECT_EQ(stage_panel_procedure(IDD_PANEL_POINTS), other_panel);
    EXPECT_EQ(stage_panel_procedure(IDD_PANEL_DIMENSIONS), nullptr);
    EXPECT_EQ(stage_panel_procedure(4242), nullptr);

    current_line_type = 3;
    HWND panel = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PANEL_IMAGE), frame, image, 0);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(current_line_type, 1);   // the panel starts with the main solid line
    HWND types = GetDlgItem(panel, IDC_IMAGE_LINE_TYPES);
    ASSERT_EQ(SendMessageA(types, CB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(item_text(types, 7), " Специальная невидимая");
    EXPECT_EQ(item_text(types, 8), " Резьба");
    EXPECT_EQ(SendMessageA(types, CB_GETCURSEL, 0, 0), 1);
    HWND finish = GetDlgItem(panel, IDC_IMAGE_FINISH_CURVE);
    EXPECT_FALSE(IsWindowEnabled(finish));
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_SMOOTH_CURVE, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowEnabled(finish));
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_LINE, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindowEnabled(finish));
    // Choosing the thread type in the selector makes it current.
    SendMessageA(types, CB_SETCURSEL, 8, 0);
    SendMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_LINE_TYPES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
    EXPECT_EQ(current_line_type, 7);
    DestroyWindow(panel);
    current_line_type = 1;
    for (int i = 0; i < stage_tool_rows; ++i) stage_tools[i] = saved[i];
}

TEST(ElementPanel, TheBreakGapDialogRefusesWhatIsNoNumber) {
    ASSERT_NE(test_frame(), nullptr);
    // What earlier tests left posted runs first, so that no dialog of theirs
    // opens inside this one's modal loop.
    pump_messages(0);
    // "abc" is refused with a message and the dialog stays; "-12,5" then
    // gives 12.5.
    HWND gap_dialog = nullptr;
    int gap_dialogs = 0, messages = 0;
    {
        DialogWatcher w([&](HWND d) {
            char caption[128] = {};
            GetWindowTextA(d, caption, sizeof caption);
            if (GetDlgItem(d, IDC_BREAK_GAP)) {
                ++gap_dialogs;
                gap_dialog = d;
                char text[32] = {};
                GetDlgItemTextA(d, IDC_BREAK_GAP, text, sizeof text);
                EXPECT_STREQ(text, "10.0");
                SetDlgItemTextA(d, IDC_BREAK_GAP, "abc");
                press(d, IDOK);
            } else if (gap_dialog && dialog_shows(d, "Зазор задан неверно")) {
                ++messages;
                press(d, IDOK);
                SetDlgItemTextA(gap_dialog, IDC_BREAK_GAP, "-12,5");
                press(gap_dialog, IDOK);
            }
        });
        EXPECT_EQ(ask_break_gap(), 12.5);
    }
    EXPECT_EQ(gap_dialogs, 1);
    EXPECT_EQ(messages, 1);
    // Cancel keeps the default gap.
    {
        DialogWatcher w([](HWND d) { press(d, IDCANCEL); });
        EXPECT_EQ(ask_break_gap(), 10.0);
    }
}
