// The view construction run of the program: log dialog, construction
// thread, and their start from the frame.
#include "shell/construction_run.h"

#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "documents/documents.h"
#include "documents/tool_state.h"
#include "geometry/naming.h"
#include "output/fragment_update.h"
#include "shell/commands.h"
#include "shell/elements_binding.h"
#include "shell/frame_window.h"
#include "shell/hints.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "stages/dimensions/view_construction.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <process.h>

#include <cstring>
#include <ctime>
#include <string>

HWND construction_dialog;

namespace {

const char* const kStop = "Остановить";
const char* const kStopping = "Тормозим построение изображения";
const char* const kFinished = "Процесс построения завершён";
const char* const kSeeHere = "См. здесь сообщения";
constexpr uint16_t kGoOnOption = 0x0004;     // header +110 bit 2
constexpr int kPanelLineLimit = 780;

bool run_finished;
bool run_failed;
// Set by the thread right before it posts the end: the end message number
// is also a dialog-manager message, which must not count as the end.
volatile LONG end_posted;

// Posts a heap copy of the line to the log dialog.
void post_line(const char* text) {
    HWND dialog = construction_dialog;
    if (!dialog || !text) return;
    size_t n = std::strlen(text);
    char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, n + 1));
    if (!copy) return;
    std::memcpy(copy, text, n + 1);
    if (!PostMessageA(dialog, UM_CONSTRUCTION_LINE, 0, reinterpret_cast<LPARAM>(copy)))
        HeapFree(GetProcessHeap(), 0, copy);
}

uint16_t header_options_word() {
    DrawingFile* df = current_drawing_file();
    return df && df->header ? get_u16(df->header, header_options) : 0;
}

void set_go_on_option(bool on) {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    uint16_t w = get_u16(df->header, header_options);
    put_u16(df->header, header_options, static_cast<uint16_t>(on ? (w | kGoOnOption) : (w & ~kGoOnOption)));
}

// The whole run over the projections of the current drawing. Returns the
// run's error result (non-zero: errors or stopped).
unsigned construct_all_projections() {
    ConstructionCallbacks cb;
    cb.log_line = post_line;
    cb.stop_requested = construction_stop_requested;
    cb.rebuild_elements = elements_rebuild_projection;
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) {
        post_line("Нет проекций");
        post_line(construction_end_line(false, false));
        return 0;
    }
    RecordRef head = get_u32(df->header, header_projections);
    PageBuffer* buf = &page_buffers[table_projections];
    unsigned errors = 0;
    bool any = false, stopped = false, needed = false;
    for (unsigned char* p = record_next(df, &head, nullptr, buf); p && !error_flag;
         p = record_next(df, &head, p, buf)) {
        any = true;
        if (construction_stop_requested()) {
            stopped = true;
            break;
        }
        char caption[CONSTRUCTION_LINE_MAX + 1];
        view_caption_full(p, caption, sizeof caption);
        post_line(projection_log_line(caption).c_str());
        if (get_u16(p, projection_flags) & 0x0200) needed = true;
        int result = construct_projection(df, p, cb);
        if (result < 0) {
            stopped = true;
            break;
        }
        if (result != 0 && result != 100) errors += static_cast<unsigned>(result);
    }
    if (!any) {
        post_line("Нет проекций");
        post_line(construction_end_line(false, false));
        return 0;
    }
    if (!stopped) {
        // The fragment instances that follow their fragments are inserted
        // again from the constructed views; a dependency cycle or a failed
        // insertion is an error of the run.
        post_line("Завершающий этап 1");
        FragmentUpdateResult fr = update_dynamic_fragments(df, true, [&cb](const char* t) { construction_log(cb, t, false); });
        if (fr.cycle || fr.failed) ++errors;
    }
    if (error_flag && !stopped) errors = errors ? errors : 1;
    post_line(construction_end_line(stopped, errors != 0));
    if (needed && !stopped) {
        // The drawing's construction time: the views are up to date now.
        put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) & ~0x0100));
        put_u32(df->header, header_construction_time, static_cast<uint32_t>(std::time(nullptr)));
        put_u32(df->header, header_dword_140, 0);
    }
    return stopped ? 1u : errors;
}

unsigned __stdcall construction_thread(void*) {
    prompts_held = 1;
    if (paint_event) os_event_wait_ms(paint_event, 10000);
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    unsigned result = construct_all_projections();
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    prompts_held = 0;
    HWND dialog = construction_dialog;
    InterlockedExchange(&end_posted, 1);
    if (dialog) PostMessageA(dialog, UM_CONSTRUCTION_END, 0, static_cast<LPARAM>(result));
    return 0;
}

