// The dimension and annotation walk of a view, with picking by pixels.
#include "render/output/view_dimensions_walk.h"

#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/units_scale.h"
#include "render/contours/contour_lists.h"
#include "render/output/annotation_frames.h"
#include "render/output/dimension_lines.h"
#include "render/output/dimension_pens.h"
#include "render/output/dimension_seams.h"
#include "render/output/dimension_texts.h"
#include "render/output/dxf_writers.h"
#include "render/output/extension_lines.h"
#include "render/output/leader_text.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "render/output/roughness_sign.h"
#include "render/output/text_output.h"
#include "render/output/tolerance_frame.h"
#include "render/text/stroke_font.h"
#include "render/text/text_variables.h"
#include "store/record_layouts.h"

// Until the window code binds them: no crosses, nothing edited or being
// entered, no pick marker, no property dialog, no hatch icon.
namespace {
void no_crosses(OutputView*, std::vector<Segment>*) {}
uint32_t none_in_view(OutputView*) { return 0; }
uint32_t none_open() { return 0; }
int not_entered(OutputView*, uint32_t) { return 0; }
int not_in_view(OutputView*) { return 0; }
void nothing_in_view(OutputView*) {}
void no_position(OutputView*, Point2*) {}
void no_crosshair(OutputView*, Point2) {}
void nothing_with(int) {}
int not_opened(uint32_t) { return 0; }
void no_icon(OutputView*, const uint8_t*) {}
}  // namespace

const DimensionWindowSeams dimension_window_seams_unbound = {
    no_crosses,      none_in_view,    none_open,    not_entered,  not_in_view,  nothing_in_view,
    nothing_in_view, not_in_view,     no_position,  nothing_in_view, no_crosshair, nothing_with,
    nothing_with,    not_opened,      no_icon,
};
DimensionWindowSeams dimension_window_seams = dimension_window_seams_unbound;
DimensionPickState dimension_pick_state = {};

