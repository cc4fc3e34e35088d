// Intersections of segments, lines, circles, arcs and curves; scan lines
// and their end marks; growing arrays.
#include "geometry/intersect.h"

#include "geometry/kernel_seams.h"
#include "geometry/metric.h"

#include "fake_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

const double PI = 3.14159265358979323846;
const double TOL = tolerance_standing;

class Intersect : public KernelTest {};

ArcByCentre arc_at(double r, double a_start, double a_end, Point2 c = {0, 0}) {
    return ArcByCentre{{c.x + r * std::cos(a_start), c.y + r * std::sin(a_start)},
                       {c.x + r * std::cos(a_end), c.y + r * std::sin(a_end)},
                       c};
}

bool near(Point2 a, Point2 b, double eps = 1e-9) {
    return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps;
}

// ---------------------------------------------------------------- long-double reference
typedef long double LD;
struct PL { LD x, y; };

// Distance (per coordinate, as points_equal measures) from q to the closest
// point of segment s.
LD cheb_to_segment(Point2 q, const Segment& s) {
    LD dx = (LD)s.end.x - s.start.x, dy = (LD)s.end.y - s.start.y;
    LD l2 = dx * dx + dy * dy;
    LD t = l2 == 0 ? 0 : (((LD)q.x - s.start.x) * dx + ((LD)q.y - s.start.y) * dy) / l2;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    LD fx = s.start.x + t * dx, fy = s.start.y + t * dy;
    return fmaxl(fabsl(q.x - fx), fabsl(q.y - fy));
}

LD len_or_zero(LD x, LD y) { return hypotl(x, y); }

LD dist_to_circle(Point2 q, Point2 c, LD r) { return fabsl(hypotl((LD)q.x - c.x, (LD)q.y - c.y) - r); }

// Travel in decreasing angle from the arc's start to q (0..2pi).
LD travel(const ArcByCentre& a, PL q) {
    LD as = atan2l((LD)a.start.y - a.centre.y, (LD)a.start.x - a.centre.x);
    LD aq = atan2l(q.y - a.centre.y, q.x - a.centre.x);
    LD d = as - aq;
    while (d < 0) d += 2 * (LD)PI;
    while (d >= 2 * (LD)PI) d -= 2 * (LD)PI;
    return d;
}

LD sweep_of(const ArcByCentre& a) {
    LD s = travel(a, PL{a.end.x, a.end.y});
    return s == 0 ? 2 * (LD)PI : s;
}

// Distance from q to the arc (as a set of points).
LD dist_to_arc(Point2 q, const ArcByCentre& a) {
    LD r = hypotl((LD)a.start.x - a.centre.x, (LD)a.start.y - a.centre.y);
    if (travel(a, PL{q.x, q.y}) <= sweep_of(a)) return dist_to_circle(q, a.centre, r);
    return fminl(hypotl((LD)q.x - a.start.x, (LD)q.y - a.start.y), hypotl((LD)q.x - a.end.x, (LD)q.y - a.end.y));
}

// Points of the line through s (parameter along s) on the circle.
int ref_line_circle(const Segment& s, Point2 c, LD r, PL out[2], LD t_out[2]) {
    LD dx = (LD)s.end.x - s.start.x, dy = (LD)s.end.y - s.start.y;
    LD fx = (LD)s.start.x - c.x, fy = (LD)s.start.y - c.y;
    LD A = dx * dx + dy * dy, B = 2 * (fx * dx + fy * dy), C = fx * fx + fy * fy - r * r;
    LD disc = B * B - 4 * A * C;
    if (A == 0 || disc < 0) return 0;
    LD sq = sqrtl(disc);
    int n = 0;
    for (LD t : {(-B - sq) / (2 * A), (-B + sq) / (2 * A)}) {
        t_out[n] = t;
        out[n++] = PL{s.start.x + t * dx, s.start.y + t * dy};
    }
    return n;
}

int ref_circles(Point2 c1, LD r1, Point2 c2, LD r2, PL out[2]) {
    LD dx = (LD)c2.x - c1.x, dy = (LD)c2.y - c1.y, d = hypotl(dx, dy);
    if (d == 0 || d > r1 + r2 || d < fabsl(r1 - r2)) return 0;
    LD a = (r1 * r1 - r2 * r2 + d * d) / (2 * d), h2 = r1 * r1 - a * a;
    LD h = h2 > 0 ? sqrtl(h2) : 0;
    LD mx = c1.x + a * dx / d, my = c1.y + a * dy / d;
    out[0] = PL{mx - h * dy / d, my + h * dx / d};
    out[1] = PL{mx + h * dy / d, my - h * dx / d};
    return 2;
}

bool reported_near(const Point2* got, int n, PL p, LD eps) {
    for (int i = 0; i < n; ++i)
        if (fabsl(got[i].x - p.x) <= eps && fabsl(got[i].y - p.y) <= eps) return true;
    return false;
}

