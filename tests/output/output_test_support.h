// Shared helpers of the output tests: a view drawing into the recording
// canvas, the settings block for colours, the DXF recorder, and pixel-level
// readings of the recorded calls.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/tolerance.h"
#include "render/output/dxf_writers.h"
#include "render/output/element_drawing.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "render/output/recording_canvas.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"

namespace output_test {

// Colours of the settings block as the drawing rules give them.
constexpr uint32_t black = 0x000000;
constexpr uint32_t hidden_grey = 0xAAAAAA;     // RGB(170, 170, 170)
constexpr uint32_t marked_blue = 0xFF5555;     // RGB(85, 85, 255)
constexpr uint32_t contour_red = 0x5555FF;     // RGB(255, 85, 85)
constexpr uint32_t break_pink = 0xFF55FF;      // RGB(255, 85, 255)
constexpr uint32_t accent_yellow = 0x55FFFF;   // RGB(255, 255, 85)
constexpr uint32_t highlight_rose = 0xEDD6FF;  // RGB(255, 214, 237)

// A view on the recorder; not copyable (the canvas points at the recorder).
struct RecView {
    RecordingCanvas rec;
    OutputView view;
    explicit RecView(double scale = 1.0, int stage = 3, double scale_y = 0.0) {
        output_view_init(&view, output_screen);
        view.canvas = recording_canvas(&rec);
        view.transform.scale = ViewScale{scale, scale_y > 0.0 ? scale_y : scale};
        view.stage = stage;
    }
    RecView(const RecView&) = delete;
    RecView& operator=(const RecView&) = delete;
    OutputView* operator->() { return &view; }
    OutputView* v() { return &view; }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const CanvasCall& c : rec.calls) out.push_back(canvas_call_text(c));
        return out;
    }
    std::vector<const CanvasCall*> of_kind(int kind) const {
        std::vector<const CanvasCall*> out;
        for (const CanvasCall& c : rec.calls)
            if (c.kind == kind) out.push_back(&c);
        return out;
    }
    // The pixel path of the move_to / line_to calls: each move starts a path.
    std::vector<std::vector<PointI>> paths() const {
        std::vector<std::vector<PointI>> out;
        for (const CanvasCall& c : rec.calls) {
            if (c.kind == call_move_to) out.push_back({PointI{c.args[0], c.args[1]}});
            if (c.kind == call_line_to && !out.empty()) out.back().push_back(PointI{c.args[0], c.args[1]});
        }
        return out;
    }
    void clear() { rec.calls.clear(); }
};

inline std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& t : v) s += t + "\n";
    return s;
}

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        dxf_output_active = 0;
        dxf_line_width = 0.0;
        dxf_recorder_install();
        marked_element_count = 0;
        layer_mark_request = 0;
        tolerance_pick_request = 0;
        output_window_seams = output_window_seams_unbound;
    }
    void TearDown() override {
        dxf_output_active = 0;
        dxf_recorder_remove();
        output_window_seams = output_window_seams_unbound;
        bind_current_drawing_header(nullptr);
        settings_block_free();
    }
};

// A current drawing of the given scale (1:k drawn as scale 1/k).
inline void set_drawing_scale(double scale) {
    static uint8_t header[drawing_header_size];
    put_f64(header, header_scale_offset, scale);
    bind_current_drawing_header([]() -> const uint8_t* { return header; });
}

// Element records built in memory.
inline std::vector<uint8_t> element(int kind, size_t size, int line_type, uint16_t extra_flags = 0,
                                    uint16_t options = 0, uint32_t number = 1) {
    std::vector<uint8_t> r(size, 0);
    put_u16(r.data(), record_length, static_cast<uint16_t>(size));
    put_u32(r.data(), element_number, number);
    put_u16(r.data(), element_flags, static_cast<uint16_t>(kind | (line_type << 4) | extra_flags));
    put_u16(r.data(), element_options, options);
    return r;
}

inline std::vector<uint8_t> segment_element(Point2 a, Point2 b, int line_type = 1, uint16_t extra = 0,
                                            uint16_t options = 0) {
    std::vector<uint8_t> r = element(1, element_size2, line_type, extra, options);
    put_point2(r.data(), element_coords2, a);
    put_point2(r.data(), element_coords2 + 16, b);
    return r;
}

inline uint16_t layer_option(int layer) {
    return static_cast<uint16_t>(layer << 13);
}

}  // namespace output_test
