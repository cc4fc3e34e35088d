// The units, scale and grid dialog: the drawing's length unit, the drawing
// scale a:b (kept as the title block's scale field of the current sheet),
// the steps of the coordinate grid and the snapping of the points to it.
#include <cmath>
#include <cstdio>
#include <string>

#include "shell/settings_dialogs.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "geometry/kernel_seams.h"
#include "geometry/units_scale.h"
#include "output/title_block_fields.h"
#include "shell/commands.h"
#include "shell/core/units_grid.h"
#include "shell/frame_window.h"
#include "shell/hints.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/records.h"

void (*snap_all_points_to_grid)() = [] {};

namespace {

// The unit names in the order of the header's unit index.
const char* const unit_names[LENGTH_UNIT_COUNT] = {"миллиметр", "сантиметр", "метр", "километр",
                                                    "дюйм",      "фут",       "ярд"};

const char grid_step_refused[] =
    "Шаг сетки не принят: допустимы 0 (без сетки) и шаги от 0.01 мм до 100 м";

HBITMAP snap_picture;
int scale_a = 1, scale_b = 1;

DrawingFile* drawing() {
    DrawingFile* df = current_drawing_file();
    return df && df->header ? df : nullptr;
}

void show_part(HWND dialog, int id, int value) {
    char text[32];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
    SetDlgItemTextA(dialog, id, text);
}

void show_step(HWND dialog, int id, double step) {
    char text[64];
    format_grid_step(text, sizeof text, step);
    SetDlgItemTextA(dialog, id, text);
}

void snap_button_update(HWND dialog, DrawingFile* df) {
    bool grid = get_f32(df->header, header_grid_x) != 0.0f || get_f32(df->header, header_grid_y) != 0.0f;
    EnableWindow(GetDlgItem(dialog, IDC_UNITS_SNAP), grid);
}

// A scale field read: the part shown again as it is kept.
void read_scale_part(HWND dialog, int id) {
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    int part = scale_part_from_text(text);
    (id == IDC_UNITS_SCALE_A ? scale_a : scale_b) = part;
    show_part(dialog, id, part);
}

// A grid-step field read; false (message shown, the kept step shown again)
// when the step is refused.
bool read_grid_step(HWND dialog, int id) {
    DrawingFile* df = drawing();
    if (!df) return false;
    size_t offset = id == IDC_UNITS_GRID_X ? header_grid_x : header_grid_y;
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    double step = 0.0;
    int unit = get_u16(df->header, header_length_unit);
    bool ok = grid_step_from_text(text, unit, &step);
    if (ok) {
        // Only a real change touches the header.
        if (get_f32(df->header, offset) != static_cast<float>(step)) put_f32(df->header, offset, static_cast<float>(step));
    } else {
        show_program_message(grid_step_refused);
    }
    show_step(dialog, id, get_f32(df->header, offset));
    snap_button_update(dialog, df);
    return ok;
}

// A new length unit: every open projection is marked for rebuilding.
void unit_change(HWND dialog) {
    DrawingFile* df = drawing();
    if (!df) return;
    LRESULT unit = SendDlgItemMessageA(dialog, IDC_UNITS_UNIT, CB_GETCURSEL, 0, 0);
    if (unit >= 0 && unit < LENGTH_UNIT_COUNT && unit != get_u16(df->header, header_length_unit)) {
        DocumentLockGuard lock;
        put_u16(df->header, header_length_unit, static_cast<uint16_t>(unit));
        PageBuffer* pb = &page_buffers[table_projections];
        for (ProjectionWindow* w = projection_windows; w; w = w->next) {
            RecordRef at = w->record_ref;
            if (!at) continue;
            unsigned char* p = record_read_at(df, &at, pb);
            if (!p) continue;
            put_u16(p, 98, static_cast<uint16_t>(get_u16(p, 98) | 0x0200 /* to be constructed */));
            pb->clean = 0;
        }
    }
    update_menu_state(IDM_STAGE_CONSTRUCTION);
}

// "Да": the scale a / b set and kept in the title block.
bool commit(HWND dialog) {
    DrawingFile* df = drawing();
    if (!df) return true;
    read_scale_part(dialog, IDC_UNITS_SCALE_A);
    read_scale_part(dialog, IDC_UNITS_SCALE_B);
    if (!read_grid_step(dialog, IDC_UNITS_GRID_X) || !read_grid_step(dialog, IDC_UNITS_GRID_Y)) return false;
    double factor = static_cast<double>(scale_a) / scale_b;
    if (!std::isfinite(factor) || !(factor > 0.0)) return false;
    drawing_scale_set(factor);
    char text[32];
    std::snprintf(text, sizeof text, "%i:%i", scale_a, scale_b);
    title_block_field_store(df, title_field_scale, text, get_u16(df->header, header_current_sheet), title_mode_this_sheet);
    return true;
}

void end(HWND dialog, int result) {
    hints_remove_dialog(dialog);
    hints_enable();
    if (snap_picture) DeleteObject(snap_picture);
    snap_picture = nullptr;
    EndDialog(dialog, result);
}

}  // namespace

