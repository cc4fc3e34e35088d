// Dimensions made as a side effect of the reference-point tools: a point
// dropped on an anchored auxiliary line is bound to the line's dimension.
// Portable, under the caller's lock, on the projection record the caller
// holds and writes back.
#pragma once
#include <cstdint>

#include "store/drawing_file.h"

// Binds `point` to the anchored auxiliary line at `line` (a reference into
// the construction chain): the line's dimension is made when it has none
// (between its anchor points, not shown, nominal 0, direction by the line:
// horizontal along Y, vertical along X, through two points perpendicular to
// it with the two anchors as axis; the first anchor its first end), then
// the point is linked as a second end (once) and its dimensioning state is
// recomputed from its links.  Returns the dimension's number, 0 when the
// line is not anchored or the point is one of its anchors.
uint32_t bind_point_to_aux_line(DrawingFile* df, unsigned char* projection, RecordRef line, uint32_t point);

// After a point moved: every dimension linked to it is measured again on
// the sketch (true positions when use_true), its nominal becomes the value
// and its label is rebuilt, the comparison sign kept.  A negative value
// (an end moved past the other) is taken positive and the two end roles of
// all its links are exchanged, with or without a model variable, so that
// the next construction keeps the point where it was put.  The projection
// is marked for construction.  Returns the last dimension re-measured, 0
// when none.
uint32_t remeasure_dimensions_of_point(DrawingFile* df, unsigned char* projection, uint32_t point, bool use_true);

// Tool modes of a placement dimension (the distance tool's radio buttons).
enum { placement_along_y = 1036, placement_along_x = 1037, placement_from_line = 1038, placement_angle = 1039 };

// The dimension of a point placed at a distance or angle by the point tool:
// along Y (mode 1), along X (mode 0), from the anchored auxiliary line
// through `from` (direction by the line: horizontal along Y, vertical along
// X, through two points perpendicular to it with its anchors as axis), or
// the angle about `centre`.  A dimension of that kind and mode that links
// the points already (the angle also the centre) takes the new value;
// otherwise one is made (from: first end, to: second end, exchanged when
// the measure comes out negative).  The value is measured on the sketch the
// tool has just set.  Returns the dimension, 0 when none could be made (no
// anchored line through `from` in line mode).
uint32_t add_placement_dimension(DrawingFile* df, unsigned char* projection, int tool_mode, uint32_t from,
                                 uint32_t to, uint32_t centre);
