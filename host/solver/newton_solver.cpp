#include "newton_solver.h"

#include "assembly.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

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

// The state of one Newton solve; each method is one step of an iteration.
class Newton {
  public:
    Newton(const Model& model, LinearSystem& system, CholeskySolver& solver,
           ElementKernels& kernels, const ProgressReport& progress, StageClock& clock,
           std::vector<StageCost>& stages)
        : model_(model), system_(system), solver_(solver), kernels_(kernels), progress_(progress),
          clock_(clock), stages_(stages), rhs_(system.matrix.size) {
        result_.u.assign(model.dofCount(), 0.0);
        for (size_t dof = 0; dof < model.dofCount(); ++dof) {
            if (model.fixed[dof]) {
                result_.u[dof] = model.prescribed[dof];
            }
        }
    }

    // At least one factorization, even without load: it is what proves the model restrained.
    // Iterations stop at the tolerance, once the residual is as small as round-off in summing
    // the element forces explains, or when a step no longer halves the residual.
    NewtonResult run() {
        assembleTangent();
        norm_ = freeNorm(model_, result_.internalForce);
        result_.residualNorms.push_back(norm_);
        double load = 0;
        for (double f : model_.externalForce) {
            load += f * f;
        }
        const double reference = std::max(std::sqrt(load), norm_);
        double previous = norm_;
        for (int iteration = 0; iteration < kMaxIterations &&
                                (iteration == 0 || (norm_ > kTolerance * reference && !roundOff_ &&
                                                    norm_ < 0.5 * previous));
             ++iteration) {
            previous = norm_;
            if (!matrixCurrent_) {
                assembleTangent();
            }
            factorize(iteration == 0);
            step();
            if (roundOff_) {
                // Converged to round-off: one more step with the factor in hand (iterative
                // refinement) removes the factorization's own error, which on large models is
                // well above the residual's.
                step();
            }
        }
        return std::move(result_);
    }

  private:
    // The element entry positions are as large as the matrix itself; they are held only while
    // a tangent is assembled, so that the factorization has their memory.
    void assembleTangent() {
        progress_("assembling");
        SparseSystem& matrix = system_.matrix;
        locateElementEntries(model_, matrix, system_.partition);
        assemble(model_, kernels_, system_.partition, result_.u,
                 AssemblyTargets{&result_.internalForce, &matrix, nullptr});
        releaseElementEntries(matrix);
        matrixCurrent_ = true;
        clock_.finish(stages_, "assembly");
    }

    // The first factorization is preceded by the factor's analysis, once for the pattern.
    void factorize(bool first) {
        if (first) {
            progress_("analysing the factor");
            solver_.analyze(system_.matrix);
            clock_.finish(stages_, "analysis");
        }
        progress_("factorizing");
        try {
            solver_.factorize(system_.matrix);
            ++result_.factorizations;
        } catch (const SingularModelError& error) {
            throw SingularModelError(std::string("the model can move freely: ") + error.what() +
                                     "; fix more displacement components");
        }
        clock_.finish(stages_, "factorization");
    }

    // Solves with the current factor, updates the displacements and assembles the residual.
    void step() {
        progress_("solving");
        const std::vector<int32_t>& equation = system_.matrix.equation;
        for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
            if (equation[dof] >= 0) {
                rhs_[equation[dof]] = model_.externalForce[dof] - result_.internalForce[dof];
            }
        }
        solver_.solve(rhs_, du_);
        for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
            if (equation[dof] >= 0) {
                result_.u[dof] += du_[equation[dof]];
            }
        }
        clock_.finish(stages_, "solve");
        progress_("checking the residual");
        assemble(model_, kernels_, system_.partition, result_.u,
                 AssemblyTargets{&result_.internalForce, nullptr, &magnitude_});
        matrixCurrent_ = false;
        clock_.finish(stages_, "assembly");
        norm_ = freeNorm(model_, result_.internalForce);
        result_.residualNorms.push_back(norm_);
        result_.backwardError = backwardError(model_, result_.internalForce, magnitude_);
        roundOff_ = result_.backwardError <= kRoundOffLevel;
    }

    const Model& model_;
    LinearSystem& system_;
    CholeskySolver& solver_;
    ElementKernels& kernels_;
    const ProgressReport& progress_;
    StageClock& clock_;
    std::vector<StageCost>& stages_;
    NewtonResult result_;
    std::vector<double> rhs_, du_, magnitude_;
    double norm_ = 0;
    bool matrixCurrent_ = false;
    bool roundOff_ = false;
};

} // namespace

NewtonResult solveNewton(const Model& model, LinearSystem& system, CholeskySolver& solver,
                         ElementKernels& kernels, const ProgressReport& progress, StageClock& clock,
                         std::vector<StageCost>& stages) {
    return Newton(model, system, solver, kernels, progress, clock, stages).run();
}

} // namespace xefhost
