#include "documents/documents.h"

#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "store/drawing_header.h"
#include "store/number_pools.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"
#include "documents/saving.h"
#include "documents/tool_state.h"
#include "store/settings_block.h"
#include "documents/upgrades.h"
#include "geometry/kernel_context.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <vector>

int16_t open_drawing_count = 0;
int new_drawing_from_image = 0;
const char* document_command_line_file = nullptr;
const char program_title[] = "SARVOLT - Конструкторская документация";
const char text_read_only_opened[] = "Файл только для чтения: чертёж открыт для просмотра";
const char text_read_only_refused[] =
    "Чертёж открыт только для просмотра: файл только для чтения. Запишите его под другим именем";
namespace {
int no_answer(int, const char*, unsigned) { return 0; }
void nothing() {}
int no_projections() { return 0; }
int no_image(const unsigned char*) { return 1; }
void no_bitmaps(DrawingFile*) {}
void no_text(const char*) {}
const char* empty_caption() { return ""; }
const char* no_caption() { return nullptr; }
void no_change(DocumentChange) {}
void no_menu(int) {}
int no_dialog(const char*, char*, size_t) { return 0; }
void no_snapshot(const char*, const char*) {}
}  // namespace

const DocumentShell document_shell_unbound = {
    no_answer,     nothing,     nothing,      no_projections, no_image,  no_bitmaps,
    no_text,       empty_caption, no_caption, no_change,      no_menu,   no_text,
    no_menu,       no_dialog,   no_text,      nothing,        nothing,   nothing,
    no_snapshot};
DocumentShell document_shell = document_shell_unbound;
int (*document_file_fault)(int op, const char* path) = nullptr;
uint64_t (*document_ticks)() = nullptr;

int strncasecmp_portable(const char* a, const char* b, size_t n);

namespace {

const char text_limit[] = "Много открытых чертежей!";
const char text_limit_count[] = "Всего: %i";
const char text_limit_hint[] = "Закройте хотя бы один.";
const char text_not_found[] = "Файл не найден!";
const char text_snapshot_failed[] = "$сохранения файла";
const char text_damaged[] = "Этот файл сейчас не пригоден для работы";
const char text_not_closed_checked[] = "Чертёж не был нормально закрыт; его структура проверена";
const char text_read_only_old[] = "Чертёж в старом формате, а файл только для чтения: преобразовать его нельзя";
const size_t path_size = 780;

const uint8_t* header_source() {
    DrawingFile* df = current_drawing_file();
    return df && (df->flags & drawing_flag_open) ? df->header : nullptr;
}

const char* file_part(const char* path) {
    const char* p = path;
    for (const char* s = path; *s; ++s)
        if (*s == '\\' || *s == '/') p = s + 1;
    return p;
}

// Gives the current slot back: the previous slot becomes current.
void slot_give_back(DrawingFile* df) {
    // Keep the open drawings in the first slots.
    if (open_drawings[0] == df) {
        open_drawings[0] = open_drawings[1];
        open_drawings[1] = nullptr;
    } else if (open_drawings[1] == df) {
        open_drawings[1] = nullptr;
    }
    if (df) drawing_file_free(df);
    if (open_drawing_count > 0) --open_drawing_count;
    current_drawing = open_drawing_count > 0 ? open_drawing_count - 1 : 0;
    if (open_drawing_count == 0) {
        point_pool_free();
        element_pool_free();
    } else if (current_drawing_file() && (current_drawing_file()->flags & drawing_flag_open)) {
        // The pools are the current drawing's.
        point_numbers_rebuild();
        element_numbers_rebuild();
    }
}

int slot_take(DrawingFile* df) {
    int slot = open_drawing_count;
    open_drawings[slot] = df;
    current_drawing = slot;
    ++open_drawing_count;
    return slot;
}

// Closes a handle without writing anything to its file (a damaged drawing
// must stay as it is on the disk).
void close_untouched(DrawingFile* df) {
    if (!df || !(df->flags & drawing_flag_open)) return;
    df->flags |= drawing_flag_read_only;
    drawing_file_close(df);
    df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_read_only);
}

