// View arithmetic of the projection windows (see projection_view.h).
#include "shell/core/projection_view.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "base/byte_order.h"
#include "geometry/tolerance.h"

// ---------------------------------------------------------------- sketch
double sketch_factor(double on_sketch, double true_distance, int no_sketch) {
    if (no_sketch || compare_doubles(on_sketch, 0.0) == 0 || compare_doubles(true_distance, 0.0) == 0) return 1.0;
    double f = on_sketch / true_distance;
    return std::isfinite(f) && f > 0 ? f : 1.0;
}

double sketch_base_scale(double screen_ppmm, int32_t pixels_per_metre, int no_sketch) {
    if (no_sketch || pixels_per_metre <= 0) return screen_ppmm * 0.5;
    return screen_ppmm / (pixels_per_metre * 0.001);
}

float sketch_area_widen(float origin, float area, float sketch_size) {
    float need = std::fabs(origin) + sketch_size;
    return area < need ? need : area;
}

int sketch_lighten_channel(uint8_t c) {
    return c + static_cast<int>((255 - c) * 2.0 / 3.0);
}

int sketch_reduce(int32_t* w, int32_t* h, int (*can_create)(void*, int32_t, int32_t), void* ctx) {
    for (;;) {
        if (can_create(ctx, *w, *h)) return 1;
        if (*w <= 99 && *h <= 99) return 0;
        int32_t nw = static_cast<int32_t>(*w * 0.95), nh = static_cast<int32_t>(*h * 0.95);
        if (nw < 1) nw = 1;
        if (nh < 1) nh = 1;
        *w = nw;
        *h = nh;
    }
}

void sketch_rotate_pixels(const uint8_t* src, uint8_t* dst, int32_t w, int32_t h, size_t stride,
                          double angle, int lighten, uint8_t bg_r, uint8_t bg_g, uint8_t bg_b) {
    // The destination pixel (x, y) shows the source pixel rotated onto it by
    // -angle about the centre: source = rotation by +angle of the destination.
    double c = std::cos(angle), s = std::sin(angle);
    double cx = w / 2, cy = h / 2;
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = dst + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < w; ++x) {
            double dx = x - cx, dy = y - cy;
            double sx = c * dx - s * dy + cx, sy = s * dx + c * dy + cy;
            long ix = std::lround(sx), iy = std::lround(sy);
            uint8_t* d = row + static_cast<size_t>(x) * 3;
            if (ix < 0 || iy < 0 || ix >= w || iy >= h) {
                d[0] = bg_b;
                d[1] = bg_g;
                d[2] = bg_r;
                continue;
            }
            const uint8_t* p = src + static_cast<size_t>(iy) * stride + static_cast<size_t>(ix) * 3;
            for (int k = 0; k < 3; ++k)
                d[k] = lighten ? static_cast<uint8_t>(sketch_lighten_channel(p[k])) : p[k];
        }
    }
}

// ---------------------------------------------------------------- axes
double view_axis_visible(const ViewAxis* a) {
    return a->scale > 0 ? a->client / a->scale : 0.0;
}

int view_axis_thumb(const ViewAxis* a) {
    double room = a->area - view_axis_visible(a);
    if (!(room > 0)) return 0;
    double t = (a->offset - a->origin) * a->client / room + 0.5;
    if (t < 0) t = 0;
    if (t > a->client) t = a->client;
    return static_cast<int>(t);
}

ScrollBarState view_axis_clamp(ViewAxis* a) {
    ScrollBarState s = {0, 0};
    double visible = view_axis_visible(a);
    double room = a->area - visible;
    if (!std::isfinite(a->offset)) a->offset = a->origin;
    if (!(room > 0)) {
        a->offset = a->origin;
        return s;
    }
    if (a->offset < a->origin) a->offset = a->origin;
    if (a->offset > a->origin + room) a->offset = a->origin + room;
    s.range = static_cast<int>(a->client + 0.5);
    s.thumb = view_axis_thumb(a);
    return s;
}

ScrollBarState view_axis_pan(ViewAxis* a, int delta_px) {
    if (a->scale > 0) a->offset -= delta_px / a->scale;
    return view_axis_clamp(a);
}

ScrollBarState view_axis_scroll(ViewAxis* a, int request, int thumb_position) {
    double visible = view_axis_visible(a);
    double room = a->area - visible;
    switch (request) {
    case scroll_line_up: a->offset -= visible / 10; break;
    case scroll_line_down: a->offset += visible / 10; break;
    case scroll_page_up: a->offset -= visible; break;
    case scroll_page_down: a->offset += visible; break;
    case scroll_thumb:
        if (room > 0 && a->client > 0) a->offset = a->origin + thumb_position * room / a->client;
        break;
    default: break;
    }
    return view_axis_clamp(a);
}

