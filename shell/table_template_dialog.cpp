// The table template and axis grid dialogs (634 "Создать шаблон таблицы",
// 644 "Создать сетку осей"): one procedure that edits the parameters of a
// template, loads one chosen by name, and builds it as a projection.
#include "shell/tables_dialog.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/saving.h"
#include "geometry/text_numbers.h"
#include "render/output/element_drawing.h"
#include "shell/core/table_template.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/message_dialogs.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/records.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TemplateDialog {
    bool grid = false;
    TemplateParams params;
    int column = 0;   // the column shown, from 0
    int binding = 0;  // the table column shown, from 0
    std::string typed_marks[2];  // the last first marks of 1873 and 1877 that fit their record
};

TemplateDialog state;

// The style of a new column: the drawing's default font size index and the
// slant bit.
uint16_t default_style() {
    DrawingFile* df = current_drawing_file();
    unsigned size = df ? get_u16(df->header, header_options2) & 0x0F : 0;
    return static_cast<uint16_t>((size << 2) | 0x0002);
}

void resize_columns(size_t n) {
    size_t old = state.params.columns.size();
    state.params.columns.resize(n);
    for (size_t i = old; i < n; ++i) state.params.columns[i].style = default_style();
}

std::string item_text(HWND dialog, int id) {
    char buf[260] = "";
    GetDlgItemTextA(dialog, id, buf, sizeof buf);
    std::string s = buf;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

double item_number(HWND dialog, int id, double fallback) {
    std::string s = item_text(dialog, id);
    if (s.empty()) return fallback;
    double v = parse_number_text(s.c_str());
    return v == v && v > 0 ? v : fallback;
}

void set_number(HWND dialog, int id, double v) {
    char buf[64];
    format_number_by_magnitude(buf, sizeof buf, v);
    SetDlgItemTextA(dialog, id, buf);
}

void fill_line_types(HWND dialog, int id, int selected) {
    HWND combo = GetDlgItem(dialog, id);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int t = 1; t <= 9; ++t) {
        const char* name = line_type_name(t);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%d%s", t, name ? name : "");
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(buf));
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), t);
        if (t == selected) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
}

int chosen_line_type(HWND dialog, int id, int fallback) {
    LRESULT at = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    if (at < 0) return fallback;
    return static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
}

void show_column(HWND dialog) {
    TemplateParams& p = state.params;
    if (state.column >= static_cast<int>(p.columns.size())) state.column = 0;
    SetDlgItemInt(dialog, IDC_TEMPLATE_COLUMN, static_cast<UINT>(state.column + 1), FALSE);
    set_number(dialog, IDC_TEMPLATE_COLUMN_WIDTH, p.columns[static_cast<size_t>(state.column)].width);
    SetDlgItemTextA(dialog, IDC_TEMPLATE_CAPTION, p.columns[static_cast<size_t>(state.column)].caption.c_str());
}

void resize_bindings(size_t n) {
    size_t old = state.params.bindings.size();
    state.params.bindings.resize(n);
    for (size_t i = old; i < n; ++i) {
        state.params.bindings[i].table_column = static_cast<uint32_t>(i + 1);
        state.params.bindings[i].style = default_style();
    }
}

void show_binding(HWND dialog) {
    TemplateParams& p = state.params;
    SetDlgItemInt(dialog, IDC_TEMPLATE_TABLE_COLUMNS, static_cast<UINT>(p.bindings.size()), FALSE);
    HWND combo = GetDlgItem(dialog, IDC_TEMPLATE_BOUND_COLUMN);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    for (size_t c = 1; c <= p.columns.size(); ++c)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(c).c_str()));
    bool any = !p.bindings.empty();
    EnableWindow(GetDlgItem(dialog, IDC_TEMPLATE_TABLE_COLUMN), any ? TRUE : FALSE);
    EnableWindow(combo, any ? TRUE : FALSE);
    if (!any) return;
    if (state.binding >= static_cast<int>(p.bindings.size())) state.binding = 0;
    SetDlgItemInt(dialog, IDC_TEMPLATE_TABLE_COLUMN, static_cast<UINT>(state.binding + 1), FALSE);
    SendMessageA(combo, CB_SETCURSEL, p.bindings[static_cast<size_t>(state.binding)].template_column, 0);
}

// ---------------------------------------------------------------- axis marking (644)

