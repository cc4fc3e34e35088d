// Loaded pictures and picture symbols: stored BMP images of every depth read
// into 24-bit pixels, damaged ones refused, loading from a real drawing's
// blob linking only what loaded, and picture symbols composed on a small
// pixel screen (opaque and transparent, the exact pixels the placement
// puts where), measured in model units, and refused with one message when
// the picture has too few reference points.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "base/byte_order.h"
#include "render/images/bmp_image.h"
#include "render/images/loaded_images.h"
#include "render/images/conventional_image_store.h"
#include "render/images/picture_records.h"
#include "render/output/bent_pictures.h"
#include "render/output/symbol_drawing.h"
#include "stages/points_elements/marking_contours.h"
#include "store/drawing_header.h"
#include "store/records.h"
#include "tests/output/element_chain_fixture.h"

using namespace output_test;
using store_test::shown;

namespace {

// ---------------------------------------------------------------- BMP files
// A BMP file of w x h with `bits` per pixel; palette entries given; rows
// given top row first as raw bytes (padded here).
std::vector<uint8_t> bmp_file(int32_t w, int32_t h, unsigned bits, const std::vector<uint32_t>& palette,
                              const std::vector<std::vector<uint8_t>>& rows_top_first, bool top_down = false) {
    const size_t stride = (static_cast<size_t>(w) * bits + 31) / 32 * 4;
    const size_t offset = 14 + 40 + 4 * palette.size();
    std::vector<uint8_t> f(offset + stride * static_cast<size_t>(h), 0);
    f[0] = 'B', f[1] = 'M';
    put_u32(f.data(), 2, static_cast<uint32_t>(f.size()));
    put_u32(f.data(), 10, static_cast<uint32_t>(offset));
    put_u32(f.data(), 14, 40);
    put_i32(f.data(), 18, w);
    put_i32(f.data(), 22, top_down ? -h : h);
    put_u16(f.data(), 26, 1);
    put_u16(f.data(), 28, static_cast<uint16_t>(bits));
    put_u32(f.data(), 46, static_cast<uint32_t>(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) put_u32(f.data(), 54 + 4 * i, palette[i]);
    for (int32_t y = 0; y < h; ++y) {
        const int32_t stored = top_down ? y : h - 1 - y;
        std::memcpy(f.data() + offset + stride * static_cast<size_t>(stored), rows_top_first[static_cast<size_t>(y)].data(),
                    rows_top_first[static_cast<size_t>(y)].size());
    }
    return f;
}

// Pixel (x, y from the top) of a 24-bit bottom-up DIB as 0xRRGGBB.
uint32_t dib_pixel(const std::vector<uint8_t>& dib, int32_t x, int32_t y) {
    const int32_t w = get_i32(dib.data(), 4), h = get_i32(dib.data(), 8);
    const size_t stride = (static_cast<size_t>(w) * 24 + 31) / 32 * 4;
    const uint8_t* p = dib.data() + 40 + stride * static_cast<size_t>(h - 1 - y) + 3 * static_cast<size_t>(x);
    return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
}

TEST(LoadedPictureFiles, EveryDepthReadsToTheSamePixels) {
    // The picture: top row red, green; bottom row blue, white.
    const uint32_t want[2][2] = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}};
    const std::vector<uint32_t> pal = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    const std::vector<Case> cases = {
        {"24 bits", bmp_file(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}})},
        {"24 bits top down", bmp_file(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}, true)},
        {"32 bits", bmp_file(2, 2, 32, {}, {{0, 0, 255, 0, 0, 255, 0, 0}, {255, 0, 0, 0, 255, 255, 255, 0}})},
        {"8 bits", bmp_file(2, 2, 8, pal, {{0, 1}, {2, 3}})},
        {"4 bits", bmp_file(2, 2, 4, pal, {{0x01}, {0x23}})},
    };
    for (const Case& k : cases) {
        std::vector<uint8_t> dib;
        int32_t w = 0, h = 0;
        ASSERT_TRUE(bmp_to_dib24(k.file.data(), k.file.size(), &dib, &w, &h)) << k.what;
        EXPECT_EQ(w, 2) << k.what;
        EXPECT_EQ(h, 2) << k.what;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) EXPECT_EQ(dib_pixel(dib, x, y), want[y][x]) << k.what << " " << x << "," << y;
    }
    // One bit: the first pixel takes entry 1, the second entry 0.
    std::vector<uint8_t> mono = bmp_file(2, 1, 1, {0x000000, 0xFFFFFF}, {{0x80}});
    std::vector<uint8_t> dib;
    int32_t w, h;
    ASSERT_TRUE(bmp_to_dib24(mono.data(), mono.size(), &dib, &w, &h));
    EXPECT_EQ(dib_pixel(dib, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(dib_pixel(dib, 1, 0), 0x000000u);
}

TEST(LoadedPictureFiles, DamagedFilesAreRefused) {
    const std::vector<uint8_t> good = bmp_file(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    };
    std::vector<Case> cases;
    cases.push_back({"truncated rows", std::vector<uint8_t>(good.begin(), good.end() - 4)});
    cases.push_back({"header only", std::vector<uint8_t>(good.begin(), good.begin() + 30)});
    std::vector<uint8_t> f = good;
    f[0] = 'X';
    cases.push_back({"no BM", f});
    f = good;
    put_u32(f.data(), 14, 0x7FFFFFFF);
    cases.push_back({"info header longer than the file", f});
    f = good;
    put_i32(f.data(), 18, -2);
    cases.push_back({"negative width", f});
    f = good;
    put_u32(f.data(), 30, 1);
    cases.push_back({"compressed", f});
    f = good;
    put_i32(f.data(), 18, 0x10000);
    put_i32(f.data(), 22, 0x10000);
    cases.push_back({"huge sizes", f});
    f = good;
    put_u16(f.data(), 28, 16);
    cases.push_back({"16 bits", f});
    for (const Case& k : cases) {
        std::vector<uint8_t> dib;
        int32_t w = 0, h = 0;
        EXPECT_FALSE(bmp_to_dib24(k.file.data(), k.file.size(), &dib, &w, &h)) << k.what;
    }
}

// ---------------------------------------------------------------- records
// A 4 x 3 picture, colour (x, y from the top) = 0x10 * (y + 1) << 16 | x + 1,
// except the key pixel, white, at the top right (x 3, row 2 from the bottom).
constexpr int32_t PW = 4, PH = 3;
uint32_t picture_colour(int32_t x, int32_t y) {
    if (x == 3 && y == 0) return 0xFFFFFF;
    return (static_cast<uint32_t>(0x10 * (y + 1)) << 16) | static_cast<uint32_t>(x + 1);
}

std::vector<uint8_t> picture_bmp() {
    std::vector<std::vector<uint8_t>> rows;
    for (int32_t y = 0; y < PH; ++y) {
        std::vector<uint8_t> r;
        for (int32_t x = 0; x < PW; ++x) {
            uint32_t c = picture_colour(x, y);
            r.push_back(static_cast<uint8_t>(c));
            r.push_back(static_cast<uint8_t>(c >> 8));
            r.push_back(static_cast<uint8_t>(c >> 16));
        }
        rows.push_back(r);
    }
    return bmp_file(PW, PH, 24, {}, rows);
}

PictureFields picture_fields(uint32_t id, int points, bool transparent) {
    PictureFields f;
    f.id = id;
    f.point_count = points;
    f.transparent = transparent;
    f.height_mm = static_cast<float>(PH);  // one model unit per pixel at 1:1
    f.points[0][0] = 0, f.points[0][1] = 0;
    f.points[1][0] = 2, f.points[1][1] = 0;
    f.points[2][0] = 0, f.points[2][1] = 2;
    std::strcpy(f.name, "УИ1001");
    f.key_x = 3;
    f.key_row = 2;
    return f;
}

std::vector<uint8_t> symbol(uint32_t code, std::vector<Point2> pts) {
    const size_t size = element_symbol_items + element_symbol_item_size * pts.size();
    std::vector<uint8_t> r = element(element_kind_symbol, size, 1);
    put_u16(r.data(), element_symbol_code, static_cast<uint16_t>(code));
    put_u16(r.data(), element_symbol_count, static_cast<uint16_t>(pts.size()));
    for (size_t i = 0; i < pts.size(); ++i)
        put_point2(r.data(), element_symbol_items + element_symbol_item_size * i + 4, pts[i]);
    return r;
}

// ---------------------------------------------------------------- a screen
// A 40 x 40 screen of 0xRRGGBB pixels on which stretch_dib really applies
// its raster operation (1:1 copies only, as the picture drawing makes).
constexpr int SW = 40, SH = 40;
std::vector<uint32_t> screen;
int blits = 0;

int screen_stretch(void* dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                   const CanvasBitmap* bm, uint32_t rop) {
    ++blits;
    recording_canvas_ops.stretch_dib(dc, x, y, w, h, sx, sy, sw, sh, bm, rop);
    const size_t stride = (static_cast<size_t>(bm->width) * 24 + 31) / 32 * 4;
    const uint8_t* bits = static_cast<const uint8_t*>(bm->bits);
    for (int32_t row = 0; row < h; ++row)
        for (int32_t col = 0; col < w; ++col) {
            const int32_t X = x + col, Y = y + row;
            if (X < 0 || Y < 0 || X >= SW || Y >= SH) continue;
            const uint8_t* p = bits + stride * static_cast<size_t>(bm->height - 1 - row) + 3 * static_cast<size_t>(col);
            const uint32_t s = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
            uint32_t& d = screen[static_cast<size_t>(Y * SW + X)];
            if (rop == rop_src_copy) d = s;
            if (rop == rop_src_invert) d ^= s;
            if (rop == rop_src_and) d &= s;
        }
    return h;
}

class PictureSymbolTest : public ElementChainTest {
protected:
    PixelCanvasOps ops;
    void SetUp() override {
        ElementChainTest::SetUp();
        set_drawing_scale(1.0);
        loaded_images_free(nullptr);
        picture_symbols_bind();
        picture_symbol_messages_reset();
        ops = recording_canvas_ops;
        ops.stretch_dib = screen_stretch;
        screen.assign(SW * SH, 0xABCDEF);
        blits = 0;
    }
    void TearDown() override {
        loaded_images_free(nullptr);
        picture_symbol_drawer = picture_symbol_drawer_unbound;
        bind_current_drawing_header(nullptr);
        ElementChainTest::TearDown();
    }
    // Stores the picture's BMP as a blob and its record in the chain; returns
    // the record as stored.
    std::vector<uint8_t> store_picture(const PictureFields& fields, const std::vector<uint8_t>& bmp) {
        PictureFields f = fields;
        f.blob = blob_write(df, static_cast<uint32_t>(bmp.size()), bmp.data());
        f.blob_length = static_cast<uint32_t>(bmp.size());
        uint8_t rec[74];
        picture_record_build(f, rec);
        RecordRef head = get_u32(df->header, header_pictures);
        record_add(df, &head, rec, &page_buffers[table_pictures]);
        put_u32(df->header, header_pictures, head);
        return std::vector<uint8_t>(rec, rec + 74);
    }
    void load(const PictureFields& f) {
        std::vector<uint8_t> rec = store_picture(f, picture_bmp());
        ASSERT_EQ(load_conventional_image(rec.data()), 1);
    }
    void draw(const std::vector<uint8_t>& sym, RecView& v) {
        v->canvas.ops = &ops;
        draw_symbol(v.v(), sym.data(), nullptr, 1);
    }
    uint32_t at(int x, int y) const { return screen[static_cast<size_t>(y * SW + x)]; }
};

TEST_F(PictureSymbolTest, LoadingLinksOnlyWhatLoaded) {
    load(picture_fields(1001, 1, false));
    LoadedImage* e = loaded_image_find(1001);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->width, PW);
    EXPECT_EQ(e->height, PH);
    EXPECT_STREQ(e->name, "УИ1001");
    EXPECT_EQ(dib_pixel(e->dib, 1, 2), picture_colour(1, 2));
    EXPECT_EQ(loaded_images_low_count(), 1);

    // A record whose blob length differs from the stored one, and one whose
    // BMP is damaged: the document-failure message, nothing linked.
    PictureFields f = picture_fields(1002, 1, false);
    std::vector<uint8_t> rec = store_picture(f, picture_bmp());
    put_u32(rec.data(), 62, get_u32(rec.data(), 62) + 10);
    shown().clear();
    EXPECT_EQ(load_conventional_image(rec.data()), 0);
    std::vector<uint8_t> broken = picture_bmp();
    put_u32(broken.data(), 14, 0x7FFF);
    rec = store_picture(picture_fields(1003, 1, false), broken);
    EXPECT_EQ(load_conventional_image(rec.data()), 0);
    EXPECT_EQ(shown().size(), 2u);
    EXPECT_EQ(loaded_image_find(1002), nullptr);
    EXPECT_EQ(loaded_image_find(1003), nullptr);
    EXPECT_EQ(loaded_images.size(), 1u);

    // Freeing another drawing's pictures keeps these.
    DrawingFile other;
    loaded_images_free(&other);
    EXPECT_EQ(loaded_images.size(), 1u);
    loaded_images_free(df);
    EXPECT_TRUE(loaded_images.empty());
}

