#include "newton_solver.h"

#include "assembly.h"
#include "cholesky_solver.h"
#include "element_partition.h"
#include "node_ordering.h"
#include "restraint.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace xefhost {

namespace {

constexpr int kMaxIterations = 10;
// Relative to the load: a large model's residual floor after an exact solve lies near 1e-9.
constexpr double kTolerance = 1e-8;
// Residuals below this backward error are what summing the element forces in double precision
// leaves; no further step can reduce them.
constexpr double kRoundOffLevel = 1e-12;

// Below a few hundred thousand elements an assembly takes milliseconds, less than a second thread
// costs when it must wait for a core that OpenBLAS's threads still hold after a factorization.
int assemblyThreads(size_t elements) {
    constexpr size_t kElementsPerExtraThread = 200000;
    return static_cast<int>(
        std::min<size_t>(omp_get_max_threads(), 1 + elements / kElementsPerExtraThread));
}

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

void solveNewton(Analysis& analysis, ElementKernels& kernels,
                 const std::function<void(const std::string&)>& progress,
                 Factorization factorization) {
    Model& model = analysis.model;
    requireRestraint(model);
    StageClock clock;
    progress("ordering the nodes");
    SparseSystem system;
    ElementPartition partition;
    std::optional<UnknownBlocks> blocks;
    {
        const NodeGraph graph = buildNodeGraph(model);
        std::optional<NodeSplit> split;
        if (factorization == Factorization::Split ||
            (factorization == Factorization::Automatic && omp_get_max_threads() > 1 &&
             model.nodeCount() >= kSplitFromNodes)) {
            split = splitNodes(model, graph);
        }
        const std::vector<int32_t> order =
            split ? splitNodeOrder(graph, *split)
                  : fillReducingNodeOrder(model, graph, NodeOrdering::MinimumDegree);
        if (split) {
            blocks = unknownBlocks(model, *split);
            analysis.separatorUnknowns = static_cast<size_t>(blocks->separator);
        }
        clock.finish(analysis.stages, "ordering");
        progress("building the sparse pattern");
        system = buildSparseSystem(model, graph, order);
        std::vector<int32_t> rank(order.size());
        for (size_t k = 0; k < order.size(); ++k) {
            rank[order[k]] = static_cast<int32_t>(k);
        }
        partition = partitionElements(model, matrixOrderOfElements(model, rank),
                                      assemblyThreads(model.elementCount()));
    }
    analysis.unknowns = static_cast<size_t>(system.size);
    analysis.nonzeros = system.nonzeros();
    clock.finish(analysis.stages, "pattern");

    analysis.u.assign(model.dofCount(), 0.0);
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        if (model.fixed[dof]) {
            analysis.u[dof] = model.prescribed[dof];
        }
    }
    std::vector<double> magnitude;
    AssemblyTargets withMatrix{&analysis.internalForce, &system, nullptr};
    const AssemblyTargets residualOnly{&analysis.internalForce, nullptr, &magnitude};
    // The element entry positions are as large as the matrix itself; they are held only while
    // a tangent is assembled, so that the factorization has their memory.
    const auto assembleTangent = [&]() {
        progress("assembling");
        locateElementEntries(model, system, partition);
        assemble(model, kernels, partition, analysis.u, withMatrix);
        releaseElementEntries(system);
        clock.finish(analysis.stages, "assembly");
    };
    assembleTangent();
    double norm = freeNorm(model, analysis.internalForce);
    analysis.residualNorms.push_back(norm);
    double load = 0;
    for (double f : model.externalForce) {
        load += f * f;
    }
    const double reference = std::max(std::sqrt(load), norm);

    CholeskySolver solver(blocks);
    std::vector<double> rhs(system.size), du;
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
            const int32_t eq = system.equation[dof];
            if (eq >= 0) {
                rhs[eq] = model.externalForce[dof] - analysis.internalForce[dof];
            }
        }
        solver.solve(rhs, du);
        for (size_t dof = 0; dof < model.dofCount(); ++dof) {
            const int32_t eq = system.equation[dof];
            if (eq >= 0) {
                analysis.u[dof] += du[eq];
            }
        }
        clock.finish(analysis.stages, "solve");
        progress("checking the residual");
        assemble(model, kernels, partition, analysis.u, residualOnly);
        matrixCurrent = false;
        clock.finish(analysis.stages, "assembly");
        norm = freeNorm(model, analysis.internalForce);
        analysis.residualNorms.push_back(norm);
        analysis.backwardError = backwardError(model, analysis.internalForce, magnitude);
        roundOff = analysis.backwardError <= kRoundOffLevel;
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
            solver.analyze(system);
            analysis.factorEntries = solver.factorEntries();
            analysis.factorFlops = solver.factorFlops();
            clock.finish(analysis.stages, "analysis");
        }
        progress("factorizing");
        try {
            solver.factorize(system);
            ++analysis.factorizations;
        } catch (const SingularModelError& error) {
            throw SingularModelError(std::string("the model can move freely: ") + error.what() +
                                     "; fix more displacement components");
        }
        clock.finish(analysis.stages, "factorization");
        solveStep();
        if (roundOff) {
            // Converged to round-off: one more step with the factor in hand (iterative
            // refinement) removes the factorization's own error, which on large models is well
            // above the residual's.
            solveStep();
        }
    }

    for (size_t node = 0; node < model.nodeCount(); ++node) {
        analysis.maxDisplacement = std::max(
            analysis.maxDisplacement, std::hypot(analysis.u[2 * node], analysis.u[2 * node + 1]));
    }
    analysis.strainEnergy = 0;
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        const int c = static_cast<int>(dof % model.dofsPerNode);
        analysis.applied[c] += model.externalForce[dof];
        analysis.forceScale += std::fabs(model.externalForce[dof]);
        if (model.fixed[dof]) {
            const double reaction = analysis.internalForce[dof] - model.externalForce[dof];
            analysis.reaction[c] += reaction;
            analysis.forceScale += std::fabs(reaction);
        }
        analysis.strainEnergy += 0.5 * analysis.u[dof] * analysis.internalForce[dof];
    }
}

} // namespace xefhost
