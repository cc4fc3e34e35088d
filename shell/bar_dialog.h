// The bar dialog of the image stage.
#pragma once
#include <windows.h>

#include "shell/projection_windows.h"

// Bar parameters (dialog 643) for the marked elements of the window's
// projection: IDOK when bars were made or joined, IDC_BAR_DELETE when bars
// were deleted, else IDCANCEL (nothing marked: a prompt, no dialog).
int bar_dialog(ProjectionWindow* w);

