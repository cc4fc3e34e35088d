// The control distance and the control angle of a projection with a
// sketch: two control points placed on the sketch give the distance that
// scales the sketch background, or the direction that turns it.
//
// ProjectionRecord fields: double +34 the control distance (drawing
// units, 0: none), double +42 the sketch scale (the control points'
// distance on the sketch itself), double +120 the sketch rotation
// (radians); the window's sketch scale is +34 / +42 (1 without them).
#pragma once

#include <string>

#include "stages/points_elements/points.h"

enum : uint32_t {
    projection_control_distance = 34,
    projection_sketch_scale = 42,
    projection_sketch_rotation = 120
};

// The two control points of the projection in chain order (sketch
// positions); false when it has fewer than two.
bool control_points_read(DrawingFile* df, unsigned char* projection, Point2 out[2]);

// The value shown once the second control point is placed: the distance
// between the control points, or (angle) minus the direction of the vector
// from the first to the second.
double control_value_shown(const Point2 points[2], bool angle);

// Applying the control value: the two control points are deleted (numbers
// back to the pool, count 0); then with the distance tool the sketch scale
// becomes their distance divided by the window's sketch scale (*window_scale
// becomes control distance / sketch scale), or 0 and 1.0 without a control
// distance; with the angle tool the sketch rotation turns by -typed_angle
// minus the vector's direction.  Returns 1 when applied, 0 without two
// control points, -1 when they stood on one place ("Контрольные точки
// стояли слишком близко друг от друга", shown through the hooks).
int control_value_apply(PointContext& ctx, bool angle, double typed_angle, double* window_scale);

// A control distance typed in the panel: its absolute value is stored; 0
// clears the control distance and the sketch scale (*window_scale 1.0).
void control_distance_set(unsigned char* projection, double typed, double* window_scale);

// The list of marked points (mark state exactly 0x40) in chain order:
// "point(i) = number" lines, then "npoint = count", each ending in '\n'.
std::string marked_points_list(DrawingFile* df, unsigned char* projection);
// The file name the list is saved under: a name without ".txt" from its
// file-name part on loses its extension (from the last '.') and gets
// ".txt".
std::string marked_points_file_name(const std::string& chosen);
