// Annotation layout: the geometry of one leader (shelf, frame, texts) and
// of one form or position tolerance frame with its leader to the element,
// computed from a given point; and the snapping of a point to the leader's
// arrow end within one pixel.
#pragma once
#include <cstdint>

#include "geometry/extents.h"
#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// Snapping distance: the size of one window pixel in drawing units.  The
// window side sets it from the window's scale before a layout; 0 snaps only
// points that already agree.
extern double annotation_pixel_size;

// Aligns points[index] with points[0] (see the leader rules): x to the
// first point's x, or to it less `shelf` when the shelf's other end meets
// it; y to the first point's y.  Each within `pixel`.  Returns 1 when the y
// were aligned.
int snap_to_first_point(PointF* points, int index, double shelf, double pixel);

// Text height of a height index in drawing units (index kept within 0..9).
double annotation_text_height(int height_index);

// Lays a leader record out in place from its measured texts so that its
// text stands at (x, y): shelf, frame, text positions.  The first point
// (the arrow end) never moves.
void leader_layout(uint8_t* rec, const TextMetrics& m, double x, double y, double pixel);
// The same on the leader at *ref of the projection's annotation chain:
// "E20449" and a document failure for a missing or unusable leader.
// Returns the record (null on failure).
unsigned char* layout_leader_at_point(uint8_t* projection, RecordRef* ref, double x, double y, bool keep_bend);

// The element geometry a tolerance frame may point to (kinds 1..4).
struct ToleranceTarget {
    int kind;
    Point2 geometry[3];
};
// Lays a tolerance frame out in place with its top-left corner at (x, y):
// the frame keeps its width; its height is the row height (text height +
// 2.48 mm on the sheet) times the rows; with move_target the leader target
// moves with the frame.  The target is put on the element and the leader
// start found on the frame's outline.  False when no leader start is found
// (the record may then hold partial results; callers work on a copy).
bool tolerance_layout(uint8_t* rec, const ToleranceTarget& element, double x, double y, bool move_target);
// The same on the record at *ref: "E20450" and a document failure when the
// element (visible kind 1..4 with the record's element number) is missing.
unsigned char* layout_tolerance_designation(uint8_t* projection, RecordRef* ref, double x, double y,
                                            bool move_target);
