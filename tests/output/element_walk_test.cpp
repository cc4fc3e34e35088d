// The per-view element walk over a real drawing's element chain: layers,
// passes, picking through a stand-in pick marker, layer marking, the
// tolerance pick, the DXF walk and damaged chains.
#include "tests/output/element_chain_fixture.h"

#include <algorithm>

using namespace output_test;

namespace {

struct Seen {
    std::vector<uint32_t> asked;       // elements the pick marker was asked about
    uint32_t hit = 0;                  // the element under the marker
    std::vector<std::string> prompts;
    std::vector<unsigned> numbers;
    std::vector<uint32_t> spread;      // elements handed to the mark spreading
    std::vector<const uint8_t*> changed;
    int passes = 0;
    int hides = 0;
    Point2 designation = {-1, -1};
    int designations = 0;
};
Seen seen;
KernelStore real_store;

class WalkTest : public ElementChainTest {
protected:
    void SetUp() override {
        ElementChainTest::SetUp();
        put_u32(projection.data(), record_key, 7);
        seen = Seen{};
        real_store = kernel_store;
        kernel_store.next = [](uint8_t* p, int chain, const uint8_t* prev, uint32_t* ref) {
            if (!prev && chain == chain_elements) ++seen.passes;
            return real_store.next(p, chain, prev, ref);
        };
        kernel_store.changed = [](int chain, const uint8_t* rec) {
            seen.changed.push_back(rec);
            real_store.changed(chain, rec);
        };
        auto& s = output_window_seams;
        s.pick_marker_damaged = [](OutputView*, int, const uint8_t* el) {
            uint32_t n = get_u32(el, element_number);
            seen.asked.push_back(n);
            return n == seen.hit ? 1 : 0;
        };
        s.pick_marker_position = [](OutputView*, Point2* out) { *out = Point2{12.5, 7.25}; };
        s.pick_marker_hide = [](OutputView*) { ++seen.hides; };
        s.prompt_show = [](const char* t) { seen.prompts.push_back(t); };
        s.status_show_number = [](unsigned n) { seen.numbers.push_back(n); };
        s.active_projection_number = []() -> uint32_t { return 7; };
        s.apply_mark_to_curve_pieces = [](uint8_t*, uint8_t* el) { seen.spread.push_back(get_u32(el, element_number)); };
        s.mark_element_contour = s.apply_mark_to_curve_pieces;
        s.place_tolerance_designation = [](OutputView*, Point2 at) {
            seen.designation = at;
            ++seen.designations;
        };
        dxf_recorder_install();
    }
    void TearDown() override {
        kernel_store = real_store;
        dxf_recorder_remove();
        ElementChainTest::TearDown();
    }
    // A segment at y = 10 n from x = 10 to 110, so its pixels tell which
    // element drew them.
    RecordRef seg(uint32_t n, int layer, int line_type, uint16_t flags = 0) {
        return add(segment_element({10, 10.0 * n}, {110, 10.0 * n}, line_type, flags, layer_option(layer)), n);
    }
    void walk(RecView& v) {
        v->projection = projection.data();
        draw_view_elements(v.v());
    }
    // Rows of pixels that carry ink (y of every line_to).
    static std::vector<int> rows(const RecView& v) {
        std::vector<int> out;
        for (auto& p : v.paths())
            for (auto& q : p) out.push_back(q.y);
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }
};

TEST_F(WalkTest, DrawsShownLayersAndMarksTheClickedElement) {
    seg(1, 0, 1);
    seg(2, 1, 2);
    seg(3, 5, 1);   // layer 5 is hidden
    seg(4, 0, 0);
    seg(5, 0, 15);
    seg(6, 2, 1);   // clicked
    auto symbol = element(11, element_size2, 1);
    add(symbol, 7);
    auto odd = segment_element({0, 80}, {50, 80});
    put_u16(odd.data(), element_flags, 13 | 0x10);  // no such kind
    add(odd, 8);
    seen.hit = 6;
    RecView v(1.0, 3);
    v->visible_layers = 0x07;
    walk(v);

    EXPECT_EQ(seen.asked, (std::vector<uint32_t>{1, 2, 4, 5, 6}));
    EXPECT_TRUE(is_marked(6));
    EXPECT_FALSE(is_marked(2));
    EXPECT_EQ(marked_element_count, 1);
    ASSERT_EQ(seen.prompts.size(), 1u);
    EXPECT_EQ(seen.prompts[0], " \xD1\xEF\xEB\xEE\xF8\xED\xE0\xFF \xEE\xF1\xED\xEE\xE2\xED\xE0\xFF (\xF1\xEB\xEE\xE9 3)");
    EXPECT_EQ(seen.numbers, (std::vector<unsigned>{1}));
    EXPECT_EQ(seen.spread, (std::vector<uint32_t>{6}));
    EXPECT_FALSE(seen.changed.empty());
    EXPECT_EQ(seen.passes, 3);
    std::vector<int> r = rows(v);
    EXPECT_TRUE(std::find(r.begin(), r.end(), 30) == r.end()) << "hidden layer drawn";
    EXPECT_TRUE(std::find(r.begin(), r.end(), 80) == r.end()) << "unknown kind drawn";
    EXPECT_TRUE(std::find(r.begin(), r.end(), 60) != r.end());
    EXPECT_EQ(walk_marked_seen, 1);  // pass 2 met the element marked in pass 0
    EXPECT_GE(seen.hides, 1);
}

TEST_F(WalkTest, ClickOnAMarkedElementUnmarksIt) {
    seg(1, 0, 1, element_flag_marked);
    seen.hit = 1;
    marked_element_count = 0;
    RecView v(1.0, 3);
    walk(v);
    EXPECT_FALSE(is_marked(1));
    EXPECT_EQ(marked_element_count, 0);  // never below 0
    EXPECT_EQ(seen.numbers, (std::vector<unsigned>{0}));
    EXPECT_EQ(walk_marked_seen, 1);
}

TEST_F(WalkTest, PassesRunOnlyWhenTheirConditionsHold) {
    struct Case {
        const char* name;
        int stage;
        int line_type;
        uint16_t flags;
        int passes;
    };
    const Case cases[] = {
        {"plain drawing", 3, 1, 0, 1},
        {"a hidden line", 3, 0, 0, 2},
        {"a hidden screening piece", 3, 1, 0x2000, 2},
        {"a marked element", 3, 1, element_flag_marked, 3},
        {"marked at stage 4", 4, 1, element_flag_marked, 2},
        {"hidden at stage 5", 5, 15, 0, 2},
        {"marked at stage 6", 6, 1, element_flag_marked, 1},
        {"marked at stage 9", 9, 1, element_flag_marked, 1},
    };
    uint32_t n = 1;
    for (const Case& c : cases) {
        seg(n, 0, c.line_type, c.flags);
        RecView v(1.0, c.stage);
        seen.passes = 0;
        walk(v);
        EXPECT_EQ(seen.passes, c.passes) << c.name;
        // Start the next case on an empty chain.
        record_delete_key(df, element_head(), n, &page_buffers[table_elements]);
        ++n;
    }
}

TEST_F(WalkTest, HiddenLinesOfAWindowThatHidesThemAreNeitherDrawnNorPicked) {
    seg(1, 0, 0);
    seg(2, 0, 15);
    seg(3, 0, 1, 0x2000);
    seg(4, 0, 1);
    seen.hit = 1;
    RecView v(1.0, 3);
    v->window_flags = window_flag_hide_hidden_lines;
    walk(v);
    EXPECT_EQ(seen.asked, (std::vector<uint32_t>{4}));
    EXPECT_EQ(rows(v), (std::vector<int>{40}));
    EXPECT_FALSE(is_marked(1));
}

TEST_F(WalkTest, LayerMarkRequestMarksItsLayersBelowStageFourAndCountsThem) {
    seg(1, 0, 1);
    seg(2, 4, 1);   // requested, though its layer is not shown
    seg(3, 4, 1, element_flag_marked);
    layer_mark_request = 1u << 4;
    RecView v(1.0, 3);
    v->visible_layers = 0x01;
    walk(v);
    EXPECT_TRUE(is_marked(2));
    EXPECT_FALSE(is_marked(1));
    EXPECT_EQ(marked_element_count, 1);
    EXPECT_EQ(seen.changed.size(), 1u);
    std::vector<int> r = rows(v);
    EXPECT_TRUE(std::find(r.begin(), r.end(), 20) != r.end());
    // At stage 4 the request marks nothing and the hidden layer stays hidden.
    seg(4, 4, 1);
    RecView w(1.0, 4);
    w->visible_layers = 0x01;
    walk(w);
    EXPECT_FALSE(is_marked(4));
    EXPECT_EQ(rows(w), (std::vector<int>{10}));
}

TEST_F(WalkTest, ProjectionTypeGoesToTheViewFlagsOnly) {
    put_u16(projection.data(), projection_flags, 0x0805);
    seg(1, 0, 1);
    static int counting = -1;
    output_window_seams.print_counter = [](int c) { counting = c; };
    RecView v(1.0, 3);
    v->view_flags = 0x00F0;
    v->window_flags = 0x000B;
    walk(v);
    EXPECT_EQ(v->view_flags, 0x00F5);
    EXPECT_EQ(v->window_flags, 0x000B);
    EXPECT_EQ(counting, 1);
}

TEST_F(WalkTest, ToleranceSignPickTakesTheElementUnderTheMarker) {
    seg(1, 0, 1);
    RecordRef two = seg(2, 0, 1);
    seen.hit = 2;
    tolerance_pick_request = 1;
    RecView v(1.0, 5);
    walk(v);
    EXPECT_EQ(tolerance_pick_element, two);
    EXPECT_EQ(seen.designations, 1);
    EXPECT_EQ(seen.designation.x, 12.5);
    EXPECT_EQ(tolerance_pick_request, 0);
    EXPECT_FALSE(is_marked(2));
}

TEST_F(WalkTest, SheetAndPrinterViewsNeverPick) {
    seg(1, 0, 1);
    seen.hit = 1;
    for (int device : {output_sheet, output_printer}) {
        RecView v(1.0, 3);
        v->device = device;
        walk(v);
        EXPECT_TRUE(seen.asked.empty());
        EXPECT_FALSE(is_marked(1));
        EXPECT_EQ(rows(v), (std::vector<int>{10}));
    }
}

TEST_F(WalkTest, DxfWalkWritesEachDrawnElementAtItsLineWidth) {
    seg(1, 0, 1);
    auto circle = element(2, element_size2, 5);
    put_point2(circle.data(), element_coords2, Point2{5, 0});
    add(circle, 2);
    auto arc = element(3, element_size3, 2);
    put_point2(arc.data(), element_coords3, Point2{1, 0});
    put_point2(arc.data(), element_coords3 + 16, Point2{0, 1});
    add(arc, 3);
    seg(4, 0, 0);
    seg(5, 0, 15);
    auto bezier = element(12, element_size_bezier, 1);
    add(bezier, 6);
    dxf_output_active = 1;
    RecView v(1.0, 6);
    walk(v);
    // Pens are still selected (a 1-pixel pen per element); nothing is drawn.
    for (const CanvasCall& c : v.rec.calls)
        EXPECT_TRUE(c.kind == call_select_pen || c.kind == call_restore) << canvas_call_text(c);
    const auto& e = dxf_recorded_entities();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].kind, dxf_line_entity);
    EXPECT_EQ(e[0].width, 0.6);
    EXPECT_EQ(e[1].kind, dxf_circle_entity);
    EXPECT_EQ(e[1].width, 0.5);
    EXPECT_EQ(e[2].kind, dxf_arc_entity);
    EXPECT_EQ(e[2].width, 0.25);
}

TEST_F(WalkTest, ARecordWhoseLengthRunsPastItsPageEndsTheWalk) {
    seg(1, 0, 1);
    seg(2, 0, 1);
    seg(3, 0, 1);
    uint8_t* first = record_next(df, element_head(), nullptr, &page_buffers[table_elements]);
    ASSERT_NE(first, nullptr);
    put_u16(first + element_size2, record_length, 2040);
    RecView v(1.0, 4);
    walk(v);
    std::vector<int> r = rows(v);
    EXPECT_TRUE(std::find(r.begin(), r.end(), 10) != r.end());
    EXPECT_TRUE(std::find(r.begin(), r.end(), 30) == r.end());
}

}  // namespace
