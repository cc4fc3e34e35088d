// Element drawing: element pens, the element routines and the per-view walk.
#include "render/output/element_drawing.h"

#include <cstdio>
#include <cstring>

#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"
#include "geometry/transforms.h"
#include "render/output/dxf_writers.h"
#include "render/output/primitives.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"

int element_pen_width = 1;
int walk_marked_seen = 0;
int walk_marked_in_contour = 0;
int walk_marked_in_fragment = 0;
uint8_t layer_mark_request = 0;
int16_t marked_element_count = 0;
int tolerance_pick_request = 0;
RecordRef tolerance_pick_element = 0;
OutputView* hatch_output_view = nullptr;

namespace {

constexpr uint16_t screen_piece_hidden = 0x2000;  // element_flag_screen_piece value 2
constexpr uint32_t highlighted_member_colour = 0xEDD6FF;
constexpr uint32_t bezier_handle_colour = 0xC08200;

uint16_t flags_of(const uint8_t* el) {
    return get_u16(el, element_flags);
}

uint16_t options_of(const uint8_t* el) {
    return get_u16(el, element_options);
}

bool is_hidden_piece(uint16_t flags) {
    return (flags & element_flag_screen_piece) == screen_piece_hidden;
}

// The record is long enough for the geometry its kind stores.
bool element_fits(const uint8_t* el, uint32_t size) {
    return get_u16(el, record_length) >= size;
}

uint32_t colour(size_t offset) {
    return settings_u32(offset);
}

PenDesc no_pen() {
    return PenDesc{pen_null, 0, 0};
}

}  // namespace

const char* line_type_name(int line_type) {
    switch (line_type) {
    case 0: return " Невидимая";
    case 1: return " Сплошная основная";
    case 2: return " Сплошная тонкая";
    case 3: return " Штриховая";
    case 4: return " Штрих-пунктирная тонкая";
    case 5: return " Штрих-пунктирная утолщённая";
    case 6: return " Штрих-пунктирная с двумя точками тонкая";
    case 15: return " Специальная невидимая";
    case 7: return " Резьба";
    default: return nullptr;
    }
}

int pen_width_pixels(const OutputView* view, double thickness_mm) {
    if (!view) return 0;
    int32_t n = clamp_to_pixel(sheet_to_model_length(thickness_mm) * view->transform.scale.x + 0.5);
    if (view->stage < 4) {
        if (thickness_mm == 0.25) return n > 20 ? 2 : 1;
        if (thickness_mm == 0.5) return n > 20 ? 3 : n > 10 ? 2 : 1;
        if (thickness_mm == 0.6) return n > 20 ? 4 : n > 10 ? 3 : n > 1 ? 2 : 1;
    }
    return n < 1 ? 1 : n;
}

