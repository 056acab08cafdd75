// Newton iterations on residual = internal force - external force, Dirichlet by elimination.
#pragma once

#include "cholesky_solver.h"
#include "element_kernels.h"
#include "linear_system.h"
#include "model.h"
#include "stage_clock.h"

#include <vector>

namespace xefhost {

struct NewtonResult {
    std::vector<double> u;             // every unknown, node by node
    std::vector<double> internalForce; // assembled element residuals at u
    std::vector<double> residualNorms; // before each Newton step, and after
    double backwardError = 0;          // largest residual relative to the size of its summed terms
    int factorizations = 0;
};

// Iterates from the prescribed displacements until the residual meets the tolerance, reaches
// round-off, or stops halving. The first iteration analyses the factor. Charges the "assembly",
// "analysis", "factorization" and "solve" stages to stages; throws SingularModelError where the
// stiffness cannot be factorized.
NewtonResult solveNewton(const Model& model, LinearSystem& system, CholeskySolver& solver,
                         ElementKernels& kernels, const ProgressReport& progress, StageClock& clock,
                         std::vector<StageCost>& stages);

} // namespace xefhost
