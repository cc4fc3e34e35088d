// The output primitives over the recording canvas: the device calls each one
// makes, the arc stepping against an independent oracle, the symmetric dash
// pattern and the DXF branches.
#include "tests/output/output_test_support.h"

#include <cmath>

using namespace output_test;

namespace {

const double kPi = std::acos(-1.0);

int32_t px(double v) {
    return static_cast<int32_t>(std::trunc(v + 0.5));
}

class PrimitiveTest : public OutputTest {};

struct PrimitiveCase {
    const char* name;
    double scale_x, scale_y;
    int (*draw)(OutputView*);
    std::vector<std::string> calls;
};

TEST_F(PrimitiveTest, EachPrimitiveMakesTheExpectedCalls) {
    const PrimitiveCase cases[] = {
        {"zero-length segment shows one pixel", 1, 1,
         [](OutputView* v) { return draw_line_segment_xy(v, 10.2, 20.3, 10.4, 20.1); },
         {"move_to 10 20", "line_to 11 19"}},
        {"segment sets its end pixel in the pen colour, then draws to it", 2, 2,
         [](OutputView* v) {
             v->canvas.pen.colour = 0x123456;
             return draw_line_segment_xy(v, 0, 0, 10, 5);
         },
         {"move_to 0 0", "set_pixel 20 10 1193046", "line_to 20 10"}},
        {"circle of radius 0 is the one-pixel segment", 1, 1,
         [](OutputView* v) {
             CircleGeom c = {{7, 8}, {7, 8}};
             return draw_circle(v, &c);
         },
         {"move_to 7 8", "line_to 8 7"}},
        {"circle with unequal scales is an ellipse through its point", 2, 1,
         [](OutputView* v) {
             CircleGeom c = {{55, 50}, {50, 50}};
             return draw_circle(v, &c);
         },
         {"arc 90 45 111 56 110 50 110 50"}},
        {"frame is four sides", 1, 1,
         [](OutputView* v) { return draw_frame(v, Point2{1, 2}, Point2{11, 22}); },
         {"move_to 1 2", "line_to 11 2", "line_to 11 22", "line_to 1 22", "line_to 1 2"}},
        {"one Bezier piece: end pixel then PolyBezier", 1, 1,
         [](OutputView* v) {
             Point2 p[4] = {{0, 0}, {10, 0}, {10, 10}, {20, 10}};
             return draw_bezier_chain(v, p, 1);
         },
         {"set_pixel 20 10 0", "poly_bezier 4 (0,0) (10,0) (10,10) (20,10)"}},
        {"two Bezier pieces", 1, 1,
         [](OutputView* v) {
             Point2 p[7] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 1}, {5, 1}, {6, 1}};
             return draw_bezier_chain(v, p, 2);
         },
         {"set_pixel 6 1 0", "poly_bezier 7 (0,0) (1,0) (2,0) (3,0) (4,1) (5,1) (6,1)"}},
        {"arc of zero sweep within tolerance is only the chord", 1e6, 1e6,
         [](OutputView* v) {
             ArcByCentre a = {{10, 0.0001}, {10, 0}, {0, 0}};
             return draw_arc(v, &a);
         },
         {"move_to 10000000 100", "line_to 10000000 0"}},
    };
    for (const PrimitiveCase& c : cases) {
        RecView v(c.scale_x, 3, c.scale_y);
        c.draw(v.v());
        EXPECT_EQ(joined(v.texts()), joined(c.calls)) << c.name;
    }
}

struct MarkerCase {
    int shape;
    std::vector<std::string> lines;
};

