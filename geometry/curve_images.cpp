// Curve images of Bezier splines, ellipses, elliptic arcs and wavy lines.
#include "geometry/curve_images.h"

#include "geometry/curves.h"
#include "geometry/extents.h"
#include "geometry/intersect.h"
#include "geometry/kernel_angles.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"
#include "geometry/tolerance.h"

#include <cmath>
#include <cstring>

namespace {

Point2 lerp(Point2 a, Point2 b, double t) { return Point2{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}; }

bool makes_arc(Point2 a, Point2 b, Point2 c, Point2* centre = nullptr) {
    ArcByPoints p{a, b, c};
    Point2 k;
    int r = arc_center_from_three_points(&p, &k);
    if (r != 0 && centre) *centre = k;
    return r != 0;
}

Point2 bezier_at(const BezierGeom& b, double t) {
    double u = 1 - t;
    double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
    return Point2{b0 * b.start.x + b1 * b.control1.x + b2 * b.control2.x + b3 * b.end.x,
                  b0 * b.start.y + b1 * b.control1.y + b2 * b.control2.y + b3 * b.end.y};
}

// A half is acceptable when it is straight, or when its second control
// point lies on the circle through its start, end and first control point
// and, so that the arc drawn for it stays within the tolerance of the
// spline, its quarter points lie on the circle through its start, middle
// and end.
bool acceptable(const BezierGeom& h, double tol) {
    bool arc1 = makes_arc(h.start, h.end, h.control1);
    bool arc2 = makes_arc(h.end, h.control1, h.control2);
    if (!arc1 && !arc2) return true;
    Point2 k;
    if (!makes_arc(h.start, h.end, h.control1, &k)) return false;
    if (std::fabs(point_distance(h.start, k) - point_distance(h.control2, k)) > tol) return false;
    Point2 m = bezier_at(h, 0.5), c;
    if (!makes_arc(h.start, h.end, m, &c)) {
        Segment chord{h.start, h.end};
        return point_line_distance(&chord, bezier_at(h, 0.25)) <= tol &&
               point_line_distance(&chord, bezier_at(h, 0.75)) <= tol;
    }
    double r = point_distance(h.start, c);
    return std::fabs(point_distance(bezier_at(h, 0.25), c) - r) <= tol &&
           std::fabs(point_distance(bezier_at(h, 0.75), c) - r) <= tol;
}

// Head fields copied from a source element into an image.
void fill_image_head(uint8_t* img, const uint8_t* src, uint16_t style) {
    put_u32(img, curve_number_offset, get_u32(src, curve_number_offset));
    put_u16(img, curve_level_offset, get_u16(src, curve_level_offset));
    put_u16(img, curve_fragment_offset, get_u16(src, curve_fragment_offset));
    uint16_t flags = get_u16(src, curve_flags_offset);
    put_u16(img, curve_flags_offset, static_cast<uint16_t>((flags & 0x4DF0) | 5));
    put_u16(img, curve_style_offset,
            static_cast<uint16_t>((get_u16(src, curve_style_offset) & curve_flag_copied) | style));
}

uint8_t* alloc_zeroed(size_t bytes) {
    uint8_t* p = static_cast<uint8_t*>(kernel_alloc(bytes));
    if (!p) {
        kernel_report_out_of_memory();
        return nullptr;
    }
    std::memset(p, 0, bytes);
    return p;
}

}  // namespace

void bezier_split(const BezierGeom* b, double t, BezierGeom* first, BezierGeom* second) {
    Point2 P0 = b->start, P1 = b->control1, P2 = b->control2, P3 = b->end;
    Point2 Q1 = lerp(P0, P1, t), R = lerp(P1, P2, t), R2 = lerp(P2, P3, t);
    Point2 Q2 = lerp(Q1, R, t), S1 = lerp(R, R2, t), M = lerp(Q2, S1, t);
    *first = BezierGeom{P0, M, Q1, Q2};
    *second = BezierGeom{M, P3, S1, R2};
}