// The sides a grid marks, as check boxes and flag bits; each pair keeps at
// least one side checked.
struct MarkSide {
    int id;
    uint16_t bit;
    int partner;
};
const MarkSide mark_sides[4] = {{IDC_GRID_MARK_LEFT, template_mark_left, IDC_GRID_MARK_RIGHT},
                                {IDC_GRID_MARK_RIGHT, template_mark_right, IDC_GRID_MARK_LEFT},
                                {IDC_GRID_MARK_TOP, template_mark_top, IDC_GRID_MARK_BOTTOM},
                                {IDC_GRID_MARK_BOTTOM, template_mark_bottom, IDC_GRID_MARK_TOP}};
const int mark_edits[2] = {IDC_GRID_FIRST_HORIZONTAL, IDC_GRID_FIRST_VERTICAL};

void marking_enabling(HWND dialog) {
    BOOL on = IsDlgButtonChecked(dialog, IDC_GRID_MARKING) == BST_CHECKED ? TRUE : FALSE;
    for (int id : {IDC_GRID_MARK_LEFT, IDC_GRID_MARK_RIGHT, IDC_GRID_MARK_TOP, IDC_GRID_MARK_BOTTOM,
                   IDC_GRID_FIRST_HORIZONTAL, IDC_GRID_FIRST_HORIZONTAL_AT, IDC_GRID_FIRST_VERTICAL,
                   IDC_GRID_FIRST_VERTICAL_AT})
        EnableWindow(GetDlgItem(dialog, id), on);
}

void fill_position_combo(HWND dialog, int id, const char* first, const char* second, bool at_second) {
    HWND combo = GetDlgItem(dialog, id);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(first));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(second));
    SendMessageA(combo, CB_SETCURSEL, at_second ? 1 : 0, 0);
}

void show_marking(HWND dialog) {
    const TemplateParams& p = state.params;
    CheckDlgButton(dialog, IDC_GRID_MARKING, (p.flags & template_flag_marks) ? BST_CHECKED : BST_UNCHECKED);
    for (const MarkSide& s : mark_sides)
        CheckDlgButton(dialog, s.id, (p.flags & s.bit) ? BST_CHECKED : BST_UNCHECKED);
    // A stored grid without a side of a pair shows the first one of it.
    if (!(p.flags & (template_mark_left | template_mark_right))) CheckDlgButton(dialog, IDC_GRID_MARK_LEFT, BST_CHECKED);
    if (!(p.flags & (template_mark_top | template_mark_bottom))) CheckDlgButton(dialog, IDC_GRID_MARK_TOP, BST_CHECKED);
    state.typed_marks[0] = p.first_horizontal_mark;
    state.typed_marks[1] = p.first_vertical_mark;
    SetDlgItemTextA(dialog, IDC_GRID_FIRST_HORIZONTAL, p.first_horizontal_mark.c_str());
    SetDlgItemTextA(dialog, IDC_GRID_FIRST_VERTICAL, p.first_vertical_mark.c_str());
    fill_position_combo(dialog, IDC_GRID_FIRST_HORIZONTAL_AT, "Вверху", "Внизу", (p.flags & template_first_bottom) != 0);
    fill_position_combo(dialog, IDC_GRID_FIRST_VERTICAL_AT, "Слева", "Справа", (p.flags & template_first_right) != 0);
    marking_enabling(dialog);
}

// The marking controls read back into the flags and the first marks; an
// empty first mark becomes the default "1".
void read_marking(HWND dialog) {
    TemplateParams& p = state.params;
    uint16_t flags = static_cast<uint16_t>(p.flags & ~(template_flag_marks | template_mark_left | template_mark_right |
                                                       template_mark_top | template_mark_bottom |
                                                       template_first_bottom | template_first_right));
    if (IsDlgButtonChecked(dialog, IDC_GRID_MARKING) == BST_CHECKED) flags |= template_flag_marks;
    for (const MarkSide& s : mark_sides)
        if (IsDlgButtonChecked(dialog, s.id) == BST_CHECKED) flags = static_cast<uint16_t>(flags | s.bit);
    if (SendDlgItemMessageA(dialog, IDC_GRID_FIRST_HORIZONTAL_AT, CB_GETCURSEL, 0, 0) == 1) flags |= template_first_bottom;
    if (SendDlgItemMessageA(dialog, IDC_GRID_FIRST_VERTICAL_AT, CB_GETCURSEL, 0, 0) == 1) flags |= template_first_right;
    p.flags = flags;
    std::string* marks[2] = {&p.first_horizontal_mark, &p.first_vertical_mark};
    for (int k = 0; k < 2; ++k) {
        std::string m = item_text(dialog, mark_edits[k]);
        if (m.empty() || !template_mark_fits(m)) {
            m = m.empty() ? "1" : state.typed_marks[k];
            SetDlgItemTextA(dialog, mark_edits[k], m.c_str());
        }
        *marks[k] = m;
        state.typed_marks[k] = m;
    }
}

