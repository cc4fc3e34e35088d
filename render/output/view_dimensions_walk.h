// The dimension and annotation walk of a view: the third per-view walk
// (after the elements and the conventional symbols).  The projection
// window's paint, the sheet window, the print thread and the DXF export call
// it with their own output view.
//
// It draws every dimension of the projection by kind and geometry type, then
// every annotation record by kind (0 label, 1 leader, 2 hatching icon, 3
// text fragment, 4 section line, 5 roughness sign, 6 tolerance frame; 7 and
// above are skipped), and on a screen view finds the first record whose
// drawing covered the pick marker: it becomes the picked record of the
// annotation stage (dimension_seams.h), and when an open request is pending
// its property dialog is opened at the end.
//
// Damaged records are skipped or drawn as far as they are sound: a record
// shorter than its kind's head or longer than a page, an unknown kind; node
// counts and text lengths are bounded by the record.  The walk writes
// nothing into the drawing.
#pragma once

struct OutputView;

// Returns the mode; on a screen view with mode 0 the result of placing the
// pick marker again; the dialog's result when one was opened; 0 without a
// projection.
int draw_view_dimensions(OutputView* view, int mode);
