// Stage tools: what each design stage does in a projection window (mouse,
// keys, drawing over the view) and which procedure runs its stage panel.
// One table, indexed by the stage code (1 reference points, 2 dimensions,
// 3 image, 4 view construction, 5 annotation, 6 layout); each stage's bind
// fills its own row, and a row nobody filled does nothing.
#pragma once
#include <windows.h>

struct StageTools {
    // The procedure of the stage's panel, full and compact template alike
    // (null: the panel shows without one).
    DLGPROC panel_procedure;
    // Mouse and keys in a projection window, client coordinates; each
    // returns nonzero when it took the message (the window's own handling
    // is then skipped).
    int (*left_down)(HWND window, int x, int y, WPARAM keys);
    int (*left_up)(HWND window, int x, int y, WPARAM keys);
    int (*left_double)(HWND window, int x, int y, WPARAM keys);
    int (*mouse_move)(HWND window, int x, int y, WPARAM keys);
    int (*right_up)(HWND window, int x, int y, WPARAM keys);
    int (*key_down)(HWND window, int key);
    // Draws the stage's marks over a freshly painted view.
    void (*paint_over)(HWND window, HDC dc);
};

enum { stage_tool_rows = 8 };
extern const StageTools stage_tools_unbound;
extern StageTools stage_tools[stage_tool_rows];

// The row of a stage code; codes outside the table get a do-nothing row.
StageTools& stage_tools_of(int stage);
// The stage whose panel a template id is (full or compact), or 0.
int stage_of_panel(int panel);
// The panel procedure of a panel template id, or null.
DLGPROC stage_panel_procedure(int panel);
