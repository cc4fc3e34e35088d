// Auxiliary lines: the tool that lays them through reference points
// (horizontal, vertical or through two points, anchored on their points or
// free) and the removal of the lines near a point.
#pragma once
#include <cstdint>
#include <functional>

#include "stages/points_elements/points.h"

enum { aux_mode_horizontal = 0, aux_mode_vertical = 1, aux_mode_two_points = 2 };

struct AuxLineTool {
    int mode = aux_mode_horizontal;
    // "Создавать размеры для привязки точек": new lines are anchored on
    // their points (kept while the program runs).
    bool anchored = false;
    // The pending two-point line: its projection (0 none), its place and
    // its first point, by which it is found again.
    uint32_t pending_projection = 0;
    RecordRef pending = 0;
    Point2 pending_first{};
};

// The prompt of a mode ("Выбран тип ...").
const char* aux_line_mode_prompt(int mode);

// Stores a new auxiliary line record (52 bytes) in the projection's
// construction chain; returns its reference, 0 on a failure.
RecordRef aux_line_add(PointContext& ctx, int direction, bool anchored, Point2 a, Point2 b, uint32_t anchor1,
                       uint32_t anchor2);

// A click of the tool on point `point` of ctx's projection.  A pending
// two-point line of another projection is given to delete_elsewhere
// (projection number, reference) and forgotten.  Returns 1 when a line was
// made or finished, 0 when nothing changed, -1 when refused.
int aux_line_click(AuxLineTool& tool, PointContext& ctx, const PointCopy& point,
                   const std::function<void(uint32_t projection, RecordRef line)>& delete_elsewhere);

// Deletes the pending line from ctx's projection when it is there (another
// tool chosen, the same point clicked twice).
void aux_line_drop_pending(AuxLineTool& tool, PointContext& ctx);

// Deletes every auxiliary line nearer to p than the mark half width
// (pixels); returns how many went.
int aux_lines_delete_near(PointContext& ctx, Point2 p);
