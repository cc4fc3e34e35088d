#include "store/text_codec.h"

#include "geometry/text_numbers.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const int symbol_exit = 39;    // leaves class 6 or 7; starts a repeat in class 5
const int raw_none = 1599;     // a markup byte at the very end of the text

struct CodecTables {
    signed char cls[256];
    signed char sym[256];
    unsigned char chr[8][40];
    bool ready;
};
CodecTables tables;

bool is_markup_with_value(unsigned char c) { return c == 25 || c == 29; }

// Bytes stored as a blank: control bytes other than the markup bytes 24-29.
bool is_blank_byte(unsigned char c) { return c == ' ' || c < 24 || c == 30 || c == 31; }

void place(int cls, int sym, unsigned char c) {
    tables.cls[c] = static_cast<signed char>(cls);
    tables.sym[c] = static_cast<signed char>(sym);
    tables.chr[cls][sym] = c;
}

// Characters of classes 1 to 5 in symbol order from symbol 7; every other
// non-blank byte goes to classes 6 and 7 in byte order.
void build_tables() {
    if (tables.ready) return;
    std::memset(tables.cls, 0, sizeof tables.cls);
    std::memset(tables.sym, 0, sizeof tables.sym);
    std::memset(tables.chr, ' ', sizeof tables.chr);
    const char* lists[6] = {
        nullptr,
        "0123456789.,-+()/:;=%*#!?\"'_<>[]@",   // class 1: digits and punctuation
        "abcdefghijklmnopqrstuvwxyz{}|\\&^~",  // class 2: Latin small letters
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ`$\x18\x19\x1a\x1b\x1c",  // class 3: Latin capitals
        nullptr,  // class 4: Cyrillic capitals, below
        nullptr   // class 5: Cyrillic small letters, below
    };
    for (int c = 1; c <= 3; ++c) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(lists[c]);
        for (int s = 7; *p; ++p, ++s) place(c, s, *p);
    }
    for (int i = 0; i < 32; ++i) place(4, 7 + i, static_cast<unsigned char>(0xC0 + i));
    place(4, 39, 0xA8);  // Ё
    for (int i = 0; i < 32; ++i) place(5, 7 + i, static_cast<unsigned char>(0xE0 + i));
    int cls = 6, sym = 1;
    for (int c = 24; c < 256; ++c) {
        unsigned char b = static_cast<unsigned char>(c);
        if (is_blank_byte(b) || tables.cls[b] != 0) continue;
        place(cls, sym, b);
        if (++sym > 38) {
            ++cls;
            sym = 1;
        }
    }
    for (int c = 0; c < 8; ++c) tables.chr[c][0] = ' ';
    tables.ready = true;
}

int start_class(int mode) { return mode >= 1 && mode <= 7 && mode != 6 && mode != 7 ? mode : 5; }

// Symbol that switches from class `from` (1-5) to class `to`.
int switch_code(int from, int to) { return to < from ? to : to - 1; }

struct Packer {
    std::vector<uint8_t> out;
    int cls;       // class in force
    int base;      // class to return to from 6 or 7
    void to_class(int want) {
        if (want == cls) return;
        if (cls >= 6) {
            out.push_back(symbol_exit);
            cls = base;
            if (want == cls) return;
        }
        if (want >= 6) base = cls;
        out.push_back(static_cast<uint8_t>(switch_code(cls, want)));
        cls = want;
    }
    void put_char(unsigned char c) {
        if (is_blank_byte(c)) {
            out.push_back(0);
            return;
        }
        to_class(tables.cls[c]);
        out.push_back(static_cast<uint8_t>(tables.sym[c]));
    }
    void put_raw(int v) {
        out.push_back(static_cast<uint8_t>(v % 40));
        out.push_back(static_cast<uint8_t>(v / 40));
    }
    // Writes "count + 1 more" copies of the previous character through the
    // repeat form of class 5.
    void put_repeat(int more) {
        to_class(5);
        out.push_back(symbol_exit);
        int count = more - 1;
        while (count >= 39) {
            out.push_back(39);
            count -= 39;
        }
        out.push_back(static_cast<uint8_t>(count));
    }
};

// Class of a character for the run rule (blanks count as class 5: any class
// writes them directly).
int run_class(unsigned char c) { return is_blank_byte(c) ? 5 : tables.cls[c]; }

}  // namespace

void text_char_symbol(unsigned char c, int* cls, int* symbol) {
    build_tables();
    *cls = is_blank_byte(c) ? 0 : tables.cls[c];
    *symbol = is_blank_byte(c) ? 0 : tables.sym[c];
}

void text_word_to_symbols(uint16_t w, uint8_t out[3]) {
    out[0] = static_cast<uint8_t>(w % 40);
    out[1] = static_cast<uint8_t>((w / 40) % 40);
    out[2] = static_cast<uint8_t>(w / 1600);
}

uint16_t text_symbols_to_word(uint8_t s0, uint8_t s1, uint8_t s2) {
    return static_cast<uint16_t>(s0 % 40 + 40 * (s1 % 40) + 1600 * (s2 % 40));
}

int text_pack_words(int length, const char* text, uint16_t* dst, int max_words, int mode) {
    if (length <= 0 || !text || !dst || max_words <= 0) return 0;
    build_tables();
    Packer pk;
    pk.cls = start_class(mode);
    pk.base = pk.cls;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
    // The text ends at its NUL when that comes first.
    for (int k = 0; k < length; ++k) {
        if (t[k] == 0) {
            length = k;
            break;
        }
    }
    if (length == 0) return 0;
    int i = 0;
    while (i < length) {
        unsigned char c = t[i];
        if (is_markup_with_value(c)) {
            pk.put_char(c);
            pk.put_raw(i + 1 < length ? t[i + 1] : raw_none);
            i += 2;
            continue;
        }
        int run = 1;
        while (i + run < length && t[i + run] == c) ++run;
        pk.put_char(c);
        // Runs go through the repeat form when it saves symbols: from class 5
        // (or 6 and 7 entered from it) at once, from other classes for longer runs.
        int rc = run_class(c);
        bool cheap = rc == 5 || (rc >= 6 && pk.base == 5);
        if (run >= (cheap ? 4 : 6)) {
            pk.put_repeat(run - 1);
        } else {
            for (int k = 1; k < run; ++k) pk.put_char(c);
        }
        i += run;
    }
    pk.out.push_back(0);
    pk.out.push_back(0);
    size_t words = pk.out.size() / 3;
    if (words > static_cast<size_t>(max_words)) words = static_cast<size_t>(max_words);
    for (size_t w = 0; w < words; ++w)
        dst[w] = text_symbols_to_word(pk.out[3 * w], pk.out[3 * w + 1], pk.out[3 * w + 2]);
    return static_cast<int>(2 * words);
}

int text_unpack_words(int packed_bytes, const uint16_t* src, char* dst, int dst_len, int mode) {
    if (!dst || dst_len <= 0) return 0;
    dst[0] = '\0';
    if (packed_bytes <= 0 || !src) return 0;
    build_tables();
    int words = (packed_bytes + 1) / 2;
    int nsym = 3 * words;
    auto symbol = [&](int k) {
        uint16_t w = src[k / 3];
        int r = k % 3;
        return r == 0 ? w % 40 : r == 1 ? (w / 40) % 40 : (w / 1600) % 40;
    };
    int cls = start_class(mode), base = cls;
    int n = 0;
    const int limit = dst_len - 1;
    int prev = -1;  // previous character written
    enum { normal, raw_low, raw_high, repeat } state = normal;
    int value = 0;
    for (int k = 0; k < nsym && n < limit; ++k) {
        int s = symbol(k);
        if (state == raw_low) {
            value = s;
            state = raw_high;
            continue;
        }
        if (state == raw_high) {
            value += 40 * s;
            state = normal;
            if (value < 256) {
                dst[n++] = static_cast<char>(value);
                prev = value;
            }
            continue;
        }
        if (state == repeat) {
            value += s;
            if (s == 39) continue;
            state = normal;
            for (int r = 0; r <= value && n < limit && prev >= 0; ++r) dst[n++] = static_cast<char>(prev);
            continue;
        }
        if (s == 0) {
            dst[n++] = ' ';
            prev = ' ';
            continue;
        }
        if (cls >= 6) {
            if (s == symbol_exit) {
                cls = base;
                continue;
            }
        } else if (s <= 6) {
            int to = s < cls ? s : s + 1;
            if (to >= 6) base = cls;
            cls = to;
            continue;
        } else if (cls == 5 && s == symbol_exit) {
            state = repeat;
            value = 0;
            continue;
        }
        unsigned char c = tables.chr[cls][s];
        dst[n++] = static_cast<char>(c);
        prev = c;
        if (is_markup_with_value(c)) state = raw_low;
    }
    dst[n] = '\0';
    return n;
}

int text_pack(const char* text, uint16_t* dst, int dst_bytes) {
    if (!text) return 0;
    return text_pack_words(static_cast<int>(std::strlen(text)), text, dst, dst_bytes / 2, 5);
}

int text_unpack(char* dst, int dst_len, const uint16_t* src, int packed_bytes) {
    int n = text_unpack_words(packed_bytes, src, dst, dst_len, 5);
    return static_cast<int>(trim_trailing_blanks(static_cast<size_t>(n), dst));
}

const char* unpack_text_block(const uint16_t* src, int word_count) {
    static char* last = nullptr;
    std::free(last);
    last = nullptr;
    char buf[2048];
    int n = text_unpack_words(2 * word_count, src, buf, sizeof buf, 2);
    last = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
    if (!last) return "";
    int o = 0;
    for (int i = 0; i < n; ++i) {
        if (buf[i] == '\\' && i + 1 < n && (buf[i + 1] == 'n' || buf[i + 1] == 't')) {
            last[o++] = buf[i + 1] == 'n' ? '\n' : '\t';
            ++i;
        } else {
            last[o++] = buf[i];
        }
    }
    last[o] = '\0';
    return last;
}
