// The drawing-option dialogs (the options of the current drawing and the
// user's defaults, and their continuation with the actions over everything
// already drawn), and the user values kept in the registry beside the
// recent files.
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "shell/settings_dialogs.h"

#include "base/byte_order.h"
#include "documents/tool_state.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/units_scale.h"
#include "shell/core/drawing_options.h"
#include "shell/core/text_height_all.h"
#include "shell/commands.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/panels.h"
#include "shell/hints.h"
#include "shell/projection_windows.h"
#include "shell/registry_settings.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

int free_point_dimensions_without_axes;
int (*sketch_library_answer)(char* path, size_t size);

// ---------------------------------------------------------------- registry
void settings_read_user_value(char* buffer, size_t size, const char* name) {
    if (!buffer || size == 0) return;
    buffer[0] = 0;
    registry_user_read(name, buffer, static_cast<DWORD>(size));
}

void settings_write_user_value(const char* text, const char* name) {
    HKEY key = registry_user_key_open(true);
    if (!key) return;
    registry_write_string(key, name, text ? text : "");
    RegCloseKey(key);
}

void settings_get_photolib(char* buffer, size_t size) { settings_read_user_value(buffer, size, registry_photolib_value); }
void settings_set_photolib(const char* text) { settings_write_user_value(text, registry_photolib_value); }
void settings_get_render_stl(char* buffer, size_t size) { settings_read_user_value(buffer, size, registry_render_stl_value); }
void settings_set_render_stl(const char* text) { settings_write_user_value(text, registry_render_stl_value); }

namespace {

void photolib_show(HWND dialog, int control) {
    char folder[MAX_PATH + 2] = " ";
    settings_get_photolib(folder + 1, sizeof folder - 1);
    SetDlgItemTextA(dialog, control, folder);
    HWND c = GetDlgItem(dialog, control);
    if (c && hint_set_text(c, folder) != 0) hint_add(dialog, c, folder);
}

}  // namespace

void browse_sketch_library(HWND dialog, int control) {
    char folder[MAX_PATH + 2] = "";
    int chosen = 0;
    if (sketch_library_answer) {
        chosen = sketch_library_answer(folder, MAX_PATH);
    } else {
        HRESULT com = CoInitialize(nullptr);
        BROWSEINFOA bi{};
        bi.hwndOwner = dialog;
        bi.lpszTitle = "Путь к корневой директории библиотеки";
        bi.ulFlags = BIF_RETURNONLYFSDIRS;
        LPITEMIDLIST id = SHBrowseForFolderA(&bi);
        if (id) {
            chosen = SHGetPathFromIDListA(id, folder) ? 1 : 0;
            CoTaskMemFree(id);
        }
        if (SUCCEEDED(com)) CoUninitialize();
    }
    folder[MAX_PATH] = 0;
    // One '\' at the end: a drive root already has it.
    if (!chosen || !library_folder_terminated(folder, sizeof folder)) return;
    settings_set_photolib(folder);
    photolib_show(dialog, control);
}

