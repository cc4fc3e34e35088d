// The paged drawing file: a drawing is one random-access file of 2048-byte
// pages edited in place.  This is the page engine beneath every record
// operation: the handle of an open drawing file, the thirteen static page
// buffers through which all pages are seen, loading and writing back pages,
// the in-memory page cache, the free-page lists kept inside the file, and
// blobs (variable-length data stored as runs of contiguous pages).
//
// Contract of `page_load` with a null reference: it writes the buffer's page
// back and releases the buffer (the first 12 bytes of its data are zeroed, it
// holds page 0 and has no owner).  A record pointer into that buffer is then
// no longer valid; callers reload the record through its RecordRef.
//
// All page I/O enters the drawing lock itself (it nests inside callers that
// hold it) and keeps the file-I/O event reset while it runs.
//
// Durability.  The file format has no room for a log, so a side file beside
// the drawing, "<path>-journal", holds a rollback journal:
//  - The last saved state S is the file as it stood after the last completed
//    save (or close, or the open, or the creation of a new file): its length
//    is the journal's base.
//  - Before any byte of a page that lies inside S is overwritten for the
//    first time since S, the page's S content is appended to the journal and
//    the journal is flushed to the disk.  Pages beyond S's length are simply
//    appended to the drawing; they need no journal.
//  - Between saves, pages that lie inside S stay in the page cache, so the
//    journal mostly grows during a save only (and by the header page at
//    open, where the drawing is marked open).
//  - A save writes every changed page and the header, flushes the drawing
//    file to the disk, and only then empties the journal (truncated to 0 and
//    flushed): that is the moment the new state becomes S.  A close does
//    the same and then deletes the journal.
//  - Opening a drawing whose journal holds pages (a stop of the process, a
//    full disk or a failed write left it) first puts those pages back,
//    cuts the file to S's length and flushes it, and then deletes the
//    journal: the drawing opens as S.  A record torn by a stop in mid-append
//    ends the journal (checksums tell), since the drawing page behind it was
//    never written.
//  - A write that fails while the disk is full does not lose the page: a
//    page switch keeps it in the page cache (memory) and the next save
//    writes it; only a save or a close reports the failure, and the journal
//    keeps S recoverable meanwhile.
// So a stop or a full disk at any moment loses at most the work since the
// last completed save.
//
// States of a drawing file, and what moves it from one to the next:
//  - closed: a handle without a file (drawing_file_new; drawing_file_close
//    after a close that wrote everything).  file null, flag open clear.
//  - open: drawing_file_open; flag open set, file, header and path present.
//    An open drawing is clean or dirty:
//  - clean: nothing changed since the last saved state (open, save, close);
//    the journal is absent.
//  - dirty: a page inside the saved state was overwritten (the page engine
//    journals it first) or pages were appended; drawing_file_save makes it
//    clean again.  A drawing open for viewing only (flag read-only) is never
//    dirty: nothing is written to it.
//  - failed: report_document_failure set header_opt_failed; the next
//    internal-error message closes everything (drawing_failed_open).
//  - unusable: a damaged page was met (file_unusable, base/program_messages.h);
//    the next message closes everything.
//  - closing: drawing_file_close writes the buffers, the cache and the
//    header, then ends the journal.  A close that failed (error_flag 4)
//    leaves the drawing open and dirty, its journal kept, to be tried again.
// drawing_file_state_fault checks these rules for one handle.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/os_layer.h"

// A place in a drawing: page address (a multiple of 2048) in the high bits,
// offset inside the page in the low 11 bits.  0 means none.
typedef uint32_t RecordRef;

enum : uint32_t {
    page_size = 2048,
    page_offset_mask = 0x7FF,
    page_address_mask = ~static_cast<uint32_t>(0x7FF)
};

