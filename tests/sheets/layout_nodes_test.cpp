// Layout nodes and automatic layout: nodes from the projection chain,
// the format chosen for the views, the projection relation between the
// views, hand placement, picking; and the layout windows' arithmetic.
#include "output/layout_nodes.h"
#include "output/layout_view_math.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "store/record_layouts.h"

#include "sheet_test_support.h"

#include <cmath>

using store_test::StoreTest;
using store_test::shown;

namespace {

class LayoutNodesTest : public StoreTest {
protected:
    DrawingFile* df = nullptr;
    void SetUp() override {
        StoreTest::SetUp();
        df = create();
        ASSERT_NE(df, nullptr);
        put_f64(df->header, header_scale, 1.0);
        set_header(sheet_format_auto, false, 1);
        sheet_chain_open(df);
    }
    void set_header(int code, bool rotated, int kind) { sheet_test::set_sheet_header(df, code, rotated, kind); }
    // A projection of view kind with its frame (x0, y0)-(x1, y1).
    void add_view(uint32_t number, int kind, float x0, float y0, float x1, float y1, uint16_t sheet = 1,
                  uint16_t extra_flags = 0, float px = 0, float py = 0) {
        ASSERT_TRUE(sheet_test::add_sheet_view(
            df, {number, static_cast<uint16_t>(kind | extra_flags), x0, y0, x1, y1, sheet, 0, px, py}));
    }
    LayoutNode* node(LayoutNodes& nodes, uint32_t number) {
        for (auto& n : nodes)
            if (n->number == number) return n.get();
        return nullptr;
    }
    // The placement stored in the projection record.
    void stored(uint32_t number, float* x, float* y, uint16_t* flags) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        unsigned char* p = record_find_key(df, head, number, nullptr, &page_buffers[table_projections]);
        ASSERT_NE(p, nullptr);
        *x = get_f32(p, projection_place_x);
        *y = get_f32(p, projection_place_y);
        *flags = get_u16(p, projection_flags);
    }
};

TEST_F(LayoutNodesTest, NodesSkipFragmentsAndReadSheetAndFlags) {
    add_view(1, view_kind_front, 0, 0, 50, 40, 0);
    add_view(2, view_kind_fragment, 0, 0, 10, 10);
    add_view(3, view_kind_left, 0, 0, 20, 40, 3, projection_flag_hand_placed | 0x0100, 12.5f, 7.0f);
    LayoutNodes nodes = layout_build_nodes(df);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->number, 1u);
    EXPECT_EQ(nodes[0]->sheet, 1);  // 0 reads as sheet 1
    EXPECT_EQ(nodes[0]->kind(), view_kind_front);
    EXPECT_DOUBLE_EQ(nodes[0]->width, 50);
    EXPECT_DOUBLE_EQ(nodes[0]->height, 40);
    EXPECT_EQ(nodes[1]->sheet, 3);
    EXPECT_TRUE(nodes[1]->flags & layout_node_hand_placed);
    EXPECT_TRUE(nodes[1]->flags & layout_node_not_shown);
    EXPECT_DOUBLE_EQ(nodes[1]->x, 12.5);
    EXPECT_DOUBLE_EQ(nodes[1]->y, 7.0);
}

// The usable extent of a sheet W x H for kind 1 (title block 63 mm) at 1:1,
// unturned: (W - 30 - 10) x (H - 20 - 68).
TEST_F(LayoutNodesTest, FormatGrowsWithTheViewsFromA4ToA0) {
    struct Case {
        float w, h;
        int code;
    } cases[] = {
        {50, 40, sheet_format_a4},    // within 170 x 209
        {200, 100, sheet_format_a3},  // A3 420 x 297: 380 x 209
        {400, 300, sheet_format_a2},  // A2 594 x 420: 554 x 332
        {560, 400, sheet_format_a1},  // A1 841 x 594: 801 x 506
        {900, 600, sheet_format_a0},  // A0 1189 x 841: 1149 x 753
    };
    uint32_t number = 1;
    for (const Case& c : cases) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        while (unsigned char* r = record_next(df, head, nullptr, &page_buffers[table_projections]))
            record_delete(df, head, record_ref_of(&page_buffers[table_projections], r),
                          &page_buffers[table_projections]);
        set_header(sheet_format_auto, false, 1);
        add_view(number++, view_kind_front, 0, 0, c.w, c.h);
        LayoutNodes nodes = layout_build_nodes(df);
        EXPECT_EQ(layout_choose_format(df, nodes), c.code) << c.w << " x " << c.h;
        EXPECT_EQ(get_u8(df->header, header_sheet_format), c.code);
        // The box's corner lies at the margin (40 - 10, 30 - 10).
        EXPECT_NEAR(nodes[0]->x, 30.0, 1e-6);
        EXPECT_NEAR(nodes[0]->y, 20.0, 1e-6);
        float x, y;
        uint16_t f;
        stored(nodes[0]->number, &x, &y, &f);
        EXPECT_NEAR(x, 30.0, 1e-4);
        EXPECT_NEAR(y, 20.0, 1e-4);
    }
    EXPECT_TRUE(shown().empty());
}

