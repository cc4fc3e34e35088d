// The dialogs around the drawing: the start dialog, the units, scale and
// grid dialog, the symbol table and the drawing-option dialogs, with the
// user values they keep in the registry.  settings_dialogs_bind() puts them
// behind the dispatcher's command seams.
#pragma once
#include <windows.h>

#include <cstddef>

// Fills the command seams of these dialogs and the kernel's sketch-library
// folder.  Called from program_wiring().
void settings_dialogs_bind();

// ---------------------------------------------------------------- start dialog
// The modal start dialog over the frame; the choice is posted to the frame
// as a menu command.
void start_dialog_show(HWND frame);
INT_PTR CALLBACK start_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// ---------------------------------------------------------------- units dialog
void units_dialog_run();
// After a new drawing: the units dialog when the first projection window
// shows a sketch.
void units_dialog_after_new_drawing();
INT_PTR CALLBACK units_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Snaps every reference point to the grid; does nothing until the point
// tools provide it.
extern void (*snap_all_points_to_grid)();

// ---------------------------------------------------------------- symbol table
void symbol_table_dialog_run();
INT_PTR CALLBACK symbol_table_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Copies a text to the clipboard as CF_TEXT; false when it cannot.
bool copy_text_to_clipboard(HWND owner, const char* text);

// ---------------------------------------------------------------- drawing options
// Dialog 418: 0 on "Выход" or Esc, 1 on "Дополнение".
int drawing_options_dialog_run();
// Dialog 719.
void drawing_options_more_dialog_run();
INT_PTR CALLBACK drawing_options_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// User values of the registry (under the settings' user key).
void settings_read_user_value(char* buffer, size_t size, const char* name);
void settings_write_user_value(const char* text, const char* name);
void settings_get_photolib(char* buffer, size_t size);
void settings_set_photolib(const char* text);
void settings_get_render_stl(char* buffer, size_t size);
void settings_set_render_stl(const char* text);
// The sketch-library folder chosen by the user, shown in the dialog's
// control `control` and its hint; kept as "Photolib" with one trailing '\'.
void browse_sketch_library(HWND dialog, int control);
// Answers the folder choice instead of the system's folder dialog (tests):
// returns 1 and the folder in path, or 0 for a cancel.
extern int (*sketch_library_answer)(char* path, size_t size);

// "При автоматическом формировании для свободных точек размеры не зависят
// от ортогональных осей": a program flag of the session, not stored.
extern int free_point_dimensions_without_axes;

// ---------------------------------------------------------------- projection lists
// The lists of projections (kind 0) or fragments (kind 8) of the current
// drawing.
void projection_properties_run(int kind);
