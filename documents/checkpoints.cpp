#include "documents/checkpoints.h"

#include "documents/document_seams.h"
#include "documents/documents.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/text_codec.h"
#include "base/byte_order.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

CheckpointNode* undo_list = nullptr;
CheckpointNode* redo_list = nullptr;
int undo_steps = 1;
int checkpoint_hold = 0;
int auto_checkpoints_off = 0;
int checkpoint_menu_enabled[2] = {0, 0};
int checkpoint_made = 0;

int strncasecmp_portable(const char* a, const char* b, size_t n);

namespace {

const char text_out_of_memory[] =
    "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#";
const char text_undo_failed[] = "$откатки";
const char text_copy_failed[] = "$сохранения файла";
const char text_saving[] = "Сохранение чертежа...";
const char text_ready[] = "\"Засечка\" готова";
const char text_back[] = "Вернулись на шаг назад";
const char text_forward[] = "Вернулись на шаг вперёд";
const char default_undo_text[] = "Шаг перед откаткой";

bool fault(int op, const char* path) { return document_file_fault && document_file_fault(op, path); }

uint64_t ticks() { return document_ticks ? document_ticks() : os_milliseconds(); }

void menu_changed(int redo) {
    document_shell.checkpoint_menu_changed(redo);
}

void menu_enable(int redo, int on) {
    checkpoint_menu_enabled[redo] = on;
    menu_changed(redo);
}

void renumber(CheckpointNode* n) {
    for (uint32_t i = 0; n; n = n->next, ++i) n->position = i;
}

void prompt(const char* t) {
    document_shell.prompt_show(t);
}

void cursor(int on) {
    document_shell.busy_cursor(on);
}

CheckpointNode* node_new(const char* file, int64_t time, int automatic, const uint16_t* description) {
    size_t n = std::strlen(file);
    CheckpointNode* node = static_cast<CheckpointNode*>(std::calloc(1, sizeof(CheckpointNode) + n));
    if (!node) {
        show_program_message(text_out_of_memory);
        error_flag = 1;
        return nullptr;
    }
    node->file_time = time;
    node->automatic = automatic;
    if (description)
        for (int i = 0; i < 20 && description[i]; ++i) node->description[i] = description[i];
    std::memcpy(node->name, file, n + 1);
    return node;
}

void list_free(CheckpointNode*& head, bool delete_automatic) {
    while (head) {
        CheckpointNode* n = head;
        head = n->next;
        if (delete_automatic && n->automatic) doc_file_delete(n->name);
        std::free(n);
    }
}

int list_length(const CheckpointNode* n) {
    int c = 0;
    for (; n; n = n->next) ++c;
    return c;
}

void header_description_get(const DrawingFile* df, uint16_t out[20]) {
    for (int i = 0; i < 20; ++i) out[i] = get_u16(df->header, header_stamp + 2 * static_cast<size_t>(i));
}

void header_description_set(DrawingFile* df, const uint16_t* d) {
    std::memset(df->header + header_stamp, 0, 40);
    for (int i = 0; d && i < 20 && d[i]; ++i) put_u16(df->header, header_stamp + 2 * static_cast<size_t>(i), d[i]);
}

// A temporary name beside target that no "svt*.tmp" search finds.
std::string temporary_beside(const std::string& target) { return target + ".part"; }

// Copies from to a complete new file at to: written under a temporary name,
// flushed, then renamed into place.  0 on success; nothing is left on failure.
int copy_complete(const char* from, const char* to) {
    std::string tmp = temporary_beside(to);
    if (doc_file_copy(from, tmp.c_str()) != 0) return -1;
    if (doc_file_rename(tmp.c_str(), to) != 0) {
        doc_file_delete(tmp.c_str());
        return -1;
    }
    return 0;
}

// Reopens the drawing after a checkpoint or a step; another program may hold
// the file for a moment (an indexer, a virus scanner), so the open is tried
// a few times before it is given up.
int reopen(DrawingFile* df) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt) os_sleep_ms(40);
        if (fault(doc_op_reopen, df->path)) continue;
        OsFile* probe = os_file_open(df->path, os_open_read_write);
        if (!probe) continue;
        os_file_close(probe);
        drawing_file_set_mode(df, drawing_mode_open_existing);
        if (drawing_file_open(df, 0) == 0) return 0;
        break;
    }
    error_flag = 1;
    return 1;
}

