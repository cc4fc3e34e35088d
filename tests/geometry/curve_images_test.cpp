// Curve images of Bezier splines, ellipses, elliptic arcs and wavy lines.
#include "geometry/curve_images.h"

#include "geometry/curves.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"

#include "fake_drawing.h"
#include "fake_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const double PI = 3.14159265358979323846;

class CurveImages : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        fake_store::install();
        messages.clear();
        kernel_context().report_message = [](const char* t) { messages.push_back(t); };
        *kernel_error_flag = 0;
    }
    void TearDown() override {
        fake_store::uninstall();
        kernel_alloc = [](size_t n) { return std::malloc(n); };
        *kernel_error_flag = 0;
        KernelTest::TearDown();
    }
    static std::vector<std::string> messages;
};
std::vector<std::string> CurveImages::messages;

std::vector<uint8_t> bezier_element(uint32_t number, BezierGeom b, uint32_t n_start = 11, uint32_t n_end = 12) {
    std::vector<uint8_t> e = fake_store::element(94, number, 12);
    put_u32(e.data(), 14, n_start);
    put_u32(e.data(), 18, n_end);
    put_point2(e.data(), 30, b.start);
    put_point2(e.data(), 46, b.end);
    put_point2(e.data(), 62, b.control1);
    put_point2(e.data(), 78, b.control2);
    return e;
}

Point2 bezier_point(const BezierGeom& b, double t) {
    double u = 1 - t;
    return Point2{u * u * u * b.start.x + 3 * u * u * t * b.control1.x + 3 * u * t * t * b.control2.x + t * t * t * b.end.x,
                  u * u * u * b.start.y + 3 * u * u * t * b.control1.y + 3 * u * t * t * b.control2.y + t * t * t * b.end.y};
}

double distance_to_bezier(const BezierGeom& b, Point2 p) {
    double best = 1e300, bt = 0;
    for (int k = 0; k <= 2000; ++k) {
        double d = point_distance(p, bezier_point(b, k / 2000.0));
        if (d < best) {
            best = d;
            bt = k / 2000.0;
        }
    }
    double w = 0.0005;
    for (int it = 0; it < 40; ++it, w *= 0.5) {  // refine around the best sample
        double lo = std::fmax(0, bt - w), hi = std::fmin(1, bt + w);
        for (int k = 0; k <= 20; ++k) {
            double t = lo + (hi - lo) * k / 20;
            double d = point_distance(p, bezier_point(b, t));
            if (d < best) {
                best = d;
                bt = t;
            }
        }
    }
    return best;
}

// An ellipse element (kind 10) or elliptic arc (kind 9): centre c, first
// semi-axis a along angle rot, second b; p1 at parameter angle t1; arc from
// parameter angle ts (point 4) to te (point 3).
std::vector<uint8_t> ellipse_element(uint32_t number, Point2 c, double a, double b, double rot, double t1, int kind = 10,
                                     double ts = 0, double te = 0) {
    auto at = [&](double t) {
        double x = a * std::cos(t), y = b * std::sin(t);
        return Point2{c.x + x * std::cos(rot) - y * std::sin(rot), c.y + x * std::sin(rot) + y * std::cos(rot)};
    };
    std::vector<uint8_t> e = fake_store::element(kind == 9 ? 114 : 74, number, static_cast<uint16_t>(kind));
    size_t off = kind == 9 ? element_geometry5_offset : element_geometry3_offset;
    Point2 pts[5] = {at(0), at(t1), c, at(te), at(ts)};
    for (int i = 0; i < (kind == 9 ? 5 : 3); ++i) {
        put_u32(e.data(), 14 + 4 * i, static_cast<uint32_t>(100 + i));
        put_point2(e.data(), off + 16 * i, pts[i]);
    }
    return e;
}

