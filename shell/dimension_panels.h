// The dimension stage's panel and the view-construction stage's panel:
// what they share (the dimension list, the edit of a projection under the
// document lock) and their binding into the stage tools and the command
// seams.
#pragma once
#include <windows.h>

#include <functional>

#include "store/drawing_file.h"

struct ProjectionWindow;

// Runs op on a copy of the window's projection record under the document
// lock and writes the copy's chain heads and flags back; the window is
// repainted. False when the projection could not be read.
bool with_active_projection(const std::function<void(DrawingFile*, unsigned char*)>& op, ProjectionWindow* w);

// Refills a combo box with one line per dimension of the window's
// projection that is not hidden; the item data is the dimension number.
void fill_dimension_combo(HWND combo, ProjectionWindow* w);

// Commits the dimension open in the dimension panel: 1 when committed or
// when none was open, 0 when refused (the message was shown).
int commit_dimension_input(HWND panel);

// Runs the generator's dialog "Режимы генерации размеров" modally: IDOK
// when the settings were taken for the generator, IDCANCEL otherwise.
INT_PTR generator_dialog_run(HWND owner);

// The automatic dimensioning after a stored element (when the drawing asks
// for it): the generator from the projection's origin point, on the
// projection record the element input holds.
void generator_auto_dimensions(unsigned char* projection);

// Fills the stage-tools rows of stages 2 and 4 and the dimension seams.
void dimension_panels_bind();
void construction_panel_bind();
