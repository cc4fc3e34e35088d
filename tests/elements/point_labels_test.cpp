// The place of a point's number label: the first of eight places round the
// mark whose box shows no other label, the last when every one does.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "stages/points_elements/point_labels.h"

namespace {

const int px = 100, py = 100, hx = 3, hy = 3, w = 12, h = 10;

struct Box {
    int left, top, right, bottom;  // [left, right) x [top, bottom)
};
Box box_of(LabelPlace p) { return {p.x, p.y - h, p.x + w, p.y}; }

TEST(PointLabels, FreeScreenTakesThePlaceRightOfTheMarkAtThePointsHeight) {
    int index = -1;
    LabelPlace p = point_label_choose(px, py, hx, hy, w, h, [](int, int) { return false; }, &index);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(p.x, px + hx + 1);
    EXPECT_EQ(p.y, py);
}

TEST(PointLabels, EveryPlaceCoveredTakesTheLastOneRightAndBelow) {
    int index = -1;
    LabelPlace p = point_label_choose(px, py, hx, hy, w, h, [](int, int) { return true; }, &index);
    EXPECT_EQ(index, 7);
    EXPECT_EQ(p.x, px + hx + 1);
    EXPECT_EQ(p.y, py + h + 1);
}

// Labels of points on one pixel, each drawn as a filled box: every new one
// goes to a later place whose middle lies in none of the labels drawn
// before, until no place is left.
TEST(PointLabels, LabelsOfPointsOnOnePixelDoNotCoverEachOther) {
    std::set<std::pair<int, int>> ink;
    std::vector<Box> drawn;
    int previous = -1;
    for (int k = 0; k < 8 && previous < 7; ++k) {
        int index = -1;
        LabelPlace p = point_label_choose(px, py, hx, hy, w, h,
                                          [&](int x, int y) { return ink.count({x, y}) > 0; }, &index);
        Box b = box_of(p);
        int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
        bool clear = true;
        for (const Box& d : drawn) clear = clear && !(cx >= d.left && cx < d.right && cy >= d.top && cy < d.bottom);
        if (index < 7) {
            EXPECT_TRUE(clear) << "label " << k << " at place " << index;
        }
        EXPECT_GT(index, previous);
        previous = index;
        drawn.push_back(b);
        for (int x = b.left; x < b.right; ++x)
            for (int y = b.top; y < b.bottom; ++y) ink.insert({x, y});
    }
    EXPECT_GE(drawn.size(), 3u);
    EXPECT_EQ(drawn.front().left, px + hx + 1);
}

// The places beside the mark keep clear of it.
TEST(PointLabels, PlacesBesideTheMarkKeepClearOfIt) {
    LabelPlace places[8];
    point_label_places(px, py, hx, hy, w, h, places);
    Box mark{px - hx, py - hy, px + hx + 1, py + hy + 1};
    for (int i : {0, 1, 2, 3, 4, 7}) {
        Box b = box_of(places[i]);
        EXPECT_TRUE(b.right <= mark.left || b.left >= mark.right) << i;
    }
    // The one above the mark ends over its top row.
    EXPECT_LE(box_of(places[6]).bottom, mark.top);
}

}  // namespace
