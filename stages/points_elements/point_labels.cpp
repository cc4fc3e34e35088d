// The choice of a place for a reference point's number label.
#include "stages/points_elements/point_labels.h"

namespace {

// Whether the text box of a label at `at` (w x h above the baseline) shows a
// taken pixel: the middle row is walked left to right and the middle column
// top to bottom, each sample one pixel off the line, to alternate sides, so
// that thin strokes of another label are met.
bool box_taken(LabelPlace at, int w, int h, const std::function<bool(int, int)>& taken) {
    int top = at.y - h, mid_y = at.y - h / 2, mid_x = at.x + w / 2;
    for (int i = 0; i < w; ++i)
        if (taken(at.x + i, mid_y + (i % 2 ? 1 : -1))) return true;
    for (int i = 0; i < h; ++i)
        if (taken(mid_x + (i % 2 ? 1 : -1), top + i)) return true;
    return false;
}

}  // namespace

void point_label_places(int px, int py, int hx, int hy, int w, int h, LabelPlace out[8]) {
    int right = px + hx + 1, left = px - hx - w - 1, centred = px - (w + 1) / 2;
    out[0] = {right, py};
    out[1] = {right, py + h / 2};
    out[2] = {left, py + h / 2};
    out[3] = {left, py};
    out[4] = {left, py + h + 1};
    out[5] = {centred, py + h + 1};
    out[6] = {centred, py - hy - 1};
    out[7] = {right, py + h + 1};
}

LabelPlace point_label_choose(int px, int py, int hx, int hy, int w, int h,
                              const std::function<bool(int x, int y)>& taken, int* index) {
    LabelPlace places[8];
    point_label_places(px, py, hx, hy, w, h, places);
    int i = 0;
    while (i < 7 && taken && box_taken(places[i], w, h, taken)) ++i;
    if (index) *index = i;
    return places[i];
}
