#include "newton_solver.h"

#include "assembly.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace xefhost {

namespace {

constexpr int kMaxIterations = 10;
// Relative to the load: a large model's residual floor after an exact solve lies near 1e-9.
constexpr double kTolerance = 1e-8;
// Residuals below this backward error are what summing the element forces in double precision
// leaves; no further step can reduce them.
constexpr double kRoundOffLevel = 1e-12;

double freeNorm(const Model& model, const std::vector<double>& internalForce) {
    double sum = 0;
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        if (!model.fixed[dof]) {
            const double r = internalForce[dof] - model.externalForce[dof];
            sum += r * r;
        }
    }
    return std::sqrt(sum);
}

// Largest residual of a free unknown relative to the size of the terms summed into it: the
// componentwise backward error of the equilibrium equations.
double backwardError(const Model& model, const std::vector<double>& internalForce,
                     const std::vector<double>& magnitude) {
    double worst = 0;
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        if (model.fixed[dof]) {
            continue;
        }
        const double r = std::fabs(internalForce[dof] - model.externalForce[dof]);
        const double size = magnitude[dof] + std::fabs(model.externalForce[dof]);
        if (r > 0) {
            worst = std::max(worst, size > 0 ? r / size : HUGE_VAL);
        }
    }
    return worst;
}

} // namespace

NewtonResult solveNewton(const Model& model, LinearSystem& system, CholeskySolver& solver,
                         ElementKernels& kernels, const ProgressReport& progress, StageClock& clock,
                         std::vector<StageCost>& stages) {
    NewtonResult result;
    result.u.assign(model.dofCount(), 0.0);
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        if (model.fixed[dof]) {
            result.u[dof] = model.prescribed[dof];
        }
    }
    SparseSystem& matrix = system.matrix;
    std::vector<double> magnitude;
    AssemblyTargets withMatrix{&result.internalForce, &matrix, nullptr};
    const AssemblyTargets residualOnly{&result.internalForce, nullptr, &magnitude};
    // The element entry positions are as large as the matrix itself; they are held only while
    // a tangent is assembled, so that the factorization has their memory.
    const auto assembleTangent = [&]() {
        progress("assembling");
        locateElementEntries(model, matrix, system.partition);
        assemble(model, kernels, system.partition, result.u, withMatrix);
        releaseElementEntries(matrix);
        clock.finish(stages, "assembly");
    };
    assembleTangent();
    double norm = freeNorm(model, result.internalForce);
    result.residualNorms.push_back(norm);
    double load = 0;
    for (double f : model.externalForce) {
        load += f * f;
    }
    const double reference = std::max(std::sqrt(load), norm);

    std::vector<double> rhs(matrix.size), du;
    bool matrixCurrent = true;
    // At least one factorization, even without load: it is what proves the model restrained.
    // Iterations stop at the tolerance, once the residual is as small as round-off in summing
    // the element forces explains, or when a step no longer halves the residual.
    double previous = norm;
    bool roundOff = false;
    // Solves with the current factor, updates the displacements and assembles the residual.
    const auto solveStep = [&]() {
        progress("solving");
        for (size_t dof = 0; dof < model.dofCount(); ++dof) {
            const int32_t eq = matrix.equation[dof];
            if (eq >= 0) {
                rhs[eq] = model.externalForce[dof] - result.internalForce[dof];
            }
        }
        solver.solve(rhs, du);
        for (size_t dof = 0; dof < model.dofCount(); ++dof) {
            const int32_t eq = matrix.equation[dof];
            if (eq >= 0) {
                result.u[dof] += du[eq];
            }
        }
        clock.finish(stages, "solve");
        progress("checking the residual");
        assemble(model, kernels, system.partition, result.u, residualOnly);
        matrixCurrent = false;
        clock.finish(stages, "assembly");
        norm = freeNorm(model, result.internalForce);
        result.residualNorms.push_back(norm);
        result.backwardError = backwardError(model, result.internalForce, magnitude);
        roundOff = result.backwardError <= kRoundOffLevel;
    };

    for (int iteration = 0;
         iteration < kMaxIterations &&
         (iteration == 0 || (norm > kTolerance * reference && !roundOff && norm < 0.5 * previous));
         ++iteration) {
        previous = norm;
        if (!matrixCurrent) {
            assembleTangent();
        }
        if (iteration == 0) {
            progress("analysing the factor");
            solver.analyze(matrix);
            clock.finish(stages, "analysis");
        }
        progress("factorizing");
        try {
            solver.factorize(matrix);
            ++result.factorizations;
        } catch (const SingularModelError& error) {
            throw SingularModelError(std::string("the model can move freely: ") + error.what() +
                                     "; fix more displacement components");
        }
        clock.finish(stages, "factorization");
        solveStep();
        if (roundOff) {
            // Converged to round-off: one more step with the factor in hand (iterative
            // refinement) removes the factorization's own error, which on large models is well
            // above the residual's.
            solveStep();
        }
    }
    return result;
}

} // namespace xefhost
