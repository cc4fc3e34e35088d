// The installer's window, command line and dialogs: start, the main window
// with its pictures, the distribution check, the options, the choice of
// action, the progress dialog, the manual in the browser, and the worker
// threads that run the installation and the removal.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "setup/distribution_table.h"
#include "setup/setup_ids.h"
#include "setup/setup_logic.h"
#include "setup/setup_ops_win.h"
#include "setup/setup_steps.h"

namespace {

// Messages of the main window.
enum {
    WM_SETUP_CHECK_OPTIONS = WM_USER + 1,
    WM_SETUP_REMOVE = WM_USER + 2,
    WM_SETUP_INSTALL = WM_USER + 3,
    WM_SETUP_START = WM_USER + 4
};

// Program-wide state, one instance for the run.
struct SetupState {
    HINSTANCE instance = nullptr;
    HWND main = nullptr;
    HWND progress = nullptr;
    HBITMAP picture = nullptr, title = nullptr, version = nullptr;
    std::string dist;        // distribution folder, no trailing '\'
    std::string default_target;
    std::string installed;   // folder of a previous installation
    std::string target;      // chosen target folder
    std::string library;     // sketch-library folder
    bool previous = false;
    bool install_not_allowed = false;
    bool check_failed = false;
    bool help = false;
    bool uninst = false;
    bool removal = false;
    bool desktop = true;
    bool want_library = false;
    bool worker_running = false;
    bool registry_failed = false;
    bool setup_in_installed = false;  // this setup.exe lies in the installed folder
    double megabytes = 0.0;
    std::string browser;     // empty: no browser
};
SetupState g;

std::string current_folder() {
    char buf[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(sizeof buf, buf);
    return setup_trim_folder(buf);
}

std::string module_folder() {
    char buf[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    char* slash = std::strrchr(buf, '\\');
    if (slash) *slash = 0;
    return buf;
}

std::string dialog_text(HWND dlg, int id) {
    char buf[1024] = {};
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

}  // namespace

// The IsWow64Process answer of this process, looked up at run time (absent
// before Windows XP SP2): 0 when missing or not under WOW64.
int is_wow64() {
    typedef BOOL(WINAPI * IsWow64Fn)(HANDLE, PBOOL);
    HMODULE k = GetModuleHandleA("kernel32");
    IsWow64Fn fn = k ? reinterpret_cast<IsWow64Fn>(
                           reinterpret_cast<void*>(GetProcAddress(k, "IsWow64Process")))
                     : nullptr;
    BOOL wow = FALSE;
    if (!fn || !fn(GetCurrentProcess(), &wow)) return 0;
    return wow ? 1 : 0;
}

void center_on_main_window(HWND dlg) {
    RECT m, d;
    HWND owner = g.main && IsWindowVisible(g.main) ? g.main : GetDesktopWindow();
    GetWindowRect(owner, &m);
    GetWindowRect(dlg, &d);
    int w = d.right - d.left, h = d.bottom - d.top;
    SetWindowPos(dlg, nullptr, m.left + ((m.right - m.left) - w) / 2,
                 m.top + ((m.bottom - m.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The browser of the ".htm" association, only when the manual is there.
void find_browser() {
    Win32SetupOps ops(nullptr);
    g.browser = setup_find_browser(ops, g.dist);
}

// Starts the browser on the manual, at the installation chapter with_anchor.
void open_manual(int with_anchor) {
    if (g.browser.empty()) return;
    std::string cmd = setup_manual_command(g.browser, g.dist, with_anchor != 0);
    std::string buf(cmd);
    buf.push_back('\0');
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &buf[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        g.dist.c_str(), &si, &pi)) {
        setup_message_box(g.main,
                          "Подсказка не запускается, видимо из-за проблем установки интернет-браузера",
                          MB_OK | MB_ICONWARNING);
        g.help = false;
        return;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// The distribution, the default target and a previous installation.  False
// when the registry cannot be read (the message is shown).
bool find_default_folders(HWND window) {
    (void)window;
    Win32SetupOps ops(nullptr);
    g.dist = current_folder();
    std::string program_files;
    if (!ops.reg_get(root_local_machine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                     "ProgramFilesDir", &program_files)) {
        g.registry_failed = true;
        return false;
    }
    g.default_target = setup_trim_folder(program_files) + "\\Zorvan";
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, setup_app_paths_key, 0, KEY_READ, &k) == ERROR_SUCCESS) {
        RegCloseKey(k);
        if (!ops.reg_get(root_local_machine, setup_app_paths_key, "Path", &g.installed)) {
            g.registry_failed = true;
            return false;
        }
        g.installed = setup_trim_folder(g.installed);
        g.previous = true;
        if (setup_same_folder(g.installed, g.dist)) g.install_not_allowed = true;
        g.setup_in_installed = setup_same_folder(module_folder(), g.installed);
    }
    if (g.uninst && g.previous) SetCurrentDirectoryA(g.installed.c_str());
    find_browser();
    return true;
}

// ---------------------------------------------------------------- workers

namespace {

DWORD WINAPI install_thread(LPVOID parameter) {
    InstallParams* p = static_cast<InstallParams*>(parameter);
    Win32SetupOps ops(g.progress);
    install_steps(ops, *p);
    delete p;
    return 0;
}

DWORD WINAPI uninstall_thread(LPVOID parameter) {
    UninstallParams* p = static_cast<UninstallParams*>(parameter);
    Win32SetupOps ops(g.progress);
    uninstall_steps(ops, *p);
    delete p;
    return 0;
}

// ---------------------------------------------------------------- dialogs

INT_PTR CALLBACK progress_dialog_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    HWND list = GetDlgItem(dlg, IDC_SETUP_STEPS);
    const char* text = reinterpret_cast<const char*>(lp);
    switch (msg) {
    case WM_INITDIALOG:
        center_on_main_window(dlg);
        return TRUE;
    case WM_SETUP_STEP_STARTED: {
        std::string line = setup_progress_line(step_started, text);
        LRESULT i = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        return TRUE;
    }
    case WM_SETUP_STEP_DONE:
    case WM_SETUP_STEP_FAILED: {
        std::string line =
            setup_progress_line(msg == WM_SETUP_STEP_DONE ? step_done : step_failed, text);
        LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
        if (n > 0) SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(n - 1), 0);
        LRESULT i = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        return TRUE;
    }
    case WM_SETUP_FINISHED:
        SetDlgItemTextA(dlg, IDC_SETUP_RESULT, text);
        EnableWindow(GetDlgItem(dlg, IDOK), TRUE);
        g.worker_running = false;
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK && !g.worker_running) {
            DestroyWindow(dlg);
            g.progress = nullptr;
            PostMessageA(g.main, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }
    return FALSE;
}

bool open_progress() {
    g.progress = CreateDialogParamA(g.instance, MAKEINTRESOURCEA(IDD_SETUP_PROGRESS), g.main,
                                    progress_dialog_proc, 0);
    if (!g.progress) return false;
    ShowWindow(g.progress, SW_SHOW);
    return true;
}

void start_worker(LPTHREAD_START_ROUTINE fn, void* params) {
    g.worker_running = true;
    HANDLE t = CreateThread(nullptr, 0, fn, params, 0, nullptr);
    if (t) {
        CloseHandle(t);
    } else {
        g.worker_running = false;
        SendMessageA(g.progress, WM_SETUP_FINISHED, 0,
                     reinterpret_cast<LPARAM>(setup_result_text(g.removal, true).c_str()));
    }
}

INT_PTR CALLBACK distribution_check_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        center_on_main_window(dlg);
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            Win32SetupOps ops(nullptr);
            SetupCheck c = setup_check_distribution(ops, g.dist);
            g.megabytes = c.megabytes;
            if (!c.complete)
                setup_message_box(dlg, setup_missing_message(c.missing).c_str(), MB_OK | MB_ICONSTOP);
            EndDialog(dlg, c.complete ? 1 : 0);
        }
        return TRUE;
    }
    return FALSE;
}

// "Выполнить" is enabled with a target, a complete distribution, and, when
// the existing version is to be kept, a target other than its folder.
void update_execute(HWND dlg) {
    std::string t = setup_trim_folder(dialog_text(dlg, IDC_SETUP_TARGET));
    bool keep = IsDlgButtonChecked(dlg, IDC_SETUP_KEEP) == BST_CHECKED;
    bool ok = !t.empty() && !g.check_failed && !g.install_not_allowed &&
              !(keep && setup_same_folder(t, g.installed));
    EnableWindow(GetDlgItem(dlg, IDOK), ok);
}

void enable_folder_controls(HWND dlg, bool on) {
    EnableWindow(GetDlgItem(dlg, IDC_SETUP_TARGET), on);
    EnableWindow(GetDlgItem(dlg, IDC_SETUP_CHOOSE), on);
}

void enable_library_controls(HWND dlg, bool on) {
    EnableWindow(GetDlgItem(dlg, IDC_SETUP_LIBRARY_FOLDER), on);
    EnableWindow(GetDlgItem(dlg, IDC_SETUP_LIBRARY_BROWSE), on);
}

void choose_target(HWND dlg) {
    char file[MAX_PATH] = "sarvolt.exe";
    std::string start = setup_trim_folder(dialog_text(dlg, IDC_SETUP_TARGET));
    OPENFILENAMEA of;
    ZeroMemory(&of, sizeof of);
    of.lStructSize = sizeof of;
    of.hwndOwner = dlg;
    of.lpstrFilter = "Программа SARVOLT\0*.exe\0";
    of.lpstrFile = file;
    of.nMaxFile = sizeof file;
    of.lpstrInitialDir = start.c_str();
    of.lpstrTitle = "Где будет расположен SARVOLT.exe?";
    of.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&of)) return;
    char* slash = std::strrchr(file, '\\');
    if (slash) *slash = 0;
    SetDlgItemTextA(dlg, IDC_SETUP_TARGET, file);
}

void choose_library(HWND dlg) {
    char folder[MAX_PATH] = {};
    BROWSEINFOA bi;
    ZeroMemory(&bi, sizeof bi);
    bi.hwndOwner = dlg;
    bi.pszDisplayName = folder;
    bi.lpszTitle = "Путь к корневой директории библиотеки";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST id = SHBrowseForFolderA(&bi);
    if (!id) return;
    if (SHGetPathFromIDListA(id, folder)) SetDlgItemTextA(dlg, IDC_SETUP_LIBRARY_FOLDER, folder);
    CoTaskMemFree(id);
}

INT_PTR CALLBACK options_dialog_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        center_on_main_window(dlg);
        // The target with the longest table name must stay an ANSI path.
        int room = MAX_PATH - 1 - setup_longest_name;
        SendDlgItemMessageA(dlg, IDC_SETUP_TARGET, EM_LIMITTEXT, room > 3 ? room : 3, 0);
        SendDlgItemMessageA(dlg, IDC_SETUP_LIBRARY_FOLDER, EM_LIMITTEXT, MAX_PATH - 1, 0);
        CheckDlgButton(dlg, IDC_SETUP_DESKTOP, g.desktop ? BST_CHECKED : BST_UNCHECKED);
        enable_library_controls(dlg, false);
        SetDlgItemTextA(dlg, IDC_SETUP_SIZE, setup_size_text(g.megabytes).c_str());
        if (g.previous) {
            SetDlgItemTextA(dlg, IDC_SETUP_TARGET, g.installed.c_str());
            enable_folder_controls(dlg, false);
        } else {
            SetDlgItemTextA(dlg, IDC_SETUP_TARGET, g.default_target.c_str());
            EnableWindow(GetDlgItem(dlg, IDC_SETUP_KEEP), FALSE);
        }
        EnableWindow(GetDlgItem(dlg, IDC_SETUP_MANUAL), !g.browser.empty());
        EnableWindow(GetDlgItem(dlg, IDC_SETUP_MANUAL_ALL), !g.browser.empty());
        update_execute(dlg);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_SETUP_TARGET:
            // The text is trimmed only when taken, so a path can be typed.
            if (HIWORD(wp) == EN_CHANGE) update_execute(dlg);
            return TRUE;
        case IDC_SETUP_CHOOSE:
            choose_target(dlg);
            return TRUE;
        case IDC_SETUP_KEEP:
            if (IsDlgButtonChecked(dlg, IDC_SETUP_KEEP) == BST_CHECKED) {
                enable_folder_controls(dlg, true);
                SetDlgItemTextA(dlg, IDC_SETUP_TARGET, g.default_target.c_str());
            } else {
                SetDlgItemTextA(dlg, IDC_SETUP_TARGET, g.installed.c_str());
                enable_folder_controls(dlg, false);
            }
            update_execute(dlg);
            return TRUE;
        case IDC_SETUP_LIBRARY: {
            bool on = IsDlgButtonChecked(dlg, IDC_SETUP_LIBRARY) == BST_CHECKED;
            enable_library_controls(dlg, on);
            if (on) {
                Win32SetupOps ops(nullptr);
                std::string lib;
                ops.reg_get(root_current_user, setup_user_key, "Photolib", &lib);
                SetDlgItemTextA(dlg, IDC_SETUP_LIBRARY_FOLDER, lib.c_str());
            }
            return TRUE;
        }
        case IDC_SETUP_LIBRARY_BROWSE:
            choose_library(dlg);
            return TRUE;
        case IDC_SETUP_MANUAL:
            open_manual(1);
            return TRUE;
        case IDC_SETUP_MANUAL_ALL:
            open_manual(0);
            return TRUE;
        case IDOK: {
            std::string t = setup_trim_folder(dialog_text(dlg, IDC_SETUP_TARGET));
            if (t.empty() || !IsWindowEnabled(GetDlgItem(dlg, IDOK))) return TRUE;
            g.target = t;
            g.desktop = IsDlgButtonChecked(dlg, IDC_SETUP_DESKTOP) == BST_CHECKED;
            g.want_library = IsDlgButtonChecked(dlg, IDC_SETUP_LIBRARY) == BST_CHECKED;
            g.library = setup_trim_folder(dialog_text(dlg, IDC_SETUP_LIBRARY_FOLDER));
            // The dialog ends before the installation starts: a second
            // click cannot start a second one.
            EndDialog(dlg, 1);
            PostMessageA(g.main, WM_SETUP_INSTALL, 0, 0);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dlg, 0);
            PostMessageA(g.main, WM_CLOSE, 0, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK choose_action_proc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        center_on_main_window(dlg);
        SetDlgItemTextA(dlg, IDC_SETUP_INSTALLED, g.installed.c_str());
        EnableWindow(GetDlgItem(dlg, IDC_SETUP_INSTALL), !g.install_not_allowed && !g.uninst);
        EnableWindow(GetDlgItem(dlg, IDC_SETUP_MANUAL), !g.browser.empty());
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_SETUP_INSTALL:
            EndDialog(dlg, 1);
            PostMessageA(g.main, WM_SETUP_CHECK_OPTIONS, 0, 0);
            return TRUE;
        case IDC_SETUP_REMOVE:
            if (setup_message_box(dlg, "Вы уверены, что хотите всё удалить?",
                                  MB_YESNO | MB_ICONQUESTION) == IDYES) {
                g.removal = true;
                EndDialog(dlg, 2);
                PostMessageA(g.main, WM_SETUP_REMOVE, 0, 0);
            }
            return TRUE;
        case IDC_SETUP_MANUAL:
            open_manual(1);
            return TRUE;
        case IDC_SETUP_EXIT:
        case IDCANCEL:
            EndDialog(dlg, 0);
            PostMessageA(g.main, WM_CLOSE, 0, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void paint(HWND w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    RECT r;
    GetClientRect(w, &r);
    HDC mem = CreateCompatibleDC(dc);
    auto draw = [&](HBITMAP b, int x, int y) {
        if (!b) return;
        BITMAP bm;
        GetObjectA(b, sizeof bm, &bm);
        HGDIOBJ old = SelectObject(mem, b);
        BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
    };
    draw(g.picture, r.right - 360, r.bottom - 400);
    draw(g.title, r.left + 20, r.top + 10);
    draw(g.version, r.left + 20, r.bottom - 80);
    DeleteDC(mem);
    EndPaint(w, &ps);
}

}  // namespace

LRESULT CALLBACK setup_window_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        g.main = w;
        g.picture = LoadBitmapA(g.instance, MAKEINTRESOURCEA(IDB_SETUP_PICTURE));
        g.title = LoadBitmapA(g.instance, MAKEINTRESOURCEA(IDB_SETUP_TITLE));
        g.version = LoadBitmapA(g.instance, MAKEINTRESOURCEA(IDB_SETUP_VERSION));
        find_default_folders(w);
        return 0;
    case WM_PAINT:
        paint(w);
        return 0;
    case WM_CLOSE:
        // While the worker copies files or writes the registry the window
        // stays: ending the process then would leave a half installation.
        if (g.worker_running) {
            MessageBeep(MB_ICONWARNING);
            return 0;
        }
        DestroyWindow(w);
        return 0;
    case WM_DESTROY:
        if (g.picture) DeleteObject(g.picture);
        if (g.title) DeleteObject(g.title);
        if (g.version) DeleteObject(g.version);
        PostQuitMessage(1);
        return 0;
    case WM_SETUP_START:
        if (g.registry_failed) {
            setup_message_box(w, "Нет доступа в реестр!", MB_OK | MB_ICONSTOP);
            DestroyWindow(w);
        } else if (g.help) {
            // "help": the whole manual, then the end.
            if (g.browser.empty())
                setup_message_box(w,
                                  "Подсказка не запускается, видимо из-за проблем установки интернет-браузера",
                                  MB_OK | MB_ICONWARNING);
            else
                open_manual(0);
            DestroyWindow(w);
        } else if (g.previous) {
            DialogBoxParamA(g.instance, MAKEINTRESOURCEA(IDD_SETUP_ACTION), w, choose_action_proc, 0);
        } else if (g.uninst) {
            setup_message_box(w, "Программа SARVOLT не установлена.", MB_OK | MB_ICONWARNING);
            DestroyWindow(w);
        } else {
            PostMessageA(w, WM_SETUP_CHECK_OPTIONS, 0, 0);
        }
        return 0;
    case WM_SETUP_CHECK_OPTIONS:
        g.check_failed = DialogBoxParamA(g.instance, MAKEINTRESOURCEA(IDD_SETUP_CHECK), w,
                                         distribution_check_proc, 0) != 1;
        DialogBoxParamA(g.instance, MAKEINTRESOURCEA(IDD_SETUP_OPTIONS), w, options_dialog_proc, 0);
        return 0;
    case WM_SETUP_INSTALL: {
        if (g.worker_running || !open_progress()) return 0;
        InstallParams* p = new InstallParams;
        p->dist = g.dist;
        p->target = g.target;
        p->desktop = g.desktop;
        p->library = g.want_library;
        p->library_folder = g.library;
        start_worker(install_thread, p);
        return 0;
    }
    case WM_SETUP_REMOVE: {
        if (g.worker_running || !open_progress()) return 0;
        UninstallParams* p = new UninstallParams;
        p->target = g.installed;
        p->keep_setup = g.setup_in_installed;
        start_worker(uninstall_thread, p);
        return 0;
    }
    }
    return DefWindowProcA(w, msg, wp, lp);
}

int setup_main(HINSTANCE instance, const char* arguments) {
    g.instance = instance;
    SetupWords words = setup_command_words(arguments);
    g.uninst = words.uninst;
    g.install_not_allowed = words.uninst;
    g.help = words.help;

    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = setup_window_proc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "Setup";
    if (!RegisterClassExA(&wc)) return 0;
    HWND w = CreateWindowExA(0, "Setup", setup_window_title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                             nullptr);
    if (!w) return 0;
    ShowWindow(w, SW_SHOWMAXIMIZED);
    UpdateWindow(w);
    PostMessageA(w, WM_SETUP_START, 0, 0);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        if (g.progress && IsDialogMessageA(g.progress, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return static_cast<int>(m.wParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    return setup_main(instance, arguments);
}
