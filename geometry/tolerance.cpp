// The per-thread geometric tolerance and the tolerant comparisons.
#include "geometry/tolerance.h"

#include <atomic>
#include <cmath>

#include "geometry/kernel_context.h"

namespace {

// Every thread starts at the standing tolerance.
thread_local double t_tolerance = tolerance_standing;

// The number of threads whose tolerance is not the standing one. While it is
// 0 the comparisons read the standing value without touching thread-local
// storage, which costs a library call per access in the i686 build. A thread
// that leaves the standing value counts itself first, so its own reads always
// see a count of at least 1 and take its own value; any other thread whose
// tolerance is standing gets the same result either way.
std::atomic<int> g_threads_off_standing{0};

inline double current_tolerance() {
    if (g_threads_off_standing.load(std::memory_order_relaxed) == 0) {
        return tolerance_standing;
    }
    return t_tolerance;
}

// 10^n for n >= 0, by exact multiplications while the powers are exact.
double power_of_ten(int n) {
    double f = 1.0;
    for (int i = 0; i < n; ++i) {
        f *= 10.0;
    }
    return f;
}

}  // namespace

double tolerance_get() {
    return t_tolerance;
}

double tolerance_set(double tol) {
    double previous = t_tolerance;
    bool was_off = !(previous == tolerance_standing);
    bool now_off = !(tol == tolerance_standing);
    if (now_off && !was_off) {
        g_threads_off_standing.fetch_add(1, std::memory_order_relaxed);
    }
    t_tolerance = tol;
    if (was_off && !now_off) {
        g_threads_off_standing.fetch_sub(1, std::memory_order_relaxed);
    }
    return previous;
}

double tolerance_set_fine() {
    return tolerance_set(tolerance_fine);
}

double tolerance_set_default() {
    return tolerance_set(tolerance_standing);
}

int compare_with_tolerance(double a, double b) {
    double tol = current_tolerance();
    double d = a - b;
    if (d < -tol) {
        return -1;
    }
    if (d > tol) {
        return 1;
    }
    return 0;
}

int compare_doubles(double a, double b) {
    return compare_with_tolerance(a, b);
}

double tolerance_for_magnitude(double x) {
    double r = current_tolerance();
    if (std::isfinite(x)) {
        double a = std::fabs(x);
        while (a > 1.0) {
            a *= 0.1;
            r *= 10.0;
        }
    }
    return r;
}

int compare_at_sheet_precision(double a, double b) {
    if (!std::isfinite(a) || !std::isfinite(b)) {
        kernel_flags().overflow_error = 1;
        return 0;
    }
    double sa = model_to_sheet_length(a);
    double sb = model_to_sheet_length(b);
    double d = sa - sb;
    if (!std::isfinite(d)) {
        kernel_flags().overflow_error = 1;
        return 0;
    }
    if (std::fabs(d) - 0.01 > 0.0) {
        return d >= 0.0 ? 1 : -1;
    }
    return 0;
}

double round_to_decimals(double x, int n) {
    double r;
    if (n == 0) {
        r = std::floor(std::fabs(x) + 0.5);
    } else if (n > 0) {
        double f = power_of_ten(n);
        r = std::floor(std::fabs(x * f) + 0.5) / f;
    } else {
        double f = power_of_ten(-n);
        r = std::floor(std::fabs(x / f) + 0.5) * f;
    }
    return x >= 0.0 ? r : -r;
}

double normalize_angle(double angle) {
    const KernelContext& k = kernel_context();
    if (!std::isfinite(angle)) {
        kernel_flags().overflow_error = 1;
        return 0.0;
    }
    double a = angle;
    // Far angles are first brought near the range in one exact step; the
    // loops below then run at most once or twice.
    if (std::fabs(a) > 8.0 * k.two_pi) {
        a = std::remainder(a, k.two_pi);
    }
    while (a > k.pi) {
        a -= k.two_pi;
    }
    while (a < -k.pi) {
        a += k.two_pi;
    }
    if (compare_doubles(std::fabs(a), k.pi) == 0) {
        a = k.pi;
    }
    if (compare_doubles(std::fabs(a), 0.0) == 0) {
        return 0.0;
    }
    return a;
}

int angles_parallel(double a, double b) {
    double c = normalize_angle(a - b);
    return (compare_doubles(c, 0.0) == 0 || compare_doubles(c, kernel_context().pi) == 0) ? 1 : 0;
}

int points_equal(double x1, double y1, double x2, double y2) {
    return (compare_doubles(x1, x2) == 0 && compare_doubles(y1, y2) == 0) ? 1 : 0;
}

int is_non_negative(double x) {
    return compare_doubles(x, 0.0) >= 0 ? 1 : 0;
}
