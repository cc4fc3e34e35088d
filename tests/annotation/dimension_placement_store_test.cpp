// Dimension placement on a drawing: dimensions gathered through their links
// and points, their lines written back outside the frame with their labels
// laid out, lines placed by hand kept or placed again, and the runs that
// stop or mark (a link to a missing point, a dimension without its ends);
// and the label layout itself (along the line, on a shelf, dragged near or
// far, laid out again after its line moved).
#include "tests/annotation/annotation_doc_fixture.h"

#include "annotation/annotation_properties.h"
#include "annotation/annotation_records.h"
#include "annotation/dimension_layout.h"
#include "annotation/dimension_placement.h"
#include "annotation/dimension_placement_run.h"
#include "annotation/properties_layout_binding.h"
#include "annotation/properties_layout_seams.h"
#include "annotation/roughness_placement.h"
#include "annotation/annotation_tools.h"
#include "annotation/text_fragment_cell.h"
#include "annotation/hatching_placement.h"
#include "annotation/level_dimensions.h"
#include "annotation/annotation_move.h"
#include "geometry/naming.h"
#include "render/contours/hatch_patterns.h"
#include "annotation/text_fragment_properties.h"
#include "annotation/properties_binding.h"
#include "render/text/text_fragment_layout.h"
#include "shell/core/sketch_replacement.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "store/settings_block.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using doc_test::Bytes;

const double pi = 3.14159265358979323846;

class PlacementStore : public annotation_test::AnnotationDocTest {
public:
    uint32_t next_link = 1;

    void SetUp() override {
        AnnotationDocTest::SetUp();
        uint8_t* p = projection();
        // Frame 0..100 x 0..50, placement due.
        put_f32(p, projection_frame_offset, 0);
        put_f32(p, projection_frame_offset + 4, 0);
        put_f32(p, projection_frame_offset + 8, 100);
        put_f32(p, projection_frame_offset + 12, 50);
        put_u16(p, projection_flags, projection_word_changed);
        page_buffers[table_projections].clean = 0;
    }
    // A working copy of the projection record, as the window side passes it.
    Bytes projection_copy() {
        uint8_t* p = projection();
        return Bytes(p, p + get_u16(p, 0));
    }
    void point(uint32_t n, double x, double y) {
        doc_test::add_to_projection(pref, projection_points, table_points, doc_test::point_bytes(n, x, y, x, y));
    }
    void link(uint32_t dim, uint32_t pt, int role) {
        Bytes l(link_record_size, 0);
        put_u16(l.data(), 0, link_record_size);
        put_u32(l.data(), link_number, next_link++);
        put_u32(l.data(), link_point, pt);
        put_u32(l.data(), link_dimension, dim);
        put_u16(l.data(), link_role, static_cast<uint16_t>(role));
        doc_test::add_to_projection(pref, projection_links, table_links, l);
    }
    // A linear dimension (mode 0: measured along x) between two points,
    // with its label "text".
    void linear(uint32_t n, uint32_t p1, uint32_t p2, double nominal, const char* text = "25",
                uint16_t value = 0x0003) {
        Bytes d = dimension_bytes(n, nominal, 0x0000, value);
        doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, d);
        link(n, p1, 1);
        link(n, p2, 2);
        doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(n, text));
    }
    // A dimension record: its number, nominal, kind and value words.
    static Bytes dimension_bytes(uint32_t n, double nominal, uint16_t kind_word, uint16_t value_word) {
        Bytes d(dimension_record_size, 0);
        put_u16(d.data(), 0, dimension_record_size);
        put_u32(d.data(), dimension_number, n);
        put_f64(d.data(), dimension_nominal, nominal);
        put_u16(d.data(), dimension_kind_word, kind_word);
        put_u16(d.data(), dimension_value_word, value_word);
        return d;
    }
    static Bytes label(uint32_t n, const char* text) {
        RecordBytes packed = pack_whole_text(text);
        Bytes r(dimension_text_head, 0);
        r.insert(r.end(), packed.begin(), packed.end());
        put_u16(r.data(), 0, static_cast<uint16_t>(r.size()));
        put_u32(r.data(), record_key, n);
        r[record_kind] = annotation_dimension_text;
        r[dimension_text_first_length] = static_cast<uint8_t>(std::strlen(text));
        put_u16(r.data(), annotation_flags, 2 << 7);  // height index 2
        return r;
    }
    // Dimension n of the chain a working copy heads, where it is stored;
    // null when there is none.
    static uint8_t* stored_dimension(Bytes& copy, uint32_t n) {
        RecordRef* head = projection_chain(copy.data(), projection_dimensions);
        return record_find_key(current_drawing_file(), head, n, nullptr, &page_buffers[table_dimensions]);
    }
    Bytes dimension(uint32_t n) {
        Bytes copy = projection_copy();
        uint8_t* d = stored_dimension(copy, n);
        return d ? Bytes(d, d + get_u16(d, 0)) : Bytes();
    }
    Bytes label_of(uint32_t n) {
        Bytes copy = projection_copy();
        RecordRef ref = 0;
        uint8_t* l = annotation_find_key_kind(copy.data(), n, annotation_dimension_text, &ref);
        return l ? Bytes(l, l + get_u16(l, 0)) : Bytes();
    }
    // A segment of line type 1 from a to b, element number n.
    void segment(uint32_t n, Point2 a, Point2 b) {
        Bytes e(54, 0);
        put_u16(e.data(), 0, 54);
        put_u32(e.data(), 2, n);
        put_u16(e.data(), 10, 0x0011);
        put_f64(e.data(), 22, a.x), put_f64(e.data(), 30, a.y), put_f64(e.data(), 38, b.x), put_f64(e.data(), 46, b.y);
        doc_test::add_to_projection(pref, projection_elements, table_elements, e);
    }
    // The box lo..hi of four segments, numbered 1 to 4 from the bottom edge
    // round.
    void box_of_segments(Point2 lo, Point2 hi) {
        segment(1, lo, {hi.x, lo.y});
        segment(2, {hi.x, lo.y}, hi);
        segment(3, hi, {lo.x, hi.y});
        segment(4, {lo.x, hi.y}, lo);
    }
    // The chain heads of a working copy written into the stored record, as
    // the window side does after a tool has added records.
    void store_heads(const Bytes& copy) {
        uint8_t* p = projection();
        std::memcpy(p + projection_links, copy.data() + projection_links, projection_points + 4 - projection_links);
        page_buffers[table_projections].clean = 0;
    }
    PlacementRunResult run(int mode) {
        Bytes copy = projection_copy();
        return place_dimensions(copy.data(), mode);
    }
    static double label_width(const char* text) {
        select_text_font(2, 0, 0);
        double w = 0;
        measure_text(text, &w, nullptr);
        return w;
    }
    // How far the text reaches below its base line.
    static double label_depth(const char* text) {
        select_text_font(2, 0, 0);
        double w = 0;
        return measure_text(text, &w, nullptr);
    }
};

// Three nested spans over the top edge: shortest nearest, each 10 mm
// further out; extension lines from the points to the line; both drawn,
// straight shape; every label along its line, above it, centred.
TEST_F(PlacementStore, NestedSpansAreWrittenOutwardsWithTheirLabels) {
    point(1, 10, 50), point(2, 90, 50), point(3, 30, 50), point(4, 70, 50), point(5, 20, 40), point(6, 80, 40);
    linear(11, 1, 2, 80);
    linear(12, 3, 4, 40);
    linear(13, 5, 6, 60);
    PlacementRunResult r = run(placement_when_due);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.placed, 3);
    EXPECT_EQ(r.marked, 0);
    struct Want {
        uint32_t n;
        double x1, y1, x2, y2, line_y;
    } const want[] = {{12, 30, 50, 70, 50, 60}, {13, 20, 40, 80, 40, 70}, {11, 10, 50, 90, 50, 80}};
    for (const Want& w : want) {
        SCOPED_TRACE(w.n);
        Bytes d = dimension(w.n);
        ASSERT_FALSE(d.empty());
        EXPECT_NEAR(pair(d, dimension_line_start).x, w.x1, 1e-4);
        EXPECT_NEAR(pair(d, dimension_line_start).y, w.line_y, 1e-4);
        EXPECT_NEAR(pair(d, dimension_line_end).x, w.x2, 1e-4);
        EXPECT_NEAR(pair(d, dimension_line_end).y, w.line_y, 1e-4);
        EXPECT_NEAR(pair(d, dimension_extension1).y, w.y1, 1e-4);
        EXPECT_NEAR(pair(d, dimension_extension1 + 8).y, w.line_y, 1e-4);
        EXPECT_NEAR(pair(d, dimension_extension2).x, w.x2, 1e-4);
        EXPECT_NEAR(pair(d, dimension_extension2 + 8).y, w.line_y, 1e-4);
        uint16_t value = get_u16(d.data(), dimension_value_word);
        EXPECT_EQ(value & 0x0003, 0x0003);
        EXPECT_EQ((value >> 4) & 0x0F, 1);
        EXPECT_EQ(get_u16(d.data(), dimension_state) & 0x0080, 0);  // not on a shelf
        Bytes l = label_of(w.n);
        ASSERT_FALSE(l.empty());
        EXPECT_TRUE(get_u16(l.data(), annotation_flags) & 0x0800);
        EXPECT_NEAR(get_f64(l.data(), dimension_text_angle), 0, 1e-12);
        double width = label_width("25");
        EXPECT_NEAR(pair(l, dimension_text_anchor).x, (w.x1 + w.x2) / 2 - width / 2, 1e-3);
        // y grows downward: the text's lowest point 1.24 mm above the line.
        EXPECT_NEAR(pair(l, dimension_text_anchor).y + label_depth("25"), w.line_y - 1.24, 1e-3);
    }
}