// Distance of p from the ellipse (centre c, semi-axes a along rot, b).
double distance_to_ellipse(Point2 p, Point2 c, double a, double b, double rot) {
    double dx = p.x - c.x, dy = p.y - c.y;
    double x = dx * std::cos(rot) + dy * std::sin(rot), y = -dx * std::sin(rot) + dy * std::cos(rot);
    double best = 1e300, bt = std::atan2(y * a, x * b);
    for (int it = 0; it < 60; ++it) {
        double span = 0.2 / (1 << (it / 3));
        for (int k = -10; k <= 10; ++k) {
            double t = bt + span * k / 10;
            double d = std::hypot(x - a * std::cos(t), y - b * std::sin(t));
            if (d < best) {
                best = d;
                bt = t;
            }
        }
    }
    return best;
}

std::vector<CurveVertex> vertices_of(const uint8_t* img) {
    std::vector<CurveVertex> v;
    for (int i = 0; i < get_i16(img, curve_count_offset); ++i) v.push_back(curve_vertex(img, i));
    return v;
}

}  // namespace

TEST_F(CurveImages, BezierSplitHalvesFollowTheSpline) {
    BezierGeom b{{0, 0}, {10, 0}, {2, 6}, {9, -4}};
    for (double t : {0.5, 0.25, 0.8}) {
        BezierGeom f, s;
        bezier_split(&b, t, &f, &s);
        for (int k = 0; k <= 10; ++k) {
            Point2 a = bezier_point(f, k / 10.0), c = bezier_point(b, t * k / 10.0);
            EXPECT_NEAR(a.x, c.x, 1e-12);
            EXPECT_NEAR(a.y, c.y, 1e-12);
            a = bezier_point(s, k / 10.0);
            c = bezier_point(b, t + (1 - t) * k / 10.0);
            EXPECT_NEAR(a.x, c.x, 1e-12);
            EXPECT_NEAR(a.y, c.y, 1e-12);
        }
    }
}

TEST_F(CurveImages, BezierVerticesLieOnTheSpline) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int iter = 0; iter < 60; ++iter) {
        double size = iter % 3 == 0 ? 1 : (iter % 3 == 1 ? 50 : 400);
        BezierGeom b{{u(rng) * size, u(rng) * size}, {u(rng) * size, u(rng) * size},
                     {u(rng) * size, u(rng) * size}, {u(rng) * size, u(rng) * size}};
        if (iter % 5 == 0) fake_drawing::set_coarse(true);
        else fake_drawing::set_coarse(false);
        double tol = curve_tolerance();
        std::vector<uint8_t> e = bezier_element(1, b);
        CurveVertex v[bezier_max_vertices + 4];
        int n = bezier_to_arc_vertices(e.data(), v);
        ASSERT_GE(n, 2);
        ASSERT_LE(n, bezier_max_vertices);
        EXPECT_EQ(v[0].point.x, b.start.x);
        EXPECT_EQ(v[n - 1].point.x, b.end.x);
        for (int i = 0; i < n; ++i) EXPECT_LE(distance_to_bezier(b, v[i].point), 1e-9 * size) << iter << " " << i;
        // Every through point on the spline, and every piece's arc within the
        // curve tolerance of it (checked at its quarter points).
        for (int i = 0; i + 1 < n; ++i) {
            EXPECT_LE(distance_to_bezier(b, v[i].through), 1e-9 * size) << iter << " piece " << i;
            ArcByPoints p{v[i].point, v[i + 1].point, v[i].through};
            ArcByCentre arc;
            if (!arc_by_points_to_centre(&p, &arc)) continue;
            Point2 q[3];
            arc_divide(&arc, q, 4);
            for (const Point2& x : q) EXPECT_LE(distance_to_bezier(b, x), 2 * tol) << iter << " piece " << i;
        }
        EXPECT_EQ(tolerance_get(), tolerance_standing);
    }
    // A straight spline (controls on the chord between its ends): one piece.
    BezierGeom line{{0, 0}, {10, 5}, {2, 1}, {8, 4}};
    std::vector<uint8_t> e = bezier_element(1, line);
    CurveVertex v[bezier_max_vertices + 4];
    EXPECT_EQ(bezier_to_arc_vertices(e.data(), v), 2);
    // A straight spline that runs back beyond its start: a vertex where it turns.
    BezierGeom back{{0, 0}, {10, 0}, {-8, 0}, {4, 0}};
    e = bezier_element(1, back);
    int n = bezier_to_arc_vertices(e.data(), v);
    EXPECT_GE(n, 3);
    EXPECT_LT(v[1].point.x, 0);
}

