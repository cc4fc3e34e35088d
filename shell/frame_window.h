// The process entry and the MDI frame window of SARVOLT.
#pragma once
#include <windows.h>

// Private frame messages.
enum {
    UM_OPEN_START_FILE = WM_USER + 1,
    UM_INIT_MENUS = WM_USER + 2,
    UM_SHOW_START_DIALOG = WM_USER + 3,
    UM_UNDO = WM_USER + 4,
    UM_REDO = WM_USER + 5,
    UM_REOPEN_PROJECTION_WINDOW = WM_USER + 6,
    UM_START_CONSTRUCTION = WM_USER + 7,
    UM_SHOW_CONSTRUCTION_DIALOG = WM_USER + 8
};

// The frame's window class and title.
extern const char frame_class_name[];    // "SarVolt"
extern const char frame_window_title[];  // "SARVOLT - Конструкторская документация"

extern HINSTANCE program_instance;
extern HWND frame_window;
extern HWND mdi_client;
extern HMENU main_menu;
extern char* command_line_file;
extern HWND current_modeless_dialog;

LRESULT CALLBACK frame_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Keeps the command-line tail as one path with every '"' removed; null when
// the tail is empty.  The result is allocated and kept for the process.
char* command_line_path(const char* tail);
