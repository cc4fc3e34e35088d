// Annotation property dialogs: the dialog thread, the shared routines and
// one procedure per annotation kind.  What a control does to the record is
// decided by the portable rules in annotation/; the procedures read the
// controls, apply the rules under the drawing lock and repaint after it.
#include "shell/annotation_properties_win.h"

#include <commctrl.h>
#include <process.h>

#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "annotation/annotation_properties.h"
#include "annotation/annotation_tools.h"
#include "annotation/dimension_text_properties.h"
#include "annotation/hatching_properties.h"
#include "annotation/leader_properties.h"
#include "annotation/properties_layout_seams.h"
#include "annotation/roughness_properties.h"
#include "annotation/section_properties.h"
#include "annotation/text_fragment_cell.h"
#include "annotation/text_fragment_properties.h"
#include "annotation/tolerance_properties.h"
#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/saving.h"
#include "geometry/extents.h"
#include "geometry/kernel_context.h"
#include "geometry/kernel_seams.h"
#include "geometry/text_numbers.h"
#include "model/model_names.h"
#include "model/model_storage.h"
#include "render/contours/contour_lists.h"
#include "render/contours/contour_search.h"
#include "render/output/designation_letters.h"
#include "render/text/stroke_font.h"
#include "render/text/text_fragment_layout.h"
#include "shell/annotation_dialog_ids.h"
#include "shell/commands.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/hints.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/startup.h"
#include "shell/view_picking.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/settings_block.h"

RecordRef current_annotation_ref;
RecordRef properties_projection_ref;
RecordRef& clone_source = annotation_stage.clone_source;
HKL saved_keyboard_layout;
HWND open_fragment_dialog;
HWND open_section_dialog;
void (*properties_dialog_shown)(HWND dialog, int template_id);

static_assert(IDC_TOL_SIGN == tolerance_sign_combo && IDC_RGH_PARAMETER == roughness_parameter_edit &&
                  IDC_FRG_TEXT == fragment_text_edit && IDC_SEC_LETTERS == section_letters_edit &&
                  IDC_HAT_NAME == hatch_name_edit && IDC_DIM_INVISIBLE == dimtext_invisible &&
                  IDC_LDR_SIGN == leader_sign_combo && IDC_PROP_HEIGHT == prop_height_combo,
              "the templates and the rules name the same controls");

namespace {

// The one open dialog's state (the dialogs are modal: at most one exists).
struct DialogState {
    int kind = -1;
    int template_id = 0;
    bool general = false;      // the general roughness sign (title-block list)
    bool wide = false;         // text fragment: the wide form
    bool filling = false;      // controls being filled: their notifications are not edits
    bool closing = false;      // ending: the controls' last notifications change nothing
    bool name_busy = false;
    int hatch_start = -1;
    RecordBackup backup;
};
DialogState state;

const int font_radios[4] = {IDC_PROP_FONT_A_SLANTED, IDC_PROP_FONT_A_UPRIGHT, IDC_PROP_FONT_B_SLANTED,
                            IDC_PROP_FONT_B_UPRIGHT};
const int leader_shapes[6] = {IDC_LDR_SHAPE0, IDC_LDR_SHAPE1, IDC_LDR_SHAPE2,
                              IDC_LDR_SHAPE3, IDC_LDR_SHAPE4, IDC_LDR_SHAPE5};
const int alignment_buttons[6] = {IDC_FRG_LEFT, IDC_FRG_CENTRE, IDC_FRG_RIGHT,
                                  IDC_FRG_TURNED_LEFT, IDC_FRG_TURNED_CENTRE, IDC_FRG_TURNED_RIGHT};
const int edge_boxes[8] = {IDC_FRG_EDGE1_MAIN, IDC_FRG_EDGE1_THIN, IDC_FRG_EDGE2_MAIN, IDC_FRG_EDGE2_THIN,
                           IDC_FRG_EDGE3_MAIN, IDC_FRG_EDGE3_THIN, IDC_FRG_EDGE4_MAIN, IDC_FRG_EDGE4_THIN};
const char* const variables_placeholder = " <список переменных>";
const char* const system_failure = "$в системе";
// The settings block's hint of the symbol-table button.
constexpr size_t settings_symbol_table_hint_offset = 916;

// ---------------------------------------------------------------- records

uint8_t* projection_now() {
    if (!properties_projection_ref) return nullptr;
    RecordRef at = properties_projection_ref;
    DrawingFile* df = current_drawing_file();
    return df ? record_read_at(df, &at, &page_buffers[table_projections]) : nullptr;
}

PageBuffer* record_buffer() {
    return &page_buffers[state.general ? table_title_block : table_annotation];
}

RecordRef* record_chain() {
    if (state.general) {
        DrawingFile* df = current_drawing_file();
        return df ? reinterpret_cast<RecordRef*>(df->header + header_title_block) : nullptr;
    }
    return projection_chain(projection_now(), projection_annotations);
}

// The dialog's record, or null when it is missing or of another kind.
uint8_t* record_now() {
    DrawingFile* df = current_drawing_file();
    if (!df || !current_annotation_ref) return nullptr;
    RecordRef at = current_annotation_ref;
    uint8_t* r = record_read_at(df, &at, record_buffer());
    if (!r || error_flag || r[record_kind] != state.kind) return nullptr;
    return r;
}

void record_touched() { record_buffer()->clean = 0; }

// Takes the new place of a record re-stored through the buffer.
void adopt(const uint8_t* rec) {
    if (!rec) return;
    RecordRef r = record_ref_of(record_buffer(), rec);
    if (r) current_annotation_ref = r;
}

double model_text_height(int index) {
    return sheet_to_model_length(text_settings.text_heights[clamp_height_index(index)]);
}

// ---------------------------------------------------------------- controls

std::string control_text(HWND dialog, int id) {
    HWND c = GetDlgItem(dialog, id);
    int n = c ? GetWindowTextLengthA(c) : 0;
    std::string s(static_cast<size_t>(n) + 1, '\0');
    if (n > 0) GetWindowTextA(c, &s[0], n + 1);
    s.resize(std::strlen(s.c_str()));
    return s;
}

void set_text(HWND dialog, int id, const std::string& text) {
    SetDlgItemTextA(dialog, id, text.c_str());
}

void enable(HWND dialog, int id, bool on) {
    HWND c = GetDlgItem(dialog, id);
    if (c) EnableWindow(c, on ? TRUE : FALSE);
}

void check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// A ComboBoxEx (or plain combo) with text items and their data; a
// ComboBoxEx shows picture i of `images` (when given) beside item i.
void combo_fill(HWND dialog, int id, const char* const* texts, int count, HIMAGELIST images = nullptr) {
    HWND c = GetDlgItem(dialog, id);
    if (!c) return;
    char cls[32] = {};
    GetClassNameA(c, cls, sizeof cls);
    bool ex = std::strcmp(cls, WC_COMBOBOXEXA) == 0;
    if (ex && images) SendMessageA(c, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    for (int i = 0; i < count; ++i) {
        if (ex) {
            COMBOBOXEXITEMA item = {};
            item.mask = CBEIF_TEXT | CBEIF_LPARAM;
            if (images && i < ImageList_GetImageCount(images)) {
                item.mask |= CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
                item.iImage = item.iSelectedImage = i;
            }
            item.iItem = i;
            item.pszText = const_cast<char*>(texts[i]);
            item.lParam = i;
            SendMessageA(c, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        } else {
            LRESULT at = SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i]));
            SendMessageA(c, CB_SETITEMDATA, static_cast<WPARAM>(at), i);
        }
    }
}

