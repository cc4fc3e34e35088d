// The fixed panels of the frame as far as start-up needs them: the prompt
// line, the stage button bar and the scale panel.
#pragma once
#include <windows.h>

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

// Shows a prompt in control 1052 of the prompt panel ('*' starts "Укажите ",
// '+' starts "Задайте ").
void prompt_show(const char* text);
// Checks the stage-bar button of a stage command and makes its topic the
// context help topic; other commands change nothing.
void check_stage_button(int command);
// Modifier prompts of the message loop: nothing to restore yet.
void modifier_prompt_show(int key);
