// The pixel canvas calls: forwarding to the back end of the canvas.
#include "render/output/pixel_canvas.h"

void canvas_move_to(PixelCanvas* c, int32_t x, int32_t y) {
    if (c && c->ops && c->ops->move_to) c->ops->move_to(c->dc, x, y);
}

int canvas_line_to(PixelCanvas* c, int32_t x, int32_t y) {
    return c && c->ops && c->ops->line_to ? c->ops->line_to(c->dc, x, y) : 0;
}

void canvas_set_pixel(PixelCanvas* c, int32_t x, int32_t y, uint32_t colour) {
    if (c && c->ops && c->ops->set_pixel) c->ops->set_pixel(c->dc, x, y, colour);
}

uint32_t canvas_get_pixel(PixelCanvas* c, int32_t x, int32_t y) {
    return c && c->ops && c->ops->get_pixel ? c->ops->get_pixel(c->dc, x, y) : 0xFFFFFFFFu;
}

int canvas_arc(PixelCanvas* c, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2) {
    return c && c->ops && c->ops->arc ? c->ops->arc(c->dc, l, t, r, b, x1, y1, x2, y2) : 0;
}

int canvas_ellipse(PixelCanvas* c, int32_t l, int32_t t, int32_t r, int32_t b) {
    return c && c->ops && c->ops->ellipse ? c->ops->ellipse(c->dc, l, t, r, b) : 0;
}

int canvas_pie(PixelCanvas* c, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2) {
    return c && c->ops && c->ops->pie ? c->ops->pie(c->dc, l, t, r, b, x1, y1, x2, y2) : 0;
}

int canvas_polygon(PixelCanvas* c, const PointI* points, int count) {
    return c && c->ops && c->ops->polygon && count > 0 ? c->ops->polygon(c->dc, points, count) : 0;
}

int canvas_polyline(PixelCanvas* c, const PointI* points, int count) {
    return c && c->ops && c->ops->polyline && count > 0 ? c->ops->polyline(c->dc, points, count) : 0;
}

int canvas_poly_bezier(PixelCanvas* c, const PointI* points, int count) {
    return c && c->ops && c->ops->poly_bezier && count > 0 ? c->ops->poly_bezier(c->dc, points, count) : 0;
}

int canvas_set_rop2(PixelCanvas* c, int rop2) {
    return c && c->ops && c->ops->set_rop2 ? c->ops->set_rop2(c->dc, rop2) : 0;
}

int canvas_stretch_dib(PixelCanvas* c, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                       int32_t sy, int32_t sw, int32_t sh, const CanvasBitmap* bitmap, uint32_t rop) {
    return c && c->ops && c->ops->stretch_dib ? c->ops->stretch_dib(c->dc, x, y, w, h, sx, sy, sw, sh, bitmap, rop)
                                              : 0;
}

int canvas_bit_blt(PixelCanvas* c, int32_t x, int32_t y, int32_t w, int32_t h, void* source_dc,
                   int32_t sx, int32_t sy, uint32_t rop) {
    return c && c->ops && c->ops->bit_blt ? c->ops->bit_blt(c->dc, x, y, w, h, source_dc, sx, sy, rop) : 0;
}

PenScope canvas_select_pen(PixelCanvas* c, const PenDesc& pen) {
    PenScope s = {c, {nullptr, nullptr}, PenDesc{pen_solid, 1, 0}};
    if (!c) return s;
    s.previous = c->pen;
    if (c->ops && c->ops->select_pen) s.selection = c->ops->select_pen(c->dc, &pen);
    c->pen = pen;
    return s;
}

void canvas_restore_pen(PenScope* scope) {
    if (!scope || !scope->canvas) return;
    PixelCanvas* c = scope->canvas;
    if (c->ops && c->ops->restore) c->ops->restore(c->dc, scope->selection);
    c->pen = scope->previous;
    scope->canvas = nullptr;
}

BrushScope canvas_select_brush(PixelCanvas* c, const BrushDesc& brush) {
    BrushScope s = {c, {nullptr, nullptr}};
    if (c && c->ops && c->ops->select_brush) s.selection = c->ops->select_brush(c->dc, &brush);
    return s;
}

void canvas_restore_brush(BrushScope* scope) {
    if (!scope || !scope->canvas) return;
    PixelCanvas* c = scope->canvas;
    if (c->ops && c->ops->restore) c->ops->restore(c->dc, scope->selection);
    scope->canvas = nullptr;
}

PenBrushScope select_pen_brush(PixelCanvas* c, const PenDesc& pen, const BrushDesc& brush) {
    PenBrushScope s;
    s.pen = canvas_select_pen(c, pen);
    s.brush = canvas_select_brush(c, brush);
    return s;
}

void restore_pen_brush(PenBrushScope* scope) {
    if (!scope) return;
    canvas_restore_brush(&scope->brush);
    canvas_restore_pen(&scope->pen);
}
