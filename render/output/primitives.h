// The output primitives: segment, dashed segment, circle, arc, Bezier chain,
// frame and end marker, in model units.
//
// Each primitive first looks at dxf_output_active and, when it is set, hands
// its model geometry to the DXF writer (dxf_writers.h); only otherwise does
// it convert to pixels with the view transform and draw on the view's canvas
// with the pen the caller selected.  Lengths in pixels use the view's two
// scales, so unequal scales draw circles as ellipses.
#pragma once

#include <cstdint>

#include "geometry/geom_types.h"
#include "render/output/output_view.h"

// The first angular step of a stepped arc (radians) and half of it.
constexpr double arc_first_step = 0.0043754772334;
constexpr double arc_half_first_step = 0.0021877386167;

// Segment.  A segment whose ends fall on one pixel is drawn one pixel long
// (to x + 1, y - 1), so it shows; otherwise the end pixel is set in the
// colour of the current pen and the line drawn to it.  A segment reaching
// beyond the device's coordinate range is cut to it first, so it keeps its
// direction.  Returns the result of the last device call.
int draw_line_segment(OutputView* view, const Segment* seg);
// The same from four doubles.
int draw_line_segment_xy(OutputView* view, double x1, double y1, double x2, double y2);

// Dashed segment: dashes of 4.75 and gaps of 2.25 sheet mm, scaled so that
// the pattern fits the length exactly: a half dash at each end and whole
// dashes between them, the last one ending at the end point.
int draw_dashed_segment(OutputView* view, const Segment* seg);

// The dash pieces draw_dashed_segment draws: at most `max` pieces written to
// out; returns their number (it may exceed max: only max are written).
int dashed_segment_pieces(const Segment* seg, Segment* out, int max);

// Circle through on_circle about centre; radius 0 draws the segment.
int draw_circle(OutputView* view, const CircleGeom* circle);

// Arc by centre as a polyline (draw_arc_stepped with the two steppers).
int draw_arc(OutputView* view, const ArcByCentre* arc);

// Steppers of draw_arc_stepped: the move to the first point, and the line to
// each further point (drawn only when its pixel differs from the last one).
struct ArcStepper {
    void (*move)(OutputView* view, double x, double y, int32_t* last_x, int32_t* last_y);
    int (*line)(OutputView* view, double x, double y, int32_t* last_x, int32_t* last_y);
};
void arc_move_to_pixel(OutputView* view, double x, double y, int32_t* last_x, int32_t* last_y);
int arc_line_to_pixel(OutputView* view, double x, double y, int32_t* last_x, int32_t* last_y);

// Walks the arc from start to end with decreasing angle (direction 0) or
// increasing angle (non-zero), in steps that double from arc_first_step until
// both pixel chords reach 5 pixels (at most 6 doublings); start == end is a
// full circle.  Returns the last stepper result.
int draw_arc_stepped(OutputView* view, const ArcByCentre* arc, int direction, const ArcStepper* stepper);

// The angular step draw_arc_stepped uses for radius r at the view's scales.
double arc_step_angle(const OutputView* view, double r);

// Bezier chain of n pieces (3n + 1 points).  Drawn with PolyBezier after the
// end pixel is set in the pen's colour; one piece needs no allocation.  When
// memory runs out: the out-of-memory message, error flag 1, nothing drawn.
int draw_bezier_chain(OutputView* view, const Point2* points, int pieces);

// Frame: the four sides of the box with corners (x1, y1), (x2, y2).
int draw_frame(OutputView* view, Point2 corner1, Point2 corner2);

// End marker of shape 0 (X), 1 (square), 2 (N), 3 (top edge) about the pixel
// of (x, y), with the point-mark half sizes of the settings, in the marked
// colour with a 2-pixel inside-frame pen.  Other shapes draw nothing.
int draw_end_marker(OutputView* view, double x, double y, int shape);
