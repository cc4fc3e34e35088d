// The table editor (dialog 587): the drawing's tables in a virtual list
// view, cells edited one at a time, columns and rows added, moved and
// deleted, undo and redo in groups, the row sort (dialog 637), the bill of
// materials, and import and export of a table as text and its graphic
// image from template fragments (dialog 598).
#include "shell/tables_dialog.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/saving.h"
#include "geometry/extents.h"
#include "model/model_storage.h"
#include "model/table_edits.h"
#include "model/tables.h"
#include "model/variable_tools.h"
#include "render/text/text_variables.h"
#include "shell/commands.h"
#include "shell/core/table_image.h"
#include "shell/document_ui.h"
#include "shell/file_dialog.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/panels.h"
#include "shell/message_dialogs.h"
#include "shell/model_window.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/records.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

HWND tables_dialog_window;
int tables_last_column_count = 4;

namespace {

struct Editor {
    uint32_t table = 0;
    int row = 0;          // current row, from 0
    int column = 0;       // current column, from 1; 0 the row-number column
    bool as_typed = true;
    bool editing = false;
    std::string old_text;
    TableHistory history;
    std::vector<TableBufferedCell> buffer;
    bool sorted = false;  // the last action was a sort: undo refused
    int extra_rows = 0;   // empty rows shown below the table
    int rows = 0;         // rows shown
    std::vector<std::pair<uint16_t, std::string>> columns;  // number, name
    std::map<std::pair<int, int>, std::string> cells;       // (column, row) -> shown text
    char separator = ';';
    // The table image's choices in dialog 598, kept while the editor is open.
    uint32_t first_template = 0, next_template = 0;  // fragment projection numbers, 0 none
    bool wrap = false;
};

Editor editor;

struct Lock {
    Lock() { document_lock_acquire(); }
    ~Lock() { document_lock_release(); }
};

std::string window_text(HWND w) {
    int n = GetWindowTextLengthA(w);
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    GetWindowTextA(w, buf.data(), n + 1);
    return std::string(buf.data());
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    size_t b = 0;
    while (b < s.size() && s[b] == ' ') ++b;
    return s.substr(b);
}

void enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE); }

void update_history_buttons(HWND dialog) {
    enable(dialog, IDC_TABLES_UNDO, editor.history.undo_count() > 0);
    enable(dialog, IDC_TABLES_REDO, editor.history.redo_count() > 0);
}

void show_position(HWND dialog) {
    char buf[64];
    if (editor.column > 0)
        std::snprintf(buf, sizeof buf, "Стр.:%-i,  Кол.:%-i", editor.row + 1, editor.column);
    else
        std::snprintf(buf, sizeof buf, "Кол.:%-i", editor.column);
    SetDlgItemTextA(dialog, IDC_TABLES_POSITION, buf);
}

// Reads the current table's columns and cells and shows them.
void load_table(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_TABLES_LIST);
    DrawingFile* df = current_drawing_file();
    editor.columns.clear();
    editor.cells.clear();
    int next_row = 0;
    if (df && editor.table) {
        Lock lock;
        for (const TableRecordInfo& r : table_records(df)) {
            if (r.key != editor.table) continue;
            if (r.kind == table_kind_table) next_row = r.row;
            if (r.kind == table_kind_column) editor.columns.push_back({r.column, r.text});
            if (r.kind == table_kind_cell) {
                std::string shown = r.text;
                if (!editor.as_typed && shown.find('{') != std::string::npos) {
                    if (char* e = expand_text_variables(df, shown.c_str(), 0)) {
                        shown = e;
                        std::free(e);
                    }
                }
                if (shown.size() > 1028) shown.resize(1028);
                editor.cells[{r.column, r.row}] = trimmed(shown);
            }
        }
        error_flag = 0;
    }
    std::sort(editor.columns.begin(), editor.columns.end());
    if (editor.table) tables_last_column_count = static_cast<int>(editor.columns.size());
    SendMessageA(list, LVM_SETITEMCOUNT, 0, 0);
    while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
    }
    HDC dc = GetDC(list);
    HFONT old = static_cast<HFONT>(SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0))));
    auto width = [&](const std::string& s, int extra) {
        SIZE sz{};
        GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &sz);
        return sz.cx + extra;
    };
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.pszText = const_cast<char*>("№стр");
    c.cx = static_cast<int>(width("№стр", 18));
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&c));
    int at = 1;
    for (const auto& col : editor.columns) {
        c.pszText = const_cast<char*>(col.second.c_str());
        c.cx = std::max<int>(width(col.second, 40), 60);
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(at++), reinterpret_cast<LPARAM>(&c));
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    editor.rows = next_row + editor.extra_rows;
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(editor.rows), 0);
    InvalidateRect(list, nullptr, TRUE);
    update_history_buttons(dialog);
}

