// Line-end marks of dimension lines and leaders.
#include "render/output/dimension_line_ends.h"

#include <cmath>

#include "geometry/kernel_context.h"
#include "geometry/units_scale.h"
#include "render/output/dimension_pens.h"
#include "render/output/dxf_writers.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "store/settings_block.h"

namespace {

constexpr double pi_value = 3.14159265358979323846;

// Sheet sizes of the marks (the dimension drawing constants).
double arrow_length_mm() { return dimension_drawing_constants[1] > 0 ? dimension_drawing_constants[1] : 4.2; }
double arrow_half_width_mm() { return dimension_drawing_constants[7] > 0 ? dimension_drawing_constants[7] : 0.475; }
double tick_length_mm() { return dimension_drawing_constants[4] > 0 ? dimension_drawing_constants[4] : 3.0; }
double dot_radius_mm() { return dimension_drawing_constants[7] > 0 ? dimension_drawing_constants[7] : 0.475; }
double open_arrow_length_mm() { return dimension_drawing_constants[11] > 0 ? dimension_drawing_constants[11] : 4.2; }
double open_arrow_width_mm() {
    return dimension_drawing_constants[9] > 0 ? dimension_drawing_constants[9] : 4.2 / 0.866;
}

// A sheet length as whole pixels along one axis, rounded half away from zero.
int32_t pixels(double mm, double scale) {
    return clamp_to_pixel(std::round(sheet_to_model_length(mm) * scale));
}

bool filled_style(int style) { return style == 0 || style == 1 || style == 6 || style == 10; }

}  // namespace

double leader_arrow_length_mm() {
    double v = settings_f64(settings_text_height_offset);
    return std::isfinite(v) && v > 0.0 ? v : 3.5;
}

double leader_arrow_half_width_mm() {
    double f = settings_f64(settings_arrow_width_factor_offset);
    if (!std::isfinite(f) || f <= 0.0) f = 0.5773502691896257;
    return leader_arrow_length_mm() * f;
}

double line_end_direction(int end, int style, int geometry_type, const Point2 points[3]) {
    const Point2& e = points[end ? 1 : 0];
    double a = 0.0;
    if (geometry_type == 1) {
        a = std::atan2(points[1].y - points[0].y, points[1].x - points[0].x);
    } else if (geometry_type == 3) {
        double radial = std::atan2(e.y - points[2].y, e.x - points[2].x);
        if (style == 2 || style == 4) {
            a = radial;  // ticks turn from the radial direction themselves
        } else if (filled_style(style)) {
            // The base chord lies on the arc: the chord of the arrow's length
            // from the end turns by asin(length / 2 / d) from the tangent.
            // An arc smaller than half the arrow would make the argument
            // exceed 1 (and the angle NaN): it is held at 1.
            double length = sheet_to_model_length(style == 10 ? leader_arrow_length_mm() : arrow_length_mm());
            double d = std::hypot(e.x - points[2].x, e.y - points[2].y);
            double q = d > 0.0 ? length / 2.0 / d : 1.0;
            if (!(q <= 1.0)) q = 1.0;
            double chord = std::asin(q);
            a = radial - pi_value / 2 + (end ? chord : -chord);
        } else {
            a = radial - pi_value / 2;  // open arrows: the tangent
        }
    }
    if (style == 1 || style == 8) a += pi_value;
    return std::isfinite(a) ? a : 0.0;
}

