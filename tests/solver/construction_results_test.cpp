// Applying construction results (anchor, common offset, point flags) and
// the per-projection run with its log lines.
#include "tests/solver/network_fixture.h"

#include "stages/dimensions/network_store.h"
#include "stages/dimensions/view_construction.h"
#include "store/record_layouts.h"

#include <cstring>

using namespace solver_test;

namespace {

// Two points by X and Y; each point's stored true position is given.
Fixture pair_network(double t1x, double t1y, double t2x, double t2y, uint16_t flags1 = 0) {
    Fixture f;
    f.point(1, 0, 0, flags1);
    f.point(2, 31, -19);
    put_f64(f.rec.points[0].data(), 28, t1x);
    put_f64(f.rec.points[0].data(), 36, t1y);
    put_f64(f.rec.points[1].data(), 28, t2x);
    put_f64(f.rec.points[1].data(), 36, t2y);
    f.x_dim(10, 30, 1, 2);
    f.y_dim(11, 20, 1, 2);
    return f;
}

double true_x(const Fixture& f, int i) { return get_f64(f.rec.points[i].data(), 28); }
double true_y(const Fixture& f, int i) { return get_f64(f.rec.points[i].data(), 36); }

std::vector<std::string> logged;
ConstructionCallbacks recording() {
    logged.clear();
    ConstructionCallbacks cb;
    cb.log_line = [](const char* t) { logged.push_back(t); };
    return cb;
}

}  // namespace

TEST(ConstructionResults, AnchorKeepsItsTruePlace) {
    struct Case {
        const char* name;
        uint16_t origin_flags;            // point 1
        std::vector<Point2> crossings;
        uint32_t anchor;                  // expected anchor point number
    } cases[] = {
        {"origin point", 0x4000, {}, 1},
        {"auxiliary lines cross at point 2", 0, {{31, -19}}, 2},
        {"crossing at no point: smallest-numbered dimension point", 0, {{5, 5}}, 2},
    };
    for (const Case& c : cases) {
        // Stored true positions far from the sketch: the anchor stays
        // where it was, the other point follows at the solved distance.
        Fixture f = pair_network(100, 200, 500, 600, c.origin_flags);
        Outcome r = run_network(f);
        ASSERT_EQ(r.solver.outcome, SOLVER_SOLVED) << c.name;
        int a = apply_construction_results(f.rec, r.net, 0, c.crossings);
        ASSERT_GE(a, 0) << c.name;
        EXPECT_EQ(r.net.points[a].number, c.anchor) << c.name;
        int ai = c.anchor == 1 ? 0 : 1, oi = 1 - ai;
        double ax = c.anchor == 1 ? 100 : 500, ay = c.anchor == 1 ? 200 : 600;
        EXPECT_DOUBLE_EQ(true_x(f, ai), ax) << c.name;
        EXPECT_DOUBLE_EQ(true_y(f, ai), ay) << c.name;
        // Point 2 lies 30 right of and 20 above point 1 (model y - 20).
        double sx = ai == 0 ? 30 : -30, sy = ai == 0 ? -20 : 20;
        EXPECT_NEAR(true_x(f, oi), ax + sx, 1e-9) << c.name;
        EXPECT_NEAR(true_y(f, oi), ay + sy, 1e-9) << c.name;
    }
}

TEST(ConstructionResults, ConstructingTwiceMovesNothing) {
    Fixture f = pair_network(7, 8, 0, 0);
    ConstructionCallbacks cb = recording();
    ASSERT_EQ(construct_network(f.rec, cb), 0);
    double first[4] = {true_x(f, 0), true_y(f, 0), true_x(f, 1), true_y(f, 1)};
    ASSERT_EQ(construct_network(f.rec, cb), 0);
    EXPECT_DOUBLE_EQ(true_x(f, 0), first[0]);
    EXPECT_DOUBLE_EQ(true_y(f, 0), first[1]);
    EXPECT_DOUBLE_EQ(true_x(f, 1), first[2]);
    EXPECT_DOUBLE_EQ(true_y(f, 1), first[3]);
}