void fill_tables(HWND dialog, uint32_t select) {
    HWND combo = GetDlgItem(dialog, IDC_TABLES_NAME);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    std::vector<TableRecordInfo> tables;
    {
        Lock lock;
        for (const TableRecordInfo& r : table_records(df))
            if (r.kind == table_kind_table) tables.push_back(r);
        error_flag = 0;
    }
    int chosen = -1;
    for (const TableRecordInfo& t : tables) {
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.text.c_str()));
        if (at < 0) {
            show_program_message("$инициализации");
            return;
        }
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(t.key));
        if (t.key == select) chosen = static_cast<int>(at);
    }
    if (chosen < 0 && !tables.empty()) chosen = 0;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    editor.table = chosen < 0 ? 0 : static_cast<uint32_t>(SendMessageA(combo, CB_GETITEMDATA, chosen, 0));
}

void fill_variables(HWND dialog) {
    HWND combo = GetDlgItem(dialog, IDC_TABLES_VARIABLES);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    std::vector<ModelVariableInfo> vars;
    {
        Lock lock;
        vars = model_variables_read(df);
        error_flag = 0;
    }
    for (const ModelVariableInfo& v : vars) {
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(variable_display_text(v).c_str()));
        if (at >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(v.id));
    }
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

// "{NAME}" of the chosen variable on the clipboard.
void copy_variable(HWND dialog) {
    HWND combo = GetDlgItem(dialog, IDC_TABLES_VARIABLES);
    LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (at < 0) return;
    uint32_t id = static_cast<uint32_t>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
    std::string name;
    {
        Lock lock;
        for (const ModelVariableInfo& v : model_variables_read(current_drawing_file()))
            if (v.id == id) name = v.name;
        error_flag = 0;
    }
    if (name.empty() || !OpenClipboard(dialog)) return;
    std::string text = "{" + name + "}";
    EmptyClipboard();
    if (HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        std::memcpy(GlobalLock(g), text.c_str(), text.size() + 1);
        GlobalUnlock(g);
        if (!SetClipboardData(CF_TEXT, g)) GlobalFree(g);
    }
    CloseClipboard();
}

// The rows selected in the list view, or the current one.
std::vector<uint16_t> selected_rows(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_TABLES_LIST);
    std::vector<uint16_t> rows;
    for (int i = -1; (i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i),
                                                         LVNI_SELECTED))) >= 0;)
        rows.push_back(static_cast<uint16_t>(i));
    if (rows.empty() && editor.rows > 0) rows.push_back(static_cast<uint16_t>(editor.row));
    return rows;
}

// Runs one recorded edit under the lock, then reloads the view.
template <typename Edit>
void edit(HWND dialog, Edit e) {
    DrawingFile* df = current_drawing_file();
    if (!df || !editor.table) return;
    bool ok;
    {
        Lock lock;
        ok = e(df, editor.history.next_group());
        if (error_flag) ok = false;
        error_flag = 0;
    }
    editor.sorted = false;
    if (!ok) MessageBeep(MB_ICONEXCLAMATION);
    load_table(dialog);
}

// Leaves the cell edit: the text is written (an empty one deletes the cell).
void commit_cell(HWND dialog) {
    if (!editor.editing) return;
    editor.editing = false;
    HWND cell = GetDlgItem(dialog, IDC_TABLES_CELL);
    std::string text = trimmed(window_text(cell));
    int row = editor.row;
    int column = editor.column;
    SetWindowTextA(cell, "");
    EnableWindow(cell, FALSE);
    if (text != editor.old_text && column > 0) {
        edit(dialog, [&](DrawingFile* df, int group) {
            return table_cell_write(df, editor.table, static_cast<uint16_t>(column), static_cast<uint16_t>(row), text,
                                    &editor.history, group);
        });
    }
    SetFocus(GetDlgItem(dialog, IDC_TABLES_LIST));
}

