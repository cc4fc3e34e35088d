// Page sheets: page projections get sheets of their own with the text
// document title blocks, page numbers and the format their page needs, and
// automatic layout on a page sheet only places its page again.
#include "output/page_sheets.h"

#include "geometry/kernel_context.h"
#include "output/layout_nodes.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "store/record_layouts.h"

#include "sheet_test_support.h"

#include <string>

using store_test::StoreTest;

namespace {

class PageSheetsTest : public StoreTest {
protected:
    DrawingFile* df = nullptr;
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        ASSERT_NE(df, nullptr);
        put_f64(df->header, header_scale, 1.0);
        // Sheet mm and model units convert with this drawing's scale.
        bind_current_drawing_header([]() -> const uint8_t* { return open_drawings[current_drawing]->header; });
        put_u8(df->header, header_sheet_format, sheet_format_a3);
        put_u8(df->header, header_title_block_kind, 1);
        sheet_chain_open(df);
    }
    void TearDown() override {
        bind_current_drawing_header(nullptr);
        StoreTest::TearDown();
    }
    // A projection with its frame (x0, y0)-(x1, y1) and page marks.
    void add_view(uint32_t number, float x0, float y0, float x1, float y1, uint16_t marks) {
        ASSERT_TRUE(sheet_test::add_sheet_view(df, {number, view_kind_general, x0, y0, x1, y1, 1, marks}));
    }
    unsigned char* projection(uint32_t number) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        return record_find_key(df, head, number, nullptr, &page_buffers[table_projections]);
    }
    uint32_t sheet_of(uint32_t number) { return get_u16(projection(number), projection_sheet_number) & 0x07ff; }
    // A copy of SheetRecord number (length 0 when absent).
    std::vector<unsigned char> sheet(uint32_t number) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_sheets);
        unsigned char* r = record_find_key(df, head, number, nullptr, &page_buffers[table_tables]);
        return r ? std::vector<unsigned char>(r, r + sheet_record_size) : std::vector<unsigned char>();
    }
    std::string field(uint32_t number, uint32_t sheet_no) {
        std::string t;
        title_block_field_text(df, number, sheet_no, false, &t);
        return t;
    }
};

constexpr uint16_t first_page = page_projection_mark;
constexpr uint16_t next_page = page_projection_mark | page_projection_continues;

// A document of two pages: the first on A4 with the first-sheet title block,
// the second (too wide for A4) on A3 with the following-sheet one; page
// numbers in field 7, the page count in field 8 of the first page; each page
// placed so that its drawing (frame less 0.6 mm) starts at the frame corner.
TEST_F(PageSheetsTest, ADocumentOfTwoPagesGetsItsSheets) {
    add_view(1, 0, 0, 100, 80, 0);                  // an ordinary view stays on sheet 1
    add_view(2, 100, 50, 280, 290, first_page);     // 178.8 x 238.8 mm of text
    add_view(3, -20, 10, 280, 260, next_page);      // 298.8 wide: A3
    LayoutNodes nodes = layout_build_nodes(df);
    ASSERT_EQ(layout_make_page_sheets(df, nodes), 2);

    struct {
        uint32_t projection;
        int kind, code;
        float w, h;
        const char* page;
    } expected[] = {{2, 2, sheet_format_a4, 210, 297, "1"}, {3, 3, sheet_format_a3, 420, 297, "2"}};
    for (auto& e : expected) {
        SCOPED_TRACE(e.projection);
        uint32_t s = sheet_of(e.projection);
        ASSERT_NE(s, 1u);
        std::vector<unsigned char> r = sheet(s);
        ASSERT_EQ(r.size(), static_cast<size_t>(sheet_record_size));
        EXPECT_EQ(get_u16(r.data(), sheet_flags), sheet_flag_page);
        EXPECT_EQ(r[sheet_title_block], e.kind);
        EXPECT_EQ(r[sheet_format], e.code);
        EXPECT_EQ(get_f32(r.data(), sheet_width), e.w);
        EXPECT_EQ(get_f32(r.data(), sheet_height), e.h);
        EXPECT_EQ(field(title_field_sheet_no, s), e.page);
        unsigned char* p = projection(e.projection);
        EXPECT_TRUE(get_u16(p, projection_page_flags) & page_projection_has_sheet);
        EXPECT_FLOAT_EQ(get_f32(p, projection_place_x), 19.4f);
        EXPECT_FLOAT_EQ(get_f32(p, projection_place_y), 4.4f);
    }
    EXPECT_EQ(sheet_of(1), 1u);
    EXPECT_EQ(field(title_field_sheet_count, sheet_of(2)), "2");
    EXPECT_TRUE(field(title_field_sheet_count, sheet_of(3)).empty());

    // Made once: a second pass (the next entry to the layout) adds nothing.
    LayoutNodes again = layout_build_nodes(df);
    EXPECT_EQ(layout_make_page_sheets(df, again), 0);
    EXPECT_EQ(sheet_chain_list(df).size(), 3u);
}

