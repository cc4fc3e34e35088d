// Paths, sketch references, captions, designations, short names and BMP
// images of DIBs.
#include "geometry/naming.h"

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/text_chars.h"
#include "geometry/text_numbers.h"
#include "geometry/tolerance.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Copies src into dst within size (terminator included); returns the length.
size_t copy_bounded(char* dst, size_t size, const char* src) {
    if (size == 0) return 0;
    size_t n = std::strlen(src);
    if (n >= size) n = size - 1;
    std::memmove(dst, src, n);
    dst[n] = 0;
    return n;
}

size_t append_bounded(char* dst, size_t size, const char* src) {
    size_t len = std::strlen(dst);
    if (len + 1 >= size) return len;
    return len + copy_bounded(dst + len, size - len, src);
}

// The position after the last folder separator ('\' or '/'), 0 when none.
size_t name_start(const char* path) {
    const char* a = std::strrchr(path, '\\');
    const char* b = std::strrchr(path, '/');
    const char* last = a > b ? a : b;
    return last ? static_cast<size_t>(last - path) + 1 : 0;
}

// The extension's '.', or null: only a '.' of the file name counts.
const char* extension_dot(const char* path) {
    const char* dot = std::strrchr(path + name_start(path), '.');
    return dot;
}

bool begins_with_folded(const char* text, const char* prefix, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (char_to_upper(static_cast<unsigned char>(text[i])) != char_to_upper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

const char* const too_long_text = "Слишком длинный путь к файлу эскиза";

}  // namespace

// ---------------------------------------------------------------- paths

size_t sketch_base_folder(char* out, size_t size) {
    if (size == 0) return 0;
    out[0] = 0;
    size_t n = kernel_photolib_folder(out, size);
    if (n > 0) return std::strlen(out);
    char path[path_max];
    if (kernel_drawing_path(path, sizeof path) == 0) return 0;
    const char* slash = std::strrchr(path, '\\');
    if (!slash) return 0;
    size_t keep = static_cast<size_t>(slash - path) + 1;
    if (keep >= size) return 0;
    std::memcpy(out, path, keep);
    out[keep] = 0;
    return keep;
}

int replace_extension(char* path, size_t size, const char* new_ext) {
    const char* dot = extension_dot(path);
    size_t keep = dot ? static_cast<size_t>(dot - path) : std::strlen(path);
    size_t add = std::strlen(new_ext);
    if (keep + add + 1 > size) return -1;
    std::memcpy(path + keep, new_ext, add + 1);
    return 0;
}

void path_relative_to_library(const char* path, char* out, size_t size) {
    char base[path_max];
    size_t b = sketch_base_folder(base, sizeof base);
    size_t n = std::strlen(path);
    if (b > 0 && n > b && begins_with_folded(path, base, b)) {
        copy_bounded(out, size < path_max ? size : path_max, path + b);
        return;
    }
    copy_bounded(out, size < path_max ? size : path_max, path);
}

void path_absolute_from_library(char* path, size_t size) {
    if (std::strchr(path, ':') || std::strstr(path, "\\\\")) return;
    char base[path_max];
    size_t b = sketch_base_folder(base, sizeof base);
    size_t n = std::strlen(path);
    if (b == 0 || b + n + 1 > size) return;
    std::memmove(path + b, path, n + 1);
    std::memcpy(path, base, b);
}

void file_name_with_extension(char* dst, size_t size, const char* path, const char* new_ext) {
    copy_bounded(dst, size, path + name_start(path));
    if (new_ext[0] == 0) return;
    char* dot = std::strrchr(dst, '.');
    if (!dot) return;
    *dot = 0;
    append_bounded(dst, size, new_ext);
}

void shorten_path_for_display(char* dst, size_t size, const char* path, int max_len) {
    if (size == 0) return;
    if (max_len < 0) max_len = 0;
    size_t n = std::strlen(path);
    if (n <= static_cast<size_t>(max_len)) {
        copy_bounded(dst, size, path);
        return;
    }
    char work[path_max];
    const char* slash = std::strrchr(path, '\\');
    char current[path_max];
    size_t folder = slash ? static_cast<size_t>(slash - path) : 0;
    size_t cur = kernel_current_folder(current, sizeof current);
    if (slash && cur >= folder && begins_with_folded(current, path, folder) &&
        (cur == folder || current[folder] == '\\')) {
        copy_bounded(work, sizeof work, slash + 1);
    } else if (slash) {
        char head[7];
        copy_bounded(head, sizeof head, path);
        std::snprintf(work, sizeof work, "%s...%s", head, slash);
    } else {
        copy_bounded(work, sizeof work, path);
    }
    if (std::strlen(work) > static_cast<size_t>(max_len)) {
        // The first max_len - 4 characters and "...", never a negative count.
        size_t keep = max_len >= 4 ? static_cast<size_t>(max_len) - 4 : 0;
        char cut[path_max];
        std::memcpy(cut, work, keep);
        cut[keep] = 0;
        std::strcat(cut, "...");
        if (std::strlen(cut) > static_cast<size_t>(max_len)) cut[max_len] = 0;
        copy_bounded(dst, size, cut);
        return;
    }
    copy_bounded(dst, size, work);
}

int extension_in_list(const char* path, const char* list) {
    char upper[path_max];
    char tmp[path_max];
    copy_bounded(tmp, sizeof tmp, path);
    copy_to_upper(upper, tmp);
    const char* dot = std::strrchr(upper, '.');
    const char* slash = std::strrchr(upper, '\\');
    if (!dot || (slash && slash > dot)) return 0;
    const char* ext = dot + 1;
    const char* entry = list;
    for (;;) {
        const char* end = std::strchr(entry, '|');
        size_t len = end ? static_cast<size_t>(end - entry) : std::strlen(entry);
        if (std::strncmp(ext, entry, len) == 0) return 1;
        if (!end) return 0;
        entry = end + 1;
    }
}

// ---------------------------------------------------------------- sketch references

namespace {

// True when text ends in ',' and digits (so after its last folder separator).
bool has_page_suffix(const char* text, const char** comma_out) {
    const char* comma = std::strrchr(text, ',');
    if (!comma || !comma[1]) return false;
    for (const char* p = comma + 1; *p; ++p)
        if (*p < '0' || *p > '9') return false;
    if (comma_out) *comma_out = comma;
    return true;
}

}  // namespace

int sketch_reference_store(uint8_t* projection, const char* path, int page) {
    char text[path_max + 16];
    path_relative_to_library(path, text, path_max);
    // A page suffix is written for pages above 1, and also when the path
    // itself ends in ",digits", so that loading cannot mistake it for one.
    if (page > 1 || has_page_suffix(text, nullptr)) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ",%i", page > 1 ? page : 1);
        if (std::strlen(text) + std::strlen(suffix) >= path_max) {
            kernel_report_message(too_long_text);
            return -1;
        }
        std::strcat(text, suffix);
    }
    if (!kernel_text_pack) return -1;
    uint16_t words[2 * projection_sketch_words + 8];
    int len = static_cast<int>(std::strlen(text));
    int bytes = kernel_text_pack(len, text, words, 2 * projection_sketch_words + 8, 3);
    // Packing into a larger buffer tells a reference that would be cut.
    if (bytes > 2 * projection_sketch_words) {
        kernel_report_message(too_long_text);
        return -1;
    }
    if (bytes < 0) bytes = 0;
    for (int i = 0; i < (bytes + 1) / 2; ++i) put_u16(projection, projection_sketch_offset + 2 * i, words[i]);
    put_u16(projection, projection_sketch_length_offset, static_cast<uint16_t>(bytes));
    put_u16(projection, 0, static_cast<uint16_t>(projection_sketch_offset + bytes));
    return 0;
}

