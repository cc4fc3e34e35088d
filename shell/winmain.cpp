// WinMain: creates the frame and runs the one message loop of the GUI thread.
#include "shell/document_binding.h"
#include "shell/frame_window.h"
#include "render/output/output_binding.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    HWND frame = frame_create(instance);
    if (!frame) return 1;  // refused (screen too small) or no window

    command_line_file = command_line_path(command_line);
    documents_bind_shell();
    render_output_bind();
    if (command_line_file) PostMessageA(frame, UM_OPEN_START_FILE, 0, 0);
    PostMessageA(frame, UM_INIT_MENUS, 0, 0);
    PostMessageA(frame, UM_SHOW_START_DIALOG, 0, 0);
    return run_message_loop();
}