namespace {

DrawingFile* drawing() {
    DrawingFile* df = current_drawing_file();
    return df && df->header ? df : nullptr;
}

// The settings' default text height index, held to the table.
int height_index() { return text_height_index_checked(settings_u16(settings_text_size_index_offset)); }

int default_arrowhead() { return settings_u16(settings_arrowhead_kind_offset); }

void spacing_update() {
    element_default_offset = placement_spacing_for_height(settings_f64(settings_text_height_offset));
}

void status(HWND dialog, const char* text) { SetDlgItemTextA(dialog, IDC_OPTIONS_STATUS, text); }

// ComboBoxEx of the arrowhead kinds, set to `kind`.
void arrowheads_fill(HWND dialog, int id, int kind) {
    HWND box = GetDlgItem(dialog, id);
    if (!box) return;
    SendMessageA(box, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_settings_lines));
    int selected = 0;
    for (int i = 0; i < 4; ++i) {
        COMBOBOXEXITEMA item{};
        item.mask = CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM | CBEIF_TEXT;
        item.iItem = i;
        item.iImage = item.iSelectedImage = i;
        item.pszText = const_cast<char*>("");
        item.lParam = arrowhead_kinds[i];
        SendMessageA(box, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        if (arrowhead_kinds[i] == kind) selected = i;
    }
    SendMessageA(box, CB_SETCURSEL, selected, 0);
}

int arrowhead_chosen(HWND dialog, int id) {
    HWND box = GetDlgItem(dialog, id);
    LRESULT i = box ? SendMessageA(box, CB_GETCURSEL, 0, 0) : CB_ERR;
    if (i < 0 || i > 3) return -1;
    return arrowhead_kinds[i];
}

void rounding_show(HWND dialog, DrawingFile* df) {
    HWND digits = GetDlgItem(dialog, IDC_OPTIONS_ROUNDING_DIGITS);
    if (!digits) return;
    bool on = option_checked(df->header, option_rounding) == 1;
    EnableWindow(digits, on);
    char text[16] = "";
    if (on) std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(get_u16(df->header, header_word_164)));
    SetWindowTextA(digits, text);
}

void wait_show(HWND dialog, DrawingFile* df) {
    int seconds = waiting_time_seconds(df->header);
    SendDlgItemMessageA(dialog, IDC_OPTIONS_WAIT_SPIN, UDM_SETPOS32, 0, seconds);
    char text[16];
    std::snprintf(text, sizeof text, "%d", seconds);
    SetDlgItemTextA(dialog, IDC_OPTIONS_WAIT, text);
}

// The new curve precision: projections built automatically are marked for
// rebuilding.
void curves_changed(DrawingFile* df) {
    DocumentLockGuard lock;
    RecordRef head = get_u32(df->header, header_projections);
    PageBuffer* pb = &page_buffers[table_projections];
    for (unsigned char* p = record_next(df, &head, nullptr, pb); p; p = record_next(df, &head, p, pb))
        if (projection_mark_for_curve_change(p)) pb->clean = 0;
}

// Walks every record of one chain of every projection.  visit returns true
// when it changed the record.  Counts the records changed and the
// projections they lie in.
template <typename Visit>
void for_each_in_projections(DrawingFile* df, uint32_t chain, Visit visit, unsigned* records, unsigned* projections) {
    *records = 0, *projections = 0;
    RecordRef head = get_u32(df->header, header_projections);
    PageBuffer* pb = &page_buffers[table_projections];
    PageBuffer* cb = projection_chain_buffer(chain);
    for (unsigned char* p = record_next(df, &head, nullptr, pb); p; p = record_next(df, &head, p, pb)) {
        RecordRef ch = get_u32(p, chain);
        unsigned here = 0;
        for (unsigned char* r = record_next(df, &ch, nullptr, cb); r; r = record_next(df, &ch, r, cb)) {
            if (visit(p, r)) {
                cb->clean = 0;
                ++here;
            }
        }
        if (here) *records += here, ++*projections;
    }
}

void report(HWND dialog, const char* format, unsigned records, unsigned projections, const char* none) {
    char text[160];
    if (records) std::snprintf(text, sizeof text, format, records, projections);
    else std::snprintf(text, sizeof text, "%s", none);
    status(dialog, text);
    if (records && command_seams.projection_windows_refresh) command_seams.projection_windows_refresh(0);
}

void nearest_points_all(HWND dialog, bool on) {
    DrawingFile* df = drawing();
    if (!df) return;
    unsigned records, projections;
    {
        DocumentLockGuard lock;
        for_each_in_projections(
            df, projection_dimensions,
            [on](unsigned char*, unsigned char* d) { return dimension_nearest_points_set(d, on); }, &records,
            &projections);
    }
    report(dialog, "Изменено %u размеров на %u проекциях", records, projections, "На чертеже нет размеров");
}

