// Building and searching closed contours: the piece graph, tracing around
// a point, storing the found contour, gap closing and the hatch contour
// rebuild, over projections of a real drawing file.
#include "contour_fixture.h"

#include "store/settings_block.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

using namespace contour_test;

namespace {

class ContourSearch : public ContourTest {
protected:
    double area_of(const uint8_t* c) { return get_f64(c, contour_area); }
};

ContourPiece* make_piece(int kind, Point2 a, Point2 b, Point2 c = {0, 0}) {
    ContourPiece* p = static_cast<ContourPiece*>(std::calloc(1, sizeof(ContourPiece)));
    p->kind = static_cast<uint16_t>(kind);
    p->g[0] = a;
    p->g[1] = b;
    p->g[2] = c;
    return p;
}

TEST_F(ContourSearch, TurnOrdersPiecesLeavingOneEnd) {
    // P leaves the origin along +x; Q leaves along +y, -x and -y.
    ContourPiece* p = make_piece(piece_segment, {0, 0}, {1, 0});
    ContourPiece* up = make_piece(piece_segment, {0, 0}, {0, -1});
    ContourPiece* left = make_piece(piece_segment, {-1, 0}, {0, 0});
    ContourPiece* down = make_piece(piece_segment, {0, 0}, {0, 1});
    const double pi = std::acos(-1.0);
    EXPECT_NEAR(contour_turn(p, 0, down, 0), 3 * pi / 2, 1e-9);
    EXPECT_NEAR(contour_turn(p, 0, left, 1), pi, 1e-9);
    EXPECT_NEAR(contour_turn(p, 0, up, 0), pi / 2, 1e-9);
    EXPECT_NEAR(contour_turn(down, 0, p, 0), pi / 2, 1e-9);
    // An arc leaving the origin along +x continues the piece that arrives
    // along +x nearly straight: it leaves along its tangent bent slightly
    // toward its centre, not along its radius.
    ContourPiece* arc = make_piece(piece_arc, {0, 0}, {2, -2}, {0, -2});  // centre above the origin
    double t = contour_turn(left, 1, arc, 0);
    EXPECT_NEAR(t, pi, 0.01);
    EXPECT_NE(t, contour_turn(left, 1, p, 0));
    // A circle has no ends: the algorithm message, turn 0.
    ContourPiece* circle = make_piece(piece_circle, {1, 0}, {0, 0});
    EXPECT_EQ(contour_turn(circle, 0, p, 0), 0.0);
    ASSERT_FALSE(shown().empty());
    EXPECT_NE(shown().back().find("алгоритма 2"), std::string::npos);
    EXPECT_EQ(tolerance_get(), tolerance_standing);
    // The turn leaves the caller's tolerance as it found it, on both roads.
    for (double caller : {tolerance_arc_snap, tolerance_fine}) {
        ToleranceGuard held(caller);
        contour_turn(p, 0, up, 0);
        EXPECT_EQ(tolerance_get(), caller);
        contour_turn(circle, 0, p, 0);
        EXPECT_EQ(tolerance_get(), caller);
    }
    for (ContourPiece* x : {p, up, left, down, arc, circle}) std::free(x);
}

TEST_F(ContourSearch, CrossingDiagonalsSplitTheRectangleIntoTriangles) {
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    segment(5, {0, 0}, {10, 10});
    segment(6, {10, 0}, {0, 10});
    collect_contour_pieces(proj());
    ASSERT_EQ(error_flag, 0);
    // 4 sides cut at the corners only, 2 diagonals cut in two at the centre.
    EXPECT_EQ(piece_count(), 8);
    uint8_t* c = trace_contour_around(proj(), Point2{5, 2}, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(members_of(c).size(), 3u);
    EXPECT_NEAR(area_of(c), 25.0, 1e-6);
    Box b = get_box(c, contour_box);
    EXPECT_NEAR(b.min_x, 0, 1e-9);
    EXPECT_NEAR(b.max_x, 10, 1e-9);
    EXPECT_NEAR(b.max_y, 5, 1e-9);
    EXPECT_NEAR(get_f64(c, contour_perimeter), 10 + 2 * std::sqrt(50.0), 1e-6);
    std::free(c);
}

TEST_F(ContourSearch, InnermostAndOutermostOfNestedRectangles) {
    polygon(1, {{0, 0}, {20, 0}, {20, 20}, {0, 20}});
    polygon(5, {{8, 8}, {12, 8}, {12, 12}, {8, 12}});
    collect_contour_pieces(proj());
    uint8_t* inner = trace_contour_around(proj(), Point2{10, 10}, 0);
    ASSERT_NE(inner, nullptr);
    EXPECT_NEAR(area_of(inner), 16.0, 1e-6);
    std::free(inner);
    build_piece_graph(proj(), nullptr);  // clears the tracing marks
    uint8_t* outer = trace_contour_around(proj(), Point2{10, 10}, 1);
    ASSERT_NE(outer, nullptr);
    EXPECT_NEAR(area_of(outer), 400.0, 1e-6);
    std::free(outer);
    build_piece_graph(proj(), nullptr);
    // Between the two the innermost loop around the point is the outer one.
    uint8_t* ring = trace_contour_around(proj(), Point2{2, 2}, 0);
    ASSERT_NE(ring, nullptr);
    EXPECT_NEAR(area_of(ring), 400.0, 1e-6);
    std::free(ring);
    build_piece_graph(proj(), nullptr);
    EXPECT_EQ(trace_contour_around(proj(), Point2{30, 2}, 0), nullptr);
    EXPECT_EQ(error_flag, 0);
    EXPECT_TRUE(shown().empty());
}

TEST_F(ContourSearch, CircleAloneIsAOneMemberContour) {
    circle(1, {13, 10}, {10, 10});
    collect_contour_pieces(proj());
    ASSERT_EQ(piece_count(), 1);
    uint8_t* c = trace_contour_around(proj(), Point2{10, 11}, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(members_of(c), std::vector<uint32_t>{1});
    Box b = get_box(c, contour_box);
    EXPECT_NEAR(b.min_x, 7, 1e-9);
    EXPECT_NEAR(b.max_y, 13, 1e-9);
    EXPECT_NEAR(area_of(c), std::acos(-1.0) * 9, 1e-6);
    std::free(c);
}

TEST_F(ContourSearch, SegmentAcrossCircleCutsBothIntoArcs) {
    circle(1, {15, 10}, {10, 10});
    segment(2, {0, 10}, {20, 10});
    collect_contour_pieces(proj());
    ASSERT_EQ(error_flag, 0);
    // Dead ends (the segment's outer parts) go; two half circles and the
    // diameter remain.
    EXPECT_EQ(piece_count(), 3);
    uint8_t* c = trace_contour_around(proj(), Point2{10, 8}, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_NEAR(area_of(c), std::acos(-1.0) * 25 / 2, 1e-3);
    EXPECT_EQ(members_of(c).size(), 2u);
    std::free(c);
}

TEST_F(ContourSearch, DeadEndsAndDuplicatesAreRemoved) {
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    segment(5, {10, 10}, {15, 15});           // dead end from a corner
    segment(6, {0, 0}, {10, 0}, 8);           // duplicate of side 1, line type 8
    segment(7, {10, 10}, {10, 0}, 3);         // duplicate of side 2 reversed
    collect_contour_pieces(proj());
    ASSERT_EQ(error_flag, 0);
    ASSERT_EQ(piece_count(), 4);
    std::vector<int> line_types;
    for (ContourPiece* p = contour_pieces; p; p = p->next) {
        EXPECT_NE(p->source, 0u);
        line_types.push_back((p->kind & piece_line_type_mask) >> 4);
    }
    for (int lt : line_types) EXPECT_NE(lt, 8);
    uint8_t* c = trace_contour_around(proj(), Point2{5, 5}, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(members_of(c).size(), 4u);
    std::free(c);
}

TEST_F(ContourSearch, ElementsThatMakeNoPiecesAreLeftOut) {
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    segment(5, {0, 5}, {10, 5}, 0);  // line type 0
    segment(6, {5, 0}, {5, 10}, 7);  // line type 7
    std::vector<uint8_t> hidden = element(7, 1, element_size2, 1);
    put_u16(hidden.data(), element_flags, 0x0811);  // hidden by screening
    put_point2(hidden.data(), element_coords2, {0, 2});
    put_point2(hidden.data(), element_coords2 + 16, {10, 2});
    add_element(hidden);
    std::vector<uint8_t> excluded = element(8, 1, element_size2, 1);
    excluded[element_options] = 0x04;
    put_point2(excluded.data(), element_coords2, {0, 3});
    put_point2(excluded.data(), element_coords2 + 16, {10, 3});
    add_element(excluded);
    segment(9, {3, 3}, {3, 3});  // a point
    collect_contour_pieces(proj());
    EXPECT_EQ(piece_count(), 4);
}

TEST_F(ContourSearch, FoundHatchContourIsStoredOnceWithAFreshNumber) {
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    put_u32(df->header, header_contour_counter, 10);
    put_u32(df->header, header_dword_92, 1000);
    uint8_t* c = find_closed_contour(proj(), Point2{5, 5}, contour_kind_hatch, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(get_u32(c, contour_number), 1000u);
    EXPECT_EQ(get_i16(c, contour_level), -2);
    EXPECT_EQ(get_i16(c, contour_member_count), 0);
    EXPECT_EQ(get_u16(c, record_length), contour_head_size);
    EXPECT_EQ(contour_kind(c), contour_kind_hatch);
    EXPECT_NEAR(get_f64(c, contour_area), 100.0, 1e-6);
    EXPECT_NEAR(get_f64(c, contour_perimeter), 40.0, 1e-9);
    EXPECT_EQ(get_u32(df->header, header_dword_92), 999u);
    EXPECT_EQ(contour_pieces, nullptr);
    // A second search of the same area gets the stored contour back.
    uint8_t* again = find_closed_contour(proj(), Point2{2, 3}, contour_kind_hatch, 0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(get_u32(again, contour_number), 1000u);
    EXPECT_EQ(chain_records(projection_contours, table_contours).size(), 1u);
    EXPECT_EQ(get_u32(df->header, header_dword_92), 999u);
    // Outside every loop: nothing, no message.
    EXPECT_EQ(find_closed_contour(proj(), Point2{20, 5}, contour_kind_hatch, 0), nullptr);
    EXPECT_EQ(error_flag, 0);
    EXPECT_TRUE(shown().empty());
}

TEST_F(ContourSearch, CounterMeetingItsLimitIsRefused) {
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    put_u32(df->header, header_contour_counter, 10);
    put_u32(df->header, header_dword_92, 11);
    EXPECT_EQ(find_closed_contour(proj(), Point2{5, 5}, contour_kind_hatch, 0), nullptr);
    EXPECT_EQ(error_flag, 1);
    EXPECT_EQ(shown().size(), 1u);
    EXPECT_EQ(chain_records(projection_contours, table_contours).size(), 0u);
    EXPECT_EQ(contour_pieces, nullptr);
}

TEST_F(ContourSearch, ProbeLeavesThePieceListToTheCaller) {
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    polygon(5, {{2, 2}, {4, 2}, {4, 4}, {2, 4}});
    uint8_t* c = find_closed_contour(proj(), Point2{3, 3}, contour_kind_hole, 1);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(get_u32(c, contour_number), 0u);
    // The probe asks for the outermost loop.
    EXPECT_NEAR(get_f64(c, contour_area), 100.0, 1e-6);
    EXPECT_NE(contour_pieces, nullptr);
    EXPECT_TRUE(chain_records(projection_contours, table_contours).empty());
    // Its members still resolve through the pieces.
    contour_pieces_active = 1;
    EXPECT_TRUE(point_in_contour(proj(), Point2{1, 1}, c));
    free_contour(c);
    EXPECT_EQ(contour_pieces, nullptr);
    EXPECT_EQ(contour_pieces_active, 0);
}

struct GapCase {
    double gap;
    double scale;
    bool joined;
};

TEST_F(ContourSearch, GapsCloseOnlyInProjectionsWithoutConstructionAndWithinTheLimit) {
    const GapCase cases[] = {{0.3, 1.0, true}, {0.7, 1.0, false}, {0.25, 0.5, true}, {0.4, 0.5, false}};
    for (const GapCase& g : cases) {
        // A fresh projection (empty chains) in the same drawing.
        free_contour_piece_list();
        std::fill(projection.begin(), projection.end(), 0);
        put_u16(proj(), projection_flags, 0x0400);
        put_f64(df->header, header_scale, g.scale);
        // Three sides closed, the fourth ends short of the first side's
        // start along its own line.
        RecordRef s1 = segment(1, {0, 0}, {10, 0});
        segment(2, {10, 0}, {10, 10});
        segment(3, {10, 10}, {0, 10});
        segment(4, {0, 10}, {0, g.gap});
        collect_contour_pieces(proj());
        ASSERT_EQ(error_flag, 0);
        EXPECT_EQ(piece_count(), g.joined ? 4 : 0) << g.gap << " at scale " << g.scale;
        (void)s1;
        // The drawing follows the piece: side 4 now ends at the origin.
        std::vector<std::vector<uint8_t>> els = chain_records(projection_elements, table_elements);
        for (auto& e : els) {
            if (get_u32(e.data(), element_number) == 4) {
                EXPECT_EQ(get_point2(e.data(), element_coords2 + 16).y, g.joined ? 0.0 : g.gap);
            }
        }
    }
    // Projections built by construction keep their gaps.
    free_contour_piece_list();
    put_f64(df->header, header_scale, 1.0);
    std::fill(projection.begin(), projection.end(), 0);
    segment(1, {0, 0}, {10, 0});
    segment(2, {10, 0}, {10, 10});
    segment(3, {10, 10}, {0, 10});
    segment(4, {0, 10}, {0, 0.3});
    collect_contour_pieces(proj());
    EXPECT_EQ(piece_count(), 0);
}

TEST_F(ContourSearch, HatchContoursAreRebuiltFromTheirSeeds) {
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    segment(5, {5, 0}, {5, 10});
    put_u32(df->header, header_dword_92, 5000);
    hatching(71, 1, {2, 5}, 0.785f, 2.5f);
    hatching(72, 1, {8, 5}, 0.785f, 2.5f);
    hatching(73, 1, {8, 5}, 0.785f, 2.5f, 1);  // has its own member list: left alone
    // A stale traced contour goes; a contour with members stays.
    add_contour(contour_record(900, 2, -2, {}));
    add_contour(contour_record(901, 0, 3, {1, 2, 3, 4}));
    rebuild_hatch_contours(proj());
    ASSERT_EQ(error_flag, 0);
    std::map<uint32_t, double> areas;
    for (auto& r : chain_records(projection_contours, table_contours))
        areas[get_u32(r.data(), contour_number)] = get_f64(r.data(), contour_area);
    EXPECT_EQ(areas.size(), 3u);
    EXPECT_EQ(areas.count(900), 0u);
    EXPECT_EQ(areas.count(901), 1u);
    EXPECT_NEAR(areas[71], 50.0, 1e-6);
    EXPECT_NEAR(areas[72], 50.0, 1e-6);
    Box b = get_box(find_contour_by_number(df, head(projection_contours), 72), contour_box);
    EXPECT_NEAR(b.min_x, 5, 1e-9);
    EXPECT_EQ(contour_pieces, nullptr);
    EXPECT_EQ(get_u32(df->header, header_dword_92), 5000u);
}

TEST_F(ContourSearch, PurgeDeletesAutomaticRecordsAndRebuildsHatchContours) {
    RecordRef projections = 0;
    // The projection record lives in the drawing this time.
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    std::vector<uint8_t> deleted = element(9, 1, element_size2, 1);
    put_u16(deleted.data(), element_flags, 0x8011);
    add_element(deleted);
    std::vector<uint8_t> marked = element(10, 1, element_size2, 1);
    put_u16(marked.data(), element_flags, 0x4011);
    put_point2(marked.data(), element_coords2 + 16, {-5, -5});
    add_element(marked);
    hatching(71, 1, {5, 5}, 0.785f, 2.5f, 1);
    std::vector<uint8_t> chunked_members;
    std::vector<uint32_t> many;
    for (uint32_t i = 0; i < 600; ++i) many.push_back(1 + i % 4);
    add_contour(contour_record(500, 2, -2, many));
    add_contour(contour_record(501, 0, 4, {1, 2, 3, 4}));
    put_u32(proj(), record_key, 1);
    put_u16(proj(), record_length, projection_record_head);
    put_u16(proj(), projection_flags, 0x0800);
    ASSERT_NE(record_add(df, &projections, proj(), &page_buffers[table_projections]), 0u);
    put_u32(df->header, header_projections, projections);
    put_u16(df->header, header_options, 0x0200 | 0x0001);
    put_u32(df->header, header_dword_92, 7000);
    purge_temporary_records();
    ASSERT_EQ(error_flag, 0);
    EXPECT_EQ(get_u16(df->header, header_options), 0x0001);
    uint8_t* p = projection_record(1);
    ASSERT_NE(p, nullptr);
    std::memcpy(proj(), p, projection_record_head);
    EXPECT_EQ(get_u16(proj(), projection_flags), 0);
    std::map<uint32_t, int> contours;
    for (auto& r : chain_records(projection_contours, table_contours)) contours[get_u32(r.data(), contour_number)]++;
    // The automatic contour and its chunk are gone; the hatching, now
    // without a member list, got its traced contour.
    EXPECT_EQ(contours, (std::map<uint32_t, int>{{71, 1}, {501, 1}}));
    std::vector<uint32_t> numbers;
    for (auto& e : chain_records(projection_elements, table_elements)) {
        numbers.push_back(get_u32(e.data(), element_number));
        EXPECT_EQ(get_u16(e.data(), element_flags) & 0xC000, 0);
    }
    EXPECT_EQ(numbers.size(), 5u);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 9u), 0);
    auto hatch = chain_records(projection_annotations, table_annotation);
    ASSERT_EQ(hatch.size(), 1u);
    EXPECT_EQ(hatch[0][8] & 1, 0);
}

TEST_F(ContourSearch, ImageBoxContainsOnlyStrictlyInsidePoints) {
    EXPECT_FALSE(projection_image_box_contains(nullptr, 0, 0));
    EXPECT_FALSE(projection_image_box_contains(proj(), 0, 0));
    segment(1, {0, 0}, {10, 4});
    segment(2, {50, 50}, {60, 60}, 0);  // line type 0: not drawn
    EXPECT_TRUE(projection_image_box_contains(proj(), 5, 2));
    EXPECT_FALSE(projection_image_box_contains(proj(), 10, 2));
    EXPECT_FALSE(projection_image_box_contains(proj(), 55, 55));
}

}  // namespace
