#include "store/number_pools.h"

#include "store/drawing_header.h"
#include "base/program_messages.h"
#include "store/record_layouts.h"
#include "store/records.h"

#include <cstdlib>
#include <cstring>

NumberPool point_pool = {nullptr, 0, 0};
NumberPool element_pool = {nullptr, 0, 0};

namespace {
// The page engine resets the pools when no drawing is left in the first slot.
struct PoolResetBinding {
    PoolResetBinding() {
        number_pools_reset = []() {
            point_pool_free();
            element_pool_free();
        };
    }
} pool_reset_binding;
}  // namespace

namespace {

unsigned char* current_header() {
    DrawingFile* df = current_drawing_file();
    return df ? df->header : nullptr;
}

uint32_t header_get(size_t off) {
    unsigned char* h = current_header();
    return h ? get_u32(h, off) : 0;
}

void header_set(size_t off, uint32_t v) {
    unsigned char* h = current_header();
    if (h) put_u32(h, off, v);
}

void header_raise(size_t off, uint32_t v) {
    if (header_get(off) < v) header_set(off, v);
}

bool pool_grow(NumberPool* p, int room) {
    if (p->count + 1 <= p->capacity) return true;
    int cap = p->capacity + room;
    NumberRun* r = static_cast<NumberRun*>(std::realloc(p->runs, sizeof(NumberRun) * cap));
    if (!r) return false;
    p->runs = r;
    p->capacity = cap;
    return true;
}

bool pool_start(NumberPool* p) {
    std::free(p->runs);
    p->runs = static_cast<NumberRun*>(std::malloc(sizeof(NumberRun) * 10));
    p->capacity = p->runs ? 10 : 0;
    p->count = 0;
    if (!p->runs) return false;
    p->runs[0] = {0, 0};
    return true;
}

void pool_add_run(NumberPool* p, uint32_t lo, uint32_t hi) {
    if (!pool_grow(p, 10)) return;
    p->runs[p->count++] = {lo, hi};
}

void pool_free(NumberPool* p) {
    std::free(p->runs);
    p->runs = nullptr;
    p->count = 0;
    p->capacity = 0;
}

void pool_trim(NumberPool* p) {
    if (p->count == 0) p->count = 1;
    int cap = p->count + 10;
    NumberRun* r = static_cast<NumberRun*>(std::realloc(p->runs, sizeof(NumberRun) * cap));
    if (r) {
        p->runs = r;
        p->capacity = cap;
    }
}

bool pool_holds(const NumberPool* p, uint32_t n) {
    for (int i = 0; i < p->count; ++i)
        if (p->runs[i].lo <= n && n <= p->runs[i].hi) return true;
    return false;
}

uint32_t pool_highest(const NumberPool* p) {
    uint32_t m = 0;
    for (int i = 0; i < p->count; ++i)
        if (p->runs[i].hi > m) m = p->runs[i].hi;
    return m;
}

// Walks every projection and, within it, the chain at chain_off; calls fn
// with each record's key.  Merges after each projection.
template <typename Fn>
void walk_projection_chains(NumberPool* p, size_t chain_off, int table, Fn fn) {
    DrawingFile* df = current_drawing_file();
    if (!df) return;
    PageBuffer* pb = &page_buffers[table_projections];
    // The page the buffer held goes back into it afterwards, with its own
    // drawing: with two drawings open it may be a page of the other one,
    // whose number means nothing (or another page) in the current drawing.
    RecordRef remembered = pb->page;
    DrawingFile* remembered_owner = pb->owner;
    RecordRef head = get_u32(df->header, header_projections);
    unsigned char* proj = nullptr;
    while ((proj = record_next(df, &head, proj, pb)) != nullptr) {
        RecordRef chain = get_u32(proj, chain_off);
        PageBuffer* cb = &page_buffers[table];
        unsigned char* r = nullptr;
        while ((r = record_next(df, &chain, r, cb)) != nullptr) fn(get_u32(r, record_key));
        if (error_flag) break;
        number_runs_merge(p->runs, &p->count);
        // The walk through the other buffer leaves the projection in place.
    }
    int16_t saved = error_flag;
    if (remembered && remembered_owner && (remembered_owner->flags & drawing_flag_open))
        page_load(remembered_owner, &remembered, pb);
    if (saved) error_flag = saved;
}

}  // namespace

void number_runs_merge(NumberRun* runs, int* count) {
    if (!runs || !count) return;
    bool merged = true;
    while (merged) {
        merged = false;
        for (int i = 0; i < *count; ++i) {
            for (int j = i + 1; j < *count; ++j) {
                NumberRun& a = runs[i];
                NumberRun& b = runs[j];
                bool overlap = a.hi >= b.lo && b.hi >= a.lo;
                bool touch = (a.hi != 0xFFFFFFFFu && b.lo == a.hi + 1) ||
                             (b.hi != 0xFFFFFFFFu && a.lo == b.hi + 1);
                if (!overlap && !touch) continue;
                a.lo = a.lo < b.lo ? a.lo : b.lo;
                a.hi = a.hi > b.hi ? a.hi : b.hi;
                std::memmove(&runs[j], &runs[j + 1], sizeof(NumberRun) * (*count - j - 1));
                --*count;
                --j;
                merged = true;
            }
        }
    }
    if (*count == 0) {
        runs[0] = {0, 0};
        *count = 1;
    } else if (*count > 1 && runs[0].lo == 0 && runs[0].hi == 0) {
        std::memmove(&runs[0], &runs[1], sizeof(NumberRun) * (*count - 1));
        --*count;
    }
}

