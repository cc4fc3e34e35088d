// Pens of dimension and annotation line work: solid pens of a sheet width
// (0.25 or 0.6 mm) in a given colour.
//
// They are made like the text pen, so that in DXF mode each one also sets
// dxf_line_width to its width: a dimension line or frame is then written at
// its own width, never at whatever an element or a glyph set last.
#pragma once

#include <cstdint>

#include "render/output/output_view.h"
#include "render/output/pixel_canvas.h"

// trunc(sheet_to_model_length(width) x scale x + 0.5) pixels, at least 1, in
// `colour`; in DXF mode 1 pixel, and dxf_line_width becomes width_mm.
PenDesc dimension_pen(const OutputView* view, double width_mm, uint32_t colour);

// The normal colour of dimension line work (settings line colour).
uint32_t dimension_line_colour();

// Selects dimension_pen(view, width_mm, dimension_line_colour()).
PenScope select_dimension_pen(OutputView* view, double width_mm);
