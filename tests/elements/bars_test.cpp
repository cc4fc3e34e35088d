// Bars: outlines of straight, circular and curved bars against geometry
// worked out by hand, joints along a curve, hiding inside another bar,
// corner points, creation with joining of numbers, and deletion.
#include <gtest/gtest.h>

#include <set>

#include "geometry/units_scale.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/element_rebuild.h"
#include "tests/elements/elements_fixture.h"

namespace elements_test {
namespace {

struct Side {
    int kind;
    int line_type;
    Point2 g[3];
};

class BarsTest : public ElementsTest {
public:
    void SetUp() override {
        ElementsTest::SetUp();
        // The figures below are in millimetres at scale 1.
        ASSERT_DOUBLE_EQ(nominal_to_view_length(proj(), 1.0, 0), 1.0);
    }

    // A segment element with its coordinates filled.
    void segment(uint32_t n, uint32_t p1, uint32_t p2) {
        Bytes r = fixed(1, {p1, p2});
        put_point2(r.data(), element_coords2, point_at(p1));
        put_point2(r.data(), element_coords2 + 16, point_at(p2));
        add(r, n);
    }
    // A bar record on element `element` made through the dialog's path.
    void make_bar(std::vector<uint32_t> marked, double width, uint16_t flags = 1) {
        for (uint32_t n : marked) mark(n, true);
        BarSettings s;
        s.flags = flags;
        s.width = width;
        unsigned char* p = proj();
        ASSERT_GE(bars_create_from_marked(df, &p, s, BarHooks{}), 0);
    }
    void mark(uint32_t n, bool on) {
        PageBuffer* b = &page_buffers[table_elements];
        for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;
             r = record_next(df, head(projection_elements), r, b))
            if (get_u32(r, element_number) == n) {
                uint16_t f = get_u16(r, element_flags);
                put_u16(r, element_flags, static_cast<uint16_t>(on ? f | element_flag_marked : f & ~element_flag_marked));
                b->clean = 0;
            }
    }
    // The outline records of side `side` of the bar on `element`.
    std::vector<Side> sides(uint32_t element, int side) {
        std::vector<Side> out;
        for (const Bytes& bar : bars()) {
            if (get_u32(bar.data(), bar_element) != element) continue;
            uint32_t number = get_u32(bar.data(), bar_slots + bar_slot_size * side);
            for (const Bytes& r : all(number)) {
                EXPECT_TRUE(get_u16(r.data(), element_options) & element_opt_bar_outline);
                Side s{element_kind(r.data()), element_line_type(r.data()), {}};
                int k = s.kind == 3 ? 3 : 2;
                uint32_t at = s.kind == 3 ? element_coords3 : element_coords2;
                for (int i = 0; i < k; ++i) s.g[i] = get_point2(r.data(), at + 16 * i);
                out.push_back(s);
            }
        }
        return out;
    }
    int outline_count() {
        int n = 0;
        for (const Bytes& r : chain())
            if (get_u16(r.data(), element_options) & element_opt_bar_outline) ++n;
        return n;
    }
};

void expect_near(Point2 a, Point2 b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-9) << what;
    EXPECT_NEAR(a.y, b.y, 1e-9) << what;
}