TEST_F(CurveImages, BezierImageReplacesTheOldOneOnlyWhenBuilt) {
    uint8_t projection[440] = {};
    BezierGeom b{{0, 0}, {100, 0}, {30, 60}, {70, -60}};
    std::vector<uint8_t> e = bezier_element(5, b, 21, 22);
    fake_store::put(projection, chain_elements, e.data(), e.size());
    ASSERT_NE(build_bezier_image(projection, 5, 0), 0u);
    ASSERT_NE(build_bezier_image(projection, 5, 1), 0u);
    int images = 0;
    for (auto& r : fake_store::chain(projection, chain_elements)) {
        const uint8_t* rec = r.bytes.data();
        if ((get_u16(rec, curve_flags_offset) & 0x0F) != 5) continue;
        ++images;
        EXPECT_EQ(get_u16(rec, curve_style_offset) & 0x103, 0x103);
        int n = get_i16(rec, curve_count_offset);
        EXPECT_EQ(get_u16(rec, curve_length_offset), 16 + 36 * n);
        EXPECT_EQ(curve_vertex(rec, 0).point_number, 21u);
        EXPECT_EQ(curve_vertex(rec, n - 1).point_number, 22u);
    }
    EXPECT_EQ(images, 1);
    // Out of memory: reported, the old image stays.
    kernel_alloc = [](size_t) -> void* { return nullptr; };
    EXPECT_EQ(build_bezier_image(projection, 5, 1), 0u);
    EXPECT_EQ(*kernel_error_flag, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], kernel_context().out_of_memory_text);
    EXPECT_EQ(fake_store::chain(projection, chain_elements).size(), 2u);
    // No such spline: nothing.
    kernel_alloc = [](size_t n) { return std::malloc(n); };
    *kernel_error_flag = 0;
    EXPECT_EQ(build_bezier_image(projection, 99, 1), 0u);
}

TEST_F(CurveImages, CircleIsSampledAtTheListedAngles) {
    std::vector<uint8_t> e = ellipse_element(1, {0, 0}, 10, 10, 0, PI / 2);
    uint8_t* img = ellipse_to_arc_vertices(e.data());
    ASSERT_NE(img, nullptr);
    std::vector<CurveVertex> v = vertices_of(img);
    ASSERT_EQ(v.size(), 23u);
    const double expect[22] = {90, 90 + 1 / 3.0, 90.9, 109.8, 129.6, 149.4, 169.2, 180, -160.2, -140.4, -120.6,
                               -100.8, -90, -70.2, -50.4, -30.6, -10.8, 0, 19.8, 39.6, 59.4, 79.2};
    for (int i = 0; i < 22; ++i) {
        double deg = std::atan2(v[i].point.y, v[i].point.x) * 180 / PI;
        if (i == 7) deg = std::fabs(deg);
        EXPECT_NEAR(deg, expect[i], 1e-6) << i;
        EXPECT_NEAR(std::hypot(v[i].point.x, v[i].point.y), 10, 1e-9) << i;
    }
    EXPECT_EQ(v[22].point.x, v[0].point.x);
    EXPECT_EQ(v[22].point_number, v[0].point_number);
    EXPECT_EQ(v[0].point_number, 101u);   // p1 at 90 degrees
    EXPECT_EQ(v[17].point_number, 100u);  // p0 at 0 degrees
    EXPECT_TRUE(get_u16(img, curve_style_offset) & curve_flag_closed);
    kernel_free(img);
}