void point_numbers_all(HWND dialog) {
    DrawingFile* df = drawing();
    if (!df) return;
    bool on = (get_u16(df->header, header_options) & header_opt_point_numbers) != 0;
    unsigned records, projections;
    {
        DocumentLockGuard lock;
        for_each_in_projections(
            df, projection_points,
            [on](unsigned char*, unsigned char* pt) {
                if (get_u32(pt, point_number) == 0) return false;
                uint16_t f = get_u16(pt, point_flags);
                put_u16(pt, point_flags, static_cast<uint16_t>(on ? (f | 0x1000) : (f & ~0x1000)));
                return true;
            },
            &records, &projections);
    }
    char text[160];
    std::snprintf(text, sizeof text, "Отмечено в %u точках на %u проекциях", records, projections);
    status(dialog, text);
    if (command_seams.projection_windows_refresh) command_seams.projection_windows_refresh(0);
}

// "Для всех" of the text height: every text of the drawing takes the
// default height and is laid out again.
void text_height_all(HWND dialog) {
    DrawingFile* df = drawing();
    if (!df) return;
    TextHeightAllResult r;
    {
        DocumentLockGuard lock;
        r = text_height_apply_to_all(df, height_index());
    }
    report(dialog, "Изменено %u элементов на %u проекциях", r.records, r.projections,
           "На чертеже нет надписей с другой высотой шрифта");
}

void arrowheads_replace(HWND dialog) {
    DrawingFile* df = drawing();
    int from = arrowhead_chosen(dialog, IDC_OPTIONS_REPLACE_FROM), to = arrowhead_chosen(dialog, IDC_OPTIONS_REPLACE_TO);
    if (!df || from < 0 || to < 0 || from == to) return;
    unsigned records, projections;
    {
        DocumentLockGuard lock;
        double limit = sheet_to_model_length(20.0);
        for_each_in_projections(
            df, projection_dimensions,
            [from, to, limit](unsigned char* p, unsigned char* d) {
                int kind = dimension_kind(d);
                double length = nominal_to_view_length(p, get_f64(d, dimension_nominal), kind);
                return dimension_arrowheads_replace(d, from, to, dimension_is_short(kind, length, limit));
            },
            &records, &projections);
    }
    report(dialog, "Изменено %u размеров на %u проекциях", records, projections,
           "На чертеже нет указанных наконечников");
}

// A typed value refused: the status line says why, the field shows the
// kept value again.
void refused(HWND dialog, const char* why) { status(dialog, why); }

void leave(HWND dialog, int result) {
    DrawingFile* df = drawing();
    if (df) option_defaults_store(df->header, default_arrowhead(), height_index());
    hints_remove_dialog(dialog);
    hints_enable();
    EndDialog(dialog, result);
}

