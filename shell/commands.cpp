// Menu enabling, the stage bar's enabling, stage-command forwarding and the
// recent-file list.
#include "shell/commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "geometry/naming.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/recent_files.h"
#include "shell/resource_ids.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"

int checkpoint_available, undo_available, redo_available;

const int recent_file_commands[recent_files_max] = {IDM_RECENT_FILE_FIRST,     IDM_RECENT_FILE_FIRST + 1,
                                                    IDM_RECENT_FILE_FIRST + 2, IDM_RECENT_FILE_FIRST + 3,
                                                    IDM_RECENT_FILE_FIRST + 4, IDM_RECENT_FILE_FIRST + 5,
                                                    IDM_RECENT_FILE_LAST};
static_assert(IDM_RECENT_FILE_LAST - IDM_RECENT_FILE_FIRST + 1 == recent_files_max,
              "one file-menu item per recent file");

// ---------------------------------------------------------------- stage commands
static const StageCommandPair stage1_pairs[] = {
    {IDM_POINTS_ADD, IDC_POINTS_ADD},
    {IDM_POINTS_MOVE, IDC_POINTS_MOVE},
    {IDM_POINTS_BREAK_ELEMENT, IDC_POINTS_BREAK_ELEMENT},
    {IDM_POINTS_AUX_LINES, IDC_POINTS_AUX_LINES},
    {IDM_POINTS_AT_DISTANCE, IDC_POINTS_AT_DISTANCE},
    {IDM_POINTS_CONTROL_DISTANCE, IDC_POINTS_CONTROL_DISTANCE},
    {IDM_POINTS_CONTROL_ANGLE, IDC_POINTS_CONTROL_ANGLE},
    {IDM_POINTS_FIND, IDC_POINTS_FIND}};
static const StageCommandPair stage2_pairs[] = {
    {IDM_DIMENSION_FIRST_END, IDC_DIMENSION_FIRST_END},
    {IDM_DIMENSION_CENTRE, IDC_DIMENSION_CENTRE},
    {IDM_DIMENSION_SECOND_END, IDC_DIMENSION_SECOND_END},
    {IDM_DIMENSION_COMMIT, IDC_DIMENSION_COMMIT},
    {IDM_DIMENSION_AUTOMATIC, IDC_DIMENSION_AUTOMATIC},
    {IDM_DIMENSION_CYCLE, IDC_DIMENSION_CYCLE},
    {IDM_DIMENSION_SELECTION, IDC_DIMENSION_SELECTION},
    {IDM_DIMENSION_DELETE, IDC_DIMENSION_DELETE},
    {IDM_DIMENSION_DIRECTION_0, IDC_DIMENSION_DIRECTION_0},
    {IDM_DIMENSION_DIRECTION_1, IDC_DIMENSION_DIRECTION_1},
    {IDM_DIMENSION_DIRECTION_2, IDC_DIMENSION_DIRECTION_2},
    {IDM_DIMENSION_DIRECTION_3, IDC_DIMENSION_DIRECTION_3},
    {IDM_DIMENSION_DIRECTION_4, IDC_DIMENSION_DIRECTION_4},
    {IDM_DIMENSION_HIDE_ALL, IDC_DIMENSION_HIDE_ALL},
    {IDM_DIMENSION_HIDDEN, IDC_DIMENSION_HIDDEN},
    {IDM_DIMENSION_SHOW_ONLY, IDC_DIMENSION_SHOW_ONLY},
    {IDM_DIMENSION_SHAFT, IDC_DIMENSION_SHAFT},
    {IDM_DIMENSION_HOLE, IDC_DIMENSION_HOLE},
    {IDM_DIMENSION_KEEP_NOMINAL, IDC_DIMENSION_KEEP_NOMINAL}};
