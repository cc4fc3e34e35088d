// Record primitives: adding, deleting, walking and reading the records of a
// chain through a page buffer, chunked curve and contour records, the chain
// index, and the drawing-order levels of contours and their members.
#include "store/records.h"

#include "store/drawing_header.h"
#include "store/page_io.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "geometry/text_numbers.h"

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

int temporary_element_source_active = 0;
unsigned char* (*piece_to_element_record)(uint32_t key) = nullptr;
RecordRef (*projection_window_record_ref)(uint32_t id) = nullptr;

namespace {

const char code_delete_damage[] = "E20112";
const char code_walk_damage[] = "E20113";
const char text_file_unusable[] = "Этот файл сейчас не пригоден для работы";

RecordRef ref_get(const RecordRef* r) {
    RecordRef v;
    std::memcpy(&v, r, sizeof v);
    return v;
}
void ref_set(RecordRef* r, RecordRef v) { std::memcpy(r, &v, sizeof v); }

// A damaged page met by a walk: the drawing is marked and the program ends
// after the message.
void report_walk_damage(DrawingFile* df) {
    error_stack_push(code_walk_damage);
    error_stack_push(text_file_unusable);
    file_unusable = 1;
    report_document_failure(df);
}

// Length of the record at offset off of a page: 0 ends the page's records,
// -1 is damage (a length that leaves the page).
int record_length_at(const unsigned char* page, uint32_t off) {
    if (off > 2046) return 0;
    uint16_t l = get_u16(page, off);
    if (l == 0) return 0;
    if (l & 0x8000 || l > page_size - off) return -1;
    return l;
}

// Offset of the end of the page's records (where the terminator goes);
// -1 on damage.
int page_records_end(const unsigned char* page) {
    uint32_t off = 4;
    for (;;) {
        int l = record_length_at(page, off);
        if (l < 0) return -1;
        if (l == 0) return static_cast<int>(off);
        off += static_cast<uint32_t>(l);
    }
}

uint32_t page_limit(const DrawingFile* df) { return page_last_valid(df) / page_size + 2; }

// Loads page p (page address) through buf; with keep_clean the buffer's
// clean flag stays as it was before (a walk leaves it to its caller whether
// the pages it hands out are written back).
bool load_page(DrawingFile* df, uint32_t p, PageBuffer* buf, bool keep_clean) {
    int clean = buf->clean;
    RecordRef r = p;
    page_load(df, &r, buf);
    if (error_flag) return false;
    if (keep_clean) buf->clean = clean;
    return true;
}

ChainHint* hint_find(DrawingFile* df, RecordRef head) {
    for (ChainHint& h : df->chain_hints)
        if (h.head == head && head) return &h;
    return nullptr;
}
ChainHint* hint_take(DrawingFile* df, RecordRef head) {
    ChainHint* h = hint_find(df, head);
    if (h) return h;
    h = &df->chain_hints[df->chain_hint_next++ % 8];
    *h = ChainHint{head, 0, 0, 0};
    return h;
}

// Page steps of the walk through each buffer, so that a chain whose links
// loop is caught.  A walk starts again (the count from 0) when it starts
// from the head, from another page than its last step reached, or when
// records were stored or deleted since its last step.
uint32_t walk_steps[13];
uint32_t walk_generation[13];
uint32_t walk_last_page[13];
uint32_t record_changes = 0;
int buffer_index(const PageBuffer* buf) {
    for (int i = 0; i < 13; ++i)
        if (&page_buffers[i] == buf) return i;
    return -1;
}

RecordRef put_one(DrawingFile* df, RecordRef* head, const unsigned char* rec, uint16_t len,
                  PageBuffer* buf, int at_end) {
    RecordRef h = ref_get(head);
    if (h == 0) {
        RecordRef p = page_alloc(df);
        if (!p || error_flag) return 0;
        if (!load_page(df, p, buf, false)) return 0;
        put_u32(buf->data, 0, 0);
        put_u16(buf->data, 4, 0);
        buf->clean = 0;
        h = p | 4;
        ref_set(head, h);
        ChainHint* hint = hint_take(df, h);
        *hint = ChainHint{h, p, p, 0};
    }
    ChainHint* hint = hint_find(df, h);
    uint32_t page = h & page_address_mask;
    uint16_t room_before = 0;
    bool from_hint = false;
    if (hint && at_end && hint->last_page) {
        page = hint->last_page;
        from_hint = true;
    } else if (hint && !at_end && hint->fit_page && len > hint->room_before) {
        page = hint->fit_page;
        room_before = hint->room_before;
    }
    uint32_t limit = page_limit(df);
    for (uint32_t steps = 0;; ++steps) {
        if (steps > limit || !page_address_valid(df, page)) {
            if (steps > limit) report_walk_damage(df);
            else report_bad_block(df);
            return 0;
        }
        if (!load_page(df, page, buf, false)) return 0;
        RecordRef link = get_u32(buf->data, 0);
        if (from_hint && link != 0) {
            // The remembered last page is not last any more: walk from the head.
            from_hint = false;
            page = h & page_address_mask;
            hint->last_page = 0;
            continue;
        }
        int end = page_records_end(buf->data);
        if (end < 0) {
            report_walk_damage(df);
            return 0;
        }
        bool fits = static_cast<uint32_t>(end) + len <= page_size;
        uint32_t at = 0;
        if (fits && (!at_end || link == 0)) {
            at = static_cast<uint32_t>(end);
        } else if (link == 0) {
            // A new page at the end of the chain.
            RecordRef np = page_alloc(df);
            if (!np || error_flag) return 0;
            if (!load_page(df, page, buf, false)) return 0;
            put_u32(buf->data, 0, np | 4);
            buf->clean = 0;
            if (!load_page(df, np, buf, false)) return 0;
            put_u32(buf->data, 0, 0);
            buf->clean = 0;
            if (static_cast<uint32_t>(end) + 0 < page_size) {
                uint16_t room = static_cast<uint16_t>(page_size - end);
                if (room > room_before) room_before = room;
            }
            page = np;
            at = 4;
        } else {
            uint16_t room = static_cast<uint16_t>(page_size - end);
            if (room > room_before) room_before = room;
            page = link & page_address_mask;
            continue;
        }
        ++record_changes;
        std::memcpy(buf->data + at, rec, len);
        if (at + len <= 2046) put_u16(buf->data, at + len, 0);
        buf->clean = 0;
        hint = hint_take(df, h);
        if (get_u32(buf->data, 0) == 0) hint->last_page = page;
        if (!at_end) {
            hint->fit_page = page;
            hint->room_before = room_before;
        }
        return page | at;
    }
}

bool is_curve(const unsigned char* rec) { return (rec[10] & 0x0F) == 5; }

// A curve record with more vertices than a page holds; also when its length
// word has wrapped round (36 x count above 65535).
bool curve_needs_chunks(const unsigned char* rec, uint16_t len) {
    if (!is_curve(rec)) return false;
    int16_t n = static_cast<int16_t>(get_u16(rec, 14));
    if (n <= 56) return len > record_max_length;
    return len > record_max_length || len == static_cast<uint16_t>(36 * n) ||
           len == static_cast<uint16_t>(16 + 36 * n);
}

RecordRef put_curve_chunks(DrawingFile* df, RecordRef* head, const unsigned char* rec,
                           PageBuffer* buf, int at_end) {
    int16_t n = static_cast<int16_t>(get_u16(rec, 14));
    if (n < 2) {
        error_flag = 1;
        return 0;
    }
    std::vector<unsigned char> chunk(16 + 36 * 56);
    RecordRef result = 0;
    int idx = 0;
    bool first = true;
    while (idx < n) {
        std::memcpy(chunk.data(), rec, 36);
        chunk[12] |= 0x80;
        int c = 0;
        for (;;) {
            std::memcpy(chunk.data() + 16 + 36 * c, rec + 16 + 36 * idx, 36);
            ++c;
            ++idx;
            if (idx >= n || c == 55 || (n - (idx - 1) < 3 && c >= 52)) break;
        }
        put_u16(chunk.data(), 14, static_cast<uint16_t>(c));
        uint16_t len = static_cast<uint16_t>(36 * c);
        put_u16(chunk.data(), 0, len);
        result = put_one(df, head, chunk.data(), len, buf, first ? at_end : 1);
        if (!result || error_flag) return 0;
        first = false;
        if (idx >= n) break;
        --idx;  // neighbouring chunks share one vertex
    }
    return result;
}

}  // namespace

