// The output primitives in model units, with their DXF branches.
#include "render/output/primitives.h"

#include <climits>
#include <cmath>

#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"
#include "geometry/transforms.h"
#include "render/output/dxf_writers.h"
#include "store/settings_block.h"

namespace {

int32_t px_x(const OutputView* view, double x) {
    return view_x_to_pixel(&view->transform, x);
}

int32_t px_y(const OutputView* view, double y) {
    return view_y_to_pixel(&view->transform, y);
}

// A pixel extent: trunc(length * scale), clamped like a pixel coordinate.
int32_t extent_px(double length, double scale) {
    return clamp_to_pixel(length * scale);
}

// The largest pixel coordinate a segment end is given at: half the clamp
// limit, so that rounding never reaches the clamp.
constexpr double segment_pixel_limit = pixel_coordinate_limit / 2.0;

// Pixel position of a model point, unrounded.
void pixel_of(const OutputView* view, Point2 p, double* x, double* y) {
    const ViewTransform& t = view->transform;
    *x = (p.x - t.view_offset.x + t.scroll_shift.x) * t.scale.x;
    *y = (p.y - t.view_offset.y + t.scroll_shift.y) * t.scale.y;
}

// At extreme zoom a segment end may lie beyond what a device coordinate
// holds; clamping it alone would turn the line.  The segment is cut to the
// square of +-segment_pixel_limit pixels instead (in its own parameter, so
// its direction stays).  Returns false when no part of it lies inside.
bool clip_to_pixel_range(const OutputView* view, Segment* seg) {
    double x1, y1, x2, y2;
    pixel_of(view, seg->start, &x1, &y1);
    pixel_of(view, seg->end, &x2, &y2);
    const double m = segment_pixel_limit;
    if (std::fabs(x1) <= m && std::fabs(y1) <= m && std::fabs(x2) <= m && std::fabs(y2) <= m) return true;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return false;
    double t0 = 0.0, t1 = 1.0;
    const double d[2] = {x2 - x1, y2 - y1}, a[2] = {x1, y1};
    for (int axis = 0; axis < 2; ++axis) {
        for (double bound : {-m, m}) {
            // Inside: (a + t d) on the inner side of bound.
            double sign = bound < 0 ? -1.0 : 1.0;
            double num = sign * (bound - a[axis]), den = sign * d[axis];
            if (den == 0.0) {
                if (num < 0.0) return false;
                continue;
            }
            double t = num / den;
            if (den > 0.0) {
                if (t < t1) t1 = t;
            } else if (t > t0) {
                t0 = t;
            }
        }
    }
    if (t0 > t1) return false;
    Segment s = *seg;
    const double dx = s.end.x - s.start.x, dy = s.end.y - s.start.y;
    seg->start = Point2{s.start.x + t0 * dx, s.start.y + t0 * dy};
    seg->end = Point2{s.start.x + t1 * dx, s.start.y + t1 * dy};
    return true;
}

}  // namespace

int draw_line_segment(OutputView* view, const Segment* line) {
    if (!view || !line) return 0;
    if (dxf_output_active) {
        dxf_write_line(view, line);
        return 1;
    }
    Segment cut = *line;
    if (!clip_to_pixel_range(view, &cut)) return 0;
    const Segment* seg = &cut;
    int32_t x1 = px_x(view, seg->start.x), y1 = px_y(view, seg->start.y);
    int32_t x2 = px_x(view, seg->end.x), y2 = px_y(view, seg->end.y);
    canvas_move_to(&view->canvas, x1, y1);
    if (x1 == x2 && y1 == y2) return canvas_line_to(&view->canvas, x1 + 1, y1 - 1);
    // LineTo leaves its last pixel out: set it in the pen's own colour, so a
    // marked or coloured line gets no dot of another colour at its end.
    canvas_set_pixel(&view->canvas, x2, y2, view->canvas.pen.colour);
    return canvas_line_to(&view->canvas, x2, y2);
}

int draw_line_segment_xy(OutputView* view, double x1, double y1, double x2, double y2) {
    Segment s = {{x1, y1}, {x2, y2}};
    return draw_line_segment(view, &s);
}

