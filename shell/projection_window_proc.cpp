// The window procedure of the projection windows (class "Projec"): painting
// the sketch and the projection's drawing under the drawing lock, scrolling,
// panning and wheel zoom, the stage keys, activation, the context menus,
// and closing a window, which deletes its projection after a question.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/documents.h"
#include "render/output/element_drawing.h"
#include "render/output/gdi_canvas_win.h"
#include "render/output/output_view.h"
#include "render/output/symbol_drawing.h"
#include "render/output/view_dimensions_walk.h"
#include "shell/commands.h"
#include "shell/context_menus.h"
#include "shell/elements_binding.h"
#include "shell/core/projection_records.h"
#include "shell/core/window_list.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/annotation_properties_win.h"
#include "shell/resource_ids.h"
#include "shell/sketch_shares.h"
#include "shell/stage_tools.h"
#include "shell/view_marks.h"
#include "shell/view_picking.h"
#include "shell/startup.h"
#include "store/drawing_header.h"
#include "store/records.h"
#include "store/text_codec.h"

int keep_projection_on_destroy = 1;
static int input_block_flag;
static int projection_busy;
static int activation_in_progress;
static uint32_t previous_projection_number;
static POINT pan_anchor;
extern ProjectionWindow* projection_window_creating;
unsigned long projection_paint_primitives;

// ---------------------------------------------------------------- primitives count
// The GDI canvas of a paint: lines, arcs and ellipses that lie wholly
// outside the area being painted are left out (GDI would clip them away
// anyway), and those drawn are counted, so that a scenario can tell how
// much a repaint drew.
static PixelCanvasOps counting_ops;
static RECT paint_area;
static int paint_pen_width;

// Whether the box (in any corner order) lies outside the painted area by
// more than the widest pen of this paint.
static bool outside_paint(int32_t l, int32_t t, int32_t r, int32_t b) {
    int32_t margin = 4 + paint_pen_width;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return r + margin < paint_area.left || l - margin > paint_area.right || b + margin < paint_area.top ||
           t - margin > paint_area.bottom;
}
static CanvasSelection counted_select_pen(void* dc, const PenDesc* pen) {
    if (pen && pen->width > paint_pen_width) paint_pen_width = pen->width;
    return gdi_canvas_ops.select_pen(dc, pen);
}
static int counted_line_to(void* dc, int32_t x, int32_t y) {
    POINT from;
    if (GetCurrentPositionEx(static_cast<HDC>(dc), &from) && outside_paint(from.x, from.y, x, y)) {
        MoveToEx(static_cast<HDC>(dc), x, y, nullptr);
        return 1;
    }
    ++projection_paint_primitives;
    return gdi_canvas_ops.line_to(dc, x, y);
}
static int counted_arc(void* dc, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1, int32_t x2,
                       int32_t y2) {
    if (outside_paint(l, t, r, b)) return 1;
    ++projection_paint_primitives;
    return gdi_canvas_ops.arc(dc, l, t, r, b, x1, y1, x2, y2);
}
static int counted_ellipse(void* dc, int32_t l, int32_t t, int32_t r, int32_t b) {
    if (outside_paint(l, t, r, b)) return 1;
    ++projection_paint_primitives;
    return gdi_canvas_ops.ellipse(dc, l, t, r, b);
}

static const PixelCanvasOps* canvas_ops() {
    if (!counting_ops.line_to) {
        counting_ops = gdi_canvas_ops;
        counting_ops.select_pen = counted_select_pen;
        counting_ops.line_to = counted_line_to;
        counting_ops.arc = counted_arc;
        counting_ops.ellipse = counted_ellipse;
    }
    return &counting_ops;
}

