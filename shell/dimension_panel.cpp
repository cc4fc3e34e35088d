// The dimension stage: its panel (dialog 122, compact 332), the pop-up list
// of dimensions (dialog 631) and the clicks on reference points in the
// projection windows that enter a dimension. The panel holds the one
// dimension input of the program; the model work is done by the portable
// dimension input under the document lock on a copy of the projection
// record, whose chain heads and flags are written back.
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "geometry/dimension_text.h"
#include "geometry/transforms.h"
#include "model/nominal_variables.h"
#include "shell/commands.h"
#include "shell/dimension_panels.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "stages/dimensions/dimension_generator.h"
#include "stages/dimensions/dimension_input.h"
#include "store/drawing_file.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

DimensionInput input;
HWND dimension_panel;
int browse_index = -1;
uint32_t selection_point;
int selection_index = -1;
// Generation mode: the next click on a point runs the dimension generator
// (in two-point mode the first click keeps its point here).
bool generating;
uint32_t generator_first_point;
const int pick_pixels = 6;
// Posted to the panel after a variable was chosen in the nominal combo: the
// combo's own text update is over by then, so the field can show the value.
const UINT panel_show_nominal = WM_APP + 21;

const char* const kind_names[7] = {"Линейный", "Радиус", "Диаметр", "Угол", "Длина дуги", "Скругление", "Уровень"};
const int prefix_codes[6] = {0, 35, 82, 77, 127, 170};

DimensionInputHooks hooks() {
    DimensionInputHooks h;
    h.message = [](const char* text) { show_program_message(text); };
    h.prompt = [](const char* text) { prompt_show(text); };
    return h;
}

int prefix_of_kind(int kind) {
    switch (kind) {
    case 1: case 5: return 82;
    case 2: return 35;
    case 4: return 170;
    default: return 0;
    }
}

void select_prefix(HWND panel, int code) {
    for (int i = 0; i < 6; ++i)
        if (prefix_codes[i] == code) SendDlgItemMessageA(panel, IDC_DIMENSION_PREFIX, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
}

void check_roles(HWND panel) {
    CheckDlgButton(panel, IDC_DIMENSION_FIRST_END, input.role == LINK_FIRST ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(panel, IDC_DIMENSION_SECOND_END, input.role == LINK_SECOND ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(panel, IDC_DIMENSION_CENTRE, input.role == LINK_CENTRE ? BST_CHECKED : BST_UNCHECKED);
}

void check_mode(HWND panel) {
    static const int ids[5] = {IDC_DIMENSION_DIRECTION_0, IDC_DIMENSION_DIRECTION_1, IDC_DIMENSION_DIRECTION_2,
                               IDC_DIMENSION_DIRECTION_3, IDC_DIMENSION_DIRECTION_4};
    for (int i = 0; i < 5; ++i) CheckDlgButton(panel, ids[i], input.params.mode == i ? BST_CHECKED : BST_UNCHECKED);
}

// Kind, mode and prefix are chosen before the first point only.
void enable_open_controls(HWND panel) {
    BOOL idle = input.number == 0;
    static const int ids[] = {IDC_DIMENSION_KIND, IDC_DIMENSION_PREFIX, IDC_DIMENSION_DIRECTION_0, IDC_DIMENSION_DIRECTION_1,
                              IDC_DIMENSION_DIRECTION_2, IDC_DIMENSION_DIRECTION_3, IDC_DIMENSION_DIRECTION_4};
    for (int id : ids) EnableWindow(GetDlgItem(panel, id), idle);
}

}  // namespace

bool with_active_projection(const std::function<void(DrawingFile*, unsigned char*)>& op, ProjectionWindow* w) {
    DrawingFile* df = current_drawing_file();
    if (!df || !w) return false;
    document_lock_acquire();
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef at = w->record_ref;
    unsigned char* p = record_read_at(df, &at, pb);
    bool done = false;
    if (p) {
        std::vector<unsigned char> copy(projection_record_max, 0);
        uint32_t len = get_u16(p, record_length);
        std::memcpy(copy.data(), p, len < copy.size() ? len : copy.size());
        op(df, copy.data());
        at = w->record_ref;
        p = record_read_at(current_drawing_file(), &at, pb);
        if (p) {
            std::memcpy(p + projection_links, copy.data() + projection_links, projection_points + 4 - projection_links);
            put_u16(p, projection_flags, get_u16(copy.data(), projection_flags));
            pb->clean = 0;
            done = true;
        }
    }
    error_flag = 0;
    document_lock_release();
    if (w->window) InvalidateRect(w->window, nullptr, TRUE);
    return done;
}

void fill_dimension_combo(HWND combo, ProjectionWindow* w) {
    if (!combo) return;
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    if (!w) return;
    std::vector<std::pair<std::string, uint32_t>> lines;
    with_active_projection(
        [&](DrawingFile* df, unsigned char* p) {
            // The variables first: their chain is read through another buffer.
            std::vector<ModelVariableInfo> variables = model_variables_read(df);
            RecordRef* head = projection_chain(p, projection_dimensions);
            PageBuffer* b = &page_buffers[table_dimensions];
            for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b)) {
                if (get_u16(r, record_length) < dimension_comment) continue;
                if (get_u16(r, dimension_state) & 0x0004) continue;   // hidden
                std::string name = nominal_variable_name(variables, get_u16(r, dimension_variable));
                lines.emplace_back(dimension_list_line(r, name.c_str()), get_u32(r, dimension_number));
            }
        },
        w);
    for (const auto& l : lines) {
        LRESULT i = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(l.first.c_str()));
        if (i >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(l.second));
    }
}

