// The context menus of the projection windows and the menu pictures: the
// state of the stage panel and of the projection is read here, the choice
// of items is made by context_menu_plan (shell/core/stage_menu.h) and put
// into the pop-ups of menu 649.
#include "shell/context_menus.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/documents.h"
#include "geometry/transforms.h"
#include "render/contours/contour_lists.h"
#include "render/contours/contour_search.h"
#include "shell/commands.h"
#include "shell/core/stage_menu.h"
#include "shell/elements_binding.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"
#include "shell/view_picking.h"
#include "stages/points_elements/element_records.h"
#include "store/record_layouts.h"
#include "store/records.h"

HBITMAP menu_picture(int id) {
    static std::map<int, HBITMAP> loaded;
    if (id <= 0) return nullptr;
    auto it = loaded.find(id);
    if (it != loaded.end()) return it->second;
    HINSTANCE instance = program_instance ? program_instance : GetModuleHandleA(nullptr);
    HBITMAP b = LoadBitmapA(instance, MAKEINTRESOURCEA(id));
    loaded[id] = b;
    return b;
}

namespace {

const char* stage_text(int stage, int command) { return stage_command_name(stage, command); }
HBITMAP stage_picture(int stage, int command) { return menu_picture(stage_command_picture_id(stage, command)); }

// A panel button counts as enabled when it exists and is not disabled.
bool panel_button_enabled(int id) {
    HWND b = stage_panel ? GetDlgItem(stage_panel, id) : nullptr;
    LONG style = b ? GetWindowLongA(b, GWL_STYLE) : 0;
    return style != 0 && !(style & WS_DISABLED);
}

unsigned char* projection_of(ProjectionWindow* w) {
    if (!w || !w->record_ref) return nullptr;
    RecordRef r = w->record_ref;
    return record_fetch(&r);
}

bool any_point_marked(unsigned char* projection) {
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return false;
    RecordRef* head = projection_chain(projection, projection_points);
    PageBuffer* b = &page_buffers[table_points];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b))
        if (r[point_flags] >= 0x40) return true;
    return false;
}

struct ElementSummary {
    bool any = false, marked = false, marked_non_symbol = false;
};

ElementSummary summarise_elements(unsigned char* projection) {
    ElementSummary s;
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return s;
    RecordRef* head = projection_chain(projection, projection_elements);
    PageBuffer* b = &page_buffers[table_elements];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        s.any = true;
        uint16_t flags = get_u16(r, element_flags);
        if (!(flags & element_flag_marked)) continue;
        s.marked = true;
        if ((flags & element_flag_kind) != 11) s.marked_non_symbol = true;
    }
    return s;
}

bool construction_holds_bar(unsigned char* projection) {
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return false;
    RecordRef* head = projection_chain(projection, projection_construction);
    PageBuffer* b = &page_buffers[table_construction];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b))
        if (get_u16(r, record_length) > record_kind && r[record_kind] == construction_kind_bar) return true;
    return false;
}

// Whether a closed contour surrounds the click.  The search runs on a copy
// of the projection record marked as automatically constructed, so that the
// piece collection closes no gaps (which would move element ends), and the
// contour is not stored: a right click leaves the drawing as it was.
bool contour_around(ProjectionWindow* w, int x, int y) {
    unsigned char* p = projection_of(w);
    if (!p) return false;
    ViewTransform t = projection_window_transform(w);
    Point2 at;
    view_pixel_to_point(&t, x, y, &at);
    float x1 = get_f32(p, 58), y1 = get_f32(p, 62), x2 = get_f32(p, 66), y2 = get_f32(p, 70);
    if (!(at.x >= std::min(x1, x2) && at.x <= std::max(x1, x2) && at.y >= std::min(y1, y2) &&
          at.y <= std::max(y1, y2)))
        return false;
    uint16_t length = get_u16(p, record_length);
    if (length < projection_record_head || length > projection_record_max) return false;
    unsigned char* copy = static_cast<unsigned char*>(std::malloc(length));
    if (!copy) return false;
    std::memcpy(copy, p, length);
    put_u16(copy, projection_flags, static_cast<uint16_t>(get_u16(copy, projection_flags) & ~projection_word_no_auto));
    cursor_set_clock(frame_window);
    uint8_t* contour = find_closed_contour(copy, at, 1, 1);
    cursor_set_normal(frame_window);
    bool found = contour != nullptr;
    if (contour) free_contour(contour);
    free_contour_piece_list();
    std::free(copy);
    error_flag = 0;
    return found;
}