int bezier_fit_single_arc(const BezierGeom* b, CurveVertex* v, int* count) {
    Box box;
    box_normalize(&box, b->start.x, b->start.y, b->end.x, b->end.y);
    int n = *count;
    if (b->control1.x >= box.min_x && b->control2.x <= box.max_x && b->control1.y >= box.min_y &&
        b->control2.y <= box.max_y) {
        if (n > 0) v[n - 1].through = b->control1;
    } else {
        // Sample along the line; where the spline turns back, a vertex.
        double dx = b->end.x - b->start.x, dy = b->end.y - b->start.y;
        if (dx == 0 && dy == 0) {
            dx = b->control1.x - b->start.x;
            dy = b->control1.y - b->start.y;
        }
        Point2 prev = b->start;
        double prev_s = 0;
        int dir = 0;
        for (int k = 1; k < 50; ++k) {
            Point2 p = bezier_at(*b, k * 0.02);
            double s = (p.x - b->start.x) * dx + (p.y - b->start.y) * dy;
            int d = s > prev_s ? 1 : (s < prev_s ? -1 : 0);
            if (d != 0 && dir != 0 && d != dir && n < bezier_max_vertices - 1) {
                if (n > 0) v[n - 1].through = lerp(v[n - 1].point, prev, 0.5);
                v[n++] = CurveVertex{0, prev, prev};
            }
            if (d != 0) dir = d;
            prev = p;
            prev_s = s;
        }
        if (n > 0) v[n - 1].through = lerp(v[n - 1].point, b->end, 0.5);
    }
    v[n] = CurveVertex{0, b->end, b->end};
    *count = n + 1;
    return 1;
}

int bezier_to_arc_vertices(const uint8_t* element, CurveVertex* v) {
    BezierGeom b{get_point2(element, element_bezier_offset), get_point2(element, element_bezier_offset + 16),
                 get_point2(element, element_bezier_offset + 32), get_point2(element, element_bezier_offset + 48)};
    double tol = curve_tolerance();
    int count = 1;
    v[0] = CurveVertex{0, b.start, b.start};
    if (!makes_arc(b.start, b.end, b.control1) && !makes_arc(b.end, b.control1, b.control2)) {
        bezier_fit_single_arc(&b, v, &count);
        return count;
    }
    BezierGeom rest = b;
    double t = 0.5;
    for (;;) {
        BezierGeom first, second;
        bezier_split(&rest, t, &first, &second);
        if (!acceptable(first, tol) && count < bezier_max_vertices - 1 && t > 1e-6) {
            t /= 2;
            continue;
        }
        // Every piece bends through the middle of its own half of the
        // spline, so its through point lies on the spline.
        v[count - 1].through = bezier_at(first, 0.5);
        v[count++] = CurveVertex{0, first.end, first.end};
        if (count >= bezier_max_vertices - 1 || acceptable(second, tol)) {
            v[count - 1].through = bezier_at(second, 0.5);
            v[count++] = CurveVertex{0, second.end, second.end};
            return count;
        }
        rest = second;
        t = 0.5;
    }
}

// ---------------------------------------------------------------- ellipses

