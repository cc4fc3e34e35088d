// Page buffers, page loading and write-back, and the page cache.
#include "store/drawing_file.h"
#include "store/page_io.h"
#include "base/program_messages.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <unordered_map>
#include <vector>

PageBuffer page_buffers[13];
DrawingFile* open_drawings[2] = {nullptr, nullptr};
int current_drawing = 0;
OsLock* drawing_critical_section = nullptr;
OsEvent* paint_event = nullptr;
OsEvent* file_io_event = nullptr;
int (*drawing_io_fault)(int write, uint64_t offset, size_t size) = nullptr;

namespace {

// Thirteen 2048-byte data areas, each preceded and followed by a 4-byte guard
// zone (neighbours share one zone).
const size_t guard_zone = 4;
unsigned char page_area[guard_zone + 13 * (page_size + guard_zone)];

thread_local int io_depth = 0;

const char text_front_guard[] = "Пересечение начала массива";
const char text_back_guard[] = "Пересечение конца массива";
const char text_write_failed[] = "$записи в файл чертежа";
const char text_read_failed[] = "$чтения файла чертежа";
const char text_bad_block[] = "%ый номер блока файла";
const char text_out_of_memory[] =
    "Недостаточно оперативной памяти. Данные будут сохранены, программа рестартована#";
// A page may be written at most this far beyond the end of the file (the
// pages between are filled with zero pages); a write farther out is damage.
const uint64_t far_gap = 0x7000;

}  // namespace

// The cached pages of one drawing, by page address.
struct PageCacheNode {
    uint32_t hits;
    PageBuffer buffer;  // data points at page below; owner, address and word
    unsigned char page[page_size];
};
struct PageCache {
    std::unordered_map<uint32_t, PageCacheNode*> nodes;
    // The end of the highest page kept here beyond the end of the file after
    // a failed write (0 when none): the file is as long as that to come.
    uint64_t kept_end = 0;
};

DrawingFile* current_drawing_file() {
    if (current_drawing < 0 || current_drawing > 1) return nullptr;
    return open_drawings[current_drawing];
}

int store_init() {
    std::memset(page_area, 0xCC, sizeof page_area);
    for (int i = 0; i < 13; ++i) {
        PageBuffer& b = page_buffers[i];
        b.data = page_area + guard_zone + static_cast<size_t>(i) * (page_size + guard_zone);
        b.front_guard = b.data - 1;
        b.back_guard = b.data + page_size;
        b.page = 0;
        b.word = 0;
        b.clean = 0;
        b.owner = nullptr;
    }
    if (!drawing_critical_section) drawing_critical_section = os_lock_create();
    if (!paint_event) paint_event = os_event_create(true);
    if (!file_io_event) file_io_event = os_event_create(true);
    return drawing_critical_section && paint_event && file_io_event ? 0 : -1;
}

volatile int busy_flag = 0;

// The busy flag is raised while any thread holds the lock or waits for it,
// and put back to what the first of them found once the last one leaves.
// The count is process-wide: with a per-thread count, a second thread that
// came while the first held the lock would take the raised flag as the one
// to restore and leave it raised for good.  The bookkeeping itself is a few
// instructions under a spin guard, apart from the critical section, so a
// waiting thread can count itself in before it blocks.
static thread_local int lock_depth = 0;
static int lock_holders = 0;
static int lock_saved_busy = 0;
static std::atomic_flag lock_books = ATOMIC_FLAG_INIT;