// The newest snapshot of a drawing beside it (by the snapshot name), or "".
// The snapshot drawing_open_path has just taken of the file being loaded: a
// copy of the file as it is, never a state to go back to.
std::string open_time_snapshot;

struct NewestSnapshot {
    std::string prefix;
    std::string best;
    int64_t best_time;
    std::string folder;
};
void newest_visit(const char* name, void* ctx) {
    NewestSnapshot* n = static_cast<NewestSnapshot*>(ctx);
    std::string nm(name);
    if (nm.size() < n->prefix.size() ||
        strncasecmp_portable(nm.c_str(), n->prefix.c_str(), n->prefix.size()) != 0)
        return;
    std::string full = n->folder + nm;
    if (full == open_time_snapshot) return;
    int64_t t = os_file_mtime(full.c_str());
    if (n->best.empty() || t > n->best_time || (t == n->best_time && full > n->best)) {
        n->best = full;
        n->best_time = t;
    }
}

}  // namespace

int strncasecmp_portable(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
        if (!ca) return 0;
    }
    return 0;
}

void drawing_slot_drop(DrawingFile* df) {
    if (!df) return;
    document_shell.projection_windows_destroy_all();
    slot_give_back(df);
    checkpoints_discard();
    document_shell.drawing_closed();
    main_title_update();
}

bool drawing_read_only_refused() {
    DrawingFile* df = current_drawing_file();
    if (!df || !(df->flags & drawing_flag_open) || !(df->flags & drawing_flag_read_only)) return false;
    error_stack_push(df->path);
    show_program_message(text_read_only_refused);
    error_flag = 1;
    return true;
}

const char* documents_state_fault() {
    if (open_drawing_count < 0 || open_drawing_count > 2) return "drawing count out of range";
    int filled = (open_drawings[0] ? 1 : 0) + (open_drawings[1] ? 1 : 0);
    if (filled != open_drawing_count) return "drawing count differs from the filled slots";
    if (open_drawings[1] && !open_drawings[0]) return "the second slot filled before the first";
    if (open_drawing_count > 0 && (current_drawing < 0 || current_drawing >= open_drawing_count))
        return "the current drawing names an empty slot";
    for (DrawingFile* df : open_drawings) {
        if (!df) continue;
        if (const char* fault = drawing_file_state_fault(df)) return fault;
    }
    return nullptr;
}

bool path_is_working_file(const char* path) {
    const char* f = file_part(path);
    for (const char* s = f; *s; ++s)
        if (strncasecmp_portable(s, ".tmp", 4) == 0) return true;
    return false;
}

bool stale_file_deletable(const char* path) {
    if (!path) return false;
    const char* f = file_part(path);
    if (std::strlen(f) != 12 || strncasecmp_portable(f, "svt", 3) != 0 ||
        strncasecmp_portable(f + 8, ".tmp", 4) != 0)
        return false;
    for (int i = 3; i < 8; ++i)
        if (f[i] < '0' || f[i] > '9') return false;
    OsFile* file = os_file_open(path, os_open_read);
    if (!file) return false;
    unsigned char h[header_defined_size];
    long n = os_file_read_at(file, 0, h, sizeof h);
    os_file_close(file);
    if (n != static_cast<long>(sizeof h) || std::memcmp(h, "SARV", 4) != 0) return true;  // not a drawing
    return (get_u16(h, header_options) & header_opt_drawing_open) == 0;
}

void drawing_limit_message() {
    static char count[32];
    std::snprintf(count, sizeof count, text_limit_count, static_cast<int>(open_drawing_count));
    error_stack_push(count);
    error_stack_push(text_limit_hint);
    show_program_message(text_limit);
    error_flag = 1;
}