void line_end_shape(const ViewTransform* view, int end, int style, int geometry_type, const Point2 points[3],
                    LineEndShape* out) {
    *out = LineEndShape{};
    out->kind = line_end_nothing;
    if (style < 0 || style > 10 || style == 5 || style == 9) return;
    const Point2& e = points[end ? 1 : 0];
    int32_t ex = view_x_to_pixel(view, e.x), ey = view_y_to_pixel(view, e.y);
    double sx = view->scale.x, sy = view->scale.y;
    if (style == 3) {
        int32_t rx = pixels(dot_radius_mm(), sx), ry = pixels(dot_radius_mm(), sy);
        out->kind = line_end_dot;
        out->box[0] = ex - rx;
        out->box[1] = ey - ry;
        out->box[2] = ex + rx + 1;
        out->box[3] = ey + ry + 1;
        return;
    }
    bool turned = geometry_type == 1 || geometry_type == 3;
    double a = line_end_direction(end, style, geometry_type, points);
    int side = end ? -1 : 1;  // the base lies towards the other end
    if (style == 2 || style == 4) {
        int32_t half = pixels(tick_length_mm() / 2.0, sx);
        out->kind = line_end_strokes;
        out->count = 2;
        out->points[0] = PointI{ex - half, ey};
        out->points[1] = PointI{ex + half, ey};
        if (turned) rotate_pixel_points(view, ex, ey, a - (geometry_type == 3 ? 3 * pi_value / 4 : pi_value / 4),
                                        out->points, 2);
        if (style == 4) {
            out->points[2] = out->points[0];
            out->points[3] = out->points[1];
            rotate_pixel_points(view, ex, ey, pi_value / 2, out->points + 2, 2);
            out->count = 4;
        }
        return;
    }
    if (style == 7 || style == 8) {
        int32_t len = pixels(open_arrow_length_mm(), sx), w = pixels(open_arrow_width_mm() / 2.0, sy);
        out->kind = line_end_strokes;
        out->count = 4;
        out->points[0] = PointI{ex + side * len, ey - w};
        out->points[1] = PointI{ex, ey};
        out->points[2] = PointI{ex + side * len, ey + w};
        out->points[3] = PointI{ex, ey};
        if (turned) rotate_pixel_points(view, ex, ey, a, out->points, 4);
        return;
    }
    // Filled arrows 0, 1, 6 and the triangle 10.
    double length_mm = style == 10 ? leader_arrow_length_mm() : arrow_length_mm();
    double half_mm = style == 10 ? leader_arrow_half_width_mm() : arrow_half_width_mm();
    int32_t len = pixels(length_mm, sx), w = pixels(half_mm, sy);
    int32_t up = ey - w, down = ey + w;
    if (up == down) {  // narrower than a pixel: one pixel either side of the tip's row
        up = ey - 1;
        down = ey + 1;
    }
    out->kind = line_end_polygon;
    out->points[0] = PointI{ex, ey};
    out->points[1] = PointI{ex + side * len, up};
    if (style == 10) {
        out->points[2] = PointI{ex + side * len, down};
        out->count = 3;
    } else {
        int32_t notch = pixels(length_mm - arrow_half_width_mm(), sx);
        out->points[2] = PointI{ex + side * notch, ey};
        out->points[3] = PointI{ex + side * len, down};
        out->count = style == 6 ? 3 : 4;
    }
    if (turned) rotate_pixel_points(view, ex, ey, a, out->points, out->count);
}

void draw_line_end(OutputView* view, int end, int style, int geometry_type, const Point2 points[3], int edited) {
    if (!view || !points) return;
    if (style < 0 || style > 10 || style == 5 || style == 9) return;
    if (dxf_output_active) {
        dxf_write_filled_shapes(view, end, style, geometry_type, points);
        return;
    }
    LineEndShape shape;
    line_end_shape(&view->transform, end, style, geometry_type, points, &shape);
    if (shape.kind == line_end_nothing) return;
    uint32_t colour = edited ? settings_u32(settings_marked_colour_offset) : settings_u32(settings_line_colour_offset);
    PenScope pen{};
    if (edited) pen = canvas_select_pen(&view->canvas, dimension_pen(view, 0.25, colour));
    BrushScope brush = canvas_select_brush(&view->canvas, BrushDesc{brush_solid, colour});
    switch (shape.kind) {
    case line_end_polygon:
        canvas_polygon(&view->canvas, shape.points, shape.count);
        break;
    case line_end_strokes:
        for (int i = 0; i + 1 < shape.count; i += 2) {
            canvas_move_to(&view->canvas, shape.points[i].x, shape.points[i].y);
            canvas_line_to(&view->canvas, shape.points[i + 1].x, shape.points[i + 1].y);
        }
        break;
    case line_end_dot:
        canvas_ellipse(&view->canvas, shape.box[0], shape.box[1], shape.box[2], shape.box[3]);
        break;
    }
    canvas_restore_brush(&brush);
    if (edited) canvas_restore_pen(&pen);
}
