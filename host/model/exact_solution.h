// Closed-form plane-strain solutions the host checks its analyses against.
#pragma once

#include "problem.h"

#include <functional>

namespace xefhost {

struct ExactSolution {
    // Displacement (ux, uy) at (x, y).
    std::function<void(double x, double y, double* u)> displacement;
    // Tensor strain and stress (xx, yy, xy) at (x, y).
    std::function<void(double x, double y, double* strain, double* stress)> strainStress;
};

// "lame-cylinder": a thick-walled cylinder centred at the origin under internal pressure;
// "uniform-strain": the linear field offset + gradient * (x, y). E and nu are the material's.
ExactSolution makeExactSolution(const ExactSpec& exact, double E, double nu);

} // namespace xefhost
