// Element pens (line type x stage x state -> pen), pen widths, and the
// element routines over the recording canvas, damaged records included.
#include "tests/output/output_test_support.h"

#include <cmath>

using namespace output_test;

namespace {

class ElementPenTest : public OutputTest {};

TEST_F(ElementPenTest, PenWidthStepsTheStandardThicknessesBelowStageFour) {
    struct Case {
        double thickness;
        double scale;
        int below4, from4;
    };
    // n = trunc(thickness x scale + 0.5) at drawing scale 1.
    const Case cases[] = {
        {0.6, 1, 1, 1},    {0.6, 3, 2, 2},    {0.6, 18, 3, 11},  {0.6, 35, 4, 21},
        {0.5, 1, 1, 1},    {0.5, 3, 1, 2},    {0.5, 22, 2, 11},  {0.5, 42, 3, 21},
        {0.25, 1, 1, 1},   {0.25, 8, 1, 2},   {0.25, 44, 1, 11}, {0.25, 84, 2, 21},
        {0.35, 30, 11, 11}, {0.35, 0.5, 1, 1},
    };
    for (const Case& c : cases) {
        RecView low(c.scale, 3), high(c.scale, 4);
        EXPECT_EQ(pen_width_pixels(low.v(), c.thickness), c.below4) << c.thickness << " at " << c.scale;
        EXPECT_EQ(pen_width_pixels(high.v(), c.thickness), c.from4) << c.thickness << " at " << c.scale;
    }
    EXPECT_EQ(pen_width_pixels(nullptr, 0.6), 0);
    // The thickness is in sheet mm: at 1:10 a model unit is a tenth of one.
    set_drawing_scale(0.1);
    RecView v(1.0, 4);
    EXPECT_EQ(pen_width_pixels(v.v(), 0.6), 6);
}

struct PenCase {
    const char* name;
    int kind, line_type, stage;
    uint16_t flags, options;
    int style, width;
    uint32_t colour;
};

TEST_F(ElementPenTest, PenByLineTypeStageAndState) {
    // Scale 10: 0.6 mm is n = 6 (2 below stage 4), 0.25 mm n = 3 (1 below),
    // 0.5 mm n = 5 (1 below).
    const uint16_t marked = element_flag_marked, member = element_flag_contour_member,
                   piece = 0x2000, alt = element_flag_purge;
    const uint16_t highlight = 0x0800, accent = 0x1000, layer3 = layer_option(3);
    const uint32_t layer3_colour = 0x030303;
    const PenCase cases[] = {
        {"main line", 1, 1, 3, 0, 0, pen_solid, 2, black},
        {"main line from stage 4", 1, 1, 4, 0, 0, pen_solid, 6, black},
        {"main line takes its layer colour from stage 5", 1, 1, 6, 0, layer3, pen_solid, 6, layer3_colour},
        {"thin line", 1, 2, 3, 0, 0, pen_solid, 1, black},
        {"thin line from stage 4", 1, 2, 4, 0, 0, pen_solid, 3, black},
        {"dashed", 1, 3, 3, 0, 0, pen_dash, 1, black},
        {"dash-dot thin", 1, 4, 3, 0, 0, pen_dash_dot, 1, black},
        {"code 8 like code 4", 1, 8, 3, 0, 0, pen_dash_dot, 1, black},
        {"dash-dot thick", 1, 5, 3, 0, 0, pen_dash_dot, 2, black},
        {"dash-dot-dot", 1, 6, 3, 0, 0, pen_dash_dot_dot, 1, black},
        {"thread dotted below stage 4", 1, 7, 3, 0, 0, pen_dot, 1, black},
        {"thread solid from stage 4", 1, 7, 4, 0, 0, pen_solid, 3, black},
        {"invisible is grey dashed", 1, 0, 3, 0, 0, pen_dash, 1, hidden_grey},
        {"invisible gone from stage 5", 1, 0, 5, 0, 0, pen_null, 0, 0},
        {"special invisible at stage 5", 1, 15, 5, 0, 0, pen_dash, 1, hidden_grey},
        {"special invisible gone from stage 6", 1, 15, 6, 0, 0, pen_null, 0, 0},
        {"marked invisible keeps the marked colour", 1, 0, 3, marked, 0, pen_dash, 1, marked_blue},
        {"contour member invisible keeps its colour", 1, 15, 3, member, 0, pen_dash, 1, contour_red},
        {"marked", 1, 1, 3, marked, 0, pen_solid, 2, marked_blue},
        {"contour member", 1, 1, 3, member, 0, pen_solid, 2, contour_red},
        {"hidden screening piece", 1, 1, 3, piece, 0, pen_solid, 2, hidden_grey},
        {"hidden screening piece gone from stage 5", 1, 1, 5, piece, 0, pen_null, 0, 0},
        {"view break", 8, 1, 3, 0, 0, pen_solid, 2, break_pink},
        {"highlighted member", 1, 1, 3, 0, highlight, pen_solid, 2, highlight_rose},
        {"marked wins over the highlight", 1, 1, 3, marked, highlight, pen_solid, 2, marked_blue},
        {"marked wins over the break colour", 8, 1, 3, marked, 0, pen_solid, 2, marked_blue},
        {"accent on a line-coloured pen", 1, 1, 3, 0, accent, pen_solid, 2, accent_yellow},
        {"accent on a hidden-coloured pen", 1, 3, 4, piece, accent, pen_dash, 1, accent_yellow},
        {"accent leaves the marked colour", 1, 1, 3, marked, accent, pen_solid, 2, marked_blue},
        {"no accent from stage 5", 1, 1, 5, 0, accent, pen_solid, 6, black},
        {"alternative form dashed drawn solid thin", 1, 3, 3, alt, 0, pen_solid, 1, black},
        {"alternative form dash-dot thin at stage 4", 1, 4, 4, alt, 0, pen_solid, 3, black},
        {"alternative form thick dash-dot", 1, 5, 4, alt, 0, pen_solid, 5, black},
        {"alternative form main line keeps the table", 1, 1, 3, alt, 0, pen_solid, 2, black},
        {"unnamed code 9 drawn like the thin line", 1, 9, 3, 0, 0, pen_solid, 1, black},
        {"unnamed code 12 from stage 4", 1, 12, 4, 0, 0, pen_solid, 3, black},
    };
    for (const PenCase& c : cases) {
        RecView v(10.0, c.stage);
        for (int i = 0; i < 8; ++i) v->layer_colours[i] = 0x010101u * static_cast<uint32_t>(i);
        auto el = element(c.kind, element_size2, c.line_type, c.flags, c.options);
        PenDesc p = element_pen_create(v.v(), el.data());
        EXPECT_EQ(p.style, c.style) << c.name;
        if (c.style == pen_null) continue;
        EXPECT_EQ(p.width, c.width) << c.name;
        EXPECT_EQ(p.colour, c.colour) << c.name;
        EXPECT_EQ(element_pen_width, c.width) << c.name;
    }
}

TEST_F(ElementPenTest, DxfPenIsOnePixelAndSetsTheWidth) {
    RecView v(10.0, 6);
    dxf_output_active = 1;
    auto main = segment_element({0, 0}, {1, 1}, 1);
    PenDesc p = element_pen_create(v.v(), main.data());
    EXPECT_EQ(p.style, pen_solid);
    EXPECT_EQ(p.width, 1);
    EXPECT_EQ(dxf_line_width, 0.6);
    auto hidden = segment_element({0, 0}, {1, 1}, 15);
    element_pen_create(v.v(), hidden.data());
    EXPECT_EQ(dxf_line_width, 0.0);
}

TEST_F(ElementPenTest, LineTypeNamesCarryOneLeadingBlank) {
    EXPECT_STREQ(line_type_name(1), " \xD1\xEF\xEB\xEE\xF8\xED\xE0\xFF \xEE\xF1\xED\xEE\xE2\xED\xE0\xFF");
    for (int t : {0, 1, 2, 3, 4, 5, 6, 7, 15}) {
        ASSERT_NE(line_type_name(t), nullptr) << t;
        EXPECT_EQ(line_type_name(t)[0], ' ');
        EXPECT_NE(line_type_name(t)[1], ' ');
    }
    for (int t : {8, 9, 14}) EXPECT_EQ(line_type_name(t), nullptr) << t;
}

// ---------------------------------------------------------------- routines
TEST_F(ElementPenTest, SegmentElementSelectsDrawsAndRestoresItsPen) {
    RecView v(1.0, 4);
    auto el = segment_element({10, 10}, {20, 10}, 2);
    draw_segment_element(v.v(), el.data());
    EXPECT_EQ(joined(v.texts()), joined({"pen 0 1 000000", "move_to 10 10", "set_pixel 20 10 0",
                                         "line_to 20 10", "restore 1"}));
    EXPECT_EQ(v.rec.live_objects, 0);
}

TEST_F(ElementPenTest, MarkedSegmentAtStageThreeGetsItsEndMarkerShortOfTheEnd) {
    // Marker 3 x 3 pixels: the end moves back by 9 pixels = 9 model units.
    RecView v(1.0, 3);
    auto el = segment_element({10, 50}, {100, 50}, 1, element_flag_marked, 0x0200);  // shape 1
    draw_segment_element(v.v(), el.data());
    auto pens = v.of_kind(call_select_pen);
    ASSERT_EQ(pens.size(), 2u);
    EXPECT_EQ(pens[1]->pen.style, pen_inside_frame);
    auto paths = v.paths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[1][0].x, 91 - 3);  // top-left corner of the box about (91, 50)
    EXPECT_EQ(paths[1][0].y, 47);
    EXPECT_EQ(paths[1].size(), 5u);    // the square
    // Style bit 4 suppresses the marker; other stages draw none.
    RecView w(1.0, 3);
    auto quiet = segment_element({10, 50}, {100, 50}, 1, element_flag_marked, 0x0010);
    draw_segment_element(w.v(), quiet.data());
    EXPECT_EQ(w.paths().size(), 1u);
    RecView u(1.0, 4);
    draw_segment_element(u.v(), el.data());
    EXPECT_EQ(u.paths().size(), 1u);
}

