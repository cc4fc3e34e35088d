// Areas and reference points of closed contours, whatever the stored
// direction of each member.
#include "geometry/contour_area.h"

#include "geometry/curves.h"
#include "geometry/kernel_seams.h"
#include "geometry/metric.h"

#include "fake_drawing.h"
#include "fake_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const double PI = 3.14159265358979323846;

class ContourArea : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        fake_store::install();
        *kernel_error_flag = 0;
    }
    void TearDown() override {
        fake_store::uninstall();
        *kernel_error_flag = 0;
        KernelTest::TearDown();
    }
    uint8_t projection[440] = {};
    uint32_t next_number = 1;

    uint32_t segment(Point2 a, Point2 b) {
        std::vector<uint8_t> e = fake_store::element(54, next_number, 1);
        put_point2(e.data(), 22, a);
        put_point2(e.data(), 38, b);
        fake_store::put(projection, chain_elements, e.data(), e.size());
        return next_number++;
    }
    uint32_t arc(int kind, Point2 a, Point2 b, Point2 c) {
        std::vector<uint8_t> e = fake_store::element(74, next_number, static_cast<uint16_t>(kind));
        put_point2(e.data(), 26, a);
        put_point2(e.data(), 42, b);
        put_point2(e.data(), 58, c);
        fake_store::put(projection, chain_elements, e.data(), e.size());
        return next_number++;
    }
    uint32_t circle(Point2 on, Point2 c) {
        std::vector<uint8_t> e = fake_store::element(54, next_number, 2);
        put_point2(e.data(), 22, on);
        put_point2(e.data(), 38, c);
        fake_store::put(projection, chain_elements, e.data(), e.size());
        return next_number++;
    }
    uint32_t curve(const std::vector<CurveVertex>& v) {
        std::vector<uint8_t> e(16 + 36 * v.size(), 0);
        put_u16(e.data(), 0, static_cast<uint16_t>(e.size()));
        put_u32(e.data(), 2, next_number);
        put_u16(e.data(), 10, 5);
        put_i16(e.data(), 14, static_cast<int16_t>(v.size()));
        for (size_t i = 0; i < v.size(); ++i) curve_set_vertex(e.data(), static_cast<int>(i), v[i]);
        fake_store::put(projection, chain_elements, e.data(), e.size());
        return next_number++;
    }
    // A contour record with a box and members; measured into itself.
    double measure(const std::vector<uint32_t>& members, Box box, int* rc = nullptr, Point2* ref = nullptr) {
        std::vector<uint8_t> c(82 + 4 * members.size(), 0);
        put_u16(c.data(), 0, static_cast<uint16_t>(c.size()));
        put_box(c.data(), contour_box_offset, box);
        put_f64(c.data(), contour_area_offset, -1);
        put_i16(c.data(), contour_member_count_offset, static_cast<int16_t>(members.size()));
        for (size_t i = 0; i < members.size(); ++i) put_u32(c.data(), contour_members_offset + 4 * i, members[i]);
        int r = contour_measure_area(projection, c.data(), c.data(), 0);
        if (rc) *rc = r;
        if (ref) *ref = Point2{get_f32(c.data(), contour_reference_x_offset), get_f32(c.data(), contour_reference_y_offset)};
        EXPECT_EQ(fake_store::state().lock_depth, 0);
        return get_f64(c.data(), contour_area_offset);
    }
};

Point2 on_circle(double r, double a, Point2 c = {0, 0}) { return Point2{c.x + r * std::cos(a), c.y + r * std::sin(a)}; }

}  // namespace

TEST_F(ContourArea, RectanglesInEitherDirection) {
    Point2 p[4] = {{1, 2}, {11, 2}, {11, 7}, {1, 7}};
    Box box{1, 2, 11, 7};
    // Every combination of stored directions of the four sides.
    for (int mask = 0; mask < 16; ++mask)
        for (int order = 0; order < 2; ++order) {
            std::vector<uint32_t> m;
            for (int i = 0; i < 4; ++i) {
                int k = order ? 3 - i : i;
                Point2 a = p[k], b = p[(k + 1) % 4];
                m.push_back((mask >> i) & 1 ? segment(b, a) : segment(a, b));
            }
            Point2 ref;
            EXPECT_NEAR(measure(m, box, nullptr, &ref), 50, 1e-9) << mask << " " << order;
            EXPECT_NEAR(ref.x, 5, 1e-5);
            EXPECT_NEAR(ref.y, 2.5, 1e-5);
        }
}

