// Thread lines: straight lines and arcs with centre of line type 7
// ("Резьба").  The element rebuild gives every thread arc its conventional
// three-quarter circle and trims every thread line back to the outline it
// crosses.
#pragma once
#include "store/drawing_file.h"

// A thread arc runs from pi - 5 degrees down to -pi/2 - 5 degrees about its
// centre at its radius; a thread line with two or more crossings of other
// elements (kinds 1 to 5) starts at the crossing nearest its start and ends
// at the one nearest its end (with one crossing only the nearer end moves
// there).  The points at the moved ends take the new positions as their
// true positions (a line's with point flag bit 9).  Returns the number of
// element records changed, -1 on a store failure.
int thread_lines_trim(DrawingFile* df, unsigned char* projection);
