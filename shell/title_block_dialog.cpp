// Choosing the title block of the current sheet: the kind dialog
// "Выбор основной надписи".
#include <windows.h>

#include <cstring>
#include <string>

#include "base/byte_order.h"
#include "geometry/units_scale.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "shell/commands.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
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

// ---------------------------------------------------------------- fill-in

struct FieldPair {
    int control;
    uint32_t field;
};
const FieldPair field_pairs[] = {
#include "shell/title_block_fill_pairs.inc"
};

struct FillState {
    int kind = 0;
    int mode = title_mode_all_sheets;
};
FillState fill;

uint32_t fill_sheet(DrawingFile* df) {
    uint32_t s = get_u16(df->header, header_current_sheet);
    return s ? s : 1;
}

// Shows each field of the dialog as the mode reads it: this sheet's record
// (1170), this sheet's else the common one (1171), the common one (1175).
void fill_show(HWND d, DrawingFile* df) {
    for (const FieldPair& p : field_pairs) {
        HWND edit = GetDlgItem(d, p.control);
        if (!edit) continue;
        std::string text;
        if (fill.mode == title_mode_all_sheets)
            title_block_field_text(df, p.field, 0, false, &text);
        else
            title_block_field_text(df, p.field, fill_sheet(df), fill.mode == title_mode_all_fields, &text);
        SetWindowTextA(edit, text.c_str());
    }
}

const FieldPair* pair_of(int control) {
    for (const FieldPair& p : field_pairs)
        if (p.control == control) return &p;
    return nullptr;
}

// Stores the text of one edit for the current mode.
void fill_commit(HWND d, DrawingFile* df, const FieldPair& p) {
    char text[title_field_max_chars + 2] = {};
    GetDlgItemTextA(d, p.control, text, sizeof text);
    if (p.field == title_field_scale && fill.mode == title_mode_all_sheets && text[0]) {
        // The scale text sets the drawing scale; a scale of 0 is not taken.
        double scale = parse_scale_ratio(text);
        if (!(scale > 0)) return;
        drawing_scale_set(scale);
    }
    title_block_field_store(df, p.field, text, fill_sheet(df), fill.mode);
}

// "Всё очистить": the records of the dialog's fields that the mode shows.
void fill_clear(HWND d, DrawingFile* df) {
    for (const FieldPair& p : field_pairs) {
        if (!GetDlgItem(d, p.control)) continue;
        if (p.field == title_field_scale && fill.mode == title_mode_all_sheets) continue;
        if (fill.mode == title_mode_all_sheets) {
            title_block_field_store(df, p.field, "", 0, title_mode_all_sheets);
        } else {
            title_block_field_store(df, p.field, "", fill_sheet(df), title_mode_this_sheet);
            if (fill.mode == title_mode_all_fields)
                title_block_field_store(df, p.field, "", 0, title_mode_all_sheets);
        }
        SetDlgItemTextA(d, p.control, "");
    }
}

// "Закрыть": the edit that still has the focus is stored first (it gets no
// focus change that would store it once the dialog is gone).
void fill_close(HWND d, DrawingFile* df) {
    HWND focus = GetFocus();
    if (focus && GetParent(focus) == d)
        if (const FieldPair* p = pair_of(GetDlgCtrlID(focus))) fill_commit(d, df, *p);
    EndDialog(d, 1);
}

INT_PTR CALLBACK fill_proc(HWND d, UINT msg, WPARAM wp, LPARAM) {
    DrawingFile* df = current_drawing_file();
    switch (msg) {
    case WM_INITDIALOG: {
        if (!df) {
            EndDialog(d, 0);
            return TRUE;
        }
        SetWindowTextA(d, title_block_kind_name(fill.kind));
        if (!title_block_has_fields(df)) {
            drawing_scale_set(1.0);
            title_block_field_store(df, title_field_scale, "1:1", 0, title_mode_all_sheets);
        }
        // Sheets exist from the layout stage on: before it every field is common.
        if (current_stage >= 6) {
            fill.mode = title_mode_all_fields;
        } else {
            fill.mode = title_mode_all_sheets;
            EnableWindow(GetDlgItem(d, IDC_TITLE_MODE_SHEET), FALSE);
            EnableWindow(GetDlgItem(d, IDC_TITLE_MODE_ALL), FALSE);
        }
        CheckRadioButton(d, IDC_TITLE_MODE_SHEET, IDC_TITLE_MODE_SHEETS, fill.mode);
        for (const FieldPair& p : field_pairs)
            if (HWND e = GetDlgItem(d, p.control)) SendMessageA(e, EM_LIMITTEXT, title_field_max_chars, 0);
        fill_show(d, df);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wp), code = HIWORD(wp);
        if (!df) break;
        if (const FieldPair* p = pair_of(id)) {
            if (code == EN_KILLFOCUS || code == 0x501) fill_commit(d, df, *p);
            return TRUE;
        }
        switch (id) {
        case IDC_TITLE_MODE_SHEET:
        case IDC_TITLE_MODE_ALL:
        case IDC_TITLE_MODE_SHEETS:
            if (code == BN_CLICKED && IsDlgButtonChecked(d, id) == BST_CHECKED) {
                fill.mode = id;
                fill_show(d, df);
            }
            return TRUE;
        case IDC_TITLE_CLEAR:
            if (code == BN_CLICKED) fill_clear(d, df);
            return TRUE;
        case IDC_TITLE_TAB:
            if (code == BN_CLICKED && command_seams.symbol_table_dialog) command_seams.symbol_table_dialog();
            return TRUE;
        case IDCANCEL:
            fill_close(d, df);
            return TRUE;
        }
        break;
    }
    case WM_CLOSE:
        if (df) fill_close(d, df);
        else EndDialog(d, 1);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int title_block_fill_dialog(int kind) {
    static const int templates[8] = {0, IDD_TITLE_FILL_1, IDD_TITLE_FILL_2, IDD_TITLE_FILL_3, IDD_TITLE_FILL_4,
                                     IDD_TITLE_FILL_5, IDD_TITLE_FILL_6, IDD_TITLE_FILL_7};
    if (kind < 1 || kind > 7 || !current_drawing_file()) return 0;
    fill.kind = kind;
    return static_cast<int>(DialogBoxParamA(program_instance ? program_instance : GetModuleHandleA(nullptr),
                                            MAKEINTRESOURCEA(templates[kind]), frame_window, fill_proc, 0));
}

int choose_title_block_kind() {
    return static_cast<int>(DialogBoxParamA(program_instance ? program_instance : GetModuleHandleA(nullptr),
                                            MAKEINTRESOURCEA(IDD_TITLE_BLOCK_KIND), frame_window, kind_proc, 0));
}

void choose_title_block(int ask) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    if (ask && !choose_title_block_kind()) return;
    title_block_height_update(df);
    title_block_fill_dialog(get_u8(df->header, header_title_block_kind));
    command_seams.projection_windows_refresh(0);
    if (sheet_window) {
        RECT rc;
        GetClientRect(sheet_window, &rc);
        SendMessageA(sheet_window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
        InvalidateRect(sheet_window, nullptr, TRUE);
    }
}

void title_block_dialog_bind() { command_seams.choose_title_block = choose_title_block; }
