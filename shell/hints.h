// Control hints: a short text shown when the mouse rests over a control,
// as a small pop-up beside the cursor or in the prompt line (the prompt control)
// of the hint's dialog.  One 500 ms timer on the frame drives every hint.
#pragma once
#include <windows.h>

struct Hint {
    HWND control;
    HWND dialog;
    Hint* next;
    int rect[4];             // left, top, right, bottom in the dialog's client coordinates
    unsigned short flags;    // bit 0 shown now; bit 2 status-line mode
    int suppression;         // > 0: not shown
    char text[1];            // NUL-terminated; "\n" separates the lines of a pop-up
};
enum { hint_shown = 1, hint_status_mode = 4 };

extern Hint* hints;
extern unsigned short hints_enabled;
extern volatile LONG hints_busy;
extern HWND hint_popup;
extern Hint* hint_popup_hint;
extern HWND focus_before_hint;
extern int last_cursor_x, last_cursor_y;

Hint* hint_register(HWND dialog, HWND control, const char* text, int left, int top, int right,
                    int bottom, int status_mode);
Hint* hint_add(HWND dialog, HWND control, const char* text);
Hint* hint_add_status(HWND dialog, HWND control, const char* text);
Hint* hint_add_span(HWND dialog, HWND first, HWND second, const char* text);
Hint* hint_add_span_status(HWND dialog, HWND first, HWND second, const char* text);
int hint_set_text(HWND control, const char* text);
Hint* hint_update_rect(HWND dialog, HWND control);
void hints_enable();
void hints_disable();
void hints_suppress(int on);
void hints_remove_dialog(HWND dialog);
void hint_timer_start();
void hints_clear_shown();
void hint_popup_close();

// One tick of the hint timer with the cursor at (x, y) on the screen.
void hint_timer_tick(POINT cursor, bool left_button_down);

// The status-line form of a hint text: every "\n" pair (the two characters
// '\' 'n' as well as a line break) and every character below the blank
// removed; dest holds size bytes.
void hint_status_text(const char* text, char* dest, size_t size);
// Where the pop-up of width x height goes for a cursor at (cx, cy) in the
// frame's client area of client_w x client_h.
POINT hint_popup_position(int cx, int cy, int width, int height, int client_w, int client_h);
