// Laying out text fragments in their frames, on the synthetic font (type B
// 10 mm: glyphs 5 wide, gaps 2, lines 10 high, line step 17).
#include "font_test_support.h"
#include "render/text/text_fragment_layout.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace font_test;

namespace {

struct Frame {
    float c1x, c1y, c2x, c2y, f2x, f2y;
};

std::vector<uint8_t> fragment(const std::string& text, uint16_t fixed, double angle, Frame f) {
    uint16_t words[1024];
    int bytes = text.empty() ? 0 : text_pack(text.c_str(), words, sizeof words);
    std::vector<uint8_t> r(text_fragment_head + bytes, 0);
    put_u16(r.data(), 0, static_cast<uint16_t>(r.size()));
    r[6] = 3;
    put_u16(r.data(), annotation_flags, static_cast<uint16_t>(1 | (5 << 2) | fixed));   // type B, size 5
    put_f32(r.data(), text_fragment_corner1, f.c1x);
    put_f32(r.data(), text_fragment_corner1 + 4, f.c1y);
    put_f32(r.data(), text_fragment_corner2, f.c2x);
    put_f32(r.data(), text_fragment_corner2 + 4, f.c2y);
    put_f32(r.data(), text_fragment_frame2, f.f2x);
    put_f32(r.data(), text_fragment_frame2 + 4, f.f2y);
    put_f64(r.data(), text_fragment_angle, angle);
    put_u16(r.data(), text_fragment_text_length, static_cast<uint16_t>(text.size()));
    for (int w = 0; 2 * w < bytes; ++w)
        put_u16(r.data(), text_fragment_head + 2 * w, words[w]);
    return r;
}

std::string& stored_text() {
    static std::string s;
    return s;
}
int& stored_count() {
    static int n;
    return n;
}

class FragmentLayout : public ::testing::Test {
protected:
    void SetUp() override {
        fonts_ = synthetic_fonts();
        ASSERT_EQ(load_fonts(fonts_), 0);
        set_model_units_per_mm(1.0);
        stored_text().clear();
        stored_count() = 0;
        text_fragment_set_text_hook = [](void*, unsigned char* rec, const char* text, size_t) {
            stored_text() = text;
            ++stored_count();
            return rec;
        };
    }
    void TearDown() override {
        text_fragment_set_text_hook = nullptr;
        FontResourceBytes none[stroke_font_count] = {};
        stroke_fonts_load(none);
        error_flag = 0;
        error_stack_clear();
        select_text_font(0, 0, 0);
    }
    std::vector<std::vector<uint8_t>> fonts_;
};

TEST_F(FragmentLayout, FramesFollowTheTextOrBreakIt) {
    const uint16_t x_fixed = 0x4000, y_fixed = 0x8000;
    const double up = -std::acos(-1.0) / 2.0;
    struct Case {
        const char* what;
        std::string text;
        uint16_t fixed;
        double angle;
        Frame before, after;
        int lines;
        float baseline;
        const char* stored;   // the rebuilt text, or null when the text stays
    } cases[] = {
        {"free frame follows the text", "HH\\nH", 0, 0.0,
         {100, 200, 101, 201, 103, 205}, {100, 200, 112, 227, 114, 231}, 2, 227, nullptr},
        {"descender", "g", 0, 0.0,
         {100, 200, 101, 201, 101, 201}, {100, 200, 105, 213, 105, 213}, 1, 210, nullptr},
        {"fixed width breaks a long line", "HHHH", x_fixed, 0.0,
         {100, 200, 113, 201, 115, 205}, {100, 200, 113, 227, 115, 231}, 2, 227, "HH\x1bHH"},
        {"earlier breaks are taken out", "H\x1bHHH", x_fixed, 0.0,
         {100, 200, 130, 201, 130, 201}, {100, 200, 130, 210, 130, 210}, 1, 210, "HHHH"},
        {"a first glyph too wide stays", "HH", x_fixed, 0.0,
         {100, 200, 103, 201, 103, 201}, {100, 200, 103, 210, 103, 210}, 1, 210, nullptr},
        {"fixed height centres the block", "H", y_fixed, 0.0,
         {100, 200, 101, 240, 102, 241}, {100, 200, 105, 240, 106, 241}, 1, 225, nullptr},
        {"fixed height too small grows", "H", y_fixed, 0.0,
         {100, 200, 101, 205, 101, 205}, {100, 200, 105, 210, 105, 210}, 1, 210, nullptr},
        {"turned text runs along y", "HH", 0, up,
         {100, 200, 101, 201, 101, 201}, {100, 200, 110, 212, 110, 212}, 1, 110, nullptr},
    };
    for (const Case& c : cases) {
        stored_text().clear();
        stored_count() = 0;
        std::vector<uint8_t> rec = fragment(c.text, c.fixed, c.angle, c.before);
        unsigned char* out = layout_text_fragment(nullptr, rec.data());
        EXPECT_EQ(out, rec.data()) << c.what;
        EXPECT_FLOAT_EQ(get_f32(out, text_fragment_corner1), c.after.c1x) << c.what;
        EXPECT_FLOAT_EQ(get_f32(out, text_fragment_corner1 + 4), c.after.c1y) << c.what;
        EXPECT_FLOAT_EQ(get_f32(out, text_fragment_corner2), c.after.c2x) << c.what;
        EXPECT_FLOAT_EQ(get_f32(out, text_fragment_corner2 + 4), c.after.c2y) << c.what;
        EXPECT_FLOAT_EQ(get_f32(out, text_fragment_frame2), c.after.f2x) << c.what;
        EXPECT_FLOAT_EQ(get_f32(out, text_fragment_frame2 + 4), c.after.f2y) << c.what;
        EXPECT_EQ(get_u16(out, text_fragment_lines), c.lines) << c.what;
        EXPECT_FLOAT_EQ(get_f32(out, text_fragment_baseline), c.baseline) << c.what;
        if (c.stored) {
            EXPECT_EQ(stored_count(), 1) << c.what;
            EXPECT_EQ(stored_text(), c.stored) << c.what;
        } else {
            EXPECT_EQ(stored_count(), 0) << c.what;
        }
    }
}

TEST_F(FragmentLayout, ARecordWithoutTextIsReturnedAsItIs) {
    std::vector<uint8_t> rec = fragment("", 0, 0.0, {1, 2, 3, 4, 5, 6});
    std::vector<uint8_t> copy = rec;
    EXPECT_EQ(layout_text_fragment(nullptr, rec.data()), rec.data());
    EXPECT_EQ(rec, copy);
}

}  // namespace