int sketch_reference_load(const uint8_t* projection, char* out, size_t size) {
    if (size < static_cast<size_t>(path_max)) return 0;
    std::memset(out, 0, path_max);
    int bytes = get_u16(projection, projection_sketch_length_offset);
    if (bytes > 2 * projection_sketch_words) bytes = 2 * projection_sketch_words;
    if (bytes == 0 || !kernel_text_unpack) return 0;
    uint16_t words[projection_sketch_words];
    for (int i = 0; i < (bytes + 1) / 2; ++i) words[i] = get_u16(projection, projection_sketch_offset + 2 * i);
    kernel_text_unpack(bytes, words, out, path_max, 3);
    trim_trailing_blanks(std::strlen(out), out);
    int page = 1;
    const char* comma;
    // Only ",digits" after the file name's start is a page suffix; a comma
    // inside the path stays part of it.
    if (has_page_suffix(out, &comma)) {
        page = std::atoi(comma + 1);
        out[comma - out] = 0;
    }
    path_absolute_from_library(out, size);
    return page;
}

// ---------------------------------------------------------------- captions

const char* const view_kind_names[VIEW_KIND_COUNT] = {
    "Вид", "Вид спереди", "Вид сверху", "Вид слева", "Вид справа", "Вид снизу", "Вид сзади",
    "ТехТребования", "Фрагмент"};

void view_caption(const uint8_t* projection, char* out, size_t size) {
    if (size == 0) return;
    out[0] = 0;
    if (!projection) return;
    int kind = get_u16(projection, projection_kind_word_offset) & 0x0F;
    copy_bounded(out, size, kind < VIEW_KIND_COUNT ? view_kind_names[kind] : view_kind_names[0]);
    int bytes = get_u16(projection, projection_title_length_offset);
    int room = static_cast<int>(projection_sketch_offset - projection_title_offset);
    if (bytes > room) bytes = room;
    if (bytes == 0 || !kernel_text_unpack) return;
    uint16_t words[16];
    for (int i = 0; i < (bytes + 1) / 2; ++i) words[i] = get_u16(projection, projection_title_offset + 2 * i);
    char title[path_max];
    kernel_text_unpack(bytes, words, title, sizeof title, 3);
    trim_trailing_blanks(std::strlen(title), title);
    if (!title[0]) return;
    size_t limit = size < static_cast<size_t>(path_max) ? size : path_max;
    append_bounded(out, limit, " (");
    append_bounded(out, limit, title);
    if (std::strlen(out) + 1 < limit) append_bounded(out, limit, ")");
}

