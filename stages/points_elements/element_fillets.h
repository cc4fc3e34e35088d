// Fillets: the rounding of a corner between two elements that end at one
// reference point, by an arc of a given radius tangent to both.  The
// elements are trimmed back to the tangent points; the fillet arc and the
// invisible construction lines from the corner to the new ends are
// generated records (flags bit 9), made again at every full rebuild.
#pragma once
#include <cstdint>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// One side of a corner: a straight line (kind 1) or a circular arc (kind
// 3, its centre and radius) and its direction leaving the corner.
struct FilletSide {
    int kind = 1;
    Point2 corner{};     // the end that lies at the corner
    Point2 direction{};  // unit tangent at the corner, pointing along the element
    Point2 centre{};     // kind 3
    double radius = 0;   // kind 3
};

struct FilletGeometry {
    Point2 centre;     // of the fillet arc
    Point2 tangent_a;  // on side a: its new end
    Point2 tangent_b;
};

// The fillet of radius r between sides a and b: 1 with *out set, 0 when
// the sides are parallel at the corner, an offset fails (r not below an arc
// radius that it must shrink) or the offsets do not meet.  Of two meeting
// points the one nearer the corner is taken.
int fillet_corner(const FilletSide& a, const FilletSide& b, double r, FilletGeometry* out);

// Rounds the corner at reference point `corner_point` of the projection:
// the first two elements of kinds 1, 3 or 4 that end there are trimmed and
// the fillet arc and construction lines are added.  Returns 1 when a
// fillet was made, 0 when none could be (reported by the caller), -1 on a
// store failure.
int fillet_build_at_point(DrawingFile* df, unsigned char* projection, uint32_t corner_point, double radius);

// Every fillet dimension (kind 5) of the projection: its nominal (taken as
// the radius in drawing units) applied at each point linked to it.
// Returns the number of corners that could not be rounded.
int fillets_build(DrawingFile* df, unsigned char* projection);
