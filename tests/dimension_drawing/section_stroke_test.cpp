// The thick stroke of a section line: a filled bar 0.9 mm wide from 3.2 mm
// behind its node to 3.2 mm (4.8 mm long) ahead, sized on paper at every
// drawing scale, and in DXF output one LINE along its axis at 0.9 mm.
#include "tests/dimension_drawing/dimension_test_support.h"

#include <algorithm>

#include "render/output/annotation_frames.h"

using namespace dimension_test;

namespace {

class SectionStroke : public DimensionTest {};

// The four corners of the bar in model units, worked out from the sizes.
std::vector<Point2> bar_corners(Point2 node, double angle, bool long_flag, double mm) {
    double c = std::cos(angle), s = std::sin(angle);
    double behind = 3.2 * mm, ahead = (long_flag ? 4.8 : 3.2) * mm, half = 0.45 * mm;
    Point2 b{node.x - c * behind, node.y - s * behind}, a{node.x + c * ahead, node.y + s * ahead};
    Point2 n{-s * half, c * half};
    return {{b.x + n.x, b.y + n.y}, {a.x + n.x, a.y + n.y}, {a.x - n.x, a.y - n.y}, {b.x - n.x, b.y - n.y}};
}

TEST_F(SectionStroke, AFilledBarOfPaperSizeAlongTheLine) {
    struct Case {
        double drawing_scale;
        double angle;
        bool long_flag;
    };
    const Case cases[] = {{1.0, 0.0, false}, {1.0, 0.0, true}, {0.5, pi / 2, false}, {2.0, -pi / 4, true}};
    const double pixels = 10.0;
    for (const Case& c : cases) {
        set_drawing_scale(c.drawing_scale);
        RecView v(pixels, 5);
        const Point2 node{20, 30};
        draw_section_stroke(v.v(), node.x, node.y, c.angle, c.long_flag ? 1 : 0);
        std::string what = "scale " + std::to_string(c.drawing_scale) + " angle " + std::to_string(c.angle) +
                           (c.long_flag ? " long" : "");
        auto polygons = v.of_kind(call_polygon);
        ASSERT_EQ(polygons.size(), 1u) << what;
        auto brushes = v.of_kind(call_select_brush);
        ASSERT_EQ(brushes.size(), 1u) << what;
        EXPECT_EQ(brushes[0]->brush.colour, black) << what;
        EXPECT_EQ(v.rec.live_objects, 0) << what;
        std::vector<Point2> expected = bar_corners(node, c.angle, c.long_flag, 1.0 / c.drawing_scale);
        const std::vector<PointI>& got = polygons[0]->points;
        ASSERT_EQ(got.size(), 4u) << what;
        // Each expected corner has a drawn corner within a pixel.
        for (Point2 e : expected) {
            bool found = std::any_of(got.begin(), got.end(), [&](PointI g) {
                return std::fabs(g.x - e.x * pixels) <= 1.0 && std::fabs(g.y - e.y * pixels) <= 1.0;
            });
            EXPECT_TRUE(found) << what << ": corner " << e.x * pixels << ", " << e.y * pixels;
        }
    }
}

TEST_F(SectionStroke, InDxfOutputOneLineAlongTheAxisAtItsWidth) {
    set_drawing_scale(0.5);
    dxf_line_width = 0.25;
    dxf_output_active = 1;
    RecView v(10.0, 6);
    draw_section_stroke(v.v(), 20, 30, 0.0, 1);
    dxf_output_active = 0;
    EXPECT_TRUE(v.of_kind(call_polygon).empty());
    const auto& e = dxf_recorded_entities();
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].kind, dxf_line_entity);
    EXPECT_DOUBLE_EQ(e[0].width, 0.9);
    ASSERT_EQ(e[0].points.size(), 2u);
    // At 1:2 the 3.2 mm behind and 4.8 mm ahead are 6.4 and 9.6 model units.
    EXPECT_NEAR(e[0].points[0].x, 20 - 6.4, 1e-9);
    EXPECT_NEAR(e[0].points[1].x, 20 + 9.6, 1e-9);
    EXPECT_NEAR(e[0].points[0].y, 30, 1e-9);
    EXPECT_NEAR(e[0].points[1].y, 30, 1e-9);
}

}  // namespace
