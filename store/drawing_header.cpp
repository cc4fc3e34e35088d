#include "store/drawing_header.h"

#include "store/page_io.h"
#include "store/drawing_file.h"
#include "base/program_messages.h"
#include "store/settings_block.h"
#include "store/text_codec.h"

#include <cstdlib>
#include <cstring>

uint16_t settings_text_size_for_store() {
    return settings_block ? static_cast<uint16_t>(settings_block[settings_text_size_index_offset]) : 0;
}
uint16_t settings_header_options_for_store() {
    return settings_block ? settings_u16(189) : 0;
}
int (*library_path_probe)(char* path, unsigned path_size) = nullptr;
char* saved_directory = nullptr;

namespace {
const char text_exists[] = "файл уже существует";
const char text_missing[] = "файл не существует";
const char text_in_use[] = "Файл уже открыт другой программой";
const char text_no_access[] = "Нет доступа к файлу";
const char text_cannot_open[] = "Файл не открывается";
const char text_disk_full[] = "Нет места на диске";
const char text_not_restored[] = "Не удалось вернуть последнее сохранённое состояние чертежа";
const char text_header_unreadable[] = "чтение заголовка";
const char text_bad_version[] = "Недопустимая версия структуры файла";
const char text_bad_block[] = "недопустимый номер блока файла";
const char text_open_failed[] = "$открытия чертежа";
const char text_library_failed[] = "$открытия библиотеки на CD-ROM";

// Chain heads of the header: 0, or the first record of a page (page | 4).
const uint32_t header_chain_heads[] = {header_tables,      header_sheets,
                                       header_model_program, header_model_variables,
                                       header_title_block, header_projections,
                                       header_pictures,    header_model_program2};

// The detail of a file that could not be opened, by the reason the system gave.
const char* open_failure_detail() {
    switch (os_last_error()) {
    case os_error_sharing: return text_in_use;
    case os_error_access_denied:
    case os_error_read_only_medium: return text_no_access;
    case os_error_not_found: return text_missing;
    case os_error_disk_full: return text_disk_full;
    default: return text_cannot_open;
    }
}

bool head_valid(const DrawingFile* df, uint32_t h) {
    return h == 0 || ((h & page_offset_mask) == 4 &&
                      page_address_valid(df, h & page_address_mask));
}

}  // namespace

void drawing_header_init(DrawingFile* df) {
    if (!df || !df->header) {
        error_flag = 1;
        return;
    }
    unsigned char* h = df->header;
    std::memset(h, 0, header_defined_size);
    std::memcpy(h + header_tag, "SARV", 4);
    put_u16(h, header_version, drawing_format_version);
    put_u32(h, header_dword_92, 0xFFFFFFFFu);
    put_f64(h, header_scale, 1.0);
    h[header_title_block_kind] = 1;
    h[header_sheet_format] = 0;
    put_u16(h, header_options,
               static_cast<uint16_t>((settings_header_options_for_store() & header_opt_settings_mask) | 0x0006));
    put_u16(h, header_options2, static_cast<uint16_t>(settings_text_size_for_store() & 0x0F));
    h[header_options2 + 1] |= 0x83;
    h[header_options3] |= header_opt3_coarse_curves;
    put_u16(h, header_word_164, 1);
    put_f32(h, header_float_214, 0.5f);
    put_f32(h, header_float_218, 75.0f);
    put_f32(h, header_float_230, 2.0f);
    put_f32(h, header_float_234, 0.25f);
    h[header_checkpoint_limit] = 3;
    error_flag = 0;
    drawing_file_write_header(df);
}

