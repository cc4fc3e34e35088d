// Clipping graphic elements to contours.  An element is cut at its
// intersections with the contours above it and each piece is shown or
// hidden by the contours that contain it:
//  - screening mode: over the opaque-screen outlines (kind 0) and holes
//    (kind 1), the pieces are stored as new elements with a visibility level
//    and the element that was cut is hidden;
//  - hatch mode: a generated hatch piece is cut by its own hatch contour,
//    the other contours that overlap it and the rectangles around
//    annotation texts; the visible pieces go into the window's hatch-line
//    list.
#pragma once
#include "geometry/geom_types.h"
#include "render/contours/contour_lists.h"

#include <cstdint>

enum : int { clip_hatch_mode = 0, clip_screening_mode = 1 };

// A hatch line of a window (newest first): kind word (bits 0-3 kind 1
// segment, 2 circle, 3 arc; bits 4-7 line type) and its geometry.
struct HatchLine {
    HatchLine* next;
    uint16_t kind;
    Point2 g[3];
};

// What the contour code needs of a projection window: its projection record
// and its hatch-line list.  The Win32 projection window holds one.
struct ContourWindow {
    uint8_t* projection;
    HatchLine* hatch_lines;
};

void free_hatch_lines(ContourWindow* window);

// Each returns 1 when some piece lay inside a contour, else 0.  `which` is
// the element's RecordRef in screening mode and the hatching's id in hatch
// mode; range is the hatch contour's box (hatch mode).
int clip_line_to_contours(ContourWindow* window, const uint8_t* element, uint32_t which, const Box* range, int mode);
int clip_arc_to_contours(ContourWindow* window, const uint8_t* element, uint32_t which, const Box* range, int mode);
int clip_circle_to_contours(ContourWindow* window, const uint8_t* element, uint32_t which, const Box* range, int mode);
int clip_curve_to_contours(ContourWindow* window, const uint8_t* element, uint32_t which, const Box* range, int mode);

// A 74-byte arc record (kind 3) of a whole circle.
void circle_to_arc_record(const uint8_t* circle, uint8_t* out);

// A temporary contour (number 0, kind 2, level -2) around the text of a
// leader, text fragment or dimension text, widened by 1.24 sheet mm; its four
// sides are the piece list, which is made active.  Null when the record has
// no text box or memory runs out.
uint8_t* build_contour_around_annotation(const uint8_t* annotation, RecordRef annotation_ref);

// Deletes the screening pieces of the projection and shows the elements
// they replaced again.
void remove_screening_pieces(uint8_t* projection);
// Screens every element of the projection again.
void rebuild_view_screening(uint8_t* projection);
