// The table editor: the drawing's tables, their columns, rows and cells,
// undo and redo, the row sort, the bill of materials, and import and export
// of a table as text. Opened by the tables command; modal on the frame; the
// drawing is saved when it closes.
#pragma once
#include <windows.h>

// Opens the editor for the current drawing; nothing happens without one.
void tables_dialog_open();

// The dialog procedure (tests create the dialog with it).
INT_PTR CALLBACK tables_dialog_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);

// The table template dialog (634), or with grid the axis grid dialog (644),
// modal on owner: edits a template's parameters and builds it as a view.
void table_template_dialog_open(HWND owner, bool grid);

// The column count of the table last shown by the editor (4 before any):
// a new template's number of table columns.
extern int tables_last_column_count;

// The open editor, or null.
extern HWND tables_dialog_window;
