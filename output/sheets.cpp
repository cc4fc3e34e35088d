// Sheets of a drawing: the format table, the sheet chain and the header's
// current-sheet copy.
#include "output/sheets.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "geometry/naming.h"
#include "output/title_block_fields.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

const char* const sheet_message_only_sheet = "Нельзя удалить единственный лист!";
const char* const sheet_message_no_user_size = "Не введены размеры формата";
const char* const sheet_message_too_many = "Слишком много листов";

namespace {

struct FormatEntry {
    const char* name;
    uint16_t width;
    uint16_t height;
};

// Sizes before rotation.  Code 0 ("Авто") and code 2 share the A1 size that
// also answers unknown codes; 25 and 26 take their size elsewhere.
const FormatEntry format_table[sheet_format_count] = {
    {"Авто", 841, 594},
    {"A0  841x1189", 1189, 841},
    {"A1  594x841", 841, 594},
    {"A2  420x594", 594, 420},
    {"A3  297x420", 420, 297},
    {"A4  210x297", 210, 297},
    {"A4x3  297x630", 630, 297},
    {"A4x4  297x841", 841, 297},
    {"A4x5  297x1051", 1051, 297},
    {"A4x6  297x1261", 1261, 297},
    {"A4x7  297x1471", 1471, 297},
    {"A4x8  297x1682", 1682, 297},
    {"A4x9  297x1892", 1892, 297},
    {"A3x3  420x891", 891, 420},
    {"A3x4  420x1189", 1189, 420},
    {"A3x5  420x1486", 1486, 420},
    {"A3x6  420x1783", 1783, 420},
    {"A3x7  420x2080", 2080, 420},
    {"A2x3  594x1261", 1261, 594},
    {"A2x4  594x1682", 1682, 594},
    {"A2x5  594x2102", 2102, 594},
    {"A1x3  841x1783", 1783, 841},
    {"A1x4  841x2378", 2378, 841},
    {"A0x2  1189x1682", 1682, 1189},
    {"A0x3  1189x2523", 2523, 1189},
    {"Пользовательский", 0, 0},
    {"Новый формат", 841, 594},
};

DrawingFile* current_df() {
    if (current_drawing < 0 || current_drawing > 1) return nullptr;
    return open_drawings[current_drawing];
}

RecordRef* sheet_head(DrawingFile* df) {
    // The primitives read and write chain heads byte-wise.
    return reinterpret_cast<RecordRef*>(df->header + header_sheets);
}

struct SheetEntry {
    uint32_t number;
    uint16_t flags;
    unsigned char bytes[sheet_record_size];
};

// A copy of the chain in order: record pointers do not survive page loads.
std::vector<SheetEntry> sheet_list(DrawingFile* df) {
    std::vector<SheetEntry> out;
    PageBuffer* buf = &page_buffers[table_tables];
    RecordRef* head = sheet_head(df);
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        if (get_u16(r, 0) != sheet_record_size) continue;
        SheetEntry e;
        std::memcpy(e.bytes, r, sheet_record_size);
        e.number = get_u32(r, sheet_number);
        e.flags = get_u16(r, sheet_flags);
        out.push_back(e);
        if (out.size() > 65536) break;  // a damaged chain never loops forever
    }
    return out;
}

void header_to_record(const DrawingFile* df, unsigned char* rec, uint32_t number, uint16_t flags) {
    const unsigned char* h = df->header;
    std::memset(rec, 0, sheet_record_size);
    put_u16(rec, 0, sheet_record_size);
    put_u32(rec, sheet_number, number);
    if (get_u16(h, header_options) & header_opt_sheet_turned) flags |= sheet_flag_rotated;
    else flags &= static_cast<uint16_t>(~sheet_flag_rotated);
    put_u16(rec, sheet_flags, flags);
    put_u8(rec, sheet_title_block, get_u8(h, header_title_block_kind));
    put_u8(rec, sheet_format, get_u8(h, header_sheet_format));
    put_f32(rec, sheet_width, get_f32(h, header_sheet_width));
    put_f32(rec, sheet_height, get_f32(h, header_sheet_height));
}

// Rewrites the flags of sheet number in place (find by key, change, mark dirty).
void sheet_set_flags(DrawingFile* df, uint32_t number, uint16_t set, uint16_t clear) {
    PageBuffer* buf = &page_buffers[table_tables];
    unsigned char* r = record_find_key(df, sheet_head(df), number, nullptr, buf);
    if (!r) return;
    uint16_t f = get_u16(r, sheet_flags);
    put_u16(r, sheet_flags, static_cast<uint16_t>((f | set) & ~clear));
    buf->clean = 0;
}

struct CriticalSection {
    CriticalSection() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~CriticalSection() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
};

}  // namespace

const char* sheet_format_name(int code) {
    if (code < 0 || code >= sheet_format_count) return "";
    return format_table[code].name;
}

