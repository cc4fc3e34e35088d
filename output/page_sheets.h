// Page sheets: a projection that is a page of its own (a text page, a page
// of a table) gets a sheet of its own, with the title block of a text
// document (first sheet, or following sheet for a page that continues the
// page before it) and the page number in its title block.
//
// The marks live in the ProjectionRecord's second flag word (+100):
// page_projection_mark makes the projection a page, page_projection_continues
// makes it the next page of the page projection before it in chain order,
// and page_projection_has_sheet says that its page sheet was made (cleared
// when that sheet is deleted, so that a new one is made).
#pragma once
#include <cstdint>

#include "output/layout_nodes.h"
#include "store/drawing_file.h"

enum : uint16_t {
    page_projection_has_sheet = 0x0001,
    page_projection_mark = 0x1000,
    page_projection_continues = 0x2000
};

// The ProjectionRecord offset of the second flag word.
enum : size_t { projection_page_flags = 100 };

// Where a page projection's frame lands on its page sheet (sheet mm): its
// drawing (the frame less 0.6 mm on each side) starts at the frame corner
// (20, 5).
constexpr double page_sheet_place_x = 20.0 - 0.6;
constexpr double page_sheet_place_y = 5.0 - 0.6;

// Makes the page sheets of df's page projections that have none, in chain
// order (nodes: the layout nodes of df).  Page numbers count from 1 at a
// page that does not continue another; a page smaller than the A4 area less
// 20 mm both ways gets no sheet (it is laid out on a drawing sheet like any
// view) and takes no page number.  Each new sheet: the next free number,
// flag "page sheet", the format of page_sheet_format, unrotated, title
// block 2 (first page) or 3 (following page), field 7 its page number; the
// projection moves to it, placed at the frame corner, laid out.  Field 8 of
// the first page of the last document gets its page count.  Returns the
// number of sheets made, -1 on a store failure (error_flag set) or when the
// sheet numbers are used up (the message is shown).
int layout_make_page_sheets(DrawingFile* df, LayoutNodes& nodes);

// When the header's current sheet is a page sheet: its page projection is
// placed again (format chosen from A4..A0 for the sheet's title block,
// the header's rotation bit, the projection at the frame corner) and the
// header and the sheet record get the format and size.  Returns 1 then
// (automatic layout must not move anything on a page sheet), else 0.
int layout_place_page_sheet(DrawingFile* df, LayoutNodes& nodes);

// True when the header's current sheet is a page sheet.
bool layout_current_is_page_sheet(DrawingFile* df);
