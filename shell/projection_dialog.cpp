// The dialogs that add a projection ("Определить проекцию объекта") or a
// fragment ("Найти  фрагмент") to the drawing: the new record is edited in a
// heap copy (type, sketch file and TIFF page, title, lightening), stored on
// "Выполнить" after a checkpoint and opened in its window.  A fragment is
// either empty ("Создать") or copied from a projection of a fragment library,
// another drawing opened read-only.
#include <windows.h>
#include <commdlg.h>

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "base/os_layer.h"
#include "base/program_messages.h"
#include "documents/checkpoints.h"
#include "documents/documents.h"
#include "documents/saving.h"
#include "geometry/extents.h"
#include "geometry/naming.h"
#include "geometry/text_numbers.h"
#include "output/fragment_placement.h"
#include "output/fragment_records.h"
#include "render/images/scanner_win.h"
#include "shell/core/projection_records.h"
#include "shell/core/projection_view.h"
#include "shell/elements_binding.h"
#include "shell/file_dialog.h"
#include "shell/frame_window.h"
#include "shell/hints.h"
#include "shell/message_dialogs.h"
#include "shell/panels.h"
#include "shell/projection_dialog.h"
#include "shell/projection_windows.h"
#include "shell/resource_ids.h"
#include "shell/startup.h"
#include "store/drawing_header.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "store/text_codec.h"

namespace {

uint8_t* edit_rec;            // the record being edited (projection_record_max bytes)
int dialog_kind;              // 0 projection, 8 fragment
DrawingFile* library;         // the fragment library, read-only
RecordRef fragment_ref;       // the chosen library projection
int tiff_page = 1;
int writing;                  // the program itself writes the path or the title
int taking_path;              // the path field's text is being taken

const char* const text_no_file_type = "Не указан тип файла";

uint16_t flags_of(const uint8_t* r) { return get_u16(r, projection_flags); }
void set_flags(uint8_t* r, uint16_t f) { put_u16(r, projection_flags, f); }

void library_close() {
    if (library) {
        drawing_file_close(library);
        drawing_file_free(library);
        library = nullptr;
        error_flag = 0;
    }
    fragment_ref = 0;
}

void set_text(HWND dialog, int id, const char* text) {
    ++writing;
    SetDlgItemTextA(dialog, id, text);
    --writing;
}

void clear_sketch_reference() {
    put_u16(edit_rec, projection_sketch_length, 0);
    put_u16(edit_rec, record_length, projection_record_head);
}

void store_title(const char* title) {
    uint16_t words[16] = {};
    int bytes = title[0] ? text_pack_words(static_cast<int>(std::strlen(title)), title, words, 16, 3) : 0;
    for (int i = 0; i < 16; ++i) put_u16(edit_rec, projection_title + 2 * i, words[i]);
    put_u16(edit_rec, projection_title_length, static_cast<uint16_t>(bytes < 0 ? 0 : bytes));
}

// The name part of a path has an extension.
bool has_extension(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    const char* dot = std::strrchr(name, '.');
    return dot && dot[1];
}

bool is_tiff(const char* path) { return extension_in_list(path, "TIF|TIFF") != 0; }

void fill_fragments(HWND dialog) {
    HWND combo = GetDlgItem(dialog, IDC_PROJECTION_FRAGMENTS);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    fragment_ref = 0;
    if (!library) return;
    RecordRef head = get_u32(library->header, header_projections);
    PageBuffer* b = &page_buffers[table_projections];
    for (uint8_t* r = record_next(library, &head, nullptr, b); r && !error_flag; r = record_next(library, &head, r, b)) {
        if ((flags_of(r) & projection_flag_type_mask) == 11) continue;
        char caption[260] = "";
        view_caption_full(r, caption, sizeof caption);
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption));
        if (at >= 0) SendMessageA(combo, CB_SETITEMDATA, at, static_cast<LPARAM>(record_ref_of(b, r)));
    }
    error_flag = 0;
}