// Random inputs: general, on a coarse integer grid (axis-parallel pieces,
// shared ends), tiny, and near-degenerate variants made by the callers.
struct Gen {
    std::mt19937 rng;
    explicit Gen(unsigned seed) : rng(seed) {}
    double u(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); }
    int i(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    Point2 point() {
        if (i(0, 2) == 0) return Point2{(double)i(-5, 5), (double)i(-5, 5)};
        return Point2{u(-50, 50), u(-50, 50)};
    }
    Segment segment() {
        Segment s{point(), point()};
        if (i(0, 30) == 0) s.end = s.start;  // degenerate
        return s;
    }
};

}  // namespace

TEST_F(Intersect, SegmentPairs) {
    struct Case { Segment a, b; int n; Point2 p0, p1; int collinear; };
    const Case cases[] = {
        {{{0, 0}, {10, 10}}, {{0, 10}, {10, 0}}, 1, {5, 5}, {}, 0},
        {{{0, 0}, {10, 0}}, {{5, 0}, {5, 7}}, 1, {5, 0}, {}, 0},            // at an end of one
        {{{0, 0}, {10, 0}}, {{10, 0}, {20, 0}}, 1, {10, 0}, {}, 1},         // collinear, touching
        {{{0, 0}, {10, 0}}, {{4, 0}, {20, 0}}, 2, {10, 0}, {4, 0}, 1},      // partial overlap along x
        {{{0, 0}, {10, 0}}, {{2, 0}, {3, 0}}, 2, {2, 0}, {3, 0}, 1},        // b within a
        {{{2, 0}, {3, 0}}, {{0, 0}, {10, 0}}, 2, {2, 0}, {3, 0}, 1},        // a within b
        {{{0, 0}, {0, 10}}, {{0, 4}, {0, 20}}, 2, {0, 10}, {0, 4}, 1},      // vertical overlap
        {{{0, 0}, {5, 10}}, {{2, 4}, {7, 14}}, 2, {5, 10}, {2, 4}, 1},      // sloped overlap
        {{{0, 0}, {10, 0}}, {{0, 1}, {10, 1}}, 0, {}, {}, 0},               // parallel
        {{{0, 0}, {0, 10}}, {{1, 0}, {1, 10}}, 0, {}, {}, 0},
        {{{0, 0}, {10, 0}}, {{11, -1}, {11, 1}}, 0, {}, {}, 0},             // boxes apart
        {{{0, 0}, {10, 10}}, {{6, 4}, {9, 1}}, 0, {}, {}, 0},               // lines meet outside b
        {{{3, 3}, {3, 3}}, {{0, 0}, {10, 10}}, 0, {}, {}, 0},               // zero length
        {{{0, 0}, {10, 0}}, {{5, TOL * 0.9}, {5, 7}}, 1, {5, 0}, {}, 0},       // touching within tolerance
        // Nearly parallel segments that cross inside both: slopes 0 and
        // 0.0004 (equal at the tolerance) with the lines 0.04 apart at x = 0.
        {{{0, 0}, {200, 0}}, {{0, -0.04}, {200, 0.04}}, 1, {100, 0}, {}, 0},
    };
    for (const Case& c : cases) {
        Point2 out[2] = {{-99, -99}, {-99, -99}};
        kernel_flags().segments_collinear = 7;
        int n = intersect_segments(&c.a, &c.b, out);
        EXPECT_EQ(n, c.n) << c.a.end.x << " " << c.b.start.x << "," << c.b.start.y;
        EXPECT_EQ(kernel_flags().segments_collinear, c.collinear) << c.b.start.x;
        if (n >= 1) {
            EXPECT_TRUE(near(out[0], c.p0, 1e-6)) << out[0].x << "," << out[0].y;
        }
        if (n >= 2) {
            EXPECT_TRUE(near(out[1], c.p1, 1e-6)) << out[1].x << "," << out[1].y;
        }
    }
}

TEST_F(Intersect, SegmentPairsAtSheetPrecision) {
    // 0.005 apart: one point on the sheet at 1:1; apart at a scale of 10.
    Segment a{{0, 0}, {10, 0}}, b{{5, 0.005}, {5, 7}};
    Point2 out[2];
    EXPECT_EQ(intersect_segments(&a, &b, out), 0);
    EXPECT_EQ(intersect_segments_sheet(&a, &b, out), 1);
    fake_drawing::set_scale(10);
    EXPECT_EQ(intersect_segments_sheet(&a, &b, out), 0);
}