// ---------------------------------------------------------------- new
int drawing_new(int no_wizard) {
    error_flag = 0;
    if (open_drawing_count >= 2) {
        drawing_limit_message();
        return 1;
    }
    page_buffers_init_defaults();
    current_dir_save();
    char folder[path_size];
    size_t n = os_current_folder(folder, sizeof folder - 2);
    if (n == 0) {
        error_flag = 1;
        return 1;
    }
    if (folder[n - 1] != '\\' && folder[n - 1] != '/') {
        folder[n++] = os_path_separator();
        folder[n] = '\0';
    }
    char* name = checkpoint_file_name(folder);
    if (!name) {
        error_flag = 1;
        return 1;
    }
    DrawingFile* df = drawing_file_new(name);
    std::free(name);
    if (!df) {
        error_flag = 1;
        return 1;
    }
    slot_take(df);
    bind_current_drawing_header(header_source);
    df->flags |= drawing_flag_unnamed;
    drawing_file_set_mode(df, drawing_mode_create_new);
    bool ok = drawing_file_open(df, 0) == 0;
    if (ok) {
        point_numbers_rebuild();
        element_numbers_rebuild();
        if (!no_wizard) {
            int r = document_shell.create_initial_projections();
            if (r < 0 || error_flag) ok = false;
        }
    }
    if (!ok) {
        std::string path = df->path;
        if (df->flags & drawing_flag_open) {
            df->flags |= drawing_flag_read_only;
            drawing_file_close(df);
        }
        doc_file_delete(path.c_str());
        df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_read_only);
        slot_give_back(df);
        error_flag = 1;
        return 1;
    }
    // A new drawing starts with the standard text size and arrowhead and
    // with the tools' state words afresh.
    new_drawing_text_settings();
    new_drawing_tool_state();
    uint16_t o2 = get_u16(df->header, header_options2);
    put_u16(df->header, header_options2, static_cast<uint16_t>(o2 | header_opt2_new_style));
    uint16_t o = get_u16(df->header, header_options);
    put_u16(df->header, header_options, static_cast<uint16_t>(o | header_opt_drawing_open));
    put_u32(df->header, header_identity, static_cast<uint32_t>(os_time_now()));
    document_shell.new_drawing_ready();
    document_shell.changed(document_checkpoint_possible);
    main_title_update();
    error_flag = 0;
    return 0;
}

// ---------------------------------------------------------------- open
void drawing_open_path(const char* path) {
    error_flag = 0;
    if (open_drawing_count > 0 || !path) return;
    static char full[path_size];
    if (store_full_path(path, full, sizeof full) == 0 || os_file_exists(full) != 1) {
        error_stack_push(store_full_path(path, full, sizeof full) ? full : path);
        show_program_message(text_not_found);
        error_flag = 1;
        return;
    }
    size_t len = std::strlen(full);
    if (document_command_line_file && len >= 4 && strncasecmp_portable(full + len - 4, ".BMP", 4) == 0) {
        new_drawing_from_image = 1;
        document_shell.changed(document_new_drawing_wanted);
        return;
    }
    std::string open_path = full;
    std::string snapshot;
    bool unnamed = false;
    if (path_is_working_file(full)) {
        unnamed = true;
        // A snapshot of a named drawing is never edited itself: it is opened
        // as a copy in a new working file beside it.
        const char* f = file_part(full);
        if (strncasecmp_portable(f, "svt_", 4) == 0) {
            std::string folder(full, static_cast<size_t>(f - full));
            char* work = checkpoint_file_name(folder.c_str());
            if (!work || doc_file_copy(full, work) != 0) {
                if (work) error_stack_push(work);
                show_program_message(text_snapshot_failed);
                std::free(work);
                error_flag = 1;
                return;
            }
            open_path = work;
            std::free(work);
        }
    } else {
        // A stop or a failed save may have left the drawing with a journal:
        // its last saved state is put back before the snapshot is taken.
        drawing_journal_recover(full);
        // A file that cannot be written is only viewed (or refused by the
        // open, which says why): it needs no base state to go back to.
        OsFile* probe = os_file_open(full, os_open_read_write);
        bool writable = probe != nullptr;
        if (probe) os_file_close(probe);
        char* snap = writable ? checkpoint_file_name(full) : nullptr;
        if (snap) {
            if (doc_file_copy(full, snap) == 0) {
                snapshot = snap;
            } else {
                // The drawing is still opened, but the user learns that it
                // has no base state to go back to.
                error_stack_push(snap);
                show_program_message(text_snapshot_failed);
                error_flag = 0;
            }
            std::free(snap);
        }
    }
    DrawingFile* df = drawing_file_new(open_path.c_str());
    if (!df) {
        if (!snapshot.empty()) doc_file_delete(snapshot.c_str());
        error_flag = 1;
        return;
    }
    if (unnamed) df->flags |= drawing_flag_unnamed;
    slot_take(df);
    bind_current_drawing_header(header_source);
    uint16_t version_before = 0;
    {
        OsFile* f = os_file_open(open_path.c_str(), os_open_read);
        unsigned char h[8] = {0};
        if (f) {
            os_file_read_at(f, 0, h, sizeof h);
            os_file_close(f);
        }
        version_before = get_u16(h, 4);
    }
    open_time_snapshot = snapshot;
    drawing_load();
    open_time_snapshot.clear();
    if (error_flag) {
        int16_t e = error_flag;
        if (df->flags & drawing_flag_open) close_untouched(df);
        bool unchanged = true;
        {
            OsFile* f = os_file_open(open_path.c_str(), os_open_read);
            unsigned char h[8] = {0};
            if (f) {
                os_file_read_at(f, 0, h, sizeof h);
                os_file_close(f);
            }
            unchanged = get_u16(h, 4) == version_before;
        }
        // A refused file keeps its snapshot only when a converter changed it.
        if (unchanged && !snapshot.empty()) doc_file_delete(snapshot.c_str());
        slot_give_back(df);
        error_flag = e ? e : 1;
        return;
    }
    uint16_t o = get_u16(df->header, header_options);
    o = static_cast<uint16_t>((o | header_opt_drawing_open) & ~header_opt_failed);
    put_u16(df->header, header_options, o);
    main_title_update();
    document_shell.changed(document_checkpoint_possible);
    document_shell.changed(document_opened);
    error_flag = 0;
}

