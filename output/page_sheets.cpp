// Page sheets: a sheet of its own for each page projection.
#include "output/page_sheets.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

// Title blocks of a text document's first and following sheets.
constexpr int page_first_kind = 2;
constexpr int page_next_kind = 3;

struct CriticalSection {
    CriticalSection() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~CriticalSection() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
};

RecordRef* sheet_head(DrawingFile* df) { return reinterpret_cast<RecordRef*>(df->header + header_sheets); }
RecordRef* projections_head(DrawingFile* df) {
    return reinterpret_cast<RecordRef*>(df->header + header_projections);
}

// The node's projection record in its page (found again by number when the
// chain moved), or null.
unsigned char* projection_of(DrawingFile* df, const LayoutNode& node) {
    PageBuffer* buf = &page_buffers[table_projections];
    RecordRef ref = node.ref;
    unsigned char* p = ref ? record_read_at(df, &ref, buf) : nullptr;
    if (!p || get_u32(p, record_key) != node.number)
        p = record_find_key(df, projections_head(df), node.number, nullptr, buf);
    return p;
}

// A copy of the SheetRecord of number; false when there is none.
bool sheet_record(DrawingFile* df, uint32_t number, unsigned char* out) {
    unsigned char* r = record_find_key(df, sheet_head(df), number, nullptr, &page_buffers[table_tables]);
    if (!r || get_u16(r, 0) != sheet_record_size) return false;
    std::memcpy(out, r, sheet_record_size);
    return true;
}

// The page's drawing extent in sheet mm: its frame less 0.6 mm each side.
void page_extent(const LayoutNode& n, double* w, double* h) {
    *w = model_to_sheet_length(n.width) - 2 * 0.6;
    *h = model_to_sheet_length(n.height) - 2 * 0.6;
}

void place_at_frame_corner(LayoutNode* n) {
    n->x = sheet_to_model_length(page_sheet_place_x);
    n->y = sheet_to_model_length(page_sheet_place_y);
    n->flags |= layout_node_laid_out;
}

void store_number_field(DrawingFile* df, uint32_t field, unsigned value, uint32_t sheet) {
    char text[16];
    std::snprintf(text, sizeof text, "%u", value);
    title_block_field_store(df, field, text, sheet, title_mode_this_sheet);
}

}  // namespace

int layout_make_page_sheets(DrawingFile* df, LayoutNodes& nodes) {
    if (!df) return 0;
    CriticalSection cs;
    int made = 0;
    unsigned page = 0;            // page number of the last page projection with a sheet
    uint32_t document_first = 0;  // sheet of the first page of the current document
    for (auto& np : nodes) {
        LayoutNode& n = *np;
        unsigned char* p = projection_of(df, n);
        if (error_flag) return -1;
        if (!p) continue;
        uint16_t marks = get_u16(p, projection_page_flags);
        if (!(marks & page_projection_mark)) continue;
        bool continues = (marks & page_projection_continues) && page > 0;
        uint32_t own = get_u16(p, projection_sheet_number) & 0x07ff;
        unsigned char existing[sheet_record_size];
        if ((marks & page_projection_has_sheet) && own && sheet_record(df, own, existing) &&
            (get_u16(existing, sheet_flags) & sheet_flag_page)) {
            page = continues ? page + 1 : 1;
            if (!continues) document_first = own;
            continue;
        }
        int kind = continues ? page_next_kind : page_first_kind;
        double w = 0, h = 0;
        page_extent(n, &w, &h);
        int code = 0;
        float fw = 0, fh = 0;
        // A small page is laid out on a drawing sheet like any view.
        if (!page_sheet_format(w, h, title_block_height_of(kind), &code, &fw, &fh)) continue;
        uint32_t number = sheet_next_free_number_of(df);
        if (number > sheet_number_max) {
            show_program_message(sheet_message_too_many);
            return -1;
        }
        unsigned char rec[sheet_record_size] = {};
        put_u16(rec, 0, sheet_record_size);
        put_u32(rec, sheet_number, number);
        put_u16(rec, sheet_flags, sheet_flag_page);
        put_u8(rec, sheet_title_block, static_cast<uint8_t>(kind));
        put_u8(rec, sheet_format, static_cast<uint8_t>(code));
        put_f32(rec, sheet_width, fw);
        put_f32(rec, sheet_height, fh);
        if (!record_add(df, sheet_head(df), rec, &page_buffers[table_tables])) {
            if (!error_flag) {
                show_program_message(kernel_context().out_of_memory_text);
                error_flag = 1;
            }
            return -1;
        }
        ++made;
        page = continues ? page + 1 : 1;
        if (!continues) document_first = number;
        store_number_field(df, title_field_sheet_no, page, number);
        // The record moved with the sheet page's loads: taken again.
        p = projection_of(df, n);
        if (!p) continue;
        put_u16(p, projection_page_flags, static_cast<uint16_t>(get_u16(p, projection_page_flags) |
                                                                page_projection_has_sheet));
        page_buffers[table_projections].clean = 0;
        n.sheet = static_cast<uint16_t>(number);
        n.flags &= static_cast<uint16_t>(~layout_node_hand_placed);
        place_at_frame_corner(&n);
        layout_store_node(df, n, true);
        if (error_flag) return -1;
    }
    if (document_first && page > 0) store_number_field(df, title_field_sheet_count, page, document_first);
    return error_flag ? -1 : made;
}

bool layout_current_is_page_sheet(DrawingFile* df) {
    if (!df) return false;
    CriticalSection cs;
    unsigned char rec[sheet_record_size];
    return sheet_record(df, get_u16(df->header, header_current_sheet), rec) &&
           (get_u16(rec, sheet_flags) & sheet_flag_page);
}

int layout_place_page_sheet(DrawingFile* df, LayoutNodes& nodes) {
    if (!df || !layout_current_is_page_sheet(df)) return 0;
    CriticalSection cs;
    unsigned char* hd = df->header;
    uint32_t current = get_u16(hd, header_current_sheet);
    LayoutNode* page = nullptr;
    for (auto& np : nodes) {
        if (np->sheet != current) continue;
        unsigned char* p = projection_of(df, *np);
        if (p && (get_u16(p, projection_page_flags) & page_projection_mark)) {
            page = np.get();
            break;
        }
    }
    if (!page) return 1;
    double tb = title_block_height_of(get_u8(hd, header_title_block_kind));
    if (tb < 0) tb = title_block_height;
    double w = 0, h = 0;
    page_extent(*page, &w, &h);
    int code = sheet_format_a4;
    float fw = 0, fh = 0;
    // A page too small for a page sheet of its own still fits A4.
    if (!page_sheet_format(w, h, tb, &code, &fw, &fh)) code = sheet_format_a4;
    int rotated = (get_u16(hd, header_options) & header_opt_sheet_turned) ? 1 : 0;
    sheet_size_of(df, code == sheet_format_auto ? sheet_format_a0 : code, rotated, &fw, &fh);
    put_u8(hd, header_sheet_format, static_cast<uint8_t>(code));
    put_f32(hd, header_sheet_width, fw);
    put_f32(hd, header_sheet_height, fh);
    sheet_store_current_of(df);
    place_at_frame_corner(page);
    page->flags &= static_cast<uint16_t>(~layout_node_hand_placed);
    layout_store_node(df, *page, true);
    return 1;
}
