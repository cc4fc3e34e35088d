// Roughness placement: a sign's tip put on a dimension's extension line,
// and a sign carried by a leader laid out on the leader's shelf.
#pragma once
#include <cstdint>

#include "annotation/annotation_properties.h"
#include "annotation/annotation_tools.h"
#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// The click projected onto the line start-end; a projection outside the
// line's box goes to the end on the side where it left the box: below the
// box the end with the smaller x (a vertical line: smaller y), above it the
// end with the larger one.
Point2 snap_roughness_to_extension_line(Point2 start, Point2 end, Point2 click);

// Lays the leader at *leader_ref out at (x, y), then puts the tip of the
// sign it carries (kind 5, key `key`, attachment 1) on its shelf: x = the
// upper text position + 1.24 mm + the upper text width + the sign's own
// offset (+28), y = the shelf's height.  Returns the leader (null on failure).
unsigned char* layout_roughness_on_leader(uint8_t* projection, uint32_t key, RecordRef* leader_ref, double x, double y,
                                          bool keep_bend);

// Fits the leader that carries the roughness sign at *sign_ref to the
// sign again after its size changed: the leader of the same key gets the
// sign's box as its shelf (width and height), its text point goes to the
// middle of the shelf ends, it is laid out there and the sign put on the
// shelf; the leader's box is united into *box when box is given.  A sign
// that stands on no leader is left alone (true).  False when the sign's
// leader is missing or cannot be laid out (a store failure also sets the
// error flag); the caller then lets the sign stand free.
bool fit_roughness_leader(uint8_t* projection, RecordRef* sign_ref, Box* box);

// The drawing's sign for unmarked surfaces as the panel makes it when the
// title-block list has none: 36 bytes, key 65535, kind 5, slanted letters,
// height index one above the default (kept within 0..9).
RecordBytes build_general_roughness_record(int default_height_index);

// Of the shown extension lines (1, 2) of dimension record d, the one
// nearest to (x, y) within `slack` (a line whose ends coincide is none);
// false when no line is that near, or the dimension is not shown.  The
// distance goes to *distance when given.
bool roughness_nearest_extension_line(const uint8_t* d, double x, double y, double slack, int* line,
                                      double* distance);

// The extension line of a placed dimension nearest to (x, y) within `slack`:
// its dimension's number and the line (1 or 2); false when none is near.
bool roughness_pick_extension_line(uint8_t* projection, double x, double y, double slack, uint32_t* dimension,
                                   int* line);

// The roughness tool after its pick: a sign (a copy of the stage's clone
// source, or a new one) on extension line `line` (1, 2) of dimension
// `dimension` at the click, or on a carrying leader made for it when the
// sign would stand steeper than the line allows, or on the leader the
// stage has selected.  A line or leader that already carries a sign takes
// none; nothing is added then.  Returns the sign's reference (0 when none
// was added); the sign becomes the selection.
RecordRef place_roughness_sign(uint8_t* projection, AnnotationStage* s, uint32_t dimension, int line, double x,
                               double y);

// After dimension `number` was laid out again: each of its extension lines
// that carries a sign keeps it on the line (a tip off the line goes to the
// line's end nearer to it); a sign that is gone clears the line's bit.
void keep_roughness_signs_on_extension_lines(uint8_t* projection, uint32_t number);

// The box of a roughness sign: the measurer of the sign's strokes when the
// drawing code fills it, else the legs and the widest text by their sizes.
Box roughness_sign_box(const uint8_t* rec);
