// The lists of projections and of fragments: choose one, rename it, change
// its view type, view angles, scale, sheet, construction flags and sketch,
// enlarge its window, delete it or make a new one; for a fragment, choose an
// instance of it to be replaced by another projection at the image stage.
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "shell/settings_dialogs.h"

#include "base/byte_order.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "geometry/dimension_text.h"
#include "geometry/kernel_seams.h"
#include "geometry/naming.h"
#include "geometry/text_numbers.h"
#include "shell/commands.h"
#include "shell/file_dialog.h"
#include "shell/core/projection_list.h"
#include "shell/core/projection_records.h"
#include "output/fragment_replacement.h"
#include "shell/fragment_dialog.h"
#include "shell/frame_face.h"
#include "shell/frame_window.h"
#include "shell/help.h"
#include "shell/hints.h"
#include "shell/panels.h"
#include "shell/message_dialogs.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

extern int keep_projection_on_destroy;

namespace {

int list_kind;  // 0 projections, 8 fragments
enum { list_ended_by_delete = 2 };

// What the dialog collects for the chosen projection until "Выполнить":
// the sketch file chosen and the angle texts as shown (an angle is written
// back only when its text was edited, so that showing it loses nothing).
struct ListEdit {
    uint32_t number = 0;
    std::string new_sketch;
    std::string angle_shown[2];
};
ListEdit edit;
const int angle_controls[2] = {IDC_LIST_ANGLE_FIRST, IDC_LIST_ANGLE_SECOND};
const int angle_fields[2] = {projection_angle_first, projection_angle_second};

// The fragment replacement being chosen: the instances of the chosen
// fragment (1938), the projections that may replace it (1940), and the
// choice so far.
struct ReinsertState {
    std::vector<FragmentInstanceRef> instances;
    std::vector<uint32_t> with;
    FragmentReplacement choice;
};
ReinsertState reinsert;
const int reinsert_group[] = {IDC_LIST_REINSERT_LABEL, IDC_LIST_REINSERT_INSTANCES, IDC_LIST_REINSERT_WITH_LABEL,
                              IDC_LIST_REINSERT_WITH, IDC_LIST_REINSERT_ALL};

DrawingFile* drawing() {
    DrawingFile* df = current_drawing_file();
    return df && df->header ? df : nullptr;
}

// The record of projection `number` in the projection buffer, or null.
unsigned char* projection_find(DrawingFile* df, uint32_t number) {
    RecordRef head = get_u32(df->header, header_projections);
    PageBuffer* pb = &page_buffers[table_projections];
    for (unsigned char* p = record_next(df, &head, nullptr, pb); p; p = record_next(df, &head, p, pb))
        if (get_u32(p, 2) == number) return p;
    return nullptr;
}

// The caption of projection `number`, empty when it has none.
std::string caption_of(DrawingFile* df, uint32_t number) {
    unsigned char* p = projection_find(df, number);
    if (!p) return std::string();
    char caption[260] = "";
    view_caption_full(p, caption, sizeof caption);
    return caption;
}

long sheet_count(DrawingFile* df) {
    RecordRef head = get_u32(df->header, header_sheets);
    PageBuffer* b = &page_buffers[table_tables];
    long n = 0;
    for (unsigned char* s = record_next(df, &head, nullptr, b); s; s = record_next(df, &head, s, b)) ++n;
    return n;
}

uint32_t chosen(HWND dialog) {
    LRESULT i = SendDlgItemMessageA(dialog, IDC_LIST_PROJECTIONS, CB_GETCURSEL, 0, 0);
    if (i < 0) return 0;
    return static_cast<uint32_t>(SendDlgItemMessageA(dialog, IDC_LIST_PROJECTIONS, CB_GETITEMDATA, i, 0));
}

const int edit_controls[] = {IDC_LIST_TITLE,        IDC_LIST_TYPE,    IDC_LIST_SCALE,       IDC_LIST_SHEET,
                             IDC_LIST_NOT_ON_SHEETS, IDC_LIST_NO_AUTO, IDOK,                 IDC_LIST_DELETE,
                             IDC_LIST_ANGLE_FIRST,   IDC_LIST_ANGLE_SECOND, IDC_LIST_SKETCH_HIDE, IDC_LIST_NO_SKETCH,
                             IDC_LIST_SKETCH_FILE,   IDC_LIST_SKETCH_LIGHTEN, IDC_LIST_SKETCH_NO_ROTATION};

// The sketch controls: 1754 needs a window showing a sketch; "Нет эскиза"
// disables the others while it is checked.
void sketch_enable(HWND dialog) {
    bool none = IsDlgButtonChecked(dialog, IDC_LIST_NO_SKETCH) == BST_CHECKED;
    ProjectionWindow* w = projection_window_find_by_id(edit.number);
    bool image = w && w->sketch_bitmap && !(w->view_flags & view_flag_no_sketch);
    EnableWindow(GetDlgItem(dialog, IDC_LIST_SKETCH_HIDE), image && !none);
    for (int id : {IDC_LIST_SKETCH_FILE, IDC_LIST_SKETCH_LIGHTEN, IDC_LIST_SKETCH_NO_ROTATION})
        EnableWindow(GetDlgItem(dialog, id), !none);
}

void sketch_info(HWND dialog, const char* heading, const char* path) {
    std::string text = path && path[0] ? std::string(heading) + path : std::string();
    SetDlgItemTextA(dialog, IDC_LIST_INFO, text.c_str());
    // The hint repeats the text, which a long path cuts in the static.
    if (HWND info = GetDlgItem(dialog, IDC_LIST_INFO)) {
        const char* hint = text.empty() ? " информация..." : text.c_str();
        if (hint_set_text(info, hint) != 0) hint_add(dialog, info, hint);
    }
}

// "Расширить": the projection's open window grows to the left and up to
// the edges of the frame's client area, its right and bottom edges kept.
// Only a window that is not maximised can grow.
ProjectionWindow* enlargeable(uint32_t number) {
    ProjectionWindow* w = projection_window_find_by_id(number);
    return w && w->window && mdi_client && !IsZoomed(w->window) ? w : nullptr;
}

void enlarge(HWND dialog, uint32_t number) {
    ProjectionWindow* w = enlargeable(number);
    if (!w) return;
    RECT r;
    GetWindowRect(w->window, &r);
    MapWindowPoints(nullptr, mdi_client, reinterpret_cast<POINT*>(&r), 2);
    if (r.left > 0 || r.top > 0)
        MoveWindow(w->window, r.left > 0 ? 0 : r.left, r.top > 0 ? 0 : r.top, r.right - (r.left > 0 ? 0 : r.left),
                   r.bottom - (r.top > 0 ? 0 : r.top), TRUE);
    EnableWindow(GetDlgItem(dialog, IDC_LIST_ENLARGE), FALSE);
}

// ---------------------------------------------------------------- fragment replacement
void reinsert_reset(HWND dialog) {
    reinsert = ReinsertState();
    CheckDlgButton(dialog, IDC_LIST_REINSERT_ALLOW, BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_LIST_REINSERT_ALL, BST_UNCHECKED);
    for (int id : {IDC_LIST_REINSERT_INSTANCES, IDC_LIST_REINSERT_WITH})
        SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);
    for (int id : reinsert_group) EnableWindow(GetDlgItem(dialog, id), FALSE);
}

