// Bending a picture along a cubic Bezier: both the picture's Bezier (through
// its four reference points) and the symbol's are turned into chains of arc
// pieces; every pixel of the result is mapped from the symbol's chain back
// to the picture's by its position along the chain and its distance across
// it, and sampled there.
#pragma once
#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"
#include "render/images/raster_pixels.h"

// A chain of arc pieces (piece i from v[i].point through v[i].through to
// v[i + 1].point) with the cumulative length at each vertex.
struct WarpChain {
    std::vector<CurveVertex> v;
    std::vector<double> length;  // length[0] = 0, length[i] = up to vertex i
};

// The chain of the Bezier {start, end, control 1, control 2}; false when it
// has no length.
bool warp_chain_of_bezier(const BezierGeom& bezier, WarpChain* out);

// Maps p from the source chain to the target chain: the position along the
// source (the foot on its nearest piece; beyond the chain's ends the end
// piece is continued) scaled by the ratio of the two total lengths, and the
// signed distance across kept.  False when either chain has no length.
bool warp_point_between_chains(const WarpChain& source, const WarpChain& target, Point2 p, Point2* out);

// What a bend gives: a 24-bit bottom-up DIB and the fields of its picture.
struct BentPicture {
    std::vector<uint8_t> dib;
    int32_t width = 0, height = 0;
    int32_t points[2][2] = {};   // start and end of the symbol's Bezier, y from the top
    double pixel_size = 0;       // model units per output pixel
    uint32_t key = 0;            // 24-bit key colour
    int32_t key_x = -1, key_row = -1;  // first key-coloured pixel (rows from the bottom), -1: none
};

// Most pixels a bend may produce.
constexpr uint64_t bend_max_pixels = 48ull * 1024 * 1024;

// Bends the picture src (its key colour set when transparent; pixels not
// found take `key`) whose reference points picture_points (pixels, y from
// the top) are the Bezier {start, end, control 1, control 2}, onto the
// symbol's points (model units).  k: model units per picture pixel.  The
// final form keeps about the source's resolution, the preview has about 200
// pixels on its longer side.  `pending` (may be null) is read between rows:
// when it becomes 0 the bend is abandoned.  False for coincident points, a
// zero-sized result, a result above bend_max_pixels, no memory, or an
// abandoned bend.
bool picture_bend(const RasterView& src, const int32_t picture_points[4][2], double k,
                  const Point2 symbol_points[4], bool final_form, uint32_t key, BentPicture* out,
                  const volatile int* pending = nullptr);
