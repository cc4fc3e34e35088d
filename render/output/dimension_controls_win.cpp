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
