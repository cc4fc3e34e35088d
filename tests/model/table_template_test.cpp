// Table templates built as records: counts of points, elements, dimensions
// and links per size, the header row alone for 0 rows, a rebuild keeping
// the projection's number, the parameters loaded back, and the axis marks.
#include "shell/core/table_template.h"
#include "tests/fonts/font_test_support.h"
#include "tests/store/store_test_support.h"

#include "annotation/annotation_properties.h"
#include "annotation/leader_properties.h"
#include "geometry/kernel_context.h"
#include "store/settings_block.h"

#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Counts {
    int projections = 0, points = 0, elements = 0, dimensions = 0, links = 0, construction = 0;
};

class TableTemplate : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        point_numbers_rebuild();
        element_numbers_rebuild();
    }
    static int chain_count(DrawingFile* df, unsigned char* p, uint32_t offset, int table) {
        int n = 0;
        RecordRef* head = reinterpret_cast<RecordRef*>(p + offset);
        for (unsigned char* r = record_next(df, head, nullptr, &page_buffers[table]); r;
             r = record_next(df, head, r, &page_buffers[table]))
            ++n;
        return n;
    }
    // Counted from the stored records of every projection.
    Counts counts() {
        Counts c;
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        std::vector<RecordRef> refs;
        for (unsigned char* p = record_next(df, head, nullptr, &page_buffers[table_projections]); p;
             p = record_next(df, head, p, &page_buffers[table_projections]))
            refs.push_back(record_ref_of(&page_buffers[table_projections], p));
        for (RecordRef ref : refs) {
            ++c.projections;
            const std::pair<int*, std::pair<uint32_t, int>> chains[] = {
                {&c.points, {projection_points, table_points}},
                {&c.elements, {projection_elements, table_elements}},
                {&c.dimensions, {projection_dimensions, table_dimensions}},
                {&c.links, {projection_links, table_links}},
                {&c.construction, {projection_construction, table_construction}}};
            for (const auto& ch : chains) {
                RecordRef at = ref;
                unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
                *ch.first += chain_count(df, p, ch.second.first, ch.second.second);
            }
        }
        return c;
    }
    static TemplateParams params(int columns, uint32_t rows) {
        TemplateParams t;
        t.name = "Шаблон";
        t.rows = rows;
        for (int i = 0; i < columns; ++i) {
            TemplateColumn c;
            c.width = 15.0 + 5 * i;
            c.caption = "Колонка " + std::to_string(i + 1);
            t.columns.push_back(c);
        }
        TemplateBinding b;
        b.table_column = 1;
        b.template_column = 2;
        t.bindings.push_back(b);
        return t;
    }
};

TEST_F(TableTemplate, CountsPerSize) {
    struct Case {
        int columns;
        uint32_t rows;
        int points, elements, dimensions, links;
    } cases[] = {
        // (r + 2)(c + 1), (r + 2)c + (r + 1)(c + 1), c + r + 1,
        // links 4c(r + 1) + 2(r + 1)(c + 1)
        {4, 10, 60, 103, 15, 286},
        {1, 0, 4, 4, 2, 8},  // the header row alone
        {3, 2, 16, 24, 6, 60},
    };
    for (const Case& k : cases) {
        TemplateParams t = params(k.columns, k.rows);
        t.name = "T" + std::to_string(k.columns) + "x" + std::to_string(k.rows);
        Counts before = counts();
        TemplateBuildResult r = template_build(df, t, 0);
        ASSERT_NE(r.projection, 0u) << r.message;
        Counts after = counts();
        EXPECT_EQ(after.projections - before.projections, 1);
        EXPECT_EQ(after.points - before.points, k.points) << t.name;
        EXPECT_EQ(after.elements - before.elements, k.elements) << t.name;
        EXPECT_EQ(after.dimensions - before.dimensions, k.dimensions) << t.name;
        EXPECT_EQ(after.links - before.links, k.links) << t.name;
        EXPECT_EQ(after.construction - before.construction, 1 + k.columns + 1) << t.name;
        EXPECT_EQ(r.points, k.points);
        EXPECT_EQ(r.links, k.links);
    }
}

