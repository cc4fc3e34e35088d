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

// Reports a block number that points where no page of df can be:
// "%ый номер блока файла" with the path, error_flag 1.
void report_bad_block(DrawingFile* df);
// Forgets every chain hint of df.
void chain_hints_clear(DrawingFile* df);
// Frees every cached page of df without writing it.
void page_cache_discard(DrawingFile* df);
