// Dimension lines: an end's extension line and mark, the leader of a label
// with each frame shape, lengthening past outside arrows (straight and arc),
// the style distance, the far-end test and the centre cross at two drawing
// scales.
#include "tests/dimension_drawing/dimension_test_support.h"

#include "render/output/dimension_lines.h"

using namespace dimension_test;

namespace {

class DimensionLines : public DimensionTest {};

TEST_F(DimensionLines, AnEndDrawsItsExtensionLineThenItsMark) {
    RecView v(10.0);
    view_projection(v.v());
    const Point2 p[3] = {{0, 30}, {50, 30}, {0, 0}};
    const Segment ext{{0, 0}, {0, 10}};
    DimensionLineContext ctx{projection.data(), nullptr, 0};
    draw_dimension_line(v.v(), 1, 0, 1, p, &ext, 0, 0, nullptr, 0, &ctx);
    auto paths = v.paths();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0][0].y, 0);
    EXPECT_EQ(paths[0].back().y, 312);  // 30 mm + 1.2 mm overshoot at 10 pixels per mm
    auto polys = v.of_kind(call_polygon);
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_EQ(polys[0]->points[0].x, 0);
    EXPECT_EQ(polys[0]->points[0].y, 300);
    EXPECT_GT(polys[0]->points[1].x, 0);  // the base towards the second end
    // The pen of line work: 0.25 mm in the line colour; everything restored.
    auto pens = v.of_kind(call_select_pen);
    ASSERT_FALSE(pens.empty());
    EXPECT_EQ(pens[0]->pen.width, 3);
    EXPECT_EQ(pens[0]->pen.colour, black);
    EXPECT_EQ(v.rec.live_objects, 0);
    // The second end of the same dimension points the other way; the edited
    // flag marks only the first end.
    v.clear();
    ctx.edited = 1;
    draw_dimension_line(v.v(), 2, 0, 1, p, &ext, 0, 0, nullptr, 0, &ctx);
    polys = v.of_kind(call_polygon);
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_EQ(polys[0]->points[0].x, 500);
    EXPECT_LT(polys[0]->points[1].x, 500);
    for (const CanvasCall* c : v.of_kind(call_select_brush)) EXPECT_EQ(c->brush.colour, black);
}

TEST_F(DimensionLines, ALeaderDrawsItsFrameLineAndArrow) {
    struct Case {
        int shape;
        size_t arcs, polygons;
        size_t paths;  // move_to paths
    };
    // Tip (10, 40), bend (20, 20), shelf end (40, 20).
    const Point2 p[3] = {{10, 40}, {20, 20}, {40, 20}};
    const Case cases[] = {
        {0, 0, 1, 2},  // shelf, leader
        {1, 1, 1, 1},  // circle, leader
        {2, 0, 1, 4},  // three triangle sides, leader
        {3, 0, 1, 2},  // square frame, leader
        {4, 0, 1, 2},  // stacked notes: a shelf
    };
    for (const Case& c : cases) {
        RecView v(1.0);
        draw_dimension_line(v.v(), 3, 0, 1, p, nullptr, 0, c.shape, nullptr, 0, nullptr);
        EXPECT_EQ(v.of_kind(call_arc).size(), c.arcs) << c.shape;
        EXPECT_EQ(v.of_kind(call_polygon).size(), c.polygons) << c.shape;
        EXPECT_EQ(v.paths().size(), c.paths) << c.shape;
        // The arrow's tip is the leader's tip and its base lies towards the bend.
        const CanvasCall* arrow = v.of_kind(call_polygon)[0];
        EXPECT_EQ(arrow->points[0].x, 10);
        EXPECT_EQ(arrow->points[0].y, 40);
        EXPECT_LT(arrow->points[1].y, 40);
    }
    // The square: side max(|dx|, |dy|) = 20 about the midpoint (30, 20).
    RecView v(1.0);
    draw_dimension_line(v.v(), 3, 5, 1, p, nullptr, 0, 3, nullptr, 0, nullptr);
    auto frame = v.paths()[0];
    ASSERT_EQ(frame.size(), 5u);
    EXPECT_EQ(frame[0].x, 20);
    EXPECT_EQ(frame[0].y, 10);
    EXPECT_EQ(frame[2].x, 40);
    EXPECT_EQ(frame[2].y, 30);
    // The triangle's apex |dx| cos 30 degrees above the midpoint.
    RecView t(1.0);
    draw_dimension_line(t.v(), 3, 5, 1, p, nullptr, 0, 2, nullptr, 0, nullptr);
    EXPECT_EQ(t.paths()[1].back().y, static_cast<int>(20 - 20 * std::cos(pi / 6) + 0.5));
}

