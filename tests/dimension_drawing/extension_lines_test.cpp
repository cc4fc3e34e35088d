// Extension lines: carried past the dimension line's end, cut where they run
// along centre lines (and only there), fitted to the projection's frame, and
// drawn in pieces with the obstacles of the projection's element chain and
// the window's centre crosses.
#include "tests/dimension_drawing/dimension_test_support.h"

#include "render/output/extension_lines.h"

using namespace dimension_test;

namespace {

class ExtensionLines : public DimensionTest {};

void expect_point(Point2 p, double x, double y, const std::string& what = "") {
    EXPECT_NEAR(p.x, x, 1e-9) << what;
    EXPECT_NEAR(p.y, y, 1e-9) << what;
}

TEST_F(ExtensionLines, CarriedToTheTargetAndPastItByTheOvershoot) {
    for (double scale : {1.0, 0.5}) {
        set_drawing_scale(scale);
        double o = 1.2 / scale;
        Segment s{{0, 0}, {0, 20}};
        extend_extension_line(&s, Point2{0, 50}, 0);
        expect_point(s.start, 0, 0);
        expect_point(s.end, 0, 50 + o);
        // Collapsed: from the end nearer the target.
        Segment c{{0, 0}, {0, 20}};
        extend_extension_line(&c, Point2{0, -30}, 1);
        expect_point(c.start, 0, 0);
        expect_point(c.end, 0, -30 - o);
        Segment f{{0, 0}, {0, 20}};
        extend_extension_line(&f, Point2{0, 50}, 1);
        expect_point(f.start, 0, 20);
        // A line that shrinks to a point ends at the target.
        Segment z{{5, 5}, {5, 5}};
        extend_extension_line(&z, Point2{5, 5}, 0);
        expect_point(z.end, 5, 5);
    }
}

TEST_F(ExtensionLines, OnlyACollinearOverlapCutsAPiece) {
    struct Case {
        const char* what;
        Segment obstacle;
        std::vector<Segment> pieces;
    };
    const Segment line{{0, 0}, {100, 0}};
    const Case cases[] = {
        {"overlap in the middle splits", {{40, 0}, {60, 0}}, {{{0, 0}, {40, 0}}, {{60, 0}, {100, 0}}}},
        {"overlap at the start shortens", {{-10, 0}, {30, 0}}, {{{30, 0}, {100, 0}}}},
        {"overlap at the end shortens", {{120, 0}, {70, 0}}, {{{0, 0}, {70, 0}}}},
        {"full cover removes", {{-5, 0}, {105, 0}}, {}},
        {"a crossing leaves it whole", {{50, -20}, {50, 20}}, {line}},
        {"a parallel line leaves it whole", {{0, 1}, {100, 1}}, {line}},
    };
    for (const Case& c : cases) {
        std::vector<Segment> pieces(1, line);
        cut_extension_pieces(&pieces, c.obstacle);
        ASSERT_EQ(pieces.size(), c.pieces.size()) << c.what;
        for (size_t i = 0; i < pieces.size(); ++i) {
            expect_point(pieces[i].start, c.pieces[i].start.x, c.pieces[i].start.y, c.what);
            expect_point(pieces[i].end, c.pieces[i].end.x, c.pieces[i].end.y, c.what);
        }
    }
}

TEST_F(ExtensionLines, ANearlyVerticalLineComparesAlongY) {
    // x changes by a hundredth of y: positions along x would be nearly
    // equal, along y they are well apart.
    std::vector<Segment> pieces(1, Segment{{0, 0}, {1, 100}});
    cut_extension_pieces(&pieces, Segment{{0.4, 40}, {0.6, 60}});
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_NEAR(pieces[0].end.y, 40, 1e-6);
    EXPECT_NEAR(pieces[1].start.y, 60, 1e-6);
    // And a line running the other way.
    std::vector<Segment> back(1, Segment{{1, 100}, {0, 0}});
    cut_extension_pieces(&back, Segment{{0.4, 40}, {0.0, 0.0}});
    ASSERT_EQ(back.size(), 1u);
    EXPECT_NEAR(back[0].end.y, 40, 1e-6);
}

TEST_F(ExtensionLines, FittedToTheFrameOrShortenedToAStroke) {
    Box frame{0, 0, 100, 50};
    // From inside across the right edge: starts at the edge + overshoot.
    Segment s = fit_extension_line_to_frame(Segment{{80, 10}, {130, 10}}, frame, Point2{128.8, 10}, 1.2, 10);
    expect_point(s.start, 101.2, 10);
    expect_point(s.end, 130, 10);
    // Slanting out of the bottom edge: the other coordinate follows the line.
    s = fit_extension_line_to_frame(Segment{{10, 10}, {40, 70}}, frame, Point2{40, 70}, 1.2, 10);
    expect_point(s.start, 10 + (51.2 - 10) / 2, 51.2);
    // Wholly inside: a 10 mm stroke centred on the dimension line's end.
    s = fit_extension_line_to_frame(Segment{{10, 10}, {10, 40}}, frame, Point2{10, 38.8}, 1.2, 10);
    expect_point(s.start, 10, 33.8);
    expect_point(s.end, 10, 43.8);
}

TEST_F(ExtensionLines, DrawnInPiecesAroundCentreLinesAndCentreCrosses) {
    // A dash-dot centre line (type 4) along the extension line, a solid line
    // (type 1) along it too, a dashed break crossing it, and a centre cross.
    auto seg = [](Point2 a, Point2 b, int type, int kind = 1) {
        std::vector<uint8_t> e = segment_element(a, b, type);
        put_u16(e.data(), element_flags, static_cast<uint16_t>(kind | (type << 4)));
        return e;
    };
    fake_add(chain_elements, seg({0, 20}, {0, 30}, 4));
    fake_add(chain_elements, seg({0, 0}, {0, 100}, 1));
    fake_add(chain_elements, seg({-10, 50}, {10, 50}, 3, 8));
    dimension_window_seams.diameter_crosses = [](OutputView*, std::vector<Segment>* out) {
        out->push_back(Segment{{0, 60}, {0, 70}});
    };
    RecView v(1.0);
    view_projection(v.v());
    std::vector<Segment> obstacles;
    collect_axis_obstacles(v.v(), projection.data(), &obstacles);
    ASSERT_EQ(obstacles.size(), 3u);
    draw_extension_line(v.v(), Segment{{0, 0}, {0, 90}}, projection.data(), Point2{0, 88.8}, &obstacles);
    auto paths = v.paths();
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0][0].y, 0);
    EXPECT_EQ(paths[0].back().y, 20);
    EXPECT_EQ(paths[1][0].y, 30);
    EXPECT_EQ(paths[1].back().y, 60);
    EXPECT_EQ(paths[2][0].y, 70);
    EXPECT_EQ(paths[2].back().y, 90);
    // Without collected obstacles the line collects its own.
    v.clear();
    draw_extension_line(v.v(), Segment{{0, 0}, {0, 90}}, projection.data(), Point2{0, 88.8}, nullptr);
    EXPECT_EQ(v.paths().size(), 3u);
}

}  // namespace