// Opens the library named by the path field: a drawing with projections of
// the current structure; otherwise its message with the path, and none.
void library_open(HWND dialog, const char* path) {
    library_close();
    SendDlgItemMessageA(dialog, IDC_PROJECTION_FRAGMENTS, CB_RESETCONTENT, 0, 0);
    DrawingFile* f = drawing_file_new(path);
    if (!f) {
        error_flag = 0;
        return;
    }
    drawing_file_set_mode(f, drawing_mode_open_existing);
    if (drawing_file_open(f, 1) != 0 || !f->header) {
        error_flag = 0;
        drawing_file_free(f);
        error_stack_push(path);
        show_program_message("$открытия файла");
        return;
    }
    const char* refused = nullptr;
    if (get_u16(f->header, header_version) <= 12357)
        refused = "Старая версия структуры файла! Необходимо преобразовать";
    else if (get_u32(f->header, header_projections) == 0)
        refused = "В файле нет фрагментов!";
    if (refused) {
        drawing_file_close(f);
        drawing_file_free(f);
        error_flag = 0;
        error_stack_push(path);
        show_program_message(refused);
        return;
    }
    library = f;
    fill_fragments(dialog);
}

void fill_types(HWND dialog) {
    HWND combo = GetDlgItem(dialog, IDC_PROJECTION_TYPE);
    if (!combo) return;
    int type = flags_of(edit_rec) & projection_flag_type_mask;
    int chosen = -1;
    for (int t = 0; t <= 7; ++t) {
        LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(view_kind_names[t]));
        if (at < 0) continue;
        SendMessageA(combo, CB_SETITEMDATA, at, t);
        if (t == type) chosen = static_cast<int>(at);
    }
    if (chosen < 0) {
        // No item of the record's type: the first item's type with its angles.
        chosen = 0;
        int first = static_cast<int>(SendMessageA(combo, CB_GETITEMDATA, 0, 0));
        set_flags(edit_rec, static_cast<uint16_t>((flags_of(edit_rec) & ~projection_flag_type_mask) | first));
        double a = 0, b = 0;
        view_default_angles(first, &a, &b);
        put_f64(edit_rec, projection_angle_first, a);
        put_f64(edit_rec, projection_angle_second, b);
    }
    SendMessageA(combo, CB_SETCURSEL, chosen, 0);
}

// Stores the path field as the sketch reference (or, for a fragment, opens
// it as the library).  A projection's path is taken as it is typed: a text
// without an extension only clears the reference ("Выполнить" asks for a
// file); a fragment's path is taken on leaving the field or Enter.
void take_path(HWND dialog, bool typed) {
    char path[780] = "";
    GetDlgItemTextA(dialog, IDC_PROJECTION_PATH, path, sizeof path);
    if (!has_extension(path)) {
        clear_sketch_reference();
        if (!typed && path[0]) {
            error_stack_push(path);
            show_program_message(text_no_file_type);
        }
        return;
    }
    if (sketch_reference_store(edit_rec, path, tiff_page) != 0) clear_sketch_reference();
    if (dialog_kind == 8) library_open(dialog, path);
}

void enable_page(HWND dialog, bool on) {
    EnableWindow(GetDlgItem(dialog, IDC_PROJECTION_PAGE_LABEL), on);
    EnableWindow(GetDlgItem(dialog, IDC_PROJECTION_PAGE), on);
    set_text(dialog, IDC_PROJECTION_PAGE, on ? "1" : "");
    tiff_page = 1;
}

