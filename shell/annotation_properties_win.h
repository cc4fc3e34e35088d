// Annotation property dialogs: opening an element's dialog on a thread of
// its own, the shared routines of the dialogs, and their procedures.
#pragma once
#include <windows.h>

#include <cstdint>

#include "store/drawing_file.h"

// The annotation record whose dialog is open, and the projection it lies in.
extern RecordRef current_annotation_ref;
extern RecordRef properties_projection_ref;
// The record the annotation tools clone (0: none): the annotation tools'
// own state, so that "Клон" of a dialog reaches the tool that places the
// copies and a tool button or right click that ends the cloning ends it here.
extern RecordRef& clone_source;
extern HKL saved_keyboard_layout;
// The open text-fragment and section dialogs (null when none is open).
extern HWND open_fragment_dialog;
extern HWND open_section_dialog;

// Opens the properties of the annotation record at ref of the active
// projection window's projection: with a clone pending only the tool cursor
// is updated; else the dialog thread starts and its handle takes the worker
// slot.  Nothing opens while a worker runs.
void open_element_properties(RecordRef ref);
// The same for the annotation record at ref of the projection at projection_ref.
void open_element_properties_in(RecordRef projection_ref, RecordRef ref);
// The dialog of the drawing's general roughness sign (title-block list, key
// 65535), modal on the calling thread.
void open_general_roughness_properties();
unsigned __stdcall annotation_properties_thread(void* unused);

struct ProjectionWindow;
// A right click at client pixel (px, py) of a projection window in the
// annotation stage: opens the properties of the annotation element under
// it; false when there is none.
bool annotation_properties_right_click(ProjectionWindow* w, int px, int py);

// Shared routines.
void dock_dialog_right(HWND dialog, int client_y);
void radio_group_check(HWND dialog, const int* ids, int count, int id);
void fill_font_height_combo(HWND dialog, int height_index, int font_b, int slanted);
int copy_text_to_clipboard(const char* text);
void copy_variable_reference(HWND combo);
void sign_number_radio_set(HWND dialog, int index, int count);
int sign_number_radio_get(HWND dialog);
void tool_cursor_update();

// Called with each property dialog once it is shown (its template id); the
// Wine tests answer the dialogs through it.  Null in the program.
extern void (*properties_dialog_shown)(HWND dialog, int template_id);
// Low resolution as the dialogs see it (<= 100 pixels per inch).
bool properties_low_resolution();
