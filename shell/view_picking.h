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

// A click that picks by pixels: the pick marker is placed at (x, y) of w
// and w is painted at once, so that the drawing walks of that paint report
// the object drawn over the marker through their seams before this
// returns.  0 when no marker could take part in that paint (the click lies
// within 3 pixels of the client's edge, or the paint could not draw the
// whole square): nothing was picked by pixels and no marker is left over
// for a later paint.
int pick_marker_paint_click(ProjectionWindow* w, int x, int y);

// The annotation stage's pick by pixels: what the paint of a click at
// (x, y) finds under the pick marker in its dimension and annotation walk,
// an annotation record or (drawn before the records) a dimension with the
// end nearer the click.  All 0 when nothing is drawn there or no marker
// could take part.  The walk's cross-hair on a picked dimension is put
// away again: the tools draw their own.
struct MarkerPick {
    uint32_t annotation;
    uint32_t dimension;
    uint8_t dimension_end;
};
MarkerPick pick_marker_annotation_click(ProjectionWindow* w, int x, int y);

// The tolerance tool's pick by pixels: the element walk of the paint of a
// click at (x, y), asked for the element under the pick marker, reports
// the first graphic element drawn over it and the marker's position in
// model units.  element 0 when nothing is drawn there or no marker could
// take part; the request is withdrawn either way.
struct ElementPick {
    uint32_t element;  // the element record's reference
    Point2 at;
};
ElementPick pick_marker_element_click(ProjectionWindow* w, int x, int y);

// A window that goes away: its marker and its cross-hair are forgotten.
void picking_window_gone(ProjectionWindow* w);

// Fills the pick marker's device and the walks' window seams.
void view_picking_bind();
