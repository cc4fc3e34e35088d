// Drawing options: header bits of the option dialogs, value rules, arrowhead
// kinds and the per-record changes of the "for everything" buttons.
#include "shell/core/drawing_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "base/byte_order.h"

namespace {

// The header words of the options.
enum : int { word_110 = 110, word_112 = 112, word_114 = 114, word_164 = 164, byte_222 = 222 };

// A whole number typed into a field: optional blanks, an optional sign,
// digits, optional trailing blanks; false for anything else or overflow.
bool parse_whole(const char* text, long* out) {
    if (!text) return false;
    while (*text == ' ' || *text == '\t') ++text;
    if (!*text) return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end) return false;
    *out = v;
    return true;
}

void put_bit(uint8_t* header, int word, uint16_t mask, bool on) {
    uint16_t v = get_u16(header, word);
    put_u16(header, word, static_cast<uint16_t>(on ? (v | mask) : (v & ~mask)));
}

}  // namespace

const OptionBit option_bits[] = {
    {option_point_numbers, word_110, 0x0001, false},
    {option_continue_to_annotation, word_110, 0x0004, false},
    {option_no_inner_extensions, word_110, 0x0040, false},
    {option_no_fillet_crossings, word_112, 0x0010, false},
    {option_rounding, word_112, 0x0100, false},
    {option_replace_sketches, word_112, 0x0200, false},
    {option_same_points, word_112, 0x0400, false},
    // The bit set selects the coarse curve tolerance.
    {option_fine_curves, word_114, 0x0004, true},
    {option_auto_dimensions, word_114, 0x0010, false},
};
const size_t option_bit_count = sizeof option_bits / sizeof option_bits[0];

const OptionBit* option_bit_find(int control) {
    for (const OptionBit& b : option_bits)
        if (b.control == control) return &b;
    return nullptr;
}

int option_checked(const uint8_t* header, int control) {
    const OptionBit* b = option_bit_find(control);
    if (!b) return -1;
    bool set = (get_u16(header, b->word) & b->mask) != 0;
    return set != b->inverted ? 1 : 0;
}

bool option_set(uint8_t* header, int control, bool checked) {
    const OptionBit* b = option_bit_find(control);
    if (!b) return false;
    put_bit(header, b->word, b->mask, checked != b->inverted);
    return true;
}

int move_rule_get(const uint8_t* header) {
    if (get_u16(header, word_112) & 0x0040) return option_move_free;
    if (get_u16(header, word_114) & 0x1000) return option_move_change;
    return option_move_keep;
}

bool move_rule_set(uint8_t* header, int control) {
    bool free_point, change;
    switch (control) {
    case option_move_keep: free_point = false, change = false; break;
    case option_move_change: free_point = false, change = true; break;
    case option_move_free: free_point = true, change = false; break;
    default: return false;
    }
    put_bit(header, word_112, 0x0040, free_point);
    put_bit(header, word_114, 0x1000, change);
    return true;
}

int collation_mode_get(const uint8_t* header) { return (get_u16(header, word_110) >> 3) & 7; }

void collation_mode_set(uint8_t* header, int mode) {
    if (mode < 0) mode = 0;
    if (mode > 2) mode = 2;
    uint16_t v = get_u16(header, word_110);
    put_u16(header, word_110, static_cast<uint16_t>((v & ~0x0038) | (mode << 3)));
}

bool rounding_digits_store(uint8_t* header, const char* text) {
    long v;
    if (!parse_whole(text, &v) || v < 0 || v > 15) return false;
    put_u16(header, word_164, static_cast<uint16_t>(v));
    return true;
}

bool waiting_time_store(uint8_t* header, const char* text) {
    long v;
    if (!parse_whole(text, &v) || v < 1 || v > 256) return false;
    put_u8(header, byte_222, static_cast<uint8_t>(v - 1));
    return true;
}

int waiting_time_seconds(const uint8_t* header) { return get_u8(header, byte_222) + 1; }

int text_height_index_checked(int index) { return index >= 0 && index <= 9 ? index : 3; }

double placement_spacing_for_height(double height) { return 1.2 + height + 2.48; }

void option_defaults_store(uint8_t* header, int arrowhead_kind, int height_index) {
    uint16_t w = get_u16(header, word_110);
    put_u16(header, word_110, static_cast<uint16_t>((w & 0x0FFF) | ((arrowhead_kind & 0xF) << 12)));
    w = get_u16(header, word_112);
    put_u16(header, word_112, static_cast<uint16_t>((w & ~0x000F) | (height_index & 0xF)));
}

const int arrowhead_kinds[4] = {0, 2, 3, 7};

int arrowhead_kind_substitute(int kind) {
    if (kind == 0) return 1;
    if (kind == 7) return 8;
    return kind;
}

bool dimension_arrowheads_replace(uint8_t* dimension, int from, int to, bool short_dimension) {
    if (from == to) return false;
    uint16_t kind_word = get_u16(dimension, 34);
    uint16_t drawn = get_u16(dimension, 36);
    int ends[2] = {(kind_word >> 8) & 0xF, (kind_word >> 12) & 0xF};
    int from_sub = arrowhead_kind_substitute(from), to_sub = arrowhead_kind_substitute(to);
    for (int i = 0; i < 2; ++i) {
        if (!(drawn & (1u << i))) continue;
        if (ends[i] == from) ends[i] = to;
        else if (ends[i] == from_sub) ends[i] = to_sub;
    }
    if ((drawn & 3) == 3 && (from == 2 || from == 3) && to != 2 && to != 3 && short_dimension) {
        ends[0] = arrowhead_kind_substitute(ends[0]);
        ends[1] = arrowhead_kind_substitute(ends[1]);
    }
    uint16_t next = static_cast<uint16_t>((kind_word & 0x00FF) | (ends[0] << 8) | (ends[1] << 12));
    if (next == kind_word) return false;
    put_u16(dimension, 34, next);
    return true;
}

bool dimension_is_short(int kind, double view_length, double limit) {
    if (kind == 3) return false;
    return std::isfinite(view_length) && std::fabs(view_length) <= limit;
}

bool dimension_nearest_points_set(uint8_t* dimension, bool on) {
    if (get_u16(dimension, 36) & 0x0700) return false;
    uint16_t v = get_u16(dimension, 38);
    put_u16(dimension, 38, static_cast<uint16_t>(on ? (v | 0x0100) : (v & ~0x0100)));
    return true;
}

bool projection_mark_for_curve_change(uint8_t* projection) {
    uint16_t flags = get_u16(projection, 98);
    int kind = flags & 0xF;
    if ((flags & 0x0400) || kind == 7 || kind == 9) return false;
    put_u16(projection, 98, static_cast<uint16_t>(flags | 0x0200));
    return true;
}

bool library_folder_terminated(char* folder, size_t size) {
    if (!folder || !folder[0]) return false;
    size_t n = 0;
    while (n < size && folder[n]) ++n;
    if (n >= size) return false;
    if (folder[n - 1] == '\\') return true;
    if (n + 2 > size) return false;
    folder[n] = '\\';
    folder[n + 1] = 0;
    return true;
}