// ---------------------------------------------------------------- load
namespace {

// Local 21 November 2013, 01:00:00 in seconds since 1970 UTC.
int64_t old_file_limit() {
    std::tm t = {};
    t.tm_year = 2013 - 1900;
    t.tm_mon = 10;
    t.tm_mday = 21;
    t.tm_hour = 1;
    t.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&t));
}

void settings_from_header(const unsigned char* h) {
    if (!settings_block) return;
    uint16_t index = get_u16(h, header_options2) & 0x0F;
    put_u16(settings_block, settings_text_size_index_offset, index);
    if (index < 10) {
        double height = get_f64(settings_block, settings_text_heights_offset + 8 * index);
        put_f64(settings_block, settings_text_height_offset, height);
    }
    put_u16(settings_block, settings_arrowhead_kind_offset,
            static_cast<uint16_t>(get_u16(h, header_options) >> 12));
}

}  // namespace

int drawing_load() {
    DrawingFile* df = current_drawing_file();
    error_flag = 0;
    if (!df) {
        error_flag = 1;
        return 1;
    }
    // The time of the last write as it was before this open marks the file.
    int64_t mtime = os_file_mtime(df->path);
    drawing_file_set_mode(df, drawing_mode_open_existing);
    if (drawing_file_open(df, 0) != 0) {
        error_flag = 1;
        return 1;
    }
    bool read_only = (df->flags & drawing_flag_read_only) != 0;
    if (df->opened_unclosed) {
        // The drawing was not closed normally (a crash or a killed
        // process): its pages may not match its header.  A drawing that is
        // only viewed is checked without any change.
        if ((read_only ? drawing_structure_check(df) : drawing_consistency_pass(df)) != 0) {
            NewestSnapshot ns;
            const char* f = file_part(df->path);
            ns.folder.assign(df->path, static_cast<size_t>(f - df->path));
            char* probe = checkpoint_file_name(df->path);
            std::string pn = probe ? file_part(probe) : "";
            std::free(probe);
            ns.prefix = pn.size() > 13 ? pn.substr(0, pn.size() - 9) : std::string("svt_");
            ns.best_time = 0;
            os_folder_list(ns.folder.empty() ? "." : ns.folder.c_str(), "svt*.tmp", newest_visit, &ns);
            close_untouched(df);
            document_shell.offer_snapshot(df->path, ns.best.empty() ? nullptr : ns.best.c_str());
            error_stack_push(df->path);
            if (!ns.best.empty()) {
                static std::string best;
                best = ns.best;
                error_stack_push(best.c_str());
            }
            show_program_message(text_damaged);
            error_flag = 1;
            return 1;
        }
        document_shell.prompt_show(text_not_closed_checked);
    }
    uint16_t version = get_u16(df->header, header_version);
    if (version < drawing_format_version && read_only) {
        error_stack_push(df->path);
        show_program_message(text_read_only_old);
        close_untouched(df);
        error_flag = 1;
        return 1;
    }
    if (read_only && df->read_only_fallback)
        document_shell.prompt_show(text_read_only_opened);
    if (version < drawing_format_version) {
        int yes = document_shell.ask(18, df->path, 0);
        if (!yes) {
            close_untouched(df);
            error_flag = 1;
            return 1;
        }
        UpgradePlan plan = upgrade_plan(version);
        const char* refusal = plan.refusal;
        static char named[80];
        for (int i = 0; !refusal && i < plan.count; ++i) {
            if (upgrade_step_unknown_layout(plan.steps[i])) {
                // The old record layouts of this converter are not known to
                // this program: the file is refused, untouched.
                refusal = upgrade_text_unknown;
                std::snprintf(named, sizeof named, "версия %u (%s)", version,
                              upgrade_step_name(plan.steps[i]));
                error_stack_push(named);
            }
        }
        if (refusal) {
            error_stack_push(df->path);
            show_program_message(refusal);
            close_untouched(df);
            error_flag = 1;
            return 1;
        }
        if (df->flags & drawing_flag_unnamed) {
            // A working file has no open-time snapshot: take one before the
            // converters change it.
            drawing_file_close(df);
            char* snap = checkpoint_file_name(df->path);
            bool ok = !error_flag && snap && doc_file_copy(df->path, snap) == 0;
            std::free(snap);
            drawing_file_set_mode(df, drawing_mode_open_existing);
            if (!ok || drawing_file_open(df, 0) != 0) {
                if (df->flags & drawing_flag_open) close_untouched(df);
                error_flag = 1;
                return 1;
            }
        }
        if (upgrade_run(df, plan) != 0) {
            // The file keeps the version it reached; the user has the
            // snapshot taken at open.
            close_untouched(df);
            error_flag = error_flag ? error_flag : 1;
            return 1;
        }
        if (get_u32(df->header, header_identity) == 0)
            put_u32(df->header, header_identity, static_cast<uint32_t>(os_time_now()));
        uint16_t o = get_u16(df->header, header_options);
        put_u16(df->header, header_options, static_cast<uint16_t>(o | header_opt_drawing_open));
        drawing_save();
    }
    point_numbers_rebuild();
    element_numbers_rebuild();
    if (mtime >= 0 && mtime < old_file_limit()) df->header[header_checkpoint_limit] = 3;
    checkpoint_hold = 0;
    auto_checkpoints_off = 0;
    settings_from_header(df->header);
    if (settings_block)
        element_default_offset =
            drawing_style_base + get_f64(settings_block, settings_text_height_offset) + 2.48;
    dimension_tool_state = 0;
    document_shell.drawing_loaded();
    {
        // The conventional images of the picture chain, in chain order; the
        // first that fails to load ends the loading.
        RecordRef head = get_u32(df->header, header_pictures);
        PageBuffer* b = &page_buffers[table_pictures];
        std::vector<RecordRef> refs;
        unsigned char* r = nullptr;
        while ((r = record_next(df, &head, r, b)) != nullptr)
            if (r[6] == 10) refs.push_back(record_ref_of(b, r));
        for (RecordRef ref : refs) {
            RecordRef x = ref;
            unsigned char* rec = record_read_at(df, &x, b);
            if (!rec || !document_shell.load_conventional_image(rec)) break;
        }
    }
    error_flag = 0;
    document_shell.projection_windows_open_all();
    // A request of an earlier drawing's construction run does not carry over.
    undo_after_construction = 0;
    error_flag = 0;
    return 0;
}

