// Table sine and cosine, arc sweeps and centres, distances, arc ordering,
// boxes and the lengthening of segments and arcs.
#include "geometry/extents.h"
#include "geometry/metric.h"
#include "geometry/nearest_points.h"

#include "fake_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

const double PI = 3.14159265358979323846;

class Metric : public KernelTest {};

ArcByCentre arc_at(double r, double a_start, double a_end, Point2 c = {0, 0}) {
    return ArcByCentre{{c.x + r * std::cos(a_start), c.y + r * std::sin(a_start)},
                       {c.x + r * std::cos(a_end), c.y + r * std::sin(a_end)},
                       c};
}

}  // namespace

TEST(SineTable, EndsAndGeneratedValues) {
    EXPECT_EQ(sine_table[0], 0.0);
    EXPECT_EQ(sine_table[359], 1.0);
    for (int i = 0; i < SINE_TABLE_SIZE; ++i)
        EXPECT_NEAR(sine_table[i], std::sin(i * (PI / 2) / 359), 5.1e-14) << i;
}

TEST_F(Metric, TableSineAndCosineFollowTheProcessorOnADenseGrid) {
    // Linear interpolation over steps of pi/718 errs by at most h^2/8 (about
    // 2.4e-6); within the tolerance of a multiple of pi the angle is snapped
    // to it, which may cost up to the tolerance itself.
    double worst = 0, worst_snapped = 0;
    for (int i = -40000; i <= 40000; ++i) {
        double a = i * 0.00025 + 0.0000123;
        double es = std::fabs(sine_from_table(a) - std::sin(a));
        double ec = std::fabs(cosine_from_table(a) - std::cos(a));
        double off = std::fabs(std::remainder(a, PI));
        double off_half = std::fabs(std::remainder(a - PI / 2, PI));
        if (off > 1e-3) worst = std::fmax(worst, es);
        else worst_snapped = std::fmax(worst_snapped, es);
        if (off_half > 1e-3) worst = std::fmax(worst, ec);
        else worst_snapped = std::fmax(worst_snapped, ec);
    }
    EXPECT_LT(worst, 2.5e-6);
    EXPECT_LE(worst_snapped, tolerance_standing + 1e-9);
}

TEST_F(Metric, TableSineAndCosineExactPointsAndBadInput) {
    struct Case { double a, sine, cosine, eps; };
    const Case cases[] = {
        {0.0, 0.0, 1.0, 0},
        {PI / 2, 1.0, 0.0, 0},
        {-PI / 2, -1.0, 0.0, 0},
        {PI, 0.0, -1.0, 1e-12},
        {-PI / 6, -0.5, 0.8660254, 3e-6},
        {2 * PI + PI / 6, 0.5, 0.8660254, 3e-6},
        {-7 * PI / 6, 0.5, -0.8660254, 3e-6},
        {1e6, std::sin(1e6), std::cos(1e6), 1e-5},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(sine_from_table(c.a), c.sine, c.eps) << c.a;
        EXPECT_NEAR(cosine_from_table(c.a), c.cosine, c.eps) << c.a;
    }
    // Non-finite and huge angles return at once.
    const double bad[] = {INFINITY, -INFINITY, NAN, 1e300, -1e300};
    for (double a : bad) {
        double s = sine_from_table(a), c = cosine_from_table(a);
        EXPECT_TRUE(std::isfinite(s) && std::fabs(s) <= 1.0) << a;
        EXPECT_TRUE(std::isfinite(c) && std::fabs(c) <= 1.0) << a;
    }
}

TEST_F(Metric, ArcSweepAngle) {
    struct Case { Point2 s, e; double sweep; };
    const Case cases[] = {
        {{1, 0}, {0, -1}, PI / 2},
        {{0, -1}, {1, 0}, 3 * PI / 2},
        {{1, 0}, {1, 0}, 2 * PI},
        {{-1, -0.001}, {-1, 0.001}, 0.002},      // across the +-pi seam
        {{-1, 0.001}, {-1, -0.001}, 2 * PI - 0.002},
        {{1, 0}, {-1, 0}, PI},
    };
    for (const Case& c : cases) {
        ArcByCentre a{c.s, c.e, {0, 0}};
        EXPECT_NEAR(arc_sweep_angle(&a), c.sweep, 1e-5) << c.s.x << "," << c.s.y;
    }
}

