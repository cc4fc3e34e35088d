// The model window: program editor, console, run/stop on the worker thread,
// line search; and the model's command seams.
#include "shell/model_window.h"

#include "base/program_messages.h"
#include "documents/documents.h"
#include "model/model_binding.h"
#include "model/model_storage.h"
#include "model/model_translator.h"
#include "model/variable_tools.h"
#include "shell/commands.h"
#include "shell/core/model_drawing_functions.h"
#include "shell/frame_window.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/tables_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

HWND model_window;

namespace {

struct RunJob {
    HWND window;
    DrawingFile* df;
    std::string text;  // the editor's text when the run started
    ModelProgramRun result;
    ModelDrawingContext drawing;
};

unsigned first_gutter_line;

std::string editor_text(HWND dialog) {
    HWND e = GetDlgItem(dialog, IDC_MODEL_EDITOR);
    int n = GetWindowTextLengthA(e);
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    GetWindowTextA(e, buf.data(), n + 1);
    return std::string(buf.data());
}

std::string with_crlf(const std::string& text) { return model_text_with_crlf(text); }

void fill_gutter(HWND dialog, bool force) {
    HWND e = GetDlgItem(dialog, IDC_MODEL_EDITOR);
    HWND g = GetDlgItem(dialog, IDC_MODEL_GUTTER);
    unsigned first = static_cast<unsigned>(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0)) + 1;
    if (!force && first == first_gutter_line) return;
    first_gutter_line = first;
    RECT r;
    GetClientRect(g, &r);
    HDC dc = GetDC(g);
    HFONT old = static_cast<HFONT>(SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(g, WM_GETFONT, 0, 0))));
    SIZE s{};
    GetTextExtentPoint32A(dc, "0", 1, &s);
    SelectObject(dc, old);
    ReleaseDC(g, dc);
    unsigned count = s.cy > 0 ? static_cast<unsigned>((r.bottom - r.top) / s.cy) : 20;
    std::string t = model_gutter_text(first, count);
    // A static shows "\n" breaks as line breaks only with CR before them.
    std::string shown;
    for (char c : t) {
        if (c == '\n') shown += '\r';
        shown += c;
    }
    SetWindowTextA(g, shown.c_str());
}

void console_add(HWND dialog, const char* line) {
    HWND list = GetDlgItem(dialog, IDC_MODEL_CONSOLE);
    LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    if (at >= 0) SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(at), 0);
}

void set_running(HWND dialog, bool running) {
    SetDlgItemTextA(dialog, IDC_MODEL_RUN, running ? "Остановить" : "Выполнить");
    SendDlgItemMessageA(dialog, IDC_MODEL_EDITOR, EM_SETREADONLY, running ? TRUE : FALSE, 0);
    for (int id : {IDC_MODEL_SEARCH_TEXT, IDC_MODEL_SEARCH, IDC_MODEL_PROPERTIES, IDC_MODEL_OPERATORS, IDOK})
        EnableWindow(GetDlgItem(dialog, id), running ? FALSE : TRUE);
}

// ---------------------------------------------------------------- the run thread

void post_line(void* context, const char* line) {
    HWND w = static_cast<HWND>(context);
    char* copy = _strdup(line);
    if (!copy) return;
    if (!PostMessageA(w, UM_MODEL_LINE, 0, reinterpret_cast<LPARAM>(copy))) free(copy);
}

// Points moved by the program: their windows show them at the next paint.
void point_moved(void*, uint32_t projection) {
    if (ProjectionWindow* w = projection_window_find_by_id(projection)) queue_invalidate(w->window, nullptr, 1);
}

bool stop_requested(void*) { return InterlockedCompareExchange(&worker_running, 0, 0) == 0; }

DWORD WINAPI model_run_thread(LPVOID p) {
    RunJob* job = static_cast<RunJob*>(p);
    ModelHost host;
    host.context = job->window;
    host.output_line = post_line;
    host.stop_requested = stop_requested;
    job->drawing.df = job->df;
    job->drawing.notice = post_line;
    job->drawing.notice_context = job->window;
    job->drawing.point_moved = point_moved;
    host.drawing_function = model_drawing_function;
    host.drawing_context = &job->drawing;
    ModelBindHooks hooks;
    job->result = model_run_program(job->df, 0, host, hooks, &job->text);
    InterlockedExchange(&worker_running, 0);
    if (!PostMessageA(job->window, UM_MODEL_DONE, 0, reinterpret_cast<LPARAM>(job))) delete job;
    return 0;
}

void start_run(HWND dialog) {
    DrawingFile* df = current_drawing_file();
    if (!df || worker_thread) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    RunJob* job = new RunJob{dialog, df, editor_text(dialog), {}, {}};
    InterlockedExchange(&worker_running, 1);
    set_running(dialog, true);
    HANDLE h = CreateThread(nullptr, 0, model_run_thread, job, 0, nullptr);
    if (!h) {
        InterlockedExchange(&worker_running, 0);
        set_running(dialog, false);
        delete job;
        show_program_message("не хватает ресурсов");
        return;
    }
    worker_thread = h;
}

void run_done(HWND dialog, RunJob* job) {
    if (worker_thread) {
        WaitForSingleObject(worker_thread, INFINITE);
        CloseHandle(worker_thread);
        worker_thread = nullptr;
    }
    // Values written back into the program go into the editor, which was
    // read-only while the run went on.
    if (job->result.text_changed) SetDlgItemTextA(dialog, IDC_MODEL_EDITOR, with_crlf(job->text).c_str());
    set_running(dialog, false);
    delete job;
    fill_gutter(dialog, true);
}