int drawing_file_open(DrawingFile* df, int silent) {
    error_flag = 0;
    if (!df || !df->path) {
        error_flag = 1;
        return 1;
    }
    chain_hints_clear(df);
    const char* detail = nullptr;
    bool failed = false;
    if (df->flags & drawing_flag_open) {
        failed = true;
    } else {
        bool exists = os_file_exists(df->path) == 1;
        int mode = (df->flags & drawing_flag_mode_mask) >> 1;
        if (mode == drawing_mode_replace) {
            if (exists) os_file_delete(df->path);
            exists = os_file_exists(df->path) == 1;
            mode = drawing_mode_create_new;
        }
        if (mode == drawing_mode_create_new) {
            if (exists) {
                detail = text_exists;
                failed = true;
            } else if (!(df->file = os_file_open(df->path, os_open_create_new))) {
                detail = open_failure_detail();
                failed = true;
            } else {
                df->file_length = 0;
                df->end_address = 0;
                df->alloc_end = 0;
                df->free_list_head = 0;
                df->flags |= drawing_flag_open;
                journal_begin(df);
                drawing_header_init(df);
                if (!error_flag) {
                    put_u16(df->header, header_options,
                               static_cast<uint16_t>(get_u16(df->header, header_options) |
                                                     header_opt_drawing_open));
                    drawing_file_write_header(df);
                }
                // The new empty drawing is its first saved state.
                if (!error_flag && journal_commit(df) != 0) error_flag = 1;
                failed = error_flag != 0;
                if (failed) {
                    if (!detail && os_last_error() == os_error_disk_full) detail = text_disk_full;
                    df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_open);
                }
            }
        } else if (mode == drawing_mode_open_existing) {
            if (!exists) {
                detail = text_missing;
                failed = true;
            } else {
                if (silent) df->flags |= drawing_flag_read_only;
                if (!(df->flags & drawing_flag_read_only)) df->read_only_fallback = 0;
                bool ro = (df->flags & drawing_flag_read_only) != 0;
                // A stop or a failed save may have left a journal: the last
                // saved state is put back first.
                bool restored = ro || drawing_journal_recover(df->path) >= 0;
                df->file = restored ? os_file_open(df->path, ro ? os_open_read : os_open_read_write) : nullptr;
                if (!df->file && restored && !ro &&
                    (os_last_error() == os_error_access_denied ||
                     os_last_error() == os_error_read_only_medium)) {
                    // A read-only file or medium: the drawing is opened for
                    // viewing, and nothing is ever written to it.
                    df->file = os_file_open(df->path, os_open_read);
                    if (df->file) {
                        df->flags |= drawing_flag_read_only;
                        df->read_only_fallback = 1;
                        ro = true;
                    }
                }
                int64_t size = df->file ? os_file_size(df->file) : -1;
                if (!df->file) {
                    detail = restored ? open_failure_detail() : text_not_restored;
                    failed = true;
                } else if (size < static_cast<int64_t>(page_size) || size % page_size != 0 ||
                           size > 0x7FFFF800LL ||
                           os_file_read_at(df->file, 0, df->header, page_size) !=
                               static_cast<long>(page_size) ||
                           std::memcmp(df->header, "SARV", 4) != 0) {
                    detail = text_header_unreadable;
                    failed = true;
                } else if (get_u16(df->header, header_version) > drawing_format_version) {
                    detail = text_bad_version;
                    failed = true;
                } else {
                    df->file_length = static_cast<uint64_t>(size);
                    journal_begin(df);
                    df->end_address = static_cast<uint32_t>(size - page_size);
                    df->alloc_end = static_cast<int32_t>(size - page_size);
                    df->free_list_head = get_u32(df->header, header_free_list);
                    uint32_t l = get_u32(df->header, header_library_length);
                    if (l != 0) {
                        library_file_open(df);
                        if (error_flag) {
                            os_file_close(df->file);
                            df->file = nullptr;
                            df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_read_only);
                            error_flag = 5;
                            return 5;
                        }
                        df->end_address += l;
                        df->alloc_end += static_cast<int32_t>(l);
                    }
                    // The free list and the chain heads must point at pages
                    // of the file; anything else is a damaged header.
                    bool heads_ok = (df->free_list_head & page_offset_mask) == 0 &&
                                    (df->free_list_head == 0 ||
                                     page_address_valid(df, df->free_list_head));
                    if (get_u16(df->header, header_version) == drawing_format_version)
                        for (uint32_t off : header_chain_heads)
                            heads_ok = heads_ok && head_valid(df, get_u32(df->header, off));
                    if (!heads_ok) {
                        detail = text_bad_block;
                        failed = true;
                        if (df->library_file) os_file_close(df->library_file);
                        df->library_file = nullptr;
                        if (df->library_path) df->library_path[0] = '\0';
                    } else {
                        df->flags |= drawing_flag_open;
                        uint16_t opt = get_u16(df->header, header_options);
                        df->opened_unclosed = (opt & header_opt_drawing_open) ? 1 : 0;
                        if (!ro && get_u16(df->header, header_version) == drawing_format_version) {
                            // Mark the drawing open on disk at once; a normal
                            // close clears the mark again.
                            put_u16(df->header, header_options,
                                       static_cast<uint16_t>(opt | header_opt_drawing_open));
                            drawing_file_write_header(df);
                            if (error_flag) {
                                df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_open);
                                if (os_last_error() == os_error_disk_full) detail = text_disk_full;
                                failed = true;
                            }
                        }
                    }
                }
            }
        } else {
            failed = true;
        }
    }
    if (failed) {
        if (df->file && !(df->flags & drawing_flag_open)) {
            os_file_close(df->file);
            df->file = nullptr;
            // Whatever this open wrote goes again.
            if (df->journal) journal_end(df, false);
        }
        if (silent) {
            error_stack_clear();
        } else {
            if (detail) error_stack_push(detail);
            error_stack_push(df->path);
            show_program_message(text_open_failed);
        }
        if (!(df->flags & drawing_flag_open))
            df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_read_only);
        error_flag = 1;
        return 1;
    }
    df->cache_enabled = 1;
    error_flag = 0;
    return 0;
}