PenDesc element_pen_create(const OutputView* view, const uint8_t* element) {
    if (!view || !element) return no_pen();
    const uint16_t flags = flags_of(element), opts = options_of(element);
    const int stage = view->stage;
    if (is_hidden_piece(flags) && stage >= 5) return no_pen();
    if (dxf_output_active) {
        dxf_set_line_width(element);
        element_pen_width = 1;
        return PenDesc{pen_solid, 1, colour(settings_line_colour_offset)};
    }
    const bool marked = flags & element_flag_marked;
    const bool member = flags & element_flag_contour_member;
    // The colour: the element's own, then the overrides of hidden pieces,
    // view breaks and highlighted contour members; a marked element keeps the
    // marked colour over all of them, so a mark always shows.
    uint32_t c = member ? colour(settings_contour_colour_offset) : colour(settings_line_colour_offset);
    if (is_hidden_piece(flags)) c = colour(settings_hidden_colour_offset);
    if ((flags & element_flag_kind) == element_kind_break) c = colour(settings_break_colour_offset);
    if (opts & element_opt_highlight) c = highlighted_member_colour;
    if (marked) c = colour(settings_marked_colour_offset);
    if (stage >= 5) c = view->layer_colours[element_layer(element)];

    PenDesc pen = {pen_solid, 1, c};
    const int type = element_line_type(element);
    bool tabled = true;
    if (flags & element_flag_purge) {
        // The alternative form draws the broken line types solid.
        if (type == 3 || type == 4 || type == 6 || type == 8) {
            pen.width = pen_width_pixels(view, 0.25);
            tabled = false;
        } else if (type == 5) {
            pen.width = pen_width_pixels(view, 0.5);
            tabled = false;
        }
    }
    if (tabled) {
        switch (type) {
        case 0:
            if (stage >= 5) return no_pen();
            [[fallthrough]];
        case 15:
            if (stage >= 6) return no_pen();
            if (!marked && !member) pen.colour = colour(settings_hidden_colour_offset);
            pen.style = pen_dash;
            break;
        case 1: pen.width = pen_width_pixels(view, 0.6); break;
        case 3: pen.style = pen_dash; break;
        case 4:
        case 8: pen.style = pen_dash_dot; break;
        case 5:
            pen.style = pen_dash_dot;
            pen.width = 2;
            break;
        case 6: pen.style = pen_dash_dot_dot; break;
        case 7:
            if (stage < 4)
                pen.style = pen_dot;
            else
                pen.width = pen_width_pixels(view, 0.25);
            break;
        default:  // 2, and 9-14 drawn like it
            pen.width = pen_width_pixels(view, 0.25);
            break;
        }
    }
    if (stage <= 4 && (opts & element_opt_accent) &&
        (pen.colour == colour(settings_hidden_colour_offset) || pen.colour == colour(settings_line_colour_offset)))
        pen.colour = colour(settings_accent_colour_offset);
    element_pen_width = pen.width;
    return pen;
}

namespace {

// Draws the end marker of a marked element in the design stage of marking.
bool wants_end_marker(const OutputView* view, const uint8_t* el) {
    return view->stage == 3 && (flags_of(el) & element_flag_marked) && !(options_of(el) & 0x0010);
}

int end_marker_shape(const uint8_t* el) {
    return (options_of(el) >> 9) & 3;
}

// The head of a temporary element drawn in place of (a piece of) element:
// its number, level, fragment word and flags with another kind, and the
// style bits kept by options_mask (end marker, highlight, accent).
void temporary_element(uint8_t* out, uint16_t size, const uint8_t* element, int kind, uint16_t options_mask) {
    std::memset(out, 0, size);
    put_u16(out, record_length, size);
    put_u32(out, element_number, get_u32(element, element_number));
    put_u16(out, element_level, get_u16(element, element_level));
    put_u16(out, element_fragment, get_u16(element, element_fragment));
    put_u16(out, element_flags, static_cast<uint16_t>((flags_of(element) & ~element_flag_kind) | kind));
    put_u16(out, element_options, static_cast<uint16_t>(options_of(element) & options_mask));
}

double end_marker_offset(const OutputView* view) {
    return view_pixels_to_length_x(&view->transform,
                                   static_cast<float>(3 * settings_i32(settings_point_mark_half_width_offset)));
}

}  // namespace

int draw_segment_element(OutputView* view, const uint8_t* element) {
    if (!view || !element || !element_fits(element, element_size2)) return 0;
    PenDesc pen = element_pen_create(view, element);
    if (pen.style == pen_null) return 0;
    PenScope scope = canvas_select_pen(&view->canvas, pen);
    Segment seg = {get_point2(element, element_coords2), get_point2(element, element_coords2 + 16)};
    int result = draw_line_segment(view, &seg);
    if (wants_end_marker(view, element)) {
        Segment copy = seg;
        if (segment_extend(0, 1, &copy, -end_marker_offset(view)) == 0)
            draw_end_marker(view, copy.end.x, copy.end.y, end_marker_shape(element));
    }
    canvas_restore_pen(&scope);
    return result;
}

int draw_circle_element(OutputView* view, const uint8_t* element) {
    if (!view || !element || !element_fits(element, element_size2)) return 0;
    PenDesc pen = element_pen_create(view, element);
    if (pen.style == pen_null) return 0;
    PenScope scope = canvas_select_pen(&view->canvas, pen);
    CircleGeom c = {get_point2(element, element_coords2), get_point2(element, element_coords2 + 16)};
    int result = draw_circle(view, &c);
    canvas_restore_pen(&scope);
    return result;
}

