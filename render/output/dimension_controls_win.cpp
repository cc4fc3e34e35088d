// Win32 helpers of the arrowhead controls that the dimension walk drives.
#include "render/output/dimension_controls_win.h"

int combo_index_of_item_data(HWND combo, LRESULT value) {
    if (!combo) return 0;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == value) return static_cast<int>(i);
    }
    return 0;
}

void enable_arrowhead_controls(HWND panel, int enable) {
    if (!panel) return;
    HWND combo = GetDlgItem(panel, arrowhead_combo_id);
    if (combo) {
        EnableWindow(combo, enable ? TRUE : FALSE);
        if (!enable) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
    HWND apply = GetDlgItem(panel, arrowhead_apply_id);
    if (apply) EnableWindow(apply, enable ? TRUE : FALSE);
}

void select_arrowhead_style(HWND panel, int style) {
    if (!panel) return;
    HWND combo = GetDlgItem(panel, arrowhead_combo_id);
    if (!combo) return;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(combo_index_of_item_data(combo, style)), 0);
}
