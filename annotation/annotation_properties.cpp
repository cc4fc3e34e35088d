// Annotation properties: style bits, text policy, re-storing and backups
// shared by the property dialogs.
#include "annotation/annotation_properties.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/text_codec.h"

#include <cstring>

const char* const text_refusal_length = "%ая длина текста!";
const char* const text_refusal_too_long = "Слишком длинный текст";

// ---------------------------------------------------------------- text style

bool annotation_style_bits(int kind, TextStyleBits* out) {
    switch (kind) {
    case annotation_dimension_text:
    case annotation_leader:
        *out = {0x0010, 0x0020, 7};
        return true;
    case annotation_text_fragment:
        *out = {0x0002, 0x0001, 2};
        return true;
    case annotation_section:
    case annotation_roughness:
    case annotation_tolerance:
        *out = {0x0001, 0x0002, 2};
        return true;
    default:
        return false;
    }
}

int clamp_height_index(int index) {
    return index < 0 ? 0 : index > 9 ? 9 : index;
}

bool annotation_style_get(const uint8_t* rec, TextStyle* out) {
    TextStyleBits b;
    if (!rec || !annotation_style_bits(rec[record_kind], &b)) return false;
    uint16_t f = get_u16(rec, annotation_flags);
    out->height_index = clamp_height_index((f >> b.height_shift) & 0x0F);
    out->font_b = (f & b.font_b) ? 1 : 0;
    out->slant = (f & b.slant) ? 1 : 0;
    return true;
}

int font_radio_for_style(int font_b, int slant) {
    static const int radios[4] = {prop_font_a_slanted, prop_font_a_upright, prop_font_b_slanted,
                                  prop_font_b_upright};
    return radios[(slant ? 0 : 1) + (font_b ? 2 : 0)];
}

bool font_radio_style(int control_id, int* font_b, int* slant) {
    switch (control_id) {
    case prop_font_a_slanted: *font_b = 0; *slant = 1; return true;
    case prop_font_a_upright: *font_b = 0; *slant = 0; return true;
    case prop_font_b_slanted: *font_b = 1; *slant = 1; return true;
    case prop_font_b_upright: *font_b = 1; *slant = 0; return true;
    default: return false;
    }
}

bool annotation_style_apply(uint8_t* rec, int control_id, int height_index) {
    TextStyleBits b;
    if (!rec || !annotation_style_bits(rec[record_kind], &b)) return false;
    uint16_t f = get_u16(rec, annotation_flags);
    int font_b = 0, slant = 0;
    if (font_radio_style(control_id, &font_b, &slant)) {
        f = static_cast<uint16_t>((f & ~(b.font_b | b.slant)) | (font_b ? b.font_b : 0) | (slant ? b.slant : 0));
    } else if (control_id == prop_height_combo) {
        if (height_index < 0 || height_index > 9) return false;
        f = static_cast<uint16_t>((f & ~(0x0F << b.height_shift)) | (height_index << b.height_shift));
    } else {
        return false;
    }
    put_u16(rec, annotation_flags, f);
    return true;
}

// ---------------------------------------------------------------- texts

RecordBytes pack_whole_text(const std::string& text) {
    // Every character costs at most three symbols (a class switch, the
    // character, the return from a side class): two bytes a character.
    std::vector<uint16_t> words(text.size() + 4, 0);
    int bytes = text.empty() ? 0
                             : text_pack_words(static_cast<int>(text.size()), text.c_str(), words.data(),
                                               static_cast<int>(words.size()), 5);
    RecordBytes out(static_cast<size_t>(bytes));
    for (int i = 0; i + 1 < bytes; i += 2) put_u16(out.data(), static_cast<uint32_t>(i), words[i / 2]);
    return out;
}

std::string unpack_whole_text(const uint8_t* src, int packed_bytes) {
    if (packed_bytes <= 0) return std::string();
    int words = (packed_bytes + 1) / 2;
    std::vector<uint16_t> w(static_cast<size_t>(words), 0);
    for (int i = 0; i < words; ++i) {
        uint8_t lo = src[2 * i];
        uint8_t hi = 2 * i + 1 < packed_bytes ? src[2 * i + 1] : 0;
        w[static_cast<size_t>(i)] = static_cast<uint16_t>(lo | (hi << 8));
    }
    // A repeat symbol can stand for up to 39 characters per symbol.
    std::vector<char> out(static_cast<size_t>(words) * 3 * 40 + 16, 0);
    int n = text_unpack(out.data(), static_cast<int>(out.size()), w.data(), packed_bytes);
    return std::string(out.data(), static_cast<size_t>(n > 0 ? n : 0));
}

