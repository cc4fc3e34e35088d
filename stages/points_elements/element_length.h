// Changing the length of a drawn element: the element is scaled about a
// fixed point (its start, its end or its centre, by kind) and its moving
// points go with it, in the element and in their reference points.
#pragma once
#include <cstdint>
#include <functional>

#include "store/drawing_file.h"

enum {
    length_from_start = 1,  // the start stays ("от начала")
    length_from_end = 2     // the end stays ("от конца")
};

// Which fixed ends the element allows (length_from_* bits): 0 refuses it
// (a curve whose length is fixed, an end point that cannot be found, both
// ends control points or points that may not move).  Kinds whose fixed point
// is their centre allow both.
int element_length_modes(DrawingFile* df, unsigned char* projection, uint32_t element);

struct LengthHooks {
    // Automatic checkpoint naming the element; returns the projection record
    // to use afterwards, null to give up.
    std::function<unsigned char*(unsigned char* projection, uint32_t element)> checkpoint;
    // The dimensions of a moved point are measured again.
    std::function<void(unsigned char* projection, uint32_t point)> remeasure;
};

// Scales element `element` by ratio about its fixed point (mode: one of
// length_from_*).  A ratio of 0 or 1 changes nothing and takes no
// checkpoint.  Returns 1 when it was scaled, 0 when nothing was done, -1
// when the element refuses it or a store access failed.
int element_scale_length(DrawingFile* df, unsigned char** projection, uint32_t element, double ratio, int mode,
                         const LengthHooks& hooks);
