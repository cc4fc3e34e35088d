// The reference-point stage in the program: its tool panel (dialog 121 and
// the compact 334), the mouse in the projection windows (adding, grabbing,
// dragging and dropping points, Shift marks, Alt deletes), the auxiliary
// line tool with its dialog, the distance tool's dialog, the painting of
// the points and auxiliary lines over the view, and the coordinate
// transformation onto the grid after the units dialog.
#include "shell/point_stage.h"

#include <windows.h>

#include <vector>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/saving.h"
#include "geometry/extents.h"
#include "geometry/dimension_text.h"
#include "geometry/kernel_context.h"
#include "geometry/text_numbers.h"
#include "geometry/units_scale.h"
#include "geometry/transforms.h"
#include "shell/commands.h"
#include "shell/elements_binding.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/file_dialog.h"
#include "shell/help.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/point_properties_dialog.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "render/contours/contour_clip.h"
#include "stages/dimensions/dimension_tools.h"
#include "stages/points_elements/aux_lines.h"
#include "stages/points_elements/element_insert.h"
#include "stages/points_elements/element_marking.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/element_rebuild.h"
#include "stages/points_elements/points.h"
#include "stages/points_elements/point_info.h"
#include "stages/points_elements/point_labels.h"
#include "stages/points_elements/points_control.h"
#include "stages/points_elements/points_distance.h"
#include "stages/points_elements/points_group.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"
#include "store/text_codec.h"

