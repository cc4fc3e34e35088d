// Fragment replacement, the choice: the instances of a fragment and the
// projections that may take its place are listed, and an instance record
// is found by its projection and number.
#include "tests/exchange/fragment_test_support.h"

#include "documents/documents.h"
#include "output/fragment_instances.h"
#include "output/fragment_replacement.h"

using namespace exchange_test;

namespace {

class FragmentReplace : public FragmentExchangeTest {
protected:
    DrawingFile* df = nullptr;

    void SetUp() override {
        ExchangeTest::SetUp();
        ASSERT_EQ(drawing_new(1), 0);
        df = current_drawing_file();
        // Fragment 1: points 1 (0,0), 2 (10,5) and their line; fragment 3:
        // points 1 (0,0), 7 (20,0) and their line; projections 2 and 4
        // each get fragment 1 by its point 1 on their own point 1.
        fragment(1, 2, {10, 5});
        fragment(3, 7, {20, 0});
        for (uint32_t key : {2u, 4u}) {
            RecordRef t = doc_test::add_projection(key);
            doc_test::add_to_projection(t, projection_points, table_points,
                                        doc_test::point_bytes(1, 50, 50, 50, 50));
            ASSERT_EQ(insert(key, 1), fragment_inserted);
        }
    }
    void fragment(uint32_t key, uint32_t second, Point2 at) {
        RecordRef r = doc_test::add_projection(key);
        doc_test::add_to_projection(r, projection_points, table_points, doc_test::point_bytes(1, 0, 0, 0, 0));
        doc_test::add_to_projection(r, projection_points, table_points,
                                    doc_test::point_bytes(second, at.x, at.y, at.x, at.y));
        doc_test::add_to_projection(r, projection_elements, table_elements, segment(1, 1, second, {0, 0}, at));
    }
    int insert(uint32_t target, uint32_t source) {
        FragmentInsertParams p;
        p.source_count = p.target_count = 1;
        p.source_points[0] = 1;
        p.target_points[0] = 1;
        p.target_xy[0] = {50, 50};
        FragmentSettings s;
        return insert_fragment(df, target, df, source, &p, s, false);
    }
    std::vector<Bytes> chain(uint32_t key, uint32_t off, int table) { return chain_in(df, key, off, table); }
};

TEST_F(FragmentReplace, ListsInstancesAndCandidates) {
    std::vector<FragmentInstanceRef> in = fragment_instances_of(df, 1);
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].holder, 2u);
    EXPECT_EQ(in[1].holder, 4u);
    EXPECT_EQ(in[0].instance, 1);
    EXPECT_EQ(in[0].source_bindings, 1);
    // Fragment 1 itself and the two holders cannot replace it.
    EXPECT_EQ(fragment_replacement_candidates(df, 1), std::vector<uint32_t>{3});
    EXPECT_TRUE(fragment_instances_of(df, 3).empty());
    EXPECT_EQ(fragment_replacement_candidates(df, 3), (std::vector<uint32_t>{1, 2, 4}));

    struct Line {
        int number;
        const char* want;
    } lines[] = {{1, "01 Вид"}, {42, "42 Вид"}, {99, "99 Вид"}, {100, "100 Вид"}, {1234, "1234 Вид"}};
    for (const Line& l : lines) EXPECT_EQ(fragment_instance_line(l.number, "Вид"), l.want);
}

TEST_F(FragmentReplace, InstanceRecordCopied) {
    uint8_t rec[fragment_record_size] = {};
    ASSERT_TRUE(fragment_instance_record(df, 4, 1, rec));
    EXPECT_EQ(rec[record_kind], construction_fragment_instance);
    EXPECT_EQ(get_u32(rec, fragment_source), 1u);
    EXPECT_EQ(get_u16(rec, fragment_instance), 1);
    EXPECT_FALSE(fragment_instance_record(df, 4, 2, rec));  // no second instance
    EXPECT_FALSE(fragment_instance_record(df, 1, 1, rec));  // the fragment holds none
}

}  // namespace
