// Section lines and text-fragment frames: the thick strokes, arrows and
// letters of a section (cut) line, and the four styled sides of a text
// fragment's frame.
#pragma once

#include <cstdint>

#include "geometry/geom_types.h"

struct OutputView;

// One thick stroke of a section line: a filled bar 0.9 mm wide from 3.2 mm
// behind (x, y) to 3.2 mm (4.8 mm with long_flag) ahead along angle, in the
// normal colour.  In DXF mode one LINE along its axis at width 0.9 mm.
void draw_section_stroke(OutputView* view, double x, double y, double angle, int long_flag);

// A section line: while it is being entered its nodes joined by a dotted
// 1-pixel line (colour at settings +327); with two or more nodes a stroke at
// each end along the line and an arrow from anchor 1 (and anchor 3) to the
// end node; the first packed word of the letters at anchor 2 (and 4).
// `ref` is the record's reference (for the entering state).
void draw_section_line(OutputView* view, const uint8_t* section, uint32_t ref);

// One side of a frame: a 0.6 mm pen for style 1, else 0.25 mm, in colour.
void draw_frame_side(OutputView* view, const Segment& side, int style, uint32_t colour);

// The frame of a text fragment between its frame corners (+38/+42,
// +46/+50): left, top, right, bottom sides with the styles of flag bits
// 6-7, 12-13, 8-9, 10-11.  A side of style 0 is drawn only while the
// fragment (`ref`) is open in the text-fragment dialog, then with style 1 in
// the marked colour.
void draw_fragment_frame(OutputView* view, const uint8_t* fragment, uint32_t ref);
