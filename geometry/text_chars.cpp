// Character classes, case conversion and collation of Windows-1251 texts.
#include "geometry/text_chars.h"

#include <cstring>

#include "geometry/kernel_context.h"

thread_local uint16_t char_class_flags = 0;

namespace {

bool is_digit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// 0 and the bits of a letter, or 1 for a byte that is no letter.
int letter_bits(unsigned char c, uint16_t* bits) {
    if (c >= 'A' && c <= 'Z') {
        *bits = char_class_letter;
    } else if (c >= 'a' && c <= 'z') {
        *bits = char_class_letter | char_class_latin_small;
    } else if (c >= 0xC0 && c <= 0xDF) {
        *bits = char_class_letter | char_class_cyr_capital;
    } else if (c >= 0xE0) {
        *bits = char_class_letter | char_class_cyr_small;
    } else {
        return 1;
    }
    return 0;
}

int accept(uint16_t bits) {
    char_class_flags = static_cast<uint16_t>(char_class_flags | bits);
    return 0;
}

}  // namespace

int classify_digit(unsigned char c) {
    return is_digit(c) ? accept(char_class_digit) : 1;
}

int classify_decimal_char(unsigned char c) {
    if (is_digit(c)) return accept(char_class_digit);
    if (c == '.' || c == ',') return accept(char_class_separator);
    if (c == '+') return accept(char_class_plus);
    if (c == '-') return accept(char_class_minus);
    return 1;
}

int classify_number_char(unsigned char c) {
    if (classify_decimal_char(c) == 0) return 0;
    switch (c) {
    case 'E':
        return accept(char_class_letter);
    case 'e':
        return accept(char_class_letter | char_class_latin_small);
    case 0xC5:
        return accept(char_class_letter | char_class_cyr_capital);
    case 0xE5:
        return accept(char_class_letter | char_class_cyr_small);
    case '`':
        return accept(char_class_times);
    default:
        return 1;
    }
}

int classify_letter(unsigned char c) {
    uint16_t bits = 0;
    if (letter_bits(c, &bits) != 0) return 1;
    return accept(bits);
}

int classify_identifier_char(unsigned char c) {
    if (is_digit(c)) return accept(char_class_digit);
    uint16_t bits = 0;
    if (letter_bits(c, &bits) == 0) return accept(bits);
    if (c != 0 && std::strchr("_%!$&#", c) != nullptr) return 0;
    return 1;
}

unsigned char char_to_upper(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || c >= 0xE0) {
        return static_cast<unsigned char>(c & ~0x20);
    }
    return c;
}

unsigned char char_to_lower(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF)) {
        return static_cast<unsigned char>(c | 0x20);
    }
    return c;
}

void copy_to_upper(char* dst, const char* src) {
    size_t i = 0;
    do {
        dst[i] = static_cast<char>(char_to_upper(static_cast<unsigned char>(src[i])));
    } while (src[i++] != 0);
}

void copy_to_lower(char* dst, const char* src) {
    size_t i = 0;
    do {
        dst[i] = static_cast<char>(char_to_lower(static_cast<unsigned char>(src[i])));
    } while (src[i++] != 0);
}

// ---------------------------------------------------------------- collation
#define ASCII_RANKS                                                                               \
    ' ', '!', '@', '#', '$', '%', '&', '\'', '(', ')', '*', '+', ',', '-', '.', '/', '0', '1', '2', \
        '3', '4', '5', '6', '7', '8', '9', ':', ';', '<', '=', '>', '?', '@', 'A', 'B', 'C', 'D',   \
        'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V',   \
        'W', 'X', 'Y', 'Z', '[', '\\', ']', '^', '_', '`', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h',  \
        'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z',   \
        '{', '|', '}', '~'

