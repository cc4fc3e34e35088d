// Deleting records of a chain while walking it: the walk must meet every
// record exactly once, in chain order, whatever it deletes on the way (the
// first or last record of a page, a page's only record, runs of neighbours).
// Checked against a plain list of keys on random chains and random choices.
#include "store_test_support.h"

#include <random>
#include <set>

using namespace store_test;

namespace {

class ChainWalkDelete : public StoreTest {};

std::vector<uint32_t> chain_keys(DrawingFile* df, RecordRef* head, PageBuffer* buf) {
    std::vector<uint32_t> keys;
    for (unsigned char* r = record_next(df, head, nullptr, buf); r && keys.size() < 100000;
         r = record_next(df, head, r, buf))
        keys.push_back(get_u32(r, 2));
    return keys;
}

// A chain of n records of random lengths (a few to a page, sometimes one
// alone on its page) with keys 1..n.
std::vector<uint32_t> build_chain(DrawingFile* df, RecordRef* head, PageBuffer* buf, int n, std::mt19937& rng) {
    std::vector<uint32_t> model;
    std::uniform_int_distribution<int> pick(0, 9);
    for (int k = 1; k <= n; ++k) {
        int c = pick(rng);
        uint16_t len = c == 0 ? 2000 : c < 4 ? static_cast<uint16_t>(300 + 97 * c) : static_cast<uint16_t>(14 + 8 * c);
        std::vector<unsigned char> rec = make_record(len, static_cast<uint32_t>(k));
        EXPECT_NE(record_add_at_end(df, head, rec.data(), buf), 0u);
        model.push_back(static_cast<uint32_t>(k));
    }
    return model;
}

TEST_F(ChainWalkDelete, RandomDeletionsMeetEveryRecordOnce) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_elements];
    std::mt19937 rng(20261211);
    for (int round = 0; round < 40; ++round) {
        RecordRef head = 0;
        int n = 1 + static_cast<int>(rng() % 120);
        std::vector<uint32_t> model = build_chain(df, &head, b, n, rng);
        ASSERT_EQ(chain_keys(df, &head, b), model);
        // Each round deletes with its own probability, from none to all.
        double p = (round % 5) / 4.0;
        std::bernoulli_distribution doom(p);
        std::set<uint32_t> doomed;
        for (uint32_t k : model)
            if (doom(rng)) doomed.insert(k);

        std::vector<uint32_t> met;
        for (unsigned char* r = record_next(df, &head, nullptr, b); r && !error_flag && met.size() <= model.size();) {
            uint32_t key = get_u32(r, 2);
            met.push_back(key);
            r = doomed.count(key) ? record_delete_and_next(df, &head, r, b) : record_next(df, &head, r, b);
        }
        ASSERT_EQ(error_flag, 0) << "round " << round;
        EXPECT_EQ(met, model) << "round " << round;
        std::vector<uint32_t> left;
        for (uint32_t k : model)
            if (!doomed.count(k)) left.push_back(k);
        EXPECT_EQ(chain_keys(df, &head, b), left) << "round " << round;
        EXPECT_EQ(head == 0, left.empty());
        // Whatever the walk left behind is still a chain the primitives work on.
        std::vector<unsigned char> rec = make_record(40, 9999);
        ASSERT_NE(record_add_at_end(df, &head, rec.data(), b), 0u);
        left.push_back(9999);
        EXPECT_EQ(chain_keys(df, &head, b), left);
    }
}

// Records whose place the walk reaches only through the deletion: the
// last record of a page, the only one of a page, and the very last record.
TEST_F(ChainWalkDelete, DeletingAtPageEdgesGoesOnToTheNextPage) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_points];
    struct Case {
        const char* what;
        std::vector<uint16_t> lengths;
        std::set<uint32_t> doomed;
        std::vector<uint32_t> left;
    };
    const Case cases[] = {
        // 1000 + 1000 fill a page; 3 starts the next.
        {"last of a page", {1000, 1000, 40}, {2}, {1, 3}},
        {"a page's only record", {2000, 2000, 40}, {2}, {1, 3}},
        {"first record of the chain, alone on its page", {2000, 40, 40}, {1}, {2, 3}},
        {"the whole first page", {1000, 1000, 40}, {1, 2}, {3}},
        {"the chain's last record", {40, 40, 40}, {3}, {1, 2}},
        {"everything", {2000, 1000, 1000, 40}, {1, 2, 3, 4}, {}},
    };
    for (const Case& c : cases) {
        RecordRef head = 0;
        std::vector<uint32_t> all;
        for (size_t i = 0; i < c.lengths.size(); ++i) {
            std::vector<unsigned char> rec = make_record(c.lengths[i], static_cast<uint32_t>(i + 1));
            ASSERT_NE(record_add_at_end(df, &head, rec.data(), b), 0u) << c.what;
            all.push_back(static_cast<uint32_t>(i + 1));
        }
        std::vector<uint32_t> met;
        for (unsigned char* r = record_next(df, &head, nullptr, b); r && met.size() <= all.size();) {
            uint32_t key = get_u32(r, 2);
            met.push_back(key);
            r = c.doomed.count(key) ? record_delete_and_next(df, &head, r, b) : record_next(df, &head, r, b);
        }
        EXPECT_EQ(met, all) << c.what;
        EXPECT_EQ(chain_keys(df, &head, b), c.left) << c.what;
        EXPECT_EQ(error_flag, 0) << c.what;
    }
}

// A pointer that is not a record of the buffer is refused, not deleted.
TEST_F(ChainWalkDelete, ForeignPointerIsRefused) {
    DrawingFile* df = create();
    PageBuffer* b = &page_buffers[table_points];
    RecordRef head = 0;
    std::vector<unsigned char> rec = make_record(48, 7);
    ASSERT_NE(record_add(df, &head, rec.data(), b), 0u);
    EXPECT_EQ(record_delete_and_next(df, &head, rec.data(), b), nullptr);
    EXPECT_EQ(error_flag, 1);
    error_flag = 0;
    EXPECT_EQ(chain_keys(df, &head, b), (std::vector<uint32_t>{7}));
}

}  // namespace
