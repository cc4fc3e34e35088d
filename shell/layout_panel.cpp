// The layout stage's format panel: the sheet format and its turn, adding and
// deleting sheets, and the user format dialog.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "output/sheets.h"
#include "output/title_block_fields.h"
#include "shell/core/projection_records.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/layout_panel.h"
#include "shell/layout_windows.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

constexpr size_t proj_sheet = 106;  // u16: low 11 bits the sheet number

struct Lock {
    Lock() {
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    }
    ~Lock() {
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    }
};

// Entry 25 of the list: the user size when it is the format in force.
void user_entry_text(DrawingFile* df, char* buf, size_t size) {
    if (df && get_u8(df->header, header_sheet_format) == sheet_format_user)
        std::snprintf(buf, size, "%lux%lu", static_cast<unsigned long>(get_u32(df->header, header_user_format_width)),
                      static_cast<unsigned long>(get_u32(df->header, header_user_format_height)));
    else
        std::snprintf(buf, size, "%s", sheet_format_name(sheet_format_user));
}

void refresh_user_entry(HWND panel, DrawingFile* df) {
    HWND combo = GetDlgItem(panel, IDC_LAYOUT_FORMAT);
    char buf[64];
    user_entry_text(df, buf, sizeof buf);
    int sel = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    SendMessageA(combo, CB_DELETESTRING, sheet_format_user, 0);
    SendMessageA(combo, CB_INSERTSTRING, sheet_format_user, reinterpret_cast<LPARAM>(buf));
    SendMessageA(combo, CB_SETCURSEL, df ? get_u8(df->header, header_sheet_format) : sel, 0);
}

void show_side(HWND d, int id, uint32_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(v));
    SetDlgItemTextA(d, id, buf);
}

void commit_side(HWND d, int id) {
    DrawingFile* df = current_drawing_file();
    char buf[64] = {};
    GetDlgItemTextA(d, id, buf, sizeof buf);
    show_side(d, id, sheet_user_side_set(df, id == IDC_USER_FORMAT_X ? 0 : 1, buf));
}

INT_PTR CALLBACK user_format_proc(HWND d, UINT msg, WPARAM wp, LPARAM) {
    DrawingFile* df = current_drawing_file();
    switch (msg) {
    case WM_INITDIALOG:
        if (df && get_u8(df->header, header_sheet_format) != sheet_format_user) {
            Lock lock;
            put_u32(df->header, header_user_format_width, 0);
            put_u32(df->header, header_user_format_height, 0);
        }
        show_side(d, IDC_USER_FORMAT_X, df ? get_u32(df->header, header_user_format_width) : 0);
        show_side(d, IDC_USER_FORMAT_Y, df ? get_u32(df->header, header_user_format_height) : 0);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wp), code = HIWORD(wp);
        if ((id == IDC_USER_FORMAT_X || id == IDC_USER_FORMAT_Y) && (code == EN_KILLFOCUS || code == 0x501)) {
            commit_side(d, id);
            return TRUE;
        }
        if (id == IDOK) {
            // The texts as they stand count, also when an edit still has the focus.
            commit_side(d, IDC_USER_FORMAT_X);
            commit_side(d, IDC_USER_FORMAT_Y);
            EndDialog(d, sheet_select_format(df, sheet_format_user) == sheet_format_user ? 1 : 0);
            return TRUE;
        }
        if (id == IDCANCEL) {
            sheet_select_format(df, sheet_format_auto);
            show_program_message(sheet_message_no_user_size);
            EndDialog(d, 0);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

// Every projection on sheet `from` moves to sheet `to` (not hand-placed any
// more, without its page sheet).
void move_views(DrawingFile* df, uint32_t from, uint32_t to) {
    Lock lock;
    for (const ProjectionEntry& e : projection_chain_entries(df)) {
        RecordRef ref = e.ref;
        unsigned char* p = record_read_at(df, &ref, &page_buffers[table_projections]);
        if (!p || error_flag) return;
        uint16_t s = get_u16(p, proj_sheet);
        uint32_t n = s & 0x07ff;
        if ((n ? n : 1) != from) continue;
        put_u16(p, proj_sheet, static_cast<uint16_t>((s & ~0x07ff) | (to & 0x07ff)));
        put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) & ~0x0080));
        p[100] = static_cast<uint8_t>(p[100] & ~0x01);
        page_buffers[table_projections].clean = 0;
    }
}