namespace {

struct EllipseFrame {
    double a, b;
    Point2 F1, F2;
};

// The ellipse point at polar angle phi.
Point2 ellipse_at(const EllipseFrame& e, double phi) {
    double t = std::tan(phi);
    double x = 1 / std::sqrt(1 / (e.a * e.a) + t * t / (e.b * e.b));
    if (std::fabs(phi) > k_half_pi()) x = -x;
    return Point2{x, x * t};
}

void set_vertex(uint8_t* img, int i, uint32_t number, Point2 p) {
    curve_set_vertex(img, i, CurveVertex{number, p, p});
}

// Polar sampling of a closed image; returns the last vertex index, or -1
// when more than 54 vertices would be needed.
int polar_sampling(uint8_t* img, const EllipseFrame& e, Point2 p0, uint32_t n0, Point2 p1, uint32_t n1) {
    const double hp = k_half_pi(), pi = k_pi(), h = pi * 0.005;
    double theta1 = std::atan2(p1.y, p1.x);
    double phi = hp, phinext = hp + hp / 270;
    Point2 current{0, e.b}, Q{0, e.b};
    int i = 0;
    for (int pass = 0;; ++pass) {
        if (compare_doubles(phi, 0) == 0) {
            set_vertex(img, i, n0, p0);
        } else {
            set_vertex(img, i, compare_doubles(theta1, phi) == 0 ? n1 : 0, current);
        }
        ++i;
        if (compare_doubles(theta1, phi) > 0 && compare_doubles(theta1, phinext) < 0) set_vertex(img, i++, n1, p1);
        if (pass == 0) {
            phi = phinext;
            phinext = hp + h;
        } else {
            if (compare_doubles(phi, 0) < 0 && compare_doubles(phinext, 0) >= 0)
                phi = 0;
            else
                phi = phinext;
            if (compare_doubles(phi, hp) == 0) break;
            if (compare_doubles(phi, pi) == 0) phi = -pi;
            // Step search: the chord grows while three times its length stays
            // below the distance from its far end to the nearer focus.
            // Q, the start of the chord, stays fixed during the search and
            // becomes the last trial point computed.
            Point2 last_trial = Q;
            for (int m = 1; m <= 800; ++m) {
                double psi = phi + m * h;
                phinext = psi;
                if (compare_doubles(psi, hp) == 0) break;
                if (compare_doubles(psi, -hp) == 0) {
                    last_trial = Point2{0, -e.b};
                    break;
                }
                Point2 T = ellipse_at(e, psi);
                last_trial = T;
                if (compare_doubles(psi, 0) == 0 || compare_doubles(psi, pi) == 0) break;
                double f = std::fmin(point_distance(T, e.F1), point_distance(T, e.F2));
                if (!(compare_doubles(3 * point_distance(T, Q), f) < 0)) break;
            }
            Q = last_trial;
        }
        current = compare_doubles(phi, -hp) == 0 ? Point2{0, -e.b} : ellipse_at(e, phi);
        if (i > 54) return -1;
    }
    CurveVertex first = curve_vertex(img, 0);
    set_vertex(img, i, first.point_number, first.point);
    CurveVertex v0 = curve_vertex(img, 0), v1 = curve_vertex(img, 1);
    double psim = (std::atan2(v0.point.y, v0.point.x) + std::atan2(v1.point.y, v1.point.x)) / 2;
    v0.through = ellipse_at(e, psim);
    curve_set_vertex(img, 0, v0);
    put_u16(img, curve_style_offset, static_cast<uint16_t>(get_u16(img, curve_style_offset) | curve_flag_closed));
    return i;
}

void flat_image(uint8_t* img, double a, Point2 p0, uint32_t n0, Point2 p1, uint32_t n1, Point2 p2, uint32_t n2) {
    set_vertex(img, 0, n0, p0);
    if (std::fabs(p2.x - p0.x) <= std::fabs(p1.x - p0.x)) {
        set_vertex(img, 1, n2, p2);
        set_vertex(img, 2, n1, p1);
    } else {
        set_vertex(img, 1, n1, p1);
        set_vertex(img, 2, n2, p2);
    }
    double l = point_distance(p0, p2);
    Point2 opp = l == 0 ? Point2{p2.x - a, p2.y} : Point2{p2.x - a * (p0.x - p2.x) / l, p2.y - a * (p0.y - p2.y) / l};
    set_vertex(img, 3, 0, opp);
}

enum OvalResult { oval_done, oval_flat, oval_none };

// The oval of two end circles joined by two big circles (open image);
// writes vertices 0..10 and returns their last index in *last.
OvalResult oval_image(uint8_t* img, double a, double b, Point2 p0, uint32_t n0, Point2 p1, uint32_t n1, bool turned,
                      int* last) {
    const double hp = k_half_pi();
    double r = b / 2;
    Point2 C1{r - a, 0};
    double alpha = std::atan2(p1.y, -std::fabs(p1.x) - C1.x);
    double phi = 1.5 * hp, delta = hp / 90;
    Point2 C2{0, 0};
    double R2 = 0;
    int iter = 0;
    for (;; ++iter) {
        // The joint search halves its step at each turn; once the step no
        // longer moves the angle (large coordinates at a fine tolerance) it
        // cannot settle: the flat image stands in.
        if (iter > 2000) return oval_flat;
        phi = std::fabs(phi) + delta;
        if (compare_doubles(phi, hp) <= 0) return oval_flat;
        if (p1.y < 0) phi = -phi;
        if (compare_doubles(std::fabs(alpha), std::fabs(phi)) >= 0) return oval_none;
        C2 = Point2{0, -std::tan(phi) * C1.x};
        double R1 = point_distance(C2, C1) + r;
        R2 = point_distance(C2, p1);
        int c = compare_doubles(R1, R2);
        if (c > 0) {
            delta = delta > 0 ? -std::fabs(delta) / 2 : -std::fabs(delta);
        } else if (c < 0) {
            delta = delta < 0 ? std::fabs(delta) / 2 : std::fabs(delta);
        } else {
            break;
        }
    }
    Point2 T{C1.x + r * std::cos(phi), C1.y + r * std::sin(phi)};
    C2.y = -std::fabs(C2.y);
    Point2 M{-std::fabs(p1.x), std::fabs(p1.y)};
    auto number_of = [&](Point2 p) { return points_equal(p.x, p.y, p1.x, p1.y) ? n1 : 0u; };
    double am = std::atan2(M.y - C2.y, M.x - C2.x) - hp / 270;
    double rm = point_distance(M, C2);
    Point2 v0{C2.x + rm * std::cos(am), C2.y + rm * std::sin(am)};
    double d0 = point_distance(v0, M);
    if (turned && compare_doubles(point_distance(p0, p1), d0) <= 0) return oval_none;
    int i = 0;
    set_vertex(img, i++, number_of(v0), v0);
    set_vertex(img, i++, number_of(M), M);
    Point2 ax{-std::fabs(T.x), std::fabs(T.y)};
    set_vertex(img, i++, number_of(ax), ax);
    ax = Point2{-std::fabs(T.x), -std::fabs(T.y)};
    set_vertex(img, i++, number_of(ax), ax);
    if (compare_doubles(std::fabs(p1.x), 0) != 0) {
        ax = Point2{-std::fabs(p1.x), -std::fabs(p1.y)};
        set_vertex(img, i++, number_of(ax), ax);
    }
    ax = Point2{std::fabs(p1.x), -std::fabs(p1.y)};
    set_vertex(img, i++, number_of(ax), ax);
    ax = Point2{std::fabs(T.x), -std::fabs(T.y)};
    set_vertex(img, i++, number_of(ax), ax);
    if (!turned) {
        set_vertex(img, i++, n0, p0);
        ax = Point2{std::fabs(T.x), std::fabs(T.y)};
        set_vertex(img, i++, number_of(ax), ax);
        Point2 v9{std::fabs(p1.x), std::fabs(p1.y)};
        if (compare_doubles(point_distance(v9, M), d0) > 0) set_vertex(img, i++, number_of(v9), v9);
    } else {
        ax = Point2{std::fabs(T.x), std::fabs(T.y)};
        set_vertex(img, i++, number_of(ax), ax);
        ax = Point2{std::fabs(p1.x), std::fabs(p1.y)};
        set_vertex(img, i++, number_of(ax), ax);
        Point2 from{0, p0.y < 0 ? -C2.y : C2.y};
        double l = point_distance(p0, from);
        Point2 end = l == 0 ? p0 : Point2{from.x + R2 * (p0.x - from.x) / l, from.y + R2 * (p0.y - from.y) / l};
        set_vertex(img, i++, n0, end);
    }
    CurveVertex first = curve_vertex(img, 0);
    set_vertex(img, i, first.point_number, first.point);
    *last = i;
    return oval_done;
}

}  // namespace