TEST_F(Metric, ArcCentreFromThreePoints) {
    struct Case { Point2 s, e, t; int result; Point2 centre; };
    const Case cases[] = {
        {{0, 0}, {2, 0}, {1, 1}, -1, {1, 0}},
        {{2, 0}, {0, 0}, {1, 1}, 1, {1, 0}},
        {{0, 0}, {2, 0}, {1, -1}, 1, {1, 0}},
        {{0, 0}, {0, 2}, {1, 1}, 1, {0, 1}},        // S and T share no y: one bisector replaced
        {{0, 0}, {2, 0}, {1, 0}, 0, {0, 0}},        // collinear
        {{0, 0}, {2, 2}, {1, 1}, 0, {0, 0}},        // collinear, sloped
        {{0, 0}, {0, 0}, {0, 0}, 0, {0, 0}},        // one point
        // spread below 0.00785 of the radius: three points 0.001 apart on a
        // circle of radius 1000
        {{1000, 0}, {1000 * std::cos(0.000002), 1000 * std::sin(0.000002)},
         {1000 * std::cos(0.000001), 1000 * std::sin(0.000001)}, 0, {0, 0}},
    };
    for (const Case& c : cases) {
        ArcByPoints a{c.s, c.e, c.t};
        Point2 k{-99, -99};
        EXPECT_EQ(arc_center_from_three_points(&a, &k), c.result) << c.s.x << "," << c.e.x << "," << c.t.y;
        if (c.result != 0) {
            EXPECT_NEAR(k.x, c.centre.x, 1e-12);
            EXPECT_NEAR(k.y, c.centre.y, 1e-12);
        }
    }
    // The caller's tolerance is back after every exit.
    tolerance_set(0.01);
    ArcByPoints flat{{0, 0}, {2, 0}, {1, 0}}, round{{0, 0}, {2, 0}, {1, 1}};
    Point2 k;
    arc_center_from_three_points(&flat, &k);
    EXPECT_EQ(tolerance_get(), 0.01);
    arc_center_from_three_points(&round, &k);
    EXPECT_EQ(tolerance_get(), 0.01);
}

TEST_F(Metric, ArcCentreHeightTestFollowsCurveToleranceAndScale) {
    // A flat arc of radius 1 whose height measure lies between 0.0025 and
    // 0.015: an arc in the fine setting, a chord in the coarse one; at scale
    // 1:10 on paper (model lengths shown ten times smaller) it is a chord too.
    double sw = 0.2;  // sqrt(1 + 0.01) - 1 = 0.004988
    ArcByPoints a{{1, 0}, {std::cos(sw), -std::sin(sw)}, {std::cos(sw / 2), -std::sin(sw / 2)}};
    Point2 k;
    EXPECT_EQ(arc_center_from_three_points(&a, &k), -1);
    fake_drawing::set_coarse(true);
    EXPECT_EQ(arc_center_from_three_points(&a, &k), 0);
    fake_drawing::set_coarse(false);
    fake_drawing::set_scale(0.1);
    EXPECT_EQ(arc_center_from_three_points(&a, &k), 0);
    fake_drawing::set_scale(10);
    EXPECT_EQ(arc_center_from_three_points(&a, &k), -1);
}

