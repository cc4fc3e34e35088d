// In-memory BMP files and the BMP view of packed DIBs: header fields at their
// offsets, row padding, the grey palette, pixel order and resolutions.
#include "render/images/bmp_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "base/byte_order.h"

namespace {

struct ImageFree {
    void operator()(BmpImage* p) const { std::free(p); }
};
using Image = std::unique_ptr<BmpImage, ImageFree>;

TEST(BmpImage, RowStrideRoundsUpToWholeFourBytes) {
    struct Case { uint32_t width; unsigned bytes; size_t stride; };
    const Case cases[] = {
        {1, 1, 4}, {3, 1, 4}, {4, 1, 4}, {5, 1, 8}, {1, 3, 4}, {4, 3, 12}, {5, 3, 16}, {16, 3, 48},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bmp_row_stride(c.width, c.bytes), c.stride) << c.width << "x" << c.bytes;
}

TEST(BmpImage, GreyImageHasPaletteAndRowsAt1078) {
    Image image(bmp_image_create(3, 2, 8, 0, 0));
    ASSERT_TRUE(image);
    const uint8_t* p = image.get();
    EXPECT_EQ(p[0], 'B');
    EXPECT_EQ(p[1], 'M');
    EXPECT_EQ(get_u32(p, 2), 1078u + 2 * 4);
    EXPECT_EQ(get_u32(p, 6), 0u);
    EXPECT_EQ(get_u32(p, 10), 1078u);
    EXPECT_EQ(get_u32(p, 14), 40u);
    EXPECT_EQ(get_i32(p, 18), 3);
    EXPECT_EQ(get_i32(p, 22), 2);
    EXPECT_EQ(get_u16(p, 26), 1);
    EXPECT_EQ(get_u16(p, 28), 8);
    for (size_t off = 30; off < 54; off += 4) EXPECT_EQ(get_u32(p, off), 0u) << off;
    for (unsigned i = 0; i < 256; ++i)
        EXPECT_EQ(get_u32(p, 54 + 4 * i), i | (i << 8) | (i << 16)) << i;
    EXPECT_EQ(bmp_image_row(image.get(), 0), image.get() + 1078);
    EXPECT_EQ(bmp_image_row(image.get(), 1), image.get() + 1082);
    for (size_t off = 1078; off < 1086; ++off) EXPECT_EQ(p[off], 0) << off;
}

TEST(BmpImage, ColourImageHasNoPaletteAndKeepsResolution) {
    Image image(bmp_image_create(5, 3, 24, 11811, 4000));
    ASSERT_TRUE(image);
    const uint8_t* p = image.get();
    EXPECT_EQ(get_u32(p, 2), 54u + 3 * 16);
    EXPECT_EQ(get_u32(p, 10), 54u);
    EXPECT_EQ(get_u16(p, 28), 24);
    EXPECT_EQ(get_i32(p, 38), 11811);
    EXPECT_EQ(get_i32(p, 42), 4000);
    EXPECT_EQ(bmp_image_size(p), 102u);
    EXPECT_EQ(bmp_image_width(p), 5u);
    EXPECT_EQ(bmp_image_height(p), 3u);
    EXPECT_EQ(bmp_image_bits(p), 24u);
    EXPECT_EQ(bmp_image_row(image.get(), 2), image.get() + 54 + 32);
}

TEST(BmpImage, ImpossibleImagesAreRefused) {
    struct Case { uint32_t width, height; unsigned bits; };
    const Case cases[] = {
        {0, 5, 24}, {5, 0, 8}, {4, 4, 16}, {4, 4, 32},
        {70000, 70000, 24},           // over 2 GB
        {0x80000000u, 1, 8},          // width not a positive 32-bit value
        {0xFFFFFFFFu, 0xFFFFFFFFu, 24},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bmp_image_create(c.width, c.height, c.bits, 0, 0), nullptr)
            << c.width << "x" << c.height << "x" << c.bits;
}

TEST(BmpImage, PixelsAreStoredBlueGreenRed) {
    const uint8_t rgb[] = {1, 2, 3, 4, 5, 6};
    uint8_t row[7] = {0, 0, 0, 0, 0, 0, 0x77};
    bmp_store_rgb_pixels(row, rgb, 2);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 7), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 0x77}));

    // Red in the low byte, alpha in the high byte.
    const uint32_t abgr[] = {0xFF332211u, 0x00CCBBAAu};
    bmp_store_abgr_pixels(row, abgr, 2);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 7),
              (std::vector<uint8_t>{0x33, 0x22, 0x11, 0xCC, 0xBB, 0xAA, 0x77}));
}

