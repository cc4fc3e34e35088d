// The hatch kinds and their generators: the pieces laid over a range box on
// the grid of the projection's frame.
#include "contour_fixture.h"

#include "geometry/metric.h"
#include "render/contours/hatch_patterns.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

using namespace contour_test;

namespace {

struct Piece {
    int kind;  // 1 segment, 2 circle
    Point2 a, b;
    uint16_t flags;
};

class HatchPatterns : public ContourTest {
protected:
    Box anchor{0, 0, 100, 100};
    Box range{20, 30, 50, 60};
    std::vector<uint8_t> hatch = std::vector<uint8_t>(hatching_record_size, 0);

    void SetUp() override {
        ContourTest::SetUp();
        hatch_kinds_install();
    }
    void params(float p1, float p2) {
        put_f32(hatch.data(), hatching_param1, p1);
        put_f32(hatch.data(), hatching_param2, p2);
    }
    std::vector<Piece> run(int code, const Box& r) {
        std::vector<Piece> out;
        const HatchKind* k = hatch_kind_by_code(code);
        EXPECT_NE(k, nullptr);
        void* state = nullptr;
        uint8_t buf[2048];
        while (k && k->generator(&anchor, &r, &state, hatch.data(), buf) == 1) {
            out.push_back(Piece{element_kind(buf), get_point2(buf, element_coords2), get_point2(buf, element_coords2 + 16),
                                get_u16(buf, element_flags)});
            if (out.size() > 200000) break;
        }
        EXPECT_EQ(state, nullptr);
        return out;
    }
    std::vector<Piece> run(int code) { return run(code, range); }
};

const double pi = std::acos(-1.0);

double length(const Piece& p) { return point_distance(p.a, p.b); }
// Signed distance of q from the line of p (unit normal).
double side(const Piece& p, Point2 q) {
    double dx = p.b.x - p.a.x, dy = p.b.y - p.a.y, l = std::hypot(dx, dy);
    return ((q.x - p.a.x) * dy - (q.y - p.a.y) * dx) / l;
}

TEST_F(HatchPatterns, TableOfKinds) {
    EXPECT_EQ(hatch_kind_by_code(0)->generator, nullptr);
    EXPECT_STREQ(hatch_kind_by_code(0)->name, " нет штриховки");
    EXPECT_STREQ(hatch_kind_by_code(13)->name, " штриховка\n пользователя");
    EXPECT_EQ(hatch_kind_by_code(14), nullptr);
    EXPECT_EQ(hatch_kind_by_code(1)->parameter1.default_value, 0.7853982f);
    EXPECT_EQ(hatch_kind_by_code(1)->parameter1.unit, hatch_unit_angle);
    EXPECT_EQ(hatch_kind_by_code(7)->parameter2.default_value, 5.0f);
    EXPECT_EQ(hatch_kind_by_code(11)->parameter1.default_value, 1.25f);
    EXPECT_EQ(hatch_kind_by_code(11)->parameter2.label, nullptr);
    for (int c = 1; c < hatch_kind_count; ++c) EXPECT_NE(hatch_kind_by_code(c)->generator, nullptr) << c;
}

struct FamilyCase {
    float angle;
    double spacing;
};

TEST_F(HatchPatterns, MetalLinesAreParallelEvenlySpacedAndCoverTheRange) {
    const FamilyCase cases[] = {{0.7853982f, 2.5}, {0.3f, 4}, {2.0f, 3}, {-0.6f, 2}};
    for (const FamilyCase& c : cases) {
        params(c.angle, static_cast<float>(c.spacing));
        std::vector<Piece> lines = run(1);
        ASSERT_GE(lines.size(), 3u) << c.angle;
        double a = static_cast<double>(c.angle);
        for (const Piece& l : lines) {
            EXPECT_EQ(l.flags, hatch_piece_segment_flags);
            // Along (cos a, -sin a), from the frame's top to its bottom.
            double cross = (l.b.x - l.a.x) * -std::sin(a) - (l.b.y - l.a.y) * std::cos(a);
            EXPECT_NEAR(cross / length(l), 0, 1e-9);
            EXPECT_EQ(l.a.y, anchor.max_y);
            EXPECT_EQ(l.b.y, anchor.min_y);
        }
        for (size_t i = 1; i < lines.size(); ++i)
            EXPECT_NEAR(std::fabs(side(lines[0], lines[i].a)), i * c.spacing, 1e-6) << c.angle;
        // No line of the grid that meets the range is missing: every corner
        // lies less than one spacing outside the first and the last line.
        Point2 corners[4] = {{range.min_x, range.min_y}, {range.max_x, range.min_y},
                             {range.min_x, range.max_y}, {range.max_x, range.max_y}};
        double toward = side(lines.front(), lines.back().a) > 0 ? 1 : -1;
        double last = toward * side(lines.front(), lines.back().a);
        for (Point2 q : corners) {
            double t = toward * side(lines.front(), q);
            EXPECT_GT(t, -c.spacing) << c.angle;
            EXPECT_LT(t, last + c.spacing) << c.angle;
        }
    }
}

TEST_F(HatchPatterns, AxisAnglesGiveExactlyVerticalAndHorizontalLines) {
    params(static_cast<float>(pi / 2), 2.5f);
    std::vector<Piece> v = run(1);
    ASSERT_FALSE(v.empty());
    for (const Piece& l : v) EXPECT_EQ(l.a.x, l.b.x);
    params(0.0f, 2.5f);
    std::vector<Piece> h = run(1);
    ASSERT_GE(h.size(), 12u);
    for (const Piece& l : h) {
        EXPECT_EQ(l.a.y, l.b.y);
        EXPECT_EQ(l.a.x, anchor.min_x);
        EXPECT_EQ(l.b.x, anchor.max_x);
    }
    EXPECT_GE(h.front().a.y, range.max_y);
    EXPECT_LE(h.back().a.y, range.min_y);
    for (size_t i = 1; i < h.size(); ++i) EXPECT_NEAR(h[i - 1].a.y - h[i].a.y, 2.5, 1e-9);
}

TEST_F(HatchPatterns, NeighbouringHatchingsShareTheFramesGrid) {
    params(0.7853982f, 2.5f);
    std::vector<Piece> left = run(1, Box{20, 30, 50, 60});
    std::vector<Piece> right = run(1, Box{50, 35, 77, 61});
    for (const Piece& l : right) {
        double off = side(left.front(), l.a) / 2.5;
        EXPECT_NEAR(off, std::round(off), 1e-6);
    }
    params(0.0f, 2.5f);
    left = run(1, Box{20, 30, 50, 60});
    right = run(1, Box{50, 31.3, 77, 61});
    for (const Piece& l : right) {
        double off = (left.front().a.y - l.a.y) / 2.5;
        EXPECT_NEAR(off, std::round(off), 1e-9);
    }
}

TEST_F(HatchPatterns, ZeroSpacingIsReportedOnceAndGivesNothing) {
    params(0.7853982f, 0.0f);
    EXPECT_TRUE(run(1).empty());
    EXPECT_EQ(error_flag, 1);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].rfind("недопустим", 0), 0u);
    EXPECT_NE(shown()[0].find("недопустимый параметр штриховки"), std::string::npos);
    error_flag = 0;
    params(0.0f, 0.0f);
    for (int code : {3, 8, 11, 12}) {
        shown().clear();
        EXPECT_TRUE(run(code).empty()) << code;
        EXPECT_EQ(shown().size(), 1u) << code;
        error_flag = 0;
    }
}