TEST_F(Metric, ArcCentreOfRandomCirclePointsAgreesWithGeometry) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int i = 0; i < 3000; ++i) {
        Point2 c{u(rng) * 500, u(rng) * 500};
        double r = 0.5 + (u(rng) + 1) * 200;
        double a0 = u(rng) * PI, sw = 0.2 + (u(rng) + 1) * 2.8, sign = u(rng) < 0 ? -1 : 1;
        auto at = [&](double a) { return Point2{c.x + r * std::cos(a), c.y + r * std::sin(a)}; };
        ArcByPoints a{at(a0), at(a0 + sign * sw), at(a0 + sign * sw * 0.37)};
        Point2 k;
        int res = arc_center_from_three_points(&a, &k);
        ASSERT_EQ(res, sign > 0 ? 1 : -1) << i;
        EXPECT_NEAR(k.x, c.x, 1e-6 * r);
        EXPECT_NEAR(k.y, c.y, 1e-6 * r);
    }
}

TEST_F(Metric, PointToSegmentDistances) {
    Segment seg{{0, 0}, {10, 0}};
    struct Case { Point2 p; double d; int count; Point2 nearest; };
    const Case cases[] = {
        {{3, 4}, 4, 1, {3, 0}},
        {{3, -4}, 4, 1, {3, 0}},
        {{13, 4}, 5, 0, {10, 0}},     // beyond the end: the end point
        {{-3, 4}, 5, 0, {0, 0}},
        {{5, 0}, 0, 1, {5, 0}},       // on the segment
    };
    for (const Case& c : cases) {
        int16_t n = -1;
        Point2 q{-1, -1};
        EXPECT_NEAR(point_segment_distance(&seg, c.p, &n, &q), c.d, 1e-9) << c.p.x << "," << c.p.y;
        EXPECT_EQ(n, c.count);
        EXPECT_NEAR(q.x, c.nearest.x, 1e-9);
        EXPECT_NEAR(q.y, c.nearest.y, 1e-9);
    }
    // Equally far from both ends and off the span: E.  A point on the line
    // of a short segment beyond both of its ends is such a point when the
    // segment is degenerate.
    Segment dot{{1, 1}, {1, 1}};
    int16_t n;
    Point2 q;
    EXPECT_NEAR(point_segment_distance(&dot, {4, 5}, &n, &q), 5, 1e-12);
    EXPECT_EQ(n, 0);
    EXPECT_NEAR(point_line_distance(&dot, {4, 5}), 5, 1e-12);
    Segment slanted{{0, 0}, {3, 4}};
    EXPECT_NEAR(point_line_distance(&slanted, {4, -3}), 5, 1e-12);
    EXPECT_NEAR(point_line_distance(&slanted, {6, 8}), 0, 1e-12);
}

TEST_F(Metric, RandomPointSegmentDistancesAgainstLongDouble) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-100, 100);
    for (int i = 0; i < 5000; ++i) {
        Segment s{{u(rng), u(rng)}, {u(rng), u(rng)}};
        Point2 p{u(rng), u(rng)};
        long double dx = (long double)s.end.x - s.start.x, dy = (long double)s.end.y - s.start.y;
        long double t = (((long double)p.x - s.start.x) * dx + ((long double)p.y - s.start.y) * dy) /
                        (dx * dx + dy * dy);
        long double fx = s.start.x + t * dx, fy = s.start.y + t * dy;
        long double ref;
        if (t < 0) ref = hypotl(p.x - (long double)s.start.x, p.y - (long double)s.start.y);
        else if (t > 1) ref = hypotl(p.x - (long double)s.end.x, p.y - (long double)s.end.y);
        else ref = hypotl(p.x - fx, p.y - fy);
        int16_t n;
        Point2 q;
        double d = point_segment_distance(&s, p, &n, &q);
        // Close to an end the foot may fall either way within the tolerance.
        long double len = sqrtl(dx * dx + dy * dy);
        if (std::fabs((double)(t * len)) < 1e-3 || std::fabs((double)((t - 1) * len)) < 1e-3) continue;
        EXPECT_NEAR(d, (double)ref, 1e-9) << i;
        EXPECT_EQ(n, (t >= 0 && t <= 1) ? 1 : 0) << i;
        EXPECT_NEAR(point_distance(p, q), d, 1e-9) << i;
    }
}

