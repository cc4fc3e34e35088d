// Control distance and control angle: the value shown for two control
// points, and applying it (the control points deleted first in every case).
#include <gtest/gtest.h>

#include <string>

#include "stages/points_elements/points_control.h"
#include "tests/elements/elements_fixture.h"

namespace elements_test {
namespace {

class PointsControlTest : public ElementsTest {
public:
    std::vector<std::string> messages;
    PointContext context() {
        PointContext ctx;
        ctx.df = df;
        ctx.projection = proj();
        ctx.hooks.message = [this](const char* t) { messages.push_back(t); };
        return ctx;
    }
    void controls(Point2 a, Point2 b, uint32_t first = 1) {
        point(first, a.x, a.y, point_flag_control);
        point(first + 1, b.x, b.y, point_flag_control);
        put_u16(proj(), projection_flags, static_cast<uint16_t>(2 << 5));
    }
};

TEST_F(PointsControlTest, TheShownValueIsTheDistanceOrMinusTheDirection) {
    point(5, 0, 0);  // an ordinary point first in the chain
    controls({1, 1}, {4, 5});
    Point2 at[2];
    ASSERT_TRUE(control_points_read(df, proj(), at));
    EXPECT_DOUBLE_EQ(control_value_shown(at, false), 5.0);
    EXPECT_DOUBLE_EQ(control_value_shown(at, true), -std::atan2(4.0, 3.0));
}

TEST_F(PointsControlTest, ApplyingTheDistanceScalesTheSketch) {
    struct Case {
        double control_distance, window_scale;
        Point2 b;
        int result;
        double sketch_scale, new_window_scale;
        size_t messages;
    } cases[] = {
        {100, 2, {30, 40}, 1, 25, 4, 0},  // c = 50 on the view: 25 on the sketch; 100 / 25
        {0, 2, {30, 40}, 1, 0, 1, 0},     // no control distance: the sketch as it is
        {100, 2, {0, 0}, -1, 7, 2, 1},    // both on one place: nothing but the message
    };
    uint32_t first = 1;
    for (const Case& c : cases) {
        messages.clear();
        put_f64(proj(), projection_control_distance, c.control_distance);
        put_f64(proj(), projection_sketch_scale, 7);
        controls({0, 0}, c.b, first);
        double scale = c.window_scale;
        PointContext ctx = context();
        EXPECT_EQ(control_value_apply(ctx, false, 0, &scale), c.result);
        EXPECT_DOUBLE_EQ(get_f64(proj(), projection_sketch_scale), c.sketch_scale);
        EXPECT_DOUBLE_EQ(scale, c.new_window_scale);
        EXPECT_EQ(messages.size(), c.messages);
        // The control points are gone in every case.
        EXPECT_EQ(point_flags_of(first), 0xFFFF);
        EXPECT_EQ(point_flags_of(first + 1), 0xFFFF);
        EXPECT_EQ(get_u16(proj(), projection_flags) & projection_word_control_count, 0);
        first += 2;
    }
}

TEST_F(PointsControlTest, ApplyingTheAngleTurnsTheSketch) {
    put_f64(proj(), projection_sketch_rotation, 0.5);
    controls({0, 0}, {1, 1});  // the vector's direction is pi/4
    double scale = 3;
    PointContext ctx = context();
    EXPECT_EQ(control_value_apply(ctx, true, 0.25, &scale), 1);
    EXPECT_NEAR(get_f64(proj(), projection_sketch_rotation), 0.5 - 0.25 - pi / 4, 1e-12);
    EXPECT_DOUBLE_EQ(scale, 3);
    // Without two control points nothing happens.
    EXPECT_EQ(control_value_apply(ctx, true, 0.25, &scale), 0);
}

TEST_F(PointsControlTest, ATypedDistanceOfZeroClearsTheCalibration) {
    put_f64(proj(), projection_sketch_scale, 7);
    double scale = 3;
    control_distance_set(proj(), -120, &scale);
    EXPECT_DOUBLE_EQ(get_f64(proj(), projection_control_distance), 120);
    EXPECT_DOUBLE_EQ(scale, 3);
    control_distance_set(proj(), 0, &scale);
    EXPECT_DOUBLE_EQ(get_f64(proj(), projection_control_distance), 0);
    EXPECT_DOUBLE_EQ(get_f64(proj(), projection_sketch_scale), 0);
    EXPECT_DOUBLE_EQ(scale, 1);
}

}  // namespace
}  // namespace elements_test

namespace elements_test {
namespace {

class MarkedListTest : public ElementsTest {};

TEST_F(MarkedListTest, OnlyPointsMarkedForTheGroupAreListed) {
    point(4, 0, 0, 0x40);
    point(2, 1, 0);
    point(9, 2, 0, 0x80);  // another mark state
    point(7, 3, 0, 0x40);
    EXPECT_EQ(marked_points_list(df, proj()), "point(1) = 4\npoint(2) = 7\nnpoint = 2\n");
    for (uint32_t n : {4u, 7u}) {
        PointCopy p;
        ASSERT_TRUE(point_read(df, proj(), n, &p));
        p.set_flags(0);
        point_write(df, proj(), p);
    }
    EXPECT_EQ(marked_points_list(df, proj()), "npoint = 0\n");
}

TEST_F(MarkedListTest, TheFileNameEndsInTxt) {
    struct Case {
        const char* chosen;
        const char* saved;
    } cases[] = {
        {"C:\\work\\points", "C:\\work\\points.txt"},
        {"C:\\work\\points.lst", "C:\\work\\points.txt"},
        {"C:\\work\\points.txt", "C:\\work\\points.txt"},
        {"C:\\my.dir\\points", "C:\\my.dir\\points.txt"},
        {"C:\\a.txt\\points.dat", "C:\\a.txt\\points.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(marked_points_file_name(c.chosen), c.saved) << c.chosen;
}

}  // namespace
}  // namespace elements_test