TEST_F(PictureSymbolTest, KeyPixelOutsideThePictureDropsTransparency) {
    PictureFields f = picture_fields(1001, 1, true);
    f.key_x = 40;  // past the picture's right edge
    load(f);
    EXPECT_FALSE(loaded_image_find(1001)->flags & loaded_flag_transparent);
}

TEST_F(PictureSymbolTest, OnePointPlacesEveryPixelOneToOne) {
    load(picture_fields(1001, 1, false));
    RecView v;
    draw(symbol(1001, {{10, 20}}), v);
    // The picture's pixel (x, y) lands at (10 + x, 20 + y); around it the
    // screen is untouched.
    for (int y = 18; y < 25; ++y)
        for (int x = 8; x < 16; ++x) {
            const bool inside = x >= 10 && x < 10 + PW && y >= 20 && y < 20 + PH;
            EXPECT_EQ(at(x, y), inside ? picture_colour(x - 10, y - 20) : 0xABCDEFu) << x << "," << y;
        }
    std::vector<const CanvasCall*> calls = v.of_kind(call_stretch_dib);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]->args[8], static_cast<int32_t>(rop_src_copy));
}

TEST_F(PictureSymbolTest, TransparentPictureLeavesTheBackgroundAtTheKey) {
    load(picture_fields(1001, 1, true));
    RecView v;
    draw(symbol(1001, {{10, 20}}), v);
    EXPECT_EQ(at(13, 20), 0xABCDEFu);  // the key pixel
    // A pixel is shown when it and at least one more of its sampling
    // neighbours (right, above-right, above in raster rows) are picture.
    auto is_picture = [](int x, int y) { return x >= 0 && x < PW && y >= 0 && y < PH && !(x == 3 && y == 0); };
    for (int y = 0; y < PH; ++y)
        for (int x = 0; x < PW; ++x) {
            int kept = is_picture(x, y) + is_picture(x + 1, y) + is_picture(x + 1, y - 1) + is_picture(x, y - 1);
            const bool shown = is_picture(x, y) && kept >= 2;
            EXPECT_EQ(at(10 + x, 20 + y), shown ? picture_colour(x, y) : 0xABCDEFu) << x << "," << y;
        }
    std::vector<const CanvasCall*> calls = v.of_kind(call_stretch_dib);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0]->args[8], static_cast<int32_t>(rop_src_invert));
    EXPECT_EQ(calls[1]->args[8], static_cast<int32_t>(rop_src_and));
    EXPECT_EQ(calls[2]->args[8], static_cast<int32_t>(rop_src_invert));
}

