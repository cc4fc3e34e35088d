// The portable rules of the annotation stage that need no drawing: record
// checks, moves of whole records, the trailing-number increment, snapping,
// leader and tolerance layout, moves with and without Ctrl, the binding on
// release and the dimension-line drags.
#include "annotation/annotation_layout.h"
#include "annotation/annotation_move.h"
#include "annotation/annotation_records.h"
#include "annotation/annotation_texts.h"
#include "annotation/annotation_tools.h"
#include "annotation/roughness_placement.h"
#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

RecordBytes record_of(int kind, size_t head, const std::string& text = std::string()) {
    RecordBytes packed = pack_whole_text(text);
    RecordBytes r(head, 0);
    r.insert(r.end(), packed.begin(), packed.end());
    put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
    r[record_kind] = static_cast<uint8_t>(kind);
    return r;
}
void put_pair(RecordBytes& r, uint32_t at, double x, double y) {
    put_f32(r.data(), at, static_cast<float>(x));
    put_f32(r.data(), at + 4, static_cast<float>(y));
}
Point2 pair(const RecordBytes& r, uint32_t at) { return {get_f32(r.data(), at), get_f32(r.data(), at + 4)}; }
double mm(double v) { return sheet_to_model_length(v); }

class AnnotationGeometry : public ::testing::Test {
protected:
    void SetUp() override { kernel_context_set_defaults(); }
};

// ---------------------------------------------------------------- texts