RecordRef record_ref_of(const PageBuffer* buf, const unsigned char* rec) {
    if (!buf || !rec || rec < buf->data || rec >= buf->data + page_size) return 0;
    return buf->page | static_cast<uint32_t>(rec - buf->data);
}

RecordRef record_put(DrawingFile* df, RecordRef* head, const void* rec, PageBuffer* buf, int at_end) {
    if (!df || !head || !rec || !buf) {
        error_flag = 1;
        return 0;
    }
    error_flag = 0;
    const unsigned char* r = static_cast<const unsigned char*>(rec);
    uint16_t len = get_u16(r, 0);
    if (len >= 16 && curve_needs_chunks(r, len)) return put_curve_chunks(df, head, r, buf, at_end);
    if (len == 0 || len > record_max_length) {
        error_flag = 1;
        return 0;
    }
    // The record may live in the very buffer that the walk moves through.
    unsigned char copy[page_size];
    std::memcpy(copy, r, len);
    return put_one(df, head, copy, len, buf, at_end);
}

RecordRef record_add(DrawingFile* df, RecordRef* head, const void* rec, PageBuffer* buf) {
    return record_put(df, head, rec, buf, 0);
}

RecordRef record_add_at_end(DrawingFile* df, RecordRef* head, const void* rec, PageBuffer* buf) {
    return record_put(df, head, rec, buf, 1);
}