// DrawingFile.flags
enum : uint8_t {
    drawing_flag_open = 0x01,
    drawing_flag_mode_mask = 0x06,  // bits 1-2: the open mode below
    drawing_flag_unnamed = 0x08,
    drawing_flag_read_only = 0x10
};
enum : uint8_t {
    drawing_mode_create_new = 1,
    drawing_mode_open_existing = 2,
    drawing_mode_replace = 3
};

struct PageCache;  // the cached pages of one drawing (page_file.cpp)
struct RollbackJournal;  // the journal of the pages overwritten since the last save

// What the store remembers about one record chain between calls, so that
// appending to a long chain does not walk it from the head every time.
// Forgotten whenever a page of the drawing is freed or a record deleted.
struct ChainHint {
    RecordRef head;           // the chain (its head reference); 0 = unused slot
    uint32_t last_page;       // the chain's last page, or 0 when not known
    uint32_t fit_page;        // first page that may have room, or 0
    uint16_t room_before;     // the most room any page before fit_page has
};

struct DrawingFile {
    OsFile* file;                  // the drawing file
    OsFile* library_file;          // the fragment library it continues, or null
    unsigned char* header;         // the header page, 2048 bytes
    RecordRef free_list_head;      // first free-list page (mirror of header dword 8)
    uint32_t end_address;          // highest page known to exist
    int32_t alloc_end;             // last page handed out
    PageCache* cache;              // cached pages
    int cache_enabled;
    uint32_t path_length;
    char* path;                    // full path of the file
    uint32_t library_path_length;  // 260
    char* library_path;            // path of the library file; "" = none
    uint8_t flags;                 // drawing_flag_*
    // Kept beside the fields above:
    uint64_t file_length;          // real length of the drawing file in bytes
    uint64_t library_file_length;  // length of the library file
    int opened_unclosed;           // the header said "drawing open" at open: not closed normally
    ChainHint chain_hints[8];
    unsigned chain_hint_next;
    RollbackJournal* journal;      // null while no page was overwritten since the last save
    uint64_t saved_length;         // file length of the last saved state
    int read_only_fallback;        // opened for viewing: the file or medium cannot be written
};

// One of the thirteen static page buffers.
struct PageBuffer {
    unsigned char* data;          // 2048 bytes
    RecordRef page;               // page held (0 = none)
    uint32_t word;                // travels with the page into and out of the cache
    int clean;                    // non-zero: not changed, not written back
    DrawingFile* owner;
    unsigned char* front_guard;   // the byte right before data
    unsigned char* back_guard;    // the byte right after data
};

// Buffer 0 serves the free-list pages, buffers 1-12 the record tables.
extern PageBuffer page_buffers[13];

// The open drawings (two slots) and the index of the current one.
extern DrawingFile* open_drawings[2];
extern int current_drawing;
// The current drawing's handle, or null (also when current_drawing names no
// slot).  Every reader of the current drawing goes through this.
DrawingFile* current_drawing_file();

// The drawing lock and the events of the store; created by `store_init`.
extern OsLock* drawing_critical_section;
extern OsEvent* paint_event;    // reset by a projection window while it paints
extern OsEvent* file_io_event;  // reset while page I/O of a drawing file runs

// Set while an operation changes the drawing: projection windows neither
// paint their contents nor take mouse input while it is set.
extern volatile int busy_flag;

// Creates the lock and the events (signalled) unless start-up made them,
// sets up the page buffers with their guards (0xCC) and fills the kernel's
// store seams.  Returns 0, or -1 when an object cannot be made.  Start-up
// calls it, then page_buffers_init_defaults (records.h) once the settings
// block is unpacked; the first drawing_file_new does both when start-up has
// not.
int store_init();