// A side unchecked while its partner is unchecked too is checked again.
void keep_one_side(HWND dialog, int id) {
    for (const MarkSide& s : mark_sides)
        if (s.id == id && IsDlgButtonChecked(dialog, id) != BST_CHECKED &&
            IsDlgButtonChecked(dialog, s.partner) != BST_CHECKED) {
            CheckDlgButton(dialog, id, BST_CHECKED);
            MessageBeep(MB_OK);
        }
}

// A first mark is limited to what its 4 packed bytes hold: a change that
// does not fit is taken back, as an edit control refuses text past its limit.
void limit_mark(HWND dialog, int id) {
    int k = id == IDC_GRID_FIRST_HORIZONTAL ? 0 : 1;
    char buf[64] = "";
    GetDlgItemTextA(dialog, id, buf, sizeof buf);
    if (template_mark_fits(buf)) {
        state.typed_marks[k] = buf;
        return;
    }
    SetDlgItemTextA(dialog, id, state.typed_marks[k].c_str());
    SendDlgItemMessageA(dialog, id, EM_SETSEL, state.typed_marks[k].size(), state.typed_marks[k].size());
    MessageBeep(MB_OK);
}

void show_all(HWND dialog) {
    TemplateParams& p = state.params;
    SetDlgItemTextA(dialog, IDC_TEMPLATE_NAME, p.name.c_str());
    set_number(dialog, IDC_TEMPLATE_HEADER, p.header_height);
    set_number(dialog, IDC_TEMPLATE_ROW_HEIGHT, p.row_height);
    SetDlgItemInt(dialog, IDC_TEMPLATE_COLUMNS, static_cast<UINT>(p.columns.size()), FALSE);
    SetDlgItemInt(dialog, IDC_TEMPLATE_ROWS, p.rows, FALSE);
    fill_line_types(dialog, IDC_TEMPLATE_FRAME_TYPE, (p.flags & template_flag_frame_type) >> 4);
    fill_line_types(dialog, IDC_TEMPLATE_SEPARATOR_TYPE, p.flags & template_flag_separator_type);
    show_column(dialog);
    show_binding(dialog);
    if (state.grid) show_marking(dialog);
}

// The edits read back into the parameters.
void read_all(HWND dialog) {
    TemplateParams& p = state.params;
    p.name = item_text(dialog, IDC_TEMPLATE_NAME);
    p.header_height = item_number(dialog, IDC_TEMPLATE_HEADER, p.header_height);
    p.row_height = item_number(dialog, IDC_TEMPLATE_ROW_HEIGHT, p.row_height);
    BOOL ok = FALSE;
    UINT rows = GetDlgItemInt(dialog, IDC_TEMPLATE_ROWS, &ok, FALSE);
    if (ok && rows <= 999) p.rows = rows;
    UINT cols = GetDlgItemInt(dialog, IDC_TEMPLATE_COLUMNS, &ok, FALSE);
    if (ok) {
        if (cols < 1) cols = 1;
        if (cols > 999) cols = 999;
        resize_columns(cols);
        for (TemplateBinding& b : p.bindings)
            if (b.template_column > cols) b.template_column = 0;
    }
    if (state.column < static_cast<int>(p.columns.size())) {
        TemplateColumn& c = p.columns[static_cast<size_t>(state.column)];
        c.width = item_number(dialog, IDC_TEMPLATE_COLUMN_WIDTH, c.width);
        c.caption = item_text(dialog, IDC_TEMPLATE_CAPTION);
    }
    UINT tcols = GetDlgItemInt(dialog, IDC_TEMPLATE_TABLE_COLUMNS, &ok, FALSE);
    if (ok && tcols <= 999) resize_bindings(tcols);
    if (state.binding < static_cast<int>(p.bindings.size())) {
        LRESULT at = SendDlgItemMessageA(dialog, IDC_TEMPLATE_BOUND_COLUMN, CB_GETCURSEL, 0, 0);
        if (at >= 0 && static_cast<size_t>(at) <= p.columns.size())
            p.bindings[static_cast<size_t>(state.binding)].template_column = static_cast<uint32_t>(at);
    }
    int frame = chosen_line_type(dialog, IDC_TEMPLATE_FRAME_TYPE, 1);
    int separator = chosen_line_type(dialog, IDC_TEMPLATE_SEPARATOR_TYPE, 2);
    p.flags = static_cast<uint16_t>((p.flags & ~(template_flag_frame_type | template_flag_separator_type)) |
                                    ((frame & 0x0F) << 4) | (separator & 0x0F));
    if (state.grid) read_marking(dialog);
}