TEST_F(TableTemplate, RebuildKeepsTheProjectionAndLoadsBack) {
    TemplateParams t = params(4, 10);
    TemplateBuildResult first = template_build(df, t, 0);
    ASSERT_NE(first.projection, 0u);
    RecordRef found = template_find_projection(df, "Шаблон");
    ASSERT_NE(found, 0u);
    EXPECT_EQ(template_find_projection(df, "Другой"), 0u);
    TemplateParams loaded;
    ASSERT_TRUE(template_load(df, found, loaded));
    EXPECT_EQ(loaded.name, "Шаблон");
    EXPECT_EQ(loaded.rows, 10u);
    ASSERT_EQ(loaded.columns.size(), 4u);
    EXPECT_DOUBLE_EQ(loaded.columns[3].width, 30.0);
    EXPECT_EQ(loaded.columns[2].caption, "Колонка 3");
    EXPECT_NE(loaded.columns[0].width_dimension, 0u);
    ASSERT_EQ(loaded.bindings.size(), 1u);
    EXPECT_EQ(loaded.bindings[0].template_column, 2u);
    // Built again with 2 rows into the same projection: its number stays,
    // its contents are replaced.
    loaded.rows = 2;
    TemplateBuildResult again = template_build(df, loaded, found);
    EXPECT_EQ(again.projection, first.projection);
    Counts c = counts();
    EXPECT_EQ(c.projections, 1);
    EXPECT_EQ(c.points, 4 * 5);
    EXPECT_EQ(c.dimensions, 4 + 3);
    TemplateParams empty;
    empty.name = "  ";
    EXPECT_EQ(template_build(df, empty, 0).message, "Имя шаблона не может быть пустым");
}

TEST_F(TableTemplate, CaptionsAndPlaceholdersWithTheFonts) {
    kernel_context_set_defaults();
    ASSERT_EQ(settings_block_unpack(), 0);
    std::vector<std::vector<uint8_t>> fonts = font_test::built_fonts();
    ASSERT_EQ(font_test::load_fonts(fonts), 0);
    // Three captioned columns, two body rows, table column 1 shown in
    // template column 2.
    TemplateParams t = params(3, 2);
    t.columns[1].style = 0x0012;
    TemplateBuildResult r = template_build(df, t, 0);
    ASSERT_NE(r.projection, 0u) << r.message;
    EXPECT_EQ(r.texts, 5);
    RecordRef ref = template_find_projection(df, "Шаблон");
    unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    std::vector<std::string> texts;
    std::vector<uint16_t> styles;
    RecordRef* head = reinterpret_cast<RecordRef*>(p + projection_annotations);
    for (unsigned char* a = record_next(df, head, nullptr, &page_buffers[table_annotation]); a;
         a = record_next(df, head, a, &page_buffers[table_annotation])) {
        if (a[record_kind] != annotation_text_fragment) continue;  // the dimensions' labels
        texts.push_back(record_text(a, text_fragment_head));
        styles.push_back(get_u16(a, annotation_flags));
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"!к1с1", "!к1с2", "Колонка 1", "Колонка 2", "Колонка 3"}));
    EXPECT_NE(std::find(styles.begin(), styles.end(), 0x0012), styles.end());
}

