// The pick marker and the marks on a real device context under Wine: a
// 24-bit DIB stands for the window's paint DC.  A line through the marker
// is picked, one beside it is not, one in the marker's own colour is not;
// the walks' seams reach the marker only for an open window; the marks of
// a dimension draw the dotted line and both arrowhead strokes in the accent
// colour.
#define _USE_MATH_DEFINES
#include <windows.h>

#include <gtest/gtest.h>

#define _USE_MATH_DEFINES
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/output/dimension_seams.h"
#include "render/output/output_view.h"
#include "shell/core/mark_set.h"
#include "shell/panels.h"
#include "shell/projection_windows.h"
#include "shell/view_marks.h"
#include "shell/view_picking.h"
#include "store/settings_block.h"
#include "tests/win32_output/dib_picture.h"

using output_test::DibPicture;

namespace {

constexpr COLORREF marker = RGB(85, 255, 255);
constexpr COLORREF accent = RGB(255, 255, 85);

// A projection window record over a DIB: a hidden window gives the client
// size, the DIB's DC stands for the paint DC.
struct Fixture {
    DibPicture picture{200, 150};
    HWND window = nullptr;
    ProjectionWindow* w = nullptr;
    Fixture() {
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 150, nullptr, nullptr, nullptr, nullptr);
        RECT r;
        GetClientRect(window, &r);
        // The popup has no frame: its client is the whole 200 x 150.
        w = static_cast<ProjectionWindow*>(std::calloc(1, sizeof(ProjectionWindow)));
        w->window = window;
        w->paint_dc = picture.dc;
        w->number = 1;
        w->scale[0] = w->scale[1] = 1.0;
        w->next = projection_windows;
        projection_windows = w;
    }
    ~Fixture() {
        picking_window_gone(w);
        projection_windows = w->next;
        mark_set_free(w->marks);
        std::free(w);
        DestroyWindow(window);
    }
    void line(int x0, int y0, int x1, int y1, COLORREF c) {
        HPEN pen = CreatePen(PS_SOLID, 1, c);
        HGDIOBJ old = SelectObject(picture.dc, pen);
        MoveToEx(picture.dc, x0, y0, nullptr);
        LineTo(picture.dc, x1, y1);
        SelectObject(picture.dc, old);
        DeleteObject(pen);
    }
};

class ViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(settings_block_unpack(), 0);
        view_picking_bind();
        pick_marker_reset();
        current_stage = 3;
    }
    void TearDown() override {
        pick_marker_device = pick_marker_device_unbound;
        output_window_seams = output_window_seams_unbound;
        dimension_window_seams = dimension_window_seams_unbound;
        current_stage = 0;
    }
};

TEST_F(ViewsTest, LinesThroughAndBesideTheMarker) {
    struct Case {
        int y;
        COLORREF colour;
        int picked;
    } cases[] = {
        {60, RGB(0, 0, 0), 1},
        {61, RGB(200, 0, 0), 1},
        {63, RGB(0, 0, 0), 0},
        {60, marker, 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.picture.view.window = f.w;
        pick_marker_record_click(f.w, 80, 60);
        ASSERT_EQ(pick_marker_draw(f.w), 0);
        EXPECT_EQ(f.picture.at(80, 60), marker);
        EXPECT_EQ(f.picture.at(79, 59), marker);
        f.line(10, c.y, 190, c.y, c.colour);
        EXPECT_EQ(output_window_seams.pick_marker_damaged(f.picture.v(), 3, nullptr), c.picked) << c.y;
        // At another stage nothing is picked.
        EXPECT_EQ(output_window_seams.pick_marker_damaged(f.picture.v(), 5, nullptr), 0);
        // The marker stands at its pixel in model units (scale 1, no offset).
        Point2 at{-1, -1};
        output_window_seams.pick_marker_position(f.picture.v(), &at);
        EXPECT_DOUBLE_EQ(at.x, 80.0);
        EXPECT_DOUBLE_EQ(at.y, 60.0);
        EXPECT_EQ(dimension_window_seams.pick_marker_active(f.picture.v()), 1);
        EXPECT_EQ(pick_marker_erase(), 1);
        EXPECT_EQ(dimension_window_seams.pick_marker_active(f.picture.v()), 0);
    }
}

// A view whose window is not an open projection window (a sheet or a
// printer page, or a window already gone) never reaches the marker.
TEST_F(ViewsTest, SeamsIgnoreViewsWithoutAnOpenWindow) {
    Fixture f;
    pick_marker_record_click(f.w, 80, 60);
    ASSERT_EQ(pick_marker_draw(f.w), 0);
    f.line(10, 60, 190, 60, RGB(0, 0, 0));
    ProjectionWindow stranger{};
    f.picture.view.window = &stranger;
    EXPECT_EQ(output_window_seams.pick_marker_damaged(f.picture.v(), 3, nullptr), 0);
    f.picture.view.window = f.w;
    f.picture.view.device = output_printer;
    EXPECT_EQ(output_window_seams.pick_marker_damaged(f.picture.v(), 3, nullptr), 0);
    f.picture.view.device = output_screen;
    EXPECT_EQ(output_window_seams.pick_marker_damaged(f.picture.v(), 3, nullptr), 1);
}

// A dimension from (20, 75) to (150, 75): the dotted line between the ends
// and the two arrowhead strokes (12 pixels at +-30 degrees back from the
// second end) in the accent colour; nothing beyond the second end.
TEST_F(ViewsTest, MarksDrawDottedLineAndArrowhead) {
    Fixture f;
    MarkEntry* second = new MarkEntry{nullptr, 2, mark_second_end, 0, 150.0, 75.0};
    MarkEntry* first = new MarkEntry{second, 1, mark_first_end, 0, 20.0, 75.0};
    f.w->marks = new MarkSet{first, 0, 0, 0, {0, 0}};
    marks_draw(f.w, f.picture.dc);
    auto accent_near = [&](double x, double y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (f.picture.at(static_cast<int>(std::lround(x)) + dx, static_cast<int>(std::lround(y)) + dy) ==
                    accent)
                    return true;
        return false;
    };
    int on_line = 0;
    for (int x = 25; x <= 145; ++x) on_line += f.picture.at(x, 75) == accent;
    EXPECT_GT(on_line, 30) << "dotted line between the ends";
    EXPECT_LT(on_line, 121) << "a dotted line leaves gaps";
    for (int side = -1; side <= 1; side += 2) {
        int hits = 0;
        for (int i = 2; i <= 11; ++i) {
            double a = M_PI + side * M_PI / 6;
            hits += accent_near(150 + i * std::cos(a), 75 + i * std::sin(a));
        }
        EXPECT_GE(hits, 3) << "arrowhead stroke " << side;
    }
    for (int x = 153; x < 200; ++x)
        for (int y = 60; y <= 90; ++y) ASSERT_NE(f.picture.at(x, y), accent) << x << "," << y;
}

}  // namespace
