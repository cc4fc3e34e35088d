// Seams of the dimension and annotation drawing: what the projection window,
// the dimension tools and the annotation tools tell the walk, and what the
// walk hands back to them (the picked record, the property dialog).
//
// Every member may be null; the walk then does without it (no edited
// dimension, no centre crosses, no cross-hair, no dialog).  The window and
// annotation code fill the table once, from the program's wiring function.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"

struct OutputView;

struct DimensionWindowSeams {
    // The centre-cross segments the window keeps for its diameter dimensions.
    void (*diameter_crosses)(OutputView* view, std::vector<Segment>* out);
    // Number of the dimension being edited in this view (its first-end mark
    // is drawn in the marked colour), 0 for none.
    uint32_t (*edited_dimension)(OutputView* view);
    // Reference of the text fragment open in the text-fragment dialog, 0 for none.
    uint32_t (*open_text_fragment)();
    // Non-zero while the section line at `ref` is being entered in this view
    // (mouse button held, or its input in progress before stage 6).
    int (*section_line_being_entered)(OutputView* view, uint32_t ref);
    // The pick marker: placed in this view; redrawn after a mark was drawn
    // over it; hidden; placed again (its result ends the walk).
    int (*pick_marker_active)(OutputView* view);
    void (*pick_marker_redraw)(OutputView* view);
    void (*pick_marker_hide)(OutputView* view);
    int (*pick_marker_replace)(OutputView* view);
    // Where the pick marker stands, in model units.
    void (*pick_marker_position)(OutputView* view, Point2* out);
    // The annotation stage's responses to a picked dimension.
    void (*set_pick_cursor)(OutputView* view);
    void (*move_crosshair)(OutputView* view, Point2 at);
    void (*enable_arrowhead_controls)(int enable);
    void (*select_arrowhead_style)(int style);
    // Opens (or brings forward) the property dialog of an annotation record.
    int (*open_element_properties)(uint32_t ref);
    // The small picture of a hatching's kind at its seed point.
    void (*draw_hatch_kind_icon)(OutputView* view, const uint8_t* hatching);
};
// Starts as dimension_window_seams_unbound (every member does nothing and
// reports nothing); the window code binds its own.
extern const DimensionWindowSeams dimension_window_seams_unbound;
extern DimensionWindowSeams dimension_window_seams;

// The selection state of the annotation stage that the walk fills.  It
// belongs to the user-interface thread: only walks of a screen view touch it.
struct DimensionPickState {
    int open_request;          // set by the tools: open the picked record's dialog
    uint32_t picked_dimension; // reference of the picked dimension, 0 none
    int picked_dimension_end;  // 1 first end, 2 second end
    uint32_t picked_annotation;// reference of the picked annotation record, 0 none
};
extern DimensionPickState dimension_pick_state;
