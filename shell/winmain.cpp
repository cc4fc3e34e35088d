// WinMain: creates the frame and runs the one message loop of the GUI thread.
#include "shell/frame_window.h"
#include "shell/wiring.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    program_wiring();
    HWND frame = frame_create(instance);
    if (!frame) return 1;  // refused (screen too small) or no window

    command_line_file = command_line_path(command_line);
    if (command_line_file) PostMessageA(frame, UM_OPEN_START_FILE, 0, 0);
    PostMessageA(frame, UM_INIT_MENUS, 0, 0);
    PostMessageA(frame, UM_SHOW_START_DIALOG, 0, 0);
    return run_message_loop();
}
