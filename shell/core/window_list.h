// The order of the projection windows in the window menu, and the choice of
// the context-menu pop-up a right click opens.  Portable: the Win32 code
// builds the menu items from the result.
#pragma once
#include <cstddef>

struct WindowListEntry {
    int kind;             // view kind, low four bits of the projection flags
    const char* caption;  // menu text (two blanks + the full view caption), Windows-1251
};

// Fills order[0..count) with entry indices in menu order: kind 9 first, then
// kinds 1-6, kind 7, kind 0, and kinds 8 and above; within a group by
// caption in byte order (bytes compared unsigned, so Cyrillic follows ASCII
// and "я" is last).  Returns count.  Entry order[k] gets command 40500 + k.
size_t window_list_order(const WindowListEntry* entries, size_t count, size_t* order);

// The context menu's pop-up for a right click in a projection window, or -1
// when the stage has none.  stage: current stage code; point_tool: the
// reference-point tool; elements_marked: a marked element in the projection
// (image stage); projection_kind: its view kind.
int context_popup_index(int stage, int point_tool, int elements_marked, int projection_kind);
