// The per-thread tolerance, the tolerant comparisons, rounding and angles.
#include "base/byte_order.h"
#include "geometry/geom_types.h"
#include "geometry/kernel_context.h"
#include "geometry/tolerance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cfloat>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan_value = std::numeric_limits<double>::quiet_NaN();

// Each test starts on the standing tolerance with clear flags and no drawing.
class Tolerance : public ::testing::Test {
protected:
    void SetUp() override {
        tolerance_set_default();
        kernel_context_set_defaults();
        kernel_flags() = KernelFlags{0, 0};
        bind_current_drawing_header(nullptr);
    }
    void TearDown() override {
        tolerance_set_default();
        bind_current_drawing_header(nullptr);
    }
};

uint8_t g_header[drawing_header_size];
const uint8_t* test_header() { return g_header; }

void open_drawing_with_scale(double scale) {
    std::fill(std::begin(g_header), std::end(g_header), 0);
    put_f64(g_header, header_scale_offset, scale);
    bind_current_drawing_header(test_header);
}

TEST_F(Tolerance, NewThreadStartsAtStandingValue) {
    EXPECT_EQ(0.0004848, tolerance_get());
    tolerance_set_fine();
    double seen = 0;
    std::thread t([&] { seen = tolerance_get(); });
    t.join();
    EXPECT_EQ(0.0004848, seen);
    EXPECT_EQ(1e-9, tolerance_get());
}

