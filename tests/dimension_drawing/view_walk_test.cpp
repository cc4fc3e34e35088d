// The dimension and annotation walk on a projection holding one record of
// every kind (and damaged ones): the order of the records, what each kind
// draws, what is skipped, picking by the pick marker, the property dialog
// hand-off, and the DXF line widths.
#include "tests/dimension_drawing/dimension_test_support.h"

#include <algorithm>

#include "render/output/designation_letters.h"
#include "render/output/tolerance_frame.h"
#include "render/output/view_dimensions_walk.h"

using namespace dimension_test;

namespace {

struct Asked {
    uint32_t key;
    size_t calls;  // canvas calls recorded when the record was tested
};
struct Seen {
    std::vector<Asked> asked;
    uint32_t hit = 0;
    RecordingCanvas* rec = nullptr;
    std::vector<uint32_t> icons;
    std::vector<int> styles;
    std::vector<uint32_t> opened;
    int hides = 0, crosshair = 0, enabled = 0;
    Point2 marker{0, 0};
};
Seen seen;

const std::string V = "\x18", D = "\x1A";

uint8_t header[drawing_header_size];

class ViewWalk : public DimensionTest {
protected:
    void SetUp() override {
        DimensionTest::SetUp();
        seen = Seen{};
        std::memset(header, 0, sizeof header);
        put_f64(header, header_scale_offset, 1.0);
        bind_current_drawing_header([]() -> const uint8_t* { return header; });
        output_window_seams.pick_marker_damaged = [](OutputView*, int stage, const uint8_t* rec) {
            EXPECT_EQ(stage, 5);
            uint32_t key = get_u32(rec, 2);
            seen.asked.push_back(Asked{key, seen.rec ? seen.rec->calls.size() : 0});
            return key == seen.hit ? 1 : 0;
        };
        auto& s = dimension_window_seams;
        s.draw_hatch_kind_icon = [](OutputView*, const uint8_t* rec) { seen.icons.push_back(get_u32(rec, 2)); };
        s.pick_marker_position = [](OutputView*, Point2* at) { *at = seen.marker; };
        s.pick_marker_hide = [](OutputView*) { ++seen.hides; };
        s.pick_marker_replace = [](OutputView*) { return 5; };
        s.move_crosshair = [](OutputView*, Point2) { ++seen.crosshair; };
        s.enable_arrowhead_controls = [](int enable) { seen.enabled = enable; };
        s.select_arrowhead_style = [](int style) { seen.styles.push_back(style); };
        s.open_element_properties = [](uint32_t ref) {
            seen.opened.push_back(ref);
            return 77;
        };
    }