namespace {

void refill_list(HWND panel) {
    fill_dimension_combo(GetDlgItem(panel, IDC_DIMENSION_LIST), projection_window_active());
}

void show_nominal(HWND panel) {
    SetDlgItemTextA(panel, IDC_DIMENSION_NOMINAL, input.nominal_text.c_str());
}

std::vector<ModelVariableInfo> saved_variables() {
    std::vector<ModelVariableInfo> out;
    DrawingFile* df = current_drawing_file();
    if (!df) return out;
    document_lock_acquire();
    out = model_variables_read(df);
    error_flag = 0;
    document_lock_release();
    return out;
}

// Refills the nominal combo: the field's text first, then the names of the
// drawing's saved model variables (item data: the variable's id).
void refill_nominal_combo(HWND panel) {
    HWND combo = GetDlgItem(panel, IDC_DIMENSION_NOMINAL);
    if (!combo) return;
    char text[264] = {};
    GetWindowTextA(combo, text, sizeof text);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    LRESULT first = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (first >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(first), 0);
    for (const ModelVariableInfo& v : saved_variables()) {
        if (!v.id) continue;
        LRESULT i = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(v.name.c_str()));
        if (i >= 0) SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(i), static_cast<LPARAM>(v.id));
    }
    SetWindowTextA(combo, text);
}

// The comment part of the field ("**" and what follows), kept when a
// variable replaces the value.
std::string comment_part(const std::string& text) {
    size_t c = text.find("**");
    return c == std::string::npos ? std::string() : " " + text.substr(c);
}

// A variable chosen in the nominal combo: a number variable becomes the
// nominal (its value with its name in braces); another type is refused
// with its message and the field keeps what it had.
void choose_nominal_variable(HWND panel, uint32_t id) {
    NominalVariable v = nominal_variable_choose(saved_variables(), id);
    if (v.message) show_program_message(v.message);
    if (v.id) {
        input.variable = v.id;
        input.variable_value = v.value;
        input.variable_value_set = true;
        input.nominal_typed = true;
        input.nominal_text = nominal_variable_text(v.value, input.params.kind, v.name) + comment_part(input.nominal_text);
    }
    PostMessageA(panel, panel_show_nominal, 0, 0);
}

