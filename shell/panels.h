// The fixed panels of the frame as far as start-up needs them: the prompt
// line, the stage button bar and the scale panel.
#pragma once
#include <windows.h>

#include "shell/frame_face.h"

struct StageBarButton {
    int button, command, topic, icon;
    const char* hint;
};
extern const StageBarButton stage_bar_buttons[7];
// The design stage (0 none yet).
extern unsigned char current_stage;

INT_PTR CALLBACK prompt_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK stage_bar_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK scale_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The design stage before the last stage_set, and the prompt line's state.
extern unsigned char previous_stage;
extern int prompts_held;
extern int print_cancelled;
extern int shift_held, ctrl_held, alt_held;
extern int ctrl_hint_mode;
extern char saved_prompt[260];
extern int prompt_saved;
// prompt_colour and prompt_brush are start-up's (shell/startup.h).
extern COLORREF prompt_target_colour;
extern int fade_step_red, fade_step_green, fade_step_blue;
extern HCURSOR clock_cursor;
extern short progress_ticks;
extern double progress_seconds;
extern char progress_text[260];
// The reference-point tool of the stage panel (0 until the stage tools
// fill it).
extern int (*point_tool_hook)();

// A heap copy of the current prompt (the caller frees it); shows that the
// point cannot be used.
char* prompt_point_rejected();
void stage_caption_show(const char* text);
void status_show_number(unsigned value);
void status_show_pair(unsigned first, unsigned second);
// The caption of a stage code, or null.
const char* stage_caption_text(int code);
// Switches the design stage: caption, first prompt, the drawing's saved and
// highest stage, the stage submenu.
void stage_set(int code);
void stage_submenu_rebuild();
// Sets the text of one item of the stage submenu (lines joined).
void set_stage_menu_item_text(int command, const char* text);
// Greys each stage-submenu command whose panel button is disabled or missing.
void enable_stage_commands();
void modifier_keys_show(int key, int state);
void ctrl_hint_mode_set(int mode);
void colour_split(COLORREF colour, int* red, int* green, int* blue);
// One step of the prompt's fade towards the button face colour.
void prompt_fade_tick(HWND dialog);

void window_set_cursor(HWND window, HCURSOR cursor);
void cursor_set_all(HCURSOR cursor);
void cursor_set_normal(HWND window);
void cursor_set_clock(HWND window);
void clock_cursor_draw(HWND window, int hands);
// The angle of a clock hand (0 hour, 1 minute, 2 second) in screen terms:
// 0 points at three o'clock, growing clockwise.
double clock_hand_angle(int hand, int hour, int minute, int second);
void progress_clock_start(HWND window);
void progress_clock_clear_text();
void progress_clock_stop(HWND window);

struct Stopwatch {
    DWORD total, start;
};
DWORD stopwatch_start(Stopwatch* watch);
DWORD stopwatch_accumulate(Stopwatch* watch);
// Checks the stage-bar button of a stage command and makes its topic the
// context help topic; other commands change nothing.
void check_stage_button(int command);
// The prompt of a held modifier key (key VK_SHIFT, VK_CONTROL or VK_MENU),
// or -1: the prompt it replaced comes back.
void modifier_prompt_show(int key);