void find_file(HWND dialog) {
    char file[780] = "";
    if (sketch_dialog_answer) {
        if (!sketch_dialog_answer(file, sizeof file)) return;
    } else {
        current_dir_save();
        OPENFILENAMEA o;
        if (dialog_kind == 8) {
            file_dialog_init(&o, dialog, file, sizeof file);
            o.lpstrFilter = "Библиотека фрагментов  (*.svt)\0*.svt\0";
            o.lpstrTitle = "Имя файла библиотеки фрагментов";
            o.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        } else {
            sketch_file_dialog_init(&o, dialog, file, sizeof file);
        }
        if (!GetOpenFileNameA(&o)) return;
    }
    if (dialog_kind != 8) enable_page(dialog, is_tiff(file));
    set_text(dialog, IDC_PROJECTION_PATH, file);
    if (sketch_reference_store(edit_rec, file, tiff_page) != 0) clear_sketch_reference();
    EnableWindow(GetDlgItem(dialog, IDC_PROJECTION_FRAGMENTS), TRUE);
    if (dialog_kind == 8) library_open(dialog, file);
}

void no_sketch_clicked(HWND dialog) {
    bool on = IsDlgButtonChecked(dialog, IDC_PROJECTION_NO_SKETCH) == BST_CHECKED;
    for (int id : {IDC_PROJECTION_PATH, IDC_PROJECTION_FIND, IDC_PROJECTION_SCANNER, IDC_PROJECTION_LIGHTEN})
        if (HWND c = GetDlgItem(dialog, id)) EnableWindow(c, !on);
    if (dialog_kind == 8) {
        EnableWindow(GetDlgItem(dialog, IDC_PROJECTION_FRAGMENTS), !on);
        EnableWindow(GetDlgItem(dialog, IDC_PROJECTION_TITLE), TRUE);
    }
    uint16_t f = flags_of(edit_rec);
    if (on) {
        set_flags(edit_rec, static_cast<uint16_t>(f | projection_flag_no_sketch));
        CheckDlgButton(dialog, IDC_PROJECTION_LIGHTEN,
                       (get_u16(edit_rec, projection_second_flags) & projection_flag2_lighten) ? BST_CHECKED : BST_UNCHECKED);
        clear_sketch_reference();
        set_text(dialog, IDC_PROJECTION_PATH, "");
        if (dialog_kind == 8) {
            set_text(dialog, IDC_PROJECTION_TITLE, "");
            store_title("");
            SendDlgItemMessageA(dialog, IDC_PROJECTION_FRAGMENTS, CB_RESETCONTENT, 0, 0);
            library_close();
        }
    } else {
        set_flags(edit_rec, static_cast<uint16_t>(f & ~projection_flag_no_sketch));
    }
}

void fragment_chosen(HWND dialog) {
    HWND combo = GetDlgItem(dialog, IDC_PROJECTION_FRAGMENTS);
    LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (sel < 0 || !library) return;
    fragment_ref = static_cast<RecordRef>(SendMessageA(combo, CB_GETITEMDATA, sel, 0));
    char title[64] = "";
    GetDlgItemTextA(dialog, IDC_PROJECTION_TITLE, title, sizeof title);
    if (!title[0] || std::strncmp(title, "-из ", 4) == 0) {
        char caption[260] = "";
        SendMessageA(combo, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(caption));
        const char* name = library->path ? library->path : "";
        for (const char* p = name; *p; ++p)
            if (*p == '\\' || *p == '/') name = p + 1;
        char text[400];
        std::snprintf(text, sizeof text, "-из %s/%s", name, caption);
        set_text(dialog, IDC_PROJECTION_TITLE, text);
        store_title(text);
    }
    EnableWindow(GetDlgItem(dialog, IDC_PROJECTION_TITLE), TRUE);
}

void start_scanner(HWND dialog) {
    char path[780] = "";
    GetDlgItemTextA(dialog, IDC_PROJECTION_PATH, path, sizeof path);
    if (!path[0]) {
        show_program_message("Не задано имя файла для эскиза проекции!");
        return;
    }
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES && !ask_confirmation(dialog, 3, path)) return;
    scanner_begin_acquire(frame_window, dialog, path);
}

bool title_empty(const uint8_t* r) { return get_u16(r, projection_title_length) == 0; }

