// Dimension and annotation texts: label parts, prefix sign, display text,
// tolerance sign escapes and the unpacking of stored annotation texts.
#include "render/output/dimension_texts.h"

#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"

std::string unpack_annotation_text(const uint8_t* record, size_t head) {
    if (!record) return std::string();
    size_t length = get_u16(record, record_length);
    if (length > 2044) length = 2044;
    if (length <= head) return std::string();
    size_t packed = length - head;
    // The codec reads whole 16-bit words: copy the packed bytes into an
    // aligned buffer (a last odd byte is padded with 0).
    std::vector<uint16_t> words((packed + 1) / 2, 0);
    std::memcpy(words.data(), record + head, packed);
    std::vector<char> out(annotation_text_capacity + 1, 0);
    int n = text_unpack(out.data(), static_cast<int>(out.size()), words.data(), static_cast<int>(packed));
    if (n < 0) n = 0;
    if (static_cast<size_t>(n) > annotation_text_capacity) n = static_cast<int>(annotation_text_capacity);
    return std::string(out.data(), static_cast<size_t>(n));
}

std::string text_before(const std::string& text, char mark) {
    size_t p = text.find(mark);
    return p == std::string::npos ? text : text.substr(0, p);
}

std::string text_after(const std::string& text, char mark) {
    size_t p = text.find(mark);
    return p == std::string::npos ? std::string() : text.substr(p + 1);
}

std::vector<std::string> split_text_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t p = text.find("\\n", start);
        if (p == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, p - start));
        start = p + 2;
    }
}

namespace {

// The first text of a label (record byte 7 characters, at most what was
// unpacked) and, with flag bit 6, the second text after it.
void label_texts(const std::string& unpacked, const uint8_t* record, std::string* first, std::string* second) {
    size_t n = record ? record[dimension_text_first_length] : 0;
    if (n > unpacked.size()) n = unpacked.size();
    *first = unpacked.substr(0, n);
    second->clear();
    if (record && (get_u16(record, annotation_flags) & 0x40)) *second = unpacked.substr(n);
}

bool is_prefix_sign(unsigned char c) {
    return c == '#' || c == 'M' || c == 'R' || c == 127 || c == 0xAA;
}

}  // namespace

int split_dimension_text(const uint8_t* record, DimensionTextParts* out) {
    error_flag = 0;
    for (std::string& p : out->part) p.clear();
    out->empty = true;
    if (!record) {
        report_document_failure(nullptr);
        return -1;
    }
    std::string unpacked = unpack_annotation_text(record, dimension_text_head);
    out->empty = unpacked.empty();
    std::string first;
    label_texts(unpacked, record, &first, &out->part[3]);
    size_t v = first.find(dimension_text_value_mark);
    size_t value_start = 0;
    if (v != std::string::npos) {
        out->part[0] = first.substr(0, v);
        value_start = v + 1;
    }
    size_t d = first.find(dimension_text_deviation_mark, value_start);
    if (d == std::string::npos) {
        out->part[1] = first.substr(value_start);
    } else {
        out->part[1] = first.substr(value_start, d - value_start);
        out->part[2] = first.substr(d + 1);
    }
    return 0;
}

int dimension_text_prefix_sign(const uint8_t* record) {
    DimensionTextParts parts;
    if (split_dimension_text(record, &parts) < 0 || parts.empty) return -1;
    if (parts.part[1].empty()) return 0;
    unsigned char c = static_cast<unsigned char>(parts.part[1][0]);
    return is_prefix_sign(c) ? c : 0;
}

std::string build_dimension_display_text(const std::string& unpacked, const uint8_t* record) {
    std::string first, second;
    label_texts(unpacked, record, &first, &second);
    // The prefix sign of part 1: the first character after byte 24 (or of
    // the text without one), when it is one of the signs.
    size_t v = first.find(dimension_text_value_mark);
    size_t value_start = v == std::string::npos ? 0 : v + 1;
    char sign = 0;
    if (value_start < first.size() && first[value_start] != dimension_text_deviation_mark &&
        is_prefix_sign(static_cast<unsigned char>(first[value_start])))
        sign = first[value_start];
    std::string out;
    bool copying = v != std::string::npos;  // a text without byte 24 copies nothing before 26
    for (char c : first) {
        if (c == dimension_text_value_mark) {
            copying = false;
        } else if (c == dimension_text_deviation_mark) {
            if (sign) out += sign;
            copying = true;
        } else if (copying) {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (out.empty()) out = std::string(1, static_cast<char>(dimension_text_empty_mark));
    return out;
}

std::string tolerance_sign_escape(int kind) {
    static const unsigned char codes[17] = {0x20, 0x85, 0x80, 0x81, 0x82, 0x83, 0x84, 0x86, 0x89,
                                            0x88, 0x87, 0x8A, 0x8F, 0x8B, 0x8B, 0x8C, 0x8E};
    std::string s = "@1";
    if (kind == 14) {
        s += static_cast<char>(0x8B);
        s += static_cast<char>(0x8D);
        s += static_cast<char>(0x8B);
    } else if (kind >= 0 && kind <= 16) {
        s += static_cast<char>(codes[kind]);
    }
    s += '@';
    return s;
}
