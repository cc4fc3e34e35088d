// Placement of a picture symbol by 1 to 3 reference points: the affine map
// from picture pixels (x from the left, y from the top row) to screen pixels,
// the screen box it covers, and the raster drawn through it.
#pragma once
#include <cstdint>

#include "render/images/raster_pixels.h"

// x' = a x + b y + c, y' = d x + e y + f.
struct PixelMap {
    double a = 1, b = 0, c = 0, d = 0, e = 1, f = 0;
};

void pixel_map_apply(const PixelMap& map, double x, double y, double* out_x, double* out_y);
// The inverse map; false when the map is singular.
bool pixel_map_invert(const PixelMap& map, PixelMap* out);

// The map taking the picture's reference points onto the element's (screen
// pixels).  The number of points used is the smaller of the two counts, at
// most 3:
//   1: scale kx, ky (screen pixels per picture pixel), the first points meet;
//   2: rotation and uniform scale taking the first-to-second vector of the
//      picture onto the element's;
//   3: in addition the scale across that direction from the third points'
//      distances to the first-to-second line, negative (a mirror) when the
//      element's third point lies on the other side.
// A zero first-to-second vector, or a third point on that line (picture's or
// element's), falls back to fewer points.  Returns the points used, 0 when
// either count is below 1.
int picture_symbol_map(const int32_t picture_points[][2], int picture_count,
                       const double element_points[][2], int element_count, double kx, double ky,
                       PixelMap* out);

struct PixelBox {
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

// The screen box of a width x height picture under the map, cut to clip.
// False when it is empty.
bool picture_screen_box(const PixelMap& map, int32_t width, int32_t height, const PixelBox& clip,
                        PixelBox* out);

// Fills dst (its origin = the box's left and top, row 0 its top screen row
// when top_down, else its bottom one) by mapping each pixel centre back into
// the picture src and sampling it; pixels where nothing is found take dst's
// key colour.
void picture_render_mapped(const RasterView& src, const PixelMap& map, RasterView& dst,
                           bool top_down);
