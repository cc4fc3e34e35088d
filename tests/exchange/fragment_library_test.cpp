// A fragment taken from the other open drawing (the library in the other
// slot) as the program does it: two drawings made by the document code,
// the insertion's checkpoint on the target, the copy, and one undo.
#include "tests/exchange/fragment_test_support.h"

#include "documents/checkpoints.h"
#include "documents/documents.h"
#include "output/fragment_instances.h"

using namespace exchange_test;

namespace {

class FragmentLibrary : public FragmentExchangeTest {
protected:
    static size_t count(DrawingFile* d, uint32_t key, uint32_t chain, int table) {
        return chain_in(d, key, chain, table).size();
    }
};

TEST_F(FragmentLibrary, FragmentFromTheOtherSlotThroughTheCheckpoint) {
    ASSERT_EQ(drawing_new(1), 0);
    DrawingFile* library = current_drawing_file();
    RecordRef f = doc_test::add_projection(1);
    doc_test::add_to_projection(f, projection_points, table_points, doc_test::point_bytes(1, 0, 0, 0, 0));
    doc_test::add_to_projection(f, projection_points, table_points, doc_test::point_bytes(2, 10, 0, 10, 0));
    doc_test::add_to_projection(f, projection_points, table_points, doc_test::point_bytes(3, 10, 5, 10, 5));
    doc_test::add_to_projection(f, projection_elements, table_elements, segment(1, 1, 2, {0, 0}, {10, 0}));
    doc_test::add_to_projection(f, projection_elements, table_elements, segment(2, 2, 3, {10, 0}, {10, 5}));
    ASSERT_EQ(drawing_new(1), 0);
    // Making the second drawing keeps the first one's unsaved records.
    EXPECT_EQ(count(library, 1, projection_points, table_points), 3u);
    ASSERT_EQ(open_drawing_count, 2);
    DrawingFile* target = current_drawing_file();
    ASSERT_NE(target, library);
    RecordRef big = doc_test::add_projection(3);
    for (uint32_t n = 1; n <= 80; ++n)
        doc_test::add_to_projection(big, projection_points, table_points, doc_test::point_bytes(n, n, n, n, n));
    RecordRef t = doc_test::add_projection(7);
    doc_test::add_to_projection(t, projection_points, table_points, doc_test::point_bytes(1, 100, 100, 100, 100));
    doc_test::add_to_projection(t, projection_points, table_points, doc_test::point_bytes(2, 120, 100, 120, 100));
    doc_test::add_to_projection(t, projection_elements, table_elements, segment(1, 1, 2, {100, 100}, {120, 100}));

    EXPECT_EQ(count(library, 1, projection_elements, table_elements), 2u);
    FragmentInsertParams p;
    p.source_count = p.target_count = 1;
    p.source_points[0] = 1;
    p.target_points[0] = 2;
    p.source_xy[0] = {0, 0};
    p.target_xy[0] = {120, 100};
    ASSERT_EQ(drawing_checkpoint(1, nullptr), 0);
    ASSERT_EQ(current_drawing_file(), target);
    int r = insert_fragment(target, 7, library, 1, &p, FragmentSettings(), false);
    EXPECT_EQ(r, fragment_inserted) << (doc_test::rec().messages.empty() ? "" : doc_test::rec().messages.back());
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(count(target, 7, projection_elements, table_elements), 3u);
    EXPECT_EQ(count(target, 3, projection_points, table_points), 80u);
    EXPECT_EQ(count(library, 1, projection_points, table_points), 3u);
    drawing_undo();
    EXPECT_EQ(count(target, 7, projection_elements, table_elements), 1u);
}

}  // namespace
