#include "documents/saving.h"

#include "documents/checkpoints.h"
#include "documents/document_seams.h"
#include "documents/documents.h"
#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/text_codec.h"
#include "base/byte_order.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

char chosen_save_path[780];

int strncasecmp_portable(const char* a, const char* b, size_t n);

namespace {
const char text_copy_failed[] = "$сохранения файла";
const char text_reopen_failed[] = "$открытия чертежа";
const char text_out_of_memory[] =
    "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#";
const char stamp_prefix_text[] = "Записан";

bool fault(int op, const char* path) { return document_file_fault && document_file_fault(op, path); }

const uint16_t* stamp_prefix() {
    static uint16_t words[20];
    static bool done = false;
    if (!done) {
        text_pack_words(static_cast<int>(std::strlen(stamp_prefix_text)), stamp_prefix_text, words, 10, 2);
        done = true;
    }
    return words;
}

size_t file_part_offset(const char* path) {
    size_t off = 0;
    for (size_t i = 0; path[i]; ++i)
        if (path[i] == '\\' || path[i] == '/') off = i + 1;
    return off;
}

// The drawing could not be opened again after a copy: it is given back so
// that nothing works on a closed handle.
void drop_current(DrawingFile* df) { drawing_slot_drop(df); }

int reopen_reporting(DrawingFile* df) {
    drawing_file_set_mode(df, drawing_mode_open_existing);
    if (!fault(doc_op_reopen, df->path) && drawing_file_open(df, 0) == 0) return 0;
    if (!error_flag) {
        error_stack_push(df->path);
        show_program_message(text_reopen_failed);
    }
    drop_current(df);
    error_flag = 1;
    return 1;
}
}  // namespace

void drawing_save() {
    DrawingFile* df = current_drawing_file();
    if (!df || !(df->flags & drawing_flag_open)) return;
    if (drawing_read_only_refused()) return;
    drawing_file_save(df);
}

void save_name_force_extension(char* name, size_t size) {
    if (!name) return;
    size_t f = file_part_offset(name);
    bool has = false;
    for (size_t i = f; name[i]; ++i)
        if (strncasecmp_portable(name + i, ".svt", 4) == 0) has = true;
    if (has) return;
    char* dot = std::strrchr(name + f, '.');
    if (dot) *dot = '\0';
    if (std::strlen(name) + 5 <= size) std::strcat(name, ".svt");
}

int drawing_ask_save_name(const char* mask) {
    error_flag = 0;
    current_dir_save();
    char path[780] = {0};
    if (!document_shell.save_dialog(mask, path, sizeof path) || !path[0]) {
        error_flag = 1;
        return 1;
    }
    save_name_force_extension(path, sizeof path);
    std::snprintf(chosen_save_path, sizeof chosen_save_path, "%s", path);
    size_t f = file_part_offset(path);
    if (saved_directory) {
        std::string dir(path, f);
        std::snprintf(saved_directory, 1028, "%s", dir.c_str());
    }
    return 0;
}

void drawing_stamp_save_time(DrawingFile* df) {
    if (!df || !df->header) return;
    std::memset(df->header + header_stamp, 0, 40);
    const uint16_t* prefix = stamp_prefix();
    int n = 0;
    while (n < 20 && prefix[n]) {
        put_u16(df->header, header_stamp + 2 * static_cast<size_t>(n), prefix[n]);
        ++n;
    }
    std::time_t now = std::time(nullptr);
    std::tm lt = *std::localtime(&now);
    char text[48];
    std::snprintf(text, sizeof text, " %02u.%02u.%04u %02u:%02u:%02u", static_cast<unsigned>(lt.tm_mday),
                  static_cast<unsigned>(lt.tm_mon + 1), static_cast<unsigned>(lt.tm_year + 1900),
                  static_cast<unsigned>(lt.tm_hour), static_cast<unsigned>(lt.tm_min),
                  static_cast<unsigned>(lt.tm_sec));
    uint16_t words[20] = {0};
    int bytes = text_pack_words(static_cast<int>(std::strlen(text)), text, words, 20 - n, 2);
    for (int i = 0; i < bytes / 2 && n + i < 20; ++i)
        put_u16(df->header, header_stamp + 2 * static_cast<size_t>(n + i), words[i]);
}

