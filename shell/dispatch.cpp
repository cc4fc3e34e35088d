// The command dispatcher: every command of the main menu and of the stage
// bar ends here.  Document commands go to the documents code; commands of
// subsystems built elsewhere go through command_seams.
#include <cstring>

#include "shell/commands.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "shell/document_ui.h"
#include "shell/stage_tools.h"
#include "base/program_messages.h"

// What each command of a subsystem does until that subsystem binds it:
// nothing (no panel procedure, no dimension being entered, no text or
// picture for a stage command, a dialog that was cancelled).
namespace {
int none() { return 0; }
void nothing() {}
void nothing_with(int) {}
void nothing_on_panel(HWND) {}
int not_handled(int) { return 0; }
const char* no_text(int, int) { return nullptr; }
HBITMAP no_picture(int, int) { return nullptr; }
}  // namespace

const CommandSeams command_seams_unbound = {
    none, nothing_on_panel, nothing_with, nothing,
    no_text, no_picture,
    nothing_with, nothing_with, nothing_with, nothing,
    not_handled,
    none, nothing, nothing, nothing_with, none, nothing_with,
    nothing, nothing, nothing, none, nothing,
    nothing, nothing,
};
CommandSeams command_seams = command_seams_unbound;

static DLGPROC panel_procedure(int panel) {
    return stage_panel_procedure(panel);
}

static void end_dimension_input() {
    if (current_stage == 2 && command_seams.dimension_input_active())
        command_seams.commit_dimension_input(stage_panel);
}

static void close_sheet_window() {
    if (!sheet_window) return;
    DestroyWindow(sheet_window);
    sheet_window = nullptr;
    update_menu_state(menu_state_sheet_window_closed);
    enable_view_commands();
    cursor_set_clock(frame_window);
}

static void rebuild_changed(int all) {
    command_seams.rebuild_changed_projections(all);
}

