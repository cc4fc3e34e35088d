// The recording back end of the pixel canvas: keeps every device call with
// its pixel arguments in order, for the native tests of the drawing and the
// benchmark of the walks.  It draws nothing; get_pixel answers the colour of
// the last set_pixel at that place, else the background colour.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/output/pixel_canvas.h"

enum CanvasCallKind : int {
    call_move_to,
    call_line_to,
    call_set_pixel,
    call_get_pixel,
    call_arc,
    call_ellipse,
    call_pie,
    call_polygon,
    call_polyline,
    call_poly_bezier,
    call_select_pen,
    call_select_brush,
    call_restore,
    call_set_rop2,
    call_stretch_dib,
    call_bit_blt
};

struct CanvasCall {
    int kind;                   // CanvasCallKind
    std::vector<int32_t> args;  // coordinates (and colour / rop / ids) in call order
    std::vector<PointI> points; // polygon, polyline, poly_bezier
    PenDesc pen;                // select_pen
    BrushDesc brush;            // select_brush
};

struct RecordingCanvas {
    std::vector<CanvasCall> calls;
    bool keep_calls = true;       // false: count only (benchmark)
    size_t call_count = 0;
    int rop2 = rop2_copy_pen;
    int next_object = 1;          // ids handed out for selected pens and brushes
    int live_objects = 0;         // selected and not yet restored
    uint32_t background = 0xFFFFFF;
};

extern const PixelCanvasOps recording_canvas_ops;

// A canvas on the recorder.
PixelCanvas recording_canvas(RecordingCanvas* rec);

// One line per call, e.g. "line_to 10 20", "pen 0 2 ff0000" (for test
// failure messages).
std::string canvas_call_text(const CanvasCall& call);
