// gui_probe: a small Win32 program the GUI tests run beside SARVOLT under
// Wine to find, check and close its windows through the real window manager
// of Wine.  Arguments arrive in the ANSI code page (Wine converts them);
// texts are printed in UTF-8.
//   gui_probe wait CLASS TITLE MS   waits until a top-level window of CLASS
//                                    exists; exits 0 when its title is TITLE
//   gui_probe title CLASS           prints the title of the window of CLASS
//   gui_probe close CLASS MS        posts WM_CLOSE and waits until it is gone
//   gui_probe acp                   prints the ANSI code page
//   gui_probe dialog TITLE MS       waits for a dialog with that caption and
//                                    prints "id<TAB>text" for each control
//   gui_probe press TITLE ID        clicks button ID of the dialog TITLE
//   gui_probe gone TITLE MS         waits until no dialog with that caption exists
//   gui_probe rect CLASS ID         prints the screen rectangle "x y w h" of
//                                    control ID inside the window of CLASS
//   gui_probe text CLASS ID         prints the text of control ID inside it
//   gui_probe post CLASS MSG WPARAM LPARAM   posts a message to the window
//   gui_probe popup ID MS           waits for a visible top-level window
//                                    holding control ID; prints its text
//   gui_probe terminate CLASS TITLE  ends the process owning the window of
//                                    CLASS, or else the dialog TITLE
//   gui_probe metric N              prints GetSystemMetrics(N)
//   gui_probe zoomed CLASS          exits 0 when the window of CLASS is maximised
//   gui_probe settext TITLE ID TEXT sets the text of control ID of the dialog TITLE
//   gui_probe dlgtext TITLE ID      prints the text of control ID of the dialog TITLE
//   gui_probe enabled TITLE ID      prints 1 when control ID of the dialog TITLE
//                                    is enabled, else 0
//   gui_probe click TITLE ID        clicks control ID of the dialog TITLE (BM_CLICK)
//   gui_probe run FILE PROGRAM      starts PROGRAM in the current folder, waits
//                                    for it and writes its exit code to FILE
// With GUI_PROBE_DESKTOP set, the probe works in that Wine desktop (the
// virtual desktop the program was started in).
// Started under the name iexplore.exe (or any name but gui_probe), it
// records its command line, in UTF-8, to the file named by GUI_PROBE_RECORD.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static std::string to_utf8(const char* ansi) {
    wchar_t w[4096];
    int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, w, 4096);
    if (n <= 0) return std::string();
    char u[12288];
    int m = WideCharToMultiByte(CP_UTF8, 0, w, -1, u, sizeof u, nullptr, nullptr);
    return m > 0 ? std::string(u) : std::string();
}

static HWND wait_for(const char* cls, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = FindWindowA(cls, nullptr);
        if (w) return w;
        if (GetTickCount() - start > ms) return nullptr;
        Sleep(100);
    }
}

struct Search {
    std::string title;
    int id;
    HWND found;
};

static BOOL CALLBACK find_dialog(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    char cls[64] = {}, title[512] = {};
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, title, sizeof title);
    if (std::strcmp(cls, "#32770") == 0 && s->title == title && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

static HWND wait_dialog(const char* title, DWORD ms) {
    Search s = {title, 0, nullptr};
    DWORD start = GetTickCount();
    for (;;) {
        s.found = nullptr;
        EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&s));
        if (s.found || GetTickCount() - start > ms) return s.found;
        Sleep(100);
    }
}

