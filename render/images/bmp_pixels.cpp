// BMP file images read into 24-bit bottom-up DIBs.
#include "render/images/bmp_pixels.h"

#include <new>

#include "base/byte_order.h"
#include "render/images/bmp_image.h"

namespace {

// Pictures above this many pixels are refused as too large (a 24-bit copy
// of 64 million pixels is 192 MB).
constexpr uint64_t max_picture_pixels = 64ull * 1024 * 1024;

uint32_t palette_colour(const uint8_t* palette, uint32_t entries, uint32_t index) {
    if (index >= entries) return 0;
    const uint8_t* p = palette + 4 * index;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
}

}  // namespace

bool bmp_to_dib24(const uint8_t* bmp, size_t length, std::vector<uint8_t>* dib, int32_t* width,
                  int32_t* height) {
    if (!bmp || length < bmp_file_header_size + bmp_info_header_size || bmp[0] != 'B' || bmp[1] != 'M')
        return false;
    const uint8_t* info = bmp + bmp_file_header_size;
    DibLayout layout;
    if (dib_layout(info, length - bmp_file_header_size, &layout) != 0) return false;
    const int32_t w = get_i32(info, 4), h_signed = get_i32(info, 8);
    const unsigned bits = get_u16(info, 14);
    const uint32_t compression = get_u32(info, 16);
    if (compression != 0 || !(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32)) return false;
    const bool top_down = h_signed < 0;
    const int32_t h = top_down ? -h_signed : h_signed;
    if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > max_picture_pixels) return false;
    const uint8_t* palette = info + layout.header_size + layout.mask_bytes;
    const uint8_t* rows = bmp + layout.pixel_offset;
    const size_t out_stride = bmp_row_stride(static_cast<uint32_t>(w), 3);
    try {
        dib->assign(bmp_info_header_size + out_stride * static_cast<size_t>(h), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint8_t* out = dib->data();
    put_u32(out, 0, bmp_info_header_size);
    put_i32(out, 4, w);
    put_i32(out, 8, h);
    put_u16(out, 12, 1);
    put_u16(out, 14, 24);
    put_u32(out, 20, static_cast<uint32_t>(out_stride * static_cast<size_t>(h)));
    for (int32_t k = 0; k < h; ++k) {
        // Row k of the output is the k-th row from the bottom.
        const uint8_t* src = rows + static_cast<size_t>(top_down ? h - 1 - k : k) * layout.row_stride;
        uint8_t* dst = out + bmp_info_header_size + static_cast<size_t>(k) * out_stride;
        for (int32_t x = 0; x < w; ++x) {
            uint32_t c;
            switch (bits) {
            case 24: c = src[3 * x] | (src[3 * x + 1] << 8) | (static_cast<uint32_t>(src[3 * x + 2]) << 16); break;
            case 32: c = src[4 * x] | (src[4 * x + 1] << 8) | (static_cast<uint32_t>(src[4 * x + 2]) << 16); break;
            case 8: c = palette_colour(palette, layout.palette_entries, src[x]); break;
            case 4: c = palette_colour(palette, layout.palette_entries, (src[x / 2] >> (x % 2 ? 0 : 4)) & 15); break;
            default: c = palette_colour(palette, layout.palette_entries, (src[x / 8] >> (7 - x % 8)) & 1); break;
            }
            dst[3 * x] = static_cast<uint8_t>(c);
            dst[3 * x + 1] = static_cast<uint8_t>(c >> 8);
            dst[3 * x + 2] = static_cast<uint8_t>(c >> 16);
        }
    }
    *width = w;
    *height = h;
    return true;
}