ContextMenuState state_of(ProjectionWindow* w, int x, int y) {
    ContextMenuState s;
    s.stage = current_stage;
    unsigned char* p = projection_of(w);
    s.projection_kind = w->view_flags & view_flag_type_mask;
    switch (s.stage) {
    case 1:
        s.point_tool = point_tool_hook ? point_tool_hook() : 0;
        s.apply_enabled = panel_button_enabled(IDC_POINTS_APPLY);
        s.points_marked = any_point_marked(p);
        break;
    case 2: {
        const int buttons[5] = {IDC_DIMENSION_FIRST_END, IDC_DIMENSION_CENTRE, IDC_DIMENSION_SECOND_END,
                                IDC_DIMENSION_SELECTION, IDC_DIMENSION_COMMIT};
        for (int i = 0; i < 5; ++i) s.role_enabled[i] = panel_button_enabled(buttons[i]);
        s.selection_on = stage_panel && IsDlgButtonChecked(stage_panel, IDC_DIMENSION_SELECTION) == BST_CHECKED;
        if (command_seams.dimension_input_active() && stage_panel) {
            LRESULT kind = SendDlgItemMessageA(stage_panel, IDC_DIMENSION_KIND, CB_GETCURSEL, 0, 0);
            s.dimension_kind = kind < 0 ? 0 : static_cast<int>(kind);
        }
        break;
    }
    case 3: {
        if (p) s.projection_kind = get_u16(p, projection_flags) & projection_word_type;
        ElementSummary e = summarise_elements(p);
        s.has_elements = e.any;
        s.elements_marked = e.marked;
        s.marked_non_symbol = e.marked_non_symbol;
        s.change_type_enabled = panel_button_enabled(IDC_IMAGE_APPLY_LINE_TYPE);
        s.line_type_name = current_line_type_name();
        // The names of the line types begin with a blank.
        while (!s.line_type_name.empty() && s.line_type_name[0] == ' ') s.line_type_name.erase(0, 1);
        s.marking_tool = image_stage_state() == 21;
        s.bar_record = construction_holds_bar(p);
        s.contour_around_click = [w, x, y]() { return contour_around(w, x, y); };
        break;
    }
    default: break;
    }
    return s;
}

int position_of(HMENU menu, int id) {
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i)
        if (GetMenuItemID(menu, i) == static_cast<UINT>(id)) return i;
    return -1;
}

bool is_separator(HMENU menu, int pos) {
    MENUITEMINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoA(menu, pos, TRUE, &info) && (info.fType & MFT_SEPARATOR);
}

void set_text(HMENU menu, int id, const std::string& text) {
    MENUITEMINFOA info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(text.c_str());
    SetMenuItemInfoA(menu, id, FALSE, &info);
}

void set_picture(HMENU menu, int id, int picture) {
    HBITMAP b = menu_picture(picture);
    if (b) SetMenuItemBitmaps(menu, id, MF_BYCOMMAND, b, b);
}

// An optional item goes with its separator: the one after it, or the one
// before it when it was the last item.
void remove_item(HMENU menu, int id) {
    int pos = position_of(menu, id);
    if (pos < 0) return;
    DeleteMenu(menu, pos, MF_BYPOSITION);
    int n = GetMenuItemCount(menu);
    if (pos < n && is_separator(menu, pos))
        DeleteMenu(menu, pos, MF_BYPOSITION);
    else if (pos == n && pos > 0 && is_separator(menu, pos - 1))
        DeleteMenu(menu, pos - 1, MF_BYPOSITION);
}

