// Distances, angles and arcs: the metric layer of the kernel.  Nearest
// points are in nearest_points.h, boxes in extents.h.
//
// All equality tests go through compare_doubles at the tolerance in force.
// Arcs of kind 3 (ArcByCentre) run from start to end in the direction of
// decreasing atan2 angle about the centre; arcs of kind 4 (ArcByPoints) pass
// through their third point.  Routines that accept "an arc of kind 3 or 4"
// take an ArcByCentre whose third point is the centre (kind 3) or the through
// point (kind 4): the two layouts are the same three points.
#pragma once
#include "geometry/geom_types.h"
#include "geometry/kernel_angles.h"
#include "geometry/tolerance.h"

#include <cstdint>

enum { SINE_TABLE_SIZE = 360 };
// Quarter wave: entry i = sin(i * (pi/2) / 359), 13 decimals (generated data).
extern const double sine_table[SINE_TABLE_SIZE];

// Table sine and cosine with linear interpolation; 0 for a non-finite angle.
double sine_from_table(double a);
double cosine_from_table(double a);

// Sweep travelled from start to end in decreasing angle, in [0, two_pi);
// two_pi when start and end are points_equal.
double arc_sweep_angle(const ArcByCentre* arc);

// Centre of the circle through start, through and end.  Returns 0 when the
// points make no arc (collinear, too close for their size, or too flat to
// show at the curve tolerance), +1 when start->through->end runs with
// increasing angle, -1 with decreasing angle.  Runs at the fine tolerance and
// restores the caller's tolerance.
int16_t arc_center_from_three_points(const ArcByPoints* arc, Point2* centre);

// Turns an arc geometry of kind 4 into its ArcByCentre form.  Returns 1 with
// *out set (start and end exchanged for a +1 turn), or 0 when it is no arc
// (then *out holds start and end and its centre is unset).
int arc_by_points_to_centre(const ArcByPoints* arc, ArcByCentre* out);

double point_distance(Point2 a, Point2 b);
double float_point_distance_squared(PointF a, PointF b);
double point_line_distance(const Segment* seg, Point2 p);
double point_arc_radial_distance(const ArcByCentre* arc, Point2 p);

void correct_arc_center(ArcByCentre* arc);
void sort_points_on_arc(const ArcByCentre* arc, Point2* points, int count);
int16_t arc_filter_points(const ArcByCentre* arc, Point2* points, int count);
double arc_mid_angle(const ArcByCentre* arc);
void arc_midpoint(const ArcByCentre* arc, Point2* out);
void arc_divide(const ArcByCentre* arc, Point2* out, int n);

int16_t segment_extend(int start_flag, int end_flag, Segment* seg, double len);
int16_t arc_extend(int start_flag, int end_flag, ArcByCentre* arc, double len);

// The curve tolerance: 0.0025 sheet millimetres (0.015 in the drawing's
// coarse setting) in model units of the current drawing.
double curve_tolerance();