TEST_F(CurveImages, EllipseImagesOverAGridStayOnTheCurve) {
    const double ratios[] = {1.0, 0.7, 0.3, 0.21, 0.2, 0.12, 0.05, 0.011, 0.005};
    const double sizes[] = {0.01, 1, 40, 1000};
    const double rotations[] = {0, 0.4, -2.0};
    int polar = 0, oval = 0, flat = 0;
    for (double k : ratios)
        for (double a : sizes)
            for (double rot : rotations)
                for (int swap = 0; swap < 2; ++swap) {
                    double A = swap ? a * k : a, B = swap ? a : a * k;
                    Point2 c{3, -2};
                    std::vector<uint8_t> e = ellipse_element(1, c, A, B, rot, 1.1);
                    uint8_t* img = ellipse_to_arc_vertices(e.data());
                    EXPECT_EQ(tolerance_get(), tolerance_standing);
                    if (!img) continue;  // polar sampling beyond 54 vertices
                    std::vector<CurveVertex> v = vertices_of(img);
                    ASSERT_LE(v.size(), 56u);
                    ASSERT_GE(v.size(), 4u);
                    if (v.size() == 4) {
                        ++flat;  // a thin ellipse, or an oval that cannot be joined
                        EXPECT_LE(k, 0.2 + 1e-12);
                    } else if (k > 0.2) {
                        ++polar;
                        // Sampled points lie on the ellipse; through points within
                        // the curve's own flatness.
                        for (const CurveVertex& cv : v)
                            EXPECT_LE(distance_to_ellipse(cv.point, c, A, B, rot), 1e-9 * a) << k << " " << a;
                        for (size_t i = 0; i + 1 < v.size(); ++i)
                            EXPECT_LE(distance_to_ellipse(v[i].through, c, A, B, rot), 0.02 * std::fmax(A, B))
                                << k << " " << a << " " << i;
                    } else {
                        ++oval;
                        // The oval of circles stays inside the ellipse's box and
                        // passes through the ellipse's own points p0 and p1 (for
                        // ellipses well above the tolerance).
                        if (std::fmin(A, B) < 100 * tolerance_standing) v.clear();
                        for (const CurveVertex& cv : v) {
                            double dx = cv.point.x - c.x, dy = cv.point.y - c.y;
                            double x = dx * std::cos(rot) + dy * std::sin(rot), y = -dx * std::sin(rot) + dy * std::cos(rot);
                            EXPECT_LE(std::fabs(x), A + 1e-9 * a) << k << " " << a;
                            EXPECT_LE(std::fabs(y), B + 1e-9 * a) << k << " " << a;
                            if (cv.point_number == 100 || cv.point_number == 101) {
                                EXPECT_LE(distance_to_ellipse(cv.point, c, A, B, rot), 1e-9 * a) << k << " " << a;
                            }
                        }
                    }
                    kernel_free(img);
                }
    EXPECT_GT(polar, 0);
    EXPECT_GT(oval, 0);
    EXPECT_GT(flat, 0);
    // p1 on the first axis: the flat image; p1 beyond its end: nothing.
    std::vector<uint8_t> e = ellipse_element(1, {0, 0}, 10, 5, 0, 0);
    put_point2(e.data(), element_geometry3_offset + 16, Point2{4, 0});
    uint8_t* img = ellipse_to_arc_vertices(e.data());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(get_i16(img, curve_count_offset), 4);
    kernel_free(img);
    put_point2(e.data(), element_geometry3_offset + 16, Point2{12, 3});
    EXPECT_EQ(ellipse_to_arc_vertices(e.data()), nullptr);
}