// Fills 1938 with the instances of fragment `number` in other projections
// and 1940 with the projections that may replace it; the group is enabled
// when there is an instance.  Only at the image stage (else 1944 is
// disabled).  Returns the number of instances.
int fragment_reinsert_lists_fill(HWND dialog, uint32_t number) {
    DrawingFile* df = drawing();
    reinsert_reset(dialog);
    if (current_stage != 3 || !df || !number) {
        EnableWindow(GetDlgItem(dialog, IDC_LIST_REINSERT_ALLOW), FALSE);
        return 0;
    }
    CheckDlgButton(dialog, IDC_LIST_REINSERT_ALLOW, BST_CHECKED);
    reinsert.choice.fragment = number;
    reinsert.instances = fragment_instances_of(df, number);
    reinsert.with = fragment_replacement_candidates(df, number);
    for (const FragmentInstanceRef& i : reinsert.instances) {
        std::string line = fragment_instance_line(i.instance, caption_of(df, i.holder).c_str());
        SendDlgItemMessageA(dialog, IDC_LIST_REINSERT_INSTANCES, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(line.c_str()));
    }
    for (uint32_t key : reinsert.with)
        SendDlgItemMessageA(dialog, IDC_LIST_REINSERT_WITH, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(caption_of(df, key).c_str()));
    bool any = !reinsert.instances.empty();
    for (int id : reinsert_group) EnableWindow(GetDlgItem(dialog, id), any);
    return static_cast<int>(reinsert.instances.size());
}