// Lines placed by hand: kept by a run on an unchanged projection, kept on
// a changed one while their points stay, placed again by the re-place
// button (the bit cleared).
TEST_F(PlacementStore, HandPlacedLinesStayUntilReplaced) {
    point(1, 10, 50), point(2, 90, 50);
    linear(11, 1, 2, 80, "25", 0x0803);
    {
        Bytes copy = projection_copy();
        uint8_t* d = stored_dimension(copy, 11);
        ASSERT_NE(d, nullptr);
        const float geometry[] = {10, 95, 90, 95, 0, 0, 10, 50, 10, 95, 90, 50, 90, 95};
        for (int i = 0; i < 14; ++i) put_f32(d, dimension_line_start + 4 * i, geometry[i]);
        page_buffers[table_dimensions].clean = 0;
    }
    PlacementRunResult r = run(placement_when_due);
    EXPECT_EQ(r.placed, 0);
    EXPECT_EQ(r.kept, 1);
    EXPECT_NEAR(pair(dimension(11), dimension_line_start).y, 95, 1e-6);
    EXPECT_TRUE(get_u16(dimension(11).data(), dimension_value_word) & 0x0800);

    Bytes copy = projection_copy();
    r = replace_all_dimensions(copy.data());
    EXPECT_EQ(r.placed, 1);
    Bytes d = dimension(11);
    EXPECT_NEAR(pair(d, dimension_line_start).y, 60, 1e-4);
    EXPECT_FALSE(get_u16(d.data(), dimension_value_word) & 0x0800);
}

// A link to a point that is gone ends the run with E20445 before anything
// is written; a dimension without its second end is marked and the others
// are placed, with the message shown once.
TEST_F(PlacementStore, MissingPointsStopAndMissingEndsMark) {
    point(1, 10, 50), point(2, 90, 50);
    linear(11, 1, 2, 80);
    Bytes before = dimension(11);
    linear(12, 1, 77, 40);  // point 77 does not exist
    error_stack_clear();
    PlacementRunResult r = run(placement_always);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(dimension(11), before);
    error_flag = 0;
    error_stack_clear();

    PlacementStore::TearDown();
    PlacementStore::SetUp();
    point(1, 10, 50), point(2, 90, 50);
    linear(11, 1, 2, 80);
    Bytes d = dimension_bytes(12, 0, 0, 0x0003);
    doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, d);
    link(12, 1, 1);  // no second end
    r = run(placement_always);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.placed, 1);
    EXPECT_EQ(r.marked, 1);
    EXPECT_TRUE(get_u16(dimension(12).data(), dimension_state) & 0x0020);
    EXPECT_NEAR(pair(dimension(11), dimension_line_start).y, 60, 1e-4);
    EXPECT_NE(std::strstr(last_shown_message, placement_marked_message), nullptr);
}

// Modes: stage entry places only a changed projection.
TEST_F(PlacementStore, StageEntryPlacesOnlyAChangedProjection) {
    point(1, 10, 50), point(2, 90, 50);
    linear(11, 1, 2, 80);
    uint8_t* p = projection();
    put_u16(p, projection_flags, 0);
    page_buffers[table_projections].clean = 0;
    EXPECT_EQ(run(placement_when_due).placed, 0);
    EXPECT_NEAR(pair(dimension(11), dimension_line_start).y, 0, 0);
    EXPECT_EQ(run(placement_always).placed, 1);
}