// The remembered page of each buffer of df, to be loaded again.
struct Positions {
    RecordRef page[13];
};
Positions positions_of(DrawingFile* df) {
    Positions p;
    for (int i = 0; i < 13; ++i) p.page[i] = page_buffers[i].owner == df ? page_buffers[i].page : 0;
    return p;
}
void positions_restore(DrawingFile* df, const Positions& p) {
    for (int i = 0; i < 13; ++i) {
        if (!p.page[i]) continue;
        RecordRef r = p.page[i];
        page_load(df, &r, &page_buffers[i]);
    }
    error_flag = 0;
}

// The drawing is lost to the program (its reopen failed): the slot is given
// back so that nothing uses a closed handle.
void abandon_current() { drawing_slot_drop(current_drawing_file()); }

// The snapshot number in a checkpoint name (NNNNN before ".tmp"), for
// ordering files written within one second.
unsigned name_number(const char* name) {
    size_t n = std::strlen(name);
    if (n < 9) return 0;
    return static_cast<unsigned>(std::strtoul(name + n - 9, nullptr, 10));
}

}  // namespace

const uint16_t* default_undo_description() {
    static uint16_t words[20];
    static bool done = false;
    if (!done) {
        text_pack_words(static_cast<int>(std::strlen(default_undo_text)), default_undo_text, words, 19, 2);
        done = true;
    }
    return words;
}

char* checkpoint_file_name(const char* path) {
    if (!path) return nullptr;
    const char* last = nullptr;
    for (const char* s = path; *s; ++s)
        if (*s == '\\' || *s == '/') last = s;
    std::string dir = last ? std::string(path, static_cast<size_t>(last - path)) : std::string();
    char sep = last ? *last : os_path_separator();
    std::string base = dir;
    if (!dir.empty() || last) base += sep;
    base += "svt";
    std::string file = last ? std::string(last + 1) : std::string(path);
    if (!file.empty()) {
        std::string part = "_" + file;
        if (part.size() > 240) part.resize(240);
        size_t dot = part.rfind('.');
        if (dot != std::string::npos) part.resize(dot);
        part += "_";
        base += part;
    }
    for (unsigned n = 1; n <= 65499; ++n) {
        char num[16];
        std::snprintf(num, sizeof num, "%05u.tmp", n);
        std::string cand = base + num;
        if (os_file_exists(cand.c_str()) == 1) continue;
        char* out = static_cast<char*>(std::malloc(cand.size() + 1));
        if (!out) {
            show_program_message(text_out_of_memory);
            error_flag = 1;
            return nullptr;
        }
        std::memcpy(out, cand.c_str(), cand.size() + 1);
        return out;
    }
    error_flag = 1;
    return nullptr;
}

int checkpoint_push(const char* file, int64_t time, int automatic, const uint16_t description[20]) {
    CheckpointNode* n = node_new(file, time, automatic, description);
    if (!n) return 0;
    n->next = undo_list;
    undo_list = n;
    renumber(undo_list);
    return static_cast<int>(std::strlen(file));
}

int checkpoint_count(int redo) { return list_length(redo ? redo_list : undo_list); }

CheckpointNode* checkpoint_at(int redo, int position) {
    CheckpointNode* n = redo ? redo_list : undo_list;
    for (int i = 0; n && i < position; ++i) n = n->next;
    return n;
}

void checkpoint_menu_text(const CheckpointNode* node, char* out, size_t size) {
    if (!out || size == 0) return;
    out[0] = '\0';
    if (!node) return;
    int words = 0;
    while (words < 20 && node->description[words]) ++words;
    char buf[80];
    int n = text_unpack_words(words * 2, node->description, buf, sizeof buf, 2);
    while (n > 0 && buf[n - 1] == ' ') --n;
    buf[n] = '\0';
    std::snprintf(out, size, "%s", buf);
}