// ---------------------------------------------------------------- painting
static void paint_sketch(ProjectionWindow* w, HDC dc) {
    if ((w->view_flags & (view_flag_no_sketch | view_flag_sketch_hidden)) || current_stage > 3) return;
    if (!w->sketch_dc || w->bitmap_size[0] <= 0 || w->bitmap_size[1] <= 0) return;
    double src[2], len[2], dst_len[2];
    for (int i = 0; i < 2; ++i) {
        double visible = w->scale[i] > 0 ? w->client_size[i] / w->scale[i] : 0;
        double offset = w->view_offset[i];
        if (offset + visible < 0 || offset >= w->sketch_size[i] || w->sketch_size[i] <= 0) return;
        double end = offset + visible;
        if (end > w->sketch_size[i]) end = w->sketch_size[i];
        double start = offset;
        // World to bitmap pixels: the bitmap spans the sketch's world size.
        double per_world = w->bitmap_size[i] / static_cast<double>(w->sketch_size[i]);
        src[i] = start * per_world;
        len[i] = (end - start) * per_world;
        dst_len[i] = (end - start) * w->scale[i];
    }
    int mode = src[0] < -1 || src[1] < -1 ? COLORONCOLOR : HALFTONE;
    int old = SetStretchBltMode(dc, mode);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, static_cast<int>(std::lround(dst_len[0])), static_cast<int>(std::lround(dst_len[1])),
               w->sketch_dc, static_cast<int>(std::lround(src[0])), static_cast<int>(std::lround(src[1])),
               static_cast<int>(std::lround(len[0])), static_cast<int>(std::lround(len[1])), SRCCOPY);
    SetStretchBltMode(dc, old);
}

// The walks over the projection: elements, the marks, the stage's own
// drawing, then (from the annotation stage on) dimensions and annotation.
// no_pick is the pick marker's result: non-zero when no marker was drawn.
static void paint_drawing(ProjectionWindow* w, HWND window, HDC dc, int no_pick) {
    OutputView view;
    output_view_init(&view, output_screen);
    view.canvas = gdi_canvas(dc);
    view.canvas.ops = canvas_ops();
    view.transform.view_offset = {w->view_offset[0], w->view_offset[1]};
    view.transform.scroll_shift = {w->scroll_shift[0], w->scroll_shift[1]};
    view.transform.scale = {w->scale[0], w->scale[1]};
    view.stage = current_stage ? current_stage : 1;
    view.projection = nullptr;
    view.projection_ref = w->record_ref;
    view.view_flags = w->view_flags;
    view.window_flags = (w->window_flags & window_flag_hidden_lines_off) ? window_flag_hide_hidden_lines : 0;
    view.visible_layers = static_cast<uint8_t>(w->visible_layers);
    for (int i = 0; i < 8; ++i) view.layer_colours[i] = w->layer_colours[i];
    view.window = w;
    // The symbols of the upper layer lie under the elements, the others
    // over them.  With a pick marker drawn the elements are picked first:
    // the symbols under them are then left out of this paint.
    int symbols_left = no_pick ? draw_view_symbols(&view, 1, 0) : 1;
    draw_view_elements(&view);
    if (symbols_left) draw_view_symbols(&view, 0, no_pick);
    marks_draw(w, dc);
    stage_tools_of(current_stage).paint_over(window, dc);
    if (current_stage > 4) draw_view_dimensions(&view, no_pick);
}

static void paint(HWND window, ProjectionWindow* w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (w && dc && current_stage < 6 && !projection_busy) {
        w->paint_dc = dc;
        input_block_flag = 1;
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
        if (paint_event) os_event_reset(paint_event);
        SetBkMode(dc, TRANSPARENT);
        projection_paint_primitives = 0;
        paint_area = ps.rcPaint;
        // A pen selected before this paint (by the DC's defaults) is 1 wide.
        paint_pen_width = 1;
        paint_sketch(w, dc);
        int no_pick = pick_marker_draw(w);
        if (current_drawing_file()) paint_drawing(w, window, dc, no_pick);
        pick_marker_erase();
        crosshair_draw(w, dc);
        if (paint_event) os_event_set(paint_event);
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
        input_block_flag = 0;
        w->paint_dc = nullptr;
    }
    EndPaint(window, &ps);
    // Messages of the symbols are shown outside the paint and its lock.
    picture_symbol_messages_flush();
}

