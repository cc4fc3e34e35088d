// Placement of inserted fragments: the matrix from binding points and
// scales, the mirror decision, and when the turn question is due.
#include "output/fragment_placement.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/byte_order.h"
#include "geometry/tolerance.h"
#include "geometry/transforms.h"
#include "store/record_layouts.h"

namespace {

constexpr double pi = 3.14159265358979323846;

Point2 map(const FragmentPlacement& p, Point2 a) {
    Point2 out;
    affine_apply(&out, &p.matrix, a.x, a.y);
    return out;
}

struct PlacementCase {
    const char* name;
    FragmentPlacementInput in;
    Point2 probe;     // a fragment point
    Point2 expected;  // where it must land (worked out by hand)
    int mirror;
};

FragmentPlacementInput points(int n, Point2 s1, Point2 s2, Point2 s3, Point2 t1, Point2 t2, Point2 t3) {
    FragmentPlacementInput in;
    in.source_count = in.target_count = n;
    in.source[0] = s1;
    in.source[1] = s2;
    in.source[2] = s3;
    in.target[0] = t1;
    in.target[1] = t2;
    in.target[2] = t3;
    in.both_directed = true;
    return in;
}

TEST(FragmentPlacement, MatrixFromBindingPointsAndScales) {
    tolerance_set(tolerance_standing);
    std::vector<PlacementCase> cases;
    // Two points: the unit x axis becomes the segment (10,10)-(10,12): a
    // quarter turn and a scale of 2, so (0,1) lands 2 to the left of t1.
    cases.push_back({"two points turn and scale", points(2, {0, 0}, {1, 0}, {}, {10, 10}, {10, 12}, {}), {0, 1},
                     {8, 10}, 1});
    cases.push_back({"two points, far end", points(2, {0, 0}, {1, 0}, {}, {10, 10}, {10, 12}, {}), {1, 0},
                     {10, 12}, 1});
    // Three points with the third on the same side: no mirror.
    cases.push_back({"three points same side", points(3, {0, 0}, {1, 0}, {0, 1}, {10, 10}, {10, 12}, {8, 10}),
                     {0, 1}, {8, 10}, 1});
    // Third point on the other side: the copy is mirrored about the s1-s2 line.
    cases.push_back({"three points other side", points(3, {0, 0}, {1, 0}, {0, 1}, {10, 10}, {10, 12}, {12, 10}),
                     {0, 1}, {12, 10}, -1});
    cases.push_back({"mirrored keeps the axis", points(3, {0, 0}, {1, 0}, {0, 1}, {10, 10}, {10, 12}, {12, 10}),
                     {1, 0}, {10, 12}, -1});
    // Source points not at the origin: s1 lands on t1.
    cases.push_back({"s1 onto t1", points(2, {5, 5}, {7, 5}, {}, {0, 0}, {2, 0}, {}), {6, 6}, {1, 1}, 1});
    {
        // Coincident fragment points: the scale is the projections' one.
        FragmentPlacementInput in = points(2, {1, 1}, {1, 1}, {}, {0, 0}, {0, 5}, {});
        in.source_scale = 1.0;
        in.target_scale = 2.0;
        cases.push_back({"coincident source points", in, {2, 1}, {0, 2}, 1});
    }
    {
        // One point: the size follows the scales (1.0 fragment into 2.0).
        FragmentPlacementInput in = points(1, {1, 1}, {}, {}, {10, 0}, {}, {});
        in.source_scale = 1.0;
        in.target_scale = 2.0;
        cases.push_back({"one point doubles", in, {2, 1}, {12, 0}, 1});
    }
    {
        // A projection scale of 3000 counts as 2500; 0 counts as 1.
        FragmentPlacementInput in = points(1, {0, 0}, {}, {}, {0, 0}, {}, {});
        in.source_scale = 0.0;
        in.target_scale = 3000.0;
        cases.push_back({"scale clamp", in, {1, 0}, {2500, 0}, 1});
    }
    {
        // User scale and angle with no points: a2 = -angle, a1 = 0.
        FragmentPlacementInput in;
        in.user_parameters = true;
        in.user_scale = 2.0;
        in.user_angle = pi / 2;
        cases.push_back({"user scale and angle", in, {1, 0}, {0, -2}, 1});
        in.user_mirror = true;
        // Mirror matrix: (k cos(a2-a1), k sin(a2-a1)) for x: (0, -2); y
        // goes to (k sin(a2-a1), -k cos(a2-a1)) = (-2, 0).
        cases.push_back({"user mirror", in, {0, 1}, {-2, 0}, -1});
    }
    {
        // Without dimensions two points set the direction even when the
        // projections are not directed.
        FragmentPlacementInput in = points(2, {0, 0}, {1, 0}, {}, {0, 0}, {0, 3}, {});
        in.both_directed = false;
        in.without_dimensions = true;
        cases.push_back({"without dimensions", in, {1, 0}, {0, 3}, 1});
    }
    for (const PlacementCase& c : cases) {
        FragmentPlacement p;
        ASSERT_EQ(fragment_placement_compute(c.in, false, &p), placement_done) << c.name;
        Point2 got = map(p, c.probe);
        EXPECT_NEAR(got.x, c.expected.x, 1e-9) << c.name;
        EXPECT_NEAR(got.y, c.expected.y, 1e-9) << c.name;
        EXPECT_EQ(p.mirror, c.mirror) << c.name;
        if (c.in.target_count >= 1) {
            Point2 t1 = map(p, c.in.source[0]);
            EXPECT_NEAR(t1.x, c.in.target[0].x, 1e-9) << c.name;
            EXPECT_NEAR(t1.y, c.in.target[0].y, 1e-9) << c.name;
        }
    }
}

TEST(FragmentPlacement, UndirectedPointsAskAndGoOnAsOnePoint) {
    FragmentPlacementInput in = points(2, {0, 0}, {1, 0}, {}, {5, 5}, {5, 9}, {});
    in.both_directed = false;
    in.source_scale = 1.0;
    in.target_scale = 3.0;
    FragmentPlacement p;
    EXPECT_EQ(fragment_placement_compute(in, false, &p), placement_ask_points);
    ASSERT_EQ(fragment_placement_compute(in, true, &p), placement_done);
    // As one point: no turn, the projections' scale, s1 on t1.
    Point2 got = map(p, {1, 0});
    EXPECT_NEAR(got.x, 8.0, 1e-9);
    EXPECT_NEAR(got.y, 5.0, 1e-9);
    EXPECT_FALSE(p.scale_from_points);
}

TEST(FragmentPlacement, TurnQuestionOnlyForRealTurnsAndMirrors) {
    tolerance_set(tolerance_standing);
    struct Case {
        double a1, a2;
        int mirror;
        bool asked;
    } cases[] = {
        {0, 0, 1, false},
        {0.3, -0.3, 1, false},
        {0.5, pi - 0.5, 1, false},           // a half turn keeps directions
        {0.3, 0.3 - pi, 1, true},            // a2 = a1 - pi: turns by 0.6 - pi
        {0.2, 0.2, 1, true},
        {0, 0, -1, true},                    // mirrored
        {1.0, 1.0 - 1e-6 - 2.0, 1, false},   // within the tolerance of no turn
    };
    for (const Case& c : cases) {
        FragmentPlacement p;
        p.a1 = c.a1;
        p.a2 = c.a2;
        p.mirror = c.mirror;
        EXPECT_EQ(fragment_placement_turns(p), c.asked) << c.a1 << " " << c.a2 << " " << c.mirror;
    }
}

TEST(FragmentPlacement, DimensionsThatKeepADirection) {
    struct Case {
        int kind, mode;
        bool bit2;
        bool keeps;
    } cases[] = {
        {0, 0, false, true},  {0, 2, false, false}, {0, 3, false, false}, {0, 4, false, false},
        {0, 5, false, true},  {6, 1, false, true},  {2, 0, false, true},  {2, 0, true, false},
        {1, 0, false, false}, {5, 0, false, false},
    };
    for (const Case& c : cases) {
        uint8_t d[dimension_record_size] = {};
        put_u16(d, dimension_kind_word, static_cast<uint16_t>(c.kind | (c.mode << 5)));
        put_u16(d, dimension_value_word, c.bit2 ? 4 : 0);
        EXPECT_EQ(fragment_dimension_keeps_direction(d), c.keeps) << c.kind << " " << c.mode << " " << c.bit2;
    }
}

}  // namespace
