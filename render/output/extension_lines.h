// Extension lines of dimensions: carried to the dimension line's end and a
// little past it, fitted to the projection's frame when the drawing asks for
// it, and cut where they would run along a dashed or dash-dot centre line.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/geom_types.h"

struct OutputView;

// Moves the segment's end onto target and lengthens it past the target by
// the extension overshoot (1.2 sheet mm).  With collapse set the start first
// becomes whichever end of the segment lies nearer the target (extension
// lines that end at the nearer points).  A segment that shrinks to a point
// is left ending at the target.
void extend_extension_line(Segment* seg, Point2 target, int collapse);

// The next element of the projection's element chain after `previous` (the
// first for null) that extension lines must not cover: a segment or break
// (kinds 1, 8) of line type 3..6.  Null at the end.
const uint8_t* next_axis_obstacle(uint8_t* projection, const uint8_t* previous);

// Every obstacle of a projection, collected once per walk: the elements of
// next_axis_obstacle, then the view's centre-cross segments.
void collect_axis_obstacles(OutputView* view, uint8_t* projection, std::vector<Segment>* out);

// Cuts the overlap with one obstacle out of the pieces: only a collinear
// overlap (two common points) cuts; a piece covered at both ends goes, one
// covered at one end is shortened, one covered in the middle is split.
// Positions along a piece compare on its dominant axis.
void cut_extension_pieces(std::vector<Segment>* pieces, const Segment& obstacle);

// Fits a line to the projection's frame: the part inside the frame grown by
// the overshoot is removed, along x and then along y, the other coordinate
// following the line.  A line wholly inside becomes a stroke of short_length
// centred on dimension_end along the line.  Returns the fitted segment.
Segment fit_extension_line_to_frame(const Segment& seg, const Box& frame, Point2 dimension_end, double overshoot,
                                    double short_length);

// Draws the extension line `seg` (already extended) of a dimension whose
// line ends at dimension_end, in pieces with the gaps above.  obstacles may
// be null: they are then collected for this line alone.  Out of memory: the
// out-of-memory message, error flag 1, nothing more of the line.
void draw_extension_line(OutputView* view, const Segment& seg, uint8_t* projection, Point2 dimension_end,
                         const std::vector<Segment>* obstacles);
