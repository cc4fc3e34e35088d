// The group of marked points: its centre and handle, moving and turning it,
// and dropping it (true positions, elements rebuilt).
#include <gtest/gtest.h>

#include "stages/points_elements/element_rebuild.h"
#include "stages/points_elements/points_group.h"
#include "tests/elements/elements_fixture.h"

namespace elements_test {
namespace {

class PointsGroupTest : public ElementsTest {};

TEST_F(PointsGroupTest, TheGroupIsTheBoxOfTheMarkedPoints) {
    point(1, 0, 0, 0x40);
    point(2, 10, 4, 0x40);
    point(3, 50, 50);                 // not marked
    point(4, 70, 70, point_flag_fixed);  // may not be moved, not marked
    PointGroup g;
    EXPECT_EQ(group_marked_points(df, proj(), &g), 2);
    EXPECT_EQ(g.projection, 1u);
    EXPECT_DOUBLE_EQ(g.centre.x, 5);
    EXPECT_DOUBLE_EQ(g.centre.y, 2);
    EXPECT_DOUBLE_EQ(g.handle.x, 5);
    EXPECT_DOUBLE_EQ(g.handle.y, 2 + 5);  // the larger half extent
    // One marked point alone, or all on one place, is no group.
    PointCopy p;
    ASSERT_TRUE(point_read(df, proj(), 2, &p));
    p.set_flags(0);
    point_write(df, proj(), p);
    EXPECT_EQ(group_marked_points(df, proj(), &g), 1);
    EXPECT_EQ(g.projection, 0u);
    // A marked point that may not be moved brings every such point in.
    point(5, 20, 20, point_flag_fixed | 0x40);
    EXPECT_EQ(group_marked_points(df, proj(), &g), 3);
    EXPECT_EQ(point_flags_of(4) & point_flag_marks, 0x40);
}

TEST_F(PointsGroupTest, MovingAndTurningTouchOnlyTheMarkedPoints) {
    point(1, 10, 0, 0x40);
    point(2, 0, 10, 0x40);
    point(3, 5, 5);
    EXPECT_EQ(group_move(df, proj(), {1, 2}, 2), 1);
    EXPECT_DOUBLE_EQ(point_at(1).x, 11);
    EXPECT_DOUBLE_EQ(point_at(1).y, 2);
    EXPECT_DOUBLE_EQ(point_at(2).x, 0);   // the grabbed point is set by its caller
    EXPECT_EQ(group_rotate(df, proj(), {0, 0}, pi / 2), 2);
    EXPECT_NEAR(point_at(1).x, -2, 1e-12);
    EXPECT_NEAR(point_at(1).y, 11, 1e-12);
    EXPECT_NEAR(point_at(2).x, -10, 1e-12);
    EXPECT_NEAR(point_at(2).y, 0, 1e-12);
    EXPECT_DOUBLE_EQ(point_at(3).x, 5);
}

TEST_F(PointsGroupTest, DroppingTheGroupSetsTrueAndRebuildsItsElements) {
    point(1, 0, 0, 0x40);
    point(2, 10, 0, 0x40);
    Bytes r = fixed(1, {1, 2});
    put_point2(r.data(), element_coords2 + 16, {10, 0});
    add(r, 1);
    group_rotate(df, proj(), {0, 0}, pi / 2);
    PointContext ctx;
    ctx.df = df;
    ctx.projection = proj();
    int rebuilt = 0;
    ctx.hooks.rebuild = [&](unsigned char* p, uint32_t) {
        ++rebuilt;
        rebuild_projection_elements(df, p, false, RebuildHooks{});
    };
    EXPECT_EQ(group_drop(ctx), 2);
    EXPECT_EQ(rebuilt, 1);
    RecordRef from = 0;
    unsigned char* p2 = record_find_key(df, head(projection_points), 2, &from, &page_buffers[table_points]);
    ASSERT_NE(p2, nullptr);
    EXPECT_NEAR(get_f64(p2, point_true_x), 0, 1e-12);
    EXPECT_NEAR(get_f64(p2, point_true_y), 10, 1e-12);
    Bytes e = stored(1);
    EXPECT_NEAR(get_f64(e.data(), element_coords2 + 16), 0, 1e-12);
    EXPECT_NEAR(get_f64(e.data(), element_coords2 + 24), 10, 1e-12);
}

}  // namespace
}  // namespace elements_test
