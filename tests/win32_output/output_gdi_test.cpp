// The output code drawing through GDI into a 24-bit DIB section: pixel
// checks at places computed from the geometry, the GDI behaviours the
// drawing relies on, a fixture drawing walked into the picture (written as
// output_walk.png into the build folder for review) and picking by a
// simulated click.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "render/output/element_drawing.h"
#include "render/output/gdi_canvas_win.h"
#include "render/output/primitives.h"
#include "render/output/text_output.h"
#include "store/settings_block.h"
#include "tests/output/element_chain_fixture.h"
#include "tests/output/stroke_font_fixture.h"
#include "tests/win32_output/dib_picture.h"

using namespace output_test;

namespace {

class GdiOutputTest : public OutputTest {};

TEST_F(GdiOutputTest, ZeroLengthSegmentLightsExactlyOnePixel) {
    DibPicture p(40, 40);
    PenScope pen = canvas_select_pen(&p.view.canvas, PenDesc{pen_solid, 1, 0});
    draw_line_segment_xy(p.v(), 20.2, 20.1, 20.3, 19.9);
    canvas_restore_pen(&pen);
    EXPECT_EQ(p.count_ink(), 1);
    EXPECT_TRUE(p.ink(20, 20));
}

TEST_F(GdiOutputTest, MarkedSegmentIsMarkedColourToItsEndPixel) {
    DibPicture p(120, 60, 1.0, 4);
    auto el = segment_element({10, 30}, {100, 30}, 2, element_flag_marked);
    draw_segment_element(p.v(), el.data());
    EXPECT_EQ(p.at(55, 30), marked_blue);
    EXPECT_EQ(p.at(100, 30), marked_blue);
    EXPECT_EQ(p.at(10, 30), marked_blue);
    EXPECT_FALSE(p.ink(101, 30));
    for (int x = 0; x < 120; ++x) EXPECT_NE(p.at(x, 30), black) << x;
}

TEST_F(GdiOutputTest, UnequalScalesDrawACircleAsAnEllipse) {
    DibPicture p(260, 160, 2.0, 4, 1.0);
    auto el = element(2, element_size2, 2);
    put_point2(el.data(), element_coords2, Point2{100, 80});  // on the circle, right of the centre
    put_point2(el.data(), element_coords2 + 16, Point2{60, 80});
    draw_circle_element(p.v(), el.data());
    // Centre pixel (120, 80), half axes 80 and 40.
    EXPECT_TRUE(p.ink_near(200, 80, 1));
    EXPECT_TRUE(p.ink_near(40, 80, 1));
    EXPECT_TRUE(p.ink_near(120, 40, 1));
    EXPECT_TRUE(p.ink_near(120, 120, 1));
    EXPECT_FALSE(p.ink_near(120, 80, 20));
    EXPECT_FALSE(p.ink(120, 0));
}

TEST_F(GdiOutputTest, XorBezierHandlesVanishOnASecondDraw) {
    DibPicture p(100, 100, 1.0, 3);
    auto el = element(12, element_size_bezier, 1);
    put_point2(el.data(), element_coords4, Point2{10, 10});
    put_point2(el.data(), element_coords4 + 16, Point2{90, 10});
    put_point2(el.data(), element_coords4 + 32, Point2{10, 80});
    put_point2(el.data(), element_coords4 + 48, Point2{90, 80});
    draw_bezier_handles(p.v(), el.data());
    EXPECT_GT(p.count_ink(), 20);
    draw_bezier_handles(p.v(), el.data());
    EXPECT_EQ(p.count_ink(), 0);
}

TEST_F(GdiOutputTest, DashedPensLeaveGapsAndSolidPensNone) {
    DibPicture p(300, 60, 1.0, 4);
    auto solid = segment_element({10, 10}, {290, 10}, 2);
    auto dashed = segment_element({10, 30}, {290, 30}, 3);
    auto thick_dash_dot = segment_element({10, 50}, {290, 50}, 5);
    draw_segment_element(p.v(), solid.data());
    draw_segment_element(p.v(), dashed.data());
    draw_segment_element(p.v(), thick_dash_dot.data());
    int solid_gaps = 0, dashed_gaps = 0, thick_ink = 0;
    for (int x = 10; x <= 290; ++x) {
        solid_gaps += p.ink(x, 10) ? 0 : 1;
        dashed_gaps += p.ink(x, 30) ? 0 : 1;
        thick_ink += p.ink_near(x, 50, 1) ? 1 : 0;
    }
    EXPECT_EQ(solid_gaps, 0);
    EXPECT_GT(dashed_gaps, 20);
    // Width 2: the dash pattern is the device's affair; only ink is checked.
    EXPECT_GT(thick_ink, 100);
}

TEST_F(GdiOutputTest, GdiCallsTheDrawingReliesOn) {
    DibPicture p(200, 200);
    PixelCanvas* c = &p.view.canvas;
    PenBrushScope s = select_pen_brush(c, PenDesc{pen_solid, 1, 0x0000FF}, BrushDesc{brush_solid, 0x00FF00});
    // A full-ellipse Arc (start point = end point).
    canvas_arc(c, 10, 10, 71, 51, 70, 30, 70, 30);
    // A Pie fills its inside with the brush.
    canvas_pie(c, 100, 10, 181, 91, 180, 50, 140, 10);
    restore_pen_brush(&s);
    EXPECT_TRUE(p.ink_near(10, 30, 1));
    EXPECT_TRUE(p.ink_near(70, 30, 1));
    EXPECT_TRUE(p.ink_near(40, 10, 1));
    EXPECT_TRUE(p.ink_near(40, 50, 1));
    EXPECT_EQ(p.at(160, 30), 0x00FF00u);   // inside the upper-right quarter
    EXPECT_FALSE(p.ink(120, 70));           // outside it
    // PolyBezier passes through its end points.
    PenScope pen = canvas_select_pen(c, PenDesc{pen_solid, 1, 0});
    PointI bz[4] = {{10, 150}, {40, 110}, {80, 190}, {110, 150}};
    canvas_poly_bezier(c, bz, 4);
    canvas_restore_pen(&pen);
    EXPECT_TRUE(p.ink_near(10, 150, 1));
    EXPECT_TRUE(p.ink_near(110, 150, 1));
    // An inside-frame pen of width 2 keeps inside its box.
    PenScope frame = canvas_select_pen(c, PenDesc{pen_inside_frame, 2, 0});
    canvas_ellipse(c, 150, 150, 181, 181);
    canvas_restore_pen(&frame);
    EXPECT_FALSE(p.ink(149, 165));
    EXPECT_FALSE(p.ink(181, 165));
    EXPECT_TRUE(p.ink_near(150, 165, 1));
}

// ---------------------------------------------------------------- texts
using GdiTextTest = StrokeFontTest;

TEST_F(GdiTextTest, StrokesAreAsThickAsTheGlyphPen) {
    // 8.4 pixels per mm: 5/14 mm is trunc(3.0 + 0.5) = 3 pixels.
    DibPicture p(200, 100, 8.4);
    draw_text_at(p.v(), 2, 8, 0, "I");
    // The middle row of the stem: one run of ink, 3 pixels wide.
    int y = static_cast<int>(std::lround((8 - 2.5) * 8.4));
    int run = 0, best = 0;
    for (int x = 0; x < 200; ++x) {
        run = p.ink(x, y) ? run + 1 : 0;
        best = std::max(best, run);
    }
    EXPECT_GE(best, 3);
    EXPECT_LE(best, 4);
}

TEST_F(GdiTextTest, TextInASwappedColourHasNoPixelOfAnotherColour) {
    DibPicture p(300, 100, 8.0);
    uint32_t before = swap_text_colour(0x0000FF);
    draw_text_at(p.v(), 2, 8, 0, "\xAA" "12,5 H");
    swap_text_colour(before);
    int inked = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x) {
            if (!p.ink(x, y)) continue;
            ++inked;
            ASSERT_EQ(p.at(x, y), 0x0000FFu) << x << "," << y;
        }
    EXPECT_GT(inked, 50);
}