void fill_names(HWND dialog) {
    HWND combo = GetDlgItem(dialog, IDC_TEMPLATE_NAME);
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    document_lock_acquire();
    PageBuffer* pbuf = &page_buffers[table_projections];
    std::vector<std::pair<std::string, RecordRef>> found;
    RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
    std::vector<RecordRef> refs;
    for (unsigned char* p = record_next(df, head, nullptr, pbuf); p && !error_flag; p = record_next(df, head, p, pbuf))
        refs.push_back(record_ref_of(pbuf, p));
    for (RecordRef ref : refs) {
        TemplateParams t;
        if (template_load(df, ref, t) && ((t.flags & template_flag_grid) != 0) == state.grid)
            found.push_back({t.name, ref});
    }
    error_flag = 0;
    document_lock_release();
    for (const auto& f : found) {
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.first.c_str()));
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(f.second));
    }
}


// ---------------------------------------------------------------- text parameters (635)

// What dialog 635 edits: a copy of one column's or binding's text parameters.
struct TextParams {
    uint8_t alignment = 0;
    uint16_t style = 0;
    uint16_t text_flags = 0;
    double offset_x = 0, offset_y = 0;
};

const int font_buttons[4] = {IDC_TEXTPAR_A_SLANTED, IDC_TEXTPAR_A_UPRIGHT, IDC_TEXTPAR_B_SLANTED,
                             IDC_TEXTPAR_B_UPRIGHT};
// Edge pairs (main line, thin line) of style bits 6-7, 8-9, 10-11, 12-13.
const int edge_buttons[4][2] = {{IDC_TEXTPAR_EDGE1_MAIN, IDC_TEXTPAR_EDGE1_THIN},
                                {IDC_TEXTPAR_EDGE2_MAIN, IDC_TEXTPAR_EDGE2_THIN},
                                {IDC_TEXTPAR_EDGE3_MAIN, IDC_TEXTPAR_EDGE3_THIN},
                                {IDC_TEXTPAR_EDGE4_MAIN, IDC_TEXTPAR_EDGE4_THIN}};
const int align_buttons[2][3] = {{IDC_TEXTPAR_ALIGN0, IDC_TEXTPAR_ALIGN1, IDC_TEXTPAR_ALIGN2},
                                 {IDC_TEXTPAR_ROTATED0, IDC_TEXTPAR_ROTATED1, IDC_TEXTPAR_ROTATED2}};

void zone_enabling(HWND dialog) {
    bool find = IsDlgButtonChecked(dialog, IDC_TEXTPAR_FIND_CELL) == BST_CHECKED;
    for (int id : {IDC_TEXTPAR_WIDTH_TEXT, IDC_TEXTPAR_WIDTH_CELL, IDC_TEXTPAR_HEIGHT_TEXT, IDC_TEXTPAR_HEIGHT_CELL})
        EnableWindow(GetDlgItem(dialog, id), find ? FALSE : TRUE);
    bool shift = IsDlgButtonChecked(dialog, IDC_TEXTPAR_SHIFT) == BST_CHECKED;
    for (int id : {IDC_TEXTPAR_SHIFT_X, IDC_TEXTPAR_SHIFT_Y}) EnableWindow(GetDlgItem(dialog, id), shift ? TRUE : FALSE);
}