void sheet_size_of(const DrawingFile* df, int code, int rotated, float* width, float* height) {
    float w, h;
    if (code == sheet_format_user) {
        w = df ? static_cast<float>(get_u32(df->header, header_user_format_width)) : 0.0f;
        h = df ? static_cast<float>(get_u32(df->header, header_user_format_height)) : 0.0f;
    } else if (code >= 0 && code < sheet_format_count) {
        w = format_table[code].width;
        h = format_table[code].height;
    } else {
        w = 841.0f;
        h = 594.0f;
    }
    if (rotated) {
        float t = w;
        w = h;
        h = t;
    }
    if (width) *width = w;
    if (height) *height = h;
}

void sheet_size(int code, int rotated, float* width, float* height) {
    sheet_size_of(current_df(), code, rotated, width, height);
}

uint32_t sheet_user_side_parse(const char* text) {
    if (!text) return 0;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text) return 0;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return 0;
    if (!std::isfinite(v) || v < sheet_user_side_min || v >= sheet_user_side_max + 1.0) return 0;
    return static_cast<uint32_t>(v);
}

uint32_t sheet_next_free_number_of(DrawingFile* df) {
    if (!df) return 1;
    std::vector<SheetEntry> list = sheet_list(df);
    // Numbers 1..size+1 cannot all be taken by size records.
    std::vector<bool> used(list.size() + 2, false);
    for (const SheetEntry& e : list) {
        if (e.number < used.size()) used[e.number] = true;
    }
    uint32_t n = 1;
    while (used[n]) ++n;
    return n;
}

uint32_t sheet_next_free_number() { return sheet_next_free_number_of(current_df()); }

uint32_t sheet_add(DrawingFile* df) {
    if (!df) return 0;
    CriticalSection cs;
    uint32_t n = sheet_next_free_number_of(df);
    if (n > sheet_number_max) {
        show_program_message(sheet_message_too_many);
        return 0;
    }
    unsigned char rec[sheet_record_size];
    header_to_record(df, rec, n, 0);
    if (!record_add(df, sheet_head(df), rec, &page_buffers[table_tables])) {
        if (!error_flag) error_flag = 1;
        return 0;
    }
    return n;
}

void sheet_record_to_header(DrawingFile* df, const unsigned char* rec) {
    unsigned char* h = df->header;
    put_u16(h, header_current_sheet, static_cast<uint16_t>(get_u32(rec, sheet_number)));
    uint16_t opt = get_u16(h, header_options);
    if (get_u16(rec, sheet_flags) & sheet_flag_rotated) opt |= header_opt_sheet_turned;
    else opt &= static_cast<uint16_t>(~header_opt_sheet_turned);
    put_u16(h, header_options, opt);
    put_u8(h, header_title_block_kind, get_u8(rec, sheet_title_block));
    put_u8(h, header_sheet_format, get_u8(rec, sheet_format));
    put_f32(h, header_sheet_width, get_f32(rec, sheet_width));
    put_f32(h, header_sheet_height, get_f32(rec, sheet_height));
}

uint32_t sheet_delete_current(DrawingFile* df) {
    if (!df) return 0;
    CriticalSection cs;
    uint32_t current = get_u16(df->header, header_current_sheet);
    std::vector<SheetEntry> list = sheet_list(df);
    size_t at = list.size();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].number == current) {
            at = i;
            break;
        }
    }
    if (at == list.size()) return 0;  // the header names no stored sheet: nothing to delete
    if (list.size() < 2) {
        show_program_message(sheet_message_only_sheet);
        return 0;
    }
    const SheetEntry& next = at > 0 ? list[at - 1] : list[at + 1];
    uint32_t next_number = next.number;
    unsigned char next_bytes[sheet_record_size];
    std::memcpy(next_bytes, next.bytes, sheet_record_size);

    PageBuffer* buf = &page_buffers[table_tables];
    // record_delete compacts the page: the new current record is found
    // again by its number afterwards.
    record_delete_key(df, sheet_head(df), current, buf);
    if (error_flag) return 0;
    sheet_set_flags(df, next_number, sheet_flag_current, 0);
    put_u16(next_bytes, sheet_flags, static_cast<uint16_t>(get_u16(next_bytes, sheet_flags) | sheet_flag_current));
    sheet_record_to_header(df, next_bytes);
    title_block_height_update(df);
    return next_number;
}

void sheet_store_current_of(DrawingFile* df) {
    if (!df) return;
    CriticalSection cs;
    uint32_t current = get_u16(df->header, header_current_sheet);
    PageBuffer* buf = &page_buffers[table_tables];
    unsigned char* r = record_find_key(df, sheet_head(df), current, nullptr, buf);
    if (!r || get_u16(r, 0) != sheet_record_size) return;
    header_to_record(df, r, current, get_u16(r, sheet_flags));
    buf->clean = 0;
}

