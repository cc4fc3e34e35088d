// points_fixture: reads back the drawing of the reference-point scenario
// through the program's own store, read-only.
//   points_fixture FILE.svt
// prints, for the first projection, one line per reference point
// "point number x y flags" (sketch position, 3 decimals) and one per
// auxiliary line "aux direction anchored x1 y1 x2 y2 anchor1 anchor2".
#include <cstdio>
#include <cstring>

#include "base/byte_order.h"
#include "tests/gui/fixture_drawing_win.h"
#include "base/program_messages.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/kernel_binding.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (fixture_store_start() != 0) return 3;
    DrawingFile* df = fixture_open(argv[1]);
    if (!df) return 5;
    unsigned char proj[projection_record_max];
    if (!fixture_first_projection(df, proj)) return 6;
    RecordRef* ph = projection_chain(proj, projection_points);
    PageBuffer* pb = &page_buffers[table_points];
    for (unsigned char* r = record_next(df, ph, nullptr, pb); r; r = record_next(df, ph, r, pb)) {
        if (get_u16(r, record_length) != point_record_size) continue;
        std::printf("point %u %.3f %.3f %u\n", get_u32(r, point_number), get_f64(r, point_sketch_x),
                    get_f64(r, point_sketch_y), get_u16(r, point_flags));
    }
    RecordRef* ch = projection_chain(proj, projection_construction);
    PageBuffer* cb = &page_buffers[table_construction];
    for (unsigned char* r = record_next(df, ch, nullptr, cb); r; r = record_next(df, ch, r, cb)) {
        if (get_u16(r, record_length) != aux_line_record_size || r[record_kind] != construction_kind_aux_line) continue;
        std::printf("aux %d %d %.3f %.3f %.3f %.3f %u %u\n", r[construction_flags] & aux_line_direction,
                    (r[construction_flags] & aux_line_anchored) ? 1 : 0, get_f64(r, aux_line_x1), get_f64(r, aux_line_y1),
                    get_f64(r, aux_line_x2), get_f64(r, aux_line_y2), get_u32(r, aux_line_anchor1),
                    get_u32(r, aux_line_anchor2));
    }
    drawing_file_close(df);
    return 0;
}