// Grid indices of the lines of a generator, relative to the metal family's
// first line over the whole frame, in order.
std::vector<long> grid_indices(const std::vector<Piece>& lines, const Piece& base, double spacing) {
    std::vector<long> idx;
    for (const Piece& l : lines) idx.push_back(std::lround(side(base, l.a) / spacing));
    std::sort(idx.begin(), idx.end());
    return idx;
}

TEST_F(HatchPatterns, SpacingTooFineForTheFrameIsRefusedInsteadOfRunningForEver) {
    for (int code : {1, 4, 3, 11}) {
        shown().clear();
        if (code == 3 || code == 11) params(1e-6f, 0.0f);
        else params(0.7853982f, 1e-6f);
        EXPECT_TRUE(run(code).empty()) << code;
        EXPECT_EQ(shown().size(), 1u) << code;
        EXPECT_EQ(error_flag, 1);
        error_flag = 0;
    }
}

TEST_F(HatchPatterns, CeramicsSkipsEveryThirdLineInTheGridsPhase) {
    params(0.7853982f, 2.0f);
    Piece base = run(1, Box{0, 0, 100, 100}).front();
    std::set<long> skipped_phase;
    for (Box r : {Box{20, 30, 50, 60}, Box{33, 11, 61, 70}, Box{70, 70, 90, 95}}) {
        std::vector<long> idx = grid_indices(run(5, r), base, 2.0);
        ASSERT_GE(idx.size(), 4u);
        for (size_t i = 1; i < idx.size(); ++i) {
            long gap = std::labs(idx[i] - idx[i - 1]);
            EXPECT_TRUE(gap == 1 || gap == 2);
            if (gap == 2) skipped_phase.insert(((idx[i] - 1) % 3 + 3) % 3);
            // Never two gaps in a row, never three lines in a row.
            if (i >= 2) {
                EXPECT_FALSE(gap == 1 && std::labs(idx[i - 1] - idx[i - 2]) == 1);
            }
        }
    }
    EXPECT_EQ(skipped_phase.size(), 1u);
}