// An axis grid marks its axes with leaders: on the left the horizontal
// axes counted here from the bottom (first mark "А9"), on top the vertical
// axes from the left (first mark "01"); each leader's arrow lies on the
// axis end and its text stands outside the grid.
TEST_F(TableTemplate, AxisGridMarksItsAxesWithLeaders) {
    kernel_context_set_defaults();
    ASSERT_EQ(settings_block_unpack(), 0);
    std::vector<std::vector<uint8_t>> fonts = font_test::built_fonts();
    ASSERT_EQ(font_test::load_fonts(fonts), 0);
    TemplateParams t = params(2, 1);  // axes x 0, 15, 35; y 0, 20, 30
    t.bindings.clear();
    for (TemplateColumn& c : t.columns) c.caption.clear();
    t.flags = template_flag_grid | 0x0044 | template_flag_marks | template_mark_left | template_mark_top |
              template_first_bottom;
    t.first_horizontal_mark = "А9";
    t.first_vertical_mark = "01";
    TemplateBuildResult r = template_build(df, t, 0);
    ASSERT_NE(r.projection, 0u) << r.message;
    EXPECT_EQ(r.marks, 6);
    RecordRef ref = template_find_projection(df, "Шаблон");
    unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    struct Mark {
        std::string text;
        float x, y;          // the arrow end
        float text_x, text_y;
        bool operator<(const Mark& o) const { return text < o.text; }
    };
    std::vector<Mark> marks;
    RecordRef* head = reinterpret_cast<RecordRef*>(p + projection_annotations);
    for (unsigned char* a = record_next(df, head, nullptr, &page_buffers[table_annotation]); a;
         a = record_next(df, head, a, &page_buffers[table_annotation])) {
        if (a[record_kind] != annotation_leader) continue;
        marks.push_back({leader_texts(a).upper, get_f32(a, leader_point1), get_f32(a, leader_point1 + 4),
                         get_f32(a, leader_text1), get_f32(a, leader_text1 + 4)});
    }
    std::sort(marks.begin(), marks.end());
    ASSERT_EQ(marks.size(), 6u);
    struct Expected {
        const char* text;
        float x, y;
    } expected[] = {{"01", 0, 0}, {"02", 15, 0}, {"03", 35, 0}, {"А10", 0, 20}, {"А11", 0, 0}, {"А9", 0, 30}};
    std::sort(std::begin(expected), std::end(expected),
              [](const Expected& a, const Expected& b) { return std::string(a.text) < b.text; });
    for (size_t i = 0; i < marks.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(marks[i].text, expected[i].text);
        EXPECT_FLOAT_EQ(marks[i].x, expected[i].x);
        EXPECT_FLOAT_EQ(marks[i].y, expected[i].y);
        // Left marks stand left of the grid, top marks above it (y downward).
        if (marks[i].text[0] == '0') EXPECT_LT(marks[i].text_y, 0.0f);
        else EXPECT_LT(marks[i].text_x, 0.0f);
    }
    // A table template (no grid) makes no marks.
    TemplateParams table = params(2, 1);
    table.name = "Таблица";
    table.flags = 0x0012 | template_flag_marks | template_mark_left;
    EXPECT_EQ(template_build(df, table, 0).marks, 0);
}