// Before a commit: the field's text; a variable whose braced name was
// erased, or that is no longer saved or no longer a number, is forgotten;
// a kept one gives its current value.
void take_nominal_field(HWND panel) {
    char text[264] = {};
    GetDlgItemTextA(panel, IDC_DIMENSION_NOMINAL, text, sizeof text);
    input.nominal_text = text;
    input.variable_value_set = false;
    if (!input.variable) return;
    if (!nominal_text_names_variable(input.nominal_text)) {
        input.variable = 0;
        return;
    }
    NominalVariable v = nominal_variable_choose(saved_variables(), input.variable);
    input.variable = v.id;
    if (v.id) {
        input.variable_value = v.value;
        input.variable_value_set = true;
    }
}

// The opened dimension's nominal shows its bound variable's name in braces.
void add_variable_name_to_nominal() {
    if (!input.variable) return;
    std::string name = nominal_variable_name(saved_variables(), input.variable);
    if (name.empty()) return;
    std::string comment = comment_part(input.nominal_text);
    std::string head = comment.empty() ? input.nominal_text : input.nominal_text.substr(0, input.nominal_text.find("**"));
    while (!head.empty() && head.back() == ' ') head.pop_back();
    input.nominal_text = head + " {" + name + "}" + comment;
}

// Back to a new dimension: roles cleared, the list refilled, the focus to
// the active projection window.
void panel_to_new(HWND panel) {
    input.role = 0;
    check_roles(panel);
    show_nominal(panel);
    enable_open_controls(panel);
    refill_list(panel);
    ProjectionWindow* w = projection_window_active();
    if (w && w->window) SetFocus(w->window);
}

int commit(HWND panel) {
    if (!panel) return 1;
    take_nominal_field(panel);
    ProjectionWindow* w = projection_window_find_by_id(input.projection);
    if (!w) w = projection_window_active();
    int result = 0;
    if (!input.number) {
        hooks().message("Размер не готов\nГде размер?");
        return 0;
    }
    drawing_checkpoint(1, default_undo_description());
    with_active_projection(
        [&](DrawingFile* df, unsigned char* p) { result = dimension_input_commit(input, df, p, hooks()); }, w);
    if (result) {
        enable_stage_commands();
        panel_to_new(panel);
    }
    return result;
}

