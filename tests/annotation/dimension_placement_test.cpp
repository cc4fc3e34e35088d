// The outward search of dimension placement on synthetic projections: the
// order and the 10 mm steps, equal keys, the side switch, coinciding
// extension lines, input that cannot be placed, and an independent check
// that no placed line lies in another's band.
#include "annotation/dimension_placement.h"
#include "tests/annotation/placement_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

const double half_pi = 1.5707963267948966;
const PlacementFrame frame{{0, 0, 100, 50}, 1.0};

PlacementItem up_span(double x1, double x2, double key) {
    PlacementItem it{};
    it.first = {x1, 50};
    it.second = {x2, 50};
    it.first_direction = it.second_direction = half_pi;
    it.view_length = key;
    return it;
}

TEST(DimensionPlacement, ShorterFirstEachStepTenMillimetresOut) {
    std::vector<PlacementItem> items = {up_span(10, 90, 80), up_span(30, 70, 40), up_span(20, 80, 60)};
    EXPECT_EQ(resolve_placement_collisions(items, frame), 0);
    const double want_y[] = {80, 60, 70};  // 30, 10 and 20 mm beyond the top edge
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(items[i].placed);
        EXPECT_NEAR(items[i].line_start.y, want_y[i], 1e-9);
        EXPECT_NEAR(items[i].line_end.y, want_y[i], 1e-9);
        EXPECT_NEAR(items[i].line_start.x, items[i].first.x, 1e-9);
        EXPECT_NEAR(items[i].line_end.x, items[i].second.x, 1e-9);
    }
    // Side by side spans share the first level.
    std::vector<PlacementItem> apart = {up_span(10, 40, 30), up_span(60, 90, 30)};
    resolve_placement_collisions(apart, frame);
    EXPECT_NEAR(apart[0].line_start.y, 60, 1e-9);
    EXPECT_NEAR(apart[1].line_start.y, 60, 1e-9);
}

TEST(DimensionPlacement, OfEqualKeysTheLaterSitsNearer) {
    std::vector<PlacementItem> items = {up_span(10, 90, 50), up_span(20, 80, 50)};
    resolve_placement_collisions(items, frame);
    EXPECT_NEAR(items[1].line_start.y, 60, 1e-9);
    EXPECT_NEAR(items[0].line_start.y, 70, 1e-9);
}

TEST(DimensionPlacement, KeptLinesStayAndPushTheOthers) {
    PlacementItem kept = up_span(10, 90, 1);
    kept.keep = true;
    kept.line_start = {10, 60};
    kept.line_end = {90, 60};
    std::vector<PlacementItem> items = {kept, up_span(5, 95, 2)};
    resolve_placement_collisions(items, frame);
    EXPECT_NEAR(items[0].line_start.y, 60, 0);
    EXPECT_NEAR(items[1].line_start.y, 70, 1e-9);
}

TEST(DimensionPlacement, ExtensionLinesCrossingAPlacedLineTakeTheOtherSide) {
    // A kept line at 55 runs across where the new span's extension lines
    // would go up: the span goes below the frame instead.
    PlacementItem kept = up_span(40, 60, 1);
    kept.keep = true;
    kept.line_start = {40, 55};
    kept.line_end = {60, 55};
    std::vector<PlacementItem> items = {kept, up_span(45, 55, 2)};
    resolve_placement_collisions(items, frame);
    ASSERT_TRUE(items[1].placed);
    EXPECT_NEAR(items[1].line_start.y, -10, 1e-9);
    EXPECT_NEAR(items[1].line_end.x, 55, 1e-9);
}

TEST(DimensionPlacement, SidesFollowTheNearerEdge) {
    PlacementItem right{};
    right.first = {95, 10};
    right.second = {95, 40};
    right.first_direction = right.second_direction = 2 * half_pi;  // pointing left
    right.view_length = 30;
    std::vector<PlacementItem> items = {right};
    resolve_placement_collisions(items, frame);
    EXPECT_NEAR(items[0].line_start.x, 110, 1e-9);  // turned round to the near right edge
    EXPECT_NEAR(items[0].line_end.y, 40, 1e-9);
}

TEST(DimensionPlacement, CoincidingExtensionLinesGetAShortLine) {
    std::vector<PlacementItem> items = {up_span(50, 50, 0)};
    resolve_placement_collisions(items, frame);
    ASSERT_TRUE(items[0].placed);
    double len = std::hypot(items[0].line_end.x - items[0].line_start.x, items[0].line_end.y - items[0].line_start.y);
    EXPECT_NEAR(len, 2 * 0.25 / 16, 1e-12);
}

TEST(DimensionPlacement, InputThatCannotBePlacedIsMarkedAndTheSearchEnds) {
    PlacementItem nan_dir = up_span(10, 20, 1);
    nan_dir.first_direction = std::nan("");
    PlacementItem parallel = up_span(10, 20, 2);
    parallel.second_direction = 0;  // runs along the dimension line: no second end
    PlacementItem inf_point = up_span(10, 20, 3);
    inf_point.second.x = INFINITY;
    std::vector<PlacementItem> items = {nan_dir, parallel, inf_point, up_span(30, 40, 4)};
    EXPECT_EQ(resolve_placement_collisions(items, frame), 3);
    EXPECT_TRUE(items[0].unplaceable && items[1].unplaceable && items[2].unplaceable);
    EXPECT_TRUE(items[3].placed);
    EXPECT_FALSE(items[3].unplaceable);
}

