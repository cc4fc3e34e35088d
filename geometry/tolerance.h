// The geometric tolerance and the tolerant comparisons, rounding and angle
// normalisation built on it.
//
// Every equality test between coordinates, lengths or angles goes through
// compare_doubles against the tolerance of the calling thread. Each thread
// starts at the standing tolerance 0.0004848 model units. Fine work runs at
// 1e-9, arc end points are snapped at 4.848e-5, and whoever changes the
// tolerance puts the previous value back when done; ToleranceGuard does that
// on every exit of a scope:
//
//     { ToleranceGuard fine(tolerance_fine); ... }
//
// The tolerance is per thread, so brackets on the GUI thread and on worker
// threads never restore each other's values.
#pragma once

constexpr double tolerance_standing = 0.0004848;
constexpr double tolerance_fine = 1e-9;
constexpr double tolerance_arc_snap = 4.848e-5;

// Current tolerance of the calling thread.
double tolerance_get();

// Sets the tolerance of the calling thread; returns the previous value.
double tolerance_set(double tol);

// Sets 1e-9; returns the previous value.
double tolerance_set_fine();

// Sets the standing 0.0004848; returns the previous value.
double tolerance_set_default();

// Sets a tolerance for the life of the guard and restores the previous one
// when the guard goes out of scope.
struct ToleranceGuard {
    explicit ToleranceGuard(double tol) : saved(tolerance_set(tol)) {}
    ~ToleranceGuard() { tolerance_set(saved); }
    ToleranceGuard(const ToleranceGuard&) = delete;
    ToleranceGuard& operator=(const ToleranceGuard&) = delete;
    double saved;
};

// -1 when a - b < -tol, 1 when a - b > tol, else 0; a difference of exactly
// +-tol counts as equal. A NaN operand compares as 0.
int compare_with_tolerance(double a, double b);

// The comparison used throughout the system; forwards to
// compare_with_tolerance.
int compare_doubles(double a, double b);

// The tolerance multiplied by 10 for every division by 10 that brings |x| to
// at most 1; the plain tolerance when x is not finite.
double tolerance_for_magnitude(double x);

// Compares two model lengths or coordinates on the sheet (after
// model_to_sheet_length) at 0.01 sheet millimetres. When an operand, or its
// sheet length, is not finite, sets the thread's overflow_error flag to 1 and
// returns 0.
int compare_at_sheet_precision(double a, double b);

// x rounded to n decimals, half away from zero (2.5 -> 3, -2.5 -> -3).
double round_to_decimals(double x, int n);

// The angle reduced to (-pi, pi], snapped to pi and to 0 within the
// tolerance. A non-finite angle gives 0 and sets the thread's overflow_error
// flag to 1.
double normalize_angle(double angle);

// 1 when directions a and b are equal or opposite, else 0.
int angles_parallel(double a, double b);

// 1 when both coordinate pairs compare equal, else 0.
int points_equal(double x1, double y1, double x2, double y2);

// 1 when x >= -tol, else 0.
int is_non_negative(double x);
