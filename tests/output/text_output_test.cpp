// Text output into a view: the text pen, a pen per glyph, the arc over a
// marked number, the DXF entities of a text and the drawn box against the
// measured one, on the program's own fonts.
#include "tests/output/output_test_support.h"
#include "tests/output/stroke_font_fixture.h"

#include <algorithm>
#include <cmath>

#include "render/output/text_output.h"

using namespace output_test;

namespace {

class TextOutputTest : public StrokeFontTest {
protected:
    font_test::Recording strokes(const char* text, double x = 0, double y = 0) {
        font_test::Recording r;
        TextCanvas c = font_test::recording_canvas(&r);
        draw_text_line_canvas(&c, x, y, 0.0, text, nullptr, nullptr);
        return r;
    }
};

TEST_F(TextOutputTest, TextPenWidthFromSheetMillimetres) {
    struct Case {
        double width_mm, scale, drawing_scale;
        int pixels;
    };
    // trunc(width / drawing scale x scale + 0.5), at least 1.
    const Case cases[] = {{0.5, 6, 1, 3}, {0.357, 8.4, 1, 3}, {0.25, 1, 1, 1}, {0.05, 0.5, 1, 1},
                          {0.6, 1, 0.1, 6}, {0.6, 10, 1, 6}, {1.0, 2.4, 1, 2}};
    for (const Case& c : cases) {
        set_drawing_scale(c.drawing_scale);
        RecView v(c.scale);
        PenDesc p = create_text_pen(v.v(), c.width_mm);
        EXPECT_EQ(p.style, pen_solid);
        EXPECT_EQ(p.width, c.pixels) << c.width_mm << " at " << c.scale;
    }
    text_settings.text_colour = 0x0000C0;
    dxf_output_active = 1;
    RecView v(100.0);
    PenDesc p = create_text_pen(v.v(), 0.6);
    EXPECT_EQ(p.width, 1);
    EXPECT_EQ(p.colour, 0x0000C0u);
    EXPECT_EQ(dxf_line_width, 0.6);
}

TEST_F(TextOutputTest, EachGlyphHasItsOwnPenInTheTextColour) {
    text_settings.text_colour = 0x00A000;
    RecView v(20.0);
    draw_text_at(v.v(), 10, 20, 0, "HE");
    auto pens = v.of_kind(call_select_pen);
    ASSERT_EQ(pens.size(), 2u);
    // h/14 of 5 mm at 20 pixels per mm: trunc(7.14 + 0.5) = 7.
    for (auto* p : pens) {
        EXPECT_EQ(p->pen.colour, 0x00A000u);
        EXPECT_EQ(p->pen.width, 7);
    }
    EXPECT_EQ(v.rec.live_objects, 0);
    // No ink of another colour: the end pixels take the pen colour too.
    for (auto* s : v.of_kind(call_set_pixel)) EXPECT_EQ(static_cast<uint32_t>(s->args[2]), 0x00A000u);
}

// Point set of the drawn ink in pixels: line ends and Bezier points, arcs
// by their boxes.
void ink_box(const RecView& v, double* x0, double* y0, double* x1, double* y1) {
    *x0 = *y0 = 1e18;
    *x1 = *y1 = -1e18;
    auto take = [&](double x, double y) {
        *x0 = std::min(*x0, x);
        *y0 = std::min(*y0, y);
        *x1 = std::max(*x1, x);
        *y1 = std::max(*y1, y);
    };
    for (const CanvasCall& c : v.rec.calls) {
        if (c.kind == call_move_to || c.kind == call_line_to) take(c.args[0], c.args[1]);
        if (c.kind == call_arc) {
            take(c.args[0], c.args[1]);
            take(c.args[2] - 1, c.args[3] - 1);
        }
        if (c.kind == call_poly_bezier)
            for (const PointI& p : c.points) take(p.x, p.y);
    }
}

TEST_F(TextOutputTest, DrawnInkStaysInTheMeasuredBox) {
    for (const char* text : {"HE", "A1", "\xC6\xD8", "Tg7"}) {
        double width = 0, height = 0;
        double depth = measure_text(text, &width, &height);
        RecView v(10.0);
        draw_text_at(v.v(), 10, 30, 0, text);
        double x0, y0, x1, y1;
        ink_box(v, &x0, &y0, &x1, &y1);
        // The measured box: from the anchor, width along x; from the top
        // (height - depth above the baseline) down to depth below it.
        double bx0 = 100, bx1 = 100 + width * 10, by0 = 300 - (height - depth) * 10, by1 = 300 + depth * 10;
        EXPECT_GE(x0, bx0 - 1) << text;
        EXPECT_LE(x1, bx1 + 1) << text;
        EXPECT_NEAR(y0, by0, 1.0) << text;
        EXPECT_NEAR(y1, by1, 1.0) << text;
    }
}

// The arc over "1,5": its three defining points from the font's own layout
// and its entity in the DXF output.
void check_arc_sign(double drawing_scale, const font_test::Recording& layout) {
    ASSERT_EQ(layout.arcs.size(), 3u);
    TextPoint s = layout.arcs[0], e = layout.arcs[1], m = layout.arcs[2];
    double r = 5.0 / drawing_scale / 4.0;
    // The middle lies r above the middle of the chord (y grows downward).
    EXPECT_NEAR(m.x, (s.x + e.x) / 2, 1e-9);
    EXPECT_NEAR(m.y, (s.y + e.y) / 2 - r, 1e-9);
}

TEST_F(TextOutputTest, ArcSignOverAMarkedNumberAtTwoDrawingScales) {
    for (double drawing_scale : {1.0, 0.1}) {
        set_drawing_scale(drawing_scale);
        font_test::Recording layout = strokes("\xAA" "1,5");
        check_arc_sign(drawing_scale, layout);
        TextPoint s = layout.arcs[0], e = layout.arcs[1], m = layout.arcs[2];
        dxf_recorder_clear();
        dxf_output_active = 1;
        RecView v(1.0);
        draw_text_at(v.v(), 0, 0, 0, "\xAA" "1,5");
        dxf_output_active = 0;
        const auto& ents = dxf_recorded_entities();
        auto arc = std::find_if(ents.begin(), ents.end(), [](const DxfEntity& x) { return x.kind == dxf_arc_entity; });
        ASSERT_NE(arc, ents.end()) << drawing_scale;
        EXPECT_EQ(std::count_if(ents.begin(), ents.end(), [](const DxfEntity& x) { return x.kind == dxf_arc_entity; }), 1);
        // An arc through start, middle and end: all three at one distance
        // from its centre, its ends the chord's ends.
        Point2 c = arc->points[2];
        double rs = std::hypot(s.x - c.x, s.y - c.y), re = std::hypot(e.x - c.x, e.y - c.y),
               rm = std::hypot(m.x - c.x, m.y - c.y);
        double tol = 1e-6 / drawing_scale;
        EXPECT_NEAR(rs, rm, tol);
        EXPECT_NEAR(re, rm, tol);
        bool same = std::hypot(arc->points[0].x - s.x, arc->points[0].y - s.y) < tol;
        bool swapped = std::hypot(arc->points[0].x - e.x, arc->points[0].y - e.y) < tol;
        EXPECT_TRUE(same || swapped);
        // Drawn with the glyphs' stroke width: h/14.
        EXPECT_NEAR(arc->width, 5.0 / 14.0, 1e-12);
    }
}

TEST_F(TextOutputTest, ArcSignTakesTheTextColour) {
    text_settings.text_colour = 0x0000FF;
    RecView v(10.0);
    draw_text_at(v.v(), 10, 30, 0, "\xAA" "2,5");
    for (auto* p : v.of_kind(call_select_pen)) EXPECT_EQ(p->pen.colour, 0x0000FFu);
    EXPECT_EQ(v.rec.live_objects, 0);
    // The window form draws the same arc: its top r above the start row.
    EXPECT_NEAR(draw_arc_sign(v.v(), TextPoint{0, 10}, TextPoint{4, 10}, 0), 10 - 5.0 / 4.0, 1e-12);
}

TEST_F(TextOutputTest, DxfTextWritesEveryStrokeAtTheGlyphWidthAndKeepsTheWidthAfter) {
    const char* text = "B8";
    font_test::Recording layout = strokes(text);
    size_t lines = 0, circles = 0, curves = 0;
    for (auto& g : layout.glyphs) {
        lines += g.lines.size() / 2;
        circles += g.circle_radii.size();
        curves += g.curves.size() / 4;
    }
    ASSERT_GT(lines + circles + curves, 0u);
    dxf_output_active = 1;
    dxf_line_width = 0.25;
    RecView v(1.0);
    draw_text_at(v.v(), 0, 0, 0, text);
    const auto& e = dxf_recorded_entities();
    auto count = [&](int kind) {
        return static_cast<size_t>(std::count_if(e.begin(), e.end(), [&](const DxfEntity& x) { return x.kind == kind; }));
    };
    EXPECT_EQ(count(dxf_line_entity), lines);
    EXPECT_EQ(count(dxf_circle_entity), circles);
    EXPECT_EQ(count(dxf_spline_entity), curves);
    for (const DxfEntity& x : e) EXPECT_NEAR(x.width, 5.0 / 14.0, 1e-12);
    // What is drawn after the text is not written at the glyph width.
    EXPECT_EQ(dxf_line_width, 0.25);
}

TEST_F(TextOutputTest, TypeBGlyphsAreATenthOfTheHeightWide) {
    select_text_font(3, 0, 1);
    dxf_output_active = 1;
    RecView v(1.0);
    draw_text_at(v.v(), 0, 0, 0, "E");
    ASSERT_FALSE(dxf_recorded_entities().empty());
    EXPECT_NEAR(dxf_recorded_entities()[0].width, 0.5, 1e-12);
}

TEST_F(TextOutputTest, MultilineTextDrawsEachLine) {
    RecView v(10.0);
    double step = text_line_step(3);
    draw_multiline_text(v.v(), 10, 50, 0, "H\r\nH", step, 2, 0, 0);
    // Two glyphs, the second line's baseline at the anchor, the first one
    // a line step above it.
    auto pens = v.of_kind(call_select_pen);
    EXPECT_EQ(pens.size(), 2u);
    double x0, y0, x1, y1;
    ink_box(v, &x0, &y0, &x1, &y1);
    EXPECT_NEAR(y1, 500, 1.0);
    EXPECT_LT(y0, 500 - step * 10);
}

}  // namespace
