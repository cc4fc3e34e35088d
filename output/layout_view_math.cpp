// Scrolling, zoom, fit and thumbnail arithmetic of the layout windows.
#include "output/layout_view_math.h"

#include <cmath>

double layout_scroll_apply(int* position, int range, int request, int thumb, int page_step, double minimum,
                           double extent, double page) {
    int p = position ? *position : 0;
    switch (request) {
    case layout_scroll_line_up: p -= 1; break;
    case layout_scroll_line_down: p += 1; break;
    case layout_scroll_page_up: p -= page_step; break;
    case layout_scroll_page_down: p += page_step; break;
    case layout_scroll_thumb_track: p = thumb; break;
    default: break;
    }
    if (range <= 0) {
        // Nothing to scroll: the whole sheet is in view.
        if (position) *position = 0;
        return minimum;
    }
    if (p < 0) p = 0;
    if (p > range) p = range;
    if (position) *position = p;
    double origin = minimum + p * (extent - page) / range;
    if (!(origin >= minimum)) origin = minimum;
    return origin;
}

double layout_wheel_factor(int delta) {
    if (delta > 360) delta = 360;
    if (delta < -360) delta = -360;
    return 1.0 - delta / 480.0;
}

double layout_zoom_limit(double scale) { return scale > layout_zoom_max ? static_cast<double>(layout_zoom_max) : scale; }

double layout_fit_scale(double client_w, double client_h, double base_x, double base_y, double sheet_w,
                        double sheet_h) {
    double dx = base_x * sheet_w, dy = base_y * sheet_h;
    if (!(dx > 0) || !(dy > 0) || !(client_w > 0) || !(client_h > 0)) return 0;
    double s = std::fmin(client_w / dx, client_h / dy);
    return std::isfinite(s) ? s : 0;
}

int layout_thumbnail_height(int list_width) {
    int h = static_cast<int>(list_width * 0.7);
    return h > 1 ? h : 1;
}

int layout_thumbnail_at(int list_width, int y, int scroll, int count) {
    int at = y + scroll;
    if (at < 0 || list_width <= 0) return 0;
    int index = at / layout_thumbnail_height(list_width) + 1;
    return index <= count ? index : 0;
}