// ---------------------------------------------------------------- commands

void search(HWND dialog) {
    char fragment[261] = "";
    GetDlgItemTextA(dialog, IDC_MODEL_SEARCH_TEXT, fragment, sizeof fragment);
    std::string text = editor_text(dialog);
    HWND e = GetDlgItem(dialog, IDC_MODEL_EDITOR);
    unsigned first = static_cast<unsigned>(SendMessageA(e, EM_GETFIRSTVISIBLELINE, 0, 0)) + 1;
    unsigned found = model_find_line(text.data(), text.size(), first, fragment);
    if (found == 0) found = model_find_line(text.data(), text.size(), 0, fragment);
    char line[120];
    if (found) {
        SendMessageA(e, EM_LINESCROLL, 0, static_cast<LPARAM>(found) - static_cast<LPARAM>(first));
        std::snprintf(line, sizeof line, "По заданному запросу найдено в строке %u", found);
    } else {
        std::snprintf(line, sizeof line, "По заданному запросу ничего не найдено");
    }
    console_add(dialog, line);
    fill_gutter(dialog, true);
}

// Stores the editor's text; false (message shown) when it could not be.
bool store_program(HWND dialog) {
    DrawingFile* df = current_drawing_file();
    if (!df) return true;
    std::string text = editor_text(dialog);
    std::string stored;
    ModelHead head;
    if (model_program_load(df, 0, stored, &head) && stored == with_crlf(text)) return true;
    ModelError e;
    if (model_program_store(df, head, text.data(), text.size(), &e)) return true;
    if (e.line) {
        char detail[40];
        std::snprintf(detail, sizeof detail, "%05u", e.line);
        static char kept[40];
        std::strcpy(kept, detail);
        error_stack_push(kept);
    }
    static std::string message;
    message = e.message;
    error_flag = 0;
    show_program_message(message.c_str());
    return false;
}

INT_PTR CALLBACK model_window_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        model_window = dialog;
        SendDlgItemMessageA(dialog, IDC_MODEL_EDITOR, EM_SETLIMITTEXT, model_text_max, 0);
        DrawingFile* df = current_drawing_file();
        std::string text;
        if (df) model_program_load(df, 0, text, nullptr);
        SetDlgItemTextA(dialog, IDC_MODEL_EDITOR, text.c_str());
        first_gutter_line = 0;
        fill_gutter(dialog, true);
        return TRUE;
    }
    case WM_CTLCOLOREDIT:
        fill_gutter(dialog, false);
        return FALSE;
    case UM_MODEL_LINE: {
        char* line = reinterpret_cast<char*>(lp);
        console_add(dialog, line);
        free(line);
        return TRUE;
    }
    case UM_MODEL_DONE:
        run_done(dialog, reinterpret_cast<RunJob*>(lp));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_MODEL_RUN:
            if (worker_thread && InterlockedCompareExchange(&worker_running, 0, 0))
                InterlockedExchange(&worker_running, 0);  // stop before the next statement
            else if (!worker_thread)
                start_run(dialog);
            return TRUE;
        case IDC_MODEL_SEARCH:
            search(dialog);
            return TRUE;
        case IDC_MODEL_PROPERTIES:
            if (!worker_thread) model_properties_open(dialog, 0);
            fill_gutter(dialog, true);
            return TRUE;
        case IDC_MODEL_OPERATORS:
            if (!worker_thread) operator_list_open(dialog);
            return TRUE;
        case IDC_MODEL_EDITOR:
            if (HIWORD(wp) == EN_VSCROLL) fill_gutter(dialog, false);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            // A run writes into this window until it ends: no closing meanwhile.
            if (worker_thread) {
                MessageBeep(MB_ICONEXCLAMATION);
                return TRUE;
            }
            if (!store_program(dialog)) return TRUE;
            EndDialog(dialog, LOWORD(wp));
            return TRUE;
        }
        break;
    case WM_DESTROY:
        model_window = nullptr;
        break;
    }
    return FALSE;
}

}  // namespace

std::string model_gutter_text(unsigned first_line, unsigned count) {
    std::string out;
    char buf[16];
    for (unsigned i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "%05u\n", (first_line + i) % 100000u);
        out += buf;
    }
    return out;
}

void model_window_open() {
    if (!current_drawing_file() || model_window) return;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MODEL), frame_window, model_window_proc, 0);
}

void model_run_silently() {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    ModelHost host;
    host.silent = true;
    host.statement_budget = model_silent_statement_budget;
    ModelDrawingContext drawing;
    drawing.df = df;
    host.drawing_function = model_drawing_function;
    host.drawing_context = &drawing;
    ModelBindHooks hooks;
    model_run_program(df, 0, host, hooks, nullptr);
    error_flag = 0;
}

void model_run_quietly() {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    // Only when a value edited in the drawing waits to be written back.
    bool marked = false;
    for (const ModelVariableInfo& v : model_variables_read(df))
        marked = marked || (v.flags & model_variable_flag_edited);
    if (marked) model_run_silently();
}

void model_bind() {
    command_seams.model_dialog = model_window_open;
    command_seams.tables_dialog = tables_dialog_open;
    command_seams.run_model_program_when_marked = model_run_quietly;
}
