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
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "store/settings_block.h"

int checkpoint_available, undo_available, redo_available;

const int recent_file_commands[7] = {104, 105, 106, 107, 108, 109, 110};

// ---------------------------------------------------------------- stage commands
static const StageCommandPair stage1_pairs[] = {
    {40151, 1170}, {40152, 239}, {40153, 1632}, {40154, 1904},
    {40155, 1908}, {40156, 1990}, {40150, 1171}, {136, 1175}};
static const StageCommandPair stage2_pairs[] = {
    {40117, 1025}, {40118, 1040}, {40119, 1026}, {40121, 1},    {40180, 1170},
    {40178, 1574}, {40127, 1090}, {40120, 1087}, {40183, 1037}, {40184, 1036},
    {40185, 1084}, {40186, 1086}, {40187, 1148}, {40181, 1323}, {40182, 1149},
    {40177, 1646}, {40175, 1046}, {40176, 1047}, {40188, 1975}};
static const StageCommandPair stage3_pairs[] = {
    {40157, 1065}, {40208, 1066}, {40158, 1067}, {40159, 1077}, {40160, 1170},
    {40161, 1175}, {40173, 1069}, {40162, 1176}, {40163, 1068}, {40164, 1078},
    {40166, 1070}, {40168, 1171}, {40137, 1074}, {40167, 1076}, {40171, 1146},
    {40170, 1144}, {40172, 1280}, {40139, 1122}, {40131, 1121}, {40132, 1133},
    {40174, 1166}, {40135, 1883}, {40165, 1135}, {40169, 1143}, {162, 2220}};
static const StageCommandPair stage4_pairs[] = {
    {40189, 1596}, {40127, 1090}, {40178, 1574}, {40179, 1668},
    {40121, 1033}, {40193, 1055}, {40194, 1096}, {40195, 1028}};
static const StageCommandPair stage5_pairs[] = {
    {40193, 1156}, {40194, 1157}, {40195, 1033}, {40196, 1500}, {40197, 1029}, {40198, 1160},
    {40199, 1162}, {40200, 1164}, {125, 1165},   {40201, 1171}, {40202, 1332}, {40203, 1663}};
static const StageCommandPair stage6_pairs[] = {
    {40204, 40204}, {40205, 40205}, {40206, 40206}, {40207, 40207}};

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
    for (int id : {40010, 40043, 40082}) item(id, true);
}

static bool layout_print_allowed() {
    DrawingFile* df = current_drawing_file();
    return df && df->header && (df->header[111] & 2);
}

void update_menu_state(int state) {
    if (state == 40016 || (state >= 40061 && state <= 40077)) return;
    static const int all[] = {40001, 40011, 40002, 40013, 40014, 40082, 40018, 40019, 40043,
                              40053, 40055, 40099, 40015, 40100, 40030, 40010, 40012, 40086,
                              40004, 40005, 40006, 40027, 40007, 40029, 40021, 40022, 40220,
                              40083, 40084, 40102, 104,   105,   106,   107,   108,   109,
                              110};
    for (int id : all) item(id, false);
    checkpoint_available = current_drawing_file() != nullptr;
    undo_available = checkpoint_menu_enabled[0];
    redo_available = checkpoint_menu_enabled[1];
    if (!checkpoint_available) item(40079, false);
    if (!undo_available) item(40080, false);
    if (!redo_available) item(40081, false);
    settings_popup(false);
    for (const StageBarButton& b : stage_bar_buttons) stage_bar_enable(b.button, 0);

    if (state == 40002) {
        for (int id : {40001, 40011, 104, 105, 106, 107, 108, 109, 110}) item(id, true);
        if (stage_bar)
            for (const StageBarButton& b : stage_bar_buttons) CheckDlgButton(stage_bar, b.button, BST_UNCHECKED);
        return;
    }
    if (state == 40001 || state == 40011) {
        for (int id : {40002, 40013, 40014, 40043, 40053, 40055, 40099, 40015, 40100, 40030, 40010,
                       40012, 40004, 40021, 40022, 40220, 40083, 40084, 40102})
            item(id, true);
        settings_popup(true);
        stage_bar_enable(1298, 1);
        return;
    }
    // The groups run on into each other: L -> A -> B -> D.
    char group;
    switch (state) {
    case 40029:
        item(40029, true);
        if (layout_print_allowed()) {
            item(40019, true);
            stage_bar_enable(1306, 1);
        }
        stage_bar_enable(1303, 1);
        group = 'L';
        break;
    case 102: group = 'L'; break;
    case 40007: group = 'A'; break;
    case 40027:
    case 40005:
    case 40006: group = 'B'; break;
    case 40004: group = 'D'; break;
    default: return;
    }
    if (group == 'L') {
        item(40029, true);
        stage_bar_enable(1303, 1);
        group = 'A';
    }
    if (group == 'A') {
        item(40018, true);
        item(40007, true);
        stage_bar_enable(1302, 1);
        group = 'B';
    }
    if (group == 'B') {
        item(40027, true);
        stage_bar_enable(1301, 1);
        item(40005, true);
        item(40006, true);
        stage_bar_enable(1300, 1);
        stage_bar_enable(1299, 1);
    }
    for (int id : {40002, 40013, 40014, 40004, 40021, 40022, 40220, 40083, 40084, 40102, 40012})
        item(id, true);
    if (state != 40029) {
        for (int id : {40099, 40015, 40100, 40030, 40053, 40055, 40086}) item(id, true);
        settings_popup(true);
        if (state != 40007 && state != 102) {
            item(40010, true);
            item(40043, true);
            if (state != 40027) item(40082, true);
        }
    }
    stage_bar_enable(1298, 1);
}

