// Fixture of the fragment tests: the exchange fixture that unbinds the
// fragment shell and closes every drawing after each test, a line record
// between two numbered points, and a projection's chain read back record
// by record.
#pragma once
#include "tests/exchange/exchange_test_support.h"
#include "tests/exchange/chain_copies.h"

#include "output/fragment_instances.h"

#include <vector>

namespace exchange_test {

class FragmentExchangeTest : public ExchangeTest {
protected:
    void TearDown() override {
        fragment_shell = fragment_shell_unbound;
        close_and_forget();
        ExchangeTest::TearDown();
    }
    // The line `n` from point `a` at `pa` to point `b` at `pb`, line type 1.
    static Bytes segment(uint32_t n, uint32_t a, uint32_t b, Point2 pa, Point2 pb) {
        Bytes r = element(element_kind_segment, n, {pa, pb});
        put_u32(r.data(), element_points, a);
        put_u32(r.data(), element_points + 4, b);
        return r;
    }
    // Copies of the records of one chain (`off` in the projection record)
    // of projection `key` in `d`; empty when there is no such projection.
    static std::vector<Bytes> chain_in(DrawingFile* d, uint32_t key, uint32_t off, int table) {
        return fragment_test::chain_copies(d, key, off, table);
    }
};

}  // namespace exchange_test
