// Tests of the saved-variable tools of the model properties dialog: display
// texts, rounding flags, variables generated from dimensions, the usage
// listing, and the import and export name and size checks.
#include "model/variable_tools.h"
#include "shell/core/model_variable_listing.h"
#include "tests/store/store_test_support.h"

#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(VariableTools, DisplayTexts) {
    struct Case {
        uint8_t type;
        uint16_t flags;
        double value;
        const char* text;
        const char* shown;
    } cases[] = {
        {1, 0, 12, "", "N% = 12"},
        {1, model_variable_flag_rounding, -3, "", "N% =_-3"},
        {2, 0, 2.5, "", "N% = 2.5"},
        {3, 0, 0, "сталь", "N% = \"сталь\""},
    };
    for (const Case& c : cases) {
        ModelVariableInfo v;
        v.name = "N%  ";
        v.type = c.type;
        v.flags = c.flags;
        v.value = c.value;
        v.text = c.text;
        EXPECT_EQ(variable_display_text(v), c.shown);
    }
    ModelVariableInfo s;
    s.name = "S$";
    s.type = 3;
    s.text = std::string(300, 'a');
    EXPECT_EQ(variable_display_text(s, 20).size(), 19u);
}

TEST(VariableTools, FileNamesAndImportSize) {
    EXPECT_EQ(variable_listing_file_name("C:\\work\\detal.svt"), "C:\\work\\detal-var.txt");
    EXPECT_EQ(variable_listing_file_name("C:\\work.d\\detal"), "C:\\work.d\\detal-var.txt");
    EXPECT_EQ(model_export_file_name("C:\\m\\prog.txt"), "C:\\m\\prog.bas");
    EXPECT_EQ(model_export_file_name("C:\\m\\prog"), "C:\\m\\prog.bas");
    EXPECT_EQ(model_export_file_name("C:\\m\\PROG.BAS"), "C:\\m\\PROG.BAS");
    EXPECT_EQ(model_export_file_name("C:\\m.d\\prog"), "C:\\m.d\\prog.bas");
    // text + file + 6 may reach 65539 bytes, not more.
    EXPECT_TRUE(model_import_fits(65000, 533));
    EXPECT_FALSE(model_import_fits(65000, 534));
    EXPECT_TRUE(model_import_fits(0, 0));
    EXPECT_EQ(model_text_with_crlf("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(model_text_with_crlf("a\n\nb\n"), "a\r\n\r\nb\r\n");
}

class VariableStore : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    RecordRef pref = 0;

    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        // One projection: dimension 12 along x (nominal 40), 13 along y
        // (nominal 7.5), 14 in direction mode 3 (nominal 20) and 15 already
        // bound to variable 1.
        Bytes p(projection_record_head, 0);
        put_u16(p.data(), record_length, projection_record_head);
        put_u32(p.data(), record_key, 1);
        add_dimension(p, 12, 0, 40.0, 0);
        add_dimension(p, 13, 1, 7.5, 0);
        add_dimension(p, 14, 3, 20.0, 0);
        add_dimension(p, 15, 0, 3.0, 1);
        // Links of dimension 12 to points 4 and 6, of dimension 15 to 9 and 2.
        const uint32_t links[4][2] = {{4, 12}, {6, 12}, {9, 15}, {2, 15}};
        for (const auto& k : links) {
            Bytes l(link_record_size, 0);
            put_u16(l.data(), record_length, link_record_size);
            put_u32(l.data(), link_number, k[0]);
            put_u32(l.data(), link_point, k[0]);
            put_u32(l.data(), link_dimension, k[1]);
            ASSERT_NE(record_add(df, chain(p, projection_links), l.data(), &page_buffers[table_links]), 0u);
        }
        pref = record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), p.data(),
                          &page_buffers[table_projections]);
        ASSERT_NE(pref, 0u);
        add_variable(1, "A", 3.0);
        add_variable(5, "UNUSED", 1.25);
    }
    static RecordRef* chain(Bytes& p, uint32_t offset) { return reinterpret_cast<RecordRef*>(p.data() + offset); }
    void add_dimension(Bytes& p, uint32_t number, int mode, double nominal, uint16_t variable) {
        Bytes d(dimension_record_size, 0);
        put_u16(d.data(), record_length, dimension_record_size);
        put_u32(d.data(), dimension_number, number);
        put_u16(d.data(), dimension_kind_word, static_cast<uint16_t>(mode << 5));
        put_f64(d.data(), dimension_nominal, nominal);
        put_u16(d.data(), dimension_variable, variable);
        ASSERT_NE(record_add(df, chain(p, projection_dimensions), d.data(), &page_buffers[table_dimensions]), 0u);
    }
    void add_variable(uint32_t id, const char* name, double value) {
        ModelVariableInfo v;
        v.id = id;
        v.type = model_type_real;
        v.name = name;
        v.value = v.step_or_copy = value;
        Bytes b = model_variable_record_build(v);
        RecordRef* list = reinterpret_cast<RecordRef*>(df->header + header_model_variables);
        ASSERT_NE(record_add_at_end(df, list, b.data(), &page_buffers[table_model]), 0u);
    }
    std::vector<uint16_t> bindings() {
        std::vector<uint16_t> out;
        RecordRef at = pref;
        unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
        RecordRef* dims = reinterpret_cast<RecordRef*>(p + projection_dimensions);
        for (unsigned char* d = record_next(df, dims, nullptr, &page_buffers[table_dimensions]); d;
             d = record_next(df, dims, d, &page_buffers[table_dimensions]))
            out.push_back(get_u16(d, dimension_variable));
        return out;
    }
};

