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
//   gui_probe clientorigin CLASS    prints the screen position "x y" of the
//                                    client area of the window of CLASS
//   gui_probe settext TITLE ID TEXT sets the text of control ID of the dialog TITLE
//   gui_probe dlgtext TITLE ID      prints the text of control ID of the dialog TITLE
//   gui_probe enabled TITLE ID      prints 1 when control ID of the dialog TITLE
//                                    is enabled, else 0
//   gui_probe click TITLE ID        clicks control ID of the dialog TITLE (BM_CLICK)
//   gui_probe run FILE PROGRAM      starts PROGRAM in the current folder, waits
//                                    for it and writes its exit code to FILE
//   gui_probe views CLASS           prints "title<TAB>x y w h" (client area on
//                                    the screen) of each projection window
//   gui_probe active CLASS          prints the title of the active MDI child
//   gui_probe viewsend CLASS N MSG WPARAM LPARAM   sends a message to the
//                                    window of projection N (the window answers
//                                    WM_APP + 0x50 with wParam 6 by its number);
//                                    prints the result
//   gui_probe wheel CLASS N DELTA   sends a wheel turn at the window's centre
//   gui_probe answer ID BUTTON x    clicks BUTTON of the visible dialog holding
//                                    control ID (waits up to 10 s)
//   gui_probe type ID TEXT CODE     sets the text of control ID of a visible
//                                    dialog and sends its parent (ID, CODE)
//   gui_probe settext CLASS ID TEXT sets the text of control ID
//   gui_probe notify CLASS ID CODE  sends WM_COMMAND (ID, CODE) from control ID
//                                    to its parent
//   gui_probe edit TITLE ID TEXT    sets the text of edit ID of the dialog TITLE and
//                                    posts EN_CHANGE and EN_KILLFOCUS, as typing
//                                    into the field and leaving it does
//   gui_probe postcmd TITLE ID CODE posts WM_COMMAND (ID, CODE) from control ID
//                                    to the dialog TITLE (for handlers that
//                                    show a modal message)
//   gui_probe clipboard             prints the CF_TEXT text of the clipboard
//   gui_probe lines TITLE ID        prints the lines of list box ID of the
//                                    dialog TITLE, one a line
//   gui_probe pick TITLE ID LINE CODE  selects LINE of list box (or combo box, or ComboBoxEx) ID of the dialog
//                                    TITLE (-1: none) and posts (ID, CODE) to it
//   gui_probe items CLASS ID        prints the items of combo box ID inside the
//                                    window of CLASS, one a line
//   gui_probe pickin CLASS ID INDEX selects item INDEX of combo box ID inside
//                                    the window of CLASS and sends its parent
//                                    (ID, CBN_SELCHANGE)
//   gui_probe setin CLASS ID TEXT   sets the text of control ID inside the
//                                    window of CLASS (a combo box's edit too)
//   gui_probe postin CLASS ANCHOR ID posts WM_COMMAND (ID, BN_CLICKED) to the
//                                    parent of control ANCHOR inside the window
//                                    of CLASS (for ids such as 1 that other
//                                    children share)
//   gui_probe lclick TITLE ID DX DY posts a left click DX, DY pixels from the
//                                    centre of control ID of the dialog TITLE
//   gui_probe press2 CLASS ID       clicks button ID inside the window of CLASS
//                                    (BM_CLICK: check boxes and radio buttons
//                                    change their state as under the mouse)
//   gui_probe drag CLASS N VK WHEN X1 Y1 X2 Y2  drags with the real mouse
//                                    (SendInput) in the window of projection N
//                                    from client pixel (X1, Y1) to (X2, Y2),
//                                    key VK held for the whole drag (WHEN
//                                    "all") or pressed before the release and
//                                    let go after it ("drop"); VK 0: no key.
//                                    Prints "menu 1" when the frame's thread
//                                    is in menu mode afterwards, else "menu 0"
//   gui_probe batch                 runs the commands of standard input, one a
//                                    line (UTF-8, fields apart by tabs; "sleep MS"
//                                    waits), in this one process
// With GUI_PROBE_DESKTOP set, the probe works in that Wine desktop (the
// virtual desktop the program was started in).
// Started under the name iexplore.exe (or any name but gui_probe), it
// records its command line, in UTF-8, to the file named by GUI_PROBE_RECORD.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

struct Views {
    std::string title;
    HWND found;
    bool print;
};