uint32_t number_pool_take(NumberRun* runs) {
    if (runs[0].lo > 1) return --runs[0].lo;
    return ++runs[0].hi;
}

void number_pool_release(uint32_t n, NumberPool* p) {
    if (n == 0 || !p || !p->runs) return;
    number_runs_merge(p->runs, &p->count);
    for (int i = 0; i < p->count; ++i) {
        NumberRun& r = p->runs[i];
        if (n < r.lo || n > r.hi) continue;
        if (n == r.lo && n == r.hi) {
            std::memmove(&p->runs[i], &p->runs[i + 1], sizeof(NumberRun) * (p->count - i - 1));
            --p->count;
        } else if (n == r.lo) {
            ++r.lo;
        } else if (n == r.hi) {
            --r.hi;
        } else {
            uint32_t hi = r.hi;
            r.hi = n - 1;
            pool_add_run(p, n + 1, hi);  // r may move with the block
        }
        break;
    }
    if (p->count == 0) {
        p->runs[0] = {0, 0};
        p->count = 1;
    }
}

void point_numbers_rebuild() {
    point_pool_free();
    header_set(header_highest_point, 0);
    if (!pool_start(&point_pool)) return;
    walk_projection_chains(&point_pool, projection_points, table_points,
                           [](uint32_t key) { point_number_mark_used(key); });
    pool_trim(&point_pool);
}

void element_numbers_rebuild() {
    element_pool_free();
    header_set(header_highest_element, 0);
    if (!pool_start(&element_pool)) return;
    walk_projection_chains(&element_pool, projection_elements, table_elements, [](uint32_t key) {
        if (key == 0) return;
        header_raise(header_highest_element, key);
        element_number_mark_used(key);
    });
    pool_trim(&element_pool);
}

namespace {
uint32_t pool_alloc(NumberPool* p, size_t header_off) {
    if (!p->runs) {
        uint32_t n = header_get(header_off) + 1;
        header_set(header_off, n);
        return n;
    }
    number_runs_merge(p->runs, &p->count);
    uint32_t n = number_pool_take(p->runs);
    header_raise(header_off, n);
    return n;
}
}  // namespace

uint32_t point_number_alloc() { return pool_alloc(&point_pool, header_highest_point); }
uint32_t element_number_alloc() { return pool_alloc(&element_pool, header_highest_element); }

uint32_t point_number_alloc_unlisted(const uint32_t* listed, int count) {
    NumberPool* p = &point_pool;
    if (!p->runs && !pool_start(p)) return 0;
    if (p->count == 0) p->count = 1;
    number_runs_merge(p->runs, &p->count);
    auto is_listed = [&](uint32_t n) {
        for (int i = 0; i < count; ++i)
            if (listed[i] == n) return true;
        return false;
    };
    uint32_t result = 0;
    for (int i = 0; i < p->count && result == 0; ++i) {
        NumberRun& r = p->runs[i];
        uint32_t c = r.lo < 2 ? r.hi + 1 : r.lo - 1;
        if (is_listed(c)) continue;
        if (c == r.hi + 1) r.hi = c;
        else r.lo = c;
        result = c;
    }
    if (result == 0) {
        uint32_t top = 0;
        for (int i = 0; i < count; ++i)
            if (listed[i] > top) top = listed[i];
        result = top + 1;
        pool_add_run(p, result, result);
    }
    header_raise(header_highest_point, result);
    return result;
}

void point_number_mark_used(uint32_t n) {
    if (n == 0 || !point_pool.runs) return;
    header_raise(header_highest_point, n);
    pool_add_run(&point_pool, n, n);
}

void element_number_mark_used(uint32_t n) {
    NumberPool* p = &element_pool;
    if (n == 0 || !p->runs || pool_holds(p, n)) return;
    bool done = false;
    for (int i = 0; i < p->count && !done; ++i)
        if (p->runs[i].hi == n - 1) {
            p->runs[i].hi = n;
            done = true;
        }
    for (int i = 0; i < p->count && !done; ++i)
        if (p->runs[i].lo == n + 1) {
            p->runs[i].lo = n;
            done = true;
        }
    if (!done) pool_add_run(p, n, n);
    number_runs_merge(p->runs, &p->count);
}

void point_number_release(uint32_t n) {
    if (n == 0 || !point_pool.runs) return;
    number_pool_release(n, &point_pool);
    header_set(header_highest_point, pool_highest(&point_pool));
}

void element_number_release(uint32_t n) {
    if (n == 0 || !element_pool.runs) return;
    number_pool_release(n, &element_pool);
    header_set(header_highest_element, pool_highest(&element_pool));
}

int point_number_is_used(uint32_t n) {
    if (!point_pool.runs) return 0;
    return n == 0 || pool_holds(&point_pool, n) ? 1 : 0;
}

int element_number_is_used(uint32_t n) {
    if (!element_pool.runs) return 0;
    return n == 0 || pool_holds(&element_pool, n) ? 1 : 0;
}

void point_pool_free() { pool_free(&point_pool); }
void element_pool_free() { pool_free(&element_pool); }
