// The image-stage dialogs: line length (953), colour (975), element layers
// (962), contour information (646), fold (896) and visibility level (703).
// Each reads and changes the projection of a projection window under the
// document lock, and only on its confirming button.
#include "shell/element_dialogs.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "geometry/dimension_text.h"
#include "geometry/extents.h"
#include "geometry/naming.h"
#include "geometry/units_scale.h"
#include "render/output/element_drawing.h"
#include "shell/commands.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/panels.h"
#include "shell/resource_ids.h"
#include "stages/dimensions/dimension_tools.h"
#include "stages/points_elements/element_layers.h"
#include "stages/points_elements/element_length.h"
#include "stages/points_elements/element_marking.h"
#include "stages/points_elements/element_records.h"
#include "stages/points_elements/marking_contours.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

std::function<void(HWND dialog, int id)> element_dialog_shown;

namespace {

// Posted by WM_INITDIALOG: the dialog is up, the test script may run.
const UINT msg_shown = WM_APP + 41;

}  // namespace

void element_dialog_announce(HWND dialog, int id) {
    hints_suppress(1);
    PostMessageA(dialog, msg_shown, static_cast<WPARAM>(id), 0);
}
bool element_dialog_shown_message(HWND dialog, UINT message, WPARAM wparam) {
    if (message != msg_shown) return false;
    if (element_dialog_shown) element_dialog_shown(dialog, static_cast<int>(wparam));
    return true;
}
void element_dialog_finish(HWND dialog, int result) {
    hints_suppress(0);
    EndDialog(dialog, result);
}
INT_PTR element_dialog_refuse(HWND dialog, int id, const char* text) {
    show_program_message(text);
    SetFocus(GetDlgItem(dialog, id));
    return TRUE;
}

namespace {



template <typename T>
T* state_of(HWND dialog) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

int run_dialog(int id, HWND owner, DLGPROC proc, void* state) {
    return static_cast<int>(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), owner, proc,
                                            reinterpret_cast<LPARAM>(state)));
}

HWND owner_of(ProjectionWindow* w) {
    HWND a = GetActiveWindow();
    if (a) return a;
    return w ? w->window : nullptr;
}

void checkpoint_now() { drawing_checkpoint(1, default_undo_description()); }

void set_projection_changed(unsigned char* p) {
    put_u16(p, projection_flags, static_cast<uint16_t>(get_u16(p, projection_flags) | 0x0200));
}

std::string text_of(HWND dialog, int id) {
    char buf[256] = {};
    GetDlgItemTextA(dialog, id, buf, sizeof buf);
    return buf;
}

// ---------------------------------------------------------------- line length

struct LengthState {
    ProjectionWindow* window;
    uint32_t element;
    double current;
    int modes;
    int result;
};

