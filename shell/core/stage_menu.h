// The texts and pictures of the stage-command submenu, the pictures of the
// window list and the context-menu items, and what each of the three
// context menus of a projection window shows for the state of the panel and
// the drawing.  Portable: the Win32 code reads the state, applies the plan
// to the pop-ups of menu 649 and loads the pictures by their bitmap ids.
#pragma once
#include <functional>
#include <string>
#include <vector>

// The tool name of a stage-submenu command (the hint text of its panel
// button, lines separated by "\n"), null for a command the stage does not
// list.
const char* stage_command_name(int stage, int command);
// The bitmap of a stage-submenu command (shown as both check marks), 0 for
// none; the layout stage has no pictures.
int stage_command_picture_id(int stage, int command);

// Bitmaps of the menus, generated with the program's pictures.  The stage
// submenu's pictures are menu_picture_stage_first + 100 x stage + position
// in the stage's command table.
enum {
    menu_picture_stage_first = 16000,
    menu_picture_view_kind_first = 16600,  // + view kind 0..15 (window list)
    menu_picture_raise_window = 16620,     // 40142 "Поднять окно"
    menu_picture_remove_window = 16621,    // 40142 "Убрать окно"
    menu_picture_projection_properties = 16622,
    menu_picture_fit_to_window = 16623,
    menu_picture_zero_level = 16624,       // 40118 for a level dimension
    menu_picture_change_line_type = 16625,
    menu_picture_visibility_level = 16626,
    menu_picture_merge_for_dxf = 16627,
    menu_picture_add_allowance = 16628,
    menu_picture_remove_allowance = 16629,
    menu_picture_accept_value = 16630,
    menu_picture_save_marked_points = 16631,
    menu_picture_point_properties = 16632,
    menu_picture_last = 16632
};

// Pop-ups of the context menu.
enum {
    context_popup_dimensions = 0,
    context_popup_control_distance = 1,
    context_popup_distance = 2,
    context_popup_points = 3,
    context_popup_marked = 4,
    context_popup_image = 5,
    context_popup_marked_solid = 6
};

// What the context menu of a right click depends on.
struct ContextMenuState {
    int stage = 0;
    // Reference points: the tool, the panel's "Да" (1511) enabled, a marked
    // point in the active projection.
    int point_tool = 0;
    bool apply_enabled = false;
    bool points_marked = false;
    // Dimension network: buttons 1025, 1040, 1026, 1090 and 1 enabled, 1090
    // checked, the kind of the dimension being entered (-1: none).
    bool role_enabled[5] = {};
    bool selection_on = false;
    int dimension_kind = -1;
    // Image: a marked element, the projection's view kind, button 1075
    // enabled, the current line type's name, the marking tool chosen, the
    // projection has elements, a marked element that is not a symbol, the
    // construction chain holds a bar record (kind 8).
    bool elements_marked = false;
    int projection_kind = 0;
    bool change_type_enabled = false;
    std::string line_type_name;
    bool marking_tool = false;
    bool has_elements = false;
    bool marked_non_symbol = false;
    bool bar_record = false;
    // Asked only when the allowance item depends on it: the click lies inside
    // the projection's frame and a closed contour surrounds it.
    std::function<bool()> contour_around_click;
};

// One item the plan sets.  An item with insert_before present only when the
// plan lists it: it is inserted before that command with a separator after
// it when missing; at_end items are appended after a separator.
struct ContextMenuItem {
    int id = 0;
    std::string text;  // empty: the resource's text stays
    bool greyed = false;
    int picture = 0;
    int insert_before = 0;
    bool at_end = false;
};

struct ContextMenuPlan {
    int popup = -1;  // -1: the stage has no context menu
    std::vector<ContextMenuItem> items;
    // Optional items to take out (each with the separator that came with it)
    // when present.
    std::vector<int> removed;
};

ContextMenuPlan context_menu_plan(const ContextMenuState& s);

// The picture of one of the items every pop-up and the system menu carry.
int window_item_picture(int id, bool second_placement);
