// The graphic elements in the program: the rebuild of the changed
// projections after a stage switch, and the rebuild of one projection for
// the view construction run.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

// Fills the command seams of the element rebuild.  Called once from
// program_wiring().
void elements_bind();

// Rebuilds the elements of a projection record (in the projection page
// buffer) from its points, true positions with full; for the construction
// run.  Returns true when a fillet could not be built.
bool elements_rebuild_projection(unsigned char* projection, bool full);

// The four-point symbols `elements` of the projection record (in the
// projection page buffer) had a point moved: their bends in preparation are
// abandoned and their bent pictures prepared again.
void elements_prepare_pictures(unsigned char* projection, const std::vector<uint32_t>& elements);

// A left click in a projection window at the image stage: the reference
// point under (x, y) goes to the element input.  Returns 1 when the click
// was taken.
int image_stage_click(HWND window, int x, int y, WPARAM keys);
// The image stage's input state (21 while the marking tool is chosen).
int image_stage_state();

// The image-stage panel's procedure joins the stage panels (the procedure
// that was there answers the other panels).
void element_panel_bind();

// The gap of a new view break, asked in its dialog (10.0 when cancelled;
// the absolute value of the number typed).
double ask_break_gap();
