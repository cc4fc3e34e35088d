// The model window: editor and console of the current drawing's main model
// program, a modal dialog. The program runs on the worker thread while the
// window stays usable; its output lines come back to the window as posted
// messages.
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

// Fills the model's command seams (the model window command, the table
// editor command, the quiet run before construction).
void model_bind();

// Opens the model window (modal on the frame) for the current drawing;
// nothing happens without one. It opens where it was last closed.
void model_window_open();
// Opens it modal on owner; with notify (the dialog it was opened for, the
// table editor) it docks at the right of the main window. A beep when there
// is no drawing or one is open already.
void model_window_open_modal(HWND owner, HWND notify);

// The model properties of the slot (dialog 513 for the main model, 723 for
// the second), modal on the model window.
void model_properties_open(HWND model_dialog, int slot);
// The list of statements, functions and operators (dialog 515); a double
// click on an entry that is program text inserts it at the editor's caret.
void operator_list_open(HWND model_dialog);

// The handle of the open model window, or null.
extern HWND model_window;

// The gutter text: "%05u\n" for count lines from first_line (1-based).
std::string model_gutter_text(unsigned first_line, unsigned count);

// Runs the current drawing's main model without a window (before the view
// construction) when a value edited in the drawing waits to be written
// back: a statement budget instead of a stop button.
void model_run_quietly();
// The same run, whether or not a value waits (the table editor's opening).
void model_run_silently();
