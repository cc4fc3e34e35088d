#include "shell_fixture.h"

#include "shell/construction_run.h"

#include <cstring>

#include "shell/wiring.h"
#include "documents/documents.h"
#include "shell/commands.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/panels.h"
#include "shell/frame_window.h"
#include "base/byte_order.h"
#include "store/page_io.h"
#include "store/records.h"

static HWND frame;
static StartupState at_startup;

const StartupState& startup_state() {
    test_frame();
    return at_startup;
}

HWND test_frame() {
    if (!frame) {
        // As WinMain: the program's wiring first, then the frame.
        program_wiring();
        frame = frame_create(GetModuleHandleA(nullptr));
        const PageBuffer& annotation = page_buffers[table_annotation];
        if (annotation.data) {
            size_t n = get_u16(annotation.data, 4);
            if (n > 0 && n <= 256) at_startup.annotation_default.assign(annotation.data + 4, annotation.data + 4 + n);
        }
        char prompt[64] = {};
        GetDlgItemTextA(prompt_panel, 1052, prompt, sizeof prompt);
        at_startup.prompt = prompt;
    }
    pump_messages();
    return frame;
}

void pump_messages(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

void end_construction_run() {
    pump_messages(100);
    for (DWORD start = GetTickCount(); construction_dialog && GetTickCount() - start < 10000;) {
        char text[64] = "";
        GetDlgItemTextA(construction_dialog, IDCANCEL, text, sizeof text);
        if (std::strcmp(text, "OK") == 0) {
            press(construction_dialog, IDCANCEL);
            pump_messages(100);
            break;
        }
        pump_messages(20);
    }
}

std::string SeenDialog::text(int id) const {
    for (const auto& c : controls)
        if (c.first == id) return c.second;
    return std::string();
}

static DialogWatcher* active_watcher;
static HHOOK cbt_hook;

static BOOL CALLBACK collect(HWND w, LPARAM p) {
    auto* d = reinterpret_cast<SeenDialog*>(p);
    char text[1024] = {};
    GetWindowTextA(w, text, sizeof text);
    d->controls.emplace_back(GetDlgCtrlID(w), text);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(w, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
        d->has_bitmap = true;
    if (GetDlgCtrlID(w) == 1978) d->check_1978_enabled = IsWindowEnabled(w) != FALSE;
    return TRUE;
}

// Runs once the dialog has been initialised: its first WM_ENTERIDLE-free
// moment is a posted message, handled after WM_INITDIALOG.
static const UINT watch_message = RegisterWindowMessageA("sarvolt test watcher");

static LRESULT CALLBACK cbt(int code, WPARAM wparam, LPARAM lparam) {
    // A dialog is watched from its creation, and again when it comes back
    // to the front after being answered: a process that is not in the
    // foreground gets no activation for a new dialog.
    if ((code == HCBT_ACTIVATE || code == HCBT_CREATEWND) && active_watcher) {
        HWND w = reinterpret_cast<HWND>(wparam);
        char cls[32] = {};
        GetClassNameA(w, cls, sizeof cls);
        bool child = code == HCBT_CREATEWND &&
                     (reinterpret_cast<CBT_CREATEWNDA*>(lparam)->lpcs->style & WS_CHILD) != 0;
        if (std::strcmp(cls, "#32770") == 0 && !child && !GetPropA(w, "watched")) {
            SetPropA(w, "watched", reinterpret_cast<HANDLE>(1));
            PostMessageA(w, watch_message, 0, 0);
        }
    }
    return CallNextHookEx(cbt_hook, code, wparam, lparam);
}

static HHOOK msg_hook;
static const UINT_PTR answer_timer = 0x5A17;

static LRESULT CALLBACK get_message(int code, WPARAM wparam, LPARAM lparam) {
    auto* m = reinterpret_cast<MSG*>(lparam);
    if (code >= 0 && wparam == PM_REMOVE && m->message == watch_message && active_watcher) {
        HWND w = m->hwnd;
        SeenDialog d;
        char caption[256] = {};
        GetWindowTextA(w, caption, sizeof caption);
        d.caption = caption;
        EnumChildWindows(w, collect, reinterpret_cast<LPARAM>(&d));
        active_watcher->seen.push_back(d);
        // The dialog is answered a moment later, once the screen shows it,
        // so that its picture can be taken first.
        SetTimer(w, answer_timer, 300, nullptr);
    } else if (code >= 0 && wparam == PM_REMOVE && m->message == WM_TIMER && m->wParam == answer_timer &&
               active_watcher) {
        HWND w = m->hwnd;
        KillTimer(w, answer_timer);
        // A picture of each kind of dialog goes to the build folder's screenshots.
        const SeenDialog& d = active_watcher->seen.back();
        const char* name = d.caption == "П о д т в е р д и т е  !" ? "dialog_111"
                           : d.has_bitmap                         ? "dialog_681"
                                                                  : "dialog_108";
        save_window_picture(w, screenshot_path(name));
        if (active_watcher->act)
            active_watcher->act(w);
        else
            press(w, 1);
        RemovePropA(w, "watched");
    }
    return CallNextHookEx(msg_hook, code, wparam, lparam);
}

DialogWatcher::DialogWatcher(std::function<void(HWND)> a) : act(std::move(a)) {
    active_watcher = this;
    cbt_hook = SetWindowsHookExA(WH_CBT, cbt, nullptr, GetCurrentThreadId());
    msg_hook = SetWindowsHookExA(WH_GETMESSAGE, get_message, nullptr, GetCurrentThreadId());
}

DialogWatcher::~DialogWatcher() {
    UnhookWindowsHookEx(cbt_hook);
    UnhookWindowsHookEx(msg_hook);
    active_watcher = nullptr;
}

void press(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Taken when the program starts, before any test changes the current folder.
static const std::string build_folder = current_folder();

std::string screenshot_path(const char* name) {
    CreateDirectoryA((build_folder + "\\screenshots").c_str(), nullptr);
    return build_folder + "\\screenshots\\" + name + ".bmp";
}

std::string current_folder() {
    char buf[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof buf, buf);
    return buf;
}

bool save_window_picture(HWND w, const std::string& path) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
    RECT r;
    if (!GetWindowRect(w, &r)) return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u, size = stride * height;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + size;
    bool ok = false;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD n;
        ok = WriteFile(f, &fh, sizeof fh, &n, nullptr) && WriteFile(f, &bi.bmiHeader, sizeof bi.bmiHeader, &n, nullptr) &&
             WriteFile(f, bits, size, &n, nullptr);
        CloseHandle(f);
    }
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

void WizardDrawingTest::SetUp() {
    test_frame();
    ASSERT_EQ(open_drawing_count, 0);
    GetMenuStringA(main_menu, 3, stage_menu_text, sizeof stage_menu_text, MF_BYPOSITION);
    {
        DialogWatcher wizard([](HWND d) { press(d, IDOK); });
        dispatch_menu_command(IDM_FILE_NEW);
        pump_messages(100);
    }
    ASSERT_NE(current_drawing_file(), nullptr);
    w = projection_windows;
    ASSERT_NE(w, nullptr);
}

void WizardDrawingTest::TearDown() {
    DialogWatcher no([](HWND d) { press(d, IDCANCEL); });
    dispatch_menu_command(IDM_FILE_CLOSE);
    pump_messages(100);
    EXPECT_EQ(open_drawing_count, 0);
    current_stage = 0;
    // With no stage the caption reads differently from the resource's.
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = stage_menu_text;
    SetMenuItemInfoA(main_menu, 3, TRUE, &info);
}