void sheet_store_current() { sheet_store_current_of(current_df()); }

void sheet_chain_open(DrawingFile* df) {
    if (!df) return;
    CriticalSection cs;
    std::vector<SheetEntry> list = sheet_list(df);
    if (list.empty()) {
        unsigned char rec[sheet_record_size];
        header_to_record(df, rec, 1, sheet_flag_current);
        if (!record_add(df, sheet_head(df), rec, &page_buffers[table_tables])) {
            if (!error_flag) error_flag = 1;
            return;
        }
        put_u16(df->header, header_current_sheet, 1);
        return;
    }
    const SheetEntry* chosen = &list[0];
    for (const SheetEntry& e : list) {
        if (e.flags & sheet_flag_current) {
            chosen = &e;
            break;
        }
    }
    // Exactly one record carries the current bit.
    for (const SheetEntry& e : list) {
        if (&e != chosen && (e.flags & sheet_flag_current)) sheet_set_flags(df, e.number, 0, sheet_flag_current);
    }
    if (!(chosen->flags & sheet_flag_current)) sheet_set_flags(df, chosen->number, sheet_flag_current, 0);
    sheet_record_to_header(df, chosen->bytes);
}

int page_sheet_format(double w, double h, double tb_height, int* code, float* width, float* height) {
    // Whole hundredths of a mm, so that a page exactly as large as an area fits it.
    auto holds = [](double area, double extent) {
        return std::floor(extent * 100.0 + 0.5) <= std::floor(area * 100.0 + 0.5);
    };
    const int candidates[] = {sheet_format_a4, sheet_format_a3, sheet_format_a2, sheet_format_a1, sheet_format_a0};
    float aw, ah;
    sheet_size_of(nullptr, sheet_format_a4, 0, &aw, &ah);
    double a4_w = aw - 25.0, a4_h = ah - 5.0 - tb_height;
    if (!(w >= a4_w - 20.0) && !(h >= a4_h - 20.0)) return 0;
    for (int c : candidates) {
        float cw, ch;
        sheet_size_of(nullptr, c, 0, &cw, &ch);
        if (holds(cw - 25.0, w) && holds(ch - 5.0 - tb_height, h)) {
            *code = c;
            *width = cw;
            *height = ch;
            return 1;
        }
    }
    *code = sheet_format_auto;
    sheet_size_of(nullptr, sheet_format_a0, 0, width, height);
    return 1;
}

uint32_t sheet_user_side_set(DrawingFile* df, int axis, const char* text) {
    if (!df) return 0;
    uint32_t v = sheet_user_side_parse(text);
    CriticalSection cs;
    put_u32(df->header, axis == 0 ? header_user_format_width : header_user_format_height, v);
    return v;
}

int sheet_select_format(DrawingFile* df, int code) {
    if (!df) return sheet_format_auto;
    if (code < 0 || code > sheet_format_user) code = sheet_format_auto;
    if (code == sheet_format_user &&
        (get_u32(df->header, header_user_format_width) == 0 || get_u32(df->header, header_user_format_height) == 0)) {
        show_program_message(sheet_message_no_user_size);
        code = sheet_format_auto;
    }
    char designation[5] = {0};
    {
        CriticalSection cs;
        unsigned char* h = df->header;
        put_u8(h, header_sheet_format, static_cast<uint8_t>(code));
        int rotated = (get_u16(h, header_options) & header_opt_sheet_turned) ? 1 : 0;
        float w, ht;
        sheet_size_of(df, code, rotated, &w, &ht);
        put_f32(h, header_sheet_width, w);
        put_f32(h, header_sheet_height, ht);
        sheet_format_designation(code, designation);
    }
    title_block_field_store(df, title_field_format, designation, get_u16(df->header, header_current_sheet),
                            title_mode_all_sheets);
    return code;
}

std::vector<SheetInfo> sheet_chain_list(DrawingFile* df) {
    std::vector<SheetInfo> out;
    if (!df) return out;
    CriticalSection cs;
    for (const SheetEntry& e : sheet_list(df)) out.push_back({e.number, e.flags});
    return out;
}

int sheet_make_current(DrawingFile* df, uint32_t number) {
    if (!df) return 0;
    sheet_store_current_of(df);
    CriticalSection cs;
    std::vector<SheetEntry> list = sheet_list(df);
    const SheetEntry* chosen = nullptr;
    for (const SheetEntry& e : list)
        if (e.number == number) chosen = &e;
    if (!chosen) return 0;
    for (const SheetEntry& e : list)
        if (e.number != number && (e.flags & sheet_flag_current)) sheet_set_flags(df, e.number, 0, sheet_flag_current);
    sheet_set_flags(df, number, sheet_flag_current, 0);
    sheet_record_to_header(df, chosen->bytes);
    title_block_height_update(df);
    return 1;
}
