// Projection records in the store (see projection_records.h).
#include "shell/core/projection_records.h"

#include <cfloat>
#include <cstring>

#include "base/byte_order.h"
#include "shell/core/projection_view.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "store/record_layouts.h"
#include "store/records.h"

void projection_record_init(uint8_t* rec, uint32_t number, uint16_t flags) {
    std::memset(rec, 0, projection_record_head);
    put_u16(rec, 0, projection_record_head);
    put_u32(rec, 2, number);
    put_f32(rec, projection_frame, FLT_MAX);
    put_f32(rec, projection_frame + 4, FLT_MAX);
    put_f32(rec, projection_frame + 8, -FLT_MAX);
    put_f32(rec, projection_frame + 12, -FLT_MAX);
    put_u16(rec, projection_flags, flags);
    put_f64(rec, projection_scale, 1.0);
    double a, b;
    view_default_angles(flags & projection_flag_type_mask, &a, &b);
    put_f64(rec, projection_angle_first, a);
    put_f64(rec, projection_angle_second, b);
}

static PageBuffer* buffer(int table) { return &page_buffers[table]; }

std::vector<ProjectionEntry> projection_chain_entries(DrawingFile* df) {
    std::vector<ProjectionEntry> out;
    if (!df || !df->header) return out;
    RecordRef head = get_u32(df->header, header_projections);
    PageBuffer* b = buffer(table_projections);
    unsigned char* r = nullptr;
    while ((r = record_next(df, &head, r, b)) != nullptr) {
        if (get_u16(r, 0) == 0) continue;
        out.push_back({get_u32(r, 2), record_ref_of(b, r)});
    }
    return out;
}

// Gives back the key of every record of a chain to a pool, then frees it.
static void chain_release(DrawingFile* df, RecordRef head, int table, void (*release)(uint32_t)) {
    if (!head) return;
    PageBuffer* b = buffer(table);
    if (release) {
        std::vector<uint32_t> keys;
        RecordRef h = head;
        unsigned char* r = nullptr;
        while ((r = record_next(df, &h, r, b)) != nullptr) keys.push_back(get_u32(r, 2));
        for (uint32_t k : keys) release(k);
    }
    page_chain_free(df, &head, b);
}

int projection_clear_contents(DrawingFile* df, RecordRef ref) {
    PageBuffer* pb = buffer(table_projections);
    RecordRef at = ref;
    unsigned char* p = df && ref ? record_read_at(df, &at, pb) : nullptr;
    if (!p) return -1;
    struct Chain {
        int field, table;
        void (*release)(uint32_t);
    };
    static const Chain chains[] = {
        {projection_points, table_points, point_number_release},
        {projection_elements, table_elements, element_number_release},
        {projection_dimensions, table_dimensions, nullptr},
        {projection_links, table_links, nullptr},
        {projection_contours, table_contours, nullptr},
        {projection_annotations, table_annotation, nullptr},
        {projection_construction, table_construction, nullptr},
    };
    RecordRef heads[7];
    for (int i = 0; i < 7; ++i) heads[i] = get_u32(p, chains[i].field);
    for (int i = 0; i < 7; ++i) chain_release(df, heads[i], chains[i].table, chains[i].release);
    at = ref;
    p = record_read_at(df, &at, pb);
    if (!p) return -1;
    for (int i = 0; i < 7; ++i) put_u32(p, chains[i].field, 0);
    put_u16(p, projection_second_flags, static_cast<uint16_t>(get_u16(p, projection_second_flags) & ~0x0040));
    put_u16(p, projection_highest_level, 0);
    put_u16(p, projection_word_104, 0);
    pb->clean = 0;
    return 0;
}

int projection_delete_stored(DrawingFile* df, uint32_t number) {
    if (!df || !df->header || number == 0) return -1;
    RecordRef ref = 0;
    for (const ProjectionEntry& e : projection_chain_entries(df))
        if (e.number == number) ref = e.ref;
    if (!ref) return -1;
    if (projection_clear_contents(df, ref) != 0) return -1;
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
    record_delete(df, head, ref, buffer(table_projections));
    uint32_t highest = 0;
    for (const ProjectionEntry& e : projection_chain_entries(df))
        if (e.number > highest) highest = e.number;
    put_u32(df->header, header_counters, highest);
    return 0;
}
