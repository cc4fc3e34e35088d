// Model variables in texts: references replaced by values, in expanded texts
// and while lines are measured and drawn, on a real drawing file.
#include "font_test_support.h"
#include "render/text/text_fragment_layout.h"
#include "render/text/text_variables.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"
#include "tests/store/store_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace font_test;

namespace {

class TextVariables : public store_test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        fonts_ = synthetic_fonts();
        ASSERT_EQ(load_fonts(fonts_), 0);
        set_model_units_per_mm(1.0);
        select_text_font(5, 0, 1);     // type B 10 mm: glyphs 5 wide, gaps 2
        text_font_state.width_limit = 0.0;
        df_ = create("vars");
        ASSERT_NE(df_, nullptr);
        add_variable(1, 2, "LEN", 12.5, nullptr);
        add_variable(2, 1, "N", 7, nullptr);
        add_variable(3, 3, "MAT", 0, "Сталь 45");
        add_variable(4, 0, "NONE", 1, nullptr);
        add_variable(5, 4, "ODD", 1, nullptr);
        add_variable(6, 3, "EMPTY", 0, "");
    }
    void TearDown() override {
        StoreTest::TearDown();
        FontResourceBytes none[stroke_font_count] = {};
        stroke_fonts_load(none);
        error_flag = 0;
        error_stack_clear();
        select_text_font(0, 0, 0);
    }
    // A variable record as the model keeps it: packed name (mode 3), then
    // for strings the packed value (mode 5) and its length at byte 8.
    void add_variable(uint32_t id, int type, const std::string& name, double value, const char* str,
                      int stored_length = -1) {
        uint16_t name_words[128], value_words[1024];
        int name_bytes = text_pack_words(static_cast<int>(name.size()), name.c_str(), name_words, 128, 3);
        int value_bytes = str ? text_pack_words(static_cast<int>(std::strlen(str)), str, value_words, 1024, 5) : 0;
        ASSERT_GT(name_bytes, 0);
        std::vector<uint8_t> r(model_variable_name + name_bytes + value_bytes, 0);
        ASSERT_LE(r.size(), 2044u);
        put_u16(r.data(), 0, static_cast<uint16_t>(r.size()));
        put_u32(r.data(), model_variable_id, id);
        put_u16(r.data(), model_variable_flags, static_cast<uint16_t>(type | (name_bytes << 5)));
        put_u16(r.data(), model_variable_string_length,
                static_cast<uint16_t>(stored_length >= 0 ? stored_length : str ? std::strlen(str) : 0));
        put_f64(r.data(), model_variable_value, value);
        for (int w = 0; w < name_bytes / 2; ++w)
            put_u16(r.data(), model_variable_name + 2 * w, name_words[w]);
        for (int w = 0; w < value_bytes / 2; ++w)
            put_u16(r.data(), model_variable_name + name_bytes + 2 * w, value_words[w]);
        record_add(df_, reinterpret_cast<RecordRef*>(df_->header + header_model_variables), r.data(),
                   &page_buffers[table_model]);
        ASSERT_EQ(error_flag, 0);
    }
    std::string expand(const char* text, int enable = 1) {
        char* e = expand_text_variables(df_, text, enable);
        EXPECT_NE(e, nullptr);
        std::string s = e ? e : "";
        std::free(e);
        return s;
    }
    void show_names(bool on) {
        uint16_t o = get_u16(df_->header, header_options2);
        put_u16(df_->header, header_options2,
                static_cast<uint16_t>(on ? (o | header_opt2_variable_names) : (o & ~header_opt2_variable_names)));
    }
    std::vector<std::vector<uint8_t>> fonts_;
    DrawingFile* df_ = nullptr;
};

TEST_F(TextVariables, ReferencesAreReplacedByValues) {
    struct Case {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"L={LEN} mm", "L=12.5 mm"},       // a real
        {"{n}x{N}", "7x7"},                // an integer; names are upper-cased
        {"{MAT}", "Сталь 45"},            // a string
        {"a{EMPTY}b", "ab"},
        {"{{LEN}}", "{12.5}"},             // "{LEN" names nothing: its "{" is typed
        {"{NONE}{ODD}", "{NONE}{ODD}"},    // type 0 and an unknown type: as typed
        {"{UNKNOWN}", "{UNKNOWN}"},
        {"{LEN", "{LEN"},                  // no "}"
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(expand(c.text), c.expanded) << c.text;
    EXPECT_EQ(text_variable_delivering, 0);
}

