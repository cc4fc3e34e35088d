// Marks of a projection window: the points of the dimension being entered
// or edited, kept in the window's MarkSet (shell/core/mark_set.h), with
// their invalidation and drawing.
#pragma once
#include <windows.h>

#include <cstdint>

#include "shell/core/mark_set.h"

struct ProjectionWindow;

// Builds the set of a dimension (its ends, when it has both) for the
// caller to store in the window; invalidates each marked point.  Below the
// construction stage the Alt indicator is switched on.  Null on failure
// (the damaged drawing is reported).
MarkSet* mark_add_dimension(ProjectionWindow* w, uint8_t* projection, uint8_t* dimension, RecordRef owner,
                            const uint8_t* anchor_point);
// Appends the point of a dimension link to the window's set (none: nothing).
void mark_add_point(ProjectionWindow* w, uint8_t* projection, const uint8_t* link);
// Removes the first linked-point entry of a point.
void mark_remove(ProjectionWindow* w, uint32_t point_number);
// The Alt indicator off; the set freed; button 1668 of the stage panel
// greyed; the window repainted at once.
void marks_clear(ProjectionWindow* w);
// Invalidates the marks about a model position.
void mark_invalidate(ProjectionWindow* w, double x, double y);
// Draws the window's marks on dc (called by the paint).
void marks_draw(ProjectionWindow* w, HDC dc);