TEST_F(CurveImages, EllipticArcsAreCutFromEndToStart) {
    std::mt19937 rng(23);
    std::uniform_real_distribution<double> u(0, 1);
    int built = 0;
    for (int iter = 0; iter < 300; ++iter) {
        double a = 1 + u(rng) * 50, k = iter % 3 == 0 ? 0.05 + 0.15 * u(rng) : 0.25 + 0.75 * u(rng);  // ovals too
        double ts = u(rng) * 2 * PI - PI, te = ts + 0.3 + u(rng) * 5.5;
        if (iter % 10 == 0) te = ts + PI / 2;            // ends on the axes
        if (iter % 10 == 0) ts = 0;
        std::vector<uint8_t> e = ellipse_element(1, {5, 5}, a, a * k, u(rng) * 6, 1.3, 9, ts, te);
        uint8_t* img = ellipse_to_arc_vertices(e.data());
        EXPECT_EQ(tolerance_get(), tolerance_standing);
        if (!img) continue;
        ++built;
        std::vector<CurveVertex> v = vertices_of(img);
        ASSERT_GE(v.size(), 2u);
        ASSERT_LE(v.size(), 56u);
        Point2 p3 = get_point2(e.data(), element_geometry5_offset + 48), p4 = get_point2(e.data(), element_geometry5_offset + 64);
        EXPECT_NEAR(v.front().point.x, p3.x, 1e-9 * a);
        EXPECT_NEAR(v.front().point.y, p3.y, 1e-9 * a);
        EXPECT_NEAR(v.back().point.x, p4.x, 1e-9 * a);
        EXPECT_NEAR(v.back().point.y, p4.y, 1e-9 * a);
        EXPECT_EQ(v.front().point_number, 103u);
        EXPECT_EQ(v.back().point_number, 104u);
        // The kept part is the one from point 4 to point 3 in increasing
        // angle, run backward: the polar angle falls by the arc's span.
        double span = std::remainder(std::atan2(k * std::sin(te), std::cos(te)) - std::atan2(k * std::sin(ts), std::cos(ts)), 2 * PI);
        if (span <= 0) span += 2 * PI;
        double travel = 0;
        for (size_t i = 0; i + 1 < v.size(); ++i) {
            double d = std::atan2(v[i + 1].point.y - 5, v[i + 1].point.x - 5) - std::atan2(v[i].point.y - 5, v[i].point.x - 5);
            d = std::remainder(d, 2 * PI);
            EXPECT_LE(d, 1e-9) << iter << " " << i;  // never forward
            travel -= d;
        }
        EXPECT_NEAR(travel, span, 1e-6) << iter;
        kernel_free(img);
    }
    EXPECT_GT(built, 200);
}

