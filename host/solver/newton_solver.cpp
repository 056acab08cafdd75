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

// The model, its linear system and a linear solver, on this one process.
class ModelSystem : public NewtonSystem {
  public:
    ModelSystem(const Model& model, LinearSystem& system, LinearSolver& solver,
                ElementKernels& kernels)
        : model_(model), system_(system), solver_(solver), kernels_(kernels),
          rhs_(static_cast<size_t>(system.matrix.size)), du_(rhs_.size()) {}

    size_t dofCount() const override { return model_.dofCount(); }
    bool fixed(size_t dof) const override { return model_.fixed[dof]; }
    double prescribed(size_t dof) const override { return model_.prescribed[dof]; }
    double externalForce(size_t dof) const override { return model_.externalForce[dof]; }
    bool counted(size_t) const override { return true; }

    // The element entry positions are as large as the matrix itself; they are held only while
    // a tangent is assembled, so that the factorization has their memory.
    void assemble(const std::vector<double>& u, std::vector<double>& force,
                  std::vector<double>* magnitude, bool tangent) override {
        SparseSystem& matrix = system_.matrix;
        if (tangent) {
            locateElementEntries(model_, matrix, system_.partition);
        }
        xefhost::assemble(model_, kernels_, system_.partition, u,
                          AssemblyTargets{&force, tangent ? &matrix : nullptr, magnitude});
        if (tangent) {
            releaseElementEntries(matrix);
        }
    }
    void analyze() override { solver_.analyze(system_.matrix); }
    void factorize() override { solver_.factorize(system_.matrix); }
    void solve(const std::vector<double>& residual, std::vector<double>& du) override {
        const std::vector<int32_t>& equation = system_.matrix.equation;
        for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
            if (equation[dof] >= 0) {
                rhs_[equation[dof]] = residual[dof];
            }
        }
        solver_.solve(rhs_, du_);
        du.assign(model_.dofCount(), 0.0);
        for (size_t dof = 0; dof < model_.dofCount(); ++dof) {
            if (equation[dof] >= 0) {
                du[dof] = du_[equation[dof]];
            }
        }
    }
    bool iterates() const override { return solver_.iterates(); }
    double sum(double value) const override { return value; }
    double max(double value) const override { return value; }

  private:
    const Model& model_;
    LinearSystem& system_;
    LinearSolver& solver_;
    ElementKernels& kernels_;
    std::vector<double> rhs_, du_;
};

// The state of one Newton solve; each method is one part of a step or an iteration.
class Newton {
  public:
    Newton(NewtonSystem& system, const NewtonSettings& settings, const ProgressReport& progress,
           StageClock& clock, std::vector<StageCost>& stages)
        : system_(system), settings_(settings), progress_(progress), clock_(clock), stages_(stages),
          externalForce_(system.dofCount(), 0.0) {
        result_.u.assign(system.dofCount(), 0.0);
    }

    NewtonResult run() {
        const size_t n = system_.dofCount();
        std::vector<double> previousU = result_.u, previousForce(n, 0.0);
        for (int step = 1; step <= settings_.steps; ++step) {
            const double loadFactor =
                step == settings_.steps ? 1.0 : static_cast<double>(step) / settings_.steps;
            applyLoad(loadFactor);
            solveStep(step, loadFactor);
            double work = 0;
            for (size_t dof = 0; dof < n; ++dof) {
                if (system_.counted(dof)) {
                    work += 0.5 * (previousForce[dof] + result_.internalForce[dof]) *
                            (result_.u[dof] - previousU[dof]);
                }
            }
            result_.work += system_.sum(work);
            previousU = result_.u;
            previousForce = result_.internalForce;
        }
        return std::move(result_);
    }

  private:
    // The step's share of every load, and of every prescribed displacement at its unknown.
    void applyLoad(double loadFactor) {
        for (size_t dof = 0; dof < system_.dofCount(); ++dof) {
            externalForce_[dof] = loadFactor * system_.externalForce(dof);
            if (system_.fixed(dof)) {
                result_.u[dof] = loadFactor * system_.prescribed(dof);
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
        for (size_t dof = 0; dof < system_.dofCount(); ++dof) {
            load += system_.counted(dof) ? externalForce_[dof] * externalForce_[dof] : 0.0;
        }
        const double reference = std::max(std::sqrt(system_.sum(load)), norm);
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
            if (roundOff_ && !system_.iterates()) {
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

    void assembleTangent() {
        progress_("assembling");
        system_.assemble(result_.u, result_.internalForce, nullptr, true);
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
            system_.analyze();
            clock_.finish(stages_, "analysis");
        }
        progress_("factorizing");
        try {
            system_.factorize();
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
        const size_t n = system_.dofCount();
        residual_.resize(n);
        for (size_t dof = 0; dof < n; ++dof) {
            residual_[dof] = externalForce_[dof] - result_.internalForce[dof];
        }
        system_.solve(residual_, du_);
        for (size_t dof = 0; dof < n; ++dof) {
            result_.u[dof] += system_.fixed(dof) ? 0.0 : du_[dof];
        }
        clock_.finish(stages_, "solve");
        progress_("checking the residual");
        system_.assemble(result_.u, result_.internalForce, &magnitude_, false);
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
        for (size_t dof = 0; dof < system_.dofCount(); ++dof) {
            if (!system_.fixed(dof) && system_.counted(dof)) {
                const double r = result_.internalForce[dof] - externalForce_[dof];
                sum += r * r;
            }
        }
        sum = system_.sum(sum);
        if (!std::isfinite(sum)) {
            throw NotConvergedError(
                "the residual is not finite after " + std::to_string(result_.factorizations) +
                " factorizations: an element's kernel returned NaN or infinity, or the load is "
                "too large for double precision; check the element and its material data");
        }
        return std::sqrt(sum);
    }

    // Largest residual of a free unknown relative to the size of its summed terms: the
    // componentwise backward error of the equilibrium equations.
    double backwardError() const {
        double worst = 0;
        for (size_t dof = 0; dof < system_.dofCount(); ++dof) {
            if (system_.fixed(dof)) {
                continue;
            }
            const double r = std::fabs(result_.internalForce[dof] - externalForce_[dof]);
            const double size = magnitude_[dof] + std::fabs(externalForce_[dof]);
            if (std::isnan(r)) {
                worst = HUGE_VAL;
            } else if (r > 0) {
                worst = std::max(worst, size > 0 ? r / size : HUGE_VAL);
            }
        }
        return system_.max(worst);
    }

    NewtonSystem& system_;
    const NewtonSettings& settings_;
    const ProgressReport& progress_;
    StageClock& clock_;
    std::vector<StageCost>& stages_;
    NewtonResult result_;
    std::vector<double> residual_, du_, magnitude_, externalForce_;
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

NewtonResult solveNewton(NewtonSystem& system, const NewtonSettings& settings,
                         const ProgressReport& progress, StageClock& clock,
                         std::vector<StageCost>& stages) {
    return Newton(system, settings, progress, clock, stages).run();
}

NewtonResult solveNewton(const Model& model, LinearSystem& system, LinearSolver& solver,
                         ElementKernels& kernels, const NewtonSettings& settings,
                         const ProgressReport& progress, StageClock& clock,
                         std::vector<StageCost>& stages) {
    ModelSystem modelSystem(model, system, solver, kernels);
    return solveNewton(modelSystem, settings, progress, clock, stages);
}

} // namespace xefhost
