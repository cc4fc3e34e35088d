// Pixel access, sampling and key-colour cleaning on small hand-made 24-bit
// DIBs; expected pixels are worked out by hand from the rules of each routine.
#include "render/images/raster_pixels.h"
#include "render/images/loaded_images.h"
#include "render/images/picture_thumbnails.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/byte_order.h"

namespace {

// A packed 24-bit DIB (40-byte header then rows) of w x h, height negative
// for top-down rows; pixels zeroed.
std::vector<uint8_t> make_dib(int32_t w, int32_t h, uint16_t bits = 24) {
    const int32_t rows = h < 0 ? -h : h;
    const size_t stride = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
    std::vector<uint8_t> dib(40 + stride * rows, 0);
    put_u32(dib.data(), 0, 40);
    put_i32(dib.data(), 4, w);
    put_i32(dib.data(), 8, h);
    put_u16(dib.data(), 12, 1);
    put_u16(dib.data(), 14, bits);
    return dib;
}

uint32_t grey(int b, int g, int r) { return static_cast<uint32_t>(b | g << 8 | r << 16); }

TEST(RasterPixels, ViewSeesRowsBottomUpAndTopDownAlike) {
    // Bottom-up: stored row 0 is row 0; a 3-wide row is padded to 12 bytes.
    std::vector<uint8_t> up = make_dib(3, 2);
    up[40 + 12 + 2 * 3 + 0] = 7;  // stored row 1, x = 2, blue
    RasterView view;
    ASSERT_TRUE(raster_view_of_dib(up.data(), up.size(), &view));
    EXPECT_EQ(raster_pixel_get(view, 2, 1), 7);
    EXPECT_EQ(raster_pixel_get(view, 2, 0), 0);

    // Top-down: the first stored row is the top one, i.e. row 1 of 2.
    std::vector<uint8_t> down = make_dib(3, -2);
    down[40 + 2 * 3 + 2] = 9;  // first stored row, x = 2, red
    ASSERT_TRUE(raster_view_of_dib(down.data(), down.size(), &view));
    EXPECT_EQ(raster_pixel_get(view, 2, 1), 9 << 16);
    EXPECT_EQ(raster_pixel_get(view, 2, 0), 0);

    struct Out { int32_t x, y; };
    for (Out o : {Out{-1, 0}, Out{3, 0}, Out{0, -1}, Out{0, 2}}) {
        EXPECT_EQ(raster_pixel_get(view, o.x, o.y), -1) << o.x << "," << o.y;
        EXPECT_EQ(raster_pixel_set(view, o.x, o.y, 1), 0) << o.x << "," << o.y;
    }
    view.origin_x = 10;
    view.origin_y = 20;
    EXPECT_EQ(raster_pixel_set_offset(view, 12, 20, 0x123456), 1);
    EXPECT_EQ(raster_pixel_get(view, 2, 0), 0x123456);
    EXPECT_EQ(raster_pixel_set_offset(view, 9, 20, 1), 0);
}

TEST(RasterPixels, ViewRefusesOtherFormatsAndShortBlocks) {
    RasterView view;
    std::vector<uint8_t> grey8 = make_dib(2, 2, 8);
    EXPECT_FALSE(raster_view_of_dib(grey8.data(), grey8.size(), &view));
    std::vector<uint8_t> packed = make_dib(2, 2);
    put_u32(packed.data(), 16, 1);  // run-length compressed
    EXPECT_FALSE(raster_view_of_dib(packed.data(), packed.size(), &view));
    std::vector<uint8_t> short_rows = make_dib(4, 4);
    EXPECT_FALSE(raster_view_of_dib(short_rows.data(), short_rows.size() - 1, &view));
    std::vector<uint8_t> huge = make_dib(2, 2);
    put_i32(huge.data(), 4, 0x7FFFFFFF);
    EXPECT_FALSE(raster_view_of_dib(huge.data(), huge.size(), &view));
    EXPECT_EQ(view.bottom, nullptr);
}

TEST(RasterPixels, SampleWeightedMixesByInverseDistance) {
    struct Case { uint32_t c[4]; double d[4]; int count; uint32_t expected; };
    const Case cases[] = {
        // weights 3/4 and 1/4: blue 0.75 x 255 = 191.25 -> 191
        {{0x0000FF, 0x000000}, {1, 3}, 2, 0x0000BF},
        // equal weights of three: (0 + 100 + 201) / 3 = 100.33 -> 100 on every channel
        {{0x000000, 0x646464, 0xC9C9C9}, {1, 1, 1}, 3, 0x646464},
        // a distance of 0 returns that colour unmixed
        {{0x010203, 0xFFFFFF, 0x000000}, {2, 0, 1}, 3, 0xFFFFFF},
        // one colour alone
        {{0xABCDEF}, {0.7}, 1, 0xABCDEF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sample_weighted(c.c, c.d, c.count), c.expected) << std::hex << c.expected;
}

TEST(RasterPixels, SampleKeepsNeighboursInsideAndNotKeyColoured) {
    // 2 x 2: (0,0) blue 0, (1,0) blue 100, (1,1) blue 200, (0,1) blue 40.
    std::vector<uint8_t> dib = make_dib(2, 2);
    RasterView view;
    ASSERT_TRUE(raster_view_of_dib(dib.data(), dib.size(), &view));
    raster_pixel_set(view, 0, 0, 0);
    raster_pixel_set(view, 1, 0, 100);
    raster_pixel_set(view, 1, 1, 200);
    raster_pixel_set(view, 0, 1, 40);
    const uint32_t key = 0x00FF00;
    raster_set_key(&view, key);

    struct Case { double x, y; uint32_t expected; int found; };
    const Case cases[] = {
        {0.0, 0.0, 0, 1},        // exact hit
        {1.0, 1.0, key, 0},      // exact hit, but its three other neighbours lie outside
        {1.0, 0.0, 100, 1},      // exact hit with (1,1) kept as well
        {0.5, 0.5, 85, 1},       // four at equal distance: (0+100+200+40)/4
        {1.5, 0.5, 150, 1},      // two kept: (100+200)/2
        {0.5, 1.5, 120, 1},      // two kept: (40+200)/2
        {1.5, 1.5, key, 0},      // one kept: transparent
        {-1.5, 0.5, key, 0},     // none kept
        {5.0, 5.0, key, 0},      // far outside
    };
    for (const Case& c : cases) {
        int found = -1;
        EXPECT_EQ(raster_sample(view, c.x, c.y, &found), c.expected) << c.x << "," << c.y;
        EXPECT_EQ(found, c.found) << c.x << "," << c.y;
    }

    // A key-coloured neighbour is dropped: (0,1) becomes the key.
    raster_pixel_set(view, 0, 1, key);
    int found = 0;
    EXPECT_EQ(raster_sample(view, 0.5, 0.5, &found), 100u);  // (0+100+200)/3
    EXPECT_EQ(found, 1);
    EXPECT_EQ(raster_sample(view, 0.5, 1.5, &found), key);  // only (1,1) left
    EXPECT_EQ(found, 0);
    EXPECT_EQ(raster_sample(view, 0.5, 1.5, nullptr), key);
}

TEST(RasterPixels, KeyCleaningModesSnapNearKeyPixels) {
    // 4 x 4, key pixel (0, 0) grey 100; each other pixel tests one rule.
    struct Pixel { int32_t x, y; uint32_t colour; bool mode0_t2; bool mode1_t2; bool mode0_t3; };
    const Pixel pixels[] = {
        {1, 0, grey(101, 101, 101), true, true, true},     // step +1 on all channels
        {2, 0, grey(99, 99, 99), true, true, true},        // step -1
        {3, 0, grey(102, 102, 102), false, true, true},    // step 2: mode 0 needs t > 2
        {0, 1, grey(101, 100, 100), false, true, false},   // uneven: only the window
        {1, 1, grey(98, 102, 100), false, true, false},
        {2, 1, grey(103, 100, 100), false, false, false},  // outside the window
        {3, 1, grey(97, 97, 97), false, false, false},     // step 3 >= t
        {0, 2, grey(0, 0, 0), false, false, false},
        {1, 2, grey(100, 100, 100), true, true, true},     // already the key
    };
    struct Run { unsigned t; int mode; int which; };
    for (Run run : {Run{2, 0, 0}, Run{2, 1, 1}, Run{3, 0, 2}, Run{0, 1, 3}}) {
        std::vector<uint8_t> dib = make_dib(4, 4);
        RasterView view;
        ASSERT_TRUE(raster_view_of_dib(dib.data(), dib.size(), &view));
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 4; ++x) raster_pixel_set(view, x, y, 0x405060);
        raster_pixel_set(view, 0, 0, grey(100, 100, 100));
        for (const Pixel& p : pixels) raster_pixel_set(view, p.x, p.y, p.colour);

        uint32_t key = 0;
        ASSERT_TRUE(picture_key_colour_clean(dib.data(), dib.size(), 0, 0, run.t, run.mode, &key));
        EXPECT_EQ(key, 0x646464u);
        for (const Pixel& p : pixels) {
            const bool snapped = run.which == 0 ? p.mode0_t2
                                 : run.which == 1 ? p.mode1_t2
                                 : run.which == 2 ? p.mode0_t3 : p.colour == grey(100, 100, 100);
            const uint32_t expected = snapped ? grey(100, 100, 100) : p.colour;
            EXPECT_EQ(static_cast<uint32_t>(raster_pixel_get(view, p.x, p.y)), expected)
                << "t=" << run.t << " mode=" << run.mode << " at " << p.x << "," << p.y;
        }
        EXPECT_EQ(raster_pixel_get(view, 3, 3), 0x405060);
    }
}

TEST(RasterPixels, KeyCleaningRefusesKeyPixelOutsideOrBadDib) {
    std::vector<uint8_t> dib = make_dib(4, 4);
    dib[40] = 5;
    const std::vector<uint8_t> before = dib;
    uint32_t key = 0xDEAD;
    struct Case { int32_t x, y; };
    for (Case c : {Case{4, 0}, Case{0, 4}, Case{-1, 0}, Case{0, -1}}) {
        EXPECT_FALSE(picture_key_colour_clean(dib.data(), dib.size(), c.x, c.y, 5, 1, &key));
    }
    EXPECT_FALSE(picture_key_colour_clean(dib.data(), 40 + 16, 0, 0, 5, 1, &key));
    EXPECT_EQ(dib, before);
    EXPECT_EQ(key, 0xDEADu);
    // Key colour reported as a COLORREF: red in the low byte.
    dib[40] = 0x11;      // blue
    dib[41] = 0x22;      // green
    dib[42] = 0x33;      // red
    ASSERT_TRUE(picture_key_colour_clean(dib.data(), dib.size(), 0, 0, 0, 0, &key));
    EXPECT_EQ(key, 0x112233u);
}

}  // namespace