TEST_F(GdiTextTest, InkOfALabelLiesInItsMeasuredBox) {
    DibPicture p(400, 120, 4.0);
    const char* text = "SARVOLT 2,5";
    double width = 0, height = 0;
    double depth = measure_text(text, &width, &height);
    draw_text_at(p.v(), 10, 20, 0, text);
    int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 400; ++x)
            if (p.ink(x, y)) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    ASSERT_GE(x1, 0);
    EXPECT_GE(x0, 40 - 1);
    EXPECT_LE(x1, std::lround((10 + width) * 4) + 1);
    EXPECT_NEAR(y0, (20 - (height - depth)) * 4, 1.5);
    EXPECT_NEAR(y1, (20 + depth) * 4, 1.5);
}

// ---------------------------------------------------------------- the walk
uint32_t click_x, click_y;
bool click_armed;

// The pick marker as a pixel probe: a 5 x 5 box about the click, white
// before each element; an element whose drawing inks it is under the click.
int probe_damaged(OutputView* view, int, const uint8_t*) {
    if (!click_armed) return 0;
    PixelCanvas* c = &view->canvas;
    bool hit = false;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            int x = static_cast<int>(click_x) + dx, y = static_cast<int>(click_y) + dy;
            if (canvas_get_pixel(c, x, y) != white) {
                hit = true;
                canvas_set_pixel(c, x, y, white);
            }
        }
    return hit ? 1 : 0;
}