TEST_F(DimensionLines, LengthenedPastOutsideEnds) {
    const Point2 line[3] = {{0, 0}, {30, 40}, {0, 0}};
    Point2 out[3];
    extend_dimension_line_ends(1, 1, 8, line, out, 5);
    EXPECT_NEAR(out[0].x, -3, 1e-9);
    EXPECT_NEAR(out[0].y, -4, 1e-9);
    EXPECT_NEAR(out[1].x, 33, 1e-9);
    EXPECT_NEAR(out[1].y, 44, 1e-9);
    extend_dimension_line_ends(1, 0, 5, line, out, 5);
    EXPECT_EQ(out[0].x, 0);
    EXPECT_NEAR(out[1].y, 44, 1e-9);
    // On an arc of radius 10 about the origin from angle 0 down to -90
    // degrees: the first end moves on to +length/10 rad, the second to
    // -90 degrees - length/10.
    const Point2 arc[3] = {{10, 0}, {0, -10}, {0, 0}};
    extend_dimension_line_ends(3, 1, 1, arc, out, 5);
    EXPECT_NEAR(out[0].x, 10 * std::cos(0.5), 1e-9);
    EXPECT_NEAR(out[0].y, 10 * std::sin(0.5), 1e-9);
    EXPECT_NEAR(out[1].x, 10 * std::cos(-pi / 2 - 0.5), 1e-9);
    EXPECT_NEAR(out[1].y, 10 * std::sin(-pi / 2 - 0.5), 1e-9);
    EXPECT_EQ(out[2].x, 0);
}

TEST_F(DimensionLines, StyleDistanceAndFarEnd) {
    set_drawing_scale(0.5);  // 8.4 mm on the sheet is 16.8 model units
    Point2 pts[2] = {{0, 0}, {3, 4}};
    place_point_at_style_distance(1, 0, pts);
    EXPECT_NEAR(pts[1].x, 16.8 * 0.6, 1e-9);
    EXPECT_NEAR(pts[1].y, 16.8 * 0.8, 1e-9);
    Point2 same[2] = {{5, 5}, {5, 5}};
    place_point_at_style_distance(0, 0, same);  // along 0 + 90 degrees
    EXPECT_NEAR(same[0].x, 5, 1e-9);
    EXPECT_NEAR(same[0].y, 5 + 16.8, 1e-9);

    struct Case {
        int kind;
        uint16_t value;
        int force;
        Point2 point;
        int far;
    };
    // First end at (20, 0), centre at (0, 0): far when 2 |p - c| >= 20.
    const Case cases[] = {
        {2, 0x6000, 0, {10, 0}, 1}, {2, 0x6000, 0, {9, 0}, 0},  {1, 0x6000, 0, {15, 0}, 1},
        {5, 0x6000, 0, {15, 0}, 1}, {0, 0x6000, 0, {15, 0}, 0}, {3, 0x6000, 1, {15, 0}, 0},
        {2, 0x2000, 0, {15, 0}, 0}, {2, 0x2000, 1, {15, 0}, 1}, {2, 0x4000, 1, {15, 0}, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> d = dimension(1, c.kind, 0, 0, c.value, {20, 0}, {-20, 0}, {0, 0});
        EXPECT_EQ(dimension_point_far_from_end(d.data(), c.point, c.force), c.far)
            << c.kind << " " << c.value << " " << c.force << " " << c.point.x;
    }
}

TEST_F(DimensionLines, CentreCrossSolidBelowTwelveMillimetresDashDotFrom) {
    for (double scale : {1.0, 0.2}) {  // 1:1 and 1:5
        set_drawing_scale(scale);
        for (double sheet_mm : {10.0, 20.0}) {
            RecView v(1.0);
            double diameter = sheet_mm / scale;
            const Point2 p[3] = {{0, 0}, {0, 0}, {100, 100}};
            draw_centre_cross(v.v(), diameter, p);
            auto pens = v.of_kind(call_select_pen);
            ASSERT_EQ(pens.size(), 1u);
            EXPECT_EQ(pens[0]->pen.style, sheet_mm < 12 ? pen_solid : pen_dash_dot);
            EXPECT_EQ(pens[0]->pen.width, 1);
            auto paths = v.paths();
            ASSERT_EQ(paths.size(), 2u);
            double half = diameter / 2 + 1.2 / scale;
            EXPECT_EQ(paths[0][0].x, static_cast<int>(std::floor(100 - half + 0.5)));
            EXPECT_EQ(paths[0].back().x, static_cast<int>(std::floor(100 + half + 0.5)));
            EXPECT_EQ(paths[1][0].y, static_cast<int>(std::floor(100 - half + 0.5)));
        }
    }
}

}  // namespace
