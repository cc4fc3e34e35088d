// Saving: in place, under a new name (moving a new drawing's working file or
// continuing on a copy as a new drawing), and the save stamp.
#pragma once
#include <cstddef>

#include "store/drawing_file.h"

void drawing_save();
// The save dialog; 0 when a name was chosen (kept for drawing_save_as),
// error_flag 1 when cancelled.
int drawing_ask_save_name(const char* mask);
// The chosen name with ".svt" forced as the program does it.
void save_name_force_extension(char* name, size_t size);
void drawing_save_as(int move);
void drawing_stamp_save_time(DrawingFile* df);
// The full path chosen by the last drawing_ask_save_name.
extern char chosen_save_path[780];