TEST_F(Intersect, SegmentAgainstLine) {
    struct Case { Segment s; Point2 p; double angle; int n; Point2 p0; };
    const Case cases[] = {
        {{{0, 0}, {10, 0}}, {5, -3}, PI / 2, 1, {5, 0}},
        {{{0, 0}, {10, 0}}, {15, -3}, PI / 2, -1, {15, 0}},          // beyond the segment
        {{{0, 0}, {10, 0}}, {0, 3}, 0, 0, {}},                       // parallel
        {{{0, 0}, {10, 0}}, {-4, 0}, PI, 2, {0, 0}},                 // on the line
        {{{0, 0}, {10, 10}}, {-1, -1}, PI / 4, 2, {0, 0}},           // sloped, on the line
        {{{2, 0}, {2, 10}}, {2, -5}, PI / 2, 2, {2, 0}},             // vertical, on the line: whole segment
        {{{2, 0}, {2, 10}}, {3, -5}, -PI / 2, 0, {}},
        {{{2, 0}, {2, 10}}, {0, 0}, PI / 4, 1, {2, 2}},
    };
    for (const Case& c : cases) {
        Point2 out[2];
        int n = intersect_segment_line(&c.s, c.p, c.angle, out);
        EXPECT_EQ(n, c.n) << c.s.start.x << " " << c.angle;
        if (n == 1 || n == -1) {
            EXPECT_TRUE(near(out[0], c.p0, 1e-9)) << out[0].x << "," << out[0].y;
        }
        if (n == 2) {
            EXPECT_TRUE(near(out[0], c.s.start) && near(out[1], c.s.end));
        }
    }
}

TEST_F(Intersect, LinesSegmentsAndCircles) {
    Point2 out[2];
    // From the centre: one point in the line's direction.
    ASSERT_EQ(intersect_line_circle({1, 1}, PI / 2, {1, 1}, 2, out), 1);
    EXPECT_TRUE(near(out[0], {1, 3}));
    ASSERT_EQ(intersect_line_circle({-5, 0}, 0, {0, 0}, 2, out), 2);
    EXPECT_TRUE(near(out[0], {-2, 0}) && near(out[1], {2, 0}));
    ASSERT_EQ(intersect_line_circle({-5, 2}, 0, {0, 0}, 2, out), 1);  // tangent: both equal
    EXPECT_TRUE(near(out[0], {0, 2}) && near(out[1], {0, 2}));
    EXPECT_EQ(intersect_line_circle({-5, 2.1}, 0, {0, 0}, 2, out), 0);
    Segment s{{0, 0}, {5, 0}};
    CircleGeom c{{2, 0}, {0, 0}};
    ASSERT_EQ(intersect_segment_circle(&s, &c, out), 1);  // the hit behind the start is dropped
    EXPECT_TRUE(near(out[0], {2, 0}));
}

TEST_F(Intersect, CirclePairs) {
    struct Case { Point2 c1; double r1; Point2 c2; double r2; int n; Point2 p0, p1; };
    const Case cases[] = {
        {{0, 0}, 1, {2, 0}, 1, 1, {1, 0}, {}},            // touching from outside
        {{0, 0}, 3, {1, 0}, 1, 0, {}, {}},                // one inside the other
        {{0, 0}, 2, {0, 0}, 2, 0, {}, {}},                // same centre
        {{0, 0}, 1, {3, 0}, 1, 0, {}, {}},                // apart
        {{0, 0}, 2, {2, 0}, 2, 2, {1, -std::sqrt(3.0)}, {1, std::sqrt(3.0)}},
        {{0, 0}, 3, {2, 0}, 1, 1, {3, 0}, {}},            // touching from inside
    };
    for (const Case& c : cases) {
        Point2 out[2];
        int n = intersect_circles(c.c1, c.r1, c.c2, c.r2, out);
        ASSERT_EQ(n, c.n) << c.c2.x << " " << c.r2;
        if (n >= 1) {
            EXPECT_TRUE(near(out[0], c.p0, 1e-9)) << out[0].x << "," << out[0].y;
        }
        if (n == 2) {
            EXPECT_TRUE(near(out[1], c.p1, 1e-9)) << out[1].x << "," << out[1].y;
        }
    }
}

TEST_F(Intersect, ArcsAgainstCirclesAndArcs) {
    ArcByCentre upper = arc_at(2, PI, 0);  // (-2,0) -> (2,0) through (0,2)
    CircleGeom same{{0, -2}, {0, 0}};
    Point2 out[4];
    ASSERT_EQ(intersect_arc_circle(&upper, 3, &same, out), 2);  // the arc's own ends
    EXPECT_TRUE(near(out[0], upper.start) && near(out[1], upper.end));
    CircleGeom crossing{{2, 2}, {2, 0}};  // meets the arc's circle at (1, +-sqrt3)
    ASSERT_EQ(intersect_arc_circle(&upper, 3, &crossing, out), 1);
    EXPECT_TRUE(near(out[0], {1, std::sqrt(3.0)}));
    ArcByCentre lower{{-2, 0}, {2, 0}, {0, -2}};  // by three points, through (0,-2)
    ASSERT_EQ(intersect_arc_circle(&lower, 4, &crossing, out), 1);
    EXPECT_TRUE(near(out[0], {1, -std::sqrt(3.0)}));
    // Two arcs of one circle: the ends of their common part.
    ArcByCentre a = arc_at(1, PI / 2, -PI / 2), b = arc_at(1, 0, -PI);  // right half, lower half
    int n = intersect_arcs(&a, 3, &b, 3, out);
    ASSERT_EQ(n, 2);
    EXPECT_TRUE(reported_near(out, n, PL{1, 0}, 1e-9));
    EXPECT_TRUE(reported_near(out, n, PL{0, -1}, 1e-9));
    // Two arcs of one circle overlapping at both ends: up to four points.
    ArcByCentre big = arc_at(1, PI * 0.75, -PI * 0.75), other = arc_at(1, -PI * 0.25, PI * 0.25);
    EXPECT_EQ(intersect_arcs(&big, 3, &other, 3, out), 4);
    // Arc ends shared by two arcs of different circles come out bit-identical.
    ArcByCentre p = arc_at(1, PI / 2, 0), q{{1, 0}, {3, 0}, {2, 0}};
    q.start = p.end;
    n = intersect_arcs(&p, 3, &q, 3, out);
    ASSERT_GE(n, 1);
    EXPECT_TRUE(out[0].x == p.end.x && out[0].y == p.end.y);
    // A chord-form arc against an arc.
    ArcByCentre chord{{-3, 0.5}, {3, 0.5}, {0, 0.5}};
    EXPECT_EQ(intersect_arcs(&chord, 4, &upper, 3, out), 2);
}