// The label against one line, as a table: a line long enough takes the
// label along it; one too short (free length: less 4.2 mm per end of kind 0)
// puts it on a shelf beyond its outer end; a steep line within the window
// (pi/3, pi/2) takes a shelf too; a drag within 10 mm lands on the foot, a
// drag further away leaves the leader start in place and the shelf at the
// drag point.
TEST_F(PlacementStore, LabelAlongTheLineOrOnAShelf) {
    double w = label_width("25");
    auto dim = [](Point2 a, Point2 b, uint16_t kind_word) {
        Bytes d = dimension_bytes(0, 0, kind_word, 0x0013);
        put_f32(d.data(), dimension_line_start, static_cast<float>(a.x));
        put_f32(d.data(), dimension_line_start + 4, static_cast<float>(a.y));
        put_f32(d.data(), dimension_line_end, static_cast<float>(b.x));
        put_f32(d.data(), dimension_line_end + 4, static_cast<float>(b.y));
        return d;
    };
    Bytes l = label(1, "25");
    TextMetrics m{};
    ASSERT_EQ(measure_dimension_label(l.data(), &m), 1);
    ASSERT_NEAR(m.line[0].width, w, 1e-9);
    const uint16_t arrows = (1 << 8) | (1 << 12), no_ends = 0;
    struct Case {
        const char* name;
        Point2 a, b;
        uint16_t kind_word;
        bool along;
    } const cases[] = {
        {"long", {0, 0}, {40, 0}, arrows, true},
        {"just longer than the label", {0, 0}, {w + 0.01, 0}, arrows, true},
        {"shorter than the label", {0, 0}, {w - 0.01, 0}, arrows, false},
        {"ends of kind 0 take 4.2 mm each", {0, 0}, {w + 8.0, 0}, no_ends, false},
        {"ends of kind 0, long enough", {0, 0}, {w + 8.5, 0}, no_ends, true},
        {"steep (pi/3, pi/2)", {0, 0}, {10, 40}, arrows, false},
        {"vertical reads downwards", {0, 40}, {0, 0}, arrows, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes d = dim(c.a, c.b, c.kind_word);
        Bytes lab = l;
        ASSERT_TRUE(dimension_label_layout(d.data(), lab.data(), m, label_automatic, {0, 0}, 0));
        bool along = (get_u16(lab.data(), annotation_flags) & 0x0800) != 0;
        EXPECT_EQ(along, c.along);
        EXPECT_EQ((get_u16(d.data(), dimension_state) & 0x0080) != 0, !c.along);
        if (!along) {
            // The shelf starts 8.4 mm beyond the outer end and holds the
            // label with 2 x 2.48 mm to spare.
            Point2 s1 = pair(lab, dimension_text_leader2), s2 = pair(lab, dimension_text_leader3);
            EXPECT_NEAR(std::fabs(s2.x - s1.x), w + 4.96, 1e-4);
            EXPECT_NEAR(s1.y, s2.y, 0);
            Point2 outer = c.a.x > c.b.x || (c.a.x == c.b.x && c.a.y > c.b.y) ? c.a : c.b;
            EXPECT_NEAR(std::hypot(s1.x - outer.x, s1.y - outer.y), 8.4, 1e-4);
        }
    }
    // Dragged within 10 mm of a long line: the label's middle is the foot.
    Bytes d = dim({0, 0}, {40, 0}, arrows);
    Bytes lab = l;
    ASSERT_TRUE(dimension_label_layout(d.data(), lab.data(), m, label_at_point, {30, 6}, 0));
    ASSERT_TRUE(get_u16(lab.data(), annotation_flags) & 0x0800);
    EXPECT_NEAR(pair(lab, dimension_text_anchor).x, 30 - w / 2, 1e-4);
    EXPECT_NEAR(dimension_label_point(lab.data(), m).x, 30, 1e-4);
    // Dragged 20 mm away: the leader starts where the label stood (its
    // foot at 30) and the shelf is centred on the drag point.
    ASSERT_TRUE(dimension_label_layout(d.data(), lab.data(), m, label_at_point, {60, 20}, 0));
    EXPECT_FALSE(get_u16(lab.data(), annotation_flags) & 0x0800);
    EXPECT_NEAR(pair(lab, dimension_text_leader1).x, 30, 1e-4);
    EXPECT_NEAR(pair(lab, dimension_text_leader1).y, 0, 1e-4);
    Point2 s1 = pair(lab, dimension_text_leader2), s2 = pair(lab, dimension_text_leader3);
    EXPECT_NEAR((s1.x + s2.x) / 2, 60, 1e-4);
    EXPECT_NEAR(s1.y, 20 + 1.24 - m.line[0].height, 1e-4);
    // The point a hand-placed shelf label reports is the drag point again.
    Point2 back = dimension_label_point(lab.data(), m);
    EXPECT_NEAR(back.x, 60, 1e-4);
    EXPECT_NEAR(back.y, 20, 1e-4);
    // A line that is not finite is refused, nothing written.
    Bytes bad = dim({0, 0}, {NAN, 0}, arrows);
    Bytes untouched = l;
    EXPECT_FALSE(dimension_label_layout(bad.data(), untouched.data(), m, label_automatic, {0, 0}, 0));
    EXPECT_EQ(untouched, l);
}

// A label's letters stand clear of its line (y grows downward, a text is
// anchored on its base line): along a horizontal line the text's lowest
// point is 1.24 mm above it; along a vertical line read upwards the text
// stands to its left; on a shelf the first text stands 0.62 mm over the
// shelf and the second hangs 0.62 mm under it.
TEST_F(PlacementStore, LabelTextsStandClearOfTheirLines) {
    auto dim = [](Point2 a, Point2 b) {
        Bytes d = dimension_bytes(0, 0, (1 << 8) | (1 << 12), 0x0013);
        put_pointf(d.data(), dimension_line_start, {static_cast<float>(a.x), static_cast<float>(a.y)});
        put_pointf(d.data(), dimension_line_end, {static_cast<float>(b.x), static_cast<float>(b.y)});
        return d;
    };
    const double w = label_width("25"), depth = label_depth("25");
    Bytes l = label(1, "25");
    TextMetrics m{};
    ASSERT_EQ(measure_dimension_label(l.data(), &m), 1);
    struct Case {
        Point2 a, b;
        Point2 anchor;
    } const cases[] = {
        {{0, 0}, {40, 0}, {20 - w / 2, -1.24 - depth}},
        {{0, 40}, {0, 0}, {-1.24 - depth, 20 + w / 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.b.x);
        Bytes d = dim(c.a, c.b);
        Bytes lab = l;
        ASSERT_TRUE(dimension_label_layout(d.data(), lab.data(), m, label_automatic, {0, 0}, 0));
        ASSERT_TRUE(get_u16(lab.data(), annotation_flags) & 0x0800);
        EXPECT_NEAR(pair(lab, dimension_text_anchor).x, c.anchor.x, 1e-4);
        EXPECT_NEAR(pair(lab, dimension_text_anchor).y, c.anchor.y, 1e-4);
    }
    // Two texts: on a shelf.
    Bytes two = label(1, "25-0,1");
    two[dimension_text_first_length] = 2;
    put_u16(two.data(), annotation_flags, static_cast<uint16_t>(get_u16(two.data(), annotation_flags) | 0x40));
    ASSERT_EQ(measure_dimension_label(two.data(), &m), 1);
    select_text_font(2, 0, 0);
    double w2 = 0, h2 = 0;
    double depth2 = measure_text("-0,1", &w2, &h2);
    Bytes d = dim({0, 0}, {40, 0});
    ASSERT_TRUE(dimension_label_layout(d.data(), two.data(), m, label_automatic, {0, 0}, 0));
    ASSERT_FALSE(get_u16(two.data(), annotation_flags) & 0x0800);
    double sy = pair(two, dimension_text_leader2).y;
    EXPECT_NEAR(pair(two, dimension_text_anchor).y, sy - 0.62 - depth, 1e-4);
    EXPECT_NEAR(pair(two, dimension_text_anchor2).y, sy + 0.62 + (h2 - depth2), 1e-4);
}

// A label placed by hand on a shelf keeps its place when its dimension is
// laid out again (a moved line, a changed text height); a dimension whose
// label is gone reports E20448.
TEST_F(PlacementStore, RelayoutKeepsAHandPlacedLabel) {
    point(1, 10, 50), point(2, 90, 50);
    linear(11, 1, 2, 80, "25", 0x8803);
    Bytes copy = projection_copy();
    {
        uint8_t* d = stored_dimension(copy, 11);
        const float geometry[] = {10, 60, 90, 60};
        for (int i = 0; i < 4; ++i) put_f32(d, dimension_line_start + 4 * i, geometry[i]);
        put_u16(d, dimension_value_word, 0x8813);
        page_buffers[table_dimensions].clean = 0;
    }
    ASSERT_EQ(layout_dimension(copy.data(), 11, label_at_point, {120, 80}), 1);
    Bytes placed = label_of(11);
    ASSERT_FALSE(get_u16(placed.data(), annotation_flags) & 0x0800);
    ASSERT_EQ(relayout_dimension(copy.data(), 11), 1);
    Bytes again = label_of(11);
    for (uint32_t off : {dimension_text_leader2, dimension_text_leader3, dimension_text_anchor}) {
        EXPECT_NEAR(pair(again, off).x, pair(placed, off).x, 1e-3);
        EXPECT_NEAR(pair(again, off).y, pair(placed, off).y, 1e-3);
    }
    // Through the property dialogs' service as well.
    EXPECT_EQ(properties_layout.relayout_dimension(copy.data(), 11), 1);

    Bytes d = dimension_bytes(12, 0, 0, 0);
    doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, d);
    copy = projection_copy();
    error_stack_clear();
    last_shown_message[0] = 0;
    EXPECT_EQ(relayout_dimension(copy.data(), 12), 0);
    bool pushed = std::strstr(last_shown_message, dimension_without_label_code) != nullptr;
    for (int i = 0; i < error_stack.count; ++i)
        pushed = pushed || std::strcmp(error_stack.entries[i], dimension_without_label_code) == 0;
    EXPECT_TRUE(pushed);
    error_flag = 0;
}

std::vector<Bytes> chain_of(PlacementStore* t, uint32_t offset, int table) {
    Bytes copy = t->projection_copy();
    std::vector<Bytes> out;
    DrawingFile* df = current_drawing_file();
    RecordRef h = get_u32(copy.data(), offset);
    for (uint8_t* r = record_next(df, &h, nullptr, &page_buffers[table]); r; r = record_next(df, &h, r, &page_buffers[table]))
        out.emplace_back(r, r + get_u16(r, 0));
    return out;
}

std::vector<Bytes> hatchings_of(PlacementStore* t) {
    std::vector<Bytes> out;
    for (const Bytes& r : chain_of(t, projection_annotations, table_annotation))
        if (r[record_kind] == annotation_hatching) out.push_back(r);
    return out;
}

// The roughness tool on a placed dimension (extension lines at x 10 and
// 90 from y 50 up to the line at 60): the second line takes the sign
// (angle -pi/2, key the dimension, its line bit), a second sign on that
// line is refused; the first line would take it upside down, so a carrying
// leader is made (numbered from the object counter) unless the counter is
// exhausted, which leaves the chain as it was.  After the line moves the
// sign stays on its extension line.
TEST_F(PlacementStore, RoughnessSignsOnExtensionLinesAndLeaders) {
    point(1, 10, 50), point(2, 90, 50);
    linear(11, 1, 2, 80);
    ASSERT_EQ(run(placement_always).placed, 1);
    DrawingFile* df = current_drawing_file();
    AnnotationStage st;
    Bytes copy = projection_copy();
    uint32_t dim = 0;
    int line = 0;
    ASSERT_TRUE(roughness_pick_extension_line(copy.data(), 91, 55, 2, &dim, &line));
    EXPECT_EQ(dim, 11u);
    EXPECT_EQ(line, 2);
    EXPECT_FALSE(roughness_pick_extension_line(copy.data(), 50, 55, 2, &dim, &line));

    RecordRef ref = place_roughness_sign(copy.data(), &st, 11, 2, 91, 55);
    ASSERT_NE(ref, 0u);
    uint8_t* sign = annotation_record_at(ref);
    ASSERT_NE(sign, nullptr);
    EXPECT_EQ(sign[record_kind], annotation_roughness);
    EXPECT_EQ(get_u32(sign, record_key), 11u);
    uint16_t f = get_u16(sign, annotation_flags);
    EXPECT_EQ((f >> 7) & 3, 0);
    EXPECT_EQ((f >> 9) & 3, 2);
    EXPECT_NEAR(get_f32(sign, roughness_tip), 90, 1e-4);
    EXPECT_NEAR(get_f32(sign, roughness_tip + 4), 55, 1e-4);
    EXPECT_NEAR(get_f64(sign, roughness_angle), -pi / 2, 1e-9);
    EXPECT_TRUE(get_u16(dimension(11).data(), dimension_state) & 0x0010);
    // The chain head the tool changed lives in the copy.
    {
        uint8_t* p = projection();
        put_u32(p, projection_annotations, get_u32(copy.data(), projection_annotations));
        page_buffers[table_projections].clean = 0;
    }

    std::vector<Bytes> before = chain_of(this, projection_annotations, table_annotation);
    EXPECT_EQ(place_roughness_sign(copy.data(), &st, 11, 2, 91, 57), 0u);
    EXPECT_EQ(chain_of(this, projection_annotations, table_annotation), before);

    // The first line: a carrying leader, unless the counter is exhausted.
    put_u32(df->header, header_object_counter, 0xFFFFFFFFu);
    EXPECT_EQ(place_roughness_sign(copy.data(), &st, 11, 1, 9, 55), 0u);
    error_flag = 0;
    EXPECT_EQ(chain_of(this, projection_annotations, table_annotation), before);
    EXPECT_FALSE(get_u16(dimension(11).data(), dimension_state) & 0x0008);

    put_u32(df->header, header_object_counter, 41);
    ref = place_roughness_sign(copy.data(), &st, 11, 1, 9, 55);
    ASSERT_NE(ref, 0u);
    EXPECT_EQ(get_u32(df->header, header_object_counter), 42u);
    RecordRef lref = 0;
    uint8_t* leader = annotation_find_key_kind(copy.data(), 42, annotation_leader, &lref);
    ASSERT_NE(leader, nullptr);
    EXPECT_TRUE(get_u16(leader, annotation_flags) & 0x8000);
    EXPECT_NEAR(get_f32(leader, leader_point1), 10, 1e-4);
    EXPECT_NEAR(get_f32(leader, leader_point1 + 4), 55, 1e-4);
    EXPECT_GT(get_f32(leader, leader_shelf), 0);
    // The shelf stands 20 mm above the tip.
    EXPECT_NEAR(get_f32(leader, leader_point3 + 4), 75, 1e-3);
    RecordRef sref = 0;
    sign = annotation_find_key_fields(copy.data(), 42, 1, 0, &sref);
    ASSERT_NE(sign, nullptr);
    EXPECT_NEAR(get_f64(sign, roughness_angle), 0, 0);
    EXPECT_NEAR(get_f32(sign, roughness_tip + 4), 75, 1e-3);
    // The leader takes no second sign.
    {
        uint8_t* p = projection();
        put_u32(p, projection_annotations, get_u32(copy.data(), projection_annotations));
        page_buffers[table_projections].clean = 0;
    }
    before = chain_of(this, projection_annotations, table_annotation);
    st.selected_annotation_ref = lref;
    EXPECT_EQ(place_roughness_sign(copy.data(), &st, 0, 0, 30, 80), 0u);
    EXPECT_EQ(chain_of(this, projection_annotations, table_annotation), before);

    // The dimension line comes nearer (extension lines end at 53): the sign
    // at 55 goes to the line's end nearer to it.
    {
        uint8_t* d = stored_dimension(copy, 11);
        put_f32(d, dimension_extension2 + 12, 53);
        page_buffers[table_dimensions].clean = 0;
    }
    keep_roughness_signs_on_extension_lines(copy.data(), 11);
    sign = annotation_find_key_fields(copy.data(), 11, 0, 2, &sref);
    ASSERT_NE(sign, nullptr);
    EXPECT_NEAR(get_f32(sign, roughness_tip + 4), 53, 1e-4);
    EXPECT_NEAR(get_f32(sign, roughness_tip), 90, 1e-4);
}

// Replacing the sketch: each point's sketch position takes its true one;
// the projection is marked as agreeing with its construction.
TEST_F(PlacementStore, SketchTakesTheTrueImages) {
    doc_test::add_to_projection(pref, projection_points, table_points, doc_test::point_bytes(1, 1, 2, 10, 20));
    doc_test::add_to_projection(pref, projection_points, table_points, doc_test::point_bytes(2, 5, 5, 5, 5));
    Bytes copy = projection_copy();
    EXPECT_EQ(projection_sketch_from_true_images(current_drawing_file(), copy.data()), 1);
    EXPECT_TRUE(get_u16(copy.data(), projection_flags) & projection_word_bit12);
    for (const Bytes& p : chain_of(this, projection_points, table_points)) {
        EXPECT_EQ(get_f64(p.data(), point_sketch_x), get_f64(p.data(), point_true_x));
        EXPECT_EQ(get_f64(p.data(), point_sketch_y), get_f64(p.data(), point_true_y));
    }
}

// Fitting a text into the cell of lines around it: a box of four lines
// 0..100 x 0..20 and a circle beside it; a text inside it takes the cell's
// width (bit 14, frame from line to line) and stands centred between the
// lower and upper lines; a cell narrower than the text and its margins, or
// one open on a side, leaves the text as it was.  The placement run lays
// every fragment out, fitting the ones that ask for it.
TEST_F(PlacementStore, TextFitsIntoTheCellOfLinesAroundIt) {
    annotation_properties_bind();
    box_of_segments({0, 0}, {100, 20});
    segment(5, {200, -50}, {200, 50});  // beside the box, a second cell wall
    Bytes copy = projection_copy();
    Box cell{};
    ASSERT_TRUE(text_cell_around(copy.data(), {30, 5}, &cell));
    EXPECT_NEAR(cell.min_x, 0, 1e-9);
    EXPECT_NEAR(cell.max_x, 100, 1e-9);
    EXPECT_NEAR(cell.min_y, 0, 1e-9);
    EXPECT_NEAR(cell.max_y, 20, 1e-9);
    EXPECT_FALSE(text_cell_around(copy.data(), {150, 5}, &cell));  // nothing above or below

    RecordBytes text;
    const char* refusal = nullptr;
    ASSERT_TRUE(build_new_text_fragment("AB", 30, 15, &text, &refusal));
    put_u16(text.data(), text_fragment_options, 1);
    RecordRef ref = doc_test::add_to_projection(pref, projection_annotations, table_annotation, text);
    copy = projection_copy();
    unsigned char* rec = annotation_record_at(ref);
    ASSERT_NE(rec, nullptr);
    ASSERT_EQ(fit_text_into_cell(copy.data(), &rec, nullptr), 1);
    EXPECT_TRUE(get_u16(rec, annotation_flags) & 0x4000);
    EXPECT_NEAR(get_f32(rec, text_fragment_frame1), 0, 1e-4);
    EXPECT_NEAR(get_f32(rec, text_fragment_frame2), 100, 1e-4);
    EXPECT_NEAR((get_f32(rec, text_fragment_frame1 + 4) + get_f32(rec, text_fragment_frame2 + 4)) / 2, 10, 1e-3);

    // Too narrow: a cell 0..4 wide around a text several millimetres long.
    Bytes before(rec, rec + get_u16(rec, 0));
    segment(6, {4, 0}, {4, 20});
    copy = projection_copy();
    rec = annotation_record_at(ref);
    Point2 inside{2, 5};
    EXPECT_EQ(fit_text_into_cell(copy.data(), &rec, &inside), 0);
    EXPECT_EQ(Bytes(rec, rec + get_u16(rec, 0)), before);
    // Without the flag nothing is fitted.
    put_u16(rec, text_fragment_options, 0);
    Point2 wide{50, 5};
    EXPECT_EQ(fit_text_into_cell(copy.data(), &rec, &wide), 0);
    put_u16(rec, text_fragment_options, 1);

    EXPECT_EQ(relayout_text_fragments(copy.data()), 1);
    text_fragment_set_text_hook = nullptr;
}

// The hatching tool: a click inside a closed box of lines marks its area
// (key: the stored contour's number, named after it in base 41, the first
// hatch kind); a second click in the same area only moves the seed; a
// click where no contour closes places nothing and says why.  A hatching
// moved within its own area keeps its record.
TEST_F(PlacementStore, HatchingMarksTheClosedAreaAroundTheClick) {
    box_of_segments({0, 0}, {100, 20});
    Bytes copy = projection_copy();
    AnnotationStage st;
    RecordRef ref = place_hatching(copy.data(), &st, 50, 10);
    ASSERT_NE(ref, 0u) << last_shown_message;
    store_heads(copy);
    Bytes h(annotation_record_at(ref), annotation_record_at(ref) + hatching_record_size);
    EXPECT_EQ(h[record_kind], annotation_hatching);
    uint32_t contour = get_u32(h.data(), record_key);
    EXPECT_NE(contour, 0u);
    EXPECT_EQ(h[hatching_kind_code], hatch_kinds[1].code);
    ShortName name{};
    short_name_base41(contour, &name);
    EXPECT_EQ(std::memcmp(h.data() + hatching_name, name.text, 6), 0);
    EXPECT_NEAR(get_f32(h.data(), hatching_seed), 50, 1e-4);

    RecordRef again = place_hatching(copy.data(), &st, 20, 5);
    EXPECT_EQ(again, ref);
    std::vector<Bytes> hatchings = hatchings_of(this);
    ASSERT_EQ(hatchings.size(), 1u);
    EXPECT_NEAR(get_f32(hatchings[0].data(), hatching_seed), 20, 1e-4);

    // Moved within its area and released: the same record, key and name.
    RecordRef moved = ref;
    EXPECT_EQ(reseed_hatching(copy.data(), &st, &moved), 0);
    Bytes after(annotation_record_at(ref), annotation_record_at(ref) + hatching_record_size);
    EXPECT_EQ(get_u32(after.data(), record_key), contour);
    EXPECT_EQ(std::memcmp(after.data() + hatching_name, name.text, 6), 0);

    last_shown_message[0] = 0;
    EXPECT_EQ(place_hatching(copy.data(), &st, 150, 10), 0u);
    EXPECT_NE(std::strstr(last_shown_message, hatching_impossible_message), nullptr);
    error_flag = 0;
}

// A hatching moved into another area marks that area and its old traced
// contour goes; moved into an area another hatching marks, that one takes
// the seed, and the moved record goes with its contour.
TEST_F(PlacementStore, HatchingMovedToAnotherAreaLeavesNoContourBehind) {
    // Two areas side by side: 0..50 and 50..100 across, 0..20 up.
    segment(1, {0, 0}, {50, 0});
    segment(2, {50, 0}, {100, 0});
    segment(3, {100, 0}, {100, 20});
    segment(4, {100, 20}, {50, 20});
    segment(5, {50, 20}, {0, 20});
    segment(6, {0, 20}, {0, 0});
    segment(7, {50, 0}, {50, 20});
    Bytes copy = projection_copy();
    auto contours = [&] {
        std::vector<uint32_t> numbers;
        for (const Bytes& c : chain_of(this, projection_contours, table_contours))
            numbers.push_back(get_u32(c.data(), contour_number));
        return numbers;
    };
    auto move_seed = [&](RecordRef ref, double x, double y) {
        uint8_t* h = annotation_record_at(ref);
        ASSERT_NE(h, nullptr);
        put_f32(h, hatching_seed, static_cast<float>(x));
        put_f32(h, hatching_seed + 4, static_cast<float>(y));
        page_buffers[table_annotation].clean = 0;
    };
    AnnotationStage st;
    RecordRef left = place_hatching(copy.data(), &st, 25, 10);
    ASSERT_NE(left, 0u) << last_shown_message;
    store_heads(copy);
    uint32_t left_contour = get_u32(annotation_record_at(left), record_key);
    ASSERT_EQ(contours(), std::vector<uint32_t>{left_contour});

    // Into the free right area: the same hatching now marks it.
    move_seed(left, 75, 10);
    RecordRef ref = left;
    EXPECT_EQ(reseed_hatching(copy.data(), &st, &ref), 1);
    store_heads(copy);
    std::vector<Bytes> now = hatchings_of(this);
    ASSERT_EQ(now.size(), 1u);
    uint32_t right_contour = get_u32(now[0].data(), record_key);
    EXPECT_NE(right_contour, left_contour);
    EXPECT_EQ(contours(), std::vector<uint32_t>{right_contour});

    // A second hatching on the left, moved onto the right one's area.
    RecordRef second = place_hatching(copy.data(), &st, 25, 10);
    ASSERT_NE(second, 0u) << last_shown_message;
    store_heads(copy);
    uint32_t second_contour = get_u32(annotation_record_at(second), record_key);
    EXPECT_EQ(contours().size(), 2u);
    move_seed(second, 80, 15);
    ref = second;
    EXPECT_EQ(reseed_hatching(copy.data(), &st, &ref), 1);
    store_heads(copy);
    now = hatchings_of(this);
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(get_u32(now[0].data(), record_key), right_contour);
    EXPECT_NEAR(get_f32(now[0].data(), hatching_seed), 80, 1e-4);
    std::vector<uint32_t> left_over = contours();
    EXPECT_EQ(left_over, std::vector<uint32_t>{right_contour});
    EXPECT_NE(second_contour, right_contour);
}

// A placed dimension picked by its line (the nearer end), dragged parallel
// to a new distance (placed by hand from then on, its extension lines and
// label following), and given an arrowhead on one end.
TEST_F(PlacementStore, DimensionLinesArePickedDraggedAndGivenArrowheads) {
    point(1, 10, 50), point(2, 90, 50);
    linear(11, 1, 2, 80);
    ASSERT_EQ(run(placement_always).placed, 1);
    Bytes copy = projection_copy();
    RecordRef ref = 0;
    uint8_t end = 0;
    EXPECT_FALSE(pick_dimension_line(copy.data(), 50, 65, 2, &ref, &end));
    ASSERT_TRUE(pick_dimension_line(copy.data(), 80, 60.5, 2, &ref, &end));
    EXPECT_EQ(end, 2);
    AnnotationStage st;
    int hint = -1;
    ASSERT_TRUE(move_selected_dimension(copy.data(), ref, &st, 40, 75, false, &hint));
    Bytes d = dimension(11);
    EXPECT_NEAR(pair(d, dimension_line_start).y, 75, 1e-4);
    EXPECT_NEAR(pair(d, dimension_line_end).y, 75, 1e-4);
    EXPECT_NEAR(pair(d, dimension_line_start).x, 10, 1e-4);
    EXPECT_NEAR(pair(d, dimension_extension2 + 8).y, 75, 1e-4);
    EXPECT_TRUE(get_u16(d.data(), dimension_value_word) & 0x0800);
    Bytes l = label_of(11);
    EXPECT_NEAR(pair(l, dimension_text_anchor).y + label_depth("25"), 75 - 1.24, 1e-3);
    // A run keeps the line placed by hand.
    EXPECT_EQ(run(placement_always).kept, 1);
    EXPECT_NEAR(pair(dimension(11), dimension_line_start).y, 75, 1e-4);

    EXPECT_EQ(apply_dimension_arrowhead(copy.data(), ref, 2, 3), 11u);
    EXPECT_EQ(get_u16(dimension(11).data(), dimension_kind_word) >> 12, 3);
    EXPECT_EQ(apply_dimension_arrowhead(copy.data(), ref, 2, 11), 0u);
}

// Radii and diameters about a centre: the line runs from the circle point
// to the centre (a diameter on across it), the centre is stored, the first
// extension line (and a diameter's second) drawn; a radius without its
// centre is marked.
TEST_F(PlacementStore, RadialDimensionsRunThroughTheirCentre) {
    point(1, 60, 25), point(2, 50, 25);
    auto radial = [&](uint32_t n, uint16_t kind_word, bool with_centre) {
        Bytes d = dimension_bytes(n, 10, kind_word, with_centre ? 0x0005 : 0x0001);
        doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, d);
        link(n, 1, 1);
        if (with_centre) link(n, 2, 3);
        doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(n, "R10"));
    };
    radial(21, 1, true);
    radial(22, 2, true);
    radial(23, 1, false);
    PlacementRunResult r = run(placement_always);
    EXPECT_EQ(r.placed, 2);
    EXPECT_EQ(r.marked, 1);
    struct Want {
        uint32_t n;
        double end_x;
        uint16_t drawn;
    } const want[] = {{21, 50, 0x0001}, {22, 40, 0x0003}};
    for (const Want& w : want) {
        SCOPED_TRACE(w.n);
        Bytes d = dimension(w.n);
        EXPECT_NEAR(pair(d, dimension_line_start).x, 60, 1e-4);
        EXPECT_NEAR(pair(d, dimension_line_start).y, 25, 1e-4);
        EXPECT_NEAR(pair(d, dimension_line_end).x, w.end_x, 1e-4);
        EXPECT_NEAR(pair(d, dimension_centre).x, 50, 1e-4);
        uint16_t value = get_u16(d.data(), dimension_value_word);
        EXPECT_EQ(value & 0x0003, w.drawn);
        EXPECT_EQ((value >> 4) & 0x0F, 1);
    }
    EXPECT_TRUE(get_u16(dimension(23).data(), dimension_state) & 0x0020);
}

