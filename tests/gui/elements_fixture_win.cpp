// elements_fixture: the drawing of the element-input scenario, written and
// read back through the program's own store.
//   elements_fixture OUT.svt [SKETCH]
// writes one projection holding reference points 1..8 at the positions
// listed below (drawing units), over the sketch file SKETCH when given,
// else without a sketch.
//   elements_fixture --elements FILE.svt
// prints one line per element record of the first projection, in chain
// order: "number kind line-type image points...", where image is 1 for a
// generated curve image and 2 for a bar outline; for a curve the points are
// its vertices; then "bar element number width" per bar and "point number
// x y" per reference point.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/byte_order.h"
#include "tests/gui/fixture_drawing_win.h"
#include "base/program_messages.h"
#include "geometry/naming.h"
#include "shell/core/projection_records.h"
#include "stages/points_elements/element_records.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/kernel_binding.h"

static const double positions[8][2] = {{20, 20}, {80, 20}, {80, 60}, {20, 60}, {50, 40}, {50, 80}, {110, 40}, {110, 80}};

static int list_elements(const char* path) {
    DrawingFile* df = fixture_open(path);
    if (!df) return 5;
    unsigned char proj[projection_record_max];
    if (!fixture_first_projection(df, proj)) return 6;
    RecordRef* eh = projection_chain(proj, projection_elements);
    PageBuffer* eb = &page_buffers[table_elements];
    for (unsigned char* r = record_next(df, eh, nullptr, eb); r; r = record_next(df, eh, r, eb)) {
        if (get_u16(r, record_length) < element_head_size) continue;
        uint16_t o = get_u16(r, element_options);
        std::printf("%u %d %d %d", get_u32(r, element_number), element_kind(r), element_line_type(r),
                    (o & element_opt_image) ? 1 : (o & element_opt_bar_outline) ? 2 : 0);
        if (!(o & element_opt_image)) {
            ElementPointPlace places[64];
            int n = element_point_places(r, places, 64);
            for (int i = 0; i < n; ++i) std::printf(" %u", places[i].number);
        }
        std::printf("\n");
    }
    // The bars: "bar element number width".
    RecordRef* ch = projection_chain(proj, projection_construction);
    PageBuffer* cb = &page_buffers[table_construction];
    for (unsigned char* r = record_next(df, ch, nullptr, cb); r; r = record_next(df, ch, r, cb))
        if (r[record_kind] == construction_kind_bar && get_u16(r, record_length) >= 24)
            std::printf("bar %u %u %.3f\n", get_u32(r, 2), get_u16(r, 8), get_f64(r, 16));
    // The reference points: "point number x y".
    RecordRef* ph = projection_chain(proj, projection_points);
    PageBuffer* pb = &page_buffers[table_points];
    for (unsigned char* r = record_next(df, ph, nullptr, pb); r; r = record_next(df, ph, r, pb))
        if (get_u16(r, record_length) == point_record_size)
            std::printf("point %u %.3f %.3f\n", get_u32(r, point_number), get_f64(r, point_sketch_x),
                        get_f64(r, point_sketch_y));
    drawing_file_close(df);
    return 0;
}

// The projection of fixture_add_plain_projection, over a sketch.
static RecordRef projection_with_sketch(DrawingFile* df, const char* sketch) {
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, 1, 1);
    put_f64(rec, projection_control_sketch, 1.0);
    put_f64(rec, projection_control_true, 1.0);
    put_f32(rec, projection_area_size, 200.f);
    put_f32(rec, projection_area_size + 4, 200.f);
    put_f32(rec, projection_frame, 10.f);
    put_f32(rec, projection_frame + 4, 10.f);
    put_f32(rec, projection_frame + 8, 120.f);
    put_f32(rec, projection_frame + 12, 90.f);
    if (sketch_reference_store(rec, sketch, 1) != 0) return 0;
    RecordRef head = get_u32(df->header, header_projections);
    RecordRef ref = record_add_at_end(df, &head, rec, &page_buffers[table_projections]);
    put_u32(df->header, header_projections, head);
    if (ref) put_u32(df->header, header_counters, 1);
    return ref;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (fixture_store_start() != 0) return 3;
    if (std::strcmp(argv[1], "--elements") == 0) return argc < 3 ? 2 : list_elements(argv[2]);
    DrawingFile* df = fixture_create(argv[1]);
    if (!df) return 5;
    RecordRef ref = argc >= 3 ? projection_with_sketch(df, argv[2]) : fixture_add_plain_projection(df, 120.f, 90.f);
    if (!ref) return 7;
    if (!fixture_add_points(df, ref, positions, 8)) return 8;
    drawing_file_close(df);
    return error_flag ? 10 : 0;
}
