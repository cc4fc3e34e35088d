// Point insertion into graphic elements: a click on a drawn line, circle,
// arc or curve breaks it there and puts a new reference point at the break.
// A line or arc becomes two elements sharing the new point (the second
// with a new element number, added to every contour that held the first);
// a circle becomes two arcs with centre; a curve takes the point as one more
// vertex.  Dimensions linked to both ends of a split part are linked to the
// new point as well.
#pragma once
#include <cstdint>
#include <functional>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

struct InsertionContext {
    DrawingFile* df = nullptr;
    unsigned char* projection = nullptr;
    // The two diagonals of the pick square (drawing coordinates): the first
    // that crosses the element gives the point.
    Segment probes[2] = {};
    // Whether two drawing positions fall on one pixel of the window.
    std::function<bool(Point2 a, Point2 b)> same_pixel;
    // Automatic checkpoint, taken once every check has passed; returns the
    // projection record to use afterwards, null to give up.
    std::function<unsigned char*(unsigned char* projection)> checkpoint;
    // The prompt line.
    std::function<void(const char* text)> prompt;
};

struct InsertionResult {
    uint32_t point = 0;        // the new reference point
    uint32_t new_element = 0;  // the second part of a split element (0 for a curve)
};

// Acts on the element at `element` (a record of the projection's element
// chain).  Returns 1 when a point was inserted, 0 when nothing changed
// (a kind that takes no point, no crossing, a crossing on an existing
// point, a curve already at its largest vertex count), -1 on a store
// failure.
int insert_point_into_element(InsertionContext& ctx, RecordRef element, InsertionResult* out);

// The point halfway along the part of the arc {centre form} from `from` to
// `to` in the arc's direction.
Point2 arc_part_midpoint(Point2 centre, Point2 from, Point2 to);