namespace {

// A dimension record is read up to its second extension line (+95).
constexpr uint16_t dimension_min_length = 96;

// The smallest length of an annotation record of each kind: its fixed head
// (a hatching is read up to its seed point).
uint16_t annotation_min_length(int kind) {
    static const uint16_t heads[annotation_kind_count] = {dimension_text_head, leader_head, 22,
                                                         text_fragment_head, section_nodes, roughness_head,
                                                         tolerance_head};
    return kind >= 0 && kind < annotation_kind_count ? heads[kind] : 0xFFFF;
}

bool length_sound(const uint8_t* rec, uint16_t minimum) {
    uint16_t len = get_u16(rec, record_length);
    return len >= minimum && len <= 2044;
}

Point2 point_f(const uint8_t* rec, size_t off) {
    PointF p = get_pointf(rec, off);
    return Point2{p.x, p.y};
}

double dimension_line_extension() {
    return sheet_to_model_length(dimension_drawing_constants[3] > 0 ? dimension_drawing_constants[3] : 8.4);
}

struct Walk {
    OutputView* view;
    uint8_t* projection;
    bool screen;
    bool picked;
    std::vector<Segment> obstacles;
    std::map<uint32_t, uint16_t> variables;  // dimension number -> model variable
};

// The pixel test after a record was drawn: the first record that covered
// the pick marker is the hit.
bool pick_hit(Walk* w, const uint8_t* rec) {
    if (!w->screen || w->picked) return false;
    if (!output_window_seams.pick_marker_damaged(w->view, 5, rec)) return false;
    w->picked = true;
    return true;
}

void picked_dimension(Walk* w, const uint8_t* dim, uint32_t ref) {
    DimensionPickState& s = dimension_pick_state;
    if (s.open_request) return;
    s.picked_dimension = ref;
    const DimensionWindowSeams& seams = dimension_window_seams;
    seams.set_pick_cursor(w->view);
    Point2 at{0, 0};
    seams.pick_marker_position(w->view, &at);
    seams.move_crosshair(w->view, at);
    // The end shown in the arrowhead combo: the first end when the marker
    // lies on the far half of a radial dimension, else the nearer end.
    Point2 p[3];
    Segment ext[2];
    dimension_record_points(dim, p, ext);
    int end;
    if (dimension_point_far_from_end(dim, at, 0)) {
        end = 1;
    } else {
        end = std::hypot(at.x - p[0].x, at.y - p[0].y) <= std::hypot(at.x - p[1].x, at.y - p[1].y) ? 1 : 2;
    }
    s.picked_dimension_end = end;
    uint16_t kind_word = get_u16(dim, dimension_kind_word);
    seams.enable_arrowhead_controls(1);
    seams.select_arrowhead_style(end == 1 ? (kind_word >> 8) & 0x0F : kind_word >> 12);
}

void draw_dimension(Walk* w, const uint8_t* dim, uint32_t edited) {
    OutputView* view = w->view;
    uint16_t kind_word = get_u16(dim, dimension_kind_word);
    uint16_t value = get_u16(dim, dimension_value_word);
    uint16_t state = get_u16(dim, dimension_state);
    int kind = kind_word & 0x1F;
    bool hidden = (value & 0x0008) != 0;
    if (hidden && !(kind == 2 && (value & dimension_value_centre_cross))) return;
    int style1 = (kind_word >> 8) & 0x0F, style2 = kind_word >> 12;
    int type = (value >> 4) & 0x0F;
    int collapse = (state >> 8) & 1;
    Point2 p[3];
    Segment ext[2];
    dimension_record_points(dim, p, ext);
    DimensionLineContext ctx{w->projection, &w->obstacles, edited && get_u32(dim, dimension_number) == edited};
    Point2 line[3];
    if (kind == 1 || kind == 5 || kind == 8 || kind == 9) {
        draw_dimension_line(view, 1, style1, type, p, &ext[0], 0, 0, nullptr, collapse, &ctx);
        if (kind == 5 && (state & 0x80)) return;
        extend_dimension_line_ends(type, style1, style2, p, line, dimension_line_extension());
        PenScope pen = select_dimension_pen(view, 0.25);
        Segment s{line[0], line[1]};
        draw_line_segment(view, &s);
        canvas_restore_pen(&pen);
        return;
    }
    if (kind == 2) {
        const uint8_t* header = current_drawing_header();
        bool layout_hides = header && (header[111] & 0x02) && view->stage >= 6;
        if ((value & dimension_value_centre_cross) && !layout_hides)
            draw_centre_cross(view, nominal_to_view_length(w->projection, get_f64(dim, dimension_nominal), 2), p);
        if (hidden) return;
    }
    if ((value & 1) && style1 != 9) draw_dimension_line(view, 1, style1, type, p, &ext[0], 0, 0, nullptr, collapse, &ctx);
    if ((value & 2) && style2 != 9) draw_dimension_line(view, 2, style2, type, p, &ext[1], 0, 0, nullptr, collapse, &ctx);
    if (type != 1 && type != 3) return;
    Point2 base[3] = {p[0], p[1], p[2]};
    if (type == 1 && kind == 6) {
        double angle = std::atan2(ext[0].end.y - ext[0].start.y, ext[0].end.x - ext[0].start.x);
        if (!std::isfinite(angle)) angle = 0.0;
        place_point_at_style_distance((state & 0x02) ? 0 : 1, angle, base);
    }
    extend_dimension_line_ends(type, style1, style2, base, line, dimension_line_extension());
    PenScope pen = select_dimension_pen(view, 0.25);
    if (type == 1) {
        Segment s{line[0], line[1]};
        draw_line_segment(view, &s);
    } else {
        ArcByCentre a{line[0], line[1], line[2]};
        draw_arc(view, &a);
    }
    canvas_restore_pen(&pen);
}

void select_label_font(uint16_t flags) {
    select_text_font((flags >> 7) & 0x0F, (flags >> 4) & 1, (flags >> 5) & 1);
}

void draw_dimension_label(Walk* w, const uint8_t* rec) {
    OutputView* view = w->view;
    uint16_t flags = get_u16(rec, annotation_flags);
    if (flags & 0x1000) return;
    if (!(flags & 0x0800)) {
        Point2 pts[3] = {point_f(rec, dimension_text_leader1), point_f(rec, dimension_text_leader2),
                         point_f(rec, dimension_text_leader3)};
        draw_dimension_line(view, 3, flags & 0x0F, 1, pts, nullptr, 0, 0, nullptr, 0, nullptr);
    }
    std::string unpacked = unpack_annotation_text(rec, dimension_text_head);
    std::string text;
    auto bound = w->variables.find(get_u32(rec, record_key));
    if (flags & 0x2000) {
        text = build_dimension_display_text(unpacked, rec);
    } else if (bound != w->variables.end() && bound->second != 0) {
        char reference[300] = {};
        append_variable_reference(bound->second, reference, sizeof reference);
        text = reference;
    } else {
        size_t n = rec[dimension_text_first_length];
        text = unpacked.substr(0, n < unpacked.size() ? n : unpacked.size());
    }
    double angle = get_f64(rec, dimension_text_angle);
    if (!std::isfinite(angle)) angle = 0.0;
    select_label_font(flags);
    Point2 a = point_f(rec, dimension_text_anchor);
    draw_text_at(view, a.x, a.y, angle, text.c_str());
    if (flags & 0x40) {
        size_t n = rec[dimension_text_first_length];
        std::string second = n < unpacked.size() ? unpacked.substr(n) : std::string();
        Point2 b = point_f(rec, dimension_text_anchor2);
        draw_text_at(view, b.x, b.y, angle, second.c_str());
    }
}

void draw_leader(Walk* w, const uint8_t* rec) {
    OutputView* view = w->view;
    uint16_t flags = get_u16(rec, annotation_flags);
    Point2 pts[3] = {point_f(rec, leader_point1), point_f(rec, leader_point2), point_f(rec, leader_point3)};
    draw_dimension_line(view, 3, flags & 0x0F, 1, pts, nullptr, 0, (flags >> 11) & 0x0F, rec, 0, nullptr);
    std::string unpacked = unpack_annotation_text(rec, leader_head);
    size_t n = rec[leader_first_length];
    std::string first = unpacked.substr(0, n < unpacked.size() ? n : unpacked.size());
    select_label_font(flags);
    Point2 a = point_f(rec, leader_text1);
    draw_text_at(view, a.x, a.y, 0.0, first.c_str());
    if (flags & 0x40) draw_leader_text(view, rec, unpacked);
}

void draw_text_fragment(Walk* w, const uint8_t* rec, uint32_t ref) {
    OutputView* view = w->view;
    uint16_t flags = get_u16(rec, annotation_flags);
    int size = (flags >> 2) & 0x0F;
    std::string text = unpack_annotation_text(rec, text_fragment_head);
    select_text_font(size, (flags >> 1) & 1, flags & 1);
    double angle = get_f64(rec, text_fragment_angle);
    if (!std::isfinite(angle)) angle = 0.0;
    double baseline = get_f32(rec, text_fragment_baseline);
    PointF c1 = get_pointf(rec, text_fragment_corner1), c2 = get_pointf(rec, text_fragment_corner2);
    double x, y, width;
    if (angle == 0.0) {
        x = c1.x;
        y = baseline;
        width = static_cast<double>(c2.x) - c1.x;
    } else {
        x = baseline;
        y = c2.y;
        width = static_cast<double>(c2.y) - c1.y;
    }
    if (!text.empty())
        draw_multiline_text(view, x, y, angle, text.c_str(), text_line_step(size), get_u16(rec, text_fragment_lines),
                            rec[text_fragment_alignment], width);
    draw_fragment_frame(view, rec, ref);
}

void draw_annotation(Walk* w, const uint8_t* rec, uint32_t ref) {
    OutputView* view = w->view;
    switch (rec[record_kind]) {
    case annotation_dimension_text:
        draw_dimension_label(w, rec);
        break;
    case annotation_leader:
        draw_leader(w, rec);
        break;
    case annotation_hatching: {
        const uint8_t* header = current_drawing_header();
        // A picture of the screen: nothing of it goes to a file.
        bool hidden = dxf_output_active || ((view->stage == 6 || view->stage == 9) && header &&
                                            (get_u16(header, 110) & 0x200) && (rec[8] & 1));
        if (!hidden && dimension_window_seams.draw_hatch_kind_icon) dimension_window_seams.draw_hatch_kind_icon(view, rec);
        break;
    }
    case annotation_text_fragment:
        draw_text_fragment(w, rec, ref);
        break;
    case annotation_section:
        draw_section_line(view, rec, ref);
        break;
    case annotation_roughness:
        draw_roughness_sign(view, rec);
        break;
    case annotation_tolerance:
        draw_tolerance_frame(view, rec);
        break;
    default:
        break;
    }
}

// Dimension number -> model variable, read once when labels may show
// variable names.
void collect_label_variables(Walk* w) {
    if (!text_variables_shown_as_names(text_variables_drawing())) return;
    for (const uint8_t* d = kernel_store.next(w->projection, chain_dimensions, nullptr, nullptr); d;
         d = kernel_store.next(w->projection, chain_dimensions, d, nullptr)) {
        if (get_u16(d, record_length) < dimension_variable + 2) continue;
        uint16_t v = get_u16(d, dimension_variable);
        if (v) w->variables[get_u32(d, dimension_number)] = v;
    }
}

}  // namespace

