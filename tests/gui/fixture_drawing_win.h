// fixture_drawing: what the GUI scenarios' fixture programs share: the
// store started as the program starts it, a drawing opened or created in
// slot 0, the first projection read back, a plain projection and its
// reference points written.
#pragma once

#include <cstdint>

#include "store/drawing_file.h"
#include "store/record_layouts.h"

// Starts the store with the kernel's seams bound and the page buffers at
// their defaults; 0 on success.
int fixture_store_start();

// Opens an existing drawing read-write into slot 0; nullptr when it cannot.
DrawingFile* fixture_open(const char* path);

// Creates a new drawing (an old file of that name is removed first) in
// slot 0, with a fixed identity; nullptr when it cannot.
DrawingFile* fixture_create(const char* path);

// Copies the first projection record into proj (zero-filled past the
// stored length); false when the drawing has none.
bool fixture_first_projection(DrawingFile* df, unsigned char (&proj)[projection_record_max]);

// Adds projection 1 without a sketch: area 200 x 200, frame from (10, 10)
// to (right, bottom), control scales 1.  Returns its reference, 0 on failure.
RecordRef fixture_add_plain_projection(DrawingFile* df, float right, float bottom);

// Writes a chain head into the stored projection at ref (the chain field
// at offset chain); false when the projection cannot be read.
bool fixture_set_projection_chain(DrawingFile* df, RecordRef ref, int chain, RecordRef head);

// Adds reference points 1..n at the given positions (sketch and true
// alike; point 1 gets first_flags) to the points chain of the projection
// at ref, and sets the drawing's highest point number.  False on failure.
bool fixture_add_points(DrawingFile* df, RecordRef ref, const double (*positions)[2], int n,
                        uint16_t first_flags = 0);
