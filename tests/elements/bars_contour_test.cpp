// Bars along a closed contour: the contour found around a point, its
// members marked (line type 15 and the excluded options left out), bars
// made on them, the caps inside hidden and the corners joined by arcs,
// checked against the polygon's own geometry; the arcs follow a moved
// corner through the rebuild.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "render/contours/contour_lists.h"
#include "render/contours/contour_search.h"
#include "stages/points_elements/bars.h"
#include "stages/points_elements/bars_contour.h"
#include "stages/points_elements/element_rebuild.h"
#include "tests/elements/elements_fixture.h"

namespace elements_test {
namespace {

class BarsContourTest : public ElementsTest {
public:
    void segment(uint32_t n, uint32_t p1, uint32_t p2, int line_type = 1, uint16_t options = 0) {
        Bytes r = fixed(1, {p1, p2}, line_type);
        put_u16(r.data(), element_options, options);
        put_point2(r.data(), element_coords2, point_at(p1));
        put_point2(r.data(), element_coords2 + 16, point_at(p2));
        add(r, n);
    }
    // The contour around `inside`, as the command finds it.
    ContourOutline outline_around(Point2 inside) {
        ContourOutline o;
        uint8_t* c = find_closed_contour(proj(), inside, contour_kind_hole, 1);
        EXPECT_NE(c, nullptr);
        if (!c) return o;
        EXPECT_TRUE(contour_outline_capture(df, proj(), c, &o));
        free_contour(c);
        return o;
    }
    // Marks the members, makes bars of width 2 with corner points, finishes.
    int allowance(const ContourOutline& o) {
        std::set<uint32_t> before = bar_centre_elements(df, proj());
        bars_contour_mark_members(df, proj(), o);
        BarSettings s;
        s.width = 2;
        unsigned char* p = proj();
        EXPECT_GT(bars_create_from_marked(df, &p, s, BarHooks{}), 0);
        return bars_contour_finish(df, proj(), o, before);
    }
    // Joining arcs: kind-3 records that are neither outlines nor in `except`.
    std::vector<Bytes> arcs(const std::set<uint32_t>& except) {
        std::vector<Bytes> out;
        for (Bytes& r : chain())
            if (element_kind(r.data()) == 3 && !(get_u16(r.data(), element_options) & element_opt_bar_outline) &&
                !except.count(get_u32(r.data(), element_number)))
                out.push_back(r);
        return out;
    }
};

ArcByCentre arc_of(const Bytes& r) {
    return ArcByCentre{get_point2(r.data(), element_coords3), get_point2(r.data(), element_coords3 + 16),
                       get_point2(r.data(), element_coords3 + 32)};
}

bool same(Point2 a, Point2 b) { return std::fabs(a.x - b.x) < 1e-6 && std::fabs(a.y - b.y) < 1e-6; }

struct Shape {
    const char* name;
    std::vector<Point2> corners;  // convex, in either turning direction
    std::vector<bool> reversed;   // edge i drawn from corner i+1 to corner i
};

TEST_F(BarsContourTest, ConvexOutlinesGetTheirCornersJoinedByArcsOutside) {
    const Shape shapes[] = {
        {"square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {false, false, false, false}},
        {"square, one edge drawn backwards", {{100, 0}, {110, 0}, {110, 10}, {100, 10}}, {false, true, false, false}},
        {"triangle turning the other way", {{200, 0}, {204, 9}, {212, 0}}, {false, false, false}},
    };
    uint32_t next = 1;
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        size_t n = s.corners.size();
        uint32_t first_point = next, first_element = next + 100;
        Point2 centroid{0, 0};
        for (size_t i = 0; i < n; ++i) {
            point(first_point + static_cast<uint32_t>(i), s.corners[i].x, s.corners[i].y);
            centroid.x += s.corners[i].x / n;
            centroid.y += s.corners[i].y / n;
        }
        std::set<uint32_t> members;
        for (size_t i = 0; i < n; ++i) {
            uint32_t a = first_point + static_cast<uint32_t>(i), b = first_point + static_cast<uint32_t>((i + 1) % n);
            if (s.reversed[i]) std::swap(a, b);
            segment(first_element + static_cast<uint32_t>(i), a, b);
            members.insert(first_element + static_cast<uint32_t>(i));
        }
        next += 200;

        std::set<uint32_t> old_arcs;
        for (const Bytes& r : arcs({})) old_arcs.insert(get_u32(r.data(), element_number));
        ContourOutline o = outline_around(centroid);
        EXPECT_EQ(std::set<uint32_t>(o.members.begin(), o.members.end()), members);
        EXPECT_TRUE(contour_outline_contains(o, centroid));
        EXPECT_FALSE(contour_outline_contains(o, Point2{centroid.x + 50, centroid.y}));
        EXPECT_EQ(allowance(o), static_cast<int>(n));

        // Expected arc ends: each corner moved by 1 along the outward
        // normal of either edge that meets there.
        std::vector<std::pair<Point2, std::vector<Point2>>> expected;
        for (size_t i = 0; i < n; ++i) {
            Point2 c = s.corners[i];
            std::vector<Point2> ends;
            for (size_t j : {(i + n - 1) % n, i}) {
                Point2 a = s.corners[j], b = s.corners[(j + 1) % n];
                double len = std::hypot(b.x - a.x, b.y - a.y);
                Point2 nrm{-(b.y - a.y) / len, (b.x - a.x) / len};
                Point2 mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
                if (nrm.x * (mid.x - centroid.x) + nrm.y * (mid.y - centroid.y) < 0) nrm = {-nrm.x, -nrm.y};
                ends.push_back({c.x + nrm.x, c.y + nrm.y});
            }
            expected.push_back({c, ends});
        }
        double total = 0;
        std::vector<Bytes> found;
        for (const Bytes& r : arcs(old_arcs))
            if (!members.count(get_u32(r.data(), element_number))) found.push_back(r);
        ASSERT_EQ(found.size(), n);
        for (const Bytes& r : found) {
            ArcByCentre a = arc_of(r);
            auto at = std::find_if(expected.begin(), expected.end(),
                                   [&](const std::pair<Point2, std::vector<Point2>>& e) { return same(e.first, a.centre); });
            ASSERT_NE(at, expected.end()) << "arc centre off every corner";
            const std::vector<Point2>& ends = at->second;
            EXPECT_TRUE((same(a.start, ends[0]) && same(a.end, ends[1])) ||
                        (same(a.start, ends[1]) && same(a.end, ends[0])));
            double sweep = arc_sweep_angle(&a);
            EXPECT_LT(sweep, pi);
            total += sweep;
            Point2 m{};
            arc_midpoint(&a, &m);
            EXPECT_FALSE(contour_outline_contains(o, m)) << "the arc bulges inwards";
            // The arc's end points are the bars' corner points, its centre
            // the contour's point.
            uint32_t centre_point = get_u32(r.data(), element_points + 8);
            EXPECT_TRUE(same(point_at(centre_point), a.centre));
            EXPECT_TRUE(same(point_at(get_u32(r.data(), element_points)), a.start));
            EXPECT_TRUE(same(point_at(get_u32(r.data(), element_points + 4)), a.end));
            expected.erase(at);
        }
        // The exterior angles of a convex polygon make one full turn.
        EXPECT_NEAR(total, 2 * pi, 1e-9);

        // Of each new bar only the two sides still show.
        for (const Bytes& bar : bars()) {
            if (!members.count(get_u32(bar.data(), bar_element))) continue;
            for (int slot = 0; slot < 6; ++slot) {
                bool side = slot == 1 || slot == 4;
                for (const Bytes& piece : all(get_u32(bar.data(), bar_slots + bar_slot_size * slot)))
                    EXPECT_EQ(element_line_type(piece.data()) != 0, side) << "slot " << slot;
            }
        }
        // No mark is left.
        for (const Bytes& r : chain()) EXPECT_FALSE(get_u16(r.data(), element_flags) & element_flag_marked);
    }
}

TEST_F(BarsContourTest, MembersOfLineType15OrExcludedByOptionsGetNoBar) {
    point(1, 0, 0);
    point(2, 10, 0);
    point(3, 10, 10);
    point(4, 0, 10);
    segment(11, 1, 2);
    segment(12, 2, 3, 15);
    segment(13, 3, 4, 1, 0x0200);
    segment(14, 4, 1, 1, 0x0400);
    segment(15, 1, 3);  // a diagonal: no member of the outer contour
    ContourOutline o;
    for (uint32_t n : {11u, 12u, 13u, 14u}) {
        o.members.push_back(n);
        contour_outline_add_element(&o, stored(n).data());
    }
    EXPECT_EQ(bars_contour_mark_members(df, proj(), o), 1);
    for (uint32_t n : {11u, 12u, 13u, 14u, 15u})
        EXPECT_EQ((get_u16(stored(n).data(), element_flags) & element_flag_marked) != 0, n == 11) << n;
}

TEST_F(BarsContourTest, JoiningArcsFollowAMovedCorner) {
    const Point2 c[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    for (uint32_t i = 0; i < 4; ++i) point(i + 1, c[i].x, c[i].y);
    for (uint32_t i = 0; i < 4; ++i) segment(11 + i, i + 1, (i + 1) % 4 + 1);
    ContourOutline o = outline_around({5, 5});
    ASSERT_EQ(allowance(o), 4);
    std::set<uint32_t> members = {11, 12, 13, 14};

    move_point(3, 14, 10);
    RebuildHooks hooks;
    hooks.bars = [this](unsigned char* p) { rebuild_bars(df, p); };
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    int at_moved = 0;
    for (const Bytes& r : arcs(members)) {
        ArcByCentre a = arc_of(r);
        EXPECT_NEAR(point_distance(a.start, a.centre), 1.0, 1e-9);
        EXPECT_NEAR(point_distance(a.end, a.centre), 1.0, 1e-9);
        EXPECT_LT(arc_sweep_angle(&a), pi);
        if (same(a.centre, {14, 10})) ++at_moved;
    }
    EXPECT_EQ(at_moved, 1);
    // The hidden caps stay hidden after the rebuild.
    int showing = 0;
    for (const Bytes& r : chain())
        if ((get_u16(r.data(), element_options) & element_opt_bar_outline) && element_line_type(r.data()))
            ++showing;
    EXPECT_EQ(showing, 8);
}

}  // namespace
}  // namespace elements_test
