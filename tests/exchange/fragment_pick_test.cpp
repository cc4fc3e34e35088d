// The clicks of a fragment insertion: binding points picked on the fragment,
// placed on the target, repeats ignored, a third projection (serial or not),
// and the pick kept for the next instance of a serial insertion.
#include "output/fragment_pick.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Click {
    uint32_t projection, point;
    FragmentPickResult expect;
};

void run(FragmentPick& pick, const std::vector<Click>& clicks, bool serial) {
    int i = 0;
    for (const Click& c : clicks) {
        Point2 xy{double(c.projection * 100 + c.point), double(c.point)};
        EXPECT_EQ(fragment_pick_click(pick, c.projection, c.point, xy, serial), c.expect) << "click " << i;
        ++i;
    }
}

TEST(FragmentPick, TwoBindingPointsPickedAndPlaced) {
    FragmentPick pick;
    run(pick,
        {{1, 5, pick_source_point}, {1, 5, pick_ignored}, {1, 6, pick_source_point},
         {2, 40, pick_target_point}, {2, 40, pick_ignored}, {2, 41, pick_ready}},
        false);
    const FragmentInsertParams& p = pick.params;
    EXPECT_EQ(p.source_projection, 1u);
    EXPECT_EQ(p.target_projection, 2u);
    ASSERT_EQ(p.source_count, 2);
    ASSERT_EQ(p.target_count, 2);
    EXPECT_EQ(p.source_points[1], 6u);
    EXPECT_EQ(p.target_points[0], 40u);
    EXPECT_EQ(p.target_xy[1].x, 241.0);
    EXPECT_EQ(fragment_pick_counts(pick), 22);
}

TEST(FragmentPick, AtMostThreeBindingPoints) {
    FragmentPick full;
    run(full,
        {{1, 1, pick_source_point}, {1, 2, pick_source_point}, {1, 3, pick_source_point}, {1, 4, pick_ignored},
         {2, 7, pick_target_point}, {2, 8, pick_target_point}, {2, 9, pick_ready}},
        false);
    EXPECT_EQ(full.params.source_count, 3);
}

TEST(FragmentPick, AThirdProjectionCancelsOrRestartsTheTarget) {
    FragmentPick once;
    run(once, {{1, 1, pick_source_point}, {1, 2, pick_source_point}, {2, 7, pick_target_point}, {3, 8, pick_cancelled}},
        false);
    EXPECT_FALSE(once.started);
    FragmentPick serial;
    run(serial,
        {{1, 1, pick_source_point}, {1, 2, pick_source_point}, {2, 7, pick_target_point}, {3, 8, pick_restarted},
         {3, 9, pick_ready}},
        true);
    EXPECT_EQ(serial.params.target_projection, 3u);
    EXPECT_EQ(serial.params.target_points[0], 8u);
    // The next instance keeps the fragment and its binding points.
    fragment_pick_after_insert(serial, true);
    EXPECT_EQ(serial.params.source_count, 2);
    EXPECT_EQ(serial.params.target_count, 0);
    run(serial, {{2, 20, pick_target_point}, {2, 21, pick_ready}}, true);
    EXPECT_EQ(serial.params.target_projection, 2u);
    fragment_pick_after_insert(serial, false);
    EXPECT_FALSE(serial.started);
}

}  // namespace
