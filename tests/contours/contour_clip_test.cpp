// Clipping to contours: screening of stored elements, hatch lines cut by
// their contour and kept clear of texts, and hatch generation end to end
// with the drawing seam.
#include "contour_fixture.h"

#include "geometry/metric.h"
#include "render/contours/contour_clip.h"
#include "render/contours/hatch_generation.h"
#include "render/contours/hatch_patterns.h"

#include <algorithm>
#include <cstring>
#include <map>

using namespace contour_test;

namespace {

class ContourClip : public ContourTest {
protected:
    ContourWindow window{nullptr, nullptr};
    void SetUp() override {
        ContourTest::SetUp();
        window.projection = proj();
        put_u16(proj(), projection_highest_level, 9);
    }
    void TearDown() override {
        free_hatch_lines(&window);
        ContourTest::TearDown();
    }
    // A square outline 0..10 of kind, level and hidden-part line type,
    // members numbered first..first+3.
    void square_contour(uint32_t number, uint32_t first, int kind, int16_t level, double lo = 0, double hi = 10,
                        int hidden_line_type = 0) {
        polygon(first, {{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}}, 1);
        std::vector<uint8_t> c = contour_record(number, kind, level, {first, first + 1, first + 2, first + 3});
        put_box(c.data(), contour_box, Box{lo, lo, hi, hi});
        put_u16(c.data(), contour_flags, static_cast<uint16_t>(kind | (hidden_line_type << 3)));
        add_contour(c);
    }
    // Elements of number n with their visibility bits and end points.
    struct Shown {
        int visibility;
        int line_type;
        Point2 a, b;
    };
    std::vector<Shown> pieces_of(uint32_t n) {
        std::vector<Shown> out;
        for (auto& e : chain_records(projection_elements, table_elements)) {
            if (get_u32(e.data(), element_number) != n || !(get_u16(e.data(), element_flags) & 0x3000)) continue;
            size_t at = element_kind(e.data()) == 1 ? element_coords2 : element_coords3;
            out.push_back(Shown{(get_u16(e.data(), element_flags) >> 12) & 3, element_line_type(e.data()),
                                get_point2(e.data(), at), get_point2(e.data(), at + 16)});
        }
        std::sort(out.begin(), out.end(), [](const Shown& x, const Shown& y) { return x.a.x < y.a.x; });
        return out;
    }
    uint16_t flags_of(uint32_t n) {
        for (auto& e : chain_records(projection_elements, table_elements))
            if (get_u32(e.data(), element_number) == n && !(get_u16(e.data(), element_flags) & 0x3000))
                return get_u16(e.data(), element_flags);
        return 0;
    }
    int clip(uint32_t n) {
        for (uint8_t* e = record_next(df, head(projection_elements), nullptr, &page_buffers[table_elements]); e;
             e = record_next(df, head(projection_elements), e, &page_buffers[table_elements])) {
            if (get_u32(e, element_number) != n) continue;
            RecordRef ref = record_ref_of(&page_buffers[table_elements], e);
            switch (element_kind(e)) {
            case 1: return clip_line_to_contours(&window, e, ref, nullptr, clip_screening_mode);
            case 2: return clip_circle_to_contours(&window, e, ref, nullptr, clip_screening_mode);
            default: return clip_arc_to_contours(&window, e, ref, nullptr, clip_screening_mode);
            }
        }
        return -1;
    }
};

TEST_F(ContourClip, SegmentInsideOrOutsideAScreen) {
    square_contour(1, 101, 0, 5);
    segment(1, {2, 5}, {8, 5});
    segment(2, {20, 5}, {28, 5});
    EXPECT_EQ(clip(1), 1);
    std::vector<Shown> p = pieces_of(1);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].visibility, 2);
    EXPECT_TRUE(flags_of(1) & 0x0800);
    EXPECT_EQ(clip(2), 0);
    EXPECT_TRUE(pieces_of(2).empty());
    EXPECT_FALSE(flags_of(2) & 0x0800);
}

TEST_F(ContourClip, SegmentCrossingAScreenOutline) {
    for (int hidden_line_type : {0, 3}) {
        std::fill(projection.begin(), projection.end(), 0);
        put_u16(proj(), projection_highest_level, 9);
        square_contour(1, 101, 0, 5, 0, 10, hidden_line_type);
        segment(1, {5, 5}, {15, 5}, 2);
        EXPECT_EQ(clip(1), 1);
        std::vector<Shown> p = pieces_of(1);
        ASSERT_EQ(p.size(), 2u);
        EXPECT_NEAR(p[0].b.x, 10, 1e-9);
        EXPECT_NEAR(p[1].a.x, 10, 1e-9);
        if (hidden_line_type) {
            EXPECT_EQ(p[0].visibility, 1);
            EXPECT_EQ(p[0].line_type, 3);
        } else {
            EXPECT_EQ(p[0].visibility, 2);
            EXPECT_EQ(p[0].line_type, 2);
        }
        EXPECT_EQ(p[1].visibility, 1);
        EXPECT_EQ(p[1].line_type, 2);
    }
}

