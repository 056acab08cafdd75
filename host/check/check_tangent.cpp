// Tangent consistency: the returned matrix must be the derivative of the residual. Central
// differences give the full derivative, so both of its triangles are held against the one triangle
// the kernel returns; a tangent that is right above the diagonal but belongs to an unsymmetric
// derivative fails below it.
#include "check_measures.h"
#include "checks.h"

namespace xefhost::check {

namespace {

constexpr double kTolerance = 1e-6;
constexpr double kRelativeStep = 1e-6;
constexpr int kTrials = 3;

Eigen::MatrixXd centralDifferences(KernelHarness& element, const ElementState& state) {
    const int n = element.record().dofCount;
    const double scale = std::max(
        Eigen::Map<const Eigen::VectorXd>(state.unknowns.data(), n).cwiseAbs().maxCoeff(), 1e-2);
    Eigen::MatrixXd quotient(n, n);
    for (int j = 0; j < n; ++j) {
        const double step = kRelativeStep * std::max(std::fabs(state.unknowns[j]), scale);
        ElementState plus = state, minus = state;
        plus.unknowns[j] += step;
        minus.unknowns[j] -= step;
        // The steps actually taken, after rounding, are what the difference divides by.
        const double taken = plus.unknowns[j] - minus.unknowns[j];
        quotient.col(j) =
            (element.tangent(plus).residual - element.tangent(minus).residual) / taken;
    }
    return quotient;
}

std::string locate(const Eigen::MatrixXd& quotient, const Eigen::MatrixXd& tangent) {
    if (!quotient.allFinite() || !tangent.allFinite()) {
        return "the residual or the tangent is not finite";
    }
    Eigen::Index i = 0, j = 0;
    (quotient - tangent).cwiseAbs().maxCoeff(&i, &j);
    return "worst at row " + std::to_string(i) + ", column " + std::to_string(j) +
           (j < i ? ", below the diagonal: the derivative is not the symmetric matrix returned"
                  : "");
}

} // namespace

std::vector<CheckResult> checkTangent(const CheckContext& context) {
    const char* name = "tangent";
    if (!context.kernelBlocker.empty()) {
        return {skipped(name, context.kernelBlocker)};
    }
    Random random = context.random(1);
    std::unique_ptr<KernelHarness> element = context.harness();
    double worst = -1.0;
    std::string where;
    for (int trial = 0; trial < kTrials; ++trial) {
        const ElementState state = context.randomState(random);
        const Eigen::MatrixXd tangent = completed(element->tangent(state).upper);
        const Eigen::MatrixXd quotient = centralDifferences(*element, state);
        const double difference = relativeDifference(quotient, tangent, largestMagnitude(tangent));
        if (!(difference <= worst)) {
            worst = difference;
            where = locate(quotient, tangent);
        }
    }
    CheckResult result = judged(name, "max |FD - K| / max |K|", worst, kTolerance, where);
    if (result.status == Status::Pass) {
        result.detail.clear();
    }
    return {result};
}

} // namespace xefhost::check
