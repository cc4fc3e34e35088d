// Picking and pointing in the projection windows: the pick marker on a
// window's device context, the cross-hair of the annotation stage, and the
// window services the drawing walks call (marker, prompt, status).
#pragma once
#include <windows.h>

#include "geometry/transforms.h"
#include "shell/core/pick_marker.h"

struct ProjectionWindow;

// The window's view transform (offset, scroll shift, pixels per unit).
ViewTransform projection_window_transform(const ProjectionWindow* w);

// The cross-hair: dotted lines across the client through (x, y) in the
// window that owns it.  Moving invalidates 3-pixel strips about the old
// lines and, when shown, about the new ones; hiding gives up the owner.
void crosshair_move(ProjectionWindow* w, int x, int y, int show);
// Draws the cross-hair during w's paint in the annotation stage.
void crosshair_draw(ProjectionWindow* w, HDC dc);
// The cross-hair's owner and position (for tests and the tools).
ProjectionWindow* crosshair_owner();
POINT crosshair_position();

// A window that goes away: its marker and its cross-hair are forgotten.
void picking_window_gone(ProjectionWindow* w);

// Fills the pick marker's device and the walks' window seams.
void view_picking_bind();