RecordRef contour_record_add(DrawingFile* df, RecordRef* head, const void* contour) {
    PageBuffer* buf = &page_buffers[table_contours];
    const unsigned char* c = static_cast<const unsigned char*>(contour);
    if (!c) {
        error_flag = 1;
        return 0;
    }
    uint16_t len = get_u16(c, 0);
    // A long contour is told by its member count: its length word wraps
    // round for very long ones.
    uint32_t members = get_u16(c, contour_member_count);
    bool chunked = 82 + 4 * members >= record_max_length &&
                   (len >= record_max_length || len == static_cast<uint16_t>(82 + 4 * members));
    if (!chunked) return record_add(df, head, c, buf);
    const uint32_t per_chunk = 489;
    std::vector<unsigned char> chunk(82 + 4 * per_chunk);
    RecordRef first = 0;
    for (uint32_t done = 0; done < members;) {
        uint32_t m = members - done < per_chunk ? members - done : per_chunk;
        std::memcpy(chunk.data(), c, 82);
        std::memcpy(chunk.data() + 82, c + 82 + 4 * done, 4 * m);
        put_u16(chunk.data(), 0, static_cast<uint16_t>(82 + 4 * m));
        put_u16(chunk.data(), 80, static_cast<uint16_t>(m));
        uint16_t w = static_cast<uint16_t>((get_u16(c, 66) & ~0x0600) | (done == 0 ? 0x200 : 0x400));
        put_u16(chunk.data(), 66, w);
        RecordRef r = record_add_at_end(df, head, chunk.data(), buf);
        if (!r || error_flag) return 0;
        if (!first) first = r;
        done += m;
    }
    return first;
}

void record_delete(DrawingFile* df, RecordRef* head, RecordRef ref, PageBuffer* buf) {
    if (!df || !head || !buf || !ref) {
        error_flag = 1;
        return;
    }
    RecordRef r = ref;
    uint32_t off = page_load(df, &r, buf);
    if (error_flag) return;
    unsigned char* d = buf->data;
    uint16_t len = off <= 2046 ? get_u16(d, off) : 0;
    if (off < 4 || len == 0) return;
    if ((len & 0x8000) || len > record_max_length || off + len > page_size) {
        error_stack_push(code_delete_damage);
        report_document_failure(df);
        return;
    }
    chain_hints_clear(df);
    ++record_changes;
    uint32_t page = ref & page_address_mask;
    uint32_t end = off + len;
    buf->clean = 0;
    if (end <= 2046 && get_u16(d, end) != 0) {
        // The terminator goes where the moved records now end (the records
        // may have ended at byte 2047, where no terminator was).
        int records_end = page_records_end(d);
        if (records_end < 0) {
            error_stack_push(code_delete_damage);
            report_document_failure(df);
            return;
        }
        std::memmove(d + off, d + end, page_size - end);
        uint32_t new_end = static_cast<uint32_t>(records_end) - len;
        if (new_end <= 2046) put_u16(d, new_end, 0);
        else d[new_end] = 0;
        return;
    }
    // The last record of its page.
    if (off <= 2046) put_u16(d, off, 0);
    if (off != 4) return;
    // The page is empty now: unlink it and give it back.
    RecordRef old_link = get_u32(d, 0);
    put_u32(d, 0, 0);
    RecordRef h = ref_get(head);
    if ((h & page_address_mask) == page) {
        ref_set(head, old_link);
    } else {
        uint32_t p = h & page_address_mask;
        uint32_t limit = page_limit(df);
        for (uint32_t steps = 0;; ++steps) {
            if (!p || steps > limit) {
                report_walk_damage(df);
                return;
            }
            if (!load_page(df, p, buf, false)) return;
            RecordRef link = get_u32(buf->data, 0);
            if ((link & page_address_mask) == page) {
                put_u32(buf->data, 0, old_link);
                buf->clean = 0;
                break;
            }
            p = link & page_address_mask;
        }
    }
    RecordRef empty = page | 4;
    page_chain_free(df, &empty, buf);
}

