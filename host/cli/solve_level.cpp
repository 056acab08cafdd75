#include "solve_level.h"

#include "cholesky_solver.h"
#include "restraint.h"

#include <cmath>
#include <utility>

namespace xefhost {

LevelSolution solveLevel(Analysis& analysis, ElementKernels& kernels,
                         const ProgressReport& progress, Factorization factorization,
                         const NewtonSettings& settings) {
    const Model& model = analysis.model;
    requireRestraint(model);
    StageClock clock;
    LinearSystem system = buildLinearSystem(model, factorization, progress, clock, analysis.stages);
    analysis.unknowns = static_cast<size_t>(system.matrix.size);
    analysis.nonzeros = system.matrix.nonzeros();
    analysis.separatorUnknowns = system.blocks ? static_cast<size_t>(system.blocks->separator) : 0;

    CholeskySolver solver(system.blocks);
    NewtonResult result =
        solveNewton(model, system, solver, kernels, settings, progress, clock, analysis.stages);
    analysis.u = std::move(result.u);
    analysis.internalForce = std::move(result.internalForce);
    analysis.residualNorms = std::move(result.residualNorms);
    analysis.backwardError = result.backwardError;
    analysis.factorizations = result.factorizations;
    analysis.factorEntries = solver.factorEntries();
    analysis.factorFlops = solver.factorFlops();
    summarizeEquilibrium(analysis);

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

} // namespace xefhost
