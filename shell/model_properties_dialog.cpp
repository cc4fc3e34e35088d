// The model window's two small dialogs: the model properties (513 for the
// main model: rounding step of the saved variables, import and export of
// the program, variables from the dimensions of a view, the usage listing;
// 723, the same title, with only import, export and the text size) and the
// list of the language's statements and functions (515).
#include "shell/model_window.h"

#include "base/program_messages.h"
#include "documents/documents.h"
#include "geometry/naming.h"
#include "geometry/text_numbers.h"
#include "geometry/tolerance.h"
#include "model/model_names.h"
#include "model/model_storage.h"
#include "model/variable_tools.h"
#include "shell/core/model_variable_listing.h"
#include "shell/document_ui.h"
#include "shell/file_dialog.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const text_no_variables = "Нет вычисленных переменных";
const char* const text_too_long = "Длина программы модели не может быть больше 65535 байт";

struct Lock {
    Lock() { document_lock_acquire(); }
    ~Lock() { document_lock_release(); }
};

// The editor of the open model window, which owns this dialog.
HWND editor_of(HWND) { return GetDlgItem(model_window, IDC_MODEL_EDITOR); }

std::string window_text(HWND w) {
    int n = GetWindowTextLengthA(w);
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    GetWindowTextA(w, buf.data(), n + 1);
    return std::string(buf.data());
}

// The step of the main model's head.
double head_step(DrawingFile* df) {
    std::string text;
    ModelHead head;
    if (!model_program_load(df, 0, text, &head)) return model_default_step;
    return head.step;
}

void store_head_step(DrawingFile* df, HWND properties, double step) {
    // The head is stored with the program: the editor's text goes with it.
    std::string text = window_text(editor_of(properties));
    std::string stored;
    ModelHead head;
    if (!model_program_load(df, 0, stored, &head)) return;
    head.step = step;
    ModelError e;
    if (!model_program_store(df, head, text.data(), text.size(), &e)) show_program_message(e.message.c_str());
}

void fill_variables(HWND dialog, DrawingFile* df) {
    HWND combo = GetDlgItem(dialog, IDC_MODELPROP_VARIABLES);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    std::vector<ModelVariableInfo> vars;
    {
        Lock lock;
        vars = model_variables_read(df);
    }
    for (const ModelVariableInfo& v : vars) {
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0,
                                  reinterpret_cast<LPARAM>(variable_display_text(v).c_str()));
        if (at >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(v.id));
    }
    bool any = !vars.empty();
    if (!any) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text_no_variables));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    for (int id : {IDC_MODELPROP_ALL, IDC_MODELPROP_ONE, IDC_MODELPROP_STEP})
        EnableWindow(GetDlgItem(dialog, id), any ? TRUE : FALSE);
}

void show_step(HWND dialog, double step) {
    char buf[64];
    format_number_by_magnitude(buf, sizeof buf, step);
    SetDlgItemTextA(dialog, IDC_MODELPROP_STEP, buf);
}

void show_text_size(HWND dialog) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "Объём текста модели - %i байт", GetWindowTextLengthA(editor_of(dialog)));
    SetDlgItemTextA(dialog, IDC_MODELPROP_SIZE, buf);
}

void fill_projections(HWND dialog, DrawingFile* df) {
    HWND combo = GetDlgItem(dialog, IDC_MODELPROP_PROJECTIONS);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    Lock lock;
    PageBuffer* pbuf = &page_buffers[table_projections];
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
    for (unsigned char* p = record_next(df, head, nullptr, pbuf); p && !error_flag; p = record_next(df, head, p, pbuf)) {
        if (get_u32(p, projection_dimensions) == 0) continue;
        char caption[128] = "";
        view_caption(p, caption, sizeof caption);
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption));
        if (at >= 0)
            SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(record_ref_of(pbuf, p)));
    }
    error_flag = 0;
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    EnableWindow(GetDlgItem(dialog, IDC_MODELPROP_GENERATE),
                 SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0 ? TRUE : FALSE);
}