void reinsert_command(HWND dialog, int id, int code) {
    if (id == IDC_LIST_REINSERT_ALLOW && code == BN_CLICKED) {
        if (IsDlgButtonChecked(dialog, id) == BST_CHECKED && chosen(dialog))
            fragment_reinsert_lists_fill(dialog, chosen(dialog));
        else
            reinsert_reset(dialog);
    } else if (id == IDC_LIST_REINSERT_INSTANCES && code == CBN_SELCHANGE) {
        LRESULT i = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
        if (i >= 0 && static_cast<size_t>(i) < reinsert.instances.size()) reinsert.choice.target = reinsert.instances[i];
    } else if (id == IDC_LIST_REINSERT_WITH && code == CBN_SELCHANGE) {
        LRESULT i = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
        if (i >= 0 && static_cast<size_t>(i) < reinsert.with.size()) reinsert.choice.replacement = reinsert.with[i];
    } else if (id == IDC_LIST_REINSERT_ALL && code == BN_CLICKED) {
        reinsert.choice.all = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    }
}

// After "Выполнить": a chosen instance goes to the image panel's fragment
// tool, which takes the binding points on the replacing projection, and
// the prompt says how many to mark where.
void reinsert_hand_over() {
    const FragmentReplacement& c = reinsert.choice;
    DrawingFile* df = drawing();
    if (!df || !c.fragment || !c.target.holder || !c.replacement || current_stage != 3 || !stage_panel) return;
    FragmentReplaceRequest request;
    request.target = c.target.holder;
    request.all = c.all;
    if (!fragment_instance_record(df, c.target.holder, c.target.instance, request.record)) return;
    SendMessageA(stage_panel, WM_COMMAND, IDC_FRG_REPLACE_START, reinterpret_cast<LPARAM>(&request));
    if (!fragment_replacement_pending()) return;
    char text[300];
    std::snprintf(text, sizeof text, "Укажите %i базовые точки на проекции %s", c.target.source_bindings,
                  caption_of(df, c.replacement).c_str());
    prompt_show(text);
}

void sketch_show(HWND dialog, const unsigned char* p) {
    uint16_t flags = get_u16(p, projection_flags);
    CheckDlgButton(dialog, IDC_LIST_NO_SKETCH, (flags & projection_flag_no_sketch) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_LIST_SKETCH_LIGHTEN,
                   (get_u16(p, projection_second_flags) & projection_flag2_lighten) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_LIST_SKETCH_NO_ROTATION, BST_UNCHECKED);
    ProjectionWindow* w = projection_window_find_by_id(edit.number);
    CheckDlgButton(dialog, IDC_LIST_SKETCH_HIDE,
                   w && (w->view_flags & view_flag_sketch_hidden) ? BST_CHECKED : BST_UNCHECKED);
    char path[300] = "";
    sketch_reference_load(p, path, sizeof path);
    sketch_info(dialog, " Ранее использовался файл образа эскиза:\n  ", path);
    sketch_enable(dialog);
}

// "Сменить файл образа эскиза": the file is only remembered here; the
// record takes it on "Выполнить".
void sketch_choose(HWND dialog) {
    char path[260] = "";
    int chosen;
    if (sketch_dialog_answer) {
        chosen = sketch_dialog_answer(path, sizeof path);
    } else {
        OPENFILENAMEA o;
        sketch_file_dialog_init(&o, dialog, path, sizeof path);
        chosen = GetOpenFileNameA(&o) ? 1 : 0;
    }
    if (!chosen || !path[0]) return;
    edit.new_sketch = path;
    CheckDlgButton(dialog, IDC_LIST_SKETCH_LIGHTEN, BST_CHECKED);
    sketch_info(dialog, " Новый файл образа эскиза:\n  ", path);
}