TEST_F(Intersect, SnapToArcEndsAndRestoreTolerance) {
    ArcByCentre a{{1, 0}, {0, -1}, {0, 0}};
    Point2 pts[3] = {{1 + 3e-5, 0}, {0, -1 - 4e-5}, {1 + 6e-5, 0}};
    tolerance_set(tolerance_fine);
    snap_points_to_arc_ends(&a, pts, 3);
    EXPECT_EQ(tolerance_get(), tolerance_fine);
    EXPECT_EQ(pts[0].x, 1.0);
    EXPECT_EQ(pts[1].y, -1.0);
    EXPECT_NE(pts[2].x, 1.0);
}

TEST_F(Intersect, CurvesCollectHitsInPieceOrder) {
    // A zigzag of straight pieces and one round piece.
    CurveVertex v[4] = {{0, {0, 0}, {1, 1}}, {0, {2, 2}, {3, 1}}, {0, {4, 0}, {5, -1}},
                        {0, {6, 0}, {0, 0}}};
    v[2].through = Point2{5, -1};  // the piece from (4,0) to (6,0) through (5,-1): a half circle
    Segment s{{-1, 1}, {10, 1}};
    PointArray hits{nullptr, 0, 0};
    int n = intersect_segment_curve(&s, v, 4, &hits);
    ASSERT_EQ(n, 2);
    EXPECT_TRUE(near(hits.items[0], {1, 1}, 1e-9));
    EXPECT_TRUE(near(hits.items[1], {3, 1}, 1e-9));
    Segment low{{-1, -0.5}, {10, -0.5}};
    n = intersect_segment_curve(&low, v, 4, &hits);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(hits.used, 4u);
    ArcByCentre circle_arc{{5, 1}, {5, 1}, {5, 0}};  // full circle about (5,0), radius 1
    n = intersect_arc_curve(&circle_arc, 3, v, 4, &hits);
    EXPECT_GE(n, 2);
    point_array_free(&hits);
    EXPECT_EQ(intersect_segment_curve(&s, v, 1, &hits), 0);
    EXPECT_EQ(hits.items, nullptr);
}

// ---------------------------------------------------------------- randomised cross-check

