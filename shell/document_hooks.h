// The shell's roads into the documents: one table of hooks through which the
// frame, the message dialogs and the restart reach the open drawings.  The
// program's wiring fills it once at start-up (documents_bind_shell); until
// then every member does nothing, so no caller tests a member for null.
#pragma once

struct ShellDocumentHooks {
    // Opens the drawing at path (the command-line drawing included).
    void (*open_path)(const char* path);
    // 1 while a drawing is open.
    int (*is_open)();
    // Undo and redo of the current drawing; they run under the document lock.
    void (*undo)();
    void (*redo)();
    // Closes every open drawing in slot order (asking for unnamed ones).
    void (*close_all)();
    // Discards the checkpoint lists.
    void (*checkpoints_discard)();
    // The current drawing's path, null when none.
    const char* (*current_path)();
    // The seconds the checkpoint question waits, less one.
    int (*checkpoint_question_seconds)();
    // The folder a restarted program starts in, null for the current one.
    const char* (*saved_directory)();
    // Stops the image threads of the projection windows.
    void (*stop_image_threads)();
};

extern ShellDocumentHooks shell_documents;
// The do-nothing table shell_documents starts with.
extern const ShellDocumentHooks shell_documents_unbound;
