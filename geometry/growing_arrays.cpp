// Growing arrays of points, scan hits and pointers.
#include "geometry/growing_arrays.h"

#include "geometry/kernel_seams.h"

#include <cstring>

namespace {

// Makes room for n more items of `size` bytes; false (reported, array
// unchanged) when the block cannot be had or the count would overflow.
bool grow(void** items, size_t used, size_t* capacity, size_t n, size_t size) {
    if (used + n <= *capacity) return true;
    size_t step = n > 16 ? n : 16;
    size_t cap = *capacity + step;
    if (cap < used + n) cap = used + n;
    if (cap > static_cast<size_t>(-1) / size) {
        kernel_report_out_of_memory();
        return false;
    }
    void* block = kernel_alloc(cap * size);
    if (!block) {
        kernel_report_out_of_memory();
        return false;
    }
    if (used) std::memcpy(block, *items, used * size);
    kernel_free(*items);
    *items = block;
    *capacity = cap;
    return true;
}

}  // namespace

size_t point_array_append(PointArray* a, const Point2* items, size_t n) {
    void* p = a->items;
    if (!grow(&p, a->used, &a->capacity, n, sizeof(Point2))) return a->used;
    a->items = static_cast<Point2*>(p);
    if (n) std::memcpy(a->items + a->used, items, n * sizeof(Point2));
    a->used += n;
    return a->used;
}

size_t scan_hit_array_append(ScanHitArray* a, const ScanHit* items, size_t n) {
    void* p = a->items;
    if (!grow(&p, a->used, &a->capacity, n, sizeof(ScanHit))) return a->used;
    a->items = static_cast<ScanHit*>(p);
    if (n) std::memcpy(a->items + a->used, items, n * sizeof(ScanHit));
    a->used += n;
    return a->used;
}

void point_array_free(PointArray* a) {
    kernel_free(a->items);
    *a = PointArray{nullptr, 0, 0};
}

void scan_hit_array_free(ScanHitArray* a) {
    kernel_free(a->items);
    *a = ScanHitArray{nullptr, 0, 0};
}

void** ptr_array_put(PtrArray* a, size_t index, void* value) {
    if (index == 0) return a->items;
    if (a->capacity < index) {
        size_t cap = index + 8;
        if (cap < index || cap > static_cast<size_t>(-1) / sizeof(void*)) {
            kernel_report_out_of_memory();
            return nullptr;
        }
        void** block = static_cast<void**>(kernel_alloc(cap * sizeof(void*)));
        if (!block) {
            kernel_report_out_of_memory();
            return nullptr;
        }
        for (size_t i = 0; i < cap; ++i) block[i] = nullptr;
        if (a->capacity) std::memcpy(block, a->items, a->capacity * sizeof(void*));
        kernel_free(a->items);
        a->items = block;
        a->capacity = cap;
    }
    a->items[index - 1] = value;
    return a->items;
}

void ptr_array_free(PtrArray* a) {
    kernel_free(a->items);
    *a = PtrArray{nullptr, 0};
}
