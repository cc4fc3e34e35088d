// Fragment replacement: the instances of a fragment in other projections,
// the projections that may take its place, and the replacement itself:
// an instance (or every instance of the fragment) is given a new source
// fragment and new fragment binding points, and is inserted again from it.
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

// What the lists dialog hands to the image stage: the instance to replace,
// its fragment, the projection that takes the fragment's place, and
// whether every instance of the fragment is replaced ("Для всех").
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

struct FragmentReplaceResult {
    int changed = 0;      // instance records given the new fragment
    int reinserted = 0;   // of them inserted again from it
    int kept = 0;         // not inserted again (a binding point or the fragment missing, or refused)
    bool failed = false;  // an insertion failed (error flag)
};

// Replaces: the instance of r (or with r.all every instance of r.fragment in
// any projection) takes r.replacement as its source and `points` (count of
// them, the binding points picked on the replacement) as its fragment
// binding points, as many as the instance has; then each changed instance
// is inserted again from its new fragment in re-insertion mode, keeping its
// instance number.  Nothing changes when the replacement is the fragment
// itself, is missing, or fewer points were given than an instance needs.
// The caller holds the document lock.
FragmentReplaceResult fragment_replace(DrawingFile* df, const FragmentReplacement& r, const uint32_t* points,
                                       int count);

extern const char* const text_fragment_replaced;  // "Замена завершена"
