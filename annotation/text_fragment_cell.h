// Fitting a text fragment into the cell of drawing lines around it: the
// nearest graphic lines left, right, below and above a point bound the cell;
// the fragment takes the cell's width (horizontal text) or height (turned
// text) and is centred across it.
#pragma once
#include <cstdint>

#include "geometry/geom_types.h"

// The four borders of the cell around `at`: the nearest crossings of the
// horizontal and the vertical line through it with the projection's visible
// graphic elements (lines, circles, arcs, curves).  False when a side has
// none.
bool text_cell_around(uint8_t* projection, Point2 at, Box* cell);

// When the fragment's fit flag (+10 bit 0) is set: the cell around `point`
// (null: the frame's lower-left corner) is found; a cell wide enough for
// the text and its margins (high enough, for turned text) takes it: bit 14
// (15) is set, the frame spans the cell across the text's run, the text is
// laid out again and centred across the cell.  *record may be replaced by
// the laid-out record.  Returns 1 when fitted, else 0 (nothing changed).
int fit_text_into_cell(uint8_t* projection, unsigned char** record, const Point2* point);
