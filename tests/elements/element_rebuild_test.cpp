// Rebuilding elements from their points: every kind follows its points,
// generated records are made again, a lost point marks its element and is
// reported once, one moved point touches only the elements that use it,
// control points are carried by rotations and scalings only.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/element_rebuild.h"

#include <algorithm>
#include <random>

using namespace elements_test;

namespace {

constexpr double tol = 1e-9;

double dist(Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

class Rebuild : public ElementsTest {
protected:
    RebuildHooks hooks;
    std::vector<std::string> messages;
    void SetUp() override {
        ElementsTest::SetUp();
        hooks.stage = 1;
        hooks.message = [this](const char* t) { messages.push_back(t); };
        hooks.caption = [](const unsigned char*) { return "Вид спереди"; };
    }
    // The drawing of the tests: points 1..9 and one element of each kind.
    void fixture() {
        point(1, 0, 0);
        point(2, 10, 0);
        point(3, 5, 5);
        point(4, 20, 20);
        point(5, 30, 25);
        point(6, 40, 20);
        point(7, 50, 10);
        point(8, 60, 10);
        point(9, 55, 30);
        add(fixed(1, {1, 2}), 101);
        add(fixed(2, {3, 1}), 102);      // point on the circle, centre
        add(fixed(3, {2, 1, 3}), 103);   // start, end, centre
        add(fixed(4, {1, 2, 3}), 104);   // ends and a point on the arc
        add(curve({4, 5, 6, 7}), 105);
        add(fixed(12, {7, 8, 9, 6}), 106);
        add(fixed(10, {4, 5, 6}), 107);
        add(symbol(1, {8}), 108);
    }
    // Checks through the kernel's distances that each element passes through
    // the current positions of its points.
    void expect_through_points() {
        Point2 p[10];
        for (uint32_t n = 1; n <= 9; ++n) p[n] = point_at(n);
        Bytes line = stored(101);
        Segment seg{get_point2(line.data(), 22), get_point2(line.data(), 38)};
        int16_t cnt;
        Point2 nearest;
        EXPECT_LT(point_segment_distance(&seg, p[1], &cnt, &nearest), tol);
        EXPECT_LT(point_segment_distance(&seg, p[2], &cnt, &nearest), tol);
        Bytes circle = stored(102);
        Point2 cg[2] = {get_point2(circle.data(), 22), get_point2(circle.data(), 38)};
        EXPECT_LT(point_element_distance(2, cg, p[3], &nearest), tol);
        EXPECT_LT(dist(cg[1], p[1]), tol);
        Bytes a3 = stored(103);
        Point2 s = get_point2(a3.data(), 26), e = get_point2(a3.data(), 42), c = get_point2(a3.data(), 58);
        EXPECT_LT(dist(s, p[2]) + dist(e, p[1]) + dist(c, p[3]), tol);
        Bytes a4 = stored(104);
        for (uint32_t n : {1u, 2u, 3u})
            EXPECT_LT(arc_distance(4, get_point2(a4.data(), 26), get_point2(a4.data(), 42), get_point2(a4.data(), 58), p[n]),
                      tol) << "arc through point " << n;
        Bytes cur = stored(105);
        int nv = get_i16(cur.data(), curve_count);
        ASSERT_EQ(nv, 4);
        const uint32_t cpts[4] = {4, 5, 6, 7};
        for (int i = 0; i + 1 < nv; ++i) {
            CurveVertex a = element_curve_vertex(cur.data(), i), b = element_curve_vertex(cur.data(), i + 1);
            EXPECT_LT(arc_distance(4, a.point, b.point, a.through, p[cpts[i]]), tol) << "piece " << i;
            EXPECT_LT(arc_distance(4, a.point, b.point, a.through, p[cpts[i + 1]]), tol) << "piece " << i;
        }
        Bytes bez = image_of(106);
        ASSERT_FALSE(bez.empty());
        int bn = get_i16(bez.data(), curve_count);
        EXPECT_LT(dist(element_curve_vertex(bez.data(), 0).point, p[7]), 1e-6);
        EXPECT_LT(dist(element_curve_vertex(bez.data(), bn - 1).point, p[8]), 1e-6);
        EXPECT_FALSE(image_of(107).empty());
        Bytes sym = stored(108);
        EXPECT_LT(dist(get_point2(sym.data(), 22), p[8]), tol);
    }
};

TEST_F(Rebuild, EveryKindFollowsItsPointsAfterAMove) {
    fixture();
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    expect_through_points();
    // The centres of the circle and of the arc with centre are flagged.
    EXPECT_TRUE(point_flags_of(1) & 0x10);
    EXPECT_TRUE(point_flags_of(3) & 0x10);
    EXPECT_FALSE(point_flags_of(2) & 0x10);

    move_point(1, -3, 2);
    move_point(5, 33, 31);
    move_point(8, 64, 6);
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    expect_through_points();
    EXPECT_TRUE(messages.empty());
    // One image per composite element, with its number.
    EXPECT_EQ(all(106).size(), 2u);
    EXPECT_EQ(all(107).size(), 2u);
}

TEST_F(Rebuild, GeneratedRecordsAreThrownAwayAndMarksCleared) {
    point(1, 0, 0);
    point(2, 10, 0);
    add(fixed(1, {1, 2}), 1);
    Bytes fillet = fixed(1, {1, 2});
    put_u16(fillet.data(), element_flags, static_cast<uint16_t>(get_u16(fillet.data(), element_flags) | 0x0200));
    add(fillet, 2);
    Bytes piece = fixed(1, {1, 2});
    put_u16(piece.data(), element_flags, static_cast<uint16_t>(get_u16(piece.data(), element_flags) | 0x1000));
    add(piece, 3);
    Bytes outline = fixed(1, {1, 2});
    put_u16(outline.data(), element_options, element_opt_bar_outline);
    add(outline, 4);
    Bytes screened = fixed(1, {1, 2});
    put_u16(screened.data(), element_flags, static_cast<uint16_t>(get_u16(screened.data(), element_flags) | 0x0800));
    put_u16(screened.data(), element_options, element_opt_transient);
    add(screened, 5);
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    std::vector<Bytes> left = chain();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(get_u32(left[0].data(), element_number), 1u);
    EXPECT_EQ(get_u32(left[1].data(), element_number), 5u);
    EXPECT_EQ(get_u16(left[1].data(), element_flags) & 0x0800, 0);
    EXPECT_EQ(get_u16(left[1].data(), element_options) & element_opt_transient, 0);
}

TEST_F(Rebuild, ALostPointMarksItsElementIsReportedOnceAndTheRestIsRebuilt) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 0, 10);
    add(fixed(1, {1, 7}), 30);      // point 7 does not exist
    add(fixed(1, {7, 2}), 31);
    add(fixed(1, {1, 3}), 32);
    EXPECT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_lost_point);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Потерялась точка 7 для элемента 30 на проекции");
    EXPECT_TRUE(get_u16(stored(30).data(), element_flags) & element_flag_marked);
    EXPECT_TRUE(get_u16(stored(31).data(), element_flags) & element_flag_marked);
    EXPECT_FALSE(get_u16(stored(32).data(), element_flags) & element_flag_marked);
    // The element after the lost one still follows its points.
    EXPECT_EQ(get_f64(stored(32).data(), 38 + 8), 10.0);
}