struct Stack {
    int16_t screen_level, hole_level;
    int visibility;
};

TEST_F(ContourClip, UpperOfScreenAndHoleDecides) {
    for (Stack s : {Stack{3, 6, 1}, Stack{6, 3, 2}}) {
        std::fill(projection.begin(), projection.end(), 0);
        put_u16(proj(), projection_highest_level, 9);
        square_contour(1, 101, 0, s.screen_level, 0, 10);
        square_contour(2, 201, 1, s.hole_level, 2, 8);
        segment(1, {4, 5}, {6, 5});
        EXPECT_EQ(clip(1), 1);
        std::vector<Shown> p = pieces_of(1);
        ASSERT_EQ(p.size(), 1u);
        EXPECT_EQ(p[0].visibility, s.visibility) << s.screen_level << " " << s.hole_level;
    }
}

TEST_F(ContourClip, ContoursBelowTheElementDoNotCount) {
    square_contour(1, 101, 0, 5);
    std::vector<uint8_t> e = element(1, 1, element_size2, 1);
    put_u16(e.data(), element_level, 7);
    put_point2(e.data(), element_coords2, {2, 5});
    put_point2(e.data(), element_coords2 + 16, {8, 5});
    add_element(e);
    EXPECT_EQ(clip(1), 0);
    EXPECT_TRUE(pieces_of(1).empty());
}

TEST_F(ContourClip, CircleAndArcAreCutIntoArcs) {
    square_contour(1, 101, 0, 5);
    circle(1, {13, 5}, {10, 5});  // centre on the right side of the square
    EXPECT_EQ(clip(1), 1);
    // From its on-circle point (13,5), outside, the circle runs down to
    // (10,2), through the square to (10,8) and back to its start.
    std::vector<Shown> p = pieces_of(1);
    ASSERT_EQ(p.size(), 3u);
    int hidden = 0, shown_count = 0;
    for (const Shown& s : p) {
        if (s.visibility == 2) {
            ++hidden;
            EXPECT_NEAR(s.a.x, 10, 1e-6);
            EXPECT_NEAR(s.a.y, 2, 1e-6);
            EXPECT_NEAR(s.b.x, 10, 1e-6);
            EXPECT_NEAR(s.b.y, 8, 1e-6);
        } else {
            ++shown_count;
        }
    }
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(shown_count, 2);
    // An arc of three points that bulges out through the outline.
    std::vector<uint8_t> a = element(2, 4, element_size3, 1);
    put_point2(a.data(), element_coords3, {8, 2});
    put_point2(a.data(), element_coords3 + 16, {8, 8});
    put_point2(a.data(), element_coords3 + 32, {12, 5});
    add_element(a);
    EXPECT_EQ(clip(2), 1);
    p = pieces_of(2);
    ASSERT_EQ(p.size(), 3u);
    int levels[3] = {0, 0, 0};
    for (const Shown& s : p) levels[s.visibility]++;
    EXPECT_EQ(levels[1], 1);
    EXPECT_EQ(levels[2], 2);
}

