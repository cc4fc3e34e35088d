// Line-end marks of dimension lines and leaders: filled and open arrows,
// ticks, crosses and dots, built in pixels about the end and turned into the
// line's direction.
//
// Styles (4 bits): 0 filled notched arrow pointing at the end, 1 the same
// turned by pi, 2 oblique tick, 3 dot, 4 cross, 5 and 9 nothing, 6 half
// arrow, 7 open arrow, 8 open arrow turned by pi, 10 filled triangle of the
// settings' leader-arrow length and width factor; above 10 nothing.
// Geometry types: 1 straight (the direction from the first end to the
// second), 3 arc (from the centre to the end); any other type leaves the
// shapes unturned.  Before turning, an arrow's base lies towards the other
// end: +x at the first end, -x at the second.  On an arc a filled arrow is
// turned so that its base chord lies on the arc, which runs from the first
// end to the second with decreasing angle about the centre (as draw_arc
// draws it).
#pragma once

#include <cstdint>

#include "geometry/geom_types.h"
#include "geometry/transforms.h"

struct OutputView;

enum LineEndShapeKind : int {
    line_end_nothing = 0,
    line_end_polygon = 1,  // filled polygon of `count` points
    line_end_strokes = 2,  // count / 2 strokes, point pairs
    line_end_dot = 3       // ellipse in box (left, top, right, bottom; right and bottom exclusive)
};

struct LineEndShape {
    int kind;
    int count;
    PointI points[8];
    int32_t box[4];
};

// The mark of one end (0 first, 1 second) in pixels of the view transform;
// points = {first end, second end, centre} in model units.
void line_end_shape(const ViewTransform* view, int end, int style, int geometry_type, const Point2 points[3],
                    LineEndShape* out);

// The turning angle of a mark (radians), as line_end_shape uses it; 0 for
// geometry types other than 1 and 3.
double line_end_direction(int end, int style, int geometry_type, const Point2 points[3]);

// Length and half-width (sheet mm) of the style-10 triangle, from the
// settings block (3.5 and tan 30 degrees while the block is not loaded).
double leader_arrow_length_mm();
double leader_arrow_half_width_mm();

// Draws one mark.  The mark of the first end of the dimension being edited
// (`edited` non-zero) takes a 0.25 mm pen and brush in the marked colour;
// every other mark keeps the pen already selected and fills in the normal
// line colour.  In DXF mode the mark goes to dxf_write_filled_shapes instead.
void draw_line_end(OutputView* view, int end, int style, int geometry_type, const Point2 points[3], int edited);