TEST_F(Rebuild, MovingOnePointChangesExactlyTheElementsThatUseIt) {
    fixture();
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    std::map<uint32_t, Bytes> before;
    for (uint32_t n = 101; n <= 108; ++n) before[n] = stored(n);
    ElementUsage usage;
    element_usage_build(df, proj(), &usage);
    move_point(2, 12, -4);
    int changed = rebuild_elements_of_point(df, proj(), 2, Point2{12, -4}, &usage);
    EXPECT_EQ(changed, 3);   // line, arc with centre, three-point arc
    for (uint32_t n = 101; n <= 108; ++n) {
        bool uses = n == 101 || n == 103 || n == 104;
        EXPECT_EQ(stored(n) != before[n], uses) << "element " << n;
    }
    expect_through_points();
    // A point of the curve and of the ellipse: through points and image follow.
    move_point(5, 28, 40);
    EXPECT_EQ(rebuild_elements_of_point(df, proj(), 5, Point2{28, 40}, &usage), 2);
    EXPECT_FALSE(usage.valid);   // the ellipse's image moved records
    expect_through_points();
    EXPECT_EQ(all(107).size(), 2u);
    // The same through a fresh walk (no index) gives the same records.
    move_point(8, 61, 12);
    EXPECT_EQ(rebuild_elements_of_point(df, proj(), 8, Point2{61, 12}, nullptr), 2);
    expect_through_points();
    EXPECT_EQ(rebuild_elements_of_point(df, proj(), 999, Point2{0, 0}, &usage), 0);
}

TEST(CarryControlPoints, OnlyRotationsAndScalingsCarry) {
    const Point2 old_pts[4] = {{0, 0}, {10, 0}, {3, 4}, {7, -2}};
    struct Case {
        const char* what;
        Point2 p0, p1;
        bool carries;
    } cases[] = {
        {"translation", {5, 5}, {15, 5}, false},
        {"rotation by 90 degrees", {0, 0.5}, {0, 10.5}, true},
        {"longer", {1, 0}, {21, 0}, true},
        {"first end only", {0, 0}, {12, 0}, false},
    };
    for (const Case& c : cases) {
        Point2 now[4] = {c.p0, c.p1, old_pts[2], old_pts[3]};
        EXPECT_EQ(carry_control_points(old_pts, now), c.carries) << c.what;
        if (!c.carries) {
            EXPECT_EQ(now[2].x, old_pts[2].x) << c.what;
            continue;
        }
        // Independently: the control points keep their angle to the
        // end-to-end direction and their distance ratio.
        double old_base = std::atan2(old_pts[1].y - old_pts[0].y, old_pts[1].x - old_pts[0].x);
        double new_base = std::atan2(c.p1.y - c.p0.y, c.p1.x - c.p0.x);
        double ratio = dist(c.p0, c.p1) / dist(old_pts[0], old_pts[1]);
        for (int k = 2; k < 4; ++k) {
            double old_rel = std::atan2(old_pts[k].y - old_pts[0].y, old_pts[k].x - old_pts[0].x) - old_base;
            double new_rel = std::atan2(now[k].y - c.p0.y, now[k].x - c.p0.x) - new_base;
            EXPECT_NEAR(std::remainder(new_rel - old_rel, 2 * pi), 0, 1e-12) << c.what;
            EXPECT_NEAR(dist(now[k], c.p0), ratio * dist(old_pts[k], old_pts[0]), 1e-12) << c.what;
        }
    }
}

