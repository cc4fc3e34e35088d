// The MDI frame window: creation of its client, the private messages and
// shut-down.
#include "shell/frame_window.h"

#include <cstdlib>
#include <cstring>

const char frame_class_name[] = "SarVolt";
const char frame_window_title[] = "SARVOLT - Конструкторская документация";

HINSTANCE program_instance;
HWND frame_window;
HWND mdi_client;
HMENU main_menu;
char* command_line_file;
HWND current_modeless_dialog;

char* command_line_path(const char* tail) {
    if (!tail || !*tail) return nullptr;
    size_t n = std::strlen(tail);
    char* path = static_cast<char*>(std::malloc(n + 2));
    if (!path) return nullptr;
    size_t k = 0;
    for (size_t i = 0; i < n; ++i)
        if (tail[i] != '"') path[k++] = tail[i];
    path[k] = 0;
    return path;
}

static void create_mdi_client(HWND frame) {
    CLIENTCREATESTRUCT ccs;
    ccs.hWindowMenu = nullptr;
    ccs.idFirstChild = 40500;
    mdi_client = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, frame,
                                 reinterpret_cast<HMENU>(1), program_instance, &ccs);
}

LRESULT CALLBACK frame_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        frame_window = window;
        create_mdi_client(window);
        return 0;
    case WM_SIZE:
        if (mdi_client)
            MoveWindow(mdi_client, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
        return 0;
    case WM_MOUSEWHEEL:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case UM_OPEN_START_FILE:
    case UM_INIT_MENUS:
    case UM_SHOW_START_DIALOG:
        return 0;
    default:
        break;
    }
    return DefFrameProcA(window, mdi_client, message, wparam, lparam);
}
