// The outward search of dimension placement on synthetic projections: the
// order and the 10 mm steps, equal keys, the side switch, coinciding
// extension lines, input that cannot be placed, arcs of angles, the
// grouping of spread level spans, and an independent check that no placed
// line lies in another's band.
#include "annotation/dimension_placement.h"
#include "annotation/level_dimensions.h"
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

namespace {

// The arc of an angle about a vertex on the top edge of the frame: the
// legs run up-right and up-left from (50, 50).
PlacementItem angle_item(double key) {
    PlacementItem it{};
    it.shape = 3;
    it.centre = {50, 50};
    it.first = {60, 60};   // 45 degrees
    it.second = {40, 60};  // 135 degrees
    it.first_direction = half_pi / 2;
    it.second_direction = 3 * half_pi / 2;
    it.view_length = key;
    return it;
}

double distance(Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

// An angle's line is an arc about its vertex: both ends at one radius, on
// their own extension directions, the first end 10 mm (sheet) beyond where
// its leg leaves the frame; a second angle on the same legs goes 10 mm
// further out.
TEST(DimensionPlacement, AnglesAreArcsAboutTheirVertex) {
    std::vector<PlacementItem> items = {angle_item(1), angle_item(2)};
    EXPECT_EQ(resolve_placement_collisions(items, frame), 0);
    // The first leg starts outside the frame (y 60 > 50): it starts there.
    const double want_radius[] = {std::hypot(10, 10) + 10, std::hypot(10, 10) + 20};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const PlacementItem& it = items[i];
        ASSERT_TRUE(it.placed);
        EXPECT_NEAR(distance(it.line_start, it.centre), want_radius[i], 1e-9);
        EXPECT_NEAR(distance(it.line_end, it.centre), want_radius[i], 1e-9);
        EXPECT_NEAR(std::atan2(it.line_start.y - 50, it.line_start.x - 50), half_pi / 2, 1e-9);
        EXPECT_NEAR(std::atan2(it.line_end.y - 50, it.line_end.x - 50), 3 * half_pi / 2, 1e-9);
    }
}

// An arc and a straight line: the straight span over the same edge is
// pushed out past the arc's band, and a line kept across the angle's
// sector near its vertex still lets the search end (the arc goes round it
// or is marked).
TEST(DimensionPlacement, ArcsAndStraightLinesKeepClearOfEachOther) {
    std::vector<PlacementItem> items = {angle_item(1), up_span(30, 70, 40)};
    EXPECT_EQ(resolve_placement_collisions(items, frame), 0);
    const PlacementItem& arc = items[0];
    const PlacementItem& line = items[1];
    // The arc's top lies at its radius above the vertex; the straight line
    // stands at least 9 mm above it.
    double top = 50 + distance(arc.line_start, arc.centre);
    EXPECT_GE(line.line_start.y, top + 9 - 1e-9);
    EXPECT_NEAR(std::fmod(line.line_start.y - 50, 10), 0, 1e-9);

    PlacementItem across{};
    across.keep = true;
    across.line_start = {45, 52};
    across.line_end = {55, 52};
    across.first_direction = across.second_direction = half_pi;
    std::vector<PlacementItem> crossed = {across, angle_item(1)};
    int marked = resolve_placement_collisions(crossed, frame);
    EXPECT_TRUE(crossed[1].placed || crossed[1].unplaceable);
    EXPECT_EQ(marked, crossed[1].unplaceable ? 1 : 0);
    // A vertex with legs of no direction cannot give an arc: marked.
    PlacementItem bad = angle_item(1);
    bad.first_direction = NAN;
    std::vector<PlacementItem> broken = {bad};
    EXPECT_EQ(resolve_placement_collisions(broken, frame), 1);
    EXPECT_TRUE(broken[0].unplaceable);
}

// Level spans: the extremes of a role across the extension direction;
// spans on one line that overlap, even only through a third, form one
// group; apart, on a parallel line or of another direction they do not.
TEST(LevelMerging, OverlappingSpansOnOneLineFormOneGroup) {
    Point2 a{}, b{};
    // Extension direction 0 (horizontal): the spans run up the y axis.
    EXPECT_TRUE(level_span_of({{10, 30}, {10, 5}, {10, 20}}, 0, 0.01, &a, &b));
    EXPECT_DOUBLE_EQ(a.y, 5);
    EXPECT_DOUBLE_EQ(b.y, 30);
    EXPECT_FALSE(level_span_of({{10, 5}, {10, 5.001}}, 0, 0.01, &a, &b));  // not spread
    EXPECT_FALSE(level_span_of({}, 0, 0.01, &a, &b));
    EXPECT_FALSE(level_span_of({{10, 5}, {10, 30}}, NAN, 0.01, &a, &b));

    auto span = [](int item, double y0, double y1, double x = 10, double direction = 0) {
        return LevelSpan{item, {x, y0}, {x, y1}, direction};
    };
    struct Case {
        const char* what;
        std::vector<LevelSpan> spans;
        std::vector<std::vector<int>> groups;
        double lo, hi;  // the first group's union
    } const cases[] = {
        {"overlap", {span(0, 0, 10), span(1, 5, 20)}, {{0, 1}}, 0, 20},
        {"apart", {span(0, 0, 10), span(1, 15, 20)}, {{0}, {1}}, 0, 10},
        {"through a third", {span(0, 0, 10), span(1, 20, 30), span(2, 8, 22)}, {{0, 2, 1}}, 0, 30},
        {"parallel line", {span(0, 0, 10), span(1, 5, 20, 12)}, {{0}, {1}}, 0, 10},
        {"other direction", {span(0, 0, 10), span(1, 5, 20, 10, half_pi / 2)}, {{0}, {1}}, 0, 10},
        {"opposite direction", {span(0, 0, 10), span(1, 5, 20, 10, 2 * half_pi)}, {{0, 1}}, 0, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<LevelGroup> groups = merge_level_spans(c.spans, 0.01);
        ASSERT_EQ(groups.size(), c.groups.size());
        for (size_t i = 0; i < groups.size(); ++i) EXPECT_EQ(groups[i].members, c.groups[i]);
        EXPECT_DOUBLE_EQ(std::min(groups[0].a.y, groups[0].b.y), c.lo);
        EXPECT_DOUBLE_EQ(std::max(groups[0].a.y, groups[0].b.y), c.hi);
    }
}

// A radial line keeps its direction while a label along it reads the right
// way; in the steep window (reading angle between pi/3 and pi/2, y growing
// downward: tan above sqrt(3)) it turns by steps of pi/24, nearer first
// and the larger angle first of a pair, inside the circle's or arc's span;
// with no readable direction in the span it stays.  Angles in degrees.
TEST(DimensionPlacement, RadialLinesTurnToAReadableDirectionInsideTheirSpan) {
    const double deg = 3.14159265358979323846 / 180;
    auto arc = [&](double from, double sweep) {
        RadialSpan s;
        s.kind = RadialSpan::arc;
        s.from = from * deg;
        s.sweep = sweep * deg;
        return s;
    };
    RadialSpan whole;
    whole.kind = RadialSpan::whole;
    struct Case {
        double wanted;
        RadialSpan span;
        double want;
    } const cases[] = {
        {0, whole, 0},             // readable as it is
        {-70, whole, -70},         // reads upwards: readable
        {70, whole, 55},           // 77.5, 62.5 and 85 are steep; 55 is not
        {80, whole, 95},           // 87.5 and 72.5 steep; 95 reads upwards
        {250, whole, 235},         // the same line the other way round
        {-110, arc(200, 50), 235}, // an arc across the angles' wrap
        {70, arc(40, 35), 55},
        {80, arc(50, 40), 57.5},   // 95 and 102.5 lie outside the arc
        {70, arc(62, 23), 70},     // the whole arc is steep: stays
        {70, RadialSpan{}, 70},    // no joining element: stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wanted);
        double got = choose_radial_direction(c.wanted * deg, c.span);
        EXPECT_NEAR(std::remainder(got - c.want * deg, 2 * 3.14159265358979323846), 0, 1e-9);
    }
    // The readability test itself against tan (away from the edges).
    for (double a = -179.5; a < 180; a += 1) {
        double t = std::tan(a * deg);
        bool steep = t > std::sqrt(3.0) + 1e-2;
        if (std::fabs(t - std::sqrt(3.0)) > 1e-2) EXPECT_EQ(radial_direction_readable(a * deg), !steep) << a;
    }
}
