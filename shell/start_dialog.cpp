// The start dialog: what to do first when the program starts without a
// drawing (a new drawing, an existing one, the user's guide, the web site or
// one of the recent drawings).  The choice reaches the frame as a posted menu
// command.
#include <cstdio>

#include "shell/settings_dialogs.h"

#include "shell/commands.h"
#include "shell/frame_window.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"
#include "store/settings_block.h"

namespace {

// The three pictures belong to this dialog alone: loaded when it opens and
// deleted when it ends.
HBITMAP start_pictures[3];

const int picture_buttons[3] = {IDC_START_NEW_PICTURE, IDC_START_OPEN_PICTURE, IDC_START_GUIDE_PICTURE};
const int picture_ids[3] = {IDB_START_NEW, IDB_START_OPEN, IDB_START_GUIDE};

// The controls that show the hand cursor while the mouse is over them.
bool hand_control(int id) {
    switch (id) {
    case IDC_START_GUIDE_PICTURE:
    case IDC_START_GUIDE:
    case IDC_START_NEW_PICTURE:
    case IDC_START_NEW:
    case IDC_START_OPEN_PICTURE:
    case IDC_START_OPEN:
    case IDC_START_RECENT:
        return true;
    default:
        return false;
    }
}

void centre_on(HWND dialog, HWND owner) {
    RECT d, o;
    GetWindowRect(dialog, &d);
    if (owner) GetWindowRect(owner, &o);
    else SystemParametersInfoA(SPI_GETWORKAREA, 0, &o, 0);
    int w = d.right - d.left, h = d.bottom - d.top;
    int x = o.left + ((o.right - o.left) - w) / 2, y = o.top + ((o.bottom - o.top) - h) / 2;
    SetWindowPos(dialog, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void end_with_command(HWND dialog, int command) {
    HWND owner = frame_window ? frame_window : GetParent(dialog);
    if (command && owner) PostMessageA(owner, WM_COMMAND, command, 0);
    for (HBITMAP& b : start_pictures) {
        if (b) DeleteObject(b);
        b = nullptr;
    }
    EndDialog(dialog, command);
}

// The recent-file command of the selected line, or 0 without a selection.
int selected_recent_command(HWND dialog) {
    LRESULT line = SendDlgItemMessageA(dialog, IDC_START_RECENT, LB_GETCURSEL, 0, 0);
    if (line == LB_ERR || line < 0 || line >= recent_files_max) return 0;
    return recent_file_commands[line];
}

}  // namespace

INT_PTR CALLBACK start_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        centre_on(dialog, frame_window);
        HINSTANCE instance = GetModuleHandleA(nullptr);
        for (int i = 0; i < 3; ++i) {
            start_pictures[i] = static_cast<HBITMAP>(
                LoadImageA(instance, MAKEINTRESOURCEA(picture_ids[i]), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
            SendDlgItemMessageA(dialog, picture_buttons[i], BM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(start_pictures[i]));
        }
        char version[64];
        std::snprintf(version, sizeof version, "SARVOLT  версии  %u.%u", 9u, 4u);
        SetDlgItemTextA(dialog, IDC_START_VERSION, version);
        SetDlgItemTextA(dialog, IDC_START_WEB, settings_text(settings_web_address_offset));
        // The recent drawings as the file menu lists them; the list ends at
        // the first command the menu does not hold.
        for (int command : recent_file_commands) {
            char text[MAX_PATH] = "";
            if (!main_menu || GetMenuStringA(main_menu, command, text, sizeof text, MF_BYCOMMAND) <= 0) break;
            SendDlgItemMessageA(dialog, IDC_START_RECENT, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        return TRUE;
    }
    case WM_SETCURSOR: {
        // The hand over the choices, without touching the classes' cursors.
        HWND over = reinterpret_cast<HWND>(wparam);
        if (over && over != dialog && hand_control(GetDlgCtrlID(over)) && hand_cursor) {
            SetCursor(hand_cursor);
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam), code = HIWORD(wparam);
        switch (id) {
        case IDC_START_NEW_PICTURE:
        case IDC_START_NEW:
            end_with_command(dialog, IDM_FILE_NEW);
            return TRUE;
        case IDC_START_OPEN_PICTURE:
        case IDC_START_OPEN:
            end_with_command(dialog, IDM_FILE_OPEN);
            return TRUE;
        case IDC_START_GUIDE_PICTURE:
        case IDC_START_GUIDE:
            end_with_command(dialog, IDM_HELP_MANUAL);
            return TRUE;
        case IDC_START_WEB:
            // The web site opens beside the dialog, which stays.
            if (frame_window) PostMessageA(frame_window, WM_COMMAND, IDM_HELP_WEB_SITE, 0);
            return TRUE;
        case IDC_START_RECENT:
            if (code == LBN_SELCHANGE) {
                EnableWindow(GetDlgItem(dialog, IDOK), selected_recent_command(dialog) != 0);
            } else if (code == LBN_DBLCLK) {
                int command = selected_recent_command(dialog);
                if (command) end_with_command(dialog, command);
            }
            return TRUE;
        case IDOK: {
            int command = selected_recent_command(dialog);
            if (command) end_with_command(dialog, command);
            return TRUE;
        }
        case IDCANCEL:
            end_with_command(dialog, 0);
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

void start_dialog_show(HWND frame) {
    // Only when the program started without a drawing.
    if (command_line_file || current_drawing_file()) return;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_START), frame, start_dialog_proc, 0);
}