void start_edit(HWND dialog) {
    if (editor.column <= 0 || !editor.table || editor.row >= editor.rows) return;
    HWND cell = GetDlgItem(dialog, IDC_TABLES_CELL);
    DrawingFile* df = current_drawing_file();
    bool locked;
    std::string text;
    {
        Lock lock;
        locked = table_cell_locked(df, editor.table, static_cast<uint16_t>(editor.column),
                                   static_cast<uint16_t>(editor.row));
        table_cell_at(df, editor.table, static_cast<uint16_t>(editor.column), static_cast<uint16_t>(editor.row), &text);
        error_flag = 0;
    }
    if (locked) {
        SetWindowTextA(cell, "=>. . . . . . .");
        return;
    }
    editor.old_text = trimmed(text);
    editor.editing = true;
    SetWindowTextA(cell, editor.old_text.c_str());
    EnableWindow(cell, TRUE);
    SetFocus(cell);
    SendMessageA(cell, EM_SETSEL, 0, -1);
}

// ---------------------------------------------------------------- sort (637)

struct SortState {
    std::vector<uint16_t> order;  // column of each key position
    bool rows_selected = false;
    std::vector<uint16_t> rows;
};

void show_key(HWND dialog, SortState& s) {
    int key = static_cast<int>(GetDlgItemInt(dialog, IDC_TABLESORT_KEY, nullptr, FALSE));
    if (key < 1 || key > static_cast<int>(s.order.size())) return;
    SetDlgItemInt(dialog, IDC_TABLESORT_COLUMN, s.order[static_cast<size_t>(key - 1)], FALSE);
}

INT_PTR CALLBACK table_sort_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    SortState* s = reinterpret_cast<SortState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        s = reinterpret_cast<SortState*>(lp);
        SetWindowLongPtrA(dialog, DWLP_USER, lp);
        if (s->order.empty()) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        int n = static_cast<int>(s->order.size());
        SendDlgItemMessageA(dialog, IDC_TABLESORT_KEY_SPIN, UDM_SETRANGE32, 1, n);
        SendDlgItemMessageA(dialog, IDC_TABLESORT_COLUMN_SPIN, UDM_SETRANGE32, 1, n);
        SetDlgItemInt(dialog, IDC_TABLESORT_KEY, 1, FALSE);
        show_key(dialog, *s);
        CheckDlgButton(dialog, IDC_TABLESORT_ASCENDING, BST_CHECKED);
        enable(dialog, IDC_TABLESORT_SELECTED, s->rows_selected);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_TABLESORT_KEY:
            if (HIWORD(wp) == EN_CHANGE && s) show_key(dialog, *s);
            return TRUE;
        case IDC_TABLESORT_COLUMN:
            if (HIWORD(wp) == EN_CHANGE && s) {
                int key = static_cast<int>(GetDlgItemInt(dialog, IDC_TABLESORT_KEY, nullptr, FALSE));
                int col = static_cast<int>(GetDlgItemInt(dialog, IDC_TABLESORT_COLUMN, nullptr, FALSE));
                int n = static_cast<int>(s->order.size());
                if (key >= 1 && key <= n && col >= 1 && col <= n)
                    s->order[static_cast<size_t>(key - 1)] = static_cast<uint16_t>(col);
            }
            return TRUE;
        case IDOK: {
            DrawingFile* df = current_drawing_file();
            if (df && s) {
                HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
                bool selected = IsDlgButtonChecked(dialog, IDC_TABLESORT_SELECTED) == BST_CHECKED;
                bool ascending = IsDlgButtonChecked(dialog, IDC_TABLESORT_ASCENDING) == BST_CHECKED;
                Lock lock;
                table_sort_rows(df, editor.table, s->order, ascending, selected ? &s->rows : nullptr);
                error_flag = 0;
                SetCursor(old);
            }
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void sort_rows(HWND dialog) {
    if (!editor.table) return;
    SortState s;
    for (const auto& c : editor.columns) s.order.push_back(c.first);
    HWND list = GetDlgItem(dialog, IDC_TABLES_LIST);
    s.rows_selected = SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
    if (s.rows_selected) s.rows = selected_rows(dialog);
    // The checkpoint takes the sort back; the edit history cannot.
    drawing_checkpoint(1, default_undo_description());
    error_flag = 0;
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TABLE_SORT), dialog, table_sort_proc,
                        reinterpret_cast<LPARAM>(&s)) == IDOK) {
        editor.history.clear();
        editor.sorted = true;
    }
    load_table(dialog);
}

// ---------------------------------------------------------------- exchange (598)

