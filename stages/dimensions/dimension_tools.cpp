// Binding a point to an anchored auxiliary line through the line's
// dimension.
#include "stages/dimensions/dimension_tools.h"

#include <cstring>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "stages/dimensions/dimension_edit.h"
#include "stages/dimensions/dimension_network.h"
#include "store/record_layouts.h"
#include "store/records.h"

uint32_t bind_point_to_aux_line(DrawingFile* df, unsigned char* projection, RecordRef line, uint32_t point) {
    if (!df || !projection || !line || !point) return 0;
    PageBuffer* b = &page_buffers[table_construction];
    RecordRef at = line;
    unsigned char* r = record_read_at(df, &at, b);
    if (!r || get_u16(r, record_length) < aux_line_record_size || r[record_kind] != construction_kind_aux_line) return 0;
    unsigned char copy[aux_line_record_size];
    std::memcpy(copy, r, sizeof copy);
    uint8_t flags = copy[construction_flags];
    uint32_t a1 = get_u32(copy, aux_line_anchor1), a2 = get_u32(copy, aux_line_anchor2);
    if (!(flags & aux_line_anchored) || !a1 || point == a1 || point == a2) return 0;
    projection_mark_for_construction(projection);
    uint32_t dim = get_u32(copy, aux_line_dimension);
    if (!dim || dimension_record_copy(df, projection, dim).empty()) {
        DimensionParams p;
        p.kind = DIM_LINEAR;
        int direction = flags & aux_line_direction;
        p.mode = direction == 0 ? 1 : direction == 1 ? 0 : 3;
        p.axis[0] = a1;
        p.axis[1] = a2;
        p.not_shown = true;
        p.nominal = 0;
        dim = dimension_create(df, projection, p);
        if (!dim) return 0;
        dimension_link_add(df, projection, dim, a1, LINK_FIRST);
        at = line;
        r = record_read_at(df, &at, b);
        if (!r) return 0;
        put_u32(r, aux_line_dimension, dim);
        b->clean = 0;
        point_dimension_state(df, projection, a1);
    }
    if (!(dimension_point_roles(df, projection, dim, point) & (1u << LINK_SECOND)))
        dimension_link_add(df, projection, dim, point, LINK_SECOND);
    update_link_directions(df, projection, dim);
    point_dimension_state(df, projection, point);
    return error_flag ? 0 : dim;
}

namespace {

// Exchanges the first and second end roles of every link of the dimension
// and the matching bits of its value word.
void swap_end_roles(DrawingFile* df, unsigned char* projection, uint32_t dim) {
    RecordRef* head = projection_chain(projection, projection_links);
    PageBuffer* b = &page_buffers[table_links];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < link_record_size || get_u32(r, link_dimension) != dim) continue;
        uint16_t w = get_u16(r, link_role);
        int role = w & 3;
        if (role != LINK_FIRST && role != LINK_SECOND) continue;
        put_u16(r, link_role, static_cast<uint16_t>((w & ~3) | (role == LINK_FIRST ? LINK_SECOND : LINK_FIRST)));
        b->clean = 0;
    }
    std::vector<uint8_t> rec = dimension_record_copy(df, projection, dim);
    if (rec.empty()) return;
    uint16_t vw = get_u16(rec.data(), dimension_value_word);
    uint16_t ends = static_cast<uint16_t>(((vw & 1) << 1) | ((vw >> 1) & 1));
    put_u16(rec.data(), dimension_value_word, static_cast<uint16_t>((vw & ~3) | ends));
    dimension_record_update(df, projection, rec);
}

}  // namespace

uint32_t remeasure_dimensions_of_point(DrawingFile* df, unsigned char* projection, uint32_t point, bool use_true) {
    if (!df || !projection || !point) return 0;
    uint32_t last = 0;
    for (uint32_t dim : point_dimensions(df, projection, point)) {
        double value = 0;
        if (!measure_dimension(df, projection, dim, use_true, &value)) continue;
        if (value < 0) {
            value = -value;
            swap_end_roles(df, projection, dim);
        }
        std::vector<uint8_t> rec = dimension_record_copy(df, projection, dim);
        if (rec.empty()) continue;
        put_f64(rec.data(), dimension_nominal, value);
        dimension_record_update(df, projection, rec);
        update_link_directions(df, projection, dim);
        rebuild_dimension_text(df, projection, dim, dimension_label_prefix_code(df, projection, dim));
        last = dim;
    }
    if (last) projection_mark_for_construction(projection);
    return last;
}

