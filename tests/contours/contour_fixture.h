// Shared fixture of the contour and hatch tests: a real temporary drawing
// (the store's own fixture), one projection record kept on the heap whose
// chains live in that drawing, and builders of small element, contour and
// hatching records.
#pragma once
#include "tests/store/store_test_support.h"

#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "render/contours/contour_graph.h"
#include "render/contours/contour_lists.h"
#include "render/contours/contour_search.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"

#include <cmath>
#include <vector>

namespace contour_test {

using store_test::shown;

struct P {
    double x, y;
};

class ContourTest : public store_test::StoreTest {
protected:
    DrawingFile* df = nullptr;
    std::vector<uint8_t> projection = std::vector<uint8_t>(projection_record_max, 0);

    void SetUp() override {
        StoreTest::SetUp();
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        contour_lists_bind();
        df = create();
        bind_current_drawing_header(current_header);
    }
    static const uint8_t* current_header() {
        DrawingFile* d = open_drawings[current_drawing & 1];
        return d ? d->header : nullptr;
    }
    void TearDown() override {
        bind_current_drawing_header(nullptr);
        free_contour_piece_list();
        free_contour_array();
        contour_pieces_active = 0;
        StoreTest::TearDown();
    }
    uint8_t* proj() { return projection.data(); }
    RecordRef* head(uint32_t offset) { return reinterpret_cast<RecordRef*>(projection.data() + offset); }

    RecordRef add_element(const std::vector<uint8_t>& rec) {
        RecordRef r = record_add(df, head(projection_elements), rec.data(), &page_buffers[table_elements]);
        EXPECT_NE(r, 0u);
        return r;
    }
    static std::vector<uint8_t> element(uint32_t number, int kind, size_t size, int line_type) {
        std::vector<uint8_t> r(size, 0);
        put_u16(r.data(), record_length, static_cast<uint16_t>(size));
        put_u32(r.data(), element_number, number);
        put_u16(r.data(), element_flags, static_cast<uint16_t>(kind | (line_type << 4)));
        return r;
    }
    RecordRef segment(uint32_t number, P a, P b, int line_type = 1) {
        std::vector<uint8_t> r = element(number, 1, element_size2, line_type);
        put_point2(r.data(), element_coords2, Point2{a.x, a.y});
        put_point2(r.data(), element_coords2 + 16, Point2{b.x, b.y});
        return add_element(r);
    }
    RecordRef circle(uint32_t number, P on, P centre, int line_type = 1) {
        std::vector<uint8_t> r = element(number, 2, element_size2, line_type);
        put_point2(r.data(), element_coords2, Point2{on.x, on.y});
        put_point2(r.data(), element_coords2 + 16, Point2{centre.x, centre.y});
        return add_element(r);
    }
    // An arc by centre from a to b with decreasing angle.
    RecordRef arc(uint32_t number, P a, P b, P centre, int line_type = 1) {
        std::vector<uint8_t> r = element(number, 3, element_size3, line_type);
        put_point2(r.data(), element_coords3, Point2{a.x, a.y});
        put_point2(r.data(), element_coords3 + 16, Point2{b.x, b.y});
        put_point2(r.data(), element_coords3 + 32, Point2{centre.x, centre.y});
        return add_element(r);
    }
    // Closed polygon of segments numbered first, first + 1, ...
    void polygon(uint32_t first, std::vector<P> pts, int line_type = 1) {
        for (size_t i = 0; i < pts.size(); ++i)
            segment(first + static_cast<uint32_t>(i), pts[i], pts[(i + 1) % pts.size()], line_type);
    }
    static std::vector<uint8_t> contour_record(uint32_t number, int kind, int16_t level, std::vector<uint32_t> members) {
        std::vector<uint8_t> c(contour_members + 4 * members.size(), 0);
        put_u16(c.data(), record_length, static_cast<uint16_t>(c.size()));
        put_u32(c.data(), contour_number, number);
        put_box(c.data(), contour_box, box_empty());
        put_i16(c.data(), contour_level, level);
        put_u16(c.data(), contour_flags, static_cast<uint16_t>(kind));
        put_i16(c.data(), contour_member_count, static_cast<int16_t>(members.size()));
        for (size_t i = 0; i < members.size(); ++i) put_u32(c.data(), contour_members + 4 * i, members[i]);
        return c;
    }
    RecordRef add_contour(const std::vector<uint8_t>& c) {
        RecordRef r = contour_record_add(df, head(projection_contours), c.data());
        EXPECT_NE(r, 0u);
        return r;
    }
    uint8_t* read_contour(RecordRef r) { return record_read_at(df, &r, &page_buffers[table_contours]); }
    RecordRef hatching(uint32_t id, int code, P seed, float p1, float p2, uint8_t flags = 0) {
        std::vector<uint8_t> h(hatching_record_size, 0);
        put_u16(h.data(), record_length, hatching_record_size);
        put_u32(h.data(), record_key, id);
        h[record_kind] = annotation_hatching;
        h[hatching_kind_code] = static_cast<uint8_t>(code);
        h[8] = flags;
        put_f32(h.data(), hatching_seed, static_cast<float>(seed.x));
        put_f32(h.data(), hatching_seed + 4, static_cast<float>(seed.y));
        put_f32(h.data(), hatching_param1, p1);
        put_f32(h.data(), hatching_param2, p2);
        RecordRef r = record_add(df, head(projection_annotations), h.data(), &page_buffers[table_annotation]);
        EXPECT_NE(r, 0u);
        return r;
    }
    // Records of a chain, copied.
    std::vector<std::vector<uint8_t>> chain_records(uint32_t offset, int table) {
        std::vector<std::vector<uint8_t>> out;
        for (uint8_t* r = record_next(df, head(offset), nullptr, &page_buffers[table]); r;
             r = record_next(df, head(offset), r, &page_buffers[table]))
            out.emplace_back(r, r + get_u16(r, record_length));
        return out;
    }
};

inline int piece_count() {
    int n = 0;
    for (ContourPiece* p = contour_pieces; p; p = p->next) ++n;
    return n;
}

inline std::vector<uint32_t> members_of(const uint8_t* c) {
    std::vector<uint32_t> m;
    for (int i = 0; i < get_i16(c, contour_member_count); ++i) m.push_back(get_u32(c, contour_members + 4 * i));
    return m;
}

}  // namespace contour_test
