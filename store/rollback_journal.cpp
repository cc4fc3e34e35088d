// The rollback journal of a drawing file: the pages of the last saved state
// that were overwritten since, kept in a side file "<path>-journal", so that
// a stop of the process or a full disk never leaves the drawing between two
// states (the design is described in store/drawing_file.h).
//
// Journal file:
//   header, 32 bytes: "SVTJRNL1", u32 nonce at 8, u32 page size (2048) at
//   12, u64 length of the saved state at 16, u32 0 at 24, u32 checksum of
//   bytes 0-27 at 28;
//   then records of 2060 bytes: u64 file offset of the page, the 2048 bytes
//   the page had in the saved state, u32 checksum of nonce, offset and page.
// A journal of less than a whole header, or with a wrong header, has no
// pages: nothing was overwritten under it.
#include "store/drawing_file.h"
#include "store/page_io.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <vector>

struct RollbackJournal {
    OsFile* file = nullptr;     // opened at the first page
    uint32_t nonce = 0;
    uint64_t length = 0;        // bytes of the journal that count (0: no header yet)
    std::set<uint64_t> pages;   // offsets of the pages it holds
    // The last save wrote and flushed the drawing but could not empty the
    // journal: the journal still describes the state before; the drawing
    // holds the state of that save (pending_length long).  No page below
    // pending_length is written until the journal is emptied.
    bool stale = false;
    uint64_t pending_length = 0;
};

