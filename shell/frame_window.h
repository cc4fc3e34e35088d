// The process entry and the MDI frame window of SARVOLT: the frame's panels
// and their layout, the private frame messages, the stage hot keys, the stage
// panel slot and the deferred repaint queue.
#pragma once
#include <windows.h>

#include "shell/frame_face.h"

// Private frame messages.
enum {
    UM_OPEN_START_FILE = WM_USER + 1,
    UM_INIT_MENUS = WM_USER + 2,
    UM_SHOW_START_DIALOG = WM_USER + 3,
    UM_UNDO = WM_USER + 4,
    UM_REDO = WM_USER + 5,
    UM_REOPEN_PROJECTION_WINDOW = WM_USER + 6,
    UM_START_CONSTRUCTION = WM_USER + 7,
    UM_SHOW_CONSTRUCTION_DIALOG = WM_USER + 8,
    // Posted by a worker thread that must close everything: the GUI thread
    // does the closing (wParam 1: start the program again on the path in
    // lParam, a heap copy the frame frees).
    UM_CLOSE_EVERYTHING = WM_APP + 1
};

// The frame's window class and title.
extern const char frame_class_name[];    // "SarVolt"
extern const char frame_window_title[];  // "SARVOLT - Конструкторская документация"

extern HWND mdi_client;
extern HMENU main_menu;
extern char* command_line_file;
extern HWND prompt_panel;
extern HWND top_separator;
extern HWND panel_separator;
extern HWND scale_panel;
extern HWND stage_bar;
extern HWND stage_panel;
extern int stage_panel_id;
extern HFONT stage_panel_font;
extern HWND current_modeless_dialog;
extern HWND sheet_window;
extern HWND sheet_list_window;
extern volatile LONG worker_running;
extern HANDLE worker_thread;
extern int wheel_seen;
extern DWORD gui_thread_id;
// Set once the program has started to close everything (exit, fatal
// message, damaged file): code that would touch drawings stops.
extern volatile LONG program_closing;

LRESULT CALLBACK frame_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Keeps the command-line tail as one path with every '"' removed; null when
// the tail is empty.  The result is allocated and kept for the process.
char* command_line_path(const char* tail);

// Ends a running worker: clears worker_running and waits up to ms for the
// thread while the messages it sends to this thread go on being served (it
// is never killed, so no lock it holds is left taken).  Returns true when no
// worker runs any more.
bool stop_worker(DWORD ms);

// True while the worker slot holds a thread that still runs.  A thread that
// has ended on its own (the annotation properties thread is never joined) is
// closed here and the slot freed, so it does not hold back the next worker.
bool worker_busy();

// Registers the frame class, loads the main menu and creates the frame,
// shown maximised.  Returns the frame or null.
HWND frame_create(HINSTANCE instance);
// The message loop of the GUI thread; returns the wParam of WM_QUIT.
int run_message_loop();

// ---------------------------------------------------------------- layout
struct PanelRect {
    int x, y, w, h;
};
struct FrameLayout {
    PanelRect prompt, top, scale, separator, stage, bar, client, sheet_list;
    bool has_sheet_list;
};
// Places the panels in a client area of w x h: prompt_h is the prompt
// panel's height, scale_w x scale_h the scale panel's size, bar_w the stage
// bar's width; with a sheet window the sheet list takes an 84-pixel column
// at the left of the MDI client.
FrameLayout frame_layout(int w, int h, int prompt_h, int scale_w, int scale_h, int bar_w,
                         bool sheet_window_exists);
// Lays the frame's panels out for its current client size.
void frame_layout_apply(HWND frame);

// ---------------------------------------------------------------- stage keys
// The stage command of a key ('1'..'6' or the numeric pad), or 0.
int stage_hotkey_command(int key);
void handle_stage_hotkey(int key);

// The compact template of a stage panel (ids not in the table stay).
int compact_panel_template(int id);
void show_stage_panel(int id, DLGPROC procedure);

// ---------------------------------------------------------------- repaints
struct InvalidateRequest {
    InvalidateRequest* next;
    HWND window;
    int rect[4];
    unsigned char flags;  // bit 0 erase the background, bit 1 the rectangle is valid
};
extern InvalidateRequest* invalidate_queue;
void post_paint(HWND window);
InvalidateRequest* queue_invalidate(HWND window, const RECT* rect, int erase);
void flush_invalidate_queue();

// ---------------------------------------------------------------- commands
// The command dispatcher; returns 0 when the command was handled.
int dispatch_menu_command(int id);