TEST_F(Metric, PointToArcAndElementDistances) {
    ArcByCentre quarter = arc_at(2, 0, -PI / 2);  // (2,0) to (0,-2) through the lower right
    struct Case { Point2 p; double d; int count; Point2 nearest; };
    const Case cases[] = {
        {{3, -3}, 3 * std::sqrt(2.0) - 2, 1, {std::sqrt(2.0), -std::sqrt(2.0)}},
        {{0.5, -0.5}, 2 - std::sqrt(0.5), 1, {std::sqrt(2.0), -std::sqrt(2.0)}},
        {{-3, 0}, 3 * std::sqrt(2.0) * 0 + std::sqrt(13.0), 0, {0, -2}},  // off the arc: nearer end... (0,-2): sqrt(9+4)
    };
    for (const Case& c : cases) {
        int16_t n = -1;
        Point2 q;
        EXPECT_NEAR(point_arc_distance(&quarter, c.p, &n, &q), c.d, 1e-9) << c.p.x;
        EXPECT_EQ(n, c.count) << c.p.x;
        EXPECT_NEAR(q.x, c.nearest.x, 1e-9);
        EXPECT_NEAR(q.y, c.nearest.y, 1e-9);
    }
    // Kinds: circle from outside, inside and at the centre; arc by three
    // points and its chord form; other kinds measure 0.
    Point2 circle[2] = {{2, 0}, {0, 0}};
    Point2 q;
    EXPECT_NEAR(point_element_distance(2, circle, {0, 5}, &q), 3, 1e-12);
    EXPECT_NEAR(q.y, 2, 1e-12);
    EXPECT_NEAR(point_element_distance(2, circle, {0, -0.5}, &q), 1.5, 1e-12);
    EXPECT_NEAR(q.x, 0, 1e-12);
    EXPECT_NEAR(q.y, -2, 1e-12);
    EXPECT_NEAR(point_element_distance(2, circle, {0, 0}, &q), 2, 1e-12);
    EXPECT_NEAR(point_distance(q, {0, 0}), 2, 1e-12);
    Point2 by_points[3] = {{-2, 0}, {2, 0}, {0, -2}};
    EXPECT_NEAR(point_element_distance(4, by_points, {0, -5}, &q), 3, 1e-9);
    EXPECT_NEAR(q.y, -2, 1e-9);
    Point2 chord[3] = {{-2, 0}, {2, 0}, {0, 0}};
    EXPECT_NEAR(point_element_distance(4, chord, {0, -5}, &q), 5, 1e-9);
    Point2 seg[2] = {{0, 0}, {10, 0}};
    EXPECT_NEAR(point_element_distance(1, seg, {4, 3}, &q), 3, 1e-12);
    EXPECT_EQ(point_element_distance(7, seg, {4, 3}, &q), 0);
}

TEST_F(Metric, RandomArcDistancesAgainstLongDouble) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int i = 0; i < 3000; ++i) {
        Point2 c{u(rng) * 50, u(rng) * 50};
        double r = 1 + (u(rng) + 1) * 20;
        double a0 = u(rng) * PI, sw = 0.1 + (u(rng) + 1) * 3;
        ArcByCentre arc = arc_at(r, a0, a0 - sw, c);
        Point2 p{c.x + u(rng) * 3 * r, c.y + u(rng) * 3 * r};
        long double ap = atan2l((long double)p.y - c.y, (long double)p.x - c.x);
        long double off = a0 - ap;  // travel from the start in decreasing angle
        while (off < 0) off += 2 * (long double)PI;
        while (off >= 2 * (long double)PI) off -= 2 * (long double)PI;
        long double ref;
        bool on_span = off <= sw;
        if (on_span) {
            ref = fabsl(hypotl((long double)p.x - c.x, (long double)p.y - c.y) - r);
        } else {
            ref = fminl(hypotl((long double)p.x - arc.start.x, (long double)p.y - arc.start.y),
                        hypotl((long double)p.x - arc.end.x, (long double)p.y - arc.end.y));
        }
        // Near the radial line through an end (the arc filter compares sweeps
        // at the standing tolerance) either answer is right.
        if (std::fabs((double)off) < 1e-3 || std::fabs((double)(off - sw)) < 1e-3 ||
            std::fabs((double)(off - 2 * PI)) < 1e-3)
            continue;
        int16_t n;
        double d = point_arc_distance(&arc, p, &n, nullptr);
        EXPECT_NEAR(d, (double)ref, 1e-7) << i;
        EXPECT_EQ(n > 0, on_span) << i;
    }
}