// Checks of "Выполнить": a message and false when the record is not ready.
bool ready(HWND dialog) {
    bool sketch = get_u16(edit_rec, projection_sketch_length) > 0;
    bool none = (flags_of(edit_rec) & projection_flag_no_sketch) != 0;
    if (!sketch && !none) {
        show_program_message(dialog_kind == 8 ? "Не задан файл библиотеки фрагментов!" : "Не задан файл эскиза проекции!");
        return false;
    }
    if (dialog_kind == 8 && none) {
        char title[64] = "";
        GetDlgItemTextA(dialog, IDC_PROJECTION_TITLE, title, sizeof title);
        if (!title[0]) {
            show_program_message("Укажите хоть что-нибудь в пояснениях");
            return false;
        }
    }
    if (dialog_kind == 8 && !none && (!library || !fragment_ref)) {
        show_program_message("Не выбран конкретный фрагмент из списка!");
        return false;
    }
    return true;
}

// The stored projection `number`, live in the projection page buffer.
uint8_t* stored_projection(DrawingFile* df, uint32_t number) {
    RecordRef head = get_u32(df->header, header_projections);
    RecordRef from = 0;
    return record_find_key(df, &head, number, &from, &page_buffers[table_projections]);
}

// Copies the chosen library projection into the new fragment, scaled from
// the library's drawing scale to the current one.
bool copy_library_fragment(DrawingFile* df, uint32_t number) {
    RecordRef at = fragment_ref;
    uint8_t* found = record_read_at(library, &at, &page_buffers[table_projections]);
    if (!found) return false;
    std::vector<uint8_t> source(found, found + get_u16(found, record_length));
    double from = get_f64(library->header, header_scale), to = get_f64(df->header, header_scale);
    FragmentPlacementInput in;
    in.user_parameters = true;
    in.user_scale = from > 0 && to > 0 ? from / to : 1.0;
    FragmentPlacement placement;
    fragment_placement_compute(in, true, &placement);
    FragmentCopyRequest request;
    request.placement = &placement;
    FragmentCopyResult result;
    uint8_t* target = stored_projection(df, number);
    if (!target) return false;
    int rc = insert_fragment_records(df, target, source.data(), library, request, &result);
    page_buffers[table_projections].clean = 0;
    return rc == 0;
}

