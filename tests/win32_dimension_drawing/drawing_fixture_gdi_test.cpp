// A whole drawing through GDI: one projection of a real drawing file holding
// every element kind the element walk draws, every line type, an element on
// a hidden layer, dimensions of each kind, a leader and every annotation
// kind, drawn by the element walk and then the dimension walk into a 24-bit
// DIB section, as a projection window paints at the annotation stage.  Ink is
// checked at places worked out from the geometry, the label's ink against its
// measured box, and the picture is written as drawing_fixture.png into the
// build folder for review.  A simulated click (a pixel probe standing in for
// the pick marker) picks the dimension or the leader under it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "render/output/designation_letters.h"
#include "render/output/element_drawing.h"
#include "render/output/view_dimensions_walk.h"
#include "render/text/stroke_font.h"
#include "tests/dimension_drawing/dimension_test_support.h"
#include "tests/output/element_chain_fixture.h"
#include "tests/win32_output/dib_picture.h"

using namespace output_test;
using dimension_test::annotation;
using dimension_test::dimension;
using dimension_test::put_pf;
using dimension_test::set_text;

namespace {

constexpr double S = 4.0;  // pixels per model unit (drawing scale 1:1, so per mm)
const std::string V = "\x18", D = "\x1A";

int px(double model) {
    return static_cast<int>(std::lround(model * S));
}

// The pick marker as a pixel probe: a 5 x 5 box about the click, made white
// when armed and after each test; a record whose drawing inked it is the one
// under the click.
struct Probe {
    DibPicture* picture = nullptr;
    int x = 0, y = 0;
    bool armed = false;
    void whiten() {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) canvas_set_pixel(&picture->view.canvas, x + dx, y + dy, white);
    }
};
Probe probe;
int hatch_icons = 0;