// ---------------------------------------------------------------- thumbnails
// A 2 x 1 picture (red, blue) as image 1001: scaled into 30 x 15 at (1, 9),
// a black frame, the id's digits from x = 25 leftwards at y = 27.
TEST(PictureThumbnail, PictureFrameAndDigitsWhereTheyBelong) {
    LoadedImage e;
    e.id = 1001;
    e.width = 2;
    e.height = 1;
    e.point_count = 1;
    e.points[0][0] = 1;
    e.points[0][1] = 0;
    e.dib.assign(40 + 8, 0);
    put_u32(e.dib.data(), 0, 40);
    put_i32(e.dib.data(), 4, 2);
    put_i32(e.dib.data(), 8, 1);
    put_u16(e.dib.data(), 12, 1);
    put_u16(e.dib.data(), 14, 24);
    RasterView src;
    ASSERT_TRUE(raster_view_of_dib(e.dib.data(), e.dib.size(), &src));
    raster_pixel_set(src, 0, 0, 0xFF0000);
    raster_pixel_set(src, 1, 0, 0x0000FF);
    std::vector<uint8_t> t = picture_thumbnail(&e);
    RasterView v;
    ASSERT_TRUE(raster_view_of_dib(t.data(), t.size(), &v));
    ASSERT_EQ(v.width, 32);
    ASSERT_EQ(v.height, 32);
    auto at = [&](int x, int y) { return static_cast<uint32_t>(raster_pixel_get(v, x, 31 - y)); };
    struct Case {
        int x, y;
        uint32_t want;
    };
    const Case cases[] = {
        {0, 0, 0x000000},  {31, 31, 0x000000}, {0, 16, 0x000000}, {16, 0, 0x000000},  // frame
        {1, 5, 0xFFFFFF},  {5, 12, 0xFF0000},  {15, 9, 0xFF0000}, {25, 12, 0x0000FF}, // ground, picture
        {5, 24, 0xFFFFFF},                                                           // below the picture
        {27, 27, 0x000000}, {26, 27, 0xFFFFFF}, {26, 28, 0x000000},                   // "1" at x = 25
        {22, 27, 0x000000}, {23, 27, 0x000000}, {24, 27, 0x000000}, {23, 28, 0xFFFFFF}, // "0" at x = 21
    };
    for (const Case& k : cases) EXPECT_EQ(at(k.x, k.y), k.want) << k.x << "," << k.y;
    // The reference point (1, 0) of the picture: a red cross at (16, 9).
    EXPECT_EQ(at(16, 9), 0xFF0000u);
    EXPECT_EQ(at(17, 9), 0xFF0000u);
}
