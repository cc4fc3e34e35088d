// Copying a fragment's records into a target projection: reference points,
// graphic elements, dimensions with their labels and links, leaders, text
// fragments, contours and bars, each with a new number (or the number it had at
// the previous insertion of the same instance), transformed by the
// placement matrix, its references rewritten and the instance number set.
// Also the deletion of a dimension with everything that hangs on it.
//
// The target is a live ProjectionRecord (in the projection page buffer or
// a caller's copy written back afterwards): the copy changes its chain
// heads, flags, highest level and fragment counter, and never loads another
// projection record.  The source is a copy of its ProjectionRecord; its
// chains are read from source_df first (it may be the other open drawing)
// and then written into target_df.
#pragma once
#include <cstdint>
#include <vector>

#include "output/fragment_params.h"
#include "output/fragment_placement.h"
#include "store/drawing_file.h"

struct FragmentCopyRequest {
    // Null: a whole-projection copy without an instance (nothing is
    // numbered as an instance, model variables of dimensions are dropped).
    const FragmentInsertParams* params = nullptr;
    uint8_t mode = fragment_mode_always;
    bool reinsert = false;  // keep the numbers of the previous insertion
    const FragmentPlacement* placement = nullptr;  // null: identity
};

struct FragmentCopyResult {
    uint16_t instance = 0;
    int points = 0, elements = 0, dimensions = 0, links = 0, annotations = 0, contours = 0, bars = 0;
    int skipped_annotations = 0;  // records whose anchor was not copied
};

// The places of an element record's reference points: the offset of each
// point number (0 for a place without one, such as a curve's through
// point) and of its coordinate pair, by kind: 1, 2, 8 two; 3, 4, 6, 10
// three; 12 four; 9 five; a curve's vertices with their through points;
// a conventional image's items; nothing for kind 7, unknown kinds and
// records too short for their counts.
struct ElementPlace {
    uint32_t number;
    uint32_t coords;
};
std::vector<ElementPlace> fragment_element_places(const uint8_t* rec);

// Copies; returns 0, or -1 on a store failure or a full fragment counter
// (the counter's message shown, nothing copied in that case).
int insert_fragment_records(DrawingFile* target_df, uint8_t* target, const uint8_t* source, DrawingFile* source_df,
                            const FragmentCopyRequest& request, FragmentCopyResult* result);

// The target point at `at` (within the standing tolerance), else a new
// point there with a fresh number and the instance number (showing its
// number when the drawing's header asks for that).  A found point that is
// one of the target's binding points and came with another instance is
// taken over by the target (its instance number cleared).  0 on a failure.
uint32_t fragment_point_find_or_add(DrawingFile* df, uint8_t* target, Point2 at, const FragmentInsertParams* params,
                                    uint16_t instance);

// Copies only the marked graphic elements of the source (generated ones
// left out) into the target as one new instance: fresh element numbers,
// each point found at its transformed place in the target or added there.
// A marked curve image brings its source element (wavy line, ellipse,
// elliptic arc or Bezier spline of its number) along; an image without one
// is reported as a damaged source drawing ("E20133") and nothing is copied.
// No dimensions, annotation or bars come along and no instance record is
// written.  Returns 0 (also when nothing is marked), -1 on a failure or a
// full fragment counter (its message shown).
int insert_marked_elements(DrawingFile* target_df, uint8_t* target, const uint8_t* source, DrawingFile* source_df,
                           const FragmentPlacement* placement, const FragmentInsertParams* params,
                           FragmentCopyResult* result);

// Deletes the roughness signs on the dimension's extension lines, its label,
// the dimension itself and every link of it.  `dimension_number` names it.
void remove_dimension_records(DrawingFile* df, uint8_t* projection, uint32_t dimension_number);

extern const char* const text_fragment_counter_full;  // "Счётчик фрагментов переполнен"
extern const char* const text_marked_partner_missing;  // "E20133"