uint8_t* ellipse_to_arc_vertices(const uint8_t* element) {
    int kind = get_u16(element, curve_flags_offset) & 0x0F;
    if (kind != 9 && kind != 10) return nullptr;
    // Whatever happens below, the caller's tolerance comes back.
    ToleranceGuard keep(tolerance_get());
    int count = kind == 9 ? 5 : 3;
    size_t at = kind == 9 ? element_geometry5_offset : element_geometry3_offset;
    Point2 p[5];
    uint32_t num[5] = {};
    for (int i = 0; i < count; ++i) {
        p[i] = get_point2(element, at + 16 * static_cast<size_t>(i));
        num[i] = get_u32(element, element_point_numbers_offset + 4 * static_cast<size_t>(i));
    }
    const Point2 centre = p[2];
    double theta0 = std::atan2(p[0].y - centre.y, p[0].x - centre.x);
    double c0 = std::cos(-theta0), s0 = std::sin(-theta0);
    Point2 q[5];
    for (int i = 0; i < count; ++i) {
        double dx = p[i].x - centre.x, dy = p[i].y - centre.y;
        q[i] = Point2{c0 * dx - s0 * dy, s0 * dx + c0 * dy};
    }
    double a = std::fabs(q[0].x);
    if (a == 0) return nullptr;
    double qq = 1 - q[1].x * q[1].x / (a * a);
    double s = std::sqrt(std::fabs(qq));
    if (compare_doubles(s, 0) == 0 || qq < 0) return nullptr;
    double b = std::fabs(q[1].y / s);
    uint8_t* img = alloc_zeroed(image_buffer_size);
    if (!img) return nullptr;
    fill_image_head(img, element, curve_flag_image);
    double theta1 = std::atan2(q[1].y, q[1].x);
    double k = std::fmin(a, b) / std::fmax(a, b);
    bool turned = false;
    int last = -1;
    bool flat = angles_parallel(theta1, 0) || k < 0.01;
    bool cut = false;
    if (!flat && k <= 0.2) {
        Point2 o0 = q[0], o1 = q[1];
        double oa = a, ob = b;
        if (b > a) {
            turned = true;
            o0 = Point2{-q[0].y, q[0].x};
            o1 = Point2{-q[1].y, q[1].x};
            oa = b;
            ob = a;
        }
        OvalResult r = oval_image(img, oa, ob, o0, num[0], o1, num[1], turned, &last);
        if (r == oval_flat) {
            flat = true;
            turned = false;
        } else if (r == oval_none) {
            kernel_free(img);
            return nullptr;
        } else if (kind == 9 && !points_equal(q[3].x, q[3].y, q[4].x, q[4].y)) {
            cut = true;
        }
    } else if (!flat) {
        EllipseFrame e{a, b, {0, 0}, {0, 0}};
        double c = std::sqrt(std::fabs(a * a - b * b));
        if (a * a > b * b) {
            e.F1 = Point2{c, 0};
            e.F2 = Point2{-c, 0};
        } else {
            e.F1 = Point2{0, c};
            e.F2 = Point2{0, -c};
        }
        last = polar_sampling(img, e, q[0], num[0], q[1], num[1]);
        if (last < 0) {
            kernel_free(img);
            return nullptr;
        }
        cut = kind == 9;
    }
    if (flat) {
        flat_image(img, a, q[0], num[0], q[1], num[1], Point2{0, 0}, num[2]);
        last = 3;
    }
    if (cut) {
        Point2 arc[5];
        for (int i = 0; i < 5; ++i) arc[i] = turned ? Point2{-q[i].y, q[i].x} : q[i];
        put_i16(img, curve_count_offset, static_cast<int16_t>(last));
        last = curve_trim_to_elliptic_arc(arc, num, img, std::fmax(a, b));
        if (last <= 0) {
            kernel_free(img);
            return nullptr;
        }
    }
    int n = last + 1;
    put_i16(img, curve_count_offset, static_cast<int16_t>(n));
    put_u16(img, curve_length_offset, static_cast<uint16_t>(36 * n));
    // Back to the drawing: rotation by theta0 (less a quarter turn in a
    // turned frame), then the centre.
    double back = turned ? theta0 - k_half_pi() : theta0;
    double cb = std::cos(back), sb = std::sin(back);
    bool closed = (get_u16(img, curve_style_offset) & curve_flag_closed) != 0;
    auto place = [&](Point2 v) { return Point2{centre.x + cb * v.x - sb * v.y, centre.y + sb * v.x + cb * v.y}; };
    CurveVertex vs[image_buffer_vertices];
    for (int i = 0; i < n; ++i) {
        vs[i] = curve_vertex(img, i);
        vs[i].point = place(vs[i].point);
        vs[i].through = (i == 0 && closed) ? place(vs[i].through) : vs[i].point;
    }
    smooth_curve_through_points(vs, n, closed ? 1 : 0, 1);
    for (int i = 0; i < n; ++i) curve_set_vertex(img, i, vs[i]);
    put_u16(img, curve_style_offset, static_cast<uint16_t>(get_u16(img, curve_style_offset) | curve_flag_bezier));
    return img;
}

