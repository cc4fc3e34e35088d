// Placing points at a distance: the four modes move the marked points to
// the typed distance or angle (values worked out by hand), the side is
// kept, a point on the line goes to one fixed side, the grid does not undo
// the typed distance, and the tool's marks follow its clicks.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/aux_lines.h"
#include "stages/points_elements/points_distance.h"
#include "store/drawing_header.h"

using namespace elements_test;

namespace {

class Distance : public ElementsTest {
protected:
    PointContext ctx;
    std::vector<std::string> messages;
    void SetUp() override {
        ElementsTest::SetUp();
        ctx.df = df;
        ctx.projection = proj();
        ctx.view.scale = {1, 1};
        ctx.mark_half_x = ctx.mark_half_y = 1;
        ctx.hooks.message = [this](const char* t) { messages.push_back(t); };
    }
    void mark(uint32_t n, uint16_t m) {
        PointCopy p;
        ASSERT_TRUE(point_read(df, proj(), n, &p));
        p.set_flags(static_cast<uint16_t>((p.flags() & ~point_flag_marks) | m));
        ASSERT_TRUE(point_write(df, proj(), p));
    }
};

TEST_F(Distance, ModesMoveToTheTypedValue) {
    struct Case {
        const char* what;
        int mode;
        Point2 base, centre, point;
        double a;
        Point2 expected;
    };
    const double c3 = std::cos(0.5) * 10, s3 = std::sin(0.5) * 10;
    const Case cases[] = {
        {"X, to the right of the base", distance_along_x, {10, 10}, {}, {14, 50}, 25, {35, 50}},
        {"X, to the left keeps its side", distance_along_x, {10, 10}, {}, {4, 50}, 25, {-15, 50}},
        {"Y, level with the base goes up by a", distance_along_y, {10, 10}, {}, {30, 10}, 7, {30, 17}},
        {"Y, below", distance_along_y, {10, 10}, {}, {30, 3}, 7, {30, 3}},
        {"angle +0.3 becomes +0.5", distance_angle, {110, 0}, {100, 0}, {100 + std::cos(0.3) * 10, std::sin(0.3) * 10}, 0.5,
         {100 + c3, s3}},
        {"angle -0.3 becomes -0.5", distance_angle, {110, 0}, {100, 0}, {100 + std::cos(0.3) * 10, -std::sin(0.3) * 10}, 0.5,
         {100 + c3, -s3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        projection = Bytes(projection_record_max, 0);
        put_u16(proj(), record_length, projection_record_head);
        ctx.projection = proj();
        point(1, c.base.x, c.base.y);
        point(2, c.point.x, c.point.y);
        mark(1, distance_mark_base);
        mark(2, distance_mark_place);
        if (c.mode == distance_angle) {
            point(3, c.centre.x, c.centre.y);
            mark(3, distance_mark_centre);
        }
        EXPECT_EQ(place_marked_points_at_distance(ctx, c.mode, c.a), 1);
        EXPECT_NEAR(point_at(2).x, c.expected.x, 1e-9);
        EXPECT_NEAR(point_at(2).y, c.expected.y, 1e-9);
        EXPECT_EQ(point_flags_of(1) & point_flag_marks, 0) << "the base is unmarked";
        EXPECT_EQ(point_flags_of(2) & point_flag_marks, 0);
    }
}

// From an anchored line through the base: the side of the point is kept; a
// point on the line goes to the left of the line's direction; the grid does
// not move the placed point off the typed distance.
TEST_F(Distance, FromTheAnchoredLine) {
    put_f32(df->header, header_grid_x, 5.f);
    put_f32(df->header, header_grid_y, 5.f);
    point(1, 0, 0);
    point(2, 7, 3);    // below the line y = x
    point(3, 4, 4);    // on the line
    aux_line_add(ctx, 0, false, {0, 20}, {1, 20}, 0, 0);    // free: not the one
    aux_line_add(ctx, 2, true, {0, 0}, {10, 10}, 1, 0);
    mark(1, distance_mark_base);
    mark(2, distance_mark_place);
    mark(3, distance_mark_place);
    EXPECT_EQ(place_marked_points_at_distance(ctx, distance_from_line, 2.0), 2);
    const double h = std::sqrt(0.5);
    EXPECT_NEAR(point_at(2).x, 5 + 2 * h, 1e-9);
    EXPECT_NEAR(point_at(2).y, 5 - 2 * h, 1e-9);
    EXPECT_NEAR(point_at(3).x, 4 - 2 * h, 1e-9);
    EXPECT_NEAR(point_at(3).y, 4 + 2 * h, 1e-9);
    // Without an anchored line through the base: message, marks cleared.
    point(4, 50, 40);
    point(5, 60, 60);
    mark(4, distance_mark_base);
    mark(5, distance_mark_place);
    EXPECT_EQ(place_marked_points_at_distance(ctx, distance_from_line, 2.0), -1);
    EXPECT_EQ(messages, (std::vector<std::string>{"Первая точка должна быть расположена на оси со свойством"}));
    EXPECT_EQ(point_flags_of(5) & point_flag_marks, 0);
    EXPECT_EQ(point_at(5).x, 60);
}

TEST_F(Distance, ClicksMarkBaseCentreAndPoints) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 20, 0);
    point(4, 30, 0);
    DistanceTool tool;
    tool.mode = distance_angle;
    auto click = [&](uint32_t n) {
        PointCopy p;
        EXPECT_TRUE(point_read(df, proj(), n, &p));
        bool placed = false;
        distance_tool_click(tool, ctx, p, &placed);
        return placed;
    };
    EXPECT_FALSE(click(1));
    EXPECT_FALSE(click(2));
    EXPECT_TRUE(click(3));
    EXPECT_TRUE(click(4));
    EXPECT_EQ(point_flags_of(1) & point_flag_marks, distance_mark_base);
    EXPECT_EQ(point_flags_of(2) & point_flag_marks, distance_mark_centre);
    EXPECT_EQ(point_flags_of(3) & point_flag_marks, distance_mark_place);
    double m = 0;
    PointCopy p3;
    ASSERT_TRUE(point_read(df, proj(), 3, &p3));
    ASSERT_TRUE(distance_present_measure(ctx, distance_angle, p3, &m));
    EXPECT_NEAR(m, 3.14159265358979323846, 1e-12);
    // A click in another projection starts over.
    Bytes other(projection_record_max, 0);
    put_u32(other.data(), record_key, 2);
    PointContext ctx2 = ctx;
    ctx2.projection = other.data();
    EXPECT_EQ(distance_tool_click(tool, ctx2, p3, nullptr), 0);
    EXPECT_EQ(messages, (std::vector<std::string>{"Помечаемые точки должны быть на одной проекции!"}));
}

}  // namespace
