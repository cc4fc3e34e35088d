// The layout stage's windows: the sheet window (class "Assembly", an MDI
// child showing the current sheet with its frame, title block and the
// projections placed on it) and the sheet list (class "ListPage", one
// thumbnail per sheet beside the MDI client), and the rebuild thread that
// regenerates the hatch lines before the layout is shown.
#pragma once
#include <windows.h>

#include "output/layout_nodes.h"

// The sheet window's record: the nodes and the view of the sheet.
struct LayoutWindow {
    HWND window = nullptr;
    LayoutNodes nodes;
    double client_w = 0, client_h = 0;   // pixels
    double sheet_w = 0, sheet_h = 0;     // mm, the header's current sheet
    double origin_x = 0, origin_y = 0;   // sheet point at pixel (0, 0), model units
    int scroll_x = 0, scroll_y = 0;      // scroll-bar positions
    int range_x = 0, range_y = 0;        // scroll-bar ranges (0: the sheet fits)
    double base_x = 0, base_y = 0;       // pixels per mm at panel scale 1
    double panel_scale = 0;              // 0 until the first fit
    double scale_x = 0, scale_y = 0;     // pixels per model unit
    // Dragging: the node, its outline's corner (model units) and the last
    // mouse position (pixels).
    LayoutNode* dragged = nullptr;
    double outline_x = 0, outline_y = 0;
    int last_mouse_x = 0, last_mouse_y = 0;
    DWORD last_click_time = 0;
    POINT last_click{0, 0};
};
extern LayoutWindow* layout_window;

// Flags shared with the threads: a thread waits for the sheet window's
// paint; the sheet window paints (input ignored); code waits for the sheet
// list's paint; a projection is being dragged.
extern volatile LONG layout_wait_request;
extern volatile LONG layout_input_block;
extern volatile LONG sheet_list_busy;
extern volatile LONG layout_dragging;

// The stage-6 command: the sheet window maximised, the sheet list, the
// rebuild thread.
void open_layout_windows();
// Closes both windows (the rebuild thread is ended first).
void close_layout_windows();
// The scale panel's zoom buttons, "На всё окно" and a typed scale act on the
// sheet window while it is the active window: 1 when handled.
int layout_scale_panel_command(HWND panel, int id, int code);
// The scale panel while the sheet window exists: on opening its value and
// "Для всех" are kept and the box is cleared and disabled (the panel acts
// on the sheet window only); on closing a pressed zoom button is released,
// the box and the value come back.
void scale_panel_save_state();
void scale_panel_restore_state();
// The zoom button held pressed (IDC_SCALE_ZOOM_IN / _OUT), 0 when none; a
// click on the sheet zooms by 1.25 or 0.8 about the clicked point then.
int layout_zoom_mode();
void layout_set_zoom_mode(int id);
// 1 while the rebuild thread prepares the layout.
int layout_wait_pending();

// Fits the sheet into the sheet window and repaints it.
void layout_fit_sheet();
// Converts a client point of the sheet window to sheet model units.
void layout_client_to_sheet(int x, int y, double* sx, double* sy);
// Runs automatic layout on the current sheet and repaints (the format
// panel's commands).
void layout_auto_arrange();
// Makes sheet number current (the sheet list's click) and repaints.
void layout_switch_sheet(uint32_t number);
// Moves node to sheet number (a drop on that sheet's thumbnail).
void layout_move_node_to_sheet(LayoutNode* node, uint32_t number);
// Places node at (x, y) as a drag would: both coordinates must change.
void layout_drop_node(LayoutNode* node, double x, double y);

// The rebuild thread's procedure (argument unused).
unsigned __stdcall layout_rebuild_thread(void* unused);

// Sets the window procedures of the two classes and the command seams.
// Called before the frame registers its window classes.
void layout_windows_bind();

enum : UINT {
    UM_LAYOUT_REBUILT = WM_APP + 0x61,   // the rebuild thread ended (wParam 1: saved)
    UM_LAYOUT_CLOCK = WM_APP + 0x62      // start the progress clock on the sheet window
};