int stop_worker_and_return_to_layout() {
    InterlockedExchange(&worker_running, 0);
    if (!command_seams.layout_wait_pending || !command_seams.layout_wait_pending()) return 0;
    check_stage_button(40029);
    stage_set(6);
    if (stage_panel) SetFocus(stage_panel);
    return 1;
}

// ---------------------------------------------------------------- recent files
static const char* user_key() { return settings_text(settings_user_key_offset); }

static bool query_string(HKEY key, const char* name, char* buf, DWORD size) {
    DWORD type = 0, n = size - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &n) != ERROR_SUCCESS ||
        type != REG_SZ) {
        buf[0] = 0;
        return false;
    }
    buf[n < size ? n : size - 1] = 0;
    return true;
}

static void set_string(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

static bool file_present(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(path, &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

void recent_files_menu_build(int first) {
    const char* key_path = user_key();
    HKEY key;
    if (!key_path || !*key_path || RegOpenKeyExA(HKEY_CURRENT_USER, key_path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    HMENU file = file_submenu();
    std::vector<std::string> kept;
    bool rewrite = false;
    for (int n = 1; n <= 7; ++n) {
        char name[16], path[780];
        std::snprintf(name, sizeof name, "LastFile%-u", static_cast<unsigned>(n));
        if (!query_string(key, name, path, sizeof path) || !path[0]) break;
        if (!file_present(path)) {
            rewrite = true;
            continue;
        }
        char shown[80];
        shorten_path_for_display(shown, sizeof shown, path, 64);
        if (file) {
            if (kept.empty() && first == 1) AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(file, MF_STRING, 104 + kept.size(), shown);
        }
        kept.push_back(path);
    }
    if (!rewrite) {
        RegCloseKey(key);
        return;
    }
    // The other values of the key are kept through the rewrite, the folder
    // of the last drawing closed as well.
    char photolib[1028], render[1288], folder[780];
    query_string(key, "Path", folder, sizeof folder);
    query_string(key, "Photolib", photolib, sizeof photolib);
    query_string(key, "RenderSTL", render, sizeof render);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, key_path);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key_path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (size_t i = 0; i < kept.size(); ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "LastFile%-u", static_cast<unsigned>(i + 1));
        set_string(key, name, kept[i].c_str());
    }
    if (photolib[0]) set_string(key, "Photolib", photolib);
    if (render[0]) set_string(key, "RenderSTL", render);
    if (folder[0]) set_string(key, "Path", folder);
    RegCloseKey(key);
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

static void (*documents_recent_add)(const char* path);
static void (*documents_loaded)();

static void recent_add_and_refresh(const char* path) {
    if (documents_recent_add) documents_recent_add(path);
    recent_files_menu_refresh();
}

static void loaded_menu_state() {
    if (documents_loaded) documents_loaded();
    update_menu_state(40011);
}

void commands_init() {
    if (document_shell.recent_files_add != recent_add_and_refresh) {
        documents_recent_add = document_shell.recent_files_add;
        document_shell.recent_files_add = recent_add_and_refresh;
    }
    if (document_shell.drawing_loaded != loaded_menu_state) {
        documents_loaded = document_shell.drawing_loaded;
        document_shell.drawing_loaded = loaded_menu_state;
    }
}

void window_place_at_frame_origin(HWND window, const RECT* rect) {
    if (!window || !rect || rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0) return;
    POINT origin = {0, 0};
    if (frame_window) ClientToScreen(frame_window, &origin);
    MoveWindow(window, origin.x, origin.y, rect->right - rect->left, rect->bottom - rect->top, TRUE);
}