TEST_F(ElementPenTest, CollinearArcByPointsIsDrawnAsItsChord) {
    RecView v(1.0, 4);
    auto el = element(4, element_size3, 2);
    put_point2(el.data(), element_coords3, Point2{10, 10});
    put_point2(el.data(), element_coords3 + 16, Point2{30, 10});
    put_point2(el.data(), element_coords3 + 32, Point2{20, 10});
    draw_arc_element(v.v(), el.data());
    EXPECT_EQ(joined(v.texts()), joined({"pen 0 1 000000", "move_to 10 10", "set_pixel 30 10 0",
                                         "line_to 30 10", "restore 1"}));
}

TEST_F(ElementPenTest, ArcByPointsRunsThroughItsMiddlePoint) {
    // Half circle from (110, 100) over (100, 110) to (90, 100): the path must
    // pass the through point whichever way the arc turns.
    RecView v(1.0, 4);
    auto el = element(4, element_size3, 2);
    put_point2(el.data(), element_coords3, Point2{110, 100});
    put_point2(el.data(), element_coords3 + 16, Point2{90, 100});
    put_point2(el.data(), element_coords3 + 32, Point2{100, 110});
    draw_arc_element(v.v(), el.data());
    auto paths = v.paths();
    ASSERT_EQ(paths.size(), 1u);
    int max_y = 0, min_y = 1000;
    for (const PointI& p : paths[0]) {
        max_y = std::max<int>(max_y, p.y);
        min_y = std::min<int>(min_y, p.y);
    }
    EXPECT_EQ(max_y, 110);
    EXPECT_EQ(min_y, 100);
}