// The independent oracle on the labels: after placing a mix of nested and
// side-by-side spans on two edges, no two labels' measured boxes overlap
// (default text height), and a second run changes nothing.
TEST_F(PlacementStore, PlacedLabelsDoNotOverlap) {
    uint32_t n = 1;
    std::vector<uint32_t> dims;
    auto span = [&](Point2 a, Point2 b, double nominal, const char* text) {
        uint32_t p1 = n++, p2 = n++;
        point(p1, a.x, a.y);
        point(p2, b.x, b.y);
        uint32_t d = 100 + static_cast<uint32_t>(dims.size());
        linear(d, p1, p2, nominal, text);
        dims.push_back(d);
    };
    // Over the top edge (y 50): nested and side by side.
    span({10, 50}, {90, 50}, 80, "80");
    span({20, 50}, {80, 50}, 60, "60");
    span({20, 50}, {45, 50}, 25, "25");
    span({55, 50}, {80, 50}, 25, "25");
    span({30, 50}, {70, 50}, 40, "40");
    span({0, 50}, {100, 50}, 100, "100");
    span({40, 45}, {60, 45}, 20, "20");
    ASSERT_EQ(run(placement_always).placed, static_cast<int>(dims.size()));
    std::vector<Box> boxes;
    for (uint32_t d : dims) {
        Bytes l = label_of(d);
        TextMetrics m{};
        ASSERT_EQ(measure_dimension_label(l.data(), &m), 1);
        Box b = box_empty();
        box_of_dimension_label_text(&b, l.data(), &m);
        boxes.push_back(b);
    }
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j) {
            const Box &a = boxes[i], &b = boxes[j];
            bool apart = a.max_x <= b.min_x || b.max_x <= a.min_x || a.max_y <= b.min_y || b.max_y <= a.min_y;
            EXPECT_TRUE(apart) << "labels of " << dims[i] << " and " << dims[j] << " overlap";
        }
    std::vector<Bytes> before;
    for (uint32_t d : dims) before.push_back(dimension(d));
    run(placement_always);
    for (size_t i = 0; i < dims.size(); ++i) EXPECT_EQ(dimension(dims[i]), before[i]);
}

}  // namespace

