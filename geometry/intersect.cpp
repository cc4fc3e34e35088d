// Intersections and scan lines.
#include "geometry/intersect.h"

#include "geometry/extents.h"
#include "geometry/metric.h"

#include <cmath>

namespace {

typedef int (*Cmp)(double, double);

bool boxes_apart(const Box& A, const Box& B, Cmp cmp) {
    return cmp(A.min_x, B.max_x) > 0 || cmp(A.min_y, B.max_y) > 0 || cmp(A.max_x, B.min_x) < 0 ||
           cmp(A.max_y, B.min_y) < 0;
}

bool in_box(const Box& b, double x, double y, Cmp cmp) {
    return cmp(b.min_x, x) <= 0 && cmp(x, b.max_x) <= 0 && cmp(b.min_y, y) <= 0 && cmp(y, b.max_y) <= 0;
}

bool box_contains(const Box& outer, const Box& inner, Cmp cmp) {
    return cmp(outer.min_x, inner.min_x) <= 0 && cmp(outer.min_y, inner.min_y) <= 0 &&
           cmp(inner.max_x, outer.max_x) <= 0 && cmp(inner.max_y, outer.max_y) <= 0;
}

Box box_of(const Segment* s) {
    Box b;
    box_normalize(&b, s->start.x, s->start.y, s->end.x, s->end.y);
    return b;
}

// The end of s with the smaller (lower) or larger (upper) coordinate along
// the axis (x when along_x, else y).
Point2 end_along(const Segment* s, bool along_x, bool upper) {
    double a = along_x ? s->start.x : s->start.y;
    double b = along_x ? s->end.x : s->end.y;
    bool start_is_lower = a <= b;
    return (start_is_lower != upper) ? s->start : s->end;
}

int16_t segments_family(const Segment* a, const Segment* b, Point2 out[2], Cmp cmp) {
    kernel_flags().segments_collinear = 0;
    Box A = box_of(a), B = box_of(b);
    if (boxes_apart(A, B, cmp)) return 0;
    if ((cmp(A.min_x, A.max_x) == 0 && cmp(A.min_y, A.max_y) == 0) ||
        (cmp(B.min_x, B.max_x) == 0 && cmp(B.min_y, B.max_y) == 0))
        return 0;
    // The lines are one when every end of each segment lies on the other's
    // line within the tolerance.  Otherwise they meet where the parametric
    // forms agree; exactly parallel lines never meet.
    const double ax = a->end.x - a->start.x, ay = a->end.y - a->start.y;
    const double bx = b->end.x - b->start.x, by = b->end.y - b->start.y;
    const double la = std::sqrt(ax * ax + ay * ay), lb = std::sqrt(bx * bx + by * by);
    auto off_line = [](double dx, double dy, double len, Point2 o, Point2 p) {
        return ((p.y - o.y) * dx - (p.x - o.x) * dy) / len;
    };
    bool collinear = cmp(off_line(ax, ay, la, a->start, b->start), 0) == 0 &&
                     cmp(off_line(ax, ay, la, a->start, b->end), 0) == 0 &&
                     cmp(off_line(bx, by, lb, b->start, a->start), 0) == 0 &&
                     cmp(off_line(bx, by, lb, b->start, a->end), 0) == 0;
    double x = 0, y = 0;
    if (!collinear) {
        double denom = ax * by - ay * bx;
        if (denom == 0) return 0;
        double t = ((b->start.x - a->start.x) * by - (b->start.y - a->start.y) * bx) / denom;
        // Exactly vertical or horizontal segments keep their exact coordinate.
        x = bx == 0 ? b->start.x : (ax == 0 ? a->start.x : a->start.x + t * ax);
        y = by == 0 ? b->start.y : (ay == 0 ? a->start.y : a->start.y + t * ay);
        if (!std::isfinite(x) || !std::isfinite(y)) return 0;
    }
    if (!collinear) {
        if (in_box(A, x, y, cmp) && in_box(B, x, y, cmp)) {
            out[0] = Point2{x, y};
            return 1;
        }
        return 0;
    }
    kernel_flags().segments_collinear = 1;
    if (box_contains(A, B, cmp)) {
        out[0] = b->start;
        out[1] = b->end;
        return 2;
    }
    if (box_contains(B, A, cmp)) {
        out[0] = a->start;
        out[1] = a->end;
        return 2;
    }
    bool along_x = cmp(a->start.y, a->end.y) == 0;  // a horizontal: measure along x
    double a_min = along_x ? A.min_x : A.min_y, a_max = along_x ? A.max_x : A.max_y;
    double b_min = along_x ? B.min_x : B.min_y, b_max = along_x ? B.max_x : B.max_y;
    if (cmp(a_max, b_max) > 0) {
        out[0] = end_along(a, along_x, false);
        out[1] = end_along(b, along_x, true);
        return cmp(a_min, b_max) < 0 ? 2 : 1;
    }
    out[0] = end_along(a, along_x, true);
    out[1] = end_along(b, along_x, false);
    return cmp(a_max, b_min) > 0 ? 2 : 1;
}

Point2 rotate_about(Point2 p, Point2 about, double c, double s) {
    double dx = p.x - about.x, dy = p.y - about.y;
    return Point2{about.x + c * dx - s * dy, about.y + s * dx + c * dy};
}

}  // namespace