INT_PTR CALLBACK text_params_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    TextParams* t = reinterpret_cast<TextParams*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        t = reinterpret_cast<TextParams*>(lp);
        SetWindowLongPtrA(dialog, DWLP_USER, lp);
        // Beside the template dialog.
        RECT owner, self;
        if (GetWindowRect(GetParent(dialog), &owner) && GetWindowRect(dialog, &self))
            SetWindowPos(dialog, nullptr, owner.right, owner.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        int font = ((t->style & 1) ? 2 : 0) + ((t->style & 2) ? 0 : 1);
        CheckDlgButton(dialog, font_buttons[font], BST_CHECKED);
        HWND size = GetDlgItem(dialog, IDC_TEXTPAR_SIZE);
        for (int i = 0; i < 10; ++i) SendMessageA(size, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(i).c_str()));
        SendMessageA(size, CB_SETCURSEL, (t->style >> 2) & 0x0F, 0);
        for (int e = 0; e < 4; ++e) {
            int v = (t->style >> (6 + 2 * e)) & 3;
            if (v == 1) CheckDlgButton(dialog, edge_buttons[e][0], BST_CHECKED);
            if (v == 2) CheckDlgButton(dialog, edge_buttons[e][1], BST_CHECKED);
        }
        int rotated = (t->text_flags & template_text_rotated) ? 1 : 0;
        CheckDlgButton(dialog, align_buttons[rotated][t->alignment % 3], BST_CHECKED);
        CheckDlgButton(dialog, IDC_TEXTPAR_FIND_CELL, (t->text_flags & 1) ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, (t->style & 0x4000) ? IDC_TEXTPAR_WIDTH_CELL : IDC_TEXTPAR_WIDTH_TEXT, BST_CHECKED);
        CheckDlgButton(dialog, (t->style & 0x8000) ? IDC_TEXTPAR_HEIGHT_CELL : IDC_TEXTPAR_HEIGHT_TEXT, BST_CHECKED);
        CheckDlgButton(dialog, IDC_TEXTPAR_CURRENT_ONLY, BST_CHECKED);
        CheckDlgButton(dialog, IDC_TEXTPAR_SHIFT, (t->text_flags & template_text_offset) ? BST_CHECKED : BST_UNCHECKED);
        set_number(dialog, IDC_TEXTPAR_SHIFT_X, t->offset_x);
        set_number(dialog, IDC_TEXTPAR_SHIFT_Y, t->offset_y);
        zone_enabling(dialog);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wp);
        for (int e = 0; e < 4; ++e)
            for (int k = 0; k < 2; ++k)
                if (id == edge_buttons[e][k] && IsDlgButtonChecked(dialog, id) == BST_CHECKED)
                    CheckDlgButton(dialog, edge_buttons[e][1 - k], BST_UNCHECKED);  // one of a pair
        if (id == IDC_TEXTPAR_FIND_CELL || id == IDC_TEXTPAR_SHIFT) zone_enabling(dialog);
        if (id == IDOK && t) {
            uint16_t style = 0;
            for (int f = 0; f < 4; ++f)
                if (IsDlgButtonChecked(dialog, font_buttons[f]) == BST_CHECKED)
                    style = static_cast<uint16_t>((f >= 2 ? 1 : 0) | (f % 2 == 0 ? 2 : 0));
            LRESULT size = SendDlgItemMessageA(dialog, IDC_TEXTPAR_SIZE, CB_GETCURSEL, 0, 0);
            style = static_cast<uint16_t>(style | ((size < 0 ? 0 : size & 0x0F) << 2));
            for (int e = 0; e < 4; ++e) {
                int v = IsDlgButtonChecked(dialog, edge_buttons[e][0]) == BST_CHECKED   ? 1
                        : IsDlgButtonChecked(dialog, edge_buttons[e][1]) == BST_CHECKED ? 2
                                                                                        : 0;
                style = static_cast<uint16_t>(style | (v << (6 + 2 * e)));
            }
            if (IsDlgButtonChecked(dialog, IDC_TEXTPAR_WIDTH_CELL) == BST_CHECKED) style |= 0x4000;
            if (IsDlgButtonChecked(dialog, IDC_TEXTPAR_HEIGHT_CELL) == BST_CHECKED) style |= 0x8000;
            uint16_t flags = 0;
            for (int r = 0; r < 2; ++r)
                for (int a = 0; a < 3; ++a)
                    if (IsDlgButtonChecked(dialog, align_buttons[r][a]) == BST_CHECKED) {
                        t->alignment = static_cast<uint8_t>(a);
                        if (r) flags |= template_text_rotated;
                    }
            if (IsDlgButtonChecked(dialog, IDC_TEXTPAR_FIND_CELL) == BST_CHECKED) flags |= 0x0001;
            if (IsDlgButtonChecked(dialog, IDC_TEXTPAR_CURRENT_ONLY) == BST_CHECKED) flags |= 0x0004;
            if (IsDlgButtonChecked(dialog, IDC_TEXTPAR_SHIFT) == BST_CHECKED) flags |= template_text_offset;
            t->style = style;
            t->text_flags = flags;
            t->offset_x = parse_number_text(item_text(dialog, IDC_TEXTPAR_SHIFT_X).c_str());
            t->offset_y = parse_number_text(item_text(dialog, IDC_TEXTPAR_SHIFT_Y).c_str());
            if (!(t->offset_x == t->offset_x)) t->offset_x = 0;
            if (!(t->offset_y == t->offset_y)) t->offset_y = 0;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

// 1826 (the current template column) and 1825 (the current table column):
// dialog 635, its answer applied to that one or, with "для всех колонок", to
// every column of the list.
template <typename Item>
void edit_text_params(HWND dialog, std::vector<Item>& items, size_t current) {
    if (current >= items.size()) return;
    Item& it = items[current];
    TextParams t{it.alignment, it.style, it.text_flags, it.offset_x, it.offset_y};
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEMPLATE_TEXT), dialog, text_params_proc,
                        reinterpret_cast<LPARAM>(&t)) != IDOK)
        return;
    bool all = !(t.text_flags & 0x0004);
    for (size_t i = 0; i < items.size(); ++i) {
        if (!all && i != current) continue;
        items[i].alignment = t.alignment;
        items[i].style = t.style;
        items[i].text_flags = t.text_flags;
        items[i].offset_x = t.offset_x;
        items[i].offset_y = t.offset_y;
    }
}

