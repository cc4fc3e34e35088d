// Annotation records: heads, checks, moves, leader texts and measuring.
#include "annotation/annotation_records.h"

#include <cmath>
#include <cstdlib>

#include "annotation/annotation_properties.h"
#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "render/output/dimension_texts.h"
#include "render/text/stroke_font.h"
#include "render/text/text_variables.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"

int annotation_head_size(int kind) {
    static const int heads[annotation_kind_count] = {dimension_text_head, leader_head, hatching_record_size,
                                                     text_fragment_head, section_nodes, roughness_head,
                                                     tolerance_head};
    return kind >= 0 && kind < annotation_kind_count ? heads[kind] : 0;
}

AnnotationFault annotation_record_check(const uint8_t* rec) {
    if (!rec) return annotation_fault_kind;
    int kind = rec[record_kind];
    int head = annotation_head_size(kind);
    if (head == 0) return annotation_fault_kind;
    int length = get_u16(rec, record_length);
    if (length < head || length > static_cast<int>(2044)) return annotation_fault_length;
    switch (kind) {
    case annotation_hatching:
        return annotation_record_ok;
    case annotation_section: {
        int nodes = rec[section_nodes_count];
        if (nodes < 1 || nodes > 249 || length != static_cast<int>(section_nodes + section_node_size * nodes))
            return annotation_fault_nodes;
        return annotation_record_ok;
    }
    default:
        break;
    }
    if ((length - head) & 1) return annotation_fault_odd_text;
    size_t unpacked = record_text(rec, static_cast<uint32_t>(head)).size();
    switch (kind) {
    case annotation_dimension_text:
    case annotation_leader:
        if (rec[7] > unpacked) return annotation_fault_text_lengths;
        break;
    case annotation_roughness:
        if (static_cast<size_t>(rec[roughness_lengths]) + rec[roughness_lengths + 1] + rec[roughness_lengths + 2] >
            unpacked)
            return annotation_fault_text_lengths;
        break;
    default:
        break;
    }
    return annotation_record_ok;
}

bool annotation_record_usable(const uint8_t* rec) {
    if (annotation_record_check(rec) == annotation_record_ok) return true;
    DrawingFile* df = current_drawing_file();
    if (df && !drawing_failed_open()) report_document_failure(df);
    return false;
}

namespace {

void move_pair(uint8_t* rec, uint32_t at, double dx, double dy) {
    put_f32(rec, at, static_cast<float>(get_f32(rec, at) + dx));
    put_f32(rec, at + 4, static_cast<float>(get_f32(rec, at + 4) + dy));
}

double sheet(double mm) { return sheet_to_model_length(mm); }

void select_style(uint16_t flags) {
    select_text_font(clamp_height_index((flags >> 7) & 0x0F), (flags >> 4) & 1, (flags >> 5) & 1);
}

TextLineMetrics measure_line(const std::string& text) {
    double w = 0, h = 0;
    double depth = measure_text(text.c_str(), &w, &h);
    return TextLineMetrics{h - depth, h, w};
}

}  // namespace

void translate_leader_record(uint8_t* rec, double dx, double dy) {
    for (uint32_t at : {leader_point1, leader_point2, leader_point3, leader_text1}) move_pair(rec, at, dx, dy);
    if (get_u16(rec, annotation_flags) & 0x40) move_pair(rec, leader_text2, dx, dy);
}

void translate_section_record(uint8_t* rec, double dx, double dy) {
    for (uint32_t at : {section_anchor1, section_anchor2, section_anchor3, section_anchor4}) move_pair(rec, at, dx, dy);
    int length = get_u16(rec, record_length);
    int nodes = rec[section_nodes_count];
    for (int i = 0; i < nodes; ++i) {
        uint32_t at = section_nodes + section_node_size * static_cast<uint32_t>(i);
        if (static_cast<int>(at) + 8 > length) break;
        move_pair(rec, at, dx, dy);
    }
}

void translate_text_fragment_record(uint8_t* rec, double dx, double dy) {
    for (uint32_t at : {text_fragment_corner1, text_fragment_corner2, text_fragment_frame1, text_fragment_frame2})
        move_pair(rec, at, dx, dy);
    double across = get_f64(rec, text_fragment_angle) != 0.0 ? dx : dy;
    put_f32(rec, text_fragment_baseline, static_cast<float>(get_f32(rec, text_fragment_baseline) + across));
}

bool leader_record_copy_texts(const uint8_t* rec, std::string* upper, std::string* lower, bool* has_lower) {
    if (!rec || rec[record_kind] != annotation_leader || annotation_record_check(rec) != annotation_record_ok)
        return false;
    std::string all = record_text(rec, leader_head);
    size_t n = rec[leader_first_length];
    if (n > all.size()) n = all.size();
    *upper = all.substr(0, n);
    std::string rest = all.substr(n);
    bool two = (get_u16(rec, annotation_flags) & 0x40) && !rest.empty();
    *lower = two ? rest : std::string();
    if (has_lower) *has_lower = two;
    return true;
}

int measure_dimension_label(const uint8_t* label, TextMetrics* out) {
    *out = TextMetrics{};
    if (!label || label[record_kind] != annotation_dimension_text ||
        annotation_record_check(label) != annotation_record_ok)
        return 0;
    uint16_t flags = get_u16(label, annotation_flags);
    std::string all = record_text(label, dimension_text_head);
    size_t n = label[dimension_text_first_length];
    if (n > all.size()) n = all.size();
    std::string shown = (flags & 0x2000) ? build_dimension_display_text(all, label) : all.substr(0, n);
    select_style(flags);
    out->line[0] = measure_line(shown);
    if (flags & 0x40) out->line[1] = measure_line(all.substr(n));
    return 1;
}

int measure_annotation_text(const uint8_t* rec, TextMetrics* out) {
    *out = TextMetrics{};
    std::string upper, lower;
    bool two = false;
    if (!leader_record_copy_texts(rec, &upper, &lower, &two)) return 0;
    uint16_t flags = get_u16(rec, annotation_flags);
    int index = clamp_height_index((flags >> 7) & 0x0F);
    select_style(flags);
    // Two ones side by side are measured as "01": the pair stands wider
    // than the narrow glyphs would.
    for (size_t i = 0; i + 1 < upper.size(); ++i)
        if (upper[i] == '1' && upper[i + 1] == '1') upper[i] = '0';
    out->line[0] = measure_line(upper);
    if (flags & 0x8000) {
        out->line[0].width += sheet(1.24) + get_f32(rec, leader_shelf);
        out->line[0].height += get_f32(rec, leader_shelf + 4);
    }
    if (two) {
        char* expanded = expand_text_variables(text_variables_drawing(), lower.c_str(), 1);
        std::string text = expanded ? std::string(expanded) : lower;
        std::free(expanded);
        if (((flags >> 11) & 0x0F) == 4) {
            double widest = 0, height = 0;
            for (const std::string& line : split_text_lines(text)) {
                double w = 0;
                measure_text(line.c_str(), &w, nullptr);
                if (w > widest) widest = w;
                height += sheet(1.24) + text_line_step(index);
            }
            out->line[1] = TextLineMetrics{height, height, widest};
        } else {
            out->line[1] = measure_line(text);
        }
    }
    return 1;
}