static const StageCommandPair stage3_pairs[] = {
    {IDM_IMAGE_LINE, IDC_IMAGE_LINE},
    {IDM_IMAGE_CIRCLE, IDC_IMAGE_CIRCLE},
    {IDM_IMAGE_ARC_BY_CENTRE, IDC_IMAGE_ARC_BY_CENTRE},
    {IDM_IMAGE_ARC_BY_POINTS, IDC_IMAGE_ARC_BY_POINTS},
    {IDM_IMAGE_ELLIPSE, IDC_IMAGE_ELLIPSE},
    {IDM_IMAGE_ELLIPSE_ARC, IDC_IMAGE_ELLIPSE_ARC},
    {IDM_IMAGE_WAVY_LINE, IDC_IMAGE_WAVY_LINE},
    {IDM_IMAGE_SPLINE, IDC_IMAGE_SPLINE},
    {IDM_IMAGE_SMOOTH_CURVE, IDC_IMAGE_SMOOTH_CURVE},
    {IDM_IMAGE_FINISH_CURVE, IDC_IMAGE_FINISH_CURVE},
    {IDM_IMAGE_FRAGMENT, IDC_IMAGE_FRAGMENT},
    {IDM_IMAGE_SYMBOL, IDC_IMAGE_SYMBOL},
    {IDM_IMAGE_MARKING, IDC_IMAGE_MARKING},
    {IDM_IMAGE_DELETE_MARKED, IDC_IMAGE_DELETE_MARKED},
    {IDM_IMAGE_DELETE_FRAGMENT, IDC_IMAGE_DELETE_FRAGMENT},
    {IDM_IMAGE_DELETE_CONTOUR, IDC_IMAGE_DELETE_CONTOUR},
    {IDM_IMAGE_DELETE_ALL_CONTOURS, IDC_IMAGE_DELETE_ALL_CONTOURS},
    {IDM_IMAGE_ROUTE, IDC_IMAGE_ROUTE},
    {IDM_IMAGE_SCREEN, IDC_IMAGE_SCREEN},
    {IDM_IMAGE_SCREEN_HOLE, IDC_IMAGE_SCREEN_HOLE},
    {IDM_IMAGE_BREAK, IDC_IMAGE_BREAK},
    {IDM_IMAGE_BAR, IDC_IMAGE_BAR},
    {IDM_IMAGE_VISIBILITY_LEVELS, IDC_IMAGE_VISIBILITY_LEVELS},
    {IDM_IMAGE_NEXT_LEVEL, IDC_IMAGE_NEXT_LEVEL},
    {IDM_IMAGE_LAYERS, IDC_IMAGE_LAYERS}};
// The construction submenu shows the first five; the last three pairs are
// the annotation stage's first three commands.
static const StageCommandPair stage4_pairs[] = {
    {IDM_CONSTRUCTION_MARK_IN_LIST, IDC_CONSTRUCTION_MARK_IN_LIST},
    {IDM_DIMENSION_SELECTION, IDC_CONSTRUCTION_SELECTION},
    {IDM_DIMENSION_CYCLE, IDC_CONSTRUCTION_CYCLE},
    {IDM_CONSTRUCTION_NEXT_IN_CHAIN, IDC_CONSTRUCTION_NEXT_IN_CHAIN},
    {IDM_DIMENSION_COMMIT, IDC_CONSTRUCTION_STOP},
    {IDM_ANNOTATION_MOVE, IDC_CONSTRUCTION_DIMENSIONS},
    {IDM_ANNOTATION_ARROWHEADS, IDC_CONSTRUCTION_LOG},
    {IDM_ANNOTATION_ROUGHNESS, IDC_CONSTRUCTION_NOMINAL}};
static const StageCommandPair stage5_pairs[] = {
    {IDM_ANNOTATION_MOVE, IDC_ANNOTATION_MOVE},
    {IDM_ANNOTATION_ARROWHEADS, IDC_ANNOTATION_ARROWHEADS},
    {IDM_ANNOTATION_ROUGHNESS, IDC_ANNOTATION_ROUGHNESS},
    {IDM_ANNOTATION_ROUGHNESS_UNMARKED, IDC_ANNOTATION_ROUGHNESS_UNMARKED},
    {IDM_ANNOTATION_TOLERANCE, IDC_ANNOTATION_TOLERANCE},
    {IDM_ANNOTATION_LEADER, IDC_ANNOTATION_LEADER},
    {IDM_ANNOTATION_HATCHING, IDC_ANNOTATION_HATCHING},
    {IDM_ANNOTATION_TEXT, IDC_ANNOTATION_TEXT},
    {IDM_ANNOTATION_SECTION_LINE, IDC_ANNOTATION_SECTION_LINE},
    {IDM_ANNOTATION_REPLACE_DIMENSIONS, IDC_ANNOTATION_REPLACE_DIMENSIONS},
    {IDM_ANNOTATION_REPLACE_SKETCHES, IDC_ANNOTATION_REPLACE_SKETCHES},
    {IDM_ANNOTATION_SHOW_VARIABLES, IDC_ANNOTATION_SHOW_VARIABLES}};
