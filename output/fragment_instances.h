// Fragment instances in a target projection: insertion of a fragment (the
// placement, the copy and the instance record), removal of an instance
// with everything it brought, the lookup of its first element, and the
// closing of gaps in the instance numbers.
#pragma once
#include <cstdint>

#include "output/fragment_params.h"
#include "output/fragment_placement.h"
#include "output/fragment_records.h"
#include "store/drawing_file.h"

// What insertion needs of the shell and of the image stage.  Starts as
// fragment_shell_unbound (questions answered No, nothing shown, contours
// deleted without the level rules, bars neither built nor their outlines
// deleted).
struct FragmentShell {
    // Confirmation question `code` (6: binding points without directions,
    // 12: dimensions change their directions) with an extra text; 1 for Yes.
    int (*ask)(int code, const char* extra);
    // A prompt line ("Ждите завершения вставки", "Вставка завершена").
    void (*prompt)(const char* text);
    // The automatic checkpoint before a change; 0 when taken.
    int (*checkpoint)();
    // Deletes a contour of the projection by its number.  Unbound: its
    // records only; the image stage's deletion also applies its level rules.
    void (*delete_contour)(DrawingFile* df, uint8_t* projection, uint32_t number);
    // Builds the outlines of every bar of the projection again; -1 on a
    // failure.  Unbound: nothing (the outlines come with the next rebuild).
    int (*rebuild_bars)(DrawingFile* df, uint8_t* projection);
    // Deletes the bars along element `element` with their outline elements
    // and corner points.  Unbound: the bar records only.
    void (*delete_bars)(DrawingFile* df, uint8_t* projection, uint32_t element);
};
extern const FragmentShell fragment_shell_unbound;
extern FragmentShell fragment_shell;

extern const char* const text_fragment_wait;       // "Ждите завершения вставки"
extern const char* const text_fragment_done;       // "Вставка завершена"
extern const char* const text_fragment_rotated;    // "  Вставить фрагмент несмотря на это?"

enum {
    fragment_inserted = 0,
    fragment_refused = 1,  // the user said No: nothing inserted
    fragment_failed = -1   // error flag set (store failure, counter full)
};

// Inserts the fragment (projection source_key of source_df, which may be
// the other open drawing) into projection target_key of df as the
// parameters and the settings say.  In re-insertion mode with an instance
// number the old copies are removed first (their contour maps kept) and the
// numbers of the previous insertion are taken over.  The number pools are
// rebuilt first, so the projection records are looked up here and no
// pointer into the projection buffer is held across the call.
int insert_fragment(DrawingFile* df, uint32_t target_key, DrawingFile* source_df, uint32_t source_key,
                    FragmentInsertParams* params, const FragmentSettings& settings, bool checkpoint,
                    FragmentCopyResult* result = nullptr);

// The ProjectionRecord of number key in df, in the projection page buffer;
// null when there is none.
uint8_t* fragment_projection_in(DrawingFile* df, uint32_t key);

// The placement input for the parameters, settings and the two projections.
FragmentPlacementInput fragment_placement_input(const FragmentInsertParams& params, const FragmentSettings& settings,
                                                const uint8_t* target, const uint8_t* source);

// 1 when the user refuses an insertion that turns or mirrors dimensions
// bound to a direction (question 12); 0 when none is affected or Yes.
int confirm_rotated_dimensions(DrawingFile* source_df, const uint8_t* source);

// Deletes the instance's bars, elements, points that no element uses any
// more, dimensions with their signs, labels and links, contours, leaders,
// text fragments, its instance record and, unless keep_maps, its number
// and contour maps.  Numbers go back to their pools.
void remove_fragment_instance(DrawingFile* df, uint8_t* projection, uint16_t instance, bool keep_maps);

// The first graphic element of the projection carrying the instance
// number (a pointer into the element page buffer), null for 0 or none.
uint8_t* find_fragment_instance_element(DrawingFile* df, uint8_t* projection, uint16_t instance);

// Closes the gaps in the instance numbers of the projection: the largest
// number in use moves down into the lowest free one until none is above
// it; the fragment counter becomes the highest number left.
uint8_t* renumber_fragment_instances(DrawingFile* df, uint8_t* projection);
