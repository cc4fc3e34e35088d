// The stored bent pictures of four-point picture symbols: the preparation
// a projection window's image thread runs for one symbol element, and the
// list of symbols in preparation whose bends a point move or the shut-down
// abandons.
//
// A bent picture is kept under an id of its own derived from the element's
// number (55000 + number), so it never takes the id of a user's image
// (1001-55000), whatever number the element has.
#pragma once
#include <cstdint>

#include "store/drawing_file.h"

// The id of the bent picture of the symbol element numbered n; 0 when it
// has none (number 0, or too large for an id).
uint32_t bent_picture_id(uint32_t element_number);

// The mark of the four points a bent picture was made for, kept in the
// picture record's unused third and fourth point slots: a symbol whose
// points moved since no longer matches it and is drawn from a preview.
void bent_picture_signature(const double points[4][2], int32_t out[2][2]);
// Whether a loaded bent picture was made for these points.
bool bent_picture_matches(const int32_t picture_points[4][2], const double points[4][2]);

// The body of the preparation thread for the symbol element at ref (the
// element table of the current drawing): under the drawing lock it reads
// the element and copies the picture it bends; it bends without the lock,
// and under the lock again replaces the element's bent picture (record,
// blob and loaded entry) unless the bend was abandoned meanwhile.  Returns
// 1 when a bent picture was stored, else 0 (not a four-point picture
// symbol, no such picture, a bend refused or abandoned, the drawing gone).
int bent_picture_prepare(RecordRef element_ref);

// Abandons the bends in preparation of the element numbered n (a point of
// it moved), or of every element for 0 (shut-down, closing the drawing).
void bent_pictures_abandon(uint32_t element_number);

// The symbol element numbered n was deleted: abandons its bends in
// preparation and removes its stored bent picture (loaded entry, record
// and data), so a later element given the same number never finds it.
// Takes the drawing lock itself.
void bent_picture_discard(uint32_t element_number);

// The number of bends in preparation.
int bent_pictures_in_preparation();

// Whether a preparation holds the drawing lock (reading its source or
// storing its result): such a thread ends without waiting for anything,
// and one killed there would leave the lock owned and the picture chain
// half written.
bool bent_pictures_holding_lock();