class GdiWalkTest : public ElementChainTest {
protected:
    void SetUp() override {
        ElementChainTest::SetUp();
        output_window_seams.pick_marker_damaged = probe_damaged;
        click_armed = false;
    }
    // Segments of line types 1-7 in rows 20, 40, ... 140 on layer 0; a
    // segment on hidden layer 4 at row 160; a circle, an arc by centre, an
    // arc by three points, a curve and a view break.
    void fixture() {
        for (int t = 1; t <= 7; ++t) add(segment_element({20, 20.0 * t}, {180, 20.0 * t}, t), static_cast<uint32_t>(t));
        add(segment_element({20, 160}, {180, 160}, 1, 0, layer_option(4)), 8);
        auto circle = element(2, element_size2, 1);
        put_point2(circle.data(), element_coords2, Point2{280, 60});
        put_point2(circle.data(), element_coords2 + 16, Point2{250, 60});
        add(circle, 9);
        auto arc = element(3, element_size3, 2);
        put_point2(arc.data(), element_coords3, Point2{280, 140});
        put_point2(arc.data(), element_coords3 + 16, Point2{250, 110});
        put_point2(arc.data(), element_coords3 + 32, Point2{250, 140});
        add(arc, 10);
        auto arc3 = element(4, element_size3, 1);
        put_point2(arc3.data(), element_coords3, Point2{220, 200});
        put_point2(arc3.data(), element_coords3 + 16, Point2{280, 200});
        put_point2(arc3.data(), element_coords3 + 32, Point2{250, 230});
        add(arc3, 11);
        auto brk = element(8, element_size_break, 1);
        put_point2(brk.data(), element_coords2, Point2{20, 200});
        put_point2(brk.data(), element_coords2 + 16, Point2{180, 200});
        add(brk, 12);
        auto hidden = segment_element({20, 220}, {180, 220}, 0);
        add(hidden, 13);
    }
};

TEST_F(GdiWalkTest, FixtureDrawingInksWhereTheGeometrySays) {
    fixture();
    DibPicture p(320, 260, 1.0, 3);
    p.view.visible_layers = 0x0F;  // layer 4 hidden
    p.view.projection = projection.data();
    draw_view_elements(p.v());
    EXPECT_TRUE(p.write_png("output_walk.png"));
    EXPECT_TRUE(p.ink_near(100, 20, 0));                 // main line midpoint
    EXPECT_TRUE(p.ink_near(100, 40, 0));                 // thin line
    EXPECT_FALSE(p.ink_near(100, 160, 2));               // hidden layer leaves background
    EXPECT_TRUE(p.ink_near(250 + 30, 60, 1));            // circle's right point
    EXPECT_TRUE(p.ink_near(250, 90, 1));                 // its top
    EXPECT_TRUE(p.ink_near(250 + 21, 140 - 21, 1));      // the arc's middle (start 0, end -pi/2)
    EXPECT_TRUE(p.ink_near(250, 230, 1));                // three-point arc through its middle
    EXPECT_EQ(p.at(100, 200), break_pink);               // view break
    int grey = 0;                                        // invisible line: grey dashes
    for (int x = 20; x <= 180; ++x) grey += p.at(x, 220) == hidden_grey ? 1 : 0;
    EXPECT_GT(grey, 50);
    EXPECT_LT(grey, 161);
}

TEST_F(GdiWalkTest, NoGdiObjectOutlivesAWalk) {
    fixture();
    DibPicture p(320, 260, 1.0, 3);
    p.view.projection = projection.data();
    draw_view_elements(p.v());
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 20; ++i) draw_view_elements(p.v());
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

TEST_F(GdiWalkTest, ASimulatedClickPicksTheElementUnderIt) {
    fixture();
    DibPicture p(320, 260, 1.0, 3);
    p.view.visible_layers = 0x0F;
    p.view.projection = projection.data();
    click_x = 100, click_y = 41;  // one pixel off the thin line
    click_armed = true;
    draw_view_elements(p.v());
    EXPECT_TRUE(is_marked(2));
    EXPECT_FALSE(is_marked(1));
    EXPECT_EQ(marked_element_count, 1);
}

TEST_F(GdiWalkTest, AClickOnAHiddenLayerPicksNothing) {
    fixture();
    DibPicture p(320, 260, 1.0, 3);
    p.view.visible_layers = 0x0F;
    p.view.projection = projection.data();
    click_x = 100, click_y = 160;
    click_armed = true;
    draw_view_elements(p.v());
    EXPECT_FALSE(is_marked(8));
    EXPECT_EQ(marked_element_count, 0);
}

}  // namespace