// The format panel has no buttons of the layout commands' ids: each command
// goes to the control it stands for, so that it is greyed with it.
static const StageCommandPair stage6_pairs[] = {{IDM_LAYOUT_COMMAND_1, IDC_LAYOUT_ROTATED},
                                                {IDM_LAYOUT_COMMAND_2, IDC_LAYOUT_AUTO},
                                                {IDM_LAYOUT_COMMAND_3, IDC_LAYOUT_ADD_SHEET},
                                                {IDM_LAYOUT_COMMAND_4, IDC_LAYOUT_DELETE_SHEET}};

#define TABLE(p) {static_cast<int>(sizeof p / sizeof p[0]), p}
const StageCommandTable stage_command_tables[7] = {
    {0, nullptr},       TABLE(stage1_pairs), TABLE(stage2_pairs), TABLE(stage3_pairs),
    TABLE(stage4_pairs), TABLE(stage5_pairs), TABLE(stage6_pairs)};
#undef TABLE

int forward_to_panel_button(int command, int count, const StageCommandPair* pairs) {
    if (!stage_panel) return 0;
    for (int i = 0; i < count; ++i) {
        if (pairs[i].command != command) continue;
        HWND button = GetDlgItem(stage_panel, pairs[i].button);
        LONG style = button ? GetWindowLongA(button, GWL_STYLE) : 0;
        if (style & BS_PUSHLIKE) {
            for (int j = 0; j < count; ++j) {
                HWND other = GetDlgItem(stage_panel, pairs[j].button);
                if (other && (GetWindowLongA(other, GWL_STYLE) & 0x9))
                    SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
            }
            SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
        } else if ((style & 0x0F) == BS_AUTOCHECKBOX) {
            // A plain check box changes its state as a click would.
            LRESULT checked = SendMessageA(button, BM_GETCHECK, 0, 0);
            SendMessageA(button, BM_SETCHECK, checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
        }
        PostMessageA(stage_panel, WM_COMMAND, pairs[i].button, reinterpret_cast<LPARAM>(button));
        return 1;
    }
    return 0;
}

int forward_stage_command(int command) {
    if (current_stage < 1 || current_stage > 6) return 1;
    const StageCommandTable& t = stage_command_tables[current_stage];
    return forward_to_panel_button(command, t.count, t.pairs);
}

// ---------------------------------------------------------------- menu state
// The file submenu: submenu 0, or 1 when a maximised child has put its
// system menu in front.
static HMENU file_submenu() {
    if (!main_menu) return nullptr;
    char text[64] = "";
    GetMenuStringA(main_menu, 0, text, sizeof text, MF_BYPOSITION);
    return GetSubMenu(main_menu, std::strstr(text, "Файл") ? 0 : 1);
}

static void item(int id, bool on) {
    if (main_menu) EnableMenuItem(main_menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

static void settings_popup(bool on) {
    if (HMENU file = file_submenu()) EnableMenuItem(file, 17, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
}

void stage_bar_enable(int button, int on) {
    if (stage_bar) EnableWindow(GetDlgItem(stage_bar, button), on);
}

void enable_view_commands() {
    for (int id : {IDM_FILE_MODEL, IDM_SETTINGS_UNITS, IDM_FILE_IMPORT}) item(id, true);
}

static bool layout_print_allowed() {
    DrawingFile* df = current_drawing_file();
    return df && df->header && (df->header[111] & 2);
}

void update_menu_state(int state) {
    if (state == menu_state_unchanged || (state >= IDM_HELP_INTRODUCTION && state <= IDM_HELP_APPENDIX_2)) return;
    static const int all[] = {IDM_FILE_NEW,
                              IDM_FILE_OPEN,
                              IDM_FILE_CLOSE,
                              IDM_FILE_SAVE,
                              IDM_FILE_SAVE_VARIANT,
                              IDM_FILE_IMPORT,
                              IDM_FILE_EXPORT,
                              IDM_FILE_PRINT,
                              IDM_SETTINGS_UNITS,
                              IDM_SETTINGS_SYMBOLS,
                              IDM_SETTINGS_DRAWING_OPTIONS,
                              IDM_PROJECTION_NEW,
                              IDM_PROJECTION_PROPERTIES,
                              IDM_FRAGMENT_NEW,
                              IDM_FRAGMENT_PROPERTIES,
                              IDM_FILE_MODEL,
                              IDM_FILE_TITLE_BLOCK,
                              IDM_FILE_TABLES,
                              IDM_STAGE_POINTS,
                              IDM_STAGE_DIMENSIONS,
                              IDM_STAGE_IMAGE,
                              IDM_STAGE_CONSTRUCTION,
                              IDM_STAGE_ANNOTATION,
                              IDM_STAGE_LAYOUT,
                              IDM_WINDOW_CASCADE,
                              IDM_WINDOW_TILE,
                              IDM_WINDOW_BRING_FIRST,
                              IDM_WINDOW_MINIMISE_ALL,
                              IDM_WINDOW_MINIMISE_FRAGMENTS,
                              IDM_WINDOW_REDRAW_ALL};
    for (int id : all) item(id, false);
    for (int id : recent_file_commands) item(id, false);
    checkpoint_available = current_drawing_file() != nullptr;
    undo_available = checkpoint_menu_enabled[0];
    redo_available = checkpoint_menu_enabled[1];
    if (!checkpoint_available) item(IDM_FILE_CHECKPOINT, false);
    if (!undo_available) item(IDM_FILE_UNDO, false);
    if (!redo_available) item(IDM_FILE_REDO, false);
    settings_popup(false);
    for (const StageBarButton& b : stage_bar_buttons) stage_bar_enable(b.button, 0);

    if (state == IDM_FILE_CLOSE) {
        for (int id : {IDM_FILE_NEW, IDM_FILE_OPEN}) item(id, true);
        for (int id : recent_file_commands) item(id, true);
        if (stage_bar)
            for (const StageBarButton& b : stage_bar_buttons) CheckDlgButton(stage_bar, b.button, BST_UNCHECKED);
        return;
    }
    if (state == IDM_FILE_NEW || state == IDM_FILE_OPEN) {
        for (int id : {IDM_FILE_CLOSE, IDM_FILE_SAVE, IDM_FILE_SAVE_VARIANT, IDM_SETTINGS_UNITS, IDM_SETTINGS_SYMBOLS,
                       IDM_SETTINGS_DRAWING_OPTIONS, IDM_PROJECTION_NEW, IDM_PROJECTION_PROPERTIES, IDM_FRAGMENT_NEW,
                       IDM_FRAGMENT_PROPERTIES, IDM_FILE_MODEL, IDM_FILE_TITLE_BLOCK, IDM_STAGE_POINTS,
                       IDM_WINDOW_CASCADE, IDM_WINDOW_TILE, IDM_WINDOW_BRING_FIRST, IDM_WINDOW_MINIMISE_ALL,
                       IDM_WINDOW_MINIMISE_FRAGMENTS, IDM_WINDOW_REDRAW_ALL})
            item(id, true);
        settings_popup(true);
        stage_bar_enable(IDC_STAGE_POINTS, 1);
        return;
    }
    // The groups run on into each other: L -> A -> B -> D.
    char group;
    switch (state) {
    case IDM_STAGE_LAYOUT:
        item(IDM_STAGE_LAYOUT, true);
        if (layout_print_allowed()) {
            item(IDM_FILE_PRINT, true);
            stage_bar_enable(IDC_STAGE_PRINT, 1);
        }
        stage_bar_enable(IDC_STAGE_LAYOUT, 1);
        group = 'L';
        break;
    case menu_state_sheet_window_closed: group = 'L'; break;
    case IDM_STAGE_ANNOTATION: group = 'A'; break;
    case IDM_STAGE_CONSTRUCTION:
    case IDM_STAGE_DIMENSIONS:
    case IDM_STAGE_IMAGE: group = 'B'; break;
    case IDM_STAGE_POINTS: group = 'D'; break;
    default: return;
    }
    if (group == 'L') {
        item(IDM_STAGE_LAYOUT, true);
        stage_bar_enable(IDC_STAGE_LAYOUT, 1);
        group = 'A';
    }
    if (group == 'A') {
        item(IDM_FILE_EXPORT, true);
        item(IDM_STAGE_ANNOTATION, true);
        stage_bar_enable(IDC_STAGE_ANNOTATION, 1);
        group = 'B';
    }
    if (group == 'B') {
        item(IDM_STAGE_CONSTRUCTION, true);
        stage_bar_enable(IDC_STAGE_CONSTRUCTION, 1);
        item(IDM_STAGE_DIMENSIONS, true);
        item(IDM_STAGE_IMAGE, true);
        stage_bar_enable(IDC_STAGE_DIMENSIONS, 1);
        stage_bar_enable(IDC_STAGE_IMAGE, 1);
    }
    for (int id : {IDM_FILE_CLOSE, IDM_FILE_SAVE, IDM_FILE_SAVE_VARIANT, IDM_STAGE_POINTS, IDM_WINDOW_CASCADE,
                   IDM_WINDOW_TILE, IDM_WINDOW_BRING_FIRST, IDM_WINDOW_MINIMISE_ALL, IDM_WINDOW_MINIMISE_FRAGMENTS,
                   IDM_WINDOW_REDRAW_ALL, IDM_FILE_TITLE_BLOCK})
        item(id, true);
    if (state != IDM_STAGE_LAYOUT) {
        for (int id : {IDM_PROJECTION_NEW, IDM_PROJECTION_PROPERTIES, IDM_FRAGMENT_NEW, IDM_FRAGMENT_PROPERTIES,
                       IDM_SETTINGS_SYMBOLS, IDM_SETTINGS_DRAWING_OPTIONS, IDM_FILE_TABLES})
            item(id, true);
        settings_popup(true);
        if (state != IDM_STAGE_ANNOTATION && state != menu_state_sheet_window_closed) {
            item(IDM_FILE_MODEL, true);
            item(IDM_SETTINGS_UNITS, true);
            if (state != IDM_STAGE_CONSTRUCTION) item(IDM_FILE_IMPORT, true);
        }
    }
    stage_bar_enable(IDC_STAGE_POINTS, 1);
}

int stop_worker_and_return_to_layout() {
    InterlockedExchange(&worker_running, 0);
    if (!command_seams.layout_wait_pending()) return 0;
    check_stage_button(IDM_STAGE_LAYOUT);
    stage_set(6);
    if (stage_panel) SetFocus(stage_panel);
    return 1;
}

// ---------------------------------------------------------------- recent files
static bool file_present(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(path, &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

void recent_files_menu_build(int first) {
    std::vector<std::string> listed = recent_files_list();
    HMENU file = file_submenu();
    std::vector<std::string> kept;
    for (const std::string& path : listed) {
        if (!file_present(path.c_str())) continue;
        char shown[80];
        shorten_path_for_display(shown, sizeof shown, path.c_str(), 64);
        if (file) {
            if (kept.empty() && first == 1) AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(file, MF_STRING, IDM_RECENT_FILE_FIRST + kept.size(), shown);
        }
        kept.push_back(path);
    }
    // Drawings that are gone leave the list; the other values of the key
    // are kept through the rewrite, the folder of the last drawing as well.
    if (kept.size() != listed.size()) recent_files_rewrite(kept);
}

void recent_files_menu_refresh() {
    // The separator before the list is there when the list had items.
    int had_items = 0;
    if (main_menu)
        for (int id : recent_file_commands)
            if (DeleteMenu(main_menu, id, MF_BYCOMMAND)) had_items = 1;
    if (frame_window) DrawMenuBar(frame_window);
    recent_files_menu_build(had_items ? 0 : 1);
}

void window_place_at_frame_origin(HWND window, const RECT* rect) {
    if (!window || !rect || rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0) return;
    POINT origin = {0, 0};
    if (frame_window) ClientToScreen(frame_window, &origin);
    MoveWindow(window, origin.x, origin.y, rect->right - rect->left, rect->bottom - rect->top, TRUE);
}