// ---------------------------------------------------------------- title
void drawing_file_name_part(char* dest, size_t size) {
    if (!dest || size == 0) return;
    DrawingFile* df = current_drawing_file();
    const char* f = df && df->path ? file_part(df->path) : "";
    std::snprintf(dest, size, "%s", f);
}

void main_title_text(char* out, size_t size) {
    if (!out || size == 0) return;
    if (!current_drawing_file()) {
        std::snprintf(out, size, "%s", program_title);
        return;
    }
    char name[path_size];
    drawing_file_name_part(name, sizeof name);
    std::string stage = document_shell.stage_caption();
    while (!stage.empty() && stage.back() == ' ') stage.pop_back();
    std::string t = std::string(name) + " [этап " + stage;
    const char* view = document_shell.active_projection_caption();
    if (view) t += std::string(", активная проекция: \"") + view + "\"";
    char ver[32];
    std::snprintf(ver, sizeof ver, "] - SARVOLT %u.%u", 9u, 4u);
    t += ver;
    std::snprintf(out, size, "%s", t.c_str());
}

void main_title_update() {
    char t[1100];
    main_title_text(t, sizeof t);
    document_shell.title_set(t);
}

// ---------------------------------------------------------------- close
int drawing_file_close_asking(DrawingFile* df) {
    error_flag = 0;
    if (!df) return 0;
    if (df->flags & drawing_flag_open) {
        document_shell.picture_bitmaps_free(df);
        if (df->flags & drawing_flag_unnamed) {
            int yes = document_shell.ask(2, df->path, 0);
            if (yes && drawing_ask_save_name("*.svt") == 0) drawing_save_as(0);
        }
    }
    // An unnamed working file never goes into the recent-files list: the
    // start-up cleanup may delete it.
    if (!(df->flags & drawing_flag_unnamed))
        document_shell.recent_files_add(df->path);
    error_flag = 0;
    if (!(df->flags & drawing_flag_open)) return 0;
    drawing_stamp_save_time(df);
    drawing_file_close(df);
    return error_flag;
}