// ---------------------------------------------------------------- scrolling
static void set_bar(HWND window, int bar, ScrollBarState s) {
    SetScrollRange(window, bar, 0, s.range, FALSE);
    if (s.range) SetScrollPos(window, bar, s.thumb, TRUE);
}

static void axis_store(ProjectionWindow* w, int axis, const ViewAxis& a) {
    w->view_offset[axis] = static_cast<float>(a.offset);
}

static void on_size(HWND window, ProjectionWindow* w, LPARAM lparam) {
    w->client_size[0] = LOWORD(lparam);
    w->client_size[1] = HIWORD(lparam);
    for (int i = 0; i < 2; ++i) {
        ViewAxis a = projection_window_axis(w, i);
        ScrollBarState s = view_axis_clamp(&a);
        axis_store(w, i, a);
        set_bar(window, i ? SB_VERT : SB_HORZ, s);
    }
}

// Whether the pixels of w may be moved on the screen when its view moves:
// not while something is drawn at fixed client pixels over the drawing (the
// annotation stage's cross-hair, a rubber band or a drag under the left
// button, the pick marker), which would move with them.
static bool pixels_movable(ProjectionWindow* w) {
    if (current_stage < 1 || current_stage > 4 || GetKeyState(VK_LBUTTON) < 0) return false;
    if (crosshair_owner() == w) return false;
    if (pick_marker.placed && pick_marker.owner == w) return false;
    return true;
}

// The view of w has moved from old_offset: the axes are snapped to whole
// pixels when the pixels can be moved, the pixels still shown are moved
// (ScrollWindowEx) and only the uncovered strips are painted; otherwise
// the whole client is painted again.
static void view_moved(HWND window, ProjectionWindow* w, const double old_offset[2], ScrollBarState bars[2],
                       const bool moved_axis[2]) {
    int pixels[2] = {0, 0};
    bool movable = pixels_movable(w);
    for (int i = 0; i < 2; ++i) {
        if (!moved_axis[i]) continue;
        ViewAxis a = projection_window_axis(w, i);
        if (movable && view_axis_snap(&a, old_offset[i], &pixels[i])) {
            axis_store(w, i, a);
            if (bars[i].range) bars[i].thumb = view_axis_thumb(&a);
            // The offset is kept as a float: the move must still be whole.
            double px = (old_offset[i] - w->view_offset[i]) * w->scale[i];
            if (std::fabs(px - pixels[i]) > 0.01) movable = false;
        } else {
            movable = false;
        }
    }
    for (int i = 0; i < 2; ++i)
        if (moved_axis[i]) set_bar(window, i ? SB_VERT : SB_HORZ, bars[i]);
    if (movable) {
        if (pixels[0] || pixels[1])
            ScrollWindowEx(window, pixels[0], pixels[1], nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    } else {
        InvalidateRect(window, nullptr, TRUE);
    }
    UpdateWindow(window);
}

static void scroll(HWND window, ProjectionWindow* w, int axis, int request, int position) {
    double old_offset[2] = {w->view_offset[0], w->view_offset[1]};
    ScrollBarState bars[2] = {{0, 0}, {0, 0}};
    bool moved_axis[2] = {axis == 0, axis == 1};
    ViewAxis a = projection_window_axis(w, axis);
    bars[axis] = view_axis_scroll(&a, request, position);
    axis_store(w, axis, a);
    view_moved(window, w, old_offset, bars, moved_axis);
}

static void pan(HWND window, ProjectionWindow* w, int x, int y) {
    int delta[2] = {x - pan_anchor.x, y - pan_anchor.y};
    double old_offset[2] = {w->view_offset[0], w->view_offset[1]};
    ScrollBarState bars[2] = {{0, 0}, {0, 0}};
    bool moved_axis[2] = {true, true};
    for (int i = 0; i < 2; ++i) {
        ViewAxis a = projection_window_axis(w, i);
        bars[i] = view_axis_pan(&a, delta[i]);
        axis_store(w, i, a);
    }
    pan_anchor.x = x;
    pan_anchor.y = y;
    view_moved(window, w, old_offset, bars, moved_axis);
}

static void wheel(HWND window, ProjectionWindow* w, WPARAM wparam, LPARAM lparam) {
    POINT pt = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    ScreenToClient(window, &pt);
    RECT r;
    GetClientRect(window, &r);
    if (pt.x <= 0 || pt.y <= 0 || pt.x >= r.right || pt.y >= r.bottom) {
        wheel_seen = 1;
        return;
    }
    panel_scale = wheel_zoom(panel_scale, static_cast<short>(HIWORD(wparam)));
    projection_window_apply_scale(w, pt.x, pt.y, 1);
}

// ---------------------------------------------------------------- keys
static void stage_key(int key) {
    static const struct {
        int key, command;
    } keys[] = {{'1', IDM_STAGE_POINTS}, {'2', IDM_STAGE_IMAGE},        {'3', IDM_STAGE_DIMENSIONS},
                {'4', IDM_STAGE_CONSTRUCTION}, {'5', IDM_STAGE_ANNOTATION}, {'6', IDM_STAGE_LAYOUT}};
    if (key >= VK_NUMPAD1 && key <= VK_NUMPAD6) key = '1' + (key - VK_NUMPAD1);
    for (const auto& k : keys) {
        if (k.key != key) continue;
        UINT state = main_menu ? GetMenuState(main_menu, k.command, MF_BYCOMMAND) : MF_GRAYED;
        if (state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED))) return;
        check_stage_button(k.command);
        dispatch_menu_command(k.command);
        return;
    }
}

