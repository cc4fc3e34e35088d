// Boxes of elements and annotation, lengths, and the frame of a projection
// on a fake store with fixed measurers.
#include "geometry/extents.h"

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

ProjectionFrameWindow g_window;
bool g_window_open = true;
int g_stage = 1;

class Extents : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        fake_store::install();
        *kernel_error_flag = 0;
        g_window = ProjectionFrameWindow{};
        g_window_open = true;
        g_stage = 1;
        kernel_projection_window = [](const uint8_t*) { return g_window_open ? &g_window : nullptr; };
        kernel_current_stage = [] { return g_stage; };
        kernel_measurers = kernel_measurers_unbound;
        kernel_measurers.symbol_box = [](uint8_t*, const uint8_t*, Box* out) {
            *out = Box{-50, -50, -40, -40};
            return 1;
        };
    }
    void TearDown() override {
        fake_store::uninstall();
        kernel_projection_window = nullptr;
        kernel_current_stage = nullptr;
        kernel_measurers = kernel_measurers_unbound;
        KernelTest::TearDown();
    }
    uint8_t projection[440] = {};

    std::vector<uint8_t> segment(uint32_t n, Point2 a, Point2 b, uint16_t flags = 0x11) {
        std::vector<uint8_t> e = fake_store::element(54, n, flags);
        put_point2(e.data(), 22, a);
        put_point2(e.data(), 38, b);
        return e;
    }
    void add(const std::vector<uint8_t>& e, int chain = chain_elements) {
        fake_store::put(projection, chain, e.data(), e.size());
    }
    void point(Point2 entered, Point2 computed, uint16_t flags = 0) {
        std::vector<uint8_t> p(48, 0);
        put_u16(p.data(), 0, 48);
        put_u16(p.data(), 8, flags);
        put_point2(p.data(), 12, entered);
        put_point2(p.data(), 28, computed);
        add(p, chain_points);
    }
    Box frame() {
        PointF a = get_pointf(projection, projection_frame_offset), b = get_pointf(projection, projection_frame_offset + 8);
        return Box{a.x, a.y, b.x, b.y};
    }
};

void expect_box(const Box& b, double x0, double y0, double x1, double y1, double eps = 1e-5) {
    EXPECT_NEAR(b.min_x, x0, eps);
    EXPECT_NEAR(b.min_y, y0, eps);
    EXPECT_NEAR(b.max_x, x1, eps);
    EXPECT_NEAR(b.max_y, y1, eps);
}

}  // namespace

TEST_F(Extents, ElementBoxesByKindAndNoneOutsideTheTable) {
    Box b = box_empty();
    EXPECT_EQ(box_add_element(projection, &b, segment(1, {3, 4}, {1, 9}).data()), 1);
    expect_box(b, 1, 4, 3, 9);
    std::vector<uint8_t> arc = fake_store::element(74, 2, 3);
    put_point2(arc.data(), 26, {12, 0});
    put_point2(arc.data(), 42, {8, 0});
    put_point2(arc.data(), 58, {10, 0});  // from (12,0) down through (10,-2)
    b = box_empty();
    box_add_element(projection, &b, arc.data());
    expect_box(b, 8, -2, 12, 0);
    std::vector<uint8_t> sym = fake_store::element(98, 3, 11);
    b = box_empty();
    box_add_element(projection, &b, sym.data());
    expect_box(b, -50, -50, -40, -40);
    for (int kind : {0, 6, 7, 8, 9, 10, 12, 13, 14, 15}) {
        std::vector<uint8_t> e = fake_store::element(16, 4, static_cast<uint16_t>(kind));  // a short record
        b = box_empty();
        EXPECT_EQ(box_add_element(projection, &b, e.data()), 0) << kind;
        EXPECT_TRUE(box_is_empty(&b)) << kind;
    }
}

