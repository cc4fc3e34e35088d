// Distances, angles and arcs.
#include "geometry/metric.h"

#include <cmath>

namespace {

double angle_of(Point2 p, Point2 about) { return std::atan2(p.y - about.y, p.x - about.x); }

// Brings a finite angle into (-k_two_pi(), k_two_pi()) without a loop that never
// ends for huge values.
double reduce_turns(double a) {
    if (std::fabs(a) > k_two_pi()) a = std::fmod(a, k_two_pi());
    return a;
}

// Steps 1 and 2 of the table functions: the angle folded into [0, half_pi]
// and whether it was folded (sign of the cosine) and the sign of the sine.
double fold_quarter(double a, int* sine_sign, int* folded) {
    a = normalize_angle(reduce_turns(a));
    *folded = 0;
    int k = (a != k_half_pi() && a != -k_half_pi()) ? static_cast<int>(std::trunc(a / k_half_pi())) : 0;
    if (k > 0) {
        a = k_pi() - a;
        *sine_sign = 1;
        *folded = 1;
    } else if (k < 0) {
        a = a + k_pi();
        *sine_sign = -1;
        *folded = 1;
    } else {
        *sine_sign = a >= 0 ? 1 : -1;
    }
    return std::fabs(a);
}

double table_at(double f) {
    int i = static_cast<int>(std::trunc(f));
    if (i >= SINE_TABLE_SIZE - 1) return sine_table[SINE_TABLE_SIZE - 1];
    if (i < 0) i = 0;
    return sine_table[i] + (sine_table[i + 1] - sine_table[i]) * (f - i);
}

}  // namespace

double sine_from_table(double a) {
    if (!std::isfinite(a)) return 0.0;
    int s, folded;
    a = fold_quarter(a, &s, &folded);
    double f = a * (SINE_TABLE_SIZE - 1) / k_half_pi();
    double v = table_at(f);
    return s < 0 ? -v : v;
}

double cosine_from_table(double a) {
    if (!std::isfinite(a)) return 0.0;
    int s, folded;
    a = fold_quarter(a, &s, &folded);
    double f = a * (SINE_TABLE_SIZE - 1) / k_half_pi();
    double v;
    if (std::trunc(f) >= SINE_TABLE_SIZE - 1) {
        v = sine_table[0];
    } else {
        // An index of 359 (angle 0) yields the last entry itself.
        v = table_at((SINE_TABLE_SIZE - 1) - f);
    }
    return folded ? -v : v;
}

double arc_sweep_angle(const ArcByCentre* arc) {
    if (points_equal(arc->start.x, arc->start.y, arc->end.x, arc->end.y)) return k_two_pi();
    double as = angle_of(arc->start, arc->centre);
    double ae = angle_of(arc->end, arc->centre);
    if (ae > 0 && as < 0) ae -= k_two_pi();
    double d = ae - as;
    return d > 0 ? k_two_pi() - d : -d;
}

double curve_tolerance() {
    return sheet_to_model_length(current_coarse_curves() ? 0.015 : 0.0025);
}

int16_t arc_center_from_three_points(const ArcByPoints* arc, Point2* centre) {
    ToleranceGuard fine(tolerance_fine);
    const Point2 S = arc->start, E = arc->end, T = arc->through;
    bool have1 = compare_doubles(S.y, T.y) != 0;
    bool have2 = compare_doubles(T.y, E.y) != 0;
    double k1 = 0, q1 = 0, k2 = 0, q2 = 0;
    if (have1) {
        k1 = (S.x - T.x) / (T.y - S.y);
        q1 = T.y + S.y - (S.x + T.x) * k1;
    }
    if (have2) {
        k2 = (T.x - E.x) / (E.y - T.y);
        q2 = T.y + E.y - (T.x + E.x) * k2;
    }
    if (!have1 && !have2) return 0;
    if (!have1 || !have2) {
        if (compare_doubles(S.y, E.y) == 0) return 0;
        double k = (S.x - E.x) / (E.y - S.y);
        double q = S.y + E.y - (S.x + E.x) * k;
        if (!have1) {
            k1 = k;
            q1 = q;
        } else {
            k2 = k;
            q2 = q;
        }
    }
    if (compare_doubles(k1, k2) == 0) return 0;
    Point2 K;
    K.x = (q2 - q1) / 2 / (k1 - k2);
    K.y = k1 * K.x + q1 / 2;
    double R = point_distance(S, K);
    if (!std::isfinite(R) || R == 0) return 0;
    double m = std::fabs(E.x - S.x);
    m = std::fmax(m, std::fabs(T.x - S.x));
    m = std::fmax(m, std::fabs(E.y - S.y));
    m = std::fmax(m, std::fabs(T.y - S.y));
    if (m / R < 0.00785) return 0;
    *centre = K;
    // Slopes seen from the circle's leftmost point grow with the angle.
    const double lx = K.x - R, ly = K.y;
    auto slope = [&](Point2 p) {
        return compare_doubles(p.x, lx) == 0 ? DBL_MAX : (p.y - ly) / (p.x - lx);
    };
    double qT = slope(T), qE = slope(E), qS = slope(S);
    bool increasing = qT >= qE ? (qE < qS && qS < qT) : (qS <= qT || qS >= qE);
    int16_t dir = increasing ? 1 : -1;
    ArcByCentre own = increasing ? ArcByCentre{E, S, K} : ArcByCentre{S, E, K};
    double sw = arc_sweep_angle(&own);
    double h = std::sqrt(R * R + (R * sw / 2) * (R * sw / 2)) - R;
    return h > curve_tolerance() ? dir : 0;
}

