// The graphic table image: placeholders read, rows cut into pages, cell
// texts wrapped, and pages built from two templates with their texts in
// the cells, their dimensions hidden and their page marks set.
#include "shell/core/table_image.h"
#include "shell/core/table_template.h"
#include "tests/fonts/font_test_support.h"
#include "tests/store/store_test_support.h"

#include "annotation/annotation_properties.h"
#include "geometry/kernel_context.h"
#include "model/tables.h"
#include "output/page_sheets.h"
#include "shell/core/projection_records.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"
#include "store/text_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

TEST(TableImagePlaceholders, ReadsBothMarkSetsAndRefusesEverythingElse) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t column, row;
    } cases[] = {
        {"!к3с2", true, 3, 2},       {"!c12r1", true, 12, 1},     {"!К1С10", true, 1, 10},
        {"!C7R7", true, 7, 7},       {"  !к1с1  ", true, 1, 1},   {"!кс1", false, 0, 0},
        {"!к0с1", false, 0, 0},      {"!к1с0", false, 0, 0},      {"!к1", false, 0, 0},
        {"к1с1", false, 0, 0},       {"!к1с1x", false, 0, 0},     {"!к1 с1", false, 0, 0},
        {"!x1c1", false, 0, 0},      {"", false, 0, 0},           {"!к1234567890с1", false, 0, 0},
        {"!r1c1", false, 0, 0},  // the marks in the wrong order
    };
    for (const Case& k : cases) {
        CellPlaceholder c;
        EXPECT_EQ(cell_placeholder_parse(k.text, &c), k.ok) << k.text;
        if (k.ok) {
            EXPECT_EQ(c.column, k.column) << k.text;
            EXPECT_EQ(c.row, k.row) << k.text;
        }
    }
}

TEST(TableImagePages, RowsCutIntoPages) {
    struct Case {
        uint32_t rows, first, next;
        int pages;
    } cases[] = {
        {0, 10, 0, 1},    // an empty table still has its first page
        {10, 10, 0, 1},   // exactly the first page
        {11, 10, 0, -1},  // a second page but no following template
        {11, 10, 15, 2},
        {25, 10, 15, 2},  // 10 + 15
        {26, 10, 15, 3},
        {5, 0, 2, 4},     // a first page without rows, then 2 + 2 + 1
    };
    for (const Case& k : cases)
        EXPECT_EQ(table_image_page_count(k.rows, k.first, k.next), k.pages)
            << k.rows << " " << k.first << " " << k.next;
    // First page rows 0..9, second 10..24, third from 25.
    EXPECT_EQ(table_image_table_row(1, 1, 10, 15), 0u);
    EXPECT_EQ(table_image_table_row(1, 10, 10, 15), 9u);
    EXPECT_EQ(table_image_table_row(2, 1, 10, 15), 10u);
    EXPECT_EQ(table_image_table_row(3, 1, 10, 15), 25u);
}

// One unit per character: the expected lines are counted by hand.
TEST(TableImageWrap, BreaksAtBlanksThenInsideLongWords) {
    auto chars = [](const std::string& s) { return static_cast<double>(s.size()); };
    struct Case {
        const char* text;
        double width;
        std::vector<std::string> lines;
    } cases[] = {
        {"abc", 10, {"abc"}},
        {"aa bb cc", 5, {"aa bb", "cc"}},
        {"aa   bb", 4, {"aa", "bb"}},
        {"abcdefgh", 3, {"abc", "def", "gh"}},
        // A variable reference is never cut, even when it is longer than a line.
        {"a {XYZ} b", 3, {"a", "{XYZ}", "b"}},
        {"ab{X}cd", 4, {"ab", "{X}c", "d"}},
        // The stored break stays a break.
        {"one\\ntwo three", 5, {"one", "two", "three"}},
        // No width: the text stays whole.
        {"aa bb", 0, {"aa bb"}},
    };
    for (const Case& k : cases) EXPECT_EQ(cell_text_wrap(k.text, k.width, chars), k.lines) << k.text;
}