namespace {

// The anchored auxiliary line that has `point` as an anchor: its flags and
// anchors; false when there is none.
bool anchored_line_of(DrawingFile* df, unsigned char* projection, uint32_t point, uint8_t* flags, uint32_t* a1,
                      uint32_t* a2) {
    RecordRef* head = projection_chain(projection, projection_construction);
    PageBuffer* b = &page_buffers[table_construction];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) < aux_line_record_size || r[record_kind] != construction_kind_aux_line) continue;
        if (!(r[construction_flags] & aux_line_anchored)) continue;
        if (get_u32(r, aux_line_anchor1) != point && get_u32(r, aux_line_anchor2) != point) continue;
        *flags = r[construction_flags];
        *a1 = get_u32(r, aux_line_anchor1);
        *a2 = get_u32(r, aux_line_anchor2);
        return true;
    }
    return false;
}

}  // namespace

uint32_t add_placement_dimension(DrawingFile* df, unsigned char* projection, int tool_mode, uint32_t from,
                                 uint32_t to, uint32_t centre) {
    if (!df || !projection || !from || !to || from == to) return 0;
    DimensionParams p;
    p.kind = DIM_LINEAR;
    switch (tool_mode) {
    case placement_along_y: p.mode = 1; break;
    case placement_along_x: p.mode = 0; break;
    case placement_from_line: {
        uint8_t flags = 0;
        uint32_t a1 = 0, a2 = 0;
        if (!anchored_line_of(df, projection, from, &flags, &a1, &a2)) return 0;
        int direction = flags & aux_line_direction;
        p.mode = direction == 0 ? 1 : direction == 1 ? 0 : 3;
        if (p.mode == 3) {
            if (!a1 || !a2) return 0;
            p.axis[0] = a1;
            p.axis[1] = a2;
        }
        break;
    }
    case placement_angle:
        if (!centre) return 0;
        p.kind = DIM_ANGLE;
        p.mode = 0;
        break;
    default:
        return 0;
    }
    projection_mark_for_construction(projection);
    // An existing dimension of that kind and mode between the points.
    uint32_t dim = 0;
    for (uint32_t d : point_dimensions(df, projection, from)) {
        std::vector<uint8_t> rec = dimension_record_copy(df, projection, d);
        if (rec.empty()) continue;
        uint16_t kw = get_u16(rec.data(), dimension_kind_word);
        if ((kw & 0x1F) != p.kind || ((kw >> 5) & 7) != p.mode) continue;
        if (!dimension_point_roles(df, projection, d, to)) continue;
        if (p.kind == DIM_ANGLE && !(dimension_point_roles(df, projection, d, centre) & (1u << LINK_CENTRE))) continue;
        dim = d;
        break;
    }
    if (!dim) {
        dim = dimension_create(df, projection, p);
        if (!dim) return 0;
        if (p.kind == DIM_ANGLE) dimension_link_add(df, projection, dim, centre, LINK_CENTRE);
        dimension_link_add(df, projection, dim, from, LINK_FIRST);
        dimension_link_add(df, projection, dim, to, LINK_SECOND);
    }
    double value = 0;
    if (!measure_dimension(df, projection, dim, false, &value)) return dim;
    if (value < 0) {
        value = -value;
        swap_end_roles(df, projection, dim);
    }
    std::vector<uint8_t> rec = dimension_record_copy(df, projection, dim);
    if (rec.empty()) return 0;
    put_f64(rec.data(), dimension_nominal, value);
    dimension_record_update(df, projection, rec);
    update_link_directions(df, projection, dim);
    rebuild_dimension_text(df, projection, dim, dimension_label_prefix_code(df, projection, dim));
    return error_flag ? 0 : dim;
}
