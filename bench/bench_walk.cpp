// The per-view element walk over a projection of 10,000 and of 100,000
// elements (segments, circles, arcs by centre and by three points), drawn
// through the recording canvas (counting calls only) and, in the Windows
// build, into a memory DC holding a 24-bit DIB section.  Prints the time of
// each walk and the time per 10,000 elements; run by hand:
//
//     cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSARVOLT_SANITIZE=OFF
//     cmake --build build/bench --target bench_walk && (cd build/bench && ./bench_walk)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "render/output/element_drawing.h"
#include "render/output/recording_canvas.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

#ifdef _WIN32
#include <windows.h>

#include "render/output/gdi_canvas_win.h"
#endif

namespace {

const char bench_path[] = "bench_walk.svt";

struct Drawing {
    DrawingFile* df = nullptr;
    std::vector<uint8_t> projection = std::vector<uint8_t>(projection_record_max, 0);

    explicit Drawing(int count) {
        std::remove(bench_path);
        df = drawing_file_new(bench_path);
        drawing_file_set_mode(df, drawing_mode_create_new);
        if (drawing_file_open(df, 0) != 0) std::abort();
        open_drawings[0] = df;
        current_drawing = 0;
        RecordRef* head = reinterpret_cast<RecordRef*>(projection.data() + projection_elements);
        for (int i = 0; i < count; ++i) {
            int kind = i % 5 == 3 ? 2 : i % 5 == 4 ? (i % 2 ? 3 : 4) : 1;
            size_t size = kind >= 3 ? element_size3 : element_size2;
            std::vector<uint8_t> r(size, 0);
            put_u16(r.data(), record_length, static_cast<uint16_t>(size));
            put_u32(r.data(), element_number, static_cast<uint32_t>(i + 1));
            put_u16(r.data(), element_flags, static_cast<uint16_t>(kind | ((1 + i % 3) << 4)));
            double x = (i % 100) * 8.0, y = (i / 100 % 100) * 6.0;
            if (kind <= 2) {
                put_f64(r.data(), element_coords2, x + 5);
                put_f64(r.data(), element_coords2 + 8, y + 2);
                put_f64(r.data(), element_coords2 + 16, x);
                put_f64(r.data(), element_coords2 + 24, y);
            } else {
                put_f64(r.data(), element_coords3, x + 3);
                put_f64(r.data(), element_coords3 + 8, y);
                put_f64(r.data(), element_coords3 + 16, x);
                put_f64(r.data(), element_coords3 + 24, y + 3);
                put_f64(r.data(), element_coords3 + 32, kind == 3 ? x : x + 2.1);
                put_f64(r.data(), element_coords3 + 40, kind == 3 ? y : y + 2.1);
            }
            if (!record_add_at_end(df, head, r.data(), &page_buffers[table_elements])) std::abort();
        }
    }
    ~Drawing() {
        drawing_file_close(df);
        drawing_file_free(df);
        open_drawings[0] = nullptr;
        std::remove(bench_path);
    }
};

double seconds_of_walks(OutputView* view, int repeats) {
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) draw_view_elements(view);
    auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(t1 - t0).count() / repeats;
}

// Device calls of the recording canvas, when it is the back end.
RecordingCanvas* recorder = nullptr;

void run(const char* back_end, OutputView* view, const int counts[2]) {
    double per10k[2];
    for (int k = 0; k < 2; ++k) {
        Drawing d(counts[k]);
        view->projection = d.projection.data();
        size_t calls_before = recorder ? recorder->call_count : 0;
        seconds_of_walks(view, 1);  // pages loaded once
        if (recorder) std::printf("%-10s %7d elements: %zu device calls per walk\n", back_end, counts[k],
                                  recorder->call_count - calls_before);
        double s = seconds_of_walks(view, k == 0 ? 20 : 3);
        per10k[k] = s * 10000.0 / counts[k];
        std::printf("%-10s %7d elements: %9.2f ms per walk, %7.2f ms per 10,000 elements\n", back_end, counts[k],
                    s * 1000.0, per10k[k] * 1000.0);
    }
    std::printf("%-10s 100,000 / 10,000 walk time: %.2f (linear: 10)\n", back_end, 10.0 * per10k[1] / per10k[0]);
}

}  // namespace

int main() {
    if (store_init() != 0 || settings_block_unpack() != 0) return 1;
    store_bind();
    page_buffers_init_defaults();
    kernel_context_set_defaults();
    tolerance_set(tolerance_standing);
    store_bind_kernel();
    const int counts[2] = {10000, 100000};

    RecordingCanvas rec;
    rec.keep_calls = false;
    OutputView view;
    output_view_init(&view, output_sheet);
    view.canvas = recording_canvas(&rec);
    view.transform.scale = ViewScale{1.5, 1.5};
    view.stage = 4;
    recorder = &rec;
    run("recording", &view, counts);
    recorder = nullptr;

#ifdef _WIN32
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 1200;
    bi.bmiHeader.biHeight = -900;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    view.canvas = gdi_canvas(dc);
    run("GDI DIB", &view, counts);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
#endif
    settings_block_free();
    return 0;
}
