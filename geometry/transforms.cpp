// Affine transforms and the model/pixel mapping of a projection window.
#include "geometry/transforms.h"

#include <cmath>

#include "geometry/tolerance.h"

namespace {

// A rounded double as an int32, kept within the int32 range.
int32_t to_int32_saturated(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 2147483647.0) {
        return INT32_MAX;
    }
    if (v <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(v);
}

}  // namespace

int32_t clamp_to_pixel(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v > pixel_coordinate_limit) {
        v = pixel_coordinate_limit;
    } else if (v < -pixel_coordinate_limit) {
        v = -pixel_coordinate_limit;
    }
    return static_cast<int32_t>(v);
}

void affine_apply(Point2* out, const AffineMatrix* m, double x, double y) {
    double nx = m->m0 * x + m->m2 * y + m->m4;
    double ny = m->m1 * x + m->m3 * y + m->m5;
    out->x = nx;
    out->y = ny;
}

void affine_apply_float(PointF* out, const AffineMatrix* m, float x, float y) {
    Point2 p;
    affine_apply(&p, m, x, y);
    out->x = static_cast<float>(p.x);
    out->y = static_cast<float>(p.y);
}

void affine_apply_int(PointI* out, const AffineMatrix* m, int32_t x, int32_t y) {
    Point2 p;
    affine_apply(&p, m, x, y);
    out->x = to_int32_saturated(round_to_decimals(p.x, 0));
    out->y = to_int32_saturated(round_to_decimals(p.y, 0));
}

AffineMatrix* affine_rotation_about_point(AffineMatrix* out, double cx, double cy, double angle) {
    double c = std::cos(angle);
    double s = std::sin(angle);
    out->m0 = c;
    out->m1 = s;
    out->m2 = -s;
    out->m3 = c;
    out->m4 = (1.0 - c) * cx + s * cy;
    out->m5 = cy - (s * cx + c * cy);
    out->reserved = 0;
    return out;
}

void rotate_pixel_points(const ViewTransform* view, int32_t cx, int32_t cy, double angle,
                         PointI* points, int count) {
    // g makes the rotation true in model units on a device whose x and y
    // scales differ; a window without a usable scale rotates plainly.
    double g = view->scale.x / view->scale.y;
    if (!std::isfinite(g) || g == 0.0) {
        g = 1.0;
    }
    double c = std::cos(angle);
    double s = std::sin(angle);
    double x0 = cx;
    double y0 = cy;
    AffineMatrix m;
    m.m0 = c;
    m.m1 = s / g;
    m.m2 = -s * g;
    m.m3 = c;
    m.m4 = x0 + s * g * y0 - c * x0;
    m.m5 = y0 - (s / g * x0 + c * y0);
    m.reserved = 0;
    for (int i = 0; i < count; ++i) {
        affine_apply_int(&points[i], &m, points[i].x, points[i].y);
    }
}

int32_t view_x_to_pixel(const ViewTransform* view, double x) {
    double offset = view->view_offset.x;
    double shift = view->scroll_shift.x;
    return clamp_to_pixel((x - offset + shift) * view->scale.x + 0.5);
}

int32_t view_y_to_pixel(const ViewTransform* view, double y) {
    double offset = view->view_offset.y;
    double shift = view->scroll_shift.y;
    return clamp_to_pixel((y - offset + shift) * view->scale.y + 0.5);
}

void view_pixel_to_point(const ViewTransform* view, int32_t px, int32_t py, Point2* out) {
    double ox = view->view_offset.x;
    double oy = view->view_offset.y;
    double sx = view->scroll_shift.x;
    double sy = view->scroll_shift.y;
    out->x = ox - sx + px / view->scale.x;
    out->y = oy - sy + py / view->scale.y;
}

double view_length_to_pixels_rounded(const ViewTransform* view, double length) {
    double v = length * view->scale.x;
    if (v >= 2147483647.0) {
        return v;
    }
    if (v > 0.0) {
        return std::trunc(v + 0.5);
    }
    if (v < 0.0) {
        return std::trunc(v - 0.5);
    }
    return 0.0;
}

double view_length_to_pixels_x(const ViewTransform* view, float length) {
    return length * view->scale.x;
}

double view_length_to_pixels_y(const ViewTransform* view, float length) {
    return length * view->scale.y;
}

double view_length_to_pixels_axis(int axis, const ViewTransform* view, float length) {
    return axis != 0 ? view_length_to_pixels_y(view, length) : view_length_to_pixels_x(view, length);
}

double view_pixels_to_length_x(const ViewTransform* view, float pixels) {
    return pixels / view->scale.x;
}

double view_pixels_to_length_y(const ViewTransform* view, float pixels) {
    return pixels / view->scale.y;
}

double view_pixels_to_length_axis(int axis, const ViewTransform* view, float pixels) {
    return axis != 0 ? view_pixels_to_length_y(view, pixels) : view_pixels_to_length_x(view, pixels);
}