TEST_F(Extents, LengthsOfElementsCurvesAndOneNumber) {
    Point2 seg[2] = {{0, 0}, {3, 4}};
    EXPECT_NEAR(element_length(1, seg), 5, 1e-12);
    Point2 circle[2] = {{2, 0}, {0, 0}};
    EXPECT_NEAR(element_length(2, circle), 4 * PI, 1e-12);
    Point2 quarter[3] = {{2, 0}, {0, -2}, {0, 0}};
    EXPECT_NEAR(element_length(3, quarter), PI, 1e-12);
    Point2 half[3] = {{-2, 0}, {2, 0}, {0, 2}};
    EXPECT_NEAR(element_length(4, half), 2 * PI, 1e-12);
    Point2 chord[3] = {{-2, 0}, {2, 0}, {0, 0}};
    EXPECT_NEAR(element_length(4, chord), 4, 1e-12);
    EXPECT_EQ(element_length(6, chord), 0);
    // Elements of number 7: a segment, a curve of two half circles, a
    // generated screening piece (left out), and an element of number 8.
    add(segment(7, {0, 0}, {0, 10}));
    std::vector<uint8_t> c(16 + 36 * 3, 0);
    put_u16(c.data(), 0, static_cast<uint16_t>(c.size()));
    put_u32(c.data(), 2, 7);
    put_u16(c.data(), 10, 5);
    put_i16(c.data(), 14, 3);
    curve_set_vertex(c.data(), 0, CurveVertex{0, {0, 0}, {1, 1}});
    curve_set_vertex(c.data(), 1, CurveVertex{0, {2, 0}, {3, -1}});
    curve_set_vertex(c.data(), 2, CurveVertex{0, {4, 0}, {4, 0}});
    add(c);
    add(segment(7, {0, 0}, {100, 0}, 0x1001));
    add(segment(8, {0, 0}, {100, 0}));
    EXPECT_NEAR(elements_total_length(projection, 7), 10 + 2 * PI, 1e-9);
    EXPECT_EQ(elements_total_length(projection, 99), 0);
    EXPECT_EQ(fake_store::state().lock_acquires, 2);
    EXPECT_EQ(fake_store::state().lock_depth, 0);
}

TEST_F(Extents, RotatedTextsAndAnnotationBoxes) {
    TextMetrics m{{{2, 3, 10}, {1, 2, 4}}};
    PointF leader[3] = {{0, 0}, {0, 0}, {0, 0}};
    Box b;
    // y grows downward.  The anchor (5, 5) is the left end of the base line;
    // the line rises 2 above it (toward -y at angle 0) and descends 1 below
    // it, and runs 10 along the angle.  At an angle a the reading direction
    // is (cos a, sin a) and "up" is (sin a, -cos a).
    struct {
        double angle;
        Box box;
    } turned[] = {
        {0, {5, 3, 15, 6}},             // rise to y 3, descent to y 6
        {PI / 2, {4, 5, 7, 15}},        // reads down the screen, up is +x
        {PI, {-5, 4, 5, 7}},            // upside down: up is +y
        {3 * PI / 2, {3, -5, 6, 5}},    // reads up the screen, up is -x
        // cos 0.6, sin 0.8: top corners (6.6, 3.8) and (12.6, 11.8), bottom
        // corners (4.2, 5.6) and (10.2, 13.6).
        {std::atan2(0.8, 0.6), {4.2, 3.8, 12.6, 13.6}},
    };
    for (const auto& t : turned) {
        SCOPED_TRACE(t.angle);
        EXPECT_EQ(box_of_rotated_text(&b, &m, {5, 5}, {0, 0}, leader, 0, 1, t.angle), 1);
        expect_box(b, t.box.min_x, t.box.min_y, t.box.max_x, t.box.max_y);
    }
    // The second line (rise 1, height 2, width 4) at (5, 20) spans y 19..21.
    EXPECT_EQ(box_of_rotated_text(&b, &m, {5, 5}, {5, 20}, leader, 1, 1, 0), 2);
    expect_box(b, 5, 3, 15, 21);
    // Leader points widen the box and pad it by 0.25 mm for each point.
    PointF far[3] = {{30, 5}, {30, 5}, {30, 5}};
    box_of_rotated_text(&b, &m, {5, 5}, {0, 0}, far, 0, 0, 0);
    expect_box(b, 5 - 0.75, 3 - 0.75, 30.75, 6.75);
    // Two-point annotation: corners in either order, 0.3 mm of padding, at
    // 1:1 and at 1:10.
    for (double scale : {1.0, 10.0}) {
        fake_drawing::set_scale(scale);
        double pad = 0.3 / scale;
        std::vector<uint8_t> r(60, 0);
        put_pointf(r.data(), 22, {10, 2});
        put_pointf(r.data(), 30, {4, 8});
        box_of_two_point_annotation(&b, r.data());
        expect_box(b, 4 - pad, 2 - pad, 10 + pad, 8 + pad);
        put_pointf(r.data(), 22, {4, 8});
        put_pointf(r.data(), 30, {10, 2});
        box_of_two_point_annotation(&b, r.data());
        expect_box(b, 4 - pad, 2 - pad, 10 + pad, 8 + pad);
    }
    fake_drawing::set_scale(1);
    // A leader with a square frame and marks measured by the fake.
    std::vector<uint8_t> l(66, 0);
    put_u16(l.data(), 8, 3 << 11);
    put_u8(l.data(), 10, 1);
    put_pointf(l.data(), 26, {0, 0});
    put_pointf(l.data(), 34, {4, 2});
    put_pointf(l.data(), 42, {1, 1});
    kernel_measurers.leader_marks_box = [](const uint8_t*, const PointF*, PointF, Box* out) {
        *out = Box{-9, 0, -8, 1};
        return 1;
    };
    TextMetrics none{};
    box_of_leader_annotation(&b, l.data(), &none);
    EXPECT_NEAR(b.min_x, -9, 1e-6);    // the marks
    EXPECT_NEAR(b.max_y, 3, 1e-6);     // the square of side 4 about (2, 1)
    // Repeated annotation: the point box repeated n times along y.
    std::vector<uint8_t> rep(60, 0);
    put_u16(rep.data(), 8, 0x200 | (3 << 6));
    put_pointf(rep.data(), 18, {0, 0});
    put_pointf(rep.data(), 26, {2, 1});
    put_pointf(rep.data(), 42, {0, 0});
    put_pointf(rep.data(), 50, {1, 1});
    box_of_repeated_annotation(&b, rep.data());
    expect_box(b, -0.125, -0.125, 2.125, 3.125);
}

