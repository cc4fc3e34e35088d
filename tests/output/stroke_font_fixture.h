// Fixture of the text output tests: the program's own fonts loaded, text
// colour black, the current font 5 mm type A (strokes 5/14 mm wide).
#pragma once

#include "tests/fonts/font_test_support.h"
#include "tests/output/output_test_support.h"

namespace output_test {

class StrokeFontTest : public OutputTest {
protected:
    std::vector<std::vector<uint8_t>> fonts_;
    void SetUp() override {
        OutputTest::SetUp();
        fonts_ = font_test::built_fonts();
        ASSERT_EQ(font_test::load_fonts(fonts_), 0);
        text_settings.text_colour = 0;
        select_text_font(3, 0, 0);
    }
    void TearDown() override {
        select_text_font(0, 0, 0);
        FontResourceBytes none[stroke_font_count] = {};
        stroke_fonts_load(none);
        OutputTest::TearDown();
    }
};

}  // namespace output_test