int probe_damaged(OutputView*, int, const uint8_t*) {
    if (!probe.armed) return 0;
    bool hit = false;
    for (int dy = -2; dy <= 2 && !hit; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (probe.picture->ink(probe.x + dx, probe.y + dy)) {
                hit = true;
                break;
            }
    probe.whiten();
    return hit ? 1 : 0;
}

class DrawingFixtureGdi : public ElementChainTest {
protected:
    std::vector<std::vector<uint8_t>> fonts;
    RecordRef linear_ref = 0, leader_ref = 0;

    void SetUp() override {
        ElementChainTest::SetUp();
        set_drawing_scale(1.0);
        init_dimension_drawing_constants();
        fonts = font_test::built_fonts();
        ASSERT_EQ(font_test::load_fonts(fonts), 0);
        text_settings_bind_settings_block();
        text_settings.text_colour = 0;
        dimension_window_seams = dimension_window_seams_unbound;
        dimension_pick_state = DimensionPickState{};
        dimension_window_seams.draw_hatch_kind_icon = [](OutputView*, const uint8_t*) { ++hatch_icons; };
        output_window_seams.pick_marker_damaged = probe_damaged;
        probe = Probe{};
        hatch_icons = 0;
        fixture();
    }
    void TearDown() override {
        dimension_window_seams = dimension_window_seams_unbound;
        dimension_pick_state = DimensionPickState{};
        select_text_font(0, 0, 0);
        FontResourceBytes none[stroke_font_count] = {};
        stroke_fonts_load(none);
        ElementChainTest::TearDown();
    }

    RecordRef add_to(size_t chain, int table, const std::vector<uint8_t>& rec) {
        RecordRef r = record_add(df, reinterpret_cast<RecordRef*>(projection.data() + chain), rec.data(),
                                 &page_buffers[table]);
        EXPECT_NE(r, 0u);
        return r;
    }

    void fixture() {
        // Elements: a segment of each line type in rows 10 .. 100, one on
        // hidden layer 4 at row 110; a circle, an arc by centre, an arc by
        // three points, a curve of one arc piece and a view break.
        const int types[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 15};
        for (int i = 0; i < 10; ++i)
            add(segment_element({10, 10.0 * (i + 1)}, {90, 10.0 * (i + 1)}, types[i]), static_cast<uint32_t>(i + 1));
        add(segment_element({10, 110}, {90, 110}, 1, 0, layer_option(4)), 11);
        auto circle = element(2, element_size2, 1);
        put_point2(circle.data(), element_coords2, Point2{145, 30});
        put_point2(circle.data(), element_coords2 + 16, Point2{130, 30});
        add(circle, 12);
        auto arc = element(3, element_size3, 1);
        put_point2(arc.data(), element_coords3, Point2{145, 80});
        put_point2(arc.data(), element_coords3 + 16, Point2{130, 65});
        put_point2(arc.data(), element_coords3 + 32, Point2{130, 80});
        add(arc, 13);
        auto arc3 = element(4, element_size3, 1);
        put_point2(arc3.data(), element_coords3, Point2{170, 20});
        put_point2(arc3.data(), element_coords3 + 16, Point2{230, 20});
        put_point2(arc3.data(), element_coords3 + 32, Point2{200, 50});
        add(arc3, 14);
        auto curve = element(5, curve_vertices + 2 * curve_vertex_size, 1);
        put_u16(curve.data(), curve_count, 2);
        put_point2(curve.data(), curve_vertices + curve_vertex_x, Point2{170, 80});
        put_point2(curve.data(), curve_vertices + curve_vertex_through_x, Point2{200, 95});
        put_point2(curve.data(), curve_vertices + curve_vertex_size + curve_vertex_x, Point2{230, 80});
        add(curve, 15);
        auto brk = element(8, element_size_break, 1);
        put_point2(brk.data(), element_coords2, Point2{170, 110});
        put_point2(brk.data(), element_coords2 + 16, Point2{230, 110});
        add(brk, 16);

        // Dimensions of each kind.  Linear (kind 0) with both extension
        // lines and arrows inside; radius (1); diameter (2) with its centre
        // cross; angle on an arc (3); the kinds that draw their first
        // extension line and the line itself (5, 8, 9); the other kinds (4, 6, 7).
        const int dim = projection_dimensions, dims = table_dimensions;
        linear_ref = add_to(dim, dims, dimension(101, 0, 0, 0, 0x13, {10, 150}, {60, 150}, {0, 0},
                                                 {{10, 125}, {10, 140}}, {{60, 125}, {60, 140}}));
        add_to(dim, dims, dimension(102, 1, 0, 9, 0x11, {120, 150}, {100, 150}, {100, 150},
                                    {{120, 150}, {120, 150}}));
        std::vector<uint8_t> diameter = dimension(103, 2, 0, 0, 0x2013, {140, 150}, {160, 150}, {150, 150},
                                                  {{140, 150}, {140, 150}}, {{160, 150}, {160, 150}});
        put_f64(diameter.data(), dimension_nominal, 20.0);
        add_to(dim, dims, diameter);
        add_to(dim, dims, dimension(104, 3, 0, 0, 0x33, {210, 150}, {180, 120}, {180, 150},
                                    {{190, 150}, {205, 150}}, {{180, 140}, {180, 125}}));
        add_to(dim, dims, dimension(105, 5, 0, 0, 0x10, {10, 175}, {60, 175}, {0, 0}, {{10, 165}, {10, 172}}));
        add_to(dim, dims, dimension(106, 8, 2, 2, 0x10, {70, 175}, {90, 175}, {0, 0}, {{70, 165}, {70, 172}}));
        add_to(dim, dims, dimension(107, 9, 3, 3, 0x10, {100, 175}, {120, 175}, {0, 0}, {{100, 165}, {100, 172}}));
        add_to(dim, dims, dimension(108, 4, 0, 0, 0x33, {140, 195}, {160, 175}, {140, 175},
                                    {{140, 195}, {140, 195}}, {{160, 175}, {160, 175}}));
        add_to(dim, dims, dimension(109, 6, 7, 7, 0x13, {180, 175}, {220, 175}, {0, 0},
                                    {{180, 165}, {180, 172}}, {{220, 165}, {220, 172}}));
        add_to(dim, dims, dimension(110, 7, 4, 4, 0x13, {230, 130}, {230, 170}, {0, 0},
                                    {{240, 130}, {233, 130}}, {{240, 170}, {233, 170}}));

        // Annotation: a label without leader, a leader, a hatching, a text
        // fragment, a section line, a roughness sign, a tolerance frame of
        // three rows.
        const int ann = projection_annotations, anns = table_annotation;
        std::vector<uint8_t> label =
            annotation(annotation_dimension_text, dimension_text_head, static_cast<uint16_t>(0x0800 | (3 << 7)), 201);
        label[dimension_text_first_length] = 2;
        put_pf(label, dimension_text_anchor, 100, 205);
        set_text(label, dimension_text_head, "25");
        add_to(ann, anns, label);

        std::vector<uint8_t> leader = annotation(annotation_leader, leader_head, static_cast<uint16_t>(3 << 7), 202);
        leader[leader_first_length] = 2;
        put_pf(leader, leader_point1, 130, 240);
        put_pf(leader, leader_point2, 140, 220);
        put_pf(leader, leader_point3, 170, 220);
        put_pf(leader, leader_text1, 141, 219);
        set_text(leader, leader_head, "AB");
        leader_ref = add_to(ann, anns, leader);

        add_to(ann, anns, annotation(annotation_hatching, hatching_record_size, 0, 203));

        std::vector<uint8_t> fragment = annotation(annotation_text_fragment, text_fragment_head,
                                                   static_cast<uint16_t>((3 << 2) | (1 << 6) | (1 << 8)), 204);
        put_f32(fragment.data(), text_fragment_baseline, 197);
        put_pf(fragment, text_fragment_corner1, 180, 190);
        put_pf(fragment, text_fragment_corner2, 220, 198);
        put_pf(fragment, text_fragment_frame1, 179, 189);
        put_pf(fragment, text_fragment_frame2, 221, 199);
        put_u16(fragment.data(), text_fragment_lines, 1);
        set_text(fragment, text_fragment_head, "Text");
        add_to(ann, anns, fragment);

        std::vector<uint8_t> section = annotation(annotation_section, section_nodes + 24, 3 << 2, 205);
        section[section_nodes_count] = 3;
        uint16_t words[2] = {};
        text_pack("A", words, 4);
        std::memcpy(section.data() + section_letters, words, 4);
        put_pf(section, section_nodes, 200, 210);
        put_pf(section, section_nodes + 8, 200, 235);
        put_pf(section, section_nodes + 16, 235, 235);
        place_designation_letters(section.data());
        add_to(ann, anns, section);

        std::vector<uint8_t> rough = annotation(annotation_roughness, roughness_head, 3 << 2, 206);
        put_pf(rough, roughness_tip, 90, 245);
        rough[roughness_lengths] = 3;
        set_text(rough, roughness_head, "3,2");
        add_to(ann, anns, rough);

        std::vector<uint8_t> t =
            annotation(annotation_tolerance, tolerance_head, static_cast<uint16_t>((3 << 2) | (3 << 6) | 0x200), 207);
        t[tolerance_signs] = 2;
        t[tolerance_signs + 1] = 14;
        t[tolerance_signs + 2] = 17;
        put_pf(t, tolerance_frame1, 20, 200);
        put_pf(t, tolerance_frame2, 60, 208);
        put_f32(t.data(), tolerance_separator1, 10);
        put_f32(t.data(), tolerance_separator2, 30);
        put_pf(t, tolerance_leader_target, 10, 240);
        put_pf(t, tolerance_leader_start, 20, 230);
        put_pf(t, tolerance_frame_side, 20, 224);
        put_pf(t, tolerance_frame_side + 8, 20, 224);
        std::string text = V + "0,1\\n0,2\\n0,3" + D + "A\\nB,C\\nD";
        t[tolerance_text_length] = static_cast<uint8_t>(text.size());
        set_text(t, tolerance_head, text);
        add_to(ann, anns, t);
    }

    // The paint of a projection window at the annotation stage: the
    // elements, then the dimensions and annotation.
    void paint(DibPicture& p) {
        p.view.visible_layers = 0x0F;  // layer 4 hidden
        p.view.projection = projection.data();
        probe.picture = &p;
        draw_view_elements(p.v());
        if (probe.armed) probe.whiten();
        draw_view_dimensions(p.v(), 0);
    }
    void click(double x, double y) {
        probe.x = px(x), probe.y = px(y);
        probe.armed = true;
    }
};

TEST_F(DrawingFixtureGdi, EveryKindInksWhereItsGeometrySays) {
    DibPicture p(1000, 1000, S, 5);
    paint(p);
    EXPECT_TRUE(p.write_png("drawing_fixture.png"));

    // Elements: line type 0 is gone at the annotation stage, the others ink
    // their midpoints; the hidden layer leaves background.
    EXPECT_FALSE(p.ink_near(px(50), px(10), 2)) << "line type 0";
    for (int row = 2; row <= 10; ++row) {
        int inked = 0;
        for (int x = px(10); x <= px(90); ++x) inked += p.ink(x, px(10.0 * row)) ? 1 : 0;
        EXPECT_GT(inked, px(80) / 3) << "row " << row;
    }
    EXPECT_TRUE(p.ink_near(px(50), px(20), 0)) << "main line";
    EXPECT_FALSE(p.ink_near(px(50), px(110), 3)) << "hidden layer";
    int grey = 0;
    for (int x = px(10); x <= px(90); ++x) grey += p.at(x, px(100)) == hidden_grey ? 1 : 0;
    EXPECT_GT(grey, 50) << "line type 15: grey dashes";
    EXPECT_LT(grey, px(80)) << "line type 15: grey dashes";
    EXPECT_TRUE(p.ink_near(px(130), px(15), 1)) << "circle top";
    EXPECT_TRUE(p.ink_near(px(130 + 15 / std::sqrt(2.0)), px(80 - 15 / std::sqrt(2.0)), 1)) << "arc middle";
    EXPECT_TRUE(p.ink_near(px(200), px(50), 1)) << "three-point arc middle";
    EXPECT_TRUE(p.ink_near(px(200), px(95), 1)) << "curve piece through its middle";
    EXPECT_TRUE(p.ink_near(px(200), px(110), 0)) << "view break";

    // Dimensions.
    EXPECT_TRUE(p.ink_near(px(35), px(150), 0)) << "linear dimension line";
    EXPECT_TRUE(p.ink_near(px(10), px(133), 0)) << "its first extension line";
    EXPECT_TRUE(p.ink_near(px(60), px(145), 0)) << "its second extension line";
    EXPECT_TRUE(p.ink_near(px(10) + px(2.1), px(150), 0)) << "inside of the first arrow";
    EXPECT_TRUE(p.ink_near(px(110), px(150), 0)) << "radius line";
    int cross = 0;
    for (int y = px(150 - 11); y <= px(150 - 2); ++y) cross += p.ink(px(150), y) ? 1 : 0;
    EXPECT_GT(cross, 5) << "the diameter's centre cross, dash-dot above the centre";
    EXPECT_LT(cross, px(9) + 1) << "the diameter's centre cross, dash-dot above the centre";
    EXPECT_TRUE(p.ink_near(px(180 + 30 / std::sqrt(2.0)), px(150 - 30 / std::sqrt(2.0)), 1)) << "angle arc";
    EXPECT_TRUE(p.ink_near(px(35), px(175), 0)) << "kind 5 line";
    EXPECT_TRUE(p.ink_near(px(10), px(168), 0)) << "kind 5 extension line";

    // Annotation.
    EXPECT_TRUE(p.ink_near(px(135), px(230), 1)) << "leader line";
    EXPECT_TRUE(p.ink_near(px(165), px(220), 0)) << "leader shelf";
    EXPECT_EQ(hatch_icons, 1);
    EXPECT_TRUE(p.ink_near(px(179), px(194), 0)) << "text fragment's left side";
    EXPECT_TRUE(p.ink_near(px(200), px(210), 2)) << "section stroke at the first node";
    const double h = 5.0, k = 1.0 / std::sqrt(3.0);
    EXPECT_TRUE(p.ink_near(px(90 - k * h / 2), px(245 - h / 2), 1)) << "roughness sign's short leg";
    for (double y : {200.0, 208.0, 216.0, 224.0}) EXPECT_TRUE(p.ink_near(px(40), px(y), 0)) << "tolerance row edge " << y;
    EXPECT_FALSE(p.ink_near(px(40), px(232), 2)) << "no fourth row";

    // The label's ink lies in its measured box, within a pixel.
    select_text_font(3, 0, 0);
    double width = 0, height = 0;
    double depth = measure_text("25", &width, &height);
    int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
    for (int y = px(205 - 10); y <= px(205 + 3); ++y)
        for (int x = px(100 - 3); x <= px(100 + 10); ++x)
            if (p.ink(x, y)) x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    ASSERT_GE(x1, 0) << "the label drew nothing";
    // The stroke pen (h/14 = 0.36 mm, 1.4 pixels) reaches a pixel past the
    // glyph outline.
    EXPECT_GE(x0, px(100) - 1.5);
    EXPECT_LE(x1, px(100 + width) + 1.5);
    EXPECT_GT(x1 - x0, px(width) / 2) << "both digits drawn";
    EXPECT_NEAR(y0, px(205 - (height - depth)), 1.5);
    EXPECT_NEAR(y1, px(205 + depth), 1.5);
}

TEST_F(DrawingFixtureGdi, NoGdiObjectOutlivesThePaint) {
    DibPicture p(1000, 1000, S, 5);
    paint(p);
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 5; ++i) paint(p);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
}

TEST_F(DrawingFixtureGdi, AClickPicksTheDimensionOrTheLeaderUnderIt) {
    struct Case {
        const char* what;
        double x, y;
        bool dimension, leader;
    };
    const Case cases[] = {
        {"on the linear dimension line", 35, 150.3, true, false},
        {"on the leader line", 135, 230, false, true},
        {"on the leader's shelf", 160, 220.2, false, true},
        {"on empty paper", 110, 120, false, false},
    };
    for (const Case& c : cases) {
        dimension_pick_state = DimensionPickState{};
        DibPicture p(1000, 1000, S, 5);
        click(c.x, c.y);
        paint(p);
        EXPECT_EQ(dimension_pick_state.picked_dimension, c.dimension ? linear_ref : 0u) << c.what;
        EXPECT_EQ(dimension_pick_state.picked_annotation, c.leader ? leader_ref : 0u) << c.what;
    }
}

}  // namespace
