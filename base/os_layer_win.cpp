// Win32 side of the OS layer: the same interface as os_layer_posix.cpp over
// KERNEL32 (ANSI entry points, so paths stay in the program's code page).
#include "base/os_layer.h"

#include <windows.h>

#include <cstring>
#include <string>

struct OsFile {
    HANDLE h;
    std::string path;
};

long (*os_io_fault)(int op, const char* path, uint64_t offset, size_t size) = nullptr;

namespace {
thread_local OsError last_error = os_error_none;

OsError error_of(DWORD e) {
    switch (e) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE:
        return os_error_not_found;
    case ERROR_ACCESS_DENIED: return os_error_access_denied;
    case ERROR_WRITE_PROTECT: return os_error_read_only_medium;
    case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: return os_error_sharing;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return os_error_disk_full;
    default: return os_error_other;
    }
}

int fail_last() {
    last_error = error_of(GetLastError());
    return -1;
}

long fault(int op, const char* path, uint64_t offset, size_t size) {
    if (!os_io_fault) return -1;
    long r = os_io_fault(op, path, offset, size);
    if (r >= 0)
        last_error = op == os_io_write ? os_error_disk_full
                     : r > 0 && r <= os_error_other ? static_cast<OsError>(r)
                                                    : os_error_other;
    return r;
}
}  // namespace

OsError os_last_error() { return last_error; }

const char* os_file_path(const OsFile* f) { return f ? f->path.c_str() : ""; }

OsFile* os_file_open(const char* path, OsOpenMode mode) {
    if (fault(os_io_open, path, static_cast<uint64_t>(mode), 0) >= 0) return nullptr;
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
    case os_open_read: break;
    case os_open_read_write: access |= GENERIC_WRITE; break;
    case os_open_create: access |= GENERIC_WRITE; disposition = CREATE_ALWAYS; break;
    case os_open_create_new: access |= GENERIC_WRITE; disposition = CREATE_NEW; break;
    }
    HANDLE h = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        fail_last();
        return nullptr;
    }
    return new OsFile{h, path};
}

void os_file_close(OsFile* f) {
    if (!f) return;
    CloseHandle(f->h);
    delete f;
}

static OVERLAPPED overlapped_at(uint64_t offset) {
    OVERLAPPED ov;
    std::memset(&ov, 0, sizeof ov);
    ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ov;
}

long os_file_read_at(OsFile* f, uint64_t offset, void* buf, size_t size) {
    if (!f) return -1;
    if (fault(os_io_read, f->path.c_str(), offset, size) >= 0) return -1;
    size_t done = 0;
    while (done < size) {
        OVERLAPPED ov = overlapped_at(offset + done);
        DWORD n = 0;
        if (!ReadFile(f->h, static_cast<char*>(buf) + done, static_cast<DWORD>(size - done), &n, &ov)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return fail_last();
        }
        if (n == 0) break;
        done += n;
    }
    return static_cast<long>(done);
}

int os_file_write_at(OsFile* f, uint64_t offset, const void* buf, size_t size) {
    if (!f) return -1;
    long allowed = fault(os_io_write, f->path.c_str(), offset, size);
    size_t limit = allowed >= 0 && static_cast<size_t>(allowed) < size ? static_cast<size_t>(allowed) : size;
    size_t done = 0;
    while (done < limit) {
        OVERLAPPED ov = overlapped_at(offset + done);
        DWORD n = 0;
        if (!WriteFile(f->h, static_cast<const char*>(buf) + done, static_cast<DWORD>(limit - done), &n, &ov))
            return fail_last();
        if (n == 0) {
            last_error = os_error_disk_full;
            return -1;
        }
        done += n;
    }
    return allowed >= 0 ? -1 : 0;
}

int64_t os_file_size(OsFile* f) {
    LARGE_INTEGER s;
    if (!f || !GetFileSizeEx(f->h, &s)) return -1;
    return static_cast<int64_t>(s.QuadPart);
}

int os_file_truncate(OsFile* f, uint64_t size) {
    if (!f || fault(os_io_truncate, f->path.c_str(), size, 0) >= 0) return -1;
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(f->h, pos, nullptr, FILE_BEGIN)) return fail_last();
    return SetEndOfFile(f->h) ? 0 : fail_last();
}

