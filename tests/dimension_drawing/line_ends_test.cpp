// Line-end marks: every style on a straight and an arc dimension at both
// ends, checked against vertices worked out from the mark sizes (tip at the
// end, base towards the other end, base chord on the arc), the narrow arrow,
// the small arc, the length on paper at two drawing scales, the edited
// dimension's colour and the DXF hand-off.
#include "tests/dimension_drawing/dimension_test_support.h"

#include "render/output/dimension_line_ends.h"

using namespace dimension_test;

namespace {

// Sheet sizes of the marks (mm); drawing scale 1, so model units are mm.
constexpr double L = 4.2, W = 0.475, T = 3.0, OL = 4.2, OW = 4.2 / 0.866, LEADER_L = 3.5,
                 LEADER_W = 3.5 * 0.5773502691896257;

struct Expected {
    int kind;                    // LineEndShapeKind
    std::vector<Point2> points;  // model points of the mark
};

Point2 add(Point2 a, Point2 u, double t) { return Point2{a.x + u.x * t, a.y + u.y * t}; }

// The mark worked out in model units.  u: unit vector from the end towards
// where the base lies (the other end along the line, or the far end of the
// chord of the base on the arc); n: u turned by +90 degrees.
Expected expected_mark(int style, int type, int end, const Point2 p[3]) {
    Point2 e = p[end];
    Point2 u{1, 0};
    if (type == 1) {
        Point2 o = p[1 - end];
        double len = std::hypot(o.x - e.x, o.y - e.y);
        u = Point2{(o.x - e.x) / len, (o.y - e.y) / len};
    } else if (type == 3) {
        double d = std::hypot(e.x - p[2].x, e.y - p[2].y);
        double theta = std::atan2(e.y - p[2].y, e.x - p[2].x);
        double length = style == 10 ? LEADER_L : (style == 7 || style == 8 ? 0.0 : L);
        // The arc runs from the first end to the second with falling angle:
        // the chord of the arrow's length ends on the arc towards the other end.
        double step = length > 0 ? 2 * std::asin(std::fmin(1.0, length / 2 / d)) : 0.0;
        if (length > 0) {
            double q = theta + (end == 0 ? -step : step);
            Point2 far{p[2].x + d * std::cos(q), p[2].y + d * std::sin(q)};
            double c = std::hypot(far.x - e.x, far.y - e.y);
            u = Point2{(far.x - e.x) / c, (far.y - e.y) / c};
        } else {
            // open arrows lie along the tangent towards the other end
            double t = theta + (end == 0 ? -pi / 2 : pi / 2);
            u = Point2{std::cos(t), std::sin(t)};
        }
    }
    if (style == 1 || style == 8) u = Point2{-u.x, -u.y};
    Point2 n{-u.y, u.x};
    Expected x;
    switch (style) {
    case 0: case 1: case 6: case 10: {
        double len = style == 10 ? LEADER_L : L, half = style == 10 ? LEADER_W : W;
        Point2 base = add(e, u, len);
        x.kind = line_end_polygon;
        Point2 c1 = add(base, n, half), c2 = add(base, n, -half);
        if (style == 10) x.points = {e, c1, c2};
        else if (style == 6) x.points = {e, end == 0 ? c2 : c1, add(e, u, L - W)};  // the corner on the -y side before turning
        else x.points = {e, c1, add(e, u, L - W), c2};
        break;
    }
    case 7: case 8: {
        Point2 base = add(e, u, OL);
        x.kind = line_end_strokes;
        x.points = {add(base, n, OW / 2), e, add(base, n, -OW / 2), e};
        break;
    }
    case 2: case 4: {
        // The stroke turned 45 degrees from the line (135 on an arc, from the radial).
        double a = type == 1 ? std::atan2(p[1].y - p[0].y, p[1].x - p[0].x) - pi / 4
                             : std::atan2(e.y - p[2].y, e.x - p[2].x) - 3 * pi / 4;
        Point2 v{std::cos(a), std::sin(a)};
        x.kind = line_end_strokes;
        x.points = {add(e, v, -T / 2), add(e, v, T / 2)};
        if (style == 4) {
            Point2 w{-v.y, v.x};
            x.points.push_back(add(e, w, -T / 2));
            x.points.push_back(add(e, w, T / 2));
        }
        break;
    }
    case 3:
        x.kind = line_end_dot;
        break;
    default:
        x.kind = line_end_nothing;
    }
    return x;
}

// Every expected point has a shape point within tolerance (and the counts agree).
void expect_same_points(const LineEndShape& s, const Expected& x, double scale, double tol, const std::string& what) {
    ASSERT_EQ(s.count, static_cast<int>(x.points.size())) << what;
    for (const Point2& q : x.points) {
        PointI want{static_cast<int32_t>(std::lround(q.x * scale)), static_cast<int32_t>(std::lround(q.y * scale))};
        double best = 1e9;
        for (int i = 0; i < s.count; ++i) best = std::fmin(best, pdist(s.points[i], want));
        EXPECT_LE(best, tol) << what << " point (" << want.x << "," << want.y << ")";
    }
}

class LineEnds : public DimensionTest {};

TEST_F(LineEnds, EveryStyleOnStraightAndArcLinesAtBothEnds) {
    const double scale = 10.0;  // pixels per mm
    ViewTransform view{{0, 0}, {0, 0}, {scale, scale}};
    const Point2 straight[3] = {{20, 30}, {80, 60}, {0, 0}};
    const Point2 arc[3] = {{80, 50}, {50, 20}, {50, 50}};  // radius 30, first end at 0, second at -90 degrees
    for (int type : {1, 3}) {
        const Point2* p = type == 1 ? straight : arc;
        for (int end = 0; end < 2; ++end) {
            for (int style = 0; style <= 11; ++style) {
                std::string what = "type " + std::to_string(type) + " end " + std::to_string(end) + " style " +
                                   std::to_string(style);
                LineEndShape s;
                line_end_shape(&view, end, style, type, p, &s);
                Expected x = expected_mark(style, type, end, p);
                ASSERT_EQ(s.kind, x.kind) << what;
                if (x.kind == line_end_dot) {
                    int32_t cx = static_cast<int32_t>(std::lround(p[end].x * scale));
                    int32_t cy = static_cast<int32_t>(std::lround(p[end].y * scale));
                    int32_t r = static_cast<int32_t>(std::lround(W * scale));
                    EXPECT_EQ(s.box[0], cx - r) << what;
                    EXPECT_EQ(s.box[1], cy - r) << what;
                    EXPECT_EQ(s.box[2], cx + r + 1) << what;
                    EXPECT_EQ(s.box[3], cy + r + 1) << what;
                } else if (x.kind != line_end_nothing) {
                    expect_same_points(s, x, scale, 1.5, what);
                }
                if (x.kind == line_end_polygon) {
                    // The tip is the end pixel itself.
                    EXPECT_EQ(s.points[0].x, static_cast<int32_t>(std::lround(p[end].x * scale))) << what;
                    EXPECT_EQ(s.points[0].y, static_cast<int32_t>(std::lround(p[end].y * scale))) << what;
                }
                if (type == 3 && (style == 0 || style == 6 || style == 10)) {
                    // The base corners lie on the arc (within a pixel and the half width).
                    double r = 30 * scale, half = (style == 10 ? LEADER_W : W) * scale;
                    for (int i = 1; i < s.count; ++i) {
                        double d = std::hypot(s.points[i].x - 500.0, s.points[i].y - 500.0);
                        EXPECT_NEAR(d, r, half + 1.5) << what;
                    }
                }
            }
        }
    }
}

TEST_F(LineEnds, OtherGeometryTypesAreNotTurned) {
    ViewTransform view{{0, 0}, {0, 0}, {10, 10}};
    const Point2 p[3] = {{20, 30}, {80, 60}, {0, 0}};
    LineEndShape s;
    line_end_shape(&view, 0, 0, 2, p, &s);
    ASSERT_EQ(s.count, 4);
    EXPECT_EQ(s.points[1].x, 200 + 42);
    EXPECT_EQ(s.points[1].y, 300 - 5);
    line_end_shape(&view, 1, 2, 0, p, &s);  // a horizontal tick at the second end
    EXPECT_EQ(s.points[0].y, 600);
    EXPECT_EQ(s.points[1].y, 600);
    EXPECT_EQ(s.points[1].x - s.points[0].x, 30);
}

TEST_F(LineEnds, ANarrowArrowSpreadsItsCornersOverThreeRows) {
    ViewTransform view{{0, 0}, {0, 0}, {0.5, 0.5}};  // the half width is a quarter pixel
    const Point2 p[3] = {{0, 0}, {100, 0}, {0, 0}};
    LineEndShape s;
    line_end_shape(&view, 0, 0, 1, p, &s);
    ASSERT_EQ(s.count, 4);
    EXPECT_EQ(s.points[1].y, -1);
    EXPECT_EQ(s.points[3].y, 1);
    EXPECT_EQ(s.points[1].x, 2);  // 4.2 mm at half a pixel per mm
}

TEST_F(LineEnds, AnArcSmallerThanHalfTheArrowGivesFinitePointsAtTheEnd) {
    ViewTransform view{{0, 0}, {0, 0}, {10, 10}};
    const Point2 p[3] = {{101, 100}, {100, 99}, {100, 100}};  // radius 1 mm, arrow 4.2 mm
    for (int end = 0; end < 2; ++end) {
        LineEndShape s;
        line_end_shape(&view, end, 0, 3, p, &s);
        ASSERT_EQ(s.count, 4);
        PointI tip = s.points[0];
        for (int i = 0; i < 4; ++i) EXPECT_LE(pdist(s.points[i], tip), 43.0) << "no spike to the corner";
        EXPECT_GT(s.points[1].x, 900);
    }
}

TEST_F(LineEnds, ArrowsKeepTheirLengthOnPaperAtEveryDrawingScale) {
    for (double drawing_scale : {1.0, 0.2}) {
        set_drawing_scale(drawing_scale);
        // 10 pixels per sheet millimetre at either scale.
        double px_per_unit = 10.0 * drawing_scale;
        ViewTransform view{{0, 0}, {0, 0}, {px_per_unit, px_per_unit}};
        const Point2 p[3] = {{0, 0}, {1000, 0}, {0, 0}};
        LineEndShape s;
        line_end_shape(&view, 0, 0, 1, p, &s);
        EXPECT_EQ(s.points[1].x - s.points[0].x, 42) << drawing_scale;
    }
}

TEST_F(LineEnds, TheEditedDimensionsFirstMarkIsMarkedOthersFillInTheLineColour) {
    RecView v(10.0);
    const Point2 p[3] = {{0, 0}, {50, 0}, {0, 0}};
    draw_line_end(v.v(), 0, 0, 1, p, 1);
    auto pens = v.of_kind(call_select_pen);
    ASSERT_EQ(pens.size(), 1u);
    EXPECT_EQ(pens[0]->pen.colour, marked_blue);
    EXPECT_EQ(pens[0]->pen.width, 3);  // 0.25 mm at 10 pixels per mm
    ASSERT_EQ(v.of_kind(call_select_brush).size(), 1u);
    EXPECT_EQ(v.of_kind(call_select_brush)[0]->brush.colour, marked_blue);
    EXPECT_EQ(v.of_kind(call_polygon).size(), 1u);
    v.clear();
    draw_line_end(v.v(), 1, 0, 1, p, 0);
    EXPECT_TRUE(v.of_kind(call_select_pen).empty());
    EXPECT_EQ(v.of_kind(call_select_brush)[0]->brush.colour, black);
    EXPECT_EQ(v.rec.live_objects, 0);
    v.clear();
    draw_line_end(v.v(), 1, 9, 1, p, 0);
    draw_line_end(v.v(), 1, 12, 1, p, 0);
    EXPECT_TRUE(v.rec.calls.empty());
}

TEST_F(LineEnds, InDxfModeTheMarkGoesToTheLineEndWriterAtAQuarterMillimetre) {
    RecView v(10.0);
    dxf_output_active = 1;
    dxf_line_width = 0.0;
    const Point2 p[3] = {{0, 0}, {50, 0}, {7, 7}};
    draw_line_end(v.v(), 1, 4, 3, p, 0);
    EXPECT_TRUE(v.rec.calls.empty());
    const auto& e = dxf_recorded_entities();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].kind, dxf_filled_shapes_entity);
    EXPECT_EQ(e[0].width, 0.25);
    EXPECT_EQ(e[0].end, 1);
    EXPECT_EQ(e[0].style, 4);
    EXPECT_EQ(e[0].geometry_type, 3);
    EXPECT_EQ(e[0].points[2].x, 7);
}

}  // namespace
