// The group of marked reference points (mark state 0x40): its box centre
// and rotation handle, moving and turning the group while it is dragged,
// and dropping it.
#pragma once

#include "stages/points_elements/points.h"

struct PointGroup {
    uint32_t projection = 0;  // the projection whose marked points form the group, 0 none
    Point2 centre{};
    Point2 handle{};
    int count = 0;
};

// Groups the marked points of the projection: when one of them may not be
// moved (flags bit 15), every point that may not be moved is marked too;
// a group forms when the marked points' box has extent in x or y, with the
// box centre and a handle above it at the larger half extent.  Returns the
// number of marked points (group->projection 0 when no group formed).
int group_marked_points(DrawingFile* df, unsigned char* projection, PointGroup* group);

// Moves the sketch position of every marked point but `except` by delta.
int group_move(DrawingFile* df, unsigned char* projection, Point2 delta, uint32_t except);
// Turns the sketch position of every marked point about centre by angle.
int group_rotate(DrawingFile* df, unsigned char* projection, Point2 centre, double angle);

// Drops the group: every marked point takes its sketch position as true
// position, snaps to the auxiliary lines (binding), the anchored lines
// follow, and its dimension links are dropped; the elements are rebuilt
// through the hooks.  Returns the points dropped.
int group_drop(PointContext& ctx);