bool text_file_dialog(HWND owner, bool save, char* path, size_t size) {
    path[0] = 0;
    if (document_dialog_answer) return document_dialog_answer(save ? 1 : 0, path, size) != 0;
    OPENFILENAMEA ofn;
    file_dialog_init(&ofn, owner, path, size);
    ofn.lpstrFilter = "Текстовые файлы (*.txt)\0*.txt\0";
    if (save) {
        ofn.lpstrTitle = "Имя файла для экспорта таблицы";
        ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_LONGNAMES | OFN_OVERWRITEPROMPT;
        return GetSaveFileNameA(&ofn) != 0;
    }
    ofn.lpstrTitle = "Имя файла для импорта таблицы";
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_LONGNAMES;
    return GetOpenFileNameA(&ofn) != 0;
}

void file_failed(const std::string& path, const char* message) {
    static char kept[MAX_PATH + 260];
    std::snprintf(kept, sizeof kept, "%s", path.c_str());
    error_stack_push(kept);
    show_program_message(message);
}

std::string txt_name(const std::string& name) {
    if (name.find(".txt") != std::string::npos || name.find(".TXT") != std::string::npos) return name;
    size_t slash = name.find_last_of("\\/");
    size_t dot = name.rfind('.');
    std::string base = name;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.resize(dot);
    return base + ".txt";
}

void import_table(HWND owner) {
    char path[MAX_PATH + 260];
    if (!text_file_dialog(owner, false, path, sizeof path)) return;
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        file_failed(path, "$открытия файла");
        return;
    }
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) {
        file_failed(path, "$чтения файла");
        return;
    }
    DrawingFile* df = current_drawing_file();
    if (!df || !editor.table) return;
    std::string message;
    {
        Lock lock;
        message = table_import_text(df, editor.table, text, editor.separator, &editor.history,
                                    editor.history.next_group());
        error_flag = 0;
    }
    editor.sorted = false;
    if (!message.empty()) {
        static std::string kept;
        kept = message;
        show_program_message(kept.c_str());
    }
}

void export_table(HWND owner) {
    char path[MAX_PATH + 260];
    if (!text_file_dialog(owner, true, path, sizeof path)) return;
    std::string name = txt_name(path);
    DrawingFile* df = current_drawing_file();
    if (!df || !editor.table) return;
    std::string text;
    {
        Lock lock;
        text = table_export_text(df, editor.table, editor.separator);
        error_flag = 0;
    }
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) {
        file_failed(name, "$открытия файла");
        return;
    }
    bool ok = text.empty() || std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) file_failed(name, "$записи в файл");
}

void show_separator(HWND dialog) {
    char s[2] = {editor.separator, 0};
    SetDlgItemTextA(dialog, IDC_TABLEX_SEPARATOR, s);
    char code[8];
    std::snprintf(code, sizeof code, "%03u", static_cast<unsigned>(static_cast<unsigned char>(editor.separator)));
    SetDlgItemTextA(dialog, IDC_TABLEX_CODE, code);
}

