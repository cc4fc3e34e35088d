// Projection records in the store: a new record's fixed fields, clearing a
// projection's contents (its chains freed, its point and element numbers
// returned to the pools), deleting a projection from the projection chain,
// and the list of projection numbers.  Portable; works on the current
// drawing's page buffers.
//
// ProjectionRecord fields used here (little-endian): u16 length at 0, u32
// number at 2, seven chain heads at 6..30, doubles 34/42 control distances,
// floats 50/54 area origin, 58..70 frame (empty = FLT_MAX, FLT_MAX,
// -FLT_MAX, -FLT_MAX), 82/86 constructed origin, 90/94 area size, u16 flags
// at 98 (bits 0-3 view type, bit 4 no sketch, bit 9 to be constructed, bit
// 10 without automatic construction), u16 second flags at 100 (bit 3
// lighten, bit 6), u16 102 and 104, u16 106 sheet, double 112 scale, double
// 120 sketch rotation, doubles 128/136 view angles, u16 144/146 packed
// lengths, title at 148, sketch reference from 180.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/drawing_file.h"

enum : int {
    projection_control_sketch = 34,
    projection_control_true = 42,
    projection_area_origin = 50,
    projection_frame = 58,
    projection_constructed_origin = 82,
    projection_area_size = 90,
    projection_second_flags = 100,
    projection_word_104 = 104,
    projection_sheet = 106,
    projection_scale = 112,
    projection_sketch_angle = 120,
    projection_angle_first = 128,
    projection_angle_second = 136,
    projection_title_length = 144,
    projection_sketch_length = 146,
    projection_title = 148
};
enum : uint16_t {
    projection_flag_type_mask = 0x000F,
    projection_flag_no_sketch = 0x0010,
    projection_flag_not_on_sheets = 0x0100,
    projection_flag_construct = 0x0200,
    projection_flag_no_auto = 0x0400,
    projection_flag2_lighten = 0x0008
};

// Fills rec (at least 180 bytes) as a new projection of the given view type
// and flags: length 180, the number, the empty frame, scale 1.0, the default
// view angles of the type; everything else 0.
void projection_record_init(uint8_t* rec, uint32_t number, uint16_t flags);

// Frees the chains of the projection at ref (points and elements give their
// numbers back to the pools first) and clears its chain heads, second-flags
// bit 6 and the words at 102 and 104.  0, or -1 when the record is missing.
int projection_clear_contents(DrawingFile* df, RecordRef ref);

// Removes projection `number` with its contents from the projection chain;
// the header's projection counter (dword 64) becomes the highest number
// left.  0, or -1 when there is no such projection.
int projection_delete_stored(DrawingFile* df, uint32_t number);

// The numbers and references of the projection chain in chain order.
struct ProjectionEntry {
    uint32_t number;
    RecordRef ref;
};
std::vector<ProjectionEntry> projection_chain_entries(DrawingFile* df);