INT_PTR CALLBACK units_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        hints_disable();
        DrawingFile* df = drawing();
        if (!df) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        for (const char* name : unit_names)
            SendDlgItemMessageA(dialog, IDC_UNITS_UNIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        SendDlgItemMessageA(dialog, IDC_UNITS_UNIT, CB_SETCURSEL, get_u16(df->header, header_length_unit), 0);
        snap_picture = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_UNITS_SNAP), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
        SendDlgItemMessageA(dialog, IDC_UNITS_SNAP, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(snap_picture));
        hint_add(dialog, GetDlgItem(dialog, IDC_UNITS_SNAP), " \"Притянуть\" координаты\n точек к узлам сетки");
        show_step(dialog, IDC_UNITS_GRID_X, get_f32(df->header, header_grid_x));
        show_step(dialog, IDC_UNITS_GRID_Y, get_f32(df->header, header_grid_y));
        snap_button_update(dialog, df);
        std::string field;
        title_block_field_text(df, title_field_scale, get_u16(df->header, header_current_sheet), true, &field);
        scale_from_field(field.c_str(), &scale_a, &scale_b);
        show_part(dialog, IDC_UNITS_SCALE_A, scale_a);
        show_part(dialog, IDC_UNITS_SCALE_B, scale_b);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam), code = HIWORD(wparam);
        switch (id) {
        case IDC_UNITS_UNIT:
            if (code == CBN_SELCHANGE) unit_change(dialog);
            return TRUE;
        case IDC_UNITS_SCALE_A:
        case IDC_UNITS_SCALE_B:
            if (code == EN_KILLFOCUS || code == EN_MAXTEXT) read_scale_part(dialog, id);
            return TRUE;
        case IDC_UNITS_GRID_X:
        case IDC_UNITS_GRID_Y:
            if (code == EN_KILLFOCUS || code == EN_MAXTEXT) read_grid_step(dialog, id);
            return TRUE;
        case IDC_UNITS_SNAP: {
            HWND button = GetDlgItem(dialog, IDC_UNITS_SNAP);
            EnableWindow(button, FALSE);
            cursor_set_clock(frame_window);
            snap_all_points_to_grid();
            cursor_set_normal(frame_window);
            EnableWindow(button, TRUE);
            return TRUE;
        }
        case IDOK:
            if (commit(dialog)) end(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            end(dialog, 0);
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

void units_dialog_run() {
    if (!drawing()) return;
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UNITS), frame_window, units_dialog_proc, 0) ==
        IDOK)
        command_seams.snap_all_points_to_grid();
}

void units_dialog_after_new_drawing() {
    // The first projection window shows a sketch (flags bit 4 clear).
    ProjectionWindow* first = projection_windows;
    if (first && !(first->view_flags & view_flag_no_sketch)) units_dialog_run();
}
