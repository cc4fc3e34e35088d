// The projection transformation: the pivot keeps its place, distances
// scale as typed (worked out independently from the map's definition), a
// mirrored arc keeps its direction, hidden points go with their elements,
// and typed scales read as their absolute value with 0 as 1.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/points_transform.h"

using namespace elements_test;

namespace {

class Transform : public ElementsTest {
protected:
    PointContext ctx;
    void SetUp() override {
        ElementsTest::SetUp();
        ctx.df = df;
        ctx.projection = proj();
    }
};

double dist(Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Counter-clockwise sweep from start to end about the centre, in [0, 2 pi).
double sweep(Point2 s, Point2 e, Point2 c) {
    double a = std::atan2(e.y - c.y, e.x - c.x) - std::atan2(s.y - c.y, s.x - c.x);
    while (a < 0) a += 2 * pi;
    return a;
}

TEST_F(Transform, PivotStaysAndDistancesScale) {
    struct Case {
        double sx, sy, angle, mirror;
    };
    const Case cases[] = {{2, 2, 0, 1}, {3, 0.5, 0, 1}, {1, 1, pi / 6, 1}, {2, 3, 0.7, -1}, {1, 1, 0, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.sx) + " " + std::to_string(c.sy) + " " + std::to_string(c.angle) + " " +
                     std::to_string(c.mirror));
        projection = Bytes(projection_record_max, 0);
        put_u16(proj(), record_length, projection_record_head);
        ctx.projection = proj();
        point(1, 10, 20);
        point(2, 14, 20);   // 4 along x from the pivot
        point(3, 10, 23);   // 3 along y
        point(4, 13, 24, point_flag_hidden);
        Bytes line = fixed(1, {2, 4});
        put_point2(line.data(), element_coords2, {14, 20});
        put_point2(line.data(), element_coords2 + 16, {13, 24});
        add(line, 101);
        ASSERT_GT(transform_projection(ctx, 1, c.sx, c.sy, c.angle, c.mirror), 0);
        EXPECT_NEAR(point_at(1).x, 10, 1e-12);
        EXPECT_NEAR(point_at(1).y, 20, 1e-12);
        // The unit x vector goes to s (cos -a, sin -a); the unit y vector to
        // f t (sin a, cos a): lengths s and t.
        EXPECT_NEAR(dist(point_at(2), point_at(1)), 4 * c.sx, 1e-9);
        EXPECT_NEAR(dist(point_at(3), point_at(1)), 3 * c.sy, 1e-9);
        double th = -c.angle;
        EXPECT_NEAR(point_at(2).x, 10 + 4 * c.sx * std::cos(th), 1e-9);
        EXPECT_NEAR(point_at(2).y, 20 + 4 * c.sx * std::sin(th), 1e-9);
        EXPECT_NEAR(point_at(3).x, 10 - c.mirror * 3 * c.sy * std::sin(th), 1e-9);
        // The hidden point is mapped like the line's stored end on it.
        Bytes stored_line = stored(101);
        EXPECT_NEAR(get_point2(stored_line.data(), element_coords2 + 16).x, point_at(4).x, 1e-9);
        EXPECT_NEAR(get_point2(stored_line.data(), element_coords2 + 16).y, point_at(4).y, 1e-9);
        EXPECT_NEAR(get_point2(stored_line.data(), element_coords2).x, point_at(2).x, 1e-9);
    }
}

TEST_F(Transform, MirroredArcKeepsItsDirection) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 0, 10);
    Bytes arc = fixed(3, {2, 3, 1});  // start, end, centre: a quarter turn counter-clockwise
    put_point2(arc.data(), element_coords3, {10, 0});
    put_point2(arc.data(), element_coords3 + 16, {0, 10});
    put_point2(arc.data(), element_coords3 + 32, {0, 0});
    add(arc, 101);
    double before = sweep({10, 0}, {0, 10}, {0, 0});
    ASSERT_GT(transform_projection(ctx, 1, 1, 1, 0, -1), 0);
    Bytes a = stored(101);
    Point2 s = get_point2(a.data(), element_coords3), e = get_point2(a.data(), element_coords3 + 16),
           c = get_point2(a.data(), element_coords3 + 32);
    EXPECT_NEAR(sweep(s, e, c), before, 1e-12);
    // The point numbers follow their coordinates.
    EXPECT_EQ(get_u32(a.data(), element_points), 3u);
    EXPECT_EQ(get_u32(a.data(), element_points + 4), 2u);
    EXPECT_NEAR(s.x, point_at(3).x, 1e-12);
    EXPECT_NEAR(s.y, point_at(3).y, 1e-12);
}

TEST_F(Transform, IdentityChangesNothingAndTypedScales) {
    point(1, 5, 5);
    point(2, 7, 9);
    EXPECT_EQ(transform_projection(ctx, 1, 1, 1, 0, 1), 0);
    EXPECT_EQ(point_at(2).x, 7);
    EXPECT_EQ(transform_projection(ctx, 99, 2, 2, 0, 1), -1) << "no pivot";
    EXPECT_EQ(transform_scale_typed(0), 1.0);
    EXPECT_EQ(transform_scale_typed(-2), 2.0);
    EXPECT_EQ(transform_scale_typed(0.5), 0.5);
}

}  // namespace
