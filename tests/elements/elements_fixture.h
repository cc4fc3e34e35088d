// Fixture of the element tests: a real temporary drawing, the settings
// block, the store bound to the kernel, and one projection record kept in
// memory whose point and element chains live in that drawing.  Records are
// written at their stored byte offsets by the helpers below.
#pragma once

#include "tests/store/store_test_support.h"

#include "geometry/curves.h"
#include "geometry/kernel_context.h"
#include "geometry/metric.h"
#include "geometry/nearest_points.h"
#include "geometry/tolerance.h"
#include "stages/points_elements/element_records.h"
#include "store/kernel_binding.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"

#include <cmath>
#include <map>
#include <vector>

namespace elements_test {

using Bytes = std::vector<uint8_t>;
constexpr double pi = 3.14159265358979323846;

class ElementsTest : public store_test::StoreTest {
public:
    DrawingFile* df = nullptr;
    Bytes projection = Bytes(projection_record_max, 0);

    void SetUp() override {
        StoreTest::SetUp();
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        store_bind_kernel();
        df = create();
        point_numbers_rebuild();
        element_numbers_rebuild();
        put_u16(projection.data(), record_length, projection_record_head);
        put_u32(projection.data(), record_key, 1);
    }
    void TearDown() override {
        settings_block_free();
        StoreTest::TearDown();
    }
    unsigned char* proj() { return projection.data(); }
    RecordRef* head(uint32_t chain) { return reinterpret_cast<RecordRef*>(projection.data() + chain); }

    // A reference point with its sketch and true positions.
    RecordRef point(uint32_t n, double x, double y, uint16_t flags = 0) {
        Bytes r(point_record_size, 0);
        put_u16(r.data(), record_length, point_record_size);
        put_u32(r.data(), point_number, n);
        put_u16(r.data(), point_flags, flags);
        put_f64(r.data(), point_sketch_x, x);
        put_f64(r.data(), point_sketch_y, y);
        put_f64(r.data(), point_true_x, x);
        put_f64(r.data(), point_true_y, y);
        point_number_mark_used(n);
        return record_add(df, head(projection_points), r.data(), &page_buffers[table_points]);
    }
    // Moves a stored point (sketch and true).
    void move_point(uint32_t n, double x, double y) {
        RecordRef from = 0;
        unsigned char* r = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        ASSERT_NE(r, nullptr);
        put_f64(r, point_sketch_x, x);
        put_f64(r, point_sketch_y, y);
        put_f64(r, point_true_x, x);
        put_f64(r, point_true_y, y);
        page_buffers[table_points].clean = 0;
    }
    Point2 point_at(uint32_t n) {
        RecordRef from = 0;
        unsigned char* r = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        EXPECT_NE(r, nullptr);
        return r ? get_point2(r, point_sketch_x) : Point2{NAN, NAN};
    }
    uint16_t point_flags_of(uint32_t n) {
        RecordRef from = 0;
        unsigned char* r = record_find_key(df, head(projection_points), n, &from, &page_buffers[table_points]);
        return r ? get_u16(r, point_flags) : 0xFFFF;
    }

    // An element of a fixed-layout kind on the given points, coordinates
    // left zero (stale) unless filled by the caller.
    static Bytes fixed(int kind, std::vector<uint32_t> pts, int line_type = 1) {
        Bytes r(element_fixed_length(kind), 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u16(r.data(), element_flags, static_cast<uint16_t>(kind | (line_type << 4)));
        for (size_t i = 0; i < pts.size(); ++i) put_u32(r.data(), element_points + 4 * i, pts[i]);
        return r;
    }
    // A user curve (36 n bytes) through the given points.
    static Bytes curve(std::vector<uint32_t> pts) {
        int n = static_cast<int>(pts.size());
        Bytes r(36 * n, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u16(r.data(), element_flags, static_cast<uint16_t>(5 | (1 << 4)));
        put_i16(r.data(), curve_count, static_cast<int16_t>(n));
        for (int i = 0; i < n; ++i) put_u32(r.data(), curve_vertices + 36 * i, pts[i]);
        return r;
    }
    static Bytes symbol(uint16_t code, std::vector<uint32_t> pts) {
        Bytes r(18 + 20 * pts.size(), 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(r.size()));
        put_u16(r.data(), element_flags, static_cast<uint16_t>(11 | (1 << 4)));
        put_u16(r.data(), element_symbol_code, code);
        put_u16(r.data(), element_symbol_count, static_cast<uint16_t>(pts.size()));
        for (size_t i = 0; i < pts.size(); ++i) put_u32(r.data(), 18 + 20 * i, pts[i]);
        return r;
    }
    RecordRef add(Bytes rec, uint32_t n) {
        put_u32(rec.data(), element_number, n);
        element_number_mark_used(n);
        RecordRef r = record_add(df, head(projection_elements), rec.data(), &page_buffers[table_elements]);
        EXPECT_NE(r, 0u);
        return r;
    }
    // Every stored record of number n, in chain order.
    std::vector<Bytes> all(uint32_t n) {
        std::vector<Bytes> out;
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            if (get_u32(r, element_number) == n) out.emplace_back(r, r + get_u16(r, record_length));
        return out;
    }
    // The first record of number n that is not generated.
    Bytes stored(uint32_t n) {
        for (Bytes& r : all(n))
            if (!(get_u16(r.data(), element_options) & element_opt_image)) return r;
        return {};
    }
    Bytes image_of(uint32_t n) {
        for (Bytes& r : all(n))
            if (get_u16(r.data(), element_options) & element_opt_image) return r;
        return {};
    }
    std::vector<Bytes> chain() {
        std::vector<Bytes> out;
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            out.emplace_back(r, r + get_u16(r, record_length));
        return out;
    }
    // Copies of the bar records of the construction chain, in chain order.
    std::vector<Bytes> bars() {
        std::vector<Bytes> out;
        PageBuffer* b = &page_buffers[table_construction];
        for (uint8_t* r = record_next(df, head(projection_construction), nullptr, b); r;
             r = record_next(df, head(projection_construction), r, b))
            if (r[record_kind] == construction_kind_bar) out.emplace_back(r, r + get_u16(r, record_length));
        return out;
    }
};

// Distance of p from the arc geometry {start, end, third} of kind 3 or 4,
// through the kernel.
inline double arc_distance(int kind, Point2 s, Point2 e, Point2 third, Point2 p) {
    Point2 g[3] = {s, e, third};
    Point2 nearest;
    return point_element_distance(kind, g, p, &nearest);
}

}  // namespace elements_test
