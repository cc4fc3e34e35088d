// The mouse of the annotation stage in the projection windows: placing
// with the creating tools, picking and dragging with the move tool, the
// binding to a reference point on release with Alt, the cross-hair.
#pragma once
#include <windows.h>

#include "geometry/geom_types.h"
#include "shell/projection_windows.h"
#include "shell/stage_tools.h"

// Fills the stage's mouse, key and paint handlers of a stage-tools row.
void annotation_mouse_fill(StageTools* row);
// A tool button was pressed: a drag under way ends, the cross-hair goes.
void annotation_mouse_tool_changed();
// True once after a drag ended with Alt held (binding the record to the
// point under the cursor) and Alt has been let go since: the menu bar
// that the key's release would open stays closed.
bool annotation_mouse_take_alt_release();
// Puts the mouse cursor on the pixel of the window that shows drawing
// point p.
void set_cursor_to_point(HWND window, const ProjectionWindow* w, Point2 p);
// Repaints the window that shows the annotation being worked on.
void annotation_mouse_repaint();
// Fills the annotation stage's row of the stage tools and the exchange
// readers' text placement (the shell's one bind call of the stage).
void annotation_panel_bind();