TEST_F(VariableStore, RoundingOfOneOrAll) {
    EXPECT_EQ(variables_set_rounding(df, 5, true, 0.25), 1);
    std::vector<ModelVariableInfo> v = model_variables_read(df);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_FALSE(v[0].flags & model_variable_flag_rounding);
    EXPECT_TRUE(v[1].flags & model_variable_flag_rounding);
    EXPECT_DOUBLE_EQ(v[1].step_or_copy, 0.25);
    // Off on all: the step field takes a copy of each value.
    EXPECT_EQ(variables_set_rounding(df, 0, false, 0.5), 2);
    v = model_variables_read(df);
    EXPECT_FALSE(v[1].flags & model_variable_flag_rounding);
    EXPECT_DOUBLE_EQ(v[1].step_or_copy, 1.25);
    EXPECT_DOUBLE_EQ(v[0].step_or_copy, 3.0);
}

TEST_F(VariableStore, GeneratorNamesBindsAndAppends) {
    std::string text = "A = 3\r\nsave A";
    std::string message;
    EXPECT_EQ(variables_from_dimensions(df, pref, text, &message), 3);
    EXPECT_EQ(text,
              "A = 3\r\nsave A\r\n"
              "' ...для проекции \"Вид\"\r\n"
              "save X!12, Y!13, D!14\r\n"
              "X!12 = 40\r\nY!13 = 7.5\r\nD!14 = 20\r\n");
    // Ids from the highest stored one (5) up; dimension 15 keeps its variable.
    EXPECT_EQ(bindings(), (std::vector<uint16_t>{6, 7, 8, 1}));
    std::vector<ModelVariableInfo> v = model_variables_read(df);
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[2].name, "X!12");
    EXPECT_EQ(v[2].type, model_type_real);
    EXPECT_DOUBLE_EQ(v[3].value, 7.5);
    // Nothing is left unbound: nothing more is made.
    EXPECT_EQ(variables_from_dimensions(df, pref, text, &message), 0);
}

TEST_F(VariableStore, GeneratorRefusesATooLongTextBeforeMakingAnything) {
    // What the generator appends to a text that ends in a line break.
    const std::string probe =
        "' ...для проекции \"Вид\"\r\nsave X!12, Y!13, D!14\r\nX!12 = 40\r\nY!13 = 7.5\r\nD!14 = 20\r\n";
    std::string message;
    // A text that ends in a break, so that nothing is added between.
    std::string text(65533 - probe.size() + 1, 'x');
    text.replace(text.size() - 2, 2, "\r\n");
    std::string before = text;
    EXPECT_EQ(variables_from_dimensions(df, pref, text, &message), -1);
    EXPECT_EQ(message, "Длина программы модели не может быть больше 65535 байт");
    EXPECT_EQ(text, before);
    EXPECT_EQ(bindings(), (std::vector<uint16_t>{0, 0, 0, 1}));
    EXPECT_EQ(model_variables_read(df).size(), 2u);
    // One byte less: exactly 65533, accepted.
    text.assign(65533 - probe.size(), 'x');
    text.replace(text.size() - 2, 2, "\r\n");
    EXPECT_EQ(variables_from_dimensions(df, pref, text, &message), 3);
    EXPECT_EQ(text.size(), 65533u);
}

TEST_F(VariableStore, UsageListing) {
    EXPECT_EQ(variable_usage_listing_text(df),
              "A = 3\nРазмер на точках: 9, 2\n"
              "UNUSED = 1.25 - в размерах и брусках не используется!\n\n");
}

}  // namespace
