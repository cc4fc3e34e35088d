// Reader of the program's packed archive format, working from memory.
//
// The format is the ARJ archive layout with its own header marker 0xCA 0xF4:
// a main header, member headers each followed by the member's packed bytes,
// and an end marker (a header of size 0).  Members are stored (method 0),
// LZ77 with static Huffman codes (methods 1 to 3) or LZ77 with unary-coded
// lengths and positions (method 4); every member header and every member's
// unpacked bytes carry a CRC-32.
#pragma once
#include <cstddef>
#include <cstdint>

// Unpacks the archive held in memory at packed (size bytes).  Each member's
// unpacked bytes are copied to the start of dest when they fit in capacity.
// A text member (file type 1) has bit 7 of each byte cleared on output; its
// CRC covers the bytes as unpacked, before the clearing, as the archiver
// computed it from the original file.
// Returns 0 on success, 1 on failure, -1 when the last member header says the
// member continues in the next volume.  Failures are also left in error_flag
// (base/program_messages.h): 2 after a message was shown, 1 for a refused
// member (its message shown as well) or a member larger than capacity (no
// message; dest is left untouched).
int unpack_from_memory(const void* packed, size_t size, void* dest, size_t capacity);

// CRC-32 of the archive format (reflected polynomial 0xEDB88320, initial
// register 0xFFFFFFFF, stored as the complement of the final register).
uint32_t archive_crc32(const void* data, size_t size);

// The window of the LZ77 methods, in bytes.
constexpr size_t archive_window_size = 26624;

// The reader's allocator (malloc, realloc and free by default): the output
// buffer and the window are taken from it.
extern void* (*archive_allocate)(size_t size);
extern void* (*archive_reallocate)(void* block, size_t size);
extern void (*archive_release)(void* block);