int drawing_close() {
    error_flag = 0;
    DrawingFile* df = current_drawing_file();
    if (open_drawing_count <= 0 || !df) {
        open_drawing_count = 0;
        return 0;
    }
    int r = drawing_file_close_asking(df);
    if (r != 0 || (df->flags & drawing_flag_open)) {
        // The file could not be closed: the drawing stays open with its
        // pages, so that it can be saved elsewhere.
        error_flag = static_cast<int16_t>(r ? r : 4);
        return error_flag;
    }
    document_shell.projection_windows_destroy_all();
    slot_give_back(df);
    checkpoints_discard();
    document_shell.changed(document_checkpoint_impossible);
    document_shell.drawing_closed();
    if (open_drawing_count == 0) {
        document_shell.title_set(program_title);
    } else {
        main_title_update();
    }
    error_flag = 0;
    return 0;
}

// ---------------------------------------------------------------- consistency
namespace {

struct Walk {
    DrawingFile* df;
    std::set<uint32_t> used;
    uint32_t last_page;
    bool damaged;
};

bool page_ok(Walk& w, uint32_t page) {
    return page != 0 && (page & page_offset_mask) == 0 && page <= w.last_page;
}

// Reads one page straight from the file.
bool read_page(Walk& w, uint32_t page, unsigned char* out) {
    return os_file_read_at(w.df->file, page, out, page_size) == static_cast<long>(page_size);
}

// Walks a chain of record pages; calls fn for each record.
template <typename Fn>
void walk_chain(Walk& w, RecordRef head, Fn fn) {
    if (head == 0) return;
    if ((head & page_offset_mask) != 4) {
        w.damaged = true;
        return;
    }
    uint32_t page = head & page_address_mask;
    unsigned char buf[page_size];
    while (page && !w.damaged) {
        if (!page_ok(w, page) || w.used.count(page) || !read_page(w, page, buf)) {
            w.damaged = true;
            return;
        }
        w.used.insert(page);
        uint32_t off = 4;
        while (off <= 2046) {
            uint16_t l = get_u16(buf, off);
            if (l == 0) break;
            if (l > record_max_length || off + l > page_size) {
                w.damaged = true;
                return;
            }
            fn(buf + off, l);
            off += l;
        }
        uint32_t link = get_u32(buf, 0);
        if (link != 0 && (link & page_offset_mask) != 4) {
            w.damaged = true;
            return;
        }
        page = link & page_address_mask;
    }
}

void walk_blob(Walk& w, RecordRef ref) {
    unsigned char h[16];
    int guard = 0;
    while (ref && !w.damaged && guard++ < 4096) {
        if (!page_ok(w, ref & page_address_mask) || (ref & page_offset_mask) != 0 ||
            os_file_read_at(w.df->file, ref, h, 16) != 16) {
            w.damaged = true;
            return;
        }
        uint32_t type = get_u32(h, 0), len = get_u32(h, 4);
        if ((type != 1 && type != 2) || len == 0 || len > 0x3FFFF0) {
            w.damaged = true;
            return;
        }
        uint32_t pages = ((len + 16) >> 11) + 1;
        for (uint32_t i = 0; i < pages; ++i) {
            uint32_t p = ref + i * page_size;
            if (!page_ok(w, p) || w.used.count(p)) {
                w.damaged = true;
                return;
            }
            w.used.insert(p);
        }
        ref = type == 2 ? get_u32(h, 8) : 0;
    }
}

}  // namespace

