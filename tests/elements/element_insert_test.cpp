// Point insertion: split lines, circles and arcs keep their shape and share
// the new point; a curve takes it as a vertex; clicks on existing points and
// kinds that take no point change nothing; contours and dimensions follow.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/element_insert.h"
#include "stages/points_elements/marking_contours.h"

#include "geometry/curve_images.h"

using namespace elements_test;

namespace {

double dist(Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Sweep of an arc with centre from start to end in decreasing angle,
// computed here on its own (a full turn when both ends coincide).
double sweep(Point2 s, Point2 e, Point2 c) {
    double a = std::atan2(s.y - c.y, s.x - c.x) - std::atan2(e.y - c.y, e.x - c.x);
    a = std::fmod(a, 2 * pi);
    if (a <= 1e-12) a += 2 * pi;
    return a;
}

}  // namespace

class Insert : public ElementsTest {
protected:
    InsertionContext ctx;
    std::vector<std::string> prompts;
    int checkpoints = 0;
    void SetUp() override {
        ElementsTest::SetUp();
        ctx.df = df;
        ctx.projection = proj();
        ctx.same_pixel = [](Point2 a, Point2 b) { return dist(a, b) < 0.5; };
        ctx.checkpoint = [this](unsigned char* p) { ++checkpoints; return p; };
        ctx.prompt = [this](const char* t) { prompts.push_back(t); };
    }
    // The pick square around (x, y), half side h.
    void pick(double x, double y, double h = 0.2) {
        ctx.probes[0] = Segment{{x - h, y - h}, {x + h, y + h}};
        ctx.probes[1] = Segment{{x - h, y + h}, {x + h, y - h}};
    }
    // The record of element n (its curve image with image set).
    RecordRef ref_of(uint32_t n, bool image = false) {
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            if (get_u32(r, element_number) == n && ((get_u16(r, element_options) & element_opt_image) != 0) == image)
                return record_ref_of(b, r);
        return 0;
    }
    Bytes with_coords(Bytes r, std::vector<Point2> pts) {
        uint32_t at = element_coords_offset(element_kind(r.data()));
        for (size_t i = 0; i < pts.size(); ++i) put_point2(r.data(), at + 16 * i, pts[i]);
        return r;
    }
};

TEST_F(Insert, ALineIsSplitAtTheClickAndBothPartsShareTheNewPoint) {
    point(1, 0, 0);
    point(2, 10, 5);
    add(with_coords(fixed(1, {1, 2}), {{0, 0}, {10, 5}}), 101);
    Bytes member = stored(101);
    pick(4, 2);
    InsertionResult res;
    ASSERT_EQ(insert_point_into_element(ctx, ref_of(101), &res), 1);
    EXPECT_EQ(checkpoints, 1);
    ASSERT_NE(res.point, 0u);
    ASSERT_NE(res.new_element, 0u);
    Point2 np = point_at(res.point);
    Segment original{{0, 0}, {10, 5}};
    int16_t cnt;
    Point2 nearest;
    EXPECT_LT(point_segment_distance(&original, np, &cnt, &nearest), 1e-9);
    Bytes first = stored(101), second = stored(res.new_element);
    EXPECT_EQ(get_u32(first.data(), 14), 1u);
    EXPECT_EQ(get_u32(first.data(), 18), res.point);
    EXPECT_EQ(get_u32(second.data(), 14), res.point);
    EXPECT_EQ(get_u32(second.data(), 18), 2u);
    EXPECT_LT(dist(get_point2(first.data(), 38), np), 1e-12);
    EXPECT_LT(dist(get_point2(second.data(), 22), np), 1e-12);
    EXPECT_LT(dist(get_point2(second.data(), 38), Point2{10, 5}), 1e-12);
    EXPECT_EQ(prompts.back(), "Точка установлена");
}

TEST_F(Insert, AClickOnAnEndOrOnAKindWithoutPointsChangesNothing) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 5, 5);
    add(with_coords(fixed(1, {1, 2}), {{0, 0}, {10, 0}}), 101);
    add(fixed(6, {1, 2, 3}), 102);
    size_t before = chain().size();
    uint32_t next_point = 4;
    pick(9.9, 0.05);
    EXPECT_EQ(insert_point_into_element(ctx, ref_of(101), nullptr), 0);
    EXPECT_EQ(insert_point_into_element(ctx, ref_of(102), nullptr), 0);
    EXPECT_EQ(prompts.back(), "На такой элемент точку не поставить!");
    pick(50, 50);   // no crossing
    EXPECT_EQ(insert_point_into_element(ctx, ref_of(101), nullptr), 0);
    EXPECT_EQ(chain().size(), before);
    EXPECT_EQ(checkpoints, 0);
    EXPECT_FALSE(point_number_is_used(next_point));
}

