// The arrowhead controls of the annotation panel as the dimension walk
// drives them: finding an item by its data, selecting a picked end's style,
// enabling and disabling (a disabled combo has no selection).
#include <windows.h>

#include <gtest/gtest.h>

#include "render/output/dimension_controls_win.h"

namespace {

struct Panel {
    HWND window = nullptr, combo = nullptr, button = nullptr;
    Panel() {
        window = CreateWindowExA(0, "STATIC", "panel", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 200, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(arrowhead_combo_id)),
                                GetModuleHandleA(nullptr), nullptr);
        button = CreateWindowExA(0, "BUTTON", "ok", WS_CHILD, 0, 50, 40, 20, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(arrowhead_apply_id)),
                                 GetModuleHandleA(nullptr), nullptr);
        // Items in another order than their styles.
        const int styles[] = {5, 0, 3, 10, 7};
        for (int s : styles) {
            LRESULT i = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("style"));
            SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(i), s);
        }
    }
    ~Panel() { DestroyWindow(window); }
};

TEST(ArrowheadControls, ItemsFoundByTheirDataSelectedEnabledAndCleared) {
    Panel p;
    ASSERT_NE(p.combo, nullptr);
    EXPECT_EQ(combo_index_of_item_data(p.combo, 3), 2);
    EXPECT_EQ(combo_index_of_item_data(p.combo, 7), 4);
    EXPECT_EQ(combo_index_of_item_data(p.combo, 9), 0);
    EXPECT_EQ(combo_index_of_item_data(nullptr, 3), 0);
    select_arrowhead_style(p.window, 10);
    EXPECT_EQ(SendMessageA(p.combo, CB_GETCURSEL, 0, 0), 3);
    enable_arrowhead_controls(p.window, 1);
    EXPECT_TRUE(IsWindowEnabled(p.combo));
    EXPECT_TRUE(IsWindowEnabled(p.button));
    enable_arrowhead_controls(p.window, 0);
    EXPECT_FALSE(IsWindowEnabled(p.combo));
    EXPECT_FALSE(IsWindowEnabled(p.button));
    EXPECT_EQ(SendMessageA(p.combo, CB_GETCURSEL, 0, 0), CB_ERR);
}

}  // namespace