namespace {

HWND point_panel;
int point_tool;
AuxLineTool aux_tool;
uint32_t current_point;

struct Drag {
    bool running = false;
    uint32_t number = 0;
    uint32_t window_number = 0;
    Point2 start{};
    WPARAM keys = 0;
} drag;

// The group of marked points and how the running drag uses it.
PointGroup group;
bool group_drag = false;     // the grabbed point drags the whole group
bool group_turning = false;  // the rotation handle is dragged

// Distance tool: the mode picked in its dialog, its marks and state.
DistanceTool distance_tool;

ViewTransform view_of(const ProjectionWindow* w) {
    ViewTransform t{};
    t.view_offset = {w->view_offset[0], w->view_offset[1]};
    t.scroll_shift = {w->scroll_shift[0], w->scroll_shift[1]};
    t.scale = {w->scale[0], w->scale[1]};
    return t;
}

int mark_half(int axis) {
    int v = settings_i32(axis ? settings_point_mark_half_height_offset : settings_point_mark_half_width_offset);
    return v > 0 && v < 50 ? v : 3;
}

// Pixels around a point within which a click takes it.
int pick_pixels() { return mark_half(0) + 2; }

void repaint(ProjectionWindow* w) {
    if (w && w->window) InvalidateRect(w->window, nullptr, TRUE);
}

PointHooks program_hooks(ProjectionWindow* w) {
    PointHooks h;
    h.ask = [](int code) { return ask_confirmation(frame_window, code, "") != 0; };
    h.message = [](const char* text) { show_program_message(text); };
    h.prompt = [](const char* text) { prompt_show(text); };
    h.checkpoint = [w](uint32_t number) {
        uint16_t description[20] = {};
        text_pack("Удаление точки", description, sizeof description);
        drawing_checkpoint_numbered(1, description, number);
        (void)w;
    };
    h.rebuild = [](unsigned char* projection, uint32_t point) {
        DrawingFile* df = current_drawing_file();
        if (!df) return;
        PointCopy p;
        if (point && point_read(df, projection, point, &p)) {
            std::vector<uint32_t> pictures;
            rebuild_elements_of_point(df, projection, point, p.sketch(), nullptr, &pictures);
            elements_prepare_pictures(projection, pictures);
        } else {
            elements_rebuild_projection(projection, false);
        }
        error_flag = 0;
    };
    h.bind_to_aux_line = [](unsigned char* projection, uint32_t line, uint32_t point) {
        if (DrawingFile* df = current_drawing_file()) bind_point_to_aux_line(df, projection, line, point);
    };
    return h;
}

// Runs op(ctx) on a copy of the window's projection record under the
// document lock and writes the copy back.
template <typename Op>
void with_points(ProjectionWindow* w, Op op) {
    DrawingFile* df = current_drawing_file();
    if (!df || !w) return;
    document_lock_acquire();
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef at = w->record_ref;
    unsigned char* p = record_read_at(df, &at, pb);
    if (p) {
        unsigned char copy[projection_record_max] = {};
        uint32_t len = get_u16(p, record_length);
        if (len > sizeof copy) len = sizeof copy;
        std::memcpy(copy, p, len);
        PointContext ctx;
        ctx.df = df;
        ctx.projection = copy;
        ctx.view = view_of(w);
        ctx.stage = current_stage;
        ctx.current_point = current_point;
        ctx.mark_half_x = mark_half(0);
        ctx.mark_half_y = mark_half(1);
        ctx.hooks = program_hooks(w);
        op(ctx);
        error_flag = 0;
        df = current_drawing_file();
        at = w->record_ref;
        p = df ? record_read_at(df, &at, pb) : nullptr;
        if (p) {
            std::memcpy(p, copy, len);
            pb->clean = 0;
        }
    }
    document_lock_release();
}

// The point information line of the panel: the point's number and its
// positions from the projection's origin point; in the route-length mode
// the routes through the point instead, when it has any.
void show_point_info(const PointCopy* p) {
    if (!point_panel) return;
    if (!p) {
        SetDlgItemTextA(point_panel, IDC_POINTS_INFO, "");
        return;
    }
    std::string text = point_info_text(nullptr, nullptr, *p);
    ProjectionWindow* w = projection_window_find_by_id(drag.window_number);
    if (!w) w = projection_window_active();
    if (w)
        with_points(w, [&](PointContext& ctx) {
            text = point_info_text(ctx.df, ctx.projection, *p);
            if (!point_route_lengths_mode) return;
            std::string routes = route_lengths_text(routes_through_point(ctx.df, ctx.projection, p->number()));
            if (!routes.empty()) text = routes;
        });
    SetDlgItemTextA(point_panel, IDC_POINTS_INFO, text.c_str());
}

bool alt_held() { return GetKeyState(VK_MENU) < 0; }

// Alt+click: the nearest point within the pick distance goes (or, with the
// auxiliary-line tool, the lines through it).
void delete_at(ProjectionWindow* w, int x, int y) {
    bool deleted = false;
    with_points(w, [&](PointContext& ctx) {
        PointCopy p;
        if (!ref_point_hit_test(ctx, x, y, pick_pixels(), &p)) return;
        if (point_tool == IDC_POINTS_AUX_LINES) {
            deleted = aux_lines_delete_near(ctx, p.sketch()) > 0;
            return;
        }
        deleted = ref_point_delete(ctx, p.number()) > 0;
        if (deleted && p.number() == current_point) {
            current_point = 0;
            show_point_info(nullptr);
        }
    });
    if (deleted) repaint(w);
}

void delete_pending_elsewhere(uint32_t projection, RecordRef) {
    ProjectionWindow* other = projection_window_find_by_id(projection);
    if (!other) return;
    with_points(other, [](PointContext& ctx) { aux_line_drop_pending(aux_tool, ctx); });
    repaint(other);
}

// The units of the drawing to model lengths of the projection.
double typed_to_model(const unsigned char* projection, double value) {
    return nominal_to_view_length(projection, value, 0);
}

// A click of the distance tool: marks the base, the centre or a point to
// place; a point to place enables "Да" and fills an empty edit with its
// present measure.
void distance_click(ProjectionWindow* w, int x, int y) {
    uint32_t previous = distance_tool.projection;
    bool marked = false;
    double measure = 0;
    bool measured = false;
    with_points(w, [&](PointContext& ctx) {
        PointCopy p;
        if (!ref_point_hit_test(ctx, x, y, pick_pixels(), &p)) return;
        distance_tool_click(distance_tool, ctx, p, &marked);
        if (marked) measured = distance_present_measure(ctx, distance_tool.mode, p, &measure);
        if (measured && distance_tool.mode != distance_angle) {
            double unit = typed_to_model(ctx.projection, 1.0);
            if (unit > 0) measure /= unit;
        }
    });
    if (previous && previous != distance_tool.projection) {
        ProjectionWindow* other = projection_window_find_by_id(previous);
        if (other) {
            with_points(other, [](PointContext& ctx) { points_unmark_all(ctx); });
            repaint(other);
        }
    }
    if (point_panel && marked) {
        EnableWindow(GetDlgItem(point_panel, IDC_POINTS_APPLY), TRUE);
        char text[64] = {};
        GetDlgItemTextA(point_panel, IDC_POINTS_VALUE, text, sizeof text);
        if (!text[0] && measured) {
            format_number_by_magnitude(text, sizeof text, measure);
            SetDlgItemTextA(point_panel, IDC_POINTS_VALUE, text);
        }
    }
    repaint(w);
}

// "Да" of the distance tool: the typed value (a number, or an angle with
// its marks) places the marked points.  A text that is no number is
// refused and nothing moves.
void place_at_typed_value(HWND panel) {
    char text[64] = {};
    GetDlgItemTextA(panel, IDC_POINTS_VALUE, text, sizeof text);
    for (char& c : text)
        if (c == ',') c = '.';
    double value;
    if (distance_tool.mode == distance_angle) {
        value = parse_angle(text, nullptr);
        bool digit = false;
        for (const char* c = text; *c; ++c) digit = digit || (*c >= '0' && *c <= '9');
        if (!digit || !std::isfinite(value)) value = NAN;
    } else {
        char* end = nullptr;
        value = std::strtod(text, &end);
        while (end && (*end == ' ' || *end == '\t')) ++end;
        if (!end || end == text || *end) value = NAN;
    }
    if (!std::isfinite(value) || value < 0) {
        show_program_message("Расстояние задано неверно");
        SetFocus(GetDlgItem(panel, IDC_POINTS_VALUE));
        return;
    }
    ProjectionWindow* w = projection_window_find_by_id(distance_tool.projection);
    if (!w) return;
    uint16_t description[20] = {};
    text_pack("Размещение точек", description, sizeof description);
    drawing_checkpoint_numbered(1, description, w->number);
    with_points(w, [&](PointContext& ctx) {
        double a = distance_tool.mode == distance_angle ? value : typed_to_model(ctx.projection, value);
        // The marks go with the placing: the points of the placement
        // dimensions are taken first.
        uint32_t base = 0, centre = 0;
        std::vector<uint32_t> placed;
        for (const PointCopy& p : points_of_projection(ctx.df, ctx.projection)) {
            if (p.mark() == distance_mark_base) base = p.number();
            else if (p.mark() == distance_mark_centre) centre = p.number();
            else if (p.mark() == distance_mark_place) placed.push_back(p.number());
        }
        if (place_marked_points_at_distance(ctx, distance_tool.mode, a) > 0 && distance_tool.dimensions)
            for (uint32_t n : placed) add_placement_dimension(ctx.df, ctx.projection, distance_tool.mode, base, n, centre);
    });
    distance_tool.state = 0;
    SetDlgItemTextA(panel, IDC_POINTS_VALUE, "");
    EnableWindow(GetDlgItem(panel, IDC_POINTS_APPLY), FALSE);
    prompt_show(distance_first_prompt(distance_tool.mode));
    repaint(w);
}

// The break tool: the element drawn under the click is broken there and a
// new reference point put at the break.  The pick square is the click's
// pixel and its neighbours, widened by 0.6 sheet millimetres on each side;
// its diagonals are the probes.  Bar outlines take no point.
void break_element_click(ProjectionWindow* w, int x, int y) {
    ViewTransform t = view_of(w);
    Point2 at{}, a{}, b{};
    view_pixel_to_point(&t, x, y, &at);
    view_pixel_to_point(&t, x - 1, y - 1, &a);
    view_pixel_to_point(&t, x + 1, y + 1, &b);
    double widen = std::fabs(sheet_to_model_length(0.6));
    double x0 = std::fmin(a.x, b.x) - widen, x1 = std::fmax(a.x, b.x) + widen;
    double y0 = std::fmin(a.y, b.y) - widen, y1 = std::fmax(a.y, b.y) + widen;
    int inserted = 0;
    with_points(w, [&](PointContext& ctx) {
        double reach = std::fabs(view_pixels_to_length_x(&t, static_cast<float>(pick_pixels())));
        uint32_t number = element_hit_test(ctx.df, ctx.projection, at, reach, w->visible_layers);
        if (!number) return;
        RecordRef* head = projection_chain(ctx.projection, projection_elements);
        PageBuffer* eb = &page_buffers[table_elements];
        RecordRef element = 0;
        for (unsigned char* r = record_next(ctx.df, head, nullptr, eb); r && !element; r = record_next(ctx.df, head, r, eb)) {
            if (get_u32(r, element_number) != number) continue;
            if (get_u16(r, element_options) & element_opt_bar_outline) return;
            if (get_u16(r, element_flags) & element_flag_screen_piece) continue;
            element = record_ref_of(eb, r);
        }
        if (!element) return;
        InsertionContext ic;
        ic.df = ctx.df;
        ic.projection = ctx.projection;
        ic.probes[0] = {{x0, y0}, {x1, y1}};
        ic.probes[1] = {{x0, y1}, {x1, y0}};
        ic.same_pixel = [&t](Point2 p, Point2 q) {
            return view_x_to_pixel(&t, p.x) == view_x_to_pixel(&t, q.x) &&
                   view_y_to_pixel(&t, p.y) == view_y_to_pixel(&t, q.y);
        };
        ic.checkpoint = [](unsigned char* projection) {
            drawing_checkpoint(1, default_undo_description());
            return projection;
        };
        ic.prompt = [](const char* text) { prompt_show(text); };
        InsertionResult result;
        inserted = insert_point_into_element(ic, element, &result);
        if (inserted > 0) {
            put_u16(ctx.projection, projection_flags,
                    static_cast<uint16_t>(get_u16(ctx.projection, projection_flags) | projection_word_changed));
            PointCopy p;
            if (point_read(ctx.df, ctx.projection, result.point, &p))
                projection_extend_frame_to_point(ctx.projection, p.bytes);
            if (get_u32(ctx.projection, projection_contours)) rebuild_view_screening(ctx.projection);
        }
    });
    if (inserted != 0) repaint(w);
}

void show_control_value(ProjectionWindow* w);

// Whether the group of marked points belongs to the window's projection
// (and still has two places).
bool group_active_in(ProjectionWindow* w) {
    if (!w || !group.projection) return false;
    uint32_t key = 0;
    with_points(w, [&](PointContext& ctx) { key = get_u32(ctx.projection, record_key); });
    return key == group.projection;
}

int left_down(HWND window, int x, int y, WPARAM keys) {
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w || !point_tool) return 1;
    if (alt_held()) {
        delete_at(w, x, y);
        return 1;
    }
    switch (point_tool) {
    case IDC_POINTS_FIND:
        return 1;
    case IDC_POINTS_BREAK_ELEMENT:
        break_element_click(w, x, y);
        return 1;
    case IDC_POINTS_AT_DISTANCE:
        distance_click(w, x, y);
        return 1;
    case IDC_POINTS_AUX_LINES:
        with_points(w, [&](PointContext& ctx) {
            PointCopy p;
            if (ref_point_hit_test(ctx, x, y, pick_pixels(), &p))
                aux_line_click(aux_tool, ctx, p, delete_pending_elsewhere);
        });
        repaint(w);
        return 1;
    default:
        break;
    }
    bool control = point_tool == IDC_POINTS_CONTROL_DISTANCE || point_tool == IDC_POINTS_CONTROL_ANGLE;
    bool grabbed = false;
    PointCopy picked{};
    group_drag = group_turning = false;
    // In group mode the rotation handle is taken when the click is nearer
    // it than any point's pick distance.
    if (point_tool == IDC_POINTS_MOVE && !(keys & MK_SHIFT) && group_active_in(w)) {
        ViewTransform t = view_of(w);
        int hx = view_x_to_pixel(&t, group.handle.x), hy = view_y_to_pixel(&t, group.handle.y);
        if (std::abs(hx - x) <= pick_pixels() + 2 && std::abs(hy - y) <= pick_pixels() + 2) {
            group_turning = true;
            drag.running = true;
            drag.number = 0;
            drag.window_number = w->number;
            drag.start = group.handle;
            drag.keys = keys;
            uint16_t description[20] = {};
            text_pack("Поворот точек", description, sizeof description);
            drawing_checkpoint_numbered(1, description, 0);
            SetCapture(window);
            return 1;
        }
    }
    with_points(w, [&](PointContext& ctx) {
        if (point_tool == IDC_POINTS_MOVE && ref_point_hit_test(ctx, x, y, pick_pixels(), &picked)) {
            grabbed = true;
            if (keys & MK_SHIFT) {
                if (picked.flags() & point_flag_control) return;
                uint16_t f = picked.flags();
                f = static_cast<uint16_t>((f & ~point_flag_marks) | ((f & point_flag_marks) ? 0 : 0x40));
                picked.set_flags(f);
                point_write(ctx.df, ctx.projection, picked);
                int count = group_marked_points(ctx.df, ctx.projection, &group);
                char text[60];
                std::snprintf(text, sizeof text, "Помечено %i точек", count);
                prompt_show(text);
                return;
            }
            if ((picked.flags() & point_flag_fixed) && !(keys & MK_CONTROL)) {
                show_program_message("Эту точку нельзя перемещать!");
                return;
            }
            picked.set_flags2(static_cast<uint16_t>(picked.flags2() & ~point_flag2_grabbed));
            point_write(ctx.df, ctx.projection, picked);
            drag.running = true;
            drag.number = picked.number();
            drag.window_number = w->number;
            drag.start = picked.sketch();
            drag.keys = keys;
            current_point = picked.number();
            group_drag = group_active_in(w) && picked.mark() == 0x40;
            return;
        }
        uint32_t number = 0;
        if (ref_point_create(ctx, x, y, control, &number) && number) {
            PointCopy made;
            if (point_read(ctx.df, ctx.projection, number, &made)) {
                current_point = number;
                picked = made;
                grabbed = true;
            }
        }
    });
    if (drag.running) {
        uint16_t description[20] = {};
        text_pack("Перемещение точки", description, sizeof description);
        drawing_checkpoint_numbered(1, description, drag.number);
        SetCapture(window);
    }
    if (grabbed) show_point_info(&picked);
    if (control && grabbed) show_control_value(w);
    repaint(w);
    return 1;
}

