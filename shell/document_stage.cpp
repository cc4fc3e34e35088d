// What the shell shows when a drawing is made, loaded or closed.
#include "shell/document_stage.h"

#include <ctime>

#include "base/byte_order.h"
#include "documents/documents.h"
#include "geometry/tolerance.h"
#include "render/contours/contour_search.h"
#include "shell/commands.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"

// The window menu is the fifth popup of the main menu.
static const int window_menu_position = 4;

void new_drawing_stage_ready() {
    check_stage_button(IDM_STAGE_POINTS);
    update_menu_state(IDM_STAGE_POINTS);
    drawing_scale_set(1.0);
}

void loaded_drawing_stage_reset() { stage_panel_id = 0; }

int menu_items_remove_from(HMENU menu, UINT first_id) {
    if (!menu) return 0;
    int n = GetMenuItemCount(menu), from = -1;
    for (int i = 0; i < n && from < 0; ++i)
        if (GetMenuItemID(menu, i) == first_id) from = i;
    if (from < 0) return 0;
    int removed = 0;
    while (GetMenuItemCount(menu) > from && DeleteMenu(menu, static_cast<UINT>(from), MF_BYPOSITION)) ++removed;
    return removed;
}

void closed_drawing_stage_reset() {
    show_stage_panel(IDD_STAGE_PANEL_EMPTY, nullptr);
    if (main_menu) {
        menu_items_remove_from(GetSubMenu(main_menu, window_menu_position), IDM_WINDOW_LIST_FIRST);
        if (frame_window) DrawMenuBar(frame_window);
    }
}