namespace {

// A level dimension measured along y (direction mode 1): the points of its
// first and second role; `side` measures from the second role (state bit 1).
void level(PlacementStore* t, uint32_t n, std::vector<uint32_t> first, std::vector<uint32_t> second, bool side) {
    Bytes d = PlacementStore::dimension_bytes(n, 10, static_cast<uint16_t>(6 | (1 << 5) | (side ? 0x7900 : 0x9700)),
                                              0x0003);
    put_u16(d.data(), dimension_state, side ? 0x0002 : 0);
    doc_test::add_to_projection(t->pref, projection_dimensions, table_dimensions, d);
    for (uint32_t p : first) t->link(n, p, 1);
    for (uint32_t p : second) t->link(n, p, 2);
    doc_test::add_to_projection(t->pref, projection_annotations, table_annotation, PlacementStore::label(n, "10"));
}

// The generated dimensions of the drawing's projection, by number.
std::vector<Bytes> generated_of(PlacementStore* t) {
    std::vector<Bytes> out;
    for (const Bytes& d : chain_of(t, projection_dimensions, table_dimensions))
        if (get_u16(d.data(), dimension_state) & 0x0004) out.push_back(d);
    return out;
}

bool starts_at(const Bytes& d, Point2 a, Point2 b) {
    Point2 s1 = PlacementStore::pair(d, dimension_extension1), s2 = PlacementStore::pair(d, dimension_extension2);
    auto near = [](Point2 p, Point2 q) { return std::fabs(p.x - q.x) < 1e-4 && std::fabs(p.y - q.y) < 1e-4; };
    return (near(s1, a) && near(s2, b)) || (near(s1, b) && near(s2, a));
}

}  // namespace