int mouse_move(HWND window, int x, int y, WPARAM keys) {
    if (!drag.running) return 0;
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w || w->number != drag.window_number || !(keys & MK_LBUTTON)) return 0;
    with_points(w, [&](PointContext& ctx) {
        Point2 at;
        view_pixel_to_point(&ctx.view, x, y, &at);
        if (group_turning) {
            // The group turns about its centre with the handle.
            double angle = std::atan2(at.y - group.centre.y, at.x - group.centre.x);
            double was = std::atan2(group.handle.y - group.centre.y, group.handle.x - group.centre.x);
            group_rotate(ctx.df, ctx.projection, group.centre, angle - was);
            group.handle = at;
            char text[80] = "Угол поворота ";
            size_t used = std::strlen(text);
            format_dimension_value(text + used, sizeof text - used, 1.5707963267948966 - angle, 3, 0);
            prompt_show(text);
            return;
        }
        PointCopy p;
        if (!point_read(ctx.df, ctx.projection, drag.number, &p)) return;
        Point2 delta{at.x - p.sketch().x, at.y - p.sketch().y};
        p.set_sketch(at);
        point_write(ctx.df, ctx.projection, p);
        if (group_drag) {
            group_move(ctx.df, ctx.projection, delta, p.number());
            group.centre = {group.centre.x + delta.x, group.centre.y + delta.y};
            group.handle = {group.handle.x + delta.x, group.handle.y + delta.y};
        }
    });
    repaint(w);
    return 1;
}

