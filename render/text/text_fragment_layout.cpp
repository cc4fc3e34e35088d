// Laying out a text fragment in its frame.
#include "render/text/text_fragment_layout.h"

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "render/text/stroke_font.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

unsigned char* (*text_fragment_set_text_hook)(void* projection, unsigned char* record, const char* text,
                                              size_t buffer_size) = nullptr;

namespace {

const int esc = 27;
const size_t max_line = 2048;

unsigned char* out_of_memory(unsigned char* record) {
    show_program_message(kernel_context().out_of_memory_text);
    error_flag = 1;
    return record;
}

// Length of the line starting at p: up to NUL, CR LF, ESC or "\n".
size_t line_length(const char* p) {
    size_t n = 0;
    while (p[n] != 0 && p[n] != esc && !(p[n] == '\r' && p[n + 1] == '\n') && !(p[n] == '\\' && p[n + 1] == 'n'))
        ++n;
    return n;
}

// Where the line after the one ending at p[n] starts (p[n] is a break), or null.
const char* after_break(const char* p, size_t n) {
    if (p[n] == 0)
        return nullptr;
    return p + n + (p[n] == esc ? 1 : 2);
}

// Measures the first n characters of p (cut to a line's longest) in
// measuring mode; the fit index against the current width limit.
int fit_of_line(const char* p, size_t n, char* line) {
    size_t kept = n < max_line ? n : max_line;
    std::memcpy(line, p, kept);
    line[kept] = 0;
    double w, h;
    measure_text(line, &w, &h);
    return text_font_state.fit_index;
}

}  // namespace

unsigned char* layout_text_fragment(void* projection, unsigned char* record) {
    const int record_length = get_u16(record, 0);
    if (record_length <= static_cast<int>(text_fragment_head))
        return record;

    // The text, without the breaks of an earlier layout.
    size_t unpacked = get_u16(record, text_fragment_text_length);
    size_t room = unpacked + 1 + 16;
    char* text = static_cast<char*>(std::malloc(room));
    char* line = static_cast<char*>(std::malloc(max_line + 1));
    int packed_bytes = record_length - static_cast<int>(text_fragment_head);
    uint16_t* words = static_cast<uint16_t*>(std::calloc(static_cast<size_t>(packed_bytes) / 2 + 1, 2));
    if (text == nullptr || line == nullptr || words == nullptr) {
        std::free(text);
        std::free(line);
        std::free(words);
        return out_of_memory(record);
    }
    for (int w = 0; 2 * w < packed_bytes; ++w)
        words[w] = 2 * w + 1 < packed_bytes ? get_u16(record, text_fragment_head + 2 * w)
                                            : record[text_fragment_head + 2 * w];
    text_unpack(text, static_cast<int>(unpacked + 1), words, packed_bytes);
    std::free(words);
    bool changed = false;
    size_t n = 0;
    for (size_t i = 0; text[i] != 0; ++i) {
        if (text[i] == esc)
            changed = true;
        else
            text[n++] = text[i];
    }
    text[n] = 0;

    // The record's font.
    const uint16_t flags = get_u16(record, annotation_flags);
    const int size = (flags >> 2) & 0x0F;
    select_text_font(size, (flags >> 1) & 1, flags & 1);
    const double step = text_line_step(size);

    // Line direction: x for horizontal text, else y; "across" is the other.
    const bool along_x = get_f64(record, text_fragment_angle) == 0.0;
    const size_t c1_along = along_x ? text_fragment_corner1 : text_fragment_corner1 + 4;
    const size_t c1_across = along_x ? text_fragment_corner1 + 4 : text_fragment_corner1;
    const size_t c2_along = along_x ? text_fragment_corner2 : text_fragment_corner2 + 4;
    const size_t c2_across = along_x ? text_fragment_corner2 + 4 : text_fragment_corner2;
    const size_t f2_along = along_x ? text_fragment_frame2 : text_fragment_frame2 + 4;
    const size_t f2_across = along_x ? text_fragment_frame2 + 4 : text_fragment_frame2;
    const bool along_fixed = (flags & (along_x ? 0x4000 : 0x8000)) != 0;
    const bool across_fixed = (flags & (along_x ? 0x8000 : 0x4000)) != 0;
    const double beyond_along = std::fabs(get_f32(record, f2_along) - get_f32(record, c2_along));
    const double beyond_across = std::fabs(get_f32(record, f2_across) - get_f32(record, c2_across));

    double width = 0.0, height = 0.0, depth = 0.0;
    if (!along_fixed) {
        measure_multiline_text(text, &width, &height, step, &depth);
        float c2 = static_cast<float>(get_f32(record, c1_along) + width);
        put_f32(record, c2_along, c2);
        put_f32(record, f2_along, static_cast<float>(c2 + beyond_along));
    } else {
        // Break each line where it leaves the frame.
        text_font_state.width_limit = get_f32(record, c2_along) - get_f32(record, c1_along);
        const char* p = text;
        while (p != nullptr) {
            size_t len = line_length(p);
            int fit = fit_of_line(p, len, line);
            if (fit != 0 && static_cast<size_t>(fit) < len && static_cast<size_t>(fit) < max_line) {
                size_t at = static_cast<size_t>(p - text) + static_cast<size_t>(fit);
                size_t total = std::strlen(text);
                if (total + 2 > room) {
                    char* grown = static_cast<char*>(std::realloc(text, room + 16));
                    if (grown == nullptr) {
                        std::free(text);
                        std::free(line);
                        return out_of_memory(record);
                    }
                    text = grown;
                    room += 16;
                }
                std::memmove(text + at + 1, text + at, total - at + 1);
                text[at] = static_cast<char>(esc);
                changed = true;
                p = text + at + 1;   // the broken line now ends at the ESC and fits
                continue;
            }
            p = after_break(p, len);
        }
    }

    // Across the lines.
    int lines = measure_multiline_text(text, &width, &height, step, &depth);
    double c1a = get_f32(record, c1_across);
    double extent = get_f32(record, c2_across) - c1a;
    if (!across_fixed || extent < height) {
        float c2 = static_cast<float>(c1a + height);
        put_f32(record, c2_across, c2);
        put_f32(record, f2_across, static_cast<float>(c2 + beyond_across));
    }
    put_u16(record, text_fragment_lines, static_cast<uint16_t>(lines));
    double baseline = get_f32(record, c2_across) - depth;
    if (across_fixed)
        baseline -= (get_f32(record, c2_across) - c1a - height) / 2.0;
    put_f32(record, text_fragment_baseline, static_cast<float>(baseline));

    unsigned char* result = record;
    if (changed && text_fragment_set_text_hook != nullptr)
        result = text_fragment_set_text_hook(projection, record, text, room);
    std::free(text);
    std::free(line);
    return result;
}
