// The model window: program editor, console, run/stop on the worker thread,
// line search, its layout when resized and its place; and the model's
// command seams.
#include "shell/model_window.h"

#include "base/program_messages.h"
#include "documents/documents.h"
#include "model/model_binding.h"
#include "model/model_storage.h"
#include "model/model_translator.h"
#include "model/variable_tools.h"
#include "shell/annotation_properties_win.h"
#include "shell/commands.h"
#include "shell/core/model_drawing_functions.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/tables_dialog.h"

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <iterator>
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
    HANDLE thread = nullptr;
};

unsigned first_gutter_line;
// The run of the open window, from its start until the window has taken
// its end (UM_MODEL_DONE); the window does not close meanwhile.
RunJob* running_job;
// The dialog the open window was opened for (the table editor), or null
// when the menu command opened it; such a window docks at the right.
HWND notify_window;
// The window's rectangle when it last closed (empty before the first time):
// the next opening takes its size at the frame's origin.
RECT closed_rect;
HBITMAP search_picture;

// ---------------------------------------------------------------- layout

// How each control follows the window's size; its place when the window
// opened, in client coordinates, and the client size then (the window's
// minimum size).
enum Anchor { keep, to_bottom, to_bottom_right, grow, grow_height, down_and_wide };
const struct {
    int id;
    Anchor anchor;
} layout_rules[] = {
    {IDC_MODEL_GUTTER, grow_height},       {IDC_MODEL_EDITOR, grow},
    {IDC_MODEL_CONSOLE, down_and_wide},    {IDC_MODEL_RUN, to_bottom},
    {IDC_MODEL_SEARCH_TEXT, to_bottom},    {IDC_MODEL_SEARCH, to_bottom},
    {IDC_MODEL_PROPERTIES, to_bottom},     {IDC_MODEL_OPERATORS, to_bottom},
    {IDC_HELP_PICTURE, to_bottom},         {IDOK, to_bottom_right},
};
RECT placed[std::size(layout_rules)];
SIZE opened_client;

void remember_layout(HWND dialog) {
    RECT c;
    GetClientRect(dialog, &c);
    opened_client = {c.right, c.bottom};
    for (size_t i = 0; i < std::size(layout_rules); ++i) {
        RECT r{};
        if (HWND w = GetDlgItem(dialog, layout_rules[i].id)) {
            GetWindowRect(w, &r);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        }
        placed[i] = r;
    }
}

// The editor and the gutter take the height the window gains, the console
// keeps its height below them across the full width, the bottom row keeps
// its distance from the bottom edge and "Выход" stays at the bottom right.
// Below the size it opened with nothing shrinks (the window is cut).
void apply_layout(HWND dialog, int cx, int cy) {
    int dx = cx - opened_client.cx, dy = cy - opened_client.cy;
    if (dx < 0) dx = 0;
    if (dy < 0) dy = 0;
    for (size_t i = 0; i < std::size(layout_rules); ++i) {
        HWND w = GetDlgItem(dialog, layout_rules[i].id);
        if (!w) continue;
        RECT r = placed[i];
        switch (layout_rules[i].anchor) {
        case to_bottom: OffsetRect(&r, 0, dy); break;
        case to_bottom_right: OffsetRect(&r, dx, dy); break;
        case grow: r.right += dx; r.bottom += dy; break;
        case grow_height: r.bottom += dy; break;
        case down_and_wide: OffsetRect(&r, 0, dy); r.right += dx; break;
        case keep: break;
        }
        MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
}

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
    if (!df || worker_busy() || running_job) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    RunJob* job = new RunJob{dialog, df, editor_text(dialog), {}, {}, nullptr};
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
    job->thread = h;
    running_job = job;
    worker_thread = h;
}