    // One record of every kind, and damaged ones.
    void fixture() {
        // Dimensions: a linear one with both ends, a radius, a hidden
        // diameter with its centre cross, an angle on an arc, a hidden
        // linear one, a record cut short.
        fake_add(chain_dimensions, dimension(101, 0, 7, 2, 0x13, {10, 50}, {60, 50}, {0, 0},
                                             {{10, 10}, {10, 40}}, {{60, 10}, {60, 40}}));
        fake_add(chain_dimensions, dimension(102, 1, 0, 9, 0x10, {130, 100}, {100, 100}, {100, 100},
                                             {{130, 100}, {130, 100}}));
        std::vector<uint8_t> diameter = dimension(103, 2, 0, 0, 0x2008, {80, 80}, {120, 80}, {100, 80});
        put_f64(diameter.data(), dimension_nominal, 40.0);
        fake_add(chain_dimensions, diameter);
        fake_add(chain_dimensions, dimension(104, 3, 0, 0, 0x33, {130, 50}, {100, 20}, {100, 50},
                                             {{110, 50}, {125, 50}}, {{100, 40}, {100, 25}}));
        fake_add(chain_dimensions, dimension(105, 0, 0, 0, 0x1B, {10, 90}, {60, 90}));
        std::vector<uint8_t> cut = dimension(106, 0, 0, 0, 0x13, {0, 0}, {5, 5});
        put_u16(cut.data(), record_length, 50);
        fake_add(chain_dimensions, cut);

        // Annotation: a label, a hidden label, a leader with stacked notes,
        // a hatching, a text fragment, a section line, a roughness sign, a
        // tolerance frame of three rows, kinds 7 and 9, a leader cut short,
        // one longer than a page, broken markup, a section claiming more
        // nodes than it holds.
        std::vector<uint8_t> label = label_record(201, 3 << 7);
        fake_add(chain_annotation, label);
        std::vector<uint8_t> hidden = label;
        put_u32(hidden.data(), record_key, 202);
        put_u16(hidden.data(), annotation_flags, 0x1000 | (3 << 7));
        fake_add(chain_annotation, hidden);

        std::vector<uint8_t> leader =
            leader_record(203, static_cast<uint16_t>(3 | (3 << 7) | 0x40 | (4 << 11)), "AB\\nC", 1);
        leader[leader_style] = 0x16;  // open arrow form, circle at the bend
        fake_add(chain_annotation, leader);

        std::vector<uint8_t> hatch = annotation(annotation_hatching, hatching_record_size, 1, 204);
        fake_add(chain_annotation, hatch);

        std::vector<uint8_t> fragment =
            annotation(annotation_text_fragment, text_fragment_head, static_cast<uint16_t>((3 << 2) | (1 << 6) | (2 << 8)), 205);
        put_f32(fragment.data(), text_fragment_baseline, 130);
        put_pf(fragment, text_fragment_corner1, 20, 125);
        put_pf(fragment, text_fragment_corner2, 60, 131);
        put_pf(fragment, text_fragment_frame1, 19, 124);
        put_pf(fragment, text_fragment_frame2, 61, 132);
        put_u16(fragment.data(), text_fragment_lines, 1);
        set_text(fragment, text_fragment_head, "Text");
        fake_add(chain_annotation, fragment);

        std::vector<uint8_t> section = annotation(annotation_section, section_nodes + 24, 3 << 2, 206);
        section[section_nodes_count] = 3;
        uint16_t words[2] = {};
        text_pack("A", words, 4);
        std::memcpy(section.data() + section_letters, words, 4);
        put_pf(section, section_nodes, 150, 150);
        put_pf(section, section_nodes + 8, 150, 170);
        put_pf(section, section_nodes + 16, 180, 170);
        place_designation_letters(section.data());
        fake_add(chain_annotation, section);

        std::vector<uint8_t> rough = annotation(annotation_roughness, roughness_head, 3 << 2, 207);
        put_pf(rough, roughness_tip, 200, 200);
        rough[roughness_lengths] = 3;
        set_text(rough, roughness_head, "3,2");
        fake_add(chain_annotation, rough);

        fake_add(chain_annotation, tolerance(208));

        fake_add(chain_annotation, annotation(7, 60, 0, 209));
        fake_add(chain_annotation, annotation(9, 60, 0, 210));
        fake_add(chain_annotation, annotation(annotation_leader, 30, 0, 211));
        std::vector<uint8_t> long_one = annotation(annotation_leader, leader_head, 0, 212);
        put_u16(long_one.data(), record_length, 2100);
        fake_add(chain_annotation, long_one);

        std::vector<uint8_t> broken = fragment;
        put_u32(broken.data(), record_key, 213);
        set_text(broken, text_fragment_head, "\\^2\\_{abc @1@\\-\\");
        put_u16(broken.data(), text_fragment_lines, 65535);
        fake_add(chain_annotation, broken);

        std::vector<uint8_t> claims = section;
        put_u32(claims.data(), record_key, 214);
        claims.resize(section_nodes + 16);
        put_u16(claims.data(), record_length, static_cast<uint16_t>(claims.size()));
        claims[section_nodes_count] = 200;
        fake_add(chain_annotation, claims);
    }