static BOOL CALLBACK find_child(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    if (GetDlgCtrlID(w) == s->id) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

static HWND descendant(HWND top, int id) {
    Search s = {std::string(), id, nullptr};
    EnumChildWindows(top, find_child, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

static BOOL CALLBACK print_control(HWND w, LPARAM) {
    char text[1024] = {};
    GetWindowTextA(w, text, sizeof text);
    std::string t = to_utf8(text);
    for (char& c : t)
        if (c == '\r') c = ' ';
    for (size_t i = 0; (i = t.find('\n', i)) != std::string::npos;) t.replace(i, 1, "\\n");
    std::printf("%d\t%s\n", GetDlgCtrlID(w), t.c_str());
    return TRUE;
}

static BOOL CALLBACK find_popup(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    if (!IsWindowVisible(w)) return TRUE;
    HWND c = GetDlgItem(w, s->id);
    if (c) {
        s->found = c;
        return FALSE;
    }
    return TRUE;
}

static int record(int argc, char** argv) {
    (void)argc;
    (void)argv;
    const char* file = std::getenv("GUI_PROBE_RECORD");
    if (!file) return 2;
    FILE* f = std::fopen(file, "ab");
    if (!f) return 3;
    std::fprintf(f, "%s\n", to_utf8(GetCommandLineA()).c_str());
    std::fclose(f);
    return 0;
}

int main(int argc, char** argv) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const char* base = std::strrchr(self, '\\');
    base = base ? base + 1 : self;
    if (lstrcmpiA(base, "gui_probe.exe") != 0) return record(argc, argv);

    if (const char* desk = std::getenv("GUI_PROBE_DESKTOP")) {
        HDESK d = OpenDesktopA(desk, 0, FALSE, GENERIC_ALL);
        if (!d || !SetThreadDesktop(d)) {
            std::printf("desktop %s not reachable\n", desk);
            return 70;
        }
    }
    if (argc >= 4 && std::strcmp(argv[1], "run") == 0) {
        STARTUPINFOA si;
        ZeroMemory(&si, sizeof si);
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        // The full path, so the program of the current folder is started and
        // not one beside the probe.
        char full[MAX_PATH];
        if (!GetFullPathNameA(argv[3], sizeof full, full, nullptr)) return 4;
        char cmd[MAX_PATH + 2];
        std::snprintf(cmd, sizeof cmd, "\"%s\"", full);
        if (!CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return 4;
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        FILE* f = std::fopen(argv[2], "wb");
        if (!f) return 3;
        std::fprintf(f, "%lu\n", static_cast<unsigned long>(code));
        std::fclose(f);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "acp") == 0) {
        std::printf("%u\n", GetACP());
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "metric") == 0) {
        std::printf("%d\n", GetSystemMetrics(std::atoi(argv[2])));
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "terminate") == 0) {
        HWND w = FindWindowA(argv[2], nullptr);
        if (!w) w = wait_dialog(argv[3], 0);
        if (!w) return 1;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        if (!p) return 2;
        BOOL ok = TerminateProcess(p, 9);
        CloseHandle(p);
        return ok ? 0 : 3;
    }
    if (argc >= 3 && std::strcmp(argv[1], "zoomed") == 0) {
        HWND w = FindWindowA(argv[2], nullptr);
        return w && IsZoomed(w) ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "title") == 0) {
        HWND w = FindWindowA(argv[2], nullptr);
        if (!w) return 1;
        char title[512] = {};
        GetWindowTextA(w, title, sizeof title);
        std::printf("%s\n", to_utf8(title).c_str());
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "wait") == 0) {
        HWND w = wait_for(argv[2], static_cast<DWORD>(std::atoi(argv[4])));
        if (!w) {
            std::printf("no window of class %s\n", argv[2]);
            return 1;
        }
        // The title is set by CreateWindow, but give the frame a moment to
        // finish WM_CREATE before reading it.
        std::string want = argv[3];
        char title[512] = {};
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 5000) {
            GetWindowTextA(w, title, sizeof title);
            if (want == title) break;
            Sleep(100);
        }
        std::printf("window found, visible %d\n", IsWindowVisible(w) ? 1 : 0);
        if (want != title) {
            std::printf("title differs\n");
            return 2;
        }
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "close") == 0) {
        HWND w = FindWindowA(argv[2], nullptr);
        if (!w) return 1;
        PostMessageA(w, WM_CLOSE, 0, 0);
        DWORD start = GetTickCount();
        DWORD ms = static_cast<DWORD>(std::atoi(argv[3]));
        while (IsWindow(w)) {
            if (GetTickCount() - start > ms) return 3;
            Sleep(100);
        }
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "dialog") == 0) {
        HWND d = wait_dialog(argv[2], static_cast<DWORD>(std::atoi(argv[3])));
        if (!d) {
            std::printf("no dialog\n");
            return 1;
        }
        Sleep(300);  // WM_INITDIALOG fills the texts before the dialog shows
        EnumChildWindows(d, print_control, 0);
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "press") == 0) {
        HWND d = wait_dialog(argv[2], 5000);
        if (!d) return 1;
        int id = std::atoi(argv[3]);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
        return 0;
    }
    if (argc >= 4 && (std::strcmp(argv[1], "settext") == 0 || std::strcmp(argv[1], "dlgtext") == 0 ||
                      std::strcmp(argv[1], "enabled") == 0 || std::strcmp(argv[1], "click") == 0)) {
        HWND d = wait_dialog(argv[2], 5000);
        HWND c = d ? GetDlgItem(d, std::atoi(argv[3])) : nullptr;
        if (!c) return 1;
        if (std::strcmp(argv[1], "settext") == 0) {
            if (argc < 5) return 64;
            return SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
        }
        if (std::strcmp(argv[1], "click") == 0) return PostMessageA(c, BM_CLICK, 0, 0) ? 0 : 1;
        if (std::strcmp(argv[1], "enabled") == 0) {
            std::printf("%d\n", IsWindowEnabled(c) ? 1 : 0);
            return 0;
        }
        // WM_GETTEXT: GetWindowText does not read an edit control of
        // another process.
        char text[1024] = {};
        DWORD_PTR got = 0;
        SendMessageTimeoutA(c, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            5000, &got);
        std::string t = to_utf8(text);
        for (size_t i = 0; (i = t.find("\r\n", i)) != std::string::npos;) t.replace(i, 2, "\\n");
        for (size_t i = 0; (i = t.find('\n', i)) != std::string::npos;) t.replace(i, 1, "\\n");
        std::printf("%s\n", t.c_str());
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "gone") == 0) {
        DWORD start = GetTickCount(), ms = static_cast<DWORD>(std::atoi(argv[3]));
        while (wait_dialog(argv[2], 0)) {
            if (GetTickCount() - start > ms) return 1;
            Sleep(100);
        }
        return 0;
    }
    if (argc >= 4 && (std::strcmp(argv[1], "rect") == 0 || std::strcmp(argv[1], "text") == 0)) {
        HWND top = FindWindowA(argv[2], nullptr);
        HWND c = top ? descendant(top, std::atoi(argv[3])) : nullptr;
        if (!c) return 1;
        if (argv[1][0] == 'r') {
            RECT r;
            GetWindowRect(c, &r);
            std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        } else {
            char text[1024] = {};
            GetWindowTextA(c, text, sizeof text);
            std::printf("%s\n", to_utf8(text).c_str());
        }
        return 0;
    }
    if (argc >= 6 && std::strcmp(argv[1], "post") == 0) {
        HWND w = FindWindowA(argv[2], nullptr);
        if (!w) return 1;
        return PostMessageA(w, static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)),
                            std::strtoul(argv[4], nullptr, 0),
                            static_cast<LPARAM>(std::strtol(argv[5], nullptr, 0)))
                   ? 0
                   : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "popup") == 0) {
        Search s = {std::string(), std::atoi(argv[2]), nullptr};
        DWORD start = GetTickCount(), ms = static_cast<DWORD>(std::atoi(argv[3]));
        while (!s.found && GetTickCount() - start <= ms) {
            EnumWindows(find_popup, reinterpret_cast<LPARAM>(&s));
            if (!s.found) Sleep(100);
        }
        if (!s.found) return 1;
        char text[1024] = {};
        GetWindowTextA(s.found, text, sizeof text);
        std::string t = to_utf8(text);
        for (size_t i = 0; (i = t.find("\r\n", i)) != std::string::npos;) t.replace(i, 2, "\\n");
        std::printf("%s\n", t.c_str());
        return 0;
    }
    std::printf("usage: gui_probe wait|close|acp|dialog|press|gone|rect|text|post|popup|metric ...\n");
    return 64;
}