TEST_F(PictureSymbolTest, TwoPointsTurnAndScaleThePicture) {
    // Picture points (0, 0) and (2, 0) onto (10, 20) and (10, 24): the
    // picture's x runs down the screen at twice its size, its y leftwards.
    load(picture_fields(1001, 2, false));
    std::vector<uint8_t> sym = symbol(1001, {{10, 20}, {10, 24}});
    Box b;
    ASSERT_EQ(draw_symbol(nullptr, sym.data(), &b, 0), 1);
    EXPECT_NEAR(b.min_x, 10 - 2 * (PH - 0.5), 1e-9);
    EXPECT_NEAR(b.max_x, 11, 1e-9);
    EXPECT_NEAR(b.min_y, 19, 1e-9);
    EXPECT_NEAR(b.max_y, 20 + 2 * (PW - 0.5), 1e-9);
    RecView v;
    draw(sym, v);
    // Picture pixel (1, 1) (x 1, y 1 from the top) centres at (8, 22).
    EXPECT_EQ(at(8, 22), picture_colour(1, 1));
    EXPECT_EQ(at(10, 20), picture_colour(0, 0));
}

TEST_F(PictureSymbolTest, TooFewPicturePointsDrawNothingAndAreReportedOnce) {
    load(picture_fields(1001, 1, false));
    std::vector<uint8_t> sym = symbol(1001, {{10, 20}, {10, 24}});
    for (int paint = 0; paint < 3; ++paint) {
        RecView v;
        draw(sym, v);
        EXPECT_EQ(blits, 0);
    }
    shown().clear();
    picture_symbol_messages_flush();
    picture_symbol_messages_flush();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].find("количество опорных точек"), std::string::npos);
}