unsigned char* record_delete_and_next(DrawingFile* df, RecordRef* head, unsigned char* rec, PageBuffer* buf) {
    RecordRef ref = record_ref_of(buf, rec);
    if (!df || !head || !ref || buf->owner != df) {
        error_flag = 1;
        return nullptr;
    }
    uint32_t page = ref & page_address_mask;
    uint32_t off = ref & ~page_address_mask;
    int len = record_length_at(buf->data, off);
    if (len <= 0) {
        report_walk_damage(df);
        return nullptr;
    }
    // Deleting the only record of a page gives the page back; its link is
    // then the way on.
    bool page_goes = off == 4 && record_length_at(buf->data, off + static_cast<uint32_t>(len)) == 0;
    uint32_t link = get_u32(buf->data, 0) & page_address_mask;
    error_flag = 0;
    record_delete(df, head, ref, buf);
    if (error_flag) return nullptr;
    if (!page_goes) {
        // The records behind rec moved down to its place.
        if (!load_page(df, page, buf, true)) return nullptr;
        int l = record_length_at(buf->data, off);
        if (l < 0) {
            report_walk_damage(df);
            return nullptr;
        }
        if (l > 0) return buf->data + off;
        link = get_u32(buf->data, 0) & page_address_mask;
    }
    uint32_t limit = page_limit(df);
    for (uint32_t steps = 0; link; ++steps) {
        if (steps > limit) {
            report_walk_damage(df);
            return nullptr;
        }
        if (!load_page(df, link, buf, true)) return nullptr;
        int l = record_length_at(buf->data, 4);
        if (l < 0) {
            report_walk_damage(df);
            return nullptr;
        }
        if (l > 0) return buf->data + 4;
        link = get_u32(buf->data, 0) & page_address_mask;
    }
    return nullptr;
}

unsigned char* record_next(DrawingFile* df, RecordRef* head, const unsigned char* prev, PageBuffer* buf) {
    if (!df || !head || !buf) return nullptr;
    RecordRef h = ref_get(head);
    if (!h) return nullptr;
    int bi = buffer_index(buf);
    uint32_t page;
    uint32_t off;
    if (prev) {
        if (prev < buf->data || prev >= buf->data + page_size || buf->owner != df) return nullptr;
        off = static_cast<uint32_t>(prev - buf->data);
        int l = record_length_at(buf->data, off);
        if (l < 0) {
            report_walk_damage(df);
            return nullptr;
        }
        off += static_cast<uint32_t>(l);
        int nl = l > 0 ? record_length_at(buf->data, off) : 0;
        if (nl < 0) {
            report_walk_damage(df);
            return nullptr;
        }
        if (l > 0 && nl > 0) return buf->data + off;
        page = get_u32(buf->data, 0) & page_address_mask;
        if (!page) return nullptr;
        if (bi >= 0) {
            if (walk_generation[bi] != record_changes || walk_last_page[bi] != buf->page) {
                walk_generation[bi] = record_changes;
                walk_steps[bi] = 0;
            }
            walk_last_page[bi] = page;
            if (++walk_steps[bi] > page_limit(df)) {
                report_walk_damage(df);
                return nullptr;
            }
        }
    } else {
        page = h & page_address_mask;
        if (bi >= 0) {
            walk_steps[bi] = 0;
            walk_generation[bi] = record_changes;
            walk_last_page[bi] = page;
        }
    }
    if (!load_page(df, page, buf, true)) return nullptr;
    int l = record_length_at(buf->data, 4);
    if (l < 0) {
        report_walk_damage(df);
        return nullptr;
    }
    return l == 0 ? nullptr : buf->data + 4;
}