TEST_F(HatchPatterns, GroundDrawsThreeLinesAndLeavesOneOut) {
    params(0.7853982f, 1.0f);
    std::vector<Piece> lines = run(9, Box{20, 30, 80, 60});
    ASSERT_GE(lines.size(), 8u);
    std::vector<long> idx = grid_indices(lines, lines.front(), 1.0);
    int run_length = 1;
    for (size_t i = 1; i < idx.size(); ++i) {
        long gap = idx[i] - idx[i - 1];
        ASSERT_TRUE(gap == 1 || gap == 2);
        if (gap == 1) {
            ++run_length;
            EXPECT_LE(run_length, 3);
        } else {
            run_length = 1;
        }
    }
}

TEST_F(HatchPatterns, GroundStaysInABandAlongTheRangeBottom) {
    params(0.7853982f, 2.0f);
    std::vector<Piece> lines = run(9, Box{20, 30, 50, 60});
    ASSERT_FALSE(lines.empty());
    for (const Piece& l : lines) {
        EXPECT_LE(std::max(l.a.y, l.b.y), 35.0 + 1e-9);
        EXPECT_GE(std::min(l.a.y, l.b.y), 30.0 - 1e-9);
    }
}

TEST_F(HatchPatterns, NonmetalsAddACrossingFamily) {
    params(0.7853982f, 2.5f);
    size_t single = run(1).size();
    std::vector<Piece> lines = run(2);
    ASSERT_GT(lines.size(), single);
    const Piece& first = lines.front();
    const Piece& last = lines.back();
    double dot = (first.b.x - first.a.x) * (last.b.x - last.a.x) + (first.b.y - first.a.y) * (last.b.y - last.a.y);
    EXPECT_NEAR(dot / (length(first) * length(last)), 0, 1e-6);
}

TEST_F(HatchPatterns, WoodIsConcentricCirclesLeftOfTheFrame) {
    params(5.0f, 0.0f);
    std::vector<Piece> rings = run(3);
    ASSERT_GT(rings.size(), 5u);
    Point2 centre{-50, 50};
    double limit = point_distance(centre, Point2{100, 100});
    for (size_t i = 0; i < rings.size(); ++i) {
        EXPECT_EQ(rings[i].kind, 2);
        EXPECT_EQ(rings[i].flags, hatch_piece_circle_flags);
        EXPECT_EQ(rings[i].b.x, centre.x);
        EXPECT_EQ(rings[i].b.y, centre.y);
        EXPECT_NEAR(length(rings[i]), 50 + 5.0 * (i + 1), 1e-9);
        EXPECT_LT(length(rings[i]), limit);
    }
    EXPECT_GE(length(rings.back()) + 5, limit - 1e-9);
}

TEST_F(HatchPatterns, StoneLiquidAndConcreteDashes) {
    // Stone: dashes of 2s with gaps of s along each line.
    params(0.7853982f, 2.0f);
    std::vector<Piece> d = run(4);
    ASSERT_GT(d.size(), 10u);
    for (const Piece& p : d) EXPECT_NEAR(length(p), 4.0, 1e-9);
    EXPECT_NEAR(point_distance(d[0].b, d[1].a), 2.0, 1e-9);
    // Liquid: horizontal dashes; the second line's pattern is shifted by
    // 1.5 s against the first.
    params(2.0f, 0.0f);
    std::vector<Piece> w = run(8);
    ASSERT_GT(w.size(), 10u);
    std::vector<double> first_x;
    double y = w[0].a.y;
    for (const Piece& p : w) {
        EXPECT_EQ(p.a.y, p.b.y);
        EXPECT_NEAR(length(p), 4.0, 1e-9);
        if (p.a.y != y) {
            first_x.push_back(p.a.x);
            y = p.a.y;
        }
    }
    ASSERT_GE(first_x.size(), 2u);
    EXPECT_NEAR(std::fmod(w[0].a.x - first_x[0] + 60, 6.0), 3.0, 1e-9);
    // Concrete: long dashes 3s and short dashes 0.8s.
    params(0.7853982f, 2.0f);
    std::vector<Piece> c = run(6);
    ASSERT_GT(c.size(), 10u);
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(length(c[i]), i % 2 ? 1.6 : 6.0, 1e-9);
}

TEST_F(HatchPatterns, GlassGroupsOfThreeStrokes) {
    params(0.0f, 5.0f);
    std::vector<Piece> g = run(7);
    ASSERT_GE(g.size(), 6u);
    ASSERT_EQ(g.size() % 3, 0u);
    for (size_t i = 0; i + 2 < g.size(); i += 3) {
        EXPECT_NEAR(length(g[i]), 5.0, 1e-9);
        for (int k = 1; k <= 2; ++k) {
            EXPECT_NEAR(length(g[i + k]), 2.0, 1e-9);
            EXPECT_NEAR(std::fabs(side(g[i], g[i + k].a)), 1.0, 1e-9);
            EXPECT_NEAR((g[i + k].a.x + g[i + k].b.x) / 2, (g[i].a.x + g[i].b.x) / 2, 1e-9);
        }
    }
    EXPECT_NEAR(g[3].a.x - g[0].a.x, 7.0, 1e-9);
}