// Closes the dialog after the end: the log goes to the construction
// panel's message list, then the stage commands come back.
void close_after_end(HWND dialog, bool copy_log) {
    HWND list = GetDlgItem(dialog, IDC_CONSTRUCTION_LOG);
    HWND combo = stage_panel ? GetDlgItem(stage_panel, IDC_CONSTRUCTION_LOG) : nullptr;
    if (copy_log && list && combo) {
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            int len = static_cast<int>(SendMessageA(list, LB_GETTEXTLEN, i, 0));
            std::string text;
            if (len > 0 && len < kPanelLineLimit) {
                text.resize(static_cast<size_t>(len) + 1);
                SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
                text.resize(static_cast<size_t>(len));
            }
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        SetWindowTextA(combo, kSeeHere);
    }
    // The construction panel's viewing controls come back after a run
    // (the closed-chain step waits for a selection).
    if (stage_panel && GetDlgItem(stage_panel, IDC_CONSTRUCTION_LOG)) {
        static const int ids[] = {IDC_CONSTRUCTION_LOG, IDC_CONSTRUCTION_NOMINAL, IDC_CONSTRUCTION_DIMENSIONS,
                                  IDC_CONSTRUCTION_MARK_IN_LIST, IDC_CONSTRUCTION_SELECTION, IDC_CONSTRUCTION_CYCLE};
        for (int id : ids) EnableWindow(GetDlgItem(stage_panel, id), TRUE);
    }
    // An undo asked for during the run replaces going on to the next stage.
    bool undo = undo_after_construction != 0;
    undo_after_construction = 0;
    bool go_on = !run_failed && !undo && (header_options_word() & kGoOnOption);
    if (current_modeless_dialog == dialog) current_modeless_dialog = nullptr;
    construction_dialog = nullptr;
    DestroyWindow(dialog);
    hints_suppress(0);
    enable_stage_commands();
    command_seams.projection_windows_refresh(0);
    if (go_on && frame_window) {
        check_stage_button(IDM_STAGE_ANNOTATION);
        PostMessageA(frame_window, WM_COMMAND, IDM_STAGE_ANNOTATION, 0);
    }
    if (undo && frame_window) PostMessageA(frame_window, WM_COMMAND, IDM_FILE_UNDO, 0);
}

INT_PTR CALLBACK construction_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        construction_dialog = dialog;
        hints_suppress(1);
        run_finished = false;
        run_failed = false;
        InterlockedExchange(&worker_running, 1);
        SetDlgItemTextA(dialog, IDCANCEL, kStop);
        CheckDlgButton(dialog, IDC_CONSTRUCTION_GO_ON, (header_options_word() & kGoOnOption) ? BST_CHECKED : BST_UNCHECKED);
        if (stage_panel) {
            HWND combo = GetDlgItem(stage_panel, IDC_CONSTRUCTION_LOG);
            if (combo) EnableWindow(combo, FALSE);
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_CONSTRUCTION_GO_ON:
            set_go_on_option(IsDlgButtonChecked(dialog, IDC_CONSTRUCTION_GO_ON) == BST_CHECKED);
            return TRUE;
        case IDCANCEL:
            if (!run_finished) {
                InterlockedExchange(&worker_running, 0);
                prompt_show(kStopping);
            } else {
                close_after_end(dialog, true);
            }
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE) {
            if (!run_finished) {
                InterlockedExchange(&worker_running, 0);
                prompt_show(kStopping);
            } else {
                close_after_end(dialog, false);
            }
            return TRUE;
        }
        return FALSE;
    case UM_CONSTRUCTION_LINE: {
        char* text = reinterpret_cast<char*>(lparam);
        if (text) {
            HWND list = GetDlgItem(dialog, IDC_CONSTRUCTION_LOG);
            LRESULT i = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
            if (i >= 0) SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
            HeapFree(GetProcessHeap(), 0, text);
        }
        return TRUE;
    }
    case UM_CONSTRUCTION_END: {
        if (!InterlockedExchange(&end_posted, 0)) return FALSE;
        if (worker_thread) {
            WaitForSingleObject(worker_thread, 5000);
            CloseHandle(worker_thread);
            worker_thread = nullptr;
        }
        bool stopped = !worker_running;
        InterlockedExchange(&worker_running, 0);
        run_finished = true;
        run_failed = lparam != 0 || stopped;
        update_menu_state(lparam ? IDM_STAGE_CONSTRUCTION : IDM_STAGE_ANNOTATION);
        SetDlgItemTextA(dialog, IDCANCEL, "OK");
        prompt_show(kFinished);
        if (!run_failed && (header_options_word() & kGoOnOption)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    case WM_DESTROY:
        if (construction_dialog == dialog) construction_dialog = nullptr;
        if (current_modeless_dialog == dialog) current_modeless_dialog = nullptr;
        return FALSE;
    }
    return FALSE;
}

}  // namespace

bool construction_stop_requested() {
    return worker_running == 0;
}

void start_view_construction() {
    if (construction_dialog || worker_busy()) return;
    HWND dialog = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_CONSTRUCTION_LOG), frame_window,
                                     construction_dialog_proc, 0);
    if (!dialog) return;
    ShowWindow(dialog, SW_SHOW);
    current_modeless_dialog = dialog;
    if (frame_window) PostMessageA(frame_window, UM_START_CONSTRUCTION, 0, 0);
}

void start_construction_thread() {
    if (!construction_dialog || worker_busy()) return;
    unsigned id = 0;
    uintptr_t h = _beginthreadex(nullptr, 0, construction_thread, nullptr, 0, &id);
    if (!h) {
        InterlockedExchange(&end_posted, 1);
        PostMessageA(construction_dialog, UM_CONSTRUCTION_END, 0, 1);
        return;
    }
    worker_thread = reinterpret_cast<HANDLE>(h);
}
