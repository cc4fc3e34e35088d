// Affine transforms and the model/pixel mapping of a projection window.
#include "geometry/kernel_context.h"
#include "geometry/transforms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

ViewTransform window_at(float ox, float oy, double sx, double sy, float shx = 0, float shy = 0) {
    ViewTransform v;
    v.view_offset = PointF{ox, oy};
    v.scroll_shift = PointF{shx, shy};
    v.scale = ViewScale{sx, sy};
    return v;
}

TEST(ViewTransformTest, PixelAndPointMappingTable) {
    struct Case {
        float offset_x, offset_y, shift_x, shift_y;
        double scale;
        double coordinate;
        int32_t column, row;  // of (coordinate, coordinate)
    } cases[] = {
        {10, 20, 0, 0, 2.0, 10.2, 0, -19},
        {10, 20, 0, 0, 2.0, 10.3, 1, -18},
        {10, 20, 0, 0, 2.0, 20.25, 21, 1},
        // Left of or above the window: truncated after adding 0.5.
        {10, 20, 0, 0, 1.0, 6.3, -3, -13},
        // The scroll shift moves the picture the other way from the offset.
        {10, 20, 5, -5, 2.0, 10.0, 10, -29},
    };
    for (const Case& c : cases) {
        ViewTransform v = window_at(c.offset_x, c.offset_y, c.scale, c.scale, c.shift_x, c.shift_y);
        EXPECT_EQ(c.column, view_x_to_pixel(&v, c.coordinate)) << c.coordinate;
        EXPECT_EQ(c.row, view_y_to_pixel(&v, c.coordinate)) << c.coordinate;
    }
    ViewTransform v = window_at(10, 20, 2.0, 2.0);
    Point2 p;
    view_pixel_to_point(&v, 1, 0, &p);
    EXPECT_EQ(10.5, p.x);
    EXPECT_EQ(20.0, p.y);
    ViewTransform s = window_at(10, 20, 2.0, 4.0, 1.5, -2.0);
    view_pixel_to_point(&s, 3, 8, &p);
    EXPECT_EQ(10 - 1.5 + 1.5, p.x);
    EXPECT_EQ(20 + 2.0 + 2.0, p.y);
}

TEST(ViewTransformTest, PixelToPointInvertsWithinHalfAPixel) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> pixels(0.0, 1000.0);
    for (double scale : {0.37, 1.0, 2.0, 13.5}) {
        ViewTransform v = window_at(-40.5f, 12.25f, scale, scale * 1.5, 3.0f, -7.5f);
        for (int i = 0; i < 500; ++i) {
            // A point inside the window: its pixel lies in 0..1000.
            double x = -40.5 - 3.0 + pixels(rng) / v.scale.x;
            double y = 12.25 + 7.5 + pixels(rng) / v.scale.y;
            Point2 back;
            view_pixel_to_point(&v, view_x_to_pixel(&v, x), view_y_to_pixel(&v, y), &back);
            EXPECT_LE(std::fabs(back.x - x), 0.5 / v.scale.x + 1e-9) << x;
            EXPECT_LE(std::fabs(back.y - y), 0.5 / v.scale.y + 1e-9) << y;
        }
    }
}

TEST(ViewTransformTest, FarPointsAreClampedNotWrapped) {
    ViewTransform v = window_at(0, 0, 5000.0, 5000.0);
    EXPECT_EQ(134217728, view_x_to_pixel(&v, 1e12));
    EXPECT_EQ(-134217728, view_y_to_pixel(&v, -1e12));
    EXPECT_EQ(134217728, view_x_to_pixel(&v, std::numeric_limits<double>::infinity()));
    EXPECT_EQ(0, view_x_to_pixel(&v, std::nan("")));
    EXPECT_EQ(134217728, clamp_to_pixel(3e9));
    EXPECT_EQ(-134217728, clamp_to_pixel(-1e300));
    EXPECT_EQ(-3, clamp_to_pixel(-3.7));
    EXPECT_EQ(0, clamp_to_pixel(std::nan("")));
}

TEST(ViewTransformTest, LengthConversions) {
    ViewTransform v = window_at(0, 0, 2.0, 0.5);
    struct Case {
        double length, expected;
    } rounded[] = {
        {1.25, 3.0}, {-1.25, -3.0}, {1.2, 2.0}, {-1.2, -2.0}, {0.0, 0.0}, {1.5e9, 3e9},
        {-1.5e9, -3e9},
    };
    for (const Case& c : rounded) {
        EXPECT_EQ(c.expected, view_length_to_pixels_rounded(&v, c.length)) << c.length;
    }
    // Unrounded at and above the int32 limit.
    EXPECT_EQ(3000000000.5, view_length_to_pixels_rounded(&v, 1500000000.25));
    EXPECT_EQ(134217728, clamp_to_pixel(view_length_to_pixels_rounded(&v, 1.5e9)));

    EXPECT_EQ(5.0, view_length_to_pixels_x(&v, 2.5f));
    EXPECT_EQ(1.25, view_length_to_pixels_y(&v, 2.5f));
    EXPECT_EQ(5.0, view_length_to_pixels_axis(0, &v, 2.5f));
    EXPECT_EQ(1.25, view_length_to_pixels_axis(1, &v, 2.5f));
    EXPECT_EQ(1.25, view_pixels_to_length_x(&v, 2.5f));
    EXPECT_EQ(5.0, view_pixels_to_length_y(&v, 2.5f));
    EXPECT_EQ(1.25, view_pixels_to_length_axis(0, &v, 2.5f));
    EXPECT_EQ(5.0, view_pixels_to_length_axis(7, &v, 2.5f));
}