TEST_F(Intersect, RandomSegmentPairsAgainstLongDouble) {
    Gen g(1234);
    int crossings = 0;
    for (int iter = 0; iter < 20000; ++iter) {
        Segment a = g.segment(), b = g.segment();
        int mode = g.i(0, 5);
        if (mode == 0) {  // near-collinear: b along a, shifted sideways by about the tolerance
            double dx = a.end.x - a.start.x, dy = a.end.y - a.start.y, l = std::hypot(dx, dy);
            if (l > 0) {
                double off = g.u(-3, 3) * TOL, t0 = g.u(-0.5, 1.5), t1 = g.u(-0.5, 1.5);
                b.start = {a.start.x + t0 * dx - off * dy / l, a.start.y + t0 * dy + off * dx / l};
                b.end = {a.start.x + t1 * dx - off * dy / l * g.u(0.5, 1.5), a.start.y + t1 * dy + off * dx / l};
            }
        } else if (mode == 1) {  // sharing an end, or ending near the other segment
            b.start = g.i(0, 1) ? a.end : Point2{a.start.x + g.u(-1, 1) * TOL, a.start.y + g.u(-1, 1) * TOL};
        } else if (mode == 2) {  // nearly parallel, crossing at a small angle
            double ang = std::atan2(a.end.y - a.start.y, a.end.x - a.start.x) + g.u(-1e-3, 1e-3);
            Point2 m{(a.start.x + a.end.x) / 2 + g.u(-1, 1), (a.start.y + a.end.y) / 2 + g.u(-1, 1)};
            double l = g.u(1, 80);
            b = Segment{{m.x - l * std::cos(ang), m.y - l * std::sin(ang)}, {m.x + l * std::cos(ang), m.y + l * std::sin(ang)}};
        }
        Point2 out[2];
        kernel_flags().segments_collinear = 0;
        int n = intersect_segments(&a, &b, out);
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 2);
        for (int k = 0; k < n; ++k) {
            EXPECT_LE((double)cheb_to_segment(out[k], a), TOL + 1e-9) << iter;
            EXPECT_LE((double)cheb_to_segment(out[k], b), TOL + 1e-9) << iter;
        }
        // The reference crossing, where there is a proper one.
        LD ax = (LD)a.end.x - a.start.x, ay = (LD)a.end.y - a.start.y;
        LD bx = (LD)b.end.x - b.start.x, by = (LD)b.end.y - b.start.y;
        LD den = ax * by - ay * bx;
        if (den == 0) continue;
        LD t = (((LD)b.start.x - a.start.x) * by - ((LD)b.start.y - a.start.y) * bx) / den;
        LD u = (((LD)b.start.x - a.start.x) * ay - ((LD)b.start.y - a.start.y) * ax) / den;
        if (t < 0 || t > 1 || u < 0 || u > 1) continue;
        PL p{a.start.x + t * ax, a.start.y + t * ay};
        ++crossings;
        if (kernel_flags().segments_collinear) continue;  // within the band: the common part is reported
        // The crossing is well defined to about tol / sin(angle).
        LD la = hypotl(ax, ay), lb = hypotl(bx, by);
        if (la == 0 || lb == 0) continue;
        LD sin_angle = fabsl(den) / (la * lb);
        LD eps = 2 * TOL / fmaxl(sin_angle, 1e-12) + 1e-9;
        // A crossing within the tolerance of an end of either segment may be
        // missed (it lies in the tolerance band).
        LD near_end = fminl(fminl(t * la, (1 - t) * la), fminl(u * lb, (1 - u) * lb));
        if (n == 0) {
            EXPECT_LE((double)(near_end * sin_angle), 2 * TOL) << "missed crossing " << iter;
        } else {
            EXPECT_TRUE(reported_near(out, n, p, eps)) << iter;
        }
    }
    EXPECT_GT(crossings, 3000);
}

TEST_F(Intersect, RandomSegmentsAgainstCirclesAndArcsAgainstLongDouble) {
    Gen g(99);
    for (int iter = 0; iter < 20000; ++iter) {
        Segment s = g.segment();
        Point2 c = g.point();
        double r = g.i(0, 3) == 0 ? (double)g.i(1, 6) : g.u(0.1, 40);
        int mode = g.i(0, 4);
        if (mode == 0) {  // near-tangent line
            double ang = g.u(-PI, PI), off = r + g.u(-2, 2) * TOL;
            Point2 f{c.x + off * std::cos(ang), c.y + off * std::sin(ang)};
            double l = g.u(0.5, 30);
            s = Segment{{f.x - l * std::sin(ang), f.y + l * std::cos(ang)}, {f.x + l * std::sin(ang), f.y - l * std::cos(ang)}};
        }
        bool as_arc = g.i(0, 1) == 1;
        double a0 = g.u(-PI, PI), sw = g.u(0.05, 2 * PI - 0.05);
        ArcByCentre arc = arc_at(r, a0, a0 - sw, c);
        Point2 out[2];
        int n;
        if (as_arc) {
            n = intersect_segment_arc(&s, &arc, 3, out);
        } else {
            CircleGeom circle{{c.x + r, c.y}, c};
            n = intersect_segment_circle(&s, &circle, out);
        }
        ASSERT_GE(n, 0);
        for (int k = 0; k < n; ++k) {
            EXPECT_LE((double)cheb_to_segment(out[k], s), TOL + 1e-9) << iter;
            double d = as_arc ? (double)dist_to_arc(out[k], arc) : (double)dist_to_circle(out[k], c, r);
            EXPECT_LE(d, 2 * TOL) << iter;
        }
        PL ref[2];
        LD tt[2];
        int m = ref_line_circle(s, c, r, ref, tt);
        LD len = hypotl((LD)s.end.x - s.start.x, (LD)s.end.y - s.start.y);
        // A line within the tolerance of touching the circle lies in the
        // band: the kernel reports the touching point, which an arc may drop.
        LD lx = (LD)s.end.x - s.start.x, ly = (LD)s.end.y - s.start.y;
        LD h = len_or_zero(lx, ly) == 0 ? 0 : fabsl(((LD)c.y - s.start.y) * lx - ((LD)c.x - s.start.x) * ly) / hypotl(lx, ly);
        bool near_tangent = fabsl(h - r) <= 2 * TOL;
        for (int k = 0; k < m; ++k) {
            if (tt[k] < 0 || tt[k] > 1) continue;
            if (near_tangent && as_arc) continue;
            if (as_arc) {
                LD tr = travel(arc, ref[k]);
                if (tr > sweep_of(arc)) continue;
                // Within the tolerance of an arc end: the band.
                if (fminl(tr, sweep_of(arc) - tr) * r <= 2 * TOL) continue;
            }
            if (fminl(tt[k], 1 - tt[k]) * len <= 2 * TOL) continue;  // at a segment end
            // Near tangency the two points merge: they are found within
            // sqrt(2 r tol) of each other.
            LD gap = m == 2 ? hypotl(ref[0].x - ref[1].x, ref[0].y - ref[1].y) : 0;
            LD eps = gap < 4 * sqrtl(2 * r * TOL) ? 4 * sqrtl(2 * r * TOL) : 1e-6;
            EXPECT_TRUE(reported_near(out, n, ref[k], eps)) << "missed " << iter << " n=" << n << " as_arc=" << as_arc
                << " seg " << s.start.x << "," << s.start.y << " " << s.end.x << "," << s.end.y << " c " << c.x << "," << c.y
                << " r " << r << " arc " << arc.start.x << "," << arc.start.y << " " << arc.end.x << "," << arc.end.y
                << " ref " << (double)ref[k].x << "," << (double)ref[k].y << " t " << (double)tt[k];
        }
    }
}