TEST_F(PictureSymbolTest, MissingPictureOrFourPointsDrawNothing) {
    load(picture_fields(1001, 3, false));
    const std::vector<std::vector<uint8_t>> syms = {
        symbol(1002, {{10, 20}}),                                  // no such picture
        symbol(1001, {{10, 20}, {12, 20}, {10, 22}, {14, 24}}),    // bent pictures are not drawn
        symbol(1001, {{10, 20}, {10, 20}}),                        // coincident points: moved only
    };
    for (size_t i = 0; i + 1 < syms.size(); ++i) {
        RecView v;
        draw(syms[i], v);
        EXPECT_EQ(blits, 0) << i;
        Box b;
        EXPECT_EQ(draw_symbol(nullptr, syms[i].data(), &b, 0), 0) << i;
    }
    // Coincident element points fall back to the one-point placement.
    RecView v;
    draw(syms.back(), v);
    EXPECT_EQ(at(10, 20), picture_colour(0, 0));
}

// ---------------------------------------------------------------- images
// The user's images as the dialogs store them: three added (their records
// share a page), the middle one removed; the others keep their pixels and
// find their records by id, and their symbols still draw.
TEST_F(PictureSymbolTest, RemovingAnImageKeepsTheOthersBoundToTheirRecords) {
    const std::vector<uint8_t> bmp = picture_bmp();
    for (uint32_t id : {1001u, 1002u, 1003u}) {
        PictureFields f = picture_fields(id, 1, false);
        std::snprintf(f.name, sizeof f.name, "УИ%u", id);
        ASSERT_EQ(conventional_image_add(f, bmp.data(), bmp.size()), 1) << id;
    }
    EXPECT_EQ(conventional_image_ids(), (std::vector<uint32_t>{1001, 1002, 1003}));
    remove_conventional_image(1002);
    remove_conventional_image(4242);  // no such image: nothing
    EXPECT_EQ(conventional_image_ids(), (std::vector<uint32_t>{1001, 1003}));
    EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001, 1003}));
    for (uint32_t id : {1001u, 1003u}) {
        LoadedImage* e = loaded_image_find(id);
        ASSERT_NE(e, nullptr);
        RecordRef ref = e->record;
        const unsigned char* r = record_read_at(df, &ref, &page_buffers[table_pictures]);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(get_u32(r, picture_id), id);
        PictureFields back;
        std::vector<uint8_t> data;
        ASSERT_EQ(conventional_image_read(id, &back, &data), 1);
        EXPECT_EQ(data, bmp);
    }
    PictureFields gone;
    std::vector<uint8_t> data;
    EXPECT_EQ(conventional_image_read(1002, &gone, &data), 0);
    RecView v;
    draw(symbol(1003, {{10, 20}}), v);
    EXPECT_EQ(at(10, 20), picture_colour(0, 0));
    EXPECT_EQ(conventional_image_names(1001), (std::vector<std::string>{"УИ1003"}));
}