INT_PTR CALLBACK line_length_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (element_dialog_shown_message(dialog, message, wparam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        LengthState* s = reinterpret_cast<LengthState*>(lparam);
        char text[64];
        std::snprintf(text, sizeof text, " Длина линии %u", static_cast<unsigned>(s->element));
        SetWindowTextA(dialog, text);
        std::snprintf(text, sizeof text, "%lf", s->current);
        SetDlgItemTextA(dialog, IDC_LENGTH_CURRENT, text);
        bool start = (s->modes & length_from_start) != 0;
        bool end = (s->modes & length_from_end) != 0;
        EnableWindow(GetDlgItem(dialog, IDC_LENGTH_FROM_START), start);
        EnableWindow(GetDlgItem(dialog, IDC_LENGTH_FROM_END), end);
        CheckRadioButton(dialog, IDC_LENGTH_FROM_START, IDC_LENGTH_FROM_END,
                         start ? IDC_LENGTH_FROM_START : IDC_LENGTH_FROM_END);
        element_dialog_announce(dialog, IDD_LINE_LENGTH);
        return TRUE;
    }
    case WM_COMMAND: {
        LengthState* s = state_of<LengthState>(dialog);
        if (LOWORD(wparam) == IDOK) {
            double typed = 0;
            if (!typed_number(dialog, IDC_LENGTH_NEW, &typed))
                return element_dialog_refuse(dialog, IDC_LENGTH_NEW, "Длина задана неверно");
            double ratio = s->current > 0 ? std::fabs(typed) / s->current : 0;
            int mode = IsDlgButtonChecked(dialog, IDC_LENGTH_FROM_END) == BST_CHECKED ? length_from_end
                                                                                     : length_from_start;
            int rc = 0;
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                LengthHooks hooks;
                hooks.checkpoint = [](unsigned char* proj, uint32_t) {
                    checkpoint_now();
                    return proj;
                };
                hooks.remeasure = [](unsigned char* proj, uint32_t point) {
                    if (DrawingFile* d = current_drawing_file()) remeasure_dimensions_of_point(d, proj, point, false);
                };
                rc = element_scale_length(df, &p, s->element, ratio, mode, hooks);
                if (rc > 0) set_projection_changed(p);
                error_flag = 0;
            });
            if (rc > 0) s->result = IDOK;
            element_dialog_finish(dialog, s->result);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            element_dialog_finish(dialog, s->result);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

// ---------------------------------------------------------------- colour

struct ColourState {
    uint32_t start;
    uint32_t choice;
    bool filling;
};

uint32_t palette_colour(int i) { return settings_u32(settings_colours_offset + 4 * static_cast<size_t>(i)); }

int swatch_index(int id) {
    if (id >= IDC_COLOUR_SWATCH_0 && id <= IDC_COLOUR_SWATCH_7) return id - IDC_COLOUR_SWATCH_0;
    if (id >= IDC_COLOUR_SWATCH_8 && id <= IDC_COLOUR_SWATCH_15) return 8 + id - IDC_COLOUR_SWATCH_8;
    return -1;
}

void colour_fields_show(HWND dialog, ColourState* s) {
    s->filling = true;
    SetDlgItemInt(dialog, IDC_COLOUR_RED, GetRValue(s->choice), FALSE);
    SetDlgItemInt(dialog, IDC_COLOUR_GREEN, GetGValue(s->choice), FALSE);
    SetDlgItemInt(dialog, IDC_COLOUR_BLUE, GetBValue(s->choice), FALSE);
    s->filling = false;
    InvalidateRect(GetDlgItem(dialog, IDC_COLOUR_CHOICE), nullptr, TRUE);
}

void fill_rect(const DRAWITEMSTRUCT* d, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(d->hDC, &d->rcItem, b);
    DeleteObject(b);
    FrameRect(d->hDC, &d->rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

INT_PTR CALLBACK colour_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (element_dialog_shown_message(dialog, message, wparam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        ColourState* s = reinterpret_cast<ColourState*>(lparam);
        const int spins[3] = {IDC_COLOUR_RED_SPIN, IDC_COLOUR_GREEN_SPIN, IDC_COLOUR_BLUE_SPIN};
        const int edits[3] = {IDC_COLOUR_RED, IDC_COLOUR_GREEN, IDC_COLOUR_BLUE};
        for (int i = 0; i < 3; ++i) {
            HWND spin = GetDlgItem(dialog, spins[i]);
            SendMessageA(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(dialog, edits[i])), 0);
            SendMessageA(spin, UDM_SETRANGE32, 0, 255);
        }
        colour_fields_show(dialog, s);
        element_dialog_announce(dialog, IDD_COLOUR);
        return TRUE;
    }
    case WM_DRAWITEM: {
        ColourState* s = state_of<ColourState>(dialog);
        const DRAWITEMSTRUCT* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (!s) return FALSE;
        int id = static_cast<int>(wparam);
        if (id == IDC_COLOUR_START) fill_rect(d, s->start);
        else if (id == IDC_COLOUR_CHOICE) fill_rect(d, s->choice);
        else if (swatch_index(id) >= 0) fill_rect(d, palette_colour(swatch_index(id)));
        else return FALSE;
        return TRUE;
    }
    case WM_COMMAND: {
        ColourState* s = state_of<ColourState>(dialog);
        int id = LOWORD(wparam);
        if (swatch_index(id) >= 0) {
            s->choice = palette_colour(swatch_index(id)) & 0xFFFFFF;
            colour_fields_show(dialog, s);
            return TRUE;
        }
        if ((id == IDC_COLOUR_RED || id == IDC_COLOUR_GREEN || id == IDC_COLOUR_BLUE) &&
            HIWORD(wparam) == EN_KILLFOCUS) {
            colour_fields_show(dialog, s);
            return TRUE;
        }
        if ((id == IDC_COLOUR_RED || id == IDC_COLOUR_GREEN || id == IDC_COLOUR_BLUE) && HIWORD(wparam) == EN_CHANGE) {
            if (s->filling) return TRUE;
            int r = colour_component_typed(text_of(dialog, IDC_COLOUR_RED).c_str());
            int g = colour_component_typed(text_of(dialog, IDC_COLOUR_GREEN).c_str());
            int b = colour_component_typed(text_of(dialog, IDC_COLOUR_BLUE).c_str());
            s->choice = RGB(r, g, b);
            InvalidateRect(GetDlgItem(dialog, IDC_COLOUR_CHOICE), nullptr, TRUE);
            return TRUE;
        }
        if (id == IDOK) {
            element_dialog_finish(dialog, IDOK);
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

// ---------------------------------------------------------------- layers

struct LayersState {
    ProjectionWindow* window;
    uint16_t mask;
    int chosen;  // layer chosen for the marked elements, -1 none
    bool colour_open;
    bool any_marked;
};

const int layer_visible_ids[8] = {IDC_LAYERS_VISIBLE_1, IDC_LAYERS_VISIBLE_2, IDC_LAYERS_VISIBLE_3,
                                  IDC_LAYERS_VISIBLE_4, IDC_LAYERS_VISIBLE_5, IDC_LAYERS_VISIBLE_6,
                                  IDC_LAYERS_VISIBLE_7, IDC_LAYERS_VISIBLE_8};
const int layer_choose_ids[8] = {IDC_LAYERS_CHOOSE_1, IDC_LAYERS_CHOOSE_2, IDC_LAYERS_CHOOSE_3,
                                 IDC_LAYERS_CHOOSE_4, IDC_LAYERS_CHOOSE_5, IDC_LAYERS_CHOOSE_6,
                                 IDC_LAYERS_CHOOSE_7, IDC_LAYERS_CHOOSE_8};
const int layer_show_ids[8] = {IDC_LAYERS_SHOW_1, IDC_LAYERS_SHOW_2, IDC_LAYERS_SHOW_3, IDC_LAYERS_SHOW_4,
                               IDC_LAYERS_SHOW_5, IDC_LAYERS_SHOW_6, IDC_LAYERS_SHOW_7, IDC_LAYERS_SHOW_8};
const int layer_colour_ids[8] = {IDC_LAYERS_COLOUR_1, IDC_LAYERS_COLOUR_2, IDC_LAYERS_COLOUR_3,
                                 IDC_LAYERS_COLOUR_4, IDC_LAYERS_COLOUR_5, IDC_LAYERS_COLOUR_6,
                                 IDC_LAYERS_COLOUR_7, IDC_LAYERS_COLOUR_8};

int index_in(const int (&ids)[8], int id) {
    for (int i = 0; i < 8; ++i)
        if (ids[i] == id) return i;
    return -1;
}

void repaint(ProjectionWindow* w) {
    if (w && w->window) InvalidateRect(w->window, nullptr, TRUE);
}

INT_PTR CALLBACK layers_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (element_dialog_shown_message(dialog, message, wparam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        LayersState* s = reinterpret_cast<LayersState*>(lparam);
        bool used[8] = {};
        with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
            char caption[300] = {};
            view_caption(p, caption, sizeof caption);
            SetDlgItemTextA(dialog, IDC_LAYERS_CAPTION, caption);
            for (int i = 0; i < 8; ++i) used[i] = layer_has_elements(df, p, i);
            s->any_marked = !marked_element_lines(df, p).empty();
        }, false);
        for (int i = 0; i < 8; ++i) {
            CheckDlgButton(dialog, layer_visible_ids[i], (s->mask & (1u << i)) || i < 2 ? BST_CHECKED : BST_UNCHECKED);
            EnableWindow(GetDlgItem(dialog, layer_choose_ids[i]), s->any_marked);
            EnableWindow(GetDlgItem(dialog, layer_show_ids[i]), used[i]);
        }
        if (s->any_marked)
            SetDlgItemTextA(dialog, IDC_LAYERS_TEXT, "Помеченные элементы отнести к выбранному слою");
        element_dialog_announce(dialog, IDD_LAYERS);
        return TRUE;
    }
    case WM_DRAWITEM: {
        LayersState* s = state_of<LayersState>(dialog);
        int i = index_in(layer_colour_ids, static_cast<int>(wparam));
        if (!s || i < 0) return FALSE;
        fill_rect(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam), s->window ? s->window->layer_colours[i] : 0);
        return TRUE;
    }
    case WM_COMMAND: {
        LayersState* s = state_of<LayersState>(dialog);
        if (!s || s->colour_open) return TRUE;
        int id = LOWORD(wparam);
        int i;
        if ((i = index_in(layer_visible_ids, id)) >= 0) {
            bool on = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
            s->mask = static_cast<uint16_t>(on ? s->mask | (1u << i) : s->mask & ~(1u << i));
            if (s->window) s->window->visible_layers = s->mask;
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                layer_mark_elements(df, p, i, on);
            });
            return TRUE;
        }
        if ((i = index_in(layer_choose_ids, id)) >= 0) {
            s->chosen = i;
            for (int k = 0; k < 8; ++k)
                SendDlgItemMessageA(dialog, layer_choose_ids[k], BM_SETSTATE, k == i, 0);
            return TRUE;
        }
        if ((i = index_in(layer_show_ids, id)) >= 0) {
            uint8_t shown = 0;
            for (int k = 0; k < 8; ++k)
                if (IsDlgButtonChecked(dialog, layer_show_ids[k]) == BST_CHECKED) shown |= static_cast<uint8_t>(1u << k);
            layer_mark_request = shown;
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) { elements_unmark_all(df, p); });
            return TRUE;
        }
        if ((i = index_in(layer_colour_ids, id)) >= 0) {
            s->colour_open = true;
            long c = colour_dialog(dialog, s->window ? s->window->layer_colours[i] : 0);
            s->colour_open = false;
            if (c >= 0) {
                if (s->window) s->window->layer_colours[i] = static_cast<uint32_t>(c);
                with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                    layer_colour_store(df, p, i, static_cast<uint32_t>(c));
                });
                InvalidateRect(GetDlgItem(dialog, id), nullptr, TRUE);
            }
            return TRUE;
        }
        if (id == IDOK) {
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                if (s->chosen >= 0 && layer_assign_marked(df, p, s->chosen) > 0) set_projection_changed(p);
                layer_mask_store(df, p, s->mask);
                elements_unmark_all(df, p);
                set_projection_changed(p);
            });
            if (s->window) s->window->visible_layers = s->mask;
            layer_mark_request = 0;
            element_dialog_finish(dialog, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            uint16_t stored = s->mask;
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                stored = layer_mask_read(df, p, layer_mask_all);
                layer_unmark_hidden(df, p, stored);
            });
            if (s->window) s->window->visible_layers = stored;
            layer_mark_request = 0;
            element_dialog_finish(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

// ---------------------------------------------------------------- contour information

struct ContourState {
    ProjectionWindow* window;
    uint32_t contour;
    int kind;
    std::string name;
};

INT_PTR CALLBACK contour_info_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (element_dialog_shown_message(dialog, message, wparam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        ContourState* s = reinterpret_cast<ContourState*>(lparam);
        std::string description = "Контур отсутствует";
        int line_type = 0;
        bool used_by_break = false;
        with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
            uint32_t c = 0;
            if (!marked_contour_member(df, p, &c)) return;
            std::vector<uint32_t> members;
            int kind = 0, level = 0;
            if (!contour_member_list(df, p, c, &members, &kind, &level)) return;
            s->contour = c;
            s->kind = kind;
            contour_properties_read(df, p, c, &line_type, &s->name, nullptr);
            RecordRef* head = projection_chain(p, projection_contours);
            PageBuffer* b = &page_buffers[table_contours];
            double length = 0;
            for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b))
                if (get_u32(r, contour_number) == c && !(get_u16(r, contour_flags) & contour_flag_continuation)) {
                    length = get_f64(r, contour_perimeter);
                    used_by_break = (get_u16(r, contour_flags) & contour_flag_break) != 0;
                    break;
                }
            description = "Выбран";
            contour_describe(description, kind, level, c, length);
        }, false);
        SetDlgItemTextA(dialog, IDC_CONTOUR_DESCRIPTION, description.c_str());
        if (used_by_break) SetDlgItemTextA(dialog, IDC_CONTOUR_BREAK, "Используется для создания разрыва");
        HWND types = GetDlgItem(dialog, IDC_CONTOUR_LINE_TYPE);
        for (int i = 0; i < line_type_count; ++i)
            SendMessageA(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line_type_name(line_type_codes[i])));
        int pos = line_type_position(line_type);
        SendMessageA(types, CB_SETCURSEL, static_cast<WPARAM>(pos < 0 ? 0 : pos), 0);
        bool screen = s->contour && s->kind == 0;
        EnableWindow(types, screen);
        EnableWindow(GetDlgItem(dialog, IDC_CONTOUR_LINES_TEXT), screen);
        SetDlgItemTextA(dialog, IDC_CONTOUR_NAME_LABEL, s->kind == 4 ? "Имя маршрута:" : "Имя контура:");
        SendDlgItemMessageA(dialog, IDC_CONTOUR_NAME, EM_LIMITTEXT, contour_name_size, 0);
        SetDlgItemTextA(dialog, IDC_CONTOUR_NAME, s->name.c_str());
        EnableWindow(GetDlgItem(dialog, IDOK), s->contour != 0);
        element_dialog_announce(dialog, IDD_CONTOUR_INFO);
        return TRUE;
    }
    case WM_COMMAND: {
        ContourState* s = state_of<ContourState>(dialog);
        int id = LOWORD(wparam);
        if (id == IDC_CONTOUR_NAME && HIWORD(wparam) == EN_KILLFOCUS) {
            std::string typed = text_of(dialog, IDC_CONTOUR_NAME);
            bool taken = false;
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                taken = contour_name_taken(df, p, s->contour, typed);
            }, false);
            if (taken) SetDlgItemTextA(dialog, IDC_CONTOUR_NAME, s->name.c_str());
            return TRUE;
        }
        if (id == IDOK && s->contour) {
            std::string typed = text_of(dialog, IDC_CONTOUR_NAME);
            LRESULT sel = SendDlgItemMessageA(dialog, IDC_CONTOUR_LINE_TYPE, CB_GETCURSEL, 0, 0);
            int code = sel >= 0 && sel < line_type_count ? line_type_codes[sel] : 0;
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                if (contour_name_taken(df, p, s->contour, typed)) typed = s->name;
                int old = 0;
                contour_properties_read(df, p, s->contour, &old, nullptr, nullptr);
                contour_properties_store(df, p, s->contour, s->kind == 0 ? code : old, typed);
            });
            element_dialog_finish(dialog, IDOK);
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

