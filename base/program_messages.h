// Program messages, the portable half: the global error flag, the list of
// message details, the expansion of the message markers, the assembly of the
// text that is shown, and the rule that a failure passed up through several
// callers is shown once.  Showing the dialog belongs to the shell: the
// program's wiring sets `program_message_display`; until then nothing is
// displayed (tests install a recorder there).  What the messages need of the
// open drawings the store hands in (`failed_drawing_open`).
#pragma once
#include <cstddef>
#include <cstdint>

// 0 no failure, 1 error, 2 already reported, 4 a close that failed, 5 a
// fragment library that could not be opened, 100 projection not constructed.
extern int16_t error_flag;

// The message-detail list: texts pushed by failing code before it calls
// `show_program_message`; they must stay valid until the message is shown.
struct ErrorStack {
    const char* entries[5];
    int16_t count;
};
extern ErrorStack error_stack;
// Appends a detail; a push when the list is full is dropped.
void error_stack_push(const char* text);
void error_stack_clear();

// The text being shown (expanded message, then the details) and the last one shown.
extern char message_text[360];
extern char last_shown_message[360];

// Set by the record iterator on a damaged page; the program closes everything
// after the next message.  `unusable_quit_done` keeps that from happening twice.
extern int file_unusable;
extern int unusable_quit_done;

// What the shell is asked to show.  The shell chooses the dialog: the plain
// "В Н И М А Н И Е !!!" one, or the same with the internal-error picture
// for a text holding an internal code.
struct ProgramMessage {
    const char* text;       // message_text: the expanded text with its details
    bool internal_code;     // the text holds an internal code ("E20" and three digits)
    bool fatal;             // the message carried '#': restart on the current drawing
    bool close_everything;  // after the dialog: close every drawing and quit
};
// The display seam, set by the program's wiring; program_message_unshown,
// its first value, shows nothing.
extern void (*program_message_display)(const ProgramMessage& message);
void program_message_unshown(const ProgramMessage& message);
// True when an open drawing is marked as failed: an internal code then
// closes everything.  Filled by the store (store_bind); answers false before.
extern bool (*failed_drawing_open)();

// Copies src to dst (dst_size bytes, NUL-terminated, cut to fit), replacing
// '$' by "ОШИБКА ", '%' by "недопустим" and dropping '#'.  Returns the length.
int16_t expand_message_markers(const char* src, char* dst, size_t dst_size);

// True when text holds an internal code: "E20" followed by exactly three digits.
bool message_has_internal_code(const char* text);

// Shows one message (see the header comment); empties the detail list.
// Returns 0.  A message that ends in closing everything (fatal, or an
// internal code on a drawing marked as failed, or a damaged file) leaves
// `error_flag` set so that callers unwind instead of using closed drawings.
int show_program_message(const char* text);