// Show mode's OK: the stored record and the loaded entry take the new
// fields at once (the key pixel's transparency shows without reopening).
TEST_F(PictureSymbolTest, ChangingAnImageReloadsIt) {
    const std::vector<uint8_t> bmp = picture_bmp();
    ASSERT_EQ(conventional_image_add(picture_fields(1001, 1, false), bmp.data(), bmp.size()), 1);
    PictureFields f = picture_fields(1001, 2, true);
    std::strcpy(f.name, "Дверь");
    f.height_mm = 7.5f;
    ASSERT_EQ(conventional_image_update(f), 1);
    PictureFields back;
    std::vector<uint8_t> data;
    ASSERT_EQ(conventional_image_read(1001, &back, &data), 1);
    EXPECT_EQ(back.point_count, 2);
    EXPECT_TRUE(back.transparent);
    EXPECT_STREQ(back.name, "Дверь");
    EXPECT_EQ(back.height_mm, 7.5f);
    EXPECT_EQ(data, bmp);
    LoadedImage* e = loaded_image_find(1001);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->point_count, 2);
    EXPECT_TRUE(e->flags & loaded_flag_transparent);
    EXPECT_STREQ(e->name, "Дверь");
    EXPECT_EQ(loaded_images.size(), 1u);
}

// A four-point symbol whose element number equals a user's image id: its
// bent picture goes under an id of its own, replaces itself when bent
// again, and the user's image stays whole.
TEST_F(PictureSymbolTest, BentPicturesNeverTakeAUsersImage) {
    const std::vector<uint8_t> bmp = picture_bmp();
    ASSERT_EQ(conventional_image_add(picture_fields(1001, 1, false), bmp.data(), bmp.size()), 1);
    PictureFields four = picture_fields(1002, 4, false);
    const int32_t pts[4][2] = {{0, 1}, {3, 1}, {1, 1}, {2, 1}};
    std::memcpy(four.points, pts, sizeof pts);
    ASSERT_EQ(conventional_image_add(four, bmp.data(), bmp.size()), 1);
    const RecordRef ref = add(symbol(1002, {{10, 20}, {16, 20}, {12, 18}, {14, 18}}), 1001);
    EXPECT_EQ(bent_picture_id(1001), 56001u);
    EXPECT_EQ(bent_picture_id(0), 0u);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(bent_picture_prepare(ref), 1) << run;
        EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001, 1002, 56001})) << run;
    }
    EXPECT_EQ(bent_pictures_in_preparation(), 0);
    LoadedImage* bent = loaded_image_find(56001);
    ASSERT_NE(bent, nullptr);
    EXPECT_EQ(bent->point_count, 2);
    EXPECT_STREQ(bent->name, "SPL56001");
    EXPECT_FALSE(bent->flags & loaded_flag_temporary);
    // It is marked with the points it was made for: a moved control point
    // no longer matches, and the symbol is drawn from a preview again.
    double points[4][2] = {{10, 20}, {16, 20}, {12, 18}, {14, 18}};
    EXPECT_TRUE(bent_picture_matches(bent->points, points));
    points[3][1] = 17;
    EXPECT_FALSE(bent_picture_matches(bent->points, points));
    EXPECT_EQ(loaded_images_low_count(), 2);
    PictureFields user;
    std::vector<uint8_t> data;
    ASSERT_EQ(conventional_image_read(1001, &user, &data), 1);
    EXPECT_EQ(data, bmp);
    // The symbol is drawn from the stored picture: its box spans the
    // Bezier's start and end.
    Box b;
    ASSERT_EQ(draw_symbol(nullptr, stored(1001).data(), &b, 0), 1);
    EXPECT_LE(b.min_x, 10.0);
    EXPECT_GE(b.max_x, 16.0);
    // No picture of four points, or an element that is no symbol: nothing.
    const RecordRef three = add(symbol(1001, {{10, 20}, {16, 20}, {12, 18}, {14, 18}}), 7);
    EXPECT_EQ(bent_picture_prepare(three), 0);
    EXPECT_EQ(loaded_image_find(bent_picture_id(7)), nullptr);
}