int combo_selected_data(HWND dialog, int id) {
    LRESULT at = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return -1;
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

// Selects the item whose data is value (none when no item has it).
void combo_select_data(HWND dialog, int id, int value) {
    LRESULT n = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        if (SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == value) {
            SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
    }
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void hint(HWND dialog, int id, const char* text) {
    HWND c = GetDlgItem(dialog, id);
    if (c && text) hint_add(dialog, c, text);
}

// ---------------------------------------------------------------- repaint

// The projection window of the dialog's projection, or null.
HWND projection_hwnd() {
    uint8_t* p = projection_now();
    if (!p) return nullptr;
    ProjectionWindow* w = projection_window_find_by_id(get_u32(p, record_key));
    return w ? w->window : nullptr;
}

// After a command: invalidated while the lock was held, painted now that
// the busy flag is back at 0, so the drawing follows the typing.
void repaint_now(HWND window) {
    if (!window) return;
    UpdateWindow(window);
}

// ---------------------------------------------------------------- common steps

void style_show(HWND dialog, const uint8_t* rec) {
    TextStyle s{};
    if (!annotation_style_get(rec, &s)) return;
    if (state.general) s.height_index = roughness_general_height_index(s.height_index);
    fill_font_height_combo(dialog, s.height_index, s.font_b, s.slant);
}

// One line of the variables list: the name, " = " (" =_" when the value is
// rounded to the model's step), then the value: an integer as a whole
// number, a real in the general number format, a string in double quotes.
std::string variable_list_line(const ModelVariableInfo& v) {
    std::string name = v.name;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::string line = name + ((v.flags & model_variable_flag_rounding) ? " =_" : " = ");
    if (v.type == model_type_string) {
        std::string text = v.text;
        if (text.size() > 250) text.resize(250);
        line += "\"" + text + "\"";
    } else if (v.type == model_type_integer) {
        char n[40];
        std::snprintf(n, sizeof n, "%.0f", std::isfinite(v.value) ? v.value : 0.0);
        line += n;
    } else {
        char n[64] = {};
        format_number_by_magnitude(n, sizeof n, v.value);
        line += n;
    }
    return line;
}

// The variables list: its name first (data 0: nothing to copy), then one
// line per variable the drawing's model stored, its data the variable's id.
// Runs under the drawing lock.
void fill_variables_combo(HWND dialog, int id) {
    HWND c = GetDlgItem(dialog, id);
    if (!c) return;
    SendMessageA(c, CB_RESETCONTENT, 0, 0);
    LRESULT at = SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(variables_placeholder));
    SendMessageA(c, CB_SETITEMDATA, static_cast<WPARAM>(at), 0);
    if (DrawingFile* df = current_drawing_file()) {
        for (const ModelVariableInfo& v : model_variables_read(df)) {
            if ((v.id & 0xFFFF) == 0) continue;
            std::string line = variable_list_line(v);
            at = SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
            if (at >= 0) SendMessageA(c, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(v.id));
        }
        error_flag = 0;
    }
    SendMessageA(c, CB_SETCURSEL, 0, 0);
}

void variables_fill(HWND dialog) { fill_variables_combo(dialog, IDC_PROP_VARIABLES); }

void closing_steps(HWND dialog, INT_PTR result) {
    state.closing = true;
    state.backup.items.clear();
    hints_suppress(0);
    hints_remove_dialog(dialog);
    HWND w = projection_hwnd();
    if (w) InvalidateRect(w, nullptr, FALSE);
    if (state.kind == annotation_text_fragment) open_fragment_dialog = nullptr;
    if (state.kind == annotation_section) open_section_dialog = nullptr;
    EndDialog(dialog, result);
}

// Cancel: every record the dialog may have changed comes back as it was.
void cancel(HWND dialog, INT_PTR result) {
    state.closing = true;
    HWND w = nullptr;
    {
        DocumentLockGuard lock;
        if (!state.backup.items.empty()) annotation_backup_restore(projection_now(), &current_annotation_ref, state.backup);
        w = projection_hwnd();
        if (w) InvalidateRect(w, nullptr, FALSE);
    }
    repaint_now(w);
    closing_steps(dialog, result);
}

bool initialise(HWND dialog) {
    dock_dialog_right(dialog, 0);
    DocumentLockGuard lock;
    uint8_t* rec = record_now();
    if (!rec) return false;
    if (!annotation_backup_take(state.general ? nullptr : projection_now(), current_annotation_ref, state.general,
                                &state.backup))
        return false;
    hints_suppress(1);
    variables_fill(dialog);
    style_show(dialog, rec);
    hint(dialog, IDC_PROP_HEIGHT, " Размер шрифта");
    return true;
}

// ---------------------------------------------------------------- leader

void leader_enable(HWND dialog, const uint8_t* rec) {
    const LeaderHeadShape* hs = leader_head_shape(leader_head_shape_of(rec));
    enable(dialog, IDC_LDR_LOWER, hs && hs->lower_text);
    enable(dialog, IDC_LDR_SIGN, hs && hs->sign);
    enable(dialog, IDC_LDR_WELD_CLOSED, hs && hs->weld_marks);
    enable(dialog, IDC_LDR_WELD_STRETCH, hs && hs->weld_marks);
    combo_select_data(dialog, IDC_LDR_SIGN, hs && hs->sign ? leader_sign_of(rec) : -1);
    check(dialog, IDC_LDR_WELD_CLOSED, leader_weld_marks_of(rec) == 1);
    check(dialog, IDC_LDR_WELD_STRETCH, leader_weld_marks_of(rec) == 2);
    HWND sign = GetDlgItem(dialog, IDC_LDR_SIGN);
    if (sign) hint_set_text(sign, leader_sign_hint(hs && hs->sign ? leader_sign_of(rec) : 0));
}

// Puts the picture (a bitmap of the program, see make_annotation_images.py)
// on a button of the dialog; the button keeps its text when the picture
// cannot be loaded.  Each picture is loaded once and kept.
void button_picture(HWND dialog, int id, int bitmap) {
    static std::map<int, HBITMAP> loaded;
    HWND b = GetDlgItem(dialog, id);
    if (!b) return;
    HBITMAP& bm = loaded[bitmap];
    if (!bm)
        bm = static_cast<HBITMAP>(LoadImageA(program_instance, MAKEINTRESOURCEA(bitmap), IMAGE_BITMAP, 0, 0,
                                             LR_LOADMAP3DCOLORS));
    if (!bm) return;
    SetWindowLongPtrA(b, GWL_STYLE, GetWindowLongPtrA(b, GWL_STYLE) | BS_BITMAP);
    SendMessageA(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bm));
}

void leader_init(HWND dialog, const uint8_t* rec) {
    for (int i = 0; i < 6; ++i) button_picture(dialog, leader_shapes[i], 17101 + i);
    button_picture(dialog, IDC_LDR_WELD_CLOSED, 17111);
    button_picture(dialog, IDC_LDR_WELD_STRETCH, 17112);
    static const char* const names[7] = {"Нет знака", "Монтаж", "Пайка", "Клей", "Нитки", "Скобки внахлёст",
                                         "Скобки угловые"};
    combo_fill(dialog, IDC_LDR_SIGN, names, 7, images_property_a);
    LeaderTexts t = leader_texts(rec);
    SendDlgItemMessageA(dialog, IDC_LDR_UPPER, EM_LIMITTEXT, 255, 0);
    SendDlgItemMessageA(dialog, IDC_LDR_LOWER, EM_LIMITTEXT, 780, 0);
    set_text(dialog, IDC_LDR_UPPER, t.upper);
    set_text(dialog, IDC_LDR_LOWER, t.lower);
    radio_group_check(dialog, leader_shapes, 6, leader_shapes[leader_head_shape_of(rec) % 6]);
    leader_enable(dialog, rec);
    for (int i = 0; i < 6; ++i) hint(dialog, leader_shapes[i], leader_head_shape(i)->hint);
    hint(dialog, IDC_LDR_SIGN, leader_sign_hint(leader_sign_of(rec)));
    hint(dialog, IDC_LDR_WELD_CLOSED, " Швы по замкнутой линии");
    hint(dialog, IDC_LDR_WELD_STRETCH, " Швы, ограниченные определённым участком");
    hint(dialog, IDC_LDR_UPPER, " Надпись над полкой выноски");
    hint(dialog, IDC_LDR_LOWER, " Надпись под полкой выноски");
}