TEST_F(Metric, CorrectArcCentreKeepsSideAndPutsBothEndsOnOneCircle) {
    ArcByCentre a{{0, 0}, {4, 0}, {2.1, 1.4}};  // left of S->E (y up math sense)
    correct_arc_center(&a);
    EXPECT_NEAR(point_distance(a.start, a.centre), point_distance(a.end, a.centre), 1e-12);
    EXPECT_NEAR(a.centre.x, 2, 1e-12);
    EXPECT_GT(a.centre.y, 0);
    ArcByCentre b{{0, 0}, {4, 0}, {1.9, -1.4}};
    correct_arc_center(&b);
    EXPECT_NEAR(b.centre.x, 2, 1e-12);
    EXPECT_LT(b.centre.y, 0);
    EXPECT_NEAR(point_distance(b.start, b.centre), point_distance(b.end, b.centre), 1e-12);
    // A centre on the chord: a half circle about the chord's middle.
    ArcByCentre c{{0, 0}, {4, 0}, {1.5, 0}};
    correct_arc_center(&c);
    EXPECT_NEAR(c.centre.y, 0, 1e-9);
    EXPECT_NEAR(c.centre.x, 2, 1e-9);
    // A zero chord leaves the arc alone.
    ArcByCentre d{{1, 1}, {1, 1}, {3, 3}};
    correct_arc_center(&d);
    EXPECT_EQ(d.centre.x, 3);
}

TEST_F(Metric, SortAndFilterPointsOnAnArc) {
    ArcByCentre arc = arc_at(1, PI / 2, -PI / 2);  // right half, from the top down
    Point2 pts[5] = {arc.start, {std::cos(-1.0), std::sin(-1.0)}, {1, 0}, {std::cos(1.0), std::sin(1.0)}, arc.end};
    sort_points_on_arc(&arc, pts, 5);
    const double expect_y[5] = {1, std::sin(1.0), 0, std::sin(-1.0), -1};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(pts[i].y, expect_y[i], 1e-12) << i;
    // The arc's own ends are kept; a point of the circle just beyond an end,
    // and one on the other half, are dropped.
    Point2 f[5] = {{-1, 0}, arc.end, {std::cos(PI / 2 + 0.01), std::sin(PI / 2 + 0.01)}, {1, 0}, arc.start};
    ASSERT_EQ(arc_filter_points(&arc, f, 5), 3);
    EXPECT_NEAR(f[0].y, -1, 1e-12);
    EXPECT_NEAR(f[1].x, 1, 1e-12);
    EXPECT_NEAR(f[2].y, 1, 1e-12);
    // The filter runs at the standing tolerance and restores the caller's.
    tolerance_set(tolerance_fine);
    Point2 g[1] = {{1, 0}};
    EXPECT_EQ(arc_filter_points(&arc, g, 1), 1);
    EXPECT_EQ(tolerance_get(), tolerance_fine);
}

