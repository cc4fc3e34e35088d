// Markup, placement and measuring of text lines on a synthetic font whose
// glyphs have known edges (so changes to the real glyph art never matter).
#include "font_test_support.h"
#include "store/settings_block.h"

#include "base/program_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

using namespace font_test;

namespace {

class TextMeasure : public ::testing::Test {
protected:
    void SetUp() override {
        fonts_ = synthetic_fonts();
        ASSERT_EQ(load_fonts(fonts_), 0);
        set_model_units_per_mm(1.0);
        text_font_state.width_limit = 0.0;
        // Type B, 10 mm: one glyph unit is 0.1 model units; one size
        // below is 7 mm (0.07 per unit).
        select_text_font(5, 0, 1);
    }
    void TearDown() override {
        set_model_units_per_mm(1.0);
        select_text_font(0, 0, 0);
        FontResourceBytes none[stroke_font_count] = {};
        stroke_fonts_load(none);
        error_flag = 0;
        error_stack_clear();
    }
    Recording draw(const char* text) {
        Recording r;
        TextCanvas c = recording_canvas(&r);
        draw_text_line_canvas(&c, 0.0, 0.0, 0.0, text, nullptr, nullptr);
        return r;
    }
    std::vector<std::vector<uint8_t>> fonts_;
};

TEST_F(TextMeasure, WidthsHeightsAndDepthOfOneLine) {
    struct Case {
        const char* text;
        double width, height, depth;
    } cases[] = {
        {"H", 5.0, 10.0, 0.0},                 // one glyph: (right - left) * s
        {"HH", 12.0, 10.0, 0.0},               // parallel sides: gap of 20 units
        {"AH", 11.0, 10.0, 0.0},               // sides not parallel: gap of 10 units
        {"HA", 11.0, 10.0, 0.0},
        {"H H", 20.0, 10.0, 0.0},              // the space is 60 units wide
        {"g", 5.0, 13.0, 3.0},                 // descender: depth (30 - 0) * s
        {"Hg", 12.0, 13.0, 3.0},
        {"WH", 17.0, 10.0, 0.0},
        {"\x90H", 12.0, 10.0, 0.0},            // no set covers 0x90: drawn as "?"
        {"\xA0H", 12.0, 10.0, 0.0},
        {"H\x18H\x1AH", 19.0, 10.0, 0.0},      // 24 and 26 are skipped
        {"", 0.0, 0.0, 0.0},
        {"\\", 0.0, 0.0, 0.0},                 // markup at the end
    };
    for (const Case& c : cases) {
        double w = -1, h = -1;
        double depth = measure_text(c.text, &w, &h);
        EXPECT_NEAR(w, c.width, 1e-9) << c.text;
        EXPECT_NEAR(h, c.height, 1e-9) << c.text;
        EXPECT_NEAR(depth, c.depth, 1e-9) << c.text;
    }
}

TEST_F(TextMeasure, TypeAScaleAndDrawingScale) {
    select_text_font(8, 0, 0);   // 28 mm type A: 0.2 per glyph unit
    double w, h;
    EXPECT_NEAR(measure_text("HH", &w, &h), 0.0, 1e-9);
    EXPECT_NEAR(w, (50 + 20 + 50) * 0.2, 1e-9);
    EXPECT_NEAR(h, 140 * 0.2, 1e-9);
    set_model_units_per_mm(50.0);   // a drawing at 1:50
    measure_text("HH", &w, &h);
    EXPECT_NEAR(w, (50 + 20 + 50) * 0.2 * 50, 1e-9);
}

TEST_F(TextMeasure, SlantLeansTheTopExceptForUprightSigns) {
    select_text_font(5, 1, 1);
    const double lean = 10.0 * std::tan(std::acos(-1.0) / 12.0);   // 100 units high, 15 degrees
    struct Case {
        const char* text;
        double width;
    } cases[] = {
        {"H", 5.0 + lean},
        {"\xC0", 5.0 + lean},
        {"\x7F", 5.0},            // upright prefix sign
        {"\xB2", 5.0},            // upright signs of the normal row
        {"\xBE", 5.0},
        {"\xB3", 5.0 + lean},
        {"@1\x80", 5.0},          // upright tolerance signs
        {"@1\x81", 5.0 + lean},
        {"@2\xB2", 5.0 + lean},   // the alternative row slants everything
    };
    for (const Case& c : cases) {
        double w, h;
        measure_text(c.text, &w, &h);
        EXPECT_NEAR(w, c.width, 1e-9) << c.text;
    }
}

TEST_F(TextMeasure, StyleRowsChooseTheSet) {
    struct Case {
        const char* text;
        std::vector<int> sets;    // set of each drawn glyph
    } cases[] = {
        {"A\xC0\xA8\x30", {370, 254, 381, 369}},
        {"@1\x80", {495}},
        {"@1A@B", {553, 370}},            // "@" and a non-digit: back to row 0
        {"@2\xA8\xC0", {640, 254}},
        {"@1@", {369}},                   // nothing covers "@" in the sign row: "?"
        {"@@", {369}},                    // nor in the normal row
        {"@5\x80", {369}},                // rows of 3 and above are row 0
        {"@1\\A", {553, 553}},            // the character after the row is drawn at once
        {"\\\\", {370}},                  // two backslashes draw one
        {"@1", {}},                       // the line ends with the text
        {"@", {}},
    };
    for (const Case& c : cases) {
        // An exact-size copy: reading past the terminator would be caught.
        size_t n = std::strlen(c.text) + 1;
        std::unique_ptr<char[]> text(new char[n]);
        std::memcpy(text.get(), c.text, n);
        Recording r = draw(text.get());
        ASSERT_EQ(r.glyphs.size(), c.sets.size()) << c.text;
        for (size_t i = 0; i < c.sets.size(); ++i)
            EXPECT_EQ(origin_of(r.glyphs[i]).set_id, c.sets[i]) << c.text << " glyph " << i;
    }
    Recording r = draw("@1@");
    EXPECT_EQ(origin_of(r.glyphs[0]).code_mod_50, '?' % 50);
    r = draw("@1\\A");
    EXPECT_EQ(origin_of(r.glyphs[0]).code_mod_50, '\\' % 50);
}

// Glyph origins (x of the glyph's left edge on the baseline, shifted y) and
// the pen widths, which show the height each glyph is drawn at.
TEST_F(TextMeasure, IndexSmallerRunAndUnderlinePlacement) {
    struct Placed {
        double x, y, pen;
    };
    struct Case {
        const char* text;
        std::vector<Placed> glyphs;   // pen 0: a glyph without strokes (space)
    } cases[] = {
        // upper index one size smaller (7 mm), after a 20-unit gap, raised by
        // 90 units; the blank after the markup starts past the widest point
        {"H\\^2\\ H", {{0, 0, 1.0}, {6.4, -6.3, 0.7}, {0, 0, 0}, {19.9, 0, 1.0}}},
        // second levels
        {"H\\^^3", {{0, 0, 1.0}, {6.4, -16.1, 0.7}}},
        {"H\\__3", {{0, 0, 1.0}, {6.4, 13.3, 0.7}}},
        // upper and lower index over each other at the same x
        {"H\\^2\\_3", {{0, 0, 1.0}, {6.4, -6.3, 0.7}, {6.4, 3.5, 0.7}}},
        // "/" starts a smaller run that a blank ends
        {"1/23 4", {{0, 0, 1.0}, {7, 0, 1.0}, {13.4, 0, 0.7}, {18.3, 0, 0.7}, {0, 0, 0}, {31.8, 0, 1.0}}},
        // "n" after the backslash is ignored
        {"H\\nH", {{0, 0, 1.0}, {7, 0, 1.0}}},
    };
    for (const Case& c : cases) {
        Recording r = draw(c.text);
        ASSERT_EQ(r.glyphs.size(), c.glyphs.size()) << c.text;
        for (size_t i = 0; i < c.glyphs.size(); ++i) {
            const DrawnGlyph& g = r.glyphs[i];
            if (c.glyphs[i].pen == 0) {
                EXPECT_TRUE(g.lines.empty()) << c.text << " glyph " << i;
                continue;
            }
            ASSERT_FALSE(g.lines.empty()) << c.text << " glyph " << i;
            EXPECT_NEAR(g.lines[0].x, c.glyphs[i].x, 1e-9) << c.text << " glyph " << i;
            EXPECT_NEAR(g.lines[0].y, c.glyphs[i].y, 1e-9) << c.text << " glyph " << i;
            EXPECT_NEAR(g.pen, c.glyphs[i].pen, 1e-9) << c.text << " glyph " << i;
        }
    }

    // Underline: one more line per glyph from (left - 10, 5) to (right + 10, 5);
    // a "-" after an index is drawn instead.
    Recording r = draw("\\-HH");
    ASSERT_EQ(r.glyphs.size(), 2u);
    ASSERT_EQ(r.glyphs[1].lines.size(), 4u);
    EXPECT_NEAR(r.glyphs[1].lines[2].x, 7.0 - 1.0, 1e-9);
    EXPECT_NEAR(r.glyphs[1].lines[3].x, 7.0 + 6.0, 1e-9);
    EXPECT_NEAR(r.glyphs[1].lines[2].y, 2.5, 1e-9);
    r = draw("H\\^-");
    ASSERT_EQ(r.glyphs.size(), 2u);
    EXPECT_EQ(origin_of(r.glyphs[1]).code_mod_50, '-' % 50);
}

TEST_F(TextMeasure, RotatedLineTurnsAboutTheAnchor) {
    Recording r;
    TextCanvas c = recording_canvas(&r);
    draw_text_line_canvas(&c, 100.0, 50.0, std::acos(-1.0) / 2.0, "HH", nullptr, nullptr);
    ASSERT_EQ(r.glyphs.size(), 2u);
    // x along the text runs down the drawing (+y), glyph up (-ly) runs to +x
    EXPECT_NEAR(r.glyphs[1].lines[0].x, 100.0, 1e-9);
    EXPECT_NEAR(r.glyphs[1].lines[0].y, 57.0, 1e-9);
    EXPECT_NEAR(r.glyphs[1].lines[1].x, 110.0, 1e-9);
}

TEST_F(TextMeasure, ArcSignOverAMarkedNumber) {
    // The arc runs from glyph point (0, 140) of the first digit to (w, 140)
    // of the last character of the number and ends at the first character
    // that cannot belong to a number.
    Recording r = draw("\xAA" "12,5 mm");
    ASSERT_EQ(r.arcs.size(), 3u);
    EXPECT_NEAR(r.arcs[0].x, 0.0, 1e-9);
    EXPECT_NEAR(r.arcs[0].y, -11.0, 1e-9);
    EXPECT_NEAR(r.arcs[1].x, 26.0, 1e-9);
    EXPECT_NEAR(r.arcs[1].y, -11.0, 1e-9);
    EXPECT_NEAR(r.arcs[2].x, 13.0, 1e-9);
    EXPECT_NEAR(r.arcs[2].y, -13.5, 1e-9);   // raised by a quarter of the height
    EXPECT_EQ(r.glyphs.size(), 7u);          // 0xAA itself is not drawn

    r = draw("x\xAA" "-3");                  // an arc still open at the end
    ASSERT_EQ(r.arcs.size(), 3u);
    EXPECT_NEAR(r.arcs[1].x, 19.0, 1e-9);

    // Measured, the arc raises the top of the line.  Its height is sheet
    // millimetres turned into model units like every other text size.
    double w, h;
    measure_text("\xAA" "12", &w, &h);
    EXPECT_NEAR(h, 13.5, 1e-9);
    set_model_units_per_mm(50.0);
    measure_text("\xAA" "12", &w, &h);
    EXPECT_NEAR(h, 13.5 * 50, 1e-9);
}

TEST_F(TextMeasure, FitIndexMarksTheFirstCharacterPastTheLimit) {
    struct Case {
        const char* text;
        double limit;
        int fit;
    } cases[] = {
        {"HHH", 12.5, 2}, {"HHH", 12.0, 2}, {"HHH", 4.9, 0}, {"HHH", 100.0, 3},
        {"\\-HH", 5.0, 3},   // an index into the text, markup included
    };
    for (const Case& c : cases) {
        text_font_state.width_limit = c.limit;
        double w, h;
        measure_text(c.text, &w, &h);
        EXPECT_EQ(text_font_state.fit_index, c.fit) << c.text << " within " << c.limit;
    }
}

TEST_F(TextMeasure, SeveralLines) {
    // One line step of 10 mm type B is 17.
    ASSERT_NEAR(text_line_step(5), 17.0, 1e-9);
    struct Case {
        const char* text;
        int lines;
        double width, height, last_depth;
    } cases[] = {
        {"H\r\ng", 2, 5.0, 10 + 17 + 3, 3.0},
        {"H\\ng", 2, 5.0, 10 + 17 + 3, 3.0},
        {"H\x1bg", 2, 5.0, 10 + 17 + 3, 3.0},
        {"g\r\nH", 2, 5.0, 10 + 17, 0.0},     // the first line counts above its baseline
        {"H\r\n", 2, 5.0, 10 + 17, 0.0},      // a trailing break: an empty last line
        {"HHH\r\nH\r\nHH", 3, 19.0, 10 + 2 * 17, 0.0},
        {"H\rH", 1, 19.0, 10, 0.0},           // a lone CR breaks nothing (drawn as "?")
        {"H", 1, 5.0, 10, 0.0},
    };
    for (const Case& c : cases) {
        double w = -1, h = -1, depth = -1;
        EXPECT_EQ(measure_multiline_text(c.text, &w, &h, text_line_step(5), &depth), c.lines) << c.text;
        EXPECT_NEAR(w, c.width, 1e-9) << c.text;
        EXPECT_NEAR(h, c.height, 1e-9) << c.text;
        EXPECT_NEAR(depth, c.last_depth, 1e-9) << c.text;
    }
    // Lines are cut to 2048 characters.
    std::string longer(3000, 'H');
    double w, h;
    EXPECT_EQ(measure_multiline_text(longer.c_str(), &w, &h, 17.0, nullptr), 1);
    EXPECT_NEAR(w, 2048 * 5.0 + 2047 * 2.0, 1e-6);
}

TEST_F(TextMeasure, SeveralLinesDrawnAlignedAboveTheAnchor) {
    // Lines 5 and 12 wide in a box 20 wide; the anchor is the last baseline.
    struct Case {
        int alignment;
        double angle;
        TextPoint first, second;   // where each line's first glyph starts
    } cases[] = {
        {0, 0.0, {100, 33}, {100, 50}},
        {1, 0.0, {107.5, 33}, {104, 50}},
        {2, 0.0, {115, 33}, {108, 50}},
        {1, std::acos(-1.0) / 2.0, {117, 57.5}, {100, 54}},   // turned about the anchor
    };
    for (const Case& c : cases) {
        Recording r;
        TextCanvas cv = recording_canvas(&r);
        draw_multiline_text_canvas(&cv, 100.0, 50.0, c.angle, "H\\nHH", 17.0, 2, c.alignment, 20.0);
        ASSERT_EQ(r.glyphs.size(), 3u) << c.alignment;
        EXPECT_NEAR(r.glyphs[0].lines[0].x, c.first.x, 1e-9) << c.alignment;
        EXPECT_NEAR(r.glyphs[0].lines[0].y, c.first.y, 1e-9) << c.alignment;
        EXPECT_NEAR(r.glyphs[1].lines[0].x, c.second.x, 1e-9) << c.alignment;
        EXPECT_NEAR(r.glyphs[1].lines[0].y, c.second.y, 1e-9) << c.alignment;
    }
}

TEST_F(TextMeasure, LineStepSpacingUnitAndFontSelection) {
    const double heights[10] = {1.8, 2.5, 3.5, 5, 7, 10, 14, 20, 28, 40};
    for (double k : {1.0, 50.0}) {
        set_model_units_per_mm(k);
        for (int i = 0; i <= 10; ++i) {
            select_text_font(0, 0, 0);
            EXPECT_NEAR(text_line_step(i), i < 10 ? heights[i] * k * 11.0 / 7.0 : 0.0, 1e-9) << i;
            EXPECT_NEAR(text_spacing_unit(i), i < 10 ? heights[i] * k / 14.0 : 0.0, 1e-9) << i;
            select_text_font(0, 0, 1);
            EXPECT_NEAR(text_line_step(i), i < 10 ? heights[i] * k * 1.7 : 0.0, 1e-9) << i;
            EXPECT_NEAR(text_spacing_unit(i), i < 10 ? heights[i] * k * 0.1 : 0.0, 1e-9) << i;
        }
    }
    select_text_font(6, 0, 0);
    EXPECT_EQ(text_font_state.size_index, 6);
    EXPECT_EQ(text_font_state.text_height, 14.0);
    select_text_font(10, 1, 1);      // a larger index keeps the size, sets the flags
    EXPECT_EQ(text_font_state.size_index, 6);
    EXPECT_EQ(text_font_state.text_height, 14.0);
    EXPECT_EQ(text_font_state.slant, 1);
    EXPECT_EQ(text_font_state.font_type, 1);

    uint32_t old = swap_text_colour(0x0000FF);
    EXPECT_EQ(swap_text_colour(old), 0x0000FFu);
}

TEST_F(TextMeasure, ArbitraryBytesAreMeasuredWithinTheText) {
    // Markup, rows, indexes and arcs in any order, ending anywhere: every
    // text is read up to its terminator and no further (exact-size copies).
    const char alphabet[] = "\\^_-n/@0123{}\xAA\x18\x1A\x1B\r\nAg \x80\x90\xA8\xB2\xC0\xFF";
    uint32_t seed = 12345;
    for (int k = 0; k < 3000; ++k) {
        seed = seed * 1103515245u + 12345u;
        size_t n = (seed >> 16) % 12;
        std::unique_ptr<char[]> text(new char[n + 1]);
        for (size_t i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            text[i] = alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        }
        text[n] = 0;
        double w = -1, h = -1;
        double depth = measure_text(text.get(), &w, &h);
        ASSERT_GE(w, 0.0);
        ASSERT_GE(h, 0.0);
        ASSERT_GE(depth, 0.0);
        ASSERT_GE(measure_multiline_text(text.get(), &w, &h, 17.0, nullptr), 1);
    }
}

TEST(TextSettings, TakenFromTheSettingsBlock) {
    ASSERT_EQ(settings_block_unpack(), 0);
    const TextSettings standing = text_settings;
    text_settings = TextSettings();
    select_text_font(4, 0, 0);
    text_settings_bind_settings_block();
    const double heights[10] = {1.8, 2.5, 3.5, 5, 7, 10, 14, 20, 28, 40};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(text_settings.text_heights[i], heights[i]) << i;
    const double shifts[4][2] = {{70, 50}, {270, 190}, {130, 90}, {330, 230}};
    for (int i = 0; i < 4; ++i)
        for (int t = 0; t < 2; ++t)
            EXPECT_EQ(text_settings.index_shifts[i][t], shifts[i][t]) << i << " " << t;
    EXPECT_DOUBLE_EQ(text_settings.slant_factor, -std::tan(std::acos(-1.0) / 12.0));
    EXPECT_EQ(text_settings.text_colour, 0u);
    EXPECT_EQ(text_font_state.text_height, 7.0);   // the current size, re-read

    // The text colour is the block's field.
    EXPECT_EQ(swap_text_colour(0x0000FF), 0u);
    EXPECT_EQ(settings_u32(settings_text_colour_offset), 0x0000FFu);
    EXPECT_EQ(swap_text_colour(0), 0x0000FFu);
    settings_block_free();
    text_settings = standing;
    select_text_font(0, 0, 0);
}

TEST(TextWithoutFonts, MeasuringDrawsNothingAndNeverFails) {
    FontResourceBytes none[stroke_font_count] = {};
    EXPECT_EQ(stroke_fonts_load(none), -1);
    error_flag = 0;
    error_stack_clear();
    double w = -1, h = -1;
    EXPECT_EQ(measure_text("ABC", &w, &h), 0.0);
    EXPECT_EQ(w, 0.0);
    EXPECT_EQ(h, 0.0);
}

}  // namespace