int draw_view_dimensions(OutputView* view, int mode) {
    if (!view) return 0;
    Walk w{};
    w.view = view;
    w.screen = view->device == output_screen && !dxf_output_active;
    const DimensionWindowSeams& seams = dimension_window_seams;
    DimensionPickState& pick = dimension_pick_state;
    if (w.screen) {
        pick.picked_dimension = 0;
        pick.picked_annotation = 0;
        pick.picked_dimension_end = 0;
        if (seams.pick_marker_active(view))
            seams.pick_marker_redraw(view);
    }
    w.projection = output_view_projection(view);
    if (!w.projection) return 0;
    PenScope pen = select_dimension_pen(view, 0.25);
    try {
        collect_axis_obstacles(view, w.projection, &w.obstacles);
        collect_label_variables(&w);
        uint32_t edited = seams.edited_dimension(view);
        uint32_t ref = 0;
        for (const uint8_t* d = kernel_store.next(w.projection, chain_dimensions, nullptr, &ref); d;
             d = kernel_store.next(w.projection, chain_dimensions, d, &ref)) {
            if (!length_sound(d, dimension_min_length)) continue;
            std::vector<uint8_t> copy(d, d + get_u16(d, record_length));
            draw_dimension(&w, copy.data(), edited);
            if (pick_hit(&w, copy.data())) picked_dimension(&w, copy.data(), ref);
        }
        for (const uint8_t* a = kernel_store.next(w.projection, chain_annotation, nullptr, &ref); a;
             a = kernel_store.next(w.projection, chain_annotation, a, &ref)) {
            int kind = a[record_kind];
            if (kind >= annotation_kind_count || !length_sound(a, annotation_min_length(kind))) continue;
            std::vector<uint8_t> copy(a, a + get_u16(a, record_length));
            draw_annotation(&w, copy.data(), ref);
            if (pick_hit(&w, copy.data())) pick.picked_annotation = ref;
        }
    } catch (const std::bad_alloc&) {
        kernel_report_out_of_memory();
    }
    canvas_restore_pen(&pen);
    if (!w.screen) return mode;
    if (pick.open_request && (pick.picked_annotation || pick.picked_dimension)) {
        pick.open_request = 0;
        seams.pick_marker_hide(view);
        uint32_t ref = pick.picked_annotation ? pick.picked_annotation : pick.picked_dimension;
        return seams.open_element_properties(ref);
    }
    if (mode != 0) return mode;
    return seams.pick_marker_replace(view);
}
