// Drawing a sheet: its outline, the frame and the title block (its blocks,
// lines and the field texts in their cells), through the output primitives,
// so that the same drawing serves the sheet window, a printer page and the
// DXF output.
#pragma once
#include <cstdint>
#include <string>

#include "render/output/output_view.h"

// Frame distances from the sheet edges in mm: 20 at the left (binding
// margin), 5 at the others.
constexpr double sheet_frame_left = 20.0;
constexpr double sheet_frame_margin = 5.0;
// Pen widths in mm: frame and title-block outlines, and the thin lines.
constexpr double sheet_pen_thick = 0.6;
constexpr double sheet_pen_thin = 0.25;
// A cell's text keeps this much of the cell free (width and height), and a
// left or right aligned text stands this far from the cell's side (mm).
constexpr double title_cell_free = 1.86;
constexpr double title_cell_inset = 1.24;

// Bits of TitleBlockBlock::flags.
enum : uint8_t {
    title_block_corner_mask = 0x03,       // 0 bottom right, 1 top right, 2 top left, 3 bottom left
    title_block_turn_mask = 0x0c,         // quarter turns, shifted by 2
    title_block_optional = 0x10,          // drawn only when one of its cells has a stored field
    title_block_follows_rotation = 0x20   // on a rotated sheet corner and turn step back by one
};

// One block of a title block: a group of lines and cells placed at a corner
// of the frame, offset by (dx, dy) (dy upward) and turned by quarter turns.
// A quarter turn makes the block's x run up the sheet (its texts read
// upward); block coordinates are whole mm with y upward.
struct TitleBlockBlock {
    uint8_t number;
    uint8_t flags;
    int16_t dx, dy;
};

// One line of a title-block layout, relative to its block; weight 1 thick,
// 0 thin.
struct TitleBlockLine {
    int16_t x1, y1, x2, y2;
    int16_t weight;
    uint8_t block;
};

// One cell: field 0 is a fixed label (the format is the label itself);
// otherwise the format holds "%s" where the field's text goes.  (x, y) is
// the lower left corner relative to the block.  Alignment 0 left, 1
// centred, 2 right.
struct TitleBlockCell {
    uint16_t field;
    int16_t x, y;
    uint8_t width, height;
    uint8_t block;
    uint8_t alignment;
    const char* format;
};

struct TitleBlockLayout {
    const TitleBlockBlock* blocks;
    int block_count;
    const TitleBlockLine* lines;
    int line_count;
    const TitleBlockCell* cells;
    int cell_count;
};

// The layout of title-block kind 1..7; null for kind 0 and unknown kinds.
const TitleBlockLayout* title_block_layout(int kind);

// The lines of kind's main block (block 0); count gets their number.  Null
// (count 0) for a kind without a title block.
const TitleBlockLine* title_block_main_lines(int kind, int* count);

// A point of a block in sheet mm (y downward) on a sheet w x h, rotated
// when the sheet is turned; the block's corner, offset and turn applied.
struct SheetPoint {
    double x, y;
};
SheetPoint title_block_point(const TitleBlockBlock& block, double w, double h, int rotated, double x, double y);
// The quarter turns a block's texts are drawn with on that sheet.
int title_block_turn(const TitleBlockBlock& block, int rotated);

// Fits text into a cell of width x height mm: the text size index 4, 3, 2,
// 1 slanted in stroke font A, then 0 upright in font B, the first whose box
// (model units, measured with the current drawing's scale) lies within
// (width - 1.86) x (height - 1.86) mm.  A single-line text that fits at no
// size loses its last characters until it fits (and may end empty).  The
// chosen font stays selected; box_w / box_h / depth (model units) and the
// line count describe the fitted text.  Returns the size index used (0..4).
int fit_cell_text(std::string* text, double width, double height, double* box_w, double* box_h,
                  double* depth, int* lines);

// Draws the sheet of the header of the current drawing (format code,
// rotated bit, title-block kind): the outline (0,0)-(W,H) thin, the frame
// (20,5)-(W-5,H-5) thick, and every block of the title block (an optional
// block only when one of its fields has a record) with its lines and the
// texts of its cells: the current sheet's record of each field, else the
// common one.  Sheet mm become model units by the drawing scale; y runs
// downward.
void draw_sheet(OutputView* view);

// The title block's main block alone on a printer page of page_w x page_h
// mm (the title block printed on a page of its own): drawn as on a sheet of
// the page's size, its corner 5 mm inside the page's bottom right corner,
// without outline and frame.
void draw_title_block_page(OutputView* view, double page_w, double page_h);