static int mdi_child_count() {
    int n = 0;
    if (!mdi_client) return 0;
    for (HWND c = GetWindow(mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (!GetWindow(c, GW_OWNER)) ++n;
    return n;
}

// Fits every projection window to its contents after a tiling: each is
// activated and the scale panel's fit command pressed twice.
static void fit_all_windows() {
    if (!mdi_client) return;
    for (HWND c = GetWindow(mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetWindow(c, GW_OWNER)) continue;
        SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(c), 0);
        for (int i = 0; i < 2; ++i)
            if (scale_panel)
                SendMessageA(scale_panel, WM_COMMAND, MAKEWPARAM(IDC_SCALE_FIT, 0x501),
                             reinterpret_cast<LPARAM>(GetDlgItem(scale_panel, IDC_SCALE_FIT)));
    }
}

static void new_drawing() {
    documents_command(IDM_FILE_NEW);
    if (error_flag || !current_drawing_file()) {
        stage_submenu_rebuild();
        return;
    }
    update_menu_state(IDM_STAGE_DIMENSIONS);
    show_stage_panel(IDD_PANEL_POINTS, panel_procedure(IDD_PANEL_POINTS));
    stage_set(1);
    int windows = mdi_child_count();
    if (windows == 1) {
        SendMessageA(mdi_client, WM_MDICASCADE, 0, 0);
    } else if (windows > 1) {
        SendMessageA(mdi_client, WM_MDITILE, 0, 0);
        fit_all_windows();
    }
    if (frame_window) PostMessageA(frame_window, WM_COMMAND, IDM_STAGE_IMAGE, 0);
}

static void close_drawing() {
    if (sheet_window) {
        DestroyWindow(sheet_window);
        sheet_window = nullptr;
    }
    documents_command(IDM_FILE_CLOSE);
    if (!current_drawing_file()) {
        update_menu_state(IDM_FILE_CLOSE);
        stage_caption_show("");
    }
    stage_submenu_rebuild();
}

// Undo and redo leave the stage tools and the sheet window first; the
// documents code then drops the windows and posts the step.
static void undo_or_redo(int id) {
    end_dimension_input();
    close_sheet_window();
    cursor_set_clock(frame_window);
    documents_command(id);
}

// The three simple stage commands: panel, stage, and the rebuild of changed
// projections when coming back from a later stage.
static void simple_stage(int panel, int stage) {
    if (stop_worker_and_return_to_layout()) return;
    close_sheet_window();
    show_stage_panel(panel, panel_procedure(panel));
    stage_set(stage);
    if (previous_stage != 1 && previous_stage != 2 && previous_stage != 3) rebuild_changed(0);
    cursor_set_normal(frame_window);
}

static void construction_stage() {
    drawing_checkpoint(1, default_undo_description());
    if (stop_worker_and_return_to_layout()) return;
    if (sheet_window) {
        DestroyWindow(sheet_window);
        sheet_window = nullptr;
        update_menu_state(menu_state_sheet_window_closed);
    }
    command_seams.run_model_program_when_marked();
    show_stage_panel(IDD_PANEL_CONSTRUCTION, panel_procedure(IDD_PANEL_CONSTRUCTION));
    stage_set(4);
    if (frame_window) PostMessageA(frame_window, UM_SHOW_CONSTRUCTION_DIALOG, 0, 0);
}

static void finishing_stage() {
    if (current_stage == 5 || stop_worker_and_return_to_layout()) return;
    if (sheet_window) {
        DestroyWindow(sheet_window);
        sheet_window = nullptr;
    }
    cursor_set_clock(frame_window);
    update_menu_state(menu_state_sheet_window_closed);
    stage_set(5);
    if (previous_stage != 5 && previous_stage != 6) rebuild_changed(1);
    show_stage_panel(IDD_PANEL_ANNOTATION, panel_procedure(IDD_PANEL_ANNOTATION));
    cursor_set_normal(frame_window);
}

static void layout_stage() {
    if (current_stage >= 6) return;
    show_stage_panel(IDD_PANEL_LAYOUT, panel_procedure(IDD_PANEL_LAYOUT));
    cursor_set_clock(frame_window);
    stage_set(6);
    if (previous_stage != 5 && previous_stage != 6) rebuild_changed(1);
    cursor_set_normal(frame_window);
    command_seams.open_layout_windows();
}

static void print_command() {
    stage_set(9);
    hints_suppress(1);
    int printed = command_seams.print_dialog_and_print();
    if (!printed) print_cancelled = 1;
    hints_suppress(0);
    stage_set(6);
}

static void window_list_activate(int id) {
    command_seams.window_command(id);
}

int dispatch_menu_command(int id) {
    switch (id) {
    case IDM_SKETCH_PATHS_UPDATE:
        command_seams.sketch_paths_update();
        return 0;
    case IDM_FILE_NEW: new_drawing(); return 0;
    case IDM_FILE_CLOSE: close_drawing(); return 0;
    case IDM_FILE_EXIT: close_everything_and_quit(nullptr, false); return 0;
    case IDM_FILE_SAVE:
    case IDM_FILE_SAVE_VARIANT:
    case IDM_FILE_CHECKPOINT:
        end_dimension_input();
        documents_command(id);
        return 0;
    case IDM_FILE_UNDO:
    case IDM_FILE_REDO:
        undo_or_redo(id);
        return 0;
    case IDM_FILE_IMPORT:
        if (!stop_worker_and_return_to_layout()) command_seams.import_drawing();
        return 0;
    case IDM_FILE_EXPORT:
        if (!stop_worker_and_return_to_layout()) command_seams.export_drawing(0);
        return 0;
    case IDM_FILE_PRINT: print_command(); return 0;
    case IDM_SETTINGS_UNITS:
        if (current_drawing_file()) command_seams.units_dialog();
        return 0;
    case IDM_SETTINGS_SYMBOLS:
        command_seams.symbol_table_dialog();
        return 0;
    case IDM_SETTINGS_DRAWING_OPTIONS:
        set_help_topic(35);
        if (command_seams.drawing_options_dialog()) {
            set_help_topic(36);
            command_seams.drawing_options_more_dialog();
        }
        return 0;
    case IDM_PROJECTION_NEW:
    case IDM_FRAGMENT_NEW:
        // The dialog changes the drawing: it runs under the document lock
        // and ends the busy state whatever it found.
        document_lock_acquire();
        command_seams.projection_dialog_run(id == IDM_PROJECTION_NEW ? 0 : 8);
        document_lock_release();
        busy_flag = 0;
        command_seams.projection_windows_refresh(0);
        return 0;
    case IDM_PROJECTION_PROPERTIES:
    case IDM_FRAGMENT_PROPERTIES:
        command_seams.projection_properties_dialog(id == IDM_PROJECTION_PROPERTIES ? 0 : 8);
        return 0;
    case IDM_FILE_MODEL:
        command_seams.model_dialog();
        return 0;
    case IDM_FILE_TITLE_BLOCK:
        command_seams.choose_title_block(1);
        return 0;
    case IDM_FILE_TABLES:
        drawing_checkpoint(1, default_undo_description());
        command_seams.tables_dialog();
        return 0;
    case IDM_STAGE_POINTS: simple_stage(IDD_PANEL_POINTS, 1); return 0;
    case IDM_STAGE_IMAGE: simple_stage(IDD_PANEL_IMAGE, 3); return 0;
    case IDM_STAGE_DIMENSIONS: simple_stage(IDD_PANEL_DIMENSIONS, 2); return 0;
    case IDM_STAGE_CONSTRUCTION: construction_stage(); return 0;
    case IDM_STAGE_ANNOTATION: finishing_stage(); return 0;
    case IDM_STAGE_LAYOUT: layout_stage(); return 0;
    case IDM_WINDOW_CASCADE:
    case IDM_WINDOW_TILE:
        if (mdi_client) SendMessageA(mdi_client, id == IDM_WINDOW_CASCADE ? WM_MDICASCADE : WM_MDITILE, 0, 0);
        window_list_activate(id);
        return 0;
    case IDM_WINDOW_MINIMISE_ALL:
        if (mdi_client)
            for (HWND c = GetWindow(mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                if (!GetWindow(c, GW_OWNER)) ShowWindow(c, SW_SHOWMINIMIZED);
        return 0;
    case IDM_WINDOW_BRING_FIRST:
    case IDM_WINDOW_MINIMISE_FRAGMENTS:
    case IDM_WINDOW_MINIMISE_SECOND_LIST:
    case IDM_WINDOW_REDRAW_ALL:
    case IDM_CONTEXT_RAISE_WINDOW:
        window_list_activate(id);
        return 0;
    case IDM_HELP_CONTEXT: open_context_help(); return 0;
    // The maximised child's buttons in the menu bar.
    case SC_MINIMIZE:
    case SC_CLOSE:
    case SC_RESTORE:
        if (current_stage < 6 && mdi_client) {
            BOOL maximised = FALSE;
            HWND active = reinterpret_cast<HWND>(
                SendMessageA(mdi_client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised)));
            if (active && maximised) ShowWindow(active, SW_SHOWNORMAL);
        }
        return 0;
    default:
        break;
    }
    // The other document commands: open, the recent files, the undo and
    // redo lists, the collection after an open.
    if (documents_command(id)) return 0;
    int topic = help_command_topic(id);
    if (topic >= 0) {
        set_help_topic(topic);
        open_help_topic();
        return 0;
    }
    // The window list before the stage commands: at some stages every id
    // counts as forwarded, and the pick would then reach DefFrameProcA,
    // which activates by creation order instead of by the list.
    if (id >= IDM_WINDOW_LIST_FIRST && id < IDM_WINDOW_LIST_END) {
        if (command_seams.window_command(id)) return 0;
    }
    if (forward_stage_command(id)) return 1;
    // Commands of the frame's MDI window menu go on to DefFrameProcA.
    return 1;
}