    // A label on a shelf from (40, 40) to (50, 40) with its leader from (30, 50).
    static std::vector<uint8_t> label_record(uint32_t key, uint16_t flags) {
        std::vector<uint8_t> label = annotation(annotation_dimension_text, dimension_text_head, flags, key);
        label[dimension_text_first_length] = 2;
        put_pf(label, dimension_text_leader1, 30, 50);
        put_pf(label, dimension_text_leader2, 40, 40);
        put_pf(label, dimension_text_leader3, 50, 40);
        put_pf(label, dimension_text_anchor, 41, 39);
        set_text(label, dimension_text_head, "25");
        return label;
    }
    // A leader from the tip (150, 60) to the bend (160, 40), shelf to (190, 40).
    static std::vector<uint8_t> leader_record(uint32_t key, uint16_t flags, const std::string& text, int first_length) {
        std::vector<uint8_t> leader = annotation(annotation_leader, leader_head, flags, key);
        leader[leader_first_length] = static_cast<uint8_t>(first_length);
        put_pf(leader, leader_point1, 150, 60);
        put_pf(leader, leader_point2, 160, 40);
        put_pf(leader, leader_point3, 190, 40);
        put_pf(leader, leader_text1, 161, 39);
        set_text(leader, leader_head, text);
        return leader;
    }
    void walk_dxf() {
        RecView v(4.0, 6);
        view_projection(v.v());
        dxf_output_active = 1;
        dxf_line_width = 0.0;  // as an element chain ending in line type 15 leaves it
        draw_view_dimensions(v.v(), 1);
        dxf_output_active = 0;
        EXPECT_TRUE(v.of_kind(call_line_to).empty());
    }

    static std::vector<uint8_t> tolerance(uint32_t key) {
        std::vector<uint8_t> t =
            annotation(annotation_tolerance, tolerance_head, static_cast<uint16_t>((3 << 2) | (3 << 6) | 0x200), key);
        t[tolerance_signs] = 2;
        t[tolerance_signs + 1] = 14;
        t[tolerance_signs + 2] = 17;
        put_pf(t, tolerance_frame1, 20, 200);
        put_pf(t, tolerance_frame2, 60, 208);
        put_f32(t.data(), tolerance_separator1, 10);
        put_f32(t.data(), tolerance_separator2, 30);
        put_pf(t, tolerance_leader_target, 10, 230);
        put_pf(t, tolerance_leader_start, 20, 215);
        put_pf(t, tolerance_frame_side, 20, 208);
        put_pf(t, tolerance_frame_side + 8, 20, 208);
        std::string text = V + "0,1\\n0,2\\n0,3" + D + "A\\nB,C\\nD";
        t[tolerance_text_length] = static_cast<uint8_t>(text.size());
        set_text(t, tolerance_head, text);
        return t;
    }