class TableImage : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    uint32_t table = 0;
    uint32_t first = 0, next = 0;
    // Kept for the whole run: the loaded fonts point into these bytes, and
    // the tests after these ones may measure texts too.
    static std::vector<std::vector<uint8_t>>& fonts() {
        static std::vector<std::vector<uint8_t>> bytes = font_test::built_fonts();
        return bytes;
    }
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        point_numbers_rebuild();
        element_numbers_rebuild();
        kernel_context_set_defaults();
        ASSERT_EQ(settings_block_unpack(), 0);
        ASSERT_EQ(font_test::load_fonts(fonts()), 0);
        // Two columns 40 and 30 wide, header 20, rows 10: cells x [0, 40]
        // and [40, 70], body row i between y = 10 + 10 i and 20 + 10 i.
        // The first template shows 2 rows, table column 1 at the start of
        // its cell, column 2 at the end; the following one 3 rows, column 1
        // in the middle.
        first = build_template("Первый", 2, 0);
        next = build_template("Следующий", 3, 1);
        table = table_create(df, "Т", nullptr, 0);
        ASSERT_NE(table, 0u);
        ASSERT_TRUE(table_add_column(df, table, 1, "А", nullptr, 0));
        ASSERT_TRUE(table_add_column(df, table, 2, "Б", nullptr, 0));
        const std::map<std::pair<int, int>, std::string> cells = {
            {{1, 0}, "А1"}, {{2, 0}, "Б1"}, {{1, 1}, "А2"}, {{1, 2}, "А3"}, {{2, 3}, "Б4"}};
        for (const auto& c : cells)
            ASSERT_TRUE(table_cell_write(df, table, static_cast<uint16_t>(c.first.first),
                                         static_cast<uint16_t>(c.first.second), c.second, nullptr, 0));
        ASSERT_EQ(table_update_next_row(df, table), 4);
    }
    uint32_t build_template(const std::string& name, uint32_t rows, uint8_t first_alignment,
                            uint16_t text_flags = 0, double row_height = 10.0) {
        TemplateParams t;
        t.name = name;
        t.rows = rows;
        t.row_height = row_height;
        for (double w : {40.0, 30.0}) {
            TemplateColumn c;
            c.width = w;
            t.columns.push_back(c);
        }
        for (uint32_t k = 1; k <= 2; ++k) {
            TemplateBinding b;
            b.table_column = k;
            b.template_column = k;
            b.alignment = k == 1 ? first_alignment : 2;
            b.text_flags = text_flags;
            t.bindings.push_back(b);
        }
        TemplateBuildResult r = template_build(df, t, 0);
        EXPECT_NE(r.projection, 0u) << r.message;
        return r.projection;
    }
    unsigned char* projection(uint32_t number) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        return record_find_key(df, head, number, nullptr, &page_buffers[table_projections]);
    }
    uint32_t projection_named(const std::string& name) {
        for (const ProjectionEntry& e : projection_chain_entries(df)) {
            unsigned char* p = projection(e.number);
            uint16_t words[16] = {};
            std::memcpy(words, p + projection_title, 32);
            char title[80] = "";
            text_unpack_words(get_u16(p, projection_title_length), words, title, sizeof title - 1, 3);
            std::string s = title;
            while (!s.empty() && s.back() == ' ') s.pop_back();
            if (s == name) return e.number;
        }
        return 0;
    }
    struct Text {
        std::string text;
        float f1x, f1y, f2x, f2y, c1x, c1y, c2x, c2y;
        uint8_t alignment;
    };
    std::map<std::string, Text> texts_of(uint32_t number) {
        std::vector<std::vector<uint8_t>> recs;
        RecordRef* head = reinterpret_cast<RecordRef*>(projection(number) + projection_annotations);
        for (unsigned char* a = record_next(df, head, nullptr, &page_buffers[table_annotation]); a;
             a = record_next(df, head, a, &page_buffers[table_annotation]))
            if (a[record_kind] == annotation_text_fragment) recs.emplace_back(a, a + get_u16(a, record_length));
        std::map<std::string, Text> out;
        for (const auto& r : recs) {
            const uint8_t* a = r.data();
            Text t{record_text(a, text_fragment_head),
                   get_f32(a, text_fragment_frame1), get_f32(a, text_fragment_frame1 + 4),
                   get_f32(a, text_fragment_frame2), get_f32(a, text_fragment_frame2 + 4),
                   get_f32(a, text_fragment_corner1), get_f32(a, text_fragment_corner1 + 4),
                   get_f32(a, text_fragment_corner2), get_f32(a, text_fragment_corner2 + 4),
                   a[text_fragment_alignment]};
            out[t.text] = t;
        }
        return out;
    }
    TableImageRequest request() {
        TableImageRequest r;
        r.table = table;
        r.first_template = first;
        r.next_template = next;
        return r;
    }
};

