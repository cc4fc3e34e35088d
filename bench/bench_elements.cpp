// The element rebuild on a projection of 10,000 reference points and 10,000
// straight lines: the whole projection, and the elements of one moved point
// through the usage index, for points used by 2, 10, 100 and 1,000 lines.
// Moving one point should cost in proportion to the lines that use it, not
// to the projection.  Prints the times; run by hand:
//
//     cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSARVOLT_SANITIZE=OFF
//     cmake --build build/bench --target bench_elements && (cd build/bench && ./bench_elements)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "stages/points_elements/element_rebuild.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

const char bench_path[] = "bench_elements.svt";
const int point_count = 10000;
const int line_count = 10000;
// Hub points: point h_k is used by k lines (taken from the chain's lines).
const int hubs[4] = {2, 10, 100, 1000};

double now_us() {
    using namespace std::chrono;
    return static_cast<double>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count()) / 1000.0;
}

}  // namespace

int main() {
    kernel_context_set_defaults();
    tolerance_set(tolerance_standing);
    if (store_init() != 0 || settings_block_unpack() != 0) return 1;
    store_bind();
    page_buffers_init_defaults();
    store_bind_kernel();
    std::remove(bench_path);
    DrawingFile* df = drawing_file_new(bench_path);
    drawing_file_set_mode(df, drawing_mode_create_new);
    if (drawing_file_open(df, 0) != 0) return 1;
    open_drawings[0] = df;
    current_drawing = 0;
    std::vector<uint8_t> projection(projection_record_max, 0);
    RecordRef* points = reinterpret_cast<RecordRef*>(projection.data() + projection_points);
    RecordRef* elements = reinterpret_cast<RecordRef*>(projection.data() + projection_elements);
    for (int i = 1; i <= point_count; ++i) {
        uint8_t p[point_record_size] = {};
        put_u16(p, record_length, point_record_size);
        put_u32(p, point_number, static_cast<uint32_t>(i));
        put_f64(p, point_sketch_x, (i % 100) * 5.0);
        put_f64(p, point_sketch_y, (i / 100) * 5.0);
        put_f64(p, point_true_x, (i % 100) * 5.0);
        put_f64(p, point_true_y, (i / 100) * 5.0);
        record_add(df, points, p, &page_buffers[table_points]);
    }
    // Line i joins points a and b; the first lines are bent onto the hubs.
    int next_line = 0;
    std::vector<uint32_t> hub_points;
    for (size_t h = 0; h < 4; ++h) hub_points.push_back(static_cast<uint32_t>(point_count - h));
    for (int i = 0; i < line_count; ++i) {
        uint32_t a = static_cast<uint32_t>(1 + i % (point_count - 10)), b = a + 1;
        int at = 0;
        for (size_t h = 0; h < 4; ++h) {
            if (next_line >= at && next_line < at + hubs[h]) b = hub_points[h];
            at += hubs[h];
        }
        ++next_line;
        uint8_t r[element_size2] = {};
        put_u16(r, record_length, element_size2);
        put_u32(r, element_number, static_cast<uint32_t>(i + 1));
        put_u16(r, element_flags, 1 | (1 << 4));
        put_u32(r, element_points, a);
        put_u32(r, element_points + 4, b);
        record_add(df, elements, r, &page_buffers[table_elements]);
    }
    RebuildHooks hooks;
    hooks.message = [](const char*) {};
    double t0 = now_us();
    int rc = rebuild_projection_elements(df, projection.data(), false, hooks);
    double t1 = now_us();
    std::printf("whole projection (%d points, %d lines): %.0f us (result %d)\n", point_count, line_count, t1 - t0, rc);
    ElementUsage usage;
    t0 = now_us();
    element_usage_build(df, projection.data(), &usage);
    t1 = now_us();
    std::printf("usage index built once: %.0f us\n", t1 - t0);
    for (size_t h = 0; h < 4; ++h) {
        const int rounds = 200;
        int changed = 0;
        t0 = now_us();
        for (int r = 0; r < rounds; ++r)
            changed = rebuild_elements_of_point(df, projection.data(), hub_points[h], Point2{1.0 * r, 2.0}, &usage);
        t1 = now_us();
        std::printf("move a point used by %4d lines: %8.2f us a move (%d lines rewritten)\n", hubs[h],
                    (t1 - t0) / rounds, changed);
    }
    drawing_file_close(df);
    drawing_file_free(df);
    std::remove(bench_path);
    return 0;
}
