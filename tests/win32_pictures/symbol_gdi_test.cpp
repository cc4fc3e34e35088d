// Conventional symbols and picture symbols on a real GDI memory device: the
// sector direction of the circle signs, the one-pixel dot, the background
// fill that hides what lies under a closed sign, a transparent picture that
// leaves the background at its key colour, and a contact sheet of every
// symbol at two scales (symbols_contact.png, for review).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/images/loaded_images.h"
#include "render/images/picture_records.h"
#include "render/output/symbol_catalog.h"
#include "render/output/symbol_drawing.h"
#include "tests/output/output_test_support.h"
#include "tests/win32_output/dib_picture.h"

using namespace output_test;

namespace {

std::vector<uint8_t> symbol(uint32_t code, std::vector<Point2> pts) {
    const size_t size = element_symbol_items + element_symbol_item_size * pts.size();
    std::vector<uint8_t> r = element(element_kind_symbol, size, 1);
    put_u16(r.data(), element_symbol_code, static_cast<uint16_t>(code));
    put_u16(r.data(), element_symbol_count, static_cast<uint16_t>(pts.size()));
    for (size_t i = 0; i < pts.size(); ++i)
        put_point2(r.data(), element_symbol_items + element_symbol_item_size * i + 4, pts[i]);
    return r;
}

class SymbolGdiTest : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        set_drawing_scale(1.0);
        loaded_images_free(nullptr);
        picture_symbols_bind();
    }
    void TearDown() override {
        loaded_images_free(nullptr);
        picture_symbol_drawer = picture_symbol_drawer_unbound;
        OutputTest::TearDown();
    }
};

TEST_F(SymbolGdiTest, QuarterSignFillsTheSectorBetweenRightAndUp) {
    DibPicture p(100, 100, 1.0, 3);
    // Centre (50, 50), first point 30 to the right: a = 0.
    std::vector<uint8_t> rec = symbol(0, {{80, 50}, {50, 50}});
    ASSERT_EQ(draw_symbol(p.v(), rec.data(), nullptr, 1), 1);
    EXPECT_EQ(p.at(60, 40), black);   // right and up: the filled quarter
    EXPECT_EQ(p.at(40, 60), white);   // left and down: background
    EXPECT_EQ(p.at(40, 40), white);
    EXPECT_EQ(p.at(60, 60), white);
}

TEST_F(SymbolGdiTest, DotBelowOnePixelLightsOnePixel) {
    DibPicture p(60, 60, 0.5, 3);  // 1.5 mm is 0.75 pixel
    // The centre (59, 60) and the circle's point (60.5, 60) fall on one
    // pixel, (30, 30): the dot is that one pixel.
    std::vector<uint8_t> rec = symbol(48, {{59, 60}});
    draw_symbol(p.v(), rec.data(), nullptr, 1);
    EXPECT_EQ(p.count_ink(), 1);
    EXPECT_TRUE(p.ink(30, 30));
}

TEST_F(SymbolGdiTest, ClosedSignHidesTheLineUnderIt) {
    DibPicture p(100, 100, 1.0, 3);
    PenScope pen = canvas_select_pen(&p.view.canvas, PenDesc{pen_solid, 1, black});
    draw_line_segment_xy(p.v(), 0, 50, 99, 50);
    canvas_restore_pen(&pen);
    ASSERT_TRUE(p.ink(50, 50));
    std::vector<uint8_t> rec = symbol(12, {{70, 50}, {50, 50}});  // a square 40 wide about (50, 50)
    draw_symbol(p.v(), rec.data(), nullptr, 1);
    EXPECT_EQ(p.at(50, 50), white);
    EXPECT_EQ(p.at(40, 50), white);
    EXPECT_TRUE(p.ink(10, 50));  // outside the square the line stays
}