TEST_F(ContourClip, CurvePiecesAreClippedAndUncutPiecesKeptWhole) {
    square_contour(1, 101, 0, 5);
    // Three pieces: the first inside the square, the second crossing its
    // right side, the third outside.
    const Point2 pts[4] = {{2, 5}, {6, 5}, {14, 5}, {20, 5}};
    std::vector<uint8_t> c(curve_vertices + 4 * curve_vertex_size, 0);
    put_u16(c.data(), record_length, static_cast<uint16_t>(c.size()));
    put_u32(c.data(), element_number, 1);
    put_u16(c.data(), element_flags, 0x0015);
    put_i16(c.data(), curve_count, 4);
    for (int i = 0; i < 4; ++i) {
        size_t at = curve_vertices + static_cast<size_t>(i) * curve_vertex_size;
        put_u32(c.data(), at, static_cast<uint32_t>(10 + i));
        put_point2(c.data(), at + 4, pts[i]);
        // A through point just off the chord: a flat arc.
        Point2 mid{(pts[i].x + pts[(i + 1) % 4].x) / 2, 5.2};
        put_point2(c.data(), at + 20, i < 3 ? mid : pts[i]);
    }
    add_element(c);
    uint8_t* e = record_next(df, head(projection_elements), nullptr, &page_buffers[table_elements]);
    while (e && get_u32(e, element_number) != 1) e = record_next(df, head(projection_elements), e, &page_buffers[table_elements]);
    ASSERT_NE(e, nullptr);
    RecordRef ref = record_ref_of(&page_buffers[table_elements], e);
    EXPECT_EQ(clip_curve_to_contours(&window, e, ref, nullptr, clip_screening_mode), 1);
    std::vector<Shown> p = pieces_of(1);
    // Piece 1 hidden whole, piece 2 in a hidden and a shown part, piece 3
    // kept whole and shown.
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].visibility, 2);
    EXPECT_EQ(p[1].visibility, 2);
    EXPECT_NEAR(p[2].a.x, 10, 0.05);
    EXPECT_EQ(p[2].visibility, 1);
    EXPECT_EQ(p[3].visibility, 1);
    EXPECT_EQ(p[3].a.x, 14);
    EXPECT_TRUE(flags_of(1) & 0x0800);
}

