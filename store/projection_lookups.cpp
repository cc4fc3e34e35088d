// Projection look-ups: the chains of a projection record, an element by its
// number, annotation records by key, a projection record by its id.
#include "store/records.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"

#include <cstring>

PageBuffer* projection_chain_buffer(uint32_t chain) {
    switch (chain) {
    case projection_links: return &page_buffers[table_links];
    case projection_annotations: return &page_buffers[table_annotation];
    case projection_dimensions: return &page_buffers[table_dimensions];
    case projection_elements: return &page_buffers[table_elements];
    case projection_contours: return &page_buffers[table_contours];
    case projection_construction: return &page_buffers[table_construction];
    case projection_points: return &page_buffers[table_points];
    default: return nullptr;
    }
}

RecordRef* projection_chain(uint8_t* projection, uint32_t chain) {
    if (!projection || !projection_chain_buffer(chain)) return nullptr;
    return reinterpret_cast<RecordRef*>(projection + chain);
}

unsigned char* element_find_by_key(unsigned char* projection, const unsigned char* prev, uint32_t key) {
    if (temporary_element_source_active)
        return !prev && piece_to_element_record ? piece_to_element_record(key) : nullptr;
    if (!projection) return nullptr;
    DrawingFile* df = current_drawing_file();
    PageBuffer* buf = &page_buffers[table_elements];
    RecordRef* head = projection_chain(projection, projection_elements);
    for (unsigned char* r = record_next(df, head, prev, buf); r; r = record_next(df, head, r, buf)) {
        if (error_flag) return nullptr;
        if (get_u32(r, 2) == key) return r;
    }
    return nullptr;
}

namespace {
template <typename Match>
unsigned char* annotation_find(unsigned char* projection, RecordRef* out, Match match) {
    if (!projection) return nullptr;
    DrawingFile* df = current_drawing_file();
    PageBuffer* buf = &page_buffers[table_annotation];
    RecordRef* head = projection_chain(projection, projection_annotations);
    for (unsigned char* r = record_next(df, head, nullptr, buf); r; r = record_next(df, head, r, buf)) {
        if (error_flag) return nullptr;
        if (get_u16(r, 0) >= 10 && match(r)) {
            if (out) {
                RecordRef found = record_ref_of(buf, r);
                std::memcpy(out, &found, sizeof found);
            }
            return r;
        }
    }
    return nullptr;
}
}  // namespace

unsigned char* annotation_find_key_kind(unsigned char* projection, uint32_t key, uint8_t kind,
                                        RecordRef* out) {
    return annotation_find(projection, out, [&](const unsigned char* r) {
        return get_u32(r, 2) == key && r[6] == kind;
    });
}

unsigned char* annotation_find_key_fields(unsigned char* projection, uint32_t key, int a, int b,
                                          RecordRef* out) {
    return annotation_find(projection, out, [&](const unsigned char* r) {
        uint16_t f = get_u16(r, 8);
        return get_u32(r, 2) == key && r[6] == 5 && static_cast<int>((f >> 7) & 3) == a &&
               static_cast<int>((f >> 9) & 3) == b;
    });
}

unsigned char* projection_record(uint32_t id) {
    if (id == 0) return nullptr;
    if (projection_window_record_ref) {
        RecordRef r = projection_window_record_ref(id);
        if (r) return record_fetch(&r);
    }
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return nullptr;
    return record_find_key(df, reinterpret_cast<RecordRef*>(df->header + header_projections), id,
                           nullptr, &page_buffers[table_projections]);
}