// A curve of n vertices on a circle, pieces as arcs through their middles.
std::vector<uint8_t> curve_record(int stored_vertices, int16_t count, bool complete_last) {
    size_t size = curve_record_length(stored_vertices, complete_last) + (complete_last ? 0 : 16);
    // Without the complete last vertex the record ends after its point.
    if (!complete_last) size = curve_vertices + 36 * static_cast<size_t>(stored_vertices - 1) + 20;
    std::vector<uint8_t> r = element(5, size, 2);
    put_i16(r.data(), curve_count, count);
    for (int i = 0; i < stored_vertices; ++i) {
        size_t at = curve_vertices + 36 * static_cast<size_t>(i);
        double a = 0.3 * i, b = 0.3 * i + 0.15;
        put_point2(r.data(), at + curve_vertex_x, Point2{200 + 100 * std::cos(a), 200 + 100 * std::sin(a)});
        if (at + curve_vertex_through_x + 16 <= size)
            put_point2(r.data(), at + curve_vertex_through_x, Point2{200 + 100 * std::cos(b), 200 + 100 * std::sin(b)});
    }
    return r;
}

TEST_F(ElementPenTest, CurveDrawsOnlyTheVerticesItsRecordHolds) {
    struct Case {
        const char* name;
        int stored;
        int16_t count;
        bool complete;
        int pieces;
    };
    const Case cases[] = {
        {"count as stored", 5, 5, true, 4},
        {"last through point left out", 5, 5, false, 4},
        {"count past the record", 5, 1000, true, 4},
        {"count past a record without the last through point", 4, 30000, false, 3},
        {"negative count", 5, -3, true, 0},
        {"single vertex", 5, 1, true, 0},
    };
    for (const Case& c : cases) {
        RecView v(1.0, 4);
        auto el = curve_record(c.stored, c.count, c.complete);
        EXPECT_EQ(curve_drawable_vertices(el.data()), c.pieces ? c.pieces + 1 : std::max(0, std::min<int>(c.count, c.stored))) << c.name;
        draw_curve_element(v.v(), el.data());
        EXPECT_EQ(static_cast<int>(v.paths().size()), c.pieces) << c.name;
    }
}

