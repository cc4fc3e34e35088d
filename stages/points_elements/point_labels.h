// Where a reference point's number label goes: eight places round the
// point's mark are tried in a fixed order, and the first whose text box
// shows no pixel of the label colour (another label) is taken.
#pragma once
#include <functional>

// A label place: the text's left end and its baseline, in pixels.
struct LabelPlace {
    int x;
    int y;
};

// The eight places, in the order tried, for a point at pixel (px, py) with
// the mark's half size (hx, hy) and the text extent (w, h): right of the
// mark at the point's height; right, h/2 lower; left, h/2 lower; left at
// the point's height; left, h + 1 lower; centred, h + 1 lower; centred
// above the mark; right, h + 1 lower.
void point_label_places(int px, int py, int hx, int hy, int w, int h, LabelPlace out[8]);

// The first place whose text box has no taken pixel along a zig-zag over
// its middle row and its middle column (`taken` tells whether a pixel shows
// the label colour); the last place when all eight are taken.  *index (may
// be null) gets the place's number 0..7.
LabelPlace point_label_choose(int px, int py, int hx, int hy, int w, int h,
                              const std::function<bool(int x, int y)>& taken, int* index = nullptr);
