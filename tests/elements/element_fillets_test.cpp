// Fillets: the centre, tangent points and arc checked by their own
// arithmetic (the centre at the radius from both elements, the tangent
// points on the elements with the radius along their normals), for
// line-line, line-arc and arc-arc corners; and the records of a rounded
// corner in a drawing.
#include "tests/elements/elements_fixture.h"

#include "stages/points_elements/element_fillets.h"
#include "stages/points_elements/element_rebuild.h"

using namespace elements_test;

namespace {

double dist(Point2 a, Point2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

FilletSide line_from(Point2 corner, Point2 other) {
    double l = dist(corner, other);
    return FilletSide{1, corner, {(other.x - corner.x) / l, (other.y - corner.y) / l}, {}, 0};
}
// An arc about centre through corner, leaving the corner clockwise (sign -1)
// or counter-clockwise (+1).
FilletSide arc_from(Point2 corner, Point2 centre, int sign) {
    double r = dist(corner, centre);
    Point2 u{(corner.x - centre.x) / r, (corner.y - centre.y) / r};
    return FilletSide{3, corner, {-u.y * sign, u.x * sign}, centre, r};
}

// Distance of p from the side's whole line or circle.
double side_distance(const FilletSide& s, Point2 p) {
    if (s.kind == 1) return std::fabs((p.x - s.corner.x) * s.direction.y - (p.y - s.corner.y) * s.direction.x);
    return std::fabs(dist(p, s.centre) - s.radius);
}

void expect_fillet(const FilletSide& a, const FilletSide& b, double r, const FilletGeometry& g, const char* what) {
    EXPECT_NEAR(side_distance(a, g.centre), r, 1e-9) << what;
    EXPECT_NEAR(side_distance(b, g.centre), r, 1e-9) << what;
    EXPECT_NEAR(side_distance(a, g.tangent_a), 0, 1e-9) << what;
    EXPECT_NEAR(side_distance(b, g.tangent_b), 0, 1e-9) << what;
    EXPECT_NEAR(dist(g.centre, g.tangent_a), r, 1e-9) << what;
    EXPECT_NEAR(dist(g.centre, g.tangent_b), r, 1e-9) << what;
    // The tangent points lie along each element from the corner (inside the
    // corner, not behind it).
    for (const auto& [s, t] : {std::pair<FilletSide, Point2>{a, g.tangent_a}, {b, g.tangent_b}}) {
        double along = (t.x - s.corner.x) * s.direction.x + (t.y - s.corner.y) * s.direction.y;
        EXPECT_GT(along, 0) << what;
    }
}

}  // namespace

TEST(FilletCorner, CentreAndTangentPointsOfEachPairOfKinds) {
    const double r = 2;
    struct Case {
        const char* what;
        FilletSide a, b;
    } cases[] = {
        {"right angle", line_from({0, 0}, {10, 0}), line_from({0, 0}, {0, 10})},
        {"60 degrees", line_from({1, 1}, {11, 1}), line_from({1, 1}, {1 + 5, 1 + 8.660254037844386})},
        {"obtuse, turned the other way", line_from({0, 0}, {-10, 1}), line_from({0, 0}, {6, -8})},
        {"line and arc bulging away", line_from({0, 0}, {10, 0}), arc_from({0, 0}, {-20, 0}, 1)},
        {"line and arc bulging inward", line_from({0, 0}, {10, 0}), arc_from({0, 0}, {20, 20}, -1)},
        {"arc and arc", arc_from({0, 0}, {0, -25}, 1), arc_from({0, 0}, {-25, 0}, -1)},
    };
    for (const Case& c : cases) {
        FilletGeometry g;
        ASSERT_EQ(fillet_corner(c.a, c.b, r, &g), 1) << c.what;
        expect_fillet(c.a, c.b, r, g, c.what);
    }
}

TEST(FilletCorner, ImpossibleCornersAreRefused) {
    FilletGeometry g;
    // Straight on, and turning back on itself.
    EXPECT_EQ(fillet_corner(line_from({0, 0}, {10, 0}), line_from({0, 0}, {-10, 0}), 1, &g), 0);
    EXPECT_EQ(fillet_corner(line_from({0, 0}, {10, 0}), line_from({0, 0}, {5, 0}), 1, &g), 0);
    // A radius the arc's inner offset cannot take.
    EXPECT_EQ(fillet_corner(line_from({0, 0}, {0, 10}), arc_from({0, 0}, {1, 0}, 1), 3, &g), 0);
    EXPECT_EQ(fillet_corner(line_from({0, 0}, {10, 0}), line_from({0, 0}, {0, 10}), 0, &g), 0);
}

class FilletRecords : public ElementsTest {};

TEST_F(FilletRecords, AFilletDimensionRoundsTheCornerAtTheFullRebuild) {
    point(1, 10, 0);
    point(2, 0, 0);    // the corner
    point(3, 0, 10);
    add(fixed(1, {1, 2}), 11);
    add(fixed(1, {2, 3}), 12);
    // A fillet dimension (kind 5) of radius 3 linked to the corner.
    Bytes d(100, 0);
    put_u16(d.data(), 0, 100);
    put_u32(d.data(), 2, 40);
    put_f64(d.data(), dimension_nominal, 3.0);
    put_u16(d.data(), dimension_kind_word, 5);
    record_add(df, head(projection_dimensions), d.data(), &page_buffers[table_dimensions]);
    Bytes l(26, 0);
    put_u16(l.data(), 0, 26);
    put_u32(l.data(), 2, 1);
    put_u32(l.data(), 6, 2);
    put_u32(l.data(), 10, 40);
    put_u16(l.data(), 24, 1);
    record_add(df, head(projection_links), l.data(), &page_buffers[table_links]);
    RebuildHooks hooks;
    hooks.stage = 5;
    int failed = -1;
    hooks.fillets_failed = &failed;
    ASSERT_EQ(rebuild_projection_elements(df, proj(), true, hooks), rebuild_ok);
    EXPECT_EQ(failed, 0);
    // The lines end at the tangent points (3, 0) and (0, 3).
    EXPECT_LT(dist(get_point2(stored(11).data(), 38), {3, 0}), 1e-9);
    EXPECT_LT(dist(get_point2(stored(12).data(), 22), {0, 3}), 1e-9);
    // The arc about (3, 3) from one tangent point to the other, the short way.
    std::vector<Bytes> generated;
    for (Bytes& r : chain())
        if (get_u16(r.data(), element_flags) & element_flag_generated) generated.push_back(r);
    ASSERT_EQ(generated.size(), 3u);   // two construction lines and the arc
    const Bytes* arc = nullptr;
    for (const Bytes& r : generated)
        if (element_kind(r.data()) == 3) arc = &r;
    ASSERT_NE(arc, nullptr);
    EXPECT_LT(dist(get_point2(arc->data(), 58), {3, 3}), 1e-9);
    Point2 s = get_point2(arc->data(), 26), e = get_point2(arc->data(), 42);
    EXPECT_NEAR(std::min(dist(s, {3, 0}) + dist(e, {0, 3}), dist(s, {0, 3}) + dist(e, {3, 0})), 0, 1e-9);
    double sweep = std::atan2(s.y - 3, s.x - 3) - std::atan2(e.y - 3, e.x - 3);
    sweep = std::fmod(sweep + 4 * pi, 2 * pi);
    EXPECT_NEAR(sweep, pi / 2, 1e-9);
    // A sketch rebuild (stage 1) takes the fillet away again.
    hooks.stage = 1;
    ASSERT_EQ(rebuild_projection_elements(df, proj(), false, hooks), rebuild_ok);
    EXPECT_EQ(chain().size(), 2u);
    EXPECT_LT(dist(get_point2(stored(11).data(), 38), {0, 0}), 1e-9);
}
