// Seams between the kernel and the subsystems above it: memory, failure
// reporting, the record store, the document lock and the measurers of
// symbols, leader marks and texts.  The program fills them at start-up;
// tests fill them with fakes.  What each is bound to in the program:
//  - kernel_error_flag: the store's error_flag;
//  - kernel_text_pack / kernel_text_unpack: text_pack_words /
//    text_unpack_words of the text codec;
//  - kernel_photolib_folder, kernel_drawing_path: the user setting
//    "Photolib" and the current drawing's file path;
//  - kernel_store_long_record: a blob write into the current drawing;
//  - kernel_store: record_next / record_add (record_put with its chunking
//    of long curve records) / record_delete on the chain head stored at
//    `projection + chain`, through that chain's page buffer; `changed`
//    clears the buffer's clean flag; find_element is element_find_by_key;
//  - kernel_lock: the document lock (busy flag, paint-event wait, critical
//    section) and whether the calling thread is painting;
//  - kernel_contour_pieces_active: the store's temporary element source flag;
//  - kernel_measurers, kernel_projection_window, kernel_current_stage
//    (extents.h): the symbol, leader-mark and text measurers, the open
//    window of a projection and the design stage.
#pragma once
#include "geometry/geom_types.h"
#include "geometry/kernel_angles.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------- memory
// Allocations of the kernel go through these, so that tests can make them
// fail.  Defaults: malloc / free.
extern void* (*kernel_alloc)(size_t bytes);
extern void (*kernel_free)(void* p);
// Reports an allocation failure: the out-of-memory text of the settings
// block through the message sink, error flag 1.
void kernel_report_out_of_memory();

// ---------------------------------------------------------------- failures
// The program's error flag (0 ok, 1 error, 2 already reported, ...); the
// program points this at the store's flag.
extern int16_t* kernel_error_flag;

// ---------------------------------------------------------------- texts and folders
// The text codec of stored texts (same contract as the store's
// text_pack_words / text_unpack_words).  Null: texts are stored as nothing.
extern int (*kernel_text_pack)(int length, const char* text, uint16_t* dst, int max_words, int mode);
extern int (*kernel_text_unpack)(int packed_bytes, const uint16_t* src, char* dst, int dst_len, int mode);
// The sketch-library folder of the user settings ("Photolib"), empty when
// unset; returns its length.
extern size_t (*kernel_photolib_folder)(char* out, size_t size);
// The file path of the current drawing, empty when none; returns its length.
extern size_t (*kernel_drawing_path)(char* out, size_t size);
// The process's current folder; returns its length (0 on failure).
extern size_t (*kernel_current_folder)(char* out, size_t size);
// Stores a long record (a blob) in the current drawing; returns its
// reference, 0 on failure.
extern uint32_t (*kernel_store_long_record)(const uint8_t* data, uint32_t length);

// ---------------------------------------------------------------- record store
// The chains of a ProjectionRecord, by the offset of their head in it.
enum ProjectionChain : int {
    chain_annotation = 10,
    chain_dimensions = 14,
    chain_elements = 18,
    chain_contours = 22,
    chain_points = 30,
};

// The record primitives the kernel walks and changes chains with.  Record
// pointers are valid until the next call through the same chain; callers
// copy what they keep.  Every member is set: kernel_store_unbound, the
// value before the store binds itself, stands for an absent store (walks find
// nothing, adds fail, changes go nowhere).
struct KernelStore {
    // The record after prev in the projection's chain (the first for prev
    // null), or null at the end; *ref receives its reference when ref is given.
    uint8_t* (*next)(uint8_t* projection, int chain, const uint8_t* prev, uint32_t* ref);
    // Adds a record (its u16 length word gives its size; a curve record
    // longer than a page is stored as chunks).  Returns its reference, 0 on
    // failure.
    uint32_t (*add)(uint8_t* projection, int chain, const uint8_t* record);
    // Deletes the record at ref from the chain.
    void (*remove)(uint8_t* projection, int chain, uint32_t ref);
    // A record changed in place: its page must be written back.
    void (*changed)(int chain, const uint8_t* record);
    // The element with that number after prev (the first for prev null).
    uint8_t* (*find_element)(uint8_t* projection, const uint8_t* prev, uint32_t key);
};
extern KernelStore kernel_store;
extern const KernelStore kernel_store_unbound;

// The document lock (paint-event wait, critical section): the store's
// document_lock_acquire / document_lock_release pair.  The
// routines that take it themselves must not be called while painting: the
// paint event stays reset while a window paints, so the wait would never end.
struct KernelLock {
    void (*acquire)();
    void (*release)();
    // True while the calling thread paints a window.
    bool (*painting)();
};
extern KernelLock kernel_lock;
// No lock and no painting: the value before the store binds the lock.
extern const KernelLock kernel_lock_unbound;

// Takes the lock for the life of the guard.
struct DocumentLockGuard {
    DocumentLockGuard();
    ~DocumentLockGuard();
    DocumentLockGuard(const DocumentLockGuard&) = delete;
    DocumentLockGuard& operator=(const DocumentLockGuard&) = delete;
};

// While raised, element look-ups answer from the contour code's own piece
// list (the store's temporary element source).  The program points this at
// the store's flag.
extern int* kernel_contour_pieces_active;