TEST_F(CurveImages, WavyLines) {
    auto wavy = [](Point2 p0, Point2 p1, Point2 p2) {
        std::vector<uint8_t> e = fake_store::element(74, 3, 6);
        put_u32(e.data(), 14, 1);
        put_u32(e.data(), 18, 2);
        put_u32(e.data(), 22, 3);
        put_point2(e.data(), 26, p0);
        put_point2(e.data(), 42, p1);
        put_point2(e.data(), 58, p2);
        return e;
    };
    struct Case { Point2 p0, p1, p2; double scale; int vertices; };
    const Case cases[] = {
        {{0, 0}, {12, 0}, {6, 0}, 1, 3},     // two legs of 6 mm: one step each
        {{0, 0}, {4, 0}, {2, 0}, 1, 3},      // legs shorter than 3 mm: one step each
        {{0, 0}, {60, 0}, {30, 0}, 1, 11},   // five waves a leg
        {{0, 0}, {60, 0}, {30, 0}, 10, 0},   // at 1:10 waves of 0.6 units: lengthened to fit
        {{0, 0}, {60, 0}, {30, 0}, 0.1, 3},  // at 10:1 a 6 mm wave is 60 units: 30-unit legs, one step
    };
    for (const Case& c : cases) {
        fake_drawing::set_scale(c.scale);
        std::vector<uint8_t> e = wavy(c.p0, c.p1, c.p2);
        uint8_t* img = wavy_line_to_arc_vertices(e.data());
        ASSERT_NE(img, nullptr);
        std::vector<CurveVertex> v = vertices_of(img);
        if (c.vertices) {
            EXPECT_EQ(static_cast<int>(v.size()), c.vertices) << c.p1.x << " " << c.scale;
        } else {
            EXPECT_LE(v.size(), 55u);
            EXPECT_GT(v.size(), 40u);
        }
        EXPECT_EQ(v.front().point_number, 1u);
        EXPECT_EQ(v.back().point_number, 2u);
        EXPECT_EQ(get_u16(img, curve_style_offset) & curve_flag_bezier, 0);
        kernel_free(img);
    }
    fake_drawing::set_scale(1);
    // A long line: waves lengthened until 55 vertices hold it.
    std::vector<uint8_t> e = wavy({0, 0}, {2000, 0}, {1000, 0});
    uint8_t* img = wavy_line_to_arc_vertices(e.data());
    ASSERT_NE(img, nullptr);
    EXPECT_LE(get_i16(img, curve_count_offset), 55);
    // The waves alternate sides of the line.
    std::vector<CurveVertex> v = vertices_of(img);
    for (size_t i = 1; i + 1 < v.size() / 2; ++i) EXPECT_LT(v[i].through.y * v[i - 1].through.y, 0) << i;
    kernel_free(img);
    // Too long even at 841 mm a wave: no image, and a rebuild keeps the old one.
    uint8_t projection[440] = {};
    std::vector<uint8_t> ok = wavy({0, 0}, {100, 0}, {50, 0});
    fake_store::put(projection, chain_elements, ok.data(), ok.size());
    ASSERT_NE(build_wavy_line_image(projection, 3, 1), 0u);
    fake_store::chain(projection, chain_elements)[0].bytes = wavy({0, 0}, {60000, 0}, {30000, 0});
    EXPECT_EQ(build_wavy_line_image(projection, 3, 1), 0u);
    EXPECT_EQ(fake_store::chain(projection, chain_elements).size(), 2u);
    // The arc form follows the arc through the middle point.
    std::vector<uint8_t> arc = wavy({-30, 0}, {30, 0}, {0, 30});
    img = wavy_line_to_arc_vertices(arc.data());
    ASSERT_NE(img, nullptr);
    v = vertices_of(img);
    for (const CurveVertex& cv : v) EXPECT_NEAR(std::hypot(cv.point.x, cv.point.y), 30, 1e-9);
    kernel_free(img);
}

TEST_F(CurveImages, OvalJointSearchEndsAtLargeCoordinatesAndFineTolerance) {
    // At 1e8 units the spacing of doubles exceeds the fine tolerance: the
    // joint radii never compare equal, and the search must still end.
    tolerance_set(tolerance_fine);
    for (double k : {0.05, 0.1, 0.15}) {
        std::vector<uint8_t> e = ellipse_element(1, {3e8, -1e8}, 1e8, 1e8 * k, 0.7, 1.2);
        uint8_t* img = ellipse_to_arc_vertices(e.data());
        if (img) {
            EXPECT_LE(get_i16(img, curve_count_offset), 56);
            kernel_free(img);
        }
        EXPECT_EQ(tolerance_get(), tolerance_fine);
    }
    tolerance_set(tolerance_standing);
}

TEST_F(CurveImages, EllipseImageBuilderKeepsOldImageWhenNoneCanBeBuilt) {
    uint8_t projection[440] = {};
    std::vector<uint8_t> e = ellipse_element(4, {0, 0}, 10, 6, 0.3, 1.0);
    fake_store::put(projection, chain_elements, e.data(), e.size());
    ASSERT_NE(build_ellipse_image(projection, 4, 1), 0u);
    ASSERT_NE(build_ellipse_image(projection, 4, 1), 0u);
    EXPECT_EQ(fake_store::chain(projection, chain_elements).size(), 2u);
    put_point2(fake_store::chain(projection, chain_elements)[0].bytes.data(), element_geometry3_offset + 16, Point2{30, 0.1});
    EXPECT_EQ(build_ellipse_image(projection, 4, 1), 0u);
    EXPECT_EQ(fake_store::chain(projection, chain_elements).size(), 2u);
    EXPECT_EQ(tolerance_get(), tolerance_standing);
}
