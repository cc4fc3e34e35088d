// The annotation stage panel (dialog 209, compact 335): the tool buttons,
// the arrowhead kinds and the button that applies one to a leader, the
// show-variables switch; and the binding of the stage's row of the stage
// tools and of the exchange readers' text placement.
#include <windows.h>

#include "annotation/annotation_tools.h"
#include "base/byte_order.h"
#include "output/import_session.h"
#include "shell/annotation_mouse.h"
#include "shell/commands.h"
#include "shell/frame_face.h"
#include "shell/hints.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/stage_tools.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

namespace {

struct PanelHint {
    int id;
    const char* text;
};
const PanelHint panel_hints[] = {
    {IDC_ANNOTATION_MOVE, " Разрешить перемещать\n элементы оформления"},
    {IDC_ANNOTATION_ARROWHEADS, " Разрешить изменять виды\n наконечников размерных стрелок"},
    {IDC_ANNOTATION_ARROWHEAD_KINDS, " Виды наконечников размерных стрелок"},
    {IDC_ANNOTATION_ARROWHEAD_APPLY, " Утвердить выбранный наконечник"},
    {IDC_ANNOTATION_REPLACE_DIMENSIONS, " Переразместить автоматически все\n размеры на текущей проекции"},
    {IDC_ANNOTATION_TEXT, " Ввод текстового фрагмента"},
    {IDC_ANNOTATION_LEADER, " Создание новой выноски"},
    {IDC_ANNOTATION_ROUGHNESS, " Создание нового обозна-\n чения шероховатости"},
    {IDC_ANNOTATION_ROUGHNESS_UNMARKED, " Шероховатость для необо-\n значенных поверхностей"},
    {IDC_ANNOTATION_HATCHING, " Пометка новой области штриховки"},
    {IDC_ANNOTATION_TOLERANCE, " Создание нового указателя\n допуска формы или расположения"},
    {IDC_ANNOTATION_SECTION_LINE, " Обозначение новой линии сечения"},
    {IDC_ANNOTATION_SHOW_VARIABLES, " Показать на всех проекциях\n используемые переменные"},
    {IDC_ANNOTATION_REPLACE_SKETCHES, " Заменить эскизы всех проек-\n ций на реальные изображения"},
};

const int tool_ids[] = {IDC_ANNOTATION_MOVE,    IDC_ANNOTATION_ARROWHEADS, IDC_ANNOTATION_TEXT,
                        IDC_ANNOTATION_LEADER,  IDC_ANNOTATION_ROUGHNESS,  IDC_ANNOTATION_HATCHING,
                        IDC_ANNOTATION_TOLERANCE, IDC_ANNOTATION_SECTION_LINE};

const char* const arrowhead_names[11] = {"0 нет",        "1 стрелка",  "2 зачерненная", "3 открытая",
                                         "4 засечка",    "5 точка",    "6 кружок",      "7 двойная",
                                         "8 полустрелка", "9 треугольник", "10 штрих"};

void enable_arrowheads(HWND panel, bool on) {
    EnableWindow(GetDlgItem(panel, IDC_ANNOTATION_ARROWHEAD_KINDS), on);
    EnableWindow(GetDlgItem(panel, IDC_ANNOTATION_ARROWHEAD_APPLY), on);
}

void check_only(HWND panel, int id) {
    for (int t : tool_ids) CheckDlgButton(panel, t, t == id ? BST_CHECKED : BST_UNCHECKED);
}

void select_tool(HWND panel, int id) {
    if (id != IDC_ANNOTATION_ARROWHEADS) annotation_stage.clone_source = 0;
    enable_arrowheads(panel, id == IDC_ANNOTATION_ARROWHEADS);
    annotation_stage.selected_annotation_ref = 0;
    annotation_stage.selected_dimension_ref = 0;
    annotation_stage.picked_element_ref = 0;
    annotation_stage.picked_dimension_end = 0;
    annotation_stage.crosshair_active = false;
    annotation_stage.tool = id;
    prompt_show(id == IDC_ANNOTATION_MOVE ? "+Ctrl" : "");
    check_only(panel, id);
    annotation_mouse_tool_changed();
}

// Applies the chosen arrowhead kind to the selected leader; kinds 1, 5 and
// 8 stand on no leader.
void apply_arrowhead() {
    int kind = annotation_stage.arrowhead_kind;
    if (annotation_stage.tool != IDC_ANNOTATION_ARROWHEADS || !annotation_stage.selected_annotation_ref) return;
    if (kind == 1 || kind == 5 || kind == 8) return;
    document_lock_acquire();
    uint8_t* rec = annotation_record_at(annotation_stage.selected_annotation_ref);
    if (rec && rec[record_kind] == annotation_leader) {
        put_u16(rec, annotation_flags, static_cast<uint16_t>((get_u16(rec, annotation_flags) & ~0x0F) | kind));
        page_buffers[table_annotation].clean = 0;
    }
    document_lock_release();
    annotation_mouse_repaint();
}

void toggle_variables(HWND panel) {
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    uint16_t w = get_u16(df->header, header_options2);
    bool on = IsDlgButtonChecked(panel, IDC_ANNOTATION_SHOW_VARIABLES) == BST_CHECKED;
    put_u16(df->header, header_options2, static_cast<uint16_t>(on ? (w | 0x20) : (w & ~0x20)));
    if (command_seams.projection_windows_refresh) command_seams.projection_windows_refresh(1);
}

INT_PTR CALLBACK annotation_panel_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        annotation_stage_reset(&annotation_stage);
        for (const PanelHint& h : panel_hints) {
            HWND c = GetDlgItem(dialog, h.id);
            if (c) hint_add(dialog, c, h.text);
        }
        HWND kinds = GetDlgItem(dialog, IDC_ANNOTATION_ARROWHEAD_KINDS);
        for (int i = 0; i < 11; ++i) {
            LRESULT at = SendMessageA(kinds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(arrowhead_names[i]));
            SendMessageA(kinds, CB_SETITEMDATA, static_cast<WPARAM>(at), i);
        }
        SendMessageA(kinds, CB_SETCURSEL, 0, 0);
        check_only(dialog, IDC_ANNOTATION_MOVE);
        const DrawingFile* df = current_drawing_file();
        CheckDlgButton(dialog, IDC_ANNOTATION_SHOW_VARIABLES,
                       df && df->header && (get_u16(df->header, header_options2) & 0x20) ? BST_CHECKED
                                                                                        : BST_UNCHECKED);
        enable_arrowheads(dialog, false);
        prompt_show("+Ctrl");
        hints_enable();
        enable_stage_commands();
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wparam);
        for (int t : tool_ids) {
            if (t == id && HIWORD(wparam) == BN_CLICKED) {
                select_tool(dialog, id);
                return TRUE;
            }
        }
        switch (id) {
        case IDC_ANNOTATION_ARROWHEAD_KINDS:
            if (HIWORD(wparam) == CBN_SELENDOK || HIWORD(wparam) == CBN_SELCHANGE) {
                HWND kinds = GetDlgItem(dialog, id);
                LRESULT sel = SendMessageA(kinds, CB_GETCURSEL, 0, 0);
                if (sel >= 0) annotation_stage.arrowhead_kind = static_cast<int>(SendMessageA(kinds, CB_GETITEMDATA, sel, 0));
            }
            return TRUE;
        case IDC_ANNOTATION_ARROWHEAD_APPLY:
            apply_arrowhead();
            return TRUE;
        case IDC_ANNOTATION_SHOW_VARIABLES:
            toggle_variables(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    }
    case WM_CLOSE:
        annotation_mouse_tool_changed();
        return FALSE;
    case WM_DESTROY:
        hints_remove_dialog(dialog);
        annotation_stage.crosshair_active = false;
        return FALSE;
    default:
        return FALSE;
    }
}

// A text read from a DXF file, in a projection that has a window.
int place_exchange_text(uint8_t* projection, double x, double y, int size_index, const char* text) {
    if (!projection || !projection_window_find_by_id(get_u32(projection, record_key))) return 0;
    return place_imported_text(projection, x, y, size_index, text) != 0 ? 1 : 0;
}

}  // namespace

void annotation_panel_bind() {
    StageTools& row = stage_tools[5];
    row.panel_procedure = annotation_panel_proc;
    annotation_mouse_fill(&row);
    exchange_shell.place_text = place_exchange_text;
}