TEST(ConstructionResults, PointFlagsAfterConstruction) {
    Fixture f = pair_network(0, 0, 30, -20);
    f.point(3, 50, 50);
    f.dimension(12, 5, 0, 2);     // a fillet on point 2: not a constraint
    put_u16(f.rec.dimensions.back().data(), 38, 0x0001);
    f.link(12, 2, 1);
    f.x_dim(13, 10, 2, 3);
    f.y_dim(14, 0, 2, 3);
    // Point 3's dimensions are not shown on the drawing.
    for (int i = 3; i <= 4; ++i) {
        uint8_t* d = f.rec.dimensions[i].data();
        put_u16(d, 36, static_cast<uint16_t>(get_u16(d, 36) | 0x0008));
    }
    ConstructionCallbacks cb = recording();
    ASSERT_EQ(construct_network(f.rec, cb), 0);
    EXPECT_EQ(f.point_flags(1) & 0x0500, 0x0100);   // dimensioned, no fillet
    EXPECT_EQ(f.point_flags(2) & 0x0500, 0x0500);   // dimensioned, fillet
    EXPECT_EQ(f.point_flags(3) & 0x0500, 0x0000);   // only hidden dimensions
}

TEST(ConstructionResults, StoppedRunLeavesTheTrueImage) {
    Fixture f = pair_network(7, 8, 9, 10);
    ConstructionCallbacks cb = recording();
    cb.stop_requested = [] { return true; };
    EXPECT_EQ(construct_network(f.rec, cb), -1);
    EXPECT_DOUBLE_EQ(true_x(f, 0), 7);
    EXPECT_DOUBLE_EQ(true_y(f, 1), 10);
    EXPECT_EQ(f.point_flags(1) & 0x0100, 0);
}

TEST(ConstructionResults, FailedNetworkStillAppliesAndLogsExpandedLines) {
    Fixture f;
    f.point(1, 0, 0, 0x4000);
    f.point(2, 10, 0);
    f.between(10, 0, 2, 5, 1, 2, 0, 1, 99);   // axis point 99 does not exist
    ConstructionCallbacks cb = recording();
    EXPECT_EQ(construct_network(f.rec, cb), 1);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0], "ОШИБКА в структуре данных");
    // Errors: no point gets the "dimensioned" flag.
    EXPECT_EQ(f.point_flags(1) & 0x0100, 0);
}

TEST(ConstructionResults, LogLinesFitTheLogBuffers) {
    std::string caption(400, 'A');
    std::string line = projection_log_line(caption.c_str());
    EXPECT_EQ(line.size(), static_cast<size_t>(CONSTRUCTION_LINE_MAX));
    EXPECT_EQ(line.rfind("Проекция \"", 0), 0u);
    EXPECT_EQ(line.back(), '"');
    EXPECT_EQ(projection_log_line("Вид A"), "Проекция \"Вид A\"");

    // A line made of markers expands past the buffer and is cut; a plain
    // log line keeps its markers.
    ConstructionCallbacks cb = recording();
    std::string markers(300, '$');
    construction_log(cb, markers.c_str(), true);
    construction_log(cb, "100% $", false);
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_LE(logged[0].size(), static_cast<size_t>(CONSTRUCTION_LINE_MAX));
    EXPECT_EQ(logged[0].rfind("ОШИБКА ОШИБКА ", 0), 0u);
    EXPECT_EQ(logged[1], "100% $");

    EXPECT_STREQ(construction_end_line(true, true), ">>>Построение прервано!<<<");
    EXPECT_STREQ(construction_end_line(false, true), ">>>Завершено с ошибками<<<");
    EXPECT_STREQ(construction_end_line(false, false), ">>>Завершено<<<");
}