int16_t intersect_segments(const Segment* a, const Segment* b, Point2 out[2]) {
    return segments_family(a, b, out, compare_doubles);
}

int16_t intersect_segments_sheet(const Segment* a, const Segment* b, Point2 out[2]) {
    return segments_family(a, b, out, compare_at_sheet_precision);
}

int arc_normal_form(const ArcByCentre* g, int kind, ArcByCentre* out) {
    if (kind == 4) {
        ArcByPoints p{g->start, g->end, g->centre};
        return arc_by_points_to_centre(&p, out);
    }
    *out = *g;
    correct_arc_center(out);
    return 1;
}

int16_t intersect_segment_line(const Segment* seg, Point2 p, double angle, Point2 out[2]) {
    const Point2 S = seg->start, E = seg->end;
    bool line_vertical = angles_parallel(angle, k_half_pi()) != 0;
    bool seg_vertical = compare_doubles(E.x - S.x, 0) == 0;
    double k = 0, q = 0, ks = 0, qs = 0;
    if (!line_vertical) {
        k = std::tan(angle);
        q = p.y - k * p.x;
    }
    if (!seg_vertical) {
        ks = (E.y - S.y) / (E.x - S.x);
        qs = E.y - ks * E.x;
    }
    double x, y;
    if (line_vertical && seg_vertical) {
        if (compare_doubles(S.x, p.x) != 0) return 0;
        out[0] = S;
        out[1] = E;
        return 2;
    } else if (line_vertical) {
        x = p.x;
        y = ks * x + qs;
    } else if (seg_vertical) {
        x = S.x;
        y = k * x + q;
    } else if (compare_doubles(k, ks) == 0) {
        if (compare_doubles(q, qs) != 0) return 0;
        out[0] = S;
        out[1] = E;
        return 2;
    } else {
        x = (qs - q) / (k - ks);
        y = k * x + q;
    }
    Box b = box_of(seg);
    out[0] = Point2{x, y};
    return in_box(b, x, y, compare_doubles) ? 1 : -1;
}

int16_t intersect_line_circle(Point2 p, double angle, Point2 centre, double r, Point2 out[2]) {
    if (points_equal(p.x, p.y, centre.x, centre.y)) {
        out[0] = Point2{centre.x + r * std::cos(angle), centre.y + r * std::sin(angle)};
        out[1] = out[0];
        return 1;
    }
    double m = point_distance(p, centre);
    double phi = std::atan2(centre.y - p.y, centre.x - p.x) - angle;
    double cx = p.x + m * std::cos(phi), cy = p.y + m * std::sin(phi);
    double h = std::fabs(p.y - cy);
    int cmp = compare_doubles(r, h);
    int16_t n;
    if (cmp < 0) return 0;
    if (cmp == 0) {
        out[0] = out[1] = Point2{cx, p.y};
        n = 1;
    } else {
        double w = std::sqrt(r * r - (p.y - cy) * (p.y - cy));
        out[0] = Point2{cx - w, p.y};
        out[1] = Point2{cx + w, p.y};
        n = 2;
    }
    double c = std::cos(angle), s = std::sin(angle);
    out[0] = rotate_about(out[0], p, c, s);
    out[1] = rotate_about(out[1], p, c, s);
    return n;
}

int16_t intersect_segment_circle_radius(const Segment* seg, Point2 centre, double r, Point2 out[2]) {
    double angle = std::atan2(seg->end.y - seg->start.y, seg->end.x - seg->start.x);
    Point2 hits[2];
    int16_t n = intersect_line_circle(seg->start, angle, centre, r, hits);
    Box b = box_of(seg);
    int16_t kept = 0;
    for (int i = 0; i < n; ++i)
        if (in_box(b, hits[i].x, hits[i].y, compare_doubles)) out[kept++] = hits[i];
    return kept;
}

