// The pick marker over a fake window: placing by clicks, the edge rules,
// picking by changed pixels, the colour rule, other windows and stages,
// and putting the pixels back.
#include "shell/core/pick_marker.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// A fake window: a pixel buffer with its size, the invalidated rectangles
// and the part a paint may draw.
struct FakeWindow {
    int width = 100, height = 80;
    std::vector<uint32_t> pixels;
    std::vector<std::vector<int>> invalidated;
    int drawable_left = 0, drawable_top = 0, drawable_right = 100, drawable_bottom = 80;
    FakeWindow() : pixels(100 * 80, 0x00FFFFFFu) {}
    uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    // Draws a horizontal line, as a walk would.
    void hline(int y, int x0, int x1, uint32_t c) {
        for (int x = x0; x <= x1; ++x) at(x, y) = c;
    }
};

FakeWindow* fake(ProjectionWindow* w) { return reinterpret_cast<FakeWindow*>(w); }
ProjectionWindow* handle(FakeWindow* f) { return reinterpret_cast<ProjectionWindow*>(f); }
int stage_now = 3;

const PickMarkerDevice fake_device = {
    [](ProjectionWindow* w, int x, int y) -> uint32_t {
        FakeWindow* f = fake(w);
        if (x < 0 || y < 0 || x >= f->width || y >= f->height) return 0xFFFFFFFFu;
        return f->at(x, y);
    },
    [](ProjectionWindow* w, int x, int y, uint32_t c) {
        FakeWindow* f = fake(w);
        if (x >= 0 && y >= 0 && x < f->width && y < f->height) f->at(x, y) = c;
    },
    [](ProjectionWindow* w, int l, int t, int r, int b) { fake(w)->invalidated.push_back({l, t, r, b}); },
    [](ProjectionWindow* w, int x, int y) {
        FakeWindow* f = fake(w);
        return x - 1 >= f->drawable_left && y - 1 >= f->drawable_top && x + 1 < f->drawable_right &&
                       y + 1 < f->drawable_bottom
                   ? 1
                   : 0;
    },
    [](ProjectionWindow* w, int* width, int* height) {
        *width = fake(w)->width;
        *height = fake(w)->height;
    },
    []() { return stage_now; },
};

class PickMarkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        pick_marker_device = fake_device;
        pick_marker = PickMarker{};
        stage_now = 3;
    }
    void TearDown() override {
        pick_marker_device = pick_marker_device_unbound;
        pick_marker = PickMarker{};
    }
};

// Where a click places a marker: 3 pixels or more inside on every side; a
// click at x = 0 or y = 0 is not even recorded.
TEST_F(PickMarkerTest, ClickPlacesOnlyInsideTheMargin) {
    FakeWindow f;  // 100 x 80
    struct Case {
        int x, y, placed, recorded;
    } cases[] = {
        {3, 3, 1, 1},   {96, 76, 1, 1},  {50, 40, 1, 1},  {2, 40, 0, 1},  {50, 2, 0, 1},
        {97, 40, 0, 1}, {50, 77, 0, 1},  {0, 40, 0, 0},   {50, 0, 0, 0},
    };
    for (const Case& c : cases) {
        pick_marker_record_click(handle(&f), 11, 12);  // a known earlier click
        pick_marker_record_click(handle(&f), c.x, c.y);
        int x = -1, y = -1;
        EXPECT_EQ(pick_marker_position(&x, &y), c.placed) << c.x << "," << c.y;
        EXPECT_EQ(pick_marker.band_armed, c.placed) << c.x << "," << c.y;
        pick_marker_last_click(&x, &y);
        if (c.recorded) {
            EXPECT_EQ(x, c.x);
            EXPECT_EQ(y, c.y);
        } else {
            EXPECT_EQ(x, 11);
            EXPECT_EQ(y, 12);
        }
        // An unplaced marker draws nothing and picks nothing.
        if (!c.placed) {
            EXPECT_EQ(pick_marker_draw(handle(&f)), 1);
            EXPECT_EQ(pick_marker_damaged(handle(&f), 3), 0);
        }
    }
}

// A paint: the marker is drawn, a line through it is picked, a line beside
// it is not, a line in exactly the marker colour is not; the erase puts
// the saved pixels back.
TEST_F(PickMarkerTest, LineThroughTheMarkerIsPicked) {
    struct Case {
        int line_y;
        uint32_t colour;
        int picked;
    } cases[] = {
        {40, 0x000000FFu, 1},            // through the centre
        {41, 0x00000000u, 1},            // through the bottom row
        {42, 0x00000000u, 0},            // just below
        {38, 0x00000000u, 0},            // just above
        {40, pick_marker_colour, 0},     // the marker's own colour changes nothing
    };
    for (const Case& c : cases) {
        FakeWindow f;
        f.at(50, 40) = 0x00123456u;  // something already on screen under the centre
        pick_marker_move(handle(&f), 50, 40);
        ASSERT_EQ(pick_marker.placed, 1);
        ASSERT_FALSE(f.invalidated.empty());
        EXPECT_EQ(f.invalidated.back(), (std::vector<int>{30, 20, 70, 60}));
        EXPECT_EQ(pick_marker_draw(handle(&f)), 0);
        for (int y = 39; y <= 41; ++y)
            for (int x = 49; x <= 51; ++x) EXPECT_EQ(f.at(x, y), pick_marker_colour);
        EXPECT_EQ(pick_marker_damaged(handle(&f), 3), 0) << "nothing drawn yet";
        f.hline(c.line_y, 10, 90, c.colour);
        EXPECT_EQ(pick_marker_damaged(handle(&f), 3), c.picked) << c.line_y;
        EXPECT_EQ(pick_marker_erase(), 1);
        EXPECT_EQ(f.at(50, 40), 0x00123456u) << "saved pixel put back";
        EXPECT_EQ(f.invalidated.back(), (std::vector<int>{49, 39, 52, 42}));
        EXPECT_EQ(pick_marker.placed, 0);
        EXPECT_EQ(pick_marker_erase(), 0) << "erased once only";
    }
}

