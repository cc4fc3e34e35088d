// In-memory BMP files: the layout every image loader produces, and the file
// header written in front of a packed device-independent bitmap.
//
// A `BmpImage` is one heap block (std::malloc) holding a whole BMP file, owned
// by the caller, who frees it with std::free.  Little-endian:
//   0 "BM", 2 u32 size of the block, 6 u32 0, 10 u32 offset of the pixel rows
//   (1078 for 8-bit grey, 54 for 24-bit colour), 14 the 40-byte info header
//   (width, positive height: rows bottom-up, 1 plane, 8 or 24 bits, no
//   compression, pixels per metre), 54 the grey palette {i, i, i, 0} of an
//   8-bit image, then the rows, bottom row first, each padded to a multiple
//   of 4 bytes; a 24-bit pixel is blue, green, red.
#pragma once
#include <cstddef>
#include <cstdint>

using BmpImage = uint8_t;

constexpr size_t bmp_file_header_size = 14;
constexpr size_t bmp_info_header_size = 40;
constexpr size_t bmp_grey_palette_size = 1024;

// Bytes of one stored row: width x bytes per pixel rounded up to whole 4 bytes.
size_t bmp_row_stride(uint32_t width, unsigned bytes_per_pixel);

// Allocates and fills the headers (and for 8 bits the grey palette) of an
// image of width x height pixels with 8 (grey) or 24 (colour) bits per pixel;
// the rows are zeroed.  Null when the size is 0 in either direction, the block
// would not fit in 32 bits or in memory, or bits is neither 8 nor 24.
BmpImage* bmp_image_create(uint32_t width, uint32_t height, unsigned bits,
                           int32_t x_pixels_per_metre, int32_t y_pixels_per_metre);

// Fields of an image made by bmp_image_create.
uint32_t bmp_image_size(const BmpImage* image);
uint32_t bmp_image_width(const BmpImage* image);
uint32_t bmp_image_height(const BmpImage* image);
unsigned bmp_image_bits(const BmpImage* image);

// Stored row k: row 0 is the bottom row of the picture.
uint8_t* bmp_image_row(BmpImage* image, uint32_t k);

// Pixel rows from the decoders.  `count` pixels each:
//   rgb: R, G, B bytes per pixel -> B, G, R;
//   abgr: packed 32-bit pixels with red in bits 0-7, green 8-15, blue 16-23
//   (the raster of the TIFF library) -> B, G, R.
void bmp_store_rgb_pixels(uint8_t* row, const uint8_t* rgb, uint32_t count);
void bmp_store_abgr_pixels(uint8_t* row, const uint32_t* abgr, uint32_t count);

// Pixels per metre from pixels per millimetre (truncated toward zero; values
// outside the 32-bit range give 0).
int32_t pixels_per_metre(double pixels_per_millimetre);

// Pixels per millimetre of a resolution value in a TIFF resolution unit:
// 1 (no unit) counts as 75 per inch whatever the value, 2 per inch,
// 3 per centimetre; any other unit gives 0.
double resolution_per_millimetre(double value, unsigned unit);

// ---------------------------------------------------------------- packed DIBs
// The parts of a packed DIB (info header, colour table, rows) as a BMP file
// sees them.
struct DibLayout {
    uint32_t header_size;      // the info header's own size (40 or more)
    uint32_t palette_entries;  // 4-byte colour table entries
    uint32_t mask_bytes;       // 12 for three colour masks after a 40-byte header
    uint32_t row_stride;       // bytes of one row
    uint32_t length;           // header, masks, colour table and rows
    uint32_t pixel_offset;     // from the start of the BMP file
};

// Colour table entries by bits per pixel: 1 -> 2, 4 -> 16, 8 -> 256, else 0.
uint32_t dib_palette_entries(unsigned bits);

// Reads the info header of the packed DIB at dib (available bytes there) and
// computes its layout.  A colour table size given by the header (used
// colours) is honoured for up to 8 bits; the height may be negative (rows top
// down).  Returns 0, or -1 when the header is not a DIB header or the DIB
// would reach past the available bytes.
int dib_layout(const uint8_t* dib, size_t available, DibLayout* layout);

// The 14-byte file header in front of a DIB of that layout:
// "BM", u32 length + 14, u32 0, u32 pixel offset.
void bmp_file_header_for_dib(const DibLayout& layout, uint8_t out[14]);