int arc_by_points_to_centre(const ArcByPoints* arc, ArcByCentre* out) {
    Point2 K;
    int16_t r = arc_center_from_three_points(arc, &K);
    out->start = arc->start;
    out->end = arc->end;
    out->centre = arc->through;
    if (r == 0) return 0;
    if (r > 0) {
        out->start = arc->end;
        out->end = arc->start;
    }
    out->centre = K;
    return 1;
}

double point_distance(Point2 a, Point2 b) { return std::hypot(b.x - a.x, b.y - a.y); }

double float_point_distance_squared(PointF a, PointF b) {
    double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    return dx * dx + dy * dy;
}

double point_line_distance(const Segment* seg, Point2 p) {
    const Point2 S = seg->start, E = seg->end;
    double L = point_distance(S, E);
    if (compare_doubles(L, 0) == 0) return point_distance(p, S);
    return std::fabs((S.x - E.x) / L * p.y + (E.y - S.y) / L * p.x + (E.x * S.y - S.x * E.y) / L);
}

double point_arc_radial_distance(const ArcByCentre* arc, Point2 p) {
    return std::fabs(point_distance(p, arc->centre) - point_distance(arc->start, arc->centre));
}

void correct_arc_center(ArcByCentre* arc) {
    const Point2 S = arc->start, E = arc->end, K = arc->centre;
    double dx = E.x - S.x, dy = E.y - S.y;
    double L2 = dx * dx + dy * dy;
    if (compare_doubles(L2, 0) == 0) return;
    double L = std::sqrt(L2);
    double r = (point_distance(E, K) + point_distance(S, K)) / 2;
    if (r < L / 2) r = L / 2;
    double e = std::sqrt((4 * r * r - L2) / L2);
    double side = angle_of(K, S) - angle_of(E, S);
    while (side > k_pi()) side -= k_two_pi();
    while (side < -k_pi()) side += k_two_pi();
    double sgn = side >= 0 ? 1.0 : -1.0;
    arc->centre.x = (S.x + E.x) / 2 + sgn * (e / 2) * -dy;
    arc->centre.y = (S.y + E.y) / 2 + sgn * (e / 2) * dx;
}

void sort_points_on_arc(const ArcByCentre* arc, Point2* P, int n) {
    if (n < 3) return;
    const Point2 K = arc->centre;
    double a0 = angle_of(P[0], K);
    int m = n;
    if (compare_doubles(angle_of(P[1], K), a0) == 0) {
        Point2 t = P[1];
        P[1] = P[n - 1];
        P[n - 1] = t;
        m = n - 1;
    }
    auto key = [&](Point2 p) {
        double b = angle_of(p, K) - a0;
        if (compare_doubles(b, 0) > 0) b -= k_two_pi();
        return b;
    };
    for (int last = m - 1; last > 1; --last) {
        bool swapped = false;
        for (int i = 1; i < last; ++i) {
            if (compare_doubles(key(P[i]), key(P[i + 1])) < 0) {
                Point2 t = P[i];
                P[i] = P[i + 1];
                P[i + 1] = t;
                swapped = true;
            }
        }
        if (!swapped) break;
    }
}

