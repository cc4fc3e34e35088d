// Bending a 4000 x 3000 picture along a curved Bezier through four points,
// in the final form (about the picture's own resolution) and as the preview
// of about 200 pixels.  Prints the time of each bend; run by hand:
//
//     cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSARVOLT_SANITIZE=OFF
//     cmake --build build/bench --target bench_bend && (cd build/bench && ./bench_bend)
#include <chrono>
#include <cstdio>
#include <vector>

#include "base/byte_order.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"
#include "render/images/picture_bend.h"

int main() {
    kernel_context_set_defaults();
    tolerance_set(tolerance_standing);
    const int32_t w = 4000, h = 3000;
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> dib(40 + stride * h, 0);
    put_u32(dib.data(), 0, 40);
    put_i32(dib.data(), 4, w);
    put_i32(dib.data(), 8, h);
    put_u16(dib.data(), 12, 1);
    put_u16(dib.data(), 14, 24);
    for (size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<uint8_t>(i * 7);
    RasterView src;
    if (!raster_view_of_dib(dib.data(), dib.size(), &src)) return 1;
    raster_set_key(&src, 0x00FF00);
    // The picture's line across its middle, bent into an arch.
    const int32_t pp[4][2] = {{0, 1500}, {3999, 1500}, {1333, 1500}, {2666, 1500}};
    const Point2 sp[4] = {{0, 2000}, {4000, 2000}, {1000, 0}, {3000, 0}};
    for (int final_form = 0; final_form < 2; ++final_form) {
        BentPicture b;
        auto t0 = std::chrono::steady_clock::now();
        bool ok = picture_bend(src, pp, 1.0, sp, final_form != 0, 0x00FF00, &b);
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("%s bend of %dx%d: %s, %dx%d pixels, %.3f s\n", final_form ? "final" : "preview", w, h,
                    ok ? "done" : "refused", b.width, b.height, s);
    }
    return 0;
}
