// The drawing the dimension tests work on: one plain projection (number 1,
// scale 1) whose chains the tests fill record by record and read back as
// copies of the stored records.
#pragma once
#include "tests/store/store_test_support.h"

#include "stages/dimensions/view_construction.h"
#include "store/record_layouts.h"

#include <gtest/gtest.h>

#include <string>

#include <vector>

namespace one_projection {

// Adds projection 1 to the drawing's projection chain.
inline void add(DrawingFile* df) {
    std::vector<unsigned char> proj(projection_record_head, 0);
    put_u16(proj.data(), 0, projection_record_head);
    put_u32(proj.data(), 2, 1);
    put_f64(proj.data(), 112, 1.0);
    record_add(df, reinterpret_cast<RecordRef*>(df->header + header_projections), proj.data(),
               &page_buffers[table_projections]);
}

// Projection 1, its page marked changed so that chain heads written through
// it reach the file.
inline unsigned char* record() {
    unsigned char* p = projection_record(1);
    page_buffers[table_projections].clean = 0;
    return p;
}

// Adds reference point n at sketch position (x, y) with true position
// (tx, ty) to the end of the point chain.
inline void add_point(DrawingFile* df, uint32_t n, double x, double y, uint16_t flags, double tx, double ty) {
    uint8_t r[48] = {};
    put_u16(r, 0, 48);
    put_u32(r, 2, n);
    put_u16(r, 8, flags);
    put_f64(r, 12, x);
    put_f64(r, 20, y);
    put_f64(r, 28, tx);
    put_f64(r, 36, ty);
    record_add_at_end(df, reinterpret_cast<RecordRef*>(record() + projection_points), r, &page_buffers[table_points]);
}

// Copies of the records of one of projection 1's chains, in chain order.
inline std::vector<std::vector<uint8_t>> chain_copies(DrawingFile* df, uint32_t which, int table) {
    std::vector<std::vector<uint8_t>> out;
    RecordRef head = get_u32(projection_record(1), which);
    for (unsigned char* r = record_next(df, &head, nullptr, &page_buffers[table]); r;
         r = record_next(df, &head, r, &page_buffers[table]))
        out.emplace_back(r, r + get_u16(r, 0));
    return out;
}

// Constructs projection 1 with no element rebuild and expects it to solve:
// the run returns 0 and each line it writes to the log fails the test.
inline void expect_constructed(DrawingFile* df) {
    std::vector<std::string> lines;
    ConstructionCallbacks cb;
    cb.log_line = [&lines](const char* t) { lines.push_back(t); };
    cb.rebuild_elements = [](unsigned char*, bool) { return false; };
    EXPECT_EQ(construct_projection(df, record(), cb), 0);
    for (const std::string& l : lines) ADD_FAILURE() << l;
}

}  // namespace one_projection