namespace {
struct BooksGuard {
    BooksGuard() {
        while (lock_books.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
    }
    ~BooksGuard() { lock_books.clear(std::memory_order_release); }
};
}  // namespace

void document_lock_acquire() {
    if (lock_depth++ == 0) {
        BooksGuard g;
        if (lock_holders++ == 0) lock_saved_busy = busy_flag;
    }
    busy_flag = 1;
    if (paint_event) os_event_wait_ms(paint_event, 10000);
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
}

bool document_lock_try_acquire() {
    if (paint_event && !os_event_wait_ms(paint_event, 0)) return false;
    if (drawing_critical_section && !os_lock_try_enter(drawing_critical_section)) return false;
    if (lock_depth++ == 0) {
        BooksGuard g;
        if (lock_holders++ == 0) lock_saved_busy = busy_flag;
    }
    busy_flag = 1;
    return true;
}

void document_lock_release() {
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
    if (lock_depth > 0 && --lock_depth == 0) {
        BooksGuard g;
        if (--lock_holders == 0) busy_flag = lock_saved_busy;
    }
}

void page_io_begin() {
    if (io_depth++ == 0 && file_io_event) os_event_wait(file_io_event);
    if (drawing_critical_section) os_lock_enter(drawing_critical_section);
    if (file_io_event) os_event_reset(file_io_event);
}

void page_io_end() {
    if (--io_depth == 0 && file_io_event) os_event_set(file_io_event);
    if (drawing_critical_section) os_lock_leave(drawing_critical_section);
}

namespace {
uint32_t library_length(const DrawingFile* df) {
    if (!df->library_file || !df->library_path || !df->library_path[0]) return 0;
    return header_u32(df, 16);
}
}  // namespace

PagePlace page_place(const DrawingFile* df, uint32_t a) {
    PagePlace p{df->file, a, false};
    uint32_t l = library_length(df);
    if (l == 0) return p;
    uint32_t b = header_u32(df, 12);
    if (a > l) {
        p.offset = a - l;
    } else if (a >= b) {
        p.file = df->library_file;
        p.library = true;
    }
    return p;
}

uint32_t page_last_valid(const DrawingFile* df) {
    uint32_t a = df->alloc_end > 0 ? static_cast<uint32_t>(df->alloc_end) : 0;
    return std::max(a, df->end_address);
}

bool page_address_valid(const DrawingFile* df, uint32_t a) {
    return a != 0 && (a & page_offset_mask) == 0 && a <= page_last_valid(df);
}

int page_file_read(DrawingFile* df, OsFile* f, uint64_t offset, void* data, size_t size) {
    (void)df;
    if (!f) return -1;
    if (drawing_io_fault && drawing_io_fault(0, offset, size)) return -1;
    long n = os_file_read_at(f, offset, data, size);
    return n == static_cast<long>(size) ? 0 : -1;
}

int page_file_write(DrawingFile* df, uint64_t offset, const void* data, size_t size) {
    if (!df->file) return -1;
    // Pages of the saved state go to the journal before they are overwritten.
    if (journal_before_write(df, offset, size) != 0) return -1;
    uint64_t before = df->file_length;
    // A small gap between the end of the file and the offset is filled with
    // zero pages: a zero page reads as an empty record page.
    static const unsigned char zeros[page_size] = {0};
    while (df->file_length < offset) {
        uint64_t n = std::min<uint64_t>(offset - df->file_length, page_size);
        if ((drawing_io_fault && drawing_io_fault(1, df->file_length, static_cast<size_t>(n))) ||
            os_file_write_at(df->file, df->file_length, zeros, static_cast<size_t>(n)) != 0) {
            file_cut_back(df, before);
            return -1;
        }
        df->file_length += n;
    }
    if ((drawing_io_fault && drawing_io_fault(1, offset, size)) ||
        os_file_write_at(df->file, offset, data, size) != 0) {
        // What the write added to the file goes again, so that the file stays
        // a whole number of pages.
        file_cut_back(df, before);
        return -1;
    }
    if (offset + size > df->file_length) df->file_length = offset + size;
    return 0;
}

namespace {
uint64_t pending_end(const DrawingFile* df) {
    uint64_t e = df->file_length;
    if (df->cache && df->cache->kept_end > e) e = df->cache->kept_end;
    return e;
}
}  // namespace

bool page_write_too_far(const DrawingFile* df, uint64_t offset) {
    return offset > pending_end(df) + far_gap;
}

void file_cut_back(DrawingFile* df, uint64_t length) {
    int64_t s = os_file_size(df->file);
    if (s > static_cast<int64_t>(length)) os_file_truncate(df->file, length);
    s = os_file_size(df->file);
    df->file_length = s >= 0 ? static_cast<uint64_t>(s) : length;
}

void report_bad_block(DrawingFile* df) {
    if (df && df->path) error_stack_push(df->path);
    show_program_message(text_bad_block);
    error_flag = 1;
}

void chain_hints_clear(DrawingFile* df) {
    for (ChainHint& h : df->chain_hints) h = ChainHint{0, 0, 0, 0};
}

namespace {

// Writes the page the buffer holds back to its owner; 0 when done (or
// nothing to do), -1 on a failed write (the buffer keeps its page).
int buffer_write_back(PageBuffer* buf, DrawingFile* df) {
    uint32_t q = buf->page;
    DrawingFile* o = buf->owner;
    if (q == 0 || !o || !(o->flags & drawing_flag_open)) return 0;
    if (buf->clean || (o->flags & drawing_flag_read_only)) {
        buf->clean = 0;
        return 0;
    }
    PagePlace place = page_place(o, q);
    if (place.library) return 0;  // library pages are never written
    if (o->cache_enabled && page_cache_put(q, o, buf)) return 0;
    if (page_write_too_far(o, place.offset)) {
        // Far beyond the end of the file: a damaged reference, not a page.
        if (o->path) error_stack_push(o->path);
        report_document_failure(o);
        error_flag = 1;
        return -1;
    }
    // While pages that could not be written wait in the cache beyond the
    // end of the file, later ones wait with them (they would leave a gap).
    if (o->cache_enabled && place.offset >= o->file_length && pending_end(o) > o->file_length &&
        page_cache_keep(q, o, buf))
        return 0;
    if (page_file_write(o, place.offset, buf->data, page_size) != 0) {
        // A full disk (or another write failure) does not lose the page on
        // a page switch: it stays in the cache, and the next save writes it
        // or reports the failure.
        if (o->cache_enabled && page_cache_keep(q, o, buf)) return 0;
        if (o->path) error_stack_push(o->path);
        if (df && df != o && df->path) error_stack_push(df->path);
        show_program_message(text_write_failed);
        error_flag = 1;
        return -1;
    }
    return 0;
}

void buffer_release(PageBuffer* buf) {
    std::memset(buf->data, 0, 12);
    buf->page = 0;
    buf->owner = nullptr;
    buf->word = 0;
}

bool guards_intact(PageBuffer* buf) {
    if (*buf->front_guard != 0xCC) {
        show_program_message(text_front_guard);
        *buf->front_guard = 0xCC;
        error_flag = 1;
        return false;
    }
    if (*buf->back_guard != 0xCC) {
        show_program_message(text_back_guard);
        *buf->back_guard = 0xCC;
        error_flag = 1;
        return false;
    }
    return true;
}

}  // namespace

uint16_t page_load(DrawingFile* df, RecordRef* ref, PageBuffer* buf) {
    if (!buf || !buf->data) {
        error_flag = 1;
        return 0;
    }
    if (!guards_intact(buf)) return 0;
    page_io_begin();
    error_flag = 0;
    if (!df || !(df->flags & drawing_flag_open)) {
        error_flag = 1;
        page_io_end();
        return 0;
    }
    uint32_t p = 0;
    uint16_t offset = 0;
    if (ref) {
        p = *ref & page_address_mask;
        offset = static_cast<uint16_t>(*ref & page_offset_mask);
        if (buf->page == p && buf->owner == df && p != 0) {
            buf->clean = 0;
            page_io_end();
            return offset;
        }
        // Only pages that exist or were handed out can be taken: a damaged
        // link or a stale reference is reported, not followed.
        if (!page_address_valid(df, p)) {
            report_bad_block(df);
            page_io_end();
            return 0;
        }
    }
    if (buffer_write_back(buf, df) != 0) {
        page_io_end();
        return 0;
    }
    if (!ref) {
        buffer_release(buf);
        page_io_end();
        return 0;
    }
    buf->word = 0;
    if (p > df->end_address) {
        // A page handed out by the allocator and never stored: it starts empty.
        std::memset(buf->data, 0, page_size);
        df->end_address = p;
    } else if (!page_cache_get(p, df, buf)) {
        PagePlace place = page_place(df, p);
        uint64_t have = place.library ? df->library_file_length : df->file_length;
        if (place.offset + page_size > have) {
            if (place.library) {
                buffer_release(buf);
                report_bad_block(df);
                page_io_end();
                return 0;
            }
            // Inside the allocated range but not yet in the file: empty.
            std::memset(buf->data, 0, page_size);
        } else if (page_file_read(df, place.file, place.offset, buf->data, page_size) != 0) {
            buffer_release(buf);
            if (df->path) error_stack_push(df->path);
            show_program_message(text_read_failed);
            error_flag = 1;
            page_io_end();
            return 0;
        }
    }
    buf->page = p;
    buf->owner = df;
    buf->clean = 0;
    page_io_end();
    return offset;
}

namespace {
// Copies the buffer's page into df's cache; false when memory ran out (the
// cache is then flushed and switched off, and that is reported).
bool cache_store(RecordRef page, DrawingFile* df, PageBuffer* buf) {
    if (!df->cache) {
        df->cache = new (std::nothrow) PageCache;
    }
    PageCacheNode* node = nullptr;
    if (df->cache) {
        auto it = df->cache->nodes.find(page);
        if (it != df->cache->nodes.end()) {
            node = it->second;
            ++node->hits;
        } else {
            node = static_cast<PageCacheNode*>(std::calloc(1, sizeof(PageCacheNode)));
            if (node) {
                try {
                    df->cache->nodes.emplace(page, node);
                } catch (...) {
                    std::free(node);
                    node = nullptr;
                }
            }
        }
    }
    if (!node) {
        page_cache_flush(df);
        df->cache_enabled = 0;
        show_program_message(text_out_of_memory);
        error_flag = 1;
        return false;
    }
    std::memcpy(node->page, buf->data, page_size);
    node->buffer.data = node->page;
    node->buffer.page = page;
    node->buffer.word = buf->word;
    node->buffer.owner = df;
    node->buffer.clean = 0;
    return true;
}
}  // namespace

int page_cache_put(RecordRef page, DrawingFile* df, PageBuffer* buf) {
    if (!df || !df->cache_enabled) return 0;
    if (!cache_store(page, df, buf)) return 0;
    // Pages the file does not hold yet always go to the file as well, so the
    // file grows with them.
    PagePlace place = page_place(df, page);
    return place.offset + page_size <= df->file_length ? 1 : 0;
}

int page_cache_keep(RecordRef page, DrawingFile* df, PageBuffer* buf) {
    if (!df || !df->cache_enabled) return 0;
    if (!cache_store(page, df, buf)) return 0;
    PagePlace place = page_place(df, page);
    if (place.offset + page_size > df->file_length && place.offset + page_size > df->cache->kept_end)
        df->cache->kept_end = place.offset + page_size;
    return 1;
}

int page_cache_get(RecordRef page, DrawingFile* df, PageBuffer* buf) {
    if (!df || !df->cache_enabled || !df->cache) return 0;
    auto it = df->cache->nodes.find(page);
    if (it == df->cache->nodes.end()) return 0;
    PageCacheNode* node = it->second;
    ++node->hits;
    std::memcpy(buf->data, node->page, page_size);
    buf->page = page;
    buf->word = node->buffer.word;
    buf->owner = df;
    buf->clean = 0;
    return 1;
}

void page_cache_flush(DrawingFile* df) {
    if (!df || !df->cache) return;
    page_io_begin();
    std::vector<uint32_t> pages;
    pages.reserve(df->cache->nodes.size());
    for (auto& kv : df->cache->nodes) pages.push_back(kv.first);
    std::sort(pages.begin(), pages.end());
    bool writing = !(df->flags & drawing_flag_read_only);
    if (writing) {
        // Every page of the saved state that is about to be overwritten goes
        // to the journal first, all with one flush.
        std::vector<uint64_t> offsets;
        for (uint32_t p : pages) {
            PagePlace pl = page_place(df, p);
            if (!pl.library) offsets.push_back(pl.offset);
        }
        if (journal_pages(df, offsets.data(), offsets.size()) != 0) {
            if (df->path) error_stack_push(df->path);
            show_program_message(text_write_failed);
            error_flag = 1;
            page_io_end();
            return;
        }
    }
    // Runs of neighbouring pages go out in one write.
    std::vector<unsigned char> run;
    size_t i = 0;
    while (i < pages.size()) {
        PagePlace first = page_place(df, pages[i]);
        size_t j = i;
        run.clear();
        while (j < pages.size()) {
            PagePlace pl = page_place(df, pages[j]);
            if (pl.library || pl.offset != first.offset + (j - i) * page_size ||
                j - i >= 256)
                break;
            PageCacheNode* n = df->cache->nodes[pages[j]];
            run.insert(run.end(), n->page, n->page + page_size);
            ++j;
        }
        if (j == i) {  // a library page: never written, just dropped
            std::free(df->cache->nodes[pages[i]]);
            df->cache->nodes.erase(pages[i]);
            ++i;
            continue;
        }
        if (writing && page_write_too_far(df, first.offset)) {
            if (df->path) error_stack_push(df->path);
            report_document_failure(df);
            error_flag = 1;
            page_io_end();
            return;
        }
        if (writing && page_file_write(df, first.offset, run.data(), run.size()) != 0) {
            // The pages not written stay in the cache.
            if (df->path) error_stack_push(df->path);
            show_program_message(text_write_failed);
            error_flag = 1;
            page_io_end();
            return;
        }
        for (size_t k = i; k < j; ++k) {
            std::free(df->cache->nodes[pages[k]]);
            df->cache->nodes.erase(pages[k]);
        }
        i = j;
    }
    df->cache->kept_end = 0;
    page_io_end();
}

size_t page_cache_count(const DrawingFile* df) {
    return df && df->cache ? df->cache->nodes.size() : 0;
}

void page_forget(DrawingFile* df, RecordRef page) {
    page &= page_address_mask;
    for (PageBuffer& b : page_buffers) {
        if (b.owner == df && b.page == page && page != 0) {
            b.page = 0;
            b.owner = nullptr;
            b.clean = 0;
            b.word = 0;
        }
    }
    if (df && df->cache) {
        auto it = df->cache->nodes.find(page);
        if (it != df->cache->nodes.end()) {
            std::free(it->second);
            df->cache->nodes.erase(it);
        }
    }
}

void page_cache_discard(DrawingFile* df) {
    if (!df || !df->cache) return;
    for (auto& kv : df->cache->nodes) std::free(kv.second);
    delete df->cache;
    df->cache = nullptr;
}

namespace {
RecordRef saved_positions[13];
DrawingFile* saved_positions_owner = nullptr;
bool positions_saved = false;
}  // namespace

void page_positions_save() {
    if (positions_saved) return;
    DrawingFile* df = current_drawing_file();
    for (int i = 0; i < 13; ++i)
        saved_positions[i] = page_buffers[i].owner == df ? page_buffers[i].page : 0;
    saved_positions_owner = df;
    positions_saved = true;
}

void page_positions_restore() {
    if (!positions_saved) return;
    positions_saved = false;
    DrawingFile* df = saved_positions_owner;
    if (!df || df != current_drawing_file()) return;
    for (int i = 0; i < 13; ++i) {
        if (saved_positions[i] == 0) continue;
        RecordRef r = saved_positions[i];
        page_load(df, &r, &page_buffers[i]);
    }
}
