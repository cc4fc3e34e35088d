// Shared pieces of the sheet tests: the header's sheet format, turn and
// title-block kind, and a projection record with its frame, placement, view
// kind, page marks and sheet number added to the drawing's projection chain.
#pragma once
#include "output/layout_nodes.h"
#include "output/page_sheets.h"
#include "output/sheets.h"
#include "store/record_layouts.h"

#include "../store/store_test_support.h"

#include <vector>

namespace sheet_test {

// Format code, turn and title-block kind of the drawing's header.
inline void set_sheet_header(DrawingFile* df, int code, bool rotated, int kind) {
    put_u8(df->header, header_sheet_format, static_cast<uint8_t>(code));
    uint16_t o = get_u16(df->header, header_options);
    o = rotated ? (o | header_opt_sheet_turned) : (o & ~header_opt_sheet_turned);
    put_u16(df->header, header_options, o);
    put_u8(df->header, header_title_block_kind, static_cast<uint8_t>(kind));
}

// A projection at scale 1 with the frame (x0, y0)-(x1, y1), its flags word
// (view kind and flag bits), page marks, sheet number and placement on the
// sheet, at the end of the projection chain.  False when it cannot be added.
struct View {
    uint32_t number;
    uint16_t flags;
    float x0, y0, x1, y1;
    uint16_t sheet = 1;
    uint16_t page_marks = 0;
    float px = 0, py = 0;
};
inline bool add_sheet_view(DrawingFile* df, const View& v) {
    std::vector<uint8_t> p(projection_record_head, 0);
    put_u16(p.data(), 0, projection_record_head);
    put_u32(p.data(), 2, v.number);
    put_f32(p.data(), 58, v.x0);
    put_f32(p.data(), 62, v.y0);
    put_f32(p.data(), 66, v.x1);
    put_f32(p.data(), 70, v.y1);
    put_f32(p.data(), projection_place_x, v.px);
    put_f32(p.data(), projection_place_y, v.py);
    put_u16(p.data(), projection_flags, v.flags);
    put_u16(p.data(), projection_page_flags, v.page_marks);
    put_u16(p.data(), projection_sheet_number, v.sheet);
    put_f64(p.data(), 112, 1.0);
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
    return record_add_at_end(df, head, p.data(), &page_buffers[table_projections]) != 0;
}

}  // namespace sheet_test