int os_file_flush(OsFile* f) {
    if (!f || fault(os_io_flush, f->path.c_str(), 0, 0) >= 0) return -1;
    return FlushFileBuffers(f->h) ? 0 : fail_last();
}

int os_file_exists(const char* path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
}

int os_file_delete(const char* path) {
    if (fault(os_io_delete, path, 0, 0) >= 0) return -1;
    return DeleteFileA(path) ? 0 : fail_last();
}

int os_file_rename(const char* from, const char* to) {
    if (fault(os_io_rename, to, 0, 0) >= 0) return -1;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)
               ? 0
               : fail_last();
}

int os_file_copy(const char* from, const char* to) {
    if (fault(os_io_copy, to, 0, 0) >= 0) return -1;
    return CopyFileA(from, to, FALSE) ? 0 : fail_last();
}

// FILETIME counts 100 ns from 1601-01-01; Unix time starts 11644473600 s later.
static int64_t filetime_to_unix(const FILETIME& ft) {
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<int64_t>(u.QuadPart / 10000000ULL) - 11644473600LL;
}

int64_t os_file_mtime(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &d)) return -1;
    return filetime_to_unix(d.ftLastWriteTime);
}

int os_folder_list(const char* folder, const char* pattern,
                   void (*fn)(const char* name, void* context), void* context) {
    std::string spec = folder && *folder ? std::string(folder) : std::string(".");
    if (spec.back() != '\\' && spec.back() != '/') spec += '\\';
    spec += pattern;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(spec.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ++count;
        if (fn) fn(fd.cFileName, context);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return count;
}

size_t os_current_folder(char* buf, size_t size) {
    if (!buf || size == 0) return 0;
    DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(size), buf);
    if (n == 0 || n >= size) return 0;
    return n;
}

int os_set_current_folder(const char* path) {
    return SetCurrentDirectoryA(path) ? 0 : -1;
}

char os_path_separator() { return '\\'; }

int64_t os_time_now() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return filetime_to_unix(ft);
}

int64_t os_local_day_start() {
    SYSTEMTIME lt;
    GetLocalTime(&lt);
    lt.wHour = 0;
    lt.wMinute = 0;
    lt.wSecond = 0;
    lt.wMilliseconds = 0;
    FILETIME local, utc;
    if (!SystemTimeToFileTime(&lt, &local) || !LocalFileTimeToFileTime(&local, &utc)) return 0;
    return filetime_to_unix(utc);
}

uint64_t os_milliseconds() { return static_cast<uint64_t>(GetTickCount()); }

void os_sleep_ms(unsigned ms) { Sleep(ms); }

struct OsLock {
    CRITICAL_SECTION cs;
};

OsLock* os_lock_create() {
    OsLock* l = new OsLock;
    InitializeCriticalSection(&l->cs);
    return l;
}

void os_lock_destroy(OsLock* l) {
    if (!l) return;
    DeleteCriticalSection(&l->cs);
    delete l;
}

void os_lock_enter(OsLock* l) { EnterCriticalSection(&l->cs); }
bool os_lock_try_enter(OsLock* l) { return TryEnterCriticalSection(&l->cs) != 0; }
void os_lock_leave(OsLock* l) { LeaveCriticalSection(&l->cs); }

struct OsEvent {
    HANDLE h;
};

OsEvent* os_event_create(bool signalled) {
    HANDLE h = CreateEventA(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr);
    if (!h) return nullptr;
    return new OsEvent{h};
}

void os_event_destroy(OsEvent* e) {
    if (!e) return;
    CloseHandle(e->h);
    delete e;
}

void os_event_set(OsEvent* e) { SetEvent(e->h); }
void os_event_reset(OsEvent* e) { ResetEvent(e->h); }
void os_event_wait(OsEvent* e) { WaitForSingleObject(e->h, INFINITE); }
bool os_event_wait_ms(OsEvent* e, unsigned ms) {
    return WaitForSingleObject(e->h, ms) == WAIT_OBJECT_0;
}
