// Text fragment properties: text, sizes, alignment and edges of a fragment.
#include "annotation/text_fragment_properties.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "store/record_layouts.h"

#include <cmath>

namespace {
const double quarter_turn = std::acos(-1.0) / 2.0;
// Edge pairs (bit shift) of the main-line and thin-line check boxes.
struct EdgeBox {
    int main, thin, shift;
};
const EdgeBox edge_boxes[4] = {{1344, 1345, 6}, {1346, 1347, 12}, {1348, 1350, 10}, {1351, 1352, 8}};
}  // namespace

bool text_fragment_build(const uint8_t* old, const std::string& text, RecordBytes* out, const char** refusal) {
    *refusal = nullptr;
    RecordBytes packed = pack_whole_text(text);
    if (text_fragment_head + packed.size() > record_max_length) {
        *refusal = text_refusal_too_long;
        return false;
    }
    out->assign(old, old + text_fragment_head);
    out->insert(out->end(), packed.begin(), packed.end());
    put_u16(out->data(), record_length, static_cast<uint16_t>(out->size()));
    put_u16(out->data(), text_fragment_text_length, static_cast<uint16_t>(text.size() > 65535 ? 65535 : text.size()));
    return true;
}

unsigned char* text_fragment_set_text(void* projection, unsigned char* record, const char* text, size_t) {
    if (!text || !record) return nullptr;
    PageBuffer* buf = &page_buffers[table_annotation];
    RecordRef ref = record_ref_of(buf, record);
    if (!ref) return nullptr;
    RecordBytes built;
    const char* refusal = nullptr;
    try {
        if (!text_fragment_build(record, text, &built, &refusal)) {
            show_program_message(refusal);
            return record;
        }
    } catch (const std::bad_alloc&) {
        show_program_message(kernel_context().out_of_memory_text);
        error_flag = 1;
        return nullptr;
    }
    return projection_annotation_replace(static_cast<uint8_t*>(projection), &ref, built.data());
}

bool text_fragment_apply_alignment(uint8_t* rec, int control) {
    int alignment;
    double direction;
    if (control >= 1354 && control <= 1356) {
        alignment = control - 1354;
        direction = 0;
    } else if (control >= 1678 && control <= 1680) {
        alignment = control - 1678;
        direction = -quarter_turn;
    } else {
        return false;
    }
    rec[text_fragment_alignment] = static_cast<uint8_t>(alignment);
    put_f64(rec, text_fragment_angle, direction);
    return true;
}

int text_fragment_alignment_button(const uint8_t* rec) {
    int a = rec[text_fragment_alignment];
    if (a > 2) a = 0;
    return (get_f64(rec, text_fragment_angle) != 0 ? 1678 : 1354) + a;
}

bool text_fragment_apply_edge(uint8_t* rec, int control, int checked) {
    for (const EdgeBox& e : edge_boxes) {
        if (control != e.main && control != e.thin) continue;
        int line = control == e.main ? 1 : 2;
        uint16_t f = get_u16(rec, annotation_flags);
        int now = (f >> e.shift) & 3;
        if (checked) now = line;
        else if (now == line) now = 0;
        put_u16(rec, annotation_flags, static_cast<uint16_t>((f & ~(3 << e.shift)) | (now << e.shift)));
        return true;
    }
    return false;
}

bool text_fragment_edge_checked(const uint8_t* rec, int control) {
    for (const EdgeBox& e : edge_boxes) {
        int now = (get_u16(rec, annotation_flags) >> e.shift) & 3;
        if (control == e.main) return now == 1;
        if (control == e.thin) return now == 2;
    }
    return false;
}

double text_fragment_min_width(const uint8_t* rec) {
    double margin_left = std::fabs(static_cast<double>(get_f32(rec, text_fragment_corner1)) - get_f32(rec, text_fragment_frame1));
    double margin_right = std::fabs(static_cast<double>(get_f32(rec, text_fragment_frame2)) - get_f32(rec, text_fragment_corner2));
    return 2 * margin_left + margin_right;
}

double text_fragment_min_height(const uint8_t* rec, double text_height) {
    double below = std::fabs(static_cast<double>(get_f32(rec, text_fragment_corner1 + 4)) - get_f32(rec, text_fragment_frame1 + 4));
    double above = std::fabs(static_cast<double>(get_f32(rec, text_fragment_frame2 + 4)) - get_f32(rec, text_fragment_corner2 + 4));
    return below + text_height + above;
}

double text_fragment_inner_width(const uint8_t* rec) {
    return static_cast<double>(get_f32(rec, text_fragment_frame2)) - get_f32(rec, text_fragment_frame1);
}

double text_fragment_inner_height(const uint8_t* rec) {
    return static_cast<double>(get_f32(rec, text_fragment_frame2 + 4)) - get_f32(rec, text_fragment_frame1 + 4);
}

bool text_fragment_set_fixed_width(uint8_t* rec, double value) {
    uint16_t f = get_u16(rec, annotation_flags);
    if (!std::isfinite(value) || !(value > text_fragment_min_width(rec))) {
        put_u16(rec, annotation_flags, static_cast<uint16_t>(f & ~fragment_fixed_width));
        return false;
    }
    double beyond = static_cast<double>(get_f32(rec, text_fragment_frame2)) - get_f32(rec, text_fragment_corner2);
    double far = get_f32(rec, text_fragment_frame1) + value;
    put_f32(rec, text_fragment_frame2, static_cast<float>(far));
    put_f32(rec, text_fragment_corner2, static_cast<float>(far - beyond));
    put_u16(rec, annotation_flags, static_cast<uint16_t>(f | fragment_fixed_width));
    return true;
}

bool text_fragment_set_fixed_height(uint8_t* rec, double value, double text_height) {
    uint16_t f = get_u16(rec, annotation_flags);
    if (!std::isfinite(value) || !(value > text_fragment_min_height(rec, text_height))) {
        put_u16(rec, annotation_flags, static_cast<uint16_t>(f & ~fragment_fixed_height));
        return false;
    }
    double beyond = static_cast<double>(get_f32(rec, text_fragment_frame2 + 4)) - get_f32(rec, text_fragment_corner2 + 4);
    double far = get_f32(rec, text_fragment_frame1 + 4) + value;
    put_f32(rec, text_fragment_frame2 + 4, static_cast<float>(far));
    put_f32(rec, text_fragment_corner2 + 4, static_cast<float>(far - beyond));
    put_u16(rec, annotation_flags, static_cast<uint16_t>(f | fragment_fixed_height));
    return true;
}

bool text_fragment_erase_on_close(const uint8_t* rec) {
    if ((get_u16(rec, annotation_flags) & 0x3FC0) != 0) return false;
    return record_text(rec, text_fragment_head).empty();
}
