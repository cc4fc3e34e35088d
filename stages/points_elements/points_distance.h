// Placing points at a distance: the tool's clicks mark a base point (for an
// angle also a centre) and the points to place; the placing moves each
// point to the typed distance from the base along X or Y, from the anchored
// auxiliary line through the base, or to the typed angle about the centre.
#pragma once
#include <cstdint>

#include "stages/points_elements/points.h"

// The modes, by the ids of their radio buttons.
enum { distance_along_y = 1036, distance_along_x = 1037, distance_from_line = 1038, distance_angle = 1039 };

// Marks of the tool: base point (or the point on an angle's first ray),
// angle centre, point to place.
enum : uint16_t { distance_mark_base = 0x40, distance_mark_centre = 0xC0, distance_mark_place = 0x80 };

struct DistanceTool {
    int mode = distance_along_x;
    bool dimensions = false;  // "Создать размер"
    int state = 0;            // 0 nothing picked, 1 base picked, 2 angle centre picked
    uint32_t projection = 0;  // the projection the marks are in
};

// The prompt asking for the first point of a mode.
const char* distance_first_prompt(int mode);

// Clears the marks of every point of the projection.
void points_unmark_all(PointContext& ctx);

// A click of the tool on point p of ctx's projection: marks it by the
// tool's state.  Returns the new state; *place_marked is set when p became
// a point to place.
int distance_tool_click(DistanceTool& tool, PointContext& ctx, const PointCopy& p, bool* place_marked);

// The present measure of point p for the mode (a model length, or an angle
// in [0, pi]); false when the mode has nothing to measure (no base, no
// anchored line through the base, no centre).
bool distance_present_measure(PointContext& ctx, int mode, const PointCopy& p, double* out);

// Moves every point marked to place: a is a model length (modes X, Y, line)
// or an angle in radians.  Each placed point then goes through the drop
// without grid snapping and without dropping its links (auxiliary lines
// and the merge question only).  Returns the points placed, -1 when mode
// "line" finds no anchored auxiliary line through the base (marks cleared,
// message shown).
int place_marked_points_at_distance(PointContext& ctx, int mode, double a);
