// The view arithmetic of the projection windows: sketch factors and sizes,
// scroll clamps, panning, wheel and zoom bounds, fitting, placements,
// numbering, default angles, the perspective eye, and the window list order.
#include "shell/core/projection_view.h"
#include "shell/core/window_list.h"
#include "base/byte_order.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

TEST(Sketch, FactorBaseScaleAndArea) {
    EXPECT_DOUBLE_EQ(sketch_factor(10.0, 4.0, 0), 2.5);
    EXPECT_DOUBLE_EQ(sketch_factor(10.0, 4.0, 1), 1.0);
    EXPECT_DOUBLE_EQ(sketch_factor(0.0, 4.0, 0), 1.0);
    EXPECT_DOUBLE_EQ(sketch_factor(10.0, 0.0001, 0), 1.0);  // 0 within the tolerance
    // 3.78 screen px/mm against a 300 dpi sketch (11811 px/m).
    EXPECT_NEAR(sketch_base_scale(3.78, 11811, 0), 3.78 / 11.811, 1e-12);
    EXPECT_DOUBLE_EQ(sketch_base_scale(3.78, 0, 0), 1.89);
    EXPECT_DOUBLE_EQ(sketch_base_scale(3.78, 11811, 1), 1.89);
    EXPECT_FLOAT_EQ(sketch_area_widen(-50.f, 100.f, 120.f), 170.f);
    EXPECT_FLOAT_EQ(sketch_area_widen(10.f, 500.f, 120.f), 500.f);
    struct { int in, out; } lighten[] = {{0, 170}, {255, 255}, {90, 200}, {254, 254}};
    for (auto& c : lighten) EXPECT_EQ(sketch_lighten_channel(static_cast<uint8_t>(c.in)), c.out) << c.in;
}

// The display refuses bitmaps above a pixel count: the sides shrink by 0.95
// (truncated) per step until it accepts, and stop at 99 pixels.
TEST(Sketch, ReductionLoop) {
    struct Limit {
        long long pixels;
        int calls;
    };
    auto can = [](void* c, int32_t w, int32_t h) {
        Limit* l = static_cast<Limit*>(c);
        ++l->calls;
        return static_cast<long long>(w) * h <= l->pixels ? 1 : 0;
    };
    Limit l = {1000LL * 1000, 0};
    int32_t w = 1200, h = 1000;
    ASSERT_EQ(sketch_reduce(&w, &h, can, &l), 1);
    // 1200x1000 (1.2e6) -> 1140x950 (1083000) -> 1083x902 (976866).
    EXPECT_EQ(w, 1083);
    EXPECT_EQ(h, 902);
    EXPECT_EQ(l.calls, 3);
    Limit none = {0, 0};
    w = 300;
    h = 200;
    EXPECT_EQ(sketch_reduce(&w, &h, can, &none), 0);
    EXPECT_LE(w, 99);
    EXPECT_LE(h, 99);
    EXPECT_GT(none.calls, 1);
}

// Rotation maps every destination pixel back to a source pixel: a quarter
// turn of a 5x5 image moves the corners and leaves no background holes.
TEST(Sketch, RotationHasNoHoles) {
    const int w = 5, h = 5;
    std::vector<uint8_t> src(w * h * 3), dst(w * h * 3, 7);
    for (int i = 0; i < w * h; ++i) src[i * 3] = src[i * 3 + 1] = src[i * 3 + 2] = static_cast<uint8_t>(i);
    sketch_rotate_pixels(src.data(), dst.data(), w, h, w * 3, std::acos(-1.0) / 2, 0, 255, 255, 255);
    int background = 0;
    for (int i = 0; i < w * h; ++i) background += dst[i * 3] == 255;
    EXPECT_EQ(background, 0);
    // Centre stays; the pixel at (x, y) shows source (c - (y - c), c + (x - c)).
    EXPECT_EQ(dst[(2 * w + 2) * 3], 12);
    EXPECT_EQ(dst[(0 * w + 4) * 3], src[(4 * w + 4) * 3]);  // source (4, 4)
    // 30 degrees: the corners fall outside and get the background; no value
    // other than a source value or the background appears.
    sketch_rotate_pixels(src.data(), dst.data(), w, h, w * 3, std::acos(-1.0) / 6, 1, 255, 255, 255);
    EXPECT_EQ(dst[(2 * w + 2) * 3], sketch_lighten_channel(12));
}