TEST_F(Metric, ArcMidpointAndDivision) {
    ArcByCentre quarter = arc_at(2, 0, -PI / 2);
    EXPECT_NEAR(arc_mid_angle(&quarter), -PI / 4, 1e-12);
    Point2 m;
    arc_midpoint(&quarter, &m);
    EXPECT_NEAR(m.x, std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(m.y, -std::sqrt(2.0), 1e-12);
    ArcByCentre across = arc_at(1, -PI + 0.1, PI - 0.1);  // a short arc across the +-pi seam
    EXPECT_NEAR(std::cos(arc_mid_angle(&across)), -1, 1e-12);
    ArcByCentre around = arc_at(1, PI - 0.1, -PI + 0.1);  // the long way round
    EXPECT_NEAR(std::cos(arc_mid_angle(&around)), 1, 1e-12);
    ArcByCentre full{{1, 0}, {1, 0}, {0, 0}};
    EXPECT_NEAR(std::cos(arc_mid_angle(&full)), -1, 1e-12);  // opposite the start
    Point2 parts[3];
    arc_divide(&quarter, parts, 4);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(parts[k].x, 2 * std::cos(-(k + 1) * PI / 8), 1e-12);
        EXPECT_NEAR(parts[k].y, 2 * std::sin(-(k + 1) * PI / 8), 1e-12);
    }
}

TEST_F(Metric, BoxesOfArcsAgainstDenseSampling) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int i = 0; i < 600; ++i) {
        Point2 c{u(rng) * 100, u(rng) * 100};
        double r = 0.5 + (u(rng) + 1) * 30;
        double a0 = u(rng) * PI, sw = 0.05 + (u(rng) + 1) * 3.1;
        ArcByCentre arc = arc_at(r, a0, a0 - sw, c);
        long double lo_x = 1e300, lo_y = 1e300, hi_x = -1e300, hi_y = -1e300;
        for (int k = 0; k <= 4000; ++k) {
            long double a = a0 - sw * (long double)k / 4000;
            long double x = c.x + r * cosl(a), y = c.y + r * sinl(a);
            lo_x = fminl(lo_x, x); lo_y = fminl(lo_y, y); hi_x = fmaxl(hi_x, x); hi_y = fmaxl(hi_y, y);
        }
        Box b;
        box_of_segment_or_arc(&b, &arc, 3);
        // Sampling misses the true extreme by at most r * (1 - cos(step/2)).
        double slack = r * 1e-6 + 1e-9;
        double band = tolerance_standing * r + 1e-9;  // an extreme within the tolerance of an end
        EXPECT_NEAR(b.min_x, (double)lo_x, band + slack) << i;
        EXPECT_NEAR(b.min_y, (double)lo_y, band + slack) << i;
        EXPECT_NEAR(b.max_x, (double)hi_x, band + slack) << i;
        EXPECT_NEAR(b.max_y, (double)hi_y, band + slack) << i;
    }
    // Kind 4 through its through point, and its chord form.
    ArcByCentre by_points{{-1, 0}, {1, 0}, {0, 1}};
    Box b;
    box_of_segment_or_arc(&b, &by_points, 4);
    EXPECT_NEAR(b.max_y, 1, 1e-12);
    EXPECT_NEAR(b.min_y, 0, 1e-12);
    ArcByCentre chord{{-1, 0}, {1, 2}, {0, 1}};
    box_of_segment_or_arc(&b, &chord, 4);
    EXPECT_EQ(b.min_x, -1);
    EXPECT_EQ(b.max_y, 2);
}

TEST_F(Metric, BoxOfCurvePieces) {
    CurveVertex v[3] = {{0, {-1, 0}, {0, 1}}, {0, {1, 0}, {2, 0}}, {0, {3, 0}, {0, 0}}};
    Box b{1, 2, 3, 4};
    EXPECT_EQ(box_of_curve_pieces(&b, v, 1), 0);
    EXPECT_EQ(b.min_x, 1);  // untouched
    EXPECT_EQ(box_of_curve_pieces(&b, v, 3), 2);
    EXPECT_NEAR(b.min_x, -1, 1e-12);
    EXPECT_NEAR(b.max_x, 3, 1e-12);
    EXPECT_NEAR(b.max_y, 1, 1e-12);
    EXPECT_NEAR(b.min_y, 0, 1e-12);
    Box c;
    box_normalize(&c, 5, -1, 2, 7);
    EXPECT_EQ(c.min_x, 2);
    EXPECT_EQ(c.min_y, -1);
    EXPECT_EQ(c.max_x, 5);
    EXPECT_EQ(c.max_y, 7);
}