// The template builder puts each placeholder inside the cell of its row,
// with the binding's alignment; the image then finds that cell.
TEST_F(TableImage, TemplatePlaceholdersStandInTheirCells) {
    std::map<std::string, Text> t = texts_of(next);
    ASSERT_EQ(t.size(), 6u);
    for (uint32_t row = 1; row <= 3; ++row)
        for (uint32_t column = 1; column <= 2; ++column) {
            std::string name = "!к" + std::to_string(column) + "с" + std::to_string(row);
            ASSERT_TRUE(t.count(name)) << name;
            const Text& x = t[name];
            double top = 10.0 + 10.0 * row, left = column == 1 ? 0.0 : 40.0;
            EXPECT_NEAR(x.f1x, left, 1e-4) << name;
            EXPECT_NEAR(x.f1y, top, 1e-4) << name;
            EXPECT_LE(x.f2y, top + 10.0) << name;
            EXPECT_EQ(x.alignment, column == 1 ? 1 : 2) << name;
        }
}

TEST_F(TableImage, PagesTakeTheRowsTheirTextsStandInTheirCells) {
    TableImageResult r = table_image_build(df, request());
    ASSERT_TRUE(r.message.empty()) << r.message;
    ASSERT_EQ(r.pages.size(), 2u);
    EXPECT_EQ(r.created, r.pages);
    EXPECT_EQ(r.texts, 5);
    uint32_t p1 = projection_named("1 Т"), p2 = projection_named("2 Т");
    ASSERT_EQ(p1, r.pages[0]);
    ASSERT_EQ(p2, r.pages[1]);
    // Views, not fragments; page marks: a new page, then its continuation.
    EXPECT_EQ(get_u16(projection(p1), projection_flags) & projection_flag_type_mask, 0);
    EXPECT_EQ(get_u16(projection(p1), projection_page_flags) & 0x3000, page_projection_mark);
    EXPECT_EQ(get_u16(projection(p2), projection_page_flags) & 0x3000,
              page_projection_mark | page_projection_continues);
    // The pages are no template fragments.
    std::vector<TemplateFragment> fragments = table_image_fragments(df);
    ASSERT_EQ(fragments.size(), 2u);
    EXPECT_EQ(fragments[0].title, "Первый");
    EXPECT_EQ(fragments[1].number, next);

    const double m = 1.24;  // the text's margin to the cell, sheet mm at scale 1
    std::map<std::string, Text> t1 = texts_of(p1);
    ASSERT_EQ(t1.size(), 3u);  // row 2's column 2 is empty: its placeholder is gone
    ASSERT_TRUE(t1.count("А1") && t1.count("Б1") && t1.count("А2"));
    // Table row 0 in page row 1 (y 20..30), row 1 in page row 2 (y 30..40):
    // centred across, column 1 at the cell's start, column 2 at its end.
    EXPECT_NEAR(t1["А1"].c1x, 0.0 + m, 1e-4);
    EXPECT_NEAR((t1["А1"].c1y + t1["А1"].c2y) / 2, 25.0, 1e-4);
    EXPECT_NEAR(t1["Б1"].c2x, 70.0 - m, 1e-4);
    EXPECT_NEAR((t1["Б1"].c1y + t1["Б1"].c2y) / 2, 25.0, 1e-4);
    EXPECT_NEAR((t1["А2"].c1y + t1["А2"].c2y) / 2, 35.0, 1e-4);
    EXPECT_NEAR(t1["А2"].f1x, t1["А2"].c1x - m, 1e-4);
    // Page 2 starts at table row 2: "А3" in its row 1 centred in column 1,
    // "Б4" in its row 2 at the end of column 2.
    std::map<std::string, Text> t2 = texts_of(p2);
    ASSERT_EQ(t2.size(), 2u);
    ASSERT_TRUE(t2.count("А3") && t2.count("Б4"));
    EXPECT_NEAR((t2["А3"].c1x + t2["А3"].c2x) / 2, 20.0, 1e-4);
    EXPECT_NEAR((t2["А3"].c1y + t2["А3"].c2y) / 2, 25.0, 1e-4);
    EXPECT_NEAR(t2["Б4"].c2x, 70.0 - m, 1e-4);
    EXPECT_NEAR((t2["Б4"].c1y + t2["Б4"].c2y) / 2, 35.0, 1e-4);

    // The copied dimensions and their labels are hidden; the template keeps
    // its own shown.
    auto hidden = [&](uint32_t number, int* dims, int* shown) {
        unsigned char* p = projection(number);
        RecordRef* head = reinterpret_cast<RecordRef*>(p + projection_dimensions);
        for (unsigned char* d = record_next(df, head, nullptr, &page_buffers[table_dimensions]); d;
             d = record_next(df, head, d, &page_buffers[table_dimensions])) {
            ++*dims;
            if (!(get_u16(d, dimension_value_word) & 0x0008)) ++*shown;
        }
    };
    int dims = 0, shown = 0;
    hidden(p1, &dims, &shown);
    EXPECT_EQ(dims, 2 + 3);  // a width per column, a height per row band
    EXPECT_EQ(shown, 0);
    dims = shown = 0;
    hidden(first, &dims, &shown);
    EXPECT_EQ(shown, dims);
}