static void key_down(HWND window, ProjectionWindow* w, int key) {
    bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
    case VK_PRIOR: scroll(window, w, shift ? 0 : 1, scroll_page_up, 0); return;
    case VK_NEXT: scroll(window, w, shift ? 0 : 1, scroll_page_down, 0); return;
    case VK_LEFT: scroll(window, w, 0, scroll_line_up, 0); return;
    case VK_RIGHT: scroll(window, w, 0, scroll_line_down, 0); return;
    case VK_UP: scroll(window, w, 1, scroll_line_up, 0); return;
    case VK_DOWN: scroll(window, w, 1, scroll_line_down, 0); return;
    case VK_F1: open_context_help(); return;
    default: stage_key(key); return;
    }
}

// ---------------------------------------------------------------- closing
static void projections_all_deleted() {
    DrawingFile* df = current_drawing_file();
    if (df && df->header) {
        std::memset(df->header + header_counters, 0, 28);
        put_u32(df->header, header_dword_92, 0xFFFFFFFFu);
        put_u16(df->header, header_word_106, 0);
    }
    check_stage_button(IDM_STAGE_POINTS);
    update_menu_state(IDM_FILE_NEW);
    DLGPROC proc = stage_panel_procedure(IDD_PANEL_POINTS);
    show_stage_panel(IDD_PANEL_POINTS, proc);
    stage_set(1);
}

static bool close_asked(HWND window, ProjectionWindow* w) {
    if (command_seams.dimension_input_active())
        command_seams.commit_dimension_input(stage_panel);
    char title[260] = "";
    GetWindowTextA(window, title, sizeof title);
    if (!ask_confirmation(frame_window, 1, title) || program_closing) return false;
    uint16_t description[20] = {};
    text_pack("Удаление проекции", description, sizeof description);
    drawing_checkpoint_numbered(1, description, w->number);
    keep_projection_on_destroy = 0;
    return true;
}

static void destroy(ProjectionWindow* w) {
    picking_window_gone(w);
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    if (current_projection_window == w) current_projection_window = nullptr;
    if (w->marks) {
        modifier_keys_show(VK_MENU, 0);
        mark_set_free(w->marks);
        w->marks = nullptr;
    }
    sketch_release(w->sketch_dc, (w->window_flags & window_flag_bitmap_borrowed) ? nullptr : w->sketch_bitmap);
    w->sketch_dc = nullptr;
    w->sketch_bitmap = nullptr;
    bool deleted = false;
    if (!keep_projection_on_destroy && !program_closing) {
        DrawingFile* df = current_drawing_file();
        deleted = projection_delete_stored(df, w->number) == 0;
        if (deleted) projection_refs_refresh();
    }
    for (ProjectionWindow** at = &projection_windows; *at; at = &(*at)->next) {
        if (*at == w) {
            *at = w->next;
            break;
        }
    }
    if (active_projection_number == w->number) active_projection_number = static_cast<uint32_t>(-1);
    std::free(w->diameter_crosses);
    std::free(w->new_sketch_path);
    std::free(w);
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    if (deleted) {
        if (!projection_windows) projections_all_deleted();
        projection_refs_refresh();
        window_list_build();
    }
    keep_projection_on_destroy = 1;
}

