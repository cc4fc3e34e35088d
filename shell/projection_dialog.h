// The dialogs that add a projection ("Определить проекцию объекта") or a
// fragment ("Найти  фрагмент") to the current drawing.
#pragma once
#include <cstdint>

#include "store/drawing_file.h"

// Runs the dialog of kind 0 (projection) or 8 (fragment); the drawing is
// saved afterwards.  Returns the dialog's result (1 when cancelled).
int projection_dialog_run(int kind);
// Adds the perspective record (kind 1: distance 50, turns 66 and 66, the eye
// computed) to the construction chain of the stored projection.
void perspective_record_add(DrawingFile* df, uint8_t* projection);
