// The Win32 side of program messages and confirmations: the message dialogs
// (plain and internal-failure), the confirmation dialog with its question table, and the
// close-everything road.
#pragma once
#include <windows.h>

struct ProgramMessage;

extern int message_dialog_open;
extern char question_text[360];
extern int remembered_answer_20;

// Shows an assembled message; set as the display seam of the message core.
void program_message_show(const ProgramMessage& message);
INT_PTR CALLBACK message_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The question of a code (offset texts from the settings block); null for
// codes that are not asked.  Code 27 is formatted with seconds.
const char* question_for_code(int code, char* buf, size_t size, unsigned seconds);
// Builds question_text: the question, then (when extra is not empty) a line
// break and the extra text within the 356-character budget, with one blank
// after the 33rd character of an extra text longer than 33 characters
// without a blank among them.
void question_text_build(int code, const char* extra, unsigned seconds);
int ask_confirmation(HWND owner, int code, const char* extra);
INT_PTR CALLBACK confirmation_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Stops the image threads, closes every drawing, discards the checkpoints.
// On a worker thread the closing is handed to the GUI thread.
void terminate_workers_and_close();
// Set on the GUI thread once everything has been closed: later roads only quit.
extern bool closed_everything;
// Closes everything and ends the GUI loop; with restart_path non-null the
// program is started again on it (an empty path starts it without one).
void close_everything_and_quit(const char* restart_path, bool restart);
