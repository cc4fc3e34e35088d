// POSIX side of the OS layer (the native build of the portable core).
#include "base/os_layer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <string>
#include <mutex>
#include <thread>

struct OsFile {
    int fd;
    std::string path;
};

long (*os_io_fault)(int op, const char* path, uint64_t offset, size_t size) = nullptr;

namespace {
thread_local OsError last_error = os_error_none;

OsError error_of(int e) {
    switch (e) {
    case ENOENT: case ENOTDIR: return os_error_not_found;
    case EACCES: case EPERM: return os_error_access_denied;
    case EROFS: return os_error_read_only_medium;
    case ETXTBSY: case EBUSY: return os_error_sharing;
    case ENOSPC: case EDQUOT: case EFBIG: return os_error_disk_full;
    default: return os_error_other;
    }
}

int fail_errno() {
    last_error = error_of(errno);
    return -1;
}

// The test seam: -1 lets the operation run.
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
    int flags = 0;
    switch (mode) {
    case os_open_read: flags = O_RDONLY; break;
    case os_open_read_write: flags = O_RDWR; break;
    case os_open_create: flags = O_RDWR | O_CREAT | O_TRUNC; break;
    case os_open_create_new: flags = O_RDWR | O_CREAT | O_EXCL; break;
    }
    int fd = ::open(path, flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail_errno();
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        last_error = os_error_other;
        return nullptr;
    }
    return new OsFile{fd, path};
}

void os_file_close(OsFile* f) {
    if (!f) return;
    ::close(f->fd);
    delete f;
}

