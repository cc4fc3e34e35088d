// Extents and lengths.
#include "geometry/extents.h"

#include <cfloat>
#include <cmath>

bool box_is_empty(const Box* b) { return b->min_x > b->max_x || b->min_y > b->max_y; }

void box_union(Box* a, const Box* b) {
    a->min_x = std::fmin(a->min_x, b->min_x);
    a->min_y = std::fmin(a->min_y, b->min_y);
    a->max_x = std::fmax(a->max_x, b->max_x);
    a->max_y = std::fmax(a->max_y, b->max_y);
}
