#include "newton_solver.h"

#include "assembly.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <utility>

namespace xefhost {

namespace {

// Residuals below this backward error are what summing the element forces in double precision
// leaves; no further iteration can reduce them.
constexpr double kRoundOffLevel = 1e-12;

// The state of one Newton solve; each method is one part of a step or an iteration.
class Newton {
  public:
    Newton(const Model& model, LinearSystem& system, LinearSolver& solver, ElementKernels& kernels,
           const NewtonSettings& settings, const ProgressReport& progress, StageClock& clock,
           std::vector<StageCost>& stages)
        : model_(model), system_(system), solver_(solver), kernels_(kernels), settings_(settings),
          progress_(progress), clock_(clock), stages_(stages), rhs_(system.matrix.size),
          externalForce_(model.dofCount(), 0.0) {
        result_.u.assign(model.dofCount(), 0.0);
    }

    NewtonResult run() {
        std::vector<double> previousU = result_.u, previousForce(model_.dofCount(), 0.0);
        for (int step = 1; step <= settings_.steps; ++step) {
            const double loadFactor =
                step == settings_.steps ? 1.0 : static_cast<double>(step) / settings_.steps;
            applyLoad(loadFactor);
            solveStep(step, loadFactor);
            for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
                result_.work += 0.5 * (previousForce[dof] + result_.internalForce[dof]) *
                                (result_.u[dof] - previousU[dof]);
            }
            previousU = result_.u;
            previousForce = result_.internalForce;
        }
        return std::move(result_);
    }

  private:
    // The step's share of every load, and of every prescribed displacement at its unknown.
    void applyLoad(double loadFactor) {
        for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
            externalForce_[dof] = loadFactor * model_.externalForce[dof];
            if (model_.fixed[dof]) {
                result_.u[dof] = loadFactor * model_.prescribed[dof];
            }
        }
    }

    // At least one factorization per step, even without load: the first is what proves the
    // model restrained. Iterations stop at the tolerance or once the residual is as small as
    // round-off in summing the element forces explains; a step that reaches neither within its
    // iterations stops the solve.
    void solveStep(int step, double loadFactor) {
        NewtonStep record;
        record.loadFactor = loadFactor;
        assembleTangent();
        double norm = freeNorm();
        record.residualNorms.push_back(norm);
        double load = 0;
        for (double f : externalForce_) {
            load += f * f;
        }
        const double reference = std::max(std::sqrt(load), norm);
        const auto converged = [&]() {
            return norm <= settings_.tolerance * reference || roundOff_;
        };
        roundOff_ = false;
        for (int iteration = 0;
             iteration < settings_.maxIterations && (iteration == 0 || !converged()); ++iteration) {
            if (!matrixCurrent_) {
                assembleTangent();
            }
            factorize(step);
            ++record.factorizations;
            norm = update();
            record.residualNorms.push_back(norm);
            if (roundOff_ && !solver_.iterates()) {
                // Converged to round-off: one more update with the factor in hand (iterative
                // refinement) removes the factorization's own error, which on large models is
                // well above the residual's. An iterative solve already ran to its tolerance.
                norm = update();
                record.residualNorms.push_back(norm);
            }
        }
        record.linear = record.factorizations == 1;
        result_.residualNorms.insert(result_.residualNorms.end(), record.residualNorms.begin(),
                                     record.residualNorms.end());
        result_.steps.push_back(record);
        if (!converged()) {
            std::ostringstream message;
            message << "Newton's method did not converge in step " << step << " of "
                    << settings_.steps << " (load factor " << loadFactor << ") within "
                    << settings_.maxIterations << " iterations; residual norms";
            for (double r : record.residualNorms) {
                message << " " << r;
            }
            message << " against a tolerance of " << settings_.tolerance * reference
                    << "; apply the load in more steps ([solve] steps) or allow more iterations";
            throw NotConvergedError(message.str());
        }
    }

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