TEST_F(PrimitiveTest, EndMarkerShapesAroundThePixel) {
    // Half sizes 3 x 3 from the settings; marker about pixel (50, 60).
    const MarkerCase cases[] = {
        {0, {"move_to 47 57", "line_to 53 63", "move_to 47 63", "line_to 53 57"}},
        {1, {"move_to 47 57", "line_to 53 57", "line_to 53 63", "line_to 47 63", "line_to 47 56"}},
        {2, {"move_to 47 57", "line_to 47 63", "line_to 53 57", "line_to 53 63"}},
        {3, {"move_to 47 57", "line_to 53 57"}},
    };
    for (const MarkerCase& c : cases) {
        RecView v;
        draw_end_marker(v.v(), 50, 60, c.shape);
        std::vector<std::string> want = {"pen 6 2 ff5555"};
        want.insert(want.end(), c.lines.begin(), c.lines.end());
        want.push_back("restore 1");
        EXPECT_EQ(joined(v.texts()), joined(want)) << "shape " << c.shape;
    }
    RecView none;
    draw_end_marker(none.v(), 50, 60, 4);
    EXPECT_TRUE(none.rec.calls.empty());
}

// ---------------------------------------------------------------- arc stepping
struct ArcCase {
    const char* name;
    ArcByCentre arc;
    double scale;
};

// (The arcs lie at positive pixels, where a pixel is the nearest one.)
// Every vertex on the radius within a pixel, the angle falling all the way,
// the last vertex the end pixel.
void check_arc_path(const RecView& v, const ArcByCentre& a, double scale, const char* name) {
    auto paths = v.paths();
    ASSERT_EQ(paths.size(), 1u) << name;
    const std::vector<PointI>& p = paths[0];
    double r = std::hypot(a.start.x - a.centre.x, a.start.y - a.centre.y) * scale;
    double cx = a.centre.x * scale, cy = a.centre.y * scale;
    EXPECT_EQ(p.front().x, px(a.start.x * scale)) << name;
    EXPECT_EQ(p.front().y, px(a.start.y * scale)) << name;
    EXPECT_EQ(p.back().x, px(a.end.x * scale)) << name;
    EXPECT_EQ(p.back().y, px(a.end.y * scale)) << name;
    double travelled = 0.0;
    double prev = std::atan2(p[0].y - cy, p[0].x - cx);
    for (size_t i = 0; i < p.size(); ++i) {
        double d = std::hypot(p[i].x - cx, p[i].y - cy);
        EXPECT_NEAR(d, r, 1.0) << name << " vertex " << i;
        if (i == 0) continue;
        double ang = std::atan2(p[i].y - cy, p[i].x - cx);
        double step = prev - ang;
        while (step < -kPi) step += 2 * kPi;
        while (step > kPi) step -= 2 * kPi;
        EXPECT_GT(step, 0.0) << name << " vertex " << i << " turns back";
        travelled += step;
        prev = ang;
    }
    // No more than one full turn.
    EXPECT_LE(travelled, 2 * kPi + 0.05) << name;
}

TEST_F(PrimitiveTest, ArcVerticesLieOnTheRadiusAndRunDownToTheEnd) {
    const ArcCase cases[] = {
        {"quarter, large", {{600, 400}, {400, 200}, {400, 400}}, 1.0},
        {"three quarters", {{300, 200}, {200, 300}, {200, 200}}, 2.0},
        {"small radius, fine zoom", {{13, 14}, {6, 13}, {10, 10}}, 25.0},
        {"full circle", {{150, 100}, {150, 100}, {100, 100}}, 1.0},
        {"off-centre arc", {{520, 300}, {500, 280}, {500, 300}}, 4.0},
    };
    for (const ArcCase& c : cases) {
        RecView v(c.scale);
        draw_arc(v.v(), &c.arc);
        check_arc_path(v, c.arc, c.scale, c.name);
    }
}

