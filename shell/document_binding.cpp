// Binds the document code and the shell to each other, both ways, in one
// place: the shell's answers to the documents (questions, title, prompts,
// dialogs, menu state, recent files) and the shell's roads into the
// documents (opening, undo and redo under the document lock, closing
// everything, the current path, the restart folder).
#include "shell/document_binding.h"

#include <cstring>

#include "shell/commands.h"
#include "shell/conventional_image_thread.h"
#include "shell/document_hooks.h"
#include "shell/document_stage.h"
#include "shell/document_ui.h"
#include "shell/frame_window.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/recent_files.h"
#include "shell/resource_ids.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "shell/settings_dialogs.h"
#include "documents/documents.h"
#include "store/drawing_header.h"

namespace {

// ---------------------------------------------------------------- to the shell
// The seconds of the question being asked (one more than given), 0 while
// none asks for its own.
unsigned question_seconds;

int ask(int code, const char* extra, unsigned seconds) {
    unsigned saved = question_seconds;
    question_seconds = seconds;
    int answer = ask_confirmation(frame_window, code, extra);
    question_seconds = saved;
    return answer;
}

void title_set(const char* text) {
    if (frame_window) SetWindowTextA(frame_window, text);
}

const char* stage_caption() {
    static char text[128];
    text[0] = 0;
    if (prompt_panel) GetDlgItemTextA(prompt_panel, IDC_STAGE_CAPTION, text, sizeof text);
    return text;
}

void busy_cursor(int on) { SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW)); }

int save_dialog(const char* mask, char* path, size_t size) { return document_file_dialog(1, mask, path, size); }

void recent_add(const char* path) {
    recent_files_add(path);
    recent_files_menu_refresh();
}

// A new drawing checks the reference-point stage; a loaded one forgets the
// stage panel shown before; closing shows the empty stage panel and removes
// the window items.
void new_drawing_ready() {
    document_menu_state(true);
    new_drawing_stage_ready();
    units_dialog_after_new_drawing();
}

void drawing_loaded() {
    loaded_drawing_stage_reset();
    document_menu_state(true);
    update_menu_state(IDM_FILE_OPEN);
}

void drawing_closed() {
    closed_drawing_stage_reset();
    current_stage = 0;
    document_menu_state(open_drawing_count > 0);
}

// ---------------------------------------------------------------- into the documents
void open_path(const char* path) {
    if (path && path == command_line_file) document_command_line_file = command_line_file;
    drawing_open_path(path);
}

int is_open() { return current_drawing_file() != nullptr; }

// Undo and redo run under the document lock: no window paints and no other
// thread works on the drawing meanwhile.
void locked(void (*fn)()) {
    document_lock_acquire();
    fn();
    document_lock_release();
    main_title_update();
}

void undo() { locked(drawing_undo); }
void redo() { locked(drawing_redo); }

void close_all() {
    for (DrawingFile* df : open_drawings)
        if (df) drawing_file_close_asking(df);
}

const char* current_path() {
    DrawingFile* df = current_drawing_file();
    return df && df->path ? df->path : nullptr;
}

int checkpoint_question_seconds() {
    if (question_seconds) return static_cast<int>(question_seconds) - 1;
    DrawingFile* df = current_drawing_file();
    return df ? df->header[header_checkpoint_limit] : 3;
}

const char* restart_folder() { return saved_directory; }

}  // namespace

void documents_bind_shell() {
    DocumentShell to_shell = document_shell_unbound;
    to_shell.ask = ask;
    to_shell.title_set = title_set;
    to_shell.stage_caption = stage_caption;
    to_shell.changed = document_change_show;
    to_shell.checkpoint_menu_changed = checkpoint_menu_rebuild;
    to_shell.prompt_show = prompt_show;
    to_shell.busy_cursor = busy_cursor;
    to_shell.save_dialog = save_dialog;
    to_shell.recent_files_add = recent_add;
    to_shell.new_drawing_ready = new_drawing_ready;
    to_shell.drawing_loaded = drawing_loaded;
    to_shell.drawing_closed = drawing_closed;
    document_shell = to_shell;

    ShellDocumentHooks from_shell = shell_documents_unbound;
    from_shell.open_path = open_path;
    from_shell.is_open = is_open;
    from_shell.undo = undo;
    from_shell.redo = redo;
    from_shell.close_all = close_all;
    from_shell.checkpoints_discard = checkpoints_discard;
    from_shell.current_path = current_path;
    from_shell.checkpoint_question_seconds = checkpoint_question_seconds;
    from_shell.saved_directory = restart_folder;
    from_shell.stop_image_threads = conventional_image_threads_stop;
    shell_documents = from_shell;
}
