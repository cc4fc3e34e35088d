// The fragment insertion dialog "Режимы вставки" (IDD_FRAGMENT_INSERT) and
// the fragment commands of the shell: the binding of the insertion's
// questions, prompt and checkpoint, and the insertion of a fragment into a
// projection under the drawing lock.
#pragma once
#include <windows.h>

#include <cstdint>

#include "geometry/geom_types.h"
#include "output/fragment_instances.h"

// What the dialog is told when it opens: whether elements of the active
// projection are marked, and the mode bits of the intact instance that a
// marked element belongs to (-1: none).  Set by the caller before opening.
struct FragmentDialogContext {
    bool marked = false;
    int instance_mode = -1;
};
extern FragmentDialogContext fragment_dialog_context;

// Seams of the dialog's two buttons that run other work: the update of all
// constant-update instances ("Обновить") and the re-insertion of the marked
// instances after "Да" in re-insertion mode.  Start as do-nothing.
struct FragmentDialogActions {
    void (*update_dynamic)();
    void (*reinsert_marked)();
};
extern const FragmentDialogActions fragment_dialog_actions_unbound;
extern FragmentDialogActions fragment_dialog_actions;

INT_PTR CALLBACK fragment_insert_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Runs the dialog modally; IDOK or IDCANCEL.
INT_PTR fragment_insert_dialog_run(HWND owner);

// Text of a scale as the dialog shows it: "%-14.8lf" without trailing
// zeros (and without a trailing point).
void fragment_scale_text(double scale, char* out, size_t size);

// Fills fragment_shell: questions through the confirmation dialog, the
// prompt line, the automatic checkpoint.
void fragments_bind();

// Inserts the fragment (projection source_key of source_df) into projection
// target_key of the current drawing with the live settings, under the
// drawing lock, with a checkpoint; repaints the projection windows.
int fragment_insert_command(HWND owner, uint32_t target_key, DrawingFile* source_df, uint32_t source_key,
                            FragmentInsertParams* params);

// Fills fragment_dialog_context from the marked elements of projection
// `projection` of the current drawing (0: nothing marked), and keeps that
// projection for the re-insertion after "Да".
void fragment_dialog_context_fill(uint32_t projection);
// "Да" with "Вставить повторно": every intact instance that a marked element
// of that projection belongs to is inserted again, in turn, each after a
// checkpoint, with the modes chosen in the dialog.  Returns how many were.
int fragment_reinsert_marked();

// The fragment tool of the image stage.  Start: dialog "Режимы вставки";
// 1 when the tool then waits for the clicks, 0 when the dialog was left or
// it did its work itself (re-insertion).
int fragment_tool_start(HWND owner);
// A click on reference point `point` at `xy` (sketch) of projection
// `projection` of the current drawing: binding points of the fragment, then
// of the target; the insertion runs when every binding point is placed.
// Returns the insertion's result once it ran, else 1 while the clicks go on.
int fragment_tool_click(HWND owner, uint32_t projection, uint32_t point, Point2 xy);
// Drops the clicks made so far (and a pending replacement).
void fragment_tool_cancel();

// A replacement of the fragment of one instance (or, with `all`, of every
// instance inserted from the same fragment): the instance record of
// projection `target` as the projection dialog chose it.
struct FragmentReplaceRequest {
    uint32_t target = 0;
    uint8_t record[54] = {};
    bool all = false;
};
// Starts the replacement: the tool then takes the binding points on the
// replacing fragment (as many as the instance has), and replaces when the
// last one is clicked; a replacement done posts the image-stage command to
// the frame.  0 when the record is no instance record.
int fragment_replacement_start(const FragmentReplaceRequest& request);
// Whether a replacement waits for its clicks.
bool fragment_replacement_pending();
extern const char* const text_fragment_replace_prompt;  // "*базовые точки на заменяющем фрагменте"