void leader_layout(uint8_t* projection) {
    uint8_t* rec = record_now();
    if (!rec) return;
    TextStyle s{};
    annotation_style_get(rec, &s);
    Point2 p = leader_text_point(rec, model_text_height(s.height_index), sheet_to_model_length(1.24));
    adopt(properties_layout.layout_leader_at_point(projection, &current_annotation_ref, p.x, p.y));
}

// Returns false when the dialog must end.
bool leader_command(HWND dialog, int id, int code, uint8_t* projection) {
    uint8_t* rec = record_now();
    if (!rec) return true;
    if ((id >= IDC_LDR_SHAPE0 && id <= IDC_LDR_SHAPE5 && code == BN_CLICKED) ||
        ((id == IDC_LDR_WELD_CLOSED || id == IDC_LDR_WELD_STRETCH) && code == BN_CLICKED) ||
        (id == IDC_LDR_SIGN && code == CBN_SELENDOK)) {
        int value = id == IDC_LDR_SIGN ? combo_selected_data(dialog, id) : checked(dialog, id);
        leader_apply_control(rec, id, value);
        record_touched();
        state.filling = true;
        leader_enable(dialog, rec);
        state.filling = false;
    } else if ((id == IDC_LDR_UPPER || id == IDC_LDR_LOWER) && code == EN_CHANGE) {
        std::string t = control_text(dialog, id);
        uint8_t* r = leader_record_set_texts(projection, &current_annotation_ref,
                                             id == IDC_LDR_UPPER ? t.c_str() : nullptr,
                                             id == IDC_LDR_LOWER ? t.c_str() : nullptr);
        if (!r) {
            show_program_message(system_failure);
            return false;
        }
    } else {
        return true;
    }
    leader_layout(projection);
    return true;
}

// ---------------------------------------------------------------- tolerance

void tolerance_show_slot(HWND dialog, const uint8_t* rec, int slot) {
    int count = (get_u16(rec, annotation_flags) >> 6) & 7;
    sign_number_radio_set(dialog, slot + 1, count);
    int code = slot < 3 ? rec[tolerance_signs + slot] : 0;
    combo_select_data(dialog, IDC_TOL_SIGN, code);
    HWND c = GetDlgItem(dialog, IDC_TOL_SIGN);
    if (c) hint_set_text(c, tolerance_sign_hint(code));
}

void tolerance_init(HWND dialog, const uint8_t* rec) {
    const char* names[tolerance_sign_count];
    for (int i = 0; i < tolerance_sign_count; ++i) names[i] = tolerance_sign_hint(i) + 1;
    combo_fill(dialog, IDC_TOL_SIGN, names, tolerance_sign_count, images_property_b);
    ToleranceTexts t = tolerance_split(record_text(rec, tolerance_head));
    SendDlgItemMessageA(dialog, IDC_TOL_VALUE, EM_LIMITTEXT, 255, 0);
    SendDlgItemMessageA(dialog, IDC_TOL_DATUMS, EM_LIMITTEXT, 255, 0);
    set_text(dialog, IDC_TOL_VALUE, t.value);
    set_text(dialog, IDC_TOL_DATUMS, t.datums);
    button_picture(dialog, IDC_TOL_STACKED, 17171);
    check(dialog, IDC_TOL_STACKED, (get_u16(rec, annotation_flags) & tolerance_flag_stacked) != 0);
    tolerance_show_slot(dialog, rec, 0);
    hint(dialog, IDC_TOL_SIGN, tolerance_sign_hint(rec[tolerance_signs]));
    HWND s1 = GetDlgItem(dialog, IDC_TOL_SLOT1), s3 = GetDlgItem(dialog, IDC_TOL_SLOT3);
    if (s1 && s3) hint_add_span(dialog, s1, s3, " Порядковый номер знака\n суммарного допуска");
    hint(dialog, IDC_TOL_STACKED, " Расположить указатели\n допусков \"башенкой\"");
}

void tolerance_layout(uint8_t* projection) {
    uint8_t* rec = record_now();
    if (!rec) return;
    // The frame's top-left corner is the point the layout takes: the frame
    // stays where it stands, only its right edge follows the texts.
    adopt(properties_layout.layout_tolerance_designation(projection, &current_annotation_ref,
                                                         get_f32(rec, tolerance_frame1),
                                                         get_f32(rec, tolerance_frame2 + 4)));
}

void tolerance_command(HWND dialog, int id, int code, uint8_t* projection) {
    uint8_t* rec = record_now();
    if (!rec) return;
    if (id == IDC_TOL_SIGN && code == CBN_SELENDOK) {
        int code_chosen = combo_selected_data(dialog, id);
        int slot = sign_number_radio_get(dialog), next = 0;
        if (code_chosen < 0) return;
        adopt(tolerance_signs_apply(projection, &current_annotation_ref, slot, code_chosen, &next));
        rec = record_now();
        if (rec) {
            state.filling = true;
            tolerance_show_slot(dialog, rec, next);
            state.filling = false;
        }
    } else if (id >= IDC_TOL_SLOT1 && id <= IDC_TOL_SLOT3 && code == BN_CLICKED) {
        state.filling = true;
        tolerance_show_slot(dialog, rec, id - IDC_TOL_SLOT1);
        state.filling = false;
        return;
    } else if ((id == IDC_TOL_VALUE || id == IDC_TOL_DATUMS) && code == EN_CHANGE) {
        std::string t = control_text(dialog, id);
        adopt(build_tolerance_record(projection, &current_annotation_ref, nullptr,
                                     id == IDC_TOL_VALUE ? t.c_str() : nullptr,
                                     id == IDC_TOL_DATUMS ? t.c_str() : nullptr));
    } else if (id == IDC_TOL_STACKED && code == BN_CLICKED) {
        uint16_t f = get_u16(rec, annotation_flags);
        put_u16(rec, annotation_flags,
                static_cast<uint16_t>(checked(dialog, id) ? (f | tolerance_flag_stacked) : (f & ~tolerance_flag_stacked)));
        record_touched();
        adopt(build_tolerance_record(projection, &current_annotation_ref, nullptr, nullptr, nullptr));
    } else {
        return;
    }
    tolerance_layout(projection);
}

// ---------------------------------------------------------------- roughness

void roughness_init(HWND dialog, const uint8_t* rec) {
    button_picture(dialog, IDC_RGH_CONTOUR, 17141);
    button_picture(dialog, IDC_RGH_REQUIREMENTS, 17142);
    button_picture(dialog, IDC_RGH_UNMARKED, 17143);
    static const char* const treatments[3] = {"—", "удалением", "без удаления"};
    static const char* const lays[8] = {"нет", "=", "_|_", "X", "M", "C", "R", "P"};
    combo_fill(dialog, IDC_RGH_TREATMENT, treatments, 3, images_annotation_small);
    combo_fill(dialog, IDC_RGH_LAY, lays, 8, images_annotation_wide);
    RoughnessTexts t = roughness_texts(rec);
    SendDlgItemMessageA(dialog, IDC_RGH_PARAMETER, EM_LIMITTEXT, 248, 0);
    SendDlgItemMessageA(dialog, IDC_RGH_INSTRUCTIONS, EM_LIMITTEXT, 255, 0);
    SendDlgItemMessageA(dialog, IDC_RGH_BASE_LENGTH, EM_LIMITTEXT, 255, 0);
    set_text(dialog, IDC_RGH_PARAMETER, stored_text_to_edit(t.parts[0], false));
    set_text(dialog, IDC_RGH_INSTRUCTIONS, t.parts[1]);
    set_text(dialog, IDC_RGH_BASE_LENGTH, t.parts[2]);
    uint16_t f = get_u16(rec, annotation_flags);
    check(dialog, IDC_RGH_CONTOUR, (f & 0x0040) != 0);
    check(dialog, IDC_RGH_REQUIREMENTS, (f & 0x1000) != 0);
    check(dialog, IDC_RGH_UNMARKED, state.general && (f & 0x0800) != 0);
    enable(dialog, IDC_RGH_UNMARKED, state.general);
    combo_select_data(dialog, IDC_RGH_TREATMENT, rec[roughness_variant]);
    combo_select_data(dialog, IDC_RGH_LAY, rec[roughness_first_length]);
    if (state.general) {
        SetWindowTextA(dialog, "Общая шерохов.");
        enable(dialog, IDC_PROP_CLONE, false);
    }
    hint(dialog, IDC_RGH_TREATMENT, " Вид обработки материала");
    hint(dialog, IDC_RGH_PARAMETER, " Параметры шероховатости");
    hint(dialog, IDC_RGH_INSTRUCTIONS, " Дополнительные указания");
    hint(dialog, IDC_RGH_BASE_LENGTH, " Базовая длина");
    hint(dialog, IDC_RGH_LAY, " Условное обозначение\n направления неровностей");
    hint(dialog, IDC_RGH_CONTOUR, " Шероховатость контура");
    hint(dialog, IDC_RGH_REQUIREMENTS, " Обозначение - ссылка\n на тех.требования");
    hint(dialog, IDC_RGH_UNMARKED, " Для части не указанных");
}

