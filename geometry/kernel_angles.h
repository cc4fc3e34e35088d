// Short accessors of the angle constants of the kernel context, for the
// formulas of the kernel's own sources.
#pragma once
#include "geometry/kernel_context.h"

inline double k_pi() { return kernel_context().pi; }
inline double k_two_pi() { return kernel_context().two_pi; }
inline double k_half_pi() { return kernel_context().half_pi; }
inline double k_pi_over_18() { return kernel_context().pi_over_18; }
inline double k_pi_over_6() { return kernel_context().pi_over_6; }
inline double k_two_thirds_pi() { return kernel_context().two_thirds_pi; }