TEST_F(SymbolGdiTest, TransparentPictureShowsTheBackgroundAtItsKey) {
    // A 4 x 4 picture: key colour (magenta) in its left half, blue in its
    // right half; stored with the key pixel at (0, row 0).
    const int n = 4;
    std::vector<uint8_t> bmp(14 + 40 + 16 * n, 0);
    bmp[0] = 'B', bmp[1] = 'M';
    put_u32(bmp.data(), 2, static_cast<uint32_t>(bmp.size()));
    put_u32(bmp.data(), 10, 54);
    put_u32(bmp.data(), 14, 40);
    put_i32(bmp.data(), 18, n);
    put_i32(bmp.data(), 22, n);
    put_u16(bmp.data(), 26, 1);
    put_u16(bmp.data(), 28, 24);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            uint8_t* px = bmp.data() + 54 + 12 * y + 3 * x;
            if (x < 2) {
                px[0] = 255, px[1] = 0, px[2] = 255;
            } else {
                px[0] = 255, px[1] = 0, px[2] = 0;
            }
        }
    PictureFields f;
    f.id = 1001;
    f.point_count = 1;
    f.transparent = true;
    f.height_mm = 4;  // with one point at scale 10: 10 screen pixels per picture pixel
    f.key_x = 0;
    f.key_row = 0;
    uint8_t rec[74];
    picture_record_build(f, rec);
    auto e = std::make_unique<LoadedImage>();
    ASSERT_TRUE(loaded_image_from_bmp(rec, bmp.data(), bmp.size(), e.get()));
    e->owner = current_drawing_file();
    loaded_images.push_back(std::move(e));

    DibPicture p(60, 60, 10.0, 3);
    // A green background under the picture.
    HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
    RECT all = {0, 0, 60, 60};
    FillRect(p.dc, &all, green);
    DeleteObject(green);
    std::vector<uint8_t> sym = symbol(1001, {{1, 1}});  // picture pixel (0, 0) at screen (10, 10)
    ASSERT_EQ(draw_symbol(p.v(), sym.data(), nullptr, 1), 1);
    EXPECT_EQ(p.at(12, 25), static_cast<uint32_t>(RGB(0, 200, 0)));  // key half: background
    EXPECT_EQ(p.at(35, 25), static_cast<uint32_t>(RGB(0, 0, 255)));  // blue half: the picture
    EXPECT_EQ(p.at(55, 25), static_cast<uint32_t>(RGB(0, 200, 0)));  // beside the picture
    EXPECT_TRUE(p.write_png("picture_transparent.png"));
}

TEST_F(SymbolGdiTest, ContactSheetOfEverySymbolAtTwoScales) {
    // Cells of 80 pixels: the symbols at scale 1 in the upper rows and at
    // scale 2 (its points half as far apart) below them.
    const int cols = 10, cell = 80;
    const int rows = (static_cast<int>(symbol_catalog_size) + cols - 1) / cols;
    DibPicture p(cols * cell, 2 * rows * cell, 1.0, 3);
    for (int half = 0; half < 2; ++half) {
        const double scale = half == 0 ? 1.0 : 2.0;
        p.view.transform.scale = ViewScale{scale, scale};
        for (size_t i = 0; i < symbol_catalog_size; ++i) {
            const SymbolCatalogEntry& e = symbol_catalog[i];
            const double cx = (static_cast<int>(i % cols) * cell + cell / 2) / scale;
            const double cy = ((static_cast<int>(i / cols) + half * rows) * cell + cell / 2) / scale;
            const double r = 25 / scale;
            std::vector<Point2> pts = {{cx + r, cy}, {cx, cy}, {cx, cy + 0.4 * r}, {cx + 0.8 * r, cy}};
            if (e.code == 22 || e.code == 27 || e.code == 31) pts[2] = {cx + 0.6 * r, cy};
            pts.resize(e.point_count);
            std::vector<uint8_t> rec = symbol(e.code, pts);
            EXPECT_EQ(draw_symbol(p.v(), rec.data(), nullptr, 1), 1) << "code " << e.code;
        }
    }
    EXPECT_GT(p.count_ink(), 0);
    EXPECT_TRUE(p.write_png("symbols_contact.png"));
}

}  // namespace
