// Section lines and text-fragment frames.
#include "render/output/annotation_frames.h"

#include <cmath>
#include <cstring>

#include "geometry/kernel_context.h"
#include "render/output/designation_letters.h"
#include "render/output/dimension_lines.h"
#include "render/output/dimension_pens.h"
#include "render/output/dimension_seams.h"
#include "render/output/dxf_writers.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "render/output/text_output.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"
#include "store/text_codec.h"

namespace {

Point2 point_f(const uint8_t* rec, size_t off) {
    PointF p = get_pointf(rec, off);
    return Point2{p.x, p.y};
}

}  // namespace

void draw_section_stroke(OutputView* view, double x, double y, double angle, int long_flag) {
    if (!view) return;
    double c = std::cos(angle), s = std::sin(angle);
    double behind = sheet_to_model_length(3.2), ahead = sheet_to_model_length(long_flag ? 4.8 : 3.2);
    Point2 b{x - c * behind, y - s * behind}, a{x + c * ahead, y + s * ahead};
    if (dxf_output_active) {
        // The bar's width is its line width: one LINE along its axis.
        PenDesc pen = dimension_pen(view, 0.9, dimension_line_colour());
        (void)pen;
        Segment axis{b, a};
        draw_line_segment(view, &axis);
        return;
    }
    double h = sheet_to_model_length(0.45);
    Point2 corners[4] = {{b.x - s * h, b.y + c * h}, {a.x - s * h, a.y + c * h}, {a.x + s * h, a.y - c * h},
                         {b.x + s * h, b.y - c * h}};
    PointI px[4];
    for (int i = 0; i < 4; ++i)
        px[i] = PointI{view_x_to_pixel(&view->transform, corners[i].x), view_y_to_pixel(&view->transform, corners[i].y)};
    uint32_t colour = dimension_line_colour();
    PenScope pen = canvas_select_pen(&view->canvas, PenDesc{pen_solid, 1, colour});
    BrushScope brush = canvas_select_brush(&view->canvas, BrushDesc{brush_solid, colour});
    canvas_polygon(&view->canvas, px, 4);
    canvas_restore_brush(&brush);
    canvas_restore_pen(&pen);
}

void draw_section_line(OutputView* view, const uint8_t* section, uint32_t ref) {
    if (!view || !section) return;
    int nodes = section_node_count(section);
    if (nodes < 1) return;
    auto node = [&](int k) { return point_f(section, section_nodes + section_node_size * static_cast<size_t>(k)); };
    if (nodes >= 2 && !dxf_output_active && dimension_window_seams.section_line_being_entered(view, ref)) {
        PenScope pen = canvas_select_pen(&view->canvas,
                                         PenDesc{pen_dot, 1, settings_u32(settings_accent_colour_offset)});
        for (int k = 0; k + 1 < nodes; ++k) {
            Segment s{node(k), node(k + 1)};
            draw_line_segment(view, &s);
        }
        canvas_restore_pen(&pen);
    }
    if (nodes >= 2) {
        Point2 first = node(0), second = node(1), last = node(nodes - 1), before = node(nodes - 2);
        draw_section_stroke(view, first.x, first.y, std::atan2(second.y - first.y, second.x - first.x), 0);
        draw_section_stroke(view, last.x, last.y, std::atan2(before.y - last.y, before.x - last.x), 0);
        Point2 tail1 = point_f(section, section_anchor1), tail2 = point_f(section, section_anchor3);
        Point2 arrow1[3] = {first, tail1, tail1}, arrow2[3] = {last, tail2, tail2};
        draw_dimension_line(view, 3, 0, 1, arrow1, nullptr, 0, 0, nullptr, 0, nullptr);
        draw_dimension_line(view, 3, 0, 1, arrow2, nullptr, 0, 0, nullptr, 0, nullptr);
    }
    // The letters: both packed words (a class switch takes a symbol, so
    // "Б1" already needs the second).
    uint16_t words[2];
    std::memcpy(words, section + section_letters, 4);
    char letters[12] = {};
    text_unpack(letters, sizeof letters, words, 4);
    if (!letters[0]) return;
    uint16_t flags = get_u16(section, annotation_flags);
    select_text_font((flags >> 2) & 0x0F, flags & 1, (flags >> 1) & 1);
    Point2 a2 = point_f(section, section_anchor2);
    draw_text_at(view, a2.x, a2.y, 0.0, letters);
    if (nodes >= 2) {
        Point2 a4 = point_f(section, section_anchor4);
        draw_text_at(view, a4.x, a4.y, 0.0, letters);
    }
}

void draw_frame_side(OutputView* view, const Segment& side, int style, uint32_t colour) {
    if (!view) return;
    PenScope pen = canvas_select_pen(&view->canvas, dimension_pen(view, style == 1 ? 0.6 : 0.25, colour));
    draw_line_segment(view, &side);
    canvas_restore_pen(&pen);
}

void draw_fragment_frame(OutputView* view, const uint8_t* fragment, uint32_t ref) {
    if (!view || !fragment) return;
    Point2 a = point_f(fragment, text_fragment_frame1), b = point_f(fragment, text_fragment_frame2);
    uint16_t flags = get_u16(fragment, annotation_flags);
    bool open = ref && dimension_window_seams.open_text_fragment() == ref;
    const Segment sides[4] = {{{a.x, a.y}, {a.x, b.y}}, {{a.x, b.y}, {b.x, b.y}}, {{b.x, b.y}, {b.x, a.y}},
                              {{b.x, a.y}, {a.x, a.y}}};
    const int shifts[4] = {6, 12, 8, 10};
    for (int i = 0; i < 4; ++i) {
        int style = (flags >> shifts[i]) & 3;
        if (style == 0) {
            if (open) draw_frame_side(view, sides[i], 1, settings_u32(settings_marked_colour_offset));
        } else {
            draw_frame_side(view, sides[i], style, dimension_line_colour());
        }
    }
}