unsigned char* record_find_key(DrawingFile* df, RecordRef* head, uint32_t key, RecordRef* from,
                               PageBuffer* buf) {
    if (!df || !head || !buf) return nullptr;
    RecordRef start = from ? ref_get(from) : 0;
    uint32_t page, off;
    if (start) {
        RecordRef r = start;
        off = page_load(df, &r, buf);
        if (error_flag) return nullptr;
        page = start & page_address_mask;
        int l = record_length_at(buf->data, off);
        if (l < 0) {
            report_walk_damage(df);
            return nullptr;
        }
        off += l > 0 ? static_cast<uint32_t>(l) : static_cast<uint32_t>(page_size);
    } else {
        page = ref_get(head) & page_address_mask;
        off = 4;
    }
    uint32_t limit = page_limit(df);
    for (uint32_t steps = 0; page; ++steps) {
        if (steps > limit) {
            report_walk_damage(df);
            return nullptr;
        }
        if (!load_page(df, page, buf, true)) return nullptr;
        for (;;) {
            int l = record_length_at(buf->data, off);
            if (l < 0) {
                report_walk_damage(df);
                return nullptr;
            }
            if (l == 0) break;
            if (l >= 6 && get_u32(buf->data, off + 2) == key) {
                buf->clean = 0;
                if (from) ref_set(from, page | off);
                return buf->data + off;
            }
            off += static_cast<uint32_t>(l);
        }
        page = get_u32(buf->data, 0) & page_address_mask;
        off = 4;
    }
    return nullptr;
}

void record_delete_key(DrawingFile* df, RecordRef* head, uint32_t key, PageBuffer* buf) {
    error_flag = 0;
    for (;;) {
        unsigned char* r = nullptr;
        for (r = record_next(df, head, nullptr, buf); r && !error_flag; r = record_next(df, head, r, buf))
            if (get_u16(r, 0) >= 6 && get_u32(r, 2) == key) break;
        if (!r || error_flag) return;
        record_delete(df, head, record_ref_of(buf, r), buf);
        if (error_flag) return;
    }
}

unsigned char* record_read_at(DrawingFile* df, RecordRef* ref, PageBuffer* buf) {
    if (!df || !ref || !buf) return nullptr;
    RecordRef r = ref_get(ref);
    if (!r) return nullptr;
    uint32_t off = page_load(df, &r, buf);
    if (error_flag) return nullptr;
    if (off < 4) {
        report_bad_block(df);
        return nullptr;
    }
    int l = record_length_at(buf->data, off);
    if (l < 0) {
        report_walk_damage(df);
        return nullptr;
    }
    return l == 0 ? nullptr : buf->data + off;
}

unsigned char* record_fetch(RecordRef* ref) {
    if (!ref || !ref_get(ref)) return nullptr;
    return record_read_at(current_drawing_file(), ref, &page_buffers[table_projections]);
}

uint32_t* record_chain_index(DrawingFile* df, RecordRef* head, int record_size, int field,
                             RecordRef start, PageBuffer* buf) {
    if (!df || !head || !buf || record_size <= 0) return nullptr;
    page_load(df, nullptr, buf);
    if (error_flag) return nullptr;
    const size_t step = static_cast<size_t>(2044 / record_size) + 1;
    size_t cap = step;
    uint32_t* a = static_cast<uint32_t*>(std::malloc((1 + 2 * cap) * sizeof(uint32_t)));
    if (!a) {
        error_flag = 1;
        return nullptr;
    }
    size_t n = 0;
    bool grown = false;
    size_t value_off = field == 1 ? 10 : field == 2 ? 6 : 2;
    unsigned char* r = start ? record_read_at(df, &start, buf) : record_next(df, head, nullptr, buf);
    for (; r && !error_flag; r = record_next(df, head, r, buf)) {
        buf->clean = 1;
        if (n == cap) {
            uint32_t* g = static_cast<uint32_t*>(std::realloc(a, (1 + 2 * (cap + step)) * sizeof(uint32_t)));
            if (!g) {
                std::free(a);
                error_flag = 1;
                return nullptr;
            }
            a = g;
            cap += step;
            grown = true;
        }
        uint16_t l = get_u16(r, 0);
        a[1 + 2 * n] = l >= value_off + 4 ? get_u32(r, value_off) : 0;
        a[2 + 2 * n] = record_ref_of(buf, r);
        ++n;
    }
    buf->clean = 0;
    if (error_flag) {
        std::free(a);
        return nullptr;
    }
    a[0] = static_cast<uint32_t>(n);
    if (!start && !grown) {
        std::free(a);
        return nullptr;
    }
    return a;
}

