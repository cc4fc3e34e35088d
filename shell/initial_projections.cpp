// The new-drawing wizard (dialog IDD_INITIAL_PROJECTIONS): the user lists the
// projections the drawing starts with, how many of each view kind and their
// sketch files; the projections are created, their windows opened and the
// drawing saved.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "documents/saving.h"
#include "geometry/extents.h"
#include "geometry/naming.h"
#include "shell/core/initial_projections.h"
#include "shell/core/projection_records.h"
#include "shell/file_dialog.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/projection_windows.h"
#include "shell/registry_settings.h"
#include "shell/settings_dialogs.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

struct WizardRowIds {
    int kind, check, count, spin, files, find;
};
#include "shell/initial_projections_rows.inc"

static std::vector<WizardRequest> wizard_result;

static int row_of(int id) {
    for (int i = 0; i < 9; ++i) {
        const WizardRowIds& r = wizard_rows[i];
        if (id == r.check || id == r.count || id == r.spin || id == r.files || id == r.find) return i;
    }
    return -1;
}

static int spin_position(HWND dialog, const WizardRowIds& r) {
    LRESULT p = SendDlgItemMessageA(dialog, r.spin, UDM_GETPOS32, 0, 0);
    return p < 0 ? 0 : p > 100 ? 100 : static_cast<int>(p);
}

static void spin_set(HWND dialog, const WizardRowIds& r, int n) {
    SendDlgItemMessageA(dialog, r.spin, UDM_SETPOS32, 0, n);
}

static void find_sketch(HWND dialog, const WizardRowIds& r) {
    char file[780] = "";
    if (sketch_dialog_answer) {
        if (!sketch_dialog_answer(file, sizeof file)) return;
    } else {
        static char folder[260];
        static DWORD filter = 1;
        if (!folder[0]) registry_user_read(registry_photolib_value, folder, sizeof folder);
        OPENFILENAMEA o;
        sketch_file_dialog_init(&o, dialog, file, sizeof file);
        o.nFilterIndex = filter;
        o.lpstrInitialDir = folder[0] ? folder : nullptr;
        if (!GetOpenFileNameA(&o)) return;
        filter = o.nFilterIndex;
        std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(o.nFileOffset), file);
    }
    HWND combo = GetDlgItem(dialog, r.files);
    LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file));
    if (at >= 0) SendMessageA(combo, CB_SETCURSEL, at, 0);
    int files = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    if (spin_position(dialog, r) < files) spin_set(dialog, r, files);
    CheckDlgButton(dialog, r.check, BST_CHECKED);
}

static void collect(HWND dialog) {
    std::vector<WizardRow> rows;
    for (const WizardRowIds& r : wizard_rows) {
        WizardRow row;
        row.kind = r.kind;
        row.checked = IsDlgButtonChecked(dialog, r.check) == BST_CHECKED;
        row.count = spin_position(dialog, r);
        HWND combo = GetDlgItem(dialog, r.files);
        int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char file[780] = "";
            if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof file))
                SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(file));
            if (file[0]) row.files.push_back(file);
        }
        rows.push_back(row);
    }
    wizard_result = wizard_requests(rows);
}

