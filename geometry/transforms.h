// Affine transforms of points and the mapping between model coordinates and
// the pixels of a projection window.
//
// Model y and pixel rows grow the same way: the mapping has no flip.
// Vocabulary of the view transform (the same fields appear elsewhere as
// "origin" and "offset"):
//   view offset  - the model point shown at the client's left and top edge;
//   scroll shift - an extra shift of the transform, 0 when a window opens;
//   scale        - pixels per model unit along x and y (they differ when the
//                  sketch's or the device's pixels are not square).
//   pixel = (coordinate - view offset + scroll shift) * scale
#pragma once

#include <cstdint>

#include "geometry/geom_types.h"

struct ViewScale {
    double x;
    double y;
};

// The transform fields that a projection window record carries.
struct ViewTransform {
    PointF view_offset;
    PointF scroll_shift;
    ViewScale scale;
};

// Pixel coordinates handed to the drawing device are kept within +-2^27,
// which the device handles; farther points are clamped to the limit.
constexpr double pixel_coordinate_limit = 134217728.0;

// v truncated toward zero to an int32 pixel coordinate, clamped to
// +-pixel_coordinate_limit; NaN gives 0. Use it wherever a double pixel value
// (for example the result of view_length_to_pixels_rounded) becomes an int.
int32_t clamp_to_pixel(double v);

// out = (m0*x + m2*y + m4, m1*x + m3*y + m5).
void affine_apply(Point2* out, const AffineMatrix* m, double x, double y);

// The same, computed in double and stored as floats.
void affine_apply_float(PointF* out, const AffineMatrix* m, float x, float y);

// The same for int points; each coordinate is rounded half away from zero
// and kept within the int32 range.
void affine_apply_int(PointI* out, const AffineMatrix* m, int32_t x, int32_t y);

// Rotation by angle (from +x toward +y) about (cx, cy); reserved field 0.
// Returns out.
AffineMatrix* affine_rotation_about_point(AffineMatrix* out, double cx, double cy, double angle);

// Rotates count pixel points in place about the pixel (cx, cy) as the model
// rotation by angle appears on the screen, true in model units also when the
// x and y scales differ.
void rotate_pixel_points(const ViewTransform* view, int32_t cx, int32_t cy, double angle,
                         PointI* points, int count);

// Pixel column of model x: trunc((x - offset.x + shift.x) * scale.x + 0.5),
// clamped as clamp_to_pixel.
int32_t view_x_to_pixel(const ViewTransform* view, double x);

// Pixel row of model y, likewise.
int32_t view_y_to_pixel(const ViewTransform* view, double y);

// Model point of a pixel, the exact inverse without rounding:
// offset - shift + pixel / scale.
void view_pixel_to_point(const ViewTransform* view, int32_t px, int32_t py, Point2* out);

// length * scale.x rounded half away from zero to a whole number, returned as
// a double. From 2147483647 on the product is returned unrounded, so the
// result may lie outside the int32 range: convert it with clamp_to_pixel.
double view_length_to_pixels_rounded(const ViewTransform* view, double length);

// length * scale.x, unrounded.
double view_length_to_pixels_x(const ViewTransform* view, float length);

// length * scale.y, unrounded.
double view_length_to_pixels_y(const ViewTransform* view, float length);

// The _y form when axis is non-zero, else the _x form.
double view_length_to_pixels_axis(int axis, const ViewTransform* view, float length);

// pixels / scale.x.
double view_pixels_to_length_x(const ViewTransform* view, float pixels);

// pixels / scale.y.
double view_pixels_to_length_y(const ViewTransform* view, float pixels);

// The _y form when axis is non-zero, else the _x form.
double view_pixels_to_length_axis(int axis, const ViewTransform* view, float pixels);
