// Intersections of lines, segments, circles, arcs and arc-piece curves, and
// the horizontal scan lines of point-in-contour tests and hatching.
//
// Every routine returns the number of points written into the caller's
// array (0, 1, 2; up to 4 for two arcs on one circle); only
// intersect_segment_line returns -1 (the lines meet outside the segment).
// Arc geometries are passed as an ArcByCentre block whose third point is the
// centre (kind 3) or the through point (kind 4).
#pragma once
#include "geometry/growing_arrays.h"
#include "geometry/geom_types.h"
#include "geometry/kernel_angles.h"
#include "geometry/tolerance.h"

#include <cstdint>

// An arc geometry of kind 3 or 4 in its normal form: an ArcByCentre with its
// centre corrected so both ends lie on one circle.  Returns 1 for an arc, 0
// when the geometry is no arc (out->start/end then hold its chord).
int arc_normal_form(const ArcByCentre* g, int kind, ArcByCentre* out);

// The segment against the infinite line through p at `angle`: -1 the lines
// meet outside the segment; 0 parallel and distinct; 1 one point; 2 the
// segment lies on the line (out[0], out[1] are its ends).
int16_t intersect_segment_line(const Segment* seg, Point2 p, double angle, Point2 out[2]);
// 0, 1 or 2 (2 only for a collinear overlap: the ends of the common part;
// sets kernel_flags().segments_collinear).
int16_t intersect_segments(const Segment* a, const Segment* b, Point2 out[2]);
// The same with every comparison made at sheet precision (0.01 mm).
int16_t intersect_segments_sheet(const Segment* a, const Segment* b, Point2 out[2]);

// Line semantics, except when p is the centre: then the one point in the
// line's direction (a ray from the centre).
int16_t intersect_line_circle(Point2 p, double angle, Point2 centre, double r, Point2 out[2]);
int16_t intersect_segment_circle_radius(const Segment* seg, Point2 centre, double r, Point2 out[2]);
int16_t intersect_segment_circle(const Segment* seg, const CircleGeom* c, Point2 out[2]);
int16_t intersect_segment_arc(const Segment* seg, const ArcByCentre* arc, int kind, Point2 out[2]);
// Hits of every piece appended to *hits (the caller frees it); returns the
// number of hits of this call.
int intersect_segment_curve(const Segment* seg, const CurveVertex* v, int count, PointArray* hits);

int16_t intersect_circles(Point2 c1, double r1, Point2 c2, double r2, Point2 out[2]);
int16_t intersect_circle_records(const CircleGeom* a, const CircleGeom* b, Point2 out[2]);
void snap_points_to_arc_ends(const ArcByCentre* arc, Point2* points, int count);
int16_t intersect_arc_circle(const ArcByCentre* arc, int kind, const CircleGeom* c, Point2 out[2]);
int16_t intersect_arcs(const ArcByCentre* a, int kind_a, const ArcByCentre* b, int kind_b, Point2 out[4]);
int intersect_arc_curve(const ArcByCentre* arc, int kind, const CurveVertex* v, int count, PointArray* hits);

// Horizontal scan line through p (its y is the line).  End marks: 0 inside a
// piece; -1 at an end of the piece from which it goes on toward larger y;
// +1 toward smaller y.  A line that only touches a circle or an arc (at its
// lowest or highest point, not at an arc end) gives the touching point twice
// with equal marks, so that merged marks sum to -2 or +2 (a touch, no
// crossing).
int16_t scanline_intersect_segment(Point2 p, const Segment* seg, ScanHit out[2]);
int16_t scanline_intersect_circle(Point2 p, const CircleGeom* c, ScanHit out[2]);
int16_t scanline_intersect_arc(Point2 p, const ArcByCentre* arc, int kind, ScanHit out[2]);
int scanline_intersect_curve(Point2 p, const CurveVertex* v, int count, ScanHitArray* hits);

// Vertical scan lines: the horizontal routines on the geometry with x and y
// exchanged.  Hits come back in true coordinates; the end marks then refer
// to x: -1 where the piece goes on toward larger x, +1 toward smaller x.
int16_t vertical_scanline_intersect_segment(Point2 p, const Segment* seg, ScanHit out[2]);
int16_t vertical_scanline_intersect_circle(Point2 p, const CircleGeom* c, ScanHit out[2]);
int16_t vertical_scanline_intersect_arc(Point2 p, const ArcByCentre* arc, int kind, ScanHit out[2]);
