// Dynamic fragments: an instance inserted with constant update follows its
// fragment when the update runs (same instance, same numbers, new places);
// one whose binding point is gone is removed; dependency cycles, also one
// entered part way, end the update with its log line.
#include "tests/exchange/fragment_test_support.h"

#include "documents/documents.h"
#include "output/fragment_update.h"

using namespace exchange_test;

namespace {

class FragmentUpdate : public FragmentExchangeTest {
protected:
    std::vector<std::string> log;
    DrawingFile* df = nullptr;

    void SetUp() override {
        ExchangeTest::SetUp();
        ASSERT_EQ(drawing_new(1), 0);
        df = current_drawing_file();
    }
    // A projection with points 1 (0,0) and 2 (10,5) and the line 1-2.
    RecordRef two_point_projection(uint32_t key) {
        RecordRef r = doc_test::add_projection(key);
        doc_test::add_to_projection(r, projection_points, table_points, doc_test::point_bytes(1, 0, 0, 0, 0));
        doc_test::add_to_projection(r, projection_points, table_points, doc_test::point_bytes(2, 10, 5, 10, 5));
        doc_test::add_to_projection(r, projection_elements, table_elements, segment(1, 1, 2, {0, 0}, {10, 5}));
        return r;
    }
    // Inserts fragment `source` into `target` by its point 1 onto the
    // target's point 1, with constant update.
    int insert(uint32_t target, uint32_t source, Point2 at = {0, 0}) {
        FragmentInsertParams p;
        p.source_count = p.target_count = 1;
        p.source_points[0] = 1;
        p.target_points[0] = 1;
        p.target_xy[0] = at;
        FragmentSettings s;
        s.mode = static_cast<uint8_t>(fragment_mode_always | fragment_mode_constant_update);
        return insert_fragment(df, target, df, source, &p, s, false);
    }
    std::vector<Bytes> chain(uint32_t key, uint32_t off, int table) { return chain_in(df, key, off, table); }
    void move_point(uint32_t key, uint32_t number, double x, double y) {
        uint8_t* p = fragment_projection_in(df, key);
        RecordRef h = get_u32(p, projection_points);
        PageBuffer* b = &page_buffers[table_points];
        for (uint8_t* r = record_next(df, &h, nullptr, b); r; r = record_next(df, &h, r, b))
            if (get_u32(r, point_number) == number) {
                put_f64(r, point_sketch_x, x);
                put_f64(r, point_sketch_y, y);
                b->clean = 0;
            }
    }
    FragmentUpdateResult update() {
        return update_dynamic_fragments(df, false, [this](const char* t) { log.push_back(t); });
    }
};

TEST_F(FragmentUpdate, InstanceFollowsItsFragmentAndKeepsItsNumbers) {
    two_point_projection(1);                 // the fragment
    RecordRef t = doc_test::add_projection(2);
    doc_test::add_to_projection(t, projection_points, table_points, doc_test::point_bytes(1, 50, 50, 50, 50));
    ASSERT_EQ(insert(2, 1, {50, 50}), fragment_inserted);
    auto copied = [&] {
        std::vector<Bytes> out;
        for (auto& r : chain(2, projection_points, table_points))
            if (get_u16(r.data(), point_fragment) == 1) out.push_back(r);
        return out;
    };
    ASSERT_EQ(copied().size(), 1u);
    uint32_t number = get_u32(copied()[0].data(), point_number);
    EXPECT_EQ(get_f64(copied()[0].data(), point_sketch_x), 60.0);

    move_point(1, 2, 20, 5);                 // the fragment changes
    FragmentUpdateResult r = update();
    EXPECT_EQ(r.reinserted, 1);
    EXPECT_FALSE(r.cycle);
    EXPECT_TRUE(log.empty());
    ASSERT_EQ(copied().size(), 1u);
    EXPECT_EQ(get_u32(copied()[0].data(), point_number), number);
    EXPECT_EQ(get_f64(copied()[0].data(), point_sketch_x), 70.0);
    EXPECT_EQ(get_f64(copied()[0].data(), point_sketch_y), 55.0);
    int instances = 0, elements = 0;
    for (auto& c : chain(2, projection_construction, table_construction))
        if (c[record_kind] == construction_fragment_instance) ++instances;
    for (auto& e : chain(2, projection_elements, table_elements))
        if (get_u16(e.data(), element_fragment) == 1) ++elements;
    EXPECT_EQ(instances, 1);
    EXPECT_EQ(elements, 1);
}

TEST_F(FragmentUpdate, InstanceWithoutItsBindingPointIsRemoved) {
    two_point_projection(1);
    RecordRef t = doc_test::add_projection(2);
    doc_test::add_to_projection(t, projection_points, table_points, doc_test::point_bytes(1, 50, 50, 50, 50));
    ASSERT_EQ(insert(2, 1, {50, 50}), fragment_inserted);
    // The target's binding point goes: the instance cannot be placed again.
    uint8_t* p = fragment_projection_in(df, 2);
    RecordRef h = get_u32(p, projection_points);
    record_delete_key(df, &h, 1, &page_buffers[table_points]);
    p = fragment_projection_in(df, 2);
    put_u32(p, projection_points, h);
    page_buffers[table_projections].clean = 0;
    FragmentUpdateResult r = update();
    EXPECT_EQ(r.removed, 1);
    for (auto& c : chain(2, projection_construction, table_construction))
        EXPECT_NE(c[record_kind], construction_fragment_instance);
    for (auto& e : chain(2, projection_elements, table_elements)) EXPECT_EQ(get_u16(e.data(), element_fragment), 0);
}

TEST_F(FragmentUpdate, CyclesEndTheUpdate) {
    // A -> B -> C -> D -> C: the walk enters the cycle part way.
    for (uint32_t k = 1; k <= 4; ++k) two_point_projection(k);
    ASSERT_EQ(insert(1, 2), fragment_inserted);
    ASSERT_EQ(insert(2, 3), fragment_inserted);
    ASSERT_EQ(insert(3, 4), fragment_inserted);
    ASSERT_EQ(insert(4, 3), fragment_inserted);
    FragmentUpdateResult r = update();
    EXPECT_TRUE(r.cycle);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind(text_fragment_cycle, 0), 0u) << log[0];
}

