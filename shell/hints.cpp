// Control hints: the global list, the 500 ms timer that finds the control
// under a resting cursor, the pop-up dialog and the status-line mode.
#include "shell/hints.h"

#include <cstdlib>
#include <cstring>

#include "shell/frame_window.h"
#include "shell/startup.h"
#include "shell/resource_ids.h"
#include "base/program_messages.h"

Hint* hints;
unsigned short hints_enabled;
volatile LONG hints_busy;
HWND hint_popup;
Hint* hint_popup_hint;
HFONT hint_popup_font;
HWND focus_before_hint;
int last_cursor_x = -100000, last_cursor_y = -100000;
static POINT popup_cursor;

static const char out_of_memory_text[] =
    "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#";

static Hint* hint_alloc(const char* text) {
    size_t n = std::strlen(text);
    auto* h = static_cast<Hint*>(std::malloc(sizeof(Hint) + n));
    if (!h) {
        show_program_message(out_of_memory_text);
        error_flag = 1;
        return nullptr;
    }
    std::memcpy(h->text, text, n + 1);
    return h;
}

Hint* hint_register(HWND dialog, HWND control, const char* text, int left, int top, int right,
                    int bottom, int status_mode) {
    Hint* h = hint_alloc(text ? text : "");
    if (!h) return nullptr;
    h->control = control;
    h->dialog = dialog;
    h->rect[0] = left;
    h->rect[1] = top;
    h->rect[2] = right;
    h->rect[3] = bottom;
    h->flags = status_mode ? hint_status_mode : 0;
    h->suppression = 0;
    InterlockedExchange(&hints_busy, 1);
    h->next = hints;
    hints = h;
    InterlockedExchange(&hints_busy, 0);
    return h;
}