// The bend runs without the lock: abandoning it and removing its source
// picture meanwhile stores nothing and reads no freed memory.
TEST_F(PictureSymbolTest, AbandonedBendStoresNothing) {
    // A picture large enough that its final bend takes a while.
    const int32_t w = 1200, h = 900;
    std::vector<std::vector<uint8_t>> rows(h, std::vector<uint8_t>(3 * w, 0x5A));
    const std::vector<uint8_t> big = bmp_file(w, h, 24, {}, rows);
    PictureFields four = picture_fields(1001, 4, false);
    four.height_mm = static_cast<float>(h);
    const int32_t pts[4][2] = {{0, 450}, {1199, 450}, {400, 450}, {800, 450}};
    std::memcpy(four.points, pts, sizeof pts);
    ASSERT_EQ(conventional_image_add(four, big.data(), big.size()), 1);
    const RecordRef ref = add(symbol(1001, {{0, 900}, {1200, 900}, {300, 0}, {900, 0}}), 5);
    int result = -1;
    std::thread worker([&] { result = bent_picture_prepare(ref); });
    while (bent_pictures_in_preparation() == 0 && result < 0) std::this_thread::yield();
    bent_pictures_abandon(5);
    remove_conventional_image(1001);
    worker.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(bent_pictures_in_preparation(), 0);
    EXPECT_TRUE(picture_ids().empty());
}