TEST_F(BarsTest, StraightBarSidesAndCapsWithAndWithoutLengthening) {
    struct Case {
        uint16_t flags;
        double start_x, end_x;  // where the lengthened centre line ends
    } cases[] = {
        {1, 0, 10},
        {1 | bar_flag_lengthen_start, -1, 10},
        {1 | bar_flag_lengthen_start | bar_flag_lengthen_end, -1, 11},
    };
    uint32_t e = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        // Each bar on its own line, far from the others.
        uint32_t p1 = e * 10 + 1, p2 = e * 10 + 2;
        double y = 20.0 * (e - 10);
        point(p1, 0, y);
        point(p2, 10, y);
        segment(e, p1, p2);
        make_bar({e}, 2.0, c.flags);
        // Left of the travel from P1 to P2 is +y: side 1 at y = 1, side 4
        // at y = -1 running back.
        std::vector<Side> s1 = sides(e, 1), s4 = sides(e, 4);
        ASSERT_EQ(s1.size(), 1u);
        ASSERT_EQ(s4.size(), 1u);
        expect_near(s1[0].g[0], {c.start_x, y + 1}, "side 1 start");
        expect_near(s1[0].g[1], {c.end_x, y + 1}, "side 1 end");
        expect_near(s4[0].g[0], {c.end_x, y - 1}, "side 4 start");
        expect_near(s4[0].g[1], {c.start_x, y - 1}, "side 4 end");
        ASSERT_EQ(sides(e, 0).size(), 1u);
        expect_near(sides(e, 0)[0].g[0], {c.start_x, y}, "cap 0");
        expect_near(sides(e, 0)[0].g[1], {c.start_x, y + 1}, "cap 0");
        expect_near(sides(e, 2)[0].g[0], {c.end_x, y + 1}, "cap 2");
        expect_near(sides(e, 3)[0].g[1], {c.end_x, y - 1}, "cap 3");
        expect_near(sides(e, 5)[0].g[0], {c.start_x, y - 1}, "cap 5");
        for (int side = 0; side < 6; ++side) EXPECT_EQ(sides(e, side)[0].line_type, 1) << side;
        ++e;
    }
    // Every bar is rebuilt once, whatever the number of rebuilds.
    int before = outline_count();
    EXPECT_EQ(rebuild_bars(df, proj()), before);
    EXPECT_EQ(outline_count(), before);
}

TEST_F(BarsTest, ArcAndCircleSidesKeepTheCentreAndOffsetTheRadius) {
    // A clockwise arc of radius 10 from (10,0) to (0,-10) about the origin.
    point(1, 10, 0);
    point(2, 0, -10);
    point(3, 0, 0);
    Bytes arc = fixed(3, {1, 2, 3});
    put_point2(arc.data(), element_coords3, {10, 0});
    put_point2(arc.data(), element_coords3 + 16, {0, -10});
    put_point2(arc.data(), element_coords3 + 32, {0, 0});
    add(arc, 5);
    point(4, 30, 0);
    point(5, 20, 0);
    Bytes circle = fixed(2, {4, 5});
    put_point2(circle.data(), element_coords2, {30, 0});
    put_point2(circle.data(), element_coords2 + 16, {20, 0});
    add(circle, 6);
    make_bar({5, 6}, 2.0);

    // The outside is on the left of a clockwise travel: side 1 at r + h.
    struct Want {
        int side;
        double radius;
    } arcs[] = {{1, 11}, {4, 9}};
    for (const Want& w : arcs) {
        std::vector<Side> s = sides(5, w.side);
        ASSERT_EQ(s.size(), 1u);
        ASSERT_EQ(s[0].kind, 3);
        expect_near(s[0].g[2], {0, 0}, "centre");
        EXPECT_NEAR(point_distance(s[0].g[0], {0, 0}), w.radius, 1e-9);
        EXPECT_NEAR(point_distance(s[0].g[1], {0, 0}), w.radius, 1e-9);
        // The stored arc still runs clockwise from the ray at 0 to the ray
        // at -90 degrees.
        expect_near(s[0].g[0], {w.radius, 0}, "start");
        expect_near(s[0].g[1], {0, -w.radius}, "end");
    }
    // A circle: side 1 inside, side 4 outside, no caps.
    for (const Want& w : {Want{1, 9}, Want{4, 11}}) {
        std::vector<Side> s = sides(6, w.side);
        ASSERT_EQ(s.size(), 1u);
        EXPECT_EQ(s[0].kind, 2);
        expect_near(s[0].g[1], {20, 0}, "centre");
        EXPECT_NEAR(point_distance(s[0].g[0], {20, 0}), w.radius, 1e-9);
    }
    EXPECT_TRUE(sides(6, 0).empty());
    EXPECT_TRUE(sides(6, 2).empty());
}

