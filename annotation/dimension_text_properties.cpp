// Dimension text properties: label and dimension bits, enabled controls.
#include "annotation/dimension_text_properties.h"

#include "base/byte_order.h"
#include "store/record_layouts.h"

namespace {
void set_bit(uint8_t* rec, uint32_t at, uint16_t bit, bool on) {
    uint16_t v = get_u16(rec, at);
    put_u16(rec, at, static_cast<uint16_t>(on ? (v | bit) : (v & ~bit)));
}
}  // namespace

bool dimension_text_apply_check(uint8_t* label, uint8_t* dimension, int control, int checked) {
    bool on = checked != 0;
    switch (control) {
    case dimtext_hide_nominal:
        set_bit(label, annotation_flags, dimtext_label_no_nominal, on);
        return true;
    case dimtext_invisible:
        set_bit(dimension, dimension_value_word, dim_value_invisible, on);
        set_bit(label, annotation_flags, dimtext_label_invisible, on);
        if (on) set_bit(dimension, dimension_state, dim_state_marked, false);
        return true;
    case dimtext_mark_in_lists:
        if (get_u16(dimension, dimension_value_word) & dim_value_invisible) on = false;
        set_bit(dimension, dimension_state, dim_state_marked, on);
        return true;
    case dimtext_nearest_points:
        set_bit(dimension, dimension_state, dim_state_nearest, on);
        return true;
    case dimtext_correct:
        set_bit(dimension, dimension_state, dim_state_correct, on);
        return true;
    default:
        return false;
    }
}

DimensionTextControls dimension_text_controls(const uint8_t* label, const uint8_t* dimension) {
    DimensionTextControls c{};
    int kind = dimension_kind(dimension);
    uint16_t value = get_u16(dimension, dimension_value_word);
    uint16_t state = get_u16(dimension, dimension_state);
    c.under_text = (get_u16(label, annotation_flags) & dimtext_label_along_line) == 0;
    c.mark_in_lists = (value & dim_value_invisible) == 0;
    c.nearest_points = !(kind == 1 || kind == 5 || (kind == 2 && (value & dim_value_bit2)));
    c.shows_value = (state & dim_state_measured) != 0;
    c.correct = c.shows_value;
    return c;
}

bool dimension_text_checked(const uint8_t* label, const uint8_t* dimension, int control) {
    uint16_t value = get_u16(dimension, dimension_value_word);
    uint16_t state = get_u16(dimension, dimension_state);
    switch (control) {
    case dimtext_hide_nominal: return (get_u16(label, annotation_flags) & dimtext_label_no_nominal) != 0;
    case dimtext_invisible: return (value & dim_value_invisible) != 0;
    case dimtext_mark_in_lists: return (value & dim_value_invisible) == 0 && (state & dim_state_marked) != 0;
    case dimtext_nearest_points: return (state & dim_state_nearest) != 0;
    case dimtext_correct: return (state & dim_state_measured) != 0 && (state & dim_state_correct) != 0;
    default: return false;
    }
}

#include "annotation/annotation_properties.h"
#include "render/output/dimension_texts.h"

void dimension_label_parts(const uint8_t* label, std::string parts[4]) {
    DimensionTextParts p;
    if (split_dimension_text(label, &p) != 0) {
        for (int i = 0; i < 4; ++i) parts[i].clear();
        return;
    }
    for (int i = 0; i < 4; ++i) parts[i] = p.part[i];
}

bool dimension_label_with_parts(const uint8_t* old, const char* const parts[4], std::vector<uint8_t>* out,
                                const char** refusal) {
    *refusal = nullptr;
    std::string p[4];
    dimension_label_parts(old, p);
    for (int i = 0; i < 4; ++i)
        if (parts[i]) p[i] = parts[i];
    std::string first;
    if (!p[0].empty()) first = p[0] + dimension_text_value_mark;
    first += p[1];
    if (!p[2].empty()) first += dimension_text_deviation_mark + p[2];
    if (first.size() > 255) {
        *refusal = "%ая длина обозначения номинала!";
        return false;
    }
    RecordBytes packed = pack_whole_text(first + p[3]);
    if (dimension_text_head + packed.size() > record_max_length) {
        *refusal = "%ая длина обозначения номинала!";
        return false;
    }
    out->assign(old, old + dimension_text_head);
    out->insert(out->end(), packed.begin(), packed.end());
    put_u16(out->data(), record_length, static_cast<uint16_t>(out->size()));
    (*out)[dimension_text_first_length] = static_cast<uint8_t>(first.size());
    uint16_t f = get_u16(out->data(), annotation_flags);
    put_u16(out->data(), annotation_flags, static_cast<uint16_t>(p[3].empty() ? (f & ~0x0040) : (f | 0x0040)));
    return true;
}
