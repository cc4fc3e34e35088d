// The second text of a leader, single or stacked.
#include "render/output/leader_text.h"

#include <cstdlib>
#include <vector>

#include "geometry/kernel_context.h"
#include "render/output/dimension_pens.h"
#include "render/output/dimension_texts.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "render/output/text_output.h"
#include "render/text/stroke_font.h"
#include "render/text/text_variables.h"
#include "store/record_layouts.h"

void draw_leader_text(OutputView* view, const uint8_t* leader, const std::string& unpacked) {
    if (!view || !leader) return;
    size_t first = leader[leader_first_length];
    if (first >= unpacked.size()) return;
    std::string second = unpacked.substr(first);
    uint16_t flags = get_u16(leader, annotation_flags);
    int size = (flags >> 7) & 0x0F;
    select_text_font(size, (flags >> 4) & 1, (flags >> 5) & 1);
    char* expanded = expand_text_variables(text_variables_drawing(), second.c_str(), 1);
    if (!expanded) return;
    std::string text(expanded);
    std::free(expanded);
    if (text.empty()) return;
    int shape = (flags >> 11) & 0x0F;
    if (shape != 4) {
        PointF a = get_pointf(leader, leader_text2);
        draw_text_at(view, a.x, a.y, 0.0, text.c_str());
        return;
    }
    double left = get_f32(leader, leader_point2), right = get_f32(leader, leader_point3);
    double top = get_f32(leader, leader_point3 + 4);
    double m = sheet_to_model_length(1.24);
    double step = text_line_step(size) + m;
    std::vector<std::string> lines = split_text_lines(text);
    PenScope pen = select_dimension_pen(view, 0.25);
    for (size_t i = 0; i < lines.size(); ++i) {
        double lower = top + step * static_cast<double>(i + 1);
        double width = 0.0;
        double depth = measure_text(lines[i].c_str(), &width, nullptr);
        draw_text_at(view, left + (right - left - width) / 2, lower - depth - m, 0.0, lines[i].c_str());
        Segment rule{{left, lower}, {right, lower}}, edge{{right, top}, {right, lower}};
        draw_line_segment(view, &rule);
        draw_line_segment(view, &edge);
    }
    canvas_restore_pen(&pen);
}
