// Copies of the records of one chain of a projection, read back record by
// record: shared by the fragment tests of the native and the Win32 trees.
#pragma once
#include <cstdint>
#include <vector>

#include "base/byte_order.h"
#include "output/fragment_instances.h"
#include "store/records.h"

namespace fragment_test {

// The records of chain `off` (its offset in the projection record) of
// projection `key` in `d`; empty when there is no such projection.
inline std::vector<std::vector<uint8_t>> chain_copies(DrawingFile* d, uint32_t key, uint32_t off, int table) {
    std::vector<std::vector<uint8_t>> out;
    uint8_t* p = fragment_projection_in(d, key);
    if (!p) return out;
    RecordRef h = get_u32(p, off);
    for (uint8_t* r = record_next(d, &h, nullptr, &page_buffers[table]); r;
         r = record_next(d, &h, r, &page_buffers[table]))
        out.emplace_back(r, r + get_u16(r, 0));
    return out;
}

}  // namespace fragment_test