namespace {
// Walks everything the drawing uses; w.damaged tells the result.
void structure_walk(DrawingFile* df, Walk& w) {
    w.df = df;
    w.damaged = false;
    int64_t size = os_file_size(df->file);
    if (size < static_cast<int64_t>(page_size)) {
        w.damaged = true;
        return;
    }
    w.last_page = static_cast<uint32_t>(size - page_size);
    const uint32_t header_heads[] = {header_tables, header_sheets, header_model_program,
                                     header_model_variables, header_title_block, header_model_program2};
    for (uint32_t off : header_heads) walk_chain(w, get_u32(df->header, off), [](const unsigned char*, uint16_t) {});
    std::vector<uint32_t> projection_heads;
    walk_chain(w, get_u32(df->header, header_projections), [&](const unsigned char* r, uint16_t l) {
        if (l < 34) return;
        for (uint32_t off : {projection_links, projection_annotations, projection_dimensions,
                             projection_elements, projection_contours, projection_construction,
                             projection_points})
            projection_heads.push_back(get_u32(r, off));
    });
    for (uint32_t h : projection_heads) walk_chain(w, h, [](const unsigned char*, uint16_t) {});
    std::vector<uint32_t> blobs;
    walk_chain(w, get_u32(df->header, header_pictures), [&](const unsigned char* r, uint16_t l) {
        if (l >= 62 && r[6] == 10 && get_u32(r, 58)) blobs.push_back(get_u32(r, 58));
    });
    for (uint32_t b : blobs) walk_blob(w, b);
}
}  // namespace

int drawing_structure_check(DrawingFile* df) {
    if (!df || !(df->flags & drawing_flag_open) || !df->file) return 1;
    if (get_u32(df->header, header_library_length) != 0) return 0;
    Walk w;
    structure_walk(df, w);
    return w.damaged ? 1 : 0;
}

int drawing_consistency_pass(DrawingFile* df) {
    if (!df || !(df->flags & drawing_flag_open) || !df->file) return 1;
    // Library pages are not this file's to check.
    if (get_u32(df->header, header_library_length) != 0) return 0;
    Walk w;
    structure_walk(df, w);
    if (w.damaged) return 1;
    // The free list becomes every page that nothing above uses.
    for (PageBuffer& b : page_buffers)
        if (b.owner == df) {
            b.owner = nullptr;
            b.page = 0;
        }
    df->free_list_head = 0;
    df->end_address = w.last_page;
    df->alloc_end = static_cast<int32_t>(w.last_page);
    for (uint32_t p = page_size; p <= w.last_page; p += page_size) {
        if (w.used.count(p)) continue;
        page_forget(df, p);
        RecordRef r = p;
        page_free(df, &r);
        if (error_flag) return 1;
    }
    drawing_file_save(df);
    return error_flag ? 1 : 0;
}

bool snapshot_usable(const char* path) {
    DrawingFile* f = drawing_file_new(path);
    if (!f) {
        error_flag = 0;
        return false;
    }
    drawing_file_set_mode(f, drawing_mode_open_existing);
    bool ok = drawing_file_open(f, 1) == 0 && drawing_structure_check(f) == 0;
    drawing_file_close(f);
    drawing_file_free(f);
    error_flag = 0;
    return ok;
}