int curve_trim_to_elliptic_arc(const Point2 arc[5], const uint32_t numbers[5], uint8_t* image, double rho) {
    int n = get_i16(image, curve_count_offset) + 1;
    if (n < 2 || n > image_buffer_vertices) return 0;
    uint16_t style = get_u16(image, curve_style_offset);
    CurveVertex v[image_buffer_vertices];
    for (int i = 0; i < n; ++i) v[i] = curve_vertex(image, i);
    smooth_curve_through_points(v, n, (style & curve_flag_closed) ? 1 : 0, 1);
    ToleranceGuard standing(tolerance_standing);
    const Point2 origin{0, 0};
    const double two_pi = k_two_pi();
    auto angle = [](Point2 p) { return std::atan2(p.y, p.x); };
    auto wrap = [two_pi](double a) {  // into [0, two_pi)
        a = std::fmod(a, two_pi);
        return a < 0 ? a + two_pi : a;
    };
    // The piece whose angular span (in the image's direction of travel)
    // holds angle a, and where the ray toward p crosses it.
    auto locate = [&](Point2 p, Point2* cross) {
        double a = angle(p);
        int best = 0;
        double best_off = 1e300;
        for (int j = 0; j + 1 < n; ++j) {
            double span = wrap(angle(v[j + 1].point) - angle(v[j].point));
            double off = wrap(a - angle(v[j].point));
            if (off <= span) {
                best = j;
                best_off = -1;
                break;
            }
            if (off - span < best_off) {
                best_off = off - span;
                best = j;
            }
        }
        double l = std::hypot(p.x, p.y);
        Segment ray{origin, l == 0 ? origin : Point2{1.5 * rho * p.x / l, 1.5 * rho * p.y / l}};
        ArcByCentre piece{v[best].point, v[best + 1].point, v[best].through};
        Point2 hits[2];
        if (l > 0 && intersect_segment_arc(&ray, &piece, 4, hits) > 0) {
            *cross = hits[0];
        } else {
            // No crossing (a numerical miss, or the point at the centre):
            // the nearer end of the piece.
            *cross = point_distance(p, v[best].point) <= point_distance(p, v[best + 1].point) ? v[best].point
                                                                                                : v[best + 1].point;
        }
        return best;
    };
    Point2 X, Xe;
    int js = locate(arc[4], &X);
    int je = locate(arc[3], &Xe);
    // Through point of a part of piece j between u and w: the point of the
    // piece's circle toward the middle of the two.
    auto part_through = [&](int j, Point2 u, Point2 w) {
        ArcByPoints p{v[j].point, v[j + 1].point, v[j].through};
        Point2 k;
        Point2 m{(u.x + w.x) / 2, (u.y + w.y) / 2};
        if (arc_center_from_three_points(&p, &k) == 0) return m;
        double r = point_distance(v[j].point, k), l = point_distance(m, k);
        return l == 0 ? m : Point2{k.x + r * (m.x - k.x) / l, k.y + r * (m.y - k.y) / l};
    };
    CurveVertex out[image_buffer_vertices + 1];
    int o = 0;
    out[o++] = CurveVertex{numbers[4], arc[4], arc[4]};
    bool split = !points_equal(X.x, X.y, arc[4].x, arc[4].y);
    if (split) out[o++] = CurveVertex{0, X, X};
    double start_off = wrap(angle(arc[4]) - angle(v[js].point));
    double end_off = wrap(angle(arc[3]) - angle(v[js].point));
    bool same_piece = je == js && end_off >= start_off;
    if (!same_piece) {
        // From X to the piece's end, then whole pieces up to je, at most one lap.
        out[o - 1].through = part_through(js, out[o - 1].point, v[js + 1].point);
        int j = js + 1;
        for (int laps = 0; laps < n; ++laps) {
            if (j >= n - 1) j = 0;
            // The kept part must fit the 56-vertex record; when it does not,
            // the caller keeps what it had.
            if (o >= image_buffer_vertices - 2) return 0;
            out[o++] = v[j];
            if (j == je) break;
            ++j;
        }
        out[o - 1].through = part_through(je, out[o - 1].point, Xe);
    } else {
        out[o - 1].through = part_through(js, out[o - 1].point, Xe);
    }
    if (!points_equal(Xe.x, Xe.y, arc[3].x, arc[3].y)) {
        out[o++] = CurveVertex{0, Xe, Xe};
        out[o - 1].through = Point2{(Xe.x + arc[3].x) / 2, (Xe.y + arc[3].y) / 2};
    }
    out[o++] = CurveVertex{numbers[3], arc[3], arc[3]};
    if (split) out[0].through = Point2{(arc[4].x + X.x) / 2, (arc[4].y + X.y) / 2};
    if (o > image_buffer_vertices) return 0;
    // Reversed: the image runs from point 3 to point 4.
    int last = o - 1;
    for (int kk = 0; kk < last; ++kk) {
        CurveVertex r{out[last - kk].point_number, out[last - kk].point, out[last - kk - 1].through};
        curve_set_vertex(image, kk, r);
    }
    curve_set_vertex(image, last, CurveVertex{out[0].point_number, out[0].point, out[0].point});
    put_u16(image, curve_style_offset, static_cast<uint16_t>(style | 0x102));
    put_i16(image, curve_count_offset, static_cast<int16_t>(last));
    return last;
}

