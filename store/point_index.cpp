#include "store/point_index.h"

#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "geometry/tolerance.h"

#include <cstdlib>
#include <cstring>

namespace {
const uint32_t index_first_room = 43;
const uint32_t index_growth = 42;


void entry_point(const unsigned char* rec, int use_true, double* x, double* y) {
    *x = get_f64(rec, use_true ? point_true_x : point_sketch_x);
    *y = get_f64(rec, use_true ? point_true_y : point_sketch_y);
}
}  // namespace

PointIndex* point_index_new() {
    PointIndex* ix = static_cast<PointIndex*>(std::calloc(1, sizeof(PointIndex)));
    if (!ix) return nullptr;
    ix->entries = static_cast<PointIndexEntry*>(std::calloc(index_first_room, sizeof(PointIndexEntry)));
    if (!ix->entries) {
        std::free(ix);
        return nullptr;
    }
    ix->capacity = index_first_room;
    return ix;
}

void point_index_free(PointIndex* ix) {
    if (!ix) return;
    std::free(ix->entries);
    std::free(ix);
}

PointIndex* point_index_append(PointIndex* ix, RecordRef ref, const unsigned char* rec, int use_true) {
    if (!ix || !rec) return ix;
    PointIndexEntry& e = ix->entries[ix->count];
    e.number = get_u32(rec, point_number);
    e.ref = ref;
    uint16_t f = 0;
    if (get_u16(rec, point_flags) & 0x0004) f |= point_index_flag_hidden;
    if (std::memcmp(rec + point_sketch_x, rec + point_true_x, 8) == 0 &&
        std::memcmp(rec + point_sketch_y, rec + point_true_y, 8) == 0)
        f |= point_index_flag_same_point;
    if (rec[point_flags2] & 1) f |= point_index_flag_bezier;
    e.flags = f;
    entry_point(rec, use_true, &e.x, &e.y);
    ++ix->count;
    // Keep at least one free entry.
    if (ix->count >= ix->capacity - 1) {
        uint32_t cap = ix->capacity + index_growth;
        PointIndexEntry* n = static_cast<PointIndexEntry*>(
            std::realloc(ix->entries, sizeof(PointIndexEntry) * cap));
        if (!n) {
            error_flag = 1;
            return ix;
        }
        ix->entries = n;
        ix->capacity = cap;
    }
    return ix;
}

PointIndex* point_index_collect(RecordRef* head, PointIndex* ix, int use_true) {
    DrawingFile* df = current_drawing_file();
    if (!df || !head || !ix) return ix;
    PageBuffer* b = &page_buffers[table_points];
    page_load(df, nullptr, b);
    b->clean = 1;
    unsigned char* r = nullptr;
    RecordRef h = *head;
    while ((r = record_next(df, &h, r, b)) != nullptr) {
        if ((get_u16(r, point_flags) & 0x20) && (r[point_flags2] & 0x20)) continue;
        ix = point_index_append(ix, record_ref_of(b, r), r, use_true);
        if (error_flag) break;
    }
    b->clean = 1;
    return ix;
}

int point_index_find(const PointIndex* ix, uint32_t number, double out[2]) {
    if (!ix) return -1;
    for (uint32_t i = 0; i < ix->count; ++i) {
        if (ix->entries[i].number != number) continue;
        if (out) {
            out[0] = ix->entries[i].x;
            out[1] = ix->entries[i].y;
        }
        return static_cast<int>(i);
    }
    return -1;
}

int point_index_lookup(RecordRef* head, uint32_t number, RecordRef* ref_out, const PointIndex* ix,
                       double out[2], int use_true) {
    if (ix) {
        int i = point_index_find(ix, number, out);
        if (i < 0) return 0;
        if (ref_out) *ref_out = ix->entries[i].ref;
        return 1;
    }
    DrawingFile* df = current_drawing_file();
    if (!df || !head) return 0;
    RecordRef from = 0;
    unsigned char* r = record_find_key(df, head, number, &from, &page_buffers[table_points]);
    if (!r) return 0;
    if (ref_out) *ref_out = from;
    if (out) entry_point(r, use_true, &out[0], &out[1]);
    return 1;
}

unsigned char* point_find_at(const unsigned char* projection, const unsigned char* probe,
                             const PointIndex* ix) {
    DrawingFile* df = current_drawing_file();
    if (!df || !projection || !probe) return nullptr;
    RecordRef head = get_u32(projection, projection_points);
    if (!head) return nullptr;
    double px = get_f64(probe, point_sketch_x), py = get_f64(probe, point_sketch_y);
    PageBuffer* b = &page_buffers[table_points];
    if (ix) {
        for (uint32_t i = 0; i < ix->count; ++i) {
            const PointIndexEntry& e = ix->entries[i];
            if (compare_doubles(e.x, px) != 0 || compare_doubles(e.y, py) != 0) continue;
            RecordRef ref = e.ref;
            return record_read_at(df, &ref, b);
        }
        return nullptr;
    }
    unsigned char* r = nullptr;
    while ((r = record_next(df, &head, r, b)) != nullptr) {
        if (compare_doubles(get_f64(r, point_sketch_x), px) == 0 &&
            compare_doubles(get_f64(r, point_sketch_y), py) == 0)
            return r;
    }
    return nullptr;
}

unsigned char* link_next(const unsigned char* projection, const unsigned char* prev, uint32_t object,
                         int kind) {
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return nullptr;
    RecordRef head = get_u32(projection, projection_links);
    size_t field = kind == 1 ? link_dimension : link_point;
    PageBuffer* b = &page_buffers[table_links];
    unsigned char* r = const_cast<unsigned char*>(prev);
    while ((r = record_next(df, &head, r, b)) != nullptr)
        if (get_u32(r, field) == object) return r;
    return nullptr;
}

unsigned char* link_next_in(const unsigned char* projection, const unsigned char* prev, uint32_t object,
                            int kind, const uint32_t* pairs) {
    if (!pairs) return link_next(projection, prev, object, kind);
    DrawingFile* df = current_drawing_file();
    if (!df || !projection) return nullptr;
    PageBuffer* b = &page_buffers[table_links];
    uint32_t n = pairs[0];
    uint32_t i = 0;
    if (prev) {
        RecordRef pref = record_ref_of(b, prev);
        bool found = false;
        for (; i < n && pref; ++i) {
            if (pairs[2 + 2 * i] == pref) {
                found = true;
                ++i;
                break;
            }
        }
        if (!found) return nullptr;
    }
    for (; i < n; ++i) {
        if (pairs[1 + 2 * i] != object) continue;
        RecordRef ref = pairs[2 + 2 * i];
        unsigned char* r = record_read_at(df, &ref, b);
        if (!r || get_u16(r, record_length) == 0) return nullptr;
        return r;
    }
    return nullptr;
}
