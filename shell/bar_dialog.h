// The bar dialog of the image stage.
#pragma once
#include <windows.h>

#include "shell/projection_windows.h"
#include "shell/resource_ids.h"

// Bar parameters (dialog 643, or the same template as 931 for the bars
// along a contour) for the marked elements of the window's projection:
// IDOK when bars were made or joined, IDC_BAR_DELETE when bars were
// deleted, else IDCANCEL (nothing marked: a prompt, no dialog).
int bar_dialog(ProjectionWindow* w, int template_id = IDD_BAR);