void load(HWND dialog, uint32_t number) {
    DrawingFile* df = drawing();
    unsigned char* p = df ? projection_find(df, number) : nullptr;
    if (!p) return;
    char title[260] = "";
    int bytes = get_u16(p, projection_title_length);
    if (bytes > 32) bytes = 32;
    uint16_t words[16] = {};
    for (int i = 0; i < (bytes + 1) / 2; ++i) words[i] = get_u16(p, projection_title + 2 * i);
    if (bytes) text_unpack_words(bytes, words, title, sizeof title, 3);
    trim_trailing_blanks(std::strlen(title), title);
    SetDlgItemTextA(dialog, IDC_LIST_TITLE, title);
    uint16_t flags = get_u16(p, projection_flags);
    int type = flags & 0x0F;
    HWND types = GetDlgItem(dialog, IDC_LIST_TYPE);
    int count = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (SendMessageA(types, CB_GETITEMDATA, i, 0) == type) SendMessageA(types, CB_SETCURSEL, i, 0);
    double scale = get_f64(p, projection_scale);
    if (scale > 2500.0) scale = 2500.0;
    if (scale == 0.0) scale = 1.0;
    char text[64];
    format_number_by_magnitude(text, sizeof text, scale);
    SetDlgItemTextA(dialog, IDC_LIST_SCALE, text);
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(get_u16(p, projection_sheet) & 0x07FF));
    SetDlgItemTextA(dialog, IDC_LIST_SHEET, text);
    CheckDlgButton(dialog, IDC_LIST_NOT_ON_SHEETS, (flags & 0x0100) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_LIST_NO_AUTO, (flags & 0x0400) ? BST_CHECKED : BST_UNCHECKED);
    edit = ListEdit();
    edit.number = number;
    EnableWindow(GetDlgItem(dialog, IDC_LIST_ENLARGE), enlargeable(number) != nullptr);
    if (list_kind == 8) {
        // Another fragment: the replacement starts again, at the image stage only.
        reinsert_reset(dialog);
        EnableWindow(GetDlgItem(dialog, IDC_LIST_REINSERT_ALLOW), current_stage == 3);
    }
    if (list_kind != 8) {
        for (int i = 0; i < 2; ++i) {
            format_dimension_value(text, sizeof text, get_f64(p, angle_fields[i]), 3, 0);
            SetDlgItemTextA(dialog, angle_controls[i], text);
            edit.angle_shown[i] = text;
        }
        sketch_show(dialog, p);
    }
}

void list_fill(HWND dialog) {
    DrawingFile* df = drawing();
    HWND combo = GetDlgItem(dialog, IDC_LIST_PROJECTIONS);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    std::vector<uint32_t> listed;
    if (df) {
        RecordRef head = get_u32(df->header, header_projections);
        PageBuffer* pb = &page_buffers[table_projections];
        for (unsigned char* p = record_next(df, &head, nullptr, pb); p; p = record_next(df, &head, p, pb)) {
            if (!projection_listed(list_kind, 0, get_u16(p, projection_flags) & 0x0F)) continue;
            char caption[260];
            view_caption_full(p, caption, sizeof caption);
            LRESULT i = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption));
            SendMessageA(combo, CB_SETITEMDATA, i, get_u32(p, 2));
            listed.push_back(get_u32(p, 2));
        }
    }
    int position = projection_list_position(listed, active_projection_number);
    for (int id : edit_controls) EnableWindow(GetDlgItem(dialog, id), !listed.empty());
    // The sheet number only for projections of a drawing with sheets.
    if (!df || !get_u32(df->header, header_sheets) || list_kind == 8) EnableWindow(GetDlgItem(dialog, IDC_LIST_SHEET), FALSE);
    if (listed.empty()) {
        EnableWindow(GetDlgItem(dialog, IDC_LIST_ENLARGE), FALSE);
        reinsert_reset(dialog);
        EnableWindow(GetDlgItem(dialog, IDC_LIST_REINSERT_ALLOW), FALSE);
        SendMessageA(combo, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(list_kind == 8 ? "Нет фрагментов" : "Нет проекций"));
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        return;
    }
    SendMessageA(combo, CB_SETCURSEL, position > 0 ? position - 1 : 0, 0);
    load(dialog, chosen(dialog));
}

