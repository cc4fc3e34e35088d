// The 1-3 point placement of a picture symbol: where known picture points
// land, the fallbacks on degenerate points, the screen box and the raster
// drawn through the map.
#include "render/images/picture_placement.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/byte_order.h"

namespace {

struct Mapped { double px, py, sx, sy; };

void expect_maps(const PixelMap& m, const std::vector<Mapped>& points, const char* what) {
    for (const Mapped& p : points) {
        double x, y;
        pixel_map_apply(m, p.px, p.py, &x, &y);
        EXPECT_NEAR(x, p.sx, 1e-9) << what << " (" << p.px << "," << p.py << ")";
        EXPECT_NEAR(y, p.sy, 1e-9) << what << " (" << p.px << "," << p.py << ")";
    }
}

TEST(PicturePlacement, ReferencePointsTakeThePictureOntoTheElement) {
    const int32_t pic[3][2] = {{2, 3}, {12, 3}, {2, 8}};
    struct Case {
        const char* what;
        int picture_count, element_count;
        double element[3][2];
        int used;
        std::vector<Mapped> points;
    };
    const std::vector<Case> cases = {
        {"one point, scale 2 x 3", 1, 1, {{100, 50}}, 1,
         {{2, 3, 100, 50}, {3, 3, 102, 50}, {2, 4, 100, 53}}},
        // first-to-second (10, 0) onto (0, 20): a quarter turn, scale 2; the
        // picture's +y then points to screen -x.
        {"two points, turned", 2, 2, {{100, 100}, {100, 120}}, 2,
         {{2, 3, 100, 100}, {12, 3, 100, 120}, {2, 8, 90, 100}, {7, 3, 100, 110}}},
        // the third point 5 below the line lands 15 on the same side: 3 across
        {"three points, stretched across", 3, 3, {{0, 0}, {20, 0}, {4, 15}}, 3,
         {{2, 3, 0, 0}, {12, 3, 20, 0}, {2, 8, 0, 15}, {7, 5, 10, 6}}},
        // the element's third point on the other side: a mirror
        {"three points, mirrored", 3, 3, {{0, 0}, {20, 0}, {0, -10}}, 3,
         {{2, 8, 0, -10}, {12, 8, 20, -10}}},
        // counts differ: the smaller one rules
        {"three-point picture on a two-point element", 3, 2, {{0, 0}, {20, 0}}, 2,
         {{2, 8, 0, 10}}},
        {"one-point picture on a three-point element", 1, 3, {{5, 5}, {50, 50}, {0, 9}}, 1,
         {{3, 4, 7, 8}}},
        // coincident element points fall back to the first point alone
        {"coincident element points", 2, 2, {{40, 40}, {40, 40}}, 1, {{3, 3, 42, 40}}},
        // element's third point on its first-to-second line: two points
        {"collinear element third point", 3, 3, {{0, 0}, {20, 0}, {7, 0}}, 2,
         {{2, 8, 0, 10}}},
    };
    for (const Case& c : cases) {
        PixelMap m;
        EXPECT_EQ(picture_symbol_map(pic, c.picture_count, c.element, c.element_count, 2, 3, &m),
                  c.used)
            << c.what;
        expect_maps(m, c.points, c.what);
    }

    // The picture's own degenerate points fall back the same way.
    const int32_t same[3][2] = {{4, 4}, {4, 4}, {9, 9}};
    const double element[3][2] = {{0, 0}, {10, 0}, {0, 10}};
    PixelMap m;
    EXPECT_EQ(picture_symbol_map(same, 3, element, 3, 1, 1, &m), 1);
    const int32_t collinear[3][2] = {{0, 0}, {10, 0}, {5, 0}};
    EXPECT_EQ(picture_symbol_map(collinear, 3, element, 3, 1, 1, &m), 2);
    EXPECT_EQ(picture_symbol_map(collinear, 0, element, 3, 1, 1, &m), 0);
    EXPECT_EQ(picture_symbol_map(collinear, 3, element, 0, 1, 1, &m), 0);
}

TEST(PicturePlacement, InverseUndoesTheMapAndRefusesSingular) {
    const int32_t pic[3][2] = {{0, 0}, {10, 0}, {0, 5}};
    const double element[3][2] = {{30, 40}, {30, 10}, {45, 40}};
    PixelMap m, inv;
    ASSERT_EQ(picture_symbol_map(pic, 3, element, 3, 1, 1, &m), 3);
    ASSERT_TRUE(pixel_map_invert(m, &inv));
    for (const Mapped& p : {Mapped{0, 0, 0, 0}, Mapped{3, 7, 0, 0}, Mapped{-4, 2.5, 0, 0}}) {
        double x, y, bx, by;
        pixel_map_apply(m, p.px, p.py, &x, &y);
        pixel_map_apply(inv, x, y, &bx, &by);
        EXPECT_NEAR(bx, p.px, 1e-9);
        EXPECT_NEAR(by, p.py, 1e-9);
    }
    PixelMap flat;
    flat.a = 1, flat.b = 2, flat.d = 2, flat.e = 4;
    EXPECT_FALSE(pixel_map_invert(flat, &inv));
}

TEST(PicturePlacement, ScreenBoxIsCutToTheClip) {
    PixelMap m;  // identity shifted by (10, 20), scale 2
    m.a = 2, m.e = 2, m.c = 10, m.f = 20;
    PixelBox box;
    // 4 x 3 picture: pixel squares from -0.5 to 3.5 / 2.5 -> screen 9..17, 19..25
    ASSERT_TRUE(picture_screen_box(m, 4, 3, PixelBox{0, 0, 1000, 1000}, &box));
    EXPECT_EQ(box.left, 9);
    EXPECT_EQ(box.top, 19);
    EXPECT_EQ(box.right, 17);
    EXPECT_EQ(box.bottom, 25);
    ASSERT_TRUE(picture_screen_box(m, 4, 3, PixelBox{12, 0, 14, 22}, &box));
    EXPECT_EQ(box.left, 12);
    EXPECT_EQ(box.right, 14);
    EXPECT_EQ(box.bottom, 22);
    EXPECT_FALSE(picture_screen_box(m, 4, 3, PixelBox{100, 100, 200, 200}, &box));
    EXPECT_FALSE(picture_screen_box(m, 0, 3, PixelBox{0, 0, 1000, 1000}, &box));
    // A huge zoom keeps the box within the clip: no raster larger than the window.
    m.a = 1e7, m.e = 1e7;
    ASSERT_TRUE(picture_screen_box(m, 4, 3, PixelBox{0, 0, 800, 600}, &box));
    EXPECT_EQ(box.right - box.left, 800);
    EXPECT_EQ(box.bottom - box.top, 600);
}

std::vector<uint8_t> dib24(int32_t w, int32_t h) {
    const size_t stride = (static_cast<size_t>(w) * 24 + 31) / 32 * 4;
    std::vector<uint8_t> dib(40 + stride * h, 0);
    put_u32(dib.data(), 0, 40);
    put_i32(dib.data(), 4, w);
    put_i32(dib.data(), 8, h);
    put_u16(dib.data(), 12, 1);
    put_u16(dib.data(), 14, 24);
    return dib;
}

TEST(PicturePlacement, MappedRasterPutsPicturePixelsWhereTheMapSays) {
    // Source 3 x 3, picture pixel (x, y from the top) has colour 10 x + y + 1.
    std::vector<uint8_t> src_dib = dib24(3, 3);
    RasterView src;
    ASSERT_TRUE(raster_view_of_dib(src_dib.data(), src_dib.size(), &src));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) raster_pixel_set(src, x, 2 - y, 10 * x + y + 1);
    raster_set_key(&src, 0xFFFFFF);

