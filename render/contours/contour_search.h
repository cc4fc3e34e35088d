// Finding the closed contour around a point of a projection: collecting the
// projection's drawable elements as contour pieces, closing small gaps in
// projections drawn without automatic construction, finding (and normally
// storing) the contour, rebuilding the hatch contours, and the purge of the
// automatically built records.
#pragma once
#include "render/contours/contour_graph.h"

// Builds a new contour_pieces list from the projection's drawable elements
// (the old head is dropped without freeing: callers free it first).  On a
// failure the list is freed and error_flag is set.
void collect_contour_pieces(uint8_t* projection);

// The contour of the asked kind around the point (kind 2: a hatch contour).
// Unstored: a heap copy (number 0) with the piece list left alive, both
// ended by free_contour.  Else the contour is stored and returned through
// the contour page buffer.  Null when no loop encloses the point.  Takes the
// document lock.
uint8_t* find_closed_contour(uint8_t* projection, Point2 point, int kind, int unstored);
uint8_t* find_or_store_contour(uint8_t* projection, Point2 point, int kind, int unstored, uint32_t number);

// Deletes the projection's traced contours and traces every hatching's
// contour again from its seed point.
void rebuild_hatch_contours(uint8_t* projection);

// True when the point lies strictly inside the box of the projection's
// drawable elements.
bool projection_image_box_contains(uint8_t* projection, double x, double y);

// For every projection of the current drawing: clears the marks of
// generated records, deletes automatic contours and deleted elements, and
// rebuilds the hatch contours.
void purge_temporary_records();
