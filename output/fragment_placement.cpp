// Placement of an inserted fragment: matrix from binding points, scales,
// angles and the mirror decision.
#include "output/fragment_placement.h"

#include <cmath>

#include "base/byte_order.h"
#include "geometry/tolerance.h"
#include "store/record_layouts.h"

namespace {

constexpr double pi = 3.14159265358979323846;

double normalised(double a) {
    while (a > pi) a -= 2 * pi;
    while (a <= -pi) a += 2 * pi;
    return a;
}

double direction(Point2 from, Point2 to) { return std::atan2(to.y - from.y, to.x - from.x); }

}  // namespace

double fragment_scale_limited(double scale) {
    if (!(scale == scale) || scale == 0.0) return 1.0;
    return scale > 2500.0 ? 2500.0 : scale;
}

int fragment_placement_compute(const FragmentPlacementInput& in, bool points_confirmed, FragmentPlacement* out) {
    FragmentPlacement p;
    double source_scale = fragment_scale_limited(in.source_scale);
    double target_scale = fragment_scale_limited(in.target_scale);
    int n = in.target_count;
    if (n < 0) n = 0;
    if (n > 3) n = 3;
    if (n > in.source_count) n = in.source_count < 0 ? 0 : in.source_count;
    bool from_points = false;
    if (n >= 2) {
        if (in.both_directed || in.without_dimensions) {
            from_points = true;
            p.a1 = -direction(in.source[0], in.source[1]);
            p.a2 = direction(in.target[0], in.target[1]);
            double ds = std::hypot(in.source[1].x - in.source[0].x, in.source[1].y - in.source[0].y);
            double dt = std::hypot(in.target[1].x - in.target[0].x, in.target[1].y - in.target[0].y);
            if (ds > 0.0) {
                p.k = dt / ds;
                p.scale_from_points = true;
            } else {
                // Coincident fragment points give no scale: keep the one of
                // the two projections.
                p.k = target_scale / source_scale;
            }
            if (n == 3) {
                double as = normalised(direction(in.source[0], in.source[2]) + p.a1);
                double at = normalised(direction(in.target[0], in.target[2]) - p.a2);
                if ((as < 0 && at > 0) || (as > 0 && at < 0)) p.mirror = -1;
            }
        } else if (!points_confirmed) {
            return placement_ask_points;
        }
    }
    if (!from_points) {
        if (in.user_parameters) {
            p.a1 = 0.0;
            p.a2 = -in.user_angle;
            p.k = in.user_scale > 0.0 ? in.user_scale : 1.0;
            p.mirror = in.user_mirror ? -1 : 1;
        }
        // One point (or none, or points refused as a direction): the sizes
        // follow the two projections' scales.
        p.k *= target_scale / source_scale;
    }
    double c1 = std::cos(p.a1), s1 = std::sin(p.a1), c2 = std::cos(p.a2), s2 = std::sin(p.a2);
    double m = p.mirror, k = p.k;
    AffineMatrix& a = p.matrix;
    a.m0 = k * (c2 * c1 - m * s2 * s1);
    a.m1 = k * (c1 * s2 + m * c2 * s1);
    a.m2 = k * (-c2 * s1 - m * c1 * s2);
    a.m3 = k * (m * c2 * c1 - s2 * s1);
    Point2 from = n >= 1 ? in.source[0] : Point2{0, 0};
    Point2 to = n >= 1 ? in.target[0] : Point2{0, 0};
    a.m4 = to.x - (a.m2 * from.y + a.m0 * from.x);
    a.m5 = to.y - (a.m3 * from.y + a.m1 * from.x);
    a.reserved = 0;
    *out = p;
    return placement_done;
}

bool fragment_placement_turns(const FragmentPlacement& p) {
    if (p.mirror < 0) return true;
    return std::fabs(std::sin(p.a1 + p.a2)) > tolerance_get();
}

bool fragment_dimension_keeps_direction(const uint8_t* dimension) {
    uint16_t kind_word = get_u16(dimension, dimension_kind_word);
    int kind = kind_word & 0x1F;
    int mode = (kind_word >> 5) & 7;
    bool bound = kind == 0 || kind == 6 || (kind == 2 && !(get_u16(dimension, dimension_value_word) & 4));
    return bound && mode != 2 && mode != 3 && mode != 4;
}
