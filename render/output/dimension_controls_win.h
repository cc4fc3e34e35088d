// Win32 helpers of the arrowhead controls that the dimension walk drives:
// the arrowhead combo (control 1154) and its apply button (control 1158) of
// the annotation panel.
#pragma once

#include <windows.h>

enum : int { arrowhead_combo_id = 1154, arrowhead_apply_id = 1158 };

// Index of the first item of the combo box whose item data equals value;
// 0 when none does (or the box is empty).
int combo_index_of_item_data(HWND combo, LRESULT value);

// Enables or disables the arrowhead combo and its button on the panel; a
// disabled combo has no selection.
void enable_arrowhead_controls(HWND panel, int enable);

// Selects the combo item whose item data is the line-end style.
void select_arrowhead_style(HWND panel, int style);
