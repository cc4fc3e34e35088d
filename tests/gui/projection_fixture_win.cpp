// projection_fixture: writes a drawing for the projection-window scenarios
// through the program's own store.
//   projection_fixture OUT.svt TYPE[:PATH[,PAGE]] ...
// adds one projection per argument, numbered from 1, of view type TYPE,
// with the sketch file PATH (page PAGE of a TIFF file) or without a sketch;
// "TYPE:elements" adds a projection without a sketch holding a few line
// elements.  Exits 0 when the drawing was written.
//   projection_fixture --list FILE.svt
// prints "number type" for each projection of the drawing, read-only;
//   projection_fixture --sketch FILE.svt
// prints "number sketch-reference" for each, read-only.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/byte_order.h"
#include "tests/gui/fixture_drawing_win.h"
#include "base/program_messages.h"
#include "shell/core/projection_records.h"
#include "geometry/naming.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/kernel_binding.h"

static void add_line(DrawingFile* df, RecordRef pref, uint32_t key, double x1, double y1, double x2, double y2) {
    unsigned char r[64] = {};
    put_u16(r, 0, element_size2);
    put_u32(r, 2, key);
    put_u16(r, element_flags, 1);  // a segment, line type 0
    put_f64(r, element_coords2, x1);
    put_f64(r, element_coords2 + 8, y1);
    put_f64(r, element_coords2 + 16, x2);
    put_f64(r, element_coords2 + 24, y2);
    RecordRef x = pref;
    unsigned char* p = record_read_at(df, &x, &page_buffers[table_projections]);
    RecordRef head = get_u32(p, projection_elements);
    record_add_at_end(df, &head, r, &page_buffers[table_elements]);
    x = pref;
    p = record_read_at(df, &x, &page_buffers[table_projections]);
    put_u32(p, projection_elements, head);
    page_buffers[table_projections].clean = 0;
}

static int list(const char* path, bool sketches) {
    DrawingFile* df = fixture_open(path);
    if (!df) return 5;
    for (const ProjectionEntry& e : projection_chain_entries(df)) {
        RecordRef at = e.ref;
        unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
        if (sketches) {
            char sketch[800] = "";
            if (p) sketch_reference_load(p, sketch, sizeof sketch);
            std::printf("%u %s\n", e.number, sketch);
        } else {
            std::printf("%u %u\n", e.number, p ? get_u16(p, projection_flags) & 0x0Fu : 99u);
        }
    }
    drawing_file_close(df);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    if (fixture_store_start() != 0) return 3;
    if (std::strcmp(argv[1], "--list") == 0) return list(argv[2], false);
    if (std::strcmp(argv[1], "--sketch") == 0) return list(argv[2], true);
    DrawingFile* df = fixture_create(argv[1]);
    if (!df) return 5;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        size_t colon = arg.find(':');
        int type = std::atoi(arg.c_str());
        std::string path = colon == std::string::npos ? "" : arg.substr(colon + 1);
        bool elements = path == "elements";
        int page = 1;
        size_t comma = path.rfind(',');
        if (!elements && comma != std::string::npos) {
            page = std::atoi(path.c_str() + comma + 1);
            path.resize(comma);
        }
        uint8_t rec[projection_record_max] = {};
        uint16_t flags = static_cast<uint16_t>(type & 0x0F);
        if (path.empty() || elements) flags |= projection_flag_no_sketch;
        projection_record_init(rec, static_cast<uint32_t>(i - 1), flags);
        put_f64(rec, projection_control_sketch, 1.0);
        put_f64(rec, projection_control_true, 1.0);
        if (elements) {
            put_f32(rec, projection_area_size, 200.f);
            put_f32(rec, projection_area_size + 4, 200.f);
            put_f32(rec, projection_frame, 10.f);
            put_f32(rec, projection_frame + 4, 10.f);
            put_f32(rec, projection_frame + 8, 110.f);
            put_f32(rec, projection_frame + 12, 60.f);
        }
        if (!path.empty() && !elements && sketch_reference_store(rec, path.c_str(), page) != 0) return 6;
        RecordRef head = get_u32(df->header, header_projections);
        RecordRef ref = record_add_at_end(df, &head, rec, &page_buffers[table_projections]);
        put_u32(df->header, header_projections, head);
        if (!ref) return 7;
        if (elements) {
            for (int k = 0; k < 5; ++k) add_line(df, ref, 100 * i + k, 10, 10 + 12 * k, 110, 10 + 12 * k);
        }
        put_u32(df->header, header_counters, static_cast<uint32_t>(i - 1));
    }
    drawing_file_close(df);
    if (error_flag) return 8;
    return 0;
}
