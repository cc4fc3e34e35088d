// Pixel access and sampling on 24-bit device-independent bitmaps: the window
// a picture routine sees on a DIB's rows, key-colour cleaning of a stored
// picture, and the weighted four-neighbour sampling used when a picture is
// mapped onto the drawing.
//
// Colours here are 24-bit values with blue in bits 0-7, green 8-15 and red
// 16-23 (the byte order of a DIB pixel).  COLORREF values (red in the low
// byte) appear only where a caller stores them.
#pragma once
#include <cstddef>
#include <cstdint>

// A window on the rows of a 24-bit DIB.  Row 0 is the bottom row (DIB order);
// `bottom` points at it and `stride` is the signed step to the next row up,
// so top-down DIBs are seen the same way.
struct RasterView {
    int32_t origin_x = 0;   // subtracted by raster_pixel_set_offset
    int32_t origin_y = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint8_t* bottom = nullptr;
    ptrdiff_t stride = 0;
    uint8_t key[3] = {0, 0, 0};  // blue, green, red
};

// The view of the packed DIB at dib (info header, colour table, rows) of
// `available` bytes.  Only uncompressed 24-bit DIBs whose rows lie within the
// available bytes are accepted; false for anything else (the view is left
// empty).  The key colour is left black.
bool raster_view_of_dib(uint8_t* dib, size_t available, RasterView* view);

// The key colour as a 24-bit value / set from a 24-bit value.
uint32_t raster_key(const RasterView& view);
void raster_set_key(RasterView* view, uint32_t colour);

// Pixel (x, row) as a 24-bit colour, or -1 outside the raster.
int32_t raster_pixel_get(const RasterView& view, int32_t x, int32_t y);
// Stores a 24-bit colour at (x, row): 1, or 0 outside the raster.
int raster_pixel_set(RasterView& view, int32_t x, int32_t y, uint32_t colour);
// The same with x and y counted from the view's origin.
int raster_pixel_set_offset(RasterView& view, int32_t x, int32_t y, uint32_t colour);

// Inverse-distance mix of `count` (1..4) colours: a colour at a distance
// within a standing tolerance of 0 is returned as it is; otherwise weights
// 1/d normalised to a sum of 1, each channel the weighted sum truncated.
uint32_t sample_weighted(const uint32_t* colours, const double* distances, int count);

// The colour at the real position (x, y) (row units, row 0 the bottom row)
// from the four pixels (floor x + dx, floor y + dy), dx, dy in {0, 1}.
// Pixels outside the raster or of the key colour are dropped.  With fewer
// than two kept the key colour is returned and *found is 0; else *found is 1
// and the kept pixels are mixed by sample_weighted.  found may be null.
uint32_t raster_sample(const RasterView& view, double x, double y, int* found);

// Key-colour cleaning of a stored picture: the key colour is the pixel at
// (key x, key row), row counted from the bottom.  With tolerance t > 0 every
// pixel is visited: mode 1 snaps a pixel to the key colour when each channel
// lies within key +- t; mode 0 snaps a pixel equal to (key + k) or (key - k)
// on all three channels for some k in 1 .. t-1.  The DIB must be uncompressed
// 24-bit within `available` bytes and the key pixel inside it; then the key
// is stored as a COLORREF (red in the low byte) in *key_colorref and true is
// returned.  Otherwise nothing changes and false is returned: the picture is
// shown without transparency.
bool picture_key_colour_clean(uint8_t* dib, size_t available, int32_t key_x, int32_t key_row,
                              unsigned tolerance, int mode, uint32_t* key_colorref);

// 24-bit pixel colour <-> COLORREF.
uint32_t colorref_from_pixel(uint32_t colour);
uint32_t pixel_from_colorref(uint32_t colorref);