void open_dimension(HWND panel, uint32_t number, const char* prompt) {
    ProjectionWindow* w = projection_window_active();
    if (!w) return;
    if (input.number && input.number != number) commit(panel);
    bool opened = false;
    with_active_projection([&](DrawingFile* df, unsigned char* p) { opened = dimension_input_open(input, df, p, number); }, w);
    if (!opened) return;
    input.projection = w->number;
    SendDlgItemMessageA(panel, IDC_DIMENSION_KIND, CB_SETCURSEL, static_cast<WPARAM>(input.params.kind <= 6 ? input.params.kind : 0), 0);
    check_mode(panel);
    select_prefix(panel, input.prefix);
    add_variable_name_to_nominal();
    CheckDlgButton(panel, IDC_DIMENSION_SHOW_ONLY, input.params.show_only ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(panel, IDC_DIMENSION_HIDDEN, input.params.not_shown ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(panel, IDC_DIMENSION_SHAFT, IDC_DIMENSION_HOLE, input.params.shaft ? IDC_DIMENSION_SHAFT : IDC_DIMENSION_HOLE);
    show_nominal(panel);
    enable_open_controls(panel);
    prompt_show(prompt);
}

uint32_t list_item_number(HWND combo, LRESULT i) {
    return i < 0 ? 0 : static_cast<uint32_t>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
}

void hide_or_show_all(HWND panel) {
    ProjectionWindow* w = projection_window_active();
    if (!w) return;
    drawing_checkpoint(1, default_undo_description());
    bool hide = false;
    with_active_projection(
        [&](DrawingFile* df, unsigned char* p) {
            RecordRef* head = projection_chain(p, projection_dimensions);
            PageBuffer* b = &page_buffers[table_dimensions];
            // Hide when any shown dimension is left, else show all.
            for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b))
                if (get_u16(r, record_length) >= dimension_comment && !(get_u16(r, dimension_value_word) & 0x0008)) hide = true;
            std::vector<uint32_t> changed;
            for (unsigned char* r = record_next(df, head, nullptr, b); r; r = record_next(df, head, r, b)) {
                if (get_u16(r, record_length) < dimension_comment) continue;
                uint16_t st = static_cast<uint16_t>(get_u16(r, dimension_state) & ~0x0020);
                put_u16(r, dimension_state, st);
                uint16_t vw = get_u16(r, dimension_value_word);
                // Inequalities are never shown; dimensions for show only keep their mark.
                bool inequality = ((vw >> 8) & 7) != 0;
                if (!(st & 0x0040) && !inequality) vw = static_cast<uint16_t>(hide ? vw | 0x0008 : vw & ~0x0008);
                put_u16(r, dimension_value_word, vw);
                b->clean = 0;
                changed.push_back(get_u32(r, dimension_number));
            }
            RecordRef* notes = projection_chain(p, projection_annotations);
            PageBuffer* nb = &page_buffers[table_annotation];
            for (uint32_t n : changed) {
                std::vector<uint8_t> d = dimension_record_copy(df, p, n);
                if (d.empty()) continue;
                bool hidden = (get_u16(d.data(), dimension_value_word) & 0x0008) != 0;
                for (unsigned char* r = record_next(df, notes, nullptr, nb); r; r = record_next(df, notes, r, nb))
                    if (get_u16(r, record_length) > record_kind && r[record_kind] == 0 && get_u32(r, 2) == n) {
                        uint16_t f = get_u16(r, annotation_flags);
                        put_u16(r, annotation_flags, static_cast<uint16_t>(hidden ? f | 0x1000 : f & ~0x1000));
                        nb->clean = 0;
                    }
            }
            projection_mark_for_construction(p);
        },
        w);
    SetDlgItemTextA(panel, IDC_DIMENSION_HIDE_ALL, hide ? "Показать все" : "Скрыть все");
    prompt_show(hide ? "Все размеры проекции стали невидимыми" : "Все размеры проекции стали видимыми");
}