TEST(ConstructionResults, MeasuredNominalsReproduceTheSketch) {
    // Every kind and mode measured on the points (in centimetres, scale 2),
    // then solved: the points come back where they were.
    const double k = pi / 180;
    struct P { uint32_t n; double x, y; } pts[] = {
        {1, 0, 0}, {2, 30, -40}, {3, 4, -22}, {4, 50, 0},
        {5, 50 * std::cos(-60 * k), 50 * std::sin(-60 * k)},
        {6, 50 * std::cos(-100 * k), 50 * std::sin(-100 * k)},
        {7, 18, 1}, {8, -6, -17}};   // 7 and 8 mirror each other about the line A-B
    Fixture f;
    f.rec.unit_index = 1;
    put_f64(f.rec.projection.data(), 112, 2.0);
    for (const P& p : pts) f.point(p.n, p.x, p.y, p.n == 1 ? 0x4000 : 0);
    f.x_dim(10, 0, 1, 2);
    f.y_dim(11, 0, 1, 2);
    f.between(12, 0, 2, 0, 1, 3, 0, 1, 2);      // along the axis A-B
    f.between(13, 0, 3, 0, 1, 3, 0, 1, 2);      // across it
    f.y_dim(14, 0, 1, 4);
    f.radius(15, 0, 1, 4);
    f.dimension(16, 2, 0, 0);                   // diameter with a centre
    f.link(16, 1, CENTRE);
    f.link(16, 5, FIRST);
    f.angle(17, 0, 1, 4, 5);
    f.radius(18, 0, 1, 6);
    f.dimension(19, 4, 0, 0);                   // arc length from H1 to K
    f.link(19, 1, CENTRE);
    f.link(19, 4, FIRST);
    f.link(19, 6, SECOND);
    f.y_dim(20, 0, 1, 7);
    f.y_dim(21, 0, 1, 8);
    f.x_dim(22, 0, 1, 7);
    f.between(23, 0, 4, 0, 7, 8, 0, 1, 2);      // symmetric about the line A-B
    for (size_t i = 0; i < f.rec.dimensions.size(); ++i) {
        double v = 0;
        ASSERT_TRUE(measure_dimension_record(f.rec, i, &v)) << i;
        put_f64(f.rec.dimensions[i].data(), 14, v);
    }
    // Spot checks of the measures against hand values (cm at scale 2:
    // model length / 20).
    EXPECT_NEAR(get_f64(f.rec.dimensions[0].data(), 14), 30.0 / 20, 1e-12);
    EXPECT_NEAR(get_f64(f.rec.dimensions[1].data(), 14), 40.0 / 20, 1e-12);
    EXPECT_NEAR(get_f64(f.rec.dimensions[2].data(), 14), 20.0 / 20, 1e-12);
    EXPECT_NEAR(get_f64(f.rec.dimensions[3].data(), 14), 10.0 / 20, 1e-12);
    EXPECT_NEAR(get_f64(f.rec.dimensions[6].data(), 14), 100.0 / 20, 1e-12);
    EXPECT_NEAR(get_f64(f.rec.dimensions[7].data(), 14), 60 * k, 1e-12);
    EXPECT_NEAR(get_f64(f.rec.dimensions[9].data(), 14), 100 * k * 50 / 20, 1e-12);

    ConstructionCallbacks cb;
    std::vector<std::string> lines;
    cb.log_line = [&lines](const char* t) { lines.push_back(t); };
    Network net;
    ASSERT_EQ(construct_network(f.rec, cb, &net), 0) << (lines.empty() ? "" : lines[0]);
    for (const P& p : pts) {
        for (const auto& r : f.rec.points)
            if (get_u32(r.data(), 2) == p.n) {
                EXPECT_NEAR(get_f64(r.data(), 28), p.x, 1e-9) << p.n;
                EXPECT_NEAR(get_f64(r.data(), 36), p.y, 1e-9) << p.n;
            }
    }
}
