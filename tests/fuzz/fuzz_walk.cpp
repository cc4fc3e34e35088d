// Fuzz target of the element walk: the input is a drawing file.  Each of its
// projections (found as the store finds them) is walked by the element
// walk into the recording canvas at the stages of layer marking, picking and
// the tolerance pick, with a stand-in pick marker that reports every third
// element, and once into the DXF recorder.  Damaged records must be skipped or drawn
// as far as they are sound: never a crash, a hang or a write outside a page.
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "render/output/dxf_writers.h"
#include "render/output/element_drawing.h"
#include "render/output/recording_canvas.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/kernel_binding.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Projections walked so far (a seed run that walks none checks nothing).
long walked_projections = 0;

int pick_every_third(OutputView*, int, const uint8_t* el) {
    return get_u32(el, element_number) % 3 == 0;
}

void walk_at(unsigned char* projection, int stage) {
    RecordingCanvas rec;
    rec.keep_calls = false;
    OutputView view;
    output_view_init(&view, output_screen);
    view.canvas = recording_canvas(&rec);
    view.transform.scale = ViewScale{2.0, 1.5};
    view.stage = stage;
    view.visible_layers = 0x5B;
    view.projection = projection;
    output_window_seams.pick_marker_damaged = pick_every_third;
    layer_mark_request = stage == 2 ? 0x10 : 0;
    tolerance_pick_request = stage == 5;
    draw_view_elements(&view);
    // Every selection restored.
    if (rec.live_objects != 0) std::abort();
}

void walk_projection(unsigned char* projection) {
    for (int stage : {2, 3, 5}) walk_at(projection, stage);
    dxf_output_active = 1;
    walk_at(projection, 6);
    dxf_output_active = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string path;
    if (path.empty()) {
        store_init();
        store_bind();
        page_buffers_init_defaults();
        settings_block_unpack();
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        store_bind_kernel();
        dxf_recorder_install();
        path = "fuzz_walk_" + std::to_string(getpid()) + ".svt";
        std::atexit([] {
            std::remove(path.c_str());
            std::fprintf(stderr, "fuzz_walk: %ld projections walked\n", walked_projections);
        });
    }
    program_message_display = program_message_unshown;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    error_flag = 0;
    error_stack_clear();
    file_unusable = 0;
    unusable_quit_done = 0;
    dxf_recorder_clear();

    DrawingFile* df = drawing_file_new(path.c_str());
    if (!df) return 0;
    drawing_file_set_mode(df, drawing_mode_open_existing);
    if (drawing_file_open(df, 0) != 0) {
        drawing_file_free(df);
        return 0;
    }
    open_drawings[0] = df;
    current_drawing = 0;

    // Copies of the first projections, then the walks (a walk loads pages).
    RecordRef* projections = reinterpret_cast<RecordRef*>(df->header + header_projections);
    static unsigned char copies[8][2048];
    int count = 0;
    for (unsigned char* p = record_next(df, projections, nullptr, &page_buffers[table_projections]); p && count < 8;
         p = record_next(df, projections, p, &page_buffers[table_projections])) {
        uint16_t len = get_u16(p, 0);
        std::memset(copies[count], 0, sizeof copies[count]);
        std::memcpy(copies[count], p, len);
        ++count;
    }
    for (int i = 0; i < count; ++i) {
        error_flag = 0;
        walk_projection(copies[i]);
    }
    walked_projections += count;

    df->header[111] &= static_cast<unsigned char>(~0x08);
    drawing_file_close(df);
    if (drawing_file_free(df) != 0) {
        df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_open);
        drawing_file_free(df);
    }
    open_drawings[0] = nullptr;
    return 0;
}
