// Start-up of the program: the drawing lock and events, screen measures,
// cursors, icons, bitmaps, stroke fonts, window classes, image lists, the
// settings block, the file association, folders, angle constants and the
// removal of stale temporary files.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "store/drawing_file.h"  // drawing_critical_section, paint_event, file_io_event

// The other two events of start-up (manual reset, created signalled).
extern OsEvent* sheet_paint_event;
extern OsEvent* page_list_event;
extern int screen_dpi;
extern double screen_pixels_per_mm_x, screen_pixels_per_mm_y;
extern HMENU context_menu;
// The procedure registered for the projection windows' class "Projec".
extern WNDPROC projection_window_proc_hook;
// The procedures registered for the sheet window ("Assembly") and the sheet
// list ("ListPage").
extern WNDPROC sheet_window_proc_hook;
extern WNDPROC sheet_list_proc_hook;
extern HCURSOR normal_cursor, hand_cursor;
extern HCURSOR tool_cursors[34];
extern const int tool_cursor_ids[34];
extern COLORREF prompt_colour;
extern HBRUSH prompt_brush;
extern COLORREF highlight_colour;
extern HBRUSH hint_brush;
extern char program_folder[1028];
extern HICON help_icon;

extern HBITMAP empty_mono_bitmap;
extern HBITMAP stage_check_bitmaps[6];

struct ImageListSpec {
    HIMAGELIST* list;
    int cx, cy;
    int count;
    const int* bitmaps;
};
extern HIMAGELIST images_annotation_panel, images_settings_lines, images_dimension_panel,
    images_annotation_small, images_annotation_wide, images_property_a, images_property_b,
    images_visibility;
extern const ImageListSpec image_list_specs[8];

// Ends the process with the resource-loading message when it fails.
void startup_init(HWND frame);
// Runs every start-up step; returns false (after the message) on a failure
// that must end the process.
bool startup_run(HWND frame);
HICON load_icon_scaled(int id);
const void* load_font_resource(const char* name, const char* type);
void file_association_repair();

// The FILETIME (UTC) of today's local 00:00:01; files last written before
// it are stale.
FILETIME stale_cutoff(const SYSTEMTIME& local_now);
// Deletes the stale "svt*.tmp" files of the current folder after asking
// question 5 once; returns the number deleted.
int stale_files_remove(const FILETIME& cutoff);

// The exit code of a start-up that failed.
enum { startup_failure_exit_code = 3 };
