// JPEG and TIFF loaders over libjpeg (release-8 interface) and libtiff.
#include <windows.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// After <windows.h>: the JPEG library's configuration takes the Windows
// `boolean` (an unsigned char) when the Windows headers were read first.
#include <jpeglib.h>

#include <tiffio.h>

#include "render/images/image_loaders_win.h"
#include "base/program_messages.h"
#include "store/settings_block.h"

namespace {

// The standard error manager with the point the error exit returns to.
struct JpegErrorManager {
    jpeg_error_mgr standard;
    jmp_buf return_point;
};

// The decoder's messages go to the debugger output: a GUI program has no console.
void jpeg_output_message(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX + 2];
    (*cinfo->err->format_message)(cinfo, text);
    OutputDebugStringA(text);
    OutputDebugStringA("\n");
}

}  // namespace

// The error exit installed in the JPEG error manager: the library's message
// is output, then control goes back to the loader, which gives up.
extern "C" void jpeg_error_exit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    JpegErrorManager* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(manager->return_point, 1);
}

namespace {

// Decodes an open JPEG file.  Kept apart from the caller so that everything
// living across the return point is either volatile or set before it.
BmpImage* jpeg_decode(FILE* file) {
    jpeg_decompress_struct cinfo;
    JpegErrorManager errors;
    BmpImage* volatile image = nullptr;

    cinfo.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = jpeg_error_exit;
    errors.standard.output_message = jpeg_output_message;
    cinfo.mem = nullptr;
    if (setjmp(errors.return_point)) {
        // A library error: an image begun is not handed out half decoded.
        jpeg_destroy(reinterpret_cast<j_common_ptr>(&cinfo));
        std::free(image);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const JDIMENSION width = cinfo.output_width;
    const JDIMENSION height = cinfo.output_height;
    const int components = cinfo.output_components;
    JSAMPARRAY buffer = (*cinfo.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
        width * static_cast<JDIMENSION>(components), 1);
    if (components != 1 && components != 3) {
        jpeg_destroy(reinterpret_cast<j_common_ptr>(&cinfo));
        return nullptr;
    }
    image = bmp_image_create(width, height, components == 1 ? 8 : 24, 0, 0);
    if (!image) {
        jpeg_destroy(reinterpret_cast<j_common_ptr>(&cinfo));
        return nullptr;
    }
    while (cinfo.output_scanline < height) {
        // The first scanline is the top row: the last stored row.
        const JDIMENSION row = height - 1 - cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, buffer, 1) != 1) break;
        uint8_t* out = bmp_image_row(image, row);
        if (components == 1) {
            for (JDIMENSION i = 0; i < width; ++i) out[i] = buffer[0][i];
        } else {
            bmp_store_rgb_pixels(out, buffer[0], width);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy(reinterpret_cast<j_common_ptr>(&cinfo));
    return image;
}

void tiff_silent(const char*, const char*, va_list) {}

void show_open_failure(const char* path) {
    error_stack_push(path);
    show_program_message(settings_text(settings_open_failure_offset));
}

}  // namespace

BmpImage* load_jpeg_as_bmp(const char* path) {
    if (!path) return nullptr;
    FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    BmpImage* image = jpeg_decode(file);
    std::fclose(file);
    return image;
}

void tiff_messages_silence() {
    TIFFSetWarningHandler(tiff_silent);
    TIFFSetErrorHandler(tiff_silent);
    TIFFSetWarningHandlerExt(nullptr);
    TIFFSetErrorHandlerExt(nullptr);
}

BmpImage* load_tiff_page_as_bmp(const char* path, int page) {
    tiff_messages_silence();
    TIFF* tif = path ? TIFFOpen(path, "r") : nullptr;
    if (!tif) {
        show_open_failure(path ? path : "");
        return nullptr;
    }
    BmpImage* image = nullptr;
    if (page < 1) {
        TIFFClose(tif);
        return nullptr;
    }
    int count = 1;
    do {
        if (count != page) continue;
        uint32_t width = 0, height = 0;
        float x_resolution = 0.0f, y_resolution = 0.0f;
        uint16_t unit = RESUNIT_INCH;  // the TIFF default when the tag is absent
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x_resolution);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y_resolution);
        TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
        const double x_per_mm = resolution_per_millimetre(x_resolution, unit);
        const double y_per_mm = resolution_per_millimetre(y_resolution, unit);
        // The raster's byte count must fit the library's signed size type;
        // a larger one is treated as an allocation that failed.
        const uint64_t raster_bytes = uint64_t(width) * height * sizeof(uint32_t);
        uint32_t* raster = nullptr;
        if (width && height && raster_bytes <= uint64_t(INTPTR_MAX))
            raster = static_cast<uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(raster_bytes)));
        if (!raster) continue;
        if (TIFFReadRGBAImage(tif, width, height, raster, 0)) {
            image = bmp_image_create(width, height, 24, pixels_per_metre(x_per_mm),
                                     pixels_per_metre(y_per_mm));
            if (!image) {
                _TIFFfree(raster);
                TIFFClose(tif);
                show_open_failure(path);
                return nullptr;
            }
            // The raster's row 0 is the bottom row, as in the BMP file.
            for (uint32_t k = 0; k < height; ++k)
                bmp_store_abgr_pixels(bmp_image_row(image, k), raster + size_t(k) * width, width);
        }
        _TIFFfree(raster);
        break;
    } while (++count <= page && TIFFReadDirectory(tif));
    TIFFClose(tif);
    return image;
}