TEST(BmpImage, ResolutionsInPixelsPerMetre) {
    struct Case { double value; unsigned unit; int32_t per_metre; };
    const Case cases[] = {
        {300, 2, 11811},   // per inch
        {72, 2, 2834},
        {40, 3, 4000},     // per centimetre
        {118.11f, 3, 11811},
        {72, 1, 2952},     // no unit: 75 per inch, whatever the value
        {0, 1, 2952},
        {300, 0, 0},       // unknown units
        {300, 4, 0},
        {0, 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pixels_per_metre(resolution_per_millimetre(c.value, c.unit)), c.per_metre)
            << c.value << " unit " << c.unit;
    EXPECT_EQ(pixels_per_metre(1e12), 0);
    EXPECT_EQ(pixels_per_metre(-0.0015), -1);  // truncated toward zero
}

// A packed DIB: info header, colour table, rows (all zero).
std::vector<uint8_t> dib(int32_t width, int32_t height, unsigned bits, uint32_t compression = 0,
                         uint32_t used = 0, size_t extra = 0) {
    const size_t stride = (size_t(width) * bits + 31) / 32 * 4;
    const size_t rows = size_t(height < 0 ? -height : height);
    size_t entries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    if (bits <= 8 && used && used < entries) entries = used;
    std::vector<uint8_t> d(40 + 4 * entries + stride * rows + extra);
    put_u32(d.data(), 0, 40);
    put_i32(d.data(), 4, width);
    put_i32(d.data(), 8, height);
    put_u16(d.data(), 12, 1);
    put_u16(d.data(), 14, static_cast<uint16_t>(bits));
    put_u32(d.data(), 16, compression);
    put_u32(d.data(), 32, used);
    return d;
}

TEST(DibLayout, RowsPaletteAndPixelOffset) {
    struct Case {
        const char* what;
        int32_t width, height;
        unsigned bits;
        uint32_t compression, used;
        size_t extra;
        uint32_t stride, entries, length, offset;
    };
    const Case cases[] = {
        {"1 bit, width 33", 33, 2, 1, 0, 0, 0, 8, 2, 40 + 8 + 16, 62},
        {"4 bits", 3, 1, 4, 0, 0, 0, 4, 16, 40 + 64 + 4, 118},
        {"8 bits", 5, 2, 8, 0, 0, 0, 8, 256, 40 + 1024 + 16, 1078},
        {"8 bits, 16 colours used", 4, 1, 8, 0, 16, 0, 4, 16, 40 + 64 + 4, 118},
        {"24 bits", 5, 3, 24, 0, 0, 0, 16, 0, 40 + 48, 54},
        {"24 bits, top-down rows", 5, -3, 24, 0, 0, 0, 16, 0, 40 + 48, 54},
        {"32 bits with colour masks", 2, 2, 32, 3, 0, 12, 8, 0, 40 + 12 + 16, 66},
        {"16 bits", 3, 1, 16, 0, 0, 0, 8, 0, 48, 54},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> d = dib(c.width, c.height, c.bits, c.compression, c.used, c.extra);
        DibLayout l{};
        ASSERT_EQ(dib_layout(d.data(), d.size(), &l), 0) << c.what;
        EXPECT_EQ(l.row_stride, c.stride) << c.what;
        EXPECT_EQ(l.palette_entries, c.entries) << c.what;
        EXPECT_EQ(l.length, c.length) << c.what;
        EXPECT_EQ(l.pixel_offset, c.offset) << c.what;
        uint8_t h[14];
        bmp_file_header_for_dib(l, h);
        EXPECT_EQ(h[0], 'B');
        EXPECT_EQ(h[1], 'M');
        EXPECT_EQ(get_u32(h, 2), c.length + 14) << c.what;
        EXPECT_EQ(get_u32(h, 6), 0u);
        EXPECT_EQ(get_u32(h, 10), c.offset) << c.what;
    }
}

TEST(DibLayout, DibsThatDoNotHoldTheirRowsAreRefused) {
    DibLayout l{};
    std::vector<uint8_t> d = dib(33, 2, 1);
    EXPECT_EQ(dib_layout(d.data(), d.size() - 1, &l), -1);  // one row byte short
    EXPECT_EQ(dib_layout(d.data(), 39, &l), -1);
    EXPECT_EQ(dib_layout(nullptr, 100, &l), -1);

    std::vector<uint8_t> bad = dib(4, 4, 24);
    put_u32(bad.data(), 0, 12);  // an old core header
    EXPECT_EQ(dib_layout(bad.data(), bad.size(), &l), -1);
    bad = dib(4, 4, 24);
    put_i32(bad.data(), 4, 0);
    EXPECT_EQ(dib_layout(bad.data(), bad.size(), &l), -1);
    bad = dib(4, 4, 24);
    put_i32(bad.data(), 8, 0x7FFFFFFF);  // rows far beyond the block
    EXPECT_EQ(dib_layout(bad.data(), bad.size(), &l), -1);
    bad = dib(4, 4, 24);
    put_u16(bad.data(), 14, 0);
    EXPECT_EQ(dib_layout(bad.data(), bad.size(), &l), -1);
}

}  // namespace