int left_up(HWND window, int x, int y, WPARAM) {
    if (!drag.running) return 0;
    drag.running = false;
    if (GetCapture() == window) ReleaseCapture();
    ProjectionWindow* w = projection_window_find_by_id(drag.window_number);
    if (!w) return 1;
    (void)x;
    (void)y;
    PointCopy dropped{};
    bool found = false;
    if (group_drag || group_turning) {
        // The whole group is dropped: true positions, auxiliary lines, no
        // grid.
        with_points(w, [&](PointContext& ctx) {
            group_drop(ctx);
            put_u16(ctx.projection, projection_flags,
                    static_cast<uint16_t>(get_u16(ctx.projection, projection_flags) | projection_word_changed));
            found = drag.number && point_read(ctx.df, ctx.projection, drag.number, &dropped);
        });
        group_drag = group_turning = false;
        w->window_flags |= window_flag_changed;
        if (found) show_point_info(&dropped);
        repaint(w);
        return 1;
    }
    with_points(w, [&](PointContext& ctx) {
        DropOptions o;
        o.ctrl = (drag.keys & MK_CONTROL) != 0;
        if (ref_point_drop(ctx, drag.number, drag.start, o) < 0) return;
        found = point_read(ctx.df, ctx.projection, drag.number, &dropped);
        put_u16(ctx.projection, projection_flags,
                static_cast<uint16_t>(get_u16(ctx.projection, projection_flags) | projection_word_changed));
    });
    w->window_flags |= window_flag_changed;
    show_point_info(found ? &dropped : nullptr);
    repaint(w);
    return 1;
}

// ---------------------------------------------------------------- painting
COLORREF state_colour(int state) {
    static const COLORREF colours[4] = {RGB(0, 160, 0), RGB(0, 0, 255), RGB(255, 128, 0), RGB(0, 0, 0)};
    return colours[state & 3];
}