// The control's rectangle (or two controls' union) in dialog coordinates.
static RECT control_rect(HWND dialog, HWND control) {
    RECT r;
    GetClientRect(control, &r);
    MapWindowPoints(control, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

static Hint* add(HWND dialog, HWND control, const char* text, int status) {
    if (!control || !dialog) return nullptr;
    RECT r = control_rect(dialog, control);
    return hint_register(dialog, control, text, r.left, r.top, r.right, r.bottom, status);
}
Hint* hint_add(HWND dialog, HWND control, const char* text) { return add(dialog, control, text, 0); }
Hint* hint_add_status(HWND dialog, HWND control, const char* text) {
    return add(dialog, control, text, 1);
}

static Hint* add_span(HWND dialog, HWND first, HWND second, const char* text, int status) {
    if (!dialog || !first || !second) return nullptr;
    RECT a = control_rect(dialog, first), b = control_rect(dialog, second), u;
    UnionRect(&u, &a, &b);
    return hint_register(dialog, first, text, u.left, u.top, u.right, u.bottom, status);
}
Hint* hint_add_span(HWND dialog, HWND first, HWND second, const char* text) {
    return add_span(dialog, first, second, text, 0);
}
Hint* hint_add_span_status(HWND dialog, HWND first, HWND second, const char* text) {
    return add_span(dialog, first, second, text, 1);
}

int hint_set_text(HWND control, const char* text) {
    Hint** link = &hints;
    while (*link && (*link)->control != control) link = &(*link)->next;
    if (!*link) return 1;
    Hint* old = *link;
    // The pop-up shows this hint: close it before its block goes away.
    if (hint_popup_hint == old) hint_popup_close();
    Hint* h = hint_alloc(text ? text : "");
    if (!h) return 1;
    InterlockedExchange(&hints_busy, 1);
    size_t head = offsetof(Hint, text);
    std::memcpy(h, old, head);
    h->flags &= static_cast<unsigned short>(~hint_shown);
    *link = h;
    last_cursor_x = -100000;
    std::free(old);
    InterlockedExchange(&hints_busy, 0);
    return 0;
}

Hint* hint_update_rect(HWND dialog, HWND control) {
    for (Hint* h = hints; h; h = h->next) {
        if (h->control != control || h->dialog != dialog) continue;
        RECT r = control_rect(dialog, control);
        h->rect[0] = r.left;
        h->rect[1] = r.top;
        h->rect[2] = r.right;
        h->rect[3] = r.bottom;
        h->flags &= static_cast<unsigned short>(~hint_shown);
        return h;
    }
    return nullptr;
}

void hints_enable() {
    if (hints) hints_enabled = 1;
}
void hints_disable() { hints_enabled = 0; }

void hints_suppress(int on) {
    for (Hint* h = hints; h; h = h->next) {
        if (on)
            ++h->suppression;
        else if (h->suppression > 0)
            --h->suppression;
    }
}

void hints_remove_dialog(HWND dialog) {
    hints_disable();
    if (hint_popup_hint && hint_popup_hint->dialog == dialog) hint_popup_close();
    InterlockedExchange(&hints_busy, 1);
    Hint** link = &hints;
    while (*link) {
        Hint* h = *link;
        h->suppression = 0;
        if (h->dialog == dialog) {
            *link = h->next;
            std::free(h);
        } else {
            link = &h->next;
        }
    }
    InterlockedExchange(&hints_busy, 0);
    hints_enable();
}

void hints_clear_shown() {
    for (Hint* h = hints; h; h = h->next) {
        if ((h->flags & hint_shown) && (h->flags & hint_status_mode) && IsWindow(h->dialog))
            SetDlgItemTextA(h->dialog, IDC_PROMPT, "");
        h->flags &= static_cast<unsigned short>(~hint_shown);
    }
}

void hint_popup_close() {
    HWND popup = hint_popup;
    HWND focus = focus_before_hint;
    hint_popup = nullptr;
    hint_popup_hint = nullptr;
    if (popup && IsWindow(popup)) DestroyWindow(popup);
    if (focus && IsWindow(focus)) SetFocus(focus);
}

void hint_status_text(const char* text, char* dest, size_t size) {
    if (!size) return;
    size_t k = 0;
    for (const char* p = text; *p && k + 1 < size; ++p) {
        if (p[0] == '\\' && p[1] == 'n') {
            ++p;
            continue;
        }
        if (static_cast<unsigned char>(*p) < ' ') continue;
        dest[k++] = *p;
    }
    dest[k] = 0;
}

POINT hint_popup_position(int cx, int cy, int width, int height, int client_w, int client_h) {
    POINT p;
    p.x = cx - width - 2;
    if (p.x < 0) p.x = cx + 10;
    if (p.x + width + 2 > client_w) p.x = cx - width / 2;
    p.y = cy < client_h - height - 14 ? cy + 10 : cy - height - 2;
    return p;
}

// ---------------------------------------------------------------- pop-up
static INT_PTR CALLBACK hint_popup_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        SetFocus(GetDlgItem(dialog, IDC_HINT_FOCUS));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wparam) == IDC_HINT_FOCUS && HIWORD(wparam) == EN_KILLFOCUS) {
            DestroyWindow(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, IDC_HINT_TEXT)) {
            SetBkColor(reinterpret_cast<HDC>(wparam), highlight_colour);
            return reinterpret_cast<INT_PTR>(hint_brush);
        }
        return FALSE;
    case WM_DESTROY:
        // The pop-up also dies with its owner dialog or on focus loss: the
        // globals must not keep its handle.
        if (hint_popup == dialog) {
            hint_popup = nullptr;
            hint_popup_hint = nullptr;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

// Splits the text at line breaks and at the two characters '\' 'n'.
static int hint_lines(const char* text, const char** starts, int* lengths, int max) {
    int n = 0;
    const char* s = text;
    for (const char* p = text;; ++p) {
        bool end = *p == 0, brk = *p == '\n', pair = p[0] == '\\' && p[1] == 'n';
        if (end || brk || pair) {
            if (n < max) {
                starts[n] = s;
                lengths[n] = static_cast<int>(p - s);
                ++n;
            }
            if (end) break;
            if (pair) ++p;
            s = p + 1;
        }
    }
    return n;
}

static void hint_popup_show(Hint* h, POINT cursor) {
    POINT c = cursor;
    ScreenToClient(frame_window, &c);
    focus_before_hint = GetFocus();
    HWND popup = CreateDialogParamA(program_instance, MAKEINTRESOURCEA(IDD_HINT), h->dialog,
                                    hint_popup_proc, 0);
    if (!popup) return;
    hint_popup = popup;
    hint_popup_hint = h;
    popup_cursor = cursor;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(popup, WM_GETFONT, 0, 0));
    hint_popup_font = font;
    HDC dc = GetDC(popup);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    const char* starts[32];
    int lengths[32];
    int lines = hint_lines(h->text, starts, lengths, 32);
    int widest = 0, line_h = 0;
    for (int i = 0; i < lines; ++i) {
        SIZE sz = {0, 0};
        if (lengths[i] < 255) GetTextExtentPoint32A(dc, starts[i], lengths[i], &sz);
        if (sz.cx > widest) widest = sz.cx;
        if (sz.cy > line_h) line_h = sz.cy;
    }
    if (!line_h) {
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        line_h = tm.tmHeight;
    }
    if (old) SelectObject(dc, old);
    ReleaseDC(popup, dc);
    int width = widest + 6;
    int height = lines * (line_h + 1) + 2;
    RECT frame_client;
    GetClientRect(frame_window, &frame_client);
    POINT p = hint_popup_position(c.x, c.y, width, height, frame_client.right, frame_client.bottom);
    ClientToScreen(frame_window, &p);
    RECT wr = {0, 0, width, height};
    AdjustWindowRectEx(&wr, static_cast<DWORD>(GetWindowLongA(popup, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(popup, GWL_EXSTYLE)));
    SetWindowPos(popup, nullptr, p.x, p.y, wr.right - wr.left, wr.bottom - wr.top, SWP_NOZORDER);
    HWND text = GetDlgItem(popup, IDC_HINT_TEXT);
    MoveWindow(text, 0, 0, width, height, FALSE);
    // Line breaks of the pop-up are real ones in the static.
    char shown[1024];
    size_t k = 0;
    for (int i = 0; i < lines && k + 4 < sizeof shown; ++i) {
        if (i) {
            shown[k++] = '\r';
            shown[k++] = '\n';
        }
        for (int j = 0; j < lengths[i] && k + 3 < sizeof shown; ++j) shown[k++] = starts[i][j];
    }
    shown[k] = 0;
    SetWindowTextA(text, shown);
    ShowWindow(popup, SW_SHOWNOACTIVATE);
}

// True when the window is a combo box whose list is dropped down.
static bool dropped_combo(HWND w) {
    if (!w) return false;
    char cls[32];
    if (!GetClassNameA(w, cls, sizeof cls)) return false;
    if (lstrcmpiA(cls, "ComboBox") != 0 && lstrcmpiA(cls, "ComboBoxEx32") != 0) return false;
    return SendMessageA(w, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

// The window under the cursor belongs to the hint's control or dialog, so
// hidden or covered dialogs never show their hints.
static bool under_cursor(const Hint* h, POINT cursor) {
    if (!IsWindowVisible(h->dialog)) return false;
    HWND w = WindowFromPoint(cursor);
    return w && (w == h->control || w == h->dialog || IsChild(h->dialog, w));
}

void hint_timer_tick(POINT cursor, bool left_button_down) {
    if (!hints || !hints_enabled || hints_busy || left_button_down) return;
    if (hint_popup) {
        if (cursor.x - popup_cursor.x > 3 || popup_cursor.x - cursor.x > 3 ||
            cursor.y - popup_cursor.y >= 4 || popup_cursor.y - cursor.y >= 4)
            hint_popup_close();
        return;
    }
    if (cursor.x != last_cursor_x || cursor.y != last_cursor_y) {
        last_cursor_x = cursor.x;
        last_cursor_y = cursor.y;
        return;
    }
    for (Hint* h = hints; h; h = h->next) {
        if (h->suppression > 0) continue;
        POINT p = cursor;
        ScreenToClient(h->dialog, &p);
        if (!(p.x > h->rect[0] && p.x < h->rect[2] && p.y > h->rect[1] && p.y < h->rect[3]))
            continue;
        if (!under_cursor(h, cursor)) continue;
        if (h->flags & hint_shown) return;
        HWND focus = GetFocus();
        if (dropped_combo(focus) || (focus && dropped_combo(GetParent(focus))) ||
            dropped_combo(h->control))
            return;
        hints_clear_shown();
        h->flags |= hint_shown;
        if (h->flags & hint_status_mode) {
            char text[512];
            hint_status_text(h->text, text, sizeof text);
            SetDlgItemTextA(h->dialog, IDC_PROMPT, text);
        } else {
            hint_popup_show(h, cursor);
        }
        return;
    }
    hints_clear_shown();
}

static void CALLBACK hint_timer_proc(HWND, UINT, UINT_PTR, DWORD) {
    POINT cursor;
    if (!GetCursorPos(&cursor)) return;
    hint_timer_tick(cursor, (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0);
}

void hint_timer_start() { SetTimer(frame_window, 3, 500, hint_timer_proc); }
