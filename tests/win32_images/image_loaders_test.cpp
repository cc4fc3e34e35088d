// JPEG and TIFF files from ImageMagick read into in-memory BMP files, and
// damaged or missing files refused without a crash, each with its message.
#include "render/images/image_loaders_win.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <tiffio.h>

#include "base/byte_order.h"
#include "image_test_support.h"
#include "base/program_messages.h"

namespace {

using images_test::data;
using images_test::Image;
using images_test::MessageLog;
using images_test::messages;

// Colour of pixel x of stored row k as blue, green, red.
struct Bgr { int b, g, r; };
Bgr pixel(BmpImage* image, uint32_t k, uint32_t x) {
    const uint8_t* p = bmp_image_row(image, k) + 3 * x;
    return {p[0], p[1], p[2]};
}

void expect_near(Bgr got, Bgr want, int tolerance, const std::string& where) {
    EXPECT_NEAR(got.b, want.b, tolerance) << where << " blue";
    EXPECT_NEAR(got.g, want.g, tolerance) << where << " green";
    EXPECT_NEAR(got.r, want.r, tolerance) << where << " red";
}

class ImageLoaders : public MessageLog {};

// The 16x16 test picture: red top left, lime top right, blue bottom left,
// white bottom right.  The first stored row is the bottom one.
TEST_F(ImageLoaders, ColourPicturesArriveUpsideUpInBlueGreenRed) {
    struct Case { const char* file; int page; int tolerance; int32_t per_metre; };
    const Case cases[] = {
        {"colour.jpg", 0, 12, 0},
        {"progressive.jpg", 0, 12, 0},
        {"pages.tif", 2, 0, 11811},       // no compression, 300 per inch
        {"lzw.tif", 1, 0, 4000},          // 40 per centimetre
        {"packbits.tif", 1, 0, 2952},     // no unit: 75 per inch
    };
    for (const Case& c : cases) {
        Image image(c.page ? load_tiff_page_as_bmp(data(c.file).c_str(), c.page)
                           : load_jpeg_as_bmp(data(c.file).c_str()));
        ASSERT_TRUE(image) << c.file;
        BmpImage* p = image.get();
        EXPECT_EQ(bmp_image_width(p), 16u) << c.file;
        EXPECT_EQ(bmp_image_height(p), 16u) << c.file;
        EXPECT_EQ(bmp_image_bits(p), 24u) << c.file;
        EXPECT_EQ(get_u32(p, 10), 54u) << c.file;
        EXPECT_EQ(bmp_image_size(p), 54u + 16 * 48) << c.file;
        EXPECT_EQ(get_i32(p, 38), c.per_metre) << c.file;
        EXPECT_EQ(get_i32(p, 42), c.per_metre) << c.file;
        const std::string f = c.file;
        for (uint32_t k : {12u, 15u}) {
            expect_near(pixel(p, k, 2), {0, 0, 255}, c.tolerance, f + " top left");
            expect_near(pixel(p, k, 13), {0, 255, 0}, c.tolerance, f + " top right");
        }
        for (uint32_t k : {0u, 3u}) {
            expect_near(pixel(p, k, 2), {255, 0, 0}, c.tolerance, f + " bottom left");
            expect_near(pixel(p, k, 13), {255, 255, 255}, c.tolerance, f + " bottom right");
        }
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(ImageLoaders, GreyJpegOfWidthThreeHasPaddedRowsAfterThePalette) {
    Image image(load_jpeg_as_bmp(data("grey3x2.jpg").c_str()));
    ASSERT_TRUE(image);
    BmpImage* p = image.get();
    EXPECT_EQ(bmp_image_bits(p), 8u);
    EXPECT_EQ(get_u32(p, 10), 1078u);
    EXPECT_EQ(bmp_image_size(p), 1078u + 2 * 4);
    EXPECT_EQ(get_i32(p, 38), 0);
    EXPECT_EQ(get_u32(p, 54 + 4 * 200), 0x00C8C8C8u);
    // Top row 64 is stored last, bottom row 192 first; the padding stays 0.
    for (int x = 0; x < 3; ++x) {
        EXPECT_NEAR(p[1078 + x], 192, 6) << x;
        EXPECT_NEAR(p[1082 + x], 64, 6) << x;
    }
    EXPECT_EQ(p[1081], 0);
    EXPECT_EQ(p[1085], 0);
}

TEST_F(ImageLoaders, BilevelFaxPagesBecomeBlackAndWhiteColourImages) {
    for (const char* file : {"g3.tif", "g4.tif"}) {
        Image image(load_tiff_page_as_bmp(data(file).c_str(), 1));
        ASSERT_TRUE(image) << file;
        BmpImage* p = image.get();
        EXPECT_EQ(bmp_image_bits(p), 24u);
        EXPECT_EQ(bmp_image_width(p), 16u);
        // Blue is dark, white is white; every pixel is black or white.
        expect_near(pixel(p, 0, 2), {0, 0, 0}, 0, std::string(file) + " blue");
        expect_near(pixel(p, 0, 13), {255, 255, 255}, 0, std::string(file) + " white");
        for (uint32_t k = 0; k < 16; ++k)
            for (uint32_t x = 0; x < 48; ++x) {
                const uint8_t v = bmp_image_row(p, k)[x];
                ASSERT_TRUE(v == 0 || v == 255) << file << " row " << k << " byte " << x;
            }
    }
}

TEST_F(ImageLoaders, TiffPagesAreCountedFromOne) {
    Image first(load_tiff_page_as_bmp(data("pages.tif").c_str(), 1));
    ASSERT_TRUE(first);
    EXPECT_EQ(bmp_image_width(first.get()), 5u);
    EXPECT_EQ(bmp_image_height(first.get()), 3u);
    EXPECT_EQ(bmp_image_size(first.get()), 54u + 3 * 16);  // 15 bytes padded to 16
    for (uint32_t k = 0; k < 3; ++k)
        for (uint32_t x = 0; x < 5; ++x) expect_near(pixel(first.get(), k, x), {0, 0, 255}, 0, "red");
    EXPECT_EQ(bmp_image_row(first.get(), 0)[15], 0);

    Image second(load_tiff_page_as_bmp(data("pages.tif").c_str(), 2));
    ASSERT_TRUE(second);
    EXPECT_EQ(bmp_image_width(second.get()), 16u);

    for (int page : {3, 0, -1})
        EXPECT_EQ(load_tiff_page_as_bmp(data("pages.tif").c_str(), page), nullptr) << page;
    EXPECT_TRUE(messages.empty());
}

TEST_F(ImageLoaders, JpegFailuresGiveNoImageAndNoMessage) {
    for (const char* file : {"cmyk.jpg", "empty.jpg", "not_jpeg.jpg", "jpeg_header_cut.jpg",
                             "no_such_file.jpg", "pages.tif"}) {
        EXPECT_EQ(load_jpeg_as_bmp(data(file).c_str()), nullptr) << file;
    }
    EXPECT_EQ(load_jpeg_as_bmp(nullptr), nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(error_flag, 0);
}

TEST_F(ImageLoaders, JpegCutInsideItsDataKeepsTheDecodedPart) {
    // The decoder pads a cut scan and warns; the picture keeps its size and
    // what was decoded before the cut.
    Image image(load_jpeg_as_bmp(data("jpeg_data_cut.jpg").c_str()));
    ASSERT_TRUE(image);
    EXPECT_EQ(bmp_image_width(image.get()), 16u);
    EXPECT_EQ(bmp_image_height(image.get()), 16u);
    expect_near(pixel(image.get(), 15, 0), {0, 0, 255}, 12, "first decoded pixel");
}

TEST_F(ImageLoaders, TiffThatCannotBeOpenedShowsTheOpenFailureWithThePath) {
    for (const char* file : {"not_tiff.tif", "no_such_file.tif", "empty.jpg"}) {
        messages.clear();
        const std::string path = data(file);
        EXPECT_EQ(load_tiff_page_as_bmp(path.c_str(), 1), nullptr) << file;
        ASSERT_EQ(messages.size(), 1u) << file;
        EXPECT_EQ(messages[0], std::string("ОШИБКА открытия файла\n") + path + "\n");
    }
}

int tiff_library_outputs = 0;
void count_tiff_output(const char*, const char*, va_list) { ++tiff_library_outputs; }

TEST_F(ImageLoaders, DamagedTiffGivesNoCrashAndTheLibraryStaysSilent) {
    // Whatever handlers were there, the loader's are silent.
    TIFFSetWarningHandler(count_tiff_output);
    TIFFSetErrorHandler(count_tiff_output);
    // 65536 x 16385 pixels over 12 bytes: a raster that large is never
    // allocated (its size does not fit 32 bits).
    EXPECT_EQ(load_tiff_page_as_bmp(data("tiff_huge.tif").c_str(), 1), nullptr);
    // A strip longer than the file: the library warns and reads what is there.
    Image past(load_tiff_page_as_bmp(data("tiff_strip_past_end.tif").c_str(), 1));
    ASSERT_TRUE(past);
    EXPECT_EQ(bmp_image_width(past.get()), 4u);
    expect_near(pixel(past.get(), 0, 3), {200, 200, 200}, 0, "last pixel");
    // Half a file: the second page is not there.
    EXPECT_EQ(load_tiff_page_as_bmp(data("tiff_cut.tif").c_str(), 2), nullptr);
    // None of these is an open failure.
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(load_tiff_page_as_bmp(data("not_tiff.tif").c_str(), 1), nullptr);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(tiff_library_outputs, 0);
}

}  // namespace
