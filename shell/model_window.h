// The model window: editor and console of the current drawing's main model
// program. The program runs on the worker thread while the window stays
// usable; its output lines come back to the window as posted messages.
// The window cannot be closed while a run is going on; on closing, the
// editor's text is stored in the drawing (a failure is shown and the window
// stays open).
#pragma once
#include <windows.h>

#include <string>

enum : UINT {
    UM_MODEL_LINE = WM_USER + 1,  // lParam: a heap copy of one output line (the window frees it)
    UM_MODEL_DONE = WM_APP + 20   // the run thread ended; lParam: its result (the window frees it)
};

// Fills the model's command seams (the model window command, the quiet run
// before construction).
void model_bind();

// Opens the model window (modal on the frame) for the current drawing;
// nothing happens without one.
void model_window_open();

// The handle of the open model window, or null.
extern HWND model_window;

// The gutter text: "%05u\n" for count lines from first_line (1-based).
std::string model_gutter_text(unsigned first_line, unsigned count);

// Runs the current drawing's main model without a window (before the view
// construction): a statement budget instead of a stop button.
void model_run_quietly();
