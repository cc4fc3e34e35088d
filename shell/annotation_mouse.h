// The mouse of the annotation stage in the projection windows: placing
// with the creating tools, picking and dragging with the move tool, the
// binding to a reference point on release with Alt, the cross-hair.
#pragma once
#include "shell/stage_tools.h"

// Fills the stage's mouse, key and paint handlers of a stage-tools row.
void annotation_mouse_fill(StageTools* row);
// A tool button was pressed: a drag under way ends, the cross-hair goes.
void annotation_mouse_tool_changed();
// Repaints the window that shows the annotation being worked on.
void annotation_mouse_repaint();
// Fills the annotation stage's row of the stage tools and the exchange
// readers' text placement (the shell's one bind call of the stage).
void annotation_panel_bind();