    // A quarter turn about the first point (0, 0) -> (5, 5): picture +x to
    // screen +y, picture +y to screen -x.
    const int32_t pic[2][2] = {{0, 0}, {1, 0}};
    const double element[2][2] = {{5, 5}, {5, 6}};
    PixelMap m;
    ASSERT_EQ(picture_symbol_map(pic, 2, element, 2, 1, 1, &m), 2);
    PixelBox box;
    ASSERT_TRUE(picture_screen_box(m, 3, 3, PixelBox{0, 0, 100, 100}, &box));
    EXPECT_EQ(box.left, 3);
    EXPECT_EQ(box.top, 5);
    EXPECT_EQ(box.right, 6);
    EXPECT_EQ(box.bottom, 8);

    for (bool top_down : {true, false}) {
        std::vector<uint8_t> out_dib = dib24(box.right - box.left, box.bottom - box.top);
        RasterView out;
        ASSERT_TRUE(raster_view_of_dib(out_dib.data(), out_dib.size(), &out));
        out.origin_x = box.left;
        out.origin_y = box.top;
        raster_set_key(&out, 0xFFFFFF);
        picture_render_mapped(src, m, out, top_down);
        auto at = [&](int sx, int sy) {
            const int row = top_down ? sy - box.top : box.bottom - 1 - sy;
            return raster_pixel_get(out, sx - box.left, row);
        };
        // screen (5 - y, 5 + x) shows picture (x, y)
        EXPECT_EQ(at(5, 5), 1);        // (0, 0)
        EXPECT_EQ(at(5, 6), 11);       // (1, 0)
        EXPECT_EQ(at(4, 5), 2);        // (0, 1)
        EXPECT_EQ(at(4, 6), 12);       // (1, 1)
        EXPECT_EQ(at(3, 5), 3);        // (0, 2)
        EXPECT_EQ(at(4, 7), 22);       // (2, 1)
        EXPECT_EQ(at(3, 7), 23);       // (2, 2)
        // (2, 0), the picture's top right corner, has three of its four
        // sampling neighbours (right and above) outside: transparent.
        EXPECT_EQ(at(5, 7), 0xFFFFFF);
    }
}

}  // namespace
