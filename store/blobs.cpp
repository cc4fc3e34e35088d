// Blobs: variable-length data stored as chains of extents of contiguous pages.
//
// An extent starts at a page boundary with a header of 8 bytes {u32 type 1
// (last), u32 length} or 16 bytes {u32 type 2 (continued), u32 length,
// RecordRef of the next extent, u32 0}, then length bytes of data.  It takes
// ((length + 16) >> 11) + 1 pages, at most 2048, and carries at most
// 0x3FFFF0 bytes.
#include "store/drawing_file.h"
#include "store/page_io.h"
#include "base/program_messages.h"

#include <cstring>
#include <vector>

namespace {

const uint32_t extent_max_bytes = 0x3FFFF0;
const uint32_t extent_max_pages = 2048;
const char text_write_failed[] = "$записи в файл чертежа";
const char text_read_failed[] = "$чтения файла чертежа";
const char text_file_op_failed[] = "$операций с файлом";

uint32_t extent_pages(uint32_t length) {
    uint32_t n = ((length + 16) >> 11) + 1;
    return n > extent_max_pages ? extent_max_pages : n;
}

// Bytes that the next extent carries of remaining bytes.
uint32_t extent_bytes(uint32_t remaining) {
    return ((remaining + 16) >> 11) + 1 > extent_max_pages ? extent_max_bytes : remaining;
}

void report(DrawingFile* df, const char* text) {
    if (df && df->path) error_stack_push(df->path);
    show_program_message(text);
    error_flag = 1;
}

struct ExtentHead {
    uint32_t type, length, next;
};

// Reads and checks the header of the extent at address a.
bool read_extent_head(DrawingFile* df, uint32_t a, ExtentHead* h) {
    if (!page_address_valid(df, a) || a > df->end_address) return false;
    PagePlace pl = page_place(df, a);
    uint64_t have = pl.library ? df->library_file_length : df->file_length;
    unsigned char b[16];
    if (pl.offset + 8 > have || page_file_read(df, pl.file, pl.offset, b, 8) != 0) return false;
    h->type = get_u32(b, 0);
    h->length = get_u32(b, 4);
    h->next = 0;
    if (h->type == 2) {
        if (pl.offset + 16 > have || page_file_read(df, pl.file, pl.offset + 8, b + 8, 8) != 0)
            return false;
        h->next = get_u32(b, 8);
    }
    if ((h->type != 1 && h->type != 2) || h->length == 0 || h->length > extent_max_bytes)
        return false;
    uint64_t head = h->type == 2 ? 16 : 8;
    return pl.offset + head + h->length <= have;
}

}  // namespace

RecordRef blob_write(DrawingFile* df, uint32_t length, const void* data) {
    if (!df || !(df->flags & drawing_flag_open) || length == 0 || !data) return 0;
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    error_flag = 0;
    const unsigned char* src = static_cast<const unsigned char*>(data);
    uint32_t remaining = length;
    RecordRef first = pages_alloc(df, extent_pages(extent_bytes(remaining)));
    RecordRef here = first;
    std::vector<unsigned char> head(16);
    while (here && !error_flag) {
        uint32_t bytes = extent_bytes(remaining);
        uint32_t npages = extent_pages(bytes);
        RecordRef next = 0;
        if (remaining > bytes) {
            next = pages_alloc(df, extent_pages(extent_bytes(remaining - bytes)));
            if (!next || error_flag) break;
        }
        // Pages written directly: no buffer or cached copy may write over them.
        for (uint32_t i = 0; i < npages; ++i) page_forget(df, here + i * page_size);
        std::memset(head.data(), 0, head.size());
        put_u32(head.data(), 0, next ? 2 : 1);
        put_u32(head.data(), 4, bytes);
        size_t head_size = next ? 16 : 8;
        if (next) put_u32(head.data(), 8, next);
        page_io_begin();
        PagePlace pl = page_place(df, here);
        bool ok = !pl.library &&
                  page_file_write(df, pl.offset, head.data(), head_size) == 0 &&
                  page_file_write(df, pl.offset + head_size, src, bytes) == 0;
        uint32_t last = here + (npages - 1) * page_size;
        if (ok) {
            // Keep the file a whole number of pages.
            uint64_t end = page_place(df, last).offset + page_size;
            if (df->file_length < end) {
                unsigned char zero = 0;
                ok = page_file_write(df, end - 1, &zero, 1) == 0;
            }
            if (last > df->end_address) df->end_address = last;
        }
        page_io_end();
        if (!ok) {
            report(df, text_write_failed);
            break;
        }
        src += bytes;
        remaining -= bytes;
        here = next;
    }
    RecordRef result = error_flag ? 0 : first;
    if (!first && !error_flag) error_flag = 1;
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    return result;
}

uint32_t blob_read(DrawingFile* df, RecordRef* ref, void* dest) {
    if (!df || !ref || !(df->flags & drawing_flag_open)) {
        error_flag = 1;
        return 0;
    }
    page_io_begin();
    error_flag = 0;
    unsigned char* out = static_cast<unsigned char*>(dest);
    uint32_t total = 0;
    uint32_t a = *ref;
    // A chain can have no more extents than the file has pages.
    uint32_t limit = page_last_valid(df) / page_size + 1;
    for (uint32_t n = 0; a; ++n) {
        ExtentHead h;
        if (n >= limit || !read_extent_head(df, a, &h)) {
            report(df, text_read_failed);
            total = 0;
            break;
        }
        if (out) {
            PagePlace pl = page_place(df, a);
            if (page_file_read(df, pl.file, pl.offset + (h.type == 2 ? 16 : 8), out, h.length) != 0) {
                report(df, text_read_failed);
                total = 0;
                break;
            }
            out += h.length;
        }
        total += h.length;
        if (h.type == 1) break;
        a = h.next;
        if (!a) {
            report(df, text_read_failed);
            total = 0;
            break;
        }
    }
    page_io_end();
    return total;
}

int blob_free(DrawingFile* df, RecordRef* ref) {
    if (!df || !ref || !(df->flags & drawing_flag_open)) {
        error_flag = 1;
        return 1;
    }
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    error_flag = 0;
    int result = 0;
    uint32_t a = *ref;
    uint32_t limit = page_last_valid(df) / page_size + 1;
    for (uint32_t n = 0; a; ++n) {
        ExtentHead h;
        page_io_begin();
        bool ok = n < limit && read_extent_head(df, a, &h);
        page_io_end();
        if (!ok) {
            report(df, text_file_op_failed);
            result = 1;
            break;
        }
        uint32_t npages = extent_pages(h.length);
        for (uint32_t i = 0; i < npages; ++i) {
            RecordRef p = a + i * page_size;
            page_free(df, &p);
            if (error_flag) break;
        }
        if (error_flag) {
            report(df, text_file_op_failed);
            result = 1;
            break;
        }
        if (h.type == 1) break;
        a = h.next;
    }
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    return result;
}
