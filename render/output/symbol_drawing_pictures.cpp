// Picture symbols: a loaded picture placed by 1 to 3 reference points, or
// bent along the Bezier of 4, drawn through the canvas in horizontal strips
// and measured in model units.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_context.h"
#include "geometry/transforms.h"
#include "render/images/bmp_image.h"
#include "render/images/loaded_images.h"
#include "render/images/picture_bend.h"
#include "render/images/picture_placement.h"
#include "render/output/bent_pictures.h"
#include "render/output/symbol_catalog.h"
#include "render/output/symbol_drawing.h"
#include "render/output/primitives.h"
#include "store/record_layouts.h"
#include "store/settings_block.h"

namespace {

// Screen pixels a picture is drawn into: anything farther right or down is
// outside every window and printer page; strips of at most this many rows
// keep the working raster small at any zoom.
constexpr int32_t picture_clip_limit = 16384;
constexpr int32_t picture_strip_rows = 128;

// Pictures whose symbols ask for more reference points than the picture
// has: reported once each, after the paint.
std::vector<std::string> pending_shortfalls;
std::set<std::string> reported_shortfalls;

// The picture a symbol shows and how it is placed: a loaded picture for 1
// to 3 points, its bent preview for 4.
struct Placement {
    RasterView view;
    bool transparent = false;
    int32_t picture_points[4][2] = {};
    int picture_count = 0;
    double k = 0;  // model units per picture pixel
    double points[4][2] = {};
    int count = 0;
    BentPicture bent;  // the preview of a four-point symbol
};

// Model units per picture pixel.
double model_per_pixel(const LoadedImage* image) {
    return sheet_to_model_length(image->height_mm) / image->height;
}

// The picture and the reference points of a picture symbol, or false when
// it draws nothing.
bool placement_of(const uint8_t* element, Placement* out) {
    uint32_t code = 0;
    const int n = symbol_element_points(element, get_u16(element, record_length), &code, out->points);
    if (n < 1) return false;
    LoadedImage* image = loaded_image_find(code);
    if (!image || image->width <= 0 || image->height <= 0 || !loaded_image_view(image, &out->view)) return false;
    if (image->point_count < n) {
        if (n == 4) return false;  // no picture to bend
        std::string name = image->name;
        if (reported_shortfalls.insert(name + "#" + std::to_string(image->id)).second) pending_shortfalls.push_back(name);
        return false;
    }
    out->transparent = (image->flags & loaded_flag_transparent) != 0;
    out->k = model_per_pixel(image);
    if (!(out->k > 0) || !std::isfinite(out->k)) return false;
    if (n < 4) {
        std::memcpy(out->picture_points, image->points, sizeof out->picture_points);
        out->picture_count = image->point_count;
        out->count = n;
        return true;
    }
    // Four points: the element's stored bent picture, placed by the start
    // and the end of its Bezier; while there is none (or it is being made
    // again) a preview of about 200 pixels bent here.
    LoadedImage* stored = loaded_image_find(bent_picture_id(get_u32(element, element_number)));
    if (stored && !(stored->flags & loaded_flag_temporary) && stored->point_count >= 2 && stored->height > 0 &&
        bent_picture_matches(stored->points, out->points) && loaded_image_view(stored, &out->view)) {
        out->transparent = (stored->flags & loaded_flag_transparent) != 0;
        out->k = model_per_pixel(stored);
        if (!(out->k > 0) || !std::isfinite(out->k)) return false;
        std::memcpy(out->picture_points, stored->points, sizeof out->picture_points);
        out->picture_count = 2;
        out->count = 2;
        return true;
    }
    // The preview: the picture bent along the symbol's Bezier (a preview of
    // about 200 pixels), then placed by its start and end.
    Point2 sp[4];
    for (int i = 0; i < 4; ++i) sp[i] = Point2{out->points[i][0], out->points[i][1]};
    const uint32_t key = out->transparent ? raster_key(out->view)
                                          : pixel_from_colorref(settings_u32(settings_background_colour_offset));
    raster_set_key(&out->view, key);
    if (!picture_bend(out->view, image->points, out->k, sp, false, key, &out->bent)) return false;
    if (!raster_view_of_dib(out->bent.dib.data(), out->bent.dib.size(), &out->view)) return false;
    raster_set_key(&out->view, key);
    std::memcpy(out->picture_points, out->bent.points, sizeof out->bent.points);
    out->picture_count = 2;
    out->k = out->bent.pixel_size;
    out->count = 2;
    return true;
}

int measure(const Placement& p, Box* out) {
    PixelMap map;
    if (!picture_symbol_map(p.picture_points, p.picture_count, p.points, p.count, p.k, p.k, &map)) return 0;
    Box b = box_empty();
    const double w = p.view.width, h = p.view.height;
    const double cx[2] = {-0.5, w - 0.5}, cy[2] = {-0.5, h - 0.5};
    for (double x : cx)
        for (double y : cy) {
            double mx, my;
            pixel_map_apply(map, x, y, &mx, &my);
            b.min_x = std::fmin(b.min_x, mx), b.max_x = std::fmax(b.max_x, mx);
            b.min_y = std::fmin(b.min_y, my), b.max_y = std::fmax(b.max_y, my);
        }
    if (!(std::isfinite(b.min_x) && std::isfinite(b.max_x) && std::isfinite(b.min_y) && std::isfinite(b.max_y)))
        return 0;
    if (out) *out = b;
    return 1;
}

// A 24-bit bottom-up DIB of w x h pixels (header and zeroed rows).
std::vector<uint8_t> strip_dib(int32_t w, int32_t h) {
    const size_t stride = bmp_row_stride(static_cast<uint32_t>(w), 3);
    std::vector<uint8_t> d(bmp_info_header_size + stride * static_cast<size_t>(h), 0);
    put_u32(d.data(), 0, bmp_info_header_size);
    put_i32(d.data(), 4, w);
    put_i32(d.data(), 8, h);
    put_u16(d.data(), 12, 1);
    put_u16(d.data(), 14, 24);
    return d;
}

int draw(OutputView* view, const Placement& p) {
    const ViewTransform& t = view->transform;
    double ep[4][2];
    for (int i = 0; i < p.count; ++i) {
        ep[i][0] = (p.points[i][0] - t.view_offset.x + t.scroll_shift.x) * t.scale.x;
        ep[i][1] = (p.points[i][1] - t.view_offset.y + t.scroll_shift.y) * t.scale.y;
    }
    PixelMap map, inverse;
    if (!picture_symbol_map(p.picture_points, p.picture_count, ep, p.count, p.k * t.scale.x, p.k * t.scale.y, &map))
        return 0;
    if (!pixel_map_invert(map, &inverse)) return 0;
    PixelBox box;
    const PixelBox clip = {0, 0, picture_clip_limit, picture_clip_limit};
    if (!picture_screen_box(map, p.view.width, p.view.height, clip, &box)) return 0;
    const RasterView& src = p.view;
    const bool transparent = p.transparent;
    const int32_t w = box.right - box.left;
    int result = 0;
    for (int32_t top = box.top; top < box.bottom; top += picture_strip_rows) {
        const int32_t h = std::min(picture_strip_rows, box.bottom - top);
        std::vector<uint8_t> picture = strip_dib(w, h), mask = strip_dib(w, h);
        RasterView pv, mv;
        raster_view_of_dib(picture.data(), picture.size(), &pv);
        raster_view_of_dib(mask.data(), mask.size(), &mv);
        bool covered = true;
        for (int32_t row = 0; row < h; ++row) {
            const int32_t sy = top + row, dib_row = h - 1 - row;
            for (int32_t col = 0; col < w; ++col) {
                double px, py;
                pixel_map_apply(inverse, box.left + col, sy, &px, &py);
                int found = 0;
                uint32_t colour = 0;
                // Picture y counts from the top; the raster's rows from the bottom.
                const double raster_y = src.height - 1 - py;
                if (transparent) {
                    colour = raster_sample(src, px, raster_y, &found);
                } else {
                    const int32_t nx = static_cast<int32_t>(std::floor(px + 0.5));
                    const int32_t ny = static_cast<int32_t>(std::floor(raster_y + 0.5));
                    const int32_t c = raster_pixel_get(src, nx, ny);
                    found = c >= 0;
                    colour = found ? static_cast<uint32_t>(c) : 0;
                }
                if (found) {
                    raster_pixel_set(pv, col, dib_row, colour);
                } else {
                    raster_pixel_set(mv, col, dib_row, 0xFFFFFF);
                    covered = false;
                }
            }
        }
        const CanvasBitmap pic = {w, h, 24, picture.data() + bmp_info_header_size};
        if (covered) {
            result = canvas_stretch_dib(&view->canvas, box.left, top, w, h, 0, 0, w, h, &pic, rop_src_copy);
            continue;
        }
        // Where nothing of the picture lies the mask is white and the picture
        // black: invert, keep only those pixels, invert back.
        const CanvasBitmap msk = {w, h, 24, mask.data() + bmp_info_header_size};
        canvas_stretch_dib(&view->canvas, box.left, top, w, h, 0, 0, w, h, &pic, rop_src_invert);
        canvas_stretch_dib(&view->canvas, box.left, top, w, h, 0, 0, w, h, &msk, rop_src_and);
        result = canvas_stretch_dib(&view->canvas, box.left, top, w, h, 0, 0, w, h, &pic, rop_src_invert);
    }
    return result ? 1 : 0;
}

// The two control lines of a four-point symbol (first to third, second to
// fourth point), dotted in the accent colour with the XOR mix.
void draw_control_lines(OutputView* view, const double pts[4][2]) {
    PenScope pen = canvas_select_pen(&view->canvas, PenDesc{pen_dot, 1, settings_u32(settings_accent_colour_offset)});
    const int old = canvas_set_rop2(&view->canvas, rop2_xor_pen);
    draw_line_segment_xy(view, pts[0][0], pts[0][1], pts[2][0], pts[2][1]);
    draw_line_segment_xy(view, pts[1][0], pts[1][1], pts[3][0], pts[3][1]);
    canvas_set_rop2(&view->canvas, old ? old : rop2_copy_pen);
    canvas_restore_pen(&pen);
}

int draw_picture_symbol(OutputView* view, const uint8_t* element, Box* out, int drawing) {
    Placement p;
    if (!placement_of(element, &p)) return 0;
    if (!drawing || !view) return measure(p, out);
    const int result = draw(view, p);
    if (view->stage < 5) {
        uint32_t code = 0;
        double pts[4][2];
        if (symbol_element_points(element, get_u16(element, record_length), &code, pts) == 4)
            draw_control_lines(view, pts);
    }
    return result;
}

}  // namespace

void picture_symbols_bind() {
    picture_symbol_drawer.draw = draw_picture_symbol;
}

void picture_symbol_messages_flush() {
    std::vector<std::string> names;
    names.swap(pending_shortfalls);
    for (const std::string& name : names) {
        error_stack_push(name.c_str());
        show_program_message("%ое количество опорных точек у добавленного условного изображения");
    }
}

void picture_symbol_messages_reset() {
    pending_shortfalls.clear();
    reported_shortfalls.clear();
}