TEST_F(AnnotationGeometry, TrailingNumberGrowsByOneInDecimal) {
    struct Case {
        const char* in;
        const char* out;
        bool changed;
    } cases[] = {
        {"9", "10", true},
        {"a 9  ", "a 10", true},        // blanks after the number dropped
        {"поз. 41", "поз. 42", true},
        {"007", "8", true},             // leading zeros dropped, as %u prints
        {"x0", "x1", true},
        {"99999999999999999999", "100000000000000000000", true},  // past 32 bits
        {"4294967295", "4294967296", true},
        {"без номера", "без номера", false},
        {"12a", "12a", false},
        {"", "", false},
        {"   ", "   ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        bool changed = !c.changed;
        EXPECT_EQ(increment_trailing_number(c.in, &changed), c.out);
        EXPECT_EQ(changed, c.changed);
    }
}

TEST_F(AnnotationGeometry, TextsPackWholeOrAreRefused) {
    // One-class text and a worst-case text that switches class on every
    // character (side-class symbols between Cyrillic letters).
    std::string plain, mixed;
    for (int i = 0; i < 4000; ++i) plain += static_cast<char>('a' + i % 26);
    for (int i = 0; i < 2000; ++i) mixed += (i % 2) ? "\xb0" : "\xc6";
    for (const std::string* base : {&plain, &mixed}) {
        for (int room : {int(leader_text_room), int(tolerance_text_room), int(roughness_text_room)}) {
            // The longest prefix whose packed form fits, found with the codec.
            size_t lo = 0, hi = base->size();
            while (lo < hi) {
                size_t mid = (lo + hi + 1) / 2;
                if (static_cast<int>(pack_whole_text(base->substr(0, mid)).size()) <= room) lo = mid;
                else hi = mid - 1;
            }
            size_t fit = lo;
            ASSERT_GT(fit, 0u);
            ASSERT_LT(fit, base->size());
            for (size_t n : {fit - 1, fit}) {
                RecordBytes out;
                ASSERT_TRUE(pack_text_into_room(base->substr(0, n), room, &out));
                EXPECT_LE(static_cast<int>(out.size()), room);
                EXPECT_EQ(unpack_whole_text(out.data(), static_cast<int>(out.size())), base->substr(0, n));
            }
            RecordBytes untouched = {1, 2, 3};
            EXPECT_FALSE(pack_text_into_room(base->substr(0, fit + 1), room, &untouched));
            EXPECT_EQ(untouched, (RecordBytes{1, 2, 3}));
        }
    }
}

// ---------------------------------------------------------------- records

TEST_F(AnnotationGeometry, MalformedRecordsAreTold) {
    struct Case {
        const char* what;
        RecordBytes rec;
        AnnotationFault fault;
    };
    std::vector<Case> cases;
    cases.push_back({"leader ok", record_of(annotation_leader, leader_head, "ab"), annotation_record_ok});
    cases.push_back({"kind 7", record_of(7, 66), annotation_fault_kind});
    cases.push_back({"leader head cut", record_of(annotation_leader, 60), annotation_fault_length});
    cases.push_back({"tolerance head cut", record_of(annotation_tolerance, 70), annotation_fault_length});
    cases.push_back({"label head cut", record_of(annotation_dimension_text, 50), annotation_fault_length});
    {
        RecordBytes r = record_of(annotation_leader, leader_head, "ab");
        r.push_back(7);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        cases.push_back({"odd packed text", r, annotation_fault_odd_text});
    }
    {
        RecordBytes r = record_of(annotation_leader, leader_head, "ab");
        r[leader_first_length] = 3;
        cases.push_back({"upper length past text", r, annotation_fault_text_lengths});
        r[leader_first_length] = 2;
        cases.push_back({"upper length at text", r, annotation_record_ok});
    }
    {
        RecordBytes r = record_of(annotation_roughness, roughness_head, "Ra1");
        r[roughness_lengths] = 2, r[roughness_lengths + 1] = 1, r[roughness_lengths + 2] = 1;
        cases.push_back({"roughness parts past text", r, annotation_fault_text_lengths});
        r[roughness_lengths + 2] = 0;
        cases.push_back({"roughness parts fit", r, annotation_record_ok});
    }
    {
        RecordBytes r = record_of(annotation_section, section_nodes + 16);
        r[section_nodes_count] = 3;
        cases.push_back({"section count past length", r, annotation_fault_nodes});
        r[section_nodes_count] = 0;
        cases.push_back({"section without nodes", r, annotation_fault_nodes});
        r[section_nodes_count] = 2;
        cases.push_back({"section of two nodes", r, annotation_record_ok});
    }
    {
        RecordBytes r = record_of(annotation_text_fragment, text_fragment_head);
        r.resize(2046, 0);
        put_u16(r.data(), record_length, 2046);
        cases.push_back({"past the record limit", r, annotation_fault_length});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(annotation_record_check(c.rec.data()), c.fault);
    }
    EXPECT_EQ(annotation_record_check(nullptr), annotation_fault_kind);
    // Measuring skips them: no metrics from a broken leader or label.
    TextMetrics m{};
    RecordBytes broken = record_of(annotation_leader, leader_head, "ab");
    broken[leader_first_length] = 9;
    EXPECT_EQ(measure_annotation_text(broken.data(), &m), 0);
    RecordBytes sign = record_of(annotation_roughness, roughness_head);
    EXPECT_EQ(measure_annotation_text(sign.data(), &m), 0);  // a 36-byte head is no leader
}

TEST_F(AnnotationGeometry, WholeRecordsMoveByOffsets) {
    RecordBytes leader = record_of(annotation_leader, leader_head);
    for (uint32_t at : {leader_point1, leader_point2, leader_point3, leader_text1, leader_text2})
        put_pair(leader, at, 10, 20);
    translate_leader_record(leader.data(), 3, -4);
    EXPECT_EQ(pair(leader, leader_point3).x, 13);
    EXPECT_EQ(pair(leader, leader_text1).y, 16);
    EXPECT_EQ(pair(leader, leader_text2).x, 10);  // no lower text: stays
    put_u16(leader.data(), annotation_flags, 0x40);
    translate_leader_record(leader.data(), 3, -4);
    EXPECT_EQ(pair(leader, leader_text2).x, 13);
    EXPECT_EQ(pair(leader, leader_point1).x, 16);

    RecordBytes section = record_of(annotation_section, section_nodes + 16);
    section[section_nodes_count] = 2;
    put_pair(section, section_anchor4, 1, 1);
    put_pair(section, section_nodes + 8, 5, 6);
    translate_section_record(section.data(), 1, 2);
    EXPECT_EQ(pair(section, section_anchor4).y, 3);
    EXPECT_EQ(pair(section, section_nodes + 8).x, 6);
    EXPECT_EQ(pair(section, section_nodes + 8).y, 8);

    struct Case {
        double angle, baseline_after;
    } cases[] = {{0.0, 7.0 + 5.0}, {1.5707963, 7.0 + 2.0}};
    for (const Case& c : cases) {
        RecordBytes t = record_of(annotation_text_fragment, text_fragment_head);
        put_f64(t.data(), text_fragment_angle, c.angle);
        put_f32(t.data(), text_fragment_baseline, 7.0f);
        put_pair(t, text_fragment_corner1, 0, 0);
        put_pair(t, text_fragment_frame2, 9, 9);
        translate_text_fragment_record(t.data(), 2, 5);
        EXPECT_EQ(get_f32(t.data(), text_fragment_baseline), c.baseline_after);
        EXPECT_EQ(pair(t, text_fragment_corner1).y, 5);
        EXPECT_EQ(pair(t, text_fragment_frame2).x, 11);
    }
}

TEST_F(AnnotationGeometry, LeaderTextsSplitAtTheUpperLength) {
    RecordBytes r = record_of(annotation_leader, leader_head, "M10под");
    r[leader_first_length] = 3;
    std::string up, low;
    bool two = true;
    ASSERT_TRUE(leader_record_copy_texts(r.data(), &up, &low, &two));
    EXPECT_EQ(up, "M10");
    EXPECT_EQ(low, "");
    EXPECT_FALSE(two);  // bit 6 clear: no lower text
    put_u16(r.data(), annotation_flags, 0x40);
    ASSERT_TRUE(leader_record_copy_texts(r.data(), &up, &low, &two));
    EXPECT_EQ(low, "под");
    EXPECT_TRUE(two);
    RecordBytes empty = record_of(annotation_leader, leader_head);
    empty.resize(68, 0);
    put_u16(empty.data(), record_length, 68);
    put_u16(empty.data(), annotation_flags, 0x40);
    ASSERT_TRUE(leader_record_copy_texts(empty.data(), &up, &low, &two));
    EXPECT_EQ(up, "");
    EXPECT_FALSE(two);
}

// ---------------------------------------------------------------- builders

TEST_F(AnnotationGeometry, SectionTakesNodesUpTo249) {
    RecordBytes s = build_new_section(1, 2);
    EXPECT_EQ(s.size(), 58u);
    EXPECT_EQ(s[record_kind], annotation_section);
    EXPECT_EQ(s[section_nodes_count], 1);
    EXPECT_EQ(get_u16(s.data(), annotation_flags) & 1, 1);
    for (int i = 2; i <= 249; ++i) {
        RecordBytes next;
        const char* refusal = nullptr;
        ASSERT_TRUE(build_section_with_node(s.data(), i, -i, &next, &refusal)) << i;
        s = next;
    }
    EXPECT_EQ(s.size(), 2042u);
    EXPECT_EQ(get_u16(s.data(), record_length), 2042);
    EXPECT_EQ(s[section_nodes_count], 249);
    EXPECT_EQ(pair(s, section_nodes + 8 * 248).x, 249);
    EXPECT_EQ(annotation_record_check(s.data()), annotation_record_ok);
    RecordBytes refused = {9};
    const char* refusal = nullptr;
    EXPECT_FALSE(build_section_with_node(s.data(), 0, 0, &refused, &refusal));
    EXPECT_STREQ(refusal, "Зачем столько узловых точек сечения?");
    EXPECT_EQ(refused, RecordBytes{9});
}

TEST_F(AnnotationGeometry, NewLeaderAndToleranceHeads) {
    RecordBytes l = build_new_leader(100, 50);
    EXPECT_EQ(l.size(), 68u);
    EXPECT_EQ(get_u16(l.data(), record_length), 68);
    uint16_t f = get_u16(l.data(), annotation_flags);
    EXPECT_EQ(f & 0x0F, 3);
    EXPECT_EQ(f & 0x10, 0x10);
    EXPECT_LE((f >> 7) & 0x0F, 9);
    double h = mm(1.2);
    EXPECT_FLOAT_EQ(pair(l, leader_point1).x, 100 - h / 2);
    EXPECT_FLOAT_EQ(pair(l, leader_point3).x, 100 + h / 2);
    EXPECT_EQ(pair(l, leader_point3).y, 50);

    RecordBytes t = build_new_tolerance(77, 3, 4);
    EXPECT_EQ(t.size(), 74u);
    EXPECT_EQ(get_u32(t.data(), tolerance_element), 77u);
    EXPECT_EQ(pair(t, tolerance_leader_target).x, 3);
    EXPECT_EQ(get_f32(t.data(), tolerance_frame2 + 4), 4);
    EXPECT_EQ(get_f32(t.data(), tolerance_frame_side), FLT_MAX);
}

// ---------------------------------------------------------------- layout

TEST_F(AnnotationGeometry, SnapToTheFirstPointWithinOnePixel) {
    struct Case {
        PointF p0, p1;
        double shelf;
        PointF want;
        int y_snapped;
    } cases[] = {
        {{10, 10}, {10.5f, 30}, 5, {10, 30}, 0},        // x within a pixel
        {{10, 10}, {4.6f, 30}, 5, {5, 30}, 0},          // the shelf's other end meets it
        {{10, 10}, {12, 10.5f}, 5, {12, 10}, 1},        // y within a pixel
        {{10, 10}, {13, 13}, 5, {13, 13}, 0},           // nothing near
        {{10, 10}, {10.9f, 10.9f}, 5, {10, 10}, 1},
    };
    for (const Case& c : cases) {
        PointF p[2] = {c.p0, c.p1};
        EXPECT_EQ(snap_to_first_point(p, 1, c.shelf, 1.0), c.y_snapped);
        EXPECT_FLOAT_EQ(p[1].x, c.want.x);
        EXPECT_FLOAT_EQ(p[1].y, c.want.y);
    }
}

TEST_F(AnnotationGeometry, LeaderShelfAndTexts) {
    TextMetrics m{};
    m.line[0] = {4.0, 5.0, 20.0};  // rise, height, width
    RecordBytes r = build_new_leader(0, 0);
    put_u16(r.data(), annotation_flags, static_cast<uint16_t>(3 | (2 << 7)));
    put_pair(r, leader_point1, -40, -30);
    double th = mm(text_settings.text_heights[2]);
    double shelf = 20 + th;
    leader_layout(r.data(), m, 100, 50, 0.0);
    double sy = 50 + mm(1.24) - 5.0;
    // The shelf is centred on the point; the leader (coming from the left,
    // below) joins its left end.
    EXPECT_FLOAT_EQ(pair(r, leader_point2).x, 100 - shelf / 2);
    EXPECT_FLOAT_EQ(pair(r, leader_point3).x, 100 + shelf / 2);
    EXPECT_FLOAT_EQ(pair(r, leader_point2).y, sy);
    EXPECT_FLOAT_EQ(pair(r, leader_text1).x, 100 - 10);
    EXPECT_EQ(pair(r, leader_point1).x, -40);  // the arrow end never moves
    // y grows downward and a text is anchored on its base line: rise 4
    // above it, depth 5 - 4 = 1 below.  The upper text's lowest point is a
    // quarter text height over the shelf.
    EXPECT_FLOAT_EQ(pair(r, leader_text1).y, sy - th / 4 - 1.0);

    // A shelf end within one pixel of the arrow end's x takes exactly it.
    put_pair(r, leader_point1, 100 - shelf / 2 + 0.4, -30);
    leader_layout(r.data(), m, 100, 50, 1.0);
    EXPECT_EQ(pair(r, leader_point2).x, pair(r, leader_point1).x);

    // Frame code 1 (circle): the third point is the point, the second lies
    // the frame's size further along the leader.
    put_u16(r.data(), annotation_flags, static_cast<uint16_t>(3 | (2 << 7) | (1 << 11)));
    put_pair(r, leader_point1, 0, 0);
    leader_layout(r.data(), m, 30, 40, 0.0);
    Point2 p2 = pair(r, leader_point2), p3 = pair(r, leader_point3);
    EXPECT_FLOAT_EQ(p3.x, 30);
    EXPECT_FLOAT_EQ(p3.y, 40);
    double size = std::max(th / 4 * 6 + 5.0, mm(2.5));
    EXPECT_NEAR(p2.x, 30 + 0.6 * size, 1e-3);
    EXPECT_NEAR(p2.y, 40 + 0.8 * size, 1e-3);
    // The text's box (4 above the base line, 1 below) is centred between
    // the two points.
    Point2 mid = {30 + 0.3 * size, 40 + 0.4 * size};
    EXPECT_NEAR(pair(r, leader_text1).x, mid.x - 10, 1e-3);
    EXPECT_NEAR(pair(r, leader_text1).y - 4 + 2.5, mid.y, 1e-3);
}

// Two texts: the upper one over the shelf, the shelf, the lower one under
// it, each a quarter text height clear of the shelf and centred on it.
TEST_F(AnnotationGeometry, LeaderShelfRunsBetweenItsTwoTexts) {
    TextMetrics m{};
    m.line[0] = {4.0, 5.0, 20.0};  // rise 4 over the base line, depth 1
    m.line[1] = {3.0, 3.5, 12.0};  // rise 3, depth 0.5
    double th = mm(text_settings.text_heights[2]);
    struct Case {
        int code;
        double lower_top;  // the lower text's top: the shelf's y plus this
    } cases[] = {{0, th / 4}, {2, th / 4}, {5, th / 4}, {4, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        RecordBytes r = build_new_leader(0, 0);
        put_u16(r.data(), annotation_flags, static_cast<uint16_t>(3 | 0x40 | (2 << 7) | (c.code << 11)));
        put_pair(r, leader_point1, -40, 80);
        leader_layout(r.data(), m, 100, 50, 0.0);
        double sy = 50 + mm(1.24) - 5.0;
        double shelf = c.code == 2 ? 20 + 4 * std::tan(3.14159265358979323846 / 6) * 5.0 : 20 + th;
        double left = 100 - shelf / 2, middle = left + shelf / 2;
        EXPECT_FLOAT_EQ(pair(r, leader_point2).y, sy);
        EXPECT_FLOAT_EQ(pair(r, leader_point3).y, sy);
        Point2 up = pair(r, leader_text1), low = pair(r, leader_text2);
        // Upper: base line at sy - th/4 - depth; its box [y - 4, y + 1].
        EXPECT_FLOAT_EQ(up.x, middle - 10);
        EXPECT_FLOAT_EQ(up.y, sy - th / 4 - 1.0);
        EXPECT_LT(up.y + 1.0, sy);
        // Lower: top at sy + lower_top, base line 3 further down.
        EXPECT_FLOAT_EQ(low.x, middle - 6);
        EXPECT_FLOAT_EQ(low.y, sy + c.lower_top + 3.0);
        EXPECT_GE(low.y - 3.0, sy - 1e-4);
    }
}

TEST_F(AnnotationGeometry, ToleranceLeaderEndsOnTheElement) {
    auto frame = [] {
        RecordBytes t = build_new_tolerance(1, 0, 0);
        put_u16(t.data(), annotation_flags, static_cast<uint16_t>(1 | (2 << 2)));
        put_pair(t, tolerance_frame1, 0, 0);
        put_pair(t, tolerance_frame2, 30, 0);
        return t;
    };
    struct Case {
        const char* what;
        ToleranceTarget element;
        Point2 target;
        Point2 want;
    } cases[] = {
        {"line foot", {1, {{0, -50}, {100, -50}, {0, 0}}}, {40, -20}, {40, -50}},
        {"line foot kept on the line", {1, {{0, -50}, {10, -50}, {0, 0}}}, {40, -20}, {10, -50}},
        {"circle direction", {2, {{10, -60}, {0, -60}, {0, 0}}}, {0, -20}, {0, -50}},
        // Kind 3 runs clockwise from start to end: the quarter from 90 to 0 degrees.
        {"arc inside its sweep", {3, {{0, -40}, {20, -60}, {0, -60}}}, {30, -30}, {20 * std::sqrt(0.5), -60 + 20 * std::sqrt(0.5)}},
        {"arc outside: nearer end", {3, {{0, -40}, {20, -60}, {0, -60}}}, {-30, -70}, {0, -40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordBytes t = frame();
        put_pair(t, tolerance_leader_target, c.target.x, c.target.y);
        ASSERT_TRUE(tolerance_layout(t.data(), c.element, 0, 0, false));
        EXPECT_NEAR(pair(t, tolerance_leader_target).x, c.want.x, 1e-3);
        EXPECT_NEAR(pair(t, tolerance_leader_target).y, c.want.y, 1e-3);
        EXPECT_NE(get_f32(t.data(), tolerance_frame_side), FLT_MAX);
        // The leader start lies on the frame's outline.
        Point2 s = pair(t, tolerance_leader_start);
        double bottom = get_f32(t.data(), tolerance_frame1 + 4);
        bool on_side = std::fabs(s.y - bottom) < 1e-3 || std::fabs(s.y) < 1e-3 || std::fabs(s.x) < 1e-3 ||
                       std::fabs(s.x - 30) < 1e-3;
        EXPECT_TRUE(on_side) << s.x << " " << s.y;
    }
}

TEST_F(AnnotationGeometry, ToleranceFrameStaysWhenLaidOutAtItsStoredCorner) {
    RecordBytes t = build_new_tolerance(1, 0, 0);
    put_u16(t.data(), annotation_flags, static_cast<uint16_t>(1 | (3 << 2)));
    put_pair(t, tolerance_frame1, 12, 0);
    put_pair(t, tolerance_frame2, 40, 33);
    put_pair(t, tolerance_leader_target, 0, -100);
    ToleranceTarget line{1, {{-100, -100}, {100, -100}, {0, 0}}};
    ASSERT_TRUE(tolerance_layout(t.data(), line, 12, 33, false));
    RecordBytes once = t;
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(tolerance_layout(t.data(), line, get_f32(t.data(), tolerance_frame1),
                                     get_f32(t.data(), tolerance_frame2 + 4), false));
    EXPECT_EQ(t, once);
    double row = mm(text_settings.text_heights[3] + 2.48);
    EXPECT_FLOAT_EQ(get_f32(t.data(), tolerance_frame1 + 4), 33 - row);
    EXPECT_FLOAT_EQ(get_f32(t.data(), tolerance_frame2), 40);
    // Moved with the target: the target keeps its offset from the frame
    // before it is put on the element again.
    ASSERT_TRUE(tolerance_layout(t.data(), line, 22, 43, true));
    EXPECT_FLOAT_EQ(pair(t, tolerance_leader_target).x, 10);
    EXPECT_FLOAT_EQ(pair(t, tolerance_leader_target).y, -100);
}

TEST_F(AnnotationGeometry, RoughnessTipOnTheExtensionLine) {
    struct Case {
        Point2 a, b, click, want;
    } cases[] = {
        {{0, 0}, {10, 10}, {0, 10}, {5, 5}},     // projected
        {{10, 10}, {0, 0}, {-5, -3}, {0, 0}},    // before the box: smaller-x end
        {{10, 10}, {0, 0}, {20, 30}, {10, 10}},  // beyond it: larger-x end
        {{3, 8}, {3, 2}, {9, -4}, {3, 2}},       // vertical: smaller-y end
        {{3, 8}, {3, 2}, {-1, 5}, {3, 5}},
        {{3, 8}, {3, 2}, {0, 50}, {3, 8}},
    };
    for (const Case& c : cases) {
        Point2 p = snap_roughness_to_extension_line(c.a, c.b, c.click);
        EXPECT_NEAR(p.x, c.want.x, 1e-9);
        EXPECT_NEAR(p.y, c.want.y, 1e-9);
    }
}

// ---------------------------------------------------------------- moving

TEST_F(AnnotationGeometry, BoundRecordsMoveOnlyWithCtrl) {
    AnnotationStage s;
    s.grab_dx = 1, s.grab_dy = 2;
    RecordBytes text = record_of(annotation_text_fragment, text_fragment_head);
    put_pair(text, text_fragment_corner1, 5, 5);
    put_u32(text.data(), text_fragment_binding, 12);
    RecordBytes before = text;
    EXPECT_EQ(move_record_step(text.data(), s, 50, 60, false), annotation_move_refused_bound);
    EXPECT_EQ(text, before);
    EXPECT_EQ(move_record_step(text.data(), s, 50, 60, true), annotation_move_done);
    EXPECT_EQ(get_u32(text.data(), text_fragment_binding), 0u);
    EXPECT_EQ(pair(text, text_fragment_corner1).x, 49);
    EXPECT_EQ(pair(text, text_fragment_corner1).y, 58);

    RecordBytes hatch = record_of(annotation_hatching, hatching_record_size);
    EXPECT_EQ(move_record_step(hatch.data(), s, 7, 8, false), annotation_move_done);
    EXPECT_EQ(pair(hatch, hatching_seed).x, 7);

    RecordBytes section = build_new_section(0, 0);
    s.grabbed_node = 1;  // no such node: nothing moves
    RecordBytes sb = section;
    EXPECT_EQ(move_record_step(section.data(), s, 9, 9, false), annotation_move_done);
    EXPECT_EQ(pair(section, section_nodes).x, 0);
    s.grabbed_node = 0;
    EXPECT_EQ(move_record_step(section.data(), s, 9, 9, false), annotation_move_done);
    EXPECT_EQ(pair(section, section_nodes).x, 9);
}

TEST_F(AnnotationGeometry, ReleaseWithAltBindsAndPlacesOnThePoint) {
    RecordBytes text = record_of(annotation_text_fragment, text_fragment_head);
    put_pair(text, text_fragment_corner1, 0, 0);
    put_pair(text, text_fragment_corner2, 10, 4);
    ASSERT_TRUE(bind_annotation_on_release(text.data(), true, 33, {100, 200}));
    EXPECT_EQ(get_u32(text.data(), text_fragment_binding), 33u);
    EXPECT_EQ(pair(text, text_fragment_corner1).x, 100);  // upper left corner on the point
    EXPECT_EQ(get_f32(text.data(), text_fragment_corner2 + 4), 200);
    ASSERT_TRUE(bind_annotation_on_release(text.data(), false, 0, {0, 0}));
    EXPECT_EQ(get_u32(text.data(), text_fragment_binding), 0u);

    RecordBytes leader = build_new_leader(0, 0);
    ASSERT_TRUE(bind_annotation_on_release(leader.data(), true, 5, {7, 8}));
    EXPECT_EQ(get_u32(leader.data(), leader_binding), 5u);
    EXPECT_EQ(pair(leader, leader_point1).x, 7);
    EXPECT_EQ(pair(leader, leader_point1).y, 8);

    RecordBytes section = build_new_section(1, 1);
    ASSERT_TRUE(bind_annotation_on_release(section.data(), true, 6, {4, 4}));
    EXPECT_EQ(pair(section, section_nodes).x, 4);
    EXPECT_EQ(get_u32(section.data(), section_binding), 6u);

    RecordBytes sign = record_of(annotation_roughness, roughness_head);
    EXPECT_FALSE(bind_annotation_on_release(sign.data(), true, 6, {4, 4}));
}

RecordBytes straight_dimension(Point2 a, Point2 b, Point2 e1, Point2 e2) {
    RecordBytes d(dimension_record_size, 0);
    put_u16(d.data(), record_length, dimension_record_size);
    put_u16(d.data(), dimension_value_word, 0x8000 | (1 << 4));
    put_pair(d, dimension_line_start, a.x, a.y);
    put_pair(d, dimension_line_end, b.x, b.y);
    put_pair(d, dimension_extension1, e1.x, e1.y);
    put_pair(d, dimension_extension1 + 8, a.x, a.y);
    put_pair(d, dimension_extension2, e2.x, e2.y);
    put_pair(d, dimension_extension2 + 8, b.x, b.y);
    return d;
}

// The extension line a roughness sign goes to: of the lines the value
// word shows (bits 0 and 1, none under bit 3) the nearer one within the
// slack, a line whose ends coincide counting as none.  Lines at x 10 and
// 90 from y 50 to the dimension line at y 60.
TEST_F(AnnotationGeometry, RoughnessTakesTheNearerShownExtensionLine) {
    struct Case {
        const char* what;
        uint16_t shown;   // value-word bits 0..3
        bool flat_first;  // the first line's ends coincide
        Point2 click;
        double slack;
        int line;  // 0: none
        double distance;
    } cases[] = {
        {"near the first", 0x3, false, {12, 55}, 5, 1, 2},
        {"near the second", 0x3, false, {87, 58}, 5, 2, 3},
        {"beyond a line's end", 0x3, false, {10, 64}, 5, 1, 4},
        {"between, within no slack", 0x3, false, {49, 55}, 5, 0, 0},
        {"between, any distance", 0x3, false, {49, 55}, DBL_MAX, 1, 39},
        {"second shown only", 0x2, false, {12, 55}, DBL_MAX, 2, 78},
        {"dimension not shown", 0xB, false, {12, 55}, DBL_MAX, 0, 0},
        {"first line a point", 0x1, true, {10, 55}, DBL_MAX, 0, 0},
    };
    for (const Case& c : cases) {
        RecordBytes d = straight_dimension({10, 60}, {90, 60}, {10, 50}, {90, 50});
        put_u16(d.data(), dimension_value_word, static_cast<uint16_t>(0x8000 | (1 << 4) | c.shown));
        if (c.flat_first) put_pair(d, dimension_extension1 + 8, 10, 50);
        int line = 0;
        double distance = -1;
        bool found = roughness_nearest_extension_line(d.data(), c.click.x, c.click.y, c.slack, &line, &distance);
        EXPECT_EQ(found, c.line != 0) << c.what;
        if (!found) continue;
        EXPECT_EQ(line, c.line) << c.what;
        EXPECT_NEAR(distance, c.distance, 1e-4) << c.what;
    }
}

TEST_F(AnnotationGeometry, DimensionLineMovesParallel) {
    struct Case {
        const char* what;
        Point2 a, b, e1, e2, mouse;
    } cases[] = {
        {"horizontal takes the mouse y", {0, 20}, {50, 20}, {0, 0}, {50, 0}, {13, 35}},
        {"vertical takes the mouse x", {-20, 0}, {-20, 30}, {0, 0}, {0, 30}, {-44, 7}},
        {"slanted", {0, 10}, {10, 20}, {5, 5}, {15, 15}, {3, 30}},
    };
    AnnotationStage s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordBytes d = straight_dimension(c.a, c.b, c.e1, c.e2);
        int hint = -1;
        ASSERT_TRUE(dimension_drag_step(d.data(), &s, c.mouse.x, c.mouse.y, false, &hint));
        EXPECT_EQ(hint, 0);
        Point2 na = pair(d, dimension_line_start), nb = pair(d, dimension_line_end);
        double dx = c.b.x - c.a.x, dy = c.b.y - c.a.y;
        // Still parallel, through the mouse, each end on the perpendicular
        // through its extension line's start.
        EXPECT_NEAR((nb.x - na.x) * dy - (nb.y - na.y) * dx, 0, 1e-3);
        EXPECT_NEAR((c.mouse.x - na.x) * dy - (c.mouse.y - na.y) * dx, 0, 1e-3);
        EXPECT_NEAR((na.x - c.e1.x) * dx + (na.y - c.e1.y) * dy, 0, 1e-3);
        EXPECT_NEAR((nb.x - c.e2.x) * dx + (nb.y - c.e2.y) * dy, 0, 1e-3);
        uint16_t v = get_u16(d.data(), dimension_value_word);
        EXPECT_EQ(v & 0x0800, 0x0800);
        EXPECT_EQ(v & 0x8000, 0);
    }
    RecordBytes h = straight_dimension({0, 20}, {50, 20}, {0, 0}, {50, 0});
    dimension_drag_step(h.data(), &s, 13, 35, false, nullptr);
    EXPECT_FLOAT_EQ(pair(h, dimension_line_start).y, 35);
    EXPECT_FLOAT_EQ(pair(h, dimension_line_end).x, 50);
    EXPECT_FLOAT_EQ(pair(h, dimension_extension2 + 8).y, 35);  // extension line follows
}

TEST_F(AnnotationGeometry, DimensionLineWithoutExtensionLinesMovesFreeWithCtrl) {
    AnnotationStage s;
    RecordBytes d = straight_dimension({0, 0}, {10, 0}, {0, 0}, {10, 0});
    int hint = 0;
    dimension_drag_step(d.data(), &s, 5, 1, true, &hint);  // takes the offsets
    EXPECT_EQ(hint, 2);
    dimension_drag_step(d.data(), &s, 25, 11, true, &hint);
    EXPECT_FLOAT_EQ(pair(d, dimension_line_start).x, 20);
    EXPECT_FLOAT_EQ(pair(d, dimension_line_start).y, 10);
    EXPECT_FLOAT_EQ(pair(d, dimension_line_end).x, 30);
    // With extension lines Ctrl still moves it parallel (hint mode 3).
    RecordBytes e = straight_dimension({0, 20}, {50, 20}, {0, 0}, {50, 0});
    dimension_drag_step(e.data(), &s, 13, 35, true, &hint);
    EXPECT_EQ(hint, 3);
    EXPECT_FLOAT_EQ(pair(e, dimension_line_start).x, 0);
}

TEST_F(AnnotationGeometry, ArcFlipsThroughItsCentreOnce) {
    AnnotationStage s;
    RecordBytes d(dimension_record_size, 0);
    put_u16(d.data(), dimension_value_word, 3 << 4);
    put_pair(d, dimension_centre, 0, 0);
    put_pair(d, dimension_line_start, 30, 0);
    put_pair(d, dimension_line_end, 0, 30);
    dimension_drag_step(d.data(), &s, 40, 30, false, nullptr);  // radius 50
    EXPECT_NEAR(pair(d, dimension_line_start).x, 50, 1e-3);
    EXPECT_NEAR(pair(d, dimension_line_end).y, 50, 1e-3);
    double r12 = mm(12), r13 = mm(13.2);
    EXPECT_TRUE(dimension_arc_step(d.data(), &s, r12 * 0.5, 0));
    EXPECT_NEAR(pair(d, dimension_line_start).x, -r13, 1e-3);
    EXPECT_NEAR(pair(d, dimension_line_end).y, -r13, 1e-3);
    // The cursor goes to the middle of the flipped arc; the step the
    // cursor's own move makes there leaves the arc as it stands.
    Point2 cursor = dimension_arc_cursor_point(d.data());
    EXPECT_NEAR(cursor.x, -r13 / std::sqrt(2.0), 1e-3);
    EXPECT_NEAR(cursor.y, -r13 / std::sqrt(2.0), 1e-3);
    {
        RecordBytes same = d;
        AnnotationStage t = s;
        bool flipped = true;
        EXPECT_TRUE(dimension_drag_step(same.data(), &t, cursor.x, cursor.y, false, nullptr, &flipped));
        EXPECT_FALSE(flipped);
        EXPECT_NEAR(pair(same, dimension_line_start).x, -r13, 1e-3);
        EXPECT_NEAR(pair(same, dimension_line_end).y, -r13, 1e-3);
    }
    // Further steps inside 12 mm leave it there: no second flip.
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(dimension_arc_step(d.data(), &s, r12 * 0.3, r12 * 0.1));
    EXPECT_NEAR(pair(d, dimension_line_start).x, -r13, 1e-3);
    // Outside again the radius follows the mouse on the new side.
    EXPECT_FALSE(dimension_arc_step(d.data(), &s, 0, 40));
    EXPECT_NEAR(pair(d, dimension_line_start).x, -40, 1e-3);
}

}  // namespace