// "Выполнить": the record stored and opened.  Returns true when the dialog
// ends.
bool execute(HWND dialog) {
    if (!ready(dialog)) return false;
    DrawingFile* df = current_drawing_file();
    if (!df || !df->header) return true;
    std::vector<uint32_t> open;
    for (ProjectionWindow* w = projection_windows; w; w = w->next) open.push_back(w->number);
    uint32_t counter = get_u32(df->header, header_counters);
    uint32_t before = counter;
    uint32_t number = projection_number_next_of(open.data(), open.size(), &counter);
    put_u32(edit_rec, record_key, number);
    uint16_t f = flags_of(edit_rec);
    if (dialog_kind == 8) f |= projection_flag_no_sketch;
    if (dialog_kind != 8 && !(f & projection_flag_no_sketch) && title_empty(edit_rec)) {
        char path[780] = "";
        sketch_reference_load(edit_rec, path, sizeof path);
        const char* name = path;
        for (const char* p = path; *p; ++p)
            if (*p == '\\' || *p == '/') name = p + 1;
        store_title(name);
    }
    int type = f & projection_flag_type_mask;
    if ((type >= 1 && type <= 6) || type == 9 || type == 10) {
        uint16_t options = get_u16(df->header, header_options3);
        if ((options & 0x40) && !(options & 0x600)) f |= projection_flag_not_on_sheets;
        f |= 0x1000;
    }
    // A new projection waits for its construction, as one made by the program.
    f |= projection_flag_construct;
    set_flags(edit_rec, f);

    uint16_t description[20] = {};
    text_pack(dialog_kind == 8 ? "Новый фрагмент" : "Новая проекция", description, sizeof description);
    drawing_checkpoint(1, description);
    if (program_closing) return true;
    busy_flag = 1;
    if (paint_event) os_event_wait(paint_event);
    put_u32(df->header, header_counters, counter);
    RecordRef head = get_u32(df->header, header_projections);
    RecordRef ref = record_add(df, &head, edit_rec, &page_buffers[table_projections]);
    put_u32(df->header, header_projections, head);
    std::free(edit_rec);
    edit_rec = nullptr;
    if (!ref) {
        put_u32(df->header, header_counters, before);
        busy_flag = 0;
        error_flag = 1;
        return true;
    }
    bool from_library = dialog_kind == 8 && library && fragment_ref;
    bool copied = !from_library || copy_library_fragment(df, number);
    if (copied && dialog_kind != 8 && type == 9) {
        uint8_t* stored = stored_projection(df, number);
        if (stored) perspective_record_add(df, stored);
    }
    EndDialog(dialog, 0);
    error_flag = 0;
    ProjectionWindow* w = copied ? projection_window_open(ref, 1) : nullptr;
    if (!w) {
        // No window: the new record is taken out again (the counter goes
        // back to the highest number left).
        projection_delete_stored(df, number);
        projection_refs_refresh();
    } else if (from_library) {
        uint8_t* stored = stored_projection(df, number);
        if (stored) {
            elements_rebuild_projection(stored, current_stage >= 4);
            stored = stored_projection(df, number);
            if (stored) projection_compute_extents(stored, 0);
            page_buffers[table_projections].clean = 0;
        }
    }
    library_close();
    busy_flag = 0;
    if (w && scale_panel)
        for (int i = 0; i < 2; ++i) PostMessageA(scale_panel, WM_COMMAND, MAKEWPARAM(IDC_SCALE_FIT, 0x501), 0);
    return true;
}

