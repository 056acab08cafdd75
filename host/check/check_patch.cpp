// Patch test: a distorted patch of elements, a linear displacement field prescribed on its boundary
// and the interior solved for. An element that can represent constant strain in any shape returns
// the linear field inside and the same point values in every element, to round-off.
#include "check_measures.h"
#include "check_patch_layout.h"
#include "checks.h"

#include <algorithm>

namespace xefhost::check {

namespace {

constexpr double kTolerance = 1e-9;
constexpr int kMaxIterations = 25;

ElementState elementState(const Patch& patch, int e, const ElSpec& es, const Eigen::VectorXd& u) {
    ElementState state{std::vector<double>(3 * es.nodeCount, 0.0), {}};
    for (int k = 0; k < es.nodeCount; ++k) {
        const int g = patch.elementNodes[e][k];
        state.coords[3 * k] = patch.positions[g][0];
        state.coords[3 * k + 1] = patch.positions[g][1];
        for (int i = 0; i < es.nodeDofs[k]; ++i) {
            state.unknowns.push_back(u[patch.offsets[g] + i]);
        }
    }
    return state;
}

// Assembles the completed element matrices and residuals of the patch at u.
void assemble(const Patch& patch, KernelHarness& element, const Eigen::VectorXd& u,
              Eigen::MatrixXd& K, Eigen::VectorXd& R) {
    const ElSpec& es = element.record();
    K = Eigen::MatrixXd::Zero(patch.unknownCount, patch.unknownCount);
    R = Eigen::VectorXd::Zero(patch.unknownCount);
    for (size_t e = 0; e < patch.elementNodes.size(); ++e) {
        const TangentOutput out = element.tangent(elementState(patch, static_cast<int>(e), es, u));
        const Eigen::MatrixXd Ke = completed(out.upper);
        std::vector<int> map;
        for (int k = 0; k < es.nodeCount; ++k) {
            for (int i = 0; i < es.nodeDofs[k]; ++i) {
                map.push_back(patch.offsets[patch.elementNodes[e][k]] + i);
            }
        }
        for (size_t i = 0; i < map.size(); ++i) {
            R[map[i]] += out.residual[i];
            for (size_t j = 0; j < map.size(); ++j) {
                K(map[i], map[j]) += Ke(i, j);
            }
        }
    }
}

// The linear field a + G x at every patch node's displacement unknowns, zero elsewhere.
Eigen::VectorXd linearField(const Patch& patch, int dimensions, Random& random) {
    std::uniform_real_distribution<double> small(-0.01, 0.01);
    double a[2], G[2][2];
    for (int i = 0; i < 2; ++i) {
        a[i] = small(random);
        G[i][0] = small(random);
        G[i][1] = small(random);
    }
    Eigen::VectorXd u = Eigen::VectorXd::Zero(patch.unknownCount);
    for (size_t g = 0; g < patch.positions.size(); ++g) {
        for (int i = 0; i < dimensions; ++i) {
            u[patch.offsets[g] + i] =
                a[i] + G[i][0] * patch.positions[g][0] + G[i][1] * patch.positions[g][1];
        }
    }
    return u;
}

struct Solution {
    Eigen::VectorXd u;
    bool converged = false;
};

// Newton's method from the prescribed boundary values and zero inside; one step for a linear
// element, a few for a nonlinear one.
Solution solve(const Patch& patch, KernelHarness& element, const Eigen::VectorXd& exact) {
    const int dimensions = element.record().dimensions;
    std::vector<int> free;
    Solution solution{Eigen::VectorXd::Zero(patch.unknownCount)};
    for (size_t g = 0; g < patch.positions.size(); ++g) {
        for (int i = 0; i < patch.dofs[g]; ++i) {
            const int unknown = patch.offsets[g] + i;
            if (patch.onBoundary[g] && i < dimensions) {
                solution.u[unknown] = exact[unknown];
            } else {
                free.push_back(unknown);
            }
        }
    }
    Eigen::MatrixXd K;
    Eigen::VectorXd R;
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        assemble(patch, element, solution.u, K, R);
        const Eigen::VectorXd r = R(free);
        const double scale = largestMagnitude(K) * largestMagnitude(exact);
        if (!r.allFinite()) {
            return solution;
        }
        if (r.size() == 0 || r.cwiseAbs().maxCoeff() <= 1e-13 * scale) {
            solution.converged = true;
            return solution;
        }
        solution.u(free) += K(free, free).fullPivLu().solve(-r);
    }
    return solution;
}

double interiorDisplacementError(const Patch& patch, int dimensions, const Eigen::VectorXd& u,
                                 const Eigen::VectorXd& exact) {
    Eigen::VectorXd difference = Eigen::VectorXd::Zero(patch.unknownCount);
    for (size_t g = 0; g < patch.positions.size(); ++g) {
        for (int i = 0; i < dimensions && !patch.onBoundary[g]; ++i) {
            difference[patch.offsets[g] + i] =
                u[patch.offsets[g] + i] - exact[patch.offsets[g] + i];
        }
    }
    return relativeDifference(difference, Eigen::VectorXd::Zero(difference.size()),
                              largestMagnitude(exact));
}

// The largest difference of any point row of any element from the first one.
double pointValueSpread(const Patch& patch, KernelHarness& element, const Eigen::VectorXd& u) {
    const ElSpec& es = element.record();
    Eigen::RowVectorXd first;
    double spread = 0.0;
    for (size_t e = 0; e < patch.elementNodes.size(); ++e) {
        const Eigen::MatrixXd gpost =
            element.post(elementState(patch, static_cast<int>(e), es, u)).gpost;
        for (Eigen::Index g = 0; g < gpost.rows(); ++g) {
            if (first.size() == 0) {
                first = gpost.row(g);
            }
            spread =
                std::max(spread, relativeDifference(gpost.row(g), first, largestMagnitude(first)));
        }
    }
    return spread;
}

} // namespace

std::vector<CheckResult> checkPatch(const CheckContext& context) {
    const char* name = "patch";
    const std::string blocker =
        context.kernelBlocker.empty() ? context.motionBlocker : context.kernelBlocker;
    if (!blocker.empty()) {
        return {skipped(name, blocker)};
    }
    const ElSpec& es = context.record();
    const Patch patch = buildPatch(context);
    Random random = context.random(4);
    const Eigen::VectorXd exact = linearField(patch, es.dimensions, random);
    std::unique_ptr<KernelHarness> element = context.harness();
    const Solution solution = solve(patch, *element, exact);
    const double displacement = interiorDisplacementError(patch, es.dimensions, solution.u, exact);
    const bool compareValues = es.gpostCount > 0 && es.intPointCount > 0;
    const double values = compareValues ? pointValueSpread(patch, *element, solution.u) : 0.0;
    const long boundary = std::count(patch.onBoundary.begin(), patch.onBoundary.end(), true);
    std::string detail = std::to_string(patch.elementNodes.size()) + " elements, " +
                         std::to_string(patch.positions.size()) + " nodes (" +
                         std::to_string(boundary) + " on the boundary), interior displacement " +
                         figureText(displacement) + ", point values " +
                         (compareValues ? figureText(values) : "not compared (none)");
    if (!solution.converged) {
        detail = "the patch did not reach equilibrium in " + std::to_string(kMaxIterations) +
                 " Newton steps; " + detail;
    }
    CheckResult result =
        judged(name, "max relative deviation", std::max(displacement, values), kTolerance, detail);
    if (!solution.converged) {
        result.status = Status::Fail;
    }
    return {result};
}

} // namespace xefhost::check
