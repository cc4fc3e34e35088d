// Choosing the title block of the current sheet: the kind dialog
// "Выбор основной надписи".
#include <windows.h>

#include "base/byte_order.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "shell/commands.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/resource_ids.h"
#include "shell/title_block_dialog.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"

namespace {

INT_PTR CALLBACK kind_proc(HWND d, UINT msg, WPARAM wp, LPARAM) {
    DrawingFile* df = current_drawing_file();
    switch (msg) {
    case WM_INITDIALOG: {
        HWND combo = GetDlgItem(d, IDC_TITLE_BLOCK_KIND);
        for (int k = 0; k < title_block_kind_count; ++k)
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title_block_kind_name(k)));
        // The kind in force once the drawing has title-block texts, else none.
        int kind = df && title_block_has_fields(df) ? get_u8(df->header, header_title_block_kind) : 0;
        SendMessageA(combo, CB_SETCURSEL, kind < title_block_kind_count ? kind : 0, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            int k = static_cast<int>(SendDlgItemMessageA(d, IDC_TITLE_BLOCK_KIND, CB_GETCURSEL, 0, 0));
            if (df && k >= 0 && k < title_block_kind_count) {
                {
                    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
                    put_u8(df->header, header_title_block_kind, static_cast<uint8_t>(k));
                    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
                }
                sheet_store_current_of(df);
            }
            EndDialog(d, 1);
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(d, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

int choose_title_block_kind() {
    return static_cast<int>(DialogBoxParamA(program_instance ? program_instance : GetModuleHandleA(nullptr),
                                            MAKEINTRESOURCEA(IDD_TITLE_BLOCK_KIND), frame_window, kind_proc, 0));
}

void choose_title_block(int ask) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    if (ask && !choose_title_block_kind()) return;
    title_block_height_update(df);
    command_seams.projection_windows_refresh(0);
    if (sheet_window) InvalidateRect(sheet_window, nullptr, TRUE);
}

void title_block_dialog_bind() { command_seams.choose_title_block = choose_title_block; }
