#include "solve_level.h"

#include "cholesky_solver.h"
#include "restraint.h"
#if defined(MOLR_WITH_PETSC)
#include "petsc_linear_solver.h"
#endif

#include <cmath>
#include <stdexcept>
#include <utility>

namespace xefhost {

namespace {

#if defined(MOLR_WITH_PETSC)
NewtonResult solveWithPetsc(Analysis& analysis, LinearSystem& system, ElementKernels& kernels,
                            const NewtonSettings& settings, const ProgressReport& progress,
                            StageClock& clock) {
    PetscLinearSolver solver(analysis.model);
    NewtonResult result = solveNewton(analysis.model, system, solver, kernels, settings, progress,
                                      clock, analysis.stages);
    analysis.linearSolver = solver.summary();
    return result;
}
#else
NewtonResult solveWithPetsc(Analysis&, LinearSystem&, ElementKernels&, const NewtonSettings&,
                            const ProgressReport&, StageClock&) {
    throw std::runtime_error("this build has no PETSc");
}
#endif

} // namespace

LevelSolution takeNewtonResult(Analysis& analysis, NewtonResult&& result,
                               const std::function<void(Analysis&)>& summarize) {
    analysis.u = std::move(result.u);
    analysis.internalForce = std::move(result.internalForce);
    analysis.residualNorms = std::move(result.residualNorms);
    analysis.backwardError = result.backwardError;
    analysis.factorizations = result.factorizations;
    summarize(analysis);
    LevelSolution solution{std::move(result.steps), true, result.work};
    for (const NewtonStep& step : solution.steps) {
        solution.linear = solution.linear && step.linear;
    }
    analysis.loadSteps = static_cast<int>(solution.steps.size());
    if (!solution.linear) {
        analysis.strainEnergy = std::nan("");
        analysis.loadWork = solution.work;
    }
    return solution;
}

LevelSolution solveLevel(Analysis& analysis, ElementKernels& kernels,
                         const ProgressReport& progress, Factorization factorization,
                         const NewtonSettings& settings, SolveMethod method) {
    const Model& model = analysis.model;
    requireRestraint(model);
    StageClock clock;
    LinearSystem system = buildLinearSystem(model, factorization, progress, clock, analysis.stages);
    analysis.unknowns = static_cast<size_t>(system.matrix.size);
    analysis.nonzeros = system.matrix.nonzeros();
    analysis.separatorUnknowns = system.blocks ? static_cast<size_t>(system.blocks->separator) : 0;

    NewtonResult result;
    if (method == SolveMethod::Petsc) {
        result = solveWithPetsc(analysis, system, kernels, settings, progress, clock);
    } else {
        CholeskySolver solver(system.blocks);
        result =
            solveNewton(model, system, solver, kernels, settings, progress, clock, analysis.stages);
        analysis.factorEntries = solver.factorEntries();
        analysis.factorFlops = solver.factorFlops();
    }
    return takeNewtonResult(analysis, std::move(result), summarizeEquilibrium);
}

} // namespace xefhost
