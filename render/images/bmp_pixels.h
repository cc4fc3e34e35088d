// The pixels of a stored BMP file image as a 24-bit bottom-up DIB, the form
// every picture routine works on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The picture of a stored BMP file image: a 24-bit bottom-up DIB of it
// (uncompressed 1, 4, 8, 24 and 32 bits, rows either way up).  False for
// anything that is no such BMP within `length` bytes, or too large.
bool bmp_to_dib24(const uint8_t* bmp, size_t length, std::vector<uint8_t>* dib, int32_t* width,
                  int32_t* height);