uint32_t selected_variable(HWND dialog) {
    HWND combo = GetDlgItem(dialog, IDC_MODELPROP_VARIABLES);
    LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (at < 0) return 0;
    LRESULT id = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(at), 0);
    return id == CB_ERR ? 0 : static_cast<uint32_t>(id);
}

// 1650 (all) and 1651 (one): the selected variable's rounding flag decides.
void assign_rounding(HWND dialog, DrawingFile* df, bool all) {
    uint32_t id = selected_variable(dialog);
    if (!id) return;
    double step = head_step(df);
    {
        Lock lock;
        bool had = false;
        for (const ModelVariableInfo& v : model_variables_read(df))
            if (v.id == id) had = (v.flags & model_variable_flag_rounding) != 0;
        variables_set_rounding(df, all ? 0 : id, !had, step);
        error_flag = 0;
    }
    LRESULT at = SendDlgItemMessageA(dialog, IDC_MODELPROP_VARIABLES, CB_GETCURSEL, 0, 0);
    fill_variables(dialog, df);
    SendDlgItemMessageA(dialog, IDC_MODELPROP_VARIABLES, CB_SETCURSEL, static_cast<WPARAM>(at < 0 ? 0 : at), 0);
}

// The name chosen in a file dialog of *.bas files; false when cancelled.
bool bas_file_dialog(HWND owner, bool save, char* path, size_t size) {
    path[0] = 0;
    current_dir_save();
    if (document_dialog_answer) return document_dialog_answer(save ? 1 : 0, path, size) != 0;
    OPENFILENAMEA ofn;
    file_dialog_init(&ofn, owner, path, size);
    ofn.lpstrFilter = "Файлы моделей (*.bas)\0*.bas\0";
    ofn.lpstrDefExt = "bas";
    if (save) {
        ofn.lpstrTitle = "Имя файла для экспорта модели";
        ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_LONGNAMES;
        return GetSaveFileNameA(&ofn) != 0;
    }
    ofn.lpstrTitle = "Имя файла для импорта модели";
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_LONGNAMES;
    return GetOpenFileNameA(&ofn) != 0;
}

void file_failed(const char* path, const char* message) {
    static char kept[MAX_PATH + 260];
    std::snprintf(kept, sizeof kept, "%s", path);
    error_stack_push(kept);
    show_program_message(message);
}

// 1563: the file's text goes to the end of the editor's text (line breaks
// as CR LF). True when something was imported.
bool import_program(HWND dialog) {
    char path[MAX_PATH + 260];
    if (!bas_file_dialog(dialog, false, path, sizeof path)) return false;
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        file_failed(path, "$открытия файла");
        return false;
    }
    HWND editor = editor_of(dialog);
    std::string text = window_text(editor);
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        file_failed(path, "$чтения файла");
        return false;
    }
    if (!model_import_fits(text.size(), static_cast<uint64_t>(size))) {
        std::fclose(f);
        show_program_message(text_too_long);
        return false;
    }
    std::string body(static_cast<size_t>(size), '\0');
    size_t got = size ? std::fread(&body[0], 1, body.size(), f) : 0;
    bool read_error = std::ferror(f) != 0 || got != body.size();
    std::fclose(f);
    if (read_error) {
        file_failed(path, "$чтения файла");
        return false;
    }
    std::string joined = text;
    if (!joined.empty() && joined.back() != '\n') joined += "\r\n";
    joined = model_text_with_crlf(joined + body);
    if (joined.size() > static_cast<size_t>(model_text_max)) {
        show_program_message(text_too_long);
        return false;
    }
    SetWindowTextA(editor, joined.c_str());
    SendMessageA(editor, EM_SETMODIFY, TRUE, 0);
    return true;
}

// 1564: a new file (an existing one is never overwritten) with the editor's text.
void export_program(HWND dialog) {
    char path[MAX_PATH + 260];
    if (!bas_file_dialog(dialog, true, path, sizeof path)) return;
    std::string name = model_export_file_name(path);
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        file_failed(name.c_str(), "$открытия файла");
        return;
    }
    std::string text = model_text_with_crlf(window_text(editor_of(dialog)));
    DWORD wrote = 0;
    BOOL ok = text.empty() || (WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) &&
                                  wrote == text.size());
    ok = CloseHandle(h) && ok;
    if (!ok) file_failed(name.c_str(), "$записи в файл");
}