void roughness_command(HWND dialog, int id, int code) {
    uint8_t* rec = record_now();
    if (!rec) return;
    if (((id == IDC_RGH_TREATMENT || id == IDC_RGH_LAY) && code == CBN_SELENDOK) ||
        ((id == IDC_RGH_CONTOUR || id == IDC_RGH_REQUIREMENTS || id == IDC_RGH_UNMARKED) && code == BN_CLICKED)) {
        int value = (id == IDC_RGH_TREATMENT || id == IDC_RGH_LAY) ? combo_selected_data(dialog, id) : checked(dialog, id);
        if (roughness_apply_control(rec, id, value)) record_touched();
    } else if ((id == IDC_RGH_PARAMETER || id == IDC_RGH_INSTRUCTIONS || id == IDC_RGH_BASE_LENGTH) &&
               code == EN_CHANGE) {
        std::string t = control_text(dialog, id);
        if (id == IDC_RGH_PARAMETER) t = edit_text_to_stored(t);
        adopt(roughness_record_set_text(record_chain(), &current_annotation_ref, t.c_str(), id, record_buffer()));
    }
}

// ---------------------------------------------------------------- text fragment

void fragment_show_sizes(HWND dialog, const uint8_t* rec) {
    uint16_t f = get_u16(rec, annotation_flags);
    char buf[64];
    if (f & fragment_fixed_width) {
        format_number_by_magnitude(buf, sizeof buf, text_fragment_inner_width(rec));
        set_text(dialog, IDC_FRG_WIDTH, buf);
    } else {
        set_text(dialog, IDC_FRG_WIDTH, "Авто");
    }
    if (f & fragment_fixed_height) {
        format_number_by_magnitude(buf, sizeof buf, text_fragment_inner_height(rec));
        set_text(dialog, IDC_FRG_HEIGHT, buf);
    } else {
        set_text(dialog, IDC_FRG_HEIGHT, "Авто");
    }
}

void fragment_init(HWND dialog, const uint8_t* rec) {
    for (int i = 0; i < 6; ++i) button_picture(dialog, alignment_buttons[i], 17121 + i);
    open_fragment_dialog = dialog;
    SendDlgItemMessageA(dialog, IDC_FRG_TEXT, EM_LIMITTEXT, 65535, 0);
    set_text(dialog, IDC_FRG_TEXT, stored_text_to_edit(record_text(rec, text_fragment_head), true));
    fragment_show_sizes(dialog, rec);
    check(dialog, IDC_FRG_FIT, (rec[text_fragment_options] & 1) != 0);
    radio_group_check(dialog, alignment_buttons, 6, text_fragment_alignment_button(rec));
    for (int id : edge_boxes) check(dialog, id, text_fragment_edge_checked(rec, id));
    for (int i = 0; i < 8; ++i) button_picture(dialog, edge_boxes[i], 17151 + i);
    // The form switch shows which form is open; the text stays for a
    // button whose picture could not be loaded.
    SetDlgItemTextA(dialog, IDC_FRG_FORM, state.wide ? "><" : "<>");
    button_picture(dialog, IDC_FRG_FORM, state.wide ? 17162 : 17161);
    prompt_show("+параметры фрагмента текста");
    modifier_keys_show(VK_SHIFT, 0);
    HWND a = GetDlgItem(dialog, IDC_FRG_LEFT), b = GetDlgItem(dialog, IDC_FRG_RIGHT);
    if (a && b) hint_add_span(dialog, a, b, " Выравнивание текста\n без поворота");
    a = GetDlgItem(dialog, IDC_FRG_TURNED_LEFT);
    b = GetDlgItem(dialog, IDC_FRG_TURNED_RIGHT);
    if (a && b) hint_add_span(dialog, a, b, " Выравнивание текста после\n поворота на 90° против ч.с.");
    hint(dialog, IDC_FRG_FORM, " Перейти на диалог\n в обычном окне");
    for (int i = 0; i < 8; ++i)
        hint(dialog, edge_boxes[i], i % 2 ? " Грани фрагмента тонкой линией" : " Грани фрагмента основной линией");
}

void fragment_layout(uint8_t* projection) {
    uint8_t* rec = record_now();
    if (!rec) return;
    uint8_t* laid = layout_text_fragment(projection, rec);
    adopt(laid);
    record_touched();
}

void fragment_command(HWND dialog, int id, int code, uint8_t* projection) {
    uint8_t* rec = record_now();
    if (!rec) return;
    if (id == IDC_FRG_TEXT && (code == EN_CHANGE || code == EN_KILLFOCUS || code == EN_MAXTEXT)) {
        std::string t = edit_text_to_stored(control_text(dialog, id));
        if (t == record_text(rec, text_fragment_head)) return;
        adopt(text_fragment_set_text(projection, rec, t.c_str(), t.size() * 2 + 8));
        // A refused text leaves the record as it was: no new layout either.
        rec = record_now();
        if (!rec || record_text(rec, text_fragment_head) != t) return;
    } else if ((id == IDC_FRG_WIDTH || id == IDC_FRG_HEIGHT) && (code == EN_KILLFOCUS || code == EN_MAXTEXT)) {
        std::string t = control_text(dialog, id);
        double v = (t.empty() || t == "Авто") ? NAN : parse_number_text(t.c_str());
        TextStyle s{};
        annotation_style_get(rec, &s);
        bool fixed = id == IDC_FRG_WIDTH ? text_fragment_set_fixed_width(rec, v)
                                         : text_fragment_set_fixed_height(rec, v, model_text_height(s.height_index));
        if (!fixed) set_text(dialog, id, "");
        record_touched();
    } else if (id == IDC_FRG_FIT && code == BN_CLICKED) {
        // Checked: the fragment is fitted into the cell of lines around it;
        // no cell found unchecks the box and the size fields stay free.
        bool on = checked(dialog, IDC_FRG_FIT);
        rec[text_fragment_options] = static_cast<uint8_t>(on ? (rec[text_fragment_options] | 1)
                                                             : (rec[text_fragment_options] & ~1));
        record_touched();
        if (on) {
            unsigned char* fitted = rec;
            if (fit_text_into_cell(projection, &fitted, nullptr)) {
                adopt(fitted);
                record_touched();
            } else {
                rec = record_now();
                if (rec) rec[text_fragment_options] = static_cast<uint8_t>(rec[text_fragment_options] & ~1);
                check(dialog, IDC_FRG_FIT, false);
            }
            if ((rec = record_now())) fragment_show_sizes(dialog, rec);
        }
    } else if (((id >= IDC_FRG_LEFT && id <= IDC_FRG_RIGHT) || (id >= IDC_FRG_TURNED_LEFT && id <= IDC_FRG_TURNED_RIGHT)) &&
               code == BN_CLICKED) {
        text_fragment_apply_alignment(rec, id);
        radio_group_check(dialog, alignment_buttons, 6, id);
        record_touched();
    } else if (code == BN_CLICKED && text_fragment_apply_edge(rec, id, checked(dialog, id))) {
        state.filling = true;
        for (int e : edge_boxes) check(dialog, e, text_fragment_edge_checked(rec, e));
        state.filling = false;
        record_touched();
    } else {
        return;
    }
    fragment_layout(projection);
    rec = record_now();
    if (rec) {
        state.filling = true;
        fragment_show_sizes(dialog, rec);
        state.filling = false;
    }
}