TEST_F(BarsTest, CurvePiecesMeetAtTheCornersOfTheirOffsetLines) {
    // An L of two straight pieces: (0,0) -> (10,0) -> (10,10); the through
    // points lie on the chords, so each piece is straight.
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 10, 10);
    Bytes c = curve({1, 2, 3});
    Point2 v[3] = {{0, 0}, {10, 0}, {10, 10}}, through[2] = {{5, 0}, {10, 5}};
    for (int i = 0; i < 3; ++i) put_point2(c.data(), curve_vertices + 36 * i + curve_vertex_x, v[i]);
    for (int i = 0; i < 2; ++i) put_point2(c.data(), curve_vertices + 36 * i + curve_vertex_through_x, through[i]);
    add(c, 7);
    make_bar({7}, 2.0);

    // Side 1 (left) runs along y = 1 then x = 9: they meet at (9, 1);
    // side 4 along y = -1 and x = 11: at (11, -1).
    std::vector<Side> s1 = sides(7, 1), s4 = sides(7, 4);
    ASSERT_EQ(s1.size(), 2u);
    ASSERT_EQ(s4.size(), 2u);
    auto has = [](const std::vector<Side>& s, Point2 a, Point2 b) {
        for (const Side& x : s)
            if (point_distance(x.g[0], a) < 1e-9 && point_distance(x.g[1], b) < 1e-9) return true;
        return false;
    };
    EXPECT_TRUE(has(s1, {0, 1}, {9, 1}));
    EXPECT_TRUE(has(s1, {9, 1}, {9, 10}));
    EXPECT_TRUE(has(s4, {11, -1}, {0, -1}));
    EXPECT_TRUE(has(s4, {11, 10}, {11, -1}));
    // Caps only at the curve's two ends.
    EXPECT_EQ(sides(7, 0).size(), 1u);
    EXPECT_EQ(sides(7, 5).size(), 1u);
    EXPECT_EQ(sides(7, 2).size(), 1u);
    EXPECT_EQ(sides(7, 3).size(), 1u);
    expect_near(sides(7, 2)[0].g[0], {9, 10}, "end cap");
}

TEST_F(BarsTest, PiecesInsideAnotherBarAreHidden) {
    // A horizontal bar and a vertical one starting on its centre line.
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 5, 0);
    point(4, 5, 10);
    segment(1, 1, 2);
    segment(2, 3, 4);
    make_bar({1}, 2.0);
    make_bar({2}, 2.0);
    struct Case {
        uint32_t element;
        int side;
        int line_type;
    } cases[] = {
        {1, 1, 0},  // y = 1, middle (5, 1) on the vertical bar's centre
        {1, 4, 1},  // y = -1: the vertical bar starts at y = 0
        {1, 0, 1},
        {2, 0, 0},  // start cap halves lie on the horizontal centre line
        {2, 5, 0},
        {2, 1, 1},
        {2, 4, 1},
        {2, 2, 1},
    };
    for (const Case& c : cases) {
        std::vector<Side> s = sides(c.element, c.side);
        ASSERT_EQ(s.size(), 1u);
        EXPECT_EQ(s[0].line_type, c.line_type) << c.element << " side " << c.side;
    }
}