// ---------------------------------------------------------------- fold

struct FoldState {
    ProjectionWindow* window;
    uint32_t fold;
    FoldFields fields;
    double line_length;
};

void width_show(HWND dialog, int id, double v) {
    char text[64];
    format_dimension_value(text, sizeof text, v, 0, 0);
    SetDlgItemTextA(dialog, id, text);
}

// Reads both widths; false (with the message) when one is no number.
bool fold_widths_read(HWND dialog, FoldState* s) {
    const int ids[2] = {IDC_FOLD_WIDTH_START, IDC_FOLD_WIDTH_END};
    double v[2];
    for (int i = 0; i < 2; ++i) {
        if (!typed_number(dialog, ids[i], &v[i])) {
            element_dialog_refuse(dialog, ids[i], "Ширина задана неверно");
            return false;
        }
    }
    s->fields.start = static_cast<float>(std::fabs(v[0]));
    s->fields.end = static_cast<float>(std::fabs(v[1]));
    return true;
}

// The checks on "Да" and on closing; false keeps the dialog open.
bool fold_widths_fine(FoldState* s) {
    if (s->fields.flags & fold_flag_fixed) return true;
    int why = fold_check_widths(s->fields.start, s->fields.end, s->line_length);
    if (why == 1) show_program_message("Складок с нулевой шириной не бывает!");
    if (why == 2) show_program_message("Разница ширин складки в начале и в конце %о превышает её длину!");
    return why == 0;
}