TEST_F(Insert, ACircleBecomesTwoArcsMeetingAtTheNewPointAndItsOldPoint) {
    point(1, 10, 0);   // on the circle
    point(2, 0, 0);    // centre
    add(with_coords(fixed(2, {1, 2}), {{10, 0}, {0, 0}}), 101);
    pick(0, 10);
    InsertionResult res;
    ASSERT_EQ(insert_point_into_element(ctx, ref_of(101), &res), 1);
    Bytes a = stored(101), b = stored(res.new_element);
    ASSERT_EQ(element_kind(a.data()), 3);
    ASSERT_EQ(element_kind(b.data()), 3);
    Point2 as = get_point2(a.data(), 26), ae = get_point2(a.data(), 42), ac = get_point2(a.data(), 58);
    Point2 bs = get_point2(b.data(), 26), be = get_point2(b.data(), 42), bc = get_point2(b.data(), 58);
    Point2 np = point_at(res.point);
    EXPECT_NEAR(dist(np, {0, 0}), 10, 1e-9);
    EXPECT_LT(dist(as, {10, 0}) + dist(ae, np) + dist(bs, np) + dist(be, {10, 0}), 1e-9);
    EXPECT_LT(dist(ac, {0, 0}) + dist(bc, {0, 0}), 1e-12);
    EXPECT_NEAR(sweep(as, ae, ac) + sweep(bs, be, bc), 2 * pi, 1e-9);
}

TEST_F(Insert, AnArcWithCentreKeepsItsSweepAcrossBothParts) {
    point(1, 10, 0);
    point(2, -10, 0);
    point(3, 0, 0);
    // From (10, 0) to (-10, 0) in decreasing angle: through (0, -10).
    add(with_coords(fixed(3, {1, 2, 3}), {{10, 0}, {-10, 0}, {0, 0}}), 101);
    pick(7.0710678, -7.0710678);
    InsertionResult res;
    ASSERT_EQ(insert_point_into_element(ctx, ref_of(101), &res), 1);
    Bytes a = stored(101), b = stored(res.new_element);
    double total = sweep(get_point2(a.data(), 26), get_point2(a.data(), 42), get_point2(a.data(), 58)) +
                   sweep(get_point2(b.data(), 26), get_point2(b.data(), 42), get_point2(b.data(), 58));
    EXPECT_NEAR(total, pi, 1e-9);
    EXPECT_NEAR(sweep(get_point2(a.data(), 26), get_point2(a.data(), 42), {0, 0}), pi / 4, 1e-6);
}

TEST_F(Insert, AThreePointArcGivesTwoArcsWithNewMidpoints) {
    point(1, 10, 0);
    point(2, 0, 10);
    point(3, 7.0710678118654755, 7.0710678118654755);
    add(with_coords(fixed(4, {1, 2, 3}), {{10, 0}, {0, 10}, {7.0710678118654755, 7.0710678118654755}}), 101);
    pick(8.660254037844387, 5.0);   // at 30 degrees
    InsertionResult res;
    ASSERT_EQ(insert_point_into_element(ctx, ref_of(101), &res), 1);
    Bytes a = stored(101), b = stored(res.new_element);
    Point2 np = point_at(res.point);
    for (const Bytes* r : {&a, &b}) {
        Point2 s = get_point2(r->data(), 26), e = get_point2(r->data(), 42), m = get_point2(r->data(), 58);
        // Every point on the old circle, the middle point halfway between the ends.
        for (Point2 q : {s, e, m}) EXPECT_NEAR(dist(q, {0, 0}), 10, 1e-6);
        EXPECT_NEAR(dist(m, s), dist(m, e), 1e-6);
        uint32_t mid = get_u32(r->data(), 22);
        EXPECT_LT(dist(point_at(mid), m), 1e-12);
    }
    EXPECT_LT(dist(get_point2(a.data(), 42), np), 1e-12);
    EXPECT_LT(dist(get_point2(b.data(), 26), np), 1e-12);
    EXPECT_NEAR(std::atan2(get_point2(a.data(), 58).y, get_point2(a.data(), 58).x), pi / 12, 1e-6);
}