TEST_F(Tolerance, SettersReturnPreviousAndGuardRestores) {
    EXPECT_EQ(tolerance_standing, tolerance_set_fine());
    EXPECT_EQ(tolerance_fine, tolerance_set_default());
    {
        ToleranceGuard fine(tolerance_fine);
        EXPECT_EQ(1e-9, tolerance_get());
        {
            ToleranceGuard standing(tolerance_standing);
            EXPECT_EQ(0.0004848, tolerance_get());
            ToleranceGuard snap(tolerance_arc_snap);
            EXPECT_EQ(4.848e-5, tolerance_get());
        }
        EXPECT_EQ(1e-9, tolerance_get());
    }
    EXPECT_EQ(0.0004848, tolerance_get());

    // A guard restores on an early exit by exception as well.
    try {
        ToleranceGuard fine(tolerance_fine);
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(0.0004848, tolerance_get());
}

TEST_F(Tolerance, CompareDoublesTable) {
    struct Case {
        double tol, a, b;
        int expected;
    } cases[] = {
        {tolerance_standing, 1.0, 1.0003, 0},
        {tolerance_fine, 1.0, 1.0003, -1},
        {tolerance_standing, 1.0003, 1.0, 0},
        {tolerance_fine, 1.0003, 1.0, 1},
        {tolerance_standing, 0.0, 0.001, -1},
        {tolerance_standing, 0.001, 0.0, 1},
        // A difference of exactly the tolerance counts as equal.
        {0.5, 1.5, 1.0, 0},
        {0.5, 1.0, 1.5, 0},
        {0.25, 1.0, 1.25, 0},
        {0.25, 1.0, 1.2500000000000002, -1},
        {tolerance_standing, -inf, 0.0, -1},
        {tolerance_standing, inf, 1e308, 1},
        {tolerance_standing, nan_value, 3.0, 0},
        {tolerance_standing, -DBL_MAX, DBL_MAX, -1},
    };
    for (const Case& c : cases) {
        ToleranceGuard g(c.tol);
        EXPECT_EQ(c.expected, compare_doubles(c.a, c.b)) << c.a << " vs " << c.b << " tol " << c.tol;
        EXPECT_EQ(c.expected, compare_with_tolerance(c.a, c.b));
    }
}

TEST_F(Tolerance, ForMagnitude) {
    const double t = tolerance_standing;
    EXPECT_NEAR(t * 100000.0, tolerance_for_magnitude(12345.0), t * 1e-9);
    EXPECT_NEAR(t * 100000.0, tolerance_for_magnitude(-12345.0), t * 1e-9);
    EXPECT_EQ(t, tolerance_for_magnitude(0.5));
    EXPECT_EQ(t, tolerance_for_magnitude(1.0));
    EXPECT_EQ(t * 10.0, tolerance_for_magnitude(1.5));
    EXPECT_EQ(t, tolerance_for_magnitude(inf));
    EXPECT_EQ(t, tolerance_for_magnitude(-inf));
    EXPECT_EQ(t, tolerance_for_magnitude(nan_value));
    // The largest finite value ends promptly with a finite result.
    double big = tolerance_for_magnitude(DBL_MAX);
    EXPECT_TRUE(std::isfinite(big));
    EXPECT_GT(big, 1e300);
    ToleranceGuard fine(tolerance_fine);
    EXPECT_NEAR(1e-9 * 1000.0, tolerance_for_magnitude(999.0), 1e-15);
}

TEST_F(Tolerance, SheetPrecisionUsesDrawingScale) {
    // Without a drawing the scale is 1.
    EXPECT_EQ(0, compare_at_sheet_precision(10.0, 10.009));
    EXPECT_EQ(-1, compare_at_sheet_precision(10.0, 10.02));
    EXPECT_EQ(1, compare_at_sheet_precision(10.02, 10.0));

    // At 1:10 a difference of 0.05 model units is 0.005 sheet millimetres.
    open_drawing_with_scale(0.1);
    EXPECT_EQ(0, compare_at_sheet_precision(10.0, 10.05));
    EXPECT_EQ(-1, compare_at_sheet_precision(10.0, 10.2));
    // At 10:1 the same difference is 0.5 sheet millimetres.
    open_drawing_with_scale(10.0);
    EXPECT_EQ(1, compare_at_sheet_precision(10.05, 10.0));
    // The threshold does not depend on the tolerance.
    ToleranceGuard fine(tolerance_fine);
    EXPECT_EQ(0, compare_at_sheet_precision(10.0005, 10.0));
    EXPECT_EQ(0, kernel_flags().overflow_error);
}

TEST_F(Tolerance, SheetPrecisionFlagsNonFiniteOperands) {
    struct Case {
        double a, b;
    } cases[] = {{inf, 1.0}, {1.0, -inf}, {nan_value, 3.0}, {3.0, nan_value}, {inf, inf}};
    for (const Case& c : cases) {
        kernel_flags().overflow_error = 0;
        EXPECT_EQ(0, compare_at_sheet_precision(c.a, c.b));
        EXPECT_EQ(1, kernel_flags().overflow_error) << c.a << " " << c.b;
    }
    // A finite operand whose sheet length overflows is reported the same way.
    open_drawing_with_scale(1e10);
    kernel_flags().overflow_error = 0;
    EXPECT_EQ(0, compare_at_sheet_precision(DBL_MAX, -DBL_MAX));
    EXPECT_EQ(1, kernel_flags().overflow_error);
    // The flag is never cleared by a later good compare.
    EXPECT_EQ(-1, compare_at_sheet_precision(1.0, 2.0));
    EXPECT_EQ(1, kernel_flags().overflow_error);
}

TEST_F(Tolerance, RoundToDecimals) {
    struct Case {
        double x;
        int n;
        double expected;
    } cases[] = {
        {0.125, 2, 0.13}, {2.5, 0, 3.0},     {-2.5, 0, -3.0},   {-0.125, 2, -0.13},
        {1.44, 1, 1.4},   {-1.45, 0, -1.0},  {0.0, 3, 0.0},     {123.456, 0, 123.0},
        {1250.0, -2, 1300.0}, {-0.4999, 0, -0.0}, {1e20, 2, 1e20},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, round_to_decimals(c.x, c.n)) << c.x << " to " << c.n;
    }
}

TEST_F(Tolerance, NormalizeAngleTable) {
    const double pi = kernel_context().pi;
    struct Case {
        double angle, expected;
    } cases[] = {
        {-pi, pi},
        {3 * pi, pi},
        {-3 * pi, pi},
        {0.0001, 0.0},
        {-0.0001, 0.0},
        {7.0, 7.0 - 2 * pi},
        {pi + 0.0001, pi},
        {-pi - 0.0001, pi},
        {pi - 0.001, pi - 0.001},
        {1.0, 1.0},
        {-1.0, -1.0},
        {2 * pi, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.expected, normalize_angle(c.angle), 1e-12) << c.angle;
    }
    // Exact snaps are exact.
    EXPECT_EQ(pi, normalize_angle(-pi));
    EXPECT_EQ(0.0, normalize_angle(0.0001));
    EXPECT_EQ(0, kernel_flags().overflow_error);
}

