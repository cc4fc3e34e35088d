// The point solver: fixes the true position of every reference point of one
// projection from its dimension network by locus propagation.
//
// Every exact dimension is turned into loci (lines, rays, circles, fixed
// points) on which its points must lie; a point is fixed where two loci of
// different dimensions meet. Inequalities only choose between the two
// candidates of an intersection; the sketch chooses when they do not.
//
// Gauge: the start point keeps its sketch position; orientation comes from
// X/Y dimensions and fixed axes. Pass 1 uses no sketch data; pass 2 takes
// missing centres, axis directions and angle references from the sketch.
// Every successful result is verified against all dimensions afterwards, so
// a sketch value frozen into a locus can never pass as a solution.
//
// Connected components (points joined through a dimension or its axis)
// are solved apart: no attempt reaches beyond the component of its start.
// A component solved on its own is verified on its own; when there are
// several, the run reports them as not tied together and marks the points
// outside the component of the network's first start. A component that no
// start can fix completely (two points that only a start could fix, or one
// that no start rule picks) is not retried from starts an earlier attempt
// of the same pass already fixed with all their dimensions used.
//
// Bounds: each point is tried at most once as start per pass, every
// propagation round must apply a dimension or fix a point, and the stop
// request is read inside every loop. Every comparison names its tolerance;
// the thread's tolerance is left as it was found.
#pragma once
#include "stages/dimensions/dimension_network.h"

#include <functional>

enum SolverOutcome {
    SOLVER_SOLVED = 0,
    SOLVER_INCONSISTENT,   // "*** Размеры образовали несогласованную цепь!"
    SOLVER_UNFIXABLE,      // "*** Невозможно зафиксировать точки"
    SOLVER_DISCONNECTED,   // "*** Не связанные между собой группы размеров"
    SOLVER_STOPPED         // the stop request was seen
};

// A locus of the solver (kind 1 line or ray, 2 circle, 3 fixed point).
enum { LOCUS_LINE = 1, LOCUS_CIRCLE = 2, LOCUS_POINT = 3 };
struct Locus {
    int kind = LOCUS_LINE;
    double x = 0, y = 0;   // point of the line, centre, or the fixed point
    double a = 0;          // direction of a line, radius of a circle, key of a fixed point
    bool ray = false;
    bool provisional = false;
    std::vector<int> members;
};

struct SolverOptions {
    // True when the run is to stop (the construction's stop request).
    std::function<bool()> stop_requested;
};

struct SolverResult {
    SolverOutcome outcome = SOLVER_SOLVED;
    int error_count = 0;              // counted lines written by the solver
    std::vector<int> unfixed;         // point nodes left unfixed (flag bits 6/7)
    int ambiguous = 0;                // pairs reported as ambiguous
};

// Solves the network built by check_projection_network. Writes solved
// positions into the point nodes, marks inconsistent dimension nodes (and
// their record copies), appends log lines to net.lines (and counts them in
// net.error_count and result.error_count).
SolverResult solve_point_network(Network& net, const SolverOptions& options);

// The values the solved positions give each dimension node, by the rules
// the solver builds its loci from; used by the verification and the tests.
// Returns false when the node's points cannot be measured (missing centre,
// degenerate axis). For linear nodes *value is the offset of the second-end
// line from the first along the offset direction, and *spread the largest
// distance of a point from its role's line.
bool measure_solved_dimension(const Network& net, const DimensionNode& d, double* value, double* spread);

// Length tolerance of the consistency tests: 1e-9 at unit size, growing
// with the magnitude of the coordinates compared.
double solver_fine_tolerance(double magnitude);
