// The message dialogs (plain and with the internal-error picture), the
// confirmation dialog and the close-everything road.
#include "shell/message_dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/document_hooks.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/resource_ids.h"
#include "shell/hints.h"
#include "shell/startup.h"
#include "base/program_messages.h"
#include "store/settings_block.h"

int message_dialog_open;
char question_text[360];
int remembered_answer_20 = -1;
bool closed_everything;


static bool on_gui_thread() { return gui_thread_id == 0 || GetCurrentThreadId() == gui_thread_id; }

// A dialog of a worker thread has no owner: an owned modal dialog would
// disable the frame across threads and wait for the GUI thread, which may be
// waiting for the drawing lock the worker holds.
static HWND dialog_owner(HWND wanted) { return on_gui_thread() ? wanted : nullptr; }

// ---------------------------------------------------------------- closing
enum { close_and_quit = 0, close_restart_and_quit = 1, close_only = 2 };

static void post_close_request(int what, const char* path) {
    char* copy = nullptr;
    if (path) {
        size_t n = std::strlen(path) + 1;
        copy = static_cast<char*>(std::malloc(n));
        if (copy) std::memcpy(copy, path, n);
    }
    if (!frame_window ||
        !PostMessageA(frame_window, UM_CLOSE_EVERYTHING, what, reinterpret_cast<LPARAM>(copy)))
        std::free(copy);
}

void terminate_workers_and_close() {
    if (!on_gui_thread()) {
        post_close_request(close_only, nullptr);
        return;
    }
    shell_documents.stop_image_threads();
    shell_documents.close_all();
    shell_documents.checkpoints_discard();
}

void close_everything_and_quit(const char* restart_path, bool restart) {
    if (!on_gui_thread()) {
        InterlockedExchange(&program_closing, 1);
        post_close_request(restart ? close_restart_and_quit : close_and_quit, restart_path);
        return;
    }
    InterlockedExchange(&program_closing, 1);
    if (!closed_everything) {
        closed_everything = true;
        terminate_workers_and_close();
        if (restart) restart_program(restart_path ? restart_path : "");
    }
    PostQuitMessage(0);
}

// ---------------------------------------------------------------- messages
INT_PTR CALLBACK message_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_MESSAGE_TEXT, lparam ? reinterpret_cast<const char*>(lparam) : message_text);
        MessageBeep(MB_ICONEXCLAMATION);
        message_dialog_open = 1;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, 0);
            message_dialog_open = 0;
            if (file_unusable && !unusable_quit_done) {
                unusable_quit_done = file_unusable;
                close_everything_and_quit(nullptr, false);
            }
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void program_message_show(const ProgramMessage& m) {
    if (m.fatal && on_gui_thread()) shell_documents.stop_image_threads();
    HWND owner = dialog_owner(frame_window && IsWindow(frame_window) ? frame_window : nullptr);
    int dialog = m.internal_code ? IDD_MESSAGE_INTERNAL : IDD_MESSAGE;
    DialogBoxParamA(program_instance, MAKEINTRESOURCEA(dialog), owner, message_dialog_proc,
                    reinterpret_cast<LPARAM>(m.text));
    if (m.fatal) {
        // The current drawing's path is kept before everything closes; with
        // no drawing open the program starts again without one.
        char path[1040] = "";
        const char* current = shell_documents.current_path();
        if (current) lstrcpynA(path, current, sizeof path);
        close_everything_and_quit(path, true);
    } else if (m.close_everything) {
        close_everything_and_quit(nullptr, false);
    }
}

// ---------------------------------------------------------------- questions
const char* question_for_code(int code, char* buf, size_t size, unsigned seconds) {
    if (size_t offset = settings_question_offset(code)) return settings_block ? settings_text(offset) : "";
    switch (code) {
    case 13:
        return "Вы уверены?";
    case 20:
        return "Точка фиксируется размерами!\nУдалить эти размеры?";
    case 27:
        std::snprintf(buf, size,
                      "Время создания \"засечек\" стало превосходить заданное значение (%u сек)! "
                      "Если отказаться от их создания, то программа будет работать быстрее и у Вас "
                      "останется возможность вернуться к только что созданной \"засечке\".",
                      seconds);
        return buf;
    default:
        return nullptr;
    }
}

void question_text_build(int code, const char* extra, unsigned seconds) {
    char formatted[360];
    const char* q = question_for_code(code, formatted, sizeof formatted, seconds);
    lstrcpynA(question_text, q ? q : "", sizeof question_text);
    if (!extra || !*extra) return;
    size_t n = std::strlen(question_text);
    if (n >= 356) return;
    size_t room = 356 - n;  // characters of the extra text, the inserted blank included
    question_text[n++] = '\n';
    size_t extra_len = std::strlen(extra);
    bool wrap = extra_len > 33 && std::memchr(extra, ' ', 33) == nullptr;
    for (size_t i = 0; i < extra_len && room > 0; ++i) {
        question_text[n++] = extra[i];
        --room;
        if (wrap && i == 32 && room > 0) {
            question_text[n++] = ' ';
            --room;
        }
    }
    question_text[n] = 0;
}

struct QuestionState {
    int code;
    int* cell;
};

INT_PTR CALLBACK confirmation_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* q = reinterpret_cast<QuestionState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        q = reinterpret_cast<QuestionState*>(lparam);
        HWND pic = GetDlgItem(dialog, IDC_HELP_PICTURE);
        hint_add(dialog, pic, " Жми!...");
        hints_enable();
        SendMessageA(pic, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(help_icon));
        if (!help_available) EnableWindow(GetDlgItem(dialog, IDC_QUESTION_HELP), FALSE);
        SetDlgItemTextA(dialog, IDC_QUESTION_TEXT, question_text);
        MessageBeep(MB_ICONQUESTION);
        EnableWindow(GetDlgItem(dialog, IDC_QUESTION_DONT_ASK), q && q->cell ? TRUE : FALSE);
        message_dialog_open = 1;
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
            hints_remove_dialog(dialog);
            message_dialog_open = 0;
            EndDialog(dialog, LOWORD(wparam) == IDOK ? 1 : 0);
            return TRUE;
        case IDC_HELP_PICTURE:
        case IDC_QUESTION_HELP:
            if (q) set_help_topic(q->code + 40);
            open_help_topic();
            return TRUE;
        case IDC_QUESTION_DONT_ASK:
            if (q && q->cell) *q->cell = IsDlgButtonChecked(dialog, IDC_QUESTION_DONT_ASK) == BST_CHECKED ? 0 : -1;
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        return TRUE;  // only "&Да" and "&Нет" answer
    default:
        return FALSE;
    }
}

int ask_confirmation(HWND owner, int code, const char* extra) {
    unsigned seconds =
        static_cast<unsigned>(shell_documents.checkpoint_question_seconds()) + 1;
    question_text_build(code, extra, seconds);
    QuestionState q = {code, code == 20 ? &remembered_answer_20 : nullptr};
    if (q.cell && (*q.cell == 0 || *q.cell == 1)) return *q.cell;
    INT_PTR r = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_QUESTION), dialog_owner(owner),
                                confirmation_dialog_proc, reinterpret_cast<LPARAM>(&q));
    int answer = r == 1 ? 1 : 0;
    if (q.cell && *q.cell == 0) *q.cell = answer;
    return answer;
}
