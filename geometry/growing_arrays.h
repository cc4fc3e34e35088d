// Growing arrays of points, scan hits and pointers.  Counts and capacities
// are size_t and kept explicitly; an allocation failure is reported (error
// flag and the out-of-memory message) and leaves the array as it was.
#pragma once
#include "geometry/geom_types.h"
#include "geometry/kernel_angles.h"
#include "geometry/tolerance.h"

#include <cstddef>

struct PointArray {
    Point2* items;
    size_t used;
    size_t capacity;
};

struct ScanHitArray {
    ScanHit* items;
    size_t used;
    size_t capacity;
};

struct PtrArray {
    void** items;
    size_t capacity;
};

// Appends n items, growing by max(n, 16); returns the new used count.  When
// the growth fails, nothing of this call is appended.
size_t point_array_append(PointArray* a, const Point2* items, size_t n);
size_t scan_hit_array_append(ScanHitArray* a, const ScanHit* items, size_t n);
void point_array_free(PointArray* a);
void scan_hit_array_free(ScanHitArray* a);

// Stores value at position index (from 1), growing the array to index + 8
// entries when it holds fewer; new entries are null.  Returns the items, or
// null (array unchanged, failure reported) when the growth fails.
void** ptr_array_put(PtrArray* a, size_t index, void* value);
void ptr_array_free(PtrArray* a);
