// The reference point solver: the plain full-scan locus propagation the
// production solver is compared with.
#pragma once
#include "stages/dimensions/point_solver.h"

SolverResult reference_solve_point_network(Network& net, const SolverOptions& options);
