// fixture_drawing: the shared start-up and drawing helpers of the GUI
// scenarios' fixture programs.
#include "tests/gui/fixture_drawing_win.h"

#include <cstdio>
#include <cstring>

#include "base/byte_order.h"
#include "shell/core/projection_records.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/records.h"

int fixture_store_start() {
    if (store_init() != 0) return 1;
    store_bind();
    page_buffers_init_defaults();
    return 0;
}

static DrawingFile* open_in_slot0(const char* path, bool create) {
    if (create) std::remove(path);
    DrawingFile* df = drawing_file_new(path);
    if (!df) return nullptr;
    drawing_file_set_mode(df, create ? drawing_mode_create_new : drawing_mode_open_existing);
    if (drawing_file_open(df, create ? 0 : 1) != 0) return nullptr;
    open_drawings[0] = df;
    current_drawing = 0;
    return df;
}

DrawingFile* fixture_open(const char* path) { return open_in_slot0(path, false); }

DrawingFile* fixture_create(const char* path) {
    DrawingFile* df = open_in_slot0(path, true);
    if (!df) return nullptr;
    put_u32(df->header, header_identity, 12345);
    put_u16(df->header, 108, 1);
    return df;
}

bool fixture_first_projection(DrawingFile* df, unsigned char (&proj)[projection_record_max]) {
    RecordRef head = get_u32(df->header, header_projections);
    unsigned char* p = record_next(df, &head, nullptr, &page_buffers[table_projections]);
    if (!p) return false;
    std::memset(proj, 0, sizeof proj);
    size_t len = get_u16(p, record_length);
    std::memcpy(proj, p, len < sizeof proj ? len : sizeof proj);
    return true;
}

RecordRef fixture_add_plain_projection(DrawingFile* df, float right, float bottom) {
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, 1, static_cast<uint16_t>(1 | projection_flag_no_sketch));
    put_f64(rec, projection_control_sketch, 1.0);
    put_f64(rec, projection_control_true, 1.0);
    put_f32(rec, projection_area_size, 200.f);
    put_f32(rec, projection_area_size + 4, 200.f);
    put_f32(rec, projection_frame, 10.f);
    put_f32(rec, projection_frame + 4, 10.f);
    put_f32(rec, projection_frame + 8, right);
    put_f32(rec, projection_frame + 12, bottom);
    RecordRef phead = get_u32(df->header, header_projections);
    RecordRef ref = record_add_at_end(df, &phead, rec, &page_buffers[table_projections]);
    put_u32(df->header, header_projections, phead);
    if (ref) put_u32(df->header, header_counters, 1);
    return ref;
}

bool fixture_set_projection_chain(DrawingFile* df, RecordRef ref, int chain, RecordRef head) {
    RecordRef at = ref;
    unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
    if (!p) return false;
    put_u32(p, chain, head);
    page_buffers[table_projections].clean = 0;
    return true;
}

bool fixture_add_points(DrawingFile* df, RecordRef ref, const double (*positions)[2], int n, uint16_t first_flags) {
    RecordRef points = 0;
    for (int i = 0; i < n; ++i) {
        unsigned char pt[point_record_size] = {};
        put_u16(pt, record_length, point_record_size);
        put_u32(pt, point_number, static_cast<uint32_t>(i + 1));
        put_f64(pt, point_sketch_x, positions[i][0]);
        put_f64(pt, point_sketch_y, positions[i][1]);
        put_f64(pt, point_true_x, positions[i][0]);
        put_f64(pt, point_true_y, positions[i][1]);
        if (i == 0) put_u16(pt, point_flags, first_flags);
        if (!record_add_at_end(df, &points, pt, &page_buffers[table_points])) return false;
    }
    if (!fixture_set_projection_chain(df, ref, projection_points, points)) return false;
    put_u32(df->header, header_highest_point, static_cast<uint32_t>(n));
    return true;
}
