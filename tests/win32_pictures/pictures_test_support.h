// Shared pieces of the picture tests under Wine: a 24-bit BMP made in
// memory, and the document fixture with the kernel's defaults, the settings
// block and the store bound to the kernel, which frees the loaded images
// and the settings block after each test.
#pragma once
#include "tests/documents/doc_test_support.h"

#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "render/images/loaded_images.h"
#include "store/kernel_binding.h"
#include "store/settings_block.h"

namespace pictures_test {

using doc_test::Bytes;

// A 24-bit BMP of w x h: pixel (x, y from the top) = colour(x, y), at ppm
// pixels per metre (0: none given).
inline Bytes bmp24(int w, int h, uint32_t (*colour)(int, int), int32_t ppm = 0) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    Bytes f(54 + stride * h, 0);
    f[0] = 'B', f[1] = 'M';
    put_u32(f.data(), 2, static_cast<uint32_t>(f.size()));
    put_u32(f.data(), 10, 54);
    put_u32(f.data(), 14, 40);
    put_i32(f.data(), 18, w);
    put_i32(f.data(), 22, h);
    put_u16(f.data(), 26, 1);
    put_u16(f.data(), 28, 24);
    put_i32(f.data(), 38, ppm);
    put_i32(f.data(), 42, ppm);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = colour(x, y);
            uint8_t* p = f.data() + 54 + stride * (h - 1 - y) + 3 * x;
            p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c >> 16);
        }
    return f;
}

// A BMP of w x h in one grey.
inline Bytes grey_bmp(int w, int h) {
    return bmp24(w, h, [](int, int) -> uint32_t { return 0x606060; });
}

class PicturesDocTest : public doc_test::DocTest {
protected:
    void SetUp() override {
        DocTest::SetUp();
        kernel_context_set_defaults();
        tolerance_set(tolerance_standing);
        ASSERT_EQ(settings_block_unpack(), 0);
        store_bind_kernel();
    }
    void TearDown() override {
        loaded_images_free(nullptr);
        DocTest::TearDown();
        settings_block_free();
    }
};

}  // namespace pictures_test