// The document lock, the one pair every routine that changes the open
// drawings as a whole takes (undo, redo, shut-down, the kernel's walks):
// acquire saves the busy flag (at the thread's outermost hold) and sets it,
// waits until no window paints (at most ten seconds; the paint event stays
// reset while a window paints) and then enters the drawing critical section,
// which a thread may enter again; release leaves it and, at the outermost
// hold, puts the saved busy flag back.  Never taken while the calling thread
// paints.
void document_lock_acquire();
void document_lock_release();
// The same hold as document_lock_acquire when it can be had at once (no
// window paints and no other thread holds the critical section); false,
// holding nothing, otherwise.  For a worker that must not wait on a thread
// that waits for it.
bool document_lock_try_acquire();

// Test seam: called before every read (write = 0) and write (write = 1) of a
// drawing file; a non-zero answer makes that operation fail.
extern int (*drawing_io_fault)(int write, uint64_t offset, size_t size);

// ---------------------------------------------------------------- pages
uint16_t page_load(DrawingFile* df, RecordRef* ref, PageBuffer* buf);
int page_cache_put(RecordRef page, DrawingFile* df, PageBuffer* buf);
int page_cache_get(RecordRef page, DrawingFile* df, PageBuffer* buf);
void page_cache_flush(DrawingFile* df);
// Number of pages held in df's cache (diagnostics and tests).
size_t page_cache_count(const DrawingFile* df);
void page_positions_save();
void page_positions_restore();

// ---------------------------------------------------------------- free pages
RecordRef page_alloc(DrawingFile* df);
RecordRef pages_alloc(DrawingFile* df, uint32_t n);
void page_free(DrawingFile* df, RecordRef* page);
void page_chain_free(DrawingFile* df, RecordRef* head, PageBuffer* buf);

// ---------------------------------------------------------------- blobs
RecordRef blob_write(DrawingFile* df, uint32_t length, const void* data);
uint32_t blob_read(DrawingFile* df, RecordRef* ref, void* dest);
int blob_free(DrawingFile* df, RecordRef* ref);

// ---------------------------------------------------------------- failures
// A drawing whose structure was found damaged is marked as failed
// (header_opt_failed of the header options).
// Marks the document as failed, shows "$в структуре данных" and sets
// `error_flag` to 1.
int report_document_failure(DrawingFile* document);
// True when a drawing in one of the slots is open and marked as failed.
bool drawing_failed_open();

// The first rule of the states above that df breaks, or null when it keeps
// them all (tests call it after every kind of step).
const char* drawing_file_state_fault(const DrawingFile* df);

// ---------------------------------------------------------------- handles
DrawingFile* drawing_file_new(const char* name);
// Frees a closed handle; a handle that is still open (its close failed) is
// kept, and -1 is returned, so that no page buffer is left with a freed owner.
// When the first drawing slot is then empty, number_pools_reset runs.
int drawing_file_free(DrawingFile* df);
// Set by the number pools: resets them when no drawing is left in slot 0.
extern void (*number_pools_reset)();
void drawing_file_write_header(DrawingFile* df);
void drawing_file_close(DrawingFile* df);
// Saves df in place: the cache written out, every buffer's page written back
// and loaded again, the header written.
void drawing_file_save(DrawingFile* df);
void drawing_file_set_mode(DrawingFile* df, uint8_t mode);

// Resolves name against the current folder into out; returns the length, or 0
// when it does not fit or has no file part.
size_t store_full_path(const char* name, char* out, size_t out_size);

// Drops every copy of the page held in a buffer or the cache of df, without
// writing it (the page is freed or has been written directly).
void page_forget(DrawingFile* df, RecordRef page);

// ---------------------------------------------------------------- journal
// The journal side file of a drawing path: path + "-journal".
void drawing_journal_name(const char* path, char* out, size_t out_size);
// Puts a drawing back to its last saved state when a journal is left beside
// it.  Returns 0 when there was nothing to do, 1 when pages were put back,
// -1 when it could not be done (the drawing and its journal stay as they are).
int drawing_journal_recover(const char* path);
// Whether the drawing file at path has a journal beside it that holds pages.
bool drawing_journal_pending(const char* path);