void paint_over(HWND window, HDC dc) {
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    DrawingFile* df = current_drawing_file();
    if (!w || !df) return;
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef at = w->record_ref;
    unsigned char* rec = record_read_at(df, &at, pb);
    if (!rec) return;
    unsigned char copy[projection_record_max] = {};
    uint32_t len = get_u16(rec, record_length);
    std::memcpy(copy, rec, len < sizeof copy ? len : sizeof copy);
    ViewTransform t = view_of(w);
    RECT client;
    GetClientRect(window, &client);
    int hx = mark_half(0), hy = mark_half(1);
    COLORREF point_colour = settings_u32(settings_point_colour_offset);
    COLORREF marked_colour = settings_u32(settings_marked_colour_offset);

    // Auxiliary lines: the part of each line inside the client rectangle.
    HPEN anchored_pen = CreatePen(PS_DOT, 1, RGB(0, 0, 192));
    HPEN free_pen = CreatePen(PS_DOT, 1, RGB(128, 128, 128));
    HGDIOBJ old_pen = SelectObject(dc, free_pen);
    int old_bk = SetBkMode(dc, TRANSPARENT);
    RecordRef* ch = projection_chain(copy, projection_construction);
    PageBuffer* cb = &page_buffers[table_construction];
    for (unsigned char* r = record_next(df, ch, nullptr, cb); r && !error_flag; r = record_next(df, ch, r, cb)) {
        if (get_u16(r, record_length) < aux_line_record_size || r[record_kind] != construction_kind_aux_line) continue;
        double x1 = get_f64(r, aux_line_x1), y1 = get_f64(r, aux_line_y1);
        double x2 = get_f64(r, aux_line_x2), y2 = get_f64(r, aux_line_y2);
        if (x1 == x2 && y1 == y2) continue;
        int px1 = view_x_to_pixel(&t, x1), py1 = view_y_to_pixel(&t, y1);
        int px2 = view_x_to_pixel(&t, x2), py2 = view_y_to_pixel(&t, y2);
        double dx = px2 - px1, dy = py2 - py1;
        if (dx == 0 && dy == 0) {
            // Closer than a pixel on the screen: the direction from the model.
            dx = (x2 - x1) * t.scale.x;
            dy = (y2 - y1) * t.scale.y;
        }
        double n = std::hypot(dx, dy);
        double reach = std::hypot(client.right, client.bottom) + std::abs(px1) + std::abs(py1) + 1;
        SelectObject(dc, (r[construction_flags] & aux_line_anchored) ? anchored_pen : free_pen);
        MoveToEx(dc, static_cast<int>(px1 - dx / n * reach), static_cast<int>(py1 - dy / n * reach), nullptr);
        LineTo(dc, static_cast<int>(px1 + dx / n * reach), static_cast<int>(py1 + dy / n * reach));
    }
    error_flag = 0;

    // Points: a box in the colour of the mark, filled by the dimensioning
    // state; a control point a cross; the number beside when asked.
    HPEN mark_pens[4] = {CreatePen(PS_SOLID, 1, point_colour), CreatePen(PS_SOLID, 2, marked_colour),
                         CreatePen(PS_SOLID, 2, RGB(255, 0, 255)), CreatePen(PS_SOLID, 2, RGB(255, 0, 0))};
    COLORREF old_text = SetTextColor(dc, point_colour);
    for (const PointCopy& p : points_of_projection(df, copy)) {
        uint16_t f = p.flags();
        if ((f & point_flag_hidden) || (p.flags2() & (point_flag2_hidden_a | point_flag2_hidden_b)) ==
                                           (point_flag2_hidden_a | point_flag2_hidden_b))
            continue;
        int px = view_x_to_pixel(&t, p.sketch().x), py = view_y_to_pixel(&t, p.sketch().y);
        int bx = (f & point_flag_big_mark) ? 2 * hx : hx, by = (f & point_flag_big_mark) ? 2 * hy : hy;
        if (f & point_flag_control) {
            SelectObject(dc, mark_pens[3]);
            MoveToEx(dc, px - bx, py, nullptr);
            LineTo(dc, px + bx + 1, py);
            MoveToEx(dc, px, py - by, nullptr);
            LineTo(dc, px, py + by + 1);
            continue;
        }
        HBRUSH fill = CreateSolidBrush((f & point_flag_no_dimension) ? RGB(255, 0, 255) : state_colour(f & point_flag_state));
        SelectObject(dc, mark_pens[(f & point_flag_marks) >> 6]);
        HGDIOBJ old_brush = SelectObject(dc, fill);
        Rectangle(dc, px - bx, py - by, px + bx + 1, py + by + 1);
        SelectObject(dc, old_brush);
        DeleteObject(fill);
        if (f & point_flag_show_number) {
            char text[16];
            std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(p.number()));
            int len = static_cast<int>(std::strlen(text));
            SIZE size{};
            GetTextExtentPoint32A(dc, text, len, &size);
            // The label colour as the device shows it (set and read back on
            // the centre pixel); a place whose box shows it holds another
            // label.
            COLORREF under = GetPixel(dc, px, py);
            COLORREF label = SetPixel(dc, px, py, point_colour);
            if (under != CLR_INVALID) SetPixel(dc, px, py, under);
            if (label == static_cast<COLORREF>(-1)) label = point_colour;
            LabelPlace at = point_label_choose(px, py, bx, by, size.cx, size.cy,
                                               [&](int x, int y) { return GetPixel(dc, x, y) == label; });
            UINT align = SetTextAlign(dc, TA_LEFT | TA_BASELINE);
            TextOutA(dc, at.x, at.y, text, len);
            SetTextAlign(dc, align);
        }
    }
    // The rotation handle of the group: a line from the handle to the
    // centre, an X at the centre and a box at the handle.
    if (group.projection && group.projection == get_u32(copy, record_key)) {
        SelectObject(dc, mark_pens[1]);
        int cx = view_x_to_pixel(&t, group.centre.x), cy = view_y_to_pixel(&t, group.centre.y);
        int gx = view_x_to_pixel(&t, group.handle.x), gy = view_y_to_pixel(&t, group.handle.y);
        MoveToEx(dc, gx, gy, nullptr);
        LineTo(dc, cx, cy);
        MoveToEx(dc, cx - 3, cy - 3, nullptr);
        LineTo(dc, cx + 4, cy + 4);
        MoveToEx(dc, cx - 3, cy + 3, nullptr);
        LineTo(dc, cx + 4, cy - 4);
        HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, gx - 4, gy - 4, gx + 5, gy + 5);
        SelectObject(dc, old_brush);
    }
    error_flag = 0;
    SetTextColor(dc, old_text);
    SetBkMode(dc, old_bk);
    SelectObject(dc, old_pen);
    for (HPEN p : mark_pens) DeleteObject(p);
    DeleteObject(anchored_pen);
    DeleteObject(free_pen);
}

