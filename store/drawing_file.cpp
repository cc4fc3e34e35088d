// The handle of a drawing file: creation, header write, in-place save, close.
#include "store/drawing_file.h"
#include "store/page_io.h"
#include "base/program_messages.h"
#include "store/records.h"
#include "geometry/text_numbers.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <vector>

namespace {
const char text_bad_path[] = "$открытия файла";
const char text_out_of_memory[] =
    "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#";
const char text_not_closed[] = "Файл нормально не закрыт";
const char text_write_failed[] = "$записи в файл чертежа";
const size_t full_path_size = 780;
const uint32_t library_path_size = 260;

// The header page of a new handle starts as random words with 24 stretches
// of 16 zero bytes, each step 5 bytes longer than the one before.
void fill_new_header(unsigned char* h) {
    fill_random_words(h, page_size);
    size_t off = 0;
    for (int k = 0; k < 24; ++k) {
        off = 24 * static_cast<size_t>(k) + 5 * static_cast<size_t>(k) * (k - 1) / 2;
        std::memset(h + off, 0, 16);
    }
}

bool path_is_absolute(const char* p) {
    if (p[0] == '/' || p[0] == '\\') return true;
    return ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':';
}
}  // namespace

void (*number_pools_reset)() = nullptr;

size_t store_full_path(const char* name, char* out, size_t out_size) {
    if (!name || !out || out_size == 0) return 0;
    size_t n = std::strlen(name);
    if (n == 0 || name[n - 1] == '/' || name[n - 1] == '\\' || name[n - 1] == ':') return 0;
    size_t pos = 0;
    if (!path_is_absolute(name)) {
        pos = os_current_folder(out, out_size);
        if (pos == 0) return 0;
        char sep = os_path_separator();
        if (out[pos - 1] != '/' && out[pos - 1] != '\\') {
            if (pos + 1 >= out_size) return 0;
            out[pos++] = sep;
        }
    }
    if (pos + n + 1 > out_size) return 0;
    std::memcpy(out + pos, name, n + 1);
    return pos + n;
}

DrawingFile* drawing_file_new(const char* name) {
    if (!page_buffers[0].data) {
        store_init();
        page_buffers_init_defaults();
    }
    DrawingFile* df = static_cast<DrawingFile*>(std::calloc(1, sizeof(DrawingFile)));
    unsigned char* header = static_cast<unsigned char*>(std::malloc(page_size));
    char* lib = static_cast<char*>(std::calloc(1, library_path_size));
    if (!df || !header || !lib) {
        std::free(df);
        std::free(header);
        std::free(lib);
        show_program_message(text_out_of_memory);
        error_flag = 1;
        return nullptr;
    }
    fill_new_header(header);
    df->header = header;
    df->library_path = lib;
    df->library_path_length = library_path_size;
    char full[full_path_size];
    size_t n = store_full_path(name, full, sizeof full);
    if (n == 0) {
        std::free(header);
        std::free(lib);
        std::free(df);
        if (name) error_stack_push(name);
        show_program_message(text_bad_path);
        error_flag = 1;
        return nullptr;
    }
    df->path = static_cast<char*>(std::malloc(n + 2));
    if (!df->path) {
        std::free(header);
        std::free(lib);
        std::free(df);
        show_program_message(text_out_of_memory);
        error_flag = 1;
        return nullptr;
    }
    std::memcpy(df->path, full, n + 1);
    df->path_length = static_cast<uint32_t>(n + 2);
    return df;
}

int drawing_file_free(DrawingFile* df) {
    if (!df) return 0;
    if (df->flags & drawing_flag_open) return -1;
    for (PageBuffer& b : page_buffers) {
        if (b.owner == df) {
            b.owner = nullptr;
            b.page = 0;
        }
    }
    page_cache_discard(df);
    journal_drop(df);
    for (DrawingFile*& slot : open_drawings)
        if (slot == df) slot = nullptr;
    std::free(df->library_path);
    std::free(df->path);
    std::free(df->header);
    std::free(df);
    if (!open_drawings[0] && number_pools_reset) number_pools_reset();
    return 0;
}

