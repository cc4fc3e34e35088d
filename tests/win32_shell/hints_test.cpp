// Control hints: the cursor rest and hit test over the stage bar of the
// frame, suppression, the pop-up's life, status-line text and placement.
#include <gtest/gtest.h>

#include <string>

#include "shell/frame_window.h"
#include "shell/hints.h"
#include "shell_fixture.h"

namespace {

std::string popup_text() {
    if (!hint_popup) return std::string();
    char buf[512] = {};
    GetDlgItemTextA(hint_popup, 1320, buf, sizeof buf);
    return buf;
}

struct Hints : ::testing::Test {
    POINT centre{};
    void SetUp() override {
        HWND frame = test_frame();
        KillTimer(frame, 3);  // the ticks come from the tests alone
        SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        pump_messages(100);
        RECT r;
        GetWindowRect(GetDlgItem(stage_bar, 1298), &r);
        centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        hint_popup_close();
        hints_clear_shown();
        hints_enable();
        last_cursor_x = last_cursor_y = -100000;
    }
    void TearDown() override {
        hint_popup_close();
        hint_timer_start();
    }
    void rest(POINT p, int ticks = 2) {
        for (int i = 0; i < ticks; ++i) hint_timer_tick(p, false);
    }
};

}  // namespace

TEST_F(Hints, ShownAfterTwoTicksAtRestAndClosedByMovingAway) {
    hint_timer_tick(centre, false);
    EXPECT_EQ(hint_popup, nullptr);  // one tick: the cursor has not rested yet
    hint_timer_tick(centre, false);
    ASSERT_NE(hint_popup, nullptr);
    pump_messages(300);  // the screen shows it
    save_window_picture(hint_popup, screenshot_path("dialog_339"));
    EXPECT_EQ(popup_text(),
              " Ввод опорных точек для графи-\r\n ческих элементов проекций объ-\r\n екта и их размерных сетей");
    hint_timer_tick({centre.x + 3, centre.y}, false);
    EXPECT_NE(hint_popup, nullptr);  // 3 pixels right keeps it
    hint_timer_tick({centre.x, centre.y + 4}, false);
    EXPECT_EQ(hint_popup, nullptr);  // 4 pixels down closes it
}

TEST_F(Hints, NothingWhileTheLeftButtonIsDownOrWhenSuppressed) {
    hint_timer_tick(centre, true);
    hint_timer_tick(centre, true);
    EXPECT_EQ(hint_popup, nullptr);

    hints_suppress(1);
    hints_suppress(1);
    hints_suppress(0);
    rest(centre);
    EXPECT_EQ(hint_popup, nullptr);
    hints_suppress(0);
    rest(centre);
    EXPECT_NE(hint_popup, nullptr);
    hints_suppress(0);  // never below zero
    for (Hint* h = hints; h; h = h->next) EXPECT_EQ(h->suppression, 0);
}

TEST_F(Hints, ReplacingTheShownHintsTextClosesThePopupFirst) {
    rest(centre);
    ASSERT_NE(hint_popup, nullptr);
    HWND button = GetDlgItem(stage_bar, 1298);
    EXPECT_EQ(hint_set_text(button, " Опорные точки"), 0);
    EXPECT_EQ(hint_popup, nullptr);
    EXPECT_EQ(hint_popup_hint, nullptr);
    rest(centre);
    EXPECT_EQ(popup_text(), " Опорные точки");
    EXPECT_NE(hint_set_text(nullptr, "x"), 0);  // a control without hint
    hint_set_text(button,
                  " Ввод опорных точек для графи-\n ческих элементов проекций объ-\n екта и их размерных сетей");
}

TEST_F(Hints, APopupThatDiesWithItsOwnerLeavesNoStaleHandle) {
    rest(centre);
    ASSERT_NE(hint_popup, nullptr);
    DestroyWindow(hint_popup);
    EXPECT_EQ(hint_popup, nullptr);
    EXPECT_EQ(hint_popup_hint, nullptr);
    hint_popup_close();  // harmless now
}

TEST_F(Hints, HintsOfARemovedDialogAreGoneAndStatusModeFillsThePromptLine) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(112), frame_window,
                                     nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    HWND caption = GetDlgItem(dialog, 1010);
    ASSERT_NE(hint_add_status(dialog, caption, " первая\\nвторая\n строка"), nullptr);
    pump_messages(100);
    RECT r;
    GetWindowRect(caption, &r);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    rest(p);
    char text[128] = {};
    GetDlgItemTextA(dialog, 1052, text, sizeof text);
    EXPECT_STREQ(text, " перваявторая строка");
    EXPECT_EQ(hint_popup, nullptr);
    hints_remove_dialog(dialog);
    for (Hint* h = hints; h; h = h->next) EXPECT_NE(h->dialog, dialog);
    DestroyWindow(dialog);
}

TEST(HintText, StatusLineTextDropsLineBreakPairsAndControlCharacters) {
    struct Case {
        const char* text;
        const char* shown;
    } cases[] = {
        {" Ввод размерной сети проекции", " Ввод размерной сети проекции"},
        {" Построение истинного изображения всех\n проекций", " Построение истинного изображения всех проекций"},
        {"два\\nслова", "дваслова"},
        {"a\tb\r\nc", "abc"},
        {"", ""},
    };
    for (const Case& c : cases) {
        char out[128];
        hint_status_text(c.text, out, sizeof out);
        EXPECT_STREQ(out, c.shown) << c.text;
    }
    char small[4];
    hint_status_text("abcdef", small, sizeof small);
    EXPECT_STREQ(small, "abc");
}

TEST(HintPlacement, LeftOfTheCursorOrCentredNearTheRightEdge) {
    struct Case {
        int cx, cy, w, h, cw, ch, x, y;
    } cases[] = {
        {500, 300, 100, 20, 1000, 700, 398, 310},   // left of the cursor, below it
        {50, 300, 100, 20, 1000, 700, 60, 310},     // no room on the left: right of it
        {950, 300, 100, 20, 1000, 700, 848, 310},   // fits on the left near the right edge
        {60, 300, 100, 20, 120, 700, 10, 310},      // would pass the right edge: centred
        {500, 680, 100, 20, 1000, 700, 398, 658},   // near the bottom: above the cursor
    };
    for (const Case& c : cases) {
        POINT p = hint_popup_position(c.cx, c.cy, c.w, c.h, c.cw, c.ch);
        EXPECT_EQ(p.x, c.x) << c.cx << "," << c.cy;
        EXPECT_EQ(p.y, c.y) << c.cx << "," << c.cy;
    }
}
