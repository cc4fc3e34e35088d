// Leader marks: the pieces of each form and bend mark against points worked
// out from the mark sizes, the box of measuring mode against the extents of
// the recorded drawing (so the extents code and the drawing cannot drift),
// and the measurer the extents code calls, as the program's start-up binds it.
#include "tests/dimension_drawing/dimension_test_support.h"

#include "geometry/extents.h"
#include "render/contours/hatch_generation.h"
#include "render/output/leader_marks.h"
#include "render/output/output_binding.h"

using namespace dimension_test;

namespace {

class LeaderMarks : public DimensionTest {};

constexpr double R = 2.4, WIDTH = 2.4 / 0.866;

std::vector<uint8_t> leader_with(int form, int bend, int size_index = 3) {
    std::vector<uint8_t> r = annotation(annotation_leader, leader_head, static_cast<uint16_t>(size_index << 7));
    r[leader_style] = static_cast<uint8_t>(form | (bend << 4));
    return r;
}

// Tip A at the origin, bend P1 30 mm to the right, shelf end P0 20 mm further.
const Point2 tip{0, 0}, bend{30, 0}, shelf{50, 0};
// M two thirds of the way, d along +x: n+ = +y, n- = -y.
const Point2 M{20, 0};

void near(Point2 a, Point2 b, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, 1e-9) << what;
    EXPECT_NEAR(a.y, b.y, 1e-9) << what;
}

TEST_F(LeaderMarks, FormsStandAtTwoThirdsOfTheLeader) {
    std::vector<LeaderMarkPiece> p;
    leader_mark_pieces(leader_with(3, 0).data(), shelf, bend, tip, &p);
    ASSERT_EQ(p.size(), 3u);
    near(p[0].p[0], Point2{M.x + R, -WIDTH}, "form 3 first stroke");
    near(p[0].p[1], M, "form 3 to M");
    near(p[1].p[0], Point2{M.x + R, WIDTH}, "form 3 second stroke");
    near(p[2].p[0], Point2{M.x, -WIDTH}, "form 3 cross stroke");
    near(p[2].p[1], Point2{M.x, WIDTH}, "form 3 cross stroke end");
    EXPECT_EQ(p[0].pen_mm, 0.6);

    leader_mark_pieces(leader_with(6, 0).data(), shelf, bend, tip, &p);
    ASSERT_EQ(p.size(), 2u);
    near(p[0].p[0], Point2{M.x - R, R}, "open arrow");
    near(p[1].p[0], Point2{M.x - R, -R}, "open arrow");
    near(p[1].p[1], M, "open arrow tip");

    leader_mark_pieces(leader_with(5, 0).data(), shelf, bend, tip, &p);
    ASSERT_EQ(p.size(), 3u);
    near(p[0].p[0], Point2{M.x - R, R}, "bracket");
    near(p[1].p[1], Point2{M.x, -R}, "bracket");
    near(p[2].p[1], Point2{M.x - R, -R}, "bracket");

    leader_mark_pieces(leader_with(2, 0).data(), shelf, bend, tip, &p);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, leader_piece_arc);
    near(p[0].p[2], M, "form 2 through M");

    leader_mark_pieces(leader_with(4, 0).data(), shelf, bend, tip, &p);
    ASSERT_EQ(p.size(), 3u);
    double beta = pi - 75.0 * pi / 180.0;  // pi + d - 75 degrees, d = 0
    near(p[0].p[0], Point2{M.x - R * std::cos(beta), -R * std::sin(beta)}, "zigzag");
    near(p[2].p[1], Point2{M.x + 1.2 * R + R * std::cos(beta), R * std::sin(beta)}, "zigzag");
    near(p[1].p[0], p[0].p[1], "joined");
    near(p[1].p[1], p[2].p[0], "joined");

    // Form 1: one text height (size 3: 5 mm) up from the bend, then half of
    // it away from the shelf end (the shelf runs to the right: to the left).
    leader_mark_pieces(leader_with(1, 0, 3).data(), shelf, bend, tip, &p);
    ASSERT_EQ(p.size(), 2u);
    near(p[0].p[1], Point2{30, -5}, "flag pole");
    near(p[1].p[1], Point2{27.5, -5}, "flag");
    EXPECT_EQ(p[0].pen_mm, 0.25);
}

