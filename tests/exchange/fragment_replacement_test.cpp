// Fragment replacement, the choice: the instances of a fragment and the
// projections that may take its place are listed, and an instance record
// is found by its projection and number.
#include "tests/exchange/exchange_test_support.h"

#include "documents/documents.h"
#include "output/fragment_instances.h"
#include "output/fragment_replacement.h"

using namespace exchange_test;

namespace {

class FragmentReplace : public ExchangeTest {
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
    void TearDown() override {
        fragment_shell = fragment_shell_unbound;
        close_and_forget();
        ExchangeTest::TearDown();
    }
    static Bytes segment(uint32_t n, uint32_t a, uint32_t b, Point2 pa, Point2 pb) {
        Bytes r(element_size2, 0);
        put_u16(r.data(), record_length, element_size2);
        put_u32(r.data(), element_number, n);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(element_kind_segment | (1 << 4)));
        put_u32(r.data(), element_points, a);
        put_u32(r.data(), element_points + 4, b);
        put_point2(r.data(), element_coords2, pa);
        put_point2(r.data(), element_coords2 + 16, pb);
        return r;
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
    std::vector<Bytes> chain(uint32_t key, uint32_t off, int table) {
        std::vector<Bytes> out;
        uint8_t* p = fragment_projection_in(df, key);
        if (!p) return out;
        RecordRef h = get_u32(p, off);
        for (uint8_t* r = record_next(df, &h, nullptr, &page_buffers[table]); r;
             r = record_next(df, &h, r, &page_buffers[table]))
            out.emplace_back(r, r + get_u16(r, 0));
        return out;
    }
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