    // Calls drawn by the record with that key (between its test and the one before).
    std::vector<CanvasCall> calls_of(const RecView& v, uint32_t key) {
        size_t from = 0;
        for (const Asked& a : seen.asked) {
            if (a.key == key) return std::vector<CanvasCall>(v.rec.calls.begin() + static_cast<long>(from),
                                                             v.rec.calls.begin() + static_cast<long>(a.calls));
            from = a.calls;
        }
        ADD_FAILURE() << "record " << key << " was not tested";
        return {};
    }
    static size_t count(const std::vector<CanvasCall>& calls, int kind) {
        return static_cast<size_t>(std::count_if(calls.begin(), calls.end(), [&](const CanvasCall& c) { return c.kind == kind; }));
    }
    // Closed five-point paths: frames.
    static size_t frames(const std::vector<CanvasCall>& calls) {
        size_t n = 0;
        for (size_t i = 0; i + 4 < calls.size(); ++i) {
            if (calls[i].kind != call_move_to) continue;
            size_t lines = 0, j = i + 1;
            for (; j < calls.size() && calls[j].kind == call_line_to; ++j) ++lines;
            if (lines == 4 && calls[j - 1].args == calls[i].args) ++n;
        }
        return n;
    }
};

TEST_F(ViewWalk, EveryKindInOrderDamagedRecordsSkipped) {
    fixture();
    RecView v(4.0, 5);
    seen.rec = &v.rec;
    view_projection(v.v());
    EXPECT_EQ(draw_view_dimensions(v.v(), 1), 1);
    std::vector<uint32_t> keys;
    for (const Asked& a : seen.asked) keys.push_back(a.key);
    EXPECT_EQ(keys, (std::vector<uint32_t>{101, 102, 103, 104, 105, 201, 202, 203, 204, 205, 206, 207, 208, 213, 214}));
    for (uint32_t drawn : {101u, 102u, 103u, 104u, 201u, 203u, 205u, 206u, 207u, 208u, 213u, 214u})
        EXPECT_FALSE(calls_of(v, drawn).empty()) << drawn;
    EXPECT_TRUE(calls_of(v, 105).empty()) << "hidden dimension";
    EXPECT_TRUE(calls_of(v, 202).empty()) << "hidden label";
    EXPECT_TRUE(calls_of(v, 204).empty());
    EXPECT_EQ(seen.icons, (std::vector<uint32_t>{204}));

    // The linear dimension: two extension lines, two marks (open arrow
    // strokes and a tick), the dimension line.
    auto linear = calls_of(v, 101);
    EXPECT_EQ(count(linear, call_polygon), 0u);
    // The hidden diameter draws only its centre cross: two lines, 1 pixel, solid.
    auto cross = calls_of(v, 103);
    EXPECT_EQ(count(cross, call_move_to), 2u);
    // The angle's dimension line is an arc drawn as a polyline about (100, 50).
    auto angle = calls_of(v, 104);
    EXPECT_EQ(count(angle, call_polygon), 2u);
    EXPECT_GT(count(angle, call_line_to), 10u);
    // The leader: its arrow is style 3, a dot; the circle at the bend.
    auto leader = calls_of(v, 203);
    EXPECT_EQ(count(leader, call_ellipse), 1u);
    EXPECT_GE(count(leader, call_arc), 1u);
    // The tolerance frame of three rows: three row frames and one leader
    // with its arrow.
    auto tol = calls_of(v, 208);
    EXPECT_EQ(frames(tol), 3u);
    EXPECT_EQ(count(tol, call_polygon), 1u);
    EXPECT_EQ(tolerance_frame_rows(tolerance(1).data()), 3);
    // The section line: two filled strokes and two arrows.
    EXPECT_EQ(count(calls_of(v, 206), call_polygon), 4u);
    EXPECT_EQ(count(calls_of(v, 214), call_polygon), 4u);
    // Nothing left selected, nothing written, no failure.
    EXPECT_EQ(v.rec.live_objects, 0);
    EXPECT_EQ(error_flag, 0);
    // A printer view tests no pick marker.
    seen.asked.clear();
    RecView p(4.0, 9);
    p->device = output_printer;
    view_projection(p.v());
    EXPECT_EQ(draw_view_dimensions(p.v(), 1), 1);
    EXPECT_TRUE(seen.asked.empty());
    EXPECT_FALSE(p.rec.calls.empty());
}

TEST_F(ViewWalk, AHitDimensionBecomesThePickedRecordWithTheNearerEndsStyle) {
    fixture();
    for (int near_second : {0, 1}) {
        seen.asked.clear();
        seen.styles.clear();
        seen.hit = 101;
        seen.marker = near_second ? Point2{58, 50} : Point2{12, 50};
        RecView v(4.0, 5);
        view_projection(v.v());
        EXPECT_EQ(draw_view_dimensions(v.v(), 0), 5);  // the marker placed again
        EXPECT_EQ(dimension_pick_state.picked_dimension, static_cast<uint32_t>(chain_dimensions * 1000 + 1));
        EXPECT_EQ(dimension_pick_state.picked_dimension_end, near_second ? 2 : 1);
        EXPECT_EQ(seen.styles, (std::vector<int>{near_second ? 2 : 7}));
        EXPECT_EQ(seen.enabled, 1);
        // Later records are not tested.
        EXPECT_EQ(seen.asked.size(), 1u);
    }
}

TEST_F(ViewWalk, AnOpenRequestOpensThePickedAnnotationsDialog) {
    fixture();
    seen.hit = 205;
    dimension_pick_state.open_request = 1;
    RecView v(4.0, 5);
    view_projection(v.v());
    EXPECT_EQ(draw_view_dimensions(v.v(), 0), 77);
    EXPECT_EQ(seen.opened, (std::vector<uint32_t>{static_cast<uint32_t>(chain_annotation * 1000 + 5)}));
    EXPECT_EQ(seen.hides, 1);
    EXPECT_EQ(dimension_pick_state.open_request, 0);
    // With an open request a hit dimension is not picked and opens nothing.
    seen = Seen{};
    seen.hit = 101;
    dimension_pick_state.open_request = 1;
    RecView w(4.0, 5);
    view_projection(w.v());
    draw_view_dimensions(w.v(), 1);
    EXPECT_EQ(dimension_pick_state.picked_dimension, 0u);
    EXPECT_TRUE(seen.opened.empty());
}

TEST_F(ViewWalk, HatchIconsAreLeftOutOfTheLayoutWhenTheDrawingSaysSo) {
    fixture();
    put_u16(header, header_option_word_offset, 0x200);
    RecView layout(4.0, 6);
    view_projection(layout.v());
    draw_view_dimensions(layout.v(), 1);
    EXPECT_TRUE(seen.icons.empty());
    RecView annotation_stage(4.0, 5);
    view_projection(annotation_stage.v());
    draw_view_dimensions(annotation_stage.v(), 1);
    EXPECT_EQ(seen.icons.size(), 1u);
}

TEST_F(ViewWalk, InDxfModeEveryDimensionLineIsWrittenAtAQuarterMillimetre) {
    fake_add(chain_dimensions, dimension(101, 0, 0, 0, 0x13, {10, 50}, {60, 50}, {0, 0}, {{10, 10}, {10, 40}},
                                         {{60, 10}, {60, 40}}));
    fake_add(chain_annotation, label_record(201, 3 << 7));
    fake_add(chain_annotation, leader_record(203, 0, "", 0));
    walk_dxf();
    const auto& e = dxf_recorded_entities();
    ASSERT_FALSE(e.empty());
    auto is = [](const DxfEntity& x, Point2 a, Point2 b) {
        return x.kind == dxf_line_entity && std::fabs(x.points[0].x - a.x) < 1e-6 && std::fabs(x.points[0].y - a.y) < 1e-6 &&
               std::fabs(x.points[1].x - b.x) < 1e-6 && std::fabs(x.points[1].y - b.y) < 1e-6;
    };
    int checked = 0;
    for (const DxfEntity& x : e) {
        EXPECT_GT(x.width, 0.0) << "an entity written at width 0 is lost";
        // The extension lines, the dimension line and the leader lines drawn after the label's glyphs.
        if (is(x, {10, 10}, {10, 51.2}) || is(x, {60, 10}, {60, 51.2}) || is(x, {10, 50}, {60, 50}) ||
            is(x, {160, 40}, {150, 60}) || is(x, {160, 40}, {190, 40})) {
            EXPECT_EQ(x.width, 0.25);
            ++checked;
        }
        if (x.kind == dxf_filled_shapes_entity) {
            EXPECT_EQ(x.width, 0.25);
        }
    }
    EXPECT_EQ(checked, 5);
}

TEST_F(ViewWalk, InDxfModeFrameLinesAfterTextsKeepTheirWidth) {
    // A tolerance frame (texts between its lines) and a leader with stacked
    // notes (a rule under each text line).
    fake_add(chain_annotation, tolerance(208));
    fake_add(chain_annotation,
             leader_record(203, static_cast<uint16_t>(5 | (3 << 7) | 0x40 | (4 << 11)), "AB\\nC", 1));
    walk_dxf();
    int separators = 0, rules = 0, frames = 0;
    for (const DxfEntity& x : dxf_recorded_entities()) {
        if (x.kind == dxf_rectangle_entity) {
            EXPECT_EQ(x.width, 0.25);
            ++frames;
        }
        if (x.kind != dxf_line_entity) continue;
        bool vertical = std::fabs(x.points[0].x - x.points[1].x) < 1e-9;
        bool horizontal = std::fabs(x.points[0].y - x.points[1].y) < 1e-9;
        // The separators of the frame: vertical lines at x = 30 and 50, a row high.
        if (vertical && (std::fabs(x.points[0].x - 30) < 1e-9 || std::fabs(x.points[0].x - 50) < 1e-9) &&
            std::fabs(std::fabs(x.points[1].y - x.points[0].y) - 8) < 1e-9) {
            EXPECT_EQ(x.width, 0.25);
            ++separators;
        }
        // The rules under the stacked notes, from the left x to the right x.
        if (horizontal && std::fabs(x.points[0].x - 160) < 1e-9 && std::fabs(x.points[1].x - 190) < 1e-9) {
            EXPECT_EQ(x.width, 0.25);
            ++rules;
        }
    }
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(separators, 6);
    EXPECT_EQ(rules, 3);  // the shelf and the two rules
}

}  // namespace
