// Thread lines: a thread arc becomes the conventional three-quarter circle
// whatever its extent; a thread line is trimmed to the outline it crosses,
// and the points at its ends follow as true positions.
#include <gtest/gtest.h>

#include "stages/points_elements/element_rebuild.h"
#include "stages/points_elements/thread_lines.h"
#include "tests/elements/elements_fixture.h"

namespace elements_test {
namespace {

class ThreadLinesTest : public ElementsTest {
public:
    void segment(uint32_t n, uint32_t p1, uint32_t p2, int type) {
        Bytes r = fixed(1, {p1, p2}, type);
        put_point2(r.data(), element_coords2, point_at(p1));
        put_point2(r.data(), element_coords2 + 16, point_at(p2));
        add(r, n);
    }
    Point2 true_at(uint32_t n) {
        RecordRef from = 0;
        unsigned char* r = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        return r ? get_point2(r, point_true_x) : Point2{NAN, NAN};
    }
};

TEST_F(ThreadLinesTest, AThreadArcBecomesThreeQuartersOfItsCircle) {
    // Two thread arcs of radius 5 about the origin, a quarter and nearly a
    // whole turn, and an arc of another line type that stays.
    struct Case {
        uint32_t number;
        Point2 start, end;
        int type;
    } cases[] = {{1, {5, 0}, {0, -5}, 7}, {2, {0, 5}, {0.5, 4.97493710}, 7}, {3, {5, 0}, {0, -5}, 1}};
    uint32_t p = 10;
    for (const Case& c : cases) {
        point(p, c.start.x, c.start.y);
        point(p + 1, c.end.x, c.end.y);
        point(p + 2, 0, 0);
        Bytes r = fixed(3, {p, p + 1, p + 2}, c.type);
        put_point2(r.data(), element_coords3, c.start);
        put_point2(r.data(), element_coords3 + 16, c.end);
        put_point2(r.data(), element_coords3 + 32, {0, 0});
        add(r, c.number);
        p += 3;
    }
    ASSERT_EQ(thread_lines_trim(df, proj()), 2);
    double a0 = pi - 5 * pi / 180, a1 = -pi / 2 - 5 * pi / 180;
    for (uint32_t n : {1u, 2u}) {
        Bytes r = stored(n);
        ArcByCentre a{get_point2(r.data(), element_coords3), get_point2(r.data(), element_coords3 + 16), {0, 0}};
        EXPECT_NEAR(a.start.x, 5 * std::cos(a0), 1e-9);
        EXPECT_NEAR(a.start.y, 5 * std::sin(a0), 1e-9);
        EXPECT_NEAR(a.end.x, 5 * std::cos(a1), 1e-9);
        EXPECT_NEAR(a.end.y, 5 * std::sin(a1), 1e-9);
        EXPECT_NEAR(arc_sweep_angle(&a), 1.5 * pi, 1e-9);
    }
    // Their points' true positions follow; the sketch stays.
    EXPECT_NEAR(true_at(10).x, 5 * std::cos(a0), 1e-9);
    EXPECT_NEAR(point_at(10).x, 5, 1e-9);
    EXPECT_NEAR(get_f64(stored(3).data(), element_coords3), 5, 1e-12);
}

TEST_F(ThreadLinesTest, ThreadLinesAreTrimmedToTheOutlineTheyCross) {
    // The outline: two upright sides at x = 0 and x = 10.
    point(1, 0, -5);
    point(2, 0, 5);
    point(3, 10, -5);
    point(4, 10, 5);
    segment(1, 1, 2, 1);
    segment(2, 3, 4, 1);
    struct Case {
        uint32_t number;
        Point2 from, to;       // as drawn
        Point2 want_from, want_to;
    } cases[] = {
        {10, {-2, 1}, {12, 1}, {0, 1}, {10, 1}},   // two crossings: both ends
        {11, {5, 2}, {12, 2}, {5, 2}, {10, 2}},    // one crossing: the nearer end
        {12, {2, 3}, {8, 3}, {2, 3}, {8, 3}},      // none: unchanged
    };
    uint32_t p = 20;
    for (const Case& c : cases) {
        point(p, c.from.x, c.from.y);
        point(p + 1, c.to.x, c.to.y);
        segment(c.number, p, p + 1, 7);
        p += 2;
    }
    EXPECT_EQ(thread_lines_trim(df, proj()), 2);
    p = 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        Bytes r = stored(c.number);
        Point2 a = get_point2(r.data(), element_coords2), b = get_point2(r.data(), element_coords2 + 16);
        EXPECT_NEAR(a.x, c.want_from.x, 1e-9);
        EXPECT_NEAR(a.y, c.want_from.y, 1e-9);
        EXPECT_NEAR(b.x, c.want_to.x, 1e-9);
        EXPECT_NEAR(b.y, c.want_to.y, 1e-9);
        bool moved = c.want_from.x != c.from.x || c.want_to.x != c.to.x;
        EXPECT_NEAR(true_at(p + 1).x, c.want_to.x, 1e-9);
        EXPECT_EQ((point_flags_of(p + 1) & point_flag_thread_end) != 0, moved);
        EXPECT_NEAR(point_at(p + 1).x, c.to.x, 1e-9);  // the sketch stays
        p += 2;
    }
    // The outline itself is not touched.
    EXPECT_NEAR(get_f64(stored(1).data(), element_coords2), 0, 1e-12);
}

TEST_F(ThreadLinesTest, TheRebuildTrimsThreadLinesAgainFromTheirPoints) {
    point(1, 0, -5);
    point(2, 0, 5);
    point(3, 10, -5);
    point(4, 10, 5);
    point(5, -3, 0);
    point(6, 13, 0);
    segment(1, 1, 2, 1);
    segment(2, 3, 4, 1);
    segment(3, 5, 6, 7);
    ASSERT_GE(rebuild_projection_elements(df, proj(), false, RebuildHooks{}), 0);
    Bytes r = stored(3);
    EXPECT_NEAR(get_f64(r.data(), element_coords2), 0, 1e-9);
    EXPECT_NEAR(get_f64(r.data(), element_coords2 + 16), 10, 1e-9);
}

}  // namespace
}  // namespace elements_test
