// Text output: the stroke texts drawn into an output view.
//
// The font code lays a text out and hands every glyph stroke to a TextCanvas;
// the view canvas here draws them with the output primitives: each glyph
// with its own pen of the glyph's stroke width in the text colour (in DXF
// mode the width becomes dxf_line_width), strokes as segments, circles as
// circles, curves as one-piece Bezier chains, and the arc over a marked
// number with the pen of the glyphs before it.
#pragma once

#include "render/output/output_view.h"
#include "render/output/pixel_canvas.h"
#include "render/text/stroke_font.h"

// A solid pen in the text colour: trunc(sheet_to_model_length(width) x
// scale x + 0.5) pixels, at least 1.  In DXF mode dxf_line_width becomes the
// width and the pen is 1 pixel.
PenDesc create_text_pen(const OutputView* view, double width_mm);

// The TextCanvas that draws into view; context must outlive the canvas's use.
struct ViewTextContext {
    OutputView* view;
    PenScope pen;
    double pen_width_mm;   // width of the last glyph's pen (the arc sign uses it)
    bool pen_selected;
};
TextCanvas view_text_canvas(ViewTextContext* context, OutputView* view);

// One line: drawn (draw non-zero) or measured; returns the depth below the
// baseline; width and height (may be null) get the extents when measuring.
double draw_text_line(OutputView* view, double x, double y, double angle, const char* text, int draw,
                      double* width, double* height);
void draw_text_at(OutputView* view, double x, double y, double angle, const char* text);
void draw_multiline_text(OutputView* view, double x, double y, double angle, const char* text,
                         double line_step, int line_count, int alignment, double width);

// The arc over a marked number from start to end, raised by a quarter of the
// text height (in model units) over the middle.  Draw flag 0 measures: the
// result is the arc's top (start.y - r), else 0.
double draw_arc_sign(OutputView* view, TextPoint start, TextPoint end, int draw);
