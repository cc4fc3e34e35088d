// The GDI back end of the pixel canvas.
#include "render/output/gdi_canvas_win.h"

#include <vector>

namespace {

HDC dc_of(void* dc) {
    return static_cast<HDC>(dc);
}

void gdi_move_to(void* dc, int32_t x, int32_t y) {
    MoveToEx(dc_of(dc), x, y, nullptr);
}

int gdi_line_to(void* dc, int32_t x, int32_t y) {
    return LineTo(dc_of(dc), x, y);
}

void gdi_set_pixel(void* dc, int32_t x, int32_t y, uint32_t colour) {
    SetPixel(dc_of(dc), x, y, colour);
}

uint32_t gdi_get_pixel(void* dc, int32_t x, int32_t y) {
    return GetPixel(dc_of(dc), x, y);
}

int gdi_arc(void* dc, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return Arc(dc_of(dc), l, t, r, b, x1, y1, x2, y2);
}

int gdi_ellipse(void* dc, int32_t l, int32_t t, int32_t r, int32_t b) {
    return Ellipse(dc_of(dc), l, t, r, b);
}

int gdi_pie(void* dc, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return Pie(dc_of(dc), l, t, r, b, x1, y1, x2, y2);
}

// POINT and PointI have the same layout (two 32-bit ints); copied anyway,
// so nothing depends on it.
std::vector<POINT> to_points(const PointI* p, int n) {
    std::vector<POINT> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = POINT{p[i].x, p[i].y};
    return v;
}

int gdi_polygon(void* dc, const PointI* p, int n) {
    POINT fixed[8];
    if (n <= 8) {
        for (int i = 0; i < n; ++i) fixed[i] = POINT{p[i].x, p[i].y};
        return Polygon(dc_of(dc), fixed, n);
    }
    std::vector<POINT> v = to_points(p, n);
    return Polygon(dc_of(dc), v.data(), n);
}

int gdi_polyline(void* dc, const PointI* p, int n) {
    std::vector<POINT> v = to_points(p, n);
    return Polyline(dc_of(dc), v.data(), n);
}

int gdi_poly_bezier(void* dc, const PointI* p, int n) {
    POINT fixed[4];
    if (n == 4) {
        for (int i = 0; i < 4; ++i) fixed[i] = POINT{p[i].x, p[i].y};
        return PolyBezier(dc_of(dc), fixed, 4);
    }
    std::vector<POINT> v = to_points(p, n);
    return PolyBezier(dc_of(dc), v.data(), static_cast<DWORD>(n));
}

CanvasSelection gdi_select_pen(void* dc, const PenDesc* pen) {
    HPEN h = pen->style == 5 ? static_cast<HPEN>(GetStockObject(NULL_PEN))
                             : CreatePen(pen->style, pen->width, pen->colour);
    if (!h) return CanvasSelection{nullptr, nullptr};
    HGDIOBJ previous = SelectObject(dc_of(dc), h);
    return CanvasSelection{pen->style == 5 ? nullptr : h, previous};
}

CanvasSelection gdi_select_brush(void* dc, const BrushDesc* brush) {
    HBRUSH h = brush->style == brush_null ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                                          : CreateSolidBrush(brush->colour);
    if (!h) return CanvasSelection{nullptr, nullptr};
    HGDIOBJ previous = SelectObject(dc_of(dc), h);
    return CanvasSelection{brush->style == brush_null ? nullptr : h, previous};
}

void gdi_restore(void* dc, CanvasSelection s) {
    if (s.previous) SelectObject(dc_of(dc), static_cast<HGDIOBJ>(s.previous));
    if (s.created) DeleteObject(static_cast<HGDIOBJ>(s.created));
}

int gdi_set_rop2(void* dc, int rop2) {
    return SetROP2(dc_of(dc), rop2);
}

int gdi_stretch_dib(void* dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                    int32_t sh, const CanvasBitmap* bitmap, uint32_t rop) {
    if (!bitmap || !bitmap->bits) return 0;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bitmap->width;
    bi.bmiHeader.biHeight = bitmap->height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(bitmap->bits_per_pixel);
    bi.bmiHeader.biCompression = BI_RGB;
    return StretchDIBits(dc_of(dc), x, y, w, h, sx, sy, sw, sh, bitmap->bits, &bi, DIB_RGB_COLORS, rop);
}

int gdi_bit_blt(void* dc, int32_t x, int32_t y, int32_t w, int32_t h, void* source, int32_t sx, int32_t sy,
                uint32_t rop) {
    return BitBlt(dc_of(dc), x, y, w, h, dc_of(source), sx, sy, rop);
}

}  // namespace

const PixelCanvasOps gdi_canvas_ops = {
    gdi_move_to, gdi_line_to,  gdi_set_pixel,   gdi_get_pixel,  gdi_arc,       gdi_ellipse,
    gdi_pie,     gdi_polygon,  gdi_polyline,    gdi_poly_bezier, gdi_select_pen, gdi_select_brush,
    gdi_restore, gdi_set_rop2, gdi_stretch_dib, gdi_bit_blt};

PixelCanvas gdi_canvas(HDC dc) {
    PixelCanvas c;
    c.ops = &gdi_canvas_ops;
    c.dc = dc;
    LOGPEN lp = {};
    HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
    c.pen = PenDesc{pen_solid, 1, 0};
    if (pen && GetObject(pen, sizeof lp, &lp) == sizeof lp)
        c.pen = PenDesc{static_cast<int>(lp.lopnStyle), static_cast<int>(lp.lopnWidth.x), lp.lopnColor};
    return c;
}
