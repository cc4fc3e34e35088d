// gui_probe: a small Win32 program the GUI tests run beside SARVOLT under
// Wine to find, check and close its windows through the real window manager
// of Wine.
//   gui_probe wait CLASS TITLE MS   waits until a top-level window of CLASS
//                                    exists; exits 0 when its title is TITLE
//   gui_probe close CLASS MS        posts WM_CLOSE and waits until it is gone
//   gui_probe acp                   prints the ANSI code page
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static HWND wait_for(const char* cls, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = FindWindowA(cls, nullptr);
        if (w) return w;
        if (GetTickCount() - start > ms) return nullptr;
        Sleep(100);
    }
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "acp") == 0) {
        std::printf("%u\n", GetACP());
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
        char title[512] = {};
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 5000) {
            GetWindowTextA(w, title, sizeof title);
            if (std::strcmp(title, argv[3]) == 0) break;
            Sleep(100);
        }
        std::printf("window found, visible %d\n", IsWindowVisible(w) ? 1 : 0);
        if (std::strcmp(title, argv[3]) != 0) {
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
    std::printf("usage: gui_probe wait CLASS TITLE MS | close CLASS MS | acp\n");
    return 64;
}
