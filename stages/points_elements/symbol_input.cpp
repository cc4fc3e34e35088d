// Placing a conventional symbol or picture by its reference points.
#include "stages/points_elements/symbol_input.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/extents.h"
#include "render/images/loaded_images.h"
#include "render/output/symbol_catalog.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

namespace {

const char* const text_control_point = "%о использовать контрольную точку сплайна";

// Sets the control-point bit of point `number` of the projection.
void mark_control_point(DrawingFile* df, unsigned char* projection, uint32_t number) {
    RecordRef from = 0;
    unsigned char* p = record_find_key(df, projection_chain(projection, projection_points), number, &from,
                                       &page_buffers[table_points]);
    if (!p || get_u16(p, record_length) != point_record_size) return;
    put_u16(p, point_flags2, static_cast<uint16_t>(get_u16(p, point_flags2) | point_flag2_bezier_control));
    page_buffers[table_points].clean = 0;
}

}  // namespace

int symbol_input_points_needed(uint32_t code) {
    if (const SymbolCatalogEntry* e = symbol_catalog_entry(code)) return static_cast<int>(e->point_count);
    if (code < picture_symbol_first_code || code > 0xFFFF) return 0;
    // The loaded pictures change under the drawing's critical section.
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    const LoadedImage* image = loaded_image_find(code);
    const int n = image ? image->point_count : 0;
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    return n;
}

bool symbol_input_choose(SymbolInput& in, uint32_t code, bool below) {
    symbol_input_cancel(in);
    const int needed = symbol_input_points_needed(code);
    if (needed < 1 || needed > 4) {
        in.needed = 0;
        error_stack_push("E20350");
        show_program_message(settings_text(settings_document_failure_offset));
        return false;
    }
    in.code = code;
    in.needed = needed;
    in.below = below;
    return true;
}

void symbol_input_cancel(SymbolInput& in) {
    in.element.clear();
    in.controls.clear();
}

int symbol_input_click(SymbolInput& in, DrawingFile* df, unsigned char** projection, const unsigned char* point,
                       const ElementStoreHooks& hooks, RecordRef* stored, uint32_t* number, bool ctrl) {
    if (in.needed < 1 || !point || !df || !projection || !*projection) return 0;
    if (in.element.empty()) {
        in.element.assign(element_symbol_items, 0);
        put_u16(in.element.data(), record_length, element_symbol_items);
        put_u16(in.element.data(), element_flags, static_cast<uint16_t>(element_kind_symbol | (1 << 4)));
        put_u16(in.element.data(), element_options, in.below ? 0x0002 : 0);
        put_u16(in.element.data(), element_symbol_code, static_cast<uint16_t>(in.code));
    }
    const uint32_t point_no = get_u32(point, point_number);
    const int count = get_u16(in.element.data(), element_symbol_count);
    // A spline's control point may only be the third or a later point.
    if (count < 2 && (get_u16(point, point_flags2) & point_flag2_bezier_control)) {
        if (count == 0) symbol_input_cancel(in);
        show_program_message(text_control_point);
        error_flag = 1;
        return 0;
    }
    for (int i = 0; i < count; ++i)
        if (get_u32(in.element.data(), element_symbol_items + element_symbol_item_size * i) == point_no) return 0;
    const size_t at = in.element.size();
    in.element.resize(at + element_symbol_item_size, 0);
    put_u32(in.element.data(), at, point_no);
    put_f64(in.element.data(), at + 4, get_f64(point, point_sketch_x));
    put_f64(in.element.data(), at + 12, get_f64(point, point_sketch_y));
    put_u16(in.element.data(), element_symbol_count, static_cast<uint16_t>(count + 1));
    put_u16(in.element.data(), record_length, static_cast<uint16_t>(in.element.size()));
    if (ctrl && in.needed == 4 && count >= 2) in.controls.push_back(point_no);
    if (count + 1 < in.needed) return 1;
    const RecordRef ref = element_store(df, projection, in.element.data(), hooks);
    if (!ref || error_flag) {
        symbol_input_cancel(in);
        return -1;
    }
    for (uint32_t c : in.controls) mark_control_point(df, *projection, c);
    error_flag = 0;
    projection_extend_frame_to_element(*projection, in.element.data());
    uint16_t flags = get_u16(*projection, projection_flags);
    if (!(flags & 0x0200)) flags = static_cast<uint16_t>(flags & ~0x1000);
    put_u16(*projection, projection_flags, static_cast<uint16_t>(flags | 0x0200));
    if (stored) *stored = ref;
    if (number) *number = get_u32(in.element.data(), element_number);
    symbol_input_cancel(in);
    return 2;
}