// Closing with "Да" or "Клон": an emptied fragment without edges goes.
void fragment_close_erase() {
    uint8_t* rec = record_now();
    if (rec && text_fragment_erase_on_close(rec)) {
        record_delete(current_drawing_file(), record_chain(), current_annotation_ref, record_buffer());
        current_annotation_ref = 0;
    }
}

// ---------------------------------------------------------------- section

void section_init(HWND dialog, const uint8_t* rec) {
    button_picture(dialog, IDC_SEC_VIEW_LEFT, 17131);
    button_picture(dialog, IDC_SEC_VIEW_RIGHT, 17132);
    open_section_dialog = dialog;
    SendDlgItemMessageA(dialog, IDC_SEC_LETTERS, EM_LIMITTEXT, 8, 0);
    set_text(dialog, IDC_SEC_LETTERS, section_letters_text(rec));
    uint16_t f = get_u16(rec, annotation_flags);
    CheckRadioButton(dialog, IDC_SEC_VIEW_LEFT, IDC_SEC_VIEW_RIGHT, (f & 0x40) ? IDC_SEC_VIEW_RIGHT : IDC_SEC_VIEW_LEFT);
    check(dialog, IDC_SEC_HIDE_BENDS, (f & 0x80) != 0);
    hint(dialog, IDC_SEC_LETTERS, " А,Б,В,... и т.д.");
    hint(dialog, IDC_SEC_VIEW_LEFT, " Направление взгляда слева");
    hint(dialog, IDC_SEC_VIEW_RIGHT, " Направление взгляда справа");
    hint(dialog, IDC_SEC_REMOVE_LAST, " Удалить последнюю точку");
}

void section_command(HWND dialog, int id, int code, uint8_t* projection) {
    uint8_t* rec = record_now();
    if (!rec) return;
    if (id == IDC_SEC_LETTERS && code == EN_CHANGE) {
        section_set_letters(rec, control_text(dialog, id));
    } else if ((id == IDC_SEC_VIEW_LEFT || id == IDC_SEC_VIEW_RIGHT || id == IDC_SEC_HIDE_BENDS) && code == BN_CLICKED) {
        section_apply_control(rec, id, checked(dialog, id));
    } else if (id == IDC_SEC_REMOVE_LAST && code == BN_CLICKED) {
        RecordBytes shorter;
        if (!section_without_last_node(rec, &shorter)) return;
        rec = projection_annotation_replace(projection, &current_annotation_ref, shorter.data());
        if (!rec) return;
    } else {
        return;
    }
    place_designation_letters(rec);
    record_touched();
}

// ---------------------------------------------------------------- hatching

int drawing_fragment_count() {
    DrawingFile* df = current_drawing_file();
    if (!df) return 0;
    int n = 0;
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
    for (uint8_t* p = record_next(df, head, nullptr, &page_buffers[table_projections]); p && !error_flag;
         p = record_next(df, head, p, &page_buffers[table_projections]))
        if ((get_u16(p, projection_type_word_offset) & 0x0F) == 8) ++n;
    return n;
}

void hatch_params_show(HWND dialog, uint8_t* rec) {
    hatch_params_normalise(rec);
    record_touched();
    int code = rec[hatching_kind_code];
    const HatchKindRule* r = hatch_kind_rule(code);
    const int labels[2] = {IDC_HAT_LABEL1, IDC_HAT_LABEL2}, edits[2] = {IDC_HAT_PARAM1, IDC_HAT_PARAM2};
    const uint32_t at[2] = {hatching_param1, hatching_param2};
    for (int i = 0; i < 2; ++i) {
        bool has = r && r->params[i].kind != hatch_param_none;
        set_text(dialog, labels[i], has ? r->params[i].label : "");
        set_text(dialog, edits[i], has ? hatch_param_text(code, i, get_f32(rec, at[i])) : "");
        enable(dialog, edits[i], has);
    }
}

void hatch_kind_buttons_show(HWND dialog, int start, int code) {
    start = hatch_window_start(start);
    if (start != state.hatch_start) {
        state.hatch_start = start;
        for (int i = 0; i < 8; ++i) {
            const HatchKindRule* r = hatch_kind_rule(start + i);
            // The kind's name on its button (its picture in time).
            std::string label = r ? r->hint + 1 : "";
            size_t cut = label.find('\n');
            if (cut != std::string::npos) label = label.substr(0, cut);
            set_text(dialog, hatch_kind_buttons[i], label.substr(0, 5));
            HWND b = GetDlgItem(dialog, hatch_kind_buttons[i]);
            if (b && r) hint_set_text(b, r->hint);
        }
        SetScrollPos(GetDlgItem(dialog, IDC_HAT_SCROLL), SB_CTL, start + 1, TRUE);
    }
    for (int i = 0; i < 8; ++i) {
        SendDlgItemMessageA(dialog, hatch_kind_buttons[i], BM_SETSTATE, start + i == code, 0);
        enable(dialog, hatch_kind_buttons[i], start + i != 13 || drawing_fragment_count() > 0);
    }
}

void hatch_area_show(HWND dialog, uint8_t* projection, const uint8_t* rec) {
    DrawingFile* df = current_drawing_file();
    uint8_t* c = df ? record_find_key(df, projection_chain(projection, projection_contours), get_u32(rec, record_key),
                                      nullptr, &page_buffers[table_contours])
                    : nullptr;
    if (!c) {
        set_text(dialog, IDC_HAT_AREA, "");
        return;
    }
    char buf[64];
    format_number_by_magnitude(buf, sizeof buf, get_f64(c, contour_area));
    set_text(dialog, IDC_HAT_AREA, std::string(buf) + " кв.мм");
}

void hatch_name_show(HWND dialog, const uint8_t* rec) {
    char name[7] = {};
    std::memcpy(name, rec + hatching_name, 6);
    set_text(dialog, IDC_HAT_NAME, name);
}

void hatching_init(HWND dialog, uint8_t* rec) {
    SCROLLINFO si = {sizeof si, SIF_RANGE | SIF_PAGE, 1, 14, 8, 0, 0};
    SetScrollInfo(GetDlgItem(dialog, IDC_HAT_SCROLL), SB_CTL, &si, TRUE);
    int code = rec[hatching_kind_code];
    state.hatch_start = -1;
    hatch_kind_buttons_show(dialog, code < 8 ? 0 : code - 7, code);
    for (int i = 0; i < 8; ++i) {
        const HatchKindRule* r = hatch_kind_rule(state.hatch_start + i);
        hint(dialog, hatch_kind_buttons[i], r ? r->hint : nullptr);
    }
    hatch_params_show(dialog, rec);
    SendDlgItemMessageA(dialog, IDC_HAT_NAME, EM_LIMITTEXT, 7, 0);
    hatch_name_show(dialog, rec);
    hatch_area_show(dialog, projection_now(), rec);
    hint(dialog, IDC_HAT_FRAGMENTS, " Список фрагментов для\n штриховки пользователя");
}

