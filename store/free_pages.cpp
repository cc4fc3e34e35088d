// The free-page lists kept inside the drawing file and page allocation.
//
// A free-list page (seen through buffer 0): dword 0 links the next free-list
// page (0 = last); up to 511 entries at byte offsets 4..2044: 0 ends the
// entries of the page, 1 is an empty slot, any other value a run of free
// pages: the address of its first page | (number of pages - 1).
#include "store/drawing_file.h"
#include "store/page_io.h"
#include "base/program_messages.h"

#include <climits>
#include <cstring>

namespace {

const char text_not_open[] = "Файл не открыт";
const uint32_t last_slot = 2044;

bool check_open(DrawingFile* df) {
    if (df && (df->flags & drawing_flag_open)) return true;
    if (df && df->path) error_stack_push(df->path);
    show_program_message(text_not_open);
    error_flag = 1;
    return false;
}

// Loads each free-list page in turn into buffer 0 and calls visit(page, data);
// visit returns true to stop.  Returns 1 when visit stopped the walk, 0 at the
// end of the list, -1 on damage (reported) or a failed load.
template <typename Visit>
int free_list_walk(DrawingFile* df, Visit visit) {
    PageBuffer* b0 = &page_buffers[0];
    uint32_t limit = page_last_valid(df) / page_size + 2;
    uint32_t walked = 0;
    RecordRef f = df->free_list_head & page_address_mask;
    while (f) {
        if (!page_address_valid(df, f) || ++walked > limit) {
            report_bad_block(df);
            return -1;
        }
        RecordRef r = f;
        page_load(df, &r, b0);
        if (error_flag) return -1;
        if (visit(f, b0->data)) return 1;
        f = get_u32(b0->data, 0) & page_address_mask;
    }
    return 0;
}

uint32_t run_first(uint32_t e) { return e & page_address_mask; }
uint32_t run_count(uint32_t e) { return (e & page_offset_mask) + 1; }

// A run must lie inside the pages of the file.
bool run_valid(const DrawingFile* df, uint32_t e) {
    uint32_t first = run_first(e);
    uint64_t last = first + static_cast<uint64_t>(run_count(e) - 1) * page_size;
    return first != 0 && last <= df->end_address;
}

// Pages from the allocation end; 0 when the address space is used up.
RecordRef take_at_end(DrawingFile* df, uint32_t n) {
    int64_t first = static_cast<int64_t>(df->alloc_end) + page_size;
    int64_t last = first + static_cast<int64_t>(n - 1) * page_size;
    if (df->alloc_end < 0 || last > INT32_MAX - static_cast<int64_t>(page_size)) {
        report_bad_block(df);
        return 0;
    }
    df->alloc_end = static_cast<int32_t>(last);
    return static_cast<RecordRef>(first);
}

void forget_in_buffers(DrawingFile* df, uint32_t p) {
    for (PageBuffer& b : page_buffers) {
        if (b.owner == df && b.page == p) {
            b.page = 0;
            b.owner = nullptr;
            b.clean = 0;
            b.word = 0;
        }
    }
}

void drop_damaged_list(DrawingFile* df) {
    df->free_list_head = 0;
    page_forget(df, page_buffers[0].page);
    report_bad_block(df);
}

}  // namespace

RecordRef page_alloc(DrawingFile* df) {
    if (!check_open(df)) return 0;
    error_flag = 0;
    PageBuffer* b0 = &page_buffers[0];
    RecordRef got = 0;
    RecordRef head_next = 0;
    bool first_page = true;
    bool damaged = false;
    int r = free_list_walk(df, [&](uint32_t page, unsigned char* d) {
        if (first_page) head_next = get_u32(d, 0) & page_address_mask;
        first_page = false;
        for (uint32_t off = 4; off <= last_slot; off += 4) {
            uint32_t e = get_u32(d, off);
            if (e == 1) continue;
            if (e < page_size || run_first(e) == page) break;
            if (!run_valid(df, e)) {
                damaged = true;
                return true;
            }
            uint32_t count = run_count(e);
            put_u32(d, off, count == 1 ? 1u : ((run_first(e) + page_size) | (count - 2)));
            b0->clean = 0;
            got = run_first(e);
            return true;
        }
        return false;
    });
    if (r < 0) return 0;
    if (damaged) {
        // A listed run beyond the end of the file: the list is damaged.
        drop_damaged_list(df);
        return 0;
    }
    if (got) return got;
    if (df->free_list_head) {
        // No runs left: the head free-list page itself is handed out.
        RecordRef h = df->free_list_head & page_address_mask;
        if (head_next && !page_address_valid(df, head_next)) {
            drop_damaged_list(df);
            return 0;
        }
        df->free_list_head = head_next;
        page_forget(df, h);
        return h;
    }
    return take_at_end(df, 1);
}

