// Dimension placement: the search that puts the dimension lines (straight
// ones and the arcs of angles and arc lengths) outside a projection's frame, each 10 mm (sheet) further out
// until it crosses no placed line's band, with the side chosen by the
// nearer frame edge and switched once when its extension lines would cross
// a placed line.  The search works on plain items (the points and
// directions a dimension's links give) and ends for every input: the
// distance is capped and an item that cannot be placed is marked.
#pragma once
#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"

struct PlacementItem {
    // In: the extreme points of the first and second role, the directions
    // of the two extension lines (radians), the sort key (the nominal as a
    // view length) and whether the line is kept as it stands.
    Point2 first, second;
    double first_direction, second_direction;
    double view_length;
    bool keep = false;
    // The shape of the line: 1 straight, 3 an arc about `centre` (angles
    // and arc lengths: the extension directions run out from the centre,
    // the arc goes the shorter way from the first to the second).  An arc
    // is placed on its own side of the centre only.
    int shape = 1;
    Point2 centre{};
    // Out: the dimension line and the extension lines' ends on it.
    Point2 line_start{}, line_end{};
    bool placed = false;
    bool unplaceable = false;  // state bit 5: cannot be placed correctly
    double distance = 0;       // beyond the frame, drawing units
};

struct PlacementFrame {
    Box frame;                // the projection's frame
    double sheet_mm;          // drawing units per sheet millimetre
    double label_height = 0;  // the tallest label text, drawing units
};

// Half the width of the band a placed line keeps free on each side: 9 mm
// (sheet), or more when the labels are so tall that a label standing
// 1.24 mm off its line would reach the next line 10 mm further out.
double placement_band_half(const PlacementFrame& f);

// Places every item that is not kept, in the order of the sort key (of
// equal keys the later item first).  Returns the number of items marked
// unplaceable.  Lines of kept items are taken as placed.
int resolve_placement_collisions(std::vector<PlacementItem>& items, const PlacementFrame& f);

// The message shown once when items were marked.
extern const char* const placement_marked_message;

// Where a radial dimension line (radius, diameter, fillet) may run from
// its centre: any direction of a circle, the sweep of an arc (from `from`
// through `sweep` radians of increasing angle), or only the direction it
// has (no joining element known).
struct RadialSpan {
    enum Kind { fixed, whole, arc } kind = fixed;
    double from = 0, sweep = 0;
};
// Whether a label standing along a line of this direction reads the right
// way: the line's reading angle (taken from its end with the smaller x;
// y grows downward) lies outside the steep window (pi/3, pi/2), where the
// label would read from the top down.
bool radial_direction_readable(double direction);
// The direction for a radial line wanted at `wanted`: that one when its
// label is readable, else the nearest readable one inside the span,
// trying eight steps of pi/24 to either side (the steep window is pi/6
// wide); when none is found the wanted one stays (its label then goes on
// a shelf).
double choose_radial_direction(double wanted, const RadialSpan& span);