int draw_arc_element(OutputView* view, const uint8_t* element) {
    if (!view || !element || !element_fits(element, element_size3)) return 0;
    const uint16_t flags = flags_of(element);
    Point2 p0 = get_point2(element, element_coords3), p1 = get_point2(element, element_coords3 + 16),
           p2 = get_point2(element, element_coords3 + 32);
    ArcByCentre arc = {p0, p1, p2};
    if ((flags & element_flag_kind) == element_kind_arc_points) {
        ArcByPoints by_points = {p0, p1, p2};
        if (!arc_by_points_to_centre(&by_points, &arc)) {
            // Three points on a line: the chord, as a segment of the same kind
            // of line.
            uint8_t seg[element_size2];
            temporary_element(seg, element_size2, element, element_kind_segment, 0x1E00);
            put_point2(seg, element_coords2, p0);
            put_point2(seg, element_coords2 + 16, p1);
            return draw_segment_element(view, seg);
        }
    }
    correct_arc_center(&arc);
    PenDesc pen = element_pen_create(view, element);
    if (pen.style == pen_null) return 0;
    PenScope scope = canvas_select_pen(&view->canvas, pen);
    int result = draw_arc(view, &arc);
    if (wants_end_marker(view, element)) {
        ArcByCentre copy = arc;
        if (arc_extend(0, 1, &copy, -end_marker_offset(view)) == 0)
            draw_end_marker(view, copy.end.x, copy.end.y, end_marker_shape(element));
    }
    canvas_restore_pen(&scope);
    return result;
}

int curve_drawable_vertices(const uint8_t* element) {
    if (!element) return 0;
    int count = get_i16(element, curve_count);
    if (count <= 0) return 0;
    // Vertex i needs its number and point: 16 + 36 i + 20 bytes (the last
    // vertex's through point may be left out of the record).
    uint32_t length = get_u16(element, record_length);
    if (length < curve_vertices + curve_vertex_through_x) return 0;
    int fit = static_cast<int>((length - curve_vertices - curve_vertex_through_x) / curve_vertex_size) + 1;
    return count < fit ? count : fit;
}

int draw_curve_element(OutputView* view, const uint8_t* element) {
    if (!view || !element) return 0;
    int n = curve_drawable_vertices(element);
    if (n < 2) return 0;
    uint8_t piece[element_size3];
    temporary_element(piece, element_size3, element, element_kind_arc_points, 0x1E10);
    int result = 0;
    for (int i = 0; i + 1 < n; ++i) {
        size_t at = curve_vertices + static_cast<size_t>(i) * curve_vertex_size;
        put_point2(piece, element_coords3, get_point2(element, at + curve_vertex_x));
        put_point2(piece, element_coords3 + 16, get_point2(element, at + curve_vertex_size + curve_vertex_x));
        put_point2(piece, element_coords3 + 32, get_point2(element, at + curve_vertex_through_x));
        int r = draw_arc_element(view, piece);
        if (r) result = r;
    }
    return result;
}

int draw_bezier_handles(OutputView* view, const uint8_t* element) {
    // The control lines are an editing aid: not drawn from stage 5 on, nor
    // into a file.
    if (!view || !element || view->stage > 4 || dxf_output_active || !element_fits(element, element_size_bezier))
        return 0;
    Point2 start = get_point2(element, element_coords4), end = get_point2(element, element_coords4 + 16);
    Point2 c1 = get_point2(element, element_coords4 + 32), c2 = get_point2(element, element_coords4 + 48);
    PenScope scope = canvas_select_pen(&view->canvas, PenDesc{pen_dot, 1, bezier_handle_colour});
    canvas_set_rop2(&view->canvas, rop2_xor_pen);
    Segment a = {start, c1}, b = {end, c2};
    draw_line_segment(view, &a);
    int result = draw_line_segment(view, &b);
    canvas_set_rop2(&view->canvas, rop2_copy_pen);
    canvas_restore_pen(&scope);
    return result;
}