// A template combo: an empty first entry (no template), then the drawing's
// fragments; the chosen one selected.
void fill_template_combo(HWND dialog, int id, const std::vector<TemplateFragment>& fragments, uint32_t chosen) {
    HWND combo = GetDlgItem(dialog, id);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    SendMessageA(combo, CB_SETITEMDATA, 0, 0);
    int selected = 0;
    for (const TemplateFragment& f : fragments) {
        std::string shown = f.title.empty() ? std::to_string(f.number) : f.title;
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        if (at < 0) break;
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(f.number));
        if (f.number == chosen) selected = static_cast<int>(at);
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

uint32_t chosen_template(HWND dialog, int id) {
    LRESULT at = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (at < 0) return 0;
    return static_cast<uint32_t>(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

// The built pages in their windows: a new page gets one, a replaced one is
// drawn again; each page's frame is measured with its window there (the
// frame sizes its place on the sheets).
void show_pages(const TableImageResult& r) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    projection_refs_refresh();
    auto stored = [df](uint32_t number) {
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        return record_find_key(df, head, number, nullptr, &page_buffers[table_projections]);
    };
    for (uint32_t number : r.pages) {
        ProjectionWindow* w = projection_window_find_by_id(number);
        if (!w) {
            RecordRef ref = 0;
            {
                Lock lock;
                unsigned char* p = stored(number);
                ref = p ? record_ref_of(&page_buffers[table_projections], p) : 0;
            }
            if (ref) w = projection_window_open(ref, 1);
            error_flag = 0;
        }
        {
            Lock lock;
            if (unsigned char* p = stored(number)) {
                projection_compute_extents(p, 0);
                page_buffers[table_projections].clean = 0;
            }
            error_flag = 0;
        }
        if (w && w->window) InvalidateRect(w->window, nullptr, TRUE);
    }
}

// "Построить  графическое  изображение": the pages of the current table from
// the chosen templates, then the drawing saved.
void build_image(HWND dialog) {
    DrawingFile* df = current_drawing_file();
    if (!df || !editor.table) return;
    editor.first_template = chosen_template(dialog, IDC_TABLEX_FIRST_TEMPLATE);
    editor.next_template = chosen_template(dialog, IDC_TABLEX_NEXT_TEMPLATE);
    editor.wrap = IsDlgButtonChecked(dialog, IDC_TABLEX_WRAP) == BST_CHECKED;
    if (!editor.first_template) {
        show_program_message(table_image_no_templates);
        return;
    }
    drawing_checkpoint(1, default_undo_description());
    error_flag = 0;
    TableImageRequest rq;
    rq.table = editor.table;
    rq.first_template = editor.first_template;
    rq.next_template = editor.next_template;
    rq.wrap = editor.wrap;
    rq.font_register = (get_u16(df->header, header_options) & header_opt_collation_mask) >> 3;
    // The question is asked with the document free, so that the windows
    // behind it paint.
    rq.replace = [dialog](const std::string& name) {
        document_lock_release();
        bool yes = ask_confirmation(dialog, 15, name.c_str()) != 0;
        document_lock_acquire();
        return yes;
    };
    TableImageResult r;
    {
        Lock lock;
        r = table_image_build(df, rq);
        error_flag = 0;
    }
    if (!r.pages.empty()) {
        show_pages(r);
        drawing_save();
    }
    if (!r.message.empty()) {
        static std::string kept;
        kept = r.message;
        show_program_message(kept.c_str());
    }
}

INT_PTR CALLBACK table_exchange_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
    DrawingFile* df = current_drawing_file();
    switch (msg) {
    case WM_INITDIALOG: {
        init_help_button(dialog);
        std::string name;
        for (int i = 0, n = static_cast<int>(SendDlgItemMessageA(tables_dialog_window, IDC_TABLES_NAME, CB_GETCOUNT, 0, 0));
             i < n; ++i)
            if (static_cast<uint32_t>(SendDlgItemMessageA(tables_dialog_window, IDC_TABLES_NAME, CB_GETITEMDATA, i, 0)) ==
                editor.table) {
                char buf[1030] = "";
                SendDlgItemMessageA(tables_dialog_window, IDC_TABLES_NAME, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
                name = buf;
            }
        SetDlgItemTextA(dialog, IDC_TABLEX_NAME, name.c_str());
        SendDlgItemMessageA(dialog, IDC_TABLEX_SEPARATOR, EM_LIMITTEXT, 1, 0);
        show_separator(dialog);
        SendDlgItemMessageA(dialog, IDC_TABLEX_REGISTER_SPIN, UDM_SETRANGE32, 0, 7);
        unsigned reg = df ? (get_u16(df->header, header_options) & header_opt_collation_mask) >> 3 : 0;
        SetDlgItemInt(dialog, IDC_TABLEX_REGISTER, reg, FALSE);
        enable(dialog, IDC_TABLEX_IMPORT, editor.table != 0);
        enable(dialog, IDC_TABLEX_EXPORT, editor.table != 0);
        enable(dialog, IDC_TABLEX_BUILD, editor.table != 0);
        std::vector<TemplateFragment> fragments;
        if (df) {
            Lock lock;
            fragments = table_image_fragments(df);
            error_flag = 0;
        }
        fill_template_combo(dialog, IDC_TABLEX_FIRST_TEMPLATE, fragments, editor.first_template);
        fill_template_combo(dialog, IDC_TABLEX_NEXT_TEMPLATE, fragments, editor.next_template);
        CheckDlgButton(dialog, IDC_TABLEX_WRAP, editor.wrap ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_TABLEX_SEPARATOR:
            if (HIWORD(wp) == EN_CHANGE) {
                char s[4] = "";
                GetDlgItemTextA(dialog, IDC_TABLEX_SEPARATOR, s, sizeof s);
                if (s[0] && s[0] != '"' && s[0] != '\r' && s[0] != '\n' && s[0] != editor.separator) {
                    editor.separator = s[0];
                    show_separator(dialog);
                }
            }
            return TRUE;
        case IDC_TABLEX_REGISTER:
            if (HIWORD(wp) == EN_CHANGE && df) {
                BOOL ok = FALSE;
                unsigned reg = GetDlgItemInt(dialog, IDC_TABLEX_REGISTER, &ok, FALSE);
                if (ok && reg <= 7) {
                    Lock lock;
                    uint16_t o = get_u16(df->header, header_options);
                    put_u16(df->header, header_options,
                            static_cast<uint16_t>((o & ~header_opt_collation_mask) | (reg << 3)));
                }
            }
            return TRUE;
        case IDC_TABLEX_IMPORT:
            import_table(dialog);
            return TRUE;
        case IDC_TABLEX_EXPORT:
            export_table(dialog);
            return TRUE;
        case IDC_TABLEX_FIRST_TEMPLATE:
        case IDC_TABLEX_NEXT_TEMPLATE:
            if (HIWORD(wp) == CBN_SELCHANGE) {
                editor.first_template = chosen_template(dialog, IDC_TABLEX_FIRST_TEMPLATE);
                editor.next_template = chosen_template(dialog, IDC_TABLEX_NEXT_TEMPLATE);
            }
            return TRUE;
        case IDC_TABLEX_WRAP:
            editor.wrap = IsDlgButtonChecked(dialog, IDC_TABLEX_WRAP) == BST_CHECKED;
            return TRUE;
        case IDC_TABLEX_BUILD:
            build_image(dialog);
            return TRUE;
        case IDC_HELP_PICTURE:
            set_help_topic(21);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wp));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// ---------------------------------------------------------------- the editor

void add_table(HWND dialog) {
    std::string name = trimmed(window_text(GetDlgItem(dialog, IDC_TABLES_NAME)));
    DrawingFile* df = current_drawing_file();
    if (!df || name.empty()) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    uint32_t key;
    {
        Lock lock;
        if (table_find_by_name(df, name)) {
            static char kept[1100];
            std::snprintf(kept, sizeof kept, "%s", name.c_str());
            error_stack_push(kept);
            show_program_message("Такое имя уже существует");
            return;
        }
        key = table_create(df, name, &editor.history, editor.history.next_group());
        error_flag = 0;
    }
    if (!key) return;
    editor.extra_rows = 0;
    fill_tables(dialog, key);
    load_table(dialog);
}

void delete_table(HWND dialog) {
    DrawingFile* df = current_drawing_file();
    if (!df || !editor.table) return;
    if (!ask_confirmation(dialog, 13, nullptr)) return;
    {
        Lock lock;
        table_delete(df, editor.table);
        error_flag = 0;
    }
    editor.history.clear();
    editor.table = 0;
    fill_tables(dialog, 0);
    load_table(dialog);
}

void on_list_notify(HWND dialog, NMHDR* h) {
    HWND list = GetDlgItem(dialog, IDC_TABLES_LIST);
    switch (h->code) {
    case LVN_GETDISPINFOA: {
        NMLVDISPINFOA* d = reinterpret_cast<NMLVDISPINFOA*>(h);
        if (!(d->item.mask & LVIF_TEXT) || !d->item.pszText || d->item.cchTextMax <= 0) return;
        std::string text;
        if (d->item.iSubItem == 0) {
            text = std::to_string(d->item.iItem + 1);
        } else if (static_cast<size_t>(d->item.iSubItem) <= editor.columns.size()) {
            int col = editor.columns[static_cast<size_t>(d->item.iSubItem - 1)].first;
            auto it = editor.cells.find({col, d->item.iItem});
            if (it != editor.cells.end()) text = it->second;
        }
        std::snprintf(d->item.pszText, static_cast<size_t>(d->item.cchTextMax), "%s", text.c_str());
        return;
    }
    case NM_CLICK:
    case NM_DBLCLK: {
        NMITEMACTIVATE* a = reinterpret_cast<NMITEMACTIVATE*>(h);
        LVHITTESTINFO hit{};
        hit.pt = a->ptAction;
        if (SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0) return;
        if (editor.editing) commit_cell(dialog);
        editor.row = hit.iItem;
        editor.column = hit.iSubItem > 0 && static_cast<size_t>(hit.iSubItem) <= editor.columns.size()
                            ? editor.columns[static_cast<size_t>(hit.iSubItem - 1)].first
                            : 0;
        show_position(dialog);
        bool locked = false;
        if (editor.column > 0) {
            Lock lock;
            locked = table_cell_locked(current_drawing_file(), editor.table, static_cast<uint16_t>(editor.column),
                                       static_cast<uint16_t>(editor.row));
            error_flag = 0;
        }
        enable(dialog, IDC_TABLES_EDIT, editor.column > 0 && !locked);
        if (h->code == NM_DBLCLK) start_edit(dialog);
        return;
    }
    case LVN_COLUMNCLICK: {
        NMLISTVIEW* v = reinterpret_cast<NMLISTVIEW*>(h);
        if (v->iSubItem <= 0 || static_cast<size_t>(v->iSubItem) > editor.columns.size()) {
            editor.column = 0;
        } else {
            const auto& c = editor.columns[static_cast<size_t>(v->iSubItem - 1)];
            editor.column = c.first;
            SetDlgItemTextA(dialog, IDC_TABLES_COLUMN_NAME, c.second.c_str());
        }
        show_position(dialog);
        return;
    }
    default:
        return;
    }
}

void on_command(HWND dialog, int id, int code) {
    DrawingFile* df = current_drawing_file();
    (void)df;
    auto column_name = [&] { return trimmed(window_text(GetDlgItem(dialog, IDC_TABLES_COLUMN_NAME))); };
    switch (id) {
    case IDC_TABLES_NAME:
        if (code == CBN_SELENDOK) {
            LRESULT at = SendDlgItemMessageA(dialog, IDC_TABLES_NAME, CB_GETCURSEL, 0, 0);
            if (at >= 0) {
                commit_cell(dialog);
                editor.table = static_cast<uint32_t>(SendDlgItemMessageA(dialog, IDC_TABLES_NAME, CB_GETITEMDATA, at, 0));
                editor.row = editor.column = 0;
                editor.extra_rows = 0;
                load_table(dialog);
            }
        }
        return;
    case IDC_TABLES_ADD:
        add_table(dialog);
        return;
    case IDC_TABLES_DELETE:
        delete_table(dialog);
        return;
    case IDC_TABLES_COLUMN_INSERT: {
        std::string name = column_name();
        if (name.empty()) return;
        int after = editor.column;
        edit(dialog, [&](DrawingFile* d, int g) {
            return table_insert_column(d, editor.table, static_cast<uint16_t>(after), name, &editor.history, g);
        });
        editor.column = after + 1;
        show_position(dialog);
        return;
    }
    case IDC_TABLES_COLUMN_RENAME: {
        std::string name = column_name();
        if (name.empty() || editor.column <= 0) return;
        edit(dialog, [&](DrawingFile* d, int g) {
            return table_rename_column(d, editor.table, static_cast<uint16_t>(editor.column), name, &editor.history, g);
        });
        return;
    }
    case IDC_TABLES_COLUMN_DELETE:
        if (editor.column <= 0) return;
        edit(dialog, [&](DrawingFile* d, int g) {
            return table_delete_column(d, editor.table, static_cast<uint16_t>(editor.column), &editor.history, g);
        });
        editor.column = 0;
        return;
    case IDC_TABLES_COLUMN_SAVE:
    case IDC_TABLES_ROWS_SAVE: {
        if (!editor.table) return;
        std::vector<uint16_t> rows;
        uint16_t column = 0;
        if (id == IDC_TABLES_COLUMN_SAVE) {
            if (editor.column <= 0) return;
            column = static_cast<uint16_t>(editor.column);
            for (int r = 0; r < editor.rows; ++r) rows.push_back(static_cast<uint16_t>(r));
        } else {
            rows = selected_rows(dialog);
        }
        Lock lock;
        editor.buffer = table_copy_cells(current_drawing_file(), editor.table, rows, column);
        error_flag = 0;
        return;
    }
    case IDC_TABLES_COLUMN_FILL:
        if (editor.column <= 0) return;
        edit(dialog, [&](DrawingFile* d, int g) {
            return table_fill_column(d, editor.table, static_cast<uint16_t>(editor.column),
                                     static_cast<uint16_t>(editor.row), editor.buffer, &editor.history, g);
        });
        return;
    case IDC_TABLES_ROWS_INSERT:
        edit(dialog, [&](DrawingFile* d, int g) {
            return table_insert_rows(d, editor.table, static_cast<uint16_t>(editor.row), editor.buffer,
                                     &editor.history, g);
        });
        return;
    case IDC_TABLES_ROWS_DELETE: {
        std::vector<uint16_t> rows = selected_rows(dialog);
        edit(dialog, [&](DrawingFile* d, int g) { return table_delete_rows(d, editor.table, rows, &editor.history, g); });
        LVITEMA none{};
        none.stateMask = LVIS_SELECTED;
        SendDlgItemMessageA(dialog, IDC_TABLES_LIST, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(&none));
        return;
    }
    case IDC_TABLES_MORE_ROWS:
        if (!editor.table) return;
        editor.extra_rows += 20;
        load_table(dialog);
        return;
    case IDC_TABLES_EDIT:
        start_edit(dialog);
        return;
    case IDC_TABLES_CELL:
        if (code == EN_KILLFOCUS || code == EN_MAXTEXT) commit_cell(dialog);
        return;
    case IDC_TABLES_UNDO:
    case IDC_TABLES_REDO: {
        DrawingFile* d = current_drawing_file();
        if (!d) return;
        if (editor.sorted && id == IDC_TABLES_UNDO) {
            error_stack_push("см. меню \"Файл/Вернуть назад\"");
            show_program_message("\"Откатка\" сортировки выполняется по \"засечкам\"");
            return;
        }
        {
            Lock lock;
            if (id == IDC_TABLES_UNDO) editor.history.undo(d);
            else editor.history.redo(d);
            error_flag = 0;
        }
        load_table(dialog);
        return;
    }
    case IDC_TABLES_SORT:
        sort_rows(dialog);
        return;
    case IDC_TABLES_BILL:
        edit(dialog, [&](DrawingFile* d, int g) { return table_bill_of_materials(d, editor.table, &editor.history, g); });
        return;
    case IDC_TABLES_VARIABLES:
        if (code == CBN_SELENDOK) copy_variable(dialog);
        return;
    case IDC_TABLES_TEMPLATE:
    case IDC_TABLES_GRID:
        table_template_dialog_open(dialog, id == IDC_TABLES_GRID);
        return;
    case IDC_TABLES_MODEL:
        model_window_open_modal(dialog, dialog);
        fill_variables(dialog);
        load_table(dialog);
        return;
    case IDC_TABLES_EXCHANGE:
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TABLE_EXCHANGE), dialog, table_exchange_proc, 0);
        load_table(dialog);
        return;
    case IDC_TABLES_AS_TYPED:
        editor.as_typed = IsDlgButtonChecked(dialog, IDC_TABLES_AS_TYPED) == BST_CHECKED;
        load_table(dialog);
        return;
    case IDC_HELP_PICTURE:
        set_help_topic(21);
        return;
    case IDOK:
    case IDCANCEL:
        if (editor.editing && id == IDCANCEL) {
            // Esc in the cell edit puts the old text back.
            SetDlgItemTextA(dialog, IDC_TABLES_CELL, editor.old_text.c_str());
            return;
        }
        commit_cell(dialog);
        editor.history.clear();
        editor.buffer.clear();
        hints_remove_dialog(dialog);
        EndDialog(dialog, id);
        return;
    default:
        return;
    }
}

}  // namespace

INT_PTR CALLBACK tables_dialog_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        tables_dialog_window = dialog;
        editor = Editor();
        // Variable values current before any cell is shown.
        model_run_silently();
        HWND list = GetDlgItem(dialog, IDC_TABLES_LIST);
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        init_help_button(dialog);
        CheckDlgButton(dialog, IDC_TABLES_AS_TYPED, BST_CHECKED);
        SendDlgItemMessageA(dialog, IDC_TABLES_CELL, EM_LIMITTEXT, 1027, 0);
        SendDlgItemMessageA(dialog, IDC_TABLES_NAME, CB_LIMITTEXT, 1027, 0);
        fill_tables(dialog, 0);
        load_table(dialog);
        fill_variables(dialog);
        show_position(dialog);
        enable(dialog, IDC_TABLES_EDIT, false);
        // Templates, grids and the model belong to the earlier stages.
        for (int id : {IDC_TABLES_TEMPLATE, IDC_TABLES_GRID, IDC_TABLES_MODEL})
            if (current_stage >= 4) {
                enable(dialog, id, false);
                hint_add(dialog, GetDlgItem(dialog, id), " Доступно на более ранних\n этапах проектирования");
            }
        (void)lp;
        return TRUE;
    }
    case WM_NOTIFY: {
        NMHDR* h = reinterpret_cast<NMHDR*>(lp);
        if (h && h->idFrom == IDC_TABLES_LIST) on_list_notify(dialog, h);
        return TRUE;
    }
    case WM_COMMAND:
        on_command(dialog, LOWORD(wp), HIWORD(wp));
        return TRUE;
    case WM_DESTROY:
        tables_dialog_window = nullptr;
        break;
    }
    return FALSE;
}

void tables_dialog_open() {
    if (!current_drawing_file() || tables_dialog_window) return;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TABLES), frame_window, tables_dialog_proc, 0);
    drawing_save();
}
