// Pictures on Win32 devices: the 24-bit DIB of a screen-compatible bitmap,
// and a transparent copy that leaves the destination wherever the picture
// shows its key colour.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

// A heap block (std::malloc; the caller frees it with std::free) holding a
// 24-bit bottom-up BITMAPINFOHEADER and, with with_bits, the bitmap's rows;
// *size gets the block's length.  Null when the bitmap cannot be read or the
// block cannot be allocated.
uint8_t* dib_from_bitmap(HBITMAP bitmap, bool with_bits, size_t* size);

// Copies width x height pixels of src (from its top left) to dst at (x, y),
// leaving dst where the source pixel equals key: the source is put with
// SRCINVERT, a monochrome mask made with the key as background with SRCAND,
// and the source with SRCINVERT again.  False when a mask cannot be made.
bool blit_transparent(HDC dst, int x, int y, HDC src, int width, int height, COLORREF key);
