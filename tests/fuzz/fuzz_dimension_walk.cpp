// Fuzz target of the dimension and annotation walk: the input is a handful
// of settings and a list of records put into a projection's dimension,
// annotation and element chains, each in a page of its own, as the store
// hands them out.  The walk draws them into the recording canvas (screen,
// with a stand-in pick marker that reports every third record) and into the
// DXF recorder.  Damaged records must be skipped or drawn as far as they
// are sound: never a crash, a hang, a read outside a page or a selection
// left behind.
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/tolerance.h"
#include "geometry/units_scale.h"
#include "render/output/dimension_seams.h"
#include "render/output/dxf_writers.h"
#include "render/output/output_view.h"
#include "render/output/recording_canvas.h"
#include "render/output/view_dimensions_walk.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"
#include "stroke_font_files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::vector<uint8_t>> chains[32];
uint8_t header[drawing_header_size];
int tested = 0;

uint8_t* next(uint8_t*, int chain, const uint8_t* prev, uint32_t* ref) {
    if (chain < 0 || chain >= 32) return nullptr;
    auto& list = chains[chain];
    size_t i = 0;
    if (prev) {
        while (i < list.size() && list[i].data() != prev) ++i;
        ++i;
    }
    if (i >= list.size()) return nullptr;
    if (ref) *ref = static_cast<uint32_t>(chain * 1000 + i + 1);
    return list[i].data();
}

int every_third(OutputView*, int, const uint8_t*) {
    return ++tested % 3 == 0;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> b;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return b;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
    std::fclose(f);
    return b;
}

void set_up() {
    settings_block_unpack();
    kernel_context_set_defaults();
    tolerance_set(tolerance_standing);
    init_dimension_drawing_constants();
    static std::vector<std::vector<uint8_t>> fonts;
    FontResourceBytes res[stroke_font_count];
    for (int i = 0; i < stroke_font_count; ++i) {
        fonts.push_back(read_file(std::string(SARVOLT_FONT_DIR) + "/font" + std::to_string(stroke_font_ids[i]) + ".gfnt"));
        res[i].data = fonts.back().empty() ? nullptr : fonts.back().data();
        res[i].size = static_cast<uint32_t>(fonts.back().size());
    }
    if (stroke_fonts_load(res) != 0) std::abort();
    text_settings_bind_settings_block();
    kernel_store = kernel_store_unbound;
    kernel_store.next = next;
    output_window_seams = output_window_seams_unbound;
    output_window_seams.pick_marker_damaged = every_third;
    dimension_window_seams = dimension_window_seams_unbound;
    dimension_window_seams.diameter_crosses = [](OutputView*, std::vector<Segment>* out) {
        out->push_back(Segment{{0, 0}, {0, 100}});
    };
    dimension_window_seams.edited_dimension = [](OutputView*) -> uint32_t { return 1; };
    dimension_window_seams.open_text_fragment = []() -> uint32_t { return 10005; };
    dimension_window_seams.section_line_being_entered = [](OutputView*, uint32_t) { return 1; };
    dxf_recorder_install();
    bind_current_drawing_header([]() -> const uint8_t* { return header; });
}

void walk(int stage, bool dxf) {
    RecordingCanvas rec;
    rec.keep_calls = false;
    OutputView view;
    output_view_init(&view, output_screen);
    view.canvas = recording_canvas(&rec);
    view.transform.scale = ViewScale{2.0, 1.5};
    view.stage = stage;
    static uint8_t projection[projection_record_max];
    view.projection = projection;
    dxf_output_active = dxf ? 1 : 0;
    dimension_pick_state = DimensionPickState{};
    dimension_pick_state.open_request = stage & 1;
    draw_view_dimensions(&view, 0);
    dxf_output_active = 0;
    if (rec.live_objects != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = false;
    if (!ready) {
        set_up();
        ready = true;
    }
    program_message_display = program_message_unshown;
    error_flag = 0;
    error_stack_clear();
    dxf_recorder_clear();
    for (auto& c : chains) c.clear();
    if (size < 2) return 0;
    std::memset(header, 0, sizeof header);
    put_f64(header, header_scale_offset, (data[1] % 20 + 1) / 4.0);
    // Drawing options: the second roughness arrangement, extension lines
    // fitted to the frame, hatch icons left out of the layout; centre
    // crosses left out of the layout.
    uint16_t options = 0;
    if (data[0] & 0x02) options |= 0x0002;
    if (data[0] & 0x04) options |= 0x0040;
    if (data[0] & 0x08) options |= 0x0200;
    put_u16(header, header_option_word_offset, options);
    header[111] = static_cast<uint8_t>((data[0] & 0x01) << 1);
    size_t at = 2;
    static const int chain_of[3] = {chain_dimensions, chain_annotation, chain_elements};
    while (at + 3 <= size) {
        int chain = chain_of[data[at] % 3];
        size_t n = data[at + 1] | static_cast<size_t>(data[at + 2]) << 8;
        at += 3;
        if (n > 2048) n = 2048;
        if (n > size - at) n = size - at;
        std::vector<uint8_t> page(2048, 0);
        std::memcpy(page.data(), data + at, n);
        chains[chain].push_back(page);
        at += n;
    }
    int stage = 1 + (data[0] >> 4) % 9;
    walk(stage, false);
    walk(6, true);
    return 0;
}
