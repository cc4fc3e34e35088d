// Thumbnails of the conventional images.
#include "render/images/picture_thumbnails.h"

#include <algorithm>
#include <cmath>

#include "base/byte_order.h"
#include "render/images/bmp_image.h"

namespace {

// 3 x 5 glyphs in 5 x 6 cells (column 1, rows 0-4): one row per byte,
// bit 2 the leftmost pixel.
const uint8_t digit_rows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

// Sets pixel (x, y from the top) of a view of `height` rows.
void put(RasterView& v, int32_t x, int32_t y, uint32_t colour) { raster_pixel_set(v, x, v.height - 1 - y, colour); }

}  // namespace

void thumbnail_digits(RasterView& view, uint32_t value, int32_t x, int32_t y, uint32_t colour) {
    do {
        const uint8_t* rows = digit_rows[value % 10];
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                if (rows[r] & (4 >> c)) put(view, x + 1 + c, y + r, colour);
        value /= 10;
        x -= 4;
    } while (value && x > -5);
}

std::vector<uint8_t> picture_thumbnail(LoadedImage* image) {
    RasterView src;
    if (!image || image->width <= 0 || image->height <= 0 || !loaded_image_view(image, &src)) return {};
    const size_t stride = bmp_row_stride(thumbnail_size, 3);
    std::vector<uint8_t> dib(bmp_info_header_size + stride * thumbnail_size, 0xFF);
    std::fill(dib.begin(), dib.begin() + bmp_info_header_size, 0);
    put_u32(dib.data(), 0, bmp_info_header_size);
    put_i32(dib.data(), 4, thumbnail_size);
    put_i32(dib.data(), 8, thumbnail_size);
    put_u16(dib.data(), 12, 1);
    put_u16(dib.data(), 14, 24);
    RasterView out;
    raster_view_of_dib(dib.data(), dib.size(), &out);
    const double ratio = static_cast<double>(image->width) / image->height;
    const int32_t tw = std::max<int32_t>(1, ratio > 1 ? 30 : static_cast<int32_t>(30 * ratio));
    const int32_t th = std::max<int32_t>(1, ratio > 1 ? static_cast<int32_t>(30 / ratio) : 30);
    const int32_t x0 = 16 - tw / 2, y0 = 16 - th / 2;
    const bool transparent = (image->flags & loaded_flag_transparent) != 0;
    const uint32_t key = raster_key(src);
    for (int32_t y = 0; y < th; ++y)
        for (int32_t x = 0; x < tw; ++x) {
            const int32_t sx = std::min(image->width - 1, static_cast<int32_t>(static_cast<int64_t>(x) * image->width / tw));
            const int32_t sy = std::min(image->height - 1, static_cast<int32_t>(static_cast<int64_t>(y) * image->height / th));
            const int32_t c = raster_pixel_get(src, sx, image->height - 1 - sy);
            if (c < 0 || (transparent && static_cast<uint32_t>(c) == key)) continue;
            put(out, x0 + x, y0 + y, static_cast<uint32_t>(c));
        }
    for (int32_t i = 0; i < thumbnail_size; ++i) {
        put(out, i, 0, 0), put(out, i, thumbnail_size - 1, 0);
        put(out, 0, i, 0), put(out, thumbnail_size - 1, i, 0);
    }
    for (int p = 0; p < image->point_count && p < 4; ++p) {
        const int32_t px = x0 + static_cast<int32_t>(static_cast<int64_t>(image->points[p][0]) * tw / image->width);
        const int32_t py = y0 + static_cast<int32_t>(static_cast<int64_t>(image->points[p][1]) * th / image->height);
        for (int d = -1; d <= 1; ++d) put(out, px + d, py, 0xFF0000), put(out, px, py + d, 0xFF0000);
    }
    thumbnail_digits(out, image->id, 25, 27, 0x000000);
    return dib;
}
