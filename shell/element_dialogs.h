// The image-stage dialogs: line length, colour, element layers, contour
// information, fold and visibility level, and the access to the projection
// of a projection window that they and the image panel share.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "shell/projection_windows.h"
#include "store/drawing_file.h"

// Runs op on a copy of the window's projection record under the document
// lock and writes back its chain heads, frame (with the area origin and
// size and the constructed origin), flags and highest level; the window is
// repainted afterwards when repaint is set.  Returns false when
// the projection could not be read.
bool with_image_projection(ProjectionWindow* w, const std::function<void(DrawingFile*, unsigned char*)>& op,
                           bool repaint = true);

// Called on the dialog's thread once an image-stage dialog is shown (id:
// its template).  Tests drive the dialogs through it; null in the program.
extern std::function<void(HWND dialog, int id)> element_dialog_shown;

// Line length of element `element` (dialog 953).  Returns IDOK when the
// element was scaled, else IDCANCEL (also when it refuses the change).
int line_length_dialog(ProjectionWindow* w, uint32_t element);
// Colour dialog 975: the chosen colour (0x00BBGGRR), -1 when cancelled.
long colour_dialog(HWND owner, uint32_t start);
// Element layers (dialog 962).
int layers_dialog(ProjectionWindow* w);
// Information about the innermost contour of the first marked member
// (dialog 646).
int contour_info_dialog(ProjectionWindow* w);
// Fold `fold` just made from the marked elements (dialog 896): checks it
// first (a fold that cannot stand is deleted with the message).
int fold_dialog(ProjectionWindow* w, uint32_t fold);
// Visibility level of the marked elements (dialog 703).
int visibility_level_dialog(ProjectionWindow* w);

// What every image-stage dialog does: posts the shown notice from
// WM_INITDIALOG (element_dialog_shown then runs), answers it in the
// procedure (true when the message was it), and ends the dialog.
void element_dialog_announce(HWND dialog, int id);
bool element_dialog_shown_message(HWND dialog, UINT message, WPARAM wparam);
void element_dialog_finish(HWND dialog, int result);
// Refuses what was typed into field id: the message, the focus back on
// the field; returns TRUE for the dialog procedure (the dialog stays).
INT_PTR element_dialog_refuse(HWND dialog, int id, const char* text);

// The number typed into a field: a decimal comma is accepted; false when
// the text is no number.
bool typed_number(HWND dialog, int id, double* out);