TEST_F(LayoutNodesTest, TooLargeForEveryFormatKeepsPlacementAndSays) {
    add_view(1, view_kind_front, 0, 0, 1500, 1000);
    LayoutNodes nodes = layout_build_nodes(df);
    EXPECT_EQ(layout_choose_format(df, nodes), -1);
    ASSERT_FALSE(shown().empty());
    EXPECT_NE(shown().back().find("Поле чертежа слишком велико"), std::string::npos);
    // The last candidate (A0) stays, and the sheet grows to hold the views.
    EXPECT_EQ(get_u8(df->header, header_sheet_format), sheet_format_a0);
    EXPECT_GE(get_f32(df->header, header_sheet_width), 1500.0f + 30.0f);
    EXPECT_GE(get_f32(df->header, header_sheet_height), 1000.0f + 20.0f);
}

TEST_F(LayoutNodesTest, ViewsKeepTheProjectionRelation) {
    // Front 100 x 80; left shares its height range; top shares its width
    // range and lies below it; right lies left of the front view.
    add_view(1, view_kind_front, 0, 0, 100, 80);
    add_view(2, view_kind_left, 500, 10, 560, 70);
    add_view(3, view_kind_top, 20, 300, 90, 350);
    add_view(4, view_kind_right, 900, 0, 950, 80);
    add_view(5, view_kind_bottom, 0, 600, 100, 640);
    LayoutNodes nodes = layout_build_nodes(df);
    int code = layout_choose_format(df, nodes);
    EXPECT_GT(code, 0);
    LayoutNode *front = node(nodes, 1), *left = node(nodes, 2), *top = node(nodes, 3), *right = node(nodes, 4),
               *bottom = node(nodes, 5);
    // A model y maps to the same sheet y in front, left and right; a model
    // x to the same sheet x in front, top and bottom.
    EXPECT_NEAR(left->y - left->frame_y, front->y - front->frame_y, 1e-6);
    EXPECT_NEAR(right->y - right->frame_y, front->y - front->frame_y, 1e-6);
    EXPECT_NEAR(top->x - top->frame_x, front->x - front->frame_x, 1e-6);
    EXPECT_NEAR(bottom->x - bottom->frame_x, front->x - front->frame_x, 1e-6);
    EXPECT_GE(left->x, front->right() - 1e-6);
    EXPECT_LE(right->right(), front->x + 1e-6);
    EXPECT_GE(top->y, front->bottom() - 1e-6);
    EXPECT_LE(bottom->bottom(), front->y + 1e-6);
}

TEST_F(LayoutNodesTest, HandPlacementStaysOnAFixedFormatOnly) {
    add_view(1, view_kind_front, 0, 0, 50, 40);
    add_view(2, view_kind_general, 0, 0, 30, 30, 1, projection_flag_hand_placed, 150, 120);
    set_header(sheet_format_a3, false, 1);
    LayoutNodes nodes = layout_build_nodes(df);
    EXPECT_EQ(layout_choose_format(df, nodes), sheet_format_a3);
    EXPECT_DOUBLE_EQ(node(nodes, 2)->x, 150);
    EXPECT_DOUBLE_EQ(node(nodes, 2)->y, 120);
    float x, y;
    uint16_t f;
    stored(2, &x, &y, &f);
    EXPECT_FLOAT_EQ(x, 150);
    EXPECT_TRUE(f & projection_flag_hand_placed);
    // "Авто" discards hand placement.
    set_header(sheet_format_auto, false, 1);
    nodes = layout_build_nodes(df);
    layout_choose_format(df, nodes);
    stored(2, &x, &y, &f);
    EXPECT_FALSE(f & projection_flag_hand_placed);
}

TEST_F(LayoutNodesTest, AutomaticChoiceTakesA4UprightOnATurnedSheet) {
    set_header(sheet_format_auto, true, 1);
    add_view(1, view_kind_front, 0, 0, 50, 40);
    LayoutNodes nodes = layout_build_nodes(df);
    EXPECT_EQ(layout_choose_format(df, nodes), sheet_format_a4);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_width), 210);
    EXPECT_FLOAT_EQ(get_f32(df->header, header_sheet_height), 297);
    // The sheet drawn must be upright as well: the turn is taken off.
    EXPECT_FALSE(get_u16(df->header, header_options) & header_opt_sheet_turned);
}

