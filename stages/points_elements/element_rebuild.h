// Rebuilding graphic elements from their reference points: the whole
// projection (generated records thrown away, coordinates refreshed, curve
// images made again), the elements of one moved point, the carrying of a
// spline's control points, and the drive over the changed projections.
//
// Deleting records while walking a chain goes through the store's one rule,
// record_delete_and_next (store/records.h); delete_collected_records serves
// the callers that decide what goes in one walk and delete in a second.
#pragma once
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// Deletes the records at refs (collected by a walk of the chain with no
// change since) from the chain, in one walk.
void delete_collected_records(DrawingFile* df, RecordRef* head, const std::vector<RecordRef>& refs,
                              PageBuffer* buf);

struct RebuildHooks {
    // The current stage code (1 reference points, 3 image, 2 dimensions,
    // 4 construction, 5 annotation, 6 layout).
    int stage = 1;
    // A message shown to the user (a lost point); default
    // show_program_message.
    std::function<void(const char* text)> message;
    // The caption of the projection for the lost-point detail line.
    std::function<const char*(const unsigned char* projection)> caption;
    // Step 7 and 8 of the rebuild, owned by the dimension network and the
    // bars: the directions of the dimension links, the bar outlines.
    std::function<void(unsigned char* projection, bool full)> dimensions;
    std::function<void(unsigned char* projection)> bars;
    // A four-point conventional image whose points moved: its picture is to
    // be prepared again.
    std::function<void(unsigned char* projection, uint32_t element)> picture_changed;
    // Re-measuring the dimensions of a point moved by carry_control_points.
    std::function<void(unsigned char* projection, uint32_t point)> remeasure;
    // Set while control points must stay where they are.
    bool hold_control_points = false;
    // When set: receives the number of corners whose fillet could not be
    // built (full rebuilds at stage 5 and later build the fillets).
    int* fillets_failed = nullptr;
};

enum {
    rebuild_ok = 0,
    rebuild_lost_point = 1,  // some element lost a point: marked, reported once
    rebuild_failed = -1      // a store failure (error_flag set)
};

// Rebuilds every element of the projection from its points: sketch
// coordinates, or the true ones with full.  Generated records (fillets,
// screening pieces, curve images, bar outlines) are deleted first and the
// curve images made again.  Elements with a lost point are marked and
// reported once; the others are still rebuilt.  `incremental`: the pass of
// a stage switch (a projection marked for no automatic construction keeps
// its records, and a projection whose points all equal their true points
// keeps its coordinates).
int rebuild_projection_elements(DrawingFile* df, unsigned char* projection, bool full, const RebuildHooks& hooks,
                                bool incremental = false);

// Which elements use which point: point number -> references of the
// element records that hold it (kinds 1-6, 8-12).  Built once for a
// projection; kept right by rebuild_elements_of_point, which builds it again
// itself after a step that moved records (a curve image made again).
struct ElementUsage {
    RecordRef head = 0;  // the element chain it was built for
    bool valid = false;
    std::unordered_map<uint32_t, std::vector<RecordRef>> users;
};
void element_usage_build(DrawingFile* df, unsigned char* projection, ElementUsage* usage);

// After point `number` moved to `at`: writes the new position into every
// element that uses it, recomputes the through points of its curves and
// makes the curve images of its ellipses, wavy lines and splines again.
// With a valid usage index the cost follows the number of those elements,
// not the size of the projection (usage may be null: the chain is walked).
// Returns the number of element records changed, -1 on a store failure.
// `pictures` (may be null) receives the numbers of the four-point symbols
// among them, whose bent pictures must be prepared again.
int rebuild_elements_of_point(DrawingFile* df, unsigned char* projection, uint32_t number, Point2 at,
                              ElementUsage* usage, std::vector<uint32_t>* pictures = nullptr);

// Carries the two control points (third and fourth) of a four-point element
// along with its first two: when both ends moved and both control points
// did not, they are rotated and scaled about the first point by the change
// of the first-to-second segment (nothing for a pure translation).  old[4]
// are the four positions before the move, now[4] after it; the result is
// written back into now[2], now[3].  Returns whether they moved.
bool carry_control_points(const Point2 old_points[4], Point2 now[4]);

// The stage-switch rule of rebuild_changed_projections: whether a
// projection is rebuilt when the stage goes from previous to current.
bool projection_needs_rebuild(bool changed, int previous_stage, int current_stage);

// The portable part of rebuilding the changed projections of a drawing:
// every projection of the drawing's projection chain that
// projection_needs_rebuild selects (its changed flag, word +98 bit 9) is
// rebuilt; returns how many were.
int rebuild_changed_projections_of(DrawingFile* df, bool full, int previous_stage, int current_stage,
                                   const RebuildHooks& hooks);