// Spread level dimensions: two whose first roles overlap on x = 80 share one
// generated dimension spanning both (ends 7/9, the other side), one spread
// on its second role on x = 30 gets its own (ends 9/7); the numbers count
// down from 0xFFFFFFFD.  A second run on the changed projection makes them
// again (no duplicates); one placed by hand keeps its line through that
// and through a run on an unchanged projection, until the re-place button.
TEST_F(PlacementStore, SpreadLevelDimensionsGetGeneratedOnes) {
    point(1, 80, 10), point(2, 80, 30), point(3, 80, 25), point(4, 80, 40), point(5, 20, 0);
    point(6, 30, 35), point(7, 30, 48);
    level(this, 31, {1, 2}, {5}, false);
    level(this, 32, {3, 4}, {5}, false);
    level(this, 33, {5}, {6, 7}, true);
    auto run_stored = [&](int mode) {
        Bytes copy = projection_copy();
        PlacementRunResult r = place_dimensions(copy.data(), mode);
        std::memcpy(projection(), copy.data(), copy.size());
        page_buffers[table_projections].clean = 0;
        return r;
    };
    auto group = [&](Point2 a, Point2 b) {
        for (const Bytes& d : generated_of(this))
            if (starts_at(d, a, b)) return d;
        return Bytes();
    };
    PlacementRunResult r = run_stored(placement_when_due);
    ASSERT_FALSE(r.failed);
    ASSERT_EQ(generated_of(this).size(), 2u);
    Bytes right = group({80, 10}, {80, 40}), left = group({30, 35}, {30, 48});
    ASSERT_FALSE(right.empty());
    ASSERT_FALSE(left.empty());
    std::vector<uint32_t> numbers = {get_u32(right.data(), dimension_number), get_u32(left.data(), dimension_number)};
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<uint32_t>{0xFFFFFFFCu, 0xFFFFFFFDu}));
    EXPECT_EQ(get_u32(projection(), 108), 0xFFFFFFFCu);
    EXPECT_EQ(get_u16(right.data(), dimension_kind_word), 6 | (1 << 5) | (7 << 8) | (9 << 12));
    EXPECT_EQ(get_u16(left.data(), dimension_kind_word), 6 | (1 << 5) | (9 << 8) | (7 << 12));
    EXPECT_EQ(get_u16(right.data(), dimension_state) & 0x0006, 0x0006);
    EXPECT_EQ(get_u16(left.data(), dimension_state) & 0x0006, 0x0004);
    EXPECT_DOUBLE_EQ(get_f64(right.data(), dimension_nominal), 0);
    // A vertical line to the right of the frame, drawn with both
    // extension lines; its label reads "0,000".
    EXPECT_EQ((get_u16(right.data(), dimension_value_word) >> 4) & 0x0F, 1);
    EXPECT_EQ(get_u16(right.data(), dimension_value_word) & 0x0003, 0x0003);
    EXPECT_NEAR(pair(right, dimension_line_start).x, pair(right, dimension_line_end).x, 1e-4);
    EXPECT_GT(pair(right, dimension_line_start).x, 100);
    Bytes l = label_of(get_u32(right.data(), dimension_number));
    ASSERT_FALSE(l.empty());
    EXPECT_EQ(record_text(l.data(), dimension_text_head), "0,000");
    EXPECT_EQ(l[dimension_text_first_length], 1);

    // Again: removed and made again, the same numbers.
    put_u16(projection(), projection_flags, projection_word_changed);
    ASSERT_FALSE(run_stored(placement_when_due).failed);
    EXPECT_EQ(generated_of(this).size(), 2u);
    EXPECT_EQ(get_u32(projection(), 108), 0xFFFFFFFCu);
    size_t labels = 0;
    for (const Bytes& a : chain_of(this, projection_annotations, table_annotation))
        if (a[record_kind] == annotation_dimension_text) ++labels;
    EXPECT_EQ(labels, 5u);

    // Placed by hand at x = 150: kept through a changed-projection run.
    {
        right = group({80, 10}, {80, 40});
        Bytes copy = projection_copy();
        uint8_t* d = stored_dimension(copy, get_u32(right.data(), dimension_number));
        ASSERT_NE(d, nullptr);
        put_f32(d, dimension_line_start, 150);
        put_f32(d, dimension_line_end, 150);
        put_u16(d, dimension_value_word, static_cast<uint16_t>(get_u16(d, dimension_value_word) | 0x0800));
        page_buffers[table_dimensions].clean = 0;
    }
    put_u16(projection(), projection_flags, projection_word_changed);
    ASSERT_FALSE(run_stored(placement_when_due).failed);
    right = group({80, 10}, {80, 40});
    ASSERT_FALSE(right.empty());
    EXPECT_NEAR(pair(right, dimension_line_start).x, 150, 1e-4);
    EXPECT_TRUE(get_u16(right.data(), dimension_value_word) & 0x0800);
    EXPECT_EQ(get_u16(right.data(), dimension_kind_word) >> 8, (7 | (9 << 4)));
    EXPECT_FALSE(label_of(get_u32(right.data(), dimension_number)).empty());
    // An unchanged projection: the generated dimensions stay and are kept.
    put_u16(projection(), projection_flags, 0);
    ASSERT_FALSE(run_stored(placement_always).failed);
    EXPECT_EQ(generated_of(this).size(), 2u);
    EXPECT_NEAR(pair(group({80, 10}, {80, 40}), dimension_line_start).x, 150, 1e-4);
    // The re-place button: placed again.
    {
        Bytes copy = projection_copy();
        ASSERT_FALSE(replace_all_dimensions(copy.data()).failed);
        std::memcpy(projection(), copy.data(), copy.size());
    }
    right = group({80, 10}, {80, 40});
    EXPECT_LT(pair(right, dimension_line_start).x, 150);
    EXPECT_FALSE(get_u16(right.data(), dimension_value_word) & 0x0800);
}