TEST_F(BarsTest, CornerPointsAreMadeOnceAndFollowTheirBar) {
    point(1, 0, 0);
    point(2, 10, 0);
    segment(1, 1, 2);
    make_bar({1}, 4.0, 1 | bar_flag_corners_start | bar_flag_corners_end);
    ASSERT_EQ(bars().size(), 1u);
    Bytes bar = bars()[0];
    ASSERT_EQ(get_u16(bar.data(), record_length), bar_record_size_corners);
    Point2 want[4] = {{0, 2}, {0, -2}, {10, 2}, {10, -2}};
    uint32_t numbers[4];
    for (int k = 0; k < 4; ++k) {
        numbers[k] = get_u32(bar.data(), bar_corners + 4 * k);
        ASSERT_NE(numbers[k], 0u);
        expect_near(point_at(numbers[k]), want[k], "corner");
        EXPECT_TRUE(point_flags_of(numbers[k]) & point_flag_no_dimension);
    }
    // The line's end moves: the same corner points move with it.
    move_point(2, 20, 0);
    ASSERT_GE(rebuild_projection_elements(df, proj(), false, RebuildHooks{}), 0);
    ASSERT_GE(rebuild_bars(df, proj()), 0);
    bar = bars()[0];
    for (int k = 0; k < 4; ++k) EXPECT_EQ(get_u32(bar.data(), bar_corners + 4 * k), numbers[k]);
    expect_near(point_at(numbers[2]), {20, 2}, "moved corner");
    expect_near(point_at(numbers[3]), {20, -2}, "moved corner");
}

// A four-point picture symbol placed on a bar's corner points follows them
// when the bar is rebuilt, and the rebuild names it for a new bend; a
// symbol whose points stayed, and a rebuild that moves nothing, name none.
TEST_F(BarsTest, SymbolsOnMovedCornerPointsAreNamedForANewBend) {
    point(1, 0, 0);
    point(2, 10, 0);
    segment(1, 1, 2);
    make_bar({1}, 4.0, 1 | bar_flag_corners_start | bar_flag_corners_end);
    Bytes bar = bars().at(0);
    uint32_t c[4];
    for (int k = 0; k < 4; ++k) c[k] = get_u32(bar.data(), bar_corners + 4 * k);
    // Symbol 20 spans the end corners (and the start ones); symbol 21 uses
    // only the start corners and the line's start.
    point(50, 0, 5);
    Bytes moving = symbol(1001, {c[0], c[2], c[3], c[1]});
    Bytes staying = symbol(1002, {c[0], c[1], 1, 50});
    const uint32_t moving_points[4] = {c[0], c[2], c[3], c[1]};
    const uint32_t staying_points[4] = {c[0], c[1], 1, 50};
    for (int i = 0; i < 4; ++i) {
        put_point2(moving.data(), element_symbol_items + element_symbol_item_size * i + 4, point_at(moving_points[i]));
        put_point2(staying.data(), element_symbol_items + element_symbol_item_size * i + 4, point_at(staying_points[i]));
    }
    add(moving, 20);
    add(staying, 21);

    std::vector<uint32_t> pictures;
    ASSERT_GE(rebuild_bars(df, proj(), &pictures), 0);
    EXPECT_TRUE(pictures.empty()) << "nothing moved";

    move_point(2, 20, 0);
    ASSERT_GE(rebuild_projection_elements(df, proj(), false, RebuildHooks{}), 0);
    pictures.clear();
    ASSERT_GE(rebuild_bars(df, proj(), &pictures), 0);
    std::set<uint32_t> named(pictures.begin(), pictures.end());
    EXPECT_EQ(named, (std::set<uint32_t>{20}));
    // The symbol's stored points are the corners' new places.
    const Bytes stored = all(20).at(0);
    expect_near(get_point2(stored.data(), element_symbol_items + element_symbol_item_size * 1 + 4), {20, 2},
                "second point");
    expect_near(get_point2(stored.data(), element_symbol_items + element_symbol_item_size * 2 + 4), {20, -2},
                "third point");
}

TEST_F(BarsTest, JoiningGivesMarkedBarsAndNewOnesOneFreshNumber) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 0, 5);
    point(4, 10, 5);
    point(5, 0, 10);
    point(6, 10, 10);
    segment(1, 1, 2);
    segment(2, 3, 4);
    segment(3, 5, 6);
    make_bar({1}, 2.0);
    make_bar({2}, 2.0);
    ASSERT_EQ(bars().size(), 2u);
    EXPECT_NE(get_u16(bars()[0].data(), bar_number), get_u16(bars()[1].data(), bar_number));
    // Two centres of different bars and a free line.
    make_bar({1, 2, 3}, 2.0);
    std::vector<Bytes> b = bars();
    ASSERT_EQ(b.size(), 3u);
    std::set<uint16_t> numbers;
    for (const Bytes& r : b) numbers.insert(get_u16(r.data(), bar_number));
    EXPECT_EQ(numbers.size(), 1u);
    EXPECT_EQ(*numbers.begin(), 3);  // 1 and 2 were in use when it was taken
    for (uint32_t e : {1u, 2u, 3u}) EXPECT_FALSE(get_u16(stored(e).data(), element_flags) & element_flag_marked);
}