namespace {
void save_as_locked(int move);
}

// The whole save runs under the document lock; the busy flag is cleared at
// the end whatever it was before.
void drawing_save_as(int move) {
    document_lock_acquire();
    save_as_locked(move);
    document_lock_release();
    busy_flag = 0;
}

namespace {
void save_as_locked(int move) {
    DrawingFile* df = current_drawing_file();
    error_flag = 0;
    if (!df || !(df->flags & drawing_flag_open) || !chosen_save_path[0]) {
        error_flag = 1;
        return;
    }
    drawing_stamp_save_time(df);
    drawing_file_close(df);
    if (error_flag || (df->flags & drawing_flag_open)) {
        // The drawing stays open under its old name.
        error_flag = 1;
        return;
    }
    std::string old_path = df->path;
    static std::string target;
    target = chosen_save_path;
    std::string tmp = target + ".part";
    bool copied = !fault(doc_op_copy, target.c_str()) && doc_file_copy(old_path.c_str(), tmp.c_str()) == 0;
    if (copied && doc_file_rename(tmp.c_str(), target.c_str()) != 0) {
        doc_file_delete(tmp.c_str());
        copied = false;
    }
    if (!copied) {
        error_stack_push(target.c_str());
        show_program_message(text_copy_failed);
        reopen_reporting(df);
        error_flag = 1;
        return;
    }
    char* np = static_cast<char*>(std::malloc(target.size() + 2));
    if (!np) {
        show_program_message(text_out_of_memory);
        reopen_reporting(df);
        error_flag = 1;
        return;
    }
    std::memcpy(np, target.c_str(), target.size() + 1);
    std::free(df->path);
    df->path = np;
    df->path_length = static_cast<uint32_t>(target.size() + 2);
    df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_unnamed);
    // A drawing that was only viewed continues on its copy, which can be written.
    df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_read_only);
    df->read_only_fallback = 0;
    if (reopen_reporting(df) != 0) return;
    if (move) doc_file_delete(old_path.c_str());
    if (!move) {
        // The copy is a new drawing: the old snapshots no longer belong to it.
        put_u32(df->header, header_identity, static_cast<uint32_t>(os_time_now()));
        drawing_save();
        document_shell.changed(document_checkpoint_possible);
    }
    // The lists name snapshots of the old name (in the old folder): they end here.
    checkpoints_discard();
    main_title_update();
    error_flag = 0;
}
}  // namespace

// ---------------------------------------------------------------- file operations
int doc_file_copy(const char* from, const char* to) {
    if (document_file_fault && document_file_fault(doc_op_copy, to)) return -1;
    OsFile* in = os_file_open(from, os_open_read);
    if (!in) return -1;
    OsFile* out = os_file_open(to, os_open_create);
    if (!out) {
        os_file_close(in);
        return -1;
    }
    static unsigned char buf[65536];
    uint64_t off = 0;
    int rc = 0;
    for (;;) {
        long n = os_file_read_at(in, off, buf, sizeof buf);
        if (n < 0) {
            rc = -1;
            break;
        }
        if (n == 0) break;
        if (os_file_write_at(out, off, buf, static_cast<size_t>(n)) != 0) {
            rc = -1;
            break;
        }
        off += static_cast<uint64_t>(n);
        if (static_cast<size_t>(n) < sizeof buf) break;
    }
    if (rc == 0 && ((document_file_fault && document_file_fault(doc_op_flush, to)) || os_file_flush(out) != 0))
        rc = -1;
    os_file_close(out);
    os_file_close(in);
    if (rc != 0) os_file_delete(to);
    return rc;
}

int doc_file_rename(const char* from, const char* to) {
    if (document_file_fault && document_file_fault(doc_op_rename, to)) return -1;
    return os_file_rename(from, to);
}

int doc_file_delete(const char* path) {
    if (document_file_fault && document_file_fault(doc_op_delete, path)) return -1;
    return os_file_delete(path);
}
