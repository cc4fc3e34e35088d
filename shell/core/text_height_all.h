// Text height for everything already drawn: every annotation record whose
// text-height index differs from the default is given the default and laid
// out again by its kind, so that its frame, shelf or letters fit the new
// height.  Portable: works on the current drawing's records.
#pragma once
#include "store/drawing_file.h"

struct TextHeightAllResult {
    unsigned records = 0;      // records changed
    unsigned projections = 0;  // projections holding them
    bool failed = false;       // a dimension text without its dimension stopped the walk
};

// Sets the text-height index (0..9) of every annotation record of kinds 0,
// 1 and 3 to 6 in every projection of df and lays each one out again:
// kind 0 through its dimension (a label whose dimension is missing is
// deleted, the document failure reported and the walk ends), kind 1 the
// leader at its text point, kind 3 the text fragment, kind 4 the
// designation letters, kind 5 a sign on a leader with the leader's shelf
// fitted to the sign (a sign whose leader is missing stands free), kind 6
// the tolerance frame at its stored corner.
// Each projection with changes gets its annotation extents again.  The
// caller holds the document lock.
TextHeightAllResult text_height_apply_to_all(DrawingFile* df, int index);

// Sets the size index of one annotation record (bits 7-10 of its flags for
// kinds 0 and 1, bits 2-5 for kinds 3 to 6); false when the record is of
// another kind (hatchings have no text) or already has that index.
bool annotation_size_index_set(uint8_t* rec, int index);
