// elements_fixture: the drawing of the element-input scenario, written and
// read back through the program's own store.
//   elements_fixture OUT.svt
// writes one projection without a sketch holding reference points 1..8 at
// the positions listed below (drawing units).
//   elements_fixture --elements FILE.svt
// prints one line per element record of the first projection, in chain
// order: "number kind line-type image points...", where image is 1 for a
// generated curve image; for a curve the points are its vertices.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "shell/core/projection_records.h"
#include "stages/points_elements/element_records.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/kernel_binding.h"

static const double positions[8][2] = {{20, 20}, {80, 20}, {80, 60}, {20, 60}, {50, 40}, {50, 80}, {110, 40}, {110, 80}};

static int list_elements(const char* path) {
    DrawingFile* df = drawing_file_new(path);
    if (!df) return 4;
    drawing_file_set_mode(df, drawing_mode_open_existing);
    if (drawing_file_open(df, 1) != 0) return 5;
    open_drawings[0] = df;
    current_drawing = 0;
    RecordRef head = get_u32(df->header, header_projections);
    unsigned char* p = record_next(df, &head, nullptr, &page_buffers[table_projections]);
    if (!p) return 6;
    unsigned char proj[projection_record_max] = {};
    std::memcpy(proj, p, get_u16(p, record_length) < sizeof proj ? get_u16(p, record_length) : sizeof proj);
    RecordRef* eh = projection_chain(proj, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    for (unsigned char* r = record_next(df, eh, nullptr, eb); r; r = record_next(df, eh, r, eb)) {
        if (get_u16(r, record_length) < element_head_size) continue;
        std::printf("%u %d %d %d", get_u32(r, element_number), element_kind(r), element_line_type(r),
                    (get_u16(r, element_options) & element_opt_image) ? 1 : 0);
        if (!(get_u16(r, element_options) & element_opt_image)) {
            ElementPointPlace places[64];
            int n = element_point_places(r, places, 64);
            for (int i = 0; i < n; ++i) std::printf(" %u", places[i].number);
        }
        std::printf("\n");
    }
    drawing_file_close(df);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (store_init() != 0) return 3;
    store_bind();
    page_buffers_init_defaults();
    if (std::strcmp(argv[1], "--elements") == 0) return argc < 3 ? 2 : list_elements(argv[2]);
    std::remove(argv[1]);
    DrawingFile* df = drawing_file_new(argv[1]);
    if (!df) return 4;
    drawing_file_set_mode(df, drawing_mode_create_new);
    if (drawing_file_open(df, 0) != 0) return 5;
    open_drawings[0] = df;
    current_drawing = 0;
    put_u32(df->header, header_identity, 12345);
    put_u16(df->header, 108, 1);
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, 1, static_cast<uint16_t>(1 | projection_flag_no_sketch));
    put_f64(rec, projection_control_sketch, 1.0);
    put_f64(rec, projection_control_true, 1.0);
    put_f32(rec, projection_area_size, 200.f);
    put_f32(rec, projection_area_size + 4, 200.f);
    put_f32(rec, projection_frame, 10.f);
    put_f32(rec, projection_frame + 4, 10.f);
    put_f32(rec, projection_frame + 8, 120.f);
    put_f32(rec, projection_frame + 12, 90.f);
    RecordRef phead = get_u32(df->header, header_projections);
    RecordRef ref = record_add_at_end(df, &phead, rec, &page_buffers[table_projections]);
    put_u32(df->header, header_projections, phead);
    if (!ref) return 7;
    RecordRef points = 0;
    for (uint32_t n = 1; n <= 8; ++n) {
        unsigned char pt[point_record_size] = {};
        put_u16(pt, record_length, point_record_size);
        put_u32(pt, point_number, n);
        put_f64(pt, point_sketch_x, positions[n - 1][0]);
        put_f64(pt, point_sketch_y, positions[n - 1][1]);
        put_f64(pt, point_true_x, positions[n - 1][0]);
        put_f64(pt, point_true_y, positions[n - 1][1]);
        if (!record_add_at_end(df, &points, pt, &page_buffers[table_points])) return 8;
    }
    RecordRef at = ref;
    unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
    if (!p) return 9;
    put_u32(p, projection_points, points);
    page_buffers[table_projections].clean = 0;
    put_u32(df->header, header_highest_point, 8);
    put_u32(df->header, header_counters, 1);
    drawing_file_close(df);
    return error_flag ? 10 : 0;
}