// ---------------------------------------------------------------- collect
namespace {
struct Collect {
    std::string folder;
    uint32_t identity;
    std::vector<CheckpointNode*> found;
    std::string own;     // the drawing's own path
    std::string prefix;  // "svt_<name>_" of the drawing's snapshots
};

void collect_visit(const char* name, void* ctx) {
    Collect* c = static_cast<Collect*>(ctx);
    std::string full = c->folder + name;
    if (full == c->own) return;
    // Snapshots carry the drawing's name: a copy of the drawing made under
    // another name never takes this one's snapshots.
    if (std::strlen(name) < c->prefix.size() ||
        strncasecmp_portable(name, c->prefix.c_str(), c->prefix.size()) != 0)
        return;
    DrawingFile* f = drawing_file_new(full.c_str());
    if (!f) {
        error_flag = 0;
        return;
    }
    drawing_file_set_mode(f, drawing_mode_open_existing);
    if (drawing_file_open(f, 1) == 0) {
        // The identity field is chosen by the snapshot's own header layout.
        uint16_t v = get_u16(f->header, header_version);
        uint32_t id = v <= 215 ? get_u32(f->header, header_old_identity) : get_u32(f->header, header_identity);
        if (id == c->identity && id != 0) {
            uint16_t d[20];
            header_description_get(f, d);
            CheckpointNode* n = node_new(full.c_str(), os_file_mtime(full.c_str()), 0, d);
            if (n) c->found.push_back(n);
        }
        drawing_file_close(f);
    }
    drawing_file_free(f);
    error_flag = 0;
}
}  // namespace

void checkpoints_collect() {
    DrawingFile* df = current_drawing_file();
    if (!df || !(df->flags & drawing_flag_open)) return;
    Collect c;
    const char* last = nullptr;
    for (const char* s = df->path; *s; ++s)
        if (*s == '\\' || *s == '/') last = s;
    c.folder = last ? std::string(df->path, static_cast<size_t>(last - df->path + 1)) : std::string();
    c.identity = get_u32(df->header, header_identity);
    c.own = df->path;
    char* probe = checkpoint_file_name(df->path);
    if (probe) {
        std::string pn = probe;
        std::free(probe);
        size_t f = pn.find_last_of("\\/");
        pn = f == std::string::npos ? pn : pn.substr(f + 1);
        c.prefix = pn.size() > 9 ? pn.substr(0, pn.size() - 9) : pn;
    }
    error_stack_clear();
    os_folder_list(c.folder.empty() ? "." : c.folder.c_str(), "svt*.tmp", collect_visit, &c);
    // Newest first; files of one second by their number.
    std::stable_sort(c.found.begin(), c.found.end(), [](const CheckpointNode* a, const CheckpointNode* b) {
        if (a->file_time != b->file_time) return a->file_time > b->file_time;
        return name_number(a->name) > name_number(b->name);
    });
    // Only as many as the submenu can show.
    if (c.found.size() > checkpoint_list_limit) {
        for (size_t i = checkpoint_list_limit; i < c.found.size(); ++i) std::free(c.found[i]);
        c.found.resize(checkpoint_list_limit);
    }
    // Appended after the nodes already listed.
    CheckpointNode** tail = &undo_list;
    while (*tail) tail = &(*tail)->next;
    for (CheckpointNode* n : c.found) {
        *tail = n;
        tail = &n->next;
    }
    renumber(undo_list);
    if (undo_list) menu_enable(0, 1);
    error_flag = 0;
}