RecordRef pages_alloc(DrawingFile* df, uint32_t n) {
    if (n == 0) return 0;
    if (n == 1) return page_alloc(df);
    if (!check_open(df)) return 0;
    drawing_file_save(df);
    if (error_flag) return 0;
    PageBuffer* b0 = &page_buffers[0];
    RecordRef got = 0;
    bool damaged = false;
    int r = free_list_walk(df, [&](uint32_t, unsigned char* d) {
        for (uint32_t off = 4; off <= last_slot; off += 4) {
            uint32_t e = get_u32(d, off);
            if (e == 0) return true;  // stop: take from the end
            if (e < page_size) continue;
            uint32_t count = run_count(e);
            if (count < 2 || count < n) continue;
            if (!run_valid(df, e)) {
                damaged = true;
                return true;
            }
            put_u32(d, off, count == n ? 1u : ((run_first(e) + n * page_size) | (count - 1 - n)));
            b0->clean = 0;
            got = run_first(e);
            return true;
        }
        return false;
    });
    if (r < 0) return 0;
    if (damaged) {
        drop_damaged_list(df);
        return 0;
    }
    if (got) return got;
    return take_at_end(df, n);
}

void page_free(DrawingFile* df, RecordRef* page) {
    if (!page || !check_open(df)) return;
    error_flag = 0;
    uint32_t p = *page & page_address_mask;
    if (!page_address_valid(df, p)) {
        report_bad_block(df);
        return;
    }
    chain_hints_clear(df);
    PageBuffer* b0 = &page_buffers[0];
    if (!df->free_list_head) {
        // The page becomes the only free-list page.
        if (b0->owner == df) page_forget(df, b0->page);
        page_forget(df, p);
        df->free_list_head = p;
        RecordRef r = p;
        page_load(df, &r, b0);
        if (error_flag) return;
        std::memset(b0->data, 0, page_size);
        b0->clean = 0;
        page_load(df, nullptr, b0);
        return;
    }
    // First pass: a page that is already free stays as it is.
    bool listed = false;
    if (free_list_walk(df, [&](uint32_t fpage, unsigned char* d) {
            if (fpage == p) return listed = true;
            for (uint32_t off = 4; off <= last_slot; off += 4) {
                uint32_t e = get_u32(d, off);
                if (e == 0) break;
                if (e < page_size) continue;
                uint64_t first = run_first(e);
                if (p >= first && p < first + static_cast<uint64_t>(run_count(e)) * page_size)
                    return listed = true;
            }
            return false;
        }) < 0 || listed)
        return;
    // A buffer's copy of its old content must never be written over what it
    // holds next; a cached copy is what was last written back (for a page of
    // a freed chain, the cleared page) and may stay.
    forget_in_buffers(df, p);
    // Second pass: extend a neighbouring run.
    int r = free_list_walk(df, [&](uint32_t, unsigned char* d) {
        for (uint32_t off = 4; off <= last_slot; off += 4) {
            uint32_t e = get_u32(d, off);
            if (e == 0) break;
            if (e < page_size) continue;
            uint32_t count = run_count(e);
            if (count >= 2048) continue;
            uint32_t first = run_first(e);
            if (first == p + page_size) {
                put_u32(d, off, p | count);
            } else if (static_cast<uint64_t>(first) + static_cast<uint64_t>(count) * page_size == p) {
                put_u32(d, off, first | count);
            } else {
                continue;
            }
            b0->clean = 0;
            return true;
        }
        return false;
    });
    if (r != 0) return;
    // Third pass: the first empty slot.
    uint32_t last_page = 0;
    r = free_list_walk(df, [&](uint32_t fpage, unsigned char* d) {
        last_page = fpage;
        for (uint32_t off = 4; off <= last_slot; off += 4) {
            uint32_t e = get_u32(d, off);
            if (e != 0 && e != 1) continue;
            put_u32(d, off, p);
            if (e == 0 && off < last_slot) put_u32(d, off + 4, 0);
            b0->clean = 0;
            return true;
        }
        return false;
    });
    if (r != 0) return;
    // Every free-list page is full: a new one at the end of the list.
    RecordRef n = take_at_end(df, 1);
    if (!n) return;
    if (b0->owner != df || b0->page != last_page) {
        RecordRef lr = last_page;
        page_load(df, &lr, b0);
        if (error_flag) return;
    }
    put_u32(b0->data, 0, n);
    b0->clean = 0;
    RecordRef nr = n;
    page_load(df, &nr, b0);
    if (error_flag) return;
    std::memset(b0->data, 0, page_size);
    put_u32(b0->data, 4, p);
    b0->clean = 0;
}

void page_chain_free(DrawingFile* df, RecordRef* head, PageBuffer* buf) {
    if (!head || !buf || !check_open(df)) return;
    uint32_t limit = page_last_valid(df) / page_size + 2;
    RecordRef r = *head;
    for (uint32_t walked = 0; r; ++walked) {
        uint32_t p = r & page_address_mask;
        if (!page_address_valid(df, p) || walked > limit) {
            report_bad_block(df);
            return;
        }
        RecordRef pr = p;
        page_load(df, &pr, buf);
        if (error_flag) return;
        // Keep the link before the page is given away; the page itself is
        // written back cleared (no link, no records), so that nothing of the
        // chain can be reached through it any more.
        RecordRef link = get_u32(buf->data, 0);
        std::memset(buf->data, 0, page_size);
        buf->clean = 0;
        page_load(df, nullptr, buf);
        if (error_flag) return;
        page_free(df, &p);
        if (error_flag) return;
        r = link;
    }
}