INT_PTR CALLBACK projection_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        hints_disable();
        if (dialog_kind == 8) {
            library_close();
            tiff_page = 1;
            prompt_show("+описание фрагмента");
        } else {
            prompt_show("*тип проекции и её эскиз");
            CheckDlgButton(dialog, IDC_PROJECTION_NO_SKETCH, BST_CHECKED);
            SendDlgItemMessageA(dialog, IDC_PROJECTION_TITLE, EM_LIMITTEXT, 31, 0);
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROJECTION_NO_SKETCH, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_PROJECTION_NO_SKETCH)));
        fill_types(dialog);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wparam), code = HIWORD(wparam);
        if (!edit_rec) {
            if (id == IDOK || id == IDCANCEL) EndDialog(dialog, 1);
            return TRUE;
        }
        switch (id) {
        case IDC_PROJECTION_TYPE:
            if (code == CBN_SELCHANGE) {
                LRESULT sel = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
                if (sel < 0) return TRUE;
                int type = static_cast<int>(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, sel, 0));
                set_flags(edit_rec, static_cast<uint16_t>((flags_of(edit_rec) & ~projection_flag_type_mask) | type));
                if (type != 9 && !(get_u16(edit_rec, projection_second_flags) & 0x0002)) {
                    double a = 0, b = 0;
                    view_default_angles(type, &a, &b);
                    put_f64(edit_rec, projection_angle_first, a);
                    put_f64(edit_rec, projection_angle_second, b);
                }
            }
            return TRUE;
        case IDC_PROJECTION_PATH:
            // A message shown while the path is taken moves the focus out of
            // the field: that second "field left" is not taken again (it
            // would show the same message a second time, nested).
            if (writing || taking_path) return TRUE;
            taking_path = 1;
            if (dialog_kind != 8 && code == EN_UPDATE) take_path(dialog, true);
            if (dialog_kind == 8 && (code == EN_KILLFOCUS || code == EN_MAXTEXT)) take_path(dialog, false);
            taking_path = 0;
            return TRUE;
        case IDC_PROJECTION_FIND:
            if (code == BN_CLICKED) find_file(dialog);
            return TRUE;
        case IDC_PROJECTION_PAGE:
            if (!writing && (code == EN_KILLFOCUS || code == EN_MAXTEXT)) {
                char text[12] = "";
                GetDlgItemTextA(dialog, id, text, sizeof text);
                int page = std::atoi(text);
                // Pages count from 1.
                tiff_page = page >= 1 ? page : 1;
                char shown[12];
                std::snprintf(shown, sizeof shown, "%d", tiff_page);
                set_text(dialog, id, shown);
                take_path(dialog, true);
            }
            return TRUE;
        case IDC_PROJECTION_TITLE:
            if (!writing && code == EN_UPDATE) {
                char title[64] = "";
                GetDlgItemTextA(dialog, id, title, sizeof title);
                store_title(title);
            }
            return TRUE;
        case IDC_PROJECTION_NO_SKETCH:
            if (code == BN_CLICKED) no_sketch_clicked(dialog);
            return TRUE;
        case IDC_PROJECTION_LIGHTEN:
            if (code == BN_CLICKED) {
                uint16_t f2 = get_u16(edit_rec, projection_second_flags);
                bool on = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
                put_u16(edit_rec, projection_second_flags,
                        static_cast<uint16_t>(on ? f2 | projection_flag2_lighten : f2 & ~projection_flag2_lighten));
            }
            return TRUE;
        case IDC_PROJECTION_SCANNER:
            if (code == BN_CLICKED) start_scanner(dialog);
            return TRUE;
        case IDC_PROJECTION_FRAGMENTS:
            if (code == CBN_SELCHANGE) fragment_chosen(dialog);
            return TRUE;
        case IDOK:
            if (execute(dialog)) hints_enable();
            return TRUE;
        case IDCANCEL:
            std::free(edit_rec);
            edit_rec = nullptr;
            library_close();
            busy_flag = 0;
            hints_enable();
            EndDialog(dialog, 1);
            return TRUE;
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}

}  // namespace

void perspective_record_add(DrawingFile* df, uint8_t* projection) {
    if (!df || !projection) return;
    uint8_t rec[60] = {};
    put_u16(rec, record_length, 60);
    put_u32(rec, record_key, get_u32(projection, record_key));
    rec[record_kind] = 1;
    put_u16(rec, 8, 50);
    put_f32(rec, 10, 66.0f);
    put_f32(rec, 14, 66.0f);
    perspective_update(rec);
    record_add(df, projection_chain(projection, projection_construction), rec, &page_buffers[table_construction]);
    page_buffers[table_projections].clean = 0;
}

int projection_dialog_run(int kind) {
    error_flag = 0;
    std::free(edit_rec);
    edit_rec = static_cast<uint8_t*>(std::calloc(1, projection_record_max));
    if (!edit_rec) {
        show_program_message("Недостаточно оперативной памяти");
        error_flag = 1;
        return 0;
    }
    dialog_kind = kind == 8 ? 8 : 0;
    projection_record_init(edit_rec, 0, static_cast<uint16_t>(dialog_kind));
    fill_random_words(edit_rec + projection_record_head, projection_record_max - projection_record_head);
    put_u16(edit_rec, record_length, projection_record_head);
    tiff_page = 1;
    INT_PTR result = DialogBoxParamA(program_instance ? program_instance : GetModuleHandleA(nullptr),
                                     MAKEINTRESOURCEA(dialog_kind == 8 ? IDD_FRAGMENT_NEW : IDD_PROJECTION_NEW),
                                     frame_window, projection_dialog_proc, 0);
    std::free(edit_rec);
    edit_rec = nullptr;
    library_close();
    busy_flag = 0;
    int failed = error_flag;
    if (!program_closing) drawing_save();
    error_flag = failed;
    return static_cast<int>(result);
}