int dashed_segment_pieces(const Segment* seg, Segment* out, int max) {
    if (!seg) return 0;
    double dash = sheet_to_model_length(4.75);
    double gap = sheet_to_model_length(2.25);
    double period = dash + gap;
    double dx = seg->end.x - seg->start.x, dy = seg->end.y - seg->start.y;
    double length = std::sqrt(dx * dx + dy * dy);
    if (!std::isfinite(length) || !(period > 0.0)) return 0;
    // The smallest k >= 2 with length / k <= period.
    double kd = std::ceil(length / period);
    if (kd < 2.0) kd = 2.0;
    // Beyond a million periods the pattern is finer than any device shows:
    // the segment is drawn whole.
    if (kd > 1.0e6) {
        if (max > 0) out[0] = *seg;
        return 1;
    }
    long k = static_cast<long>(kd);
    while (k > 2 && length / static_cast<double>(k - 1) <= period) --k;
    while (length / static_cast<double>(k) > period) ++k;
    double h = length / static_cast<double>(k);
    double d = dash * h / period, g = gap * h / period;
    double a = std::atan2(dy, dx);
    double c = std::cos(a), s = std::sin(a);
    // Each period is half a dash, a gap and half a dash: a half dash at
    // either end, whole dashes between, the last one ending at the end point.
    int n = 0;
    double pos = 0.0;
    for (long i = 0; i <= k; ++i) {
        double from = pos;
        double to = i == 0 ? d / 2.0 : pos + d;
        if (i == k || to > length) to = length;
        if (n < max) {
            out[n].start = Point2{seg->start.x + from * c, seg->start.y + from * s};
            out[n].end = i == k ? seg->end : Point2{seg->start.x + to * c, seg->start.y + to * s};
        }
        ++n;
        pos = to + g;
    }
    return n;
}

int draw_dashed_segment(OutputView* view, const Segment* seg) {
    if (!view || !seg) return 0;
    Segment piece[64];
    int n = dashed_segment_pieces(seg, piece, 64);
    if (n <= 64) {
        int result = 0;
        for (int i = 0; i < n; ++i) result = draw_line_segment(view, &piece[i]);
        return result;
    }
    // A long line: its pieces in batches (the list is recomputed, not kept).
    Segment* all = static_cast<Segment*>(kernel_alloc(sizeof(Segment) * static_cast<size_t>(n)));
    if (!all) {
        kernel_report_out_of_memory();
        return 0;
    }
    dashed_segment_pieces(seg, all, n);
    int result = 0;
    for (int i = 0; i < n; ++i) result = draw_line_segment(view, &all[i]);
    kernel_free(all);
    return result;
}

int draw_circle(OutputView* view, const CircleGeom* circle) {
    if (!view || !circle) return 0;
    if (dxf_output_active) {
        dxf_write_circle(view, circle);
        return 1;
    }
    double r = point_distance(circle->on_circle, circle->centre);
    if (r == 0.0) {
        Segment s = {circle->on_circle, circle->centre};
        return draw_line_segment(view, &s);
    }
    int32_t rx = extent_px(r, view->transform.scale.x), ry = extent_px(r, view->transform.scale.y);
    int32_t cx = px_x(view, circle->centre.x), cy = px_y(view, circle->centre.y);
    int32_t px = px_x(view, circle->on_circle.x), py = px_y(view, circle->on_circle.y);
    return canvas_arc(&view->canvas, clamp_to_pixel(double(cx) - rx), clamp_to_pixel(double(cy) - ry),
                      clamp_to_pixel(double(cx) + rx + 1), clamp_to_pixel(double(cy) + ry + 1), px, py, px, py);
}

void arc_move_to_pixel(OutputView* view, double x, double y, int32_t* last_x, int32_t* last_y) {
    int32_t px = px_x(view, x), py = px_y(view, y);
    canvas_move_to(&view->canvas, px, py);
    *last_x = px;
    *last_y = py;
}

int arc_line_to_pixel(OutputView* view, double x, double y, int32_t* last_x, int32_t* last_y) {
    int32_t px = px_x(view, x), py = px_y(view, y);
    if (px == *last_x && py == *last_y) return 0;
    *last_x = px;
    *last_y = py;
    return canvas_line_to(&view->canvas, px, py);
}

double arc_step_angle(const OutputView* view, double r) {
    double step = arc_first_step;
    for (int i = 0; i < 6; ++i) {
        double chord = sine_from_table(step) * r;
        // trunc(chord x scale) >= 5 is the same test in doubles.
        if (chord * view->transform.scale.x >= 5.0 && chord * view->transform.scale.y >= 5.0) break;
        step *= 2.0;
    }
    return step;
}

