// Bars along a closed contour (an allowance around an outline): the
// contour's members are marked for the bar dialog; once the bars exist, the
// cap pieces that fall inside the contour are hidden and, where the outer
// caps of two bars meet at a corner of the contour, both caps give way to
// an arc about that corner.
#pragma once
#include <cstdint>
#include <set>
#include <vector>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// The shape of a contour kept apart from the contour search: its member
// element numbers and its boundary as straight edges (arcs and circles
// divided finely enough for an inside test of points well off the line).
struct ContourOutline {
    std::vector<uint32_t> members;
    std::vector<Segment> edges;
};

// Adds one boundary element (kinds 1 segment, 2 circle, 3 arc with centre,
// 4 arc through three points) to the outline's edges; false for another
// kind.
bool contour_outline_add_element(ContourOutline* outline, const unsigned char* element);

// Copies a contour found around a point into an outline: a stored contour
// through its member elements, one the search did not store through the
// pieces of the search's list (their geometry, and the numbers of the
// elements they were cut from).  False when it has no member or no usable
// edge.
bool contour_outline_capture(DrawingFile* df, unsigned char* projection, const unsigned char* contour,
                             ContourOutline* out);

// Even-odd test of a point against the outline's edges; a point on an
// edge is inside.
bool contour_outline_contains(const ContourOutline& outline, Point2 p);

// Clears every mark of the projection, then marks every record of each
// member whose line type is not 15 and whose options have neither bit 9
// nor bit 10.  Returns the member numbers marked.
int bars_contour_mark_members(DrawingFile* df, unsigned char* projection, const ContourOutline& outline);

// The centre element numbers of the projection's bars.
std::set<uint32_t> bar_centre_elements(DrawingFile* df, unsigned char* projection);

// After the bar dialog made bars on the members: for each new bar (centre
// a member, not in centres_before), every cap slot (not the two sides)
// whose piece's middle lies inside the outline loses its line type; then
// each visible outer cap that meets a visible cap of another new bar at the
// same contour point gives way, with it, to an arc (kind 3) about that
// point, running the shorter way between the caps' outer ends on the bars'
// corner points.  The outlines are rebuilt and the marks cleared.  Returns
// the number of arcs added, -1 on a store failure.
int bars_contour_finish(DrawingFile* df, unsigned char* projection, const ContourOutline& outline,
                        const std::set<uint32_t>& centres_before);