TEST_F(Metric, SegmentExtend) {
    struct Case { Segment s; int at_start, at_end; double len; int result; Segment expect; };
    const Case cases[] = {
        {{{0, 0}, {10, 0}}, 1, 0, 2, 0, {{-2, 0}, {10, 0}}},
        {{{0, 0}, {10, 0}}, 0, 1, -3, 0, {{0, 0}, {7, 0}}},
        {{{0, 0}, {0, 10}}, 1, 1, 1, 0, {{0, -1}, {0, 11}}},
        {{{0, 0}, {3, 4}}, 0, 1, 5, 0, {{0, 0}, {6, 8}}},
        {{{0, 0}, {10, 0}}, 0, 1, -12, 1, {{0, 0}, {-2, 0}}},   // shortened past the other end
        {{{0, 0}, {10, 0}}, 1, 1, -6, 1, {{6, 0}, {10, 0}}},    // the start passes the end first
    };
    for (const Case& c : cases) {
        Segment s = c.s;
        EXPECT_EQ(segment_extend(c.at_start, c.at_end, &s, c.len), c.result) << c.len;
        EXPECT_NEAR(s.start.x, c.expect.start.x, 1e-12);
        EXPECT_NEAR(s.start.y, c.expect.start.y, 1e-12);
        if (c.result == 0) {
            EXPECT_NEAR(s.end.x, c.expect.end.x, 1e-12);
            EXPECT_NEAR(s.end.y, c.expect.end.y, 1e-12);
        }
    }
}

TEST_F(Metric, ArcExtendReportsReversalExactlyWhenTheSweepIsUsedUp) {
    struct Case { double a_start, a_end; int at_start, at_end; double len; int result; };
    const Case cases[] = {
        {0.6, -0.6, 1, 0, -0.1, 0},        // crosses angle 0, shrinks from 1.2 to 1.1 rad
        {0.6, -0.6, 1, 0, -1.19, 0},
        {0.6, -0.6, 1, 0, -1.2, 1},        // exactly used up
        {0.6, -0.6, 1, 1, -0.59, 0},
        {0.6, -0.6, 1, 1, -0.61, 1},
        {PI - 0.2, -PI + 0.2, 0, 1, -0.3, 0},  // the long arc through 0... sweep 2pi - 0.4
        {-PI + 0.2, PI - 0.2, 0, 1, -0.3, 0},  // crosses +-pi with sweep 0.4
        {-PI + 0.2, PI - 0.2, 0, 1, -0.45, 1},
        {-PI + 0.2, PI - 0.2, 1, 1, -0.2, 1},
        {-PI + 0.2, PI - 0.2, 1, 0, -0.1, 0},
        {0.6, -0.6, 1, 1, 5.0, 0},         // lengthening never reverses
    };
    for (const Case& c : cases) {
        ArcByCentre a = arc_at(1, c.a_start, c.a_end);
        EXPECT_EQ(arc_extend(c.at_start, c.at_end, &a, c.len), c.result) << c.a_start << " " << c.len;
        EXPECT_NEAR(point_distance(a.start, a.centre), 1, 1e-12);
        EXPECT_NEAR(point_distance(a.end, a.centre), 1, 1e-12);
    }
    ArcByCentre a = arc_at(1, 0.6, -0.6);
    arc_extend(1, 0, &a, -0.1);
    EXPECT_NEAR(std::atan2(a.start.y, a.start.x), 0.5, 1e-12);
    arc_extend(0, 1, &a, 0.2);
    EXPECT_NEAR(std::atan2(a.end.y, a.end.x), -0.8, 1e-12);
    // Radius 0: nothing moves, no division by zero.
    ArcByCentre dot{{1, 1}, {1, 1}, {1, 1}};
    EXPECT_EQ(arc_extend(1, 1, &dot, -1), 0);
    EXPECT_EQ(dot.start.x, 1);
}
