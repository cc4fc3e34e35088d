// dimension_fixture: the drawing of the dimension-input scenario, written
// and read back through the program's own store.
//   dimension_fixture OUT.svt
// writes one projection without a sketch holding reference points 1..4
// (point 1 the origin) at the sketch positions listed below.
//   dimension_fixture --points FILE.svt
// prints "number true-x true-y flags" for each point of the first projection.
//   dimension_fixture --solve FILE.svt
// constructs the first projection of the drawing in memory with the
// portable solver (the file is not changed) and prints the same lines, then
// "result N" and the log lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "shell/core/projection_records.h"
#include "stages/dimensions/view_construction.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

static const double positions[4][2] = {{20, 20}, {78, 22}, {81, 58}, {100, 63}};

static DrawingFile* open_existing(const char* path) {
    DrawingFile* df = drawing_file_new(path);
    if (!df) return nullptr;
    drawing_file_set_mode(df, drawing_mode_open_existing);
    if (drawing_file_open(df, 1) != 0) return nullptr;
    open_drawings[0] = df;
    current_drawing = 0;
    return df;
}

static bool first_projection(DrawingFile* df, std::vector<unsigned char>* out) {
    RecordRef head = get_u32(df->header, header_projections);
    unsigned char* p = record_next(df, &head, nullptr, &page_buffers[table_projections]);
    if (!p) return false;
    out->assign(p, p + get_u16(p, record_length));
    if (out->size() < projection_record_head) out->resize(projection_record_head, 0);
    return true;
}

static void print_points(const NetworkRecords& rec) {
    for (const std::vector<uint8_t>& p : rec.points)
        std::printf("%u %.9f %.9f %u\n", get_u32(p.data(), point_number), get_f64(p.data(), point_true_x),
                    get_f64(p.data(), point_true_y), get_u16(p.data(), point_flags));
}

static int list_points(const char* path) {
    DrawingFile* df = open_existing(path);
    std::vector<unsigned char> proj;
    if (!df || !first_projection(df, &proj)) return 5;
    NetworkRecords rec;
    if (!network_load(df, proj.data(), &rec)) return 6;
    print_points(rec);
    drawing_file_close(df);
    return 0;
}

static int solve_copy(const char* path) {
    DrawingFile* df = open_existing(path);
    std::vector<unsigned char> proj;
    if (!df || !first_projection(df, &proj)) return 5;
    NetworkRecords rec;
    if (!network_load(df, proj.data(), &rec)) return 6;
    // The sketch is the start of a construction: true := sketch.
    for (std::vector<uint8_t>& p : rec.points) {
        put_f64(p.data(), point_true_x, get_f64(p.data(), point_sketch_x));
        put_f64(p.data(), point_true_y, get_f64(p.data(), point_sketch_y));
    }
    std::vector<std::string> lines;
    ConstructionCallbacks cb;
    cb.log_line = [&lines](const char* t) { lines.push_back(t); };
    int result = construct_network(rec, cb);
    print_points(rec);
    std::printf("result %d\n", result);
    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
    drawing_file_close(df);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (store_init() != 0) return 3;
    page_buffers_init_defaults();
    if (std::strcmp(argv[1], "--points") == 0) return argc < 3 ? 2 : list_points(argv[2]);
    if (std::strcmp(argv[1], "--solve") == 0) return argc < 3 ? 2 : solve_copy(argv[2]);
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
    for (uint32_t n = 1; n <= 4; ++n) {
        unsigned char pt[point_record_size] = {};
        put_u16(pt, record_length, point_record_size);
        put_u32(pt, point_number, n);
        put_f64(pt, point_sketch_x, positions[n - 1][0]);
        put_f64(pt, point_sketch_y, positions[n - 1][1]);
        put_f64(pt, point_true_x, positions[n - 1][0]);
        put_f64(pt, point_true_y, positions[n - 1][1]);
        if (n == 1) put_u16(pt, point_flags, point_flag_origin);
        if (!record_add_at_end(df, &points, pt, &page_buffers[table_points])) return 8;
    }
    RecordRef at = ref;
    unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
    if (!p) return 9;
    put_u32(p, projection_points, points);
    page_buffers[table_projections].clean = 0;
    put_u32(df->header, header_highest_point, 4);
    put_u32(df->header, header_counters, 1);
    drawing_file_close(df);
    return error_flag ? 10 : 0;
}
