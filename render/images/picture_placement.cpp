// Placement of a picture symbol by 1 to 3 reference points.
#include "render/images/picture_placement.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double degenerate = 1e-9;

// The linear part taking the orthonormal frame (u, rot u) onto (s v, t rot v),
// u and v unit vectors; rot turns by +90 degrees in pixel coordinates.
void frame_map(double ux, double uy, double vx, double vy, double s, double t, PixelMap* m) {
    // M = [s v | t rot v] * [u | rot u]^T, rot(x, y) = (-y, x)
    const double nux = -uy, nuy = ux, nvx = -vy, nvy = vx;
    m->a = s * vx * ux + t * nvx * nux;
    m->b = s * vx * uy + t * nvx * nuy;
    m->d = s * vy * ux + t * nvy * nux;
    m->e = s * vy * uy + t * nvy * nuy;
}

}  // namespace

void pixel_map_apply(const PixelMap& m, double x, double y, double* out_x, double* out_y) {
    *out_x = m.a * x + m.b * y + m.c;
    *out_y = m.d * x + m.e * y + m.f;
}

bool pixel_map_invert(const PixelMap& m, PixelMap* out) {
    const double det = m.a * m.e - m.b * m.d;
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
    PixelMap r;
    r.a = m.e / det;
    r.b = -m.b / det;
    r.d = -m.d / det;
    r.e = m.a / det;
    r.c = -(r.a * m.c + r.b * m.f);
    r.f = -(r.d * m.c + r.e * m.f);
    *out = r;
    return true;
}

int picture_symbol_map(const int32_t pp[][2], int picture_count, const double ep[][2],
                       int element_count, double kx, double ky, PixelMap* out) {
    int n = std::min(std::min(picture_count, element_count), 3);
    if (n < 1) return 0;
    PixelMap m;
    double ux = 0, uy = 0, ul = 0, vx = 0, vy = 0, vl = 0;
    if (n >= 2) {
        ux = static_cast<double>(pp[1][0]) - pp[0][0];
        uy = static_cast<double>(pp[1][1]) - pp[0][1];
        vx = ep[1][0] - ep[0][0];
        vy = ep[1][1] - ep[0][1];
        ul = std::hypot(ux, uy);
        vl = std::hypot(vx, vy);
        if (ul < degenerate || vl < degenerate || !std::isfinite(vl)) n = 1;
    }
    double across = 0;
    if (n == 3) {
        ux /= ul, uy /= ul;
        const double hp = ux * (static_cast<double>(pp[2][1]) - pp[0][1]) -
                          uy * (static_cast<double>(pp[2][0]) - pp[0][0]);
        const double he = (vx / vl) * (ep[2][1] - ep[0][1]) - (vy / vl) * (ep[2][0] - ep[0][0]);
        if (std::fabs(hp) < degenerate || std::fabs(he) < degenerate || !std::isfinite(he)) {
            n = 2;
            ux *= ul, uy *= ul;
        } else {
            across = he / hp;
            ux *= ul, uy *= ul;
        }
    }
    if (n == 1) {
        m.a = kx, m.b = 0, m.d = 0, m.e = ky;
    } else {
        const double s = vl / ul;
        frame_map(ux / ul, uy / ul, vx / vl, vy / vl, s, n == 3 ? across : s, &m);
    }
    m.c = ep[0][0] - (m.a * pp[0][0] + m.b * pp[0][1]);
    m.f = ep[0][1] - (m.d * pp[0][0] + m.e * pp[0][1]);
    *out = m;
    return n;
}

bool picture_screen_box(const PixelMap& map, int32_t width, int32_t height, const PixelBox& clip,
                        PixelBox* out) {
    if (width <= 0 || height <= 0) return false;
    // The picture covers pixel squares from -0.5 to width - 0.5 around the
    // pixel centres.
    const double cx[2] = {-0.5, width - 0.5}, cy[2] = {-0.5, height - 0.5};
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (double x : cx)
        for (double y : cy) {
            double sx, sy;
            pixel_map_apply(map, x, y, &sx, &sy);
            x0 = std::min(x0, sx), x1 = std::max(x1, sx);
            y0 = std::min(y0, sy), y1 = std::max(y1, sy);
        }
    if (!(std::isfinite(x0) && std::isfinite(x1) && std::isfinite(y0) && std::isfinite(y1)))
        return false;
    const double l = std::max(std::floor(x0 + 0.5), static_cast<double>(clip.left));
    const double t = std::max(std::floor(y0 + 0.5), static_cast<double>(clip.top));
    const double r = std::min(std::floor(x1 + 0.5), static_cast<double>(clip.right));
    const double b = std::min(std::floor(y1 + 0.5), static_cast<double>(clip.bottom));
    if (l >= r || t >= b) return false;
    out->left = static_cast<int32_t>(l);
    out->top = static_cast<int32_t>(t);
    out->right = static_cast<int32_t>(r);
    out->bottom = static_cast<int32_t>(b);
    return true;
}

void picture_render_mapped(const RasterView& src, const PixelMap& map, RasterView& dst,
                           bool top_down) {
    PixelMap inv;
    const uint32_t key = raster_key(dst);
    const bool invertible = pixel_map_invert(map, &inv);
    for (int32_t row = 0; row < dst.height; ++row) {
        const int32_t screen_y = dst.origin_y + (top_down ? row : dst.height - 1 - row);
        for (int32_t col = 0; col < dst.width; ++col) {
            uint32_t colour = key;
            if (invertible) {
                double px, py;
                pixel_map_apply(inv, dst.origin_x + col, screen_y, &px, &py);
                int found = 0;
                // Picture y counts from the top; the raster's rows from the bottom.
                const uint32_t c = raster_sample(src, px, src.height - 1 - py, &found);
                if (found) colour = c;
            }
            raster_pixel_set(dst, col, row, colour);
        }
    }
}
