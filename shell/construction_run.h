// The view construction run of the program: the modeless log dialog, the
// construction thread and the two frame messages that start them.
//
// The thread holds the drawing lock for the whole run and never sends to a
// window of the GUI thread: log lines and the end of the run reach the log
// dialog as posted messages, so a GUI thread that waits for the lock (or
// for the thread) never meets a thread that waits for it.
#pragma once
#include <windows.h>

// Messages of the log dialog.
enum {
    UM_CONSTRUCTION_END = WM_USER + 1,   // lParam: non-zero when the run had errors
    UM_CONSTRUCTION_LINE = WM_USER + 2   // lParam: heap copy of the line (the dialog frees it)
};

// The log dialog while it exists (message boxes then show without owner).
extern HWND construction_dialog;

// UM_SHOW_CONSTRUCTION_DIALOG: opens the log dialog (the registered
// modeless dialog) and posts UM_START_CONSTRUCTION to the frame.
void start_view_construction();

// UM_START_CONSTRUCTION: starts the construction thread in the program's
// worker slot (nothing when a worker runs or the dialog is gone).
void start_construction_thread();

// Called between projections (and inside the solver): true when the run
// is to stop.
bool construction_stop_requested();
