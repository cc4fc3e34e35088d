// Generating the hatch lines of a hatching and handing them to the drawing
// code.  Generation lays the kind's pattern over the hatch contour's box and
// clips every piece to the contour; the visible parts collect in the
// window's hatch-line list.  Drawing a list goes through a narrow seam that
// the Win32 drawing code fills.
#pragma once
#include "render/contours/contour_clip.h"

#include <cstdint>

// Regenerates one hatching (an annotation record of kind 2) into the
// window's hatch-line list.
void generate_hatch(ContourWindow* window, const uint8_t* hatching);

// The element drawers the hatch lines are drawn with: each takes a
// temporary element record (54-byte segment, 54-byte circle, 74-byte arc)
// and returns the result of the drawing primitive.
struct HatchLineDrawers {
    int (*segment)(const uint8_t* element);
    int (*circle)(const uint8_t* element);
    int (*arc)(const uint8_t* element);
};
extern HatchLineDrawers hatch_line_drawers;

// Draws every hatch line of the window; returns the result of the last
// primitive, 0 for an empty list.
int draw_hatch_lines(const ContourWindow* window);

// While the hatch worker may go on; null: always.  Polled once per piece.
extern bool (*hatch_worker_running)();