int element_page_outside(const void* p) {
    if (!p) return 0;
    const unsigned char* c = static_cast<const unsigned char*>(p);
    const unsigned char* d = page_buffers[table_elements].data;
    return c < d || c > d + page_size ? 1 : 0;
}

void drawing_order_make_room(unsigned char* projection, unsigned char* contour, uint16_t level, int flags) {
    DrawingFile* df = current_drawing_file();
    if (!df || !projection || !contour) return;
    PageBuffer* eb = &page_buffers[table_elements];
    PageBuffer* cb = &page_buffers[table_contours];
    RecordRef e_entry = eb->owner == df ? eb->page : 0;
    RecordRef c_entry = cb->owner == df ? cb->page : 0;
    uint32_t contour_key = get_u32(contour, 2);
    bool contour_in_buffer = contour >= cb->data && contour < cb->data + page_size;
    RecordRef elements = 0, contours = 0;
    std::memcpy(&elements, projection + projection_elements, 4);
    std::memcpy(&contours, projection + projection_contours, 4);
    RecordRef* eh = &elements;
    RecordRef* ch = &contours;
    uint16_t highest = level;
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
        put_u16(e, element_options, static_cast<uint16_t>(get_u16(e, element_options) & ~0x0800));
        eb->clean = 0;
    }
    // Raise the other contours at or above the level, with their members.
    std::vector<uint32_t> members;
    for (unsigned char* c = record_next(df, ch, nullptr, cb); c && !error_flag; c = record_next(df, ch, c, cb)) {
        if (get_u32(c, 2) == contour_key || get_u16(c, 0) < contour_head_size) continue;
        uint16_t cl = get_u16(c, contour_level);
        if (cl < level) continue;
        put_u16(c, contour_level, static_cast<uint16_t>(cl + 2));
        cb->clean = 0;
        if (static_cast<uint16_t>(cl + 2) > highest) highest = static_cast<uint16_t>(cl + 2);
        uint16_t n = get_u16(c, contour_member_count);
        uint16_t len = get_u16(c, 0);
        for (uint16_t i = 0; i < n && contour_members + 4u * i + 4 <= len; ++i)
            members.push_back(get_u32(c, contour_members + 4u * i));
    }
    if (!members.empty()) {
        for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
            uint32_t k = get_u32(e, 2);
            for (uint32_t m : members) {
                if (m != k) continue;
                put_u16(e, element_level, static_cast<uint16_t>(get_u16(e, element_level) + 2));
                put_u16(e, element_options, static_cast<uint16_t>(get_u16(e, element_options) | 0x0800));
                eb->clean = 0;
                break;
            }
        }
    }
    for (unsigned char* e = record_next(df, eh, nullptr, eb); e && !error_flag; e = record_next(df, eh, e, eb)) {
        uint16_t el = get_u16(e, element_level);
        if (!(get_u16(e, element_options) & 0x0800) && el >= level) {
            el = static_cast<uint16_t>(el + 2);
            put_u16(e, element_level, el);
            eb->clean = 0;
        }
        if (el > highest) highest = el;
    }
    // The contour itself (every chunk of it).
    for (unsigned char* c = record_next(df, ch, nullptr, cb); c && !error_flag; c = record_next(df, ch, c, cb)) {
        if (get_u32(c, 2) != contour_key || get_u16(c, 0) < contour_head_size) continue;
        put_u16(c, contour_level, level);
        uint16_t w = get_u16(c, contour_flags);
        put_u16(c, contour_flags, static_cast<uint16_t>((w & ~0x0800) | ((flags & 1) ? 0x0800 : 0)));
        cb->clean = 0;
    }
    if (!contour_in_buffer && get_u16(contour, 0) >= contour_head_size) {
        put_u16(contour, contour_level, level);
        uint16_t w = get_u16(contour, contour_flags);
        put_u16(contour, contour_flags, static_cast<uint16_t>((w & ~0x0800) | ((flags & 1) ? 0x0800 : 0)));
    }
    if (highest & 1) ++highest;
    put_u16(projection, projection_highest_level, highest);
    PageBuffer* pb = &page_buffers[table_projections];
    if (projection >= pb->data && projection < pb->data + page_size) pb->clean = 0;
    if (e_entry) load_page(df, e_entry, eb, false);
    if (c_entry) load_page(df, c_entry, cb, false);
}

