// The projection transformation of the point properties: scaling along X
// and Y, turning and mirroring every point and every element of a
// projection about one point.
#pragma once

#include "stages/points_elements/points.h"

// A typed scale: its absolute value, 0 (or no number) taken as 1.
double transform_scale_typed(double typed);

// Maps every point (sketch and true positions) and every element's stored
// coordinates of ctx's projection by the turn by -angle, the scales and the
// mirror factor (1 or -1) about the pivot's sketch position, which keeps
// its place; a mirrored arc with centre and elliptic arc swap their ends so
// that they keep their direction.  Nothing happens for the identity.
// Returns the points mapped, 0 for the identity, -1 when the pivot is gone.
int transform_projection(PointContext& ctx, uint32_t pivot, double scale_x, double scale_y, double angle,
                         double mirror);