TEST_F(Insert, ACurveTakesTheNewPointAsAVertexAndKeepsItsOtherVertices) {
    point(1, 0, 0);
    point(2, 10, 5);
    point(3, 20, 0);
    point(4, 30, 5);
    Bytes c = curve({1, 2, 3, 4});
    const Point2 pts[4] = {{0, 0}, {10, 5}, {20, 0}, {30, 5}};
    CurveVertex v[4];
    for (int i = 0; i < 4; ++i) v[i] = CurveVertex{static_cast<uint32_t>(i + 1), pts[i], pts[i]};
    smooth_curve_through_points(v, 4, 0, 0);
    for (int i = 0; i < 4; ++i) {
        put_point2(c.data(), 16 + 36 * i + 4, v[i].point);
        if (i < 3) put_point2(c.data(), 16 + 36 * i + 20, v[i].through);
    }
    add(c, 101);
    // Click on the second piece, on its through point (which lies on it).
    Point2 on = v[1].through;
    pick(on.x, on.y);
    InsertionResult res;
    ASSERT_EQ(insert_point_into_element(ctx, ref_of(101), &res), 1);
    EXPECT_EQ(res.new_element, 0u);
    std::vector<Bytes> recs = all(101);
    ASSERT_EQ(recs.size(), 1u);
    Bytes g = recs[0];
    ASSERT_EQ(get_i16(g.data(), curve_count), 5);
    EXPECT_EQ(get_u16(g.data(), 0), 36 * 5);
    const uint32_t want[5] = {1, 2, res.point, 3, 4};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(element_curve_vertex(g.data(), i).point_number, want[i]);
    // The new point lay on the old curve: within the tolerance of its piece.
    Point2 np = point_at(res.point);
    EXPECT_LT(arc_distance(4, v[1].point, v[2].point, v[1].through, np), 1e-6);
    // The new curve still passes through every vertex (pieces end there).
    for (int i = 0; i + 1 < 5; ++i) {
        CurveVertex a = element_curve_vertex(g.data(), i), b = element_curve_vertex(g.data(), i + 1);
        EXPECT_LT(arc_distance(4, a.point, b.point, a.through, a.point), 1e-9);
        EXPECT_LT(arc_distance(4, a.point, b.point, a.through, b.point), 1e-9);
    }
}

TEST_F(Insert, ACurveAtItsLargestVertexCountIsRefused) {
    std::vector<uint32_t> numbers;
    for (uint32_t i = 1; i <= 56; ++i) {
        point(i, 10.0 * i, 0);
        numbers.push_back(i);
    }
    Bytes c = curve(numbers);
    for (int i = 0; i < 56; ++i) {
        put_point2(c.data(), 16 + 36 * i + 4, Point2{10.0 * (i + 1), 0});
        if (i < 55) put_point2(c.data(), 16 + 36 * i + 20, Point2{10.0 * (i + 1) + 5, 0});
    }
    add(c, 101);
    pick(15, 0);
    EXPECT_EQ(insert_point_into_element(ctx, ref_of(101), nullptr), 0);
    EXPECT_EQ(prompts.back(), "Много точек плавной кривой!");
    EXPECT_EQ(get_i16(stored(101).data(), curve_count), 56);
    EXPECT_EQ(checkpoints, 0);
}

TEST_F(Insert, ASplitRouteMemberKeepsTheWholeLineInTheRouteAndDimensionsFollow) {
    point(1, 0, 0);
    point(2, 10, 0);
    Bytes line = with_coords(fixed(1, {1, 2}), {{0, 0}, {10, 0}});
    put_u16(line.data(), element_flags, static_cast<uint16_t>(get_u16(line.data(), element_flags) | 0x0100));
    add(line, 101);
    put_u32(df->header, 92, 0xFFFFFFFF);
    ContourHooks hooks;
    unsigned char* p = proj();
    uint32_t route = contour_create_from_marked(df, &p, 4, hooks);
    ASSERT_NE(route, 0u);
    // A dimension 7 between points 1 and 2.
    for (uint32_t pt : {1u, 2u}) {
        Bytes l(26, 0);
        put_u16(l.data(), 0, 26);
        put_u32(l.data(), 2, pt);
        put_u32(l.data(), 6, pt);
        put_u32(l.data(), 10, 7);
        put_f64(l.data(), 14, 0.5);
        put_u16(l.data(), 24, static_cast<uint16_t>(pt));
        record_add(df, head(projection_links), l.data(), &page_buffers[table_links]);
    }
    put_u32(df->header, 84, 2);
    pick(3, 0);
    InsertionResult res;
    ASSERT_EQ(insert_point_into_element(ctx, ref_of(101), &res), 1);
    std::vector<uint32_t> members;
    ASSERT_TRUE(contour_member_list(df, proj(), route, &members, nullptr, nullptr));
    EXPECT_EQ(members, (std::vector<uint32_t>{101, res.new_element}));
    // The dimension got a third link, to the new point, copying the first.
    int links = 0;
    bool to_new = false;
    PageBuffer* b = &page_buffers[table_links];
    for (uint8_t* r = record_next(df, head(projection_links), nullptr, b); r;
         r = record_next(df, head(projection_links), r, b)) {
        ++links;
        if (get_u32(r, 6) == res.point) {
            to_new = true;
            EXPECT_EQ(get_u32(r, 2), 3u);
            EXPECT_EQ(get_u32(r, 10), 7u);
            EXPECT_EQ(get_f64(r, 14), 0.5);
        }
    }
    EXPECT_EQ(links, 3);
    EXPECT_TRUE(to_new);
    EXPECT_EQ(get_u32(df->header, 84), 3u);
}

