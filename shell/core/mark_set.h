// Marking list of a projection window: the points of the dimension being
// entered or edited (its two ends and the points linked to it), with the
// geometry of their marks.  The window keeps one set at most; the window
// code invalidates and draws the marks (shell/view_marks.h).
#pragma once
#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"
#include "store/drawing_file.h"

// Entry flags: bits 0-1 the end role copied from the link (1 first end, 2
// second end, 3 centre); bits 2-3 the dimension's own ends.
enum : uint16_t {
    mark_role_mask = 0x0003,
    mark_first_end = 0x0004,
    mark_second_end = 0x0008,
    mark_end_mask = 0x000C
};
enum : uint16_t { mark_set_anchor_valid = 0x0001 };

struct MarkEntry {
    MarkEntry* next;
    uint32_t point_number;
    uint16_t flags;
    double direction;  // the link's direction in radians (linked points)
    double x, y;
};

struct MarkSet {
    MarkEntry* first;
    uint16_t kind;       // the dimension's kind (bits 0-4 of its kind word)
    uint16_t flags;      // mark_set_anchor_valid
    RecordRef owner;     // the record the marks belong to (kept by reference:
                         // a record pointer dies with its page buffer)
    double anchor[2];
};

// Builds the set of a dimension of the projection: kind, owner and anchor
// (when given), and an entry for each of the dimension's two end points
// when it has both.  Positions are the points' constructed coordinates with
// use_true, else their sketch coordinates.  A missing end point flags the
// dimension (state bit 5), reports the damaged drawing and gives null; so
// do a store failure and a lack of memory.  No set is left behind on null.
MarkSet* mark_set_build(DrawingFile* df, uint8_t* projection, uint8_t* dimension, RecordRef owner,
                        const uint8_t* anchor_point, int use_true);
// Appends an entry for the point of a dimension link (role, direction).  A
// link whose point is gone is deleted from the projection's link chain and
// then reported as a damaged drawing ("E20501"); returns the entry or null.
MarkEntry* mark_set_add_link(MarkSet* set, DrawingFile* df, uint8_t* projection, const uint8_t* link,
                             int use_true);
// Removes the first linked-point entry (not an end) of that point; 1 when
// one was removed.
int mark_set_remove(MarkSet* set, uint32_t point_number);
// Frees the entries and the set.
void mark_set_free(MarkSet* set);

// Geometry of the drawn marks, in pixels (y downwards like the screen).
struct MarkStroke {
    double x0, y0, x1, y1;
};
struct MarkShape {
    enum Kind { line, dotted_line, triangle, cross } kind;
    double p[3][2];  // line: p[0]-p[1]; triangle: the three corners
};
// Pixel positions come from to_pixels; half_x, half_y the mark's half size
// and margin the margin factor.  Dotted lines (first end to second end,
// anchor to linked points), the open arrowhead at the second end, then the
// filled triangles, tip lines and crosses of the linked points by role.
std::vector<MarkShape> mark_set_shapes(const MarkSet* set, void (*to_pixels)(void* ctx, double x, double y, double* px,
                                                                               double* py),
                                       void* ctx, int half_x, int half_y, int margin);
