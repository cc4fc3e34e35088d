#include "render/images/bmp_image.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"

namespace {
constexpr double millimetres_per_inch_inverse = 0.03937007874015748;
constexpr uint32_t dib_bitfields = 3;  // compression: three colour masks follow
}  // namespace

size_t bmp_row_stride(uint32_t width, unsigned bytes_per_pixel) {
    return (static_cast<size_t>(width) * bytes_per_pixel + 3) & ~static_cast<size_t>(3);
}

BmpImage* bmp_image_create(uint32_t width, uint32_t height, unsigned bits,
                           int32_t x_pixels_per_metre, int32_t y_pixels_per_metre) {
    if (bits != 8 && bits != 24) return nullptr;
    if (width == 0 || height == 0) return nullptr;
    // The block size is a 32-bit field; the stored width and height are
    // signed 32-bit values.
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return nullptr;
    const uint64_t stride = (static_cast<uint64_t>(width) * (bits / 8) + 3) & ~uint64_t(3);
    const uint64_t offset = bmp_file_header_size + bmp_info_header_size +
                            (bits == 8 ? bmp_grey_palette_size : 0);
    const uint64_t size = offset + stride * height;
    if (stride > 0xFFFFFFFFu || size > 0x7FFFFFFFu || size > SIZE_MAX) return nullptr;
    uint8_t* image = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
    if (!image) return nullptr;
    std::memset(image, 0, static_cast<size_t>(size));
    image[0] = 'B';
    image[1] = 'M';
    put_u32(image, 2, static_cast<uint32_t>(size));
    put_u32(image, 6, 0);
    put_u32(image, 10, static_cast<uint32_t>(offset));
    put_u32(image, 14, bmp_info_header_size);
    put_i32(image, 18, static_cast<int32_t>(width));
    put_i32(image, 22, static_cast<int32_t>(height));
    put_u16(image, 26, 1);
    put_u16(image, 28, static_cast<uint16_t>(bits));
    put_u32(image, 30, 0);
    put_u32(image, 34, 0);
    put_i32(image, 38, x_pixels_per_metre);
    put_i32(image, 42, y_pixels_per_metre);
    put_u32(image, 46, 0);
    put_u32(image, 50, 0);
    if (bits == 8) {
        for (unsigned i = 0; i < 256; ++i) {
            uint8_t* e = image + bmp_file_header_size + bmp_info_header_size + 4 * i;
            e[0] = e[1] = e[2] = static_cast<uint8_t>(i);
            e[3] = 0;
        }
    }
    return image;
}

uint32_t bmp_image_size(const BmpImage* image) { return get_u32(image, 2); }
uint32_t bmp_image_width(const BmpImage* image) { return get_u32(image, 18); }
uint32_t bmp_image_height(const BmpImage* image) { return get_u32(image, 22); }
unsigned bmp_image_bits(const BmpImage* image) { return get_u16(image, 28); }

uint8_t* bmp_image_row(BmpImage* image, uint32_t k) {
    const size_t stride = bmp_row_stride(bmp_image_width(image), bmp_image_bits(image) / 8);
    return image + get_u32(image, 10) + stride * k;
}

void bmp_store_rgb_pixels(uint8_t* row, const uint8_t* rgb, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i, row += 3, rgb += 3) {
        row[0] = rgb[2];
        row[1] = rgb[1];
        row[2] = rgb[0];
    }
}

void bmp_store_abgr_pixels(uint8_t* row, const uint32_t* abgr, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i, row += 3) {
        const uint32_t p = abgr[i];
        row[0] = static_cast<uint8_t>(p >> 16);
        row[1] = static_cast<uint8_t>(p >> 8);
        row[2] = static_cast<uint8_t>(p);
    }
}

int32_t pixels_per_metre(double pixels_per_millimetre) {
    const double v = pixels_per_millimetre * 1000.0;
    if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
    return static_cast<int32_t>(v);
}

double resolution_per_millimetre(double value, unsigned unit) {
    switch (unit) {
    case 1: return 75.0 * millimetres_per_inch_inverse;
    case 2: return value * millimetres_per_inch_inverse;
    case 3: return value * 0.1;
    default: return 0.0;
    }
}

uint32_t dib_palette_entries(unsigned bits) {
    switch (bits) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

int dib_layout(const uint8_t* dib, size_t available, DibLayout* layout) {
    if (!dib || !layout || available < bmp_info_header_size) return -1;
    const uint32_t header_size = get_u32(dib, 0);
    if (header_size < bmp_info_header_size || header_size > available) return -1;
    const int32_t width = get_i32(dib, 4);
    const int32_t height = get_i32(dib, 8);
    const unsigned bits = get_u16(dib, 14);
    const uint32_t compression = get_u32(dib, 16);
    const uint32_t used = get_u32(dib, 32);
    if (width <= 0 || height == 0 || height == INT32_MIN || bits == 0 || bits > 32) return -1;
    uint32_t entries = dib_palette_entries(bits);
    if (bits <= 8 && used != 0 && used < entries) entries = used;
    const uint32_t masks = (compression == dib_bitfields && header_size == bmp_info_header_size)
                               ? 12 : 0;
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -static_cast<int64_t>(height) : height);
    const uint64_t length = rows * stride + 4ull * entries + masks + header_size;
    if (length > available || length + bmp_file_header_size > 0xFFFFFFFFu) return -1;
    layout->header_size = header_size;
    layout->palette_entries = entries;
    layout->mask_bytes = masks;
    layout->row_stride = static_cast<uint32_t>(stride);
    layout->length = static_cast<uint32_t>(length);
    layout->pixel_offset =
        static_cast<uint32_t>(bmp_file_header_size + header_size + masks + 4ull * entries);
    return 0;
}

void bmp_file_header_for_dib(const DibLayout& layout, uint8_t out[14]) {
    out[0] = 'B';
    out[1] = 'M';
    put_u32(out, 2, layout.length + static_cast<uint32_t>(bmp_file_header_size));
    put_u32(out, 6, 0);
    put_u32(out, 10, layout.pixel_offset);
}
