// Hatch lines drawn through the element routines once the output code is
// bound, into the view given to draw_view_hatch_lines, also in DXF output.
#include "tests/output/output_test_support.h"

#include "render/contours/hatch_generation.h"
#include "render/output/output_binding.h"

using namespace output_test;

namespace {

class HatchBindingTest : public OutputTest {
protected:
    void TearDown() override {
        hatch_line_drawers = HatchLineDrawers{nullptr, nullptr, nullptr};
        OutputTest::TearDown();
    }
};

TEST_F(HatchBindingTest, HatchLinesAreDrawnWithTheElementPens) {
    render_output_bind();
    HatchLine arc = {nullptr, 3 | (2 << 4), {{40, 20}, {20, 0}, {20, 20}}};
    HatchLine circle = {&arc, 2 | (2 << 4), {{15, 10}, {10, 10}, {0, 0}}};
    HatchLine seg = {&circle, 1 | (2 << 4), {{0, 0}, {10, 5}, {0, 0}}};
    ContourWindow window = {nullptr, &seg};
    RecView v(1.0, 4);
    draw_view_hatch_lines(v.v(), &window);
    // Three thin-line pens, each restored; the segment, the circle's Arc and
    // the arc's polyline between them.
    auto pens = v.of_kind(call_select_pen);
    ASSERT_EQ(pens.size(), 3u);
    for (auto* p : pens) EXPECT_EQ(p->pen.style, pen_solid);
    EXPECT_EQ(v.rec.live_objects, 0);
    EXPECT_EQ(v.of_kind(call_arc).size(), 1u);
    EXPECT_EQ(v.paths().size(), 2u);
    EXPECT_EQ(hatch_output_view, nullptr);

    dxf_output_active = 1;
    RecView d(1.0, 6);
    draw_view_hatch_lines(d.v(), &window);
    const auto& e = dxf_recorded_entities();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].kind, dxf_line_entity);
    EXPECT_EQ(e[1].kind, dxf_circle_entity);
    EXPECT_EQ(e[2].kind, dxf_arc_entity);
    for (const DxfEntity& x : e) EXPECT_EQ(x.width, 0.25);
}

}  // namespace
