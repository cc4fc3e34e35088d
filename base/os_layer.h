// The thin OS layer under the portable core: files with random access, the
// drawing lock, manual-reset events, time and the current folder.  One header,
// two sides: os_layer_win.cpp (Win32) and os_layer_posix.cpp (POSIX).  Paths
// are byte strings in the program's code page (Windows-1251 on Windows).
#pragma once
#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------- files
// An open file; null when none.  Opaque to the callers.
struct OsFile;

enum OsOpenMode {
    os_open_read = 0,        // existing file, read only
    os_open_read_write = 1,  // existing file, read and write
    os_open_create = 2,      // new empty file (an existing one is truncated), read and write
    os_open_create_new = 3   // new file; fails when the file exists
};

OsFile* os_file_open(const char* path, OsOpenMode mode);
void os_file_close(OsFile* f);
// Reads exactly size bytes at offset; returns the bytes read (less at the end
// of the file), or -1 on failure.
long os_file_read_at(OsFile* f, uint64_t offset, void* buf, size_t size);
// Writes all size bytes at offset; returns 0, or -1 when not every byte was written.
int os_file_write_at(OsFile* f, uint64_t offset, const void* buf, size_t size);
// The size in bytes, or -1 on failure.
int64_t os_file_size(OsFile* f);
int os_file_truncate(OsFile* f, uint64_t size);
// Makes everything written to f durable on the disk (fsync, FlushFileBuffers).
int os_file_flush(OsFile* f);
// The path f was opened with.
const char* os_file_path(const OsFile* f);

// Why the last failed file operation of this thread failed.
enum OsError {
    os_error_none = 0,
    os_error_not_found,
    os_error_access_denied,    // no permission, or a read-only file
    os_error_read_only_medium, // the medium or file system is read-only
    os_error_sharing,          // another program holds the file
    os_error_disk_full,
    os_error_other
};
OsError os_last_error();

// Test seam of every file operation: asked first with the operation, the
// file's path (the target of a rename or copy), and the offset and size of a
// read or write (the new size of a truncate, the OsOpenMode of an open).  A negative answer lets the
// operation run; 0 or more makes it fail: a write after storing that many
// bytes of it (a disk that fills up: os_last_error says disk full), any
// other operation with the OsError the answer names (0: os_error_other).
// Null: nothing is failed.
enum OsIoOp {
    os_io_open = 1,
    os_io_read,
    os_io_write,
    os_io_flush,
    os_io_truncate,
    os_io_delete,
    os_io_rename,
    os_io_copy
};
extern long (*os_io_fault)(int op, const char* path, uint64_t offset, size_t size);

// Whole files by path.  Each returns 0 on success, -1 on failure.
int os_file_exists(const char* path);  // 1 when a file (not a folder) is there
int os_file_delete(const char* path);
int os_file_rename(const char* from, const char* to);  // replaces an existing target
int os_file_copy(const char* from, const char* to);    // replaces an existing target
// Last write time in seconds since 1970-01-01 UTC, or -1.
int64_t os_file_mtime(const char* path);
// Calls fn(name, context) for each file of folder whose name matches a pattern
// with '*' and '?' (compared without regard to ASCII case); returns the count.
int os_folder_list(const char* folder, const char* pattern,
                   void (*fn)(const char* name, void* context), void* context);

// ---------------------------------------------------------------- folders
// Copies the current folder into buf (no trailing separator but for a root);
// returns its length, or 0 when it does not fit or fails.
size_t os_current_folder(char* buf, size_t size);
int os_set_current_folder(const char* path);
// The folder separator of this side: '\\' on Windows, '/' on POSIX.
char os_path_separator();

// ---------------------------------------------------------------- time
// Seconds since 1970-01-01 UTC.
int64_t os_time_now();
// The start of the current local day (00:00:00) in seconds since 1970 UTC.
int64_t os_local_day_start();
// A monotonic millisecond counter.
uint64_t os_milliseconds();
void os_sleep_ms(unsigned ms);

// ---------------------------------------------------------------- lock
// A recursive lock: the thread that holds it may enter it again.
struct OsLock;
OsLock* os_lock_create();
void os_lock_destroy(OsLock* l);
void os_lock_enter(OsLock* l);
// Enters the lock when no other thread holds it; false at once otherwise.
bool os_lock_try_enter(OsLock* l);
void os_lock_leave(OsLock* l);

// ---------------------------------------------------------------- events
// Manual-reset events: stay signalled until reset.
struct OsEvent;
OsEvent* os_event_create(bool signalled);
void os_event_destroy(OsEvent* e);
void os_event_set(OsEvent* e);
void os_event_reset(OsEvent* e);
// Waits without time-out until the event is signalled.
void os_event_wait(OsEvent* e);
// Waits at most ms milliseconds; returns true when the event is signalled.
bool os_event_wait_ms(OsEvent* e, unsigned ms);