TEST_F(ContourArea, HalfCirclesWhateverTheDirections) {
    // A half circle of radius 2 closed by its diameter, on both sides of
    // the diameter, with the arc and the diameter stored either way.
    for (int side = 0; side < 2; ++side)
        for (int arc_dir = 0; arc_dir < 2; ++arc_dir)
            for (int dia_dir = 0; dia_dir < 2; ++dia_dir)
                for (int kind = 3; kind <= 4; ++kind) {
                    Point2 r{2, 0}, l{-2, 0};
                    // Decreasing angle from (2,0) through -pi/2 (side 0) or +pi/2.
                    Point2 s = side == 0 ? r : l, e = side == 0 ? l : r;
                    if (arc_dir) std::swap(s, e);
                    // As ArcByCentre the arc runs from s to e with decreasing angle;
                    // which half that is follows from s.  For kind 4 give its middle.
                    Point2 third = kind == 3 ? Point2{0, 0} : (((side == 0) != (arc_dir == 1)) ? Point2{0, -2} : Point2{0, 2});
                    uint32_t a = arc(kind, s, e, third);
                    uint32_t d = dia_dir ? segment(l, r) : segment(r, l);
                    double miny = -2, maxy = 2;
                    Box box{-2, miny, 2, maxy};
                    EXPECT_NEAR(measure({a, d}, box), 2 * PI, 1e-9) << side << arc_dir << dia_dir << kind;
                    EXPECT_NEAR(measure({d, a}, box), 2 * PI, 1e-9) << side << arc_dir << dia_dir << kind;
                }
}

TEST_F(ContourArea, CirclesWholeAndInPieces) {
    Point2 c{5, 5};
    Point2 ref;
    EXPECT_NEAR(measure({circle(on_circle(1, 0.3, c), c)}, Box{4, 4, 6, 6}, nullptr, &ref), PI, 1e-12);
    EXPECT_NEAR(ref.x, 1, 1e-6);  // the centre, relative to the box
    EXPECT_NEAR(ref.y, 1, 1e-6);
    // Four quarter arcs, alternately stored backward.
    std::vector<uint32_t> quarters;
    for (int q = 0; q < 4; ++q) {
        Point2 s = on_circle(3, -q * PI / 2, c), e = on_circle(3, -(q + 1) * PI / 2, c);
        quarters.push_back(q % 2 ? arc(3, s, e, c) : arc(4, e, s, on_circle(3, -(q + 0.5) * PI / 2, c)));
    }
    EXPECT_NEAR(measure(quarters, Box{2, 2, 8, 8}, nullptr, &ref), 9 * PI, 1e-9);
    EXPECT_NEAR(ref.x, 3, 1e-3);
    EXPECT_NEAR(ref.y, 3, 1e-3);
    // A curve of arc pieces around the circle, and a full-circle arc.
    std::vector<CurveVertex> v;
    for (int k = 0; k <= 8; ++k)
        v.push_back(CurveVertex{0, on_circle(2, k * PI / 4, c), on_circle(2, (k + 0.5) * PI / 4, c)});
    EXPECT_NEAR(measure({curve(v)}, Box{3, 3, 7, 7}), 4 * PI, 1e-9);
    EXPECT_NEAR(measure({arc(3, on_circle(2, 1, c), on_circle(2, 1, c), c)}, Box{3, 3, 7, 7}), 4 * PI, 1e-9);
}