TEST_F(Extents, ProjectionFrameAtTheStages) {
    // Frame: the element box padded by 0.6 mm as stored corners, the
    // window's box widened by 10 mm.
    add(segment(1, {0, 0}, {100, 50}));
    add(segment(2, {0, 0}, {300, 0}, 0xF1));           // line type 15
    add(segment(3, {0, 0}, {0, 200}, 0x2011));         // level 2
    add(segment(4, {0, 0}, {-400, 0}, 0x8011));        // no ordinary element
    point({-20, 5}, {-30, 5});
    struct Case { int stage; double max_x, max_y, min_x; };
    const Case cases[] = {{1, 300, 200, -20}, {4, 300, 200, -20}, {5, 300, 50, 0}, {6, 100, 50, 0}};
    for (const Case& c : cases) {
        g_stage = c.stage;
        ASSERT_EQ(projection_compute_extents(projection, 0), 0);
        Box f = frame();
        EXPECT_NEAR(f.max_x, c.max_x + 0.6, 1e-4) << c.stage;
        EXPECT_NEAR(f.max_y, c.max_y + 0.6, 1e-4) << c.stage;
        EXPECT_NEAR(f.min_x, c.min_x - 0.6, 1e-4) << c.stage;
        EXPECT_NEAR(g_window.frame_box.max_x, c.max_x + 10, 1e-9) << c.stage;
    }
    // At 1:10 the padding is 10 mm on paper: one model unit.
    fake_drawing::set_scale(10);
    g_stage = 6;
    projection_compute_extents(projection, 0);
    EXPECT_NEAR(g_window.frame_box.max_x, 101, 1e-9);
    EXPECT_NEAR(frame().max_x, 100.06, 1e-4);
}