void init(HWND dialog) {
    hints_disable();
    init_help_button(dialog);
    DrawingFile* df = drawing();
    arrowheads_fill(dialog, IDC_OPTIONS_ARROWHEADS, default_arrowhead());
    int kind = default_arrowhead();
    arrowheads_fill(dialog, IDC_OPTIONS_REPLACE_FROM, kind);
    arrowheads_fill(dialog, IDC_OPTIONS_REPLACE_TO, kind);
    if (HWND heights = GetDlgItem(dialog, IDC_OPTIONS_TEXT_HEIGHT)) {
        for (int i = 0; i < 10; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%4.1lf", settings_f64(settings_text_heights_offset + 8 * i));
            SendMessageA(heights, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        SendMessageA(heights, CB_SETCURSEL, height_index(), 0);
    }
    if (df) {
        SendDlgItemMessageA(dialog, IDC_OPTIONS_COLLATION_SPIN, UDM_SETRANGE32, 0, 2);
        SendDlgItemMessageA(dialog, IDC_OPTIONS_COLLATION_SPIN, UDM_SETPOS32, 0, collation_mode_get(df->header));
        for (size_t i = 0; i < option_bit_count; ++i)
            CheckDlgButton(dialog, option_bits[i].control,
                           option_checked(df->header, option_bits[i].control) == 1 ? BST_CHECKED : BST_UNCHECKED);
        // Each radio by itself: CheckRadioButton over the id range 1028..1860
        // would also uncheck the check boxes whose ids fall inside it.
        int rule = move_rule_get(df->header);
        for (int id : {IDC_OPTIONS_MOVE_KEEP, IDC_OPTIONS_MOVE_CHANGE, IDC_OPTIONS_MOVE_FREE})
            CheckDlgButton(dialog, id, id == rule ? BST_CHECKED : BST_UNCHECKED);
        if (GetDlgItem(dialog, IDC_OPTIONS_NO_FILLET_CROSSINGS) && current_stage >= 4)
            EnableWindow(GetDlgItem(dialog, IDC_OPTIONS_NO_FILLET_CROSSINGS), FALSE);
        rounding_show(dialog, df);
        SendDlgItemMessageA(dialog, IDC_OPTIONS_WAIT_SPIN, UDM_SETBUDDY,
                            reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_OPTIONS_WAIT)), 0);
        SendDlgItemMessageA(dialog, IDC_OPTIONS_WAIT_SPIN, UDM_SETRANGE32, 1, 256);
        wait_show(dialog, df);
    } else {
        // Without a drawing only the user's defaults can change.
        for (int id : {IDC_OPTIONS_COLLATION, IDC_OPTIONS_COLLATION_SPIN, IDC_OPTIONS_WAIT, IDC_OPTIONS_WAIT_SPIN,
                       IDC_OPTIONS_ROUNDING_DIGITS, IDC_OPTIONS_MOVE_KEEP, IDC_OPTIONS_MOVE_CHANGE,
                       IDC_OPTIONS_MOVE_FREE, IDC_OPTIONS_POINT_NUMBERS_ALL, IDC_OPTIONS_NEAREST_SET,
                       IDC_OPTIONS_NEAREST_CLEAR, IDC_OPTIONS_REPLACE_RUN, IDC_OPTIONS_HEIGHT_ALL})
            if (HWND c = GetDlgItem(dialog, id)) EnableWindow(c, FALSE);
        for (size_t i = 0; i < option_bit_count; ++i)
            if (HWND c = GetDlgItem(dialog, option_bits[i].control)) EnableWindow(c, FALSE);
    }
    CheckDlgButton(dialog, IDC_OPTIONS_FREE_AXES, free_point_dimensions_without_axes ? BST_CHECKED : BST_UNCHECKED);
    if (GetDlgItem(dialog, IDC_OPTIONS_PHOTOLIB)) photolib_show(dialog, IDC_OPTIONS_PHOTOLIB);
    spacing_update();
    hints_enable();
}

