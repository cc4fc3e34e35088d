// The fragment insertion dialog and the fragment commands of the shell.
#include "shell/fragment_dialog.h"

#include "output/fragment_pick.h"
#include "output/fragment_update.h"
#include "output/fragment_params.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/os_layer.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "geometry/dimension_text.h"
#include "shell/elements_binding.h"
#include "shell/frame_window.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/marking_contours.h"
#include "shell/help.h"
#include "shell/message_dialogs.h"
#include "shell/resource_ids.h"
#include "store/drawing_file.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"

FragmentDialogContext fragment_dialog_context;

namespace {
void nothing() {}
}  // namespace

const FragmentDialogActions fragment_dialog_actions_unbound = {nothing, nothing};
FragmentDialogActions fragment_dialog_actions = fragment_dialog_actions_unbound;

void fragment_scale_text(double scale, char* out, size_t size) {
    if (!out || size == 0) return;
    char text[64];
    std::snprintf(text, sizeof text, "%-14.8lf", scale);
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ') --n;
    if (std::memchr(text, '.', n)) {
        while (n > 0 && text[n - 1] == '0') --n;
        if (n > 0 && text[n - 1] == '.') --n;
    }
    text[n] = '\0';
    std::snprintf(out, size, "%s", text);
}

namespace {

struct ModeCheck {
    int id;
    uint8_t bit;
};
const ModeCheck mode_checks[] = {
    {IDC_FRG_HIDE_DIMENSIONS, fragment_mode_hide_dimensions},
    {IDC_FRG_CORRECT_NOMINALS, fragment_mode_correct_nominals},
    {IDC_FRG_WITHOUT_DIMENSIONS, fragment_mode_without_dimensions},
    {IDC_FRG_WITHOUT_POINTS, fragment_mode_without_points},
    {IDC_FRG_USE_PARAMETERS, fragment_mode_user_parameters},
    {IDC_FRG_MIRROR, fragment_mode_mirrored},
    {IDC_FRG_CONSTANT_UPDATE, fragment_mode_constant_update},
};

bool checked(HWND d, int id) { return IsDlgButtonChecked(d, id) == BST_CHECKED; }
void check(HWND d, int id, bool on) { CheckDlgButton(d, id, on ? BST_CHECKED : BST_UNCHECKED); }
void enable(HWND d, int id, bool on) { EnableWindow(GetDlgItem(d, id), on ? TRUE : FALSE); }

FragmentSettings& edited() { return fragment_dialog_settings; }

void set_bit(uint8_t bit, bool on) {
    if (on) edited().mode |= bit;
    else edited().mode &= static_cast<uint8_t>(~bit);
}

void show_scale(HWND d) {
    char text[64];
    fragment_scale_text(edited().scale, text, sizeof text);
    SetDlgItemTextA(d, IDC_FRG_SCALE, text);
}

void show_angle(HWND d) {
    char text[64];
    format_dimension_value(text, sizeof text, edited().angle, 3, 0);
    SetDlgItemTextA(d, IDC_FRG_ANGLE, text);
}

// Shows the edited settings and applies the rules that tie the controls
// together.
void show(HWND d) {
    FragmentSettings& s = edited();
    bool without = s.mode & fragment_mode_without_dimensions;
    if (without) s.mode &= static_cast<uint8_t>(~(fragment_mode_hide_dimensions | fragment_mode_correct_nominals));
    else
        s.mode &= static_cast<uint8_t>(
            ~(fragment_mode_user_parameters | fragment_mode_without_points | fragment_mode_constant_update));
    if (!(s.mode & fragment_mode_without_points)) s.mode &= static_cast<uint8_t>(~fragment_mode_constant_update);
    if (!fragment_dialog_context.marked) s.only_marked = false;
    if (fragment_dialog_context.instance_mode < 0) s.reinsert = false;
    for (const ModeCheck& m : mode_checks) check(d, m.id, s.mode & m.bit);
    check(d, IDC_FRG_SERIAL, s.serial);
    check(d, IDC_FRG_ONLY_MARKED, s.only_marked);
    check(d, IDC_FRG_REINSERT, s.reinsert);
    enable(d, IDC_FRG_HIDE_DIMENSIONS, !without);
    enable(d, IDC_FRG_CORRECT_NOMINALS, !without);
    enable(d, IDC_FRG_WITHOUT_DIMENSIONS, !s.only_marked);
    enable(d, IDC_FRG_USE_PARAMETERS, without);
    enable(d, IDC_FRG_WITHOUT_POINTS, without);
    enable(d, IDC_FRG_CONSTANT_UPDATE, s.mode & fragment_mode_without_points);
    bool parameters = s.mode & fragment_mode_user_parameters;
    for (int id : {IDC_FRG_SCALE_LABEL, IDC_FRG_SCALE, IDC_FRG_ANGLE_LABEL, IDC_FRG_ANGLE, IDC_FRG_MIRROR})
        enable(d, id, parameters);
    enable(d, IDC_FRG_ONLY_MARKED, fragment_dialog_context.marked && !s.reinsert);
    enable(d, IDC_FRG_REINSERT, fragment_dialog_context.instance_mode >= 0);
    enable(d, IDC_FRG_SERIAL, !s.reinsert);
}

void command(HWND d, int id, int code) {
    FragmentSettings& s = edited();
    switch (id) {
    case IDC_FRG_SERIAL: s.serial = checked(d, id); break;
    case IDC_FRG_ONLY_MARKED:
        s.only_marked = checked(d, id);
        if (s.only_marked) s.mode |= fragment_mode_without_dimensions;
        break;
    case IDC_FRG_REINSERT:
        s.reinsert = checked(d, id);
        if (s.reinsert) {
            // The instance's own modes (bits 0-4) come in; serial and
            // marked-only insertion do not apply.
            s.mode = static_cast<uint8_t>((s.mode & ~0x1F) | (fragment_dialog_context.instance_mode & 0x1F));
            s.serial = false;
            s.only_marked = false;
        }
        break;
    case IDC_FRG_SCALE:
        if (code == EN_KILLFOCUS || code == EN_MAXTEXT) {
            char text[64] = "";
            GetDlgItemTextA(d, IDC_FRG_SCALE, text, sizeof text);
            double v = parse_angle(text, nullptr);
            if (v > 0.0) s.scale = v;
            show_scale(d);
        }
        return;
    case IDC_FRG_ANGLE:
        if (code == EN_KILLFOCUS || code == EN_MAXTEXT) {
            char text[64] = "";
            GetDlgItemTextA(d, IDC_FRG_ANGLE, text, sizeof text);
            s.angle = parse_angle(text, nullptr);
            show_angle(d);
        }
        return;
    case IDC_FRG_UPDATE: fragment_dialog_actions.update_dynamic(); return;
    case IDC_FRG_HELP: help_open(22); return;
    case IDOK:
        fragment_settings = s;
        EndDialog(d, IDOK);
        if (s.reinsert) fragment_dialog_actions.reinsert_marked();
        return;
    case IDCANCEL:
        fragment_dialog_settings = fragment_settings;
        EndDialog(d, IDCANCEL);
        return;
    default:
        for (const ModeCheck& m : mode_checks)
            if (m.id == id) set_bit(m.bit, checked(d, id));
        break;
    }
    show(d);
}

}  // namespace

