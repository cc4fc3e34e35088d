// Arc-piece curves: the stored curve record, the smoothing that chooses the
// through point of every piece, and the joining of the curve records of one
// element number into one chain.
#pragma once
#include "geometry/geom_types.h"

#include <cstddef>
#include <cstdint>

// CurveRecord (an element record of kind 5), little-endian, packed.
constexpr size_t curve_length_offset = 0;         // u16: 36 n, or 16 + 36 n
constexpr size_t curve_number_offset = 2;         // u32 element number
constexpr size_t curve_level_offset = 6;          // u16
constexpr size_t curve_fragment_offset = 8;       // u16
constexpr size_t curve_flags_offset = 10;         // u16: bits 0-3 kind 5
constexpr size_t curve_style_offset = 12;         // u16 curve flags
constexpr size_t curve_count_offset = 14;         // i16 vertex count
constexpr size_t curve_vertices_offset = 16;
constexpr size_t curve_head_size = 16;
constexpr uint16_t curve_flag_image = 0x001;
constexpr uint16_t curve_flag_closed = 0x002;
constexpr uint16_t curve_flag_copied = 0x020;
constexpr uint16_t curve_flag_continuation = 0x080;
constexpr uint16_t curve_flag_bezier = 0x100;
// The largest vertex count of one stored record (2044 bytes).
constexpr int curve_max_record_vertices = 56;

// Reads / writes vertex i of a curve record.
inline CurveVertex curve_vertex(const uint8_t* rec, int i) { return get_curve_vertex(rec, curve_vertices_offset, i); }
inline void curve_set_vertex(uint8_t* rec, int i, const CurveVertex& v) { put_curve_vertex(rec, curve_vertices_offset, v, i); }

// Fills the through points of the pieces of v[0..n-1].  Three-point mode:
// each piece bends along the circle through it and its neighbour when that
// arc sweeps at most 120 degrees, else it is straight.  Tangent mode: each
// piece continues the previous one tangentially.  With closed set, piece 0
// keeps its through point (three-point mode with more than 3 vertices) or
// starts the tangent chain.
void smooth_curve_through_points(CurveVertex* v, int n, int closed, int three_point);

// One curve record holding all pieces of element `number` in the
// projection: a heap copy the caller frees with kernel_free (null when no
// record counts or no memory is left).  The copy has room for the complete
// last vertex; its vertex count is authoritative, its length word is
// 36 x count (0 when that exceeds 16 bits).  With mark set, a single record
// returned is marked as continuation (bit 7) in the store.
uint8_t* curve_join_pieces(uint8_t* projection, uint32_t number, const uint8_t* element, int mark);
