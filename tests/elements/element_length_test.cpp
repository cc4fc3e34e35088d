// Changing an element's length: the fixed point stays, the moving points
// (in the element and in their reference points) are scaled about it; a
// ratio of 0 or 1 takes no checkpoint; elements that may not change are
// refused.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/element_length.h"
#include "stages/points_elements/element_rebuild.h"

using namespace elements_test;

namespace {
double dist(Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); }
}  // namespace

class Length : public ElementsTest {
protected:
    LengthHooks hooks;
    int checkpoints = 0;
    std::vector<uint32_t> remeasured;
    void SetUp() override {
        ElementsTest::SetUp();
        hooks.checkpoint = [this](unsigned char* p, uint32_t) { ++checkpoints; return p; };
        hooks.remeasure = [this](unsigned char*, uint32_t n) { remeasured.push_back(n); };
    }
    // Points 1..4 and the elements on them with their coordinates filled.
    void drawing() {
        point(1, 0, 0);
        point(2, 10, 0);
        point(3, 0, 10);
        point(4, 10, 10);
        add(fixed(1, {1, 2}), 11);
        add(fixed(2, {2, 1}), 12);          // on the circle, centre
        add(fixed(3, {2, 3, 1}), 13);       // start, end, centre
        add(curve({1, 2, 4}), 14);
        RebuildHooks rh;
        ASSERT_EQ(rebuild_projection_elements(df, proj(), false, rh), rebuild_ok);
    }
    int scale(uint32_t element, double ratio, int mode) {
        unsigned char* p = proj();
        return element_scale_length(df, &p, element, ratio, mode, hooks);
    }
};

TEST_F(Length, EachKindScalesAboutItsFixedPoint) {
    struct Case {
        const char* what;
        uint32_t element;
        double ratio;
        int mode;
        std::vector<std::pair<uint32_t, Point2>> points_after;
    } cases[] = {
        {"line from its start", 11, 1.5, length_from_start, {{1, {0, 0}}, {2, {15, 0}}}},
        {"line from its end", 11, 2, length_from_end, {{1, {-10, 0}}, {2, {10, 0}}}},
        {"circle about its centre", 12, 2, length_from_start, {{2, {20, 0}}, {1, {0, 0}}}},
        {"arc about its centre", 13, 0.5, length_from_start, {{2, {5, 0}}, {3, {0, 5}}, {1, {0, 0}}}},
        {"curve from its first vertex", 14, 2, length_from_start, {{1, {0, 0}}, {2, {20, 0}}, {4, {20, 20}}}},
        {"curve from its last vertex", 14, 0.5, length_from_end, {{4, {10, 10}}, {1, {5, 5}}, {2, {10, 5}}}},
    };
    for (const Case& c : cases) {
        Bytes fresh(projection_record_max, 0);
        projection = fresh;
        checkpoints = 0;
        drawing();
        ASSERT_EQ(scale(c.element, c.ratio, c.mode), 1) << c.what;
        EXPECT_EQ(checkpoints, 1) << c.what;
        Bytes r = stored(c.element);
        ElementPointPlace places[8];
        int n = element_point_places(r.data(), places, 8);
        for (const auto& want : c.points_after) {
            EXPECT_LT(dist(point_at(want.first), want.second), 1e-12) << c.what << " point " << want.first;
            for (int i = 0; i < n; ++i) {
                if (places[i].number == want.first) {
                    EXPECT_LT(dist(get_point2(r.data(), places[i].coords), want.second), 1e-12) << c.what;
                }
            }
        }
        EXPECT_TRUE(get_u16(proj(), 98) & 0x0200) << c.what;
    }
    // The curve's pieces still end on its vertices.
    Bytes cur = stored(14);
    for (int i = 0; i + 1 < 3; ++i) {
        CurveVertex a = element_curve_vertex(cur.data(), i), b = element_curve_vertex(cur.data(), i + 1);
        EXPECT_LT(arc_distance(4, a.point, b.point, a.through, b.point), 1e-9);
    }
}

TEST_F(Length, SameLengthOrZeroDoesNothingAndHeldPointsDecide) {
    drawing();
    Bytes before = stored(11);
    EXPECT_EQ(scale(11, 1.0, length_from_start), 0);
    EXPECT_EQ(scale(11, 0.0, length_from_start), 0);
    EXPECT_EQ(checkpoints, 0);
    EXPECT_EQ(stored(11), before);
    EXPECT_TRUE(remeasured.empty());
    // The end point may not move: only "from the end" is offered.
    RecordRef from = 0;
    unsigned char* p = record_find_key(df, head(projection_points), 2, &from, &page_buffers[table_points]);
    p[point_flags2] = 0x02;
    page_buffers[table_points].clean = 0;
    EXPECT_EQ(element_length_modes(df, proj(), 11), length_from_end);
    EXPECT_EQ(scale(11, 2, length_from_start), -1);
    EXPECT_EQ(checkpoints, 0);
    // Both ends held: refused.
    from = 0;
    p = record_find_key(df, head(projection_points), 1, &from, &page_buffers[table_points]);
    p[point_flags2] = 0x04;
    page_buffers[table_points].clean = 0;
    EXPECT_EQ(element_length_modes(df, proj(), 11), 0);
    // A curve whose length is fixed.
    Bytes c = curve({3, 4});
    put_u16(c.data(), element_options, element_opt_length_fixed);
    add(c, 15);
    EXPECT_EQ(element_length_modes(df, proj(), 15), 0);
    EXPECT_EQ(element_length_modes(df, proj(), 99), 0);
}
