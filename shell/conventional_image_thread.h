// The image-preparation threads of the projection windows: one run per
// four-point picture symbol placed or moved, bending its picture and
// storing the result, and their cooperative stop at closing and shut-down.
#pragma once
#include <windows.h>

#include "shell/projection_windows.h"
#include "store/drawing_file.h"

// Starts the preparation of the symbol element at `element` for the window
// (its handle kept in the window's record).  False when the thread could not
// be started.
bool start_symbol_picture_thread(ProjectionWindow* window, RecordRef element);

// Abandons every bend in preparation and waits for the threads (serving
// sent messages meanwhile, at most ten seconds each); a thread that does not
// end by then is terminated as the last resort, unless it holds the drawing
// lock to store its picture: that one is waited for until it ends.
void conventional_image_threads_stop();
// The wait before the last resort, in milliseconds (10000; tests shorten it).
extern DWORD conventional_image_stop_limit_ms;

// The number of preparation threads not yet ended.
int conventional_image_threads_running();
