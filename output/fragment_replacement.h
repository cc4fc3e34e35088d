// Fragment replacement, the choice: the instances of a fragment in other
// projections and the projections that may take its place.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "store/drawing_file.h"

// One instance of a fragment: the projection that holds it and its number.
struct FragmentInstanceRef {
    uint32_t holder = 0;
    uint16_t instance = 0;
    int source_bindings = 0;  // binding points picked on the fragment
};

// What the lists dialog collects: the instance to replace, its fragment,
// the projection that takes the fragment's place, and whether every
// instance of the fragment is replaced ("Для всех").
struct FragmentReplacement {
    bool pending = false;
    FragmentInstanceRef target;
    uint32_t fragment = 0;
    uint32_t replacement = 0;
    bool all = false;
};

// The instances (construction records of kind 4) of projections other than
// `fragment` that were inserted from it, in projection order.
std::vector<FragmentInstanceRef> fragment_instances_of(DrawingFile* df, uint32_t fragment);

// The projections other than `fragment` that hold no instance of it: the
// ones that may replace it.
std::vector<uint32_t> fragment_replacement_candidates(DrawingFile* df, uint32_t fragment);

// A line of the instance list: the number as "%02i " (from 100 "%i ")
// followed by the caption.
std::string fragment_instance_line(int number, const char* caption);

// A copy of the instance record `instance` of projection `holder` into out
// (54 bytes); false when there is none.
bool fragment_instance_record(DrawingFile* df, uint32_t holder, uint16_t instance, uint8_t* out);
