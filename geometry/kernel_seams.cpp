// Default fillings of the kernel's seams.
#include "geometry/kernel_seams.h"

#include "base/os_layer.h"

#include <cassert>
#include <cstdlib>

namespace {
void* default_alloc(size_t bytes) { return std::malloc(bytes); }
void default_free(void* p) { std::free(p); }
size_t no_folder(char* out, size_t size) {
    if (size) out[0] = 0;
    return 0;
}
uint32_t no_long_record(const uint8_t*, uint32_t) { return 0; }
uint8_t* no_next(uint8_t*, int, const uint8_t*, uint32_t* ref) {
    if (ref) *ref = 0;
    return nullptr;
}
uint32_t no_add(uint8_t*, int, const uint8_t*) { return 0; }
void no_remove(uint8_t*, int, uint32_t) {}
void no_change(int, const uint8_t*) {}
uint8_t* no_element(uint8_t*, const uint8_t*, uint32_t) { return nullptr; }
void no_lock() {}
bool not_painting() { return false; }
}  // namespace

void* (*kernel_alloc)(size_t) = default_alloc;
void (*kernel_free)(void*) = default_free;
static int16_t own_error_flag = 0;
int16_t* kernel_error_flag = &own_error_flag;

void kernel_report_out_of_memory() {
    kernel_report_message(kernel_context().out_of_memory_text);
    *kernel_error_flag = 1;
}

int (*kernel_text_pack)(int, const char*, uint16_t*, int, int) = nullptr;
int (*kernel_text_unpack)(int, const uint16_t*, char*, int, int) = nullptr;
size_t (*kernel_photolib_folder)(char*, size_t) = no_folder;
size_t (*kernel_drawing_path)(char*, size_t) = no_folder;
size_t (*kernel_current_folder)(char*, size_t) = os_current_folder;
uint32_t (*kernel_store_long_record)(const uint8_t*, uint32_t) = no_long_record;

const KernelStore kernel_store_unbound = {no_next, no_add, no_remove, no_change, no_element};
KernelStore kernel_store = kernel_store_unbound;
const KernelLock kernel_lock_unbound = {no_lock, no_lock, not_painting};
KernelLock kernel_lock = kernel_lock_unbound;

DocumentLockGuard::DocumentLockGuard() {
    // Taking the lock from inside painting would wait for ever.
    assert(!kernel_lock.painting());
    kernel_lock.acquire();
}

DocumentLockGuard::~DocumentLockGuard() { kernel_lock.release(); }

static int own_contour_pieces_active = 0;
int* kernel_contour_pieces_active = &own_contour_pieces_active;