TEST_F(PrimitiveTest, FullCircleAtTheCoarsestStepHasAboutTwentyTwoPieces) {
    // r = 15 pixels: even 64 first steps (0.28 rad) span a chord under 5.
    RecView v(1.0);
    ArcByCentre a = {{115, 100}, {115, 100}, {100, 100}};
    EXPECT_NEAR(arc_step_angle(v.v(), 15.0), 64 * arc_first_step, 1e-12);
    draw_arc(v.v(), &a);
    auto paths = v.paths();
    ASSERT_EQ(paths.size(), 1u);
    // 2 pi / (64 x 0.0043754772334) = 22.4 steps, the last one to the end.
    EXPECT_GE(paths[0].size() - 1, 21u);
    EXPECT_LE(paths[0].size() - 1, 23u);
    EXPECT_EQ(paths[0].front().x, paths[0].back().x);
    EXPECT_EQ(paths[0].front().y, paths[0].back().y);
}

TEST_F(PrimitiveTest, StepDoublesUntilBothChordsReachFivePixels) {
    RecView v(1.0, 3, 0.5);
    // chord = sin(step) r; doubling stops once both r sin(step) and
    // r sin(step) / 2 reach 5 pixels.
    for (double r : {10.0, 100.0, 1000.0, 100000.0}) {
        double want = arc_first_step;
        for (int i = 0; i < 6; ++i) {
            if (std::sin(want) * r * 0.5 >= 5.0) break;
            want *= 2;
        }
        EXPECT_NEAR(arc_step_angle(v.v(), r), want, 1e-12) << r;
    }
}

// ---------------------------------------------------------------- dashes
TEST_F(PrimitiveTest, DashPatternIsSymmetricAndEndsAtTheEndPoint) {
    struct Case {
        double length, angle;
        double drawing_scale;
    };
    const Case cases[] = {{30, 0, 1}, {5, 0.7, 1}, {100, -2.0, 1}, {300, 1.0, 0.1}, {14, 0, 1}};
    for (const Case& c : cases) {
        set_drawing_scale(c.drawing_scale);
        double dash = 4.75 / c.drawing_scale, gap = 2.25 / c.drawing_scale, period = dash + gap;
        int k = 2;
        while (c.length / k > period) ++k;
        double h = c.length / k, d = dash * h / period, g = gap * h / period;
        Point2 a = {3, 4};
        Point2 b = {a.x + c.length * std::cos(c.angle), a.y + c.length * std::sin(c.angle)};
        Segment s = {a, b};
        Segment pieces[200];
        int n = dashed_segment_pieces(&s, pieces, 200);
        ASSERT_EQ(n, k + 1) << c.length;
        double pos = 0.0;
        for (int i = 0; i < n; ++i) {
            double want_len = i == 0 || i == n - 1 ? d / 2 : d;
            double from = std::hypot(pieces[i].start.x - a.x, pieces[i].start.y - a.y);
            double len = std::hypot(pieces[i].end.x - pieces[i].start.x, pieces[i].end.y - pieces[i].start.y);
            EXPECT_NEAR(from, pos, 1e-9) << c.length << " piece " << i;
            EXPECT_NEAR(len, want_len, 1e-9) << c.length << " piece " << i;
            pos = from + len + g;
        }
        EXPECT_EQ(pieces[n - 1].end.x, b.x);
        EXPECT_EQ(pieces[n - 1].end.y, b.y);
        bind_current_drawing_header(nullptr);
    }
}

TEST_F(PrimitiveTest, DashedSegmentDrawsEachDashAsASegment) {
    RecView v(10.0);
    Segment s = {{0, 0}, {30, 0}};
    draw_dashed_segment(v.v(), &s);
    // 6 dashes: half, four whole, half.
    EXPECT_EQ(v.paths().size(), 6u);
    EXPECT_EQ(v.paths().back().back().x, 300);
}

