// Record tables and the record primitives.
//
// A record page: dword 0 links the next page of the chain (page | 4; 0 on the
// last page); records follow from byte 4, each right after the previous one,
// every one starting with its u16 total length (1..2044), u32 key at 2 and,
// in tables with several kinds, u8 kind at 6.  A u16 0 after the last record
// ends the page unless the records reach byte 2047 or 2048.  A chain head is
// 0 (empty) or the first record of its first page (page | 4).
//
// Contracts:
//  - record_add, record_add_at_end and record_put return the RecordRef of
//    the stored record (0 on failure); a caller that wants the stored bytes
//    reads them with record_read_at through the same buffer.
//  - Returned record pointers point into the table's page buffer and are
//    valid only until the next page load through that buffer.
//  - record_delete compacts the page: a kept RecordRef of a later record of
//    that page no longer points at it; holders refresh their references.
//  - Chain heads and other RecordRef fields may lie unaligned inside records;
//    the primitives read and write them byte-wise.
#pragma once
#include <cstdint>

#include "store/drawing_file.h"

// page_buffers index of each record table.
enum : int {
    table_free_list = 0,
    table_annotation = 1,
    table_projections = 2,
    table_points = 3,
    table_links = 4,
    table_dimensions = 5,
    table_elements = 6,
    table_contours = 7,
    table_title_block = 8,
    table_model = 9,
    table_tables = 10,
    table_construction = 11,
    table_pictures = 12
};

enum : uint16_t { record_max_length = 2044 };

RecordRef record_put(DrawingFile* df, RecordRef* head, const void* rec, PageBuffer* buf, int at_end);
RecordRef record_add(DrawingFile* df, RecordRef* head, const void* rec, PageBuffer* buf);
RecordRef record_add_at_end(DrawingFile* df, RecordRef* head, const void* rec, PageBuffer* buf);
RecordRef contour_record_add(DrawingFile* df, RecordRef* head, const void* contour);
void record_delete(DrawingFile* df, RecordRef* head, RecordRef ref, PageBuffer* buf);
void record_delete_key(DrawingFile* df, RecordRef* head, uint32_t key, PageBuffer* buf);
// The one way to delete records of a chain while walking it: deletes rec (a
// record of head's chain met by a walk through buf) and returns the record
// that followed it, or null at the chain's end or on a failure (error_flag
// set). The walk goes on from the returned record, never from rec:
//     for (r = record_next(df, head, nullptr, buf); r && !error_flag;)
//         r = doomed(r) ? record_delete_and_next(df, head, r, buf)
//                       : record_next(df, head, r, buf);
unsigned char* record_delete_and_next(DrawingFile* df, RecordRef* head, unsigned char* rec, PageBuffer* buf);
unsigned char* record_find_key(DrawingFile* df, RecordRef* head, uint32_t key, RecordRef* from,
                               PageBuffer* buf);
unsigned char* record_next(DrawingFile* df, RecordRef* head, const unsigned char* prev,
                           PageBuffer* buf);
unsigned char* record_read_at(DrawingFile* df, RecordRef* ref, PageBuffer* buf);
// The record at ref in the current drawing, through the projection buffer;
// null for a zero reference.
unsigned char* record_fetch(RecordRef* ref);
// The RecordRef of a record pointer into buf (0 when it is not inside buf).
RecordRef record_ref_of(const PageBuffer* buf, const unsigned char* rec);
// Heap array {u32 count, then count pairs {u32 value, RecordRef}} of a chain,
// value = dword at byte 2 (field 0), 10 (field 1) or 6 (field 2); null when
// the walk began at the head and the chain was short (callers then walk it).
uint32_t* record_chain_index(DrawingFile* df, RecordRef* head, int record_size, int field,
                             RecordRef start, PageBuffer* buf);

// The chains of a projection record (projection_links .. projection_points
// of record_layouts.h): the head of one, null for no projection or an offset
// that names no chain; and the page buffer that holds that chain's records.
RecordRef* projection_chain(uint8_t* projection, uint32_t chain);
PageBuffer* projection_chain_buffer(uint32_t chain);

// Lookups in a projection's chains (projection: a ProjectionRecord).
unsigned char* element_find_by_key(unsigned char* projection, const unsigned char* prev, uint32_t key);
unsigned char* annotation_find_key_kind(unsigned char* projection, uint32_t key, uint8_t kind,
                                        RecordRef* out);
unsigned char* annotation_find_key_fields(unsigned char* projection, uint32_t key, int a, int b,
                                          RecordRef* out);
unsigned char* projection_record(uint32_t id);
int element_page_outside(const void* p);
void drawing_order_make_room(unsigned char* projection, unsigned char* contour, uint16_t level,
                             int flags);

// Hooks set by other subsystems:
// the contour code's temporary element source: while active, element_find_by_key
// answers a call with no prev from it (given the key) and nothing else;
extern int temporary_element_source_active;
extern unsigned char* (*piece_to_element_record)(uint32_t key);
// the open projection windows: the RecordRef of projection id's record when
// a window of it is open, else 0.
extern RecordRef (*projection_window_record_ref)(uint32_t id);

// Builds the default record of buffers 1-11 and fills each buffer with
// copies of it, so that a buffer holding no page reads as well-formed records.
void page_buffers_init_defaults();
// Fills buf's data from byte 4 with copies of rec (size bytes), raising the
// u32 at counter_offset of rec by 1 after each copy.
void page_fill_defaults(PageBuffer* buf, unsigned char* rec, size_t size, size_t counter_offset);