long os_file_read_at(OsFile* f, uint64_t offset, void* buf, size_t size) {
    if (!f) return -1;
    if (fault(os_io_read, f->path.c_str(), offset, size) >= 0) return -1;
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(f->fd, static_cast<char*>(buf) + done, size - done,
                            static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail_errno();
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}

int os_file_write_at(OsFile* f, uint64_t offset, const void* buf, size_t size) {
    if (!f) return -1;
    long allowed = fault(os_io_write, f->path.c_str(), offset, size);
    size_t limit = allowed >= 0 && static_cast<size_t>(allowed) < size ? static_cast<size_t>(allowed) : size;
    size_t done = 0;
    while (done < limit) {
        ssize_t n = ::pwrite(f->fd, static_cast<const char*>(buf) + done, limit - done,
                             static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail_errno();
        }
        if (n == 0) {
            last_error = os_error_disk_full;
            return -1;
        }
        done += static_cast<size_t>(n);
    }
    return allowed >= 0 ? -1 : 0;
}

int64_t os_file_size(OsFile* f) {
    struct stat st;
    if (!f || fstat(f->fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

int os_file_truncate(OsFile* f, uint64_t size) {
    if (!f || fault(os_io_truncate, f->path.c_str(), size, 0) >= 0) return -1;
    return ::ftruncate(f->fd, static_cast<off_t>(size)) == 0 ? 0 : fail_errno();
}

int os_file_flush(OsFile* f) {
    if (!f || fault(os_io_flush, f->path.c_str(), 0, 0) >= 0) return -1;
    return ::fsync(f->fd) == 0 ? 0 : fail_errno();
}

int os_file_exists(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISREG(st.st_mode) ? 1 : 0;
}

int os_file_delete(const char* path) {
    if (fault(os_io_delete, path, 0, 0) >= 0) return -1;
    return ::unlink(path) == 0 ? 0 : fail_errno();
}

int os_file_rename(const char* from, const char* to) {
    if (fault(os_io_rename, to, 0, 0) >= 0) return -1;
    return ::rename(from, to) == 0 ? 0 : fail_errno();
}

int os_file_copy(const char* from, const char* to) {
    if (fault(os_io_copy, to, 0, 0) >= 0) return -1;
    OsFile* in = os_file_open(from, os_open_read);
    if (!in) return -1;
    OsFile* out = os_file_open(to, os_open_create);
    if (!out) {
        os_file_close(in);
        return -1;
    }
    char buf[65536];
    uint64_t pos = 0;
    int rc = 0;
    for (;;) {
        long n = os_file_read_at(in, pos, buf, sizeof buf);
        if (n < 0) { rc = -1; break; }
        if (n == 0) break;
        if (os_file_write_at(out, pos, buf, static_cast<size_t>(n)) != 0) { rc = -1; break; }
        pos += static_cast<uint64_t>(n);
    }
    os_file_close(in);
    os_file_close(out);
    if (rc != 0) ::unlink(to);
    return rc;
}

int64_t os_file_mtime(const char* path) {
    struct stat st;
    if (::stat(path, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_mtime);
}

// '*' and '?' pattern match, ASCII letters compared without case.
static bool name_matches(const char* p, const char* s) {
    auto low = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    const char* star = nullptr;
    const char* retry = nullptr;
    while (*s) {
        if (*p == '*') {
            star = p++;
            retry = s;
        } else if (*p == '?' || (*p && low(*p) == low(*s))) {
            ++p;
            ++s;
        } else if (star) {
            p = star + 1;
            s = ++retry;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == 0;
}

int os_folder_list(const char* folder, const char* pattern,
                   void (*fn)(const char* name, void* context), void* context) {
    DIR* d = ::opendir(folder && *folder ? folder : ".");
    if (!d) return 0;
    int count = 0;
    while (struct dirent* e = ::readdir(d)) {
        if (!name_matches(pattern, e->d_name)) continue;
        std::string full = std::string(folder && *folder ? folder : ".") + "/" + e->d_name;
        if (!os_file_exists(full.c_str())) continue;
        ++count;
        if (fn) fn(e->d_name, context);
    }
    ::closedir(d);
    return count;
}

size_t os_current_folder(char* buf, size_t size) {
    if (!buf || size == 0 || !::getcwd(buf, size)) return 0;
    return std::strlen(buf);
}

int os_set_current_folder(const char* path) {
    return ::chdir(path) == 0 ? 0 : -1;
}

char os_path_separator() { return '/'; }

int64_t os_time_now() { return static_cast<int64_t>(::time(nullptr)); }

int64_t os_local_day_start() {
    time_t now = ::time(nullptr);
    struct tm lt;
    localtime_r(&now, &lt);
    lt.tm_hour = 0;
    lt.tm_min = 0;
    lt.tm_sec = 0;
    lt.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&lt));
}

uint64_t os_milliseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void os_sleep_ms(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct OsLock {
    std::recursive_mutex m;
};

OsLock* os_lock_create() { return new OsLock; }
void os_lock_destroy(OsLock* l) { delete l; }
void os_lock_enter(OsLock* l) { l->m.lock(); }
bool os_lock_try_enter(OsLock* l) { return l->m.try_lock(); }
void os_lock_leave(OsLock* l) { l->m.unlock(); }

struct OsEvent {
    std::mutex m;
    std::condition_variable cv;
    bool signalled;
};

OsEvent* os_event_create(bool signalled) {
    OsEvent* e = new OsEvent;
    e->signalled = signalled;
    return e;
}

void os_event_destroy(OsEvent* e) { delete e; }

void os_event_set(OsEvent* e) {
    std::lock_guard<std::mutex> g(e->m);
    e->signalled = true;
    e->cv.notify_all();
}

void os_event_reset(OsEvent* e) {
    std::lock_guard<std::mutex> g(e->m);
    e->signalled = false;
}

void os_event_wait(OsEvent* e) {
    std::unique_lock<std::mutex> g(e->m);
    e->cv.wait(g, [e] { return e->signalled; });
}

bool os_event_wait_ms(OsEvent* e, unsigned ms) {
    std::unique_lock<std::mutex> g(e->m);
    return e->cv.wait_for(g, std::chrono::milliseconds(ms), [e] { return e->signalled; });
}