// One command of the panel; true when it acted on the sheet.
bool panel_command(HWND panel, DrawingFile* df, int id, int code) {
    switch (id) {
    case IDC_LAYOUT_FORMAT:
        if (code != CBN_SELENDOK) return false;
        {
            int sel = static_cast<int>(SendDlgItemMessageA(panel, IDC_LAYOUT_FORMAT, CB_GETCURSEL, 0, 0));
            if (sel >= 0 && sel < sheet_format_user) {
                sheet_select_format(df, sel);
            } else if (sel == sheet_format_user &&
                       get_u8(df->header, header_sheet_format) == sheet_format_user) {
                // The user format stays.
            } else if (sel == sheet_format_user || sel == sheet_format_new) {
                DialogBoxParamA(program_instance ? program_instance : GetModuleHandleA(nullptr),
                                MAKEINTRESOURCEA(IDD_USER_FORMAT), panel, user_format_proc, 0);
            }
            refresh_user_entry(panel, df);
            sheet_store_current_of(df);
        }
        return true;
    case IDC_LAYOUT_ROTATED:
        if (code != BN_CLICKED) return false;
        {
            {
                Lock lock;
                uint16_t o = get_u16(df->header, header_options);
                if (IsDlgButtonChecked(panel, IDC_LAYOUT_ROTATED) == BST_CHECKED)
                    o |= header_opt_sheet_turned;
                else
                    o &= static_cast<uint16_t>(~header_opt_sheet_turned);
                put_u16(df->header, header_options, o);
            }
            sheet_select_format(df, get_u8(df->header, header_sheet_format));
            sheet_store_current_of(df);
        }
        return true;
    case IDC_LAYOUT_AUTO:
        return code == BN_CLICKED;
    case IDC_LAYOUT_ADD_SHEET:
        if (code != BN_CLICKED) return false;
        sheet_add(df);
        return true;
    case IDC_LAYOUT_DELETE_SHEET:
        if (code != BN_CLICKED) return false;
        {
            uint32_t old = get_u16(df->header, header_current_sheet);
            uint32_t now = sheet_delete_current(df);
            if (now) {
                move_views(df, old, now);
                // The sheet window's views of the deleted sheet follow.
                if (layout_window)
                    for (auto& n : layout_window->nodes)
                        if (n->sheet == old) {
                            n->sheet = static_cast<uint16_t>(now);
                            n->flags &= static_cast<uint16_t>(
                                ~(layout_node_hand_placed | layout_node_laid_out | layout_node_picked));
                        }
                int c = get_u8(df->header, header_sheet_format);
                SendDlgItemMessageA(panel, IDC_LAYOUT_FORMAT, CB_SETCURSEL, c < sheet_format_count ? c : 0, 0);
                refresh_user_entry(panel, df);
                CheckDlgButton(panel, IDC_LAYOUT_ROTATED,
                               (get_u16(df->header, header_options) & header_opt_sheet_turned) ? BST_CHECKED
                                                                                               : BST_UNCHECKED);
            }
        }
        return true;
    }
    return false;
}

INT_PTR CALLBACK layout_panel_proc(HWND panel, UINT msg, WPARAM wp, LPARAM) {
    DrawingFile* df = current_drawing_file();
    switch (msg) {
    case WM_INITDIALOG: {
        if (df) sheet_chain_open(df);
        HWND combo = GetDlgItem(panel, IDC_LAYOUT_FORMAT);
        char user[64];
        user_entry_text(df, user, sizeof user);
        for (int code = 0; code < sheet_format_count; ++code)
            SendMessageA(combo, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(code == sheet_format_user ? user : sheet_format_name(code)));
        int code = df ? get_u8(df->header, header_sheet_format) : 0;
        SendMessageA(combo, CB_SETCURSEL, code < sheet_format_count ? code : 0, 0);
        CheckDlgButton(panel, IDC_LAYOUT_ROTATED,
                       df && (get_u16(df->header, header_options) & header_opt_sheet_turned) ? BST_CHECKED
                                                                                              : BST_UNCHECKED);
        if (df && !title_block_has_fields(df)) {
            drawing_scale_set(1.0);
            title_block_field_store(df, title_field_scale, "1:1", 0, title_mode_all_sheets);
        }
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wp), code = HIWORD(wp);
        if (!df) return TRUE;
        bool acted = panel_command(panel, df, id, code);
        // The sheet window follows: a new layout for "Авто", a turn and
        // "Автокомпоновка", else the sheet fitted again.
        if (acted && sheet_window && layout_window) {
            if (get_u8(df->header, header_sheet_format) == sheet_format_auto || id == IDC_LAYOUT_ROTATED ||
                id == IDC_LAYOUT_AUTO)
                layout_auto_arrange();
            else
                layout_fit_sheet();
            if (sheet_list_window) InvalidateRect(sheet_list_window, nullptr, TRUE);
        }
        return TRUE;
    }
    }
    return FALSE;
}

}  // namespace

void layout_panel_bind() { stage_tools[6].panel_procedure = layout_panel_proc; }