void run_done(HWND dialog, RunJob* job) {
    // The worker slot still holds this run's thread unless another command
    // stopped it (stop_worker joins and closes it).
    if (worker_thread && worker_thread == job->thread) {
        WaitForSingleObject(worker_thread, INFINITE);
        CloseHandle(worker_thread);
        worker_thread = nullptr;
    }
    if (running_job == job) running_job = nullptr;
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

// Ends the dialog, its rectangle kept for the next opening; the hints of
// the windows behind it, switched off while it was open, come back.
void close_window(HWND dialog, int code) {
    GetWindowRect(dialog, &closed_rect);
    hints_remove_dialog(dialog);
    EndDialog(dialog, code);
    hints_suppress(0);
}

// True when a value edited in the drawing waits to be written back into
// the program (some stored variable is marked).
bool write_back_waiting(DrawingFile* df) {
    for (const ModelVariableInfo& v : model_variables_read(df))
        if (v.flags & model_variable_flag_edited) return true;
    return false;
}

INT_PTR CALLBACK model_window_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        model_window = dialog;
        // The hints of the windows behind stay quiet while this one is open;
        // its own hints, registered below, are not affected.
        hints_suppress(1);
        remember_layout(dialog);
        if (!search_picture)
            search_picture = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                             MAKEINTRESOURCEA(IDB_MODEL_SEARCH), IMAGE_BITMAP, 0, 0,
                                                             LR_DEFAULTCOLOR));
        SendDlgItemMessageA(dialog, IDC_MODEL_SEARCH, BM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(search_picture));
        init_help_button(dialog);
        // Where it was last closed, with that size; opened for another
        // dialog (the table editor): at the right edge of the main window.
        window_place_at_frame_origin(dialog, &closed_rect);
        if (notify_window) dock_dialog_right(dialog, 0);
        SendDlgItemMessageA(dialog, IDC_MODEL_EDITOR, EM_SETLIMITTEXT, model_text_max, 0);
        DrawingFile* df = current_drawing_file();
        std::string text;
        if (df) model_program_load(df, 0, text, nullptr);
        SetDlgItemTextA(dialog, IDC_MODEL_EDITOR, text.c_str());
        first_gutter_line = 0;
        fill_gutter(dialog, true);
        // A value edited in the drawing waits to be written back: the
        // program runs as soon as the window is up.
        if (df && write_back_waiting(df)) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MODEL_RUN, BN_CLICKED), 0);
        hint_add(dialog, GetDlgItem(dialog, IDC_MODEL_SEARCH), " Поиск строки, содержащей\n заданный фрагмент текста");
        hint_add(dialog, GetDlgItem(dialog, IDC_MODEL_OPERATORS), " Список всех операторов и функций");
        return TRUE;
    }
    case WM_CTLCOLOREDIT:
        fill_gutter(dialog, false);
        return FALSE;
    case WM_SIZE:
        // Not before WM_INITDIALOG has taken the controls' places.
        if (dialog == model_window && wp != SIZE_MINIMIZED) {
            apply_layout(dialog, LOWORD(lp), HIWORD(lp));
            fill_gutter(dialog, true);
        }
        return TRUE;
    case WM_GETMINMAXINFO: {
        // The window is kept at least at its opening size.
        RECT r{0, 0, opened_client.cx, opened_client.cy};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
        if (opened_client.cx > 0) {
            MINMAXINFO* m = reinterpret_cast<MINMAXINFO*>(lp);
            m->ptMinTrackSize.x = r.right - r.left;
            m->ptMinTrackSize.y = r.bottom - r.top;
        }
        return TRUE;
    }
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
            if (running_job)
                InterlockedExchange(&worker_running, 0);  // stop before the next statement
            else
                start_run(dialog);
            return TRUE;
        case IDC_MODEL_SEARCH:
            search(dialog);
            return TRUE;
        case IDC_MODEL_PROPERTIES:
            if (!running_job) model_properties_open(dialog, 0);
            fill_gutter(dialog, true);
            return TRUE;
        case IDC_MODEL_OPERATORS:
            if (!running_job) operator_list_open(dialog);
            return TRUE;
        case IDC_HELP_PICTURE:
            set_help_topic(18);
            return TRUE;
        case IDC_MODEL_EDITOR:
            if (HIWORD(wp) == EN_VSCROLL) fill_gutter(dialog, false);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            // A run writes into this window until it ends: no closing meanwhile.
            if (running_job) {
                MessageBeep(MB_ICONEXCLAMATION);
                return TRUE;
            }
            if (!store_program(dialog)) return TRUE;
            close_window(dialog, LOWORD(wp));
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
    if (!current_drawing_file()) return;
    model_window_open_modal(frame_window, nullptr);
}

void model_window_open_modal(HWND owner, HWND notify) {
    if (!current_drawing_file() || model_window) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    notify_window = notify;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MODEL), owner, model_window_proc, 0);
    notify_window = nullptr;
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
    if (write_back_waiting(df)) model_run_silently();
}

void model_bind() {
    command_seams.model_dialog = model_window_open;
    command_seams.tables_dialog = tables_dialog_open;
    command_seams.run_model_program_when_marked = model_run_quietly;
}
