// View breaks: a long object drawn shortened.  Each break element (kind 8)
// runs between two points along the shift direction and carries the gap
// it is to have; laying it out moves the closed region beyond its placed
// end by the change, carrying the ends of other breaks in that region.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

struct ViewBreakHooks {
    // The region beyond a break: for the closed contour around `at`, sets
    // inside[i] for every points[i] that lies in it.  Returns 1 when a
    // contour was found, 0 when none encloses `at`, -1 when the search
    // failed.  Default: the contour search of the rendering.
    std::function<int(unsigned char* projection, Point2 at, const std::vector<Point2>& points,
                      std::vector<char>* inside)>
        region;
    // A message for the user (default show_program_message); the
    // projection's caption comes first as its detail line.
    std::function<void(const char* text)> message;
    std::function<const char*(const unsigned char* projection)> caption;
};

enum { view_break_none = 0, view_break_done = 1, view_break_failed = -1 };

// Lays out every break of the projection.  The elements are changed only
// when every break could be laid out; otherwise nothing changes and the
// user reads "Разрыв не может быть построен!" with the projection's
// caption.  Returns view_break_none (no break), view_break_done or
// view_break_failed.
int view_break_apply(DrawingFile* df, unsigned char* projection, const ViewBreakHooks& hooks);