// The built template in its window: a new projection gets one, a rebuilt
// one is drawn again; then "На всё окно" twice fits it to the window.
void show_built_template(uint32_t number) {
    DrawingFile* df = current_drawing_file();
    if (!df || !number) return;
    ProjectionWindow* w = projection_window_find_by_id(number);
    if (!w) {
        document_lock_acquire();
        RecordRef* head = reinterpret_cast<RecordRef*>(df->header + header_projections);
        unsigned char* p = record_find_key(df, head, number, nullptr, &page_buffers[table_projections]);
        RecordRef ref = p ? record_ref_of(&page_buffers[table_projections], p) : 0;
        document_lock_release();
        if (ref) w = projection_window_open(ref, 1);
        error_flag = 0;
    } else {
        projection_refs_refresh();
        if (w->window) InvalidateRect(w->window, nullptr, TRUE);
    }
    if (w && w->window && mdi_client)
        SendMessageA(mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w->window), 0);
    for (int i = 0; i < 2; ++i)
        if (scale_panel) PostMessageA(scale_panel, WM_COMMAND, MAKEWPARAM(IDC_SCALE_FIT, 0x501), 0);
}

void build(HWND dialog) {
    read_all(dialog);
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    if (state.params.name.empty()) {
        show_program_message("Имя шаблона не может быть пустым");
        return;
    }
    state.params.flags = static_cast<uint16_t>((state.params.flags & ~template_flag_grid) |
                                               (state.grid ? template_flag_grid : 0));
    drawing_checkpoint(1, default_undo_description());
    error_flag = 0;
    document_lock_acquire();
    RecordRef reuse = template_find_projection(df, state.params.name);
    document_lock_release();
    if (reuse && !ask_confirmation(dialog, 17, state.params.name.c_str())) reuse = 0;
    document_lock_acquire();
    TemplateBuildResult r = template_build(df, state.params, reuse);
    error_flag = 0;
    document_lock_release();
    if (!r.projection) {
        static std::string kept;
        kept = r.message;
        show_program_message(kept.c_str());
        return;
    }
    drawing_save();
    show_built_template(r.projection);
    prompt_show("Построение шаблона завершено успешно!");
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK template_dialog_proc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        state.grid = lp != 0;
        state.params = TemplateParams();
        state.params.name.clear();
        resize_columns(4);
        resize_bindings(static_cast<size_t>(tables_last_column_count));
        state.column = state.binding = 0;
        if (state.grid) state.params.flags = template_grid_default_flags;
        init_help_button(dialog);
        SendDlgItemMessageA(dialog, IDC_TEMPLATE_COLUMNS_SPIN, UDM_SETRANGE32, 1, 999);
        SendDlgItemMessageA(dialog, IDC_TEMPLATE_ROWS_SPIN, UDM_SETRANGE32, 0, 999);
        SendDlgItemMessageA(dialog, IDC_TEMPLATE_TABLE_COLUMNS_SPIN, UDM_SETRANGE32, 0, 999);
        fill_names(dialog);
        show_all(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_TEMPLATE_NAME:
            if (HIWORD(wp) == CBN_SELENDOK) {
                LRESULT at = SendDlgItemMessageA(dialog, IDC_TEMPLATE_NAME, CB_GETCURSEL, 0, 0);
                if (at >= 0) {
                    RecordRef ref = static_cast<RecordRef>(
                        SendDlgItemMessageA(dialog, IDC_TEMPLATE_NAME, CB_GETITEMDATA, static_cast<WPARAM>(at), 0));
                    document_lock_acquire();
                    TemplateParams t;
                    bool ok = template_load(current_drawing_file(), ref, t);
                    error_flag = 0;
                    document_lock_release();
                    if (ok) {
                        if (t.columns.empty()) t.columns.resize(1);
                        state.params = t;
                        state.column = state.binding = 0;
                        show_all(dialog);
                    }
                }
            }
            return TRUE;
        case IDC_TEMPLATE_COLUMN:
            if (HIWORD(wp) == EN_KILLFOCUS) {
                BOOL ok = FALSE;
                UINT n = GetDlgItemInt(dialog, IDC_TEMPLATE_COLUMN, &ok, FALSE);
                read_all(dialog);
                if (ok && n >= 1 && n <= state.params.columns.size()) state.column = static_cast<int>(n - 1);
                show_column(dialog);
            }
            return TRUE;
        case IDC_TEMPLATE_TABLE_COLUMN:
            if (HIWORD(wp) == EN_KILLFOCUS) {
                BOOL ok = FALSE;
                UINT n = GetDlgItemInt(dialog, IDC_TEMPLATE_TABLE_COLUMN, &ok, FALSE);
                read_all(dialog);
                if (ok && n >= 1 && n <= state.params.bindings.size()) state.binding = static_cast<int>(n - 1);
                show_binding(dialog);
            }
            return TRUE;
        case IDC_TEMPLATE_BOUND_COLUMN:
            if (HIWORD(wp) == CBN_SELENDOK) read_all(dialog);
            return TRUE;
        case IDC_TEMPLATE_COLUMNS:
        case IDC_TEMPLATE_TABLE_COLUMNS:
            if (HIWORD(wp) == EN_KILLFOCUS) {
                read_all(dialog);
                show_binding(dialog);
            }
            return TRUE;
        case IDC_TEMPLATE_COLUMN_WIDTH:
        case IDC_TEMPLATE_CAPTION:
            if (HIWORD(wp) == EN_KILLFOCUS) read_all(dialog);
            return TRUE;
        case IDC_GRID_MARKING:
            if (state.grid) marking_enabling(dialog);
            return TRUE;
        case IDC_GRID_MARK_LEFT:
        case IDC_GRID_MARK_RIGHT:
        case IDC_GRID_MARK_TOP:
        case IDC_GRID_MARK_BOTTOM:
            if (state.grid && HIWORD(wp) == BN_CLICKED) keep_one_side(dialog, LOWORD(wp));
            return TRUE;
        case IDC_GRID_FIRST_HORIZONTAL:
        case IDC_GRID_FIRST_VERTICAL:
            if (state.grid && HIWORD(wp) == EN_CHANGE) limit_mark(dialog, LOWORD(wp));
            return TRUE;
        case IDC_TEMPLATE_COLUMN_TEXT:
            read_all(dialog);
            edit_text_params(dialog, state.params.columns, static_cast<size_t>(state.column));
            return TRUE;
        case IDC_TEMPLATE_BINDING_TEXT:
            read_all(dialog);
            edit_text_params(dialog, state.params.bindings, static_cast<size_t>(state.binding));
            return TRUE;
        case IDOK:
            build(dialog);
            return TRUE;
        case IDC_HELP_PICTURE:
            set_help_topic(21);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void table_template_dialog_open(HWND owner, bool grid) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(grid ? IDD_AXIS_GRID : IDD_TABLE_TEMPLATE), owner,
                    template_dialog_proc, grid ? 1 : 0);
}
