#include "doc_test_support.h"

#include "store/point_index.h"
#include "geometry/tolerance.h"

using namespace doc_test;

namespace {

struct PoolCase {
    const char* what;
    std::vector<uint32_t> used;     // points met in this order
    std::vector<uint32_t> release;  // then released
    std::vector<uint32_t> next;     // the numbers handed out next
};

class NumberPools : public DocTest {
protected:
    RecordRef proj = 0;
    void SetUp() override {
        DocTest::SetUp();
        ASSERT_EQ(drawing_new(1), 0);
        proj = add_projection(1);
    }
};

TEST_F(NumberPools, RebuildOrderReleaseAndAllocation) {
    const PoolCase cases[] = {
        {"runs in record order: hi + 1 of the first", {1, 2, 3, 7}, {}, {4, 5, 6, 8}},
        {"a lone high run first gives lo - 1", {7, 1, 2, 3}, {}, {6, 5, 4, 8}},
        {"release splits a run", {1, 2, 3}, {2}, {2, 4}},
        {"empty drawing hands out 1", {}, {}, {1, 2}},
        {"release of the last number", {1}, {1}, {1}},
    };
    for (const PoolCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(drawing_close(), 0);
        ASSERT_EQ(drawing_new(1), 0);
        proj = add_projection(1);
        for (uint32_t k : c.used)
            add_to_projection(proj, projection_points, table_points, point_bytes(k, 0, 0, 0, 0));
        point_numbers_rebuild();
        uint32_t top = 0;
        for (uint32_t k : c.used) top = std::max(top, k);
        EXPECT_EQ(get_u32(current_drawing_file()->header, header_highest_point), top);
        for (uint32_t k : c.release) {
            point_number_release(k);
            EXPECT_EQ(point_number_is_used(k), 0);
        }
        for (uint32_t want : c.next) EXPECT_EQ(point_number_alloc(), want);
        EXPECT_EQ(point_number_is_used(0), 1);
    }
}

TEST_F(NumberPools, MergeJoinsTouchingRunsAndDropsTheEmptyRun) {
    NumberRun runs[6] = {{0, 0}, {5, 9}, {1, 2}, {3, 4}, {12, 12}, {10, 11}};
    int count = 6;
    number_runs_merge(runs, &count);
    // {0, 0} touches {1, 2}: the empty run is joined in, not dropped.
    ASSERT_EQ(count, 1);
    EXPECT_EQ(runs[0].lo, 0u);
    EXPECT_EQ(runs[0].hi, 12u);
    NumberRun apart[3] = {{0, 0}, {5, 6}, {9, 9}};
    int three = 3;
    number_runs_merge(apart, &three);
    ASSERT_EQ(three, 2);
    EXPECT_EQ(apart[0].lo, 5u);
    NumberRun none[2] = {{7, 7}, {0, 0}};
    int zero = 0;
    number_runs_merge(none, &zero);
    EXPECT_EQ(zero, 1);
    EXPECT_EQ(none[0].lo, 0u);
    NumberRun pool[1] = {{5, 9}};
    EXPECT_EQ(number_pool_take(pool), 4u);
}

TEST_F(NumberPools, UnlistedAllocationSkipsListedCandidates) {
    for (uint32_t k : {1u, 2u, 3u, 10u, 11u})
        add_to_projection(proj, projection_points, table_points, point_bytes(k, 0, 0, 0, 0));
    point_numbers_rebuild();
    // Candidates are 4 (after {1,3}) and 9 (before {10,11}).
    const uint32_t some[] = {4};
    EXPECT_EQ(point_number_alloc_unlisted(some, 1), 9u);
    // After the take above the runs are {1,3} and {9,11}: candidates 4 and 8.
    const uint32_t both[] = {4, 8, 40};
    EXPECT_EQ(point_number_alloc_unlisted(both, 3), 41u);
    EXPECT_EQ(point_number_is_used(41), 1);
    EXPECT_EQ(get_u32(current_drawing_file()->header, header_highest_point), 41u);
    EXPECT_EQ(point_number_alloc_unlisted(nullptr, 0), 4u);
}

TEST_F(NumberPools, ElementPoolSkipsZeroKeysAndRaisesTheMaximum) {
    for (uint32_t k : {0u, 3u, 4u, 9u}) {
        Bytes e(element_default_size, 0);
        put_u16(e.data(), 0, element_default_size);
        put_u32(e.data(), 2, k);
        add_to_projection(proj, projection_elements, table_elements, e);
    }
    element_numbers_rebuild();
    EXPECT_EQ(get_u32(current_drawing_file()->header, header_highest_element), 9u);
    EXPECT_EQ(element_number_is_used(4), 1);
    EXPECT_EQ(element_number_is_used(5), 0);
    EXPECT_EQ(element_number_alloc(), 2u);  // {3,4} first: lo - 1
    element_number_mark_used(5);
    EXPECT_EQ(element_number_is_used(5), 1);
    element_number_release(9);
    EXPECT_EQ(get_u32(current_drawing_file()->header, header_highest_element), 5u);
}

TEST_F(NumberPools, WithoutAPoolTheHeaderMaximumCounts) {
    point_pool_free();
    put_u32(current_drawing_file()->header, header_highest_point, 41);
    EXPECT_EQ(point_number_alloc(), 42u);
    EXPECT_EQ(get_u32(current_drawing_file()->header, header_highest_point), 42u);
    EXPECT_EQ(point_number_is_used(0), 0);
}

// ---------------------------------------------------------------- point index
class PointIndexes : public NumberPools {};

TEST_F(PointIndexes, GeneratedProjectionFoundByNumberAndPosition) {
    // A projection of 150 points on a spiral, a few with true == sketch.
    for (uint32_t k = 1; k <= 150; ++k) {
        double x = k * 1.5, y = k * 0.25 - 7;
        double tx = k % 10 == 0 ? x : x + 100;
        Bytes p = point_bytes(k, x, y, tx, y);
        if (k % 7 == 0) put_u16(p.data(), point_flags, 0x0004);
        if (k == 33) {  // left out: bit 5 in both flag fields
            put_u16(p.data(), point_flags, 0x0020);
            p[point_flags2] = 0x20;
        }
        add_to_projection(proj, projection_points, table_points, p);
    }
    RecordRef x = proj;
    unsigned char* pr = record_read_at(current_drawing_file(), &x, &page_buffers[table_projections]);
    Bytes projection(pr, pr + get_u16(pr, 0));
    RecordRef head = get_u32(projection.data(), projection_points);
    PointIndex* ix = point_index_collect(&head, point_index_new(), 0);
    ASSERT_NE(ix, nullptr);
    EXPECT_EQ(ix->count, 149u);
    EXPECT_GT(ix->capacity, ix->count);
    double at[2];
    for (uint32_t k = 1; k <= 150; ++k) {
        int i = point_index_find(ix, k, at);
        if (k == 33) {
            EXPECT_EQ(i, -1);
            continue;
        }
        ASSERT_GE(i, 0) << k;
        EXPECT_EQ(at[0], k * 1.5);
        EXPECT_EQ((ix->entries[i].flags & point_index_flag_same_point) != 0, k % 10 == 0) << k;
        EXPECT_EQ((ix->entries[i].flags & point_index_flag_hidden) != 0, k % 7 == 0) << k;
        // By position, through the index and by walking the chain.
        Bytes probe = point_bytes(999, k * 1.5 + 1e-9, k * 0.25 - 7, 0, 0);
        unsigned char* hit = point_find_at(projection.data(), probe.data(), ix);
        ASSERT_NE(hit, nullptr) << k;
        EXPECT_EQ(get_u32(hit, 2), k);
        hit = point_find_at(projection.data(), probe.data(), nullptr);
        ASSERT_NE(hit, nullptr) << k;
        EXPECT_EQ(get_u32(hit, 2), k);
    }
    RecordRef ref = 0;
    EXPECT_EQ(point_index_lookup(&head, 77, &ref, nullptr, at, 1), 1);
    EXPECT_EQ(at[0], 77 * 1.5 + 100);
    EXPECT_EQ(point_index_lookup(&head, 151, nullptr, ix, at, 0), 0);
    Bytes far = point_bytes(999, 1e6, 0, 0, 0);
    EXPECT_EQ(point_find_at(projection.data(), far.data(), ix), nullptr);
    point_index_free(ix);
}

TEST_F(PointIndexes, GrowthKeepsOneFreeEntry) {
    PointIndex* ix = point_index_new();
    ASSERT_EQ(ix->capacity, 43u);
    Bytes p = point_bytes(1, 0, 0, 0, 0);
    for (int i = 0; i < 41; ++i) ix = point_index_append(ix, 0, p.data(), 0);
    EXPECT_EQ(ix->capacity, 43u);
    ix = point_index_append(ix, 0, p.data(), 0);  // the 42nd
    EXPECT_EQ(ix->capacity, 85u);
    point_index_free(ix);
}

TEST_F(PointIndexes, LinkWalksWithAndWithoutPairList) {
    // 300 links: dimension k % 5, point k.
    for (uint32_t k = 1; k <= 300; ++k) {
        Bytes l(link_record_size, 0);
        put_u16(l.data(), 0, link_record_size);
        put_u32(l.data(), link_number, k);
        put_u32(l.data(), link_point, k);
        put_u32(l.data(), link_dimension, k % 5);
        add_to_projection(proj, projection_links, table_links, l);
    }
    RecordRef x = proj;
    unsigned char* pr = record_read_at(current_drawing_file(), &x, &page_buffers[table_projections]);
    Bytes projection(pr, pr + get_u16(pr, 0));
    RecordRef head = get_u32(projection.data(), projection_links);
    uint32_t* pairs = record_chain_index(current_drawing_file(), &head, link_record_size, 1, 0,
                                         &page_buffers[table_links]);
    ASSERT_NE(pairs, nullptr);  // the chain needs more than one block
    for (const uint32_t* list : {static_cast<const uint32_t*>(nullptr), static_cast<const uint32_t*>(pairs)}) {
        std::vector<uint32_t> seen;
        unsigned char* l = nullptr;
        while ((l = link_next_in(projection.data(), l, 3, 1, list)) != nullptr) seen.push_back(get_u32(l, 2));
        ASSERT_EQ(seen.size(), 60u);
        EXPECT_EQ(seen.front(), 3u);
        EXPECT_EQ(seen.back(), 298u);
    }
    unsigned char* byp = link_next(projection.data(), nullptr, 17, 2);
    ASSERT_NE(byp, nullptr);
    EXPECT_EQ(get_u32(byp, 2), 17u);
    // A prev that is not in the pair list gives null.
    Bytes stray(link_record_size, 0);
    EXPECT_EQ(link_next_in(projection.data(), stray.data(), 3, 1, pairs), nullptr);
    EXPECT_EQ(link_next(nullptr, nullptr, 3, 1), nullptr);
    std::free(pairs);
}

}  // namespace
