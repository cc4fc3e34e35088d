// The projection windows: one MDI child of class "Projec" per open
// projection or fragment, and its heap record `ProjectionWindow` in the list
// `projection_windows` (newest first).  The record holds what the screen
// needs beyond the stored ProjectionRecord: the window handles, the sketch
// rendered into a memory bitmap, the world-to-pixel transform, the marks,
// the placements and the layer colours.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "shell/core/projection_view.h"
#include "store/drawing_file.h"

struct MarkSet;

// View flags (copies of the projection record's flags).
enum : uint16_t {
    view_flag_type_mask = 0x000F,
    view_flag_no_sketch = 0x0010,
    view_flag_not_on_sheets = 0x0400,
    view_flag_lighten = 0x2000,
    view_flag_sketch_hidden = 0x8000
};
// Window flags.
enum : uint16_t {
    window_flag_second_placement = 0x0001,
    window_flag_hidden_lines_off = 0x0002,
    window_flag_changed = 0x0004,
    window_flag_points_off = 0x0008,
    window_flag_new_sketch = 0x0010,
    window_flag_bitmap_borrowed = 0x0040,
    window_flag_was_minimised = 0x0080,
    window_flag_retile = 0x0100
};

struct ProjectionWindow {
    ProjectionWindow* next;
    uint32_t number;
    RecordRef record_ref;
    uint16_t view_flags;
    uint16_t window_flags;
    uint16_t sheet_number;
    uint16_t visible_layers;
    HWND window;
    HDC paint_dc;
    HDC sketch_dc;
    HBITMAP sketch_bitmap;
    MarkSet* marks;
    float area_origin[2];
    float area_size[2];
    float view_offset[2];
    float sketch_size[2];
    int32_t bitmap_size[2];
    float client_size[2];
    float scroll_shift[2];
    float constructed_origin[2];
    float constructed_origin_copy[2];
    double frame[4];
    int32_t normal_placement[4];
    int32_t second_placement[4];
    double sketch_factor;
    double base_scale[2];
    double panel_scale;
    double scale[2];
    void* diameter_crosses;
    void* hatch_lines;
    void* reserved[2];
    char* new_sketch_path;
    HANDLE image_thread;
    uint32_t layer_colours[8];
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ProjectionWindow) == 280, "ProjectionWindow keeps its 280-byte layout");
#endif

extern ProjectionWindow* projection_windows;
extern double panel_scale;
extern uint32_t active_projection_number;
extern ProjectionWindow* current_projection_window;
extern int scale_edit_active;

ProjectionWindow* projection_window_find_by_hwnd(HWND window);
ProjectionWindow* projection_window_find_by_id(uint32_t number);
// The active MDI child's record; when no child is active the newest record's
// window is activated; null without projection windows.
ProjectionWindow* projection_window_active();

// Builds the record of the projection at ref (loading its sketch) at the
// head of the list and, with create_child, its MDI child.  Returns the
// record, or null with error_flag set.
ProjectionWindow* projection_window_open(RecordRef ref, int create_child);
void projection_window_create_child(ProjectionWindow* w);
// Every projection of the current drawing after loading; and destroying
// every window (the projections are kept) when the drawing closes.
void projection_windows_open_all();
void projection_windows_destroy_all();
// Takes each window's record reference again from the projection chain.
void projection_refs_refresh();
// Closes the window of w (keeping its projection) and opens it again from
// its record, with its sketch loaded anew; construction records of kind 18
// are dropped first for a projection without sketch.  Does nothing unless w
// is an open window still holding its projection's record.
void projection_window_reopen(ProjectionWindow* w);

// The window's axis x (0) or y (1) as the view arithmetic sees it.
ViewAxis projection_window_axis(const ProjectionWindow* w, int axis);
// Applies panel_scale to the window: keeps the world point under (x, y)
// with keep_point, else the window centre.
void projection_window_apply_scale(ProjectionWindow* w, int x, int y, int keep_point);
// Fits the window's projection into its client ("На всё окно").
void projection_window_fit(ProjectionWindow* w);
void projection_window_toggle_placement(ProjectionWindow* w);
// Rebuilds the window list at the end of the window menu; returns the count.
int window_list_build();
// Sets the text and state of the "Поднять окно" item in menu.
void window_menu_items_update(ProjectionWindow* w, HMENU menu);
// The scale panel's commands (called by its dialog procedure).
INT_PTR scale_panel_command(HWND panel, WPARAM wparam, LPARAM lparam);
// Shows value in the scale panel and makes it the panel scale.
void show_scale_value(double value);
// Sets the drawing scale (header double 128) of the open current drawing;
// factors that are not finite and above 0 are ignored.  A factor that
// differs from the scale (within the tolerance) first purges the temporary
// records when the drawing holds generated hatch lines and renews the
// construction time stamp, so that the views are constructed again; the
// scale panel then shows the zoom over the new factor.
void drawing_scale_set(double factor);

// The new-drawing wizard: creates the projections the user lists, opens
// their windows and saves the drawing; -1 when cancelled or none was asked.
int create_initial_projections();

// Fills the seams of the documents, the dispatcher, the store and the
// kernel with the projection windows, and the "Projec" class procedure.
// Called before the frame registers its window classes.
void projection_windows_bind();

// Test hook: answers the sketch file dialogs (writes the chosen path; 0 =
// cancelled) instead of GetOpenFileNameA when set.
extern int (*sketch_dialog_answer)(char* path, size_t size);
// The primitives that reached the device in the last paint.
extern unsigned long projection_paint_primitives;
// Test hook of the scenarios: a projection window answers this message with
// one figure of its state, chosen by wParam (projection_probe_*); values
// with a fraction are returned x 1000, rounded.
enum {
    UM_PROJECTION_PROBE = WM_APP + 0x50,
    projection_probe_zoom = 0,
    projection_probe_offset_x = 1,
    projection_probe_offset_y = 2,
    projection_probe_primitives = 3,
    projection_probe_bitmap_width = 4,
    projection_probe_sketch_width = 5,
    projection_probe_number = 6,
    projection_probe_scale_x = 7,    // pixels per drawing unit
    projection_probe_scale_y = 8,
    projection_probe_shift_x = 9,    // scroll shift
    projection_probe_shift_y = 10,
    projection_probe_window_flags = 11,
    projection_probe_sketch_sharers = 12  // windows showing this window's sketch bitmap (0: not shared)
};
