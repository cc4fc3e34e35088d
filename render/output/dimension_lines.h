// Dimension lines: the extension line and mark of each end, the leader of a
// label or leader record (frame, leader line, marks, arrow), the lengthening
// of a dimension line past outside arrows, the centre cross of a diameter
// and the end test used when a dimension is picked.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"

struct OutputView;

// What the walk knows while it draws one dimension or leader.
struct DimensionLineContext {
    uint8_t* projection;                   // for the frame of extension lines
    const std::vector<Segment>* obstacles; // collected once per walk; null: per line
    int edited;                            // the dimension is being edited: first mark in the marked colour
};

// End selector 1 or 2: the extension line `line` of that end is carried to
// the dimension line's end (points[0] or points[1]; collapse: from its
// nearer point), drawn with gaps, and the mark of that end follows.
// End selector 3 (a leader): points = {arrow tip, bend, shelf end}; the
// frame between bend and shelf end by frame_shape (1 circle about their
// midpoint, 2 triangle with its apex |dx| cos 30 degrees above the
// midpoint, 3 square of side max(|dx|, |dy|) about the midpoint, else the
// shelf segment), the leader line from the bend to the tip, the leader
// marks of `record` when its style byte has any of bits 0-5, then the arrow
// of `style` at the tip.  With mark set and the pick marker active the
// marker is redrawn before the arrow.  Line work takes a 0.25 mm pen in the
// normal colour.
void draw_dimension_line(OutputView* view, int end_selector, int style, int geometry_type, const Point2 points[3],
                         const Segment* line, int mark, int frame_shape, const uint8_t* record, int collapse,
                         const DimensionLineContext* context);

// Copies points (first end, second end, centre) and lengthens the line past
// each end whose style is 1, 5 or 8 by `length`: along the line (type 1) or
// along the arc by length / radius about the centre (type 3).
void extend_dimension_line_ends(int geometry_type, int style1, int style2, const Point2 in[3], Point2 out[3],
                                double length);

// Moves points[which] to the dimension line extension (8.4 sheet mm) from
// the other point along their direction; coinciding points use angle + pi/2.
void place_point_at_style_distance(int which, double angle, Point2 points[2]);

// For kinds 1, 2 and 5 with value-word bit 0x2000 (and 0x4000 unless
// forced): non-zero when twice the distance from point to the centre is at
// least the distance from the first end to the centre.  0 otherwise.
int dimension_point_far_from_end(const uint8_t* dimension, Point2 point, int force);

// The centre cross of a diameter (model units): two segments through
// points[2], diameter + 2 x 1.2 mm long, 1-pixel pen in the normal colour,
// solid below 12 mm on the sheet, dash-dot from 12 mm.
void draw_centre_cross(OutputView* view, double diameter, const Point2 points[3]);

// The dimension's three points and two extension lines from its record.
void dimension_record_points(const uint8_t* dimension, Point2 points[3], Segment extension[2]);
