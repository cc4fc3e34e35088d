// Fuzz target of the picture routines: the input is a packed DIB (header,
// colour table, rows) followed by a few control bytes, a stored BMP file
// image, or a symbol element record.  Damaged headers and records must be refused or handled within
// their buffers: never a crash, a hang or a read outside the input.
#include "render/images/bmp_pixels.h"
#include "render/images/picture_placement.h"
#include "render/images/raster_pixels.h"
#include "render/output/symbol_catalog.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t selector = data[0];
    std::vector<uint8_t> body(data + 1, data + size);

    if (selector & 1) {
        // A symbol element record.
        uint32_t code = 0;
        double points[4][2];
        const int n = symbol_element_points(body.data(), body.size(), &code, points);
        if (n < 0 || n > 4) __builtin_trap();
        if (n > 0 && code < picture_symbol_first_code &&
            static_cast<uint32_t>(n) < symbol_catalog_entry(code)->point_count)
            __builtin_trap();
        return 0;
    }

    if ((selector & 6) == 6) {
        // A BMP file image: refused, or read into a DIB of its size.
        std::vector<uint8_t> dib;
        int32_t w = 0, h = 0;
        if (bmp_to_dib24(body.data(), body.size(), &dib, &w, &h)) {
            RasterView v;
            if (!raster_view_of_dib(dib.data(), dib.size(), &v) || v.width != w || v.height != h)
                __builtin_trap();
        }
        return 0;
    }

    // A DIB: key pixel and tolerance from the selector, then sampling and a
    // mapped copy into a small raster.
    const int32_t key_x = (selector >> 1) & 7;
    const int32_t key_row = (selector >> 4) & 7;
    uint32_t key = 0;
    const bool cleaned = picture_key_colour_clean(body.data(), body.size(), key_x, key_row,
                                                  selector & 63u, selector >> 7, &key);
    RasterView view;
    if (!raster_view_of_dib(body.data(), body.size(), &view)) {
        if (cleaned) __builtin_trap();
        return 0;
    }
    if (view.width > 4096 || view.height > 4096) return 0;  // keeps each run short
    raster_set_key(&view, pixel_from_colorref(key));
    int found = 0;
    raster_sample(view, view.width / 2.0 + 0.3, view.height / 2.0 - 0.7, &found);
    raster_sample(view, -0.5, view.height - 0.5, &found);

    const int32_t picture_points[3][2] = {{0, 0}, {view.width - 1, 0}, {0, view.height - 1}};
    const double element_points[3][2] = {{3, 3}, {10, 5}, {2, 12}};
    PixelMap map;
    if (picture_symbol_map(picture_points, 3, element_points, 3, 1, 1, &map) == 0)
        __builtin_trap();
    PixelBox box;
    if (!picture_screen_box(map, view.width, view.height, PixelBox{0, 0, 16, 16}, &box)) return 0;
    const int32_t w = box.right - box.left, h = box.bottom - box.top;
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> out(40 + stride * static_cast<size_t>(h), 0);
    out[0] = 40;
    std::memcpy(&out[4], &w, 4);
    std::memcpy(&out[8], &h, 4);
    out[12] = 1;
    out[14] = 24;
    RasterView dst;
    if (!raster_view_of_dib(out.data(), out.size(), &dst)) __builtin_trap();
    dst.origin_x = box.left;
    dst.origin_y = box.top;
    picture_render_mapped(view, map, dst, true);
    return 0;
}
