// Frame invariance: the element knows no preferred direction or origin. Turning an element by Q and
// shifting it must turn its matrix to T K T^T and its residual to T p, T turning every node's
// displacement pair by Q; a material axis or an origin hidden in the kernel shows here.
#include "check_measures.h"
#include "check_motion.h"
#include "checks.h"

#include <cmath>

namespace xefhost::check {

namespace {

constexpr double kTolerance = 1e-9;
constexpr int kTrials = 2;

ElementState turned(const ElementState& state, const Eigen::MatrixXd& T, double angle,
                    const double shift[2]) {
    ElementState moved = state;
    const double c = std::cos(angle), s = std::sin(angle);
    for (size_t k = 0; k < state.coords.size() / 3; ++k) {
        const double x = state.coords[3 * k], y = state.coords[3 * k + 1];
        moved.coords[3 * k] = c * x - s * y + shift[0];
        moved.coords[3 * k + 1] = s * x + c * y + shift[1];
    }
    const Eigen::VectorXd u =
        T * Eigen::Map<const Eigen::VectorXd>(state.unknowns.data(), state.unknowns.size());
    moved.unknowns.assign(u.data(), u.data() + u.size());
    return moved;
}

} // namespace

std::vector<CheckResult> checkFrameInvariance(const CheckContext& context) {
    const char* name = "frame";
    const std::string blocker =
        context.kernelBlocker.empty() ? context.motionBlocker : context.kernelBlocker;
    if (!blocker.empty()) {
        return {skipped(name, blocker)};
    }
    Random random = context.random(5);
    std::uniform_real_distribution<double> angles(0.3, 2.8), shifts(-3.0, 3.0);
    std::unique_ptr<KernelHarness> element = context.harness();
    double worstMatrix = 0.0, worstResidual = 0.0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const ElementState state = context.randomState(random);
        const double angle = angles(random);
        const double shift[2] = {shifts(random), shifts(random)};
        const Eigen::MatrixXd T = unknownRotation(context.record(), angle);
        const TangentOutput original = element->tangent(state);
        const TangentOutput moved = element->tangent(turned(state, T, angle, shift));
        const Eigen::MatrixXd K = completed(original.upper);
        const double scale = largestMagnitude(K);
        worstMatrix = std::max(
            worstMatrix, relativeDifference(completed(moved.upper), T * K * T.transpose(), scale));
        const double residualScale =
            scale * Eigen::Map<const Eigen::VectorXd>(state.unknowns.data(), state.unknowns.size())
                        .cwiseAbs()
                        .maxCoeff();
        worstResidual =
            std::max(worstResidual,
                     relativeDifference(moved.residual, T * original.residual, residualScale));
    }
    return {
        judged(name, "max relative change", std::max(worstMatrix, worstResidual), kTolerance,
               "matrix " + figureText(worstMatrix) + ", residual " + figureText(worstResidual))};
}

} // namespace xefhost::check