TEST_F(Intersect, RandomCirclesAndArcsAgainstLongDouble) {
    Gen g(4242);
    for (int iter = 0; iter < 20000; ++iter) {
        Point2 c1 = g.point(), c2 = g.point();
        double r1 = g.u(0.2, 40), r2 = g.u(0.2, 40);
        int mode = g.i(0, 4);
        if (mode == 0) {  // near-tangent, outside or inside
            double ang = g.u(-PI, PI), d = (g.i(0, 1) ? r1 + r2 : std::fabs(r1 - r2)) + g.u(-2, 2) * TOL;
            c2 = Point2{c1.x + d * std::cos(ang), c1.y + d * std::sin(ang)};
        } else if (mode == 1) {  // one circle
            c2 = c1;
            r2 = r1;
        }
        double a0 = g.u(-PI, PI), sw_a = g.u(0.05, 2 * PI - 0.05);
        double b0 = g.u(-PI, PI), sw_b = g.u(0.05, 2 * PI - 0.05);
        ArcByCentre A = arc_at(r1, a0, a0 - sw_a, c1), B = arc_at(r2, b0, b0 - sw_b, c2);
        Point2 out[4];
        int n = intersect_arcs(&A, 3, &B, 3, out);
        ASSERT_GE(n, 0);
        ASSERT_LE(n, 4);
        for (int k = 0; k < n; ++k) {
            EXPECT_LE((double)dist_to_arc(out[k], A), 2 * TOL) << iter;
            EXPECT_LE((double)dist_to_arc(out[k], B), 2 * TOL) << iter;
        }
        if (mode == 1) continue;
        PL ref[2];
        int m = ref_circles(c1, r1, c2, r2, ref);
        LD gap = m == 2 ? hypotl(ref[0].x - ref[1].x, ref[0].y - ref[1].y) : 0;
        LD rmax = fmaxl(r1, r2);
        LD d12 = hypotl((LD)c2.x - c1.x, (LD)c2.y - c1.y);
        bool near_tangent = fabsl(d12 - (r1 + r2)) <= 2 * TOL || fabsl(d12 - fabsl((LD)r1 - r2)) <= 2 * TOL;
        if (near_tangent) continue;  // the band: the touching point may fall outside an arc
        for (int k = 0; k < m; ++k) {
            LD ta = travel(A, ref[k]), tb = travel(B, ref[k]);
            if (ta > sweep_of(A) || tb > sweep_of(B)) continue;
            if (fminl(ta, sweep_of(A) - ta) * r1 <= 4 * TOL || fminl(tb, sweep_of(B) - tb) * r2 <= 4 * TOL) continue;
            LD eps = gap < 4 * sqrtl(2 * rmax * TOL) ? 4 * sqrtl(2 * rmax * TOL) : 1e-6;
            EXPECT_TRUE(reported_near(out, n, ref[k], eps)) << "missed " << iter << " n=" << n;
        }
    }
}

// ---------------------------------------------------------------- scan lines

namespace {

// The inside test that point-in-contour searches build on the scan hits:
// hits at one x are merged by adding their end marks; only merged marks of
// 0 are crossings; inside when the crossings left and right are odd.
bool inside_by_scan(const std::vector<ScanHit>& hits, Point2 p) {
    std::vector<ScanHit> merged;
    for (const ScanHit& h : hits) {
        bool done = false;
        for (ScanHit& m : merged)
            if (compare_doubles(m.x, h.x) == 0) {
                m.end_mark = static_cast<int16_t>(m.end_mark + h.end_mark);
                done = true;
            }
        if (!done) merged.push_back(h);
    }
    int left = 0, right = 0;
    for (const ScanHit& m : merged) {
        if (m.end_mark != 0) continue;
        if (m.x < p.x - TOL) ++left;
        if (m.x > p.x + TOL) ++right;
    }
    return (left % 2 == 1 && right > 0) || (right % 2 == 1 && left > 0);
}

std::vector<ScanHit> scan(Point2 p, const std::vector<Segment>& segs, const std::vector<ArcByCentre>& arcs,
                          const std::vector<CircleGeom>& circles) {
    std::vector<ScanHit> all;
    ScanHit out[2];
    for (const Segment& s : segs) {
        int n = scanline_intersect_segment(p, &s, out);
        all.insert(all.end(), out, out + n);
    }
    for (const ArcByCentre& a : arcs) {
        int n = scanline_intersect_arc(p, &a, 3, out);
        all.insert(all.end(), out, out + n);
    }
    for (const CircleGeom& c : circles) {
        int n = scanline_intersect_circle(p, &c, out);
        all.insert(all.end(), out, out + n);
    }
    return all;
}

}  // namespace

