// Pixel access and sampling on 24-bit device-independent bitmaps.
#include "render/images/raster_pixels.h"

#include <cmath>

#include "base/byte_order.h"
#include "render/images/bmp_image.h"

namespace {

// Distances up to this count as a hit on the pixel itself.
constexpr double standing_tolerance = 1e-9;

uint8_t* pixel_at(const RasterView& view, int32_t x, int32_t y) {
    return view.bottom + static_cast<ptrdiff_t>(y) * view.stride + static_cast<ptrdiff_t>(x) * 3;
}

uint32_t read_pixel(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16;
}

}  // namespace

bool raster_view_of_dib(uint8_t* dib, size_t available, RasterView* view) {
    *view = RasterView{};
    DibLayout layout;
    if (dib_layout(dib, available, &layout) != 0) return false;
    if (get_u16(dib, 14) != 24 || get_u32(dib, 16) != 0) return false;
    const int32_t width = get_i32(dib, 4);
    const int32_t height = get_i32(dib, 8);
    const int32_t rows = height < 0 ? -height : height;
    uint8_t* first = dib + (layout.pixel_offset - bmp_file_header_size);
    view->width = width;
    view->height = rows;
    if (height > 0) {
        view->bottom = first;
        view->stride = static_cast<ptrdiff_t>(layout.row_stride);
    } else {
        view->bottom = first + static_cast<ptrdiff_t>(rows - 1) * layout.row_stride;
        view->stride = -static_cast<ptrdiff_t>(layout.row_stride);
    }
    return true;
}

uint32_t raster_key(const RasterView& view) { return read_pixel(view.key); }

void raster_set_key(RasterView* view, uint32_t colour) {
    view->key[0] = static_cast<uint8_t>(colour);
    view->key[1] = static_cast<uint8_t>(colour >> 8);
    view->key[2] = static_cast<uint8_t>(colour >> 16);
}

int32_t raster_pixel_get(const RasterView& view, int32_t x, int32_t y) {
    if (!view.bottom || x < 0 || y < 0 || x >= view.width || y >= view.height) return -1;
    return static_cast<int32_t>(read_pixel(pixel_at(view, x, y)));
}

int raster_pixel_set(RasterView& view, int32_t x, int32_t y, uint32_t colour) {
    if (!view.bottom || x < 0 || y < 0 || x >= view.width || y >= view.height) return 0;
    uint8_t* p = pixel_at(view, x, y);
    p[0] = static_cast<uint8_t>(colour);
    p[1] = static_cast<uint8_t>(colour >> 8);
    p[2] = static_cast<uint8_t>(colour >> 16);
    return 1;
}

int raster_pixel_set_offset(RasterView& view, int32_t x, int32_t y, uint32_t colour) {
    const int64_t rx = static_cast<int64_t>(x) - view.origin_x;
    const int64_t ry = static_cast<int64_t>(y) - view.origin_y;
    if (rx < 0 || ry < 0 || rx >= view.width || ry >= view.height) return 0;
    return raster_pixel_set(view, static_cast<int32_t>(rx), static_cast<int32_t>(ry), colour);
}

uint32_t sample_weighted(const uint32_t* colours, const double* distances, int count) {
    if (count <= 0) return 0;
    if (count > 4) count = 4;
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        if (distances[i] <= standing_tolerance) return colours[i] & 0xFFFFFFu;
        sum += 1.0 / distances[i];
    }
    double channel[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const double w = (1.0 / distances[i]) / sum;
        for (int c = 0; c < 3; ++c) channel[c] += w * ((colours[i] >> (8 * c)) & 0xFF);
    }
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        // A hair above the sum keeps a mix of equal weights (1/3 each) from
        // truncating just below a whole value.
        double v = channel[c] + 1e-6;
        if (v > 255) v = 255;  // rounding of the weights never lifts a channel past 255
        if (v < 0) v = 0;
        out |= static_cast<uint32_t>(v) << (8 * c);
    }
    return out;
}

uint32_t raster_sample(const RasterView& view, double x, double y, int* found) {
    if (found) *found = 0;
    const uint32_t key = raster_key(view);
    if (!(std::isfinite(x) && std::isfinite(y)) || x < -2.0 || y < -2.0 ||
        x > static_cast<double>(view.width) + 1.0 || y > static_cast<double>(view.height) + 1.0)
        return key;
    const int32_t fx = static_cast<int32_t>(std::floor(x));
    const int32_t fy = static_cast<int32_t>(std::floor(y));
    static const int step[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    uint32_t colours[4];
    double distances[4];
    int kept = 0;
    for (const auto& s : step) {
        const int32_t px = fx + s[0], py = fy + s[1];
        const int32_t c = raster_pixel_get(view, px, py);
        if (c < 0 || static_cast<uint32_t>(c) == key) continue;
        colours[kept] = static_cast<uint32_t>(c);
        distances[kept] = std::hypot(x - px, y - py);
        ++kept;
    }
    if (kept < 2) return key;
    if (found) *found = 1;
    return sample_weighted(colours, distances, kept);
}

bool picture_key_colour_clean(uint8_t* dib, size_t available, int32_t key_x, int32_t key_row,
                              unsigned tolerance, int mode, uint32_t* key_colorref) {
    RasterView view;
    if (!raster_view_of_dib(dib, available, &view)) return false;
    const int32_t key_colour = raster_pixel_get(view, key_x, key_row);
    if (key_colour < 0) return false;
    const uint32_t key = static_cast<uint32_t>(key_colour);
    const int kb = key & 0xFF, kg = (key >> 8) & 0xFF, kr = (key >> 16) & 0xFF;
    const int t = static_cast<int>(tolerance & 63u);
    if (t > 0) {
        for (int32_t y = 0; y < view.height; ++y) {
            for (int32_t x = 0; x < view.width; ++x) {
                uint8_t* p = pixel_at(view, x, y);
                const int db = p[0] - kb, dg = p[1] - kg, dr = p[2] - kr;
                bool snap;
                if (mode == 1) {
                    snap = std::abs(db) <= t && std::abs(dg) <= t && std::abs(dr) <= t;
                } else {
                    // The same step on every channel, 1 .. t-1 up or down.
                    snap = db == dg && dg == dr && db != 0 && std::abs(db) <= t - 1;
                }
                if (snap) {
                    p[0] = static_cast<uint8_t>(kb);
                    p[1] = static_cast<uint8_t>(kg);
                    p[2] = static_cast<uint8_t>(kr);
                }
            }
        }
    }
    if (key_colorref) *key_colorref = colorref_from_pixel(key);
    return true;
}

uint32_t colorref_from_pixel(uint32_t colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

uint32_t pixel_from_colorref(uint32_t colorref) { return colorref_from_pixel(colorref & 0xFFFFFFu); }
