// Form and position tolerance frames.
#include "render/output/tolerance_frame.h"

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "geometry/kernel_context.h"
#include "render/output/dimension_line_ends.h"
#include "render/output/dimension_pens.h"
#include "render/output/dimension_texts.h"
#include "render/output/output_view.h"
#include "render/output/primitives.h"
#include "render/output/text_output.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"

namespace {

Point2 point_f(const uint8_t* rec, size_t off) {
    PointF p = get_pointf(rec, off);
    return Point2{p.x, p.y};
}

std::string line_of(const std::vector<std::string>& lines, int r) {
    return r < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(r)] : std::string();
}

void separator(OutputView* view, double x, double top, double bottom) {
    Segment s{{x, top}, {x, bottom}};
    draw_line_segment(view, &s);
}

}  // namespace

int tolerance_frame_rows(const uint8_t* record) {
    uint16_t flags = get_u16(record, annotation_flags);
    // A stacked frame shows one to three rows (a count of 0 still one).
    if (!(flags & 0x200)) return 1;
    int rows = (flags >> 6) & 7;
    return rows < 1 ? 1 : rows > 3 ? 3 : rows;
}

void draw_tolerance_frame(OutputView* view, const uint8_t* record) {
    if (!view || !record) return;
    uint16_t flags = get_u16(record, annotation_flags);
    int size = (flags >> 2) & 0x0F, slant = flags & 1, type_b = (flags >> 1) & 1;
    bool several = (flags & 0x200) != 0;
    std::string text = unpack_annotation_text(record, tolerance_head);
    size_t n = record[tolerance_text_length];
    if (n < text.size()) text.resize(n);
    std::string sign_part = text_before(text, dimension_text_value_mark);
    std::string rest = text_after(text, dimension_text_value_mark);
    std::string values = text_before(rest, dimension_text_deviation_mark);
    std::string datums = text_after(rest, dimension_text_deviation_mark);
    std::vector<std::string> value_lines = split_text_lines(values), datum_lines = split_text_lines(datums);

    Point2 c1 = point_f(record, tolerance_frame1), c2 = point_f(record, tolerance_frame2);
    double sep1 = get_f32(record, tolerance_separator1), sep2 = get_f32(record, tolerance_separator2);
    double m = sheet_to_model_length(1.24);
    double row_height = std::fabs(c2.y - c1.y);

    PenScope pen = select_dimension_pen(view, 0.25);
    uint32_t previous = swap_text_colour(dimension_line_colour());
    int rows = tolerance_frame_rows(record);
    for (int r = 0; r < rows; ++r) {
        double dy = row_height * r;
        double top = c1.y + dy, bottom = c2.y + dy;
        draw_frame(view, Point2{c1.x, top}, Point2{c2.x, bottom});
        double baseline = c1.y + 0.75 * (c2.y - c1.y) + dy;
        std::string sign = several ? tolerance_sign_escape(record[tolerance_signs + r]) : sign_part;
        select_text_font(size, 0, type_b);
        draw_text_at(view, c1.x + m, baseline, 0.0, sign.c_str());
        select_text_font(size, slant, type_b);
        double xs = c1.x + sep1;
        separator(view, xs, top, bottom);
        std::string value = several ? line_of(value_lines, r) : values;
        draw_text_at(view, xs + m, baseline, 0.0, value.c_str());
        if (sep2 != 0.0) {
            double x = c1.x + sep2;
            separator(view, x, top, bottom);
            std::string letters = several ? line_of(datum_lines, r) : datums;
            size_t start = 0;
            while (start <= letters.size() && !letters.empty()) {
                size_t comma = letters.find(',', start);
                std::string cell = letters.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                double w = 0.0;
                measure_text(cell.c_str(), &w, nullptr);
                draw_text_at(view, x + m, baseline, 0.0, cell.c_str());
                x += m + w + m;
                separator(view, x, top, bottom);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        }
    }
    swap_text_colour(previous);

    // The leader, once the frame has been laid out.
    Point2 p[4];
    for (int i = 0; i < 4; ++i) p[i] = point_f(record, tolerance_leader_target + 8 * static_cast<size_t>(i));
    bool laid_out = true;
    for (const Point2& q : p)
        if (!std::isfinite(q.x) || !std::isfinite(q.y) || std::fabs(q.x) >= FLT_MAX / 2 || std::fabs(q.y) >= FLT_MAX / 2)
            laid_out = false;
    if (laid_out) {
        for (int i = 0; i < 3; ++i) {
            Segment s{p[i], p[i + 1]};
            draw_line_segment(view, &s);
        }
        if (std::hypot(p[1].x - p[0].x, p[1].y - p[0].y) > sheet_to_model_length(4.2)) {
            Point2 arrow[3] = {p[0], p[1], p[1]};
            draw_line_end(view, 0, 0, 1, arrow, 0);
        }
    }
    canvas_restore_pen(&pen);
}
