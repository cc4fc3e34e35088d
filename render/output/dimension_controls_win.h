// Win32 helpers of the arrowhead controls that the dimension walk drives.
#pragma once

#include <windows.h>

// Index of the first item of the combo box whose item data equals value;
// 0 when none does (or the box is empty).
int combo_index_of_item_data(HWND combo, LRESULT value);
