// Hatching placement: a click inside a closed contour of a projection marks
// the area for hatching, and a moved hatching is seeded again where it was
// released.
#pragma once
#include <cstdint>

#include "annotation/annotation_tools.h"

// The hatching tool's click at (x, y): the closed contour around the point
// is found and stored; a hatching that already marks that contour takes
// the click as its seed (with a clone source pending it is replaced by a
// copy of the clone source keeping its name); else a new hatching is made
// (a copy of the clone source, or the first hatch kind with its defaults),
// named after its contour unless that name is taken.  No contour: "В
// указанной точке штриховка невозможна:" with "нет замкнутого контура".
// Returns the hatching's reference (0 when nothing was placed); it becomes
// the selection.
RecordRef place_hatching(uint8_t* projection, AnnotationStage* s, double x, double y);

// After the hatching at *ref was moved: when it keeps its contour (flags
// bit 0) and its seed is still inside, nothing changes (0).  Else the
// contour around its seed is found: its own contour keeps it; a contour
// that no hatching marks becomes its contour; a contour marked by another
// hatching gives that one the seed and this one is removed.  Returns 1
// when something changed; *ref follows the hatching that stays.
int reseed_hatching(uint8_t* projection, AnnotationStage* s, RecordRef* ref);

extern const char* const hatching_impossible_message;
extern const char* const hatching_no_contour_detail;
