// The Win32 side of the documents: file dialogs, recent files, the document
// commands, the undo and redo submenus and the menu state.
#include "shell/document_ui.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "shell/file_dialog.h"
#include "shell/frame_window.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/recent_files.h"
#include "shell/resource_ids.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "documents/saving.h"
#include "store/text_codec.h"

int (*document_dialog_answer)(int save, char* path, size_t size) = nullptr;
int undo_menu_position = -1;
int redo_menu_position = -1;

namespace {

const char undo_menu_text[] = "Вернут&ь назад...";
const char redo_menu_text[] = "Вернуть впер&ёд...";
const char manual_checkpoint_text[] = "Засечка пользователя";
HMENU undo_submenu;
HMENU redo_submenu;

HMENU file_menu() {
    if (!main_menu) return nullptr;
    char text[64] = {0};
    GetMenuStringA(main_menu, 0, text, sizeof text, MF_BYPOSITION);
    return GetSubMenu(main_menu, std::strstr(text, "Файл") ? 0 : 1);
}

int position_of(HMENU menu, UINT id) {
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i)
        if (GetMenuItemID(menu, i) == id) return i;
    return -1;
}

void enable(int id, int on) {
    if (!main_menu) return;
    EnableMenuItem(main_menu, static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    if (frame_window) DrawMenuBar(frame_window);
}

void post_command(int id) {
    if (frame_window) PostMessageA(frame_window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

}  // namespace

// The document commands that need an open drawing.
void document_menu_state(bool open) {
    for (int id : {IDM_FILE_CLOSE, IDM_FILE_SAVE, IDM_FILE_SAVE_VARIANT, IDM_FILE_CHECKPOINT}) enable(id, open);
    for (int id : {IDM_FILE_NEW, IDM_FILE_OPEN}) enable(id, open_drawing_count < 2);
    if (!open) {
        checkpoint_menu_enabled[0] = checkpoint_menu_enabled[1] = 0;
        checkpoint_menu_rebuild(0);
        checkpoint_menu_rebuild(1);
    }
}

int document_file_dialog(int save, const char* mask, char* path, size_t size) {
    if (document_dialog_answer) return document_dialog_answer(save, path, size);
    char name[780];
    std::snprintf(name, sizeof name, "%s", mask ? mask : "");
    char title_buf[260] = {0};
    OPENFILENAMEA ofn;
    file_dialog_init(&ofn, frame_window, name, sizeof name);
    ofn.lpstrFileTitle = title_buf;
    ofn.nMaxFileTitle = sizeof title_buf;
    ofn.lpstrInitialDir = saved_directory;
    ofn.nFilterIndex = 1;
    BOOL ok;
    if (save) {
        bool star = mask && std::strchr(mask, '*');
        ofn.lpstrFilter = star ? "Файлы чертежей  (*.svt)\0*.svt\0" : "Уже записаны файлы   (*.*)\0*.*\0";
        ofn.lpstrTitle = star ? "Имя файла для чертежа" : "Куда записать?";
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_LONGNAMES;
        ok = GetSaveFileNameA(&ofn);
    } else {
        name[0] = 0;
        ofn.lpstrFilter = "Файлы чертежей  (*.svt)\0*.svt\0Чертежи во временных файлах  (*.tmp)\0*.tmp\0";
        ofn.lpstrTitle = "Имя файла чертежа";
        ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_LONGNAMES | OFN_ENABLESIZING |
                    OFN_EXPLORER;
        ok = GetOpenFileNameA(&ofn);
    }
    if (!ok) return 0;
    std::snprintf(path, size, "%s", name);
    return 1;
}

namespace {

const uint16_t* manual_description() {
    static uint16_t words[20];
    if (!words[0])
        text_pack_words(static_cast<int>(std::strlen(manual_checkpoint_text)), manual_checkpoint_text, words, 19, 2);
    return words;
}

}  // namespace

// ---------------------------------------------------------------- changes
void document_change_show(DocumentChange what) {
    switch (what) {
    case document_checkpoint_possible: enable(IDM_FILE_CHECKPOINT, 1); break;
    case document_checkpoint_impossible: enable(IDM_FILE_CHECKPOINT, 0); break;
    case document_new_drawing_wanted: post_command(IDM_FILE_NEW); break;
    case document_opened: post_command(IDM_COLLECT_CHECKPOINTS); break;
    case document_undo_chosen: post_command(IDM_FILE_UNDO); break;
    case document_redo_chosen: post_command(IDM_FILE_REDO); break;
    }
}

// ---------------------------------------------------------------- submenus
static_assert(checkpoint_list_limit <= IDM_CHECKPOINT_LIST_SPAN, "a listed checkpoint needs its own item id");

void checkpoint_menu_rebuild(int redo) {
    HMENU fm = file_menu();
    HMENU sub = redo ? redo_submenu : undo_submenu;
    int pos = redo ? redo_menu_position : undo_menu_position;
    if (!fm || !sub || pos < 0) return;
    int count = checkpoint_count(redo);
    char text[80];
    std::snprintf(text, sizeof text, "%s", redo ? redo_menu_text : undo_menu_text);
    if (count > 0) {
        size_t n = std::strlen(text);
        std::snprintf(text + n, sizeof text - n, " (%i)", count);
    }
    ModifyMenuA(fm, static_cast<UINT>(pos), MF_BYPOSITION | MF_POPUP | MF_STRING,
                reinterpret_cast<UINT_PTR>(sub), text);
    while (GetMenuItemCount(sub) > 0) DeleteMenu(sub, 0, MF_BYPOSITION);
    int i = 0;
    for (CheckpointNode* n = redo ? redo_list : undo_list; n && i < static_cast<int>(checkpoint_list_limit);
         n = n->next, ++i) {
        char item[80];
        checkpoint_menu_text(n, item, sizeof item);
        if (!item[0]) std::snprintf(item, sizeof item, "%u", static_cast<unsigned>(n->position + 1));
        InsertMenuA(sub, 0, MF_BYPOSITION | MF_STRING,
                    (redo ? IDM_REDO_LIST_FIRST : IDM_UNDO_LIST_FIRST) + n->position, item);
    }
    EnableMenuItem(fm, static_cast<UINT>(pos),
                   MF_BYPOSITION | (checkpoint_menu_enabled[redo] && count > 0 ? MF_ENABLED : MF_GRAYED));
    if (frame_window) DrawMenuBar(frame_window);
}

// ---------------------------------------------------------------- recent files
void drawing_open_recent(int n) {
    if (open_drawing_count > 0) return;
    char value[780];
    if (!recent_file_path(n, value, sizeof value)) {
        drawing_open_dialog();
        return;
    }
    std::string folder(value);
    size_t cut = folder.find_last_of("\\/");
    if (cut != std::string::npos) {
        folder.resize(cut);
        SetCurrentDirectoryA(folder.c_str());
    }
    drawing_open_path(value);
}

void drawing_open_dialog() {
    if (open_drawing_count >= 2) {
        drawing_limit_message();
        return;
    }
    current_dir_save();
    char path[780] = {0};
    if (document_file_dialog(0, nullptr, path, sizeof path)) drawing_open_path(path);
}

// ---------------------------------------------------------------- commands
int documents_command(int id) {
    DrawingFile* df = current_drawing_file();
    if (id >= IDM_UNDO_LIST_FIRST && id < IDM_UNDO_LIST_FIRST + IDM_CHECKPOINT_LIST_SPAN) {
        undo_list_pick(0, id - IDM_UNDO_LIST_FIRST);
        return 1;
    }
    if (id >= IDM_REDO_LIST_FIRST && id < IDM_REDO_LIST_FIRST + IDM_CHECKPOINT_LIST_SPAN) {
        undo_list_pick(1, id - IDM_REDO_LIST_FIRST);
        return 1;
    }
    switch (id) {
    case IDM_COLLECT_CHECKPOINTS:
        if (df && !(df->flags & drawing_flag_unnamed)) {
            checkpoints_collect();
            checkpoint_menu_rebuild(0);
        }
        return 1;
    case IDM_FILE_NEW:
        drawing_new(0);
        return 1;
    case IDM_FILE_OPEN:
        drawing_open_dialog();
        if (!error_flag && open_drawing_count > 0) document_menu_state(true);
        return 1;
    case IDM_FILE_CLOSE:
        drawing_close();
        return 1;
    case IDM_FILE_SAVE:
        if (!df) return 1;
        if (df->flags & drawing_flag_unnamed) {
            if (drawing_ask_save_name("*.svt") == 0) drawing_save_as(1);
        } else {
            drawing_save();
        }
        return 1;
    case IDM_FILE_SAVE_VARIANT:
        if (df && drawing_ask_save_name("*.svt") == 0) drawing_save_as(0);
        return 1;
    case IDM_FILE_CHECKPOINT:
        if (df) drawing_checkpoint(0, manual_description());
        checkpoint_hold = 0;
        return 1;
    case IDM_FILE_UNDO:
    case IDM_FILE_REDO:
        if (!df) return 1;
        if (document_shell.picture_bitmaps_free) document_shell.picture_bitmaps_free(df);
        if (document_shell.projection_windows_destroy_all) document_shell.projection_windows_destroy_all();
        if (frame_window) PostMessageA(frame_window, id == IDM_FILE_UNDO ? UM_UNDO : UM_REDO, 0, 0);
        return 1;
    default:
        break;
    }
    if (id >= IDM_RECENT_FILE_FIRST && id <= IDM_RECENT_FILE_LAST) {
        if (open_drawing_count == 0) drawing_open_recent(id - IDM_RECENT_FILE_FIRST + 1);
        return 1;
    }
    return 0;
}

void documents_menus_init() {
    // The undo and redo items of the file menu become the two submenus.
    HMENU fm = file_menu();
    if (fm && !undo_submenu) {
        undo_menu_position = position_of(fm, IDM_FILE_UNDO);
        redo_menu_position = position_of(fm, IDM_FILE_REDO);
        undo_submenu = CreatePopupMenu();
        redo_submenu = CreatePopupMenu();
        checkpoint_menu_rebuild(0);
        checkpoint_menu_rebuild(1);
    }
    document_menu_state(false);
}