int draw_arc_stepped(OutputView* view, const ArcByCentre* arc, int direction, const ArcStepper* stepper) {
    if (!view || !arc || !stepper || !stepper->move || !stepper->line) return 0;
    const double two_pi = kernel_context().two_pi;
    const Point2 c = arc->centre;
    double r = (point_distance(arc->start, c) + point_distance(arc->end, c)) / 2.0;
    double step = arc_step_angle(view, r);
    double a0 = std::atan2(arc->start.y - c.y, arc->start.x - c.x);
    double ae = std::atan2(arc->end.y - c.y, arc->end.x - c.x);
    double as = a0 < 0.0 ? a0 + two_pi : a0;
    if (ae < 0.0) ae += two_pi;
    bool full = arc->start.x == arc->end.x && arc->start.y == arc->end.y;
    double limit;
    if (direction == 0) {
        double s = as - ae;
        if (s < 0.0) s += two_pi;
        limit = a0 - s;
        if (full)
            limit = a0 - s - two_pi + arc_half_first_step;
        else if (compare_doubles(a0, limit) == 0)
            limit += arc_half_first_step;
    } else {
        double s = ae - as;
        if (s < 0.0) s += two_pi;
        limit = a0 + s;
        if (full)
            limit = a0 + s + two_pi - arc_half_first_step;
        else if (compare_doubles(a0, limit) == 0)
            limit -= arc_half_first_step;
    }
    int32_t lx = 0, ly = 0;
    stepper->move(view, arc->start.x, arc->start.y, &lx, &ly);
    int result = 0;
    double a = a0;
    for (;;) {
        a = direction == 0 ? a - step : a + step;
        bool inside = direction == 0 ? a > limit : a < limit;
        if (!inside) {
            int r2 = stepper->line(view, arc->end.x, arc->end.y, &lx, &ly);
            if (r2) result = r2;
            break;
        }
        int r1 = stepper->line(view, c.x + r * cosine_from_table(a), c.y + r * sine_from_table(a), &lx, &ly);
        if (r1) result = r1;
    }
    return result;
}

int draw_arc(OutputView* view, const ArcByCentre* arc) {
    if (!view || !arc) return 0;
    if (dxf_output_active) {
        dxf_write_arc(view, arc);
        return 1;
    }
    static const ArcStepper steppers = {arc_move_to_pixel, arc_line_to_pixel};
    return draw_arc_stepped(view, arc, 0, &steppers);
}

int draw_bezier_chain(OutputView* view, const Point2* points, int pieces) {
    if (!view || !points || pieces <= 0) return 0;
    if (dxf_output_active) {
        dxf_write_spline(view, points, pieces);
        return 1;
    }
    if (pieces > (INT_MAX - 1) / 3) return 0;
    int count = 3 * pieces + 1;
    PointI fixed[4];
    PointI* px = fixed;
    if (pieces > 1) {
        px = static_cast<PointI*>(kernel_alloc(sizeof(PointI) * static_cast<size_t>(count)));
        if (!px) {
            kernel_report_out_of_memory();
            return 0;
        }
    }
    for (int i = 0; i < count; ++i) px[i] = PointI{px_x(view, points[i].x), px_y(view, points[i].y)};
    canvas_set_pixel(&view->canvas, px[count - 1].x, px[count - 1].y, view->canvas.pen.colour);
    int result = canvas_poly_bezier(&view->canvas, px, count);
    if (px != fixed) kernel_free(px);
    return result;
}

int draw_frame(OutputView* view, Point2 a, Point2 b) {
    if (!view) return 0;
    if (dxf_output_active) {
        dxf_write_rectangle(view, a, b);
        return 1;
    }
    int32_t x1 = px_x(view, a.x), y1 = px_y(view, a.y), x2 = px_x(view, b.x), y2 = px_y(view, b.y);
    canvas_move_to(&view->canvas, x1, y1);
    canvas_line_to(&view->canvas, x2, y1);
    canvas_line_to(&view->canvas, x2, y2);
    canvas_line_to(&view->canvas, x1, y2);
    return canvas_line_to(&view->canvas, x1, y1);
}

int draw_end_marker(OutputView* view, double x, double y, int shape) {
    // The marker is a mark of the screen: nothing of it goes to a file.
    if (!view || dxf_output_active || shape < 0 || shape > 3) return 0;
    int32_t hw = settings_i32(settings_point_mark_half_width_offset);
    int32_t hh = settings_i32(settings_point_mark_half_height_offset);
    int32_t cx = px_x(view, x), cy = px_y(view, y);
    int32_t l = clamp_to_pixel(double(cx) - hw), r = clamp_to_pixel(double(cx) + hw);
    int32_t t = clamp_to_pixel(double(cy) - hh), b = clamp_to_pixel(double(cy) + hh);
    PenScope pen = canvas_select_pen(&view->canvas,
                                     PenDesc{pen_inside_frame, 2, settings_u32(settings_marked_colour_offset)});
    PixelCanvas* c = &view->canvas;
    int result = 0;
    canvas_move_to(c, l, t);
    switch (shape) {
    case 0:
        canvas_line_to(c, r, b);
        canvas_move_to(c, l, b);
        result = canvas_line_to(c, r, t);
        break;
    case 1:
        canvas_line_to(c, r, t);
        canvas_line_to(c, r, b);
        canvas_line_to(c, l, b);
        result = canvas_line_to(c, l, t - 1);
        break;
    case 2:
        canvas_line_to(c, l, b);
        canvas_line_to(c, r, t);
        result = canvas_line_to(c, r, b);
        break;
    default: result = canvas_line_to(c, r, t); break;
    }
    canvas_restore_pen(&pen);
    return result;
}