TEST_F(LeaderMarks, BendMarks) {
    std::vector<LeaderMarkPiece> p;
    leader_mark_pieces(leader_with(0, 1).data(), shelf, bend, tip, &p);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, leader_piece_circle);
    near(p[0].p[0], bend, "circle about the bend");
    EXPECT_NEAR(p[0].p[1].x, 2.1, 1e-12);
    EXPECT_EQ(p[0].pen_mm, 0.25);
    // The arc ends at E + w on the side of (P1.x < P0.x) xor (A.y < P1.y):
    // here true xor false: n+ (+y); with the tip below the bend: n- (-y).
    leader_mark_pieces(leader_with(0, 2).data(), shelf, bend, tip, &p);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].kind, leader_piece_arc);
    near(p[0].p[0], bend, "arc from the bend");
    near(p[0].p[1], Point2{30 + R, WIDTH}, "arc end");
    double t = R / std::cos(2 * std::atan2(WIDTH, R) - pi / 2);
    near(p[0].p[2], Point2{30 + t, 0}, "through the leader's line");
    EXPECT_EQ(p[0].pen_mm, 0.6);
    Point2 tip_below{30, 30}, bend2{30, 15}, shelf2{50, 15};  // d along +y
    leader_mark_pieces(leader_with(0, 2).data(), shelf2, bend2, tip_below, &p);
    // d points up (-y); (30 < 50) xor (30 < 15) = true: n+ = d + pi/2 = 0, towards +x.
    near(p[0].p[1], Point2{30 + WIDTH, 15 - R}, "arc end, leader going up");
    leader_mark_pieces(leader_with(0, 2).data(), Point2{10, 15}, bend2, tip_below, &p);
    // (30 < 10) xor (30 < 15) = false: n- = -pi, towards -x.
    near(p[0].p[1], Point2{30 - WIDTH, 15 - R}, "arc end, shelf to the left");
}

TEST_F(LeaderMarks, TheMeasuredBoxIsTheBoxOfTheDrawing) {
    const double scale = 10.0;
    for (int form = 0; form <= 6; ++form) {
        for (int bend_mark = 0; bend_mark <= 2; ++bend_mark) {
            if (form == 0 && bend_mark == 0) continue;
            std::vector<uint8_t> l = leader_with(form, bend_mark);
            Point2 a{10, 40}, p1{25, 20}, p0{45, 20};
            Box box;
            int n = draw_leader_marks(nullptr, p0, p1, a, l.data(), &box, 0);
            ASSERT_GT(n, 0);
            RecView v(scale);
            EXPECT_EQ(draw_leader_marks(v.v(), p0, p1, a, l.data(), nullptr, 1), n);
            // Extents of everything recorded: lines and the boxes of circles.
            double lo_x = 1e9, lo_y = 1e9, hi_x = -1e9, hi_y = -1e9;
            auto take = [&](double x, double y) {
                lo_x = std::fmin(lo_x, x), lo_y = std::fmin(lo_y, y), hi_x = std::fmax(hi_x, x), hi_y = std::fmax(hi_y, y);
            };
            for (const auto& path : v.paths())
                for (PointI q : path) take(q.x, q.y);
            for (const CanvasCall* c : v.of_kind(call_arc)) {
                take(c->args[0], c->args[1]);
                take(c->args[2] - 1, c->args[3] - 1);
            }
            std::string what = "form " + std::to_string(form) + " bend " + std::to_string(bend_mark);
            EXPECT_NEAR(lo_x, box.min_x * scale, 2.0) << what;
            EXPECT_NEAR(lo_y, box.min_y * scale, 2.0) << what;
            EXPECT_NEAR(hi_x, box.max_x * scale, 2.0) << what;
            EXPECT_NEAR(hi_y, box.max_y * scale, 2.0) << what;
            EXPECT_EQ(v.rec.live_objects, 0) << what;
        }
    }
}

TEST_F(LeaderMarks, TheExtentsCodeMeasuresThroughTheBoundMeasurer) {
    KernelMeasurers saved = kernel_measurers;
    HatchLineDrawers saved_drawers = hatch_line_drawers;
    // The program's start-up binding fills the measurer.
    render_output_bind();
    std::vector<uint8_t> l = leader_with(6, 1);
    put_pf(l, leader_point1, 0, 0);
    put_pf(l, leader_point2, 30, 0);
    put_pf(l, leader_point3, 50, 0);
    put_pf(l, leader_text1, 35, -2);
    Box expected;
    draw_leader_marks(nullptr, Point2{50, 0}, Point2{30, 0}, Point2{0, 0}, l.data(), &expected, 0);
    PointF corners[4] = {{30, 0}, {50, 0}, {50, 0}, {30, 0}};
    Box got;
    ASSERT_EQ(kernel_measurers.leader_marks_box(l.data(), corners, PointF{0, 0}, &got), 1);
    EXPECT_DOUBLE_EQ(got.min_y, expected.min_y);
    EXPECT_DOUBLE_EQ(got.max_x, expected.max_x);
    // box_of_leader_annotation takes the marks in: the open arrow reaches
    // r = 2.4 mm below the leader.
    TextMetrics none{};
    Box b;
    box_of_leader_annotation(&b, l.data(), &none);
    EXPECT_NEAR(b.max_y, R, 1e-6);
    // A leader without marks measures nothing.
    std::vector<uint8_t> plain = leader_with(0, 0);
    EXPECT_EQ(kernel_measurers.leader_marks_box(plain.data(), corners, PointF{0, 0}, &got), 0);
    kernel_measurers = saved;
    hatch_line_drawers = saved_drawers;
}

}  // namespace