// ---------------------------------------------------------------- wavy lines

uint8_t* wavy_line_to_arc_vertices(const uint8_t* element) {
    Point2 p0 = get_point2(element, element_geometry3_offset), p1 = get_point2(element, element_geometry3_offset + 16),
           p2 = get_point2(element, element_geometry3_offset + 32);
    uint32_t n0 = get_u32(element, element_point_numbers_offset), n1 = get_u32(element, element_point_numbers_offset + 4),
             n2 = get_u32(element, element_point_numbers_offset + 8);
    ArcByPoints abc{p0, p1, p2};
    Point2 K;
    int dir = arc_center_from_three_points(&abc, &K);
    if (dir > 0) {
        std::swap(p0, p1);
        std::swap(n0, n1);
    }
    uint8_t* img = alloc_zeroed(image_buffer_size);
    if (!img) return nullptr;
    fill_image_head(img, element, curve_flag_image);
    double L = sheet_to_model_length(6.0);
    const double limit = sheet_to_model_length(841.0);
    CurveVertex v[image_buffer_vertices];
    for (;;) {
        int j = 0;
        bool fits = true;
        v[j++] = CurveVertex{n0, p0, p0};
        Point2 ends[2] = {p2, p1};
        uint32_t nums[2] = {n2, n1};
        Point2 from = p0;
        double first_step = 0;
        for (int leg = 0; leg < 2 && fits; ++leg) {
            Point2 to = ends[leg];
            double len, a_from = 0, sweep = 0, R = 0;
            if (dir != 0) {
                R = point_distance(from, K);
                ArcByCentre half{from, to, K};
                sweep = arc_sweep_angle(&half);
                a_from = std::atan2(from.y - K.y, from.x - K.x);
                len = R * sweep;
            } else {
                len = point_distance(from, to);
            }
            int m = static_cast<int>(std::trunc(len / L + 0.5));
            double step = m == 0 ? len : len / m;
            if (leg == 0) first_step = step;
            for (int k = 1; k < m; ++k) {
                if (j > wavy_max_index) {
                    fits = false;
                    break;
                }
                Point2 p = dir != 0 ? Point2{K.x + R * std::cos(a_from - k * sweep / m), K.y + R * std::sin(a_from - k * sweep / m)}
                                    : lerp(from, to, static_cast<double>(k) / m);
                v[j++] = CurveVertex{0, p, p};
            }
            if (j > wavy_max_index) fits = false;
            if (!fits) break;
            v[j++] = CurveVertex{nums[leg], to, to};
            from = to;
        }
        if (fits) {
            // The first piece bends: a point a quarter step from the middle of
            // the first step, turned 30 degrees from the way back to the start.
            Point2 mid;
            if (dir != 0) {
                double R = point_distance(p0, K), a0 = std::atan2(p0.y - K.y, p0.x - K.x);
                double half_angle = (first_step / R) / 2;
                mid = Point2{K.x + R * std::cos(a0 - half_angle), K.y + R * std::sin(a0 - half_angle)};
            } else {
                mid = lerp(v[0].point, v[1].point, 0.5);
            }
            double back = std::atan2(p0.y - mid.y, p0.x - mid.x) + k_pi_over_6();
            v[0].through = Point2{mid.x + first_step / 4 * std::cos(back), mid.y + first_step / 4 * std::sin(back)};
            smooth_curve_through_points(v, j, (get_u16(img, curve_style_offset) & curve_flag_closed) ? 1 : 0, 0);
            for (int i = 0; i < j; ++i) curve_set_vertex(img, i, v[i]);
            put_i16(img, curve_count_offset, static_cast<int16_t>(j));
            put_u16(img, curve_length_offset, static_cast<uint16_t>(36 * j));
            put_u16(img, curve_style_offset,
                    static_cast<uint16_t>(get_u16(img, curve_style_offset) & ~curve_flag_bezier));
            return img;
        }
        L *= 1.2;
        if (L > limit) {
            kernel_free(img);
            return nullptr;
        }
    }
}

