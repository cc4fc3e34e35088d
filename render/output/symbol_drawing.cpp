// Conventional symbols: the signs of codes 0..56 drawn or measured through
// one set of piece routines, and the per-view symbol walk.
#include "render/output/symbol_drawing.h"

#include <cfloat>
#include <cmath>

#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/tolerance.h"
#include "geometry/transforms.h"
#include "render/output/element_drawing.h"
#include "render/output/primitives.h"
#include "render/output/symbol_catalog.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"

int walk_marked_symbol_seen = 0;

namespace {

constexpr double pi = 3.14159265358979323846;

int no_picture(OutputView*, const uint8_t*, Box*, int) { return 0; }

}  // namespace

const PictureSymbolDrawer picture_symbol_drawer_unbound = {no_picture};
PictureSymbolDrawer picture_symbol_drawer = picture_symbol_drawer_unbound;

namespace {

Point2 polar(Point2 c, double r, double angle) {
    return Point2{c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

double distance(Point2 a, Point2 b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

Point2 midpoint(Point2 a, Point2 b) {
    return Point2{(a.x + b.x) / 2, (a.y + b.y) / 2};
}

// Distance of p from the line through a and b (0 when a and b coincide).
double line_distance(Point2 a, Point2 b, Point2 p) {
    double len = distance(a, b);
    if (len == 0) return 0;
    return std::fabs((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / len;
}

void box_add_point(Box* box, Point2 p) {
    if (p.x < box->min_x) box->min_x = p.x;
    if (p.y < box->min_y) box->min_y = p.y;
    if (p.x > box->max_x) box->max_x = p.x;
    if (p.y > box->max_y) box->max_y = p.y;
}

// Where the pieces go: the canvas of a view, or the box of the measuring.
struct Painter {
    OutputView* view;  // null when measuring
    Box* box;
    uint32_t colour;      // the symbol colour
    uint32_t background;  // the fill of closed signs
    bool drawn;           // a piece was drawn or measured

    bool drawing() const { return view != nullptr; }
    PixelCanvas* canvas() { return &view->canvas; }
    int width(double mm) const { return pen_width_pixels(view, mm); }
    PointI pixel(Point2 p) const {
        return PointI{view_x_to_pixel(&view->transform, p.x), view_y_to_pixel(&view->transform, p.y)};
    }
};

PenDesc frame_pen(int width, uint32_t colour) {
    return PenDesc{pen_inside_frame, width, colour};
}

void segment(Painter& p, Point2 a, Point2 b, double mm, bool dashed = false) {
    p.drawn = true;
    if (!p.drawing()) {
        box_add_point(p.box, a);
        box_add_point(p.box, b);
        return;
    }
    PenScope pen = canvas_select_pen(p.canvas(), frame_pen(p.width(mm), p.colour));
    Segment s = {a, b};
    if (dashed)
        draw_dashed_segment(p.view, &s);
    else
        draw_line_segment(p.view, &s);
    canvas_restore_pen(&pen);
}

void polyline(Painter& p, const Point2* pts, int n, double mm) {
    p.drawn = true;
    if (!p.drawing()) {
        for (int i = 0; i < n; ++i) box_add_point(p.box, pts[i]);
        return;
    }
    PointI px[8];
    for (int i = 0; i < n && i < 8; ++i) px[i] = p.pixel(pts[i]);
    PenScope pen = canvas_select_pen(p.canvas(), frame_pen(p.width(mm), p.colour));
    canvas_polyline(p.canvas(), px, n);
    canvas_restore_pen(&pen);
}

// A filled polygon; outline_mm 0 draws no outline of its own (a 1-pixel
// edge in the fill colour).
void polygon(Painter& p, const Point2* pts, int n, uint32_t fill, double outline_mm) {
    p.drawn = true;
    if (!p.drawing()) {
        for (int i = 0; i < n; ++i) box_add_point(p.box, pts[i]);
        return;
    }
    PointI px[8];
    for (int i = 0; i < n && i < 8; ++i) px[i] = p.pixel(pts[i]);
    PenDesc pen = outline_mm > 0 ? frame_pen(p.width(outline_mm), p.colour) : frame_pen(0, fill);
    PenBrushScope scope = select_pen_brush(p.canvas(), pen, BrushDesc{brush_solid, fill});
    canvas_polygon(p.canvas(), px, n);
    restore_pen_brush(&scope);
}

void bezier(Painter& p, const Point2 pts[4], double mm) {
    p.drawn = true;
    if (!p.drawing()) {
        for (int i = 0; i < 4; ++i) box_add_point(p.box, pts[i]);
        return;
    }
    PenScope pen = canvas_select_pen(p.canvas(), frame_pen(p.width(mm), p.colour));
    draw_bezier_chain(p.view, pts, 1);
    canvas_restore_pen(&pen);
}

// The pixel centre and rounded-up pixel radius of a circle.
struct PixelCircle {
    PointI centre;
    int32_t radius;
};

PixelCircle pixel_circle(const Painter& p, const CircleGeom& c) {
    PointI on = p.pixel(c.on_circle), ce = p.pixel(c.centre);
    double d = std::hypot(static_cast<double>(on.x) - ce.x, static_cast<double>(on.y) - ce.y);
    return PixelCircle{ce, clamp_to_pixel(std::ceil(d))};
}

// A circle filled with `fill` and outlined in the symbol colour with a pen
// of outline_mm; a circle of at most one pixel radius is the segment of its
// two points.
void draw_filled_circle(Painter& p, const CircleGeom& c, uint32_t fill, double outline_mm) {
    p.drawn = true;
    if (!p.drawing()) {
        Box b;
        box_of_circle(&b, &c);
        box_union(p.box, &b);
        return;
    }
    PixelCircle pc = pixel_circle(p, c);
    const int32_t cx = pc.centre.x, cy = pc.centre.y, r = pc.radius;
    if (r > 1) {
        PenBrushScope fill_scope = select_pen_brush(p.canvas(), frame_pen(0, fill), BrushDesc{brush_solid, fill});
        canvas_ellipse(p.canvas(), cx - r + 1, cy - r + 1, cx + r, cy + r);
        restore_pen_brush(&fill_scope);
        PenBrushScope line = select_pen_brush(p.canvas(), frame_pen(p.width(outline_mm), p.colour),
                                              BrushDesc{brush_solid, p.colour});
        PointI on = p.pixel(c.on_circle);
        canvas_arc(p.canvas(), cx - r, cy - r, cx + r + 1, cy + r + 1, on.x, on.y, on.x, on.y);
        restore_pen_brush(&line);
    } else {
        PenScope pen = canvas_select_pen(p.canvas(), frame_pen(p.width(outline_mm), p.colour));
        Segment s = {c.on_circle, c.centre};
        draw_line_segment(p.view, &s);
        canvas_restore_pen(&pen);
    }
}

// A sector of the circle about centre through on_circle covering the model
// angles [low, high], filled in the symbol colour.  GDI's Pie runs from its
// start radial anticlockwise as seen, which is decreasing model angle
// (model y grows downward): start at high, end at low.
void pie(Painter& p, Point2 centre, double r, double low, double high) {
    if (!p.drawing()) return;  // inside the circle's box
    p.drawn = true;
    PixelCircle pc = pixel_circle(p, CircleGeom{polar(centre, r, 0), centre});
    const int32_t cx = pc.centre.x, cy = pc.centre.y, pr = pc.radius;
    PointI s = p.pixel(polar(centre, r, high)), e = p.pixel(polar(centre, r, low));
    PenBrushScope scope = select_pen_brush(p.canvas(), frame_pen(0, p.colour), BrushDesc{brush_solid, p.colour});
    canvas_pie(p.canvas(), cx - pr, cy - pr, cx + pr + 1, cy + pr + 1, s.x, s.y, e.x, e.y);
    restore_pen_brush(&scope);
}

// The arrow dart with its tip at p0 pointing away from p1: length L =
// |p0 p1| to its notch, barbs w / 2 to the sides and w / 2 further back,
// w = 0.352 L.  Returns w / 2 (model units).
double draw_dart(Painter& p, Point2 p0, Point2 p1, double mm) {
    const double l = distance(p0, p1), w = 0.352 * l;
    const double angle = std::atan2(p1.y - p0.y, p1.x - p0.x);
    p.drawn = true;
    if (!p.drawing()) {
        Point2 pts[4] = {p0, {p0.x + l + w / 2, p0.y - w / 2}, {p0.x + l, p0.y}, {p0.x + l + w / 2, p0.y + w / 2}};
        for (Point2& q : pts) {
            double dx = q.x - p0.x, dy = q.y - p0.y;
            q = Point2{p0.x + dx * std::cos(angle) - dy * std::sin(angle),
                       p0.y + dx * std::sin(angle) + dy * std::cos(angle)};
            box_add_point(p.box, q);
        }
        return w / 2;
    }
    PointI tip = p.pixel(p0);
    const double lp = l * p.view->transform.scale.x, wp = w * p.view->transform.scale.x;
    PointI pts[4] = {tip,
                     {clamp_to_pixel(tip.x + lp + wp / 2), clamp_to_pixel(tip.y - wp / 2)},
                     {clamp_to_pixel(tip.x + lp), tip.y},
                     {clamp_to_pixel(tip.x + lp + wp / 2), clamp_to_pixel(tip.y + wp / 2)}};
    if (pts[1].y == pts[3].y) {
        pts[1].y = tip.y - 1;
        pts[3].y = tip.y + 1;
    }
    rotate_pixel_points(&p.view->transform, tip.x, tip.y, angle, pts, 4);
    PenBrushScope scope = select_pen_brush(p.canvas(), frame_pen(p.width(mm), p.colour), BrushDesc{brush_solid, p.colour});
    canvas_polygon(p.canvas(), pts, 4);
    restore_pen_brush(&scope);
    return w / 2;
}

void draw_symbol_cross(Painter& p, double extra, Point2 p0, Point2 p1) {
    const double c = extra + sheet_to_model_length(1.2);
    const double a = std::atan2(p0.y - p1.y, p0.x - p1.x);
    segment(p, polar(p1, c, a), polar(p1, c, a + pi), 0.25);
    segment(p, polar(p1, c, a + pi / 2), polar(p1, c, a - pi / 2), 0.25);
}

uint32_t symbol_colour(const OutputView* view, const uint8_t* el) {
    if (view->stage >= 5) return view->layer_colours[element_layer(el) & 7];
    if (get_u16(el, element_flags) & element_flag_marked) return settings_u32(settings_marked_colour_offset);
    return settings_u32(settings_line_colour_offset);
}

// The signs.  pt: the reference points, n their number, r and a the
// distance and direction (from the second point to the first) of the first
// two points.  Returns with nothing drawn where the sign's points leave no
// room for it.
void draw_sign(Painter& p, uint32_t code, const Point2* pt, double r, double a) {
    const Point2 p0 = pt[0], p1 = pt[1], p2 = pt[2], p3 = pt[3];
    const double back = a + pi;  // from the first point along the axis
    const uint32_t bg = p.background, ink = p.colour;
    switch (code) {
    case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 43: {
        draw_filled_circle(p, CircleGeom{p0, p1}, bg, 0.5);
        switch (code) {
        case 0: pie(p, p1, r, a - pi / 2, a); break;
        case 43: pie(p, p1, r, a, a + 3 * pi / 2); break;
        case 1: pie(p, p1, r, a, a + pi / 2); break;
        case 2: pie(p, p1, r, a - pi / 2, a + pi / 2); break;
        case 3:
            pie(p, p1, r, a - pi / 2, a);
            pie(p, p1, r, a + pi / 2, a + pi);
            break;
        case 4:
            pie(p, p1, r, a, a + pi / 2);
            pie(p, p1, r, a + pi, a + 3 * pi / 2);
            break;
        case 6: pie(p, p1, r, a - 5 * pi / 4, a - pi / 4); break;
        case 8:
            pie(p, p1, r, a - 3 * pi / 4, a - pi / 4);
            pie(p, p1, r, a + pi / 4, a + 3 * pi / 4);
            break;
        case 5: case 9:
            segment(p, polar(p1, r, a - pi / 4), polar(p1, r, a - pi / 4 + pi), 0.6);
            break;
        case 7:
            segment(p, polar(p1, r, a - pi / 4), polar(p1, r, a - pi / 4 + pi), 0.6);
            segment(p, polar(p1, r, a + pi / 4), polar(p1, r, a + pi / 4 + pi), 0.6);
            break;
        default: break;
        }
        if (p.drawing() && (code <= 4 || code == 9 || code == 43)) draw_symbol_cross(p, r, p0, p1);
        if (!p.drawing()) {
            // Every circle sign measures with the cross's box.
            Box b;
            symbol_cross_box(&b, p0, p1);
            box_union(p.box, &b);
        }
        break;
    }
    case 10: {
        Point2 hex[6];
        for (int k = 0; k < 6; ++k) hex[k] = polar(p1, r, a - k * pi / 3);
        polygon(p, hex, 6, bg, 0.6);
        break;
    }
    case 11: draw_symbol_cross(p, r, p0, p1); break;
    case 12: {
        Point2 sq[4];
        for (int k = 0; k < 4; ++k) sq[k] = polar(p1, r / std::cos(pi / 4), a - pi / 4 - k * pi / 2);
        polygon(p, sq, 4, bg, 0.6);
        break;
    }
    case 13: case 14: case 15: case 16: case 17: case 47: {
        Point2 c[4];
        rectangle_corners(p0, p1, p2, a, r, c);
        if (code == 47) {
            Point2 ring[5] = {c[0], c[1], c[2], c[3], c[0]};
            polyline(p, ring, 5, 0.25);
            break;
        }
        polygon(p, c, 4, bg, 0.6);
        if (code == 14 || code == 16) segment(p, c[0], c[2], 0.6);
        if (code == 16) segment(p, c[1], c[3], 0.6);
        if (code == 15) {
            Point2 t[3] = {c[0], c[1], c[2]};
            polygon(p, t, 3, ink, 0);
        }
        if (code == 17) {
            Point2 t1[3] = {c[0], c[1], p1}, t2[3] = {c[2], c[3], p1};
            polygon(p, t1, 3, ink, 0);
            polygon(p, t2, 3, ink, 0);
        }
        break;
    }
    case 48: case 49: {
        const double radius = 2.5 * sheet_to_model_length(0.6);
        draw_filled_circle(p, CircleGeom{Point2{p0.x + radius, p0.y}, p0}, code == 48 ? ink : bg, 0.25);
        break;
    }
    case 50: case 51: {
        const double side = r * 1.1547005434251698;
        Point2 tri[4] = {p0, polar(p0, side, back - 0.5235988), polar(p0, side, back + 0.5235988), p0};
        polygon(p, tri, 3, code == 50 ? ink : bg, 0);
        polyline(p, tri, 4, 0.5);
        break;
    }
    case 52: case 53: case 54: {
        const double h = code == 52 ? 0.5235988 : pi / 24;
        const double arm = r / std::cos(h);
        Point2 arrow[3] = {polar(p0, arm, back - h), p0, polar(p0, arm, back + h)};
        polyline(p, arrow, 3, code == 52 ? 0.5 : 0.25);
        if (code == 54) segment(p, polar(p0, arm / 4, a + pi / 2), polar(p0, arm / 4, a - pi / 2), 0.25);
        break;
    }
    case 55: case 56: {
        static const double tpl[3][4][2] = {{{0, -60}, {20, -60}, {10, -15}, {0, 0}},
                                            {{0, 0}, {-10, 15}, {-20, 60}, {0, 60}},
                                            {{0, 60}, {20, 60}, {10, 15}, {0, 0}}};
        const Point2 m = midpoint(p0, p1);
        const double k = r / 120, t = a + pi / 2, cs = std::cos(t), sn = std::sin(t);
        for (int i = 0; i < 3; ++i) {
            Point2 q[4];
            for (int j = 0; j < 4; ++j) {
                double x = tpl[i][j][0], y = tpl[i][j][1];
                if (code == 56 && i == 0 && (j == 1 || j == 2)) x = -x;
                q[j] = Point2{m.x + k * (x * cs - y * sn), m.y + k * (x * sn + y * cs)};
            }
            bezier(p, q, 0.25);
        }
        break;
    }
    case 30: segment(p, p0, p1, 0.6); break;
    case 33: segment(p, p0, p1, 0.25); break;
    case 32: {
        const double half = distance(p0, p2) / 2;
        if (!(r > half)) break;
        const Point2 m = midpoint(p0, p1);
        const Point2 e1 = polar(m, half, a), e2 = polar(m, half, a + pi);
        const double h = (half / 2) / std::cos(5 * pi / 12);
        const Point2 z1 = polar(e1, h, a - 5 * pi / 12 - pi);
        const Point2 z2 = {2 * m.x - z1.x, 2 * m.y - z1.y};
        segment(p, p0, e1, 0.25);
        segment(p, p1, e2, 0.25);
        Point2 z[4] = {e1, z1, z2, e2};
        polyline(p, z, 4, 0.25);
        break;
    }
    case 34: case 35: case 36: case 37: case 39: {
        Point2 c[4];
        rectangle_corners(p0, p1, p2, a, r, c);
        if (code == 34) {
            double d = distance(c[1], c[3]);
            Point2 moved = c[1];
            if (d > 0) moved = Point2{c[1].x + 0.2 * r * (c[3].x - c[1].x) / d, c[1].y + 0.2 * r * (c[3].y - c[1].y) / d};
            segment(p, c[0], moved, 0.25);
            segment(p, moved, c[2], 0.25);
        } else if (code == 35 || code == 36) {
            segment(p, c[1], p0, 0.25, code == 35);
            segment(p, p0, c[2], 0.25, code == 35);
        } else if (code == 37) {
            Point2 m1 = midpoint(c[0], c[1]), m2 = midpoint(c[1], c[2]), m3 = midpoint(c[2], c[3]);
            segment(p, p0, m1, 0.25, true);
            segment(p, m1, m2, 0.25, true);
            segment(p, m2, m3, 0.25);
            segment(p, m3, p0, 0.25);
        } else {
            // In from corner 4 by 0.2 r along the length and across it.
            const double ux = std::cos(a), uy = std::sin(a), nx = -uy, ny = ux;
            const double along = (c[3].x - p1.x) * ux + (c[3].y - p1.y) * uy;
            const double across = (c[3].x - p1.x) * nx + (c[3].y - p1.y) * ny;
            const double sa = along >= 0 ? 1 : -1, sc = across >= 0 ? 1 : -1;
            Point2 centre = {c[3].x - 0.2 * r * (sa * ux + sc * nx), c[3].y - 0.2 * r * (sa * uy + sc * ny)};
            draw_filled_circle(p, CircleGeom{Point2{centre.x + 0.06 * r, centre.y}, centre}, ink, 0.25);
        }
        break;
    }
    case 38: {
        const Point2 m = midpoint(p0, p1);
        segment(p, p0, m, 0.25);
        draw_dart(p, p0, midpoint(p0, m), 0.25);
        break;
    }
    case 40: segment(p, p0, polar(p0, r, a + 3 * pi / 4), 0.6); break;
    case 41: segment(p, p0, polar(p0, r, a - 3 * pi / 4), 0.6); break;
    case 42:
        segment(p, p0, polar(p0, r, a - 3 * pi / 4), 0.6, true);
        segment(p, p0, polar(p0, r, a + 3 * pi / 4), 0.6);
        break;
    case 18: case 19: case 23: case 28: {
        const double w = line_distance(p0, p1, p2);
        const double beyond = sheet_to_model_length(0.6);
        const Point2 e = polar(p1, beyond, back);
        Point2 start = p0;
        if (code == 23) {
            const double dp = distance(p0, p3);
            if (!(dp < r)) break;
            start = polar(p0, dp, back);
        }
        if (code == 28) {
            const double f = r + beyond;
            start = polar(e, f > w ? f - w / 4 : f / 2, a);
        }
        segment(p, start, e, 0.6);
        const Point2 bar1 = polar(e, w, a + pi / 2), bar2 = polar(e, w, a - pi / 2);
        segment(p, bar1, bar2, 0.6);
        const bool positive = point_on_positive_side(e, p2.x, p2.y, a) != 0;
        if (code == 19) segment(p, positive ? bar1 : bar2, polar(e, w, a), 0.6);
        if (code == 28) {
            const Point2 q = polar(p0, w, positive ? a + pi / 2 : a - pi / 2);
            Point2 nail[4] = {start, p0, midpoint(p0, q), q};
            bezier(p, nail, 0.6);
        }
        if (code == 23) draw_dart(p, p0, start, 0.25);
        break;
    }
    case 20: case 24: {
        const double w = line_distance(p0, p1, p2);
        const double l = w + sheet_to_model_length(0.6);
        const double dp = code == 24 ? distance(p0, p3) : 0;
        if (l + dp > r) break;
        const Point2 h = polar(p1, l, a);
        const Point2 t1 = polar(h, w * std::sqrt(2.0), a - 3 * pi / 4), t2 = polar(h, w * std::sqrt(2.0), a - 5 * pi / 4);
        Point2 head[3] = {h, t1, t2};
        polygon(p, head, 3, bg, 0);
        segment(p, h, t1, 0.6);
        segment(p, h, t2, 0.6);
        if (code == 20) {
            segment(p, h, p0, 0.6);
        } else {
            const Point2 q = polar(p0, dp, back);
            segment(p, h, q, 0.6);
            draw_dart(p, p0, q, 0.25);
        }
        break;
    }
    case 21: case 29: {
        const double w = line_distance(p0, p1, p2);
        if (!(w < r)) break;
        if (code == 21) draw_filled_circle(p, CircleGeom{Point2{p1.x + w, p1.y}, p1}, bg, 0.25);
        draw_filled_circle(p, CircleGeom{Point2{p1.x + 0.33 * w, p1.y}, p1}, ink, 0.25);
        segment(p, p0, p1, 0.6);
        if (code == 29) {
            segment(p, p0, polar(p0, w * std::sqrt(2.0), a - pi / 4), 0.6);
            segment(p, p0, polar(p0, w * std::sqrt(2.0), a + pi / 4), 0.6);
        }
        break;
    }
    case 22: case 31: {
        const double u = distance(p0, p2);
        if (!(r > u)) break;
        const Point2 q = polar(p0, u, back);
        segment(p, q, p1, code == 22 ? 0.6 : 0.25);
        if (code == 22) {
            Point2 hook[4] = {q, polar(q, u / 4, a + pi / 3), polar(p0, u / 4, a + pi / 3 - pi), p0};
            polyline(p, hook, 4, 0.6);
        } else {
            const double half_width = draw_dart(p, p0, q, 0.25);
            const double cr = 1.75 * half_width;
            draw_filled_circle(p, CircleGeom{Point2{p1.x + cr, p1.y}, p1}, bg, 0.25);
        }
        break;
    }
    case 25: case 26: {
        Point2 q[4];
        for (int k = 0; k < 4; ++k) q[k] = polar(p1, r / std::cos(pi / 4), a - (2 * k + 1) * pi / 4);
        if (code == 25) {
            segment(p, q[0], q[2], 0.6);
            segment(p, q[1], q[3], 0.6);
        } else {
            segment(p, q[0], p1, 0.6);
            segment(p, q[1], p1, 0.6);
        }
        break;
    }
    case 27: {
        const double u = distance(p0, p2);
        if (!(r > u)) break;
        segment(p, p0, p1, 0.6);
        const Point2 q = polar(p0, u, back);
        const double half = line_distance(p0, p1, p3);
        segment(p, polar(q, half, a + pi / 4), polar(q, half, a + pi / 4 + pi), 0.6);
        break;
    }
    case 44: case 45: case 46: {
        const double g = code == 45 ? a - pi / 2 : a + pi / 2;
        const double d = sheet_to_model_length(1.24) + (code == 46 ? sheet_to_model_length(0.6) : 0);
        Point2 s = polar(p0, d, g);
        if (code != 46) s = polar(s, r / 3, a);
        const Point2 e = polar(s, r, a - pi);
        segment(p, s, e, 0.6);
        if (code == 46) {
            const double bar = sheet_to_model_length(0.6);
            segment(p, polar(s, bar, g), polar(s, bar, g + pi), 0.6);
            segment(p, polar(e, bar, g), polar(e, bar, g + pi), 0.6);
        }
        break;
    }
    default: break;
    }
}

}  // namespace

void rectangle_corners(Point2 p0, Point2 p1, Point2 p2, double a, double half_length, Point2 out[4]) {
    const double hw = line_distance(p0, p1, p2);
    const double d = std::hypot(half_length, hw);
    const double e = d > 0 ? std::asin(hw / d) : 0;
    out[0] = polar(p1, d, a - e);
    out[1] = polar(p1, d, a - pi + e);
    out[2] = polar(p1, d, a - pi - e);
    out[3] = polar(p1, d, a + e);
}

int point_on_positive_side(Point2 centre, double x, double y, double angle) {
    const double nx = -std::sin(angle), ny = std::cos(angle);
    return (x - centre.x) * nx + (y - centre.y) * ny > 0 ? 1 : 0;
}

void symbol_cross_box(Box* out, Point2 p0, Point2 p1) {
    *out = box_empty();
    const double c = distance(p0, p1) + sheet_to_model_length(1.2);
    const double a = std::atan2(p0.y - p1.y, p0.x - p1.x);
    box_add_point(out, polar(p1, c, a));
    box_add_point(out, polar(p1, c, a + pi));
    box_add_point(out, polar(p1, c, a + pi / 2));
    box_add_point(out, polar(p1, c, a - pi / 2));
}

int draw_symbol(OutputView* view, const uint8_t* element, Box* out, int draw) {
    if (!element || get_u16(element, record_length) < element_symbol_items) return 0;
    if (element_kind(element) != element_kind_symbol) return 0;
    if (out) *out = box_empty();
    if (draw && !view) return 0;
    const uint32_t stored_code = get_u16(element, element_symbol_code);
    if (stored_code >= picture_symbol_first_code)
        return picture_symbol_drawer.draw(view, element, out, draw);
    uint32_t code = 0;
    double pts[4][2] = {};
    const int n = symbol_element_points(element, get_u16(element, record_length), &code, pts);
    if (n < 1) return 0;
    Point2 pt[4];
    for (int i = 0; i < 4; ++i) pt[i] = Point2{pts[i][0], pts[i][1]};
    double r = 0, a = 0;
    if (n >= 2) {
        r = distance(pt[0], pt[1]);
        if (compare_doubles(r, 0.0) == 0) return 0;
        a = std::atan2(pt[0].y - pt[1].y, pt[0].x - pt[1].x);
    }
    Box box = box_empty();
    Painter p = {draw ? view : nullptr, &box, 0, settings_u32(settings_background_colour_offset), false};
    if (draw) {
        p.colour = symbol_colour(view, element);
        // The background pen and brush stay selected around the sign and are
        // put back on every way out.
        PenBrushScope saved = select_pen_brush(&view->canvas, PenDesc{pen_solid, 0, p.background},
                                               BrushDesc{brush_solid, p.background});
        draw_sign(p, code, pt, r, a);
        restore_pen_brush(&saved);
        return p.drawn ? 1 : 0;
    }
    draw_sign(p, code, pt, r, a);
    if (!p.drawn) return 0;
    if (out) *out = box;
    return 1;
}

int symbol_box_measure(uint8_t*, const uint8_t* element, Box* out) {
    Box b = box_empty();
    int r = draw_symbol(nullptr, element, &b, 0);
    if (out) *out = b;
    return r && !box_is_empty(&b) ? 1 : 0;
}

int draw_view_symbols(OutputView* view, int upper_layer, int no_pick) {
    if (!view) return 0;
    const OutputWindowSeams& s = output_window_seams;
    const bool ui = view->device == output_screen;
    const int stage = view->stage;
    // No symbol is click-marked while graphic elements are marked.
    bool picked = walk_marked_seen != 0;
    walk_marked_symbol_seen = 0;
    walk_marked_in_fragment = 0;
    uint8_t* projection = output_view_projection(view);
    if (!projection) return 0;
    s.print_counter((get_u16(projection, projection_flags) & 0x0800) != 0);
    int result = 0;
    uint32_t ref = 0;
    for (uint8_t* el = kernel_store.next(projection, chain_elements, nullptr, &ref); el;
         el = kernel_store.next(projection, chain_elements, el, &ref)) {
        if (get_u16(el, record_length) < element_head_size || element_kind(el) != element_kind_symbol) continue;
        const bool upper = (get_u16(el, element_options) & 0x0002) != 0;
        if (upper_layer && !upper) {
            result = 1;
            continue;
        }
        if (!upper_layer && upper) continue;
        const uint16_t flags = get_u16(el, element_flags);
        if (flags & element_flag_marked) {
            walk_marked_symbol_seen = 1;
            if (get_u16(el, element_fragment) != 0) walk_marked_in_fragment = 1;
        }
        draw_symbol(view, el, nullptr, 1);
        if (no_pick || picked || !ui || stage != 3) continue;
        if (!s.pick_marker_damaged(view, 3, el)) continue;
        const bool marked = (flags & element_flag_marked) != 0;
        put_u16(el, element_flags, static_cast<uint16_t>(marked ? flags & ~element_flag_marked : flags | element_flag_marked));
        kernel_store.changed(chain_elements, el);
        if (marked) {
            if (marked_element_count > 0) --marked_element_count;
        } else {
            if (marked_element_count < INT16_MAX) ++marked_element_count;
            s.prompt_show("Помечено условное изображение");
            walk_marked_symbol_seen = 1;
        }
        s.status_show_number(static_cast<unsigned>(marked_element_count));
        if (get_u16(el, element_fragment) != 0) s.mark_element_fragment(projection, el);
        picked = true;
    }
    const bool error = kernel_error_flag && *kernel_error_flag;
    if (error || !ui || stage != 3) return result;
    if (get_u32(projection, record_key) != s.active_projection_number() || walk_marked_seen) {
        s.pick_marker_hide(view);
        return result;
    }
    if (walk_marked_symbol_seen) s.enable_image_toolbar();
    s.pick_marker_hide(view);
    return result;
}

namespace {
int marked_symbol_seen() {
    return walk_marked_symbol_seen;
}
}  // namespace

void symbol_drawing_bind() {
    kernel_measurers.symbol_box = symbol_box_measure;
    output_window_seams.walk_marked_symbol_seen = marked_symbol_seen;
}
