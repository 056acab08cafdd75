#include "solve_level.h"

#include "cholesky_solver.h"
#include "newton_solver.h"
#include "restraint.h"

#include <utility>

namespace xefhost {

void solveLevel(Analysis& analysis, ElementKernels& kernels, const ProgressReport& progress,
                Factorization factorization) {
    const Model& model = analysis.model;
    requireRestraint(model);
    StageClock clock;
    LinearSystem system = buildLinearSystem(model, factorization, progress, clock, analysis.stages);
    analysis.unknowns = static_cast<size_t>(system.matrix.size);
    analysis.nonzeros = system.matrix.nonzeros();
    analysis.separatorUnknowns = system.blocks ? static_cast<size_t>(system.blocks->separator) : 0;

    CholeskySolver solver(system.blocks);
    NewtonResult result =
        solveNewton(model, system, solver, kernels, progress, clock, analysis.stages);
    analysis.u = std::move(result.u);
    analysis.internalForce = std::move(result.internalForce);
    analysis.residualNorms = std::move(result.residualNorms);
    analysis.backwardError = result.backwardError;
    analysis.factorizations = result.factorizations;
    analysis.factorEntries = solver.factorEntries();
    analysis.factorFlops = solver.factorFlops();
    summarizeEquilibrium(analysis);
}

} // namespace xefhost