void drawing_file_set_mode(DrawingFile* df, uint8_t mode) {
    if (df) df->flags = static_cast<uint8_t>((df->flags & ~drawing_flag_mode_mask) | ((mode & 3) << 1));
}

void drawing_file_write_header(DrawingFile* df) {
    if (!df || !df->file) {
        error_flag = 1;
        return;
    }
    put_u32(df->header, 8, df->free_list_head);
    page_io_begin();
    if (page_file_write(df, 0, df->header, page_size) != 0) error_flag = 1;
    page_io_end();
}

namespace {
// Puts the pages the buffers of df hold, and the header page, into the
// journal with one flush before a save writes them.
void journal_buffers(DrawingFile* df) {
    std::vector<uint64_t> offsets{0};
    for (PageBuffer& b : page_buffers) {
        if (b.owner != df || b.page == 0 || b.clean) continue;
        PagePlace pl = page_place(df, b.page);
        if (!pl.library) offsets.push_back(pl.offset);
    }
    journal_pages(df, offsets.data(), offsets.size());
}

void report_write_failure(DrawingFile* df) {
    if (df->path) error_stack_push(df->path);
    show_program_message(text_write_failed);
    error_flag = 1;
}
}  // namespace

void drawing_file_save(DrawingFile* df) {
    if (!df || !(df->flags & drawing_flag_open)) return;
    page_io_begin();
    error_flag = 0;
    bool writing = !(df->flags & drawing_flag_read_only);
    page_cache_flush(df);
    int16_t failed = error_flag;
    df->cache_enabled = 0;
    if (writing && !failed) journal_buffers(df);
    for (PageBuffer& b : page_buffers) {
        if (b.owner != df || b.page == 0) continue;
        RecordRef p = b.page;
        page_load(df, nullptr, &b);
        if (error_flag) {
            failed = 1;
            continue;
        }
        page_load(df, &p, &b);
        if (error_flag) failed = 1;
    }
    if (writing) {
        error_flag = 0;
        drawing_file_write_header(df);
        if (error_flag) failed = 1;
        // The drawing reaches the disk, and only then is the journal emptied:
        // from here on this is the saved state.
        if (!failed && journal_commit(df) != 0) {
            report_write_failure(df);
            failed = 1;
        }
    }
    df->cache_enabled = 1;
    error_flag = failed;
    page_io_end();
}

void drawing_file_close(DrawingFile* df) {
    error_flag = 0;
    if (!df || !(df->flags & drawing_flag_open)) return;
    page_io_begin();
    int16_t failed = 0;
    bool writing = !(df->flags & drawing_flag_read_only);
    page_cache_flush(df);
    if (error_flag) failed = 1;
    if (!failed) df->cache_enabled = 0;
    if (writing && !failed) journal_buffers(df);
    for (PageBuffer& b : page_buffers) {
        if (b.owner != df) continue;
        page_load(df, nullptr, &b);
        if (error_flag) failed = 1;
    }
    if (!failed && writing) {
        put_u16(df->header, 110, static_cast<uint16_t>(get_u16(df->header, 110) & ~0x0400));
        error_flag = 0;
        drawing_file_write_header(df);
        if (error_flag) failed = 1;
        if (!failed && journal_commit(df) != 0) failed = 1;
    }
    if (failed) {
        // Nothing is lost: the handle stays open with its pages, so the
        // close can be tried again; the journal keeps the saved state.
        error_flag = 4;
        if (df->path) error_stack_push(df->path);
        show_program_message(text_not_closed);
        error_flag = 4;
        page_io_end();
        return;
    }
    df->flags = static_cast<uint8_t>(df->flags & ~drawing_flag_open);
    page_cache_discard(df);
    if (df->library_file) os_file_close(df->library_file);
    df->library_file = nullptr;
    if (df->library_path) df->library_path[0] = '\0';
    if (df->file) os_file_close(df->file);
    df->file = nullptr;
    // A close that wrote everything ends the journal; a close without
    // writing (read-only) leaves the file as it was last saved.
    journal_end(df, writing);
    chain_hints_clear(df);
    page_io_end();
}