TEST_F(Tolerance, NormalizeAngleEndsOnHugeAndNonFiniteInput) {
    const double pi = kernel_context().pi;
    auto start = std::chrono::steady_clock::now();
    for (double a : {1e17, -1e17, 1e300, -DBL_MAX, 7e16 + 1.0, 123456789.123}) {
        double r = normalize_angle(a);
        EXPECT_TRUE(r > -pi && r <= pi) << a << " gives " << r;
        // Reduced by whole turns of the double two_pi.
        double expected = std::remainder(a, 2 * pi);
        EXPECT_NEAR(std::sin(expected), std::sin(r), 1e-9) << a;
        EXPECT_NEAR(std::cos(expected), std::cos(r), 1e-9) << a;
    }
    EXPECT_EQ(0, kernel_flags().overflow_error);
    for (double a : {inf, -inf, nan_value}) {
        kernel_flags().overflow_error = 0;
        EXPECT_EQ(0.0, normalize_angle(a));
        EXPECT_EQ(1, kernel_flags().overflow_error);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(Tolerance, AnglesParallelPointsEqualNonNegative) {
    const double pi = kernel_context().pi;
    EXPECT_EQ(1, angles_parallel(0.3, 0.3 + pi));
    EXPECT_EQ(1, angles_parallel(0.3, 0.3 - pi));
    EXPECT_EQ(1, angles_parallel(0.3, 0.3 + 2 * pi));
    EXPECT_EQ(1, angles_parallel(0.3, 0.3002));
    EXPECT_EQ(0, angles_parallel(0.3, 0.31));
    EXPECT_EQ(0, angles_parallel(0.0, pi / 2));

    EXPECT_EQ(1, points_equal(1.0, 2.0, 1.0004, 1.9996));
    EXPECT_EQ(0, points_equal(1.0, 2.0, 1.0, 2.001));
    EXPECT_EQ(0, points_equal(1.0, 2.0, 1.001, 2.0));

    EXPECT_EQ(1, is_non_negative(0.0));
    EXPECT_EQ(1, is_non_negative(-0.0004848));
    EXPECT_EQ(0, is_non_negative(-0.0005));
    ToleranceGuard fine(tolerance_fine);
    EXPECT_EQ(0, is_non_negative(-0.0004848));
    EXPECT_EQ(0, points_equal(1.0, 2.0, 1.0004, 1.9996));
}

TEST_F(Tolerance, ArcByCentreSameEndsIsFullCircle) {
    // Two arcs with equal ends and centres on opposite sides are different
    // geometry; an arc whose start equals its end is a full circle.
    ArcByCentre upper{{0, 0}, {2, 0}, {1, 1}};
    ArcByCentre lower{{0, 0}, {2, 0}, {1, -1}};
    EXPECT_EQ(0, points_equal(upper.centre.x, upper.centre.y, lower.centre.x, lower.centre.y));
    ArcByCentre full{{1, 0}, {1.0001, 0}, {0, 0}};
    EXPECT_EQ(1, points_equal(full.start.x, full.start.y, full.end.x, full.end.y));
}

TEST_F(Tolerance, ConcurrentBracketsStayOnTheirThread) {
    std::atomic<int> wrong{0};
    auto worker = [&wrong](double mine) {
        for (int i = 0; i < 20000; ++i) {
            ToleranceGuard g(mine);
            if (tolerance_get() != mine) ++wrong;
            {
                double save = tolerance_set_fine();
                if (compare_doubles(1.0, 1.0003) != -1) ++wrong;
                tolerance_set(save);
            }
            if (tolerance_get() != mine) ++wrong;
            if (mine == tolerance_standing && compare_doubles(1.0, 1.0003) != 0) ++wrong;
        }
        if (tolerance_get() != tolerance_standing) ++wrong;
    };
    std::vector<std::thread> threads;
    threads.emplace_back(worker, tolerance_standing);
    threads.emplace_back(worker, tolerance_fine);
    threads.emplace_back(worker, tolerance_arc_snap);
    for (auto& t : threads) t.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(tolerance_standing, tolerance_get());
}

TEST_F(Tolerance, ThreadEndingInAFineSectionLeavesOthersAlone) {
    std::thread t([] { tolerance_set_fine(); });
    t.join();
    EXPECT_EQ(0, compare_doubles(1.0, 1.0003));
    EXPECT_EQ(0.0004848, tolerance_for_magnitude(0.5));
    {
        ToleranceGuard fine(tolerance_fine);
        EXPECT_EQ(-1, compare_doubles(1.0, 1.0003));
    }
    EXPECT_EQ(0, compare_doubles(1.0, 1.0003));
}

TEST_F(Tolerance, FlagsArePerThread) {
    kernel_flags().overflow_error = 0;
    std::thread t([] {
        compare_at_sheet_precision(inf, 0.0);
        kernel_flags().segments_collinear = 1;
    });
    t.join();
    EXPECT_EQ(0, kernel_flags().overflow_error);
    EXPECT_EQ(0, kernel_flags().segments_collinear);
}

}  // namespace