TEST_F(HatchPatterns, BlackSandAndBackfill) {
    std::vector<Piece> b = run(10);
    ASSERT_GT(b.size(), 100u);
    EXPECT_NEAR(b[0].a.y - b[1].a.y, 0.22499999, 1e-7);
    params(1.25f, 0.0f);
    std::vector<Piece> s = run(11);
    ASSERT_GT(s.size(), 100u);
    for (const Piece& p : s) {
        EXPECT_EQ(p.a.y, p.b.y);
        EXPECT_NEAR(p.b.x - p.a.x, 0.001, 1e-12);
    }
    EXPECT_NEAR(point_distance(s[0].a, s[1].a), 1.25, 1e-9);
    std::vector<Piece> f = run(12);
    size_t dashes = 0, dots = 0;
    for (const Piece& p : f) {
        if (std::fabs(length(p) - 3.75) < 1e-9) ++dashes;
        else if (std::fabs(length(p) - 0.001) < 1e-12) ++dots;
        else ADD_FAILURE() << length(p);
    }
    EXPECT_GT(dashes, 0u);
    EXPECT_GT(dots, 5 * dashes);
}

TEST_F(HatchPatterns, UserPatternTilesAFragment) {
    // The fragment: a projection record in the drawing with one segment
    // and one circle; its frame's min x is 100 and max y is 220.
    RecordRef elements = 0;
    std::vector<uint8_t> seg = element(1, 1, element_size2, 1);
    put_point2(seg.data(), element_coords2, {100, 220});
    put_point2(seg.data(), element_coords2 + 16, {101, 219});
    ASSERT_NE(record_add(df, &elements, seg.data(), &page_buffers[table_elements]), 0u);
    std::vector<uint8_t> hidden = element(2, 1, element_size2, 1);
    put_u16(hidden.data(), element_flags, 0x0811);
    ASSERT_NE(record_add(df, &elements, hidden.data(), &page_buffers[table_elements]), 0u);
    std::vector<uint8_t> fragment(projection_record_head, 0);
    put_u16(fragment.data(), record_length, projection_record_head);
    put_u32(fragment.data(), record_key, 77);
    put_u32(fragment.data(), projection_elements, elements);
    put_f32(fragment.data(), 58, 100.0f);
    put_f32(fragment.data(), 70, 220.0f);
    RecordRef projections = 0;
    ASSERT_NE(record_add(df, &projections, fragment.data(), &page_buffers[table_projections]), 0u);
    put_u32(df->header, header_projections, projections);
    put_u32(hatch.data(), hatching_source, 77);

    // Steps larger than the box: one tile at its min-x, max-y corner.
    params(100.0f, 100.0f);
    std::vector<Piece> one = run(13);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].a.x, range.min_x);
    EXPECT_EQ(one[0].a.y, range.max_y);
    EXPECT_EQ(one[0].b.x, range.min_x + 1);
    // Steps of 10: four columns and four rows inside the 30 x 30 box.
    params(10.0f, 10.0f);
    std::vector<Piece> tiles = run(13);
    EXPECT_EQ(tiles.size(), 16u);
    // A missing fragment or a zero step is a bad parameter.
    put_u32(hatch.data(), hatching_source, 78);
    EXPECT_TRUE(run(13).empty());
    EXPECT_EQ(shown().size(), 1u);
    error_flag = 0;
    put_u32(hatch.data(), hatching_source, 77);
    params(0.0f, 10.0f);
    EXPECT_TRUE(run(13).empty());
    EXPECT_EQ(shown().size(), 2u);
    error_flag = 0;
    params(1e-6f, 1e-6f);
    EXPECT_TRUE(run(13).empty());
    EXPECT_EQ(shown().size(), 3u);
}

TEST_F(HatchPatterns, StateLeftByAnEarlyStopIsFreed) {
    params(0.7853982f, 2.5f);
    for (int code = 1; code < hatch_kind_count - 1; ++code) {
        if (code == 3 || code == 8 || code == 11 || code == 12) params(2.5f, 0.0f);
        else params(0.7853982f, 2.5f);
        void* state = nullptr;
        uint8_t buf[2048];
        ASSERT_EQ(hatch_kind_by_code(code)->generator(&anchor, &range, &state, hatch.data(), buf), 1) << code;
        EXPECT_NE(state, nullptr);
        hatch_generator_free(&state);
        EXPECT_EQ(state, nullptr);
    }
}

}  // namespace
