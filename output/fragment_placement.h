// Placement of an inserted fragment: the affine matrix that carries the
// fragment's binding points onto the chosen points of the target
// projection, and the decisions around it (whether the user must confirm
// an insertion that turns or mirrors dimensions bound to a direction).
#pragma once
#include <cstdint>

#include "geometry/geom_types.h"

struct FragmentPlacementInput {
    int source_count = 0;        // binding points of the fragment, 0..3
    int target_count = 0;        // binding points chosen in the target, 0..3
    Point2 source[3] = {};       // s1, s2, s3
    Point2 target[3] = {};       // t1, t2, t3
    double source_scale = 1.0;   // the two projections' scales (stored values)
    double target_scale = 1.0;
    bool both_directed = false;  // both projections have bit 12 of their flags word
    bool without_dimensions = false;
    bool user_parameters = false;  // scale, angle and mirror given by the user
    double user_scale = 1.0;
    double user_angle = 0.0;       // radians
    bool user_mirror = false;
};

struct FragmentPlacement {
    AffineMatrix matrix = {};
    double a1 = 0.0;       // source angle
    double a2 = 0.0;       // target angle
    double k = 1.0;        // scale
    int mirror = 1;        // -1: the copy is mirrored
    bool scale_from_points = false;  // k came from two binding points
};

enum {
    placement_done = 0,
    placement_ask_points = 1,  // two or three points but dimensions keep their directions: ask
};

// A projection scale as the placement uses it: at most 2500, 0 counts as 1.
double fragment_scale_limited(double scale);

// Computes the placement.  With two or three target points where the
// points cannot set the angle and scale (not both projections directed and
// insertion with dimensions) it returns placement_ask_points unless
// `points_confirmed` is set, in which case it goes on as with one point.
int fragment_placement_compute(const FragmentPlacementInput& in, bool points_confirmed, FragmentPlacement* out);

// Whether the copy turns by other than a multiple of a half turn, or is
// mirrored: then dimensions bound to a direction change their meaning.
bool fragment_placement_turns(const FragmentPlacement& p);

// Whether a dimension record keeps a direction of its own that a turned or
// mirrored copy would change: kinds 0 and 6, or 2 without bit 2 of its value
// word, whose direction mode (bits 5-7 of the kind word) is not 2, 3 or 4.
bool fragment_dimension_keeps_direction(const uint8_t* dimension);