namespace {
// A packed 8.3 name of four words: up to 12 characters, trailing blanks cut,
// the first blank turned into '.'.
size_t unpack_short_name(const unsigned char* words, char* out) {
    uint16_t w[4];
    for (int i = 0; i < 4; ++i) w[i] = get_u16(words, 2 * static_cast<size_t>(i));
    char buf[16];
    int n = text_unpack_words(8, w, buf, 13, 3);
    while (n > 0 && buf[n - 1] == ' ') --n;
    buf[n] = '\0';
    char* blank = std::strchr(buf, ' ');
    if (blank) *blank = '.';
    std::memcpy(out, buf, static_cast<size_t>(n) + 1);
    return static_cast<size_t>(n);
}
}  // namespace

void library_file_open(DrawingFile* df) {
    error_flag = 0;
    if (!df || !df->header || !df->library_path) {
        error_flag = 5;
        return;
    }
    char dir[16], file[16];
    size_t dn = get_u32(df->header, header_library_dir) || get_u32(df->header, header_library_dir + 4)
                    ? unpack_short_name(df->header + header_library_dir, dir) : 0;
    unpack_short_name(df->header + header_library_file, file);
    static char path[780];
    bool found = false;
    for (char drive = 'c'; drive <= 'y' && !found; ++drive) {
        std::strcpy(path, "c:/");
        path[0] = drive;
        if (dn) {
            std::strcat(path, dir);
            std::strcat(path, "/");
        }
        std::strcat(path, file);
        found = library_path_probe ? library_path_probe(path, sizeof path) == 1
                                   : os_file_exists(path) == 1;
    }
    if (found) {
        OsFile* f = os_file_open(path, os_open_read);
        int64_t size = f ? os_file_size(f) : -1;
        if (f && size >= static_cast<int64_t>(page_size) && size % page_size == 0 &&
            std::strlen(path) < df->library_path_length) {
            df->library_file = f;
            df->library_file_length = static_cast<uint64_t>(size);
            std::strcpy(df->library_path, path);
            return;
        }
        if (f) os_file_close(f);
    }
    error_stack_push(path);
    show_program_message(text_library_failed);
    error_flag = 5;
}

void current_dir_save() {
    char buf[1028];
    size_t n = os_current_folder(buf, sizeof buf);
    size_t cap = n + 4 > 1028 ? n + 4 : 1028;
    char* s = static_cast<char*>(std::realloc(saved_directory, cap));
    if (!s) return;
    saved_directory = s;
    std::memcpy(saved_directory, buf, n);
    saved_directory[n] = '\0';
}