// The sides and first axes the grid dialog chooses: each case builds a
// grid with its axes at x 0, 15, 35 and y 0, 20, 30 (y downward) and lists
// every leader it must carry: its text, its arrow end and the side its text
// stands out on. The flags and first marks load back from the template.
TEST_F(TableTemplate, AxisGridMarksTheChosenSidesFromTheChosenFirstAxes) {
    kernel_context_set_defaults();
    ASSERT_EQ(settings_block_unpack(), 0);
    std::vector<std::vector<uint8_t>> fonts = font_test::built_fonts();
    ASSERT_EQ(font_test::load_fonts(fonts), 0);
    enum Side { left, right, top, bottom };
    struct Expected {
        std::string text;
        float x, y;
        Side side;
        bool operator<(const Expected& o) const {
            return std::tie(text, x, y) < std::tie(o.text, o.x, o.y);
        }
    };
    struct Case {
        const char* name;
        uint16_t sides;
        const char* first_horizontal;
        const char* first_vertical;
        std::vector<Expected> marks;
    } cases[] = {
        {"right from the top, bottom from the right", template_mark_right | template_mark_bottom | template_first_right,
         "1", "А",
         {{"1", 35, 0, right}, {"2", 35, 20, right}, {"3", 35, 30, right},
          {"А", 35, 30, bottom}, {"А1", 15, 30, bottom}, {"А2", 0, 30, bottom}}},
        {"all four, left and right from the bottom",
         template_mark_left | template_mark_right | template_mark_top | template_mark_bottom | template_first_bottom,
         "01", "Б",
         {{"01", 0, 30, left}, {"02", 0, 20, left}, {"03", 0, 0, left},
          {"01", 35, 30, right}, {"02", 35, 20, right}, {"03", 35, 0, right},
          {"Б", 0, 0, top}, {"Б1", 15, 0, top}, {"Б2", 35, 0, top},
          {"Б", 0, 30, bottom}, {"Б1", 15, 30, bottom}, {"Б2", 35, 30, bottom}}},
    };
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        TemplateParams t = params(2, 1);
        t.name = k.name[0] == 'r' ? "С1" : "С2";
        t.bindings.clear();
        for (TemplateColumn& c : t.columns) c.caption.clear();
        t.flags = static_cast<uint16_t>(template_flag_grid | 0x0044 | template_flag_marks | k.sides);
        t.first_horizontal_mark = k.first_horizontal;
        t.first_vertical_mark = k.first_vertical;
        TemplateBuildResult r = template_build(df, t, 0);
        ASSERT_NE(r.projection, 0u) << r.message;
        EXPECT_EQ(r.marks, static_cast<int>(k.marks.size()));
        RecordRef ref = template_find_projection(df, t.name);
        TemplateParams loaded;
        ASSERT_TRUE(template_load(df, ref, loaded));
        EXPECT_EQ(loaded.flags, t.flags);
        EXPECT_EQ(loaded.first_horizontal_mark, k.first_horizontal);
        EXPECT_EQ(loaded.first_vertical_mark, k.first_vertical);
        unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
        ASSERT_NE(p, nullptr);
        std::vector<std::pair<Expected, std::pair<float, float>>> found;
        RecordRef* head = reinterpret_cast<RecordRef*>(p + projection_annotations);
        for (unsigned char* a = record_next(df, head, nullptr, &page_buffers[table_annotation]); a;
             a = record_next(df, head, a, &page_buffers[table_annotation])) {
            if (a[record_kind] != annotation_leader) continue;
            found.push_back({{leader_texts(a).upper, get_f32(a, leader_point1), get_f32(a, leader_point1 + 4), left},
                             {get_f32(a, leader_text1), get_f32(a, leader_text1 + 4)}});
        }
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<Expected> expected = k.marks;
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(found.size(), expected.size());
        for (size_t i = 0; i < found.size(); ++i) {
            const Expected& e = expected[i];
            SCOPED_TRACE(e.text);
            EXPECT_EQ(found[i].first.text, e.text);
            EXPECT_FLOAT_EQ(found[i].first.x, e.x);
            EXPECT_FLOAT_EQ(found[i].first.y, e.y);
            float tx = found[i].second.first, ty = found[i].second.second;
            switch (e.side) {
            case left: EXPECT_LT(tx, 0.0f); break;
            case right: EXPECT_GT(tx, 35.0f); break;
            case top: EXPECT_LT(ty, 0.0f); break;
            case bottom: EXPECT_GT(ty, 30.0f); break;
            }
        }
    }
}

// A first mark holds at most 6 symbols of the general-text codec: from its
// starting class (Cyrillic small letters) a digit costs a class switch once
// and then one symbol each, a Cyrillic capital a switch of its own.
TEST(TemplateMarks, FirstMarkFitsItsFourBytes) {
    const struct {
        const char* mark;
        bool fits;
    } cases[] = {{"1", true},       {"12345", true},  {"123456", false}, {"А100", true},
                 {"А1000", false},  {"Б12 ", true},   {"", true}};
    for (const auto& c : cases) EXPECT_EQ(template_mark_fits(c.mark), c.fits) << c.mark;
}

TEST(TemplateMarks, NextMark) {
    const char* cases[][2] = {{"01", "02"}, {"09", "10"}, {"9", "10"}, {"А", "А1"},
                              {"А9", "А10"}, {"1", "2"}, {"Б12 ", "Б13"}, {"099", "100"}, {"", "1"}};
    for (const auto& c : cases) EXPECT_EQ(template_next_mark(c[0]), c[1]) << c[0];
}

}  // namespace