// The marker of one window never picks in another window, at another stage,
// or while hidden; shown again it picks.
TEST_F(PickMarkerTest, OtherWindowStageOrHiddenPicksNothing) {
    FakeWindow a, b;
    pick_marker_record_click(handle(&a), 50, 40);
    EXPECT_EQ(pick_marker_draw(handle(&b)), 1);
    b.hline(40, 0, 99, 0);
    EXPECT_EQ(pick_marker_damaged(handle(&b), 3), 0);
    EXPECT_EQ(pick_marker_draw(handle(&a)), 0);
    a.hline(40, 0, 99, 0);
    EXPECT_EQ(pick_marker_damaged(handle(&b), 3), 0);
    EXPECT_EQ(pick_marker_damaged(handle(&a), 5), 0) << "another stage";
    pick_marker_hide();
    EXPECT_EQ(pick_marker_damaged(handle(&a), 3), 0) << "hidden";
    pick_marker_show();
    EXPECT_EQ(pick_marker_damaged(handle(&a), 3), 1);
    stage_now = 5;
    EXPECT_EQ(pick_marker_damaged(handle(&a), 5), 1);
}

// A paint whose update region leaves out part of the square neither draws
// nor picks, and keeps the marker for the paint that covers it.
TEST_F(PickMarkerTest, PartlyCoveredPaintKeepsTheMarker) {
    FakeWindow f;
    pick_marker_record_click(handle(&f), 50, 40);
    f.drawable_right = 51;  // column 51 is outside this paint
    EXPECT_EQ(pick_marker_draw(handle(&f)), 1);
    EXPECT_NE(f.at(50, 40), pick_marker_colour);
    f.hline(40, 0, 99, 0);
    EXPECT_EQ(pick_marker_damaged(handle(&f), 3), 0);
    EXPECT_EQ(pick_marker_erase(), 0);
    EXPECT_EQ(pick_marker.placed, 1);
    f.drawable_right = 100;
    EXPECT_EQ(pick_marker_draw(handle(&f)), 0);
    f.hline(40, 0, 99, 0);
    EXPECT_EQ(pick_marker_damaged(handle(&f), 3), 1);
}

// A redraw during the paint restores the marker over what was drawn since,
// so that only later objects pick; a recorded click saved no pixels, so its
// erase leaves the screen to the 3x3 repaint.
TEST_F(PickMarkerTest, RedrawForgetsEarlierDamage) {
    FakeWindow f;
    pick_marker_record_click(handle(&f), 50, 40);
    EXPECT_EQ(pick_marker_redraw(handle(&f)), 0) << "not drawn yet";
    ASSERT_EQ(pick_marker_draw(handle(&f)), 0);
    f.hline(40, 0, 99, 0);  // an element, not to be picked by the next walk
    ASSERT_EQ(pick_marker_damaged(handle(&f), 3), 1);
    EXPECT_EQ(pick_marker_redraw(handle(&f)), 1);
    EXPECT_EQ(pick_marker_damaged(handle(&f), 3), 0);
    f.hline(39, 0, 99, 0);
    EXPECT_EQ(pick_marker_damaged(handle(&f), 3), 1);
    f.invalidated.clear();
    EXPECT_EQ(pick_marker_erase(), 1);
    EXPECT_EQ(f.at(50, 39), 0u) << "no saved pixels written";
    ASSERT_EQ(f.invalidated.size(), 1u);
    pick_marker_record_click(handle(&f), 50, 40);
    pick_marker_forget_window(handle(&f));
    EXPECT_EQ(pick_marker.placed, 0);
}

// Moving erases the marker drawn before and places the new one; a move to
// the edge leaves no marker.
TEST_F(PickMarkerTest, MoveErasesThenPlaces) {
    FakeWindow f;
    pick_marker_move(handle(&f), 20, 20);
    ASSERT_EQ(pick_marker_draw(handle(&f)), 0);
    pick_marker_move(handle(&f), 60, 30);
    EXPECT_EQ(f.at(20, 20), 0x00FFFFFFu) << "old marker put back";
    int x, y;
    ASSERT_EQ(pick_marker_position(&x, &y), 1);
    EXPECT_EQ(x, 60);
    EXPECT_EQ(y, 30);
    pick_marker_move(handle(&f), 98, 30);
    EXPECT_EQ(pick_marker_position(&x, &y), 0);
    pick_marker_last_click(&x, &y);
    EXPECT_EQ(x, 98);
    pick_marker_reset();
    EXPECT_EQ(pick_marker.band_armed, 0);
}

}  // namespace
