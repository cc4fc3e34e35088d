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
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "shell/document_ui.h"
#include "base/program_messages.h"

CommandSeams command_seams;

static DLGPROC panel_procedure(int panel) {
    return command_seams.stage_panel_procedure ? command_seams.stage_panel_procedure(panel)
                                               : nullptr;
}

static void end_dimension_input() {
    if (current_stage == 2 && command_seams.dimension_input_active &&
        command_seams.dimension_input_active() && command_seams.commit_dimension_input)
        command_seams.commit_dimension_input(stage_panel);
}

static void close_sheet_window() {
    if (!sheet_window) return;
    DestroyWindow(sheet_window);
    sheet_window = nullptr;
    update_menu_state(102);
    enable_view_commands();
    cursor_set_clock(frame_window);
}

static void rebuild_changed(int all) {
    if (command_seams.rebuild_changed_projections) command_seams.rebuild_changed_projections(all);
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
                SendMessageA(scale_panel, WM_COMMAND, MAKEWPARAM(1018, 0x501),
                             reinterpret_cast<LPARAM>(GetDlgItem(scale_panel, 1018)));
    }
}

static void new_drawing() {
    documents_command(40001);
    if (error_flag || !current_drawing_file()) {
        stage_submenu_rebuild();
        return;
    }
    update_menu_state(40005);
    show_stage_panel(121, panel_procedure(121));
    stage_set(1);
    int windows = mdi_child_count();
    if (windows == 1) {
        SendMessageA(mdi_client, WM_MDICASCADE, 0, 0);
    } else if (windows > 1) {
        SendMessageA(mdi_client, WM_MDITILE, 0, 0);
        fit_all_windows();
    }
    if (frame_window) PostMessageA(frame_window, WM_COMMAND, 40006, 0);
}

static void close_drawing() {
    if (sheet_window) {
        DestroyWindow(sheet_window);
        sheet_window = nullptr;
    }
    documents_command(40002);
    if (!current_drawing_file()) {
        update_menu_state(40002);
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
        update_menu_state(102);
    }
    if (command_seams.run_model_program_when_marked) command_seams.run_model_program_when_marked();
    show_stage_panel(525, panel_procedure(525));
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
    update_menu_state(102);
    stage_set(5);
    if (previous_stage != 5 && previous_stage != 6) rebuild_changed(1);
    show_stage_panel(209, panel_procedure(209));
    cursor_set_normal(frame_window);
}

static void layout_stage() {
    if (current_stage >= 6) return;
    show_stage_panel(259, panel_procedure(259));
    cursor_set_clock(frame_window);
    stage_set(6);
    if (previous_stage != 5 && previous_stage != 6) rebuild_changed(1);
    cursor_set_normal(frame_window);
    if (command_seams.open_layout_windows) command_seams.open_layout_windows();
}

static void print_command() {
    stage_set(9);
    hints_suppress(1);
    int printed = command_seams.print_dialog_and_print ? command_seams.print_dialog_and_print() : 0;
    if (!printed) print_cancelled = 1;
    hints_suppress(0);
    stage_set(6);
}

static void window_list_activate(int id) {
    if (command_seams.window_command) command_seams.window_command(id);
}

int dispatch_menu_command(int id) {
    switch (id) {
    case 132:
        if (command_seams.sketch_paths_update) command_seams.sketch_paths_update();
        return 0;
    case 40001: new_drawing(); return 0;
    case 40002: close_drawing(); return 0;
    case 40003: close_everything_and_quit(nullptr, false); return 0;
    case 40013:
    case 40014:
    case 40079:
        end_dimension_input();
        documents_command(id);
        return 0;
    case 40080:
    case 40081:
        undo_or_redo(id);
        return 0;
    case 40082:
        if (!stop_worker_and_return_to_layout() && command_seams.import_drawing) command_seams.import_drawing();
        return 0;
    case 40018:
        if (!stop_worker_and_return_to_layout() && command_seams.export_drawing) command_seams.export_drawing(0);
        return 0;
    case 40019: print_command(); return 0;
    case 40043:
        if (current_drawing_file() && command_seams.units_dialog) command_seams.units_dialog();
        return 0;
    case 40053:
        if (command_seams.symbol_table_dialog) command_seams.symbol_table_dialog();
        return 0;
    case 40055:
        set_help_topic(35);
        if (command_seams.drawing_options_dialog && command_seams.drawing_options_dialog()) {
            set_help_topic(36);
            if (command_seams.drawing_options_more_dialog) command_seams.drawing_options_more_dialog();
        }
        return 0;
    case 40099:
    case 40100:
        if (command_seams.projection_dialog_run) command_seams.projection_dialog_run(id == 40099 ? 0 : 8);
        if (command_seams.projection_windows_refresh) command_seams.projection_windows_refresh(0);
        return 0;
    case 40015:
    case 40030:
        if (command_seams.projection_properties_dialog)
            command_seams.projection_properties_dialog(id == 40015 ? 0 : 8);
        return 0;
    case 40010:
        if (command_seams.model_dialog) command_seams.model_dialog();
        return 0;
    case 40012:
        if (command_seams.choose_title_block) command_seams.choose_title_block(1);
        return 0;
    case 40086:
        drawing_checkpoint(1, default_undo_description());
        if (command_seams.tables_dialog) command_seams.tables_dialog();
        return 0;
    case 40004: simple_stage(121, 1); return 0;
    case 40006: simple_stage(139, 3); return 0;
    case 40005: simple_stage(122, 2); return 0;
    case 40027: construction_stage(); return 0;
    case 40007: finishing_stage(); return 0;
    case 40029: layout_stage(); return 0;
    case 40021:
    case 40022:
        if (mdi_client) SendMessageA(mdi_client, id == 40021 ? WM_MDICASCADE : WM_MDITILE, 0, 0);
        window_list_activate(id);
        return 0;
    case 40083:
        if (mdi_client)
            for (HWND c = GetWindow(mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                if (!GetWindow(c, GW_OWNER)) ShowWindow(c, SW_SHOWMINIMIZED);
        return 0;
    case 40220:
    case 40084:
    case 40216:
    case 40102:
        window_list_activate(id);
        return 0;
    case 40101: open_context_help(); return 0;
    case 61472:
    case 61536:
    case 61728:
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
    if (forward_stage_command(id)) return 1;
    if (id >= 40500 && id < 41000) {
        if (command_seams.window_command && command_seams.window_command(id)) return 0;
    }
    // Commands of the frame's MDI window menu go on to DefFrameProcA.
    return 1;
}
