// The Win32 side of the documents: the open and save dialogs, opening a
// recent file, the document commands of the main menu, the undo and redo
// submenus, menu enabling and the main window title.
#pragma once
#include <windows.h>

#include <cstddef>

#include "documents/document_seams.h"

// Makes the undo and redo items of the file menu the two submenus and sets
// the document commands' menu state for no open drawing.
void documents_menus_init();
// Greys or enables the document commands for an open drawing (open) or none.
void document_menu_state(bool open);
// The open (save = 0) or save (1) dialog; mask as in the program ("*.svt").
// Writes the chosen full path; 0 when cancelled.
int document_file_dialog(int save, const char* mask, char* path, size_t size);
// Runs a document command of the main menu; 1 when id was one of them.
int documents_command(int id);

// Test hook of the file dialogs: when set it answers in place of the open
// (save = 0) or save (1) dialog, writing the chosen path; 0 means cancelled.
extern int (*document_dialog_answer)(int save, char* path, size_t size);

// Opens entry n (1 the most recent) of the recent-files list, or asks for a
// drawing when the entry is gone.
void drawing_open_recent(int n);
void drawing_open_dialog();

// Shows a change of the documents: the checkpoint item's state, or the
// command posted to the frame that carries the change out.
void document_change_show(DocumentChange what);

// Positions of the undo and redo submenus in the file menu.
extern int undo_menu_position;
extern int redo_menu_position;
// Rebuilds the undo (redo = 0) or redo (1) submenu from its list.
void checkpoint_menu_rebuild(int redo);
