// The bar dialog of the image stage ("Параметры бруска", 643): bars from
// the marked elements (joining the marked bars under one number), deleting
// the marked bars, or only showing the width of a marked bar outline.  The
// drawing changes only on "Да" and "Удалить".
#include "shell/bar_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "geometry/dimension_text.h"
#include "geometry/units_scale.h"
#include "model/model_storage.h"
#include "render/contours/contour_clip.h"
#include "render/output/element_drawing.h"
#include "shell/annotation_properties_win.h"
#include "shell/element_dialogs.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/element_records.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"

namespace {

// The dialog's choices last for the program's run: both corner boxes on
// and both lengthening boxes off at first, outline line type 1.
struct BarChoices {
    uint16_t flags = bar_flag_corners_start | bar_flag_corners_end | 1;
    double width = 0;
    uint16_t variable = 0;
};
BarChoices choices;

struct BarDialogState {
    ProjectionWindow* window;
    int template_id;
    BarDialogView view;
    std::vector<ModelVariableInfo> variables;
    int result;
};

const int check_ids[4] = {IDC_BAR_CORNERS_START, IDC_BAR_CORNERS_END, IDC_BAR_LENGTHEN_START, IDC_BAR_LENGTHEN_END};
const uint16_t check_bits[4] = {bar_flag_corners_start, bar_flag_corners_end, bar_flag_lengthen_start,
                                bar_flag_lengthen_end};

const ModelVariableInfo* variable_of(const BarDialogState* s, uint16_t id) {
    for (const ModelVariableInfo& v : s->variables)
        if (v.id == id) return &v;
    return nullptr;
}

// The width in the dimension-value format, then the bound variable.
void show_width(HWND dialog, const BarDialogState* s) {
    char text[160] = {};
    if (choices.width > 0) format_dimension_value(text, sizeof text, choices.width, 0, 0);
    std::string t = text;
    if (const ModelVariableInfo* v = variable_of(s, choices.variable)) t += " {" + v->name + "}";
    SetDlgItemTextA(dialog, IDC_BAR_WIDTH, t.c_str());
}

// Reads the width field (or the variable chosen in its list); false with
// the message when it holds no usable number.
bool read_width(HWND dialog, BarDialogState* s, bool from_list) {
    HWND combo = GetDlgItem(dialog, IDC_BAR_WIDTH);
    if (from_list) {
        LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        if (sel >= 0 && static_cast<size_t>(sel) < s->variables.size()) {
            const ModelVariableInfo& v = s->variables[static_cast<size_t>(sel)];
            choices.width = v.value < 0 ? -v.value : v.value;
            choices.variable = static_cast<uint16_t>(v.id);
            show_width(dialog, s);
            return true;
        }
    }
    char text[256] = {};
    GetWindowTextA(combo, text, sizeof text);
    double width = 0;
    bool keeps = false;
    int rc = bar_width_parse(text, &width, &keeps);
    if (rc < 0) {
        element_dialog_refuse(dialog, IDC_BAR_WIDTH, "Ширина бруска задана неверно");
        return false;
    }
    if (!keeps) choices.variable = 0;
    if (rc > 0) choices.width = width;
    return true;
}

void set_mode(HWND dialog, const BarDialogState* s) {
    bool create = s->view.create;
    if (s->view.information) {
        SetWindowTextA(dialog, "Только информация о ширине");
        SetDlgItemTextA(dialog, IDOK, "");
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        SetDlgItemTextA(dialog, IDCANCEL, "OK");
    } else {
        SetWindowTextA(dialog, "Можно объединить бруски");
    }
    EnableWindow(GetDlgItem(dialog, IDC_BAR_WIDTH), create);
    EnableWindow(GetDlgItem(dialog, IDC_BAR_LINE_TYPE), create);
    for (int id : check_ids) EnableWindow(GetDlgItem(dialog, id), create);
}

void create_bars(BarDialogState* s) {
    BarSettings settings;
    settings.flags = choices.flags;
    settings.width = choices.width;
    settings.width_variable = choices.variable;
    int made = 0;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
        BarHooks hooks;
        hooks.checkpoint = [](unsigned char* proj) {
            drawing_checkpoint(1, default_undo_description());
            return proj;
        };
        made = bars_create_from_marked(df, &p, settings, hooks);
        if (made >= 0 && get_u32(p, projection_contours)) rebuild_view_screening(p);
    });
    SetCursor(old);
    if (made > 0) prompt_show("Создан брусок");
}