INT_PTR CALLBACK dimension_list_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(dialog, IDC_DIMENSION_LIST);
        HWND combo = dimension_panel ? GetDlgItem(dimension_panel, IDC_DIMENSION_LIST) : nullptr;
        int n = combo ? static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0)) : 0;
        for (int i = 0; i < n; ++i) {
            char text[600] = {};
            if (SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < static_cast<LRESULT>(sizeof text))
                SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        if (combo) {
            RECT r;
            GetWindowRect(combo, &r);
            SetWindowPos(dialog, nullptr, r.left, r.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }
        return TRUE;
    }
    case WM_SIZE: {
        RECT c;
        GetClientRect(dialog, &c);
        MoveWindow(GetDlgItem(dialog, IDC_DIMENSION_LIST), 0, 0, c.right, c.bottom > 26 ? c.bottom - 26 : 0, TRUE);
        MoveWindow(GetDlgItem(dialog, IDOK), c.right / 2 - 90, c.bottom - 24, 60, 22, TRUE);
        MoveWindow(GetDlgItem(dialog, IDCANCEL), c.right / 2 - 20, c.bottom - 24, 100, 22, TRUE);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        bool take = id == IDOK || (id == IDC_DIMENSION_LIST && HIWORD(wparam) == LBN_DBLCLK &&
                                   !(GetKeyState(VK_LBUTTON) & 0x8000) && !(GetKeyState(VK_SHIFT) & 0x8000) &&
                                   !(GetKeyState(VK_CONTROL) & 0x8000));
        if (take) {
            LRESULT i = SendDlgItemMessageA(dialog, IDC_DIMENSION_LIST, LB_GETCURSEL, 0, 0);
            EndDialog(dialog, i >= 0 ? i + 1 : 0);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

// Back to normal input after the generator (or its dialog refused).
void leave_generation(HWND panel) {
    generating = false;
    generator_first_point = 0;
    if (panel) CheckDlgButton(panel, IDC_DIMENSION_AUTOMATIC, BST_UNCHECKED);
}

// Check box "Авто": an open dimension is committed first, then the
// generator's dialog; "Да" puts the panel into generation mode.
void start_or_leave_generation(HWND panel) {
    if (IsDlgButtonChecked(panel, IDC_DIMENSION_AUTOMATIC) != BST_CHECKED) {
        leave_generation(panel);
        return;
    }
    if (input.number && !commit(panel)) {
        leave_generation(panel);
        return;
    }
    if (generator_dialog_run(panel) != IDOK) {
        leave_generation(panel);
        return;
    }
    generating = true;
    generator_first_point = 0;
    static const char* const starts[3] = {"*точку - центр симметрии", "*точку на оси симметрии", "*базовую точку"};
    prompt_show(generator_settings.two_points ? "*первую точку"
                                              : starts[generator_symmetry_mode(generator_settings.symmetry_item)]);
}

INT_PTR CALLBACK dimension_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        dimension_panel = dialog;
        input = DimensionInput();
        generating = false;
        generator_first_point = 0;
        browse_index = -1;
        HWND kinds = GetDlgItem(dialog, IDC_DIMENSION_KIND);
        for (const char* k : kind_names) SendMessageA(kinds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(k));
        SendMessageA(kinds, CB_SETCURSEL, 0, 0);
        HWND prefixes = GetDlgItem(dialog, IDC_DIMENSION_PREFIX);
        for (int code : prefix_codes) {
            char t[2] = {static_cast<char>(code), 0};
            SendMessageA(prefixes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(code ? t : " "));
        }
        SendMessageA(prefixes, CB_SETCURSEL, 0, 0);
        check_mode(dialog);
        CheckRadioButton(dialog, IDC_DIMENSION_SHAFT, IDC_DIMENSION_HOLE, IDC_DIMENSION_SHAFT);
        refill_list(dialog);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        int code = HIWORD(wparam);
        switch (id) {
        case IDC_DIMENSION_KIND:
            if (code == CBN_SELCHANGE) {
                LRESULT k = SendDlgItemMessageA(dialog, IDC_DIMENSION_KIND, CB_GETCURSEL, 0, 0);
                if (k >= 0 && k <= 6) {
                    input.params.kind = static_cast<int>(k);
                    input.prefix = prefix_of_kind(input.params.kind);
                    select_prefix(dialog, input.prefix);
                    EnableWindow(GetDlgItem(dialog, IDC_DIMENSION_DIRECTION_4), k != 6);
                    prompt_show("Введите новый размер");
                }
            }
            return TRUE;
        case IDC_DIMENSION_PREFIX:
            if (code == CBN_SELCHANGE) {
                LRESULT i = SendDlgItemMessageA(dialog, IDC_DIMENSION_PREFIX, CB_GETCURSEL, 0, 0);
                if (i >= 0 && i < 6) input.prefix = prefix_codes[i];
            }
            return TRUE;
        case IDC_DIMENSION_FIRST_END:
        case IDC_DIMENSION_SECOND_END:
        case IDC_DIMENSION_CENTRE: {
            int role = id == IDC_DIMENSION_FIRST_END ? LINK_FIRST : id == IDC_DIMENSION_SECOND_END ? LINK_SECOND : LINK_CENTRE;
            input.role = IsDlgButtonChecked(dialog, id) == BST_CHECKED ? role : 0;
            check_roles(dialog);
            if (input.role) prompt_show(role == LINK_CENTRE ? "+центр" : "+выносную линию");
            return TRUE;
        }
        case IDC_DIMENSION_DIRECTION_0:
        case IDC_DIMENSION_DIRECTION_1:
        case IDC_DIMENSION_DIRECTION_2:
        case IDC_DIMENSION_DIRECTION_3:
        case IDC_DIMENSION_DIRECTION_4: {
            int mode = id == IDC_DIMENSION_DIRECTION_0 ? 0 : id == IDC_DIMENSION_DIRECTION_1 ? 1
                     : id == IDC_DIMENSION_DIRECTION_2 ? 2 : id == IDC_DIMENSION_DIRECTION_3 ? 3 : 4;
            if (!input.number) dimension_input_set_mode(input, mode, hooks());
            check_mode(dialog);
            return TRUE;
        }
        case IDC_DIMENSION_NOMINAL:
            if (code == CBN_EDITCHANGE) input.nominal_typed = true;
            if (code == CBN_SETFOCUS) prompt_show("+номинальное значение размера");
            if (code == CBN_DROPDOWN) refill_nominal_combo(dialog);
            if (code == CBN_SELCHANGE) {
                HWND combo = GetDlgItem(dialog, IDC_DIMENSION_NOMINAL);
                LRESULT i = SendMessageA(combo, CB_GETCURSEL, 0, 0);
                uint32_t id = i < 0 ? 0 : static_cast<uint32_t>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
                if (id) {
                    // The field's text before the choice is item 0.
                    if (SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0) {
                        char first[264] = {};
                        if (SendMessageA(combo, CB_GETLBTEXTLEN, 0, 0) < static_cast<LRESULT>(sizeof first))
                            SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
                        input.nominal_text = first;
                    }
                    choose_nominal_variable(dialog, id);
                }
            }
            return TRUE;
        case IDC_DIMENSION_COMMIT:
            commit(dialog);
            return TRUE;
        case IDC_DIMENSION_DELETE: {
            ProjectionWindow* w = projection_window_find_by_id(input.projection);
            if (!input.number || !w) return TRUE;
            drawing_checkpoint(1, default_undo_description());
            with_active_projection([&](DrawingFile* df, unsigned char* p) { dimension_input_delete(input, df, p, hooks()); }, w);
            panel_to_new(dialog);
            return TRUE;
        }
        case IDC_DIMENSION_LIST:
            if (code == CBN_SELCHANGE) {
                HWND combo = GetDlgItem(dialog, IDC_DIMENSION_LIST);
                uint32_t n = list_item_number(combo, SendMessageA(combo, CB_GETCURSEL, 0, 0));
                if (n) open_dimension(dialog, n, "Выбран размер для внесения изменений");
            }
            return TRUE;
        case IDC_DIMENSION_CYCLE: {
            HWND combo = GetDlgItem(dialog, IDC_DIMENSION_LIST);
            int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
            if (count <= 0) return TRUE;
            browse_index = (browse_index + 1) % count;
            SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(browse_index), 0);
            uint32_t n = list_item_number(combo, browse_index);
            char text[96];
            wsprintfA(text, "Выбран %i размер. Всего %-i", browse_index + 1, count);
            if (n) open_dimension(dialog, n, text);
            return TRUE;
        }
        case IDC_DIMENSION_POPUP_LIST: {
            INT_PTR r = DialogBoxParamA(program_instance, MAKEINTRESOURCEA(IDD_DIMENSION_LIST), dialog, dimension_list_proc, 0);
            if (r > 0) {
                HWND combo = GetDlgItem(dialog, IDC_DIMENSION_LIST);
                SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(r - 1), 0);
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_DIMENSION_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
            }
            return TRUE;
        }
        case IDC_DIMENSION_SHOW_ONLY:
            input.params.show_only = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
            return TRUE;
        case IDC_DIMENSION_HIDDEN:
            input.params.not_shown = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
            prompt_show(input.params.not_shown ? "Размер будет невидимый" : "Размер будет видимый");
            return TRUE;
        case IDC_DIMENSION_SHAFT:
        case IDC_DIMENSION_HOLE:
            input.params.shaft = id == IDC_DIMENSION_SHAFT;
            CheckRadioButton(dialog, IDC_DIMENSION_SHAFT, IDC_DIMENSION_HOLE, id);
            prompt_show(input.params.shaft ? "Размеры будут определены как для вала" : "Размеры будут определены как для отверстия");
            return TRUE;
        case IDC_DIMENSION_HIDE_ALL:
            hide_or_show_all(dialog);
            return TRUE;
        case IDC_DIMENSION_AUTOMATIC:
            if (code == BN_CLICKED) start_or_leave_generation(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    }
    case panel_show_nominal:
        show_nominal(dialog);
        return TRUE;
    case WM_CLOSE:
        if (input.number) {
            // An open dimension is shown again instead of closing.
            open_dimension(dialog, input.number, "Выбран размер для внесения изменений");
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        // A dimension left open is committed; one that cannot be (no
        // nominal, no centre) is deleted, so that no half-entered
        // constraint stays in the drawing.
        if (dimension_panel == dialog && input.number) {
            if (!commit(dialog)) {
                ProjectionWindow* w = projection_window_find_by_id(input.projection);
                if (w) with_active_projection([](DrawingFile* df, unsigned char* p) { dimension_input_delete(input, df, p, DimensionInputHooks()); }, w);
                input = DimensionInput();
            }
        }
        if (dimension_panel == dialog) dimension_panel = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

ViewTransform transform_of(const ProjectionWindow* w) {
    ViewTransform t{};
    t.view_offset = {w->view_offset[0], w->view_offset[1]};
    t.scroll_shift = {w->scroll_shift[0], w->scroll_shift[1]};
    t.scale = {w->scale[0], w->scale[1]};
    return t;
}

// A copy of the reference point nearest the pixel within the pick
// distance, empty when none.
std::vector<uint8_t> point_at(DrawingFile* df, unsigned char* projection, const ViewTransform* t, int x, int y) {
    std::vector<uint8_t> best;
    long best_d = (pick_pixels + 1) * (pick_pixels + 1) * 2;
    RecordRef* head = projection_chain(projection, projection_points);
    PageBuffer* b = &page_buffers[table_points];
    for (unsigned char* r = record_next(df, head, nullptr, b); r && !error_flag; r = record_next(df, head, r, b)) {
        if (get_u16(r, record_length) != point_record_size) continue;
        long dx = view_x_to_pixel(t, get_f64(r, point_sketch_x)) - x;
        long dy = view_y_to_pixel(t, get_f64(r, point_sketch_y)) - y;
        if (dx > pick_pixels || dx < -pick_pixels || dy > pick_pixels || dy < -pick_pixels) continue;
        if (dx * dx + dy * dy < best_d) {
            best_d = dx * dx + dy * dy;
            best.assign(r, r + point_record_size);
        }
    }
    return best;
}

// A click in generation mode: the point under the cursor starts the
// generator (in two-point mode the second point does).
void generator_click(ProjectionWindow* w, const ViewTransform* t, int x, int y) {
    uint32_t point = 0;
    with_active_projection(
        [&](DrawingFile* df, unsigned char* p) {
            std::vector<uint8_t> pt = point_at(df, p, t, x, y);
            if (!pt.empty()) point = get_u32(pt.data(), point_number);
        },
        w);
    if (!point) return;
    if (generator_settings.two_points && !generator_first_point) {
        generator_first_point = point;
        prompt_show("*вторую точку");
        return;
    }
    uint32_t origin = generator_settings.two_points ? generator_first_point : point;
    uint32_t second = generator_settings.two_points ? point : 0;
    if (generator_settings.two_points && origin == second) return;
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    // The checkpoint reopens the drawing: it is taken before the projection is read.
    drawing_checkpoint(1, default_undo_description());
    GeneratorHooks gh;
    gh.message = [](const char* text) { show_program_message(text); };
    gh.prompt = [](const char* text) { prompt_show(text); };
    GeneratorResult r;
    with_active_projection(
        [&](DrawingFile* df, unsigned char* p) { r = generate_dimensions(df, p, origin, second, generator_settings, gh); },
        w);
    SetCursor(old);
    leave_generation(dimension_panel);
    refill_list(dimension_panel);
    if (r.made > 0) enable_stage_commands();
}

int dimension_stage_click(HWND window, int x, int y, WPARAM) {
    if (current_stage != 2 || !dimension_panel) return 0;
    ProjectionWindow* w = projection_window_find_by_hwnd(window);
    if (!w) return 0;
    ViewTransform t = transform_of(w);
    if (generating) {
        generator_click(w, &t, x, y);
        return 1;
    }
    // A new dimension starts with an automatic checkpoint; it is made
    // before the projection is read, since it reopens the drawing.
    if (!input.number && input.role && input.axis_step == 0) drawing_checkpoint(1, default_undo_description());
    char text[264] = {};
    GetDlgItemTextA(dimension_panel, IDC_DIMENSION_NOMINAL, text, sizeof text);
    input.nominal_text = text;
    // Selection mode (also a click with no role and no axis entry): the
    // next dimension linked to the point is opened.
    bool selecting = IsDlgButtonChecked(dimension_panel, IDC_DIMENSION_SELECTION) == BST_CHECKED ||
                     (!input.number && input.role == 0 && input.axis_step == 0);
    if (selecting) {
        std::vector<uint32_t> dims;
        uint32_t point = 0;
        with_active_projection(
            [&](DrawingFile* df, unsigned char* p) {
                std::vector<uint8_t> pt = point_at(df, p, &t, x, y);
                if (pt.empty()) return;
                point = get_u32(pt.data(), point_number);
                dims = point_dimensions(df, p, point);
            },
            w);
        if (!point) return 1;
        if (dims.empty()) {
            prompt_show("Этой точки нет в размерах");
            return 1;
        }
        if (point != selection_point) {
            selection_point = point;
            selection_index = -1;
        }
        selection_index = (selection_index + 1) % static_cast<int>(dims.size());
        if (input.number && input.number != dims[static_cast<size_t>(selection_index)] && !commit(dimension_panel)) return 1;
        char text[96];
        wsprintfA(text, "Размер %3u.   Всего на этой точке размеров %3u", static_cast<unsigned>(selection_index + 1),
                  static_cast<unsigned>(dims.size()));
        open_dimension(dimension_panel, dims[static_cast<size_t>(selection_index)], text);
        return 1;
    }
    int result = INPUT_NOTHING;
    double measured = 0;
    bool have_measure = false;
    bool needed_before = false;
    with_active_projection(
        [&](DrawingFile* df, unsigned char* p) {
            needed_before = (get_u16(p, projection_flags) & 0x0200) != 0;
            std::vector<uint8_t> point = point_at(df, p, &t, x, y);
            if (point.empty()) return;
            result = dimension_input_point(input, df, p, w->number, point.data(), hooks());
            if (result == INPUT_LINKED)
                have_measure = measure_dimension(df, p, input.number, false, &measured);
        },
        w);
    if (result == INPUT_LINKED) {
        if (!needed_before) enable_stage_commands();
        enable_open_controls(dimension_panel);
        // The measured value is offered as the nominal while none is typed.
        if (have_measure && !input.nominal_typed) {
            char value[128];
            format_dimension_value(value, sizeof value, measured, input.params.kind, 0);
            std::string v = value;
            size_t a = v.find_first_not_of(' ');
            SetDlgItemTextA(dimension_panel, IDC_DIMENSION_NOMINAL, a == std::string::npos ? "" : v.c_str() + a);
        }
    }
    return 1;
}

int input_active() { return input.number != 0; }

void commit_seam(HWND panel) {
    if (input.number) commit(panel ? panel : dimension_panel);
}

}  // namespace

int commit_dimension_input(HWND panel) {
    if (!input.number) return 1;
    return commit(panel ? panel : dimension_panel);
}

void dimension_panels_bind() {
    stage_tools[2].panel_procedure = dimension_panel_proc;
    stage_tools[2].left_down = dimension_stage_click;
    command_seams.dimension_input_active = input_active;
    command_seams.commit_dimension_input = commit_seam;
    construction_panel_bind();
}
