// Curve images: the arc-piece curve records that stand for Bezier splines,
// ellipses, elliptic arcs and wavy lines, and the approximations behind
// them (adaptive de Casteljau splitting, polar sampling of an ellipse or an
// oval of tangent circles, waves of tangent-continuous arcs).
#pragma once
#include "geometry/geom_types.h"

#include <cstddef>
#include <cstdint>

constexpr int bezier_max_vertices = 165;
constexpr int image_buffer_vertices = 56;
constexpr size_t image_buffer_size = 16 + 36 * image_buffer_vertices;  // 2052
constexpr int wavy_max_index = 54;  // a wavy image holds vertices 0..54

// Element record layouts of the sources.
constexpr size_t element_point_numbers_offset = 14;  // u32 each
constexpr size_t element_geometry3_offset = 26;      // kinds 6 and 10: three Point2
constexpr size_t element_geometry5_offset = 34;      // kind 9: five Point2
constexpr size_t element_bezier_offset = 30;         // kind 12: BezierGeom

void bezier_split(const BezierGeom* b, double t, BezierGeom* first, BezierGeom* second);
// For a Bezier whose four points lie on one line: appends its vertices to
// v[0..*count-1] (at most bezier_max_vertices); returns 1.
int bezier_fit_single_arc(const BezierGeom* b, CurveVertex* v, int* count);
// Vertices of the image of a Bezier element (kind 12) into v (room for
// bezier_max_vertices); returns their count.  Vertices lie on the spline;
// piece 0 gets its through point, the others are left for smoothing.
int bezier_to_arc_vertices(const uint8_t* element, CurveVertex* v);

// The image of an ellipse (kind 10) or elliptic arc (kind 9) as a heap
// curve record of image_buffer_size bytes (kernel_free), or null when the
// element gives no image (second point at or beyond the first axis's end,
// more vertices than the record holds, an oval that cannot be joined) or no
// memory is left.
uint8_t* ellipse_to_arc_vertices(const uint8_t* element);
// Cuts the closed image of an ellipse (points in the ellipse's frame, its
// count field holding the index of the last vertex) to the elliptic arc
// whose points 3 (end) and 4 (start) are in arc_points[3], arc_points[4]
// with their numbers in arc_numbers; rho is the larger semi-axis.  The image
// then runs from point 3 to point 4.  Returns the index of its last vertex,
// or 0 when the kept part does not fit the record (the image is then left
// unusable and the caller builds none).
int curve_trim_to_elliptic_arc(const Point2 arc_points[5], const uint32_t arc_numbers[5], uint8_t* image, double rho);

// The image of a wavy line (kind 6) as a heap curve record (kernel_free),
// or null when its waves cannot fit even at 841 sheet millimetres a wave.
uint8_t* wavy_line_to_arc_vertices(const uint8_t* element);

// Build the image of the element with that number in the projection and
// add it to the projection's element chain.  With replace, the old images
// of that number are deleted only once the new image is built; when no
// image can be built, the old ones stay.  Returns the stored image's
// reference, or 0.
uint32_t build_bezier_image(uint8_t* projection, uint32_t number, int replace);
uint32_t build_ellipse_image(uint8_t* projection, uint32_t number, int replace);
uint32_t build_wavy_line_image(uint8_t* projection, uint32_t number, int replace);