// ---------------------------------------------------------------- failures
TEST_F(PrimitiveTest, BezierChainOutOfMemoryDrawsNothingAndSetsTheErrorFlag) {
    int16_t flag = 0;
    int16_t* saved_flag = kernel_error_flag;
    auto saved_alloc = kernel_alloc;
    kernel_error_flag = &flag;
    kernel_alloc = [](size_t) -> void* { return nullptr; };
    static std::vector<std::string> messages;
    messages.clear();
    kernel_context().report_message = [](const char* t) { messages.push_back(t); };
    RecView v;
    Point2 p[7] = {};
    EXPECT_EQ(draw_bezier_chain(v.v(), p, 2), 0);
    // One piece needs no memory and still draws.
    EXPECT_NE(draw_bezier_chain(v.v(), p, 1), 0);
    kernel_alloc = saved_alloc;
    kernel_error_flag = saved_flag;
    EXPECT_EQ(flag, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(v.of_kind(call_poly_bezier).size(), 1u);
}

// ---------------------------------------------------------------- DXF
TEST_F(PrimitiveTest, DxfModeWritesModelGeometryAndDrawsNothing) {
    RecView v(3.0);
    dxf_output_active = 1;
    dxf_line_width = 0.6;
    Segment s = {{1, 2}, {3, 4}};
    CircleGeom c = {{5, 0}, {0, 0}};
    ArcByCentre a = {{1, 0}, {0, 1}, {0, 0}};
    Point2 bz[4] = {{0, 0}, {1, 1}, {2, 1}, {3, 0}};
    draw_line_segment(v.v(), &s);
    draw_circle(v.v(), &c);
    draw_arc(v.v(), &a);
    draw_bezier_chain(v.v(), bz, 1);
    draw_frame(v.v(), Point2{0, 0}, Point2{2, 3});
    dxf_line_width = 0.0;  // line types 0 and 15: nothing written
    draw_line_segment(v.v(), &s);
    draw_circle(v.v(), &c);
    EXPECT_TRUE(v.rec.calls.empty());
    const auto& e = dxf_recorded_entities();
    ASSERT_EQ(e.size(), 5u);
    const int kinds[] = {dxf_line_entity, dxf_circle_entity, dxf_arc_entity, dxf_spline_entity,
                         dxf_rectangle_entity};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(e[i].kind, kinds[i]);
        EXPECT_EQ(e[i].width, 0.6);
    }
    EXPECT_EQ(e[0].points[1].y, 4.0);
    EXPECT_EQ(e[3].pieces, 1);
    EXPECT_EQ(e[4].points[1].y, 3.0);
}

TEST_F(PrimitiveTest, DxfLineWidthFollowsTheLineType) {
    const struct {
        int type;
        double width;
    } cases[] = {{0, 0}, {15, 0}, {1, 0.6}, {5, 0.5}, {2, 0.25}, {3, 0.25}, {4, 0.25}, {7, 0.25}, {8, 0.25}};
    for (auto c : cases) {
        auto el = segment_element({0, 0}, {1, 1}, c.type);
        dxf_set_line_width(el.data());
        EXPECT_EQ(dxf_line_width, c.width) << c.type;
    }
}

}  // namespace

namespace {

TEST_F(PrimitiveTest, SegmentsBeyondTheDeviceRangeKeepTheirDirection) {
    // At scale 1000 the far end lies at 10^15 pixels; its pixel must still
    // lie on the line y = x / 2 through the start.
    RecView v(1000.0);
    draw_line_segment_xy(v.v(), 10, 5, 1e12, 5e11);
    auto paths = v.paths();
    ASSERT_EQ(paths.size(), 1u);
    PointI a = paths[0].front(), b = paths[0].back();
    EXPECT_EQ(a.x, 10000);
    EXPECT_EQ(a.y, 5000);
    EXPECT_GT(b.x, 1000000);
    EXPECT_LE(std::abs(static_cast<double>(b.y) - static_cast<double>(b.x) / 2.0), 1.0);
    // A segment wholly outside the range draws nothing; a vertical one is cut
    // along its own line.
    RecView w(1e6);
    EXPECT_EQ(draw_line_segment_xy(w.v(), 1e6, 1e6, 2e6, 3e6), 0);
    EXPECT_TRUE(w.rec.calls.empty());
    draw_line_segment_xy(w.v(), 7, -1e9, 7, 1e9);
    auto p = w.paths();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].front().x, 7000000);
    EXPECT_EQ(p[0].back().x, 7000000);
}

}  // namespace
