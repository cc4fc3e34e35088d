// Extents and lengths: bounding boxes of elements, annotation and contours,
// lengths of elements and curves, and the frame of a projection.
#pragma once
#include "geometry/geom_types.h"
#include "geometry/kernel_angles.h"
#include "geometry/tolerance.h"

#include <cstdint>

bool box_is_empty(const Box* b);
void box_union(Box* a, const Box* b);
