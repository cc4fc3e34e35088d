// The clicks of a fragment insertion at the image stage: the projection of
// the first click is the fragment, its points clicked are the binding points
// (up to three, a point picked twice counts once); the first click on another
// projection makes it the target, and each click there places the next
// binding point.  When every binding point is placed the insertion is due.
#pragma once
#include <cstdint>

#include "geometry/geom_types.h"
#include "output/fragment_params.h"

struct FragmentPick {
    bool started = false;
    uint32_t source = 0;   // projection numbers
    uint32_t target = 0;
    FragmentInsertParams params;
};

enum FragmentPickResult {
    pick_ignored = 0,     // nothing changed (a point picked again)
    pick_source_point,    // a binding point of the fragment was taken
    pick_target_point,    // a binding point was placed in the target
    pick_ready,           // every binding point is placed: insert now
    pick_restarted,       // serial insertion: a third projection is the new target
    pick_cancelled        // a third projection without serial insertion
};

// One click on point `number` at `xy` of projection `projection`.
FragmentPickResult fragment_pick_click(FragmentPick& pick, uint32_t projection, uint32_t number, Point2 xy,
                                       bool serial);

// After an insertion: serial insertion keeps the fragment and its binding
// points for the next instance (the target's list starts again); otherwise
// the pick is dropped.
void fragment_pick_after_insert(FragmentPick& pick, bool serial);

// The number field: binding points picked and placed as one number (picked
// times ten plus placed).
int fragment_pick_counts(const FragmentPick& pick);
