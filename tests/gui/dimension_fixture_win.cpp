// dimension_fixture: the drawing of the dimension-input scenario, written
// and read back through the program's own store.
//   dimension_fixture OUT.svt
// writes one projection without a sketch holding reference points 1..4
// (point 1 the origin) at the sketch positions listed below.
//   dimension_fixture OUT.svt --network
// also gives the projection a dimension network (the one the dimension-input
// scenario enters) and marks it for construction.
//   dimension_fixture OUT.svt --fragment
// writes two projections instead: 1 (the fragment) with points 1 (20,20),
// 2 (40,20), 3 (40,30) and the lines 1-2 and 2-3; 2 (the target) with
// points 1 (30,30), 2 (70,30) and the line 1-2.
//   dimension_fixture OUT.svt --fragments
// the same with projection 1 of the fragment type and a third projection,
// also a fragment, with points 1 (20,20), 2 (50,20) and the line 1-2.
//   dimension_fixture --projection FILE.svt N
// prints "point number x y instance" per reference point and "element
// number instance" per element of projection N.
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
#include "tests/gui/fixture_drawing_win.h"
#include "base/program_messages.h"
#include "shell/core/projection_records.h"
#include "stages/dimensions/view_construction.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

static const double positions[4][2] = {{20, 20}, {78, 22}, {81, 58}, {100, 63}};

static void print_points(const NetworkRecords& rec) {
    for (const std::vector<uint8_t>& p : rec.points)
        std::printf("%u %.9f %.9f %u\n", get_u32(p.data(), point_number), get_f64(p.data(), point_true_x),
                    get_f64(p.data(), point_true_y), get_u16(p.data(), point_flags));
}

static int list_points(const char* path) {
    DrawingFile* df = fixture_open(path);
    unsigned char proj[projection_record_max];
    if (!df || !fixture_first_projection(df, proj)) return 5;
    NetworkRecords rec;
    if (!network_load(df, proj, &rec)) return 6;
    print_points(rec);
    drawing_file_close(df);
    return 0;
}

static int solve_copy(const char* path) {
    DrawingFile* df = fixture_open(path);
    unsigned char proj[projection_record_max];
    if (!df || !fixture_first_projection(df, proj)) return 5;
    NetworkRecords rec;
    if (!network_load(df, proj, &rec)) return 6;
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

// The network: X 60 and Y 0 from 1 to 2, X 0 from 2 to 3, Y 40 with 2 up
// from 3 (the second end at the smaller model y), radius 20 about 3
// through 4, Y 0 from 3 to 4.
static bool add_network(DrawingFile* df, RecordRef projection) {
    struct Dim {
        int kind, mode;
        double nominal;
        uint32_t first, second, centre;
    } dims[] = {{0, 0, 60, 1, 2, 0}, {0, 1, 0, 1, 2, 0}, {0, 0, 0, 2, 3, 0},
                {0, 1, 40, 3, 2, 0}, {1, 0, 20, 4, 0, 3}, {0, 1, 0, 3, 4, 0}};
    RecordRef dhead = 0, lhead = 0;
    uint32_t links = 0, number = 0;
    for (const Dim& d : dims) {
        unsigned char r[dimension_record_size] = {};
        put_u16(r, record_length, dimension_record_size);
        put_u32(r, 2, ++number);
        put_f64(r, dimension_nominal, d.nominal);
        put_u16(r, dimension_kind_word, static_cast<uint16_t>(d.kind | (d.mode << 5)));
        put_u16(r, dimension_value_word,
                static_cast<uint16_t>(0x0008 | 0x1000 | 1 | (d.second ? 2 : 0) | (d.centre ? 4 : 0)));
        if (!record_add_at_end(df, &dhead, r, &page_buffers[table_dimensions])) return false;
        const uint32_t ends[3] = {d.first, d.second, d.centre};
        for (int role = 0; role < 3; ++role) {
            if (!ends[role]) continue;
            unsigned char l[link_record_size] = {};
            put_u16(l, record_length, link_record_size);
            put_u32(l, 2, ++links);
            put_u32(l, link_point, ends[role]);
            put_u32(l, link_dimension, number);
            put_u16(l, link_role, static_cast<uint16_t>(role + 1));
            if (!record_add_at_end(df, &lhead, l, &page_buffers[table_links])) return false;
        }
    }
    RecordRef at = projection;
    unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
    if (!p) return false;
    put_u32(p, projection_dimensions, dhead);
    put_u32(p, projection_links, lhead);
    put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) | 0x0200));
    page_buffers[table_projections].clean = 0;
    put_u32(df->header, header_highest_dimension, number);
    put_u32(df->header, header_highest_link, links);
    // The log stays open at the end of the run (no switch to the next stage).
    put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) & ~0x0004));
    return true;
}