int16_t intersect_segment_circle(const Segment* seg, const CircleGeom* c, Point2 out[2]) {
    return intersect_segment_circle_radius(seg, c->centre, point_distance(c->on_circle, c->centre), out);
}

int16_t intersect_segment_arc(const Segment* seg, const ArcByCentre* g, int kind, Point2 out[2]) {
    ArcByCentre arc;
    if (!arc_normal_form(g, kind, &arc)) {
        Segment chord{arc.start, arc.end};
        return intersect_segments(seg, &chord, out);
    }
    CircleGeom circle{arc.end, arc.centre};
    Point2 hits[2];
    int n = intersect_segment_circle(seg, &circle, hits);
    n = arc_filter_points(&arc, hits, n);
    if (n == 2 && points_equal(hits[0].x, hits[0].y, hits[1].x, hits[1].y)) n = 1;
    for (int i = 0; i < n; ++i) out[i] = hits[i];
    return static_cast<int16_t>(n);
}

int intersect_segment_curve(const Segment* seg, const CurveVertex* v, int count, PointArray* hits) {
    int total = 0;
    for (int i = 0; i + 1 < count; ++i) {
        ArcByCentre piece{v[i].point, v[i + 1].point, v[i].through};
        Point2 out[2];
        int n = intersect_segment_arc(seg, &piece, 4, out);
        if (n > 0) {
            size_t before = hits->used;
            point_array_append(hits, out, static_cast<size_t>(n));
            total += static_cast<int>(hits->used - before);
        }
    }
    return total;
}

int16_t intersect_circles(Point2 c1, double r1, Point2 c2, double r2, Point2 out[2]) {
    double d = point_distance(c1, c2);
    if (compare_doubles(d, 0) == 0 || compare_doubles(d, r1 + r2) > 0) return 0;
    Point2 base = c2, other = c1;
    double R = r2, s = r1;
    if (r1 > r2) {
        base = c1;
        other = c2;
        R = r1;
        s = r2;
    }
    double t = (R * R - s * s + d * d) / (2 * d);
    double u = R * R - t * t;
    double root = std::sqrt(std::fabs(u));
    if (compare_doubles(root, 0) != 0 && u < 0) return 0;
    double alpha = std::atan2(other.y - base.y, other.x - base.x);
    Point2 F{base.x + t * std::cos(alpha), base.y + t * std::sin(alpha)};
    if (compare_doubles(root, 0) == 0) {
        out[0] = out[1] = F;
        return 1;
    }
    out[0] = Point2{F.x + root * std::cos(alpha + k_half_pi()), F.y + root * std::sin(alpha + k_half_pi())};
    out[1] = Point2{F.x + root * std::cos(alpha - k_half_pi()), F.y + root * std::sin(alpha - k_half_pi())};
    return 2;
}

int16_t intersect_circle_records(const CircleGeom* a, const CircleGeom* b, Point2 out[2]) {
    return intersect_circles(a->centre, point_distance(a->on_circle, a->centre), b->centre,
                             point_distance(b->on_circle, b->centre), out);
}

void snap_points_to_arc_ends(const ArcByCentre* arc, Point2* points, int count) {
    ToleranceGuard snap(tolerance_arc_snap);
    for (int i = 0; i < count; ++i) {
        Point2& p = points[i];
        if (points_equal(p.x, p.y, arc->start.x, arc->start.y))
            p = arc->start;
        else if (points_equal(p.x, p.y, arc->end.x, arc->end.y))
            p = arc->end;
    }
}

namespace {

bool same_circle(const ArcByCentre& a, double ra, Point2 centre, double r) {
    return compare_doubles(ra, r) == 0 && points_equal(a.centre.x, a.centre.y, centre.x, centre.y);
}

}  // namespace

int16_t intersect_arc_circle(const ArcByCentre* g, int kind, const CircleGeom* c, Point2 out[2]) {
    ArcByCentre arc;
    if (!arc_normal_form(g, kind, &arc)) {
        Segment chord{arc.start, arc.end};
        return intersect_segment_circle(&chord, c, out);
    }
    double ra = point_distance(arc.start, arc.centre);
    double rc = point_distance(c->on_circle, c->centre);
    if (same_circle(arc, ra, c->centre, rc)) {
        out[0] = arc.start;
        out[1] = arc.end;
        return 2;
    }
    CircleGeom own{arc.start, arc.centre};
    int n = intersect_circle_records(&own, c, out);
    snap_points_to_arc_ends(&arc, out, n);
    return arc_filter_points(&arc, out, n);
}

