// Substitution of model variables into drawn texts.
#include "render/text/text_variables.h"

#include "base/byte_order.h"
#include "geometry/dimension_text.h"
#include "geometry/text_chars.h"
#include "geometry/text_numbers.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

#include <cstdlib>
#include <cstring>

char text_variable_value[2048];
int text_variable_read;
int text_variable_delivering;

namespace {

const int max_name = 256;          // a name this long or longer is no reference
const int max_packed_words = 128;
const int name_at = static_cast<int>(model_variable_name);

// Index of the "}" that closes the reference at text[index], or -1.
int reference_end(const char* text, int index) {
    const char* close = std::strchr(text + index + 1, '}');
    if (close == nullptr)
        return -1;
    int end = static_cast<int>(close - text);
    return end - index - 1 >= max_name ? -1 : end;
}

// Fills text_variable_value from the variable the reference names; false
// when there is no such variable (or it has no value type).
bool take_value(DrawingFile* df, const char* name, int length) {
    char upper[max_name];
    std::memcpy(upper, name, static_cast<size_t>(length));
    upper[length] = 0;
    copy_to_upper(upper, upper);
    uint16_t packed[max_packed_words];
    int bytes = text_pack_words(length, upper, packed, max_packed_words, 3);

    PageBuffer* buf = &page_buffers[table_model];
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_model_variables);
    for (unsigned char* r = record_next(df, head, nullptr, buf); r != nullptr;
         r = record_next(df, head, r, buf)) {
        int record_length = get_u16(r, 0);
        int name_length = model_variable_name_length(r);
        if (name_length != bytes || name_at + name_length > record_length)
            continue;
        bool same = true;
        for (int w = 0; w < bytes / 2 && same; ++w)
            same = get_u16(r, static_cast<size_t>(name_at + 2 * w)) == packed[w];
        if (!same)
            continue;
        int type = model_variable_type(r);
        if (type < 1 || type > 3)
            return false;
        text_variable_value[0] = 0;
        if (type != 3) {
            append_number(text_variable_value, sizeof text_variable_value, variable_numeric_value(r));
            return true;
        }
        // The packed string follows the name; the stored length cuts it, and
        // never reaches past the value buffer.
        int value_bytes = record_length - name_at - name_length;
        static uint16_t words[1024];
        int nwords = (value_bytes + 1) / 2;
        std::memset(words, 0, sizeof words);
        for (int w = 0; w < nwords && w < 1024; ++w) {
            int at = name_at + name_length + 2 * w;
            words[w] = at + 1 < record_length ? get_u16(r, static_cast<size_t>(at)) : r[at];
        }
        int n = text_unpack_words(value_bytes > 2048 ? 2048 : value_bytes, words, text_variable_value,
                                  static_cast<int>(sizeof text_variable_value), 5);
        int keep = get_u16(r, model_variable_string_length);
        if (keep > n)
            keep = n;
        if (keep > static_cast<int>(sizeof text_variable_value) - 1)
            keep = static_cast<int>(sizeof text_variable_value) - 1;
        text_variable_value[keep] = 0;
        return true;
    }
    return false;   // no such variable (a damaged page is reported by the store)
}

}  // namespace

DrawingFile* text_variables_drawing() {
    if (current_drawing < 0 || current_drawing > 1)
        return nullptr;
    DrawingFile* df = current_drawing_file();
    return df != nullptr && df->header != nullptr ? df : nullptr;
}

bool text_variables_shown_as_names(DrawingFile* drawing) {
    return drawing != nullptr && (get_u16(drawing->header, header_options2) & header_opt2_variable_names) != 0;
}

int next_variable_char(DrawingFile* drawing, const char* text, int index, char* out) {
    if (!text_variable_delivering) {
        int end = text[index] == '{' ? reference_end(text, index) : -1;
        if (end < 0 || drawing == nullptr || !take_value(drawing, text + index + 1, end - index - 1)) {
            *out = text[index];
            return index + 1;
        }
        text_variable_read = 0;
        text_variable_delivering = 1;
    }
    if (text_variable_value[text_variable_read] != 0) {
        *out = text_variable_value[text_variable_read++];
        return index;
    }
    text_variable_read = 0;
    text_variable_delivering = 0;
    *out = 0;
    int end = reference_end(text, index);
    return end < 0 ? index + 1 : end + 1;
}

char* expand_text_variables(DrawingFile* drawing, const char* text, int enable) {
    size_t length = std::strlen(text);
    size_t room = length + 2;
    char* out = static_cast<char*>(std::malloc(room));
    if (out == nullptr)
        return nullptr;
    if (enable && text_variables_shown_as_names(drawing)) {
        std::memcpy(out, text, length + 1);
        return out;
    }
    text_variable_read = 0;
    text_variable_delivering = 0;
    size_t n = 0;
    int i = 0;
    while (text[i] != 0) {
        char c;
        if (text[i] == '{' || text_variable_delivering) {
            i = next_variable_char(drawing, text, i, &c);
            if (c == 0)
                continue;
        } else {
            c = text[i++];
        }
        if (room - n < 2) {
            char* grown = static_cast<char*>(std::realloc(out, room + 256));
            if (grown == nullptr) {
                std::free(out);
                text_variable_read = 0;
                text_variable_delivering = 0;
                return nullptr;
            }
            out = grown;
            room += 256;
        }
        out[n++] = c;
    }
    out[n] = 0;
    return out;
}
