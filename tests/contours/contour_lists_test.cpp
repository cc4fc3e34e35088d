// Contour records on the heap, the member walk and the inside test, over a
// real drawing file.
#include "contour_fixture.h"

#include "store/text_codec.h"

#include <cstdlib>
#include <cstring>
#include <map>

using namespace contour_test;

namespace {

class ContourLists : public ContourTest {};

struct InsideCase {
    const char* what;
    P point;
    int kind;
    bool inside;
};

// A square 0..10 with a notch: the bottom edge runs 0,10 -> 4,10 -> 4,6 ->
// 6,6 -> 6,10 -> 10,10 (the notch reaches up to y 6).
TEST_F(ContourLists, InsideTestCountsCrossingsTouchesAndRuns) {
    polygon(1, {{0, 0}, {10, 0}, {10, 10}, {6, 10}, {6, 6}, {4, 6}, {4, 10}, {0, 10}});
    std::vector<uint32_t> members{1, 2, 3, 4, 5, 6, 7, 8};
    const InsideCase cases[] = {
        {"plainly inside", {2, 2}, 2, true},
        {"left of the contour", {-3, 2}, 2, false},
        {"right of the contour", {13, 2}, 2, false},
        {"above the contour", {5, -1}, 2, false},
        {"inside the notch", {5, 8}, 2, false},
        {"on an edge of a hatch contour", {10, 5}, 2, true},
        {"on an edge of a hole", {0, 5}, 1, true},
        {"on an edge of a screen outline", {0, 5}, 0, false},
        // The line y = 6 runs along the notch's top: its neighbours leave on
        // the same side (both down), so the run counts as no crossing.
        {"left of the notch top", {2, 6}, 2, true},
        {"right of the notch top", {8, 6}, 2, true},
        // Vertex where the contour passes through the line y = 0 (corner):
        // the top edge itself lies on the line.
        {"outside beside the top edge", {-2, 0}, 2, false},
    };
    for (int kind = 0; kind < 3; ++kind) {
        add_contour(contour_record(100 + kind, kind, 0, members));
    }
    for (const InsideCase& c : cases) {
        uint8_t* rec = find_contour_by_number(df, head(projection_contours), 100 + c.kind);
        ASSERT_NE(rec, nullptr);
        std::vector<uint8_t> copy(rec, rec + get_u16(rec, 0));
        EXPECT_EQ(point_in_contour(proj(), Point2{c.point.x, c.point.y}, copy.data()), c.inside) << c.what;
    }
    EXPECT_EQ(error_flag, 0);
}

// A diamond: the scan line through its left and right vertices crosses the
// contour there once each; through its top vertex it only touches.
TEST_F(ContourLists, VerticesCountOnceWhenPassedAndNotWhenTouched) {
    polygon(1, {{5, 0}, {10, 5}, {5, 10}, {0, 5}});
    std::vector<uint8_t> c = contour_record(7, 2, 0, {1, 2, 3, 4});
    EXPECT_TRUE(point_in_contour(proj(), Point2{4, 5}, c.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{-1, 5}, c.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{2, 0}, c.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{8, 10}, c.data()));
}

// A staircase: the horizontal edge 4,4 -> 6,4 has neighbours that leave on
// opposite sides of the line y = 4, so it is one crossing.
TEST_F(ContourLists, HorizontalEdgeBetweenOppositeNeighboursIsOneCrossing) {
    polygon(1, {{0, 0}, {10, 0}, {10, 4}, {6, 4}, {4, 4}, {4, 10}, {0, 10}});
    std::vector<uint8_t> c = contour_record(7, 2, 0, {1, 2, 3, 4, 5, 6, 7});
    EXPECT_TRUE(point_in_contour(proj(), Point2{2, 4}, c.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{12, 4}, c.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{-2, 4}, c.data()));
    EXPECT_TRUE(point_in_contour(proj(), Point2{2, 8}, c.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{8, 8}, c.data()));
}

TEST_F(ContourLists, CirclesAndArcsAsMembers) {
    circle(1, {15, 10}, {10, 10});
    std::vector<uint8_t> c = contour_record(7, 2, 0, {1});
    EXPECT_TRUE(point_in_contour(proj(), Point2{10, 10}, c.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{16, 10}, c.data()));
    // On the line touching the top of the circle, beside it.
    EXPECT_FALSE(point_in_contour(proj(), Point2{2, 5}, c.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{2, 15}, c.data()));
    // Half disc: an arc from (10,0) over y < 0 round to (0,0), and the diameter.
    arc(2, {10, 0}, {0, 0}, {5, 0});
    segment(3, {0, 0}, {10, 0});
    std::vector<uint8_t> h = contour_record(8, 2, 0, {2, 3});
    EXPECT_TRUE(point_in_contour(proj(), Point2{5, -2}, h.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{5, 2}, h.data()));
    EXPECT_FALSE(point_in_contour(proj(), Point2{5, -6}, h.data()));
}

TEST_F(ContourLists, LongContourIsRejoinedFromItsChunks) {
    std::vector<uint32_t> members;
    for (uint32_t i = 1; i <= 491; ++i) members.push_back(i * 3);
    add_contour(contour_record(5, 2, 0, {1}));
    add_contour(contour_record(9, 0, 0, members));
    add_contour(contour_record(6, 2, 0, {2}));
    // Stored as a first chunk of 489 and a continuation of 2.
    int chunks = 0;
    for (auto& r : chain_records(projection_contours, table_contours))
        if (get_u32(r.data(), contour_number) == 9) ++chunks;
    EXPECT_EQ(chunks, 2);
    uint8_t* first = find_contour_by_number(df, head(projection_contours), 9);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(get_u16(first, contour_flags) & contour_flag_continuation);
    RecordRef held = record_ref_of(&page_buffers[table_contours], first);
    uint8_t* copy = copy_contour_record(df, head(projection_contours), first, &page_buffers[table_contours]);
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(record_is_heap_copy(copy, &page_buffers[table_contours]));
    EXPECT_EQ(members_of(copy), members);
    EXPECT_EQ(get_u16(copy, record_length), contour_members + 4 * 491);
    // The page held on entry is back in the buffer.
    EXPECT_EQ(page_buffers[table_contours].page, held & page_address_mask);
    std::free(copy);
    EXPECT_EQ(find_contour_by_number(df, head(projection_contours), 4), nullptr);
    // A one-record contour is no heap copy.
    EXPECT_FALSE(record_is_heap_copy(find_contour_by_number(df, head(projection_contours), 5),
                                     &page_buffers[table_contours]));
    EXPECT_FALSE(record_is_heap_copy(nullptr, &page_buffers[table_contours]));
}

TEST_F(ContourLists, ArrayHoldsScreeningContoursAndOptionallyHatchContours) {
    std::vector<uint32_t> many;
    for (uint32_t i = 1; i <= 500; ++i) many.push_back(i);
    add_contour(contour_record(1, 0, 3, {1}));
    add_contour(contour_record(2, 1, 3, many));
    add_contour(contour_record(3, 2, 3, {1}));
    add_contour(contour_record(4, 4, 3, {1}));
    add_contour(contour_record(0, 0, 3, {1}));  // temporary: never listed
    auto listed = [] {
        std::map<uint32_t, int> m;
        for (size_t i = 0; i < contour_array_count; ++i)
            m[get_u32(contour_array[i], contour_number)] = get_i16(contour_array[i], contour_member_count);
        return m;
    };
    ASSERT_EQ(build_contour_array(proj(), 1), 0);
    EXPECT_EQ(listed(), (std::map<uint32_t, int>{{1, 1}, {2, 500}}));
    ASSERT_EQ(build_contour_array(proj(), 0), 0);
    EXPECT_EQ(listed(), (std::map<uint32_t, int>{{1, 1}, {2, 500}, {3, 1}}));
    free_contour_array();
    EXPECT_EQ(contour_array, nullptr);
    EXPECT_EQ(contour_array_count, 0u);
}

TEST_F(ContourLists, MemberWalkByChainIndexAndPieces) {
    segment(4, {0, 0}, {1, 0});
    segment(5, {0, 0}, {2, 0});
    segment(4, {0, 0}, {3, 0});
    auto end_x = [](const uint8_t* e) { return get_point2(e, element_coords2 + 16).x; };
    // Walk of the chain.
    uint8_t* e = contour_member_next(proj(), nullptr, 4);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(end_x(e), 1);
    e = contour_member_next(proj(), e, 4);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(end_x(e), 3);
    EXPECT_EQ(contour_member_next(proj(), e, 4), nullptr);
    // The same through an element index of the chain.
    uint32_t idx[7] = {0};
    for (uint8_t* r = record_next(df, head(projection_elements), nullptr, &page_buffers[table_elements]); r;
         r = record_next(df, head(projection_elements), r, &page_buffers[table_elements])) {
        idx[1 + 2 * idx[0]] = get_u32(r, 2);
        idx[2 + 2 * idx[0]] = record_ref_of(&page_buffers[table_elements], r);
        ++idx[0];
    }
    element_index = idx;
    e = contour_member_next(proj(), nullptr, 4);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(end_x(e), 1);
    e = contour_member_next(proj(), e, 4);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(end_x(e), 3);
    EXPECT_EQ(contour_member_next(proj(), e, 4), nullptr);
    element_index = nullptr;
    // With the piece list active, only the piece answers, once, also
    // through the store's own look-up by key.
    ContourPiece* arcp = static_cast<ContourPiece*>(std::calloc(1, sizeof(ContourPiece)));
    arcp->number = 4;
    arcp->kind = piece_arc | 0x50;
    arcp->g[0] = {1, 0};
    arcp->g[1] = {-1, 0};
    arcp->g[2] = {0, 0};
    contour_pieces = arcp;
    contour_pieces_active = 1;
    e = contour_member_next(proj(), nullptr, 4);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(get_u16(e, 0), element_size3);
    EXPECT_EQ(get_u16(e, element_flags), 0x53);
    EXPECT_EQ(get_point2(e, element_coords3 + 32).x, 0);
    EXPECT_EQ(contour_member_next(proj(), e, 4), nullptr);
    EXPECT_EQ(element_find_by_key(proj(), nullptr, 4), e);
    EXPECT_EQ(contour_member_next(proj(), nullptr, 5), nullptr);
    // free_contour ends a temporary contour and the piece list with it.
    uint8_t* temp = static_cast<uint8_t*>(std::calloc(1, contour_block_size));
    put_u16(temp, 0, contour_head_size);
    free_contour(temp);
    EXPECT_EQ(contour_pieces, nullptr);
    EXPECT_EQ(contour_pieces_active, 0);
}

TEST_F(ContourLists, StoredContourIsLeftByFreeContour) {
    ContourPiece* p = static_cast<ContourPiece*>(std::calloc(1, sizeof(ContourPiece)));
    contour_pieces = p;
    contour_pieces_active = 1;
    RecordRef r = add_contour(contour_record(12, 2, -2, {}));
    free_contour(read_contour(r));
    EXPECT_EQ(contour_pieces, p);
    EXPECT_EQ(contour_pieces_active, 1);
}

TEST_F(ContourLists, BlockCapacityGrowsOnlyWhenNeeded) {
    size_t cap = 100;
    uint8_t* b = static_cast<uint8_t*>(std::malloc(cap));
    EXPECT_EQ(ensure_block_capacity(b, &cap, 98), b);
    EXPECT_EQ(cap, 100u);
    uint8_t* g = ensure_block_capacity(b, &cap, 99);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(cap, 115u);
    std::free(g);
}

TEST_F(ContourLists, VariableReferenceIsAppendedOnce) {
    uint16_t packed[16] = {};
    int bytes = text_pack_words(4, "ДЛИН", packed, 16, 3);
    ASSERT_GT(bytes, 0);
    std::vector<uint8_t> v(model_variable_name + static_cast<size_t>(bytes), 0);
    put_u16(v.data(), record_length, static_cast<uint16_t>(v.size()));
    put_u32(v.data(), model_variable_id, 31);
    put_u16(v.data(), model_variable_flags, static_cast<uint16_t>(bytes << 5));
    std::memcpy(v.data() + model_variable_name, packed, static_cast<size_t>(bytes));
    RecordRef vars = 0;
    ASSERT_NE(record_add(df, &vars, v.data(), &page_buffers[table_model]), 0u);
    put_u32(df->header, header_model_variables, vars);

    char text[778] = "25";
    EXPECT_EQ(append_variable_reference(31, text, sizeof text), 31u);
    EXPECT_STREQ(text, "25 {ДЛИН}");
    EXPECT_EQ(append_variable_reference(31, text, sizeof text), 0u);
    EXPECT_STREQ(text, "25 {ДЛИН}");
    char other[778] = "7";
    EXPECT_EQ(append_variable_reference(32, other, sizeof other), 0u);
    EXPECT_EQ(append_variable_reference(0, other, sizeof other), 0u);
    EXPECT_STREQ(other, "7");
    // Trailing blanks of a stored name are removed.
    char name[32];
    bytes = text_pack_words(5, "AB   ", packed, 16, 3);
    EXPECT_EQ(text_unpack_trimmed(bytes, reinterpret_cast<uint8_t*>(packed), name, sizeof name), 2);
    EXPECT_STREQ(name, "AB");
}

}  // namespace