// 1977: variables for the unbound dimensions of the chosen view, their
// lines appended to the editor's text.
void generate_variables(HWND dialog, DrawingFile* df) {
    HWND combo = GetDlgItem(dialog, IDC_MODELPROP_PROJECTIONS);
    LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (at < 0) return;
    RecordRef ref = static_cast<RecordRef>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
    std::string text = window_text(editor_of(dialog));
    std::string message;
    int made;
    {
        Lock lock;
        made = variables_from_dimensions(df, ref, text, &message);
        error_flag = 0;
    }
    if (made < 0) {
        show_program_message(message.c_str());
        return;
    }
    if (made > 0) {
        SetWindowTextA(editor_of(dialog), text.c_str());
        SendMessageA(editor_of(dialog), EM_SETMODIFY, TRUE, 0);
        fill_variables(dialog, df);
        show_text_size(dialog);
    }
    EnableWindow(GetDlgItem(dialog, IDC_MODELPROP_GENERATE), FALSE);
}

// 1586: the listing file beside the drawing, opened in the text editor.
void usage_listing(DrawingFile* df) {
    char part[MAX_PATH + 260] = "";
    drawing_file_name_part(part, sizeof part);
    std::string name = variable_listing_file_name(part);
    std::string text;
    {
        Lock lock;
        text = variable_usage_listing_text(df);
        error_flag = 0;
    }
    FILE* f = std::fopen(name.c_str(), "wt");
    if (!f) {
        file_failed(name.c_str(), "$открытия файла");
        return;
    }
    bool ok = std::fputs(text.c_str(), f) >= 0;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        file_failed(name.c_str(), "$записи в файл");
        return;
    }
    char program[MAX_PATH + 64];
    ExpandEnvironmentStringsA("%SystemRoot%\\system32\\notepad.exe", program, sizeof program);
    run_viewer_program(program, nullptr, name.c_str(), nullptr);
}