namespace {

const char journal_magic[8] = {'S', 'V', 'T', 'J', 'R', 'N', 'L', '1'};
const size_t journal_header_size = 32;
const size_t journal_record_size = 8 + page_size + 4;

uint32_t checksum(uint32_t seed, const unsigned char* p, size_t n) {
    uint32_t h = 2166136261u ^ seed;
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

uint32_t new_nonce() {
    static uint32_t counter = 0;
    return static_cast<uint32_t>(os_milliseconds() * 2654435761u) ^ (++counter * 40503u) ^
           static_cast<uint32_t>(os_time_now());
}

std::string journal_path(const char* path) { return std::string(path ? path : "") + "-journal"; }

RollbackJournal* state(DrawingFile* df) {
    if (!df->journal) df->journal = new (std::nothrow) RollbackJournal;
    return df->journal;
}

// Empties the journal file on the disk (truncated and flushed).
int journal_empty(RollbackJournal* j) {
    if (j->file && (os_file_truncate(j->file, 0) != 0 || os_file_flush(j->file) != 0)) return -1;
    j->length = 0;
    j->pages.clear();
    return 0;
}

// A journal left stale by a save: emptied now, the drawing's state of that
// save becomes the saved state.
int settle_stale(DrawingFile* df, RollbackJournal* j) {
    if (!j->stale) return 0;
    if (journal_empty(j) != 0) return -1;
    j->stale = false;
    df->saved_length = j->pending_length;
    return 0;
}

}  // namespace

void drawing_journal_name(const char* path, char* out, size_t out_size) {
    if (!out || out_size == 0) return;
    std::snprintf(out, out_size, "%s", journal_path(path).c_str());
}

void journal_begin(DrawingFile* df) {
    if (!df) return;
    if (df->journal) {
        if (df->journal->file) os_file_close(df->journal->file);
        delete df->journal;
        df->journal = nullptr;
    }
    df->saved_length = df->file_length;
}

int journal_pages(DrawingFile* df, const uint64_t* offsets, size_t count) {
    if (!df || !df->file) return -1;
    RollbackJournal* j = df->journal;
    uint64_t guarded = df->saved_length;
    if (j && j->stale) {
        bool touches = false;
        for (size_t i = 0; i < count; ++i) touches = touches || offsets[i] < j->pending_length;
        if (!touches) return 0;
        if (settle_stale(df, j) != 0) return -1;
        guarded = df->saved_length;
    }
    std::vector<uint64_t> need;
    for (size_t i = 0; i < count; ++i) {
        uint64_t off = offsets[i] & ~static_cast<uint64_t>(page_offset_mask);
        if (off >= guarded) continue;
        if (j && j->pages.count(off)) continue;
        bool dup = false;
        for (uint64_t n : need) dup = dup || n == off;
        if (!dup) need.push_back(off);
    }
    if (need.empty()) return 0;
    j = state(df);
    if (!j) return -1;
    if (!j->file) {
        j->file = os_file_open(journal_path(df->path).c_str(), os_open_create);
        if (!j->file) return -1;
        j->length = 0;
    }
    std::vector<unsigned char> out;
    out.reserve(journal_header_size + need.size() * journal_record_size);
    uint64_t at = j->length;
    if (at == 0) {
        j->nonce = new_nonce();
        unsigned char h[journal_header_size] = {0};
        std::memcpy(h, journal_magic, 8);
        put_u32(h, 8, j->nonce);
        put_u32(h, 12, page_size);
        put_u32(h, 16, static_cast<uint32_t>(df->saved_length & 0xFFFFFFFFu));
        put_u32(h, 20, static_cast<uint32_t>(df->saved_length >> 32));
        put_u32(h, 28, checksum(0, h, 28));
        out.insert(out.end(), h, h + journal_header_size);
    }
    for (uint64_t off : need) {
        size_t r = out.size();
        out.resize(r + journal_record_size);
        unsigned char* rec = out.data() + r;
        put_u32(rec, 0, static_cast<uint32_t>(off & 0xFFFFFFFFu));
        put_u32(rec, 4, static_cast<uint32_t>(off >> 32));
        if (os_file_read_at(df->file, off, rec + 8, page_size) != static_cast<long>(page_size)) return -1;
        put_u32(rec, 8 + page_size, checksum(j->nonce, rec, 8 + page_size));
    }
    if (os_file_write_at(j->file, at, out.data(), out.size()) != 0) return -1;
    if (os_file_flush(j->file) != 0) return -1;
    j->length = at + out.size();
    for (uint64_t off : need) j->pages.insert(off);
    return 0;
}

int journal_before_write(DrawingFile* df, uint64_t offset, size_t size) {
    if (!df || size == 0) return 0;
    uint64_t limit = df->saved_length;
    if (df->journal && df->journal->stale && df->journal->pending_length > limit)
        limit = df->journal->pending_length;
    if (offset >= limit) return 0;
    std::vector<uint64_t> pages;
    uint64_t end = offset + size;
    for (uint64_t p = offset & ~static_cast<uint64_t>(page_offset_mask); p < end && p < limit; p += page_size)
        pages.push_back(p);
    return journal_pages(df, pages.data(), pages.size());
}

int journal_commit(DrawingFile* df) {
    if (!df || !df->file) return -1;
    if (os_file_flush(df->file) != 0) return -1;
    RollbackJournal* j = df->journal;
    if (j && (j->length > 0 || j->stale)) {
        if (journal_empty(j) != 0) {
            j->stale = true;
            j->pending_length = df->file_length;
            return -1;
        }
        j->stale = false;
    }
    if (j) j->pages.clear();
    df->saved_length = df->file_length;
    return 0;
}

void journal_drop(DrawingFile* df) {
    if (!df || !df->journal) return;
    if (df->journal->file) os_file_close(df->journal->file);
    delete df->journal;
    df->journal = nullptr;
}

void journal_end(DrawingFile* df, bool committed) {
    if (!df) return;
    uint64_t saved = df->saved_length;
    if (df->journal) {
        if (df->journal->file) os_file_close(df->journal->file);
        delete df->journal;
        df->journal = nullptr;
    }
    std::string name = journal_path(df->path);
    if (committed) {
        if (os_file_exists(name.c_str()) == 1) os_file_delete(name.c_str());
        return;
    }
    // Closed without a save: the saved state is put back.
    if (drawing_journal_recover(df->path) == 0 && df->file_length > saved) {
        OsFile* f = os_file_open(df->path, os_open_read_write);
        if (f) {
            os_file_truncate(f, saved);
            os_file_close(f);
        }
    }
}

int drawing_journal_recover(const char* path) {
    if (!path) return 0;
    std::string name = journal_path(path);
    if (os_file_exists(name.c_str()) != 1) return 0;
    OsFile* j = os_file_open(name.c_str(), os_open_read);
    if (!j) return -1;
    int64_t size = os_file_size(j);
    unsigned char h[journal_header_size];
    bool valid = size >= static_cast<int64_t>(journal_header_size) &&
                 os_file_read_at(j, 0, h, sizeof h) == static_cast<long>(sizeof h) &&
                 std::memcmp(h, journal_magic, 8) == 0 && get_u32(h, 12) == page_size &&
                 get_u32(h, 28) == checksum(0, h, 28);
    if (!valid || size < static_cast<int64_t>(journal_header_size + journal_record_size)) {
        // No page was ever overwritten under this journal.
        os_file_close(j);
        os_file_delete(name.c_str());
        return 0;
    }
    uint32_t nonce = get_u32(h, 8);
    uint64_t saved = get_u32(h, 16) | static_cast<uint64_t>(get_u32(h, 20)) << 32;
    OsFile* d = os_file_open(path, os_open_read_write);
    if (!d) {
        os_file_close(j);
        return -1;
    }
    int rc = 0;
    std::vector<unsigned char> rec(journal_record_size);
    for (uint64_t at = journal_header_size; at + journal_record_size <= static_cast<uint64_t>(size);
         at += journal_record_size) {
        if (os_file_read_at(j, at, rec.data(), rec.size()) != static_cast<long>(rec.size())) {
            rc = -1;
            break;
        }
        uint64_t off = get_u32(rec.data(), 0) | static_cast<uint64_t>(get_u32(rec.data(), 4)) << 32;
        // A record torn by a stop in mid-append ends the journal: the page
        // behind it was never written.
        if (get_u32(rec.data(), 8 + page_size) != checksum(nonce, rec.data(), 8 + page_size) ||
            (off & page_offset_mask) != 0 || off >= saved)
            break;
        if (os_file_write_at(d, off, rec.data() + 8, page_size) != 0) {
            rc = -1;
            break;
        }
    }
    int64_t dsize = rc == 0 ? os_file_size(d) : -1;
    if (rc == 0 && (dsize < 0 || (static_cast<uint64_t>(dsize) > saved && os_file_truncate(d, saved) != 0)))
        rc = -1;
    if (rc == 0 && os_file_flush(d) != 0) rc = -1;
    os_file_close(d);
    os_file_close(j);
    if (rc != 0) return -1;
    if (os_file_delete(name.c_str()) != 0) {
        // A journal that cannot go is emptied: it then holds no page.
        OsFile* e = os_file_open(name.c_str(), os_open_read_write);
        bool emptied = e && os_file_truncate(e, 0) == 0 && os_file_flush(e) == 0;
        if (e) os_file_close(e);
        if (!emptied) return -1;
    }
    return 1;
}

bool drawing_journal_pending(const char* path) {
    std::string name = journal_path(path);
    OsFile* j = os_file_open(name.c_str(), os_open_read);
    if (!j) return false;
    int64_t size = os_file_size(j);
    os_file_close(j);
    return size >= static_cast<int64_t>(journal_header_size + journal_record_size);
}