// ---------------------------------------------------------------- builders

namespace {

// A copy of the source element of that number and one of the kinds, or
// empty.
bool find_source(uint8_t* projection, uint32_t number, int kind_a, int kind_b, uint8_t* copy, size_t room) {
    for (uint8_t* r = kernel_store.find_element(projection, nullptr, number); r;
         r = kernel_store.find_element(projection, r, number)) {
        int kind = get_u16(r, curve_flags_offset) & 0x0F;
        if (kind != kind_a && kind != kind_b) continue;
        size_t len = get_u16(r, curve_length_offset);
        if (len > room) len = room;
        std::memset(copy, 0, room);
        std::memcpy(copy, r, len);
        return true;
    }
    return false;
}

// Deletes every old image of that number, then adds the new one.
uint32_t replace_and_add(uint8_t* projection, uint32_t number, const uint8_t* image, int replace) {
    if (replace) {
        bool again = true;
        while (again) {
            again = false;
            uint32_t ref = 0;
            for (uint8_t* r = kernel_store.next(projection, chain_elements, nullptr, &ref); r;
                 r = kernel_store.next(projection, chain_elements, r, &ref)) {
                if (get_u32(r, curve_number_offset) == number && (get_u16(r, curve_flags_offset) & 0x0F) == 5 &&
                    (get_u16(r, curve_style_offset) & curve_flag_image)) {
                    kernel_store.remove(projection, chain_elements, ref);
                    again = true;  // the walk restarts after each deletion
                    break;
                }
            }
        }
    }
    return kernel_store.add(projection, chain_elements, image);
}

}  // namespace

