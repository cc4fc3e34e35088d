// Drawing a sheet: its outline, the frame and the lines of the title block,
// through the output primitives, so that the same drawing serves the sheet
// window, a printer page and the DXF output.
#pragma once
#include <cstdint>

#include "render/output/output_view.h"

// Frame distances from the sheet edges in mm: 20 at the left (binding
// margin), 5 at the others.
constexpr double sheet_frame_left = 20.0;
constexpr double sheet_frame_margin = 5.0;
// Pen widths in mm: frame and title-block outlines, and the thin lines.
constexpr double sheet_pen_thick = 0.6;
constexpr double sheet_pen_thin = 0.25;

// One line of a title-block layout, in whole mm relative to its block's
// origin with y upward; weight 1 thick, 0 thin.
struct TitleBlockLine {
    int16_t x1, y1, x2, y2;
    int16_t weight;
    uint8_t block;
};

// The lines of kind's main block (block 0); count gets their number.  Null
// (count 0) for a kind whose layout this program does not draw.
const TitleBlockLine* title_block_main_lines(int kind, int* count);

// Draws the sheet of the header of the current drawing (format code,
// rotated bit, title-block kind): the outline (0,0)-(W,H) thin, the frame
// (20,5)-(W-5,H-5) thick and the main block of the title block at the
// frame's bottom right corner.  Sheet mm become model units by the drawing
// scale; y runs downward.
void draw_sheet(OutputView* view);