TEST(AffineTest, RotationAboutPoint) {
    const double half_pi = kernel_context().half_pi;
    AffineMatrix m;
    m.reserved = 99;
    EXPECT_EQ(&m, affine_rotation_about_point(&m, 3.0, -4.0, 0.0));
    EXPECT_EQ(1.0, m.m0);
    EXPECT_EQ(0.0, m.m1);
    EXPECT_EQ(0.0, m.m2);
    EXPECT_EQ(1.0, m.m3);
    EXPECT_EQ(0.0, m.m4);
    EXPECT_EQ(0.0, m.m5);
    EXPECT_EQ(0, m.reserved);

    // A quarter turn takes (cx + 1, cy) to (cx, cy + 1): from +x toward +y.
    affine_rotation_about_point(&m, 3.0, -4.0, half_pi);
    Point2 p;
    affine_apply(&p, &m, 4.0, -4.0);
    EXPECT_NEAR(3.0, p.x, 1e-12);
    EXPECT_NEAR(-3.0, p.y, 1e-12);
    // The centre stays put.
    affine_apply(&p, &m, 3.0, -4.0);
    EXPECT_NEAR(3.0, p.x, 1e-12);
    EXPECT_NEAR(-4.0, p.y, 1e-12);

    PointF f;
    affine_apply_float(&f, &m, 4.0f, -4.0f);
    EXPECT_NEAR(3.0f, f.x, 1e-6f);
    EXPECT_NEAR(-3.0f, f.y, 1e-6f);
}

TEST(AffineTest, IntFormRoundsHalfAwayFromZeroAndSaturates) {
    AffineMatrix half{0.5, 0.0, 0.0, 0.5, 0.0, 0.0, 0};
    struct Case {
        int32_t x, y, ex, ey;
    } cases[] = {{5, -5, 3, -3}, {3, -3, 2, -2}, {4, -4, 2, -2}, {0, 1, 0, 1}};
    for (const Case& c : cases) {
        PointI out;
        affine_apply_int(&out, &half, c.x, c.y);
        EXPECT_EQ(c.ex, out.x) << c.x;
        EXPECT_EQ(c.ey, out.y) << c.y;
    }
    AffineMatrix grow{1e6, 0.0, 0.0, -1e6, 0.0, 0.0, 0};
    PointI out;
    affine_apply_int(&out, &grow, 1000000, 1000000);
    EXPECT_EQ(INT32_MAX, out.x);
    EXPECT_EQ(INT32_MIN, out.y);
}

TEST(AffineTest, RotatePixelPointsPlainWhenScalesEqual) {
    const double half_pi = kernel_context().half_pi;
    ViewTransform v = window_at(0, 0, 3.0, 3.0);
    PointI pts[] = {{110, 50}, {100, 60}, {103, 52}};
    rotate_pixel_points(&v, 100, 50, half_pi, pts, 3);
    EXPECT_EQ(100, pts[0].x);
    EXPECT_EQ(60, pts[0].y);
    EXPECT_EQ(90, pts[1].x);
    EXPECT_EQ(50, pts[1].y);
    EXPECT_EQ(98, pts[2].x);
    EXPECT_EQ(53, pts[2].y);

    // 45 degrees: (10, 0) goes to (7.07, 7.07), rounded to (7, 7).
    PointI q[] = {{10, 0}, {-10, 0}};
    rotate_pixel_points(&v, 0, 0, half_pi / 2, q, 2);
    EXPECT_EQ(7, q[0].x);
    EXPECT_EQ(7, q[0].y);
    EXPECT_EQ(-7, q[1].x);
    EXPECT_EQ(-7, q[1].y);
}

TEST(AffineTest, RotatePixelPointsTrueInModelUnitsWithUnequalScales) {
    ViewTransform v = window_at(-5, 3, 4.0, 1.5, 2, -1);
    Point2 centre{20.0, 30.0};
    int32_t cx = view_x_to_pixel(&v, centre.x);
    int32_t cy = view_y_to_pixel(&v, centre.y);
    AffineMatrix m;
    for (double angle : {0.3, 1.2, -2.0, 3.0}) {
        affine_rotation_about_point(&m, centre.x, centre.y, angle);
        for (Point2 p : {Point2{40.0, 30.0}, Point2{20.0, 55.0}, Point2{-7.5, 12.25}}) {
            Point2 r;
            affine_apply(&r, &m, p.x, p.y);
            PointI pix{view_x_to_pixel(&v, p.x), view_y_to_pixel(&v, p.y)};
            rotate_pixel_points(&v, cx, cy, angle, &pix, 1);
            // Each pixel rounding of the centre and the point moves the
            // result by at most about a pixel.
            EXPECT_NEAR(view_x_to_pixel(&v, r.x), pix.x, 2.0) << angle;
            EXPECT_NEAR(view_y_to_pixel(&v, r.y), pix.y, 2.0) << angle;
        }
    }
}

}  // namespace