BOOL command(HWND dialog, int id, int code) {
    DrawingFile* df = drawing();
    if (df && option_bit_find(id) && code == BN_CLICKED) {
        option_set(df->header, id, IsDlgButtonChecked(dialog, id) == BST_CHECKED);
        if (id == option_rounding) rounding_show(dialog, df);
        if (id == option_fine_curves) curves_changed(df);
        return TRUE;
    }
    switch (id) {
    case IDC_OPTIONS_MOVE_KEEP:
    case IDC_OPTIONS_MOVE_CHANGE:
    case IDC_OPTIONS_MOVE_FREE:
        if (df && code == BN_CLICKED) move_rule_set(df->header, id);
        return TRUE;
    case IDC_OPTIONS_FREE_AXES:
        free_point_dimensions_without_axes = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
        return TRUE;
    case IDC_OPTIONS_ROUNDING_DIGITS:
        if (df && (code == EN_KILLFOCUS || code == EN_MAXTEXT) && IsWindowEnabled(GetDlgItem(dialog, id))) {
            char text[32] = "";
            GetDlgItemTextA(dialog, id, text, sizeof text);
            if (!rounding_digits_store(df->header, text)) refused(dialog, "Число разрядов: от 0 до 15");
            rounding_show(dialog, df);
        }
        return TRUE;
    case IDC_OPTIONS_WAIT:
        if (df && (code == EN_KILLFOCUS || code == EN_MAXTEXT)) {
            char text[32] = "";
            GetDlgItemTextA(dialog, id, text, sizeof text);
            if (!waiting_time_store(df->header, text)) refused(dialog, "Время ожидания: от 1 до 256 секунд");
            wait_show(dialog, df);
        }
        return TRUE;
    case IDC_OPTIONS_TEXT_HEIGHT:
        if (code == CBN_SELCHANGE) {
            int index = text_height_index_checked(
                static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0)));
            settings_set_u16(settings_text_size_index_offset, static_cast<uint16_t>(index));
            settings_set_f64(settings_text_height_offset, settings_f64(settings_text_heights_offset + 8 * index));
            spacing_update();
        }
        return TRUE;
    case IDC_OPTIONS_ARROWHEADS:
        if (code == CBN_SELCHANGE) {
            int kind = arrowhead_chosen(dialog, id);
            if (kind >= 0) settings_set_u16(settings_arrowhead_kind_offset, static_cast<uint16_t>(kind));
        }
        return TRUE;
    case IDC_OPTIONS_HEIGHT_ALL:
        if (code == BN_CLICKED) text_height_all(dialog);
        return TRUE;
    case IDC_OPTIONS_POINT_NUMBERS_ALL:
        point_numbers_all(dialog);
        return TRUE;
    case IDC_OPTIONS_NEAREST_SET:
    case IDC_OPTIONS_NEAREST_CLEAR:
        // In the continuation dialog only (1170/1171 are other controls in 418).
        if (GetDlgItem(dialog, IDC_OPTIONS_REPLACE_RUN)) nearest_points_all(dialog, id == IDC_OPTIONS_NEAREST_SET);
        return TRUE;
    case IDC_OPTIONS_REPLACE_RUN:
        arrowheads_replace(dialog);
        return TRUE;
    case IDC_OPTIONS_PHOTOLIB_BROWSE:
        browse_sketch_library(dialog, IDC_OPTIONS_PHOTOLIB);
        return TRUE;
    case IDC_HELP_PICTURE:
        open_help_topic();
        return TRUE;
    case IDC_OPTIONS_MORE:
        leave(dialog, 1);
        return TRUE;
    case IDC_OPTIONS_EXIT:
    case IDCANCEL:
        leave(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK drawing_options_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        init(dialog);
        return TRUE;
    case WM_VSCROLL: {
        HWND from = reinterpret_cast<HWND>(lparam);
        DrawingFile* df = drawing();
        if (!df || !from) return FALSE;
        int pos = static_cast<int>(SendMessageA(from, UDM_GETPOS32, 0, 0));
        if (from == GetDlgItem(dialog, IDC_OPTIONS_COLLATION_SPIN)) {
            collation_mode_set(df->header, pos);
        } else if (from == GetDlgItem(dialog, IDC_OPTIONS_WAIT_SPIN) && LOWORD(wparam) == SB_ENDSCROLL) {
            if (pos >= 1 && pos <= 256) df->header[header_checkpoint_limit] = static_cast<uint8_t>(pos - 1);
            wait_show(dialog, df);
        }
        return TRUE;
    }
    case WM_COMMAND:
        return command(dialog, LOWORD(wparam), HIWORD(wparam));
    default:
        return FALSE;
    }
}

int drawing_options_dialog_run() {
    return static_cast<int>(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DRAWING_OPTIONS),
                                            frame_window, drawing_options_dialog_proc, 0)) == 1;
}

void drawing_options_more_dialog_run() {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DRAWING_OPTIONS_MORE), frame_window,
                    drawing_options_dialog_proc, 0);
}
