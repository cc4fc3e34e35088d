// Seams between the kernel and the subsystems above it: memory, failure
// reporting, the record store, the document lock and the measurers of
// symbols, leader marks and texts.  The program fills them at start-up;
// tests fill them with fakes.
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
// The store's error flag (0 ok, 1 error, 2 already reported, ...).
extern int16_t kernel_error_flag;