TEST_F(LayoutNodesTest, PickTakesTheSmallestBoxAndTheLaterOnEqualAreas) {
    add_view(1, view_kind_general, 0, 0, 100, 100, 1, projection_flag_hand_placed, 0, 0);
    add_view(2, view_kind_general, 0, 0, 20, 20, 1, projection_flag_hand_placed, 10, 10);
    add_view(3, view_kind_general, 0, 0, 20, 20, 1, projection_flag_hand_placed, 15, 15);
    add_view(4, view_kind_general, 0, 0, 5, 5, 2, projection_flag_hand_placed, 12, 12);  // other sheet
    LayoutNodes nodes = layout_build_nodes(df);
    EXPECT_EQ(layout_pick_node(nodes, 1, 50, 50)->number, 1u);
    EXPECT_EQ(layout_pick_node(nodes, 1, 12, 12)->number, 2u);
    EXPECT_EQ(layout_pick_node(nodes, 1, 20, 20)->number, 3u);  // equal areas: the later
    EXPECT_EQ(layout_pick_node(nodes, 1, 200, 200), nullptr);
    EXPECT_EQ(layout_pick_node(nodes, 2, 13, 13)->number, 4u);
}

TEST(LayoutViewMath, ScrollRequests) {
    struct Case {
        int position, range, request, thumb;
        int want_position;
        double want_origin;
    } cases[] = {
        // extent 1000, page 200, minimum 0, range 100, page step 20
        {10, 100, layout_scroll_line_down, 0, 11, 11 * 8.0},
        {10, 100, layout_scroll_line_up, 0, 9, 9 * 8.0},
        {10, 100, layout_scroll_page_down, 0, 30, 30 * 8.0},
        {10, 100, layout_scroll_page_up, 0, 0, 0.0},      // clamped at 0
        {95, 100, layout_scroll_page_down, 0, 100, 800.0},  // clamped at the range
        {10, 100, layout_scroll_thumb_track, 42, 42, 42 * 8.0},
        {10, 100, 4 /* thumb position: ignored */, 42, 10, 80.0},
        {10, 0, layout_scroll_page_down, 0, 0, 0.0},      // the sheet fits: no division
        {0, 0, layout_scroll_line_down, 0, 0, 0.0},
    };
    for (const Case& c : cases) {
        int p = c.position;
        double o = layout_scroll_apply(&p, c.range, c.request, c.thumb, 20, 0.0, 1000.0, 200.0);
        EXPECT_EQ(p, c.want_position) << c.request;
        EXPECT_DOUBLE_EQ(o, c.want_origin) << c.request;
    }
    // Never below the minimum, also when the page is larger than the extent.
    int p = 50;
    EXPECT_DOUBLE_EQ(layout_scroll_apply(&p, 100, layout_scroll_line_up, 0, 20, -30.0, 100.0, 400.0), -30.0);
}

TEST(LayoutViewMath, WheelZoomFitAndThumbnails) {
    EXPECT_DOUBLE_EQ(layout_wheel_factor(120), 0.75);
    EXPECT_DOUBLE_EQ(layout_wheel_factor(480), 0.25);   // held at 360
    EXPECT_DOUBLE_EQ(layout_wheel_factor(-960), 1.75);
    EXPECT_DOUBLE_EQ(layout_zoom_limit(250000.0), 100000.0);
    EXPECT_DOUBLE_EQ(layout_zoom_limit(3.5), 3.5);
    // A 420 x 297 sheet at 2 px/mm in 840 x 300 pixels: the height decides.
    EXPECT_NEAR(layout_fit_scale(840, 300, 2, 2, 420, 297), 300.0 / 594.0, 1e-12);
    EXPECT_DOUBLE_EQ(layout_fit_scale(0, 300, 2, 2, 420, 297), 0.0);
    EXPECT_DOUBLE_EQ(layout_fit_scale(840, 300, 2, 2, 0, 297), 0.0);
    // 80 pixels wide: thumbnails 56 high.
    EXPECT_EQ(layout_thumbnail_height(80), 56);
    EXPECT_EQ(layout_thumbnail_at(80, 0, 0, 3), 1);
    EXPECT_EQ(layout_thumbnail_at(80, 56, 0, 3), 2);
    EXPECT_EQ(layout_thumbnail_at(80, 20, 100, 3), 3);
    EXPECT_EQ(layout_thumbnail_at(80, 170, 0, 3), 0);  // below the last
    EXPECT_EQ(layout_thumbnail_at(80, -5, 0, 3), 0);
}

}  // namespace