static bool add_projection_with(DrawingFile* df, uint32_t key, const std::vector<std::vector<double>>& pts,
                                const std::vector<std::pair<uint32_t, uint32_t>>& lines, float x0, uint16_t type = 1) {
    uint8_t rec[projection_record_max] = {};
    projection_record_init(rec, key, static_cast<uint16_t>(type | projection_flag_no_sketch));
    put_f64(rec, projection_control_sketch, 1.0);
    put_f64(rec, projection_control_true, 1.0);
    put_f32(rec, projection_area_size, 100.f);
    put_f32(rec, projection_area_size + 4, 100.f);
    put_f32(rec, projection_frame, x0);
    put_f32(rec, projection_frame + 4, 10.f);
    put_f32(rec, projection_frame + 8, x0 + 80.f);
    put_f32(rec, projection_frame + 12, 60.f);
    RecordRef phead = get_u32(df->header, header_projections);
    RecordRef ref = record_add_at_end(df, &phead, rec, &page_buffers[table_projections]);
    put_u32(df->header, header_projections, phead);
    if (!ref) return false;
    RecordRef points = 0, elements = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        unsigned char pt[point_record_size] = {};
        put_u16(pt, record_length, point_record_size);
        put_u32(pt, point_number, static_cast<uint32_t>(i + 1));
        put_f64(pt, point_sketch_x, pts[i][0]);
        put_f64(pt, point_sketch_y, pts[i][1]);
        put_f64(pt, point_true_x, pts[i][0]);
        put_f64(pt, point_true_y, pts[i][1]);
        if (!record_add_at_end(df, &points, pt, &page_buffers[table_points])) return false;
    }
    uint32_t n = 0;
    for (const auto& l : lines) {
        unsigned char e[element_size2] = {};
        put_u16(e, record_length, element_size2);
        put_u32(e, element_number, ++n);
        put_u16(e, element_flags, static_cast<uint16_t>(element_kind_segment | (1 << 4)));
        put_u32(e, element_points, l.first);
        put_u32(e, element_points + 4, l.second);
        put_f64(e, element_coords2, pts[l.first - 1][0]);
        put_f64(e, element_coords2 + 8, pts[l.first - 1][1]);
        put_f64(e, element_coords2 + 16, pts[l.second - 1][0]);
        put_f64(e, element_coords2 + 24, pts[l.second - 1][1]);
        if (!record_add_at_end(df, &elements, e, &page_buffers[table_elements])) return false;
    }
    RecordRef at = ref;
    unsigned char* p = record_read_at(df, &at, &page_buffers[table_projections]);
    if (!p) return false;
    put_u32(p, projection_points, points);
    put_u32(p, projection_elements, elements);
    page_buffers[table_projections].clean = 0;
    return true;
}

static int write_fragment_drawing(const char* path, bool two_fragments) {
    DrawingFile* df = fixture_create(path);
    if (!df) return 5;
    uint16_t type = two_fragments ? 8 : 1;
    if (!add_projection_with(df, 1, {{20, 20}, {40, 20}, {40, 30}}, {{1, 2}, {2, 3}}, 10.f, type)) return 7;
    if (!add_projection_with(df, 2, {{30, 30}, {70, 30}}, {{1, 2}}, 10.f)) return 8;
    if (two_fragments && !add_projection_with(df, 3, {{20, 20}, {50, 20}}, {{1, 2}}, 10.f, 8)) return 9;
    put_u32(df->header, header_highest_point, 3);
    put_u32(df->header, header_counters, two_fragments ? 3 : 2);
    drawing_file_close(df);
    return error_flag ? 10 : 0;
}

static int list_projection(const char* path, uint32_t key) {
    DrawingFile* df = fixture_open(path);
    if (!df) return 5;
    RecordRef head = get_u32(df->header, header_projections);
    RecordRef from = 0;
    unsigned char* found = record_find_key(df, &head, key, &from, &page_buffers[table_projections]);
    if (!found) return 6;
    std::vector<unsigned char> proj(found, found + get_u16(found, record_length));
    RecordRef ph = get_u32(proj.data(), projection_points);
    for (unsigned char* r = record_next(df, &ph, nullptr, &page_buffers[table_points]); r;
         r = record_next(df, &ph, r, &page_buffers[table_points]))
        std::printf("point %u %.6f %.6f %u\n", get_u32(r, point_number), get_f64(r, point_sketch_x),
                    get_f64(r, point_sketch_y), get_u16(r, point_fragment));
    RecordRef eh = get_u32(proj.data(), projection_elements);
    for (unsigned char* r = record_next(df, &eh, nullptr, &page_buffers[table_elements]); r;
         r = record_next(df, &eh, r, &page_buffers[table_elements]))
        std::printf("element %u %u\n", get_u32(r, element_number), get_u16(r, element_fragment));
    drawing_file_close(df);
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    if (fixture_store_start() != 0) return 3;
    if (std::strcmp(argv[1], "--points") == 0) return argc < 3 ? 2 : list_points(argv[2]);
    if (std::strcmp(argv[1], "--solve") == 0) return argc < 3 ? 2 : solve_copy(argv[2]);
    if (std::strcmp(argv[1], "--projection") == 0)
        return argc < 4 ? 2 : list_projection(argv[2], static_cast<uint32_t>(std::atoi(argv[3])));
    if (argc >= 3 && std::strcmp(argv[2], "--fragment") == 0) return write_fragment_drawing(argv[1], false);
    if (argc >= 3 && std::strcmp(argv[2], "--fragments") == 0) return write_fragment_drawing(argv[1], true);
    DrawingFile* df = fixture_create(argv[1]);
    if (!df) return 5;
    RecordRef ref = fixture_add_plain_projection(df, 120.f, 90.f);
    if (!ref) return 7;
    if (!fixture_add_points(df, ref, positions, 4, point_flag_origin)) return 8;
    if (argc >= 3 && std::strcmp(argv[2], "--network") == 0 && !add_network(df, ref)) return 11;
    drawing_file_close(df);
    return error_flag ? 10 : 0;
}