// The generated numbers meet the drawing's dimension counter: "Слишком
// много размеров", no generated dimension, the others still placed.
TEST_F(PlacementStore, TooManyGeneratedDimensionsKeepsTheOthers) {
    point(1, 80, 10), point(2, 80, 30), point(5, 20, 0), point(8, 10, 50), point(9, 90, 50);
    level(this, 31, {1, 2}, {5}, false);
    linear(11, 8, 9, 80);
    put_u32(current_drawing_file()->header, header_highest_dimension, 0xFFFFFFFDu);
    last_shown_message[0] = 0;
    PlacementRunResult r = run(placement_when_due);
    EXPECT_FALSE(r.failed);
    EXPECT_NE(std::strstr(last_shown_message, too_many_dimensions_message), nullptr);
    EXPECT_TRUE(generated_of(this).empty());
    EXPECT_NEAR(pair(dimension(11), dimension_line_start).y, 60, 1e-4);
    EXPECT_EQ((get_u16(dimension(31).data(), dimension_value_word) >> 4) & 0x0F, 1);
}

// Removing the generated dimensions: three in a row all go with their
// labels (deleting compacts the page), a user dimension between them
// stays, a hand-placed shown level one is kept aside, the counter resets.
TEST_F(PlacementStore, GeneratedDimensionsAreAllRemoved) {
    auto dim = [&](uint32_t n, uint16_t state, uint16_t value) {
        Bytes d = dimension_bytes(n, 0, 6, value);
        put_u16(d.data(), dimension_state, state);
        doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, d);
        doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(n, "0"));
    };
    dim(0xFFFFFFF9u, 0x0004, 0x0013);
    dim(0xFFFFFFFAu, 0x0004, 0x0813);
    dim(7, 0, 0x0003);
    dim(0xFFFFFFFBu, 0x0004, 0x0013);
    dim(0xFFFFFFFCu, 0x0004, 0x0013);
    Bytes copy = projection_copy();
    std::vector<SavedLevelPlacement> saved;
    EXPECT_EQ(collect_generated_dimensions(copy.data(), &saved), 4);
    std::memcpy(projection(), copy.data(), copy.size());
    std::vector<Bytes> left = chain_of(this, projection_dimensions, table_dimensions);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(get_u32(left[0].data(), dimension_number), 7u);
    std::vector<Bytes> labels = chain_of(this, projection_annotations, table_annotation);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(get_u32(labels[0].data(), record_key), 7u);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(get_u32(saved[0].dimension.data(), dimension_number), 0xFFFFFFFAu);
    EXPECT_EQ(get_u32(saved[0].label.data(), record_key), 0xFFFFFFFAu);
    EXPECT_EQ(get_u32(projection(), 108), 0xFFFFFFFEu);
}

// An angle: an arc about the vertex its legs share, its first end 10 mm
// beyond where the first leg leaves the frame, the second on the other
// leg's direction at the same radius, the extension lines from the legs'
// far points.  A fillet: from the middle of its arc to the arc's centre.
TEST_F(PlacementStore, AnglesAndFilletsArePlaced) {
    point(1, 50, 30), point(2, 70, 30), point(3, 50, 45);
    Bytes a(dimension_record_size, 0);
    put_u16(a.data(), 0, dimension_record_size);
    put_u32(a.data(), dimension_number, 41);
    put_f64(a.data(), dimension_nominal, pi / 2);
    put_u16(a.data(), dimension_kind_word, 3);
    put_u16(a.data(), dimension_value_word, 0x0003);
    doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, a);
    link(41, 1, 1), link(41, 2, 1), link(41, 1, 2), link(41, 3, 2);
    doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(41, "90"));

    // The fillet's arc runs clockwise from (80, 15) to (85, 10) about (80, 10).
    point(10, 80, 15), point(11, 85, 10), point(12, 80, 10);
    Bytes e(element_size3, 0);
    put_u16(e.data(), 0, element_size3);
    put_u32(e.data(), element_number, 5);
    put_u16(e.data(), element_flags, 0x0010 | element_kind_arc_centre);
    put_u32(e.data(), element_points, 10), put_u32(e.data(), element_points + 4, 11),
        put_u32(e.data(), element_points + 8, 12);
    const double coords[] = {80, 15, 85, 10, 80, 10};
    for (int i = 0; i < 6; ++i) put_f64(e.data(), element_coords3 + 8 * i, coords[i]);
    doc_test::add_to_projection(pref, projection_elements, table_elements, e);
    Bytes f(dimension_record_size, 0);
    put_u16(f.data(), 0, dimension_record_size);
    put_u32(f.data(), dimension_number, 42);
    put_f64(f.data(), dimension_nominal, 5);
    put_u16(f.data(), dimension_kind_word, 5 | (9 << 12));
    put_u16(f.data(), dimension_value_word, 0x0001);
    put_u16(f.data(), dimension_state, 0x0001);
    doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, f);
    link(42, 10, 1);
    doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(42, "R5"));

    PlacementRunResult r = run(placement_when_due);
    ASSERT_FALSE(r.failed);
    EXPECT_EQ(r.marked, 0);
    Bytes d = dimension(41);
    EXPECT_EQ((get_u16(d.data(), dimension_value_word) >> 4) & 0x0F, 3);
    struct Want {
        uint32_t at;
        double x, y;
    } const want[] = {{dimension_line_start, 110, 30},   {dimension_line_end, 50, 90},
                      {dimension_centre, 50, 30},        {dimension_extension1, 70, 30},
                      {dimension_extension1 + 8, 110, 30}, {dimension_extension2, 50, 45},
                      {dimension_extension2 + 8, 50, 90}};
    for (const Want& w : want) {
        SCOPED_TRACE(w.at);
        EXPECT_NEAR(pair(d, w.at).x, w.x, 1e-4);
        EXPECT_NEAR(pair(d, w.at).y, w.y, 1e-4);
    }
    Bytes g = dimension(42);
    double h = 5 / std::sqrt(2.0);
    EXPECT_NEAR(pair(g, dimension_line_start).x, 80 + h, 1e-4);
    EXPECT_NEAR(pair(g, dimension_line_start).y, 10 + h, 1e-4);
    EXPECT_NEAR(pair(g, dimension_line_end).x, 80, 1e-4);
    EXPECT_NEAR(pair(g, dimension_centre).y, 10, 1e-4);
    EXPECT_EQ(get_u16(g.data(), dimension_value_word) & 0x00F3, 0x0011);

    // A fillet whose point ends no arc is marked.
    PlacementStore::TearDown();
    PlacementStore::SetUp();
    point(10, 80, 15);
    doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, f);
    link(42, 10, 1);
    doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(42, "R5"));
    r = run(placement_when_due);
    EXPECT_EQ(r.marked, 1);
    EXPECT_TRUE(get_u16(dimension(42).data(), dimension_state) & 0x0020);
}

// Store fixtures for the gathering rules below.
class PlacementGathering : public PlacementStore {
public:
    void flagged_point(uint32_t n, double x, double y, uint16_t flags) {
        Bytes p = doc_test::point_bytes(n, x, y, x, y);
        put_u16(p.data(), point_flags, flags);
        doc_test::add_to_projection(pref, projection_points, table_points, p);
    }
    // A visible element: a segment from point a to point b drawn from
    // (x1, y1) to (x2, y2), or a circle (on it, then its centre).
    void element2(uint32_t n, int kind, uint32_t a, uint32_t b, double x1, double y1, double x2, double y2) {
        Bytes e(element_size2, 0);
        put_u16(e.data(), 0, element_size2);
        put_u32(e.data(), element_number, n);
        put_u16(e.data(), element_flags, static_cast<uint16_t>(0x0010 | kind));
        put_u32(e.data(), element_points, a), put_u32(e.data(), element_points + 4, b);
        const double c[] = {x1, y1, x2, y2};
        for (int i = 0; i < 4; ++i) put_f64(e.data(), element_coords2 + 8 * i, c[i]);
        doc_test::add_to_projection(pref, projection_elements, table_elements, e);
    }
    // An arc about (cx, cy) of radius r running from angle `from` down to
    // angle `to` (degrees; arcs run in decreasing angle).
    void arc(uint32_t n, double cx, double cy, double r, double from, double to) {
        const double deg = pi / 180;
        Bytes e(element_size3, 0);
        put_u16(e.data(), 0, element_size3);
        put_u32(e.data(), element_number, n);
        put_u16(e.data(), element_flags, static_cast<uint16_t>(0x0010 | element_kind_arc_centre));
        const double c[] = {cx + r * std::cos(from * deg), cy + r * std::sin(from * deg),
                            cx + r * std::cos(to * deg),   cy + r * std::sin(to * deg), cx, cy};
        for (int i = 0; i < 6; ++i) put_f64(e.data(), element_coords3 + 8 * i, c[i]);
        doc_test::add_to_projection(pref, projection_elements, table_elements, e);
    }
    void radius(uint32_t n, uint32_t on, uint32_t centre) {
        Bytes d = dimension_bytes(n, 30, 1, 0x0005);
        doc_test::add_to_projection(pref, projection_dimensions, table_dimensions, d);
        link(n, on, 1);
        link(n, centre, 3);
        doc_test::add_to_projection(pref, projection_annotations, table_annotation, label(n, "R30"));
    }
    void set_projection_flags(uint16_t set) {
        uint8_t* p = projection();
        put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) | set));
        page_buffers[table_projections].clean = 0;
    }
};

