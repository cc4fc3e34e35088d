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

KernelStore kernel_store = {nullptr, nullptr, nullptr, nullptr, nullptr};
KernelLock kernel_lock = {nullptr, nullptr, nullptr};

DocumentLockGuard::DocumentLockGuard() {
    // Taking the lock from inside painting would wait for ever.
    assert(!(kernel_lock.painting && kernel_lock.painting()));
    if (kernel_lock.acquire) kernel_lock.acquire();
}

DocumentLockGuard::~DocumentLockGuard() {
    if (kernel_lock.release) kernel_lock.release();
}

static int own_contour_pieces_active = 0;
int* kernel_contour_pieces_active = &own_contour_pieces_active;