static INT_PTR CALLBACK initial_projections_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        hints_disable();
        char lib[264] = " ";
        registry_user_read(registry_photolib_value, lib + 1, sizeof lib - 1);
        SetDlgItemTextA(dialog, IDC_WIZARD_PHOTOLIB, lib);
        hint_add(dialog, GetDlgItem(dialog, IDC_WIZARD_PHOTOLIB), lib);
        for (const WizardRowIds& r : wizard_rows) SendDlgItemMessageA(dialog, r.spin, UDM_SETRANGE32, 0, 100);
        for (const WizardRowIds& r : wizard_rows) spin_set(dialog, r, 0);
        CheckDlgButton(dialog, wizard_rows[0].check, BST_CHECKED);
        spin_set(dialog, wizard_rows[0], 1);
        SendDlgItemMessageA(dialog, IDC_HELP_PICTURE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(help_icon));
        return TRUE;
    }
    case WM_VSCROLL: {
        // A spin moved: each row's check box follows whether its count is above 0.
        for (const WizardRowIds& r : wizard_rows)
            CheckDlgButton(dialog, r.check, spin_position(dialog, r) > 0 ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam), code = HIWORD(wparam);
        int row = row_of(id);
        if (row >= 0) {
            const WizardRowIds& r = wizard_rows[row];
            if (id == r.check && code == BN_CLICKED) {
                int files = static_cast<int>(SendDlgItemMessageA(dialog, r.files, CB_GETCOUNT, 0, 0));
                spin_set(dialog, r, IsDlgButtonChecked(dialog, r.check) == BST_CHECKED ? (files > 0 ? files : 1) : 0);
            } else if (id == r.count && code == EN_KILLFOCUS) {
                BOOL ok = FALSE;
                UINT n = GetDlgItemInt(dialog, r.count, &ok, FALSE);
                spin_set(dialog, r, ok ? static_cast<int>(n > 100 ? 100 : n) : 0);
                CheckDlgButton(dialog, r.check, spin_position(dialog, r) > 0 ? BST_CHECKED : BST_UNCHECKED);
            } else if (id == r.find && code == BN_CLICKED) {
                find_sketch(dialog, r);
            } else if (id == r.files && code == CBN_EDITCHANGE) {
                SetDlgItemTextA(dialog, IDOK, "Принять");
            }
            return TRUE;
        }
        switch (id) {
        case IDOK: {
            char text[32] = "";
            GetDlgItemTextA(dialog, IDOK, text, sizeof text);
            if (std::strcmp(text, "Принять") == 0) {
                // A typed file name is taken into its combo's list first.
                for (const WizardRowIds& r : wizard_rows) {
                    char file[780] = "";
                    GetDlgItemTextA(dialog, r.files, file, sizeof file);
                    if (file[0] && SendDlgItemMessageA(dialog, r.files, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                       reinterpret_cast<LPARAM>(file)) == CB_ERR) {
                        SendDlgItemMessageA(dialog, r.files, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file));
                        int files = static_cast<int>(SendDlgItemMessageA(dialog, r.files, CB_GETCOUNT, 0, 0));
                        if (spin_position(dialog, r) < files) spin_set(dialog, r, files);
                        CheckDlgButton(dialog, r.check, BST_CHECKED);
                    }
                }
                SetFocus(GetDlgItem(dialog, IDOK));
                SetDlgItemTextA(dialog, IDOK, "Выполнить");
                return TRUE;
            }
            collect(dialog);
            hints_enable();
            EndDialog(dialog, 0);
            return TRUE;
        }
        case IDCANCEL:
            wizard_result.clear();
            hints_enable();
            EndDialog(dialog, -1);
            return TRUE;
        case IDC_WIZARD_SHOW_LIBRARY:
            browse_sketch_library(dialog, IDC_WIZARD_PHOTOLIB);
            return TRUE;
        case IDC_HELP_PICTURE:
            set_help_topic(2);
            open_help_topic();
            return TRUE;
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}

int create_initial_projections() {
    wizard_result.clear();
    INT_PTR result = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_INITIAL_PROJECTIONS), frame_window,
                                     initial_projections_dialog_proc, 0);
    std::vector<WizardRequest> requests;
    requests.swap(wizard_result);
    if (result < 0 || requests.empty()) return -1;
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return -1;
    for (const WizardRequest& q : requests) {
        if (program_closing) break;
        std::vector<uint32_t> open;
        for (ProjectionWindow* w = projection_windows; w; w = w->next) open.push_back(w->number);
        uint32_t counter = get_u32(df->header, header_counters);
        uint32_t number = projection_number_next_of(open.data(), open.size(), &counter);
        put_u32(df->header, header_counters, counter);
        uint8_t rec[projection_record_max] = {};
        wizard_record(rec, q.kind, number, get_u16(df->header, header_options3));
        if (!q.file.empty() && sketch_reference_store(rec, q.file.c_str(), 0) == 0 &&
            get_u16(rec, projection_sketch_length) > 0) {
            put_u16(rec, projection_flags, static_cast<uint16_t>(get_u16(rec, projection_flags) & ~projection_flag_no_sketch));
            put_u16(rec, projection_second_flags,
                    static_cast<uint16_t>(get_u16(rec, projection_second_flags) | projection_flag2_lighten));
        }
        RecordRef head = get_u32(df->header, header_projections);
        RecordRef ref = record_add(df, &head, rec, &page_buffers[table_projections]);
        put_u32(df->header, header_projections, head);
        if (!ref) {
            error_flag = 1;
            break;
        }
        error_flag = 0;
        ProjectionWindow* w = projection_window_open(ref, 1);
        if (!w) {
            // The projection could not get a window: it is taken out again.
            RecordRef h = get_u32(df->header, header_projections);
            record_delete(df, &h, ref, &page_buffers[table_projections]);
            put_u32(df->header, header_projections, h);
            break;
        }
        RecordRef at = w->record_ref;
        unsigned char* stored = record_fetch(&at);
        if (stored) projection_compute_extents(stored, 0);
        for (int i = 0; i < 2; ++i)
            if (scale_panel) PostMessageA(scale_panel, WM_COMMAND, MAKEWPARAM(IDC_SCALE_FIT, 0x501), 0);
    }
    if (!program_closing) drawing_save();
    return static_cast<int>(result);
}
