// Leader properties: texts, head shapes, signs and the text point.
#include "annotation/leader_properties.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "store/record_layouts.h"

#include <cstring>

LeaderTexts leader_texts(const uint8_t* rec) {
    LeaderTexts t;
    std::string all = record_text(rec, leader_head);
    size_t upper = rec[leader_first_length];
    if (upper > all.size()) upper = all.size();
    t.upper = all.substr(0, upper);
    t.lower = all.substr(upper);
    return t;
}

bool leader_build_texts(const uint8_t* old, const char* upper, const char* lower, RecordBytes* out,
                        const char** refusal) {
    *refusal = nullptr;
    LeaderTexts kept = leader_texts(old);
    std::string u = upper ? std::string(upper) : kept.upper;
    std::string l = lower ? std::string(lower) : kept.lower;
    std::string joined = u + l;
    if (joined.size() > 780 || u.size() >= 256) {
        *refusal = text_refusal_length;
        return false;
    }
    RecordBytes packed = pack_whole_text(joined);
    if (packed.size() > record_max_length - leader_head) {
        *refusal = text_refusal_length;
        return false;
    }
    // An empty text keeps the two zero bytes of a new leader.
    if (packed.empty()) packed.assign(2, 0);
    out->assign(old, old + leader_head);
    out->insert(out->end(), packed.begin(), packed.end());
    put_u16(out->data(), record_length, static_cast<uint16_t>(out->size()));
    (*out)[leader_first_length] = static_cast<uint8_t>(u.size());
    uint16_t f = get_u16(out->data(), annotation_flags);
    f = static_cast<uint16_t>(l.empty() ? (f & ~0x0040) : (f | 0x0040));
    put_u16(out->data(), annotation_flags, f);
    return true;
}

unsigned char* leader_record_set_texts(uint8_t* projection, RecordRef* ref, const char* upper, const char* lower) {
    unsigned char* rec = annotation_record_at(*ref);
    if (!rec || error_flag || rec[record_kind] != annotation_leader) return nullptr;
    RecordBytes built;
    const char* refusal = nullptr;
    try {
        if (!leader_build_texts(rec, upper, lower, &built, &refusal)) {
            show_program_message(refusal);
            return rec;
        }
    } catch (const std::bad_alloc&) {
        show_program_message(kernel_context().out_of_memory_text);
        error_flag = 1;
        return nullptr;
    }
    return projection_annotation_replace(projection, ref, built.data());
}

namespace {
const LeaderHeadShape head_shapes[6] = {
    {1391, " Обычная выноска с полкой", true, true, true},
    {1392, " Знак маркировки (строительная ось)", false, true, false},
    {1393, " Знак клеймения", false, false, false},
    {1394, " База предельного отклонения", false, false, false},
    {1395, " Позиции на сборочном чертеже", true, false, false},
    {1396, " Направление взгляда", false, true, true},
};
const char* const sign_hints[7] = {
    " Нет знака", " Шов выполнить при монтаже", " Паянное соединение", " Клеевое соединение",
    " Нитки", " Скобки для соединения внахлёст", " Скобки на угловом соединении",
};

void set_style_byte(uint8_t* rec, int sign, int marks) {
    rec[leader_style] = static_cast<uint8_t>((rec[leader_style] & 0xC0) | (sign & 0x0F) | ((marks & 3) << 4));
}
}  // namespace

const LeaderHeadShape* leader_head_shape(int code) {
    return code >= 0 && code < 6 ? &head_shapes[code] : nullptr;
}

const char* leader_sign_hint(int code) {
    return code >= 0 && code < 7 ? sign_hints[code] : nullptr;
}

bool leader_apply_control(uint8_t* rec, int control, int value) {
    bool handled = (control >= leader_head_first && control < leader_head_first + 6) ||
                   control == leader_sign_combo || control == leader_weld_closed || control == leader_weld_stretch;
    if (!handled) return false;
    int shape = leader_head_shape_of(rec);
    int sign = leader_sign_of(rec);
    int marks = leader_weld_marks_of(rec);
    // The site-weld sign stands only on a plain leader.
    if (shape != 0 && sign == 1) sign = 0;
    uint16_t f = get_u16(rec, annotation_flags);
    if (control >= leader_head_first && control < leader_head_first + 6) {
        shape = control - leader_head_first;
        f = static_cast<uint16_t>((f & ~(0x0F << 11)) | (shape << 11));
        // A lower text shows under shapes 0 and 4 when the record holds one.
        f = static_cast<uint16_t>(f & ~0x0040);
        if ((shape == 0 || shape == 4) && !leader_texts(rec).lower.empty()) f |= 0x0040;
    } else if (control == leader_sign_combo) {
        if (value >= 0 && value <= 6) sign = value;
    } else if (control == leader_weld_closed) {
        marks = value ? 1 : (marks == 1 ? 0 : marks);
    } else {
        marks = value ? 2 : (marks == 2 ? 0 : marks);
    }
    const LeaderHeadShape* hs = leader_head_shape(shape);
    if (!hs || !hs->sign) sign = 0;
    if (!hs || !hs->weld_marks) marks = 0;
    put_u16(rec, annotation_flags, f);
    set_style_byte(rec, sign, marks);
    return true;
}

Point2 leader_text_point(const uint8_t* rec, double text_height, double c) {
    int shape = leader_head_shape_of(rec);
    if (shape == 1 || shape == 3)
        return {get_f32(rec, leader_point3), get_f32(rec, leader_point3 + 4)};
    double x = (static_cast<double>(get_f32(rec, leader_point2)) + get_f32(rec, leader_point3)) / 2.0;
    double y = static_cast<double>(get_f32(rec, leader_point2 + 4)) - c + text_height;
    return {x, y};
}
