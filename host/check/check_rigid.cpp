// Rigid-body modes: a rigid motion strains nothing, so its residual vanishes, and the element
// matrix has a zero eigenvalue for each independent rigid motion and for nothing else.
#include "check_measures.h"
#include "check_motion.h"
#include "checks.h"

#include <cmath>

namespace xefhost::check {

namespace {

constexpr double kResidualTolerance = 1e-7;
// Small enough that a geometrically nonlinear element, for which an infinitesimal rotation is
// rigid only to first order, stays far below the tolerance.
constexpr double kRotationAngle = 1e-9;
constexpr double kTranslation = 1e-2;
// Eigenvalues below this fraction of the largest count as zero.
constexpr double kZeroEigenvalue = 1e-8;
constexpr int kTrials = 2;

const char* motionName(size_t index, int dimensions) {
    static const char* const names[] = {"x translation", "y translation", "z translation"};
    return index < static_cast<size_t>(dimensions) ? names[index] : "rotation";
}

CheckResult rigidResidual(const CheckContext& context, KernelHarness& element,
                          const ElementState& reference, double stiffnessScale) {
    double worst = -1.0;
    std::string where;
    const std::vector<Eigen::VectorXd> motions =
        rigidMotions(context.record(), reference.coords, kTranslation, kRotationAngle);
    for (size_t m = 0; m < motions.size(); ++m) {
        ElementState moved = reference;
        moved.unknowns.assign(motions[m].data(), motions[m].data() + motions[m].size());
        const Eigen::VectorXd residual = element.tangent(moved).residual;
        const double measure = relativeDifference(residual, Eigen::VectorXd::Zero(residual.size()),
                                                  stiffnessScale * largestMagnitude(motions[m]));
        if (!(measure <= worst)) {
            worst = measure;
            where = std::string("largest for the ") + motionName(m, context.record().dimensions);
        }
    }
    CheckResult result =
        judged("rigid-residual", "max |p| / (max |K| max |u|)", worst, kResidualTolerance, where);
    if (result.status == Status::Pass) {
        result.detail.clear();
    }
    return result;
}

int zeroEigenvalues(const Eigen::MatrixXd& matrix) {
    if (!matrix.allFinite()) {
        return -1;
    }
    const Eigen::VectorXd values =
        Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(matrix, Eigen::EigenvaluesOnly)
            .eigenvalues()
            .cwiseAbs();
    const double threshold = kZeroEigenvalue * values.maxCoeff();
    return static_cast<int>((values.array() <= threshold).count());
}

} // namespace

std::vector<CheckResult> checkRigidModes(const CheckContext& context) {
    const std::string blocker =
        context.kernelBlocker.empty() ? context.motionBlocker : context.kernelBlocker;
    if (!blocker.empty()) {
        return {skipped("rigid-residual", blocker), skipped("rigid-modes", blocker)};
    }
    Random random = context.random(2);
    std::unique_ptr<KernelHarness> element = context.harness();
    const int expected = rigidMotionCount(context.record());
    std::vector<CheckResult> results;
    int found = expected;
    for (int trial = 0; trial < kTrials; ++trial) {
        const ElementState reference = context.randomElement(random);
        const Eigen::MatrixXd stiffness = completed(element->tangent(reference).upper);
        CheckResult residual =
            rigidResidual(context, *element, reference, largestMagnitude(stiffness));
        if (results.empty() || !(residual.figure <= results[0].figure)) {
            results = {residual};
        }
        const int zeros = zeroEigenvalues(stiffness);
        if (zeros != expected) {
            found = zeros;
        }
    }
    CheckResult modes;
    modes.name = "rigid-modes";
    modes.status = found == expected ? Status::Pass : Status::Fail;
    modes.measure = "zero eigenvalues (expected " + std::to_string(expected) + ")";
    modes.figure = found;
    modes.tolerance = kZeroEigenvalue;
    modes.detail = found < 0 ? "the element matrix is not finite"
                             : "zero: |eigenvalue| <= tolerance x largest";
    results.push_back(modes);
    return results;
}

} // namespace xefhost::check