TEST_F(FragmentUpdate, ReplacedInstanceTakesTheNewFragmentAtItsPlace) {
    two_point_projection(1);                  // fragment A: (0,0)-(10,5)
    RecordRef b = doc_test::add_projection(3);  // fragment B: 7 (0,0) - 8 (0,20)
    doc_test::add_to_projection(b, projection_points, table_points, doc_test::point_bytes(7, 0, 0, 0, 0));
    doc_test::add_to_projection(b, projection_points, table_points, doc_test::point_bytes(8, 0, 20, 0, 20));
    doc_test::add_to_projection(b, projection_elements, table_elements, segment(5, 7, 8, {0, 0}, {0, 20}));
    for (uint32_t key : {2u, 4u}) {
        RecordRef t = doc_test::add_projection(key);
        Point2 at = key == 2 ? Point2{50, 50} : Point2{0, 100};
        doc_test::add_to_projection(t, projection_points, table_points, doc_test::point_bytes(1, at.x, at.y, at.x, at.y));
    }
    ASSERT_EQ(insert(2, 1, {50, 50}), fragment_inserted);  // instance 1 of 2
    ASSERT_EQ(insert(2, 1, {50, 50}), fragment_inserted);  // instance 2 of 2
    ASSERT_EQ(insert(4, 1, {0, 100}), fragment_inserted);  // instance 1 of 4
    auto far_ends = [&](uint32_t key, uint16_t instance) {
        std::vector<std::pair<double, double>> out;
        for (auto& r : chain(key, projection_points, table_points))
            if (get_u16(r.data(), point_fragment) == instance)
                out.emplace_back(get_f64(r.data(), point_sketch_x), get_f64(r.data(), point_sketch_y));
        return out;
    };
    auto record_of = [&](uint32_t key, uint16_t instance) {
        for (auto& r : chain(key, projection_construction, table_construction))
            if (r[record_kind] == construction_fragment_instance && get_u16(r.data(), fragment_instance) == instance)
                return r;
        return Bytes();
    };
    const uint32_t points_b[3] = {7, 0, 0};

    // One instance: B's point 7 on the target's point 1, B's far end 20 up.
    EXPECT_EQ(replace_fragment(df, 2, 1, 3, points_b, false), 1);
    EXPECT_EQ(error_flag, 0);
    EXPECT_EQ(far_ends(2, 1), (std::vector<std::pair<double, double>>{{50, 70}}));
    EXPECT_EQ(far_ends(2, 2), (std::vector<std::pair<double, double>>{{60, 55}}));
    EXPECT_EQ(far_ends(4, 1), (std::vector<std::pair<double, double>>{{10, 105}}));
    Bytes rec = record_of(2, 1);
    ASSERT_FALSE(rec.empty());
    EXPECT_EQ(get_u32(rec.data(), fragment_source), 3u);
    EXPECT_EQ(get_u32(rec.data(), fragment_source_points), 7u);
    int copies = 0;
    for (auto& e : chain(2, projection_elements, table_elements))
        if (get_u16(e.data(), element_fragment) == 1) ++copies;
    EXPECT_EQ(copies, 1);  // A's copy went, B's came

    // Every instance of A, in both projections; the one already of B stays.
    EXPECT_EQ(replace_fragment(df, 2, 2, 3, points_b, true), 2);
    EXPECT_EQ(far_ends(2, 2), (std::vector<std::pair<double, double>>{{50, 70}}));
    EXPECT_EQ(far_ends(4, 1), (std::vector<std::pair<double, double>>{{0, 120}}));
    EXPECT_EQ(get_u32(record_of(4, 1).data(), fragment_source), 3u);

    // Refused: a projection as its own fragment, an instance not there.
    EXPECT_EQ(replace_fragment(df, 2, 1, 2, points_b, false), -2);
    EXPECT_EQ(replace_fragment(df, 2, 9, 3, points_b, false), -1);
    EXPECT_EQ(get_u32(record_of(2, 1).data(), fragment_source), 3u);
}

}  // namespace