TEST_F(ElementPenTest, ShortRecordsDrawNothing) {
    RecView v(1.0, 4);
    auto seg = segment_element({0, 0}, {5, 5});
    put_u16(seg.data(), record_length, 30);
    EXPECT_EQ(draw_segment_element(v.v(), seg.data()), 0);
    EXPECT_EQ(draw_circle_element(v.v(), seg.data()), 0);
    auto arc = element(3, element_size3, 1);
    put_u16(arc.data(), record_length, 60);
    EXPECT_EQ(draw_arc_element(v.v(), arc.data()), 0);
    EXPECT_TRUE(v.rec.calls.empty());
}

TEST_F(ElementPenTest, BezierHandlesAreXorDottedLinesUpToStageFour) {
    auto el = element(12, element_size_bezier, 1);
    put_point2(el.data(), element_coords4, Point2{0, 0});
    put_point2(el.data(), element_coords4 + 16, Point2{30, 0});
    put_point2(el.data(), element_coords4 + 32, Point2{5, 10});
    put_point2(el.data(), element_coords4 + 48, Point2{25, 10});
    RecView v(1.0, 4);
    draw_bezier_handles(v.v(), el.data());
    EXPECT_EQ(joined(v.texts()),
              joined({"pen 2 1 c08200", "rop2 7", "move_to 0 0", "set_pixel 5 10 12616192", "line_to 5 10",
                      "move_to 30 0", "set_pixel 25 10 12616192", "line_to 25 10", "rop2 13", "restore 1"}));
    RecView late(1.0, 5);
    draw_bezier_handles(late.v(), el.data());
    EXPECT_TRUE(late.rec.calls.empty());
}

}  // namespace
