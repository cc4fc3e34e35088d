// The command dispatcher's tables and helpers: menu enabling by program
// state, the stage bar's buttons, forwarding of stage commands to the stage
// panel, the recent-file list in the registry, and the seams through which
// commands reach subsystems that fill them later.
#pragma once
#include <windows.h>

#include "shell/recent_files.h"

// Commands that belong to other subsystems.  Each stays null (the command
// does nothing) until its subsystem fills it in.
struct CommandSeams {
    // Whether a dimension is being entered and its commit; the rebuild of
    // changed projections; the model program run before construction when a
    // model variable asks for it.  (The stage panels' procedures are in the
    // stage-tools table.)
    int (*dimension_input_active)();
    void (*commit_dimension_input)(HWND panel);
    void (*rebuild_changed_projections)(int all);
    void (*run_model_program_when_marked)();
    // The tool name and picture of a stage-submenu command (the texts and
    // pictures of the stage panels).
    const char* (*stage_command_text)(int stage, int command);
    HBITMAP (*stage_command_picture)(int stage, int command);
    // Projection windows and their dialogs.
    void (*projection_dialog_run)(int kind);
    void (*projection_properties_dialog)(int kind);
    void (*projection_windows_refresh)(int full);
    void (*sketch_paths_update)();
    // Window-menu commands that work on the projection windows' records
    // (cascade, tile, bring first, minimise fragments, minimise the second
    // list, redraw all, the window items, the maximised child's buttons).
    int (*window_command)(int id);
    // Layout, exchange formats and printing.
    int (*layout_wait_pending)();
    void (*open_layout_windows)();
    void (*import_drawing)();
    void (*export_drawing)(int kind);
    int (*print_dialog_and_print)();  // 0 when cancelled
    void (*choose_title_block)(int ask);
    // Settings dialogs.
    void (*units_dialog)();
    // Run after the units dialog was confirmed: the points of every
    // projection onto the grid.
    void (*snap_all_points_to_grid)();
    void (*symbol_table_dialog)();
    int (*drawing_options_dialog)();
    void (*drawing_options_more_dialog)();
    // Model and tables.
    void (*model_dialog)();
    void (*tables_dialog)();
};
// Starts as command_seams_unbound (every command does nothing); each
// subsystem's bind fills its own members.
extern const CommandSeams command_seams_unbound;
extern CommandSeams command_seams;

// Availability of the checkpoint, undo and redo commands, taken from the
// documents code each time the menu state is set.
extern int checkpoint_available, undo_available, redo_available;

// Greys and enables the menu items and stage-bar buttons for a state:
// IDM_FILE_NEW created, IDM_FILE_OPEN opened, IDM_FILE_CLOSE closed, a stage
// command reached, menu_state_sheet_window_closed.  menu_state_unchanged and
// the manual's help commands change nothing.  The state codes besides the
// commands stay apart from every command id.
enum {
    menu_state_sheet_window_closed = 102,  // layout is possible again
    menu_state_unchanged = 40016
};
void update_menu_state(int state);
void enable_view_commands();
void stage_bar_enable(int button, int on);
// 1 when a stage command must not run because the layout stage is waiting.
int stop_worker_and_return_to_layout();

struct StageCommandPair {
    int command, button;
};
struct StageCommandTable {
    int count;
    const StageCommandPair* pairs;
};
// Index 0 unused; stages 1..6.
extern const StageCommandTable stage_command_tables[7];
int forward_stage_command(int command);
int forward_to_panel_button(int command, int count, const StageCommandPair* pairs);

// Recent files: items IDM_RECENT_FILE_FIRST.. of the file menu, one per
// entry of the recent-files list (shell/recent_files.h).
extern const int recent_file_commands[recent_files_max];
void recent_files_menu_build(int first);
// Rebuilds the recent-file items after the list changed.
void recent_files_menu_refresh();

void window_place_at_frame_origin(HWND window, const RECT* rect);
