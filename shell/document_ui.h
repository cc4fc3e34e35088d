// The Win32 side of the documents: the open and save dialogs, the recent-files
// registry values, the document commands of the main menu, the undo and redo
// submenus, menu enabling and the main window title.
#pragma once
#include <windows.h>

#include <cstddef>

// Binds the document code to the frame (seams, hooks, the two submenus).
void documents_win_init();
// Runs a document command of the main menu; 1 when id was one of them.
int documents_command(int id);

// Test hook of the file dialogs: when set it answers in place of the open
// (save = 0) or save (1) dialog, writing the chosen path; 0 means cancelled.
extern int (*document_dialog_answer)(int save, char* path, size_t size);

// The drawing's recent-files list under the program's per-user key.
void recent_files_add_path(const char* path);
void drawing_open_recent(int n);
void drawing_open_dialog();

// Positions of the undo and redo submenus in the file menu.
extern int undo_menu_position;
extern int redo_menu_position;
// Rebuilds the undo (redo = 0) or redo (1) submenu from its list.
void checkpoint_menu_rebuild(int redo);
