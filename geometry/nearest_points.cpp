// Nearest points: the distance from a point to a segment, an arc or an
// element's geometry, with the nearest point on it.  The foot of the
// perpendicular is found by the intersection routines, so this sits above
// both the metric layer and the intersections.
#include "geometry/nearest_points.h"

#include "geometry/intersect.h"

#include <cmath>

namespace {

double angle_of(Point2 p, Point2 about) { return std::atan2(p.y - about.y, p.x - about.x); }

// The nearer end point of a segment or an arc; E on a tie.
double nearer_end(Point2 S, Point2 E, Point2 p, Point2* nearest) {
    double ds = point_distance(p, S), de = point_distance(p, E);
    if (ds < de) {
        if (nearest) *nearest = S;
        return ds;
    }
    if (nearest) *nearest = E;
    return de;
}

}  // namespace

double point_segment_distance(const Segment* seg, Point2 p, int16_t* count, Point2* nearest) {
    double d = point_line_distance(seg, p);
    double theta = angle_of(seg->start, seg->end);
    // One reach for both axes keeps the auxiliary segment perpendicular, so
    // its hit is the foot of the perpendicular.
    double reach = d + std::fmax(tolerance_for_magnitude(p.x), tolerance_for_magnitude(p.y));
    Segment aux{{p.x + std::cos(theta + k_half_pi()) * reach, p.y + std::sin(theta + k_half_pi()) * reach},
                {p.x + std::cos(theta - k_half_pi()) * reach, p.y + std::sin(theta - k_half_pi()) * reach}};
    Point2 hits[2];
    int n = intersect_segments(seg, &aux, hits);
    if (n > 0) {
        if (count) *count = static_cast<int16_t>(n);
        if (nearest) *nearest = hits[0];
        return d;
    }
    if (count) *count = 0;
    return nearer_end(seg->start, seg->end, p, nearest);
}

double point_arc_distance(const ArcByCentre* arc, Point2 p, int16_t* count, Point2* nearest) {
    double r = point_arc_radial_distance(arc, p);
    double alpha = angle_of(p, arc->centre);
    double reach = r + std::fmax(tolerance_for_magnitude(p.x), tolerance_for_magnitude(p.y));
    double c = std::cos(alpha), s = std::sin(alpha);
    Segment aux{{p.x - c * reach, p.y - s * reach}, {p.x + c * reach, p.y + s * reach}};
    Point2 hits[2];
    int n = intersect_segment_arc(&aux, arc, 3, hits);
    if (n > 0) {
        if (count) *count = static_cast<int16_t>(n);
        if (nearest) {
            *nearest = hits[0];
            if (n > 1 && point_distance(p, hits[1]) < point_distance(p, hits[0])) *nearest = hits[1];
        }
        return r;
    }
    if (count) *count = 0;
    return nearer_end(arc->start, arc->end, p, nearest);
}

double point_element_distance(int kind, const Point2* g, Point2 p, Point2* nearest) {
    switch (kind) {
    case 1: {
        Segment s{g[0], g[1]};
        return point_segment_distance(&s, p, nullptr, nearest);
    }
    case 2: {
        const Point2 on = g[0], c = g[1];
        double r = point_distance(on, c);
        double dc = point_distance(p, c);
        if (nearest) {
            // The circle point on the ray from the centre through p; for p at
            // the centre every circle point is nearest: take the stored one.
            if (dc == 0) {
                *nearest = on;
            } else {
                *nearest = Point2{c.x + (p.x - c.x) * r / dc, c.y + (p.y - c.y) * r / dc};
            }
        }
        return std::fabs(dc - r);
    }
    case 3: {
        ArcByCentre a{g[0], g[1], g[2]};
        return point_arc_distance(&a, p, nullptr, nearest);
    }
    case 4: {
        ArcByPoints a{g[0], g[1], g[2]};
        ArcByCentre c;
        if (arc_by_points_to_centre(&a, &c)) return point_arc_distance(&c, p, nullptr, nearest);
        Segment s{a.start, a.end};
        return point_segment_distance(&s, p, nullptr, nearest);
    }
    default:
        return 0;
    }
}
