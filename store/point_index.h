// Point index and link walks: the reference points of one projection copied
// into an array in memory, and walks over a projection's dimension links by
// the object they point at.
#pragma once
#include <cstdint>

#include "store/drawing_file.h"

struct PointIndexEntry {
    uint32_t number;  // the point record's key
    RecordRef ref;    // where the point record lies
    uint16_t flags;   // point_index_flag_*
    double x;         // the true point (use_true) or the sketch point
    double y;
};

enum : uint16_t {
    point_index_flag_hidden = 0x0001,       // bit 2 of the record's u16 at byte 8
    point_index_flag_same_point = 0x0004,   // sketch and true point exactly equal
    point_index_flag_bezier = 0x0008        // bit 0 of the record's byte 10
};

struct PointIndex {
    uint32_t count;
    uint32_t capacity;  // entries of room
    PointIndexEntry* entries;
};

PointIndex* point_index_new();
void point_index_free(PointIndex* index);
PointIndex* point_index_append(PointIndex* index, RecordRef ref, const unsigned char* rec, int use_true);
PointIndex* point_index_collect(RecordRef* head, PointIndex* index, int use_true);
// Entry index of number, or -1; out receives its point.
int point_index_find(const PointIndex* index, uint32_t number, double out[2]);
int point_index_lookup(RecordRef* head, uint32_t number, RecordRef* ref_out, const PointIndex* index,
                       double out[2], int use_true);
// The point record of the projection whose point equals probe's sketch point
// within the standing tolerance; null when none.
unsigned char* point_find_at(const unsigned char* projection, const unsigned char* probe,
                             const PointIndex* index);
// The next dimension link after prev whose point (kind 2) or dimension
// (kind 1) is object.
unsigned char* link_next(const unsigned char* projection, const unsigned char* prev, uint32_t object,
                         int kind);
// The same through a pair list made by record_chain_index over the link
// chain with the dimension number as value.
unsigned char* link_next_in(const unsigned char* projection, const unsigned char* prev, uint32_t object,
                            int kind, const uint32_t* pairs);
