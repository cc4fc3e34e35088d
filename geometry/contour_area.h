// Areas of closed contours made of segments, arcs, arc-piece curves or one
// circle, and a length-weighted reference point inside them.
#pragma once
#include "geometry/geom_types.h"

#include <cstddef>
#include <cstdint>

// ContourRecord fields used here.
constexpr size_t contour_box_offset = 6;            // four doubles
constexpr size_t contour_area_offset = 46;          // double
constexpr size_t contour_reference_x_offset = 54;   // float, relative to the box minimum
constexpr size_t contour_reference_y_offset = 58;   // float
constexpr size_t contour_member_count_offset = 80;  // i16
constexpr size_t contour_members_offset = 82;       // u32 each

// Per measurement: the reference point and its weight, and where the
// previous piece was left (so that each piece is entered at the end it
// shares with the previous one).
struct ContourAreaState {
    int first;
    double ref_x, ref_y, weight;
    int has_exit;
    Point2 exit;
};

// 1 when the piece p (its first two points), entered at p[0] when that
// equals an end of the previous piece q, else at p[1], runs toward
// non-decreasing x; *reversed = 1 when it is entered at p[1].
int contour_piece_runs_right(const Point2* p, const Point2* q, int16_t* reversed);

// Signed area between the piece and the base line y = 0 (y already relative
// to it): positive for a piece running left, negative running right.  kind
// 1 segment, 3 arc by centre, 4 arc by points (as a chord when no arc).  The
// piece is entered at the state's exit point when it equals one of its ends,
// else as contour_piece_runs_right decides against prev.  Updates the state.
double contour_piece_area(const Point2* g, int kind, const Point2* prev, ContourAreaState* state);

// Measures the contour whose members are listed in `contour` and stores
// the area and reference point into `target` (both contour records).  Takes
// the document lock itself (never call it while painting); with flag set the
// element look-ups answer from the contour's own pieces for the duration.
// A member that cannot be found stores area 0, sets the error flag and
// returns -1; otherwise 0.
int contour_measure_area(uint8_t* projection, uint8_t* target, const uint8_t* contour, int flag);
