// Dimension placement run: the dimensions of one projection gathered from
// the store (their points through their links), placed outside the frame by
// the outward search, and written back into the dimension records' drawing
// geometry, each laid out again with its label.
//
// Straight dimensions (linear, level, and diameters measured between two
// ends) are placed outside the frame; angles and arc lengths get an arc
// about their centre (the vertex their legs share, or their centre link)
// outside the frame; radii and diameters about a centre run from the
// circle through their first-end point to the centre (or on across it), a
// fillet from the middle of its arc to the arc's centre.  Spread level
// dimensions get generated level dimensions (level_dimensions.h).  Every
// line written or kept is one the search keeps clear of.
#pragma once
#include <cstdint>

struct PlacementRunResult {
    int placed = 0;         // dimension lines written
    int kept = 0;           // lines left as they stood (placed by hand, or not placed by the search)
    int marked = 0;         // dimensions marked as not placeable (state bit 5)
    bool failed = false;    // a document failure ended the run (reported)
};

enum : int {
    placement_always = 0,      // the re-place button, a changed arrowhead
    placement_when_due = 1     // entering the stage: only when the projection changed (flags bit 9)
};

// Runs placement on the projection (a ProjectionRecord or a copy of it
// whose chain heads the caller writes back), under the drawing lock of the
// caller.  Shows the marked-dimensions message once when some were marked.
PlacementRunResult place_dimensions(uint8_t* projection, int mode);

// Clears the placed-by-hand bit of every dimension of the projection and
// places them all.
PlacementRunResult replace_all_dimensions(uint8_t* projection);

// Lays every text fragment of the projection out again (fitted into its
// cell first when its fit flag is set), each once; returns how many.  Part
// of every placement run.
int relayout_text_fragments(uint8_t* projection);

extern const char* const missing_link_point_code;  // "E20445"