TEST_F(Intersect, ScanLineEndMarks) {
    ScanHit out[2];
    // A vertex where one segment goes on upward and one downward: -1 and +1.
    Segment up{{0, 0}, {2, 5}}, down{{0, 0}, {3, -4}};
    ASSERT_EQ(scanline_intersect_segment({-10, 0}, &up, out), 1);
    EXPECT_EQ(out[0].end_mark, -1);
    ASSERT_EQ(scanline_intersect_segment({-10, 0}, &down, out), 1);
    EXPECT_EQ(out[0].end_mark, 1);
    ASSERT_EQ(scanline_intersect_segment({-10, 2.5}, &up, out), 1);
    EXPECT_EQ(out[0].end_mark, 0);
    EXPECT_NEAR(out[0].x, 1, 1e-12);
    EXPECT_EQ(scanline_intersect_segment({-10, 6}, &up, out), 0);
    // Along a horizontal segment: its two ends from outside, the scan point
    // from inside.
    Segment flat{{1, 3}, {4, 3}};
    ASSERT_EQ(scanline_intersect_segment({-10, 3}, &flat, out), 2);
    EXPECT_EQ(out[0].x, 1);
    EXPECT_EQ(out[1].x, 4);
    ASSERT_EQ(scanline_intersect_segment({2, 3}, &flat, out), 1);
    EXPECT_EQ(out[0].x, 2);
    // Arc ends: the mark says where the arc goes on.
    ArcByCentre right_half = arc_at(1, PI / 2, -PI / 2);  // (0,1) down the right side to (0,-1)
    ASSERT_EQ(scanline_intersect_arc({-5, 1}, &right_half, 3, out), 1);  // start at the top
    EXPECT_EQ(out[0].end_mark, 1);   // centre below it (smaller y): goes on toward smaller y
    ASSERT_EQ(scanline_intersect_arc({-5, -1}, &right_half, 3, out), 1);
    EXPECT_EQ(out[0].end_mark, -1);
    ArcByCentre upper = arc_at(1, PI, 0);  // (-1,0) over the top to (1,0)
    ASSERT_EQ(scanline_intersect_arc({-5, 0}, &upper, 3, out), 2);
    EXPECT_EQ(out[0].end_mark + out[1].end_mark, -2);  // both go on toward larger y
    // Circles: two crossings, or a touch marked on both hits.
    CircleGeom c{{1, 0}, {0, 0}};
    ASSERT_EQ(scanline_intersect_circle({0, 0.5}, &c, out), 2);
    EXPECT_EQ(out[0].end_mark, 0);
    EXPECT_EQ(out[1].end_mark, 0);
    ASSERT_EQ(scanline_intersect_circle({0, 1}, &c, out), 2);
    EXPECT_EQ(out[0].end_mark, 1);
    EXPECT_EQ(out[1].end_mark, 1);
    ASSERT_EQ(scanline_intersect_circle({0, -1}, &c, out), 2);
    EXPECT_EQ(out[0].end_mark + out[1].end_mark, -2);
    EXPECT_EQ(scanline_intersect_circle({0, 1.01}, &c, out), 0);
}