void view_caption_full(const uint8_t* projection, char* out, size_t size) {
    view_caption(projection, out, size);
    if (!projection || size == 0) return;
    size_t limit = size < static_cast<size_t>(path_max) ? size : path_max;
    double scale = get_f64(projection, projection_scale_offset);
    if (compare_doubles(scale, 1.0) != 0) {
        char number[64];
        format_number_by_magnitude(number, sizeof number, scale);
        trim_trailing_blanks(std::strlen(out), out);
        if (std::strlen(out) + 2 + std::strlen(number) < limit - 1) {
            append_bounded(out, limit, " M");
            append_bounded(out, limit, number);
        }
    }
    if (get_u16(projection, projection_kind_word_offset) & 0x400) append_bounded(out, limit, " - без автопостроения");
    if (get_u16(projection, projection_option_word_offset) & 0x400) append_bounded(out, limit, ", список II");
}

void sheet_format_designation(int code, char out[5]) {
    static const char* const names[24] = {
        "A0", "A1", "A2", "A3", "A4", "A4`3", "A4`4", "A4`5", "A4`6", "A4`7", "A4`8", "A4`9",
        "A3`3", "A3`4", "A3`5", "A3`6", "A3`7", "A2`3", "A2`4", "A2`5", "A1`3", "A1`4", "A0`2", "A0`3"};
    copy_bounded(out, 5, (code >= 1 && code <= 24) ? names[code - 1] : "");
}

// ---------------------------------------------------------------- short names

void short_name_base41(uint32_t n, ShortName* out) {
    static const char digits[] = "DFGIJLNQRSUVWYZbdfghijklqrstvwz0123456789";
    std::memset(out->text, 0, sizeof out->text);
    int len = 0;
    for (uint32_t divisor = 115856201u;; divisor /= 41) {
        if (n >= divisor) {
            out->text[len++] = digits[n / divisor];
            n %= divisor;
        } else if (len > 0) {
            out->text[len++] = 'D';
        }
        if (divisor == 1) break;
    }
}

void short_name_decimal(uint32_t n, ShortName* out) {
    char work[16];
    std::snprintf(work, sizeof work, "%u", n);
    std::memset(out->text, 0, sizeof out->text);
    std::memcpy(out->text, work, std::strlen(work) < 6 ? std::strlen(work) : 6);
}

// ---------------------------------------------------------------- images

uint32_t dib_palette_entries(const uint8_t* dib) {
    uint32_t used = get_u32(dib, 32);
    uint16_t bits = get_u16(dib, 14);
    if (used) return used;
    if (bits >= 1 && bits <= 8) return 1u << bits;
    // 16- and 32-bit DIBs with bit-field masks carry three of them.
    if (get_u32(dib, 16) == 3 && (bits == 16 || bits == 32)) return 3;
    return 0;
}

uint32_t dib_image_size(const uint8_t* dib) {
    uint32_t stated = get_u32(dib, 20);
    if (stated) return stated;
    int32_t width = get_i32(dib, 4), height = get_i32(dib, 8);
    uint16_t bits = get_u16(dib, 14);
    uint64_t w = width < 0 ? 0 : static_cast<uint64_t>(width);
    uint64_t h = height < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(height)) : static_cast<uint64_t>(height);
    uint64_t row = (w * bits + 31) / 32 * 4;
    uint64_t size = row * h;
    return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
}

uint8_t* dib_to_bmp(const uint8_t* dib, size_t dib_size, uint32_t* bmp_size) {
    if (dib_size < 40) return nullptr;
    uint32_t header = get_u32(dib, 0);
    if (header < 40 || header > dib_size) return nullptr;
    uint64_t palette = 4ull * dib_palette_entries(dib);
    uint64_t length = header + palette + dib_image_size(dib);
    // The block must hold the header, the palette and every pixel byte.
    if (length > dib_size || length + 14 > 0xFFFFFFFFu) return nullptr;
    uint8_t* bmp = static_cast<uint8_t*>(kernel_alloc(static_cast<size_t>(length) + 14));
    if (!bmp) {
        kernel_report_out_of_memory();
        return nullptr;
    }
    std::memset(bmp, 0, 14);
    bmp[0] = 'B';
    bmp[1] = 'M';
    put_u32(bmp, 2, static_cast<uint32_t>(length + 14));
    put_u32(bmp, 10, static_cast<uint32_t>(14 + header + palette));
    std::memcpy(bmp + 14, dib, static_cast<size_t>(length));
    *bmp_size = static_cast<uint32_t>(length + 14);
    return bmp;
}

uint32_t store_dib_as_bmp(uint8_t** block, size_t block_size, uint32_t* size_out) {
    uint32_t ref = 0;
    uint32_t size = 0;
    uint8_t* bmp = *block ? dib_to_bmp(*block, block_size, &size) : nullptr;
    kernel_free(*block);
    *block = nullptr;
    if (bmp) {
        if (size_out) *size_out = size;
        if (drawing_is_open()) ref = kernel_store_long_record(bmp, size);
        kernel_free(bmp);
    }
    return ref;
}
