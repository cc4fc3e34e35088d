// The reference-point services on a projection of 10,000 points and 10,000
// straight lines with 50 auxiliary lines: a hit test, the snapping of one
// point (grid and auxiliary lines), and a whole drop of one moved point
// (snapping, the same-pixel check against every other point, and the
// rebuild of the lines that use it through the usage index) for points
// used by 2 and by 1,000 lines.  Prints the times; run by hand:
//
//     cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSARVOLT_SANITIZE=OFF
//     cmake --build build/bench --target bench_points && (cd build/bench && ./bench_points)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "stages/points_elements/aux_lines.h"
#include "stages/points_elements/element_rebuild.h"
#include "stages/points_elements/points.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

const char bench_path[] = "bench_points.svt";
const int point_count = 10000;
const int line_count = 10000;

double now_us() {
    using namespace std::chrono;
    return static_cast<double>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count()) / 1000.0;
}

}  // namespace

int main() {
    kernel_context_set_defaults();
    tolerance_set(tolerance_standing);
    if (store_init() != 0 || settings_block_unpack() != 0) return 1;
    page_buffers_init_defaults();
    store_bind_kernel();
    std::remove(bench_path);
    DrawingFile* df = drawing_file_new(bench_path);
    drawing_file_set_mode(df, drawing_mode_create_new);
    if (drawing_file_open(df, 0) != 0) return 1;
    open_drawings[0] = df;
    current_drawing = 0;
    point_numbers_rebuild();
    element_numbers_rebuild();
    put_f32(df->header, header_grid_x, 1.f);
    put_f32(df->header, header_grid_y, 1.f);
    std::vector<uint8_t> projection(projection_record_max, 0);
    put_u32(projection.data(), record_key, 1);
    put_u16(projection.data(), projection_flags, projection_word_no_auto);
    RecordRef* points = projection_chain(projection.data(), projection_points);
    RecordRef* elements = projection_chain(projection.data(), projection_elements);
    for (int i = 1; i <= point_count; ++i) {
        uint8_t p[point_record_size];
        double xy[2] = {(i % 100) * 5.0, (i / 100) * 5.0};
        ref_point_init(p, static_cast<uint32_t>(i), xy);
        record_add_at_end(df, points, p, &page_buffers[table_points]);
        point_number_mark_used(static_cast<uint32_t>(i));
    }
    // Line i joins i and i + 1; the first 1,000 lines end on the hub point.
    const uint32_t hub = point_count, lone = 5000;
    for (int i = 0; i < line_count; ++i) {
        uint32_t a = static_cast<uint32_t>(1 + i % (point_count - 10)), b = i < 1000 ? hub : a + 1;
        if (a == lone || b == lone) a = b = 7;  // the lone point: used by exactly two lines, below
        uint8_t r[element_size2] = {};
        put_u16(r, record_length, element_size2);
        put_u32(r, element_number, static_cast<uint32_t>(i + 1));
        put_u16(r, element_flags, 1 | (1 << 4));
        put_u32(r, element_points, a);
        put_u32(r, element_points + 4, i == 2000 || i == 2001 ? lone : b);
        record_add_at_end(df, elements, r, &page_buffers[table_elements]);
        element_number_mark_used(static_cast<uint32_t>(i + 1));
    }
    PointContext ctx;
    ctx.df = df;
    ctx.projection = projection.data();
    ctx.view.scale = {2, 2};
    ctx.mark_half_x = ctx.mark_half_y = 3;
    for (int k = 0; k < 50; ++k) aux_line_add(ctx, k % 2, false, {k * 10.0 + 2.5, k * 10.0 + 2.5}, {k * 10.0 + 3.5, k * 10.0 + 3.5}, 0, 0);

    const int rounds = 200;
    double t0 = now_us();
    uint32_t picked = 0;
    for (int r = 0; r < rounds; ++r) {
        PointCopy p;
        if (ref_point_hit_test(ctx, 2 * (r % 97) * 5 + 1, 2 * (r % 89) * 5 + 1, 6, &p)) picked += 1;
    }
    double t1 = now_us();
    std::printf("hit test over %d points: %8.1f us (%u of %d picked)\n", point_count, (t1 - t0) / rounds, picked, rounds);

    t0 = now_us();
    for (int r = 0; r < rounds; ++r) {
        PointCopy p;
        double xy[2] = {r * 0.37, r * 0.53};
        ref_point_init(p.bytes, 99999, xy);
        ref_point_snap_to_grid(df, projection.data(), &p);
        ref_point_snap_to_aux_lines(ctx, &p, false);
    }
    t1 = now_us();
    std::printf("snap of one point (grid and 50 auxiliary lines): %8.1f us\n", (t1 - t0) / rounds);

    ElementUsage usage;
    element_usage_build(df, projection.data(), &usage);
    ctx.hooks.rebuild = [&](unsigned char* proj, uint32_t n) {
        PointCopy p;
        if (n && point_read(df, proj, n, &p)) rebuild_elements_of_point(df, proj, n, p.sketch(), &usage);
    };
    for (uint32_t who : {lone, hub}) {
        int users = 0;
        RecordRef cursor = 0;
        while (element_next_using_point(df, projection.data(), who, &cursor, nullptr)) ++users;
        double rebuild_us = 0, drop_us = 0;
        for (int r = 0; r < rounds; ++r) {
            PointCopy p;
            point_read(df, projection.data(), who, &p);
            Point2 start = p.sketch();
            p.set_sketch({start.x + 0.25, start.y + 1000.25});  // far from the other points: no merge
            point_write(df, projection.data(), p);
            double a = now_us();
            ref_point_drop(ctx, who, start, DropOptions{});
            double b = now_us();
            drop_us += b - a;
            a = now_us();
            rebuild_elements_of_point(df, projection.data(), who, Point2{start.x + 1, start.y}, &usage);
            rebuild_us += now_us() - a;
        }
        std::printf("point used by %4d lines: drop %8.1f us, of which the rebuild of its lines %8.2f us\n", users,
                    drop_us / rounds, rebuild_us / rounds);
    }
    drawing_file_close(df);
    drawing_file_free(df);
    std::remove(bench_path);
    return 0;
}