// The offset stays within [origin, origin + area - visible] for an area
// whose origin is not 0; everything visible puts it at the origin and hides
// the bar.
TEST(ViewAxis, ClampWithAreaOrigin) {
    struct Case {
        double offset, client, scale;
        double want_offset;
        int want_range, want_thumb;
    } cases[] = {
        // origin -50, area 200; visible 100 at scale 2 over 200 px.
        {-80, 200, 2, -50, 200, 0},
        {0, 200, 2, 0, 200, 100},      // (0 + 50) * 200 / 100
        {60, 200, 2, 50, 200, 200},    // origin + area - visible = 50
        {10, 500, 2, -50, 0, 0},       // visible 250 > area
        {NAN, 200, 2, -50, 200, 0},
    };
    for (const Case& c : cases) {
        ViewAxis a = {-50, 200, c.offset, c.scale, c.client};
        ScrollBarState s = view_axis_clamp(&a);
        EXPECT_DOUBLE_EQ(a.offset, c.want_offset) << c.offset;
        EXPECT_EQ(s.range, c.want_range) << c.offset;
        EXPECT_EQ(s.thumb, c.want_thumb) << c.offset;
    }
}

TEST(ViewAxis, PanAndScrollRequests) {
    ViewAxis a = {-50, 200, 0, 2, 200};  // visible 100
    view_axis_pan(&a, 40);                 // drag right by 40 px: 20 units back
    EXPECT_DOUBLE_EQ(a.offset, -20);
    view_axis_pan(&a, 1000);
    EXPECT_DOUBLE_EQ(a.offset, -50);
    view_axis_pan(&a, -1000);
    EXPECT_DOUBLE_EQ(a.offset, 50);
    // Everything visible: panning does not divide by a zero room.
    ViewAxis all = {0, 50, 0, 2, 200};
    ScrollBarState s = view_axis_pan(&all, -30);
    EXPECT_DOUBLE_EQ(all.offset, 0);
    EXPECT_EQ(s.range, 0);

    a.offset = 0;
    view_axis_scroll(&a, scroll_line_down, 0);
    EXPECT_DOUBLE_EQ(a.offset, 10);
    view_axis_scroll(&a, scroll_page_up, 0);
    EXPECT_DOUBLE_EQ(a.offset, -50);
    view_axis_scroll(&a, scroll_page_down, 0);
    EXPECT_DOUBLE_EQ(a.offset, 50);
    s = view_axis_scroll(&a, scroll_thumb, 100);  // half the client: half the room
    EXPECT_DOUBLE_EQ(a.offset, 0);
    EXPECT_EQ(s.thumb, 100);
}

// A scroll moves the view by whole pixels, so that the pixels still shown
// can be moved on the screen; never outside the area.
TEST(ViewAxis, SnapToWholePixels) {
    // origin -50, area 200, scale 3 over 200 px: visible 66.67, the offset
    // runs from -50 to 83.33.
    struct Case {
        double old_offset, requested;
        int want_ok;
        double want_offset;
        int want_pixels;
    } cases[] = {
        {0, 5.1, 1, 5.0, -15},              // 15.3 px: 15 whole pixels
        {0, -4.9, 1, -5.0, 15},             // 14.7 px the other way: 15
        {80.1, 83.0 + 1.0 / 3, 1, 83.1, -9},  // 10 px would pass the end: 9
        {-49.9, -50, 0, -50, 0},            // 0.3 px: drawn again exactly
        {0, 0, 1, 0, 0},                    // no change
        {0, 66.0 + 2.0 / 3, 0, 66.0 + 2.0 / 3, 0},  // a whole client: drawn again
    };
    for (const Case& c : cases) {
        ViewAxis a = {-50, 200, c.requested, 3, 200};
        int pixels = 99;
        EXPECT_EQ(view_axis_snap(&a, c.old_offset, &pixels), c.want_ok) << c.old_offset << " " << c.requested;
        EXPECT_NEAR(a.offset, c.want_offset, 1e-9) << c.old_offset << " " << c.requested;
        EXPECT_EQ(pixels, c.want_pixels) << c.old_offset << " " << c.requested;
        if (c.want_ok && c.want_pixels) {
            EXPECT_NEAR((c.old_offset - a.offset) * 3, c.want_pixels, 1e-9);
        }
    }
    ViewAxis bad = {0, 100, 10, NAN, 200};
    int pixels = 5;
    EXPECT_EQ(view_axis_snap(&bad, 0, &pixels), 0);
    EXPECT_EQ(pixels, 0);
}

TEST(Zoom, WheelStepsAndBounds) {
    EXPECT_DOUBLE_EQ(wheel_zoom(1.0, 120), 0.75);
    EXPECT_DOUBLE_EQ(wheel_zoom(1.0, -120), 1.25);
    EXPECT_DOUBLE_EQ(wheel_zoom(1.0, 600), 0.25);
    EXPECT_DOUBLE_EQ(wheel_zoom(90000.0, -240), zoom_maximum);
    // Many steps out never reach 0 nor jump back to 1.
    double z = 1.0;
    for (int i = 0; i < 60; ++i) z = wheel_zoom(z, 120);
    EXPECT_DOUBLE_EQ(z, zoom_minimum);
    EXPECT_DOUBLE_EQ(zoom_clamp(0.0), 1.0);
    EXPECT_DOUBLE_EQ(zoom_clamp(-2.5), 2.5);
    EXPECT_DOUBLE_EQ(zoom_clamp(INFINITY), 1.0);
    EXPECT_DOUBLE_EQ(zoom_clamp(1e9), zoom_maximum);
}