static BOOL CALLBACK each_view(HWND w, LPARAM p) {
    auto* v = reinterpret_cast<Views*>(p);
    char cls[64] = {}, title[512] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, "Projec") != 0) return TRUE;
    GetWindowTextA(w, title, sizeof title);
    if (v->print) {
        RECT r;
        GetClientRect(w, &r);
        POINT o = {0, 0};
        ClientToScreen(w, &o);
        std::printf("%s\t%ld %ld %ld %ld\n", to_utf8(title).c_str(), static_cast<long>(o.x),
                    static_cast<long>(o.y), static_cast<long>(r.right), static_cast<long>(r.bottom));
    } else if (SendMessageA(w, WM_APP + 0x50, 6, 0) == std::atol(v->title.c_str())) {
        v->found = w;
        return FALSE;
    }
    return TRUE;
}

static HWND view_window(const char* cls, const char* number) {
    HWND top = FindWindowA(cls, nullptr);
    Views v = {number, nullptr, false};
    if (top) EnumChildWindows(top, each_view, reinterpret_cast<LPARAM>(&v));
    return v.found;
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

static int command(int argc, char** argv);

// "batch": one command a line from standard input (UTF-8, fields apart by
// tabs, "sleep MS" waits), run in this one process: a scenario of many
// steps then costs one start of the probe.  Stops at the first command that
// fails, printing "failed: " and the line; returns its code.
static int batch(char* self) {
    char line[8192];
    while (std::fgets(line, sizeof line, stdin)) {
        std::string l = line;
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
        if (l.empty()) continue;
        std::vector<std::string> fields;
        for (size_t at = 0;;) {
            size_t tab = l.find('\t', at);
            std::string f = l.substr(at, tab == std::string::npos ? std::string::npos : tab - at);
            // The command line's conversion: UTF-8 to the ANSI code page.
            wchar_t w[4096];
            int n = MultiByteToWideChar(CP_UTF8, 0, f.c_str(), -1, w, 4096);
            char a[8192] = {};
            if (n > 0) WideCharToMultiByte(CP_ACP, 0, w, -1, a, sizeof a, nullptr, nullptr);
            fields.push_back(a);
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        if (fields[0] == "sleep") {
            Sleep(static_cast<DWORD>(std::atoi(fields.size() > 1 ? fields[1].c_str() : "0")));
            continue;
        }
        std::vector<char*> args = {self};
        for (std::string& f : fields) args.push_back(&f[0]);
        int r = command(static_cast<int>(args.size()), args.data());
        std::fflush(stdout);
        if (r != 0) {
            std::printf("failed: %s\n", l.c_str());
            return r;
        }
    }
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
    if (argc >= 2 && std::strcmp(argv[1], "batch") == 0) return batch(argv[0]);
    return command(argc, argv);
}

static int command(int argc, char** argv) {
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
    // clientorigin CLASS: the screen position of a top window's client area.
    if (argc >= 3 && std::strcmp(argv[1], "clientorigin") == 0) {
        HWND w = FindWindowA(argv[2], nullptr);
        POINT p = {0, 0};
        if (!w || !ClientToScreen(w, &p)) return 1;
        std::printf("%ld %ld\n", p.x, p.y);
        return 0;
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
    // A control anywhere inside a top-level window of class CLASS (a stage
    // panel in the frame): "childtext CLASS ID TEXT" sets its text,
    // "childenabled CLASS ID" prints 1 or 0.
    if (argc >= 4 && (std::strcmp(argv[1], "childtext") == 0 || std::strcmp(argv[1], "childenabled") == 0)) {
        HWND top = FindWindowA(argv[2], nullptr);
        HWND c = top ? descendant(top, std::atoi(argv[3])) : nullptr;
        if (!c) return 1;
        if (std::strcmp(argv[1], "childenabled") == 0) {
            std::printf("%d\n", IsWindowEnabled(c) ? 1 : 0);
            return 0;
        }
        if (argc < 5) return 64;
        SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
        return 0;
    }
    // "settext" has two forms: a window class (a control anywhere inside the
    // top-level window of that class) or a dialog caption.  The class form
    // is taken when such a window exists; otherwise the dialog form would
    // wait for a dialog that never comes and leave the control unchanged.
    bool settext_by_class = argc >= 5 && std::strcmp(argv[1], "settext") == 0 && FindWindowA(argv[2], nullptr);
    if (argc >= 4 && !settext_by_class &&
        (std::strcmp(argv[1], "settext") == 0 || std::strcmp(argv[1], "dlgtext") == 0 ||
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
    if (argc >= 3 && std::strcmp(argv[1], "views") == 0) {
        HWND top = FindWindowA(argv[2], nullptr);
        if (!top) return 1;
        Views v = {std::string(), nullptr, true};
        EnumChildWindows(top, each_view, reinterpret_cast<LPARAM>(&v));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "active") == 0) {
        HWND top = FindWindowA(argv[2], nullptr);
        HWND client = top ? FindWindowExA(top, nullptr, "MDICLIENT", nullptr) : nullptr;
        if (!client) return 1;
        HWND a = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
        char title[512] = {};
        if (a) GetWindowTextA(a, title, sizeof title);
        std::printf("%s\n", to_utf8(title).c_str());
        return a ? 0 : 1;
    }
    if (argc >= 7 && std::strcmp(argv[1], "viewsend") == 0) {
        HWND w = view_window(argv[2], argv[3]);
        if (!w) return 1;
        LRESULT r = SendMessageA(w, static_cast<UINT>(std::strtoul(argv[4], nullptr, 0)),
                                 std::strtoul(argv[5], nullptr, 0),
                                 static_cast<LPARAM>(std::strtol(argv[6], nullptr, 0)));
        std::printf("%ld\n", static_cast<long>(r));
        return 0;
    }
    if (argc >= 10 && std::strcmp(argv[1], "drag") == 0) {
        HWND w = view_window(argv[2], argv[3]);
        if (!w) return 1;
        HWND top = GetAncestor(w, GA_ROOT);
        SetForegroundWindow(top);
        Sleep(200);
        WORD vk = static_cast<WORD>(std::strtoul(argv[4], nullptr, 0));
        bool whole = std::strcmp(argv[5], "all") == 0;
        POINT from = {std::atoi(argv[6]), std::atoi(argv[7])}, to = {std::atoi(argv[8]), std::atoi(argv[9])};
        ClientToScreen(w, &from);
        ClientToScreen(w, &to);
        double sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        auto send = [](INPUT in) {
            SendInput(1, &in, sizeof in);
            Sleep(150);
        };
        auto key = [&](bool down) {
            if (!vk) return;
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = vk;
            in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
            send(in);
        };
        auto mouse = [&](POINT p, DWORD flags) {
            INPUT in{};
            in.type = INPUT_MOUSE;
            in.mi.dx = static_cast<LONG>((p.x + 0.5) * 65536.0 / sw);
            in.mi.dy = static_cast<LONG>((p.y + 0.5) * 65536.0 / sh);
            in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
            send(in);
        };
        mouse(from, 0);
        if (whole) key(true);
        mouse(from, MOUSEEVENTF_LEFTDOWN);
        for (int i = 1; i <= 4; ++i)
            mouse(POINT{from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4}, 0);
        if (!whole) key(true);
        mouse(to, MOUSEEVENTF_LEFTUP);
        key(false);
        Sleep(300);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        bool menu = GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) &&
                    (info.flags & (GUI_INMENUMODE | GUI_SYSTEMMENUMODE | GUI_POPUPMENUMODE));
        std::printf("menu %d\n", menu ? 1 : 0);
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "wheel") == 0) {
        HWND w = view_window(argv[2], argv[3]);
        if (!w) return 1;
        RECT r;
        GetClientRect(w, &r);
        POINT c = {r.right / 2, r.bottom / 2};
        ClientToScreen(w, &c);
        SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<short>(std::atoi(argv[4]))), MAKELPARAM(c.x, c.y));
        return 0;
    }
    if (settext_by_class) {
        HWND top = FindWindowA(argv[2], nullptr);
        HWND c = top ? descendant(top, std::atoi(argv[3])) : nullptr;
        if (!c) return 1;
        return SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
    }
    if (argc >= 5 && std::strcmp(argv[1], "notify") == 0) {
        HWND top = FindWindowA(argv[2], nullptr);
        HWND c = top ? descendant(top, std::atoi(argv[3])) : nullptr;
        if (!c) return 1;
        SendMessageA(GetParent(c), WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), std::strtol(argv[4], nullptr, 0)),
                     reinterpret_cast<LPARAM>(c));
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "answer") == 0) {
        Search s = {std::string(), std::atoi(argv[2]), nullptr};
        DWORD start = GetTickCount();
        while (!s.found && GetTickCount() - start <= 10000) {
            EnumWindows(find_popup, reinterpret_cast<LPARAM>(&s));
            if (!s.found) Sleep(100);
        }
        if (!s.found) return 1;
        HWND dialog = GetParent(s.found);
        int id = std::atoi(argv[3]);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
        (void)argv[4];
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "type") == 0) {
        Search s = {std::string(), std::atoi(argv[2]), nullptr};
        EnumWindows(find_popup, reinterpret_cast<LPARAM>(&s));
        if (!s.found) return 1;
        SendMessageA(s.found, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
        SendMessageA(GetParent(s.found), WM_COMMAND,
                     MAKEWPARAM(std::atoi(argv[2]), std::strtol(argv[4], nullptr, 0)),
                     reinterpret_cast<LPARAM>(s.found));
        return 0;
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
    if (argc >= 5 && std::strcmp(argv[1], "edit") == 0) {
        HWND d = wait_dialog(argv[2], 5000);
        int id = std::atoi(argv[3]);
        HWND c = d ? GetDlgItem(d, id) : nullptr;
        if (!c) return 1;
        SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
        return PostMessageA(d, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(c)) &&
                       PostMessageA(d, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(c))
                   ? 0
                   : 1;
    }
    if (argc >= 5 && std::strcmp(argv[1], "postcmd") == 0) {
        HWND d = wait_dialog(argv[2], 5000);
        int id = std::atoi(argv[3]);
        if (!d) return 1;
        return PostMessageA(d, WM_COMMAND, MAKEWPARAM(id, std::strtol(argv[4], nullptr, 0)),
                            reinterpret_cast<LPARAM>(GetDlgItem(d, id)))
                   ? 0
                   : 1;
    }
    if (argc >= 2 && std::strcmp(argv[1], "clipboard") == 0) {
        if (!OpenClipboard(nullptr)) return 1;
        HANDLE h = GetClipboardData(CF_TEXT);
        const char* text = h ? static_cast<const char*>(GlobalLock(h)) : nullptr;
        if (text) std::printf("%s\n", to_utf8(text).c_str());
        if (text) GlobalUnlock(h);
        CloseClipboard();
        return text ? 0 : 1;
    }
    if (argc >= 4 && (std::strcmp(argv[1], "lines") == 0 || std::strcmp(argv[1], "pick") == 0)) {
        HWND d = wait_dialog(argv[2], 5000);
        int id = std::atoi(argv[3]);
        HWND c = d ? GetDlgItem(d, id) : nullptr;
        if (!c) return 1;
        if (argv[1][0] == 'l') {
            LRESULT n = SendMessageA(c, LB_GETCOUNT, 0, 0);
            // Wine hands a list box's text to another process in UTF-16.
            for (LRESULT i = 0; i < n; ++i) {
                wchar_t text[1024] = {};
                if (SendMessageW(c, LB_GETTEXTLEN, i, 0) < 1024)
                    SendMessageW(c, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                char utf8[4096] = {};
                WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
                std::printf("%s\n", utf8);
            }
            return 0;
        }
        if (argc < 6) return 64;
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        // A ComboBoxEx passes the combo box messages on to its combo box.
        bool combo = lstrcmpiA(cls, "ComboBox") == 0 || lstrcmpiA(cls, "ComboBoxEx32") == 0;
        SendMessageA(c, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(id, std::strtol(argv[5], nullptr, 0)), reinterpret_cast<LPARAM>(c));
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "postin") == 0) {
        HWND top = FindWindowA(argv[2], nullptr);
        HWND anchor = top ? descendant(top, std::atoi(argv[3])) : nullptr;
        if (!anchor) return 1;
        HWND parent = GetParent(anchor);
        int id = std::atoi(argv[4]);
        return PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(parent, id))) ? 0 : 1;
    }
    if (argc >= 5 && std::strcmp(argv[1], "setin") == 0) {
        HWND top = FindWindowA(argv[2], nullptr);
        HWND c = top ? descendant(top, std::atoi(argv[3])) : nullptr;
        if (!c) return 1;
        SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "pickin") == 0) {
        HWND top = FindWindowA(argv[2], nullptr);
        int id = std::atoi(argv[3]);
        HWND c = top ? descendant(top, id) : nullptr;
        if (!c) return 1;
        SendMessageA(c, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0);
        SendMessageA(GetParent(c), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
        return 0;
    }
    if (argc >= 6 && std::strcmp(argv[1], "lclick") == 0) {
        HWND d = wait_dialog(argv[2], 5000);
        HWND c = d ? GetDlgItem(d, std::atoi(argv[3])) : nullptr;
        if (!c) return 1;
        RECT r;
        GetClientRect(c, &r);
        const LPARAM at = MAKELPARAM(r.right / 2 + std::atoi(argv[4]), r.bottom / 2 + std::atoi(argv[5]));
        return PostMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(c, WM_LBUTTONUP, 0, at) ? 0 : 1;
    }
    if (argc >= 4 && (std::strcmp(argv[1], "items") == 0 || std::strcmp(argv[1], "press2") == 0)) {
        HWND top = FindWindowA(argv[2], nullptr);
        HWND c = top ? descendant(top, std::atoi(argv[3])) : nullptr;
        if (!c) return 1;
        if (argv[1][0] == 'p') return PostMessageA(c, BM_CLICK, 0, 0) ? 0 : 1;
        LRESULT n = SendMessageA(c, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            wchar_t text[1024] = {};
            if (SendMessageW(c, CB_GETLBTEXTLEN, i, 0) < 1024)
                SendMessageW(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            char utf8[4096] = {};
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
            std::printf("%s\n", utf8);
        }
        return 0;
    }
    std::printf("usage: gui_probe wait|close|acp|dialog|press|gone|rect|text|post|popup|metric ...\n");
    return 64;
}