// The sketch choices written into the projection record p; a record
// whose length changes (a new sketch reference) is stored anew and the
// windows take their references again.  True when the window must be
// opened again.
bool sketch_store(DrawingFile* df, unsigned char* p, const ProjectionSketchEdit& sketch) {
    PageBuffer* pb = &page_buffers[table_projections];
    std::vector<uint8_t> rec(projection_record_room, 0);
    size_t length = get_u16(p, 0);
    std::memcpy(rec.data(), p, length < rec.size() ? length : rec.size());
    if (!projection_sketch_apply(rec.data(), sketch)) return false;
    if (get_u16(rec.data(), 0) == length) {
        std::memcpy(p, rec.data(), length);
        pb->clean = 0;
        return true;
    }
    RecordRef head = get_u32(df->header, header_projections);
    record_delete(df, &head, record_ref_of(pb, p), pb);
    RecordRef added = error_flag ? 0 : record_add(df, &head, rec.data(), pb);
    put_u32(df->header, header_projections, head);
    if (!added) {
        report_document_failure(df);
        return false;
    }
    projection_refs_refresh();
    return true;
}

// "Выполнить": the controls written back; false (message shown) for a
// value refused.
bool apply(HWND dialog) {
    DrawingFile* df = drawing();
    uint32_t number = chosen(dialog);
    if (!df || !number) return true;
    char text[260] = "";
    GetDlgItemTextA(dialog, IDC_LIST_SCALE, text, sizeof text);
    double scale = parse_number_text(text);
    if (!projection_scale_acceptable(scale)) {
        show_program_message("Масштаб проекции: число больше 0 и не больше 2500");
        return false;
    }
    long sheet = -1;
    bool with_sheets = list_kind != 8 && get_u32(df->header, header_sheets) != 0;
    if (with_sheets) {
        GetDlgItemTextA(dialog, IDC_LIST_SHEET, text, sizeof text);
        char* end = nullptr;
        sheet = std::strtol(text, &end, 10);
        long sheets = sheet_count(df);
        if (end == text || *end || !projection_sheet_acceptable(sheet, sheets)) {
            char message[128];
            std::snprintf(message, sizeof message, "Номер листа: от 1 до %ld", sheets);
            show_program_message(message);
            return false;
        }
    }
    // The view angles, where edited: degrees, minutes and seconds, or radians.
    double angle[2] = {0, 0};
    bool angle_edited[2] = {false, false};
    if (list_kind != 8) {
        for (int i = 0; i < 2; ++i) {
            GetDlgItemTextA(dialog, angle_controls[i], text, sizeof text);
            if (edit.number != number || edit.angle_shown[i] == text) continue;
            angle[i] = parse_angle(text, nullptr);
            if (!std::isfinite(angle[i]) || !std::strpbrk(text, "0123456789")) {
                show_program_message("Угол вида: градусы, минуты и секунды (90^30'), или радианы");
                return false;
            }
            angle_edited[i] = true;
        }
    }
    ProjectionSketchEdit sketch;
    sketch.no_sketch = IsDlgButtonChecked(dialog, IDC_LIST_NO_SKETCH) == BST_CHECKED;
    sketch.lighten = IsDlgButtonChecked(dialog, IDC_LIST_SKETCH_LIGHTEN) == BST_CHECKED;
    sketch.drop_rotation = IsDlgButtonChecked(dialog, IDC_LIST_SKETCH_NO_ROTATION) == BST_CHECKED;
    if (edit.number == number && !edit.new_sketch.empty()) sketch.new_path = edit.new_sketch.c_str();
    bool hide_enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_LIST_SKETCH_HIDE)) != FALSE;
    bool hide = IsDlgButtonChecked(dialog, IDC_LIST_SKETCH_HIDE) == BST_CHECKED;
    bool hide_changed = false, reopen = false;
    char title[64] = "";
    GetDlgItemTextA(dialog, IDC_LIST_TITLE, title, sizeof title);
    LRESULT t = SendDlgItemMessageA(dialog, IDC_LIST_TYPE, CB_GETCURSEL, 0, 0);
    int type = t >= 0 ? static_cast<int>(SendDlgItemMessageA(dialog, IDC_LIST_TYPE, CB_GETITEMDATA, t, 0)) : -1;
    bool not_on_sheets = IsDlgButtonChecked(dialog, IDC_LIST_NOT_ON_SHEETS) == BST_CHECKED;
    bool no_auto = IsDlgButtonChecked(dialog, IDC_LIST_NO_AUTO) == BST_CHECKED;
    char caption[260] = "";
    {
        DocumentLockGuard lock;
        unsigned char* p = projection_find(df, number);
        if (!p) return true;
        uint16_t words[16] = {};
        int bytes = text_pack_words(static_cast<int>(std::strlen(title)), title, words, 16, 3);
        for (int i = 0; i < 16; ++i) put_u16(p, projection_title + 2 * i, words[i]);
        put_u16(p, projection_title_length, static_cast<uint16_t>(bytes));
        uint16_t flags = get_u16(p, projection_flags);
        if (type >= 0 && list_kind != 8 && type != 8) flags = static_cast<uint16_t>((flags & ~0x000F) | type);
        if (get_f64(p, projection_scale) != scale) flags |= 0x0200;
        put_f64(p, projection_scale, scale);
        if (with_sheets)
            put_u16(p, projection_sheet, static_cast<uint16_t>((get_u16(p, projection_sheet) & ~0x07FF) | sheet));
        flags = static_cast<uint16_t>(not_on_sheets ? (flags | 0x0100) : (flags & ~0x0100));
        if ((flags & 0x0400) && !no_auto) flags |= 0x0200;
        flags = static_cast<uint16_t>(no_auto ? (flags | 0x0400) : (flags & ~0x0400));
        put_u16(p, projection_flags, flags);
        for (int i = 0; i < 2; ++i)
            if (angle_edited[i]) put_f64(p, angle_fields[i], angle[i]);
        page_buffers[table_projections].clean = 0;
        view_caption_full(p, caption, sizeof caption);
        ProjectionWindow* w = projection_window_find_by_id(number);
        if (w) {
            w->view_flags = static_cast<uint16_t>((w->view_flags & ~view_flag_type_mask) | (flags & 0x0F));
            if (hide_enabled && hide != ((w->view_flags & view_flag_sketch_hidden) != 0)) {
                w->view_flags ^= view_flag_sketch_hidden;
                hide_changed = true;
            }
        }
        if (list_kind != 8) reopen = sketch_store(df, p, sketch);
    }
    if (hide_changed || reopen) {
        ProjectionWindow* w = projection_window_find_by_id(number);
        if (w && w->window && hide_changed) InvalidateRect(w->window, nullptr, TRUE);
        // A new sketch state: the window is opened again with it.
        if (w && w->window && reopen) {
            if (IsZoomed(w->window) && mdi_client)
                SendMessageA(mdi_client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(w->window), 0);
            if (frame_window) PostMessageA(frame_window, UM_REOPEN_PROJECTION_WINDOW, 0, reinterpret_cast<LPARAM>(w));
        }
    }
    // The open window takes the new caption.
    if (ProjectionWindow* w = projection_window_find_by_id(number))
        if (w->window) SetWindowTextA(w->window, caption);
    return true;
}