INT_PTR CALLBACK model_properties_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
    DrawingFile* df = current_drawing_file();
    switch (msg) {
    case WM_INITDIALOG:
        init_help_button(dialog);
        show_text_size(dialog);
        if (df && GetDlgItem(dialog, IDC_MODELPROP_VARIABLES)) {
            fill_variables(dialog, df);
            show_step(dialog, head_step(df));
            fill_projections(dialog, df);
        }
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_MODELPROP_STEP:
            if (HIWORD(wp) == EN_KILLFOCUS && df) {
                char buf[64];
                GetDlgItemTextA(dialog, IDC_MODELPROP_STEP, buf, sizeof buf);
                double step = parse_number_text(buf);
                if (!(step == step) || std::abs(step) <= tolerance_standing) step = model_default_step;
                show_step(dialog, step);
                if (step != head_step(df)) store_head_step(df, dialog, step);
            }
            return TRUE;
        case IDC_MODELPROP_ALL:
        case IDC_MODELPROP_ONE:
            if (df) assign_rounding(dialog, df, LOWORD(wp) == IDC_MODELPROP_ALL);
            return TRUE;
        case IDC_MODELPROP_IMPORT:
            if (import_program(dialog)) EndDialog(dialog, IDOK);
            return TRUE;
        case IDC_MODELPROP_EXPORT:
            export_program(dialog);
            return TRUE;
        case IDC_MODELPROP_PROJECTIONS:
            if (HIWORD(wp) == CBN_SELENDOK) EnableWindow(GetDlgItem(dialog, IDC_MODELPROP_GENERATE), TRUE);
            return TRUE;
        case IDC_MODELPROP_GENERATE:
            if (df) generate_variables(dialog, df);
            return TRUE;
        case IDC_MODELPROP_LISTING:
            if (df) usage_listing(df);
            return TRUE;
        case IDC_HELP_PICTURE:
            set_help_topic(19);
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

// The entries of list 515: statements, then the built-in functions with
// their arguments, then the operators.
std::vector<std::string> operator_entries() {
    std::vector<std::string> out = {
        "DIM A(10), B AS INTEGER, S AS STRING * 20", "SAVE X, Y", "LET X = выражение", "IF условие THEN",
        "ELSE", "ENDIF", "IF условие GOTO метка", "FOR I = 1 TO 10 STEP 1", "NEXT I", "DO WHILE условие",
        "DO UNTIL условие", "LOOP", "LOOP WHILE условие", "LOOP UNTIL условие", "GOTO метка", "GOSUB метка",
        "RETURN", "STOP", "PRINT значения", "PRINT #1, значения", "OPEN \"W\", \"имя.lst\", #1", "CLOSE #1",
        "WRITE #1, значения", "INPUT #1, переменные", "' комментарий"};
    static const char* const args[51] = {
        nullptr, "(массив, индексы)", "(A, B)", "(x)", "(x)", "(y, x)", "(x)", "(x)", "(x)", "(x)", "(x)",
        "(x)", "(x)", "(x)", "(x)", "(x)", "(x)", "(x)", "(x)", "(n)", "", "(s$)", "(n)",
        "(начало, s$, искомая$)", "(s$, n)", "(s$, n)", "(s$, начало, n)", "(s$)", "(x)", "(s$)", nullptr,
        nullptr, nullptr, nullptr, nullptr, "(\"файл\", \"имя\")", "(\"контур\")", "(\"контур\")",
        "(\"контур\", точка)", "(\"контур\", точка)", "(точка a, точка b)", "(точка a, точка b)", nullptr,
        "(\"таблица\", \"колонка ключа\", ключ, \"колонка\")", nullptr, nullptr, nullptr, nullptr,
        "(d, точка a, точка b)", "(d, точка a, точка b)",
        "(\"таблица\", \"колонка ключа\", ключ, \"колонка\", значение)"};
    for (int n = 2; n <= 50; ++n) {
        if (!args[n]) continue;
        out.push_back(std::string(model_function_by_number(n)->name) + args[n]);
    }
    for (const char* op : {"^", "*", "/", "\\", "+", "-", "=", "<>", "<", ">", "<=", ">=", "->"}) out.push_back(op);
    for (const char* w : model_word_operators) out.push_back(w);
    return out;
}

INT_PTR CALLBACK operator_list_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(dialog, IDC_MODELOPS_LIST);
        for (const std::string& e : operator_entries())
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.c_str()));
        // Its bottom on the main window's bottom, 4 pixels from its left edge.
        RECT frame, self;
        if (frame_window && GetWindowRect(frame_window, &frame) && GetWindowRect(dialog, &self))
            SetWindowPos(dialog, nullptr, frame.left + 4, frame.bottom - (self.bottom - self.top), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER);
        (void)lp;
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_MODELOPS_LIST && HIWORD(wp) == LBN_DBLCLK) {
            HWND list = GetDlgItem(dialog, IDC_MODELOPS_LIST);
            LRESULT at = SendMessageA(list, LB_GETCURSEL, 0, 0);
            if (at < 0) return TRUE;
            LRESULT n = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(at), 0);
            std::vector<char> buf(static_cast<size_t>(n > 0 ? n : 0) + 1);
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(buf.data()));
            // Only entries that are program text (a capital Latin letter first).
            if (buf[0] >= 'A' && buf[0] <= 'Z') {
                HWND editor = editor_of(dialog);
                SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(buf.data()));
                EndDialog(dialog, IDOK);
            }
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK) {
            EndDialog(dialog, LOWORD(wp));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void model_properties_open(HWND model_dialog, int slot) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(slot == 0 ? IDD_MODEL_PROPERTIES : IDD_MODEL_PROPERTIES2),
                    model_dialog, model_properties_proc, 0);
    SetFocus(GetDlgItem(model_dialog, IDC_MODEL_EDITOR));
}

void operator_list_open(HWND model_dialog) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MODEL_OPERATORS), model_dialog,
                    operator_list_proc, 0);
}
