// Bending pictures: warping points between chains of arc pieces (identity,
// a doubled chain, both sides of an arc piece, beyond the chain's end), and
// bending a small two-coloured picture along a straight Bezier, which must
// give the picture back within the sampling; degenerate and oversized
// bends are refused.
#include "render/images/picture_bend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"

namespace {

class BendTest : public ::testing::Test {
protected:
    void SetUp() override {
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
    }
};

WarpChain straight(double length) {
    WarpChain c;
    EXPECT_TRUE(warp_chain_of_bezier(BezierGeom{{0, 0}, {length, 0}, {length / 3, 0}, {2 * length / 3, 0}}, &c));
    return c;
}

TEST_F(BendTest, WarpKeepsPositionAlongAndDistanceAcross) {
    const WarpChain one = straight(100), two = straight(200);
    EXPECT_NEAR(one.length.back(), 100, 1e-9);
    struct Case {
        Point2 p;
        const WarpChain* target;
        Point2 want;
    };
    const std::vector<Case> cases = {
        {{50, 10}, &one, {50, 10}},
        {{0, -5}, &one, {0, -5}},
        {{100, 3}, &one, {100, 3}},
        {{110, 2}, &one, {110, 2}},    // beyond the end: the last piece continues
        {{-10, -2}, &one, {-10, -2}},  // before the start: the first piece continues
        {{50, 10}, &two, {100, 10}},   // a chain twice as long doubles positions
        {{25, -4}, &two, {50, -4}},
    };
    for (const Case& k : cases) {
        Point2 out;
        ASSERT_TRUE(warp_point_between_chains(one, *k.target, k.p, &out));
        EXPECT_NEAR(out.x, k.want.x, 1e-6) << k.p.x << "," << k.p.y;
        EXPECT_NEAR(out.y, k.want.y, 1e-6) << k.p.x << "," << k.p.y;
    }
}

TEST_F(BendTest, PointsBesideAnArcPieceLandAtTheRadiusPlusOrMinusTheirDistance) {
    // A quarter circle about the origin, radius 10, from (10, 0) to (0, 10),
    // against a straight chain of the same length.
    const double r = 10, len = r * std::acos(-1.0) / 2, s = std::sqrt(0.5);
    WarpChain arc;
    arc.v = {CurveVertex{0, {r, 0}, {r * s, r * s}}, CurveVertex{0, {0, r}, {0, r}}};
    arc.length = {0, len};
    WarpChain line;
    line.v = {CurveVertex{0, {0, 0}, {len / 2, 0}}, CurveVertex{0, {len, 0}, {len, 0}}};
    line.length = {0, len};
    // Half way along, 2 to the left of the direction of travel (towards +y
    // on the line; towards the centre on the arc, which turns that way).
    Point2 out;
    ASSERT_TRUE(warp_point_between_chains(line, arc, Point2{len / 2, 2}, &out));
    EXPECT_NEAR(out.x, 8 * s, 1e-9);
    EXPECT_NEAR(out.y, 8 * s, 1e-9);
    ASSERT_TRUE(warp_point_between_chains(line, arc, Point2{len / 2, -2}, &out));
    EXPECT_NEAR(out.x, 12 * s, 1e-9);
    EXPECT_NEAR(out.y, 12 * s, 1e-9);
    // And back.
    ASSERT_TRUE(warp_point_between_chains(arc, line, Point2{12 * s, 12 * s}, &out));
    EXPECT_NEAR(out.x, len / 2, 1e-9);
    EXPECT_NEAR(out.y, -2, 1e-9);
}

// An 8 x 4 DIB: columns 0-3 red, 4-7 blue.
struct Picture {
    std::vector<uint8_t> dib = std::vector<uint8_t>(40 + 24 * 4, 0);
    RasterView view;
    Picture() {
        put_u32(dib.data(), 0, 40);
        put_i32(dib.data(), 4, 8);
        put_i32(dib.data(), 8, 4);
        put_u16(dib.data(), 12, 1);
        put_u16(dib.data(), 14, 24);
        EXPECT_TRUE(raster_view_of_dib(dib.data(), dib.size(), &view));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) raster_pixel_set(view, x, y, x < 4 ? 0xFF0000 : 0x0000FF);
        raster_set_key(&view, 0x00FF00);  // green: not in the picture
    }
};

