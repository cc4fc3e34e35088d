// The marking tools of the image stage in the running program: clicks and
// the rubber band in a projection window (marking state 21, level
// distribution state 20), the marked-element list and the buttons that
// follow the marks, and the panel commands that work on marked elements
// and contours.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>

#include "shell/projection_windows.h"

// A question of the program (code 13: delete all contours); null asks with
// the confirmation dialog.  Tests answer through it.
extern std::function<int(int code)> element_question;

// The projection window the image panel works on: the active one, else
// the input window, else the first.
ProjectionWindow* image_window();

// Refills the marked-element list of the panel and sets the buttons that
// depend on the marks and contours of the window's projection.
void marking_panel_refresh(HWND panel, int state);
// Forgets the band, the element chosen in the list and the first pick of
// the level distribution.
void marking_reset();

// A click of the marking states picks the element drawn under it through
// the pick marker (the paint it causes marks it), else the nearest one
// within a few pixels.
int marking_left_down(HWND window, int x, int y, WPARAM keys, int state);
int marking_mouse_move(HWND window, int x, int y, WPARAM keys);
int marking_left_up(HWND window, int x, int y, WPARAM keys, int state);
void marking_paint_over(HWND window, HDC dc);

// Bars along the closed contour around the client position (x, y) of w
// (command 141, "Добавить припуск"): the contour's members are marked, the
// bar dialog (931) runs on them, and the bars it makes lose their caps
// inside the contour and get arcs round its corners.  Returns the bar
// dialog's result, IDCANCEL when there is no contour.
int allowance_along_contour(ProjectionWindow* w, int x, int y);

// Binds the element walk's marking seams: the element a marking click's
// paint finds under the pick marker goes to that click.
void marking_walk_bind();

// A panel command of the marking tools; returns true when it was one.
bool marking_command(HWND panel, int id, int notification, int state);