// A radius whose point lies in the steep window (70 degrees, y growing
// downward) on a circle turns to 55 degrees and its label stands along it;
// on an arc that holds only steep directions it stays at its point and
// its label goes onto a shelf.
TEST_F(PlacementGathering, RadialLinesTurnOutOfTheSteepWindowInsideTheirElement) {
    const double deg = pi / 180, r = 30;
    struct Case {
        Point2 c;
        bool circle;
        double want;     // direction of the line's first end from the centre
        bool along;      // the label stands along the line
    } const cases[] = {{{50, 25}, true, 55, true}, {{150, 25}, false, 70, false}};
    uint32_t n = 0;
    for (const Case& c : cases) {
        ++n;
        flagged_point(10 * n, c.c.x + r * std::cos(70 * deg), c.c.y + r * std::sin(70 * deg), 0);
        flagged_point(10 * n + 1, c.c.x, c.c.y, point_flag_centre);
        if (c.circle)
            element2(n, element_kind_circle, 10 * n, 10 * n + 1, c.c.x + r, c.c.y, c.c.x, c.c.y);
        else
            arc(n, c.c.x, c.c.y, r, 85, 62);
        radius(20 + n, 10 * n, 10 * n + 1);
    }
    PlacementRunResult res = run(placement_always);
    ASSERT_FALSE(res.failed);
    EXPECT_EQ(res.placed, 2);
    n = 0;
    for (const Case& c : cases) {
        ++n;
        SCOPED_TRACE(n);
        Bytes d = dimension(20 + n);
        EXPECT_NEAR(pair(d, dimension_line_start).x, c.c.x + r * std::cos(c.want * deg), 1e-4);
        EXPECT_NEAR(pair(d, dimension_line_start).y, c.c.y + r * std::sin(c.want * deg), 1e-4);
        EXPECT_NEAR(pair(d, dimension_line_end).x, c.c.x, 1e-4);
        EXPECT_NEAR(pair(d, dimension_line_end).y, c.c.y, 1e-4);
        Bytes l = label_of(20 + n);
        EXPECT_EQ((get_u16(l.data(), annotation_flags) & 0x0800) != 0, c.along);
        if (c.along) EXPECT_NEAR(get_f64(l.data(), dimension_text_angle), c.want * deg, 1e-4);
    }
}

// The links are taken in two passes: points that are a thread line's end
// moved by the thread clean-up (point flag bit 9) only fill a role the
// dimension needs (value bits 0-2) that the other points left empty.
TEST_F(PlacementGathering, MovedThreadEndsOnlyFillEmptyRoles) {
    const uint16_t moved = point_flag_thread_end;
    flagged_point(1, 10, 50, 0), flagged_point(2, 90, 50, moved);
    linear(11, 1, 2, 80);                      // the second role only from a moved end
    flagged_point(3, 20, 45, 0), flagged_point(4, 20, 49, moved), flagged_point(5, 70, 50, 0);
    linear(12, 3, 5, 50);
    link(12, 4, 1);                            // a moved end beside a first-role point: not used
    flagged_point(6, 30, 50, 0), flagged_point(7, 60, 50, moved);
    linear(13, 6, 7, 30, "25", 0x0001);        // the second role is not needed: no second pass
    PlacementRunResult r = run(placement_always);
    ASSERT_FALSE(r.failed);
    EXPECT_EQ(r.placed, 2);
    EXPECT_EQ(r.marked, 1);
    EXPECT_NEAR(pair(dimension(11), dimension_extension2).x, 90, 1e-4);
    EXPECT_NEAR(pair(dimension(11), dimension_extension2).y, 50, 1e-4);
    EXPECT_NEAR(pair(dimension(12), dimension_extension1).y, 45, 1e-4);
    EXPECT_TRUE(get_u16(dimension(13).data(), dimension_state) & 0x0020);
}

// In a view with a break its elements are drawn moved apart: a point is
// where a visible element that ends at it is drawn; a point that ends none
// is not used (the dimension is marked); a role whose points no longer
// stand on one extension line hides the dimension and its label.
TEST_F(PlacementGathering, ABrokenViewTakesItsPointsFromTheElements) {
    set_projection_flags(projection_word_has_break);
    flagged_point(1, 10, 50, 0), flagged_point(2, 90, 50, 0), flagged_point(3, 40, 50, 0);
    flagged_point(4, 12, 30, 0), flagged_point(5, 12, 10, 0);
    element2(1, element_kind_segment, 1, 2, 10, 50, 70, 50);  // point 2 drawn 20 to the left
    element2(2, element_kind_segment, 4, 5, 14, 30, 14, 10);  // point 4 drawn at x 14
    linear(11, 1, 2, 80);
    linear(12, 1, 3, 30);                                     // point 3 ends no element
    linear(13, 1, 2, 80);
    link(13, 4, 1);                                           // first role at x 10 and 14
    PlacementRunResult r = run(placement_always);
    ASSERT_FALSE(r.failed);
    EXPECT_EQ(r.placed, 1);
    Bytes d = dimension(11);
    EXPECT_NEAR(pair(d, dimension_extension2).x, 70, 1e-4);
    EXPECT_NEAR(pair(d, dimension_line_end).x, 70, 1e-4);
    EXPECT_NEAR(pair(d, dimension_line_start).x, 10, 1e-4);
    EXPECT_TRUE(get_u16(dimension(12).data(), dimension_state) & 0x0020);
    EXPECT_TRUE(get_u16(dimension(13).data(), dimension_value_word) & 0x0008);
    EXPECT_TRUE(get_u16(label_of(13).data(), annotation_flags) & 0x1000);
    EXPECT_FALSE(get_u16(dimension(11).data(), dimension_value_word) & 0x0008);
}

// With the newer drawing style (header word 112 bit 4) an extension line
// that would start at the end of a segment lying along it towards the
// dimension line starts at the segment's other end; a segment running
// away from the line changes nothing; the older style starts at the point.
// A line placed by hand so is kept by a run on the changed projection.
TEST_F(PlacementGathering, NewStyleExtensionLinesStartPastASegmentAlongThem) {
    for (bool new_style : {true, false}) {
        SCOPED_TRACE(new_style);
        PlacementGathering::TearDown();
        PlacementGathering::SetUp();
        uint8_t* h = current_drawing_file()->header;
        uint16_t o = get_u16(h, header_options2);
        put_u16(h, header_options2, static_cast<uint16_t>(new_style ? o | header_opt2_new_style : o & ~header_opt2_new_style));
        flagged_point(1, 10, 50, 0), flagged_point(2, 90, 50, 0), flagged_point(3, 10, 55, 0),
            flagged_point(4, 90, 40, 0);
        element2(1, element_kind_segment, 1, 3, 10, 50, 10, 55);  // along the first line, towards it
        element2(2, element_kind_segment, 2, 4, 90, 50, 90, 40);  // along the second, away from it
        linear(11, 1, 2, 80);
        ASSERT_EQ(run(placement_always).placed, 1);
        Bytes d = dimension(11);
        EXPECT_NEAR(pair(d, dimension_line_start).y, 60, 1e-4);
        EXPECT_NEAR(pair(d, dimension_extension1).y, new_style ? 55 : 50, 1e-4);
        EXPECT_NEAR(pair(d, dimension_extension2).y, 50, 1e-4);

        // Placed by hand: kept though the projection changed.
        RecordRef* head = projection_chain(projection(), projection_dimensions);
        uint8_t* rec = record_find_key(current_drawing_file(), head, 11, nullptr, &page_buffers[table_dimensions]);
        ASSERT_NE(rec, nullptr);
        put_u16(rec, dimension_value_word, static_cast<uint16_t>(get_u16(rec, dimension_value_word) | 0x0800));
        page_buffers[table_dimensions].clean = 0;
        EXPECT_EQ(run(placement_when_due).kept, 1);
        EXPECT_NEAR(pair(dimension(11), dimension_extension1).y, new_style ? 55 : 50, 1e-4);
    }
}
