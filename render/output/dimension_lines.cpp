// Dimension lines, leaders of labels, lengthening past outside arrows and
// the centre cross of a diameter.
#include "render/output/dimension_lines.h"

#include <cmath>

#include "geometry/kernel_context.h"
#include "geometry/units_scale.h"
#include "render/output/dimension_line_ends.h"
#include "render/output/dimension_pens.h"
#include "render/output/dimension_seams.h"
#include "render/output/extension_lines.h"
#include "render/output/leader_marks.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "store/record_layouts.h"

namespace {

constexpr double pi_value = 3.14159265358979323846;

double overshoot_mm() { return dimension_drawing_constants[2] > 0 ? dimension_drawing_constants[2] : 1.2; }
double line_extension_mm() { return dimension_drawing_constants[3] > 0 ? dimension_drawing_constants[3] : 8.4; }

Point2 point_f(const uint8_t* rec, size_t off) {
    PointF p = get_pointf(rec, off);
    return Point2{p.x, p.y};
}

void draw_leader_frame(OutputView* view, int shape, Point2 a, Point2 b) {
    Point2 mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
    double dx = std::fabs(b.x - a.x), dy = std::fabs(b.y - a.y);
    if (shape == 1) {
        CircleGeom c{b, mid};
        draw_circle(view, &c);
    } else if (shape == 2) {
        Point2 apex{mid.x, mid.y - dx * std::cos(pi_value / 6)};
        Segment s1{a, b}, s2{b, apex}, s3{apex, a};
        draw_line_segment(view, &s1);
        draw_line_segment(view, &s2);
        draw_line_segment(view, &s3);
    } else if (shape == 3) {
        double h = std::fmax(dx, dy) / 2;
        draw_frame(view, Point2{mid.x - h, mid.y - h}, Point2{mid.x + h, mid.y + h});
    } else {
        Segment s{a, b};
        draw_line_segment(view, &s);
    }
}

}  // namespace

void draw_dimension_line(OutputView* view, int end_selector, int style, int geometry_type, const Point2 points[3],
                         const Segment* line, int mark, int frame_shape, const uint8_t* record, int collapse,
                         const DimensionLineContext* context) {
    if (!view || !points) return;
    int end = 0;
    PenScope pen = select_dimension_pen(view, 0.25);
    if (end_selector == 3) {
        draw_leader_frame(view, frame_shape, points[1], points[2]);
        Segment leader{points[1], points[0]};
        draw_line_segment(view, &leader);
        if (record && (record[leader_style] & 0x3F))
            draw_leader_marks(view, points[2], points[1], points[0], record, nullptr, 1);
    } else if (end_selector == 1 || end_selector == 2) {
        end = end_selector - 1;
        if (line) {
            Segment ext = *line;
            extend_extension_line(&ext, points[end], collapse);
            draw_extension_line(view, ext, context ? context->projection : nullptr, points[end],
                                context ? context->obstacles : nullptr);
        }
    } else {
        canvas_restore_pen(&pen);
        return;
    }
    if (mark && dimension_window_seams.pick_marker_active(view))
        dimension_window_seams.pick_marker_redraw(view);
    int edited = context && context->edited && end == 0 && end_selector != 3;
    // The arrow of a leader points along the leader line (geometry type 1).
    draw_line_end(view, end, style, end_selector == 3 ? 1 : geometry_type, points, edited);
    canvas_restore_pen(&pen);
}

void extend_dimension_line_ends(int geometry_type, int style1, int style2, const Point2 in[3], Point2 out[3],
                                double length) {
    for (int i = 0; i < 3; ++i) out[i] = in[i];
    auto outside = [](int s) { return s == 1 || s == 5 || s == 8; };
    if (geometry_type == 1) {
        double dx = in[1].x - in[0].x, dy = in[1].y - in[0].y, len = std::hypot(dx, dy);
        if (!(len > 0.0)) return;
        double ux = dx / len * length, uy = dy / len * length;
        if (outside(style1)) out[0] = Point2{in[0].x - ux, in[0].y - uy};
        if (outside(style2)) out[1] = Point2{in[1].x + ux, in[1].y + uy};
    } else if (geometry_type == 3) {
        // The arc runs from the first end to the second with decreasing
        // angle: past the first end the angle grows, past the second it falls.
        const Point2& c = in[2];
        for (int e = 0; e < 2; ++e) {
            if (!outside(e ? style2 : style1)) continue;
            double r = std::hypot(in[e].x - c.x, in[e].y - c.y);
            if (!(r > 0.0)) continue;
            double a = std::atan2(in[e].y - c.y, in[e].x - c.x) + (e ? -length / r : length / r);
            out[e] = Point2{c.x + r * std::cos(a), c.y + r * std::sin(a)};
        }
    }
}

void place_point_at_style_distance(int which, double angle, Point2 points[2]) {
    int w = which ? 1 : 0, o = 1 - w;
    double dx = points[w].x - points[o].x, dy = points[w].y - points[o].y, len = std::hypot(dx, dy);
    double ux, uy;
    if (len > 0.0 && std::isfinite(len)) {
        ux = dx / len;
        uy = dy / len;
    } else {
        ux = std::cos(angle + pi_value / 2);
        uy = std::sin(angle + pi_value / 2);
    }
    double d = sheet_to_model_length(line_extension_mm());
    points[w] = Point2{points[o].x + ux * d, points[o].y + uy * d};
}

int dimension_point_far_from_end(const uint8_t* dimension, Point2 point, int force) {
    if (!dimension) return 0;
    int kind = dimension_kind(dimension);
    uint16_t value = get_u16(dimension, dimension_value_word);
    if (kind != 1 && kind != 2 && kind != 5) return 0;
    if (!(value & dimension_value_centre_cross)) return 0;
    if (!force && !(value & dimension_value_far_end)) return 0;
    Point2 c = point_f(dimension, dimension_centre), first = point_f(dimension, dimension_line_start);
    return 2.0 * std::hypot(point.x - c.x, point.y - c.y) >= std::hypot(first.x - c.x, first.y - c.y);
}

void draw_centre_cross(OutputView* view, double diameter, const Point2 points[3]) {
    if (!view || !points) return;
    PenDesc desc = dimension_pen(view, 0.25, dimension_line_colour());
    desc.width = 1;
    desc.style = model_to_sheet_length(diameter) < 12.0 ? pen_solid : pen_dash_dot;
    PenScope pen = canvas_select_pen(&view->canvas, desc);
    double h = diameter / 2 + sheet_to_model_length(overshoot_mm());
    const Point2& c = points[2];
    Segment horizontal{{c.x - h, c.y}, {c.x + h, c.y}}, vertical{{c.x, c.y - h}, {c.x, c.y + h}};
    draw_line_segment(view, &horizontal);
    draw_line_segment(view, &vertical);
    canvas_restore_pen(&pen);
}

void dimension_record_points(const uint8_t* dimension, Point2 points[3], Segment extension[2]) {
    points[0] = point_f(dimension, dimension_line_start);
    points[1] = point_f(dimension, dimension_line_end);
    points[2] = point_f(dimension, dimension_centre);
    extension[0] = Segment{point_f(dimension, dimension_extension1), point_f(dimension, dimension_extension1 + 8)};
    extension[1] = Segment{point_f(dimension, dimension_extension2), point_f(dimension, dimension_extension2 + 8)};
}
