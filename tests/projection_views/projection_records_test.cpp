// Projection records in the store: a new record's bytes, clearing a
// projection's contents and deleting a projection.
#include "shell/core/projection_records.h"
#include "tests/documents/doc_test_support.h"

#include <cfloat>

using namespace doc_test;

TEST(ProjectionRecord, NewRecordBytes) {
    uint8_t r[projection_record_head];
    std::memset(r, 0xAB, sizeof r);
    projection_record_init(r, 7, 0x0610);
    EXPECT_EQ(get_u16(r, 0), 180);
    EXPECT_EQ(get_u32(r, 2), 7u);
    // Bytes 50-57 (area origin) stay 0; 58-73 hold the empty frame.
    for (int i = 50; i < 58; ++i) EXPECT_EQ(r[i], 0) << i;
    EXPECT_EQ(get_f32(r, 58), FLT_MAX);
    EXPECT_EQ(get_f32(r, 62), FLT_MAX);
    EXPECT_EQ(get_f32(r, 66), -FLT_MAX);
    EXPECT_EQ(get_f32(r, 70), -FLT_MAX);
    EXPECT_EQ(get_u16(r, 98), 0x0610);
    EXPECT_EQ(get_f64(r, 112), 1.0);
    EXPECT_EQ(get_u32(r, 6), 0u);
    EXPECT_EQ(get_u32(r, 30), 0u);
}

class ProjectionStoreTest : public DocTest {};

// Delete: the projection and its chains are gone, its point numbers are back
// in the pool and the projection counter names the highest left; the other
// projection keeps its points.
TEST_F(ProjectionStoreTest, DeleteReturnsNumbersAndKeepsOthers) {
    make_drawing("two.svt", 3);
    drawing_open_path("two.svt");
    DrawingFile* df = current_drawing_file();
    ASSERT_NE(df, nullptr);
    RecordRef second = add_projection(2);
    add_to_projection(second, projection_points, table_points, point_bytes(4, 1, 1, 1, 1));
    point_numbers_rebuild();
    put_u32(df->header, header_counters, 2);

    // Projection 2 is the highest: deleting 1 keeps the counter at 2.
    ASSERT_EQ(projection_delete_stored(df, 1), 0);
    std::vector<ProjectionEntry> left = projection_chain_entries(df);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].number, 2u);
    EXPECT_EQ(get_u32(df->header, header_counters), 2u);
    uint32_t again = point_number_alloc();  // 1..3 are free again, 4 stays used
    EXPECT_GE(again, 1u);
    EXPECT_LE(again, 3u);
    int points_left = 0;
    for (const Bytes& r : all_records()) points_left += r.size() == point_record_size + 1;
    EXPECT_EQ(points_left, 1);
    EXPECT_EQ(projection_delete_stored(df, 1), -1);  // gone already

    ASSERT_EQ(projection_delete_stored(df, 2), 0);
    EXPECT_TRUE(projection_chain_entries(df).empty());
    EXPECT_EQ(get_u32(df->header, header_counters), 0u);
}

// Clearing leaves the record in the chain with its seven chain heads 0.
TEST_F(ProjectionStoreTest, ClearContentsZeroesHeads) {
    make_drawing("one.svt", 2);
    drawing_open_path("one.svt");
    DrawingFile* df = current_drawing_file();
    std::vector<ProjectionEntry> e = projection_chain_entries(df);
    ASSERT_EQ(e.size(), 1u);
    Bytes elem(60, 0);
    put_u16(elem.data(), 0, 60);
    put_u32(elem.data(), 2, 5);
    add_to_projection(e[0].ref, projection_elements, table_elements, elem);
    element_numbers_rebuild();
    EXPECT_EQ(element_number_is_used(5), 1);
    ASSERT_EQ(projection_clear_contents(df, e[0].ref), 0);
    EXPECT_EQ(element_number_is_used(5), 0);
    e = projection_chain_entries(df);
    ASSERT_EQ(e.size(), 1u);
    RecordRef at = e[0].ref;
    unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
    ASSERT_NE(p, nullptr);
    for (int off = 6; off <= 30; off += 4) EXPECT_EQ(get_u32(p, off), 0u) << off;
    EXPECT_EQ(all_records().size(), 1u);
    EXPECT_EQ(projection_clear_contents(df, 0), -1);
}
