// Binds the output code into the seams below it: the element routines become
// the drawers of hatch lines, the leader marks the kernel's leader-mark
// measurer.  program_wiring calls render_output_bind once.
#pragma once

#include "render/contours/contour_clip.h"
#include "render/output/output_view.h"

void render_output_bind();

// Draws the window's hatch lines into view with the element routines;
// returns the result of the last primitive.
int draw_view_hatch_lines(OutputView* view, const ContourWindow* window);
