// Default fillings of the kernel's seams.
#include "geometry/kernel_seams.h"

#include <cstdlib>

namespace {
void* default_alloc(size_t bytes) { return std::malloc(bytes); }
void default_free(void* p) { std::free(p); }
}  // namespace

void* (*kernel_alloc)(size_t) = default_alloc;
void (*kernel_free)(void*) = default_free;
int16_t kernel_error_flag = 0;

void kernel_report_out_of_memory() {
    kernel_report_message(kernel_context().out_of_memory_text);
    kernel_error_flag = 1;
}
