// Building closed contours from the piece list: cutting the pieces at their
// mutual intersections, the planar graph in which every piece end knows its
// neighbours in turning order, and the tracing of closed loops around a
// point.
#pragma once
#include "render/contours/contour_lists.h"

// Cuts every piece of contour_pieces against every piece of the new list
// (splitting both), clears the neighbour links of the new pieces and puts
// the new list in front of contour_pieces.  Clears error_flag on entry and
// stops at the first pair that sets it.
void split_pieces_at_intersections(ContourPiece* new_list);

// Splits a piece at the given points (segment, or arc / circle turned into a
// full arc); the new pieces go after it.  Exposed for the gap tests.
void split_piece_at_points(ContourPiece* piece, const Point2* points, int count);

// Removes degenerate and duplicate pieces, links neighbours, removes dead
// ends and numbers the pieces 1..n with their tracing marks cleared; returns
// the first piece.  With a start piece it only links and returns it.
ContourPiece* build_piece_graph(uint8_t* projection, ContourPiece* start);

// Turn from piece a leaving its end ea to piece b leaving its end eb, in
// [0, 2 pi].
double contour_turn(const ContourPiece* a, int ea, const ContourPiece* b, int eb);

// The innermost (or outermost) traced loop around the point as a heap
// ContourRecord of number 0 whose members are piece numbers, or null.
uint8_t* trace_contour_around(uint8_t* projection, Point2 point, int outermost);

// Shared by the contour code: the view caption of a projection pushed as a
// message detail (kept in a static buffer until the next call).
void push_view_caption_detail(const uint8_t* projection);

// Gives the frame window its normal cursor back after a failed trace; the
// Win32 layer fills it (null: nothing).
extern void (*contour_restore_cursor)();
