// Conventional symbols: the measured box of the signs against boxes worked
// out by hand from the signs' geometry, the device calls of the drawing on
// the recording canvas (sector radials, hexagon order, the pipe-break
// template, pens and brushes always put back), and the symbol walk over a
// real element chain (layers, picking, the prompt).
#include "render/output/symbol_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/extents.h"
#include "render/output/symbol_catalog.h"
#include "tests/output/element_chain_fixture.h"

using namespace output_test;

namespace {

std::vector<uint8_t> symbol(uint32_t code, std::vector<Point2> pts, uint16_t options = 0, uint16_t extra_flags = 0) {
    const size_t size = element_symbol_items + element_symbol_item_size * pts.size();
    std::vector<uint8_t> r = element(element_kind_symbol, size, 1, extra_flags, options);
    put_u16(r.data(), element_symbol_code, static_cast<uint16_t>(code));
    put_u16(r.data(), element_symbol_count, static_cast<uint16_t>(pts.size()));
    for (size_t i = 0; i < pts.size(); ++i) {
        put_u32(r.data(), element_symbol_items + element_symbol_item_size * i, static_cast<uint32_t>(100 + i));
        put_point2(r.data(), element_symbol_items + element_symbol_item_size * i + 4, pts[i]);
    }
    return r;
}

class SymbolTest : public OutputTest {
protected:
    void SetUp() override {
        OutputTest::SetUp();
        set_drawing_scale(1.0);  // a sheet millimetre is a model unit
        picture_symbol_drawer = picture_symbol_drawer_unbound;
    }
    void TearDown() override {
        picture_symbol_drawer = picture_symbol_drawer_unbound;
        OutputTest::TearDown();
    }
};

// The standard placement: second point (centre) at (100, 100), first point
// 10 to the right (r = 10, a = 0), third point 4 below the axis.
const Point2 P0 = {110, 100}, P1 = {100, 100}, P2 = {100, 104};

struct BoxCase {
    uint32_t code;
    std::vector<Point2> pts;
    double min_x, min_y, max_x, max_y;
};

TEST_F(SymbolTest, MeasuredBoxesMatchTheSignsGeometry) {
    const double c = 11.2;  // cross half length: r + 1.2 mm
    const std::vector<BoxCase> cases = {
        // Circle signs: the circle and the centre cross's box.
        {0, {P0, P1}, 100 - c, 100 - c, 100 + c, 100 + c},
        {5, {P0, P1}, 100 - c, 100 - c, 100 + c, 100 + c},
        {43, {P0, P1}, 100 - c, 100 - c, 100 + c, 100 + c},
        {11, {P0, P1}, 100 - c, 100 - c, 100 + c, 100 + c},
        // Hexagon of circumradius 10 with a vertex on the axis; square.
        {10, {P0, P1}, 90, 100 - 8.660254, 110, 100 + 8.660254},
        {12, {P0, P1}, 90, 90, 110, 110},
        // Rectangles: half length 10, half width 4; one turned upright.
        {13, {P0, P1, P2}, 90, 96, 110, 104},
        {47, {P0, P1, P2}, 90, 96, 110, 104},
        {13, {{100, 110}, P1, {104, 100}}, 96, 90, 104, 110},
        // Dots of radius 1.5 mm about the one point.
        {48, {P0}, 108.5, 98.5, 111.5, 101.5},
        {49, {P0}, 108.5, 98.5, 111.5, 101.5},
        // Flow triangle and arrowheads, apex at the first point.
        {50, {P0, P1}, 100, 100 - 5.773503, 110, 100 + 5.773503},
        {52, {P0, P1}, 100, 100 - 5.773503, 110, 100 + 5.773503},
        {53, {P0, P1}, 100, 100 - 1.316525, 110, 100 + 1.316525},
        {54, {P0, P1}, 100, 100 - 2.521569, 110, 100 + 2.521569},
        // Pipe breaks: the template's control points, 1/12 of full size.
        {55, {P0, P1}, 100, 100 - 1.666667, 110, 100 + 1.666667},
        {56, {P0, P1}, 100, 100 - 1.666667, 110, 100 + 1.666667},
        // Lines and doors.
        {30, {P0, P1}, 100, 100, 110, 100},
        {40, {P0, P1}, 110 - 7.071068, 100, 110, 100 + 7.071068},
        {41, {P0, P1}, 110 - 7.071068, 100 - 7.071068, 110, 100},
        {42, {P0, P1}, 110 - 7.071068, 100 - 7.071068, 110, 100 + 7.071068},
        // Long break line: gap of |p0 p2| about the midpoint, Z strokes.
        {32, {P0, P1, P2}, 99.614835, 89.951077, 110.385165, 110.048923},
        // Openings and frames on the rectangle (90, 96) - (110, 104).
        {34, {P0, P1, P2}, 90, 96, 110, 104},
        {35, {P0, P1, P2}, 90, 96, 110, 104},
        {37, {P0, P1, P2}, 90, 96, 110, 104},
        {38, {P0, P1}, 105, 100 - 0.44, 110, 100 + 0.44},
        {39, {P0, P1, P2}, 107.4, 101.4, 108.6, 102.6},
        // Fasteners: w = 4; the shank ends 0.6 mm beyond the second point.
        {18, {P0, P1, P2}, 99.4, 96, 110, 104},
        {19, {P0, P1, P2}, 99.4, 96, 110, 104},
        {28, {P0, P1, P2}, 99.4, 96, 110, 104},
        {23, {P0, P1, P2, {107, 100}}, 99.4, 96, 110, 104},
        {20, {P0, P1, P2}, 100.6, 96, 110, 104},
        {24, {P0, P1, P2, {107, 100}}, 100.6, 96, 110, 104},
        {21, {P0, P1, P2}, 96, 96, 110, 104},
        {29, {P0, P1, P2}, 98.68, 96, 110 + 4, 104},
        {22, {P0, P1, {106, 100}}, 100, 100 - 0.866025, 110, 100 + 0.866025},
        {31, {P0, P1, {106, 100}}, 100 - 1.232, 100 - 1.232, 110, 100 + 1.232},
        {25, {P0, P1}, 90, 90, 110, 110},
        {26, {P0, P1}, 90, 90, 110, 100},
        {27, {P0, P1, {106, 100}, {100, 103}}, 100, 100 - 2.121320, 110, 100 + 2.121320},
        // Gates: 1.24 mm beside the first point, leaf of length r.
        {44, {P0, P1}, 100 + 10.0 / 3, 101.24, 110 + 10.0 / 3, 101.24},
        {45, {P0, P1}, 100 + 10.0 / 3, 98.76, 110 + 10.0 / 3, 98.76},
        {46, {P0, P1}, 100, 101.24, 110, 102.44},
    };
    for (const BoxCase& k : cases) {
        std::vector<uint8_t> rec = symbol(k.code, k.pts);
        Box b;
        ASSERT_EQ(draw_symbol(nullptr, rec.data(), &b, 0), 1) << "code " << k.code;
        EXPECT_NEAR(b.min_x, k.min_x, 1e-4) << "code " << k.code;
        EXPECT_NEAR(b.min_y, k.min_y, 1e-4) << "code " << k.code;
        EXPECT_NEAR(b.max_x, k.max_x, 1e-4) << "code " << k.code;
        EXPECT_NEAR(b.max_y, k.max_y, 1e-4) << "code " << k.code;
    }
}

TEST_F(SymbolTest, CrossGrowsWithTheDrawingScale) {
    set_drawing_scale(0.5);  // 1:2 - the 1.2 mm reach is 2.4 model units
    std::vector<uint8_t> rec = symbol(0, {P0, P1});
    Box b;
    ASSERT_EQ(draw_symbol(nullptr, rec.data(), &b, 0), 1);
    EXPECT_NEAR(b.min_x, 87.6, 1e-9);
    EXPECT_NEAR(b.max_y, 112.4, 1e-9);
}

TEST_F(SymbolTest, NothingToDrawMeasuresTheEmptyBox) {
    struct Case {
        const char* what;
        std::vector<uint8_t> rec;
    };
    std::vector<uint8_t> damaged = symbol(0, {P0, P1});
    put_u16(damaged.data(), element_symbol_count, 5);
    std::vector<uint8_t> short_count = symbol(13, {P0, P1});  // a three-point sign stored with two
    std::vector<uint8_t> segment = segment_element(P0, P1);
    const std::vector<Case> cases = {
        {"coincident first points", symbol(0, {P1, P1})},
        {"coincident points of a rectangle", symbol(13, {P1, P1, P2})},
        {"count above four", damaged},
        {"fewer points than the code needs", short_count},
        {"no symbol element", segment},
        {"swing bolt with the eye wider than the bolt", symbol(21, {P0, P1, {100, 112}})},
        {"screw whose tip reaches past the head", symbol(23, {P0, P1, P2, {95, 100}})},
        {"break line with the gap longer than the line", symbol(32, {P0, P1, {110, 125}})},
        {"countersunk screw longer head than shank", symbol(20, {P0, P1, {100, 112}})},
    };
    for (const Case& k : cases) {
        Box b = {1, 2, 3, 4};
        EXPECT_EQ(symbol_box_measure(nullptr, k.rec.data(), &b), 0) << k.what;
        EXPECT_TRUE(box_is_empty(&b)) << k.what;
        RecView v;
        EXPECT_EQ(draw_symbol(v.v(), k.rec.data(), nullptr, 1), 0) << k.what;
        EXPECT_TRUE(v.of_kind(call_line_to).empty() && v.of_kind(call_polygon).empty()) << k.what;
        EXPECT_EQ(v.rec.live_objects, 0) << k.what;
    }
}

// A placement where every code draws something: r = 10 along +x, the third
// point 4 off the axis, the fourth 3 along it from the first point.
std::vector<Point2> all_points(uint32_t code) {
    const SymbolCatalogEntry* e = symbol_catalog_entry(code);
    std::vector<Point2> base = {P0, P1, code == 22 || code == 27 || code == 31 ? Point2{106, 100} : P2, {107, 100}};
    base.resize(e->point_count);
    return base;
}

TEST_F(SymbolTest, EverySignDrawsAndPutsBackEveryPenAndBrush) {
    for (const SymbolCatalogEntry& e : symbol_catalog) {
        for (double scale : {0.05, 1.0, 8.0}) {
            RecView v(scale);
            std::vector<uint8_t> rec = symbol(e.code, all_points(e.code));
            EXPECT_EQ(draw_symbol(v.v(), rec.data(), nullptr, 1), 1) << "code " << e.code << " scale " << scale;
            int selects = 0, restores = 0;
            for (const CanvasCall& c : v.rec.calls) {
                selects += c.kind == call_select_pen || c.kind == call_select_brush;
                restores += c.kind == call_restore;
            }
            EXPECT_EQ(selects, restores) << "code " << e.code << " scale " << scale;
            EXPECT_EQ(v.rec.live_objects, 0) << "code " << e.code;
            EXPECT_EQ(v.rec.rop2, rop2_copy_pen) << "code " << e.code;
        }
    }
}

struct PieCase {
    uint32_t code;
    std::vector<std::vector<int>> radials;  // start x, y, end x, y of each Pie
};

TEST_F(SymbolTest, SectorsRunFromTheirHigherToTheirLowerModelAngle) {
    // Centre pixel (100, 100), radius 10, a = 0: model angle t is the pixel
    // (100 + 10 cos t, 100 + 10 sin t); -pi/2 is up on the screen.
    const std::vector<PieCase> cases = {
        {0, {{110, 100, 100, 90}}},
        {43, {{100, 90, 110, 100}}},
        {1, {{100, 110, 110, 100}}},
        {2, {{100, 110, 100, 90}}},
        {3, {{110, 100, 100, 90}, {90, 100, 100, 110}}},
        {4, {{100, 110, 110, 100}, {100, 90, 90, 100}}},
        {6, {{107, 93, 93, 107}}},
        {8, {{107, 93, 93, 93}, {93, 107, 107, 107}}},
    };
    for (const PieCase& k : cases) {
        RecView v;
        std::vector<uint8_t> rec = symbol(k.code, {P0, P1});
        draw_symbol(v.v(), rec.data(), nullptr, 1);
        std::vector<const CanvasCall*> pies = v.of_kind(call_pie);
        ASSERT_EQ(pies.size(), k.radials.size()) << "code " << k.code;
        for (size_t i = 0; i < pies.size(); ++i) {
            const std::vector<int32_t>& a = pies[i]->args;
            EXPECT_EQ((std::vector<int32_t>{a[0], a[1], a[2], a[3]}), (std::vector<int32_t>{90, 90, 111, 111}));
            EXPECT_EQ((std::vector<int>{a[4], a[5], a[6], a[7]}), k.radials[i]) << "code " << k.code << " pie " << i;
        }
        // The circle is filled with the background before the sectors.
        ASSERT_FALSE(v.of_kind(call_ellipse).empty()) << k.code;
    }
}

TEST_F(SymbolTest, HexagonStartsOnTheAxisAndTurnsBackwards) {
    RecView v;
    std::vector<uint8_t> rec = symbol(10, {P0, P1});
    draw_symbol(v.v(), rec.data(), nullptr, 1);
    std::vector<const CanvasCall*> polys = v.of_kind(call_polygon);
    ASSERT_EQ(polys.size(), 1u);
    const std::vector<PointI> want = {{110, 100}, {105, 91}, {95, 91}, {90, 100}, {95, 109}, {105, 109}};
    ASSERT_EQ(polys[0]->points.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(polys[0]->points[i].x, want[i].x) << i;
        EXPECT_EQ(polys[0]->points[i].y, want[i].y) << i;
    }
}

TEST_F(SymbolTest, PipeBreakTemplateIsScaledTurnedAndCentred) {
    // r = 120 (template scale 1), a = 0: the template's y axis lies along
    // the points, centred at their midpoint (140, 100).
    RecView v;
    std::vector<uint8_t> rec = symbol(55, {{200, 100}, {80, 100}});
    draw_symbol(v.v(), rec.data(), nullptr, 1);
    std::vector<const CanvasCall*> curves = v.of_kind(call_poly_bezier);
    ASSERT_EQ(curves.size(), 3u);
    const std::vector<PointI> first = {{200, 100}, {200, 120}, {155, 110}, {140, 100}};
    const std::vector<PointI> last = {{80, 100}, {80, 120}, {125, 110}, {140, 100}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(curves[0]->points[i].x, first[i].x) << i;
        EXPECT_EQ(curves[0]->points[i].y, first[i].y) << i;
        EXPECT_EQ(curves[2]->points[i].x, last[i].x) << i;
        EXPECT_EQ(curves[2]->points[i].y, last[i].y) << i;
    }
    // The left-hand break mirrors the first curve's inner control points.
    RecView w;
    std::vector<uint8_t> left = symbol(56, {{200, 100}, {80, 100}});
    draw_symbol(w.v(), left.data(), nullptr, 1);
    curves = w.of_kind(call_poly_bezier);
    ASSERT_EQ(curves.size(), 3u);
    EXPECT_EQ(curves[0]->points[1].y, 80);
    EXPECT_EQ(curves[0]->points[2].y, 90);
}

TEST_F(SymbolTest, TinyDotIsOneSegmentAndColoursFollowMarkAndLayer) {
    {
        RecView v(0.5);  // 1.5 mm is 0.75 pixel
        std::vector<uint8_t> rec = symbol(48, {P0});
        draw_symbol(v.v(), rec.data(), nullptr, 1);
        EXPECT_TRUE(v.of_kind(call_ellipse).empty());
        EXPECT_TRUE(v.of_kind(call_arc).empty());
        EXPECT_EQ(v.of_kind(call_line_to).size(), 1u);
    }
    struct Case {
        int stage;
        uint16_t flags, options;
        uint32_t colour;
    };
    const std::vector<Case> cases = {
        {3, 0, 0, black},
        {3, element_flag_marked, 0, marked_blue},
        {5, element_flag_marked, layer_option(2), 0x123456},
    };
    for (const Case& k : cases) {
        RecView v(1.0, k.stage);
        v->layer_colours[2] = 0x123456;
        std::vector<uint8_t> rec = symbol(30, {P0, P1}, k.options, k.flags);
        draw_symbol(v.v(), rec.data(), nullptr, 1);
        bool seen = false;
        for (const CanvasCall& c : v.rec.calls)
            if (c.kind == call_select_pen && c.pen.width > 0 && c.pen.colour == k.colour) seen = true;
        EXPECT_TRUE(seen) << "stage " << k.stage << " flags " << k.flags;
    }
}

TEST_F(SymbolTest, PictureCodesGoToThePictureDrawer) {
    static int calls = 0;
    calls = 0;
    picture_symbol_drawer.draw = [](OutputView*, const uint8_t*, Box* out, int) {
        ++calls;
        if (out) *out = Box{1, 2, 3, 4};
        return 1;
    };
    std::vector<uint8_t> rec = symbol(1001, {P0, P1});
    Box b;
    EXPECT_EQ(symbol_box_measure(nullptr, rec.data(), &b), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(b.max_y, 4);
}

// ---------------------------------------------------------------- the walk
struct WalkSeen {
    uint32_t hit = 0;
    std::vector<std::string> prompts;
    std::vector<unsigned> numbers;
    int toolbar = 0;
};
WalkSeen walk_seen;

class SymbolWalkTest : public ElementChainTest {
protected:
    void SetUp() override {
        ElementChainTest::SetUp();
        put_u32(projection.data(), record_key, 7);
        walk_seen = WalkSeen{};
        walk_marked_seen = 0;
        auto& s = output_window_seams;
        s.pick_marker_damaged = [](OutputView*, int, const uint8_t* el) {
            return get_u32(el, element_number) == walk_seen.hit ? 1 : 0;
        };
        s.prompt_show = [](const char* t) { walk_seen.prompts.push_back(t); };
        s.status_show_number = [](unsigned n) { walk_seen.numbers.push_back(n); };
        s.active_projection_number = []() -> uint32_t { return 7; };
        s.enable_image_toolbar = []() { ++walk_seen.toolbar; };
        set_drawing_scale(1.0);
    }
    void TearDown() override {
        kernel_measurers = kernel_measurers_unbound;
        bind_current_drawing_header(nullptr);
        ElementChainTest::TearDown();
    }
    // Symbol n: a line sign (code 33) at y = 10 n, so its pixels tell which
    // symbol drew them.
    void sym(uint32_t n, bool upper) {
        add(symbol(33, {{20, 10.0 * n}, {120, 10.0 * n}}, upper ? 0x0002 : 0), n);
    }
    std::vector<int> rows(RecView& v) {
        std::vector<int> out;
        for (const CanvasCall* c : v.of_kind(call_line_to)) out.push_back(c->args[1]);
        return out;
    }
    int walk(RecView& v, int upper, int no_pick) {
        v->projection = projection.data();
        return draw_view_symbols(v.v(), upper, no_pick);
    }
};

TEST_F(SymbolWalkTest, UpperPassDrawsOnlyUpperSymbolsAndTellsOfOthers) {
    sym(1, true);
    sym(2, false);
    sym(3, true);
    RecView v;
    EXPECT_EQ(walk(v, 1, 1), 1);
    EXPECT_EQ(rows(v), (std::vector<int>{10, 30}));
    RecView w;
    walk(w, 0, 1);
    EXPECT_EQ(rows(w), (std::vector<int>{20}));
    // Graphic elements are left to their own walk.
    add(segment_element({0, 0}, {5, 5}), 9);
    RecView again;
    walk(again, 0, 1);
    EXPECT_EQ(rows(again), (std::vector<int>{20}));
}

TEST_F(SymbolWalkTest, ClickTogglesTheSymbolUnlessElementsAreMarked) {
    sym(1, false);
    sym(2, false);
    walk_seen.hit = 2;
    RecView v;
    walk(v, 0, 0);
    EXPECT_TRUE(is_marked(2));
    EXPECT_FALSE(is_marked(1));
    EXPECT_EQ(marked_element_count, 1);
    ASSERT_EQ(walk_seen.prompts.size(), 1u);
    EXPECT_EQ(walk_seen.prompts[0], "Помечено условное изображение");
    EXPECT_EQ(walk_seen.numbers, (std::vector<unsigned>{1}));
    EXPECT_EQ(walk_seen.toolbar, 1);

    // A second click unmarks it.
    RecView again;
    walk(again, 0, 0);
    EXPECT_FALSE(is_marked(2));
    EXPECT_EQ(marked_element_count, 0);

    // With graphic elements marked, a click marks no symbol.
    walk_marked_seen = 1;
    RecView busy;
    walk(busy, 0, 0);
    EXPECT_FALSE(is_marked(2));
    // The no-pick flag leaves marks alone as well.
    walk_marked_seen = 0;
    RecView quiet;
    walk(quiet, 0, 1);
    EXPECT_FALSE(is_marked(2));
}

TEST_F(SymbolWalkTest, KernelMeasuresSymbolsThroughTheBinding) {
    symbol_drawing_bind();
    std::vector<uint8_t> rec = symbol(12, {P0, P1});
    Box b = box_empty();
    box_add_symbol_element(projection.data(), &b, rec.data());
    EXPECT_NEAR(b.min_x, 90, 1e-9);
    EXPECT_NEAR(b.max_y, 110, 1e-9);
    EXPECT_NEAR(b.max_x, 110, 1e-9);
}

}  // namespace