TEST_F(TextVariables, NamesOf256CharactersOrMoreAreNoReferences) {
    std::string name255(255, 'Q'), name256(256, 'Q');
    add_variable(10, 1, name255, 1, nullptr);
    add_variable(11, 1, name256, 2, nullptr);
    EXPECT_EQ(expand(("{" + name255 + "}").c_str()), "1");
    std::string typed = "{" + name256 + "}";
    EXPECT_EQ(expand(typed.c_str()), typed);
}

TEST_F(TextVariables, StringValuesStayInsideTheValueBuffer) {
    // A stored length beyond the value buffer: the value is cut to 2047.
    std::string big(2100, 'A');
    add_variable(12, 3, "BIG", 0, big.c_str(), 3000);
    EXPECT_EQ(expand("{BIG}"), std::string(2047, 'A'));
    // Long results: indexes are not 16-bit.
    std::string many;
    for (int i = 0; i < 40; ++i)
        many += "{BIG}";
    EXPECT_EQ(expand(many.c_str()).size(), 40u * 2047u);
}

TEST_F(TextVariables, ShowingVariableNamesKeepsReferencesAsTyped) {
    show_names(true);
    EXPECT_EQ(expand("{N}", 1), "{N}");
    EXPECT_EQ(expand("{N}", 0), "7");    // without the enable flag: always replaced
    double w, h;
    measure_text("{N}", &w, &h);
    EXPECT_NEAR(w, 19.0, 1e-9);           // three glyphs
    show_names(false);
    measure_text("{N}", &w, &h);
    EXPECT_NEAR(w, 5.0, 1e-9);            // the one glyph "7"
}

TEST_F(TextVariables, LinesAreMeasuredAndDrawnWithTheValues) {
    struct Case {
        const char* text;
        double width;
    } cases[] = {
        {"L{LEN}", 5 * 5 + 4 * 2},        // L 1 2 . 5
        {"{BOGUS}", 7 * 5 + 6 * 2},
        {"{EMPTY}N", 5},
        {"{N}{N}", 5 + 2 + 5},
    };
    for (const Case& c : cases) {
        double w, h;
        measure_text(c.text, &w, &h);
        EXPECT_NEAR(w, c.width, 1e-9) << c.text;
    }
    // The arc sign covers a number given by a variable.
    Recording r;
    TextCanvas cv = recording_canvas(&r);
    draw_text_line_canvas(&cv, 0.0, 0.0, 0.0, "\xAA{LEN}mm", nullptr, nullptr);
    ASSERT_EQ(r.arcs.size(), 3u);
    EXPECT_NEAR(r.arcs[1].x, 26.0, 1e-9);
    EXPECT_EQ(r.glyphs.size(), 6u);

    double w, h;
    EXPECT_EQ(measure_multiline_text("{MAT}\r\n{N}", &w, &h, 17.0, nullptr), 2);
    EXPECT_NEAR(w, 7 * 5 + 6 + 7 * 2, 1e-9);   // seven glyphs and a space

    // Without a current drawing, references are drawn as typed.
    open_drawings[0] = nullptr;
    measure_text("{N}", &w, &h);
    EXPECT_NEAR(w, 19.0, 1e-9);
    open_drawings[0] = df_;
}

}  // namespace

namespace {

std::string& rebuilt_text() {
    static std::string s;
    return s;
}

TEST_F(TextVariables, LayoutKeepsReferencesAndNeverBreaksInsideOne) {
    // "12.5" is four glyphs, 26 wide: a frame 30 wide takes one value a line.
    const char* text = "{LEN}{LEN}";
    uint16_t words[64];
    int bytes = text_pack(text, words, sizeof words);
    std::vector<uint8_t> rec(text_fragment_head + bytes, 0);
    put_u16(rec.data(), 0, static_cast<uint16_t>(rec.size()));
    rec[6] = 3;
    put_u16(rec.data(), annotation_flags, static_cast<uint16_t>(1 | (5 << 2) | 0x4000));
    put_f32(rec.data(), text_fragment_corner2, 30.0f);
    put_u16(rec.data(), text_fragment_text_length, static_cast<uint16_t>(std::strlen(text)));
    for (int w = 0; 2 * w < bytes; ++w)
        put_u16(rec.data(), text_fragment_head + 2 * w, words[w]);
    text_fragment_set_text_hook = [](void*, unsigned char* r, const char* t, size_t) {
        rebuilt_text() = t;
        return r;
    };
    layout_text_fragment(nullptr, rec.data());
    text_fragment_set_text_hook = nullptr;
    EXPECT_EQ(rebuilt_text(), "{LEN}\x1b{LEN}");
    EXPECT_EQ(get_u16(rec.data(), text_fragment_lines), 2);
}

}  // namespace