const unsigned char collation_order[collation_order_size] = {
    ASCII_RANKS,
    // Capitals: the Russian alphabet with the letters of the other Cyrillic
    // alphabets after their base letter; the last five Ы Э Ю Я Ь.
    0xC0, 0xC1, 0xC2, 0xC3, 0xA5, 0x81, 0xC4, 0x80, 0xC5, 0xA8, 0xAA, 0xC6, 0xC7, 0xC8, 0xB2, 0xAF,
    0xC9, 0xA3, 0xCA, 0x8D, 0xCB, 0x8A, 0xCC, 0xCD, 0x8C, 0xCE, 0xCF, 0xD0, 0xD1, 0xBD, 0xD2, 0x8E,
    0xD3, 0xA1, 0xD4, 0xD5, 0xD6, 0xD7, 0x8F, 0xD8, 0xD9, 0xDA, 0xDB, 0xDD, 0xDE, 0xDF, 0xDC,
    // Small letters in the same pattern.
    0xE0, 0xE1, 0xE2, 0xE3, 0xB4, 0x83, 0xE4, 0x90, 0xE5, 0xB8, 0xBA, 0xE6, 0xE7, 0xE8, 0xB3, 0xBF,
    0xE9, 0xBC, 0xEA, 0x9D, 0xEB, 0x9A, 0xEC, 0xED, 0x9C, 0xEE, 0xEF, 0xF0, 0xF1, 0xBE, 0xF2, 0x9E,
    0xF3, 0xA2, 0xF4, 0xF5, 0xF6, 0xF7, 0x9F, 0xF8, 0xF9, 0xFA, 0xFB, 0xFD, 0xFE, 0xFF, 0xFC,
    // The rest in code order.
    0x7F, 0x82, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8B, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
    0x98, 0x99, 0x9B, 0xA0, 0xA4, 0xA6, 0xA7, 0xA9, 0xAB, 0xAC, 0xAD, 0xAE, 0xB0, 0xB1, 0xB5, 0xB6,
    0xB7, 0xB9, 0xBB,
};
#undef ASCII_RANKS

namespace {

// Rank of every byte in one mode. Table bytes rank by twice their index
// (plus a base above the control characters); the bytes the table lacks get
// fixed places in between: control characters before the blank, the double
// quote just after '!'.
struct RankTable {
    uint16_t rank[256];
};

RankTable build_ranks(const unsigned char* soft_capitals, const unsigned char* soft_small) {
    unsigned char order[collation_order_size];
    std::memcpy(order, collation_order, sizeof order);
    // Write the five letters from Ы on (searched among indices 128..219) in
    // the order of the mode.
    const unsigned char* patterns[2] = {soft_capitals, soft_small};
    for (const unsigned char* pattern : patterns) {
        for (size_t i = 128; i <= 219; ++i) {
            if (order[i] == pattern[0]) {
                std::memcpy(order + i, pattern, 5);
                break;
            }
        }
    }
    RankTable t;
    const uint16_t none = 0xFFFF;
    for (uint16_t& r : t.rank) r = none;
    const uint16_t base = 64;
    for (size_t i = 0; i < collation_order_size; ++i) {
        if (t.rank[order[i]] == none) {
            t.rank[order[i]] = static_cast<uint16_t>(base + 2 * i);
        }
    }
    for (int c = 0; c < 256; ++c) {
        if (t.rank[c] == none) {
            // Only 0x00..0x1F and the double quote are missing.
            t.rank[c] = c == '"' ? static_cast<uint16_t>(t.rank['!'] + 1) : static_cast<uint16_t>(c);
        }
    }
    return t;
}

const unsigned char standard_capitals[5] = {0xDB, 0xDC, 0xDD, 0xDE, 0xDF};  // Ы Ь Э Ю Я
const unsigned char standard_small[5] = {0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
const unsigned char soft_last_capitals[5] = {0xDB, 0xDD, 0xDE, 0xDF, 0xDC};  // Ы Э Ю Я Ь
const unsigned char soft_last_small[5] = {0xFB, 0xFD, 0xFE, 0xFF, 0xFC};

const RankTable& ranks_for_mode(int mode) {
    static const RankTable standard = build_ranks(standard_capitals, standard_small);
    static const RankTable soft_last = build_ranks(soft_last_capitals, soft_last_small);
    return mode == 2 ? soft_last : standard;
}

int sign_of_lengths(size_t la, size_t lb) {
    return la > lb ? 1 : (la < lb ? -1 : 0);
}

}  // namespace

int compare_collated_in_mode(const char* a, const char* b, int mode) {
    size_t la = std::strlen(a);
    size_t lb = std::strlen(b);
    if (la == 0 || lb == 0) {
        return sign_of_lengths(la, lb);
    }
    size_t n = la < lb ? la : lb;
    const unsigned char* ua = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* ub = reinterpret_cast<const unsigned char*>(b);
    if (mode >= 0 && mode <= 2) {
        const RankTable& t = ranks_for_mode(mode);
        for (size_t i = 0; i < n; ++i) {
            uint16_t ra = t.rank[ua[i]];
            uint16_t rb = t.rank[ub[i]];
            if (ra != rb) return ra > rb ? 1 : -1;
        }
    } else {
        for (size_t i = 0; i < n; ++i) {
            if (ua[i] != ub[i]) return ua[i] > ub[i] ? 1 : -1;
        }
    }
    return sign_of_lengths(la, lb);
}

int compare_collated(const char* a, const char* b) {
    return compare_collated_in_mode(a, b, current_collation_mode());
}