// The world point under the cursor stays under it.
TEST(Zoom, KeepsPointUnderCursor) {
    struct Case {
        double offset, old_scale, new_scale, px;
    } cases[] = {{10, 2, 5, 100}, {-50, 1, 0.25, 0}, {3.5, 4, 4, 33}, {0, 0.5, 100000, 640}};
    for (const Case& c : cases) {
        double world = c.px / c.old_scale + c.offset;
        double off = zoom_keep_offset(c.offset, c.old_scale, c.new_scale, c.px);
        EXPECT_NEAR(c.px / c.new_scale + off, world, 1e-9);
    }
}

TEST(Zoom, FitFactorsAndEmptyFrame) {
    EXPECT_DOUBLE_EQ(fit_axis_factor(400, 2, 100), 2.0);
    EXPECT_DOUBLE_EQ(fit_axis_factor(400, 2, 0), 1.0);
    EXPECT_DOUBLE_EQ(fit_axis_factor(400, 2, -2 * static_cast<double>(FLT_MAX)), 1.0);
    EXPECT_DOUBLE_EQ(fit_axis_offset(5, 25, -50), 5);
    // The empty frame (FLT_MAX .. -FLT_MAX) keeps the view at the area origin.
    EXPECT_DOUBLE_EQ(fit_axis_offset(FLT_MAX, -FLT_MAX, -50), -50);
}

TEST(Placement, TwoTogglesRestore) {
    PlacementState s = {};
    int minimise = 0;
    Placement start = {30, 40, 300, 200};
    Placement p = placement_toggle(&s, start, 1, 1000, 700, &minimise);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(p.w, 498);
    EXPECT_EQ(p.h, 700);
    EXPECT_EQ(minimise, 0);
    Placement moved = {5, 6, 400, 500};  // the user moved it meanwhile
    p = placement_toggle(&s, moved, 0, 1000, 700, &minimise);
    EXPECT_EQ(p.x, 30);
    EXPECT_EQ(p.w, 300);
    EXPECT_EQ(minimise, 1);
    // The next toggle returns to where the user left the second placement.
    p = placement_toggle(&s, start, 0, 1000, 700, &minimise);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.h, 500);
}

TEST(Numbering, NextNumberAndCounter) {
    uint32_t counter = 4;
    uint32_t open1[] = {1, 2, 4};
    EXPECT_EQ(projection_number_next_of(open1, 3, &counter), 3u);
    EXPECT_EQ(counter, 4u);
    counter = 3;
    uint32_t open2[] = {1, 2, 3};
    EXPECT_EQ(projection_number_next_of(open2, 3, &counter), 4u);
    EXPECT_EQ(counter, 4u);
    counter = 5;
    uint32_t open3[] = {2, 3};
    EXPECT_EQ(projection_number_next_of(open3, 2, &counter), 1u);
    counter = 0;
    EXPECT_EQ(projection_number_next_of(nullptr, 0, &counter), 1u);
    EXPECT_EQ(counter, 1u);
}

TEST(Angles, DefaultsByTypeAndPerspective) {
    const double pi = std::acos(-1.0);
    struct { int type; double a, b; } cases[] = {
        {0, pi / 2, pi / 2}, {1, pi / 2, pi / 2}, {2, pi / 2, 0}, {3, pi, pi / 2}, {4, 0, pi / 2},
        {5, pi / 2, pi},     {6, -pi / 2, pi / 2}, {7, pi / 2, pi / 2}, {8, pi / 2, pi / 2},
        {9, pi / 2, pi / 2}, {10, pi / 2, pi / 2}, {11, pi / 2, pi / 2}};
    for (auto& c : cases) {
        double a = 9, b = 9;
        view_default_angles(c.type, &a, &b);
        EXPECT_DOUBLE_EQ(a, c.a) << c.type;
        EXPECT_DOUBLE_EQ(b, c.b) << c.type;
    }
    uint8_t rec[60] = {};
    put_u16(rec, 8, 50);
    put_f32(rec, 10, 66.f);
    put_f32(rec, 14, 50.f);
    double k = perspective_update(rec);
    EXPECT_NEAR(k, 50 / std::sqrt(3.0), 1e-12);
    EXPECT_NEAR(get_f32(rec, 26), 100 + k, 1e-4);
    EXPECT_NEAR(get_f32(rec, 18), 16 * (100 + k) / k, 1e-3);
    EXPECT_EQ(get_f32(rec, 22), 0.f);
    // Infinitely far: the eye distance is FLT_MAX; an offset beyond it is
    // stored as FLT_MAX with its sign.
    put_u16(rec, 8, 100);
    put_f32(rec, 10, 100.f);
    put_f32(rec, 14, 0.f);
    perspective_update(rec);
    EXPECT_EQ(get_f32(rec, 26), FLT_MAX);
    EXPECT_EQ(get_f32(rec, 18), FLT_MAX);   // 50 / k > 1
    EXPECT_EQ(get_f32(rec, 22), -FLT_MAX);
    put_f32(rec, 10, 66.f);
    put_f32(rec, 14, 50.f);
    perspective_update(rec);
    EXPECT_FLOAT_EQ(get_f32(rec, 18), static_cast<float>(16.0 * FLT_MAX / k));
    EXPECT_EQ(get_f32(rec, 22), 0.f);
}

