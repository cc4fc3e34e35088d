// Sketch replacement: a projection's sketch takes its constructed image, so
// that the next construction starts from where the points now stand.
#pragma once
#include <cstdint>

#include "store/drawing_file.h"

// Every reference point's sketch position takes its true position, the
// auxiliary lines anchored on the points follow, and the projection's flags
// get bit 12 (the sketch agrees with the construction).  Works on the
// projection record (or a copy) under the caller's lock.  Returns the
// number of points moved.
int projection_sketch_from_true_images(DrawingFile* df, uint8_t* projection);