// Turned texts (direction -pi/2) run from the cell's larger y toward its
// smaller one: alignment 0 starts at the larger y, alignment 2 ends at the
// smaller; across the run (x) they are centred.  Rows of 40: cells y 20..60
// and 60..100.
TEST_F(TableImage, TurnedTextsRunAlongTheCellsHeight) {
    uint32_t turned = build_template("Повёрнутый", 4, 0, template_text_rotated, 40.0);
    TableImageRequest r = request();
    r.first_template = turned;
    TableImageResult built = table_image_build(df, r);
    ASSERT_TRUE(built.message.empty()) << built.message;
    ASSERT_EQ(built.pages.size(), 1u);
    std::map<std::string, Text> t = texts_of(built.pages[0]);
    ASSERT_TRUE(t.count("А1") && t.count("Б1") && t.count("А2"));
    const double m = 1.24;
    EXPECT_NEAR(t["А1"].c2y, 60.0 - m, 1e-4);
    EXPECT_NEAR((t["А1"].c1x + t["А1"].c2x) / 2, 20.0, 1e-4);
    EXPECT_NEAR(t["Б1"].c1y, 20.0 + m, 1e-4);
    EXPECT_NEAR((t["Б1"].c1x + t["Б1"].c2x) / 2, 55.0, 1e-4);
    EXPECT_NEAR(t["А2"].c2y, 100.0 - m, 1e-4);
    // Along y the box is as long as the measured text.
    select_text_font(0, 0, 0);
    double w = 0, h = 0;
    measure_text("А1", &w, &h);
    EXPECT_NEAR(t["А1"].c2y - t["А1"].c1y, w, 1e-4);
}