    // The first factorization is preceded by the factor's analysis, once for the pattern. A
    // tangent that turns singular after the first means the iterations went astray (an element
    // turned inside out, a material past its limit), which smaller load steps may avoid.
    void factorize(int step) {
        const bool first = result_.factorizations == 0;
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
            if (first) {
                // The supports were found to hold every connected part before any
                // factorization, so the cause lies elsewhere; the likely ones are named.
                throw SingularModelError(
                    std::string("the stiffness is singular although the supports hold every "
                                "part of the model (") +
                    error.what() +
                    "): look for parts joined at a single node, a material value out of range, "
                    "a nearly degenerate element, or a kernel that returns a wrong stiffness");
            }
            throw NotConvergedError(
                "Newton's method did not converge in step " + std::to_string(step) + " of " +
                std::to_string(settings_.steps) +
                ": the tangent became "
                "singular after " +
                std::to_string(result_.factorizations) + " factorizations (" + error.what() +
                "); apply the load in more steps ([solve] steps)");
        }
        clock_.finish(stages_, "factorization");
    }

    // Solves with the current factor, updates the displacements and assembles the residual;
    // returns the residual's free norm.
    double update() {
        progress_("solving");
        const std::vector<int32_t>& equation = system_.matrix.equation;
        for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
            if (equation[dof] >= 0) {
                rhs_[equation[dof]] = externalForce_[dof] - result_.internalForce[dof];
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
        result_.backwardError = backwardError();
        roundOff_ = result_.backwardError <= kRoundOffLevel;
        return freeNorm();
    }

    // The free residual's norm; a non-finite one stops the solve at once, since no iteration
    // can recover from it and every figure after it would be NaN.
    double freeNorm() const {
        double sum = 0;
        for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
            if (!model_.fixed[dof]) {
                const double r = result_.internalForce[dof] - externalForce_[dof];
                sum += r * r;
            }
        }
        if (!std::isfinite(sum)) {
            throw NotConvergedError(
                "the residual is not finite after " + std::to_string(result_.factorizations) +
                " factorizations: an element's kernel returned NaN or infinity, or the load is "
                "too large for double precision; check the element and its material data");
        }
        return std::sqrt(sum);
    }

    // Largest residual of a free unknown relative to the size of the terms summed into it: the
    // componentwise backward error of the equilibrium equations.
    double backwardError() const {
        double worst = 0;
        for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
            if (model_.fixed[dof]) {
                continue;
            }
            const double r = std::fabs(result_.internalForce[dof] - externalForce_[dof]);
            const double size = magnitude_[dof] + std::fabs(externalForce_[dof]);
            if (std::isnan(r)) {
                return HUGE_VAL;
            }
            if (r > 0) {
                worst = std::max(worst, size > 0 ? r / size : HUGE_VAL);
            }
        }
        return worst;
    }

    const Model& model_;
    LinearSystem& system_;
    LinearSolver& solver_;
    ElementKernels& kernels_;
    const NewtonSettings& settings_;
    const ProgressReport& progress_;
    StageClock& clock_;
    std::vector<StageCost>& stages_;
    NewtonResult result_;
    std::vector<double> rhs_, du_, magnitude_, externalForce_;
    bool matrixCurrent_ = false;
    bool roundOff_ = false;
};

} // namespace

std::vector<double> convergenceRates(const std::vector<double>& residualNorms) {
    std::vector<double> rates;
    for (size_t k = 2; k < residualNorms.size(); ++k) {
        const double before = residualNorms[k - 1] / residualNorms[k - 2];
        const double after = residualNorms[k] / residualNorms[k - 1];
        rates.push_back(std::log(after) / std::log(before));
    }
    return rates;
}

NewtonResult solveNewton(const Model& model, LinearSystem& system, LinearSolver& solver,
                         ElementKernels& kernels, const NewtonSettings& settings,
                         const ProgressReport& progress, StageClock& clock,
                         std::vector<StageCost>& stages) {
    return Newton(model, system, solver, kernels, settings, progress, clock, stages).run();
}

} // namespace xefhost