std::string record_text(const uint8_t* rec, uint32_t head) {
    int length = get_u16(rec, record_length);
    if (length <= static_cast<int>(head)) return std::string();
    return unpack_whole_text(rec + head, length - static_cast<int>(head));
}

std::string edit_text_to_stored(const std::string& edit) {
    std::string out;
    out.reserve(edit.size() + 8);
    for (size_t i = 0; i < edit.size(); ++i) {
        char c = edit[i];
        if (c == '\r') {
            if (i + 1 < edit.size() && edit[i + 1] == '\n') ++i;
            out += "\\n";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string stored_text_to_edit(const std::string& stored, bool drop_escapes) {
    std::string out;
    out.reserve(stored.size() + 8);
    for (size_t i = 0; i < stored.size(); ++i) {
        char c = stored[i];
        if (c == '\\' && i + 1 < stored.size() && stored[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else if (drop_escapes && c == 27) {
            continue;
        } else {
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------- storing

unsigned char* annotation_record_replace(RecordRef* head, RecordRef* ref, const uint8_t* rec, PageBuffer* buf) {
    DrawingFile* df = current_drawing_file();
    if (!df || !head || !ref || !rec) return nullptr;
    if (*ref) {
        record_delete(df, head, *ref, buf);
        if (error_flag) return nullptr;
    }
    RecordRef added = record_add(df, head, rec, buf);
    if (!added || error_flag) return nullptr;
    *ref = added;
    RecordRef at = added;
    return record_read_at(df, &at, buf);
}

unsigned char* projection_annotation_replace(uint8_t* projection, RecordRef* ref, const uint8_t* rec) {
    return annotation_record_replace(projection_chain(projection, projection_annotations), ref, rec,
                                     &page_buffers[table_annotation]);
}

unsigned char* annotation_record_at(RecordRef ref) {
    DrawingFile* df = current_drawing_file();
    if (!df || !ref) return nullptr;
    RecordRef at = ref;
    return record_read_at(df, &at, &page_buffers[table_annotation]);
}

// ---------------------------------------------------------------- backup

namespace {

bool copy_item(const uint8_t* rec, int table, uint32_t chain, int kind, int attachment, RecordBackup* out) {
    try {
        RecordBackupItem item{table, chain, get_u32(rec, record_key), kind, attachment,
                              RecordBytes(rec, rec + get_u16(rec, record_length))};
        out->items.push_back(std::move(item));
        return true;
    } catch (const std::bad_alloc&) {
        show_program_message(kernel_context().out_of_memory_text);
        error_flag = 1;
        return false;
    }
}

int roughness_attachment(const uint8_t* rec) { return (get_u16(rec, annotation_flags) >> 7) & 3; }

bool item_matches(const RecordBackupItem& item, const uint8_t* r) {
    if (get_u32(r, record_key) != item.key) return false;
    if (item.table != table_annotation) return true;
    if (get_u16(r, record_length) < 10 || r[record_kind] != item.kind) return false;
    return item.attachment < 0 || roughness_attachment(r) == item.attachment;
}

}  // namespace

RecordRef* backup_chain_head(uint8_t* projection, const RecordBackupItem& item, PageBuffer** buf) {
    *buf = &page_buffers[item.table];
    if (item.table == table_title_block) {
        DrawingFile* df = current_drawing_file();
        return df ? reinterpret_cast<RecordRef*>(df->header + header_title_block) : nullptr;
    }
    return projection_chain(projection, item.chain);
}

bool annotation_backup_take(uint8_t* projection, RecordRef ref, bool in_title_block, RecordBackup* out) {
    out->items.clear();
    DrawingFile* df = current_drawing_file();
    if (!df || !ref) return false;
    PageBuffer* buf = &page_buffers[in_title_block ? table_title_block : table_annotation];
    RecordRef at = ref;
    const uint8_t* rec = record_read_at(df, &at, buf);
    if (!rec || error_flag) return false;
    int kind = rec[record_kind];
    uint32_t key = get_u32(rec, record_key);
    uint16_t flags = get_u16(rec, annotation_flags);
    int attachment = kind == annotation_roughness ? roughness_attachment(rec) : -1;
    if (!copy_item(rec, in_title_block ? table_title_block : table_annotation,
                   in_title_block ? 0u : static_cast<uint32_t>(projection_annotations), kind, attachment, out))
        return false;
    if (in_title_block || !projection) return true;
    // The records the dialog may change besides its own.
    if (kind == annotation_dimension_text) {
        const uint8_t* d = record_find_key(df, projection_chain(projection, projection_dimensions), key, nullptr,
                                           &page_buffers[table_dimensions]);
        if (d && !copy_item(d, table_dimensions, projection_dimensions, -1, -1, out)) return false;
    } else if (kind == annotation_roughness && attachment == 1) {
        const uint8_t* l = annotation_find_key_kind(projection, key, annotation_leader, nullptr);
        if (l && !copy_item(l, table_annotation, projection_annotations, annotation_leader, -1, out)) return false;
    } else if (kind == annotation_leader && (flags & 0x8000) && key != 0) {
        const uint8_t* s = annotation_find_key_fields(projection, key, 1, 0, nullptr);
        if (s && s[record_kind] == annotation_roughness &&
            !copy_item(s, table_annotation, projection_annotations, annotation_roughness, 1, out))
            return false;
    }
    return !error_flag;
}

bool annotation_backup_restore(uint8_t* projection, RecordRef* ref, const RecordBackup& backup) {
    DrawingFile* df = current_drawing_file();
    if (!df || backup.items.empty()) return false;
    for (size_t i = 0; i < backup.items.size(); ++i) {
        const RecordBackupItem& item = backup.items[i];
        PageBuffer* buf = nullptr;
        RecordRef* head = backup_chain_head(projection, item, &buf);
        if (!head) return false;
        RecordRef at = 0;
        if (i == 0) {
            at = *ref;
        } else {
            for (uint8_t* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
                if (error_flag) return false;
                if (item_matches(item, r)) {
                    at = record_ref_of(buf, r);
                    break;
                }
            }
        }
        if (!annotation_record_replace(head, &at, item.bytes.data(), buf)) return false;
        if (i == 0) *ref = at;
    }
    return true;
}

// ---------------------------------------------------------------- dialog table

int annotation_dialog_for_kind(int kind, bool low_resolution, bool roughness_option) {
    switch (kind) {
    case annotation_dimension_text: return 253;
    case annotation_leader: return 255;
    case annotation_hatching: return low_resolution ? 336 : 271;
    case annotation_text_fragment: return 352;
    case annotation_section: return 393;
    case annotation_roughness:
        if (roughness_option) return low_resolution ? 558 : 557;
        return low_resolution ? 415 : 400;
    case annotation_tolerance: return 496;
    default: return 0;
    }
}

// ---------------------------------------------------------------- picking

bool annotation_record_box(const uint8_t* rec, Box* out) {
    Box s = box_empty();
    TextMetrics m{};
    switch (rec[record_kind]) {
    case annotation_dimension_text:
        if (get_u16(rec, annotation_flags) & 0x1000) break;
        if (kernel_measurers.dimension_label_metrics && kernel_measurers.dimension_label_metrics(rec, &m))
            box_of_dimension_label(&s, rec, &m);
        break;
    case annotation_leader:
        if (kernel_measurers.annotation_text_metrics && kernel_measurers.annotation_text_metrics(rec, &m))
            box_of_leader_annotation(&s, rec, &m);
        break;
    case annotation_hatching: {
        double x = get_f32(rec, hatching_seed), y = get_f32(rec, hatching_seed + 4);
        double r = sheet_to_model_length(2.0);
        s = Box{x - r, y - r, x + r, y + r};
        break;
    }
    case annotation_text_fragment: box_of_two_point_annotation(&s, rec); break;
    case annotation_section:
        if (kernel_measurers.section_designation_bounds) kernel_measurers.section_designation_bounds(rec, &s);
        break;
    case annotation_roughness:
        if (kernel_measurers.roughness_sign_bounds) kernel_measurers.roughness_sign_bounds(rec, &s);
        break;
    case annotation_tolerance: box_of_repeated_annotation(&s, rec); break;
    default: break;
    }
    *out = s;
    return !box_is_empty(&s);
}

RecordRef annotation_pick(uint8_t* projection, double x, double y, double slack) {
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return 0;
    PageBuffer* buf = &page_buffers[table_annotation];
    RecordRef* head = projection_chain(projection, projection_annotations);
    RecordRef best = 0;
    double best_area = 0;
    for (uint8_t* r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf)) {
        if (get_u16(r, record_length) < 10) continue;
        Box b;
        if (!annotation_record_box(r, &b)) continue;
        if (x < b.min_x - slack || x > b.max_x + slack || y < b.min_y - slack || y > b.max_y + slack) continue;
        double area = (b.max_x - b.min_x) * (b.max_y - b.min_y);
        if (!best || area < best_area) {
            best = record_ref_of(buf, r);
            best_area = area;
        }
    }
    return best;
}