TEST_F(TableImage, RebuildReplacesOnlyWhenAllowed) {
    ASSERT_TRUE(table_image_build(df, request()).message.empty());
    size_t projections = projection_chain_entries(df).size();
    uint32_t p1 = projection_named("1 Т");
    // The cell changes; asked and refused: nothing is rebuilt.
    ASSERT_TRUE(table_cell_write(df, table, 1, 0, "Новое", nullptr, 0));
    std::vector<std::string> asked;
    TableImageRequest no = request();
    no.replace = [&](const std::string& name) {
        asked.push_back(name);
        return false;
    };
    TableImageResult r = table_image_build(df, no);
    EXPECT_TRUE(r.pages.empty());
    EXPECT_EQ(asked, (std::vector<std::string>{"1 Т", "2 Т"}));
    EXPECT_TRUE(texts_of(p1).count("А1"));
    // Allowed: the same projections take the new texts.
    TableImageRequest yes = request();
    yes.replace = [](const std::string&) { return true; };
    r = table_image_build(df, yes);
    ASSERT_EQ(r.pages.size(), 2u);
    EXPECT_TRUE(r.created.empty());
    EXPECT_EQ(r.pages[0], p1);
    EXPECT_EQ(projection_chain_entries(df).size(), projections);
    std::map<std::string, Text> t1 = texts_of(p1);
    EXPECT_TRUE(t1.count("Новое"));
    EXPECT_FALSE(t1.count("А1"));
}

TEST_F(TableImage, MissingTemplatesAndTooManyPagesAreRefusedWithNothingBuilt) {
    size_t projections = projection_chain_entries(df).size();
    TableImageRequest none = request();
    none.first_template = 0;
    EXPECT_EQ(table_image_build(df, none).message, "Не заданы шаблоны таблицы");
    // Four rows need a second page, which has no template.
    TableImageRequest only_first = request();
    only_first.next_template = 0;
    EXPECT_EQ(table_image_build(df, only_first).message, "Не заданы шаблоны таблицы");
    // One row a page and 3000 rows: more pages than sheet numbers.
    uint32_t one_row = build_template("Одна строка", 1, 0);
    projections = projection_chain_entries(df).size();
    ASSERT_TRUE(table_cell_write(df, table, 1, 2999, "Последняя", nullptr, 0));
    ASSERT_EQ(table_update_next_row(df, table), 3000);
    TableImageRequest many = request();
    many.first_template = many.next_template = one_row;
    EXPECT_EQ(table_image_build(df, many).message, "Слишком много листов");
    EXPECT_EQ(projection_chain_entries(df).size(), projections);
}

// Wrapped: every line of the long text fits the cell less its margins, and
// with the main font register 2 each line starts with "@2".
TEST_F(TableImage, WrappedTextsFitTheirCellsAndCarryTheRegister) {
    const std::string long_text = "Очень длинное наименование детали в одной ячейке";
    ASSERT_TRUE(table_cell_write(df, table, 1, 0, long_text, nullptr, 0));
    TableImageRequest r = request();
    r.wrap = true;
    r.font_register = 2;
    TableImageResult built = table_image_build(df, r);
    ASSERT_TRUE(built.message.empty()) << built.message;
    std::map<std::string, Text> t1 = texts_of(built.pages[0]);
    std::string wrapped;
    for (const auto& t : t1)
        if (t.first.find("Очень") != std::string::npos) wrapped = t.first;
    ASSERT_FALSE(wrapped.empty());
    std::vector<std::string> lines;
    for (size_t at = 0;;) {
        size_t brk = wrapped.find("\\n", at);
        lines.push_back(wrapped.substr(at, brk == std::string::npos ? std::string::npos : brk - at));
        if (brk == std::string::npos) break;
        at = brk + 2;
    }
    ASSERT_GE(lines.size(), 2u);
    std::string joined;
    for (const std::string& line : lines) {
        ASSERT_EQ(line.substr(0, 2), "@2");
        select_text_font(0, 0, 0);  // the placeholder's font: style word 0, size 0, upright font A
        double w = 0, h = 0;
        measure_text(line.c_str(), &w, &h);
        EXPECT_LE(w, 40.0 - 2 * 1.24 + 1e-9) << line;
        joined += (joined.empty() ? "" : " ") + line.substr(2);
    }
    EXPECT_EQ(joined, long_text);
    EXPECT_EQ(t1.count("@2Б1"), 1u);
}

}  // namespace