uint32_t build_bezier_image(uint8_t* projection, uint32_t number, int replace) {
    uint8_t src[128];
    if (!find_source(projection, number, 12, 12, src, sizeof src) || *kernel_error_flag) return 0;
    CurveVertex v[bezier_max_vertices];
    int n = bezier_to_arc_vertices(src, v);
    uint8_t* img = alloc_zeroed(16 + 36 * static_cast<size_t>(n));
    if (!img) return 0;
    put_u16(img, curve_length_offset, static_cast<uint16_t>(16 + 36 * n));
    fill_image_head(img, src, 0x103);
    put_i16(img, curve_count_offset, static_cast<int16_t>(n));
    // The through points come from the splitting, each on the spline; a
    // three-point smoothing would move them off it by more than the curve
    // tolerance.
    v[0].point_number = get_u32(src, element_point_numbers_offset);
    v[n - 1].point_number = get_u32(src, element_point_numbers_offset + 4);
    for (int i = 0; i < n; ++i) curve_set_vertex(img, i, v[i]);
    uint32_t ref = replace_and_add(projection, number, img, replace);
    kernel_free(img);
    return ref;
}

uint32_t build_ellipse_image(uint8_t* projection, uint32_t number, int replace) {
    uint8_t src[128];
    if (!find_source(projection, number, 10, 9, src, sizeof src) || *kernel_error_flag) return 0;
    uint8_t* img = ellipse_to_arc_vertices(src);
    if (!img) return 0;
    uint32_t ref = replace_and_add(projection, number, img, replace);
    kernel_free(img);
    return ref;
}

uint32_t build_wavy_line_image(uint8_t* projection, uint32_t number, int replace) {
    uint8_t src[128];
    if (!find_source(projection, number, 6, 6, src, sizeof src) || *kernel_error_flag) return 0;
    uint8_t* img = wavy_line_to_arc_vertices(src);
    if (!img) return 0;
    uint32_t ref = replace_and_add(projection, number, img, replace);
    kernel_free(img);
    return ref;
}