// ---------------------------------------------------------------- the walk
namespace {

struct WalkState {
    OutputView* view;
    uint8_t* projection;
    bool ui;            // a screen view outside the DXF output: picking and panels
    bool picked;
    bool hidden_seen;
    bool ended;         // the click was consumed: the passes stop
    bool tolerance_found;
    Point2 tolerance_at;
};

void write_mark(uint8_t* el, bool marked) {
    uint16_t f = flags_of(el);
    uint16_t g = marked ? static_cast<uint16_t>(f | element_flag_marked) : static_cast<uint16_t>(f & ~element_flag_marked);
    if (g == f) return;
    put_u16(el, element_flags, g);
    kernel_store.changed(chain_elements, el);
}

void show_count() {
    output_window_seams.status_show_number(static_cast<unsigned>(marked_element_count));
}

void show_picked_prompt(const uint8_t* el) {
    char text[96] = "";
    const char* name = line_type_name(element_line_type(el));
    if (name) {
        int layer = element_layer(el);
        if (layer != 0)
            std::snprintf(text, sizeof text, "%s (слой %u)", name, static_cast<unsigned>(layer + 1));
        else
            std::snprintf(text, sizeof text, "%s", name);
    }
    output_window_seams.prompt_show(text);
}

// A click picked element el (pass 0, nothing picked before).
void pick_element(WalkState& w, uint8_t* el) {
    const OutputWindowSeams& s = output_window_seams;
    uint8_t* proj = w.projection;
    uint16_t flags = flags_of(el);
    int nesting = s.nesting_state();
    if (flags & element_flag_marked) {
        write_mark(el, false);
        if (marked_element_count > 0) --marked_element_count;
    } else if (nesting == 2) {
        if (marked_element_count < INT16_MAX) ++marked_element_count;
        show_count();
        s.nest_marked_elements(proj, el);
        w.picked = true;
        w.ended = true;
        return;
    } else {
        write_mark(el, true);
        show_picked_prompt(el);
        if (nesting == 1) {
            marked_element_count = 1;
            s.nesting_start(proj, el);
        } else if (marked_element_count < INT16_MAX) {
            ++marked_element_count;
        }
    }
    show_count();
    flags = flags_of(el);
    if (flags & element_flag_contour_member) {
        s.mark_element_contour(proj, el);
    } else if (get_u16(el, element_fragment) != 0) {
        s.mark_element_fragment(proj, el);
    } else if (is_hidden_piece(flags)) {
        s.apply_element_mark(proj, el);
    } else {
        s.apply_mark_to_curve_pieces(proj, el);
    }
    w.picked = true;
}

void draw_by_kind(OutputView* view, const uint8_t* el, int kind, int pass) {
    switch (kind) {
    case element_kind_segment:
    case element_kind_break: draw_segment_element(view, el); break;
    case element_kind_circle: draw_circle_element(view, el); break;
    case element_kind_arc_centre:
    case element_kind_arc_points: draw_arc_element(view, el); break;
    case element_kind_curve: draw_curve_element(view, el); break;
    case element_kind_bezier:
        if (pass == 0) draw_bezier_handles(view, el);
        break;
    default: break;
    }
}

bool is_drawn(const OutputView* view, uint16_t flags) {
    if (flags & element_flag_screened) return false;
    const bool alternative = flags & element_flag_purge;
    if (view->stage <= 5) return !alternative;
    int type = (flags >> 4) & 0x0F;
    if (type < 3 || type > 6) return true;
    return alternative == ((current_option_word() & 0x0200) != 0);
}

void walk_pass(WalkState& w, int pass) {
    OutputView* view = w.view;
    const int stage = view->stage;
    uint32_t ref = 0;
    for (uint8_t* el = kernel_store.next(w.projection, chain_elements, nullptr, &ref); el && !w.ended;
         el = kernel_store.next(w.projection, chain_elements, el, &ref)) {
        if (!element_fits(el, element_head_size)) continue;
        const int kind = element_kind(el);
        if (!element_kind_valid(kind) || kind == element_kind_symbol) continue;
        const int layer = element_layer(el);
        const uint8_t layer_bit = static_cast<uint8_t>(1u << layer);
        if (stage < 4 && layer_mark_request) {
            if (layer_mark_request & layer_bit) {
                if (!(flags_of(el) & element_flag_marked)) {
                    write_mark(el, true);
                    if (marked_element_count < INT16_MAX) ++marked_element_count;
                }
            } else if (!(view->visible_layers & layer_bit)) {
                continue;
            }
        } else if (layer != 0 && !(view->visible_layers & layer_bit)) {
            continue;
        }
        uint16_t flags = flags_of(el);
        const bool marked = flags & element_flag_marked;
        const int type = (flags >> 4) & 0x0F;
        const bool hidden = type == 0 || type == 15 || is_hidden_piece(flags);
        if (pass == 1 && (marked || hidden)) continue;
        if (pass == 2 && !marked) continue;
        if (marked) {
            walk_marked_seen = 1;
            if (flags & element_flag_contour_member)
                walk_marked_in_contour = 1;
            else if (get_u16(el, element_fragment) != 0)
                walk_marked_in_fragment = 1;
        }
        if (hidden) {
            w.hidden_seen = true;
            if (view->window_flags & window_flag_hide_hidden_lines) continue;
        }
        if (is_drawn(view, flags)) draw_by_kind(view, el, kind, pass);
        if (!w.ui || pass != 0 || w.picked) continue;
        const OutputWindowSeams& s = output_window_seams;
        if (s.insert_point_into_element(view, el)) {
            w.ended = true;
            break;
        }
        if (s.pick_marker_damaged && stage == 3 && s.pick_marker_damaged(view, 3, el)) {
            pick_element(w, el);
            continue;
        }
        if (stage == 5 && tolerance_pick_request && s.pick_marker_damaged(view, 5, el)) {
            Point2 at = {0.0, 0.0};
            s.pick_marker_position(view, &at);
            w.picked = true;
            w.tolerance_found = true;
            w.tolerance_at = at;
            tolerance_pick_element = ref;
        }
    }
}

}  // namespace