int view_axis_snap(ViewAxis* a, double old_offset, int* pixels) {
    *pixels = 0;
    if (!(a->scale > 0) || !std::isfinite(a->scale) || !std::isfinite(old_offset) || !std::isfinite(a->offset))
        return 0;
    double moved = (old_offset - a->offset) * a->scale;
    double whole = std::floor(moved + 0.5);
    if (moved == 0) return 1;
    if (whole == 0 || !(std::fabs(whole) < a->client)) return 0;
    double low = a->origin, high = a->origin + std::max(0.0, a->area - view_axis_visible(a));
    // The nearest whole step, or the one next to it towards no move when
    // the nearest falls outside the area.
    for (double step : {whole, whole - (whole > 0 ? 1.0 : -1.0)}) {
        if (step == 0) break;
        double offset = old_offset - step / a->scale;
        // A millionth of a pixel is rounding, not a step outside.
        double slack = 1e-6 / a->scale;
        if (offset < low - slack || offset > high + slack) continue;
        a->offset = std::min(std::max(offset, low), high);
        *pixels = static_cast<int>(step);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------- zoom
double zoom_clamp(double z) {
    if (!std::isfinite(z) || compare_doubles(z, 0.0) == 0) return 1.0;
    z = std::fabs(z);
    if (z < zoom_minimum) return zoom_minimum;
    if (z > zoom_maximum) return zoom_maximum;
    return z;
}

double wheel_zoom(double zoom, int delta) {
    if (delta > 360) delta = 360;
    return zoom_clamp(zoom * (1.0 - delta / 480.0));
}

double zoom_keep_offset(double offset, double old_scale, double new_scale, double px) {
    if (!(old_scale > 0) || !(new_scale > 0)) return offset;
    double world = px / old_scale + offset;
    return world - px / new_scale;
}

double fit_axis_factor(double client, double base, double length) {
    if (!(length > 0) || !(base > 0)) return 1.0;
    double f = client / base / length;
    return std::isfinite(f) && f > 0 ? f : 1.0;
}

double fit_axis_offset(double frame_min, double frame_max, double origin) {
    return frame_max - frame_min > 0 ? frame_min : origin;
}

// ---------------------------------------------------------------- placement
Placement placement_toggle(PlacementState* s, Placement current, int minimised, int client_w, int client_h,
                           int* minimise) {
    *minimise = 0;
    Placement target;
    if (s->second) {
        s->alternate = current;
        target = s->normal.w > 0 ? s->normal : current;
        *minimise = s->was_minimised;
        s->second = 0;
        return target;
    }
    s->was_minimised = minimised ? 1 : 0;
    s->normal = current;
    if (s->alternate.w <= 0) {
        s->alternate.x = 0;
        s->alternate.y = 0;
        s->alternate.w = client_w / 2 - 2;
        s->alternate.h = client_h;
    }
    s->second = 1;
    return s->alternate;
}

// ---------------------------------------------------------------- numbering
uint32_t projection_number_next_of(const uint32_t* open, size_t count, uint32_t* counter) {
    uint32_t n = 1;
    for (;;) {
        bool used = false;
        for (size_t i = 0; i < count && !used; ++i) used = open[i] == n;
        if (!used) break;
        ++n;
    }
    if (n >= *counter) {
        ++*counter;
        return *counter;
    }
    return n;
}

void view_default_angles(int type, double* first, double* second) {
    const double pi = 3.14159265358979323846;
    switch (type) {
    case 2: *first = pi / 2; *second = 0; break;
    case 3: *first = pi; *second = pi / 2; break;
    case 4: *first = 0; *second = pi / 2; break;
    case 5: *first = pi / 2; *second = pi; break;
    case 6: *first = -pi / 2; *second = pi / 2; break;
    default: *first = pi / 2; *second = pi / 2; break;
    }
}

static float float_of(double v) {
    if (v > FLT_MAX) return FLT_MAX;
    if (v < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(v);
}

double perspective_update(uint8_t* record) {
    const double pi = 3.14159265358979323846;
    double k = 50.0 / std::tan(pi / 3);
    unsigned distance = get_u16(record, 8);
    double eye = distance == 100 ? static_cast<double>(FLT_MAX) : 2.0 * distance + k;
    double ex = (get_f32(record, 10) - 50.0) * eye / k;
    double ey = (get_f32(record, 14) - 50.0) * eye / k;
    put_f32(record, 18, float_of(ex));
    put_f32(record, 22, float_of(ey));
    put_f32(record, 26, float_of(eye));
    return k;
}
