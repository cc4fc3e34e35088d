// WinMain: registers the frame class, creates the frame and runs the one
// message loop of the GUI thread.
#include "shell/frame_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    program_instance = instance;

    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = frame_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(105));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(105), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = frame_class_name;
    if (!RegisterClassExA(&wc)) return 1;

    main_menu = LoadMenuA(instance, MAKEINTRESOURCEA(530));
    if (main_menu) {
        char version[64];
        wsprintfA(version, "SARVOLT  версии  %u.%u", 9u, 4u);
        ModifyMenuA(main_menu, 40058, MF_BYCOMMAND | MF_STRING, 40058, version);
    }

    HWND frame = CreateWindowExA(0, frame_class_name, frame_window_title, WS_OVERLAPPEDWINDOW,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, main_menu, instance, nullptr);
    if (!frame) return 1;
    ShowWindow(frame, SW_SHOWMAXIMIZED);
    UpdateWindow(frame);

    command_line_file = command_line_path(command_line);
    if (command_line_file) PostMessageA(frame, UM_OPEN_START_FILE, 0, 0);
    PostMessageA(frame, UM_INIT_MENUS, 0, 0);
    PostMessageA(frame, UM_SHOW_START_DIALOG, 0, 0);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (current_modeless_dialog && IsDialogMessageA(current_modeless_dialog, &msg)) continue;
        if (mdi_client && TranslateMDISysAccel(mdi_client, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