void fold_delete(FoldState* s) {
    with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
        contour_delete(df, p, s->fold);
        set_projection_changed(p);
    });
}

INT_PTR CALLBACK fold_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (element_dialog_shown_message(dialog, message, wparam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        FoldState* s = reinterpret_cast<FoldState*>(lparam);
        SendDlgItemMessageA(dialog, IDC_FOLD_NAME, EM_LIMITTEXT, contour_name_size, 0);
        SetDlgItemTextA(dialog, IDC_FOLD_NAME, s->fields.name.c_str());
        int unit = 0;
        if (DrawingFile* df = current_drawing_file()) unit = get_u16(df->header, header_length_unit);
        if (unit < 0 || unit >= LENGTH_UNIT_COUNT) unit = 0;
        SetDlgItemTextA(dialog, IDC_FOLD_UNIT, length_unit_names[unit]);
        width_show(dialog, IDC_FOLD_WIDTH_START, s->fields.start);
        width_show(dialog, IDC_FOLD_WIDTH_END, s->fields.end);
        CheckRadioButton(dialog, IDC_FOLD_START_RIGHT, IDC_FOLD_START_LEFT,
                         (s->fields.flags & fold_flag_start_left) ? IDC_FOLD_START_LEFT : IDC_FOLD_START_RIGHT);
        CheckRadioButton(dialog, IDC_FOLD_END_RIGHT, IDC_FOLD_END_LEFT,
                         (s->fields.flags & fold_flag_end_left) ? IDC_FOLD_END_LEFT : IDC_FOLD_END_RIGHT);
        element_dialog_announce(dialog, IDD_FOLD);
        return TRUE;
    }
    case WM_COMMAND: {
        FoldState* s = state_of<FoldState>(dialog);
        int id = LOWORD(wparam);
        if ((id == IDC_FOLD_WIDTH_START || id == IDC_FOLD_WIDTH_END) && HIWORD(wparam) == CBN_KILLFOCUS) {
            double v = 0;
            if (typed_number(dialog, id, &v)) width_show(dialog, id, std::fabs(v));
            return TRUE;
        }
        if (id == IDC_FOLD_DELETE) {
            fold_delete(s);
            element_dialog_finish(dialog, IDC_FOLD_DELETE);
            return TRUE;
        }
        if (id == IDCANCEL) {
            // Closing keeps the fold as stored, provided its widths pass.
            FoldState kept = *s;
            if (!fold_widths_fine(&kept)) return TRUE;
            element_dialog_finish(dialog, IDCANCEL);
            return TRUE;
        }
        if (id == IDOK) {
            if (!fold_widths_read(dialog, s) || !fold_widths_fine(s)) return TRUE;
            uint16_t f = static_cast<uint16_t>(s->fields.flags & ~(fold_flag_start_left | fold_flag_end_left));
            if (IsDlgButtonChecked(dialog, IDC_FOLD_START_LEFT) == BST_CHECKED) f |= fold_flag_start_left;
            if (IsDlgButtonChecked(dialog, IDC_FOLD_END_LEFT) == BST_CHECKED) f |= fold_flag_end_left;
            s->fields.flags = static_cast<uint16_t>(f | fold_flag_opened);
            std::string typed = text_of(dialog, IDC_FOLD_NAME);
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                if (!contour_name_taken(df, p, s->fold, typed)) s->fields.name = typed;
                fold_store(df, p, s->fold, s->fields);
                set_projection_changed(p);
            });
            element_dialog_finish(dialog, id);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

// ---------------------------------------------------------------- visibility level

struct LevelState {
    ProjectionWindow* window;
    int highest;
    int chosen;
};

bool level_read(HWND dialog, LevelState* s) {
    std::string t = text_of(dialog, IDC_LEVEL_NEW);
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    while (end && *end == ' ') ++end;
    if (t.empty() || !end || end == t.c_str() || *end || v < 0 || v > 65000) return false;
    s->chosen = visibility_level_typed(static_cast<int>(v), s->highest);
    return true;
}

INT_PTR CALLBACK level_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (element_dialog_shown_message(dialog, message, wparam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        LevelState* s = reinterpret_cast<LevelState*>(lparam);
        std::string shown;
        with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
            std::set<int> levels;
            RecordRef* head = projection_chain(p, projection_elements);
            PageBuffer* b = &page_buffers[table_elements];
            for (unsigned char* e = record_next(df, head, nullptr, b); e; e = record_next(df, head, e, b))
                if ((get_u16(e, element_flags) & element_flag_marked) && element_kind(e) != element_kind_symbol)
                    levels.insert(get_u16(e, element_level));
            int highest = get_u16(p, projection_highest_level);
            for (int l : levels) {
                if (!shown.empty()) shown += ", ";
                shown += std::to_string(l);
                if (l > highest) highest = l;
            }
            s->highest = highest;
        }, false);
        SetDlgItemTextA(dialog, IDC_LEVEL_SHOWN, shown.c_str());
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        element_dialog_announce(dialog, IDD_VISIBILITY_LEVEL);
        return TRUE;
    }
    case WM_COMMAND: {
        LevelState* s = state_of<LevelState>(dialog);
        int id = LOWORD(wparam);
        if (id == IDC_LEVEL_NEW && (HIWORD(wparam) == EN_KILLFOCUS || HIWORD(wparam) == EN_CHANGE)) {
            bool good = level_read(dialog, s);
            if (good && HIWORD(wparam) == EN_KILLFOCUS) SetDlgItemInt(dialog, IDC_LEVEL_NEW, static_cast<UINT>(s->chosen), FALSE);
            EnableWindow(GetDlgItem(dialog, IDOK), good);
            return TRUE;
        }
        if (id == IDC_LEVEL_HELP) {
            set_help_topic(30);
            open_help_topic();
            return TRUE;
        }
        if (id == IDOK) {
            if (!level_read(dialog, s)) return element_dialog_refuse(dialog, IDC_LEVEL_NEW, "Уровень задан неверно");
            int given = 0;
            with_image_projection(s->window, [&](DrawingFile* df, unsigned char* p) {
                given = assign_visibility_level(df, p, s->chosen);
                if (given > 0) set_projection_changed(p);
            });
            if (given > 0) prompt_show("Сменили уровни видимости");
            element_dialog_finish(dialog, IDOK);
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

bool typed_number(HWND dialog, int id, double* out) {
    std::string t = text_of(dialog, id);
    size_t brace = t.find('{');
    if (brace != std::string::npos) t.resize(brace);
    for (char& c : t)
        if (c == ',') c = '.';
    const char* s = t.c_str();
    while (*s == ' ') ++s;
    char* end = nullptr;
    double v = std::strtod(s, &end);
    while (end && *end == ' ') ++end;
    if (!*s || !end || end == s || *end || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

bool with_image_projection(ProjectionWindow* w, const std::function<void(DrawingFile*, unsigned char*)>& op,
                           bool repaint_after) {
    DrawingFile* df = current_drawing_file();
    if (!df || !w) return false;
    document_lock_acquire();
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef at = w->record_ref;
    unsigned char* p = record_read_at(df, &at, pb);
    bool ok = p != nullptr;
    if (p) {
        unsigned char copy[projection_record_max] = {};
        uint32_t len = get_u16(p, record_length);
        std::memcpy(copy, p, len < sizeof copy ? len : sizeof copy);
        op(df, copy);
        df = current_drawing_file();  // a checkpoint reopens the file
        at = w->record_ref;
        p = df ? record_read_at(df, &at, pb) : nullptr;
        if (p) {
            std::memcpy(p + projection_links, copy + projection_links, projection_points + 4 - projection_links);
            // The frame, area origin and size and constructed origin: a
            // point or element placed outside the frame widens them.
            std::memcpy(p + projection_area_origin_offset, copy + projection_area_origin_offset,
                        projection_frame_offset + 16 - projection_area_origin_offset);
            std::memcpy(p + projection_constructed_origin_offset, copy + projection_constructed_origin_offset,
                        projection_area_size_offset + 8 - projection_constructed_origin_offset);
            put_u16(p, projection_flags, get_u16(copy, projection_flags));
            put_u16(p, projection_highest_level, get_u16(copy, projection_highest_level));
            // The instance counter (bars and fragments number their records by it).
            put_u16(p, 104, get_u16(copy, 104));
            pb->clean = 0;
        }
    }
    error_flag = 0;
    document_lock_release();
    if (repaint_after) repaint(w);
    return ok;
}

int line_length_dialog(ProjectionWindow* w, uint32_t element) {
    LengthState s{w, element, 0, 0, IDCANCEL};
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        s.modes = element_length_modes(df, p, element);
    }, false);
    if (!s.modes) {
        show_program_message("Для указанной линии нельзя изменить её длину таким способом");
        return IDCANCEL;
    }
    // The total length takes the lock itself.
    DrawingFile* df = current_drawing_file();
    RecordRef at = w->record_ref;
    unsigned char* p = df ? record_read_at(df, &at, &page_buffers[table_projections]) : nullptr;
    if (p) {
        unsigned char copy[projection_record_max] = {};
        std::memcpy(copy, p, std::min<size_t>(get_u16(p, record_length), sizeof copy));
        s.current = elements_total_length(copy, element);
    }
    if (!(s.current > 0)) {
        show_program_message("Для указанной линии нельзя изменить её длину таким способом");
        return IDCANCEL;
    }
    run_dialog(IDD_LINE_LENGTH, owner_of(w), line_length_proc, &s);
    if (s.result == IDOK) update_menu_state(0);
    return s.result;
}

long colour_dialog(HWND owner, uint32_t start) {
    ColourState s{start & 0xFFFFFF, start & 0xFFFFFF, false};
    int rc = run_dialog(IDD_COLOUR, owner, colour_proc, &s);
    return rc == IDOK ? static_cast<long>(s.choice) : -1;
}

int layers_dialog(ProjectionWindow* w) {
    LayersState s{w, layer_mask_all, -1, false, false};
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        s.mask = layer_mask_read(df, p, w->visible_layers ? w->visible_layers : static_cast<uint16_t>(layer_mask_all));
        for (int i = 0; i < 8; ++i) w->layer_colours[i] = layer_colour_read(df, p, i);
    }, false);
    return run_dialog(IDD_LAYERS, owner_of(w), layers_proc, &s);
}

int contour_info_dialog(ProjectionWindow* w) {
    ContourState s{w, 0, 0, std::string()};
    return run_dialog(IDD_CONTOUR_INFO, owner_of(w), contour_info_proc, &s);
}

int fold_dialog(ProjectionWindow* w, uint32_t fold) {
    FoldState s{w, fold, FoldFields(), -1};
    int why = fold_ok;
    with_image_projection(w, [&](DrawingFile* df, unsigned char* p) {
        why = fold_check_opening(df, p, fold, nullptr);
        if (why == fold_ok) {
            fold_read(df, p, fold, &s.fields);
            s.line_length = fold_line_length(df, p, fold);
        }
    }, false);
    if (why != fold_ok) {
        show_program_message(fold_opening_message(why));
        fold_delete(&s);
        return IDC_FOLD_DELETE;
    }
    return run_dialog(IDD_FOLD, owner_of(w), fold_proc, &s);
}

int visibility_level_dialog(ProjectionWindow* w) {
    LevelState s{w, 0, 0};
    return run_dialog(IDD_VISIBILITY_LEVEL, owner_of(w), level_proc, &s);
}