// ---------------------------------------------------------------- dialogs
INT_PTR CALLBACK aux_line_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        aux_tool.mode = aux_mode_horizontal;
        CheckRadioButton(dialog, IDC_AUX_VERTICAL, IDC_AUX_TWO_POINTS, IDC_AUX_HORIZONTAL);
        CheckDlgButton(dialog, IDC_POINTS_MAKE_DIMENSIONS, aux_tool.anchored ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_AUX_HORIZONTAL: aux_tool.mode = aux_mode_horizontal; break;
        case IDC_AUX_VERTICAL: aux_tool.mode = aux_mode_vertical; break;
        case IDC_AUX_TWO_POINTS: aux_tool.mode = aux_mode_two_points; break;
        case IDC_POINTS_MAKE_DIMENSIONS:
            aux_tool.anchored = IsDlgButtonChecked(dialog, IDC_POINTS_MAKE_DIMENSIONS) == BST_CHECKED;
            return TRUE;
        case IDC_POINTS_HELP:
            help_open(26);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wparam));
            return TRUE;
        default:
            return FALSE;
        }
        prompt_show(aux_line_mode_prompt(aux_tool.mode));
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK distance_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    static const struct {
        int id;
        const char* prompt;
    } modes[] = {{IDC_DISTANCE_ALONG_Y, "*первую точку расстояния вдоль оси Y"},
                 {IDC_DISTANCE_ALONG_X, "*первую точку расстояния вдоль оси X"},
                 {IDC_DISTANCE_FROM_LINE, "*точку на оси"},
                 {IDC_DISTANCE_ANGLE, "*первую точку угла"}};
    switch (message) {
    case WM_INITDIALOG:
        distance_tool.mode = distance_along_x;
        distance_tool.state = 0;
        CheckRadioButton(dialog, IDC_DISTANCE_ALONG_Y, IDC_DISTANCE_ANGLE, IDC_DISTANCE_ALONG_X);
        CheckDlgButton(dialog, IDC_POINTS_MAKE_DIMENSIONS, distance_tool.dimensions ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        for (const auto& m : modes) {
            if (m.id != id) continue;
            distance_tool.mode = id;
            prompt_show(m.prompt);
            return TRUE;
        }
        if (id == IDC_POINTS_MAKE_DIMENSIONS) {
            distance_tool.dimensions = IsDlgButtonChecked(dialog, IDC_POINTS_MAKE_DIMENSIONS) == BST_CHECKED;
            return TRUE;
        }
        if (id == IDC_POINTS_HELP) {
            help_open(27);
            return TRUE;
        }
        if (id == IDOK || id == IDCANCEL) {
            EndDialog(dialog, id);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------- panel
struct ToolPrompt {
    int id;
    const char* prompt;
};
const ToolPrompt tool_prompts[] = {
    {IDC_POINTS_MOVE, "Точки можно перемещать"},
    {IDC_POINTS_ADD, "*новые опорные точки на проекции"},
    {IDC_POINTS_BREAK_ELEMENT, "*новую точку на элементе графики"},
    {IDC_POINTS_AUX_LINES, "*тип вспомогательной линии"},
    {IDC_POINTS_AT_DISTANCE, "+расстояние между точками"},
    {IDC_POINTS_CONTROL_DISTANCE, "*две точки на эскизе и задайте расстояние"},
    {IDC_POINTS_CONTROL_ANGLE, "*две точки на эскизе и задайте угол"},
    {IDC_POINTS_FIND, "*номер точки и нажмите \"Да\""},
};

// The window the control tools work in: the window of the last click.
ProjectionWindow* control_window() {
    ProjectionWindow* w = projection_window_find_by_id(drag.window_number);
    return w ? w : projection_window_active();
}

bool control_tool(int tool) { return tool == IDC_POINTS_CONTROL_DISTANCE || tool == IDC_POINTS_CONTROL_ANGLE; }

// Once the second control point stands: "Да" is offered, with the distance
// between the control points or the slope of the vector between them.
void show_control_value(ProjectionWindow* w) {
    if (!point_panel || !control_tool(point_tool)) return;
    Point2 at[2];
    bool two = false;
    with_points(w, [&](PointContext& ctx) { two = control_points_read(ctx.df, ctx.projection, at); });
    if (!two) return;
    EnableWindow(GetDlgItem(point_panel, IDC_POINTS_APPLY), TRUE);
    char text[64];
    if (point_tool == IDC_POINTS_CONTROL_ANGLE) {
        SetDlgItemTextA(point_panel, IDC_POINTS_VALUE_LABEL, "Наклон вектора");
        format_dimension_value(text, sizeof text, control_value_shown(at, true), 3, 0);
    } else {
        format_number_by_magnitude(text, sizeof text, control_value_shown(at, false));
    }
    SetDlgItemTextA(point_panel, IDC_POINTS_VALUE, text);
}

// The panel's field with a control tool: the control distance (empty when
// none), or "Угол поворота" and minus the sketch rotation.
void refresh_control_field(HWND panel) {
    ProjectionWindow* w = control_window();
    double distance = 0, rotation = 0;
    with_points(w, [&](PointContext& ctx) {
        distance = get_f64(ctx.projection, projection_control_distance);
        rotation = get_f64(ctx.projection, projection_sketch_rotation);
    });
    char text[64] = "";
    if (point_tool == IDC_POINTS_CONTROL_ANGLE) {
        SetDlgItemTextA(panel, IDC_POINTS_VALUE_LABEL, "Угол поворота");
        format_dimension_value(text, sizeof text, -rotation, 3, 0);
    } else if (distance != 0) {
        format_number_by_magnitude(text, sizeof text, distance);
    }
    SetDlgItemTextA(panel, IDC_POINTS_VALUE, text);
}

// Leaving a control tool: its control points go and their count is 0.
void drop_control_points() {
    ProjectionWindow* w = control_window();
    with_points(w, [](PointContext& ctx) {
        for (const PointCopy& p : points_of_projection(ctx.df, ctx.projection))
            if (p.flags() & point_flag_control) ref_point_delete(ctx, p.number());
        put_u16(ctx.projection, projection_flags,
                static_cast<uint16_t>(get_u16(ctx.projection, projection_flags) & ~projection_word_control_count));
    });
    repaint(w);
}

// The field left with the distance tool: the control distance typed; 0
// drops the calibration.  With the angle tool the text is shown as an angle.
void control_field_left(HWND panel) {
    char text[64] = {};
    GetDlgItemTextA(panel, IDC_POINTS_VALUE, text, sizeof text);
    if (point_tool == IDC_POINTS_CONTROL_ANGLE) {
        int kind = 0;
        double a = parse_angle(text, &kind);
        char shown[64];
        format_dimension_value(shown, sizeof shown, std::isfinite(a) ? a : 0, 3, 0);
        SetDlgItemTextA(panel, IDC_POINTS_VALUE, shown);
        return;
    }
    for (char& c : text)
        if (c == ',') c = '.';
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (!end || end == text || !std::isfinite(v)) return;
    ProjectionWindow* w = control_window();
    bool reopen = false;
    with_points(w, [&](PointContext& ctx) {
        double scale = w->sketch_factor;
        control_distance_set(ctx.projection, v, &scale);
        reopen = scale != w->sketch_factor;
    });
    if (reopen && w) PostMessageA(frame_window, UM_REOPEN_PROJECTION_WINDOW, 0, reinterpret_cast<LPARAM>(w));
}

// "Да" with a control tool: the value applied, the window opened again on
// the scaled or turned sketch.
void apply_control_value(HWND panel) {
    ProjectionWindow* w = control_window();
    if (!w) return;
    char text[64] = {};
    GetDlgItemTextA(panel, IDC_POINTS_VALUE, text, sizeof text);
    int kind = 0;
    double typed = parse_angle(text, &kind);
    bool angle = point_tool == IDC_POINTS_CONTROL_ANGLE;
    // The distance in the field is the control distance, as when the
    // field is left.
    if (!angle) control_field_left(panel);
    int rc = 0;
    with_points(w, [&](PointContext& ctx) {
        drawing_checkpoint(1, default_undo_description());
        double scale = w->sketch_factor;
        rc = control_value_apply(ctx, angle, std::isfinite(typed) ? typed : 0, &scale);
    });
    EnableWindow(GetDlgItem(panel, IDC_POINTS_APPLY), FALSE);
    repaint(w);
    if (rc <= 0) return;
    if (angle && IsZoomed(w->window)) ShowWindow(w->window, SW_RESTORE);
    PostMessageA(frame_window, UM_REOPEN_PROJECTION_WINDOW, 0, reinterpret_cast<LPARAM>(w));
}

// Command 154: the list of the marked points of the active projection
// window, in a text file the user names.  A file that cannot be written
// gets the program's message with the file's name.
void save_marked_points(HWND panel) {
    ProjectionWindow* w = projection_window_active();
    if (!w) return;
    char path[MAX_PATH] = "";
    OPENFILENAMEA o;
    file_dialog_init(&o, panel, path, sizeof path);
    o.lpstrFilter = "Текстовые файлы (*.txt)\0*.txt\0";
    o.lpstrTitle = "Сохранить список помеченных точек";
    o.Flags |= OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameA(&o)) return;
    std::string list;
    with_points(w, [&](PointContext& ctx) { list = marked_points_list(ctx.df, ctx.projection); });
    std::string name = marked_points_file_name(path);
    FILE* f = std::fopen(name.c_str(), "wt");
    bool written = f && std::fputs(list.c_str(), f) >= 0;
    if (f && std::fclose(f) != 0) written = false;
    if (!written) {
        static char detail[MAX_PATH + 16];
        std::snprintf(detail, sizeof detail, "%s", name.c_str());
        error_stack_push(detail);
        show_program_message(f ? "$записи в файл" : "$открытия файла");
    }
}

// Leaving a tool: a pending two-point line of the auxiliary-line tool goes.
void leave_tool() {
    if (control_tool(point_tool)) drop_control_points();
    group = PointGroup();
    if (point_tool == IDC_POINTS_AT_DISTANCE && distance_tool.projection) {
        ProjectionWindow* w = projection_window_find_by_id(distance_tool.projection);
        if (w) {
            with_points(w, [](PointContext& ctx) { points_unmark_all(ctx); });
            repaint(w);
        }
        distance_tool.state = 0;
        distance_tool.projection = 0;
    }
    if (aux_tool.pending_projection) {
        ProjectionWindow* w = projection_window_find_by_id(aux_tool.pending_projection);
        if (w) {
            with_points(w, [](PointContext& ctx) { aux_line_drop_pending(aux_tool, ctx); });
            repaint(w);
        }
        aux_tool.pending = 0;
        aux_tool.pending_projection = 0;
    }
}

void choose_tool(HWND panel, int id) {
    leave_tool();
    point_tool = id;
    for (const ToolPrompt& t : tool_prompts)
        if (t.id == id) prompt_show(t.prompt);
    bool edit = id == IDC_POINTS_AT_DISTANCE || id == IDC_POINTS_FIND || id == IDC_POINTS_CONTROL_DISTANCE ||
                id == IDC_POINTS_CONTROL_ANGLE;
    EnableWindow(GetDlgItem(panel, IDC_POINTS_VALUE), edit);
    SetDlgItemTextA(panel, IDC_POINTS_VALUE_LABEL, id == IDC_POINTS_FIND ? "Номер точки" : "");
    if (id == IDC_POINTS_AUX_LINES)
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_AUX_LINE_TYPE), frame_window,
                        aux_line_dialog_proc, 0);
    else if (id == IDC_POINTS_AT_DISTANCE)
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_POINTS_DISTANCE), frame_window,
                        distance_dialog_proc, 0);
    EnableWindow(GetDlgItem(panel, IDC_POINTS_APPLY), id == IDC_POINTS_FIND);
    if (id == IDC_POINTS_AT_DISTANCE) SetDlgItemTextA(panel, IDC_POINTS_VALUE, "");
    if (control_tool(id)) refresh_control_field(panel);
}