void hatching_command(HWND dialog, int id, int code) {
    uint8_t* rec = record_now();
    if (!rec) return;
    int code_now = rec[hatching_kind_code];
    for (int i = 0; i < 8; ++i) {
        if (id != hatch_kind_buttons[i] || code != BN_CLICKED) continue;
        if (hatch_apply_kind(rec, state.hatch_start + i)) record_touched();
        state.filling = true;
        hatch_kind_buttons_show(dialog, state.hatch_start, rec[hatching_kind_code]);
        hatch_params_show(dialog, rec);
        state.filling = false;
        return;
    }
    if ((id == IDC_HAT_PARAM1 || id == IDC_HAT_PARAM2) && (code == EN_KILLFOCUS || code == EN_MAXTEXT)) {
        int which = id == IDC_HAT_PARAM1 ? 0 : 1;
        double v = 0;
        if (hatch_param_typed(code_now, which, control_text(dialog, id).c_str(), &v)) {
            put_f32(rec, which ? hatching_param2 : hatching_param1, static_cast<float>(v));
            record_touched();
        }
        state.filling = true;
        hatch_params_show(dialog, rec);
        state.filling = false;
    } else if (id == IDC_HAT_NAME && (code == EN_KILLFOCUS || code == EN_MAXTEXT) && !state.name_busy) {
        state.name_busy = true;
        uint8_t name[6];
        std::string typed = control_text(dialog, id);
        hatch_name_from_text(typed.c_str(), name);
        bool empty = name[0] == 0;
        if (!empty && std::memcmp(name, rec + hatching_name, 6) != 0) {
            RecordRef keep = current_annotation_ref;
            int found = find_contour_by_name(name, nullptr, nullptr);
            current_annotation_ref = keep;
            rec = record_now();
            if (rec && !found) {
                std::memcpy(rec + hatching_name, name, 6);
                record_touched();
            }
        }
        if (rec) {
            state.filling = true;
            hatch_name_show(dialog, rec);
            state.filling = false;
        }
        state.name_busy = false;
    } else if (id == IDC_HAT_FRAGMENTS && code == CBN_SELENDOK) {
        int number = combo_selected_data(dialog, id);
        if (number > 0) {
            put_u32(rec, hatching_source, static_cast<uint32_t>(number));
            record_touched();
        }
    }
}

void hatching_scroll(HWND dialog, WPARAM wparam) {
    int start = hatch_scroll(state.hatch_start, LOWORD(wparam), static_cast<short>(HIWORD(wparam)));
    DocumentLockGuard lock;
    uint8_t* rec = record_now();
    hatch_kind_buttons_show(dialog, start, rec ? rec[hatching_kind_code] : -1);
}

// Deleting a hatching: its contour, the record, the generated records.
void hatching_delete(uint8_t* projection) {
    DrawingFile* df = current_drawing_file();
    uint8_t* rec = record_now();
    if (!df || !rec) return;
    uint32_t number = get_u32(rec, record_key);
    if (number) record_delete_key(df, projection_chain(projection, projection_contours), number, &page_buffers[table_contours]);
    rec = record_now();
    if (rec) record_delete(df, record_chain(), current_annotation_ref, record_buffer());
    current_annotation_ref = 0;
    if (df->header[header_options + 1] & 0x02) purge_temporary_records();
    put_u16(df->header, header_options, static_cast<uint16_t>(get_u16(df->header, header_options) & ~0x0100));
    put_u32(df->header, header_construction_time, static_cast<uint32_t>(std::time(nullptr)));
    put_u32(df->header, header_dword_140, 0);
}

// ---------------------------------------------------------------- dimension text

uint8_t* dimension_of_label(uint8_t* projection, const uint8_t* label) {
    DrawingFile* df = current_drawing_file();
    if (!df || !label) return nullptr;
    return record_find_key(df, projection_chain(projection, projection_dimensions), get_u32(label, record_key), nullptr,
                           &page_buffers[table_dimensions]);
}

void dimension_enable(HWND dialog, const uint8_t* label, const uint8_t* dim) {
    DimensionTextControls c = dimension_text_controls(label, dim);
    enable(dialog, IDC_DIM_UNDER, c.under_text);
    enable(dialog, IDC_DIM_MARK, c.mark_in_lists);
    enable(dialog, IDC_DIM_NEAREST, c.nearest_points);
    enable(dialog, IDC_DIM_CORRECT, c.correct);
    for (int id : {IDC_DIM_HIDE_NOMINAL, IDC_DIM_MARK, IDC_DIM_INVISIBLE, IDC_DIM_NEAREST, IDC_DIM_CORRECT})
        check(dialog, id, dimension_text_checked(label, dim, id));
}

bool dimension_init(HWND dialog, const uint8_t* label) {
    uint8_t* dim = dimension_of_label(projection_now(), label);
    if (!dim) return false;
    std::string parts[4];
    dimension_label_parts(label, parts);
    std::string caption = "Размер " + parts[1].substr(0, 60);
    SetWindowTextA(dialog, caption.c_str());
    set_text(dialog, IDC_DIM_BEFORE, parts[0]);
    set_text(dialog, IDC_DIM_AFTER, parts[2]);
    set_text(dialog, IDC_DIM_UNDER, parts[3]);
    for (int id : {IDC_DIM_BEFORE, IDC_DIM_AFTER, IDC_DIM_UNDER}) SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 255, 0);
    // The measured value of a show-only dimension: its stored nominal until
    // the measuring code gives the present one.
    if (dimension_text_controls(label, dim).shows_value) {
        char value[64];
        format_number_by_magnitude(value, sizeof value, std::fabs(get_f64(dim, dimension_nominal)));
        set_text(dialog, IDC_DIM_VALUE, value);
    }
    dimension_enable(dialog, label, dim);
    hint(dialog, IDC_DIM_BEFORE, " Надпись перед номиналом");
    hint(dialog, IDC_DIM_AFTER, " Надпись после номинала");
    hint(dialog, IDC_DIM_UNDER, " Надпись под полкой выноски");
    hint(dialog, IDC_DIM_HIDE_NOMINAL, " Другое значение размера можно\n ввести в строке после номинала");
    return true;
}

// Returns false when the dialog must end.
bool dimension_command(HWND dialog, int id, int code, uint8_t* projection, bool* whole_window) {
    uint8_t* label = record_now();
    if (!label) return true;
    uint8_t* dim = dimension_of_label(projection, label);
    if (!dim) {
        // The label's dimension is gone: so is the label.
        record_delete(current_drawing_file(), record_chain(), current_annotation_ref, record_buffer());
        current_annotation_ref = 0;
        return false;
    }
    label = record_now();
    if (code == BN_CLICKED && (id == IDC_DIM_HIDE_NOMINAL || id == IDC_DIM_MARK || id == IDC_DIM_INVISIBLE ||
                               id == IDC_DIM_NEAREST || id == IDC_DIM_CORRECT)) {
        dimension_text_apply_check(label, dim, id, checked(dialog, id));
        record_touched();
        page_buffers[table_dimensions].clean = 0;
        *whole_window = id == IDC_DIM_INVISIBLE || id == IDC_DIM_NEAREST;
        state.filling = true;
        dimension_enable(dialog, label, dim);
        state.filling = false;
    } else if ((id == IDC_DIM_BEFORE || id == IDC_DIM_AFTER || id == IDC_DIM_UNDER) && code == EN_CHANGE) {
        std::string t = control_text(dialog, id);
        const char* parts[4] = {nullptr, nullptr, nullptr, nullptr};
        parts[id == IDC_DIM_BEFORE ? 0 : id == IDC_DIM_AFTER ? 2 : 3] = t.c_str();
        RecordBytes built;
        const char* refusal = nullptr;
        if (!dimension_label_with_parts(label, parts, &built, &refusal)) {
            show_program_message(refusal);
            return true;
        }
        uint8_t* r = projection_annotation_replace(projection, &current_annotation_ref, built.data());
        if (!r) {
            show_program_message(system_failure);
            return false;
        }
    } else {
        return true;
    }
    properties_layout.relayout_dimension(projection, get_u32(dim, dimension_number));
    return true;
}

// ---------------------------------------------------------------- the procedure