// ---------------------------------------------------------------- checkpoint
int drawing_checkpoint(int automatic, const uint16_t* description) {
    checkpoint_made = 0;
    DrawingFile* df = current_drawing_file();
    if (!df || !(df->flags & drawing_flag_open)) {
        error_flag = 1;
        return 1;
    }
    // A tool's automatic checkpoints may be switched off; the user's own
    // checkpoints are always made.
    if (checkpoint_hold && automatic) return error_flag;
    if (auto_checkpoints_off && automatic) return error_flag;
    // A drawing that is only viewed does not change on the disk: there is
    // nothing to keep (a tool's checkpoint is skipped quietly).
    if (df->flags & drawing_flag_read_only) {
        if (automatic) return 0;
        drawing_read_only_refused();
        return 1;
    }
    bool timing = !(df->header[113] & 0x08);
    uint64_t start = ticks();
    cursor(1);
    if (!automatic) prompt(text_saving);
    Positions pos = positions_of(df);
    header_description_set(df, description);
    uint16_t desc[20];
    header_description_get(df, desc);

    drawing_file_close(df);
    if (error_flag || (df->flags & drawing_flag_open)) {
        // Nothing was copied; the drawing stays open as it is.
        header_description_set(df, nullptr);
        cursor(0);
        error_flag = 1;
        return 1;
    }
    char* name = checkpoint_file_name(df->path);
    bool copied = false;
    if (name) {
        if (!fault(doc_op_copy, name) && copy_complete(df->path, name) == 0) {
            copied = true;
        } else {
            error_stack_push(name);
            show_program_message(text_copy_failed);
        }
    }
    if (copied) {
        checkpoint_push(name, os_file_mtime(name), automatic, desc);
        if (automatic) {
            // Only the newest automatic checkpoints are kept.
            int seen = 0;
            CheckpointNode** link = &undo_list;
            while (*link) {
                CheckpointNode* n = *link;
                if (n->automatic && ++seen > static_cast<int>(automatic_checkpoint_limit)) {
                    doc_file_delete(n->name);
                    *link = n->next;
                    std::free(n);
                    continue;
                }
                link = &n->next;
            }
            renumber(undo_list);
        }
    }
    std::free(name);
    if (reopen(df) != 0) {
        error_stack_push(df->path);
        show_program_message(text_undo_failed);
        abandon_current();
        cursor(0);
        error_flag = 1;
        return 1;
    }
    if (!copied) {
        header_description_set(df, nullptr);
        cursor(0);
        error_flag = 1;
        return 1;
    }
    checkpoint_made = 1;
    positions_restore(df, pos);
    header_description_set(df, nullptr);
    menu_enable(0, 1);
    if (!automatic) prompt(text_ready);
    cursor(0);
    int answer = 0;
    if (timing) {
        uint64_t spent = (ticks() - start) / 1000;
        unsigned limit = static_cast<unsigned>(df->header[header_checkpoint_limit]) + 1;
        if (spent > limit) {
            answer = document_shell.ask(27, nullptr, limit);
            if (answer) auto_checkpoints_off = 1;
        }
    }
    error_flag = 0;
    return answer;
}

int drawing_checkpoint_numbered(int automatic, const uint16_t* description, uint32_t n) {
    uint16_t d[20] = {0};
    int words = 0;
    while (description && words < 20 && description[words]) {
        d[words] = description[words];
        ++words;
    }
    if (words <= 18) {
        char num[16];
        std::snprintf(num, sizeof num, " %lu", static_cast<unsigned long>(n));
        text_pack_words(static_cast<int>(std::strlen(num)), num, d + words, 20 - words, 2);
    }
    return drawing_checkpoint(automatic, d);
}