const int32_t picture_line[4][2] = {{0, 2}, {7, 2}, {2, 2}, {5, 2}};

TEST_F(BendTest, StraightBendGivesThePictureBack) {
    Picture p;
    const Point2 same[4] = {{0, 2}, {7, 2}, {2, 2}, {5, 2}};
    BentPicture b;
    ASSERT_TRUE(picture_bend(p.view, picture_line, 1.0, same, true, 0x00FF00, &b));
    // Extents 7 x 3: pixel size min(7 / 8, 3 / 4) = 0.75, widened by one
    // pixel on each side.
    EXPECT_NEAR(b.pixel_size, 0.75, 1e-9);
    EXPECT_EQ(b.width, 11);
    EXPECT_EQ(b.height, 6);
    EXPECT_EQ(b.points[0][0], 1);
    EXPECT_EQ(b.points[0][1], 4);
    EXPECT_EQ(b.points[1][0], 10);
    EXPECT_EQ(b.points[1][1], 4);
    RasterView out;
    ASSERT_TRUE(raster_view_of_dib(b.dib.data(), b.dib.size(), &out));
    // Output pixel (j, i from the top) samples the picture at
    // (0.75 j - 0.75, 0.75 i - 0.75).
    for (int i = 0; i < b.height; ++i)
        for (int j = 0; j < b.width; ++j) {
            const double x = 0.75 * j - 0.75, y = 0.75 * i - 0.75;
            const uint32_t got = static_cast<uint32_t>(raster_pixel_get(out, j, b.height - 1 - i));
            if (x < 0 || y < 0 || x > 7 || y > 3) continue;  // picture edges: sampling decides
            // Red where all four sampled columns are red, blue where all are blue.
            if (x < 3 && y <= 2) {
                EXPECT_EQ(got, 0xFF0000u) << j << "," << i;
            }
            if (x >= 4 && x <= 6 && y <= 2) {
                EXPECT_EQ(got, 0x0000FFu) << j << "," << i;
            }
        }
    // The top left corner lies outside the picture: key colour.  The lowest
    // row holding the key is the one sampled at y = 0 (x = -0.75 keeps one
    // neighbour only): row 4 from the bottom, column 0.
    EXPECT_EQ(static_cast<uint32_t>(raster_pixel_get(out, 0, b.height - 1)), 0x00FF00u);
    EXPECT_EQ(b.key_x, 0);
    EXPECT_EQ(b.key_row, 4);
}

TEST_F(BendTest, PreviewIsAbout200PixelsLong) {
    Picture p;
    const Point2 longer[4] = {{0, 20}, {700, 20}, {200, 20}, {500, 20}};
    BentPicture b;
    ASSERT_TRUE(picture_bend(p.view, picture_line, 1.0, longer, false, 0x00FF00, &b));
    EXPECT_NEAR(b.pixel_size, 0.005 * 700, 1e-6);
    EXPECT_EQ(b.width, 202);
}

TEST_F(BendTest, DegenerateAbandonedAndOversizedBendsAreRefused) {
    Picture p;
    BentPicture b;
    const Point2 one_point[4] = {{5, 5}, {5, 5}, {5, 5}, {5, 5}};
    EXPECT_FALSE(picture_bend(p.view, picture_line, 1.0, one_point, true, 0, &b));
    const int32_t picture_point[4][2] = {{3, 3}, {3, 3}, {3, 3}, {3, 3}};
    const Point2 fine[4] = {{0, 2}, {7, 2}, {2, 2}, {5, 2}};
    EXPECT_FALSE(picture_bend(p.view, picture_point, 1.0, fine, true, 0, &b));
    EXPECT_FALSE(picture_bend(p.view, picture_line, 0.0, fine, true, 0, &b));
    const volatile int abandoned = 0;
    EXPECT_FALSE(picture_bend(p.view, picture_line, 1.0, fine, true, 0, &b, &abandoned));
    // A very long thin target at the picture's resolution.
    const Point2 far[4] = {{0, 2}, {1e8, 2}, {3e7, 2}, {6e7, 2}};
    EXPECT_FALSE(picture_bend(p.view, picture_line, 1.0, far, true, 0, &b));
}