// Handles one command under the lock; returns the dialog's result when it
// must end, -1 otherwise.
INT_PTR handle_command(HWND dialog, int id, int code) {
    if (state.filling || state.closing) return -1;
    HWND window = nullptr;
    INT_PTR end = -1;
    {
        DocumentLockGuard lock;
        uint8_t* projection = projection_now();
        uint8_t* rec = record_now();
        if (!rec || error_flag) {
            error_flag = 0;
            return -1;
        }
        bool whole = false;
        if (code == BN_CLICKED && state.kind != annotation_hatching &&
            (id == IDC_PROP_FONT_A_SLANTED || id == IDC_PROP_FONT_A_UPRIGHT || id == IDC_PROP_FONT_B_SLANTED ||
             id == IDC_PROP_FONT_B_UPRIGHT)) {
            annotation_style_apply(rec, id, 0);
            record_touched();
        } else if (id == IDC_PROP_HEIGHT && code == CBN_SELENDOK && state.kind != annotation_hatching) {
            int index = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
            if (annotation_style_apply(rec, id, index)) record_touched();
        } else {
            switch (state.kind) {
            case annotation_leader:
                if (!leader_command(dialog, id, code, projection)) end = 0;
                break;
            case annotation_tolerance: tolerance_command(dialog, id, code, projection); break;
            case annotation_roughness: roughness_command(dialog, id, code); break;
            case annotation_text_fragment: fragment_command(dialog, id, code, projection); break;
            case annotation_section: section_command(dialog, id, code, projection); break;
            case annotation_hatching: hatching_command(dialog, id, code); break;
            case annotation_dimension_text:
                if (!dimension_command(dialog, id, code, projection, &whole)) end = 0;
                break;
            default: break;
            }
            window = projection_hwnd();
            if (window) InvalidateRect(window, nullptr, FALSE);
            goto done;
        }
        // A style change: the record is laid out again by its kind.
        switch (state.kind) {
        case annotation_tolerance:
            adopt(build_tolerance_record(projection, &current_annotation_ref, nullptr, nullptr, nullptr));
            tolerance_layout(projection);
            break;
        case annotation_leader: leader_layout(projection); break;
        case annotation_text_fragment: fragment_layout(projection); break;
        case annotation_section:
            if ((rec = record_now()) != nullptr) place_designation_letters(rec);
            break;
        default: break;
        }
        window = projection_hwnd();
        if (window) InvalidateRect(window, nullptr, FALSE);
    done:
        (void)whole;
    }
    repaint_now(window);
    return end;
}

void delete_record(HWND dialog) {
    HWND window = nullptr;
    INT_PTR result = 0;
    {
        DocumentLockGuard lock;
        uint8_t* projection = projection_now();
        uint8_t* rec = record_now();
        DrawingFile* df = current_drawing_file();
        if (rec && df) {
            switch (state.kind) {
            case annotation_roughness:
                if (state.general) {
                    record_delete(df, record_chain(), current_annotation_ref, record_buffer());
                } else {
                    roughness_delete(projection, &current_annotation_ref);
                }
                break;
            case annotation_hatching: hatching_delete(projection); break;
            case annotation_leader: {
                uint16_t f = get_u16(rec, annotation_flags);
                uint32_t key = get_u32(rec, record_key);
                record_delete(df, record_chain(), current_annotation_ref, record_buffer());
                RecordRef sign = 0;
                if ((f & 0x8000) && key && annotation_find_key_fields(projection, key, 1, 0, &sign) && sign)
                    record_delete(df, record_chain(), sign, record_buffer());
                break;
            }
            default: record_delete(df, record_chain(), current_annotation_ref, record_buffer()); break;
            }
            current_annotation_ref = 0;
        }
        window = projection_hwnd();
        if (window) InvalidateRect(window, nullptr, FALSE);
    }
    repaint_now(window);
    state.backup.items.clear();
    closing_steps(dialog, result);
}

// The panel's creating tool of each kind, for "Клон" and "Да".
int creating_tool(int kind) {
    switch (kind) {
    case annotation_leader: return 1160;
    case annotation_hatching: return 1162;
    case annotation_text_fragment: return 1164;
    case annotation_section: return 1165;
    case annotation_roughness: return 1033;
    case annotation_tolerance: return 1029;
    default: return 0;
    }
}

void clone(HWND dialog) {
    if (state.kind == annotation_text_fragment) handle_command(dialog, IDC_FRG_TEXT, EN_KILLFOCUS);
    {
        DocumentLockGuard lock;
        if (state.kind == annotation_text_fragment) fragment_close_erase();
    }
    int tool = creating_tool(state.kind);
    if (stage_panel && tool) SendMessageA(stage_panel, WM_COMMAND, MAKEWPARAM(tool, 245), 0);
    // Set after the panel's tool click, which clears it.
    clone_source = current_annotation_ref;
    if (state.kind == annotation_text_fragment || state.kind == annotation_leader) modifier_keys_show(VK_SHIFT, 1);
    closing_steps(dialog, 0);
}

void accept(HWND dialog) {
    if (state.kind == annotation_text_fragment || state.kind == annotation_tolerance || state.kind == annotation_leader) {
        int tool = creating_tool(state.kind);
        if (stage_panel && tool && IsDlgButtonChecked(stage_panel, tool) == BST_CHECKED)
            PostMessageA(stage_panel, WM_COMMAND, MAKEWPARAM(1156, BN_CLICKED), 0);
    }
    if (state.kind == annotation_text_fragment) {
        // The text as the edit shows it, then an emptied fragment goes.
        handle_command(dialog, IDC_FRG_TEXT, EN_KILLFOCUS);
        DocumentLockGuard lock;
        fragment_close_erase();
    }
    closing_steps(dialog, 0);
}

INT_PTR CALLBACK properties_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        state.closing = false;
        state.filling = true;
        bool ok = initialise(dialog);
        if (ok) {
            DocumentLockGuard lock;
            uint8_t* rec = record_now();
            if (!rec) {
                ok = false;
            } else {
                switch (state.kind) {
                case annotation_leader: leader_init(dialog, rec); break;
                case annotation_tolerance: tolerance_init(dialog, rec); break;
                case annotation_roughness: roughness_init(dialog, rec); break;
                case annotation_text_fragment: fragment_init(dialog, rec); break;
                case annotation_section: section_init(dialog, rec); break;
                case annotation_hatching: hatching_init(dialog, rec); break;
                case annotation_dimension_text: ok = dimension_init(dialog, rec); break;
                default: ok = false; break;
                }
            }
        }
        state.filling = false;
        if (!ok) {
            state.backup.items.clear();
            EndDialog(dialog, 0);
            return TRUE;
        }
        hint(dialog, IDC_PROP_SYMBOLS, settings_text(settings_symbol_table_hint_offset));
        hints_enable();
        HWND w = projection_hwnd();
        if (w) InvalidateRect(w, nullptr, FALSE);
        if (properties_dialog_shown) PostMessageA(dialog, WM_APP + 0x61, 0, 0);
        return TRUE;
    }
    case WM_APP + 0x61:
        if (properties_dialog_shown) properties_dialog_shown(dialog, state.template_id);
        return TRUE;
    case WM_HSCROLL:
        if (state.kind == annotation_hatching) hatching_scroll(dialog, wparam);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wparam), code = HIWORD(wparam);
        if (id == IDCANCEL) {
            cancel(dialog, state.kind == annotation_section ? 1 : 0);
        } else if (id == IDOK && code == BN_CLICKED) {
            accept(dialog);
        } else if (id == IDC_PROP_DELETE && code == BN_CLICKED) {
            delete_record(dialog);
        } else if (id == IDC_PROP_CLONE && code == BN_CLICKED) {
            clone(dialog);
        } else if (id == IDC_PROP_SYMBOLS && code == BN_CLICKED) {
            if (command_seams.symbol_table_dialog) command_seams.symbol_table_dialog();
        } else if (id == IDC_PROP_VARIABLES && code == CBN_SELCHANGE) {
            copy_variable_reference(GetDlgItem(dialog, id));
        } else if (id == IDC_FRG_FORM && code == BN_CLICKED && state.kind == annotation_text_fragment) {
            handle_command(dialog, IDC_FRG_TEXT, EN_KILLFOCUS);
            closing_steps(dialog, 1);
        } else if ((code == EN_SETFOCUS || code == EN_KILLFOCUS) && !state.filling) {
            hints_suppress(code == EN_SETFOCUS ? 1 : 0);
            INT_PTR end = handle_command(dialog, id, code);
            if (end >= 0) closing_steps(dialog, end);
        } else {
            INT_PTR end = handle_command(dialog, id, code);
            if (end >= 0) closing_steps(dialog, end);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

INT_PTR run_dialog(int template_id) {
    state.template_id = template_id;
    return DialogBoxParamA(program_instance, MAKEINTRESOURCEA(template_id), frame_window, properties_proc, 0);
}

// Runs the dialog of the current record's kind; kind 3 alternates between
// its two forms until one ends with 0.
void run_kind_dialog(int kind) {
    state.kind = kind;
    bool option = false;
    DrawingFile* df = current_drawing_file();
    if (df) option = (get_u16(df->header, header_options) & header_opt_bit1) != 0;
    int id = annotation_dialog_for_kind(kind, properties_low_resolution(), option);
    if (!id) return;
    if (kind != annotation_text_fragment) {
        run_dialog(id);
        return;
    }
    state.wide = false;
    for (;;) {
        INT_PTR r = run_dialog(state.wide ? IDD_PROP_FRAGMENT_WIDE : IDD_PROP_FRAGMENT);
        if (r <= 0) break;
        state.wide = !state.wide;
    }
}

}  // namespace

