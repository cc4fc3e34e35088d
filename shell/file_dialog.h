// The common setting of the program's open and save file dialogs.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <cstddef>

// Clears o and sets its size, its owner and the buffer (path, size) that
// holds the proposed name and receives the chosen one.
void file_dialog_init(OPENFILENAMEA* o, HWND owner, char* path, size_t size);

// The same for the sketch file dialog ("Имя файла эскиза проекции"): its
// filter of picture files, its title and flags for an existing file.
void sketch_file_dialog_init(OPENFILENAMEA* o, HWND owner, char* path, size_t size);