int16_t arc_filter_points(const ArcByCentre* arc, Point2* P, int n) {
    ToleranceGuard standing(tolerance_standing);
    double sw = arc_sweep_angle(arc);
    // Sweeps are compared as arc lengths, so that "on the arc" means within
    // the tolerance in model units at every radius.
    double r = point_distance(arc->start, arc->centre);
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        const Point2 p = P[i];
        bool keep = points_equal(p.x, p.y, arc->start.x, arc->start.y) ||
                    points_equal(p.x, p.y, arc->end.x, arc->end.y);
        if (!keep) {
            ArcByCentre part{arc->start, p, arc->centre};
            keep = compare_doubles(arc_sweep_angle(&part) * r, sw * r) < 0;
        }
        if (keep) P[kept++] = p;
    }
    return static_cast<int16_t>(kept);
}

double arc_mid_angle(const ArcByCentre* arc) {
    double as = angle_of(arc->start, arc->centre);
    double d = angle_of(arc->end, arc->centre) - as;
    // A full circle is one whose ends are equal, as for the sweep; an arc of
    // a large radius may sweep less than the tolerance taken as an angle.
    if (points_equal(arc->start.x, arc->start.y, arc->end.x, arc->end.y)) return as + d - k_pi();
    if (d > 0) d -= k_two_pi();
    return as + d / 2;
}

void arc_midpoint(const ArcByCentre* arc, Point2* out) {
    double r = point_distance(arc->start, arc->centre);
    double m = arc_mid_angle(arc);
    out->x = arc->centre.x + r * std::cos(m);
    out->y = arc->centre.y + r * std::sin(m);
}

void arc_divide(const ArcByCentre* arc, Point2* out, int n) {
    double r = point_distance(arc->start, arc->centre);
    double sw = arc_sweep_angle(arc);
    double as = angle_of(arc->start, arc->centre);
    for (int k = 1; k < n; ++k) {
        double a = as - k * sw / n;
        out[k - 1] = Point2{arc->centre.x + r * std::cos(a), arc->centre.y + r * std::sin(a)};
    }
}

namespace {

// Outward unit direction from `from` toward `to`, exact for axis-parallel
// segments.
Point2 outward(Point2 from, Point2 to) {
    if (compare_doubles(to.y, from.y) == 0) return Point2{to.x >= from.x ? 1.0 : -1.0, 0};
    if (compare_doubles(to.x, from.x) == 0) return Point2{0, to.y >= from.y ? 1.0 : -1.0};
    double t = angle_of(to, from);
    return Point2{std::cos(t), std::sin(t)};
}

bool moved_end_turned(Point2 fixed, Point2 moved_before, Point2 moved_after) {
    double before = angle_of(moved_before, fixed), after = angle_of(moved_after, fixed);
    return compare_doubles(normalize_angle(after - before), 0) != 0;
}

}  // namespace

int16_t segment_extend(int start_flag, int end_flag, Segment* seg, double len) {
    if (start_flag) {
        Point2 d = outward(seg->end, seg->start);
        Point2 before = seg->start;
        seg->start.x += len * d.x;
        seg->start.y += len * d.y;
        if (len < 0 && moved_end_turned(seg->end, before, seg->start)) return 1;
    }
    if (end_flag) {
        Point2 d = outward(seg->start, seg->end);
        Point2 before = seg->end;
        seg->end.x += len * d.x;
        seg->end.y += len * d.y;
        if (len < 0 && moved_end_turned(seg->start, before, seg->end)) return 1;
    }
    return 0;
}

int16_t arc_extend(int start_flag, int end_flag, ArcByCentre* arc, double len) {
    const Point2 K = arc->centre;
    double r = point_distance(arc->start, K);
    if (r == 0 || !std::isfinite(len)) return 0;
    double sweep = arc_sweep_angle(arc);
    double step = len / r;
    if (start_flag) {
        double a = angle_of(arc->start, K) + step;
        arc->start = Point2{K.x + r * std::cos(a), K.y + r * std::sin(a)};
    }
    if (end_flag) {
        double a = angle_of(arc->end, K) - step;
        arc->end = Point2{K.x + r * std::cos(a), K.y + r * std::sin(a)};
    }
    if (len >= 0) return 0;
    // The ends passed each other exactly when the total shortening reaches
    // the sweep the arc had.
    double shortening = -step * ((start_flag ? 1 : 0) + (end_flag ? 1 : 0));
    return compare_doubles(shortening, sweep) >= 0 ? 1 : 0;
}
