// Section designation properties: letters, view side, nodes and box.
#include "annotation/section_properties.h"

#include "base/byte_order.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "render/output/designation_letters.h"
#include "render/text/stroke_font.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"

#include <cstring>

void section_set_letters(uint8_t* rec, const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    uint16_t words[2] = {0, 0};
    if (!t.empty()) text_pack(t.c_str(), words, sizeof words);
    put_u16(rec, section_letters, words[0]);
    put_u16(rec, section_letters + 2, words[1]);
}

std::string section_letters_text(const uint8_t* rec) {
    return unpack_whole_text(rec + section_letters, 4);
}

bool section_apply_control(uint8_t* rec, int control, int checked) {
    uint16_t f = get_u16(rec, annotation_flags);
    switch (control) {
    case section_view_left: f = static_cast<uint16_t>(f & ~0x0040); break;
    case section_view_right: f = static_cast<uint16_t>(f | 0x0040); break;
    case section_hide_bends: f = static_cast<uint16_t>(checked ? (f | 0x0080) : (f & ~0x0080)); break;
    default: return false;
    }
    put_u16(rec, annotation_flags, f);
    return true;
}

bool section_without_last_node(const uint8_t* rec, RecordBytes* out) {
    int nodes = section_node_count(rec);
    if (nodes <= 1) return false;
    size_t length = section_nodes + section_node_size * static_cast<size_t>(nodes - 1);
    out->assign(rec, rec + length);
    put_u16(out->data(), record_length, static_cast<uint16_t>(length));
    (*out)[section_nodes_count] = static_cast<uint8_t>(nodes - 1);
    return true;
}

namespace {
void add_point(Box* b, double x, double y) {
    Box p{x, y, x, y};
    box_union(b, &p);
}
void add_disc(Box* b, Point2 c, double r) {
    Box p{c.x - r, c.y - r, c.x + r, c.y + r};
    box_union(b, &p);
}
Point2 pointf(const uint8_t* rec, uint32_t at) { return {get_f32(rec, at), get_f32(rec, at + 4)}; }
}  // namespace

int section_designation_bounds(const uint8_t* rec, Box* out) {
    *out = box_empty();
    int nodes = section_node_count(rec);
    if (nodes < 1) return 0;
    // A stroke reaches 4.8 mm ahead of its node (3.2 mm behind) and is
    // 0.9 mm wide; the arrows run from the end nodes to the tails.
    double stroke = sheet_to_model_length(4.8 + 0.45);
    double arrow = sheet_to_model_length(1.5);
    Point2 first = pointf(rec, section_nodes), last = pointf(rec, section_nodes + section_node_size * (nodes - 1));
    if (nodes >= 2) {
        add_disc(out, first, stroke);
        add_disc(out, last, stroke);
        add_disc(out, pointf(rec, section_anchor1), arrow);
        add_disc(out, pointf(rec, section_anchor3), arrow);
    } else {
        add_point(out, first.x, first.y);
    }
    std::string letters = section_letters_text(rec);
    if (!letters.empty()) {
        TextStyle style{};
        annotation_style_get(rec, &style);
        select_text_font(style.height_index, style.slant, style.font_b);
        double w = 0, h = 0;
        double depth = measure_text(letters.c_str(), &w, &h);
        double slack = sheet_to_model_length(0.5);
        for (uint32_t a : {static_cast<uint32_t>(section_anchor2), static_cast<uint32_t>(section_anchor4)}) {
            if (a == section_anchor4 && nodes < 2) break;
            Point2 p = pointf(rec, a);
            // Either way up: the letters' box on both sides of the baseline.
            add_point(out, p.x - slack, p.y - h - depth - slack);
            add_point(out, p.x + w + 0.27 * h + slack, p.y + h + depth + slack);
        }
    }
    return 1;
}
