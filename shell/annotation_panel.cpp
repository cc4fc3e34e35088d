// The annotation stage panel (dialog 209, compact 335): the tool buttons,
// the arrowhead kinds and the button that applies one to a leader, the
// show-variables switch; and the binding of the stage's row of the stage
// tools and of the exchange readers' text placement.
#include <windows.h>

#include <cstring>

#include "annotation/annotation_move.h"
#include "annotation/annotation_tools.h"
#include "annotation/annotation_texts.h"
#include "annotation/dimension_placement_run.h"
#include "annotation/roughness_placement.h"
#include "annotation/roughness_properties.h"
#include "shell/core/sketch_replacement.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "output/import_session.h"
#include "shell/annotation_mouse.h"
#include "shell/annotation_properties_win.h"
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

template <typename Op>
void on_window_projection(ProjectionWindow* w, Op op);
void repaint_window(ProjectionWindow* w);

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
    if (annotation_stage.tool != IDC_ANNOTATION_ARROWHEADS) return;
    if (annotation_stage.selected_dimension_ref && annotation_stage.picked_dimension_end) {
        // A dimension end: its arrowhead, then the projection placed again
        // (the line itself stays: it counts as placed by hand now).
        ProjectionWindow* w = projection_window_active();
        if (!w) return;
        on_window_projection(w, [](unsigned char* projection) {
            if (apply_dimension_arrowhead(projection, annotation_stage.selected_dimension_ref,
                                          annotation_stage.picked_dimension_end, annotation_stage.arrowhead_kind))
                place_dimensions(projection, placement_always);
        });
        repaint_window(w);
        return;
    }
    if (!annotation_stage.selected_annotation_ref) return;
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

// Runs op on a copy of the projection record of window w under the
// document lock and stores the copy back whole: the chain heads op changed
// (placement adds and removes generated dimensions) and the projection's
// counters with it.
template <typename Op>
void on_window_projection(ProjectionWindow* w, Op op) {
    DrawingFile* df = current_drawing_file();
    if (!df || !w) return;
    document_lock_acquire();
    PageBuffer* pb = &page_buffers[table_projections];
    RecordRef at = w->record_ref;
    unsigned char* p = record_read_at(df, &at, pb);
    if (p) {
        unsigned char copy[projection_record_max] = {};
        uint32_t len = get_u16(p, record_length);
        if (len > sizeof copy) len = sizeof copy;
        std::memcpy(copy, p, len);
        op(copy);
        at = w->record_ref;
        p = record_read_at(current_drawing_file(), &at, pb);
        if (p && get_u16(p, record_length) == len) {
            std::memcpy(p, copy, len);
            pb->clean = 0;
        }
    }
    error_flag = 0;
    document_lock_release();
}

void repaint_window(ProjectionWindow* w) {
    if (w && w->window) InvalidateRect(w->window, nullptr, TRUE);
}

// Entering the stage: every projection with an open window whose points or
// elements changed has its dimensions placed again; the changed flag is
// then cleared.
void place_dimensions_on_stage_entry() {
    for (ProjectionWindow* w = projection_windows; w; w = w->next) {
        bool ran = false;
        on_window_projection(w, [&](unsigned char* projection) {
            if (!(get_u16(projection, projection_flags) & projection_word_changed)) return;
            PlacementRunResult r = place_dimensions(projection, placement_when_due);
            if (r.failed) return;
            put_u16(projection, projection_flags,
                    static_cast<uint16_t>(get_u16(projection, projection_flags) & ~projection_word_changed));
            ran = true;
        });
        if (ran) repaint_window(w);
    }
}

// 1171: every dimension of the current projection placed again.
void replace_dimensions_of_current_projection() {
    ProjectionWindow* w = projection_window_active();
    if (!w) return;
    on_window_projection(w, [](unsigned char* projection) { replace_all_dimensions(projection); });
    repaint_window(w);
}

// 1332: the sketches of every open projection take the constructed images.
void replace_sketches_by_true_images() {
    DrawingFile* df = current_drawing_file();
    for (ProjectionWindow* w = projection_windows; w && df; w = w->next) {
        on_window_projection(w, [&](unsigned char* projection) { projection_sketch_from_true_images(df, projection); });
        repaint_window(w);
    }
}

// 1500: the drawing's roughness sign for unmarked surfaces, made in the
// title-block list when there is none, then its dialog.
void general_roughness(HWND panel) {
    annotation_mouse_tool_changed();
    annotation_stage.selected_annotation_ref = 0;
    annotation_stage.selected_dimension_ref = 0;
    annotation_stage.picked_element_ref = 0;
    annotation_stage.clone_source = 0;
    clone_source = 0;
    enable_arrowheads(panel, false);
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return;
    document_lock_acquire();
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_title_block);
    PageBuffer* buf = &page_buffers[table_title_block];
    if (!record_find_key(df, head, roughness_general_key, nullptr, buf) && !error_flag) {
        RecordBytes rec = build_general_roughness_record(default_height_index());
        record_add(df, head, rec.data(), buf);
    }
    error_flag = 0;
    document_lock_release();
    open_general_roughness_properties();
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
        place_dimensions_on_stage_entry();
        if (df && df->header && (get_u16(df->header, header_options2) & 0x0200)) replace_sketches_by_true_images();
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
        case IDC_ANNOTATION_REPLACE_DIMENSIONS:
            replace_dimensions_of_current_projection();
            return TRUE;
        case IDC_ANNOTATION_REPLACE_SKETCHES:
            replace_sketches_by_true_images();
            return TRUE;
        case IDC_ANNOTATION_ROUGHNESS_UNMARKED:
            general_roughness(dialog);
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
