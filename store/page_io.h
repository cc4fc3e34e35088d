// Helpers shared by the page engine's files: I/O brackets (drawing lock and
// file-I/O event), address mapping and raw page reads and writes.
#pragma once
#include "store/drawing_file.h"
#include "base/byte_order.h"

inline uint32_t header_u32(const DrawingFile* df, size_t off) {
    return get_u32(df->header, off);
}

// Enters the drawing lock; the outermost bracket of a thread also waits for
// the file-I/O event and resets it.  page_io_end undoes it.
void page_io_begin();
void page_io_end();

// Where the page address lies: in the drawing file or the library file, at
// which byte offset.
struct PagePlace {
    OsFile* file;
    uint64_t offset;
    bool library;
};
PagePlace page_place(const DrawingFile* df, uint32_t address);

// Highest page address that may be handed out or read in df.
uint32_t page_last_valid(const DrawingFile* df);
// True for a page address that can belong to df: aligned, not the header,
// not above the last page.
bool page_address_valid(const DrawingFile* df, uint32_t address);

// Raw I/O on the drawing file, through the fault seam.  Writes past the end
// fill the gap with zeros first and keep df->file_length current.
int page_file_write(DrawingFile* df, uint64_t offset, const void* data, size_t size);
int page_file_read(DrawingFile* df, OsFile* f, uint64_t offset, void* data, size_t size);
// Cuts df's file back to length after a failed write that added to it.
void file_cut_back(DrawingFile* df, uint64_t length);
// True when a page written at offset would lie more than 14 pages beyond the
// end of the file: a damaged reference, reported and not written.
bool page_write_too_far(const DrawingFile* df, uint64_t offset);
// Keeps the buffer's page in df's cache whatever its place (a write-back
// that failed); 1 when kept.
int page_cache_keep(RecordRef page, DrawingFile* df, PageBuffer* buf);

// Reports a block number that points where no page of df can be:
// "%ый номер блока файла" with the path, error_flag 1.
void report_bad_block(DrawingFile* df);
// Forgets every chain hint of df.
void chain_hints_clear(DrawingFile* df);
// Frees every cached page of df without writing it.
void page_cache_discard(DrawingFile* df);

// ---------------------------------------------------------------- journal
// A new saved state: the file as it is now (at open or creation).
void journal_begin(DrawingFile* df);
// Before the file bytes [offset, offset + size) are written: every page among
// them that lies inside the saved state and is not yet in the journal goes
// there first.  0, or -1 when the journal could not be written (the write
// must then not happen).
int journal_before_write(DrawingFile* df, uint64_t offset, size_t size);
// The same for a list of page offsets (one flush of the journal for all).
int journal_pages(DrawingFile* df, const uint64_t* offsets, size_t count);
// Ends a save: flushes the drawing file to the disk, then empties the
// journal; the file is now the saved state.  0, or -1 (the journal then
// still describes the previous saved state).
int journal_commit(DrawingFile* df);
// At close: closes the journal; deletes its file when remove_file (after a
// commit).  Without remove_file the journal's pages are put back.
void journal_end(DrawingFile* df, bool committed);
// Lets the journal state of df go without touching any file.
void journal_drop(DrawingFile* df);