TEST_F(ContourArea, MixedContourAgainstItsSampledPolygon) {
    // A closed path: segment, arc bulging out, a curve walked backward, segment.
    Point2 A{0, 0}, B{10, 0}, C{10, 6}, D{4, 9}, E{0, 6};
    uint32_t s1 = segment(A, B);
    uint32_t a1 = arc(4, C, B, Point2{12, 3});                     // stored C->B
    std::vector<CurveVertex> v = {{0, D, {6.8, 8.2}}, {0, C, {0, 0}}};  // stored D->C
    uint32_t c1 = curve(v);
    uint32_t s2 = segment(D, E);
    uint32_t s3 = segment(E, A);
    // The polygon of densely sampled pieces in travel order.
    std::vector<Point2> poly;
    auto sample = [&](ArcByCentre arc, bool backward) {
        double sw = arc_sweep_angle(&arc), as = std::atan2(arc.start.y - arc.centre.y, arc.start.x - arc.centre.x);
        double r = point_distance(arc.start, arc.centre);
        for (int k = 0; k < 2000; ++k) {
            double t = backward ? 1 - k / 2000.0 : k / 2000.0;
            poly.push_back(on_circle(r, as - t * sw, arc.centre));
        }
    };
    poly.push_back(A);
    ArcByPoints p1{C, B, {12, 3}};
    ArcByCentre a;
    ASSERT_TRUE(arc_by_points_to_centre(&p1, &a));
    // From B to C: the arc runs from its start to its end or back.
    sample(a, !(a.start.x == B.x && a.start.y == B.y));
    ArcByPoints p2{D, C, {6.8, 8.2}};
    ASSERT_TRUE(arc_by_points_to_centre(&p2, &a));
    sample(a, !(a.start.x == C.x && a.start.y == C.y));
    poly.push_back(D);
    poly.push_back(E);
    double area = 0;
    for (size_t i = 0; i < poly.size(); ++i) {
        const Point2& p = poly[i];
        const Point2& q = poly[(i + 1) % poly.size()];
        area += p.x * q.y - q.x * p.y;
    }
    area = std::fabs(area) / 2;
    EXPECT_NEAR(measure({s1, a1, c1, s2, s3}, Box{0, 0, 12, 9.5}), area, 1e-4 * area);
    EXPECT_NEAR(measure({s3, s2, c1, a1, s1}, Box{0, 0, 12, 9.5}), area, 1e-4 * area);
}

TEST_F(ContourArea, MissingMemberGivesAnErrorAndNoArea) {
    uint32_t a = segment({0, 0}, {10, 0});
    uint32_t b = segment({10, 0}, {10, 5});
    int rc = 0;
    EXPECT_EQ(measure({a, b, 999}, Box{0, 0, 10, 5}, &rc), 0.0);
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(*kernel_error_flag, 1);
    EXPECT_EQ(fake_store::state().lock_depth, 0);
    EXPECT_EQ(fake_store::state().lock_acquires, 1);
    EXPECT_EQ(*kernel_contour_pieces_active, 0);
    // A circle among other members measures nothing.
    uint32_t c = circle({1, 0}, {0, 0});
    *kernel_error_flag = 0;
    EXPECT_EQ(measure({a, c}, Box{-1, -1, 10, 1}, &rc), 0.0);
    EXPECT_EQ(rc, 0);
}

TEST_F(ContourArea, MemberCountBeyondTheRecordIsBounded) {
    uint32_t a = segment({0, 0}, {10, 0});
    std::vector<uint8_t> c(82 + 4, 0);
    put_u16(c.data(), 0, static_cast<uint16_t>(c.size()));
    put_i16(c.data(), contour_member_count_offset, 30000);  // damaged count
    put_u32(c.data(), contour_members_offset, a);
    EXPECT_EQ(contour_measure_area(projection, c.data(), c.data(), 0), 0);
    EXPECT_EQ(get_f64(c.data(), contour_area_offset), 0.0);
}

TEST_F(ContourArea, PieceDirections) {
    Point2 prev[2] = {{0, 0}, {5, 0}};
    struct Case { Point2 p0, p1; int right; int reversed; };
    const Case cases[] = {{{5, 0}, {8, 3}, 1, 0}, {{8, 3}, {5, 0}, 1, 1}, {{5, 0}, {2, 3}, 0, 0},
                          {{0, 0}, {0, 4}, 1, 0}, {{9, 9}, {7, 7}, 1, 1}};  // no shared end: entered at its end
    for (const Case& c : cases) {
        Point2 p[2] = {c.p0, c.p1};
        int16_t rev = -1;
        EXPECT_EQ(contour_piece_runs_right(p, prev, &rev), c.right) << c.p0.x;
        EXPECT_EQ(rev, c.reversed);
    }
}