TEST_F(ContourClip, ContourAroundATextFragment) {
    std::vector<uint8_t> text(text_fragment_head, 0);
    put_u16(text.data(), record_length, text_fragment_head);
    text[record_kind] = annotation_text_fragment;
    put_f32(text.data(), text_fragment_corner1, 12.0f);
    put_f32(text.data(), text_fragment_corner1 + 4, 8.0f);
    put_f32(text.data(), text_fragment_corner2, 8.0f);
    put_f32(text.data(), text_fragment_corner2 + 4, 12.0f);
    uint8_t* c = build_contour_around_annotation(text.data(), 0x1234);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(get_u16(c, record_length), 102);
    EXPECT_EQ(get_u32(c, contour_members + 16), 0x1234u);
    EXPECT_EQ(get_i16(c, contour_level), -2);
    EXPECT_EQ(members_of(c), (std::vector<uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(contour_pieces_active, 1);
    Box b = get_box(c, contour_box);
    EXPECT_NEAR(b.min_x, 8 - 1.54, 1e-6);
    EXPECT_NEAR(b.max_y, 12 + 1.54, 1e-6);
    EXPECT_TRUE(point_in_contour(proj(), Point2{10, 10}, c));
    EXPECT_TRUE(point_in_contour(proj(), Point2{b.min_x, 10}, c));
    EXPECT_FALSE(point_in_contour(proj(), Point2{15, 10}, c));
    free_contour(c);
    EXPECT_EQ(contour_pieces_active, 0);
    // A leader without a text measurer has no rectangle.
    text[record_kind] = annotation_leader;
    EXPECT_EQ(build_contour_around_annotation(text.data(), 1), nullptr);
}

TEST_F(ContourClip, ViewScreeningIsRebuiltAndRemoved) {
    square_contour(1, 101, 0, 5);
    segment(1, {2, 5}, {8, 5});
    std::vector<uint8_t> excluded = element(2, 1, element_size2, 1);
    excluded[element_options] = 0x04;
    put_point2(excluded.data(), element_coords2, {2, 6});
    put_point2(excluded.data(), element_coords2 + 16, {8, 6});
    add_element(excluded);
    circle(3, {6, 3}, {5, 3});
    rebuild_view_screening(proj());
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(pieces_of(1).size(), 1u);
    EXPECT_TRUE(pieces_of(2).empty());
    EXPECT_EQ(pieces_of(3).size(), 1u);
    EXPECT_TRUE(flags_of(1) & 0x0800);
    EXPECT_EQ(contour_array, nullptr);
    // Again: the old pieces are replaced, not doubled.
    rebuild_view_screening(proj());
    EXPECT_EQ(pieces_of(1).size(), 1u);
    remove_screening_pieces(proj());
    EXPECT_TRUE(pieces_of(1).empty());
    EXPECT_FALSE(flags_of(1) & 0x0800);
    EXPECT_EQ(chain_records(projection_elements, table_elements).size(), 7u);
}

TEST_F(ContourClip, CircleRecordAsAWholeArc) {
    std::vector<uint8_t> c = element(44, 2, element_size2, 5);
    put_u16(c.data(), element_level, 3);
    put_u16(c.data(), element_fragment, 2);
    put_u16(c.data(), element_flags, 0xFF52);
    put_u16(c.data(), element_options, 0xE005);
    put_u32(c.data(), element_points, 7);
    put_u32(c.data(), element_points + 4, 8);
    put_point2(c.data(), element_coords2, {3, 0});
    put_point2(c.data(), element_coords2 + 16, {0, 0});
    uint8_t a[element_size3];
    circle_to_arc_record(c.data(), a);
    EXPECT_EQ(get_u16(a, record_length), element_size3);
    EXPECT_EQ(get_u32(a, element_number), 44u);
    EXPECT_EQ(get_u16(a, element_level), 3);
    EXPECT_EQ(get_u16(a, element_fragment), 2);
    EXPECT_EQ(get_u16(a, element_flags), 0xB753);
    EXPECT_EQ(get_u16(a, element_options), 0x0005);
    EXPECT_EQ(get_u32(a, element_points), 7u);
    EXPECT_EQ(get_u32(a, element_points + 4), 7u);
    EXPECT_EQ(get_u32(a, element_points + 8), 8u);
    EXPECT_EQ(get_point2(a, element_coords3 + 16).x, 3);
    EXPECT_EQ(get_point2(a, element_coords3 + 32).x, 0);
}

// Hatch mode: the piece is kept inside its own contour and out of text
// rectangles.
TEST_F(ContourClip, HatchLinesStayInsideTheirContourAndClearOfTexts) {
    square_contour(71, 101, 2, -2, 0, 20);
    std::vector<uint8_t> text(text_fragment_head, 0);
    put_u16(text.data(), record_length, text_fragment_head);
    put_u32(text.data(), record_key, 5);
    text[record_kind] = annotation_text_fragment;
    put_f32(text.data(), text_fragment_corner1, 8.0f);
    put_f32(text.data(), text_fragment_corner1 + 4, 8.0f);
    put_f32(text.data(), text_fragment_corner2, 12.0f);
    put_f32(text.data(), text_fragment_corner2 + 4, 12.0f);
    ASSERT_NE(record_add(df, head(projection_annotations), text.data(), &page_buffers[table_annotation]), 0u);
    uint8_t line[element_size2] = {};
    put_u16(line, record_length, element_size2);
    put_u16(line, element_flags, hatch_piece_segment_flags);
    put_point2(line, element_coords2, {-5, 10});
    put_point2(line, element_coords2 + 16, {25, 10});
    Box range{0, 0, 20, 20};
    EXPECT_EQ(clip_line_to_contours(&window, line, 71, &range, clip_hatch_mode), 1);
    std::vector<std::pair<double, double>> spans;
    for (HatchLine* h = window.hatch_lines; h; h = h->next) {
        EXPECT_EQ(h->kind, 0x21);
        spans.push_back({std::min(h->g[0].x, h->g[1].x), std::max(h->g[0].x, h->g[1].x)});
    }
    std::sort(spans.begin(), spans.end());
    ASSERT_EQ(spans.size(), 2u);
    const double margin = 0.3 + 1.24;
    EXPECT_NEAR(spans[0].first, 0, 1e-9);
    EXPECT_NEAR(spans[0].second, 8 - margin, 1e-6);
    EXPECT_NEAR(spans[1].first, 12 + margin, 1e-6);
    EXPECT_NEAR(spans[1].second, 20, 1e-9);
    // A line wholly outside every contour is dropped.
    free_hatch_lines(&window);
    put_point2(line, element_coords2, {30, 10});
    put_point2(line, element_coords2 + 16, {40, 10});
    EXPECT_EQ(clip_line_to_contours(&window, line, 71, &range, clip_hatch_mode), 0);
    EXPECT_EQ(window.hatch_lines, nullptr);
}

struct DrawLog {
    static std::vector<int>& kinds() {
        static std::vector<int> v;
        return v;
    }
    static int segment(const uint8_t* e) {
        kinds().push_back(get_u16(e, element_flags));
        return 1;
    }
    static int circle(const uint8_t* e) {
        kinds().push_back(get_u16(e, element_flags));
        return 2;
    }
    static int arc(const uint8_t* e) {
        kinds().push_back(get_u16(e, element_flags));
        EXPECT_EQ(get_u16(e, record_length), element_size3);
        return 3;
    }
};

class HatchGeneration : public ContourClip {
protected:
    void SetUp() override {
        ContourClip::SetUp();
        hatch_kinds_install();
        put_f32(proj(), 58, 0.0f);
        put_f32(proj(), 62, 0.0f);
        put_f32(proj(), 66, 100.0f);
        put_f32(proj(), 70, 100.0f);
        hatch_line_drawers = {DrawLog::segment, DrawLog::circle, DrawLog::arc};
        DrawLog::kinds().clear();
    }
    void TearDown() override {
        hatch_line_drawers = {nullptr, nullptr, nullptr};
        hatch_worker_running = nullptr;
        ContourClip::TearDown();
    }
    std::vector<uint8_t> hatch_record(uint32_t id, int code, float p1, float p2) {
        std::vector<uint8_t> h(hatching_record_size, 0);
        put_u16(h.data(), record_length, hatching_record_size);
        put_u32(h.data(), record_key, id);
        h[record_kind] = annotation_hatching;
        h[hatching_kind_code] = static_cast<uint8_t>(code);
        h[8] = 1;
        put_f32(h.data(), hatching_param1, p1);
        put_f32(h.data(), hatching_param2, p2);
        return h;
    }
    size_t line_count() {
        size_t n = 0;
        for (HatchLine* h = window.hatch_lines; h; h = h->next) ++n;
        return n;
    }
};

TEST_F(HatchGeneration, MetalsFillTheContourAndAreDrawnThroughTheSeam) {
    square_contour(71, 101, 2, -2, 20, 40);
    std::vector<uint8_t> h = hatch_record(71, 1, 0.7853982f, 2.5f);
    generate_hatch(&window, h.data());
    ASSERT_EQ(error_flag, 0);
    // Lines at 45 degrees 2.5 apart across a 20 x 20 square: 2 x 20 / sqrt 2 / 2.5 of them, about.
    size_t n = line_count();
    EXPECT_GE(n, 10u);
    EXPECT_LE(n, 13u);
    for (HatchLine* l = window.hatch_lines; l; l = l->next)
        for (int i = 0; i < 2; ++i) {
            EXPECT_GE(l->g[i].x, 20 - 1e-6);
            EXPECT_LE(l->g[i].x, 40 + 1e-6);
            EXPECT_GE(l->g[i].y, 20 - 1e-6);
            EXPECT_LE(l->g[i].y, 40 + 1e-6);
        }
    EXPECT_EQ(draw_hatch_lines(&window), 1);
    EXPECT_EQ(DrawLog::kinds().size(), n);
    for (int k : DrawLog::kinds()) EXPECT_EQ(k, 0x21);
    EXPECT_EQ(contour_array, nullptr);
}

TEST_F(HatchGeneration, WoodRingsAreCutIntoArcs) {
    square_contour(71, 101, 2, -2, 20, 40);
    std::vector<uint8_t> h = hatch_record(71, 3, 5.0f, 0.0f);
    generate_hatch(&window, h.data());
    ASSERT_GT(line_count(), 0u);
    for (HatchLine* l = window.hatch_lines; l; l = l->next) EXPECT_EQ(l->kind & 0x0F, 3);
    EXPECT_EQ(draw_hatch_lines(&window), 3);
}

TEST_F(HatchGeneration, NothingToDoAndMissingContour) {
    ContourWindow empty{proj(), nullptr};
    EXPECT_EQ(draw_hatch_lines(&empty), 0);
    // Code 0: nothing, no message.
    std::vector<uint8_t> none = hatch_record(71, 0, 0, 0);
    generate_hatch(&window, none.data());
    EXPECT_TRUE(shown().empty());
    // A traced contour without members: skipped without a message.
    add_contour(contour_record(72, 2, -2, {}));
    std::vector<uint8_t> bare = hatch_record(72, 1, 0.785f, 2.5f);
    generate_hatch(&window, bare.data());
    EXPECT_TRUE(shown().empty());
    EXPECT_EQ(window.hatch_lines, nullptr);
    // No contour at all: the message, the redo mark in the header.
    std::vector<uint8_t> lost = hatch_record(73, 1, 0.785f, 2.5f);
    generate_hatch(&window, lost.data());
    EXPECT_EQ(error_flag, 1);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].find("ОШИБКА в контуре штриховки"), std::string::npos);
    EXPECT_NE(shown()[0].find("на проекции:"), std::string::npos);
    EXPECT_TRUE(get_u16(df->header, header_options) & 0x0800);
    // A code outside the table: the same.
    error_flag = 0;
    square_contour(74, 101, 2, -2, 20, 40);
    std::vector<uint8_t> odd = hatch_record(74, 20, 0.785f, 2.5f);
    generate_hatch(&window, odd.data());
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(shown().size(), 2u);
}

TEST_F(HatchGeneration, StopRequestEndsAfterTheCurrentPiece) {
    square_contour(71, 101, 2, -2, 20, 40);
    std::vector<uint8_t> h = hatch_record(71, 1, 0.7853982f, 2.5f);
    static int calls;
    calls = 0;
    hatch_worker_running = [] { return ++calls < 3; };
    generate_hatch(&window, h.data());
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(error_flag, 0);
}

}  // namespace
