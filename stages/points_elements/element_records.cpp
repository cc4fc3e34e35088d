// Graphic element records: kind names, line types, point lists, the walk
// over the elements of a point, and storing a new element.
#include "stages/points_elements/element_records.h"

#include "base/program_messages.h"
#include "render/output/element_drawing.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/records.h"

namespace {

const char* const kind_names[13] = {
    "элемент графики", "прямая линия", "окружность", "дуга с центром", "дуга на трёх точках",
    "кривая линия", "волнистая тонкая", "фрагмент", "разрыв изображения", "дуга эллипса",
    "эллипс", "условное изображение", "сплайн Безье"};

}  // namespace

const int line_type_codes[line_type_count] = {0, 1, 2, 3, 4, 5, 6, 15, 7};

int current_line_type = 1;

const char* element_kind_name(int kind) {
    if (kind < 0 || kind > 12) kind = 0;
    return kind_names[kind];
}

int line_type_position(int code) {
    for (int i = 0; i < line_type_count; ++i)
        if (line_type_codes[i] == code) return i;
    return -1;
}

int line_type_for_kind(int kind, int code) {
    if (kind == element_kind_symbol) return 1;
    if (kind == element_kind_wavy && code > 2) return 2;
    if (kind == element_kind_break && code == 7) return 2;
    return code;
}

const char* current_line_type_name() {
    if (line_type_position(current_line_type) < 0) current_line_type = 1;
    return line_type_name(current_line_type);  // the rendering's table of names
}

int element_point_numbers(const unsigned char* rec, const unsigned char** numbers) {
    int n = 0;
    switch (element_kind(rec)) {
    case 1: case 2: case 8: n = 2; break;
    case 3: case 4: case 6: case 10: n = 3; break;
    case 12: n = 4; break;
    case 9: n = 5; break;
    default: n = 0; break;
    }
    if (numbers) *numbers = rec + element_points;
    return n;
}

uint32_t element_coords_offset(int kind) {
    switch (kind) {
    case 1: case 2: case 8: return element_coords2;
    case 3: case 4: case 6: case 10: return element_coords3;
    case 12: return element_coords4;
    case 9: return element_coords5;
    default: return 0;
    }
}

uint32_t element_fixed_length(int kind) {
    switch (kind) {
    case 1: case 2: return element_size2;
    case 8: return element_size_break;
    case 3: case 4: case 6: case 10: return element_size3;
    case 12: return element_size_bezier;
    case 9: return element_size_elliptic_arc;
    default: return 0;
    }
}

bool element_record_valid(const unsigned char* rec) {
    uint32_t len = get_u16(rec, record_length);
    if (len < element_head_size) return false;
    int kind = element_kind(rec);
    if (kind == element_kind_curve) {
        if (len < curve_vertices) return false;
        int n = get_i16(rec, curve_count);
        return n >= 1 && (len == curve_record_length(n, false) || len == curve_record_length(n, true));
    }
    if (kind == element_kind_symbol) {
        if (len < element_symbol_items) return false;
        uint32_t n = get_u16(rec, element_symbol_count);
        return n >= 1 && len == element_symbol_items + element_symbol_item_size * n;
    }
    uint32_t fixed = element_fixed_length(kind);
    return fixed != 0 && len == fixed;
}

CurveVertex element_curve_vertex(const unsigned char* rec, int i) {
    uint32_t at = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
    CurveVertex v;
    v.point_number = get_u32(rec, at + curve_vertex_point);
    v.point = get_point2(rec, at + curve_vertex_x);
    v.through = at + curve_vertex_size <= get_u16(rec, record_length) ? get_point2(rec, at + curve_vertex_through_x)
                                                                       : v.point;
    return v;
}

int element_point_places(const unsigned char* rec, ElementPointPlace* out, int max) {
    if (!element_record_valid(rec)) return 0;
    int kind = element_kind(rec);
    int count = 0;
    if (kind == element_kind_curve) {
        int n = get_i16(rec, curve_count);
        for (int i = 0; i < n && count < max; ++i) {
            uint32_t at = curve_vertices + curve_vertex_size * static_cast<uint32_t>(i);
            out[count++] = {get_u32(rec, at + curve_vertex_point), at + curve_vertex_x};
        }
        return count;
    }
    if (kind == element_kind_symbol) {
        int n = get_u16(rec, element_symbol_count);
        for (int i = 0; i < n && count < max; ++i) {
            uint32_t at = element_symbol_items + element_symbol_item_size * static_cast<uint32_t>(i);
            out[count++] = {get_u32(rec, at), at + 4};
        }
        return count;
    }
    const unsigned char* numbers = nullptr;
    int n = element_point_numbers(rec, &numbers);
    uint32_t coords = element_coords_offset(kind);
    for (int i = 0; i < n && count < max; ++i)
        out[count++] = {get_u32(numbers, 4 * static_cast<uint32_t>(i)), coords + 16 * static_cast<uint32_t>(i)};
    return count;
}

unsigned char* primitive_element_next_using_point(DrawingFile* df, unsigned char* projection, uint32_t number,
                                                  RecordRef* cursor, int* index) {
    PageBuffer* buf = &page_buffers[table_elements];
    RecordRef* head = projection_chain(projection, projection_elements);
    if (!head || !cursor) return nullptr;
    unsigned char* r = nullptr;
    if (*cursor) {
        RecordRef at = *cursor;
        r = record_read_at(df, &at, buf);
        if (!r || error_flag) {
            *cursor = 0;
            return nullptr;
        }
        r = record_next(df, head, r, buf);
    } else {
        r = record_next(df, head, nullptr, buf);
    }
    for (; r && !error_flag; r = record_next(df, head, r, buf)) {
        int kind = element_kind(r);
        if (!(kind >= 1 && kind <= 5) && kind != element_kind_symbol) continue;
        ElementPointPlace slots[64];
        int n = element_point_places(r, slots, 64);
        for (int i = 0; i < n; ++i) {
            if (slots[i].number == number) {
                *cursor = record_ref_of(buf, r);
                if (index) *index = i;
                return r;
            }
        }
    }
    *cursor = 0;
    return nullptr;
}

RecordRef element_store(DrawingFile* df, unsigned char** projection, unsigned char* rec,
                        const ElementStoreHooks& hooks) {
    if (!df || !projection || !*projection || !rec) return 0;
    if (hooks.checkpoint) {
        unsigned char* p = hooks.checkpoint(*projection);
        if (!p) return 0;
        *projection = p;
    }
    uint32_t number = element_number_alloc();
    if (!number) return 0;
    put_u32(rec, element_number, number);
    RecordRef* head = projection_chain(*projection, projection_elements);
    RecordRef ref = record_add(df, head, rec, &page_buffers[table_elements]);
    if (!ref || error_flag) {
        element_number_release(number);
        return 0;
    }
    if (df->header && (df->header[header_options3] & header_opt3_auto_dimensions) && hooks.auto_dimensions)
        hooks.auto_dimensions(*projection);
    return ref;
}
