// Newton iterations on residual = internal force - external force, Dirichlet by elimination, with
// the load applied in equal steps.
#pragma once

#include "element_kernels.h"
#include "linear_solver.h"
#include "linear_system.h"
#include "model.h"
#include "newton_system.h"
#include "stage_clock.h"

#include <stdexcept>
#include <vector>

namespace xefhost {

struct NewtonSettings {
    int steps = 1;           // equal increments of every load and prescribed displacement
    int maxIterations = 10;  // per step
    double tolerance = 1e-8; // free residual norm relative to the step's load
};

struct NewtonStep {
    double loadFactor = 0;             // the share of the full load reached by the step
    std::vector<double> residualNorms; // before the step's first iteration, then after each
    int factorizations = 0;
    // Whether one factorization met the tolerance: the response was linear over the step, as far
    // as the tolerance can tell.
    bool linear = false;
};

struct NewtonResult {
    std::vector<double> u;             // every unknown, node by node, at the full load
    std::vector<double> internalForce; // assembled element residuals at u
    std::vector<double> residualNorms; // of every step, one after the other
    std::vector<NewtonStep> steps;
    double backwardError = 0; // largest residual relative to the size of its summed terms
    int factorizations = 0;
    // Sum over the steps of (f_int before + f_int after) / 2 . (u after - u before): the work
    // of the loads and reactions, the strain energy of a hyperelastic element up to the steps'
    // trapezoidal error.
    double work = 0;
};

// A step's iterations ran out before the residual met the tolerance. The message names the step
// and its residual norms; nothing of the solve is to be reported as a result.
class NotConvergedError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The observed order of convergence at each iteration after the second of a step:
// log(r[k+1] / r[k]) / log(r[k] / r[k-1]); 2 for Newton's method near the solution.
std::vector<double> convergenceRates(const std::vector<double>& residualNorms);

// Applies the load in settings.steps equal steps, iterating in each from the last until the
// residual meets the tolerance or reaches round-off. The first iteration analyses the factor.
// Charges the "assembly", "analysis", "factorization" and "solve" stages to stages; throws
// SingularModelError where the stiffness cannot be factorized and NotConvergedError where a step
// does not converge.
NewtonResult solveNewton(NewtonSystem& system, const NewtonSettings& settings,
                         const ProgressReport& progress, StageClock& clock,
                         std::vector<StageCost>& stages);

// The same for a model whose linear system and solver this process holds whole.
NewtonResult solveNewton(const Model& model, LinearSystem& system, LinearSolver& solver,
                         ElementKernels& kernels, const NewtonSettings& settings,
                         const ProgressReport& progress, StageClock& clock,
                         std::vector<StageCost>& stages);

} // namespace xefhost