int16_t intersect_arcs(const ArcByCentre* ga, int kind_a, const ArcByCentre* gb, int kind_b, Point2 out[4]) {
    ArcByCentre A, B;
    int arc_a = arc_normal_form(ga, kind_a, &A);
    int arc_b = arc_normal_form(gb, kind_b, &B);
    if (!arc_a && !arc_b) {
        Segment sa{A.start, A.end}, sb{B.start, B.end};
        return intersect_segments(&sa, &sb, out);
    }
    if (!arc_a) {
        Segment sa{A.start, A.end};
        return intersect_segment_arc(&sa, &B, 3, out);
    }
    if (!arc_b) {
        Segment sb{B.start, B.end};
        return intersect_segment_arc(&sb, &A, 3, out);
    }
    double ra = point_distance(A.start, A.centre), rb = point_distance(B.start, B.centre);
    int n;
    if (same_circle(A, ra, B.centre, rb)) {
        n = 0;
        out[n++] = A.start;
        out[n++] = A.end;
        const Point2 ends[2] = {B.start, B.end};
        for (const Point2& e : ends) {
            if (!points_equal(e.x, e.y, A.start.x, A.start.y) && !points_equal(e.x, e.y, A.end.x, A.end.y))
                out[n++] = e;
        }
    } else {
        CircleGeom ca{A.start, A.centre}, cb{B.start, B.centre};
        n = intersect_circle_records(&ca, &cb, out);
        snap_points_to_arc_ends(&A, out, n);
        snap_points_to_arc_ends(&B, out, n);
    }
    n = arc_filter_points(&A, out, n);
    return arc_filter_points(&B, out, n);
}

int intersect_arc_curve(const ArcByCentre* arc, int kind, const CurveVertex* v, int count, PointArray* hits) {
    int total = 0;
    for (int i = 0; i + 1 < count; ++i) {
        ArcByCentre piece{v[i].point, v[i + 1].point, v[i].through};
        Point2 out[4];
        int n = intersect_arcs(arc, kind, &piece, 4, out);
        if (n > 0) {
            size_t before = hits->used;
            point_array_append(hits, out, static_cast<size_t>(n));
            total += static_cast<int>(hits->used - before);
        }
    }
    return total;
}

// ---------------------------------------------------------------- scan lines

int16_t scanline_intersect_segment(Point2 p, const Segment* seg, ScanHit out[2]) {
    const Point2 S = seg->start, E = seg->end;
    out[0].end_mark = out[1].end_mark = 0;
    double lo = std::fmin(S.y, E.y), hi = std::fmax(S.y, E.y);
    if (compare_doubles(p.y, lo) < 0 || compare_doubles(p.y, hi) > 0) return 0;
    if (compare_doubles(S.y, E.y) != 0) {
        out[0].x = S.x + (E.x - S.x) * (p.y - S.y) / (E.y - S.y);
        out[0].y = p.y;
        if (compare_doubles(p.y, lo) == 0)
            out[0].end_mark = -1;
        else if (compare_doubles(p.y, hi) == 0)
            out[0].end_mark = 1;
        return 1;
    }
    double xlo = std::fmin(S.x, E.x), xhi = std::fmax(S.x, E.x);
    if (compare_doubles(p.x, xlo) < 0 || compare_doubles(p.x, xhi) > 0) {
        out[0].x = S.x;
        out[0].y = S.y;
        out[1].x = E.x;
        out[1].y = E.y;
        return 2;
    }
    out[0].x = p.x;
    out[0].y = p.y;
    return 1;
}

namespace {

// Circle hits of a scan line; *touch is set when the line only touches the
// circle (the two hits are one point).
int16_t scan_circle(Point2 p, Point2 c, double r, ScanHit out[2], bool* touch) {
    *touch = false;
    out[0].end_mark = out[1].end_mark = 0;
    double d = r * r - (p.y - c.y) * (p.y - c.y);
    if (compare_doubles(d, 0) < 0) return 0;
    double f = std::sqrt(std::fabs(d));
    out[0].x = c.x - f;
    out[1].x = c.x + f;
    out[0].y = out[1].y = p.y;
    if (compare_doubles(f, 0) != 0) return 2;
    // Touching at the lowest y (the circle goes on toward larger y on both
    // sides) or at the highest.
    int16_t mark;
    if (compare_doubles(p.y, c.y - r) == 0)
        mark = -1;
    else if (compare_doubles(p.y, c.y + r) == 0)
        mark = 1;
    else
        return 0;
    out[0].x = out[1].x = c.x;
    out[0].end_mark = out[1].end_mark = mark;
    *touch = true;
    return 2;
}

}  // namespace