// Independent check: two placed lines of the same direction whose spans
// overlap along the line lie at least the band's 9 mm apart.
TEST(DimensionPlacement, NoPlacedLineLiesInAnothersBand) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> pos(0, 100);
    for (int round = 0; round < 5; ++round) {
        std::vector<PlacementItem> items;
        for (int i = 0; i < 40; ++i) {
            double a = pos(rng), b = pos(rng);
            if (std::fabs(a - b) < 1) b = a + 1;
            items.push_back(up_span(std::min(a, b), std::max(a, b), std::fabs(a - b)));
        }
        EXPECT_EQ(resolve_placement_collisions(items, frame), 0);
        for (size_t i = 0; i < items.size(); ++i) {
            ASSERT_TRUE(items[i].placed);
            // Every line stands a whole number of 10 mm steps out.
            double steps = (items[i].line_start.y - 50) / 10;
            EXPECT_NEAR(steps, std::round(steps), 1e-9);
            for (size_t j = i + 1; j < items.size(); ++j) {
                const PlacementItem &p = items[i], &q = items[j];
                double lo = std::max(p.line_start.x, q.line_start.x), hi = std::min(p.line_end.x, q.line_end.x);
                if (hi - lo <= 1e-9) continue;
                EXPECT_GE(std::fabs(p.line_start.y - q.line_start.y), 9.0) << i << " " << j;
            }
        }
    }
}

// The indexed search places exactly as the all-pairs search does: random
// projections with spans on every edge, slanted extension lines, kept lines,
// coinciding and parallel lines, at two drawing scales.
TEST(DimensionPlacement, IndexedSearchMatchesTheAllPairsSearch) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unit(0, 1);
    for (double mm : {1.0, 0.05}) {
        PlacementFrame f{{-200 * mm, 0, 300 * mm, 150 * mm}, mm};
        for (int round = 0; round < 12; ++round) {
            f.label_height = round % 3 == 2 ? 12 * mm : 0;  // tall labels widen the band
            std::vector<PlacementItem> items;
            int n = 20 + round * 15;
            for (int i = 0; i < n; ++i) {
                PlacementItem it{};
                int edge = static_cast<int>(unit(rng) * 4);
                double a = unit(rng), b = unit(rng);
                double dir = edge * half_pi;
                if (unit(rng) < 0.2) dir += (unit(rng) - 0.5);  // slanted
                Point2 o = edge == 0 ? Point2{300, 20 + 120 * a} : edge == 1 ? Point2{-200 + 500 * a, 150}
                         : edge == 2 ? Point2{-200, 20 + 120 * a} : Point2{-200 + 500 * a, 0};
                Point2 o2 = edge % 2 ? Point2{-200 + 500 * b, o.y} : Point2{o.x, 20 + 120 * b};
                if (unit(rng) < 0.05) o2 = o;  // coinciding extension lines
                it.first = {o.x * mm, o.y * mm};
                it.second = {o2.x * mm, o2.y * mm};
                it.first_direction = dir;
                it.second_direction = unit(rng) < 0.03 ? dir + half_pi : dir;  // parallel: unplaceable
                it.view_length = std::floor(unit(rng) * 8) * mm;  // many equal keys
                if (unit(rng) < 0.1) {
                    it.keep = true;
                    double d = (10 + 30 * unit(rng)) * mm;
                    it.line_start = {it.first.x + std::cos(dir) * d, it.first.y + std::sin(dir) * d};
                    it.line_end = {it.second.x + std::cos(dir) * d, it.second.y + std::sin(dir) * d};
                }
                items.push_back(it);
            }
            std::vector<PlacementItem> want = items;
            int want_marked = placement_reference::resolve(want, f);
            EXPECT_EQ(resolve_placement_collisions(items, f), want_marked);
            for (size_t i = 0; i < items.size(); ++i) {
                SCOPED_TRACE(testing::Message() << "scale " << mm << " round " << round << " item " << i);
                EXPECT_EQ(items[i].placed, want[i].placed);
                EXPECT_EQ(items[i].unplaceable, want[i].unplaceable);
                EXPECT_EQ(items[i].distance, want[i].distance);
                EXPECT_EQ(items[i].line_start.x, want[i].line_start.x);
                EXPECT_EQ(items[i].line_start.y, want[i].line_start.y);
                EXPECT_EQ(items[i].line_end.x, want[i].line_end.x);
                EXPECT_EQ(items[i].line_end.y, want[i].line_end.y);
            }
        }
    }
}

// Tall labels widen the free band: with 10 mm text a label standing
// 1.24 mm off its line would reach a line 10 mm further out, so nested
// lines stand 20 mm apart; with the default height they stay 10 mm apart.
TEST(DimensionPlacement, TallLabelsKeepTheNextLineClear) {
    struct Case {
        double label_height, want_gap;
    } const cases[] = {{0, 10}, {3.5, 10}, {7, 10}, {10, 20}, {20, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label_height);
        PlacementFrame f = frame;
        f.label_height = c.label_height;
        std::vector<PlacementItem> items = {up_span(10, 90, 80), up_span(30, 70, 40)};
        EXPECT_EQ(resolve_placement_collisions(items, f), 0);
        EXPECT_NEAR(items[1].line_start.y, 60, 1e-9);
        EXPECT_NEAR(items[0].line_start.y - items[1].line_start.y, c.want_gap, 1e-9);
        EXPECT_GT(items[0].line_start.y - items[1].line_start.y, c.label_height + 1.24);
    }
}

}  // namespace
