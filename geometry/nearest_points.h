// Nearest points on segments, arcs and element geometry.
#pragma once
#include "geometry/geom_types.h"
#include "geometry/metric.h"

#include <cstdint>

// The distance from p to the segment or arc, with the nearest point on it;
// *count is the number of perpendicular feet found on it (0 when the nearer
// end point is the nearest).
double point_segment_distance(const Segment* seg, Point2 p, int16_t* count, Point2* nearest);
double point_arc_distance(const ArcByCentre* arc, Point2 p, int16_t* count, Point2* nearest);
// kind 1 Segment, 2 CircleGeom, 3 ArcByCentre, 4 ArcByPoints (geometry given
// as its first Point2); other kinds measure 0.
double point_element_distance(int kind, const Point2* geometry, Point2 p, Point2* nearest);