TEST_F(BarsTest, WhatTheMarksMakeOfTheDialogAndWhatIsRefused) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 0, 5);
    point(4, 10, 5, point_flag_no_dimension);
    segment(1, 1, 2);
    segment(2, 3, 4);
    make_bar({1}, 3.0);
    uint32_t outline = get_u32(bars()[0].data(), bar_slots + bar_slot_size);

    struct Case {
        std::vector<uint32_t> marked;
        bool create, information;
    } cases[] = {
        {{2}, true, false},
        {{1}, false, false},
        {{outline}, false, true},
        {{outline, 2}, false, true},
    };
    for (const Case& c : cases) {
        for (uint32_t n : c.marked) mark(n, true);
        BarDialogView v = bar_dialog_examine(df, proj());
        EXPECT_EQ(v.create, c.create);
        EXPECT_EQ(v.information, c.information);
        if (c.marked[0] != 2) {
            EXPECT_TRUE(v.width_known);
            EXPECT_DOUBLE_EQ(v.width, 3.0);
        }
        for (uint32_t n : c.marked) mark(n, false);
    }
    // A line ending on a fixed point gets no bar.
    make_bar({2}, 2.0);
    EXPECT_EQ(bars().size(), 1u);
    EXPECT_EQ(next_free_bar_number(df, proj()), 2);
}

TEST_F(BarsTest, DeletingABarRemovesOutlinesAndCornersButNotUserElements) {
    point(1, 0, 0);
    point(2, 10, 0);
    segment(1, 1, 2);
    make_bar({1}, 2.0, 1 | bar_flag_corners_start | bar_flag_corners_end);
    Bytes bar = bars()[0];
    uint32_t kept = get_u32(bar.data(), bar_corners);        // (0, 1)
    uint32_t gone = get_u32(bar.data(), bar_corners + 4);    // (0, -1)
    point(9, 5, 5);
    segment(2, kept, 9);  // the user drew on a corner point
    ASSERT_GT(outline_count(), 0);
    EXPECT_EQ(delete_bar_records(df, proj(), 1), 1);
    EXPECT_TRUE(bars().empty());
    EXPECT_EQ(outline_count(), 0);
    EXPECT_FALSE(get_u16(stored(1).data(), element_options) & element_opt_bar_centre);
    EXPECT_NE(point_flags_of(kept), 0xFFFF);
    EXPECT_EQ(point_flags_of(gone), 0xFFFF);
}

TEST_F(BarsTest, ABarWhoseElementIsGoneIsDeletedAtTheNextRebuild) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 0, 5);
    point(4, 10, 5);
    segment(1, 1, 2);
    segment(2, 3, 4);
    make_bar({1}, 2.0);
    make_bar({2}, 2.0);
    // Element 1 goes without its bar.
    PageBuffer* b = &page_buffers[table_elements];
    for (uint8_t* r = record_next(df, head(projection_elements), nullptr, b); r;)
        r = get_u32(r, element_number) == 1 ? record_delete_and_next(df, head(projection_elements), r, b)
                                             : record_next(df, head(projection_elements), r, b);
    ASSERT_GE(rebuild_bars(df, proj()), 0);
    std::vector<Bytes> left = bars();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(get_u32(left[0].data(), bar_element), 2u);
    EXPECT_EQ(bars_delete_all(df, proj()), 1);
    EXPECT_TRUE(bars().empty());
    EXPECT_EQ(outline_count(), 0);
}

}  // namespace
}  // namespace elements_test