void draw_view_elements(OutputView* view) {
    if (!view) return;
    walk_marked_seen = walk_marked_in_contour = walk_marked_in_fragment = 0;
    WalkState w = {view, nullptr, false, false, false, false, false, {0.0, 0.0}};
    w.projection = output_view_projection(view);
    if (!w.projection) return;
    w.ui = view->device == output_screen && !dxf_output_active;
    const uint16_t type_word = get_u16(w.projection, projection_flags);
    const int stage = view->stage;
    // The projection type goes to the view flags; the window flags keep
    // their own meaning.
    if (stage < 4) view->view_flags = static_cast<uint16_t>((view->view_flags & ~0x000F) | (type_word & 0x000F));
    output_window_seams.print_counter((type_word & 0x0800) != 0);

    const int last_pass = stage <= 3 ? 2 : stage <= 5 ? 1 : 0;
    walk_pass(w, 0);
    if (!w.ended && last_pass >= 1 && (w.picked || walk_marked_seen || w.hidden_seen)) walk_pass(w, 1);
    if (!w.ended && last_pass >= 2 && (w.picked || walk_marked_seen)) walk_pass(w, 2);

    if (!w.ui) return;
    const OutputWindowSeams& s = output_window_seams;
    bool error = kernel_error_flag && *kernel_error_flag;
    if (!w.ended && !error && stage == 3) {
        uint32_t active = s.active_projection_number();
        if (get_u32(w.projection, record_key) != active) {
            s.pick_marker_hide(view);
        } else {
            s.fill_marked_elements_combo(view, walk_marked_seen);
            if (!walk_marked_seen && s.walk_marked_symbol_seen()) s.enable_image_toolbar();
        }
    }
    if ((stage == 1 || stage == 3) && s.pick_marker_hide) s.pick_marker_hide(view);
    if (stage == 5 && w.tolerance_found) {
        s.pick_marker_hide(view);
        s.place_tolerance_designation(view, w.tolerance_at);
    }
    tolerance_pick_request = 0;
}
