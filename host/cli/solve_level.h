// One level of `xefhost solve`, as a pipeline whose data flow one way: the model's linear system
// (built once), the Cholesky solver, Newton's iterations over the load steps, and the summary of
// equilibrium.
#pragma once

#include "analysis.h"
#include "element_kernels.h"
#include "linear_system.h"
#include "newton_solver.h"
#include "stage_clock.h"

#include <functional>
#include <vector>

namespace xefhost {

// What the load steps showed beside the record: their residual histories, and whether the
// response was linear, so that only energy figures true for the element are reported.
struct LevelSolution {
    std::vector<NewtonStep> steps;
    bool linear = true; // every step converged with one factorization
    double work = 0;    // of the loads and reactions, summed over the steps
};

// Takes Newton's result into the record: u, the internal force, the residuals and
// factorizations; `summarize` then fills the equilibrium figures, and where the response was not
// linear the strain energy gives way to the work of the loads.
LevelSolution takeNewtonResult(Analysis& analysis, NewtonResult&& result,
                               const std::function<void(Analysis&)>& summarize);

// Solves analysis.model, with CHOLMOD or, for SolveMethod::Petsc, PETSc (whose runtime the
// caller has started): checks its supports, then fills u, the internal force, the system's and
// the factor's figures, the stage costs and the summary. Where the response was not linear the
// strain energy 1/2 u.f is not the element's and is left out (NaN). Throws SingularModelError where
// the model can move freely and NotConvergedError where a load step does not converge.
LevelSolution solveLevel(Analysis& analysis, ElementKernels& kernels,
                         const ProgressReport& progress,
                         Factorization factorization = Factorization::Automatic,
                         const NewtonSettings& settings = NewtonSettings{},
                         SolveMethod method = SolveMethod::Cholmod);

} // namespace xefhost
