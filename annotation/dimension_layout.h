// Dimension layout: where a dimension's label stands against its dimension
// line (along the line, or on a shelf beside it), written into the label
// record (leader start, shelf, anchors, angle, the along-the-line flag) and
// into the dimension's shelf state bit.  The dimension line itself is never
// moved here.
#pragma once
#include <cstdint>

#include "geometry/extents.h"
#include "geometry/geom_types.h"
#include "store/drawing_file.h"

enum : int {
    label_automatic = 0,  // the label goes to its default place
    label_at_point = 1    // the label follows a given point (a drag, a hand-placed label)
};

// Lays the label out in place (both records are byte copies or records in
// their page buffers; only the fixed heads are written).  `m` is the
// label's measure; `point` the given point in label mode (ignored in
// automatic mode, where a label that does not fit goes onto a shelf 8.4 mm
// beyond the line's outer end); `pixel` the snapping distance.  False when the dimension
// line is not usable (not finite); nothing is written then.
bool dimension_label_layout(uint8_t* dimension, uint8_t* label, const TextMetrics& m, int mode, Point2 point,
                            double pixel);

// The point a hand-placed label stands at, in the terms of label mode: the
// middle of its text along the line, or above the middle of its shelf.
Point2 dimension_label_point(const uint8_t* label, const TextMetrics& m);

// The same on the store: the dimension with the given number of the
// projection's dimension chain and its label (kind 0, same number) in the
// annotation chain.  "E20448" and a document failure when the label is
// missing.  Returns 1 when laid out.
int layout_dimension(uint8_t* projection, uint32_t number, int mode, Point2 point);

// Lays a dimension out again after its line or label changed: a label
// placed by hand (value bits 11 and 15) keeps its point, any other goes to
// its default place.  Returns 1 when laid out.
int relayout_dimension(uint8_t* projection, uint32_t number);

extern const char* const dimension_without_label_code;