int16_t scanline_intersect_circle(Point2 p, const CircleGeom* c, ScanHit out[2]) {
    bool touch;
    return scan_circle(p, c->centre, point_distance(c->on_circle, c->centre), out, &touch);
}

int16_t scanline_intersect_arc(Point2 p, const ArcByCentre* g, int kind, ScanHit out[2]) {
    ArcByCentre arc;
    if (!arc_normal_form(g, kind, &arc)) {
        Segment chord{arc.start, arc.end};
        return scanline_intersect_segment(p, &chord, out);
    }
    const Point2 K = arc.centre;
    double r = point_distance(arc.start, K);
    ScanHit hits[2];
    bool touch;
    int n = scan_circle(p, K, r, hits, &touch);
    bool full = points_equal(arc.start.x, arc.start.y, arc.end.x, arc.end.y) != 0;
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        Point2 q{hits[i].x, hits[i].y};
        if (arc_filter_points(&arc, &q, 1) == 0) continue;
        ScanHit h = hits[i];
        if (!full) {
            bool at_start = points_equal(q.x, q.y, arc.start.x, arc.start.y) != 0;
            bool at_end = !at_start && points_equal(q.x, q.y, arc.end.x, arc.end.y);
            if (at_start || at_end) {
                // A touching point that is an arc end is one hit of this arc.
                if (touch && kept > 0) continue;
                const Point2 e = at_start ? arc.start : arc.end;
                if (compare_doubles(K.x, e.x) != 0) {
                    bool right = K.x > e.x;
                    h.end_mark = at_start ? (right ? -1 : 1) : (right ? 1 : -1);
                } else {
                    h.end_mark = K.y > e.y ? -1 : 1;
                }
            }
        }
        out[kept++] = h;
    }
    // A touching pair of which only one hit survived as an arc end stays one.
    return static_cast<int16_t>(kept);
}

int scanline_intersect_curve(Point2 p, const CurveVertex* v, int count, ScanHitArray* hits) {
    int total = 0;
    for (int i = 0; i + 1 < count; ++i) {
        ArcByCentre piece{v[i].point, v[i + 1].point, v[i].through};
        ScanHit out[2];
        int n = scanline_intersect_arc(p, &piece, 4, out);
        if (n > 0) {
            size_t before = hits->used;
            scan_hit_array_append(hits, out, static_cast<size_t>(n));
            total += static_cast<int>(hits->used - before);
        }
    }
    return total;
}

// ---------------------------------------------------------------- vertical

namespace {

Point2 swapped(Point2 p) { return Point2{p.y, p.x}; }

void unswap(ScanHit* h, int n) {
    for (int i = 0; i < n; ++i) {
        double t = h[i].x;
        h[i].x = h[i].y;
        h[i].y = t;
    }
}

}  // namespace

int16_t vertical_scanline_intersect_segment(Point2 p, const Segment* seg, ScanHit out[2]) {
    Segment s{swapped(seg->start), swapped(seg->end)};
    int16_t n = scanline_intersect_segment(swapped(p), &s, out);
    unswap(out, n);
    return n;
}

int16_t vertical_scanline_intersect_circle(Point2 p, const CircleGeom* c, ScanHit out[2]) {
    CircleGeom s{swapped(c->on_circle), swapped(c->centre)};
    int16_t n = scanline_intersect_circle(swapped(p), &s, out);
    unswap(out, n);
    return n;
}

int16_t vertical_scanline_intersect_arc(Point2 p, const ArcByCentre* g, int kind, ScanHit out[2]) {
    // Exchanging x and y mirrors the plane, which reverses the travel of an
    // arc by centre: its start and end are exchanged to keep the same arc.
    ArcByCentre s;
    if (kind == 4) {
        s = ArcByCentre{swapped(g->start), swapped(g->end), swapped(g->centre)};
    } else {
        s = ArcByCentre{swapped(g->end), swapped(g->start), swapped(g->centre)};
    }
    int16_t n = scanline_intersect_arc(swapped(p), &s, kind, out);
    unswap(out, n);
    return n;
}