TEST_F(Intersect, TouchingScanLinesDoNotFlipTheInsideTest) {
    // A square with a circle inside and a bump arc on its top edge: scan
    // lines that touch the circle or the arc's top must not count them.
    std::vector<Segment> square = {{{0, 0}, {10, 0}}, {{10, 0}, {10, 10}}, {{10, 10}, {0, 10}}, {{0, 10}, {0, 0}}};
    std::vector<CircleGeom> circle = {{{5, 7}, {5, 5}}};  // radius 2: y 3..7
    struct Case { Point2 p; bool inside; };
    const Case cases[] = {
        {{1, 3}, true}, {{9, 3}, true}, {{1, 7}, true}, {{9, 7}, true},   // touching lines
        {{5, 5}, false}, {{1, 5}, true}, {{11, 3}, false}, {{-1, 7}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(inside_by_scan(scan(c.p, square, {}, circle), c.p), c.inside) << c.p.x << "," << c.p.y;
    // The same with the circle as a closed arc of the contour of a round hole
    // made of two half arcs, and a lone arc whose lowest point touches.
    std::vector<ArcByCentre> halves = {arc_at(2, PI / 2, -PI / 2, {5, 5}), arc_at(2, -PI / 2, PI / 2, {5, 5})};
    for (const Case& c : cases)
        EXPECT_EQ(inside_by_scan(scan(c.p, square, halves, {}), c.p), c.inside) << "arcs " << c.p.x << "," << c.p.y;
    // Two holes touched by one scan line from the same side: two touches
    // must not count as two crossings.
    std::vector<CircleGeom> holes = {{{2.5, 7}, {2.5, 5}}, {{7.5, 7}, {7.5, 5}}};
    const Case two[] = {{{5, 3}, true}, {{5, 7}, true}, {{2.5, 5}, false}, {{-1, 3}, false}};
    for (const Case& c : two)
        EXPECT_EQ(inside_by_scan(scan(c.p, square, {}, holes), c.p), c.inside) << c.p.x << "," << c.p.y;
    std::vector<ArcByCentre> hole_arcs = {arc_at(2, PI / 2, -PI / 2, {2.5, 5}), arc_at(2, -PI / 2, PI / 2, {2.5, 5}),
                                          arc_at(2, PI, 0, {7.5, 5}), arc_at(2, 0, PI, {7.5, 5})};
    for (const Case& c : two)
        EXPECT_EQ(inside_by_scan(scan(c.p, square, hole_arcs, {}), c.p), c.inside) << "arcs " << c.p.x << "," << c.p.y;
}

TEST_F(Intersect, VerticalScanLinesKeepTheirMarksMeaning) {
    ScanHit out[2];
    Segment s{{0, 0}, {5, 2}};
    ASSERT_EQ(vertical_scanline_intersect_segment({0, -9}, &s, out), 1);
    EXPECT_EQ(out[0].x, 0);
    EXPECT_EQ(out[0].y, 0);
    EXPECT_EQ(out[0].end_mark, -1);  // goes on toward larger x
    ASSERT_EQ(vertical_scanline_intersect_segment({2.5, -9}, &s, out), 1);
    EXPECT_NEAR(out[0].y, 1, 1e-12);
    CircleGeom c{{1, 0}, {0, 0}};
    ASSERT_EQ(vertical_scanline_intersect_circle({-1, 0}, &c, out), 2);
    EXPECT_EQ(out[0].end_mark, -1);
    ArcByCentre upper = arc_at(1, PI, 0);  // only positive y... in true coordinates
    ASSERT_EQ(vertical_scanline_intersect_arc({0.5, -9}, &upper, 3, out), 1);
    EXPECT_NEAR(out[0].y, std::sqrt(0.75), 1e-12);
}

// ---------------------------------------------------------------- growing arrays

namespace {
int allocations_left = -1;
void* failing_alloc(size_t n) {
    if (allocations_left == 0) return nullptr;
    if (allocations_left > 0) --allocations_left;
    return std::malloc(n);
}
std::vector<std::string> messages;
void record_message(const char* t) { messages.push_back(t); }
}  // namespace

TEST_F(Intersect, GrowingArraysBeyond32767AndOnAllocationFailure) {
    PointArray a{nullptr, 0, 0};
    for (int i = 0; i < 40000; ++i) {
        Point2 p{(double)i, 0};
        ASSERT_EQ(point_array_append(&a, &p, 1), (size_t)i + 1);
    }
    EXPECT_EQ(a.items[39999].x, 39999);
    EXPECT_EQ(a.items[32768].x, 32768);
    point_array_free(&a);

    kernel_alloc = failing_alloc;
    kernel_context().report_message = record_message;
    messages.clear();
    *kernel_error_flag = 0;
    allocations_left = 1;
    ScanHitArray h{nullptr, 0, 0};
    ScanHit hit{1, 2, 0};
    for (int i = 0; i < 16; ++i) scan_hit_array_append(&h, &hit, 1);
    EXPECT_EQ(h.used, 16u);
    EXPECT_EQ(*kernel_error_flag, 0);
    EXPECT_EQ(scan_hit_array_append(&h, &hit, 1), 16u);  // the growth fails: nothing appended
    EXPECT_EQ(h.used, 16u);
    EXPECT_EQ(h.capacity, 16u);
    EXPECT_EQ(*kernel_error_flag, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], kernel_context().out_of_memory_text);
    scan_hit_array_free(&h);

    allocations_left = -1;
    PtrArray p{nullptr, 0};
    int x = 5, y = 6;
    ASSERT_NE(ptr_array_put(&p, 3, &x), nullptr);
    EXPECT_EQ(p.capacity, 11u);
    for (size_t i = 0; i < p.capacity; ++i) EXPECT_EQ(p.items[i], i == 2 ? &x : nullptr) << i;
    ASSERT_NE(ptr_array_put(&p, 20, &y), nullptr);
    EXPECT_EQ(p.capacity, 28u);
    EXPECT_EQ(p.items[2], &x);
    for (size_t i = 3; i < 19; ++i) EXPECT_EQ(p.items[i], nullptr) << i;
    allocations_left = 0;
    EXPECT_EQ(ptr_array_put(&p, 100, &y), nullptr);
    EXPECT_EQ(p.capacity, 28u);
    ptr_array_free(&p);
    kernel_alloc = [](size_t n) { return std::malloc(n); };
    *kernel_error_flag = 0;
}