INT_PTR CALLBACK fragment_insert_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        fragment_dialog_settings = fragment_settings;
        show(dialog);
        show_scale(dialog);
        show_angle(dialog);
        return TRUE;
    case WM_COMMAND:
        command(dialog, LOWORD(wparam), HIWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR fragment_insert_dialog_run(HWND owner) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FRAGMENT_INSERT), owner,
                           fragment_insert_dialog, 0);
}

namespace {

int ask(int code, const char* extra) { return ask_confirmation(nullptr, code, extra) == 1 ? 1 : 0; }
void prompt(const char* text) {
    if (document_shell.prompt_show) document_shell.prompt_show(text);
}
int checkpoint() { return drawing_checkpoint(1, nullptr) == 0 ? 0 : -1; }

// "Обновить": every constant-update instance of the drawing inserted again
// from its fragment, after one checkpoint (one undo takes it all back);
// the messages of the update are shown after the lock is left.
void update_dynamic_now() {
    if (!current_drawing_file() || fragment_shell.checkpoint() != 0) return;
    DrawingFile* df = current_drawing_file();
    std::vector<std::string> lines;
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    update_dynamic_fragments(df, false, [&lines](const char* t) { lines.push_back(t); });
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    for (const std::string& l : lines) show_program_message(l.c_str());
    if (mdi_client) RedrawWindow(mdi_client, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace

void fragments_bind() {
    fragment_shell = FragmentShell{ask, prompt, checkpoint,
                                   [](DrawingFile* df, uint8_t* projection, uint32_t number) {
                                       contour_delete(df, projection, number);
                                   },
                                   [](DrawingFile* df, uint8_t* projection) { return rebuild_bars(df, projection); },
                                   [](DrawingFile* df, uint8_t* projection, uint32_t element) {
                                       delete_bar_records(df, projection, element);
                                   }};
    fragment_dialog_actions.update_dynamic = update_dynamic_now;
    fragment_dialog_actions.reinsert_marked = [] { fragment_reinsert_marked(); };
}

namespace {

// The copies bring no generated geometry (curve images, bar outlines): the
// target's elements are rebuilt from its points, on a copy of its record
// whose chain heads are written back.
void rebuild_target(DrawingFile* df, uint32_t key) {
    uint8_t* p = fragment_projection_in(df, key);
    if (!p) return;
    uint16_t len = get_u16(p, record_length);
    std::vector<uint8_t> copy(projection_record_max, 0);
    std::memcpy(copy.data(), p, len < copy.size() ? len : copy.size());
    elements_rebuild_projection(copy.data(), false);
    error_flag = 0;
    p = fragment_projection_in(current_drawing_file(), key);
    if (!p) return;
    std::memcpy(p, copy.data(), len < copy.size() ? len : copy.size());
    page_buffers[table_projections].clean = 0;
}

}  // namespace

int fragment_insert_command(HWND owner, uint32_t target_key, DrawingFile* source_df, uint32_t source_key,
                            FragmentInsertParams* params) {
    if (!current_drawing_file() || !source_df || !params) return fragment_failed;
    // The checkpoint first: it closes and opens the drawing again, and one
    // undo then takes the whole insertion back.
    bool same = source_df == current_drawing_file();
    if (fragment_shell.checkpoint() != 0) return fragment_failed;
    DrawingFile* df = current_drawing_file();
    if (same) source_df = df;
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    int r = insert_fragment(df, target_key, source_df, source_key, params, fragment_settings, false);
    if (r == fragment_inserted) rebuild_target(df, target_key);
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    if (owner) InvalidateRect(owner, nullptr, TRUE);
    if (mdi_client) RedrawWindow(mdi_client, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return r;
}

namespace {
FragmentPick fragment_pick;
uint32_t marked_projection = 0;  // the projection whose marked elements the dialog looked at
}  // namespace

void fragment_dialog_context_fill(uint32_t projection) {
    fragment_dialog_context = FragmentDialogContext();
    marked_projection = projection;
    DrawingFile* df = current_drawing_file();
    // While the construction thread runs, the drawing is its own: the
    // dialog then opens without the marked elements' choices.
    if (!df || !projection || worker_running) return;
    FragmentInsertParams params;
    FragmentSettings own;
    // Only read: the panel's command may arrive while the drawing lock is
    // taken elsewhere; a stale instance record is dropped by the re-insertion,
    // which runs under the lock.
    int marked = fragment_params_from_marked(df, projection, &params, &own, {}, true);
    fragment_dialog_context.marked = marked != 0;
    if (params.instance) fragment_dialog_context.instance_mode = own.mode;
}

int fragment_reinsert_marked() {
    DrawingFile* df = current_drawing_file();
    if (!df || !marked_projection) return 0;
    // What "Да" chose applies to every instance; each keeps its own binding
    // points, mirroring and update mode.
    const FragmentSettings chosen = fragment_settings;
    std::vector<uint16_t> done;
    int reinserted = 0;
    for (;;) {
        df = current_drawing_file();
        FragmentInsertParams params;
        FragmentSettings own;
        if (drawing_critical_section) os_lock_enter(drawing_critical_section);
        int marked = fragment_params_from_marked(df, marked_projection, &params, &own, done);
        if (drawing_critical_section) os_lock_leave(drawing_critical_section);
        if (!marked || !params.instance) break;
        own.mode = static_cast<uint8_t>((own.mode & ~0x1F) | (chosen.mode & 0x1F) | fragment_mode_always);
        if (chosen.mode & fragment_mode_user_parameters) {
            own.scale = chosen.scale;
            own.angle = chosen.angle;
        }
        own.reinsert = true;
        own.serial = false;
        own.only_marked = false;
        done.push_back(params.instance);
        fragment_settings = own;
        int r = fragment_insert_command(nullptr, marked_projection, current_drawing_file(), params.source_projection,
                                        &params);
        fragment_settings = chosen;
        if (r != fragment_inserted) break;
        ++reinserted;
    }
    if (mdi_client) RedrawWindow(mdi_client, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return reinserted;
}

int fragment_tool_start(HWND owner) {
    fragment_pick = FragmentPick();
    // Marked elements of the active projection enable "Только помеченные
    // элементы"; one of an intact instance enables "Вставить повторно".
    ProjectionWindow* w = projection_window_active();
    fragment_dialog_context_fill(w ? w->number : 0);
    if (fragment_insert_dialog_run(owner) != IDOK) return 0;
    if (fragment_settings.reinsert) return 0;
    prompt("*фрагмент и точки его привязки");
    return 1;
}

const char* const text_fragment_replace_prompt = "*базовые точки на заменяющем фрагменте";

namespace {

struct Replacement {
    bool pending = false;
    FragmentReplaceRequest request;
    int count = 0;         // binding points the instance has in its fragment
    uint32_t source = 0;   // the replacing fragment
    int picked = 0;
    uint32_t points[3] = {};
};
Replacement replacement;

// Replaces once every binding point is picked: after a checkpoint (one undo
// takes the whole replacement back), under the drawing lock; the projections
// that now hold the new fragment get their generated geometry again.
int replacement_run(HWND owner) {
    Replacement r = replacement;
    replacement = Replacement();
    if (fragment_shell.checkpoint() != 0) return fragment_failed;
    DrawingFile* df = current_drawing_file();
    if (!df) return fragment_failed;
    uint16_t instance = get_u16(r.request.record, fragment_instance);
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    int done = replace_fragment(df, r.request.target, instance, r.source, r.points, r.request.all);
    if (done > 0) {
        // Every projection holding an instance of the new fragment now.
        std::vector<uint32_t> keys;
        RecordRef head = get_u32(df->header, header_projections);
        PageBuffer* b = &page_buffers[table_projections];
        for (uint8_t* p = record_next(df, &head, nullptr, b); p; p = record_next(df, &head, p, b))
            keys.push_back(get_u32(p, record_key));
        for (uint32_t key : keys) {
            bool holds = key == r.request.target;
            uint8_t* p = fragment_projection_in(df, key);
            RecordRef chain = p ? get_u32(p, projection_construction) : 0;
            PageBuffer* cb = &page_buffers[table_construction];
            for (uint8_t* c = p ? record_next(df, &chain, nullptr, cb) : nullptr; c && !holds; c = record_next(df, &chain, c, cb))
                holds = c[record_kind] == construction_fragment_instance && get_u16(c, record_length) == fragment_record_size &&
                        get_u32(c, fragment_source) == r.source;
            if (holds) rebuild_target(df, key);
        }
    }
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    if (done == -2) {
        show_program_message("Фрагмент не может заменить себя в собственной проекции");
        return fragment_failed;
    }
    if (done < 0) return fragment_failed;
    prompt(text_fragment_replaced);
    if (owner) InvalidateRect(owner, nullptr, TRUE);
    if (mdi_client) RedrawWindow(mdi_client, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    // The image stage is entered again once the click that ended the
    // replacement has been handled: its panel, caption and prompt anew.
    if (frame_window) PostMessageA(frame_window, WM_COMMAND, IDM_STAGE_IMAGE, 0);
    return fragment_inserted;
}

int replacement_click(HWND owner, uint32_t projection, uint32_t point) {
    if (projection == replacement.request.target) return 1;
    if (projection != replacement.source) {
        // The first click, or one on another projection, chooses the fragment.
        replacement.source = projection;
        replacement.picked = 0;
    }
    if (replacement.count > 0) {
        for (int i = 0; i < replacement.picked; ++i)
            if (replacement.points[i] == point) return 1;
        replacement.points[replacement.picked++] = point;
    }
    status_show_number(static_cast<unsigned>(replacement.picked));
    if (replacement.picked < replacement.count) return 1;
    return replacement_run(owner);
}

}  // namespace

int fragment_replacement_start(const FragmentReplaceRequest& request) {
    fragment_pick = FragmentPick();
    replacement = Replacement();
    const uint8_t* r = request.record;
    if (get_u16(r, record_length) != fragment_record_size || r[record_kind] != construction_fragment_instance ||
        get_u16(r, fragment_instance) == 0 || get_u16(r, fragment_source_bindings) > 3)
        return 0;
    replacement.pending = true;
    replacement.request = request;
    replacement.count = get_u16(r, fragment_source_bindings);
    prompt(text_fragment_replace_prompt);
    return 1;
}

bool fragment_replacement_pending() { return replacement.pending; }

void fragment_tool_cancel() {
    fragment_pick = FragmentPick();
    replacement = Replacement();
}

int fragment_tool_click(HWND owner, uint32_t projection, uint32_t point, Point2 xy) {
    if (replacement.pending) return replacement_click(owner, projection, point);
    FragmentPickResult r = fragment_pick_click(fragment_pick, projection, point, xy, fragment_settings.serial);
    if (r == pick_cancelled) {
        prompt("*фрагмент и точки его привязки");
        return 1;
    }
    status_show_number(static_cast<unsigned>(fragment_pick_counts(fragment_pick)));
    if (r != pick_ready) return 1;
    FragmentInsertParams p = fragment_pick.params;
    int done = fragment_insert_command(owner, fragment_pick.target, current_drawing_file(), fragment_pick.source, &p);
    fragment_pick_after_insert(fragment_pick, fragment_settings.serial);
    return done;
}