// A curved bend of a many-coloured picture against the bending's mapping
// computed here point by point with warp_point_between_chains: bounds from
// every third column and row, the pixel size of the final form, and every
// output pixel sampled where the symbol's chain maps it back.  The bend
// itself searches the chain's pieces through their boxes; the result must
// be the same, pixel for pixel.
TEST_F(BendTest, CurvedBendMatchesThePointByPointMapping) {
    const int32_t w = 30, h = 14;
    const size_t stride = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> dib(40 + stride * h, 0);
    put_u32(dib.data(), 0, 40);
    put_i32(dib.data(), 4, w);
    put_i32(dib.data(), 8, h);
    put_u16(dib.data(), 12, 1);
    put_u16(dib.data(), 14, 24);
    RasterView src;
    ASSERT_TRUE(raster_view_of_dib(dib.data(), dib.size(), &src));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) raster_pixel_set(src, x, y, static_cast<uint32_t>((x * 37 + y * 101) * 2654435761u) & 0xF0F0F0);
    const uint32_t key = 0x00FF00;
    raster_set_key(&src, key);
    const int32_t pp[4][2] = {{0, 7}, {29, 7}, {10, 7}, {19, 7}};
    const Point2 sp[4] = {{0, 20}, {40, 20}, {10, 0}, {30, 0}};
    const double k = 1.0;
    BentPicture b;
    ASSERT_TRUE(picture_bend(src, pp, k, sp, true, key, &b));

    WarpChain from, to;
    ASSERT_TRUE(warp_chain_of_bezier(BezierGeom{{0, 7}, {29, 7}, {10, 7}, {19, 7}}, &from));
    ASSERT_TRUE(warp_chain_of_bezier(BezierGeom{sp[0], sp[1], sp[2], sp[3]}, &to));
    ASSERT_GT(to.v.size(), 4u);  // a real chain of pieces
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    std::vector<int> xs, ys;
    for (int x = 0; x < w; x += 3) xs.push_back(x);
    if (xs.back() != w - 1) xs.push_back(w - 1);
    for (int y = 0; y < h; y += 3) ys.push_back(y);
    if (ys.back() != h - 1) ys.push_back(h - 1);
    for (int y : ys)
        for (int x : xs) {
            Point2 q;
            ASSERT_TRUE(warp_point_between_chains(from, to, Point2{x * k, y * k}, &q));
            x0 = std::fmin(x0, q.x), x1 = std::fmax(x1, q.x);
            y0 = std::fmin(y0, q.y), y1 = std::fmax(y1, q.y);
        }
    const double t = std::fmin((x1 - x0) / w, (y1 - y0) / h);
    EXPECT_DOUBLE_EQ(b.pixel_size, t);
    ASSERT_EQ(b.width, static_cast<int32_t>(std::trunc((x1 - x0 + 2 * t) / t)));
    ASSERT_EQ(b.height, static_cast<int32_t>(std::trunc((y1 - y0 + 2 * t) / t)));
    x0 -= t;
    y0 -= t;
    RasterView out;
    ASSERT_TRUE(raster_view_of_dib(b.dib.data(), b.dib.size(), &out));
    int differing = 0, sampled = 0;
    for (int i = 0; i < b.height; ++i)
        for (int j = 0; j < b.width; ++j) {
            Point2 q;
            uint32_t want = key;
            if (warp_point_between_chains(to, from, Point2{x0 + j * t, y0 + i * t}, &q)) {
                int found = 0;
                const uint32_t c = raster_sample(src, q.x / k, h - 1 - q.y / k, &found);
                if (found) want = c, ++sampled;
            }
            if (static_cast<uint32_t>(raster_pixel_get(out, j, b.height - 1 - i)) != want) ++differing;
        }
    EXPECT_GT(sampled, b.width * b.height / 4);
    EXPECT_EQ(differing, 0);
}

}  // namespace