INT_PTR CALLBACK bar_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (element_dialog_shown_message(dialog, message, wparam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        dock_dialog_right(dialog, 0);
        BarDialogState* s = reinterpret_cast<BarDialogState*>(lparam);
        if (s->view.width_known) {
            choices.width = s->view.width;
            choices.variable = s->view.width_variable;
        }
        HWND types = GetDlgItem(dialog, IDC_BAR_LINE_TYPE);
        for (int i = 0; i < line_type_count; ++i)
            SendMessageA(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line_type_name(line_type_codes[i])));
        int at = line_type_position(choices.flags & bar_flag_line_type);
        if (at < 0) {
            choices.flags = static_cast<uint16_t>((choices.flags & ~bar_flag_line_type) | 1);
            at = line_type_position(1);
        }
        SendMessageA(types, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        HWND width = GetDlgItem(dialog, IDC_BAR_WIDTH);
        for (const ModelVariableInfo& v : s->variables)
            SendMessageA(width, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(v.name.c_str()));
        show_width(dialog, s);
        for (int i = 0; i < 4; ++i)
            CheckDlgButton(dialog, check_ids[i], (choices.flags & check_bits[i]) ? BST_CHECKED : BST_UNCHECKED);
        int unit = 0;
        if (DrawingFile* df = current_drawing_file()) unit = get_u16(df->header, header_length_unit);
        if (unit < 0 || unit >= LENGTH_UNIT_COUNT) unit = 0;
        SetDlgItemTextA(dialog, IDC_BAR_UNIT, length_unit_names[unit]);
        set_mode(dialog, s);
        element_dialog_announce(dialog, s->template_id);
        return TRUE;
    }
    case WM_COMMAND: {
        BarDialogState* s = reinterpret_cast<BarDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
        int id = LOWORD(wparam), note = HIWORD(wparam);
        if (!s) return FALSE;
        if (id == IDC_BAR_WIDTH && note == CBN_SELENDOK) {
            read_width(dialog, s, true);
            return TRUE;
        }
        if (id == IDC_BAR_LINE_TYPE && note == CBN_SELCHANGE) {
            LRESULT sel = SendMessageA(GetDlgItem(dialog, IDC_BAR_LINE_TYPE), CB_GETCURSEL, 0, 0);
            if (sel >= 0 && sel < line_type_count)
                choices.flags = static_cast<uint16_t>((choices.flags & ~bar_flag_line_type) | line_type_codes[sel]);
            return TRUE;
        }
        for (int i = 0; i < 4; ++i)
            if (id == check_ids[i]) {
                bool on = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
                choices.flags = static_cast<uint16_t>(on ? choices.flags | check_bits[i] : choices.flags & ~check_bits[i]);
                return TRUE;
            }
        if (id == IDOK) {
            if (s->view.information) return TRUE;
            if (s->view.create) {
                if (!read_width(dialog, s, false)) return TRUE;
                if (choices.width <= 0)
                    return element_dialog_refuse(dialog, IDC_BAR_WIDTH, "Ширина бруска задана неверно");
            }
            create_bars(s);
            s->result = IDOK;
            element_dialog_finish(dialog, IDOK);
            return TRUE;
        }
        if (id == IDC_BAR_DELETE) {
            int deleted = 0;
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                BarHooks hooks;
                hooks.checkpoint = [](unsigned char* proj) {
                    drawing_checkpoint(1, default_undo_description());
                    return proj;
                };
                deleted = bars_delete_marked(df, &p, hooks);
                if (deleted > 0) rebuild_bars(df, p);
            });
            if (deleted > 0) prompt_show("Удалён брусок");
            s->result = deleted > 0 ? IDC_BAR_DELETE : IDCANCEL;
            element_dialog_finish(dialog, s->result);
            return TRUE;
        }
        if (id == IDCANCEL) {
            element_dialog_finish(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

}  // namespace

int bar_dialog(ProjectionWindow* w, int template_id) {
    BarDialogState s{w, template_id, {}, {}, IDCANCEL};
    bool any = false;
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        s.view = bar_dialog_examine(df, p);
        for (const ModelVariableInfo& v : model_variables_read(df))
            if (v.type == 1 || v.type == 2) s.variables.push_back(v);
        any = s.view.create || s.view.information || s.view.width_known;
    }, false);
    if (!any) {
        prompt_show("Нет помеченных элементов");
        return IDCANCEL;
    }
    HWND owner = GetActiveWindow();
    if (!owner && w) owner = w->window;
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(template_id), owner, bar_dialog_proc,
                    reinterpret_cast<LPARAM>(&s));
    return s.result;
}
