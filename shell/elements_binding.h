// The graphic elements in the program: the rebuild of the changed
// projections after a stage switch, and the rebuild of one projection for
// the view construction run.
#pragma once

// Fills the command seams of the element rebuild.  Called once from
// program_wiring().
void elements_bind();

// Rebuilds the elements of a projection record (in the projection page
// buffer) from its points, true positions with full; for the construction
// run.  Returns true when a fillet could not be built.
bool elements_rebuild_projection(unsigned char* projection, bool full);