// ---------------------------------------------------------------- the procedure
static void on_create(HWND window) {
    ProjectionWindow* w = projection_window_creating;
    keep_projection_on_destroy = 1;
    projection_busy = 0;
    activation_in_progress = 0;
    if (!w) return;
    w->window = window;
    active_projection_number = w->number;
    HMENU sys = GetSystemMenu(window, FALSE);
    if (sys) {
        AppendMenuA(sys, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(sys, MF_STRING, IDM_CONTEXT_RAISE_WINDOW, "Поднять окно");
    }
    // Small projections get small windows.
    if (w->area_size[0] != 0 && w->area_size[1] != 0) {
        RECT wr, cr;
        GetWindowRect(window, &wr);
        GetClientRect(window, &cr);
        int size[2] = {wr.right - wr.left, wr.bottom - wr.top};
        int client[2] = {cr.right, cr.bottom};
        int bars[2] = {GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
        int want[2];
        bool shrink = false;
        for (int i = 0; i < 2; ++i) {
            int frame = size[i] - client[i] - bars[i];
            double content = w->area_size[i] * w->scale[i];
            want[i] = size[i];
            if (content + frame < size[i]) {
                want[i] = static_cast<int>(content + frame) + bars[i];
                shrink = true;
            }
        }
        if (shrink) MoveWindow(window, 0, 0, want[0], want[1], FALSE);
    }
}

static void on_activate(ProjectionWindow* w) {
    activation_in_progress = 1;
    show_scale_value(w->panel_scale);
    previous_projection_number = active_projection_number;
    active_projection_number = w->number;
    current_projection_window = w;
    main_title_update();
    activation_in_progress = 0;
}

LRESULT CALLBACK projection_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
        on_create(window);
        return DefMDIChildProcA(window, message, wparam, lparam);
    }
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w) return DefMDIChildProcA(window, message, wparam, lparam);
    bool blocked = projection_busy || input_block_flag;
    switch (message) {
    case WM_SIZE:
        if (!blocked) on_size(window, w, lparam);
        break;
    case WM_PAINT:
        paint(window, w);
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        if (blocked) return 0;
        int req = LOWORD(wparam);
        if (req == SB_LINEUP || req == SB_LINEDOWN || req == SB_PAGEUP || req == SB_PAGEDOWN || req == SB_THUMBTRACK)
            scroll(window, w, message == WM_VSCROLL ? 1 : 0, req == SB_THUMBTRACK ? scroll_thumb : req,
                   static_cast<short>(HIWORD(wparam)));
        return 0;
    }
    case WM_KEYDOWN:
        if (!blocked && stage_tools_of(current_stage).key_down(window, static_cast<int>(wparam))) return 0;
        key_down(window, w, static_cast<int>(wparam));
        return 0;
    case WM_MOUSEWHEEL:
        if (!blocked) wheel(window, w, wparam, lparam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: {
        if (blocked) return 0;
        StageTools& tools = stage_tools_of(current_stage);
        int (*handler)(HWND, int, int, WPARAM) = message == WM_LBUTTONDOWN ? tools.left_down
                                                 : message == WM_LBUTTONUP ? tools.left_up
                                                                           : tools.left_double;
        int x = static_cast<short>(LOWORD(lparam)), y = static_cast<short>(HIWORD(lparam));
        // A click of the dimension stage in the active projection records
        // the pick marker (and the start of a rubber band) before the tool
        // takes it; a click the tool fails on leaves no marker behind.
        bool marker = message == WM_LBUTTONDOWN && current_stage == 2 &&
                      (GetKeyState(VK_MENU) < 0 || active_projection_number == w->number);
        int16_t error_before = error_flag;
        if (marker) pick_marker_record_click(w, x, y);
        int taken = handler(window, x, y, wparam);
        if (marker && error_flag && !error_before) pick_marker_reset();
        if (taken) return 0;
        break;
    }
    case WM_MBUTTONDOWN:
        pan_anchor.x = static_cast<short>(LOWORD(lparam));
        pan_anchor.y = static_cast<short>(HIWORD(lparam));
        return 0;
    case WM_MOUSEMOVE:
        if (blocked) return 0;
        stage_tools_of(current_stage).mouse_move(window, static_cast<short>(LOWORD(lparam)),
                                                 static_cast<short>(HIWORD(lparam)), wparam);
        if (wparam & MK_MBUTTON) pan(window, w, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        if ((!projection_windows->next || wheel_seen) && !scale_edit_active) SetFocus(window);
        wheel_seen = 0;
        return 0;
    case WM_RBUTTONDOWN:
        if (!blocked && active_projection_number != w->number)
            SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(window), 0);
        return 0;
    case WM_RBUTTONUP:
        if (blocked) return 0;
        if (GetKeyState(VK_MENU) >= 0 &&
            stage_tools_of(current_stage).right_up(window, static_cast<short>(LOWORD(lparam)),
                                                   static_cast<short>(HIWORD(lparam)), wparam))
            return 0;
        // In the annotation stage an element under the cursor opens its properties.
        if (current_stage == 5 && GetKeyState(VK_MENU) >= 0 &&
            annotation_properties_right_click(w, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))))
            return 0;
        if (current_stage == 4 || (GetKeyState(VK_MENU) < 0 && current_stage >= 1 && current_stage <= 5)) {
            int id = (w->view_flags & view_flag_type_mask) == 8 ? IDM_FRAGMENT_PROPERTIES : IDM_PROJECTION_PROPERTIES;
            PostMessageA(frame_window, WM_COMMAND, id, 0);
        } else if (active_projection_number == w->number) {
            context_menu_open(w, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        }
        return 0;
    case WM_RBUTTONDBLCLK:
        projection_window_toggle_placement(w);
        return 0;
    case WM_MDIACTIVATE:
        if (reinterpret_cast<HWND>(lparam) == window && !activation_in_progress && !blocked) on_activate(w);
        break;
    case WM_SYSCOMMAND:
        if (wparam == IDM_CONTEXT_RAISE_WINDOW) {
            projection_window_toggle_placement(w);
            return 0;
        }
        if ((wparam & 0xFFF0) == SC_CLOSE) {
            if (blocked || !close_asked(window, w)) return 0;
        }
        break;
    case WM_DESTROY:
        destroy(w);
        break;
    case UM_PROJECTION_PROBE:
        switch (wparam) {
        case projection_probe_zoom: return std::lround(w->panel_scale * 1000);
        case projection_probe_offset_x: return std::lround(w->view_offset[0] * 1000.0);
        case projection_probe_offset_y: return std::lround(w->view_offset[1] * 1000.0);
        case projection_probe_primitives: return static_cast<LRESULT>(projection_paint_primitives);
        case projection_probe_bitmap_width: return w->bitmap_size[0];
        case projection_probe_sketch_width: return std::lround(w->sketch_size[0] * 1000.0);
        case projection_probe_number: return static_cast<LRESULT>(w->number);
        case projection_probe_scale_x: return std::lround(w->scale[0] * 1000.0);
        case projection_probe_scale_y: return std::lround(w->scale[1] * 1000.0);
        case projection_probe_shift_x: return std::lround(w->scroll_shift[0] * 1000.0);
        case projection_probe_shift_y: return std::lround(w->scroll_shift[1] * 1000.0);
        case projection_probe_window_flags: return w->window_flags;
        case projection_probe_sketch_sharers: return sketch_share_references(w->sketch_dc);
        default: return -1;
        }
    default:
        break;
    }
    return DefMDIChildProcA(window, message, wparam, lparam);
}