void apply_plan(HMENU menu, const ContextMenuPlan& plan) {
    for (int id : plan.removed) remove_item(menu, id);
    for (const ContextMenuItem& it : plan.items) {
        if (position_of(menu, it.id) < 0) {
            if (it.at_end) {
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
                AppendMenuA(menu, MF_STRING, it.id, it.text.c_str());
            } else if (it.insert_before) {
                int pos = position_of(menu, it.insert_before);
                if (pos < 0) continue;
                InsertMenuA(menu, pos, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
                InsertMenuA(menu, pos, MF_BYPOSITION | MF_STRING, it.id, it.text.c_str());
            } else {
                continue;
            }
        }
        if (!it.text.empty()) set_text(menu, it.id, it.text);
        EnableMenuItem(menu, it.id, MF_BYCOMMAND | (it.greyed ? MF_GRAYED : MF_ENABLED));
        set_picture(menu, it.id, it.picture);
    }
}

void press_panel_button(int id) {
    if (!stage_panel) return;
    PostMessageA(stage_panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(stage_panel, id)));
}

bool in_stage_table(int id) {
    if (current_stage < 1 || current_stage > 6) return false;
    const StageCommandTable& t = stage_command_tables[current_stage];
    for (int i = 0; i < t.count; ++i)
        if (t.pairs[i].command == id) return true;
    return false;
}

}  // namespace

HMENU context_menu_prepare(ProjectionWindow* w, int x, int y) {
    if (!w || !context_menu) return nullptr;
    ContextMenuPlan plan = context_menu_plan(state_of(w, x, y));
    if (plan.popup < 0) return nullptr;
    HMENU menu = GetSubMenu(context_menu, plan.popup);
    if (!menu) return nullptr;
    apply_plan(menu, plan);
    window_menu_items_update(w, menu);
    return menu;
}

namespace {
struct MenuClick {
    ProjectionWindow* window = nullptr;
    int x = 0, y = 0;
} last_menu_click;
}  // namespace

bool context_menu_last_click(ProjectionWindow** w, int* x, int* y) {
    if (!last_menu_click.window) return false;
    *w = last_menu_click.window;
    *x = last_menu_click.x;
    *y = last_menu_click.y;
    return true;
}

void context_menu_open(ProjectionWindow* w, int x, int y) {
    HMENU menu = context_menu_prepare(w, x, y);
    if (!menu || !w->window) return;
    last_menu_click.window = w;
    last_menu_click.x = x;
    last_menu_click.y = y;
    POINT pt = {x, y};
    ClientToScreen(w->window, &pt);
    HWND owner = stage_panel ? stage_panel : frame_window;
    int id = static_cast<int>(TrackPopupMenu(menu, TPM_CENTERALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                             pt.x, pt.y, 0, owner, nullptr));
    if (id) context_command_run(w, id);
}

void context_command_run(ProjectionWindow* w, int id) {
    switch (id) {
    case IDM_CONTEXT_PROJECTION_PROPERTIES: {
        int kind = w ? w->view_flags & view_flag_type_mask : 0;
        if (frame_window)
            PostMessageA(frame_window, WM_COMMAND, kind == 8 ? IDM_FRAGMENT_PROPERTIES : IDM_PROJECTION_PROPERTIES, 0);
        return;
    }
    case IDM_CONTEXT_FIT_TO_WINDOW:
        for (int i = 0; i < 2 && scale_panel; ++i)
            SendMessageA(scale_panel, WM_COMMAND, MAKEWPARAM(IDC_SCALE_FIT, 0x501),
                         reinterpret_cast<LPARAM>(GetDlgItem(scale_panel, IDC_SCALE_FIT)));
        return;
    case IDM_CONTEXT_RAISE_WINDOW: projection_window_toggle_placement(w); return;
    case IDM_HELP_CONTEXT: help_open(current_stage == 3 ? 8 : 7); return;
    case IDM_HELP_POINT_DISTANCES: help_open(27); return;
    case IDM_POINTS_ACCEPT_VALUE: press_panel_button(IDC_POINTS_APPLY); return;
    case IDM_IMAGE_CHANGE_LINE_TYPE: press_panel_button(IDC_IMAGE_APPLY_LINE_TYPE); return;
    default: break;
    }
    if (in_stage_table(id)) {
        forward_stage_command(id);
        return;
    }
    // The panel's own commands (point properties, the marked-point list,
    // allowances, the visibility level, the merge of lines).
    if (stage_panel) PostMessageA(stage_panel, WM_COMMAND, id, 0);
}

void stage_menu_bind() {
    command_seams.stage_command_text = stage_text;
    command_seams.stage_command_picture = stage_picture;
}