// Windows-1251 captions: "Вид сверху" (0xE2 0xE8 0xE4 0x20 0xF1) sorts
// before "Вид спереди" (0xF1 0xEF), ASCII before Cyrillic, "я" (0xFF) last.
TEST(WindowList, OrderByKindThenBytes) {
    WindowListEntry e[] = {
        {1, "  Вид спереди"},
        {8, "  Фрагмент 1"},
        {2, "  Вид сверху"},
        {9, "  Перспектива"},
        {0, "  яблоко"},
        {0, "  Alpha"},
        {11, "  образующая"},
        {7, "  ТехТребования"},
        {1, "  Вид спереди M2"},
    };
    size_t order[9];
    ASSERT_EQ(window_list_order(e, 9, order), 9u);
    std::vector<size_t> want = {3, 2, 0, 8, 7, 5, 4, 1, 6};
    EXPECT_EQ(std::vector<size_t>(order, order + 9), want);
    EXPECT_EQ(window_list_order(e, 0, order), 0u);
}

TEST(ContextMenu, PopupByStageAndState) {
    struct { int stage, tool, marked, kind, want; } cases[] = {
        {1, 1908, 0, 1, 2}, {1, 1990, 0, 1, 1}, {1, 239, 0, 1, 3}, {2, 0, 0, 1, 0},
        {3, 0, 0, 1, 5},    {3, 0, 1, 1, 4},    {3, 0, 1, 9, 6},   {4, 0, 0, 1, -1}, {5, 0, 1, 1, -1},
    };
    for (auto& c : cases)
        EXPECT_EQ(context_popup_index(c.stage, c.tool, c.marked, c.kind), c.want) << c.stage << " " << c.tool;
}

#include "shell/core/initial_projections.h"
#include "shell/core/projection_records.h"

// The wizard's rows: unchanged (front view, count 1) gives one front view
// without a sketch; count 3 with two files gives two sketched and one not;
// unchecked rows give nothing.
TEST(Wizard, RequestsFromRows) {
    std::vector<WizardRow> unchanged = {{1, 1, 1, {}}, {6, 0, 0, {}}};
    std::vector<WizardRequest> r = wizard_requests(unchanged);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].kind, 1);
    EXPECT_TRUE(r[0].file.empty());
    std::vector<WizardRow> rows = {{1, 1, 3, {"a.bmp", "b.jpg"}}, {2, 0, 2, {"c.bmp"}}, {7, 1, 1, {}}};
    r = wizard_requests(rows);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].file, "a.bmp");
    EXPECT_EQ(r[1].file, "b.jpg");
    EXPECT_EQ(r[2].file, "");
    EXPECT_EQ(r[3].kind, 7);
    EXPECT_TRUE(wizard_requests({}).empty());
}

TEST(Wizard, RecordFlagsAndFrame) {
    uint8_t rec[180];
    struct { int kind; uint16_t word114, flags; } cases[] = {
        {1, 0, 0x1011}, {1, 0x0040, 0x1111}, {1, 0x0240, 0x1011}, {7, 0x0040, 0x0017}, {9, 0x0040, 0x1119},
    };
    for (auto& c : cases) {
        wizard_record(rec, c.kind, 3, c.word114);
        EXPECT_EQ(get_u16(rec, 98), c.flags) << c.kind << " " << c.word114;
        EXPECT_EQ(get_u32(rec, 2), 3u);
        EXPECT_EQ(get_u32(rec, 50), 0u);  // area origin untouched by the frame
        EXPECT_EQ(get_u32(rec, 54), 0u);
        EXPECT_EQ(get_f32(rec, 58), FLT_MAX);
        EXPECT_EQ(get_f32(rec, 70), -FLT_MAX);
    }
}
