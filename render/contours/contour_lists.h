// Contours: their working copies on the heap, the global lists that hold
// contours and contour pieces while they are processed, the member walk and
// the test whether a point lies inside a contour.
//
// A contour is a ContourRecord (store/record_layouts.h) in a projection's
// contour chain.  A heap copy of one is a block of at least 2038 bytes that
// the caller frees with std::free; a record pointer into the contour page
// buffer is not a heap copy (record_is_heap_copy tells them apart).
#pragma once
#include "geometry/geom_types.h"
#include "store/drawing_file.h"

#include <cstddef>
#include <cstdint>

// Contour kinds, bits 0-2 of the flags word at byte 66.
enum : int {
    contour_kind_screen = 0,     // enclosing contour: outline of an opaque screen
    contour_kind_hole = 1,       // enclosed contour: hole in an opaque screen
    contour_kind_hatch = 2,
    contour_kind_route = 4,
    contour_kind_composite = 5,
    contour_kind_fold = 6
};
enum : size_t { contour_block_size = 2038 };
inline int contour_kind(const void* rec) { return get_u16(rec, 66) & 7; }

// Piece kinds and the kind-word bits of a ContourPiece.
enum : uint16_t {
    piece_kind_mask = 0x000F,
    piece_line_type_mask = 0x00F0,
    piece_traced_forward = 0x0200,
    piece_traced_backward = 0x0400,
    piece_joined_end0 = 0x0800,
    piece_joined_end1 = 0x1000
};
enum : int { piece_segment = 1, piece_circle = 2, piece_arc = 3 };

// A node of the piece list.  Geometry: a segment {start, end}, a circle
// {on-circle point, centre} or an arc by centre {start, end, centre}; end 0
// is g[0], end 1 is g[1].
struct ContourPiece {
    ContourPiece* next;
    ContourPiece* smallest_turn[2];  // neighbour with the smallest turn at end 0 / end 1
    ContourPiece* largest_turn[2];   // neighbour with the largest turn at end 0 / end 1
    uint32_t number;
    RecordRef source;
    uint16_t kind;
    Point2 g[3];
};
inline int piece_kind(const ContourPiece* p) { return p->kind & piece_kind_mask; }

// Head of the piece list.
extern ContourPiece* contour_pieces;
// While set, element look-ups by number answer from the piece list.  It is
// the store's temporary element source flag.
extern int& contour_pieces_active;
// Heap copies of one projection's screening (and hatch) contours.
extern uint8_t** contour_array;
extern size_t contour_array_count;
// While clipping runs: the index of the projection's element chain
// ({count, then {number, RecordRef} pairs}, record_chain_index); else null.
extern uint32_t* element_index;

// Binds the store's temporary element source and the kernel's flag to the
// piece list.  Runs once by itself before main; calling it again is harmless.
void contour_lists_bind();

// The out-of-memory message of the settings block, error_flag 1.
void contour_report_out_of_memory();

// The block itself when *capacity >= needed + 2, else the block reallocated
// to needed + 16 (*capacity updated); null when that fails (the block is then
// still the caller's).
uint8_t* ensure_block_capacity(uint8_t* block, size_t* capacity, size_t needed);

// A heap copy of the contour record joined with the members of its
// continuation chunks, or null when memory runs out.  The buffer's page on
// entry is loaded again before return.
uint8_t* copy_contour_record(DrawingFile* df, RecordRef* head, const uint8_t* contour, PageBuffer* buf);
bool record_is_heap_copy(const uint8_t* record, const PageBuffer* buf);
uint8_t* find_contour_by_number(DrawingFile* df, RecordRef* head, uint32_t number);

// Fills contour_array with copies of the projection's contours of kinds 0
// and 1 (and 2 unless screening_only).  Returns 0, or -1 on a failure
// (message shown, error_flag 1).
int build_contour_array(uint8_t* projection, int screening_only);
void free_contour_array();
void free_contour_piece_list();

// The first piece with that number as a temporary element record in a static
// buffer per kind (overwritten by the next call for the same kind), or null.
uint8_t* contour_piece_element(uint32_t number);

// The next element after prev (the first for prev null) that carries the
// member number, or null.
uint8_t* contour_member_next(uint8_t* projection, const uint8_t* prev, uint32_t member);

// True when the point lies inside the contour.  A point on the contour is
// inside for every kind but the opaque-screen outline (kind 0).
bool point_in_contour(uint8_t* projection, Point2 point, const uint8_t* contour);

// Ends a temporary contour (number 0): frees the piece list, frees the copy
// when it is one, clears contour_pieces_active.  Stored contours are left.
void free_contour(uint8_t* contour);

// Copies a stored packed text (at most 260 bytes), unpacks it in mode 3 and
// removes trailing blanks; returns the length.
int text_unpack_trimmed(int packed_length, const uint8_t* packed, char* out, size_t out_size);

// Appends " {name}" of the model variable with that key to text (of
// text_size bytes); returns the key, or 0 when nothing was appended.
uint32_t append_variable_reference(uint32_t key, char* text, size_t text_size);