// ---------------------------------------------------------------- shared routines

bool properties_low_resolution() { return screen_dpi <= 100; }

void dock_dialog_right(HWND dialog, int client_y) {
    if (!dialog || !frame_window) return;
    RECT frame, own;
    GetWindowRect(frame_window, &frame);
    GetWindowRect(dialog, &own);
    POINT top = {0, client_y};
    ClientToScreen(frame_window, &top);
    int width = own.right - own.left;
    SetWindowPos(dialog, nullptr, frame.right - 6 - width, top.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void radio_group_check(HWND dialog, const int* ids, int count, int id) {
    for (int i = 0; i < count; ++i) CheckDlgButton(dialog, ids[i], ids[i] == id ? BST_CHECKED : BST_UNCHECKED);
}

void fill_font_height_combo(HWND dialog, int height_index, int font_b, int slanted) {
    HWND c = GetDlgItem(dialog, IDC_PROP_HEIGHT);
    if (c) {
        SendMessageA(c, CB_RESETCONTENT, 0, 0);
        for (int i = 0; i < 10; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%4.1lf", text_settings.text_heights[i]);
            SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        SendMessageA(c, CB_SETCURSEL, static_cast<WPARAM>(clamp_height_index(height_index)), 0);
    }
    radio_group_check(dialog, font_radios, 4, font_radio_for_style(font_b, slanted));
}

int copy_text_to_clipboard(const char* text) {
    size_t n = std::strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, n + 2);
    if (!block) return 0;
    void* p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return 0;
    }
    std::memcpy(p, text, n);
    GlobalUnlock(block);
    if (!OpenClipboard(frame_window)) {
        GlobalFree(block);
        return 0;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    CloseClipboard();
    prompt_show("Для получения из буфера значения нажмите Shift/Insert");
    return 1;
}

void copy_variable_reference(HWND combo) {
    LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return;
    uint32_t key = static_cast<uint32_t>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
    if ((key & 0xFFFF) == 0) return;
    char text[800] = {};
    if (!append_variable_reference(key, text, sizeof text)) return;
    copy_text_to_clipboard(text[0] == ' ' ? text + 1 : text);
}

void sign_number_radio_set(HWND dialog, int index, int count) {
    for (int i = 0; i < 3; ++i) {
        CheckDlgButton(dialog, IDC_TOL_SLOT1 + i, BST_UNCHECKED);
        enable(dialog, IDC_TOL_SLOT1 + i, i <= count);
    }
    if (index >= 1 && index <= 3) CheckDlgButton(dialog, 1550 + index, BST_CHECKED);
}

int sign_number_radio_get(HWND dialog) {
    for (int i = 0; i < 3; ++i)
        if (IsDlgButtonChecked(dialog, IDC_TOL_SLOT1 + i) == BST_CHECKED) return i;
    return 0;
}

void tool_cursor_update() {
    // The six creating tools in the order they are looked at, and the
    // cursor of each (normal, clone) among the program's tool cursors.
    static const int tools[6] = {1164, 1033, 1160, 1162, 1029, 1165};
    static const int cursors[6][2] = {{16, 17}, {18, 19}, {20, 21}, {22, 23}, {24, 25}, {26, 27}};
    HCURSOR cursor = normal_cursor;
    if (stage_panel) {
        for (int i = 0; i < 6; ++i) {
            if (IsDlgButtonChecked(stage_panel, tools[i]) != BST_CHECKED) continue;
            HCURSOR c = tool_cursors[cursors[i][clone_source ? 1 : 0]];
            if (c) cursor = c;
            break;
        }
    }
    cursor_set_all(cursor);
}

// ---------------------------------------------------------------- opening

unsigned __stdcall annotation_properties_thread(void*) {
    ActivateKeyboardLayout(saved_keyboard_layout, 0);
    int kind = -1;
    state = DialogState();
    {
        DocumentLockGuard lock;
        state.kind = -2;  // any kind: the record is read as it is
        DrawingFile* df = current_drawing_file();
        RecordRef at = current_annotation_ref;
        uint8_t* rec = df && at ? record_read_at(df, &at, &page_buffers[table_annotation]) : nullptr;
        if (rec && !error_flag) kind = rec[record_kind];
    }
    if (kind >= 0 && kind < annotation_kind_count) run_kind_dialog(kind);
    {
        DocumentLockGuard lock;
        uint8_t* projection = projection_now();
        if (projection && !error_flag) {
            projection_compute_annotation_extents(projection);
            page_buffers[table_projections].clean = 0;
            drawing_save();
        }
        error_flag = 0;
    }
    if (command_seams.projection_windows_refresh) command_seams.projection_windows_refresh(0);
    tool_cursor_update();
    ActivateKeyboardLayout(saved_keyboard_layout, 0);
    state.kind = -1;
    _endthreadex(0);
    return 0;
}

void open_element_properties_in(RecordRef projection_ref, RecordRef ref) {
    if (clone_source) {
        tool_cursor_update();
        return;
    }
    if (worker_running) return;
    // One undo step returns to the element as it was before its dialog.
    drawing_checkpoint(1, default_undo_description());
    current_annotation_ref = ref;
    properties_projection_ref = projection_ref;
    saved_keyboard_layout = GetKeyboardLayout(0);
    HANDLE h = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, annotation_properties_thread, nullptr, 0, nullptr));
    if (!h) return;
    if (worker_thread) CloseHandle(worker_thread);
    worker_thread = h;
}

void open_element_properties(RecordRef ref) {
    ProjectionWindow* w = projection_window_find_by_id(active_projection_number);
    open_element_properties_in(w ? w->record_ref : 0, ref);
}

void open_general_roughness_properties() {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    RecordRef found = 0;
    {
        DocumentLockGuard lock;
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_title_block);
        uint8_t* r = record_find_key(df, head, roughness_general_key, nullptr, &page_buffers[table_title_block]);
        if (r && !error_flag) found = record_ref_of(&page_buffers[table_title_block], r);
    }
    if (!found) return;
    state = DialogState();
    state.general = true;
    current_annotation_ref = found;
    run_kind_dialog(annotation_roughness);
    state = DialogState();
    if (stage_panel) CheckDlgButton(stage_panel, 1500, BST_UNCHECKED);
}

bool annotation_properties_right_click(ProjectionWindow* w, int px, int py) {
    if (!w || !(w->scale[0] > 0) || !(w->scale[1] > 0)) return false;
    double x = px / w->scale[0] - w->scroll_shift[0] + w->view_offset[0];
    double y = py / w->scale[1] - w->scroll_shift[1] + w->view_offset[1];
    // The record drawn under the click, found by the pick marker; where it
    // finds none (a click between the strokes of a text) the record whose
    // box holds the click.
    RecordRef ref = pick_marker_annotation_click(w, px, py).annotation;
    if (!ref) {
        DocumentLockGuard lock;
        RecordRef at = w->record_ref;
        DrawingFile* df = current_drawing_file();
        uint8_t* projection = df ? record_read_at(df, &at, &page_buffers[table_projections]) : nullptr;
        if (projection && !error_flag) ref = annotation_pick(projection, x, y, 3.0 / w->scale[0]);
        error_flag = 0;
    }
    if (!ref) return false;
    open_element_properties_in(w->record_ref, ref);
    return true;
}