namespace {

Point2 cubic(Point2 p0, Point2 c1, Point2 c2, Point2 p3, double t) {
    double u = 1 - t;
    return Point2{u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p3.x,
                  u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p3.y};
}

}  // namespace

TEST_F(Insert, ABezierSplitThroughItsImageKeepsBothHalvesOnTheOriginalSpline) {
    const Point2 p0{0, 0}, p3{30, 0}, c1{5, 20}, c2{25, 20};
    point(1, p0.x, p0.y);
    point(2, p3.x, p3.y);
    point(3, c1.x, c1.y);
    point(4, c2.x, c2.y);
    add(with_coords(fixed(12, {1, 2, 3, 4}), {p0, p3, c1, c2}), 101);
    ASSERT_NE(build_bezier_image(proj(), 101, 1), 0u);
    Bytes image = image_of(101);
    ASSERT_FALSE(image.empty());
    // Click on the spline at t = 0.3, through its image.
    Point2 at = cubic(p0, c1, c2, p3, 0.3);
    pick(at.x, at.y, 0.3);
    InsertionResult res;
    ASSERT_EQ(insert_point_into_element(ctx, ref_of(101, true), &res), 1);
    Bytes a = stored(101), b = stored(res.new_element);
    ASSERT_EQ(element_kind(a.data()), 12);
    ASSERT_EQ(element_kind(b.data()), 12);
    Point2 np = point_at(res.point);
    // The original spline, densely sampled on its own.
    std::vector<Point2> original;
    for (int i = 0; i <= 20000; ++i) original.push_back(cubic(p0, c1, c2, p3, i / 20000.0));
    auto off_original = [&](Point2 q) {
        double best = 1e300;
        for (const Point2& o : original) best = std::min(best, dist(o, q));
        return best;
    };
    EXPECT_LT(off_original(np), 1e-3);
    for (const Bytes* h : {&a, &b}) {
        Point2 s = get_point2(h->data(), 30), e = get_point2(h->data(), 46);
        Point2 k1 = get_point2(h->data(), 62), k2 = get_point2(h->data(), 78);
        for (int i = 0; i <= 50; ++i) EXPECT_LT(off_original(cubic(s, k1, k2, e, i / 50.0)), 2e-3) << i;
        // The control points of the record are the reference points it names.
        EXPECT_LT(dist(point_at(get_u32(h->data(), 22)), k1), 1e-12);
        EXPECT_LT(dist(point_at(get_u32(h->data(), 26)), k2), 1e-12);
    }
    EXPECT_LT(dist(get_point2(a.data(), 46), np), 1e-12);
    EXPECT_LT(dist(get_point2(b.data(), 30), np), 1e-12);
    EXPECT_EQ(get_u32(a.data(), 14), 1u);
    EXPECT_EQ(get_u32(b.data(), 18), 2u);
    // The old control points are kept (moved), the inner ones are new
    // control points; both halves have their images.
    EXPECT_EQ(get_u32(a.data(), 22), 3u);
    EXPECT_EQ(get_u32(b.data(), 26), 4u);
    RecordRef from = 0;
    unsigned char* inner = record_find_key(df, head(projection_points), get_u32(a.data(), 26), &from,
                                           &page_buffers[table_points]);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner[point_flags2] & 1, 1);
    EXPECT_FALSE(image_of(101).empty());
    EXPECT_FALSE(image_of(res.new_element).empty());
}