TEST_F(Rebuild, SplineControlPointsFollowARotationOfItsEnds) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 3, 4, 0);
    point(4, 7, 4, 0);
    add(fixed(12, {1, 2, 3, 4}), 50);
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    EXPECT_EQ(point_at(3).x, 3.0);
    // Turn the ends by 90 degrees about point 1 (both move).
    move_point(1, 1, 1);
    move_point(2, 1, 11);
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    // (3, 4) about the old first point turned by +90 degrees: (-4, 3), then
    // shifted to the new first point (1, 1).
    EXPECT_NEAR(point_at(3).x, -3, 1e-9);
    EXPECT_NEAR(point_at(3).y, 4, 1e-9);
    Bytes s = stored(50);
    EXPECT_NEAR(get_f64(s.data(), 30 + 32), -3, 1e-9);
    // A translation of both ends does not carry.
    move_point(1, 6, 1);
    move_point(2, 6, 11);
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    EXPECT_NEAR(point_at(3).x, -3, 1e-9);
}

TEST(StageSwitch, WhichProjectionsAreRebuilt) {
    struct Case { bool changed; int from, to; bool rebuilt; } cases[] = {
        {false, 2, 3, false}, {false, 1, 3, false}, {false, 3, 4, true}, {false, 4, 1, true},
        {false, 4, 5, true},  {false, 5, 6, false}, {false, 6, 3, true}, {true, 2, 3, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(projection_needs_rebuild(c.changed, c.from, c.to), c.rebuilt) << c.from << "->" << c.to;
}

// Deleting records collected during a walk never skips or repeats one:
// random chains across several pages against a plain list.
TEST_F(Rebuild, CollectedDeletionsMatchASimpleModel) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 6; ++round) {
        Bytes fresh(projection_record_max, 0);
        projection = fresh;
        int n = 40 + static_cast<int>(rng() % 160);
        for (int i = 0; i < n; ++i) {
            Bytes r = (rng() % 3 == 0) ? curve({1, 2, 3, 4, 5}) : (rng() % 2 ? fixed(1, {1, 2}) : fixed(3, {1, 2, 3}));
            add(r, static_cast<uint32_t>(round * 1000 + i + 1));
        }
        // The model: the chain as it stands, a plain list of keys.
        std::vector<uint32_t> model;
        for (Bytes& r : chain()) model.push_back(get_u32(r.data(), element_number));
        ASSERT_EQ(model.size(), static_cast<size_t>(n));
        std::vector<RecordRef> doomed;
        std::vector<uint32_t> kept;
        PageBuffer* b = &page_buffers[table_elements];
        size_t i = 0;
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b), ++i) {
            ASSERT_LT(i, model.size());
            ASSERT_EQ(get_u32(r, element_number), model[i]);
            if (rng() % 2) doomed.push_back(record_ref_of(b, r));
            else kept.push_back(model[i]);
        }
        delete_collected_records(df, head(projection_elements), doomed, b);
        ASSERT_EQ(error_flag, 0);
        std::vector<uint32_t> left;
        for (Bytes& r : chain()) left.push_back(get_u32(r.data(), element_number));
        EXPECT_EQ(left, kept) << "round " << round;
    }
}

// A moved point reports the four-point symbols that use it (their bent
// pictures are prepared again); a symbol of fewer points, a point that did
// not really move and a four-point symbol not using it are not reported.
TEST_F(Rebuild, MovingAPointReportsItsFourPointSymbols) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 3, 4);
    point(4, 7, 4);
    point(5, 50, 50);
    point(6, 60, 50);
    point(7, 52, 54);
    point(8, 58, 54);
    add(symbol(1001, {1, 2, 3, 4}), 201);
    add(symbol(1002, {5, 6, 7, 8}), 202);
    add(symbol(1, {2}), 203);
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    struct Case {
        uint32_t point;
        Point2 at;
        std::vector<uint32_t> reported;
    } cases[] = {
        {2, {12, 1}, {201}},   // the four-point symbol and the one-point one change
        {2, {12, 1}, {}},      // the same place again: nothing moved
        {7, {51, 55}, {202}},  // a control point of the other symbol
    };
    for (const Case& c : cases) {
        move_point(c.point, c.at.x, c.at.y);
        std::vector<uint32_t> pictures;
        EXPECT_GE(rebuild_elements_of_point(df, proj(), c.point, c.at, nullptr, &pictures), 0);
        EXPECT_EQ(pictures, c.reported) << "point " << c.point;
    }
}
