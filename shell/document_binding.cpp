// Binds the document code to the shell: its questions, title, prompts and
// posted commands, and the shell's own roads into the documents (opening
// the command-line drawing, undo and redo, closing everything, the current
// path for a restart).
#include "shell/document_binding.h"

#include "shell/frame_window.h"
#include "shell/document_ui.h"
#include "shell/help.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "store/drawing_header.h"

static unsigned question_seconds;
static int seconds_of_question() { return static_cast<int>(question_seconds) - 1; }

static int ask(int code, const char* extra, unsigned seconds) {
    question_seconds = seconds;
    int (*saved)() = seconds_for_checkpoint_question_hook;
    seconds_for_checkpoint_question_hook = seconds ? seconds_of_question : saved;
    int answer = ask_confirmation(frame_window, code, extra);
    seconds_for_checkpoint_question_hook = saved;
    return answer;
}

static void title_set(const char* text) {
    if (frame_window) SetWindowTextA(frame_window, text);
}

static void close_all_drawings() {
    for (DrawingFile* df : open_drawings)
        if (df) drawing_file_close_asking(df);
}

static const char* current_path() {
    DrawingFile* df = current_drawing_file();
    return df && df->path ? df->path : nullptr;
}

static int drawing_is_open() { return current_drawing_file() != nullptr; }

static const char* restart_folder() { return saved_directory; }

void documents_bind_shell() {
    document_shell.ask = ask;
    document_shell.title_set = title_set;
    document_shell.changed = document_change_show;
    document_shell.prompt_show = prompt_show;
    document_command_line_file = command_line_file;
    drawing_open_path_hook = drawing_open_path;
    drawing_is_open_hook = drawing_is_open;
    drawing_undo_hook = drawing_undo;
    drawing_redo_hook = drawing_redo;
    close_all_drawings_hook = close_all_drawings;
    checkpoints_discard_hook = checkpoints_discard;
    current_drawing_path_hook = current_path;
    saved_directory_hook = restart_folder;
}
