// The 32 x 32 pictures of the conventional-images list: a picture scaled
// into 30 x 30 with its aspect kept and centred, its key colour left as the
// white ground, a black frame, the id in 5 x 6 digits at the bottom right
// (the last digit at x = 25, each further one 4 pixels to the left, y = 27)
// and the reference points as small red crosses.
#pragma once
#include <cstdint>
#include <vector>

#include "render/images/loaded_images.h"

enum : int32_t { thumbnail_size = 32 };

// The thumbnail as a 24-bit bottom-up DIB (40-byte header and rows); empty
// for an entry without pixels.
std::vector<uint8_t> picture_thumbnail(LoadedImage* image);

// Draws the digits of `value` into a 24-bit view: the last digit's 5 x 6
// cell at (x, y) (y from the top), each earlier one 4 pixels to the left.
void thumbnail_digits(RasterView& view, uint32_t value, int32_t x, int32_t y, uint32_t colour);