// A short page (smaller than the A4 area less 20 mm both ways) stays among
// the views of the drawing sheet and takes no page number; a long page after
// it still gets its sheet.  A page larger than A0 gets the A0 size with the
// automatic code.  At another drawing scale sizes are read in sheet mm.
TEST_F(PageSheetsTest, ShortPagesStayAndHugePagesGetA0) {
    put_f64(df->header, header_scale, 2.0);  // model units are half a mm
    add_view(1, 0, 0, 50, 40, first_page);        // 24 x 19 mm
    add_view(2, 0, 0, 90, 120, first_page);       // 178.8 x 238.8 mm
    add_view(3, 0, 0, 700, 500, first_page);      // 1398.8 x 998.8 mm
    LayoutNodes nodes = layout_build_nodes(df);
    ASSERT_EQ(layout_make_page_sheets(df, nodes), 2);
    EXPECT_EQ(sheet_of(1), 1u);
    EXPECT_FALSE(get_u16(projection(1), projection_page_flags) & page_projection_has_sheet);
    uint32_t long_page = sheet_of(2);
    ASSERT_NE(long_page, 1u);
    EXPECT_EQ(sheet(long_page)[sheet_format], sheet_format_a4);
    EXPECT_EQ(field(title_field_sheet_no, long_page), "1");
    EXPECT_FLOAT_EQ(get_f32(projection(2), projection_place_x), 19.4f / 2);
    std::vector<unsigned char> huge = sheet(sheet_of(3));
    ASSERT_FALSE(huge.empty());
    EXPECT_EQ(huge[sheet_format], sheet_format_auto);
    EXPECT_EQ(get_f32(huge.data(), sheet_width), 1189.0f);
    EXPECT_EQ(get_f32(huge.data(), sheet_height), 841.0f);
}

// Automatic layout on a page sheet: the page goes back to the frame corner
// and the sheet takes the format its page needs now; layout_choose_format
// leaves a page sheet alone; on a drawing sheet nothing is done here.
TEST_F(PageSheetsTest, LayoutOnAPageSheetPlacesOnlyItsPage) {
    add_view(1, 0, 0, 180, 240, first_page);
    LayoutNodes nodes = layout_build_nodes(df);
    ASSERT_EQ(layout_make_page_sheets(df, nodes), 1);
    EXPECT_EQ(layout_place_page_sheet(df, nodes), 0);  // sheet 1 is current
    uint32_t page = sheet_of(1);
    ASSERT_EQ(sheet_make_current(df, page), 1);
    EXPECT_TRUE(layout_current_is_page_sheet(df));

    // Moved by hand and grown to A3 width since.
    LayoutNode* n = nodes[0].get();
    n->x = 50, n->y = 60;
    n->flags |= layout_node_hand_placed;
    EXPECT_EQ(layout_choose_format(df, nodes), sheet_format_a4);
    EXPECT_EQ(n->x, 50);
    n->width = 300;
    EXPECT_EQ(layout_place_page_sheet(df, nodes), 1);
    EXPECT_EQ(get_u8(df->header, header_sheet_format), sheet_format_a3);
    EXPECT_EQ(get_f32(df->header, header_sheet_width), 420.0f);
    EXPECT_EQ(sheet(page)[sheet_format], sheet_format_a3);
    EXPECT_TRUE(get_u16(sheet(page).data(), sheet_flags) & sheet_flag_page);
    EXPECT_NEAR(n->x, 19.4, 1e-9);
    EXPECT_NEAR(n->y, 4.4, 1e-9);
    EXPECT_FALSE(n->flags & layout_node_hand_placed);
    EXPECT_FALSE(get_u16(projection(1), projection_flags) & projection_flag_hand_placed);
}

}  // namespace