// Closing the drawing abandons every bend and then waits for the threads
// while it holds the drawing lock: a bend abandoned so ends without that
// lock (the wait would otherwise last until the thread is killed), storing
// nothing.
TEST_F(PictureSymbolTest, BendAbandonedByACloseHoldingTheLockEnds) {
    const int32_t w = 1200, h = 900;
    std::vector<std::vector<uint8_t>> rows(h, std::vector<uint8_t>(3 * w, 0x5A));
    const std::vector<uint8_t> big = bmp_file(w, h, 24, {}, rows);
    PictureFields four = picture_fields(1001, 4, false);
    four.height_mm = static_cast<float>(h);
    const int32_t pts[4][2] = {{0, 450}, {1199, 450}, {400, 450}, {800, 450}};
    std::memcpy(four.points, pts, sizeof pts);
    ASSERT_EQ(conventional_image_add(four, big.data(), big.size()), 1);
    const RecordRef ref = add(symbol(1001, {{0, 900}, {1200, 900}, {300, 0}, {900, 0}}), 5);
    ASSERT_NE(drawing_critical_section, nullptr);
    std::atomic<int> result{-1};
    std::thread worker([&] { result = bent_picture_prepare(ref); });
    while (bent_pictures_in_preparation() == 0 && result < 0) std::this_thread::yield();
    document_lock_acquire();
    bent_pictures_abandon(0);
    const auto start = std::chrono::steady_clock::now();
    while (result < 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool ended = result >= 0;
    document_lock_release();  // lets a blocked worker end, so the test never hangs
    worker.join();
    EXPECT_TRUE(ended) << "the abandoned bend waited for the drawing lock";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(bent_pictures_in_preparation(), 0);
    EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001}));
}

// Deleting a symbol element deletes its bent picture (entry, record and
// data), whose id would otherwise be found by the next element given the
// same number; another symbol's bent picture and the user's images stay.
TEST_F(PictureSymbolTest, DeletingASymbolDeletesItsBentPicture) {
    const std::vector<uint8_t> bmp = picture_bmp();
    ASSERT_EQ(conventional_image_add(picture_fields(1001, 1, false), bmp.data(), bmp.size()), 1);
    PictureFields four = picture_fields(1002, 4, false);
    const int32_t pts[4][2] = {{0, 1}, {3, 1}, {1, 1}, {2, 1}};
    std::memcpy(four.points, pts, sizeof pts);
    ASSERT_EQ(conventional_image_add(four, bmp.data(), bmp.size()), 1);
    std::vector<uint8_t> doomed = symbol(1002, {{10, 20}, {16, 20}, {12, 18}, {14, 18}});
    put_u16(doomed.data(), element_flags, static_cast<uint16_t>(get_u16(doomed.data(), element_flags) | element_flag_marked));
    const RecordRef a = add(doomed, 9);
    ASSERT_EQ(bent_picture_prepare(a), 1);
    const RecordRef b = add(symbol(1002, {{30, 20}, {36, 20}, {32, 18}, {34, 18}}), 3);
    ASSERT_EQ(bent_picture_prepare(b), 1);
    ASSERT_EQ(picture_ids(), (std::vector<uint32_t>{1001, 1002, 55009, 55003}));
    unsigned char* p = projection.data();
    EXPECT_EQ(delete_marked_elements(df, &p, false, DeletionHooks{}), 1);
    EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001, 1002, 55003}));
    PictureFields f;
    std::vector<uint8_t> data;
    EXPECT_EQ(conventional_image_read(55009, &f, &data), 0);
    ASSERT_EQ(conventional_image_read(55003, &f, &data), 1);
    ASSERT_EQ(conventional_image_read(1001, &f, &data), 1);
    EXPECT_EQ(data, bmp);
    // Discarding a number that has no bent picture changes nothing.
    bent_picture_discard(4);
    bent_picture_discard(0);
    EXPECT_EQ(picture_ids(), (std::vector<uint32_t>{1001, 1002, 55003}));
}

}  // namespace
