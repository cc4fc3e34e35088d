// Title-block fields: storing and reading the texts, the kinds and heights.
#include "output/title_block_fields.h"

#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

const char* const title_message_too_long = "Текст поля основной надписи слишком длинный";

double title_block_height = 60.0;

namespace {

struct KindEntry {
    const char* name;
    double height;
};

const KindEntry kinds[title_block_kind_count] = {
    {"Нет основной надписи", 0},
    {"Для чертежей и схем по ГОСТ 2.104", 63},
    {"Для текстовых конструкторских документов (первый или заглавный лист)", 40},
    {"Для текстовых конструкторских документов (последующие листы)", 15},
    {"Для основных чертежей проектной документации в строительстве", 55},
    {"Для чертежей строительных изделий (первый лист)", 55},
    {"Для текстовых документов (первый лист)", 40},
    {"Для чертежей строительных изделий и текстовых документов (последующий лист)", 15},
};

// Text class of title-block fields in the text codec.
constexpr int field_text_mode = 1;

RecordRef* field_head(DrawingFile* df) {
    return reinterpret_cast<RecordRef*>(df->header + header_title_block);
}

struct CriticalSection {
    CriticalSection() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~CriticalSection() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
};

// A copy of the record of field for sheet (exact sheet number); empty when none.
std::vector<unsigned char> find_field(DrawingFile* df, uint32_t field, uint32_t sheet) {
    PageBuffer* buf = &page_buffers[table_title_block];
    RecordRef* head = field_head(df);
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        uint16_t len = get_u16(r, 0);
        if (len < title_field_head || get_u32(r, title_field_number) != field) continue;
        if (field != title_field_roughness && get_u16(r, title_field_sheet) != sheet) continue;
        return std::vector<unsigned char>(r, r + len);
    }
    return {};
}

}  // namespace

bool title_block_roughness_record(DrawingFile* df, std::vector<unsigned char>* out) {
    out->clear();
    if (!df) return false;
    std::vector<unsigned char> r = find_field(df, title_field_roughness, 0);
    if (r.size() < roughness_head) return false;
    *out = std::move(r);
    return true;
}

const char* title_block_kind_name(int kind) {
    if (kind < 0 || kind >= title_block_kind_count) return "";
    return kinds[kind].name;
}

double title_block_height_of(int kind) {
    if (kind < 0 || kind >= title_block_kind_count) return -1;
    return kinds[kind].height;
}

void title_block_height_update(const DrawingFile* df) {
    if (!df) return;
    double h = title_block_height_of(get_u8(df->header, header_title_block_kind));
    if (h >= 0) title_block_height = h;
}

int title_block_field_store(DrawingFile* df, uint32_t field, const char* text, uint32_t sheet, int mode) {
    if (!df) return title_store_failed;
    if (!text) text = "";
    size_t n = std::strlen(text);
    if (n > static_cast<size_t>(title_field_max_chars)) {
        show_program_message(title_message_too_long);
        return title_store_too_long;
    }
    std::string escaped(text, n);
    for (char& c : escaped) {
        if (c == '\r') c = '\\';
        else if (c == '\n') c = 'n';
    }
    // Packed with room to spare, so that a text the record cannot hold is
    // seen and refused instead of being cut.
    std::vector<uint16_t> words(2 * title_field_max_bytes + 8, 0);
    int bytes = escaped.empty() ? 0
                                : text_pack_words(static_cast<int>(escaped.size()), escaped.c_str(), words.data(),
                                                  static_cast<int>(words.size()), field_text_mode);
    if (bytes > title_field_max_bytes) {
        show_program_message(title_message_too_long);
        return title_store_too_long;
    }
    uint32_t owner = (field == title_field_format || mode == title_mode_this_sheet || mode == title_mode_all_fields)
                         ? sheet
                         : 0;

    CriticalSection cs;
    PageBuffer* buf = &page_buffers[table_title_block];
    RecordRef* head = field_head(df);
    // record_delete compacts the page, so the walk starts again after each delete.
    for (int guard = 0; guard < 100000; ++guard) {
        RecordRef victim = 0;
        for (unsigned char* r = record_next(df, head, nullptr, buf); r && !error_flag;
             r = record_next(df, head, r, buf)) {
            if (get_u16(r, 0) >= title_field_head && get_u32(r, title_field_number) == field &&
                get_u16(r, title_field_sheet) == owner) {
                victim = record_ref_of(buf, r);
                break;
            }
        }
        if (!victim || error_flag) break;
        record_delete(df, head, victim, buf);
        if (error_flag) break;
    }
    if (error_flag) return title_store_failed;
    if (bytes == 0) return title_store_ok;

    std::vector<unsigned char> rec(title_field_head + bytes, 0);
    put_u16(rec.data(), 0, static_cast<uint16_t>(rec.size()));
    put_u32(rec.data(), title_field_number, field);
    put_u16(rec.data(), title_field_sheet, static_cast<uint16_t>(owner));
    for (int i = 0; i < bytes / 2; ++i) put_u16(rec.data(), title_field_text + 2 * i, words[i]);
    if (!record_add(df, head, rec.data(), buf)) {
        if (!error_flag) error_flag = 1;
        return title_store_failed;
    }
    return title_store_ok;
}

int read_title_block_field(const unsigned char* record, char* buf, int size) {
    if (!buf || size <= 0) return 0;
    buf[0] = '\0';
    if (!record) return 0;
    int len = get_u16(record, 0);
    int bytes = len - static_cast<int>(title_field_head);
    if (bytes <= 0) return 0;
    if (bytes > title_field_max_bytes) bytes = title_field_max_bytes;
    std::vector<uint16_t> words((bytes + 1) / 2, 0);
    for (size_t i = 0; i < words.size(); ++i) {
        words[i] = (title_field_head + 2 * i + 1 < static_cast<size_t>(len))
                       ? get_u16(record, title_field_head + 2 * i)
                       : get_u8(record, title_field_head + 2 * i);
    }
    text_unpack_words(bytes, words.data(), buf, size, field_text_mode);
    int n = static_cast<int>(std::strlen(buf));
    while (n > 0 && buf[n - 1] == ' ') buf[--n] = '\0';
    if (n == 0) return 0;
    int lines = 1;
    for (int i = 0; i + 1 < n; ++i) {
        if (buf[i] == '\\' && buf[i + 1] == 'n') {
            buf[i] = '\r';
            buf[i + 1] = '\n';
            ++lines;
            ++i;
        }
    }
    return lines;
}

int title_block_field_text(DrawingFile* df, uint32_t field, uint32_t sheet, bool fall_back, std::string* out) {
    if (out) out->clear();
    if (!df) return 0;
    std::vector<unsigned char> rec;
    {
        CriticalSection cs;
        rec = find_field(df, field, sheet);
        if (rec.empty() && fall_back && sheet != 0) rec = find_field(df, field, 0);
    }
    if (rec.empty()) return 0;
    char text[title_field_max_bytes + 1];
    int lines = read_title_block_field(rec.data(), text, sizeof text);
    if (out) *out = text;
    return lines;
}

bool title_block_has_fields(DrawingFile* df) {
    if (!df) return false;
    PageBuffer* buf = &page_buffers[table_title_block];
    return record_next(df, field_head(df), nullptr, buf) != nullptr;
}