// "Удалить": after the question the window (or the record alone) goes.
bool remove(HWND dialog) {
    DrawingFile* df = drawing();
    uint32_t number = chosen(dialog);
    if (!df || !number) return false;
    char caption[260] = "";
    GetDlgItemTextA(dialog, IDC_LIST_PROJECTIONS, caption, sizeof caption);
    if (!ask_confirmation(dialog, 1, caption)) return false;
    uint16_t description[20] = {};
    text_pack("Удаление проекции", description, sizeof description);
    drawing_checkpoint_numbered(1, description, number);
    ProjectionWindow* w = projection_window_find_by_id(number);
    if (w && w->window && mdi_client) {
        keep_projection_on_destroy = 0;
        SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(w->window), 0);
    } else {
        DocumentLockGuard lock;
        projection_delete_stored(df, number);
    }
    window_list_build();
    return true;
}

INT_PTR CALLBACK projection_lists_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        hints_disable();
        init_help_button(dialog);
        hint_add(dialog, GetDlgItem(dialog, IDC_LIST_ENLARGE), " Расширить окно проекции\n слева и вверху");
        sketch_info(dialog, "", nullptr);
        reinsert = ReinsertState();
        DrawingFile* df = drawing();
        if (!df || !get_u32(df->header, header_sheets) || list_kind == 8) {
            EnableWindow(GetDlgItem(dialog, IDC_LIST_SHEET_LABEL), FALSE);
            EnableWindow(GetDlgItem(dialog, IDC_LIST_SHEET), FALSE);
        }
        for (int type = 0; type < VIEW_KIND_COUNT; ++type) {
            if (type == 8) continue;
            LRESULT i = SendDlgItemMessageA(dialog, IDC_LIST_TYPE, CB_ADDSTRING, 0,
                                            reinterpret_cast<LPARAM>(view_kind_names[type]));
            SendDlgItemMessageA(dialog, IDC_LIST_TYPE, CB_SETITEMDATA, i, type);
        }
        if (list_kind == 8) EnableWindow(GetDlgItem(dialog, IDC_LIST_TYPE), FALSE);
        list_fill(dialog);
        hints_enable();
        return TRUE;
    }
    case WM_DESTROY:
        hints_remove_dialog(dialog);
        return FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wparam), code = HIWORD(wparam);
        switch (id) {
        case IDC_LIST_ENLARGE:
            if (code == BN_CLICKED) enlarge(dialog, chosen(dialog));
            return TRUE;
        case IDC_LIST_REINSERT_ALLOW:
        case IDC_LIST_REINSERT_INSTANCES:
        case IDC_LIST_REINSERT_WITH:
        case IDC_LIST_REINSERT_ALL:
            reinsert_command(dialog, id, code);
            return TRUE;
        case IDC_LIST_PROJECTIONS:
            if (code == CBN_SELCHANGE && chosen(dialog)) load(dialog, chosen(dialog));
            return TRUE;
        case IDC_LIST_NO_SKETCH:
            if (code == BN_CLICKED) sketch_enable(dialog);
            return TRUE;
        case IDC_LIST_SKETCH_FILE:
            if (code == BN_CLICKED) sketch_choose(dialog);
            return TRUE;
        case IDOK:
            if (apply(dialog)) EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_LIST_DELETE:
            if (remove(dialog)) EndDialog(dialog, list_ended_by_delete);
            return TRUE;
        case IDC_LIST_NEW:
            if (command_seams.projection_dialog_run) {
                document_lock_acquire();
                command_seams.projection_dialog_run(list_kind);
                document_lock_release();
                busy_flag = 0;
            }
            list_fill(dialog);
            return TRUE;
        case IDC_HELP_PICTURE:
            set_help_topic(list_kind == 8 ? 17 : 4);
            open_help_topic();
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

}  // namespace

void projection_properties_run(int kind) {
    DrawingFile* df = drawing();
    if (!df) return;
    list_kind = kind == 8 ? 8 : 0;
    uint16_t description[20] = {};
    text_pack(list_kind == 8 ? "Списки фрагментов" : "Списки проекций", description, sizeof description);
    drawing_checkpoint(1, description);
    INT_PTR ended = DialogBoxParamA(GetModuleHandleA(nullptr),
                                    MAKEINTRESOURCEA(list_kind == 8 ? IDD_FRAGMENT_LIST : IDD_PROJECTION_LIST),
                                    frame_window, projection_lists_proc, 0);
    // A replacement chosen and confirmed goes to the image panel.
    if (ended == IDOK && list_kind == 8) reinsert_hand_over();
    reinsert = ReinsertState();
    // The windows are repainted, after a delete as well.
    if (command_seams.projection_windows_refresh) command_seams.projection_windows_refresh(0);
}
