// What the document code asks of the shell, the projection windows, the
// stage tools and the file system, through function pointers.  The program's
// wiring fills the table once at start-up; tests fill it with recorders.
// Until then every member does nothing (a question answers "No", a dialog is
// cancelled, the wizard and the image loader succeed with nothing to do),
// so no caller tests a member for null.
#pragma once
#include <cstddef>
#include <cstdint>

struct DrawingFile;

// What changed in the documents, told to the shell, which shows it (menu
// items, steps it runs after the current message).  The documents code names
// no menu item of its own.
enum DocumentChange {
    // A drawing is open and a checkpoint can be made, or the last one closed.
    document_checkpoint_possible = 1,
    document_checkpoint_impossible,
    // A ".BMP" path was given on the command line: a new drawing with that
    // image as sketch is to be made once the current message is done.
    document_new_drawing_wanted,
    // A named drawing was opened: its undo list is to be collected from its
    // snapshots once the current message is done.
    document_opened,
    // An item of the undo (redo) list was chosen: undo_steps holds the steps,
    // the undo (redo) is to run once the current message is done.
    document_undo_chosen,
    document_redo_chosen
};

struct DocumentShell {
    // Question `code` with an extra text line; 1 yes, 0 no.
    int (*ask)(int code, const char* extra, unsigned seconds);
    // The projection windows of the current drawing.
    void (*projection_windows_open_all)();
    void (*projection_windows_destroy_all)();
    // The new-drawing wizard; a negative result means cancelled.
    int (*create_initial_projections)();
    // Loads one conventional-image record (picture chain); 0 when it failed.
    int (*load_conventional_image)(const unsigned char* record);
    // Frees the loaded picture bitmaps of a drawing.
    void (*picture_bitmaps_free)(DrawingFile* df);
    // Main window title.
    void (*title_set)(const char* text);
    // The caption of the current stage (may be null) and, when the active
    // child is a projection window, its full view caption (else null).
    const char* (*stage_caption)();
    const char* (*active_projection_caption)();
    // What changed (see DocumentChange), and the undo (redo = 0) / redo (1)
    // lists.
    void (*changed)(DocumentChange what);
    void (*checkpoint_menu_changed)(int redo);
    // Prompt line and the clock cursor.
    void (*prompt_show)(const char* text);
    void (*busy_cursor)(int on);
    // The save dialog: mask as in the program ("*.svt"); writes the chosen
    // full path into path (size bytes); 0 when cancelled.
    int (*save_dialog)(const char* mask, char* path, size_t size);
    // The recent-files list.
    void (*recent_files_add)(const char* path);
    // A new drawing was made: the stage is set to reference points and the
    // settings of a new drawing applied (and dialog 372 run when needed).
    void (*new_drawing_ready)();
    // A drawing was loaded: the stage-panel slot and the dimension tools are
    // reset.
    void (*drawing_loaded)();
    // The current drawing was closed: stage panel emptied, stage 0, the
    // window items of the fifth menu removed.
    void (*drawing_closed)();
    // A drawing that was not closed normally cannot be used as it is: the
    // user is pointed at its newest snapshot (null when there is none).
    void (*offer_snapshot)(const char* drawing, const char* snapshot);
};

extern DocumentShell document_shell;
// The do-nothing table document_shell starts with.
extern const DocumentShell document_shell_unbound;

// Whole-file operations of the document code go through these, so that a
// test can make any one of them fail.  fault(op, path) non-zero fails it.
enum DocumentFileOp {
    doc_op_copy = 1,
    doc_op_rename = 2,
    doc_op_delete = 3,
    doc_op_flush = 4,
    doc_op_reopen = 5
};
extern int (*document_file_fault)(int op, const char* path);

// Copies from to to through a file opened for writing, flushed to the disk
// before it is closed; 0 or -1.  A failed copy leaves no target behind.
int doc_file_copy(const char* from, const char* to);
int doc_file_rename(const char* from, const char* to);
int doc_file_delete(const char* path);

// Millisecond clock of the checkpoint timing; tests may replace it.
extern uint64_t (*document_ticks)();