// "Да" with the find tool: the point of that number gets its number shown
// and every other point of its projection loses it.
void find_point_by_number(HWND panel) {
    char text[40] = {};
    GetDlgItemTextA(panel, IDC_POINTS_VALUE, text, sizeof text);
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (!end || end == text || !std::isfinite(v) || v < 1 || v > 4294967295.0) return;
    uint32_t n = static_cast<uint32_t>(v);
    for (ProjectionWindow* w = projection_windows; w; w = w->next) {
        bool found = false;
        with_points(w, [&](PointContext& ctx) {
            PointCopy p;
            if (!point_read(ctx.df, ctx.projection, n, &p)) return;
            found = true;
            for (PointCopy q : points_of_projection(ctx.df, ctx.projection)) {
                uint16_t f = q.number() == n ? static_cast<uint16_t>(q.flags() | point_flag_show_number)
                                             : static_cast<uint16_t>(q.flags() & ~point_flag_show_number);
                if (f == q.flags()) continue;
                q.set_flags(f);
                point_write(ctx.df, ctx.projection, q);
            }
        });
        if (found) {
            repaint(w);
            return;
        }
    }
}

INT_PTR CALLBACK point_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        point_panel = dialog;
        point_tool = 0;
        SetDlgItemTextA(dialog, IDC_POINTS_VALUE, "");
        SetDlgItemTextA(dialog, IDC_POINTS_VALUE_LABEL, "");
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        for (const ToolPrompt& t : tool_prompts) {
            if (t.id != id || HIWORD(wparam) != BN_CLICKED) continue;
            // The tools' ids are scattered, and the value field, "Да" and
            // the information line lie between them: each radio by itself.
            for (const ToolPrompt& other : tool_prompts)
                CheckDlgButton(dialog, other.id, other.id == id ? BST_CHECKED : BST_UNCHECKED);
            choose_tool(dialog, id);
            return TRUE;
        }
        if (id == IDM_POINTS_SAVE_MARKED) {
            save_marked_points(dialog);
            return TRUE;
        }
        if (id == IDM_POINTS_PROPERTIES) {
            // The context menu's "Свойства точки": the current point of the
            // window it was last taken in.
            ProjectionWindow* w = projection_window_find_by_id(drag.window_number);
            if (!w) w = projection_window_active();
            if (!w || !current_point) {
                prompt_show("Нет текущей точки");
                return TRUE;
            }
            current_point = point_properties_dialog(w, current_point);
            with_points(w, [](PointContext& ctx) {
                PointCopy p;
                if (point_read(ctx.df, ctx.projection, current_point, &p)) show_point_info(&p);
            });
            return TRUE;
        }
        if (id == IDC_POINTS_VALUE && HIWORD(wparam) == EN_KILLFOCUS && control_tool(point_tool)) {
            control_field_left(dialog);
            return TRUE;
        }
        if (id == IDC_POINTS_APPLY && HIWORD(wparam) == BN_CLICKED) {
            if (control_tool(point_tool)) apply_control_value(dialog);
            else if (point_tool == IDC_POINTS_FIND) find_point_by_number(dialog);
            else if (point_tool == IDC_POINTS_AT_DISTANCE) place_at_typed_value(dialog);
            return TRUE;
        }
        return FALSE;
    }
    case WM_DESTROY:
        if (point_panel == dialog) {
            leave_tool();
            point_panel = nullptr;
            point_tool = 0;
            drag.running = false;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

int current_point_tool() { return point_tool; }

// After the units dialog: every point of every projection onto the grid,
// the elements rebuilt, the windows repainted.
void snap_all_points_to_grid() {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    if (get_f32(df->header, header_grid_x) == 0 && get_f32(df->header, header_grid_y) == 0) return;
    for (ProjectionWindow* w = projection_windows; w; w = w->next) {
        with_points(w, [](PointContext& ctx) {
            if (projection_snap_points_to_grid(ctx) > 0) {
                elements_rebuild_projection(ctx.projection, false);
                projection_compute_extents(ctx.projection, 0);
            }
        });
        repaint(w);
    }
    prompt_show("Выполнено преобразование координат");
}

}  // namespace

void point_stage_bind() {
    StageTools& row = stage_tools[1];
    row.panel_procedure = point_panel_proc;
    row.left_down = left_down;
    row.left_up = left_up;
    row.mouse_move = mouse_move;
    row.paint_over = paint_over;
    point_tool_hook = current_point_tool;
    command_seams.snap_all_points_to_grid = snap_all_points_to_grid;
}
