// The frame's face for the Win32 code of the subsystems below the shell: the
// one shell header such code may include.  What a subsystem's window, dialog
// or device code needs of the frame: the program's module, the frame window
// (owner of dialogs) and the prompt line.
#pragma once
#include <windows.h>

extern HINSTANCE program_instance;
extern HWND frame_window;

// Shows a prompt in the prompt control of the prompt panel ('*' starts "Укажите ",
// '+' starts "Задайте ") on the highlight colour, which then fades.
void prompt_show(const char* text);