// ---------------------------------------------------------------- undo and redo
namespace {

// One step of undo (redo = 0) or redo (1) over steps nodes.  The drawing's
// path holds a complete drawing at every moment: the current state is copied
// to a new checkpoint, and the target checkpoint is copied beside the
// drawing and renamed over it in one replace.
void undo_redo(int redo) {
    DrawingFile* df = current_drawing_file();
    const char* done_text = redo ? text_forward : text_back;
    CheckpointNode*& from = redo ? redo_list : undo_list;
    CheckpointNode*& to = redo ? undo_list : redo_list;
    int available = list_length(from);
    int steps = undo_steps < 1 ? 1 : undo_steps;
    undo_steps = 1;
    if (!df || !(df->flags & drawing_flag_open) || available == 0) {
        // Nothing to go back (or forward) to.
        show_program_message(text_undo_failed);
        error_flag = 1;
        return;
    }
    if (steps > available) steps = available;
    if (drawing_read_only_refused()) return;
    cursor(1);
    if (get_u8(df->header, header_stamp) == 0 && get_u8(df->header, header_stamp + 1) == 0)
        header_description_set(df, default_undo_description());
    uint16_t desc[20];
    header_description_get(df, desc);
    drawing_file_close(df);
    if (error_flag || (df->flags & drawing_flag_open)) {
        cursor(0);
        error_flag = 1;
        return;
    }
    std::string path = df->path;
    char* name = checkpoint_file_name(path.c_str());
    // The node that is restored: for undo the one `steps` deep in the undo
    // list; for redo the one `steps` - 1 deep in the redo list.
    CheckpointNode* target = checkpoint_at(redo, redo ? steps - 1 : steps - 1);
    // A snapshot that does not hold a whole drawing (cut short, damaged)
    // never replaces the drawing.
    bool ok = name && target && snapshot_usable(target->name);
    std::string tmp;
    if (ok && (fault(doc_op_copy, name) || copy_complete(path.c_str(), name) != 0)) ok = false;
    bool current_saved = ok;
    if (ok) {
        tmp = temporary_beside(path);
        if (fault(doc_op_copy, tmp.c_str()) || doc_file_copy(target->name, tmp.c_str()) != 0) ok = false;
        else if (doc_file_rename(tmp.c_str(), path.c_str()) != 0) {
            doc_file_delete(tmp.c_str());
            ok = false;
        }
    }
    if (!ok) {
        // Lists and files stay as they were.
        if (current_saved) doc_file_delete(name);
        std::free(name);
        if (reopen(df) != 0) {
            error_stack_push(path.c_str());
            show_program_message(text_undo_failed);
            abandon_current();
        } else {
            show_program_message(text_undo_failed);
        }
        cursor(0);
        error_flag = 1;
        return;
    }
    // The lists follow the files: the current state becomes a node on the
    // other side, the nodes passed over move with it, and the restored
    // node's file has been consumed.
    CheckpointNode* cur = node_new(name, os_file_mtime(name), 0, desc);
    std::free(name);
    if (cur) {
        cur->next = to;
        to = cur;
    }
    int move = redo ? steps - 1 : steps - 1;
    for (int i = 0; i < move && from; ++i) {
        CheckpointNode* n = from;
        from = n->next;
        n->next = to;
        to = n;
    }
    if (from) {
        CheckpointNode* n = from;
        from = n->next;
        doc_file_delete(n->name);
        std::free(n);
    }
    renumber(undo_list);
    renumber(redo_list);
    menu_enable(redo ? 0 : 1, 1);
    menu_enable(redo ? 1 : 0, from ? 1 : 0);
    menu_changed(0);
    menu_changed(1);
    drawing_load();
    if (error_flag) {
        error_stack_push(path.c_str());
        show_program_message(text_undo_failed);
        if (!(df->flags & drawing_flag_open)) abandon_current();
        error_flag = 1;
    } else {
        prompt(done_text);
        main_title_update();
    }
    cursor(0);
}

}  // namespace

// Undo and redo replace the drawing under the document lock: no projection
// window paints or takes a click while its file is swapped.
void drawing_undo() {
    document_lock_acquire();
    undo_redo(0);
    document_lock_release();
}
void drawing_redo() {
    document_lock_acquire();
    undo_redo(1);
    document_lock_release();
}

void undo_list_pick(int redo, int position) {
    int count = checkpoint_count(redo);
    undo_steps = position >= 0 && position < count ? position + 1 : count + 1;
    document_shell.changed(redo ? document_redo_chosen : document_undo_chosen);
}

void checkpoints_discard() {
    list_free(undo_list, true);
    list_free(redo_list, true);
    checkpoint_menu_enabled[0] = checkpoint_menu_enabled[1] = 0;
    menu_changed(0);
    menu_changed(1);
}
