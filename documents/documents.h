// Documents: the two drawing slots, new drawings, opening by path, loading
// (with the upgrade of older formats), the main window title and closing.
// A drawing is always edited in place in a file: an existing drawing in its
// own file, a new one in an unnamed working file "svtNNNNN.tmp" in the
// current folder.
//
// States of a drawing in the program, and the function that moves it:
//  - open: drawing_new (a new working file) or drawing_open_path (a named
//    drawing, or a copy of a snapshot) takes a slot (at most two, kept in
//    the first slots; current_drawing names the current one) and opens the
//    file; its header says "drawing open" while a writable drawing is open.
//  - clean / dirty: as the page engine says (store/drawing_file.h); the
//    save commands (documents/saving.h) and checkpoints make it clean.
//  - failed: report_document_failure; the next internal-error message
//    closes everything (the shell's close-everything road).
//  - unusable: a drawing not closed normally whose structure check failed is
//    closed untouched and its slot given back (the user is pointed at its
//    newest snapshot); a drawing whose file cannot be opened again after a
//    checkpoint, an undo or a copy is dropped by drawing_slot_drop.
//  - closing: drawing_close asks about unsaved work, closes the file and
//    gives the slot back; a close that failed keeps the drawing open.
// documents_state_fault checks the slots and each open drawing against
// these rules; the tests call it after each kind of step.
#pragma once
#include <cstddef>
#include <cstdint>

#include "store/drawing_file.h"

// open_drawings and current_drawing are the page engine's; the count is here.
extern int16_t open_drawing_count;
// Set when a ".BMP" path from the command line is to become the sketch of a
// new drawing.
extern int new_drawing_from_image;
// The path the program was started with (null when none); set by the shell.
extern const char* document_command_line_file;

// The current drawing's handle, or null.
DrawingFile* current_drawing_file();

// The first rule of the states above that the slots or a drawing in them
// break, or null when all hold.
const char* documents_state_fault();

int drawing_new(int no_wizard);
int drawing_load();
void drawing_open_path(const char* path);
// Closes the current drawing; returns 0, or the error of a close that
// failed (the drawing then stays open).
int drawing_close();
int drawing_file_close_asking(DrawingFile* df);
void drawing_limit_message();
// A drawing whose file could not be opened again (after a checkpoint, a step
// or a copy) is given back: its windows go, its slot is freed.
void drawing_slot_drop(DrawingFile* df);

// The file-name part of the current path (after the last '\' or '/').
void drawing_file_name_part(char* dest, size_t size);
// The main window title of the current drawing (or the program's own title
// when none is open).
void main_title_text(char* out, size_t size);
void main_title_update();

// True when the file name (not the folder) of path contains ".tmp" in any
// letter case: such files are opened as unnamed working drawings.
bool path_is_working_file(const char* path);

// Checks a drawing that was not closed normally: walks every chain from the
// header and the projection records, the picture blobs, and on success gives
// the free list anew as every page that nothing uses.  Returns 0 when the
// drawing is consistent, 1 when it is damaged (nothing is then changed).
int drawing_consistency_pass(DrawingFile* df);
// The same walk without any change: 0 when every chain and blob of the
// drawing lies within its file, well formed and used once.
int drawing_structure_check(DrawingFile* df);
// Whether a snapshot file opens as a drawing whose structure is whole.
bool snapshot_usable(const char* path);

// Whether the start-up cleanup may delete an old temporary file: only an
// unnamed working file ("svt" + five digits + ".tmp") that was closed
// normally.  A working file left open by a crash is the only copy of a new
// drawing, and snapshots "svt_<name>_NNNNN.tmp" are the undo history of a
// named one: both stay.
bool stale_file_deletable(const char* path);

// A drawing on a read-only file or medium is opened for viewing: nothing is
// written to it.  The prompt shown when it opens, and the message that
// refuses a save, a checkpoint, an undo or a redo of it.
extern const char text_read_only_opened[];
extern const char text_read_only_refused[];
// True when the current drawing is open for viewing only; shows the refusal
// (error_flag 1) when so.
bool drawing_read_only_refused();

// The program's own title, shown when no drawing is open.
extern const char program_title[];
