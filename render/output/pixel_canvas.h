// The pixel canvas: the device-level drawing calls every output goes through.
//
// One function table serves every device.  The GDI back end (gdi_canvas_win.h)
// draws into a device context: a projection window on screen, the sheet
// window or a printer page; only the device context and the view's two
// scales differ between them.  The recording back end (recording_canvas.h)
// keeps every call with its pixel arguments, for the native tests and the
// benchmark.  Nothing above this table knows which device it draws on.
//
// Pens and brushes are described, not created: a caller selects a PenDesc,
// the back end makes the device pen, and restore() puts the previous one back
// and deletes what select made.  The numeric codes of styles and raster
// operations are those of the Windows device interface, so the GDI back end
// passes them through unchanged.
#pragma once

#include <cstdint>

#include "geometry/geom_types.h"

// Pen styles.
enum : int {
    pen_solid = 0,
    pen_dash = 1,
    pen_dot = 2,
    pen_dash_dot = 3,
    pen_dash_dot_dot = 4,
    pen_null = 5,
    pen_inside_frame = 6
};

// Brush styles.
enum : int { brush_solid = 0, brush_null = 1 };

// Mix modes of lines (SetROP2).
enum : int { rop2_not = 6, rop2_xor_pen = 7, rop2_copy_pen = 13 };

// Raster operations of blits.
enum : uint32_t {
    rop_src_copy = 0x00CC0020,
    rop_src_and = 0x008800C6,
    rop_src_paint = 0x00EE0086,
    rop_src_invert = 0x00660046
};

struct PenDesc {
    int style;        // pen_*; pen_null: the element is not drawn
    int width;        // pixels, at least 1 for a drawn pen
    uint32_t colour;  // COLORREF 0x00BBGGRR
};

struct BrushDesc {
    int style;        // brush_*
    uint32_t colour;  // COLORREF
};

// What select_pen / select_brush leave for restore: the object made and the
// one it replaced (back-end handles; the recorder uses ids).
struct CanvasSelection {
    void* created;
    void* previous;
};

// A device-independent bitmap handed to the blits: 24-bit or 32-bit rows,
// bottom-up, each row padded to 4 bytes (the DIB layout).
struct CanvasBitmap {
    int width;
    int height;
    int bits_per_pixel;  // 24 or 32
    const void* bits;
};

// The device calls.  dc is the back end's device (an HDC for GDI, the
// RecordingCanvas for the recorder).  Boxes are left, top, right, bottom with
// right and bottom exclusive, as GDI takes them.  The int results are those of
// the device call (non-zero success).
struct PixelCanvasOps {
    void (*move_to)(void* dc, int32_t x, int32_t y);
    int (*line_to)(void* dc, int32_t x, int32_t y);
    void (*set_pixel)(void* dc, int32_t x, int32_t y, uint32_t colour);
    uint32_t (*get_pixel)(void* dc, int32_t x, int32_t y);
    // Arc, Pie: the ellipse of the box from the radial through (x1, y1)
    // anticlockwise on the screen to the radial through (x2, y2); equal
    // points draw the whole ellipse.
    int (*arc)(void* dc, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2);
    int (*ellipse)(void* dc, int32_t l, int32_t t, int32_t r, int32_t b);
    int (*pie)(void* dc, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2);
    int (*polygon)(void* dc, const PointI* points, int count);
    int (*polyline)(void* dc, const PointI* points, int count);
    // 3n + 1 points.
    int (*poly_bezier)(void* dc, const PointI* points, int count);
    CanvasSelection (*select_pen)(void* dc, const PenDesc* pen);
    CanvasSelection (*select_brush)(void* dc, const BrushDesc* brush);
    void (*restore)(void* dc, CanvasSelection selection);
    // Returns the previous mix mode.
    int (*set_rop2)(void* dc, int rop2);
    int (*stretch_dib)(void* dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                       int32_t sw, int32_t sh, const CanvasBitmap* bitmap, uint32_t rop);
    // Copies from another device of the same back end (a memory DC for GDI).
    int (*bit_blt)(void* dc, int32_t x, int32_t y, int32_t w, int32_t h, void* source_dc,
                   int32_t sx, int32_t sy, uint32_t rop);
};

// A canvas: a back end and its device, plus the pen now selected through
// canvas_select_pen (the colour of end pixels is taken from it).
struct PixelCanvas {
    const PixelCanvasOps* ops;
    void* dc;
    PenDesc pen;
};

// The canvas calls; each does nothing (and returns 0) for a canvas without
// a back end, so that a view with no device measures and walks safely.
void canvas_move_to(PixelCanvas* c, int32_t x, int32_t y);
int canvas_line_to(PixelCanvas* c, int32_t x, int32_t y);
void canvas_set_pixel(PixelCanvas* c, int32_t x, int32_t y, uint32_t colour);
uint32_t canvas_get_pixel(PixelCanvas* c, int32_t x, int32_t y);
int canvas_arc(PixelCanvas* c, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2);
int canvas_ellipse(PixelCanvas* c, int32_t l, int32_t t, int32_t r, int32_t b);
int canvas_pie(PixelCanvas* c, int32_t l, int32_t t, int32_t r, int32_t b, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2);
int canvas_polygon(PixelCanvas* c, const PointI* points, int count);
int canvas_polyline(PixelCanvas* c, const PointI* points, int count);
int canvas_poly_bezier(PixelCanvas* c, const PointI* points, int count);
int canvas_set_rop2(PixelCanvas* c, int rop2);
int canvas_stretch_dib(PixelCanvas* c, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                       int32_t sy, int32_t sw, int32_t sh, const CanvasBitmap* bitmap, uint32_t rop);
int canvas_bit_blt(PixelCanvas* c, int32_t x, int32_t y, int32_t w, int32_t h, void* source_dc,
                   int32_t sx, int32_t sy, uint32_t rop);

// Selects a pen (and remembers it as the canvas's current pen) until the
// matching restore.  Selections nest: restore them in reverse order.
struct PenScope {
    PixelCanvas* canvas;
    CanvasSelection selection;
    PenDesc previous;
};
PenScope canvas_select_pen(PixelCanvas* c, const PenDesc& pen);
void canvas_restore_pen(PenScope* scope);

struct BrushScope {
    PixelCanvas* canvas;
    CanvasSelection selection;
};
BrushScope canvas_select_brush(PixelCanvas* c, const BrushDesc& brush);
void canvas_restore_brush(BrushScope* scope);

// The names the other drawing code knows them by: a pen and a brush selected
// together, restored together.
struct PenBrushScope {
    PenScope pen;
    BrushScope brush;
};
PenBrushScope select_pen_brush(PixelCanvas* c, const PenDesc& pen, const BrushDesc& brush);
void restore_pen_brush(PenBrushScope* scope);