TEST_F(Extents, ProjectionFrameWithoutElements) {
    // Only deleted elements: the box of the reference points (entered or computed).
    add(segment(4, {0, 0}, {-400, 0}, 0x8011));
    point({2, 3}, {20, 30});
    point({6, 9}, {60, 90});
    point({100, 100}, {100, 100}, 0x20);  // left out
    projection_compute_extents(projection, 0);
    expect_box(frame(), 2 - 0.6, 3 - 0.6, 6 + 0.6, 9 + 0.6);
    projection_compute_extents(projection, 1);
    expect_box(frame(), 20 - 0.6, 30 - 0.6, 60 + 0.6, 90 + 0.6);
    // Neither elements nor points: the sketch frame while a sketch is shown...
    fake_store::chain(projection, chain_points).clear();
    g_window.sketch_width = 640;
    g_window.sketch_height = 480;
    projection_compute_extents(projection, 0);
    expect_box(g_window.frame_box, 0, 0, 640, 480);
    // ...and a zero frame without one.
    g_window.sketch_width = 0;
    projection_compute_extents(projection, 0);
    expect_box(g_window.frame_box, 0, 0, 0, 0);
    // Without an open window nothing is stored.
    g_window_open = false;
    put_pointf(projection, projection_frame_offset, {7, 7});
    projection_compute_extents(projection, 0);
    EXPECT_EQ(get_pointf(projection, projection_frame_offset).x, 7);
    // A store failure during the walk stores nothing.
    g_window_open = true;
    *kernel_error_flag = 1;
    EXPECT_EQ(projection_compute_extents(projection, 0), -1);
    *kernel_error_flag = 0;
}

TEST_F(Extents, StoredFrameAreaAndExtending) {
    Box b{-5, 2, 20, 30};
    g_window.sketch_width = 100;
    g_window.sketch_height = 10;
    projection_store_frame(projection, &b, 1);
    // Negative origins move the area; a shown sketch widens its size.
    PointF origin = get_pointf(projection, projection_area_origin_offset);
    PointF size = get_pointf(projection, projection_area_size_offset);
    EXPECT_EQ(origin.x, -6);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(size.x, 106);  // max(|-6| + 100, 21 + 6)
    EXPECT_EQ(size.y, 31);
    EXPECT_EQ(get_pointf(projection, projection_constructed_origin_offset).x, -6);
    EXPECT_NEAR(g_window.first_corner.x, -5.6, 1e-5);
    std::vector<uint8_t> e = segment(1, {50, 50}, {60, 70});
    projection_extend_frame_to_element(projection, e.data());
    EXPECT_NEAR(frame().max_y, 70.6, 1e-4);
    std::vector<uint8_t> p(48, 0);
    put_point2(p.data(), 12, {-40, 0});
    projection_extend_frame_to_point(projection, p.data());
    EXPECT_NEAR(frame().min_x, -40.6, 1e-4);
}

TEST_F(Extents, ContourBoxesAndLengths) {
    std::vector<uint8_t> s1 = segment(1, {0, 0}, {10, 0}, 0x411);
    std::vector<uint8_t> s2 = segment(2, {10, 0}, {10, 5}, 0x411);
    std::vector<uint8_t> other = segment(3, {0, 0}, {99, 99}, 0x11);  // not a contour member
    add(s1);
    add(s2);
    add(other);
    std::vector<uint8_t> c(82 + 12, 0);
    put_u16(c.data(), 0, static_cast<uint16_t>(c.size()));
    put_i16(c.data(), 80, 3);
    put_u32(c.data(), 82, 1);
    put_u32(c.data(), 86, 2);
    put_u32(c.data(), 90, 1);  // listed twice: counted twice
    add(c, chain_contours);
    g_stage = 5;
    projection_compute_contour_extents(projection);
    const uint8_t* stored = fake_store::chain(projection, chain_contours)[0].bytes.data();
    expect_box(get_box(stored, 6), 0, 0, 10, 5);
    EXPECT_NEAR(get_f64(stored, 38), 25, 1e-12);
}

TEST_F(Extents, AnnotationFrame) {
    Box start{0, 0, 10, 10};
    put_pointf(projection, projection_frame_offset, {0, 0});
    put_pointf(projection, projection_frame_offset + 8, {10, 10});
    (void)start;
    std::vector<uint8_t> d(100, 0);
    put_u16(d.data(), 0, 100);
    put_u8(d.data(), 36, 1 << 4);
    put_pointf(d.data(), 40, {-30, 0});
    put_pointf(d.data(), 48, {5, 5});
    add(d, chain_dimensions);
    std::vector<uint8_t> t(60, 0);
    put_u16(t.data(), 0, 60);
    put_u8(t.data(), 6, 3);
    put_pointf(t.data(), 22, {0, 40});
    put_pointf(t.data(), 30, {5, 45});
    add(t, chain_annotation);
    projection_compute_annotation_extents(projection);
    expect_box(g_window.frame_box, -40, -10, 20, 55.3);
}
