// Integration rules: the point count the library states for a code must be the number of points of
// that code's rule, and results must follow the rule handed over: an element whose point values
// are the same at every point (constant strain) gives results that depend on the rule only through
// its weight sum, and any other the same work under a linear field for every rule.
#include "check_measures.h"
#include "check_reference_data.h"
#include "checks.h"

#include <cmath>

namespace xefhost::check {

namespace {

constexpr const char* kIndependence = "rule-independence";
constexpr double kIndependenceTolerance = 1e-12;
// A code no catalogue rule carries: the library must report no points for it.
constexpr int kUnknownCode = 44;

std::string codeList(const std::vector<int>& codes) {
    std::string list;
    for (const int code : codes) {
        list += (list.empty() ? "" : ", ") + std::to_string(code);
    }
    return list;
}

CheckResult pointCounts(const CheckContext& context, const std::vector<int>& codes) {
    std::string mismatches;
    int count = 0;
    const auto compare = [&](int code, int expected) {
        const ElementDescription described(context.library, code, -1);
        const ElSpec& es = described.record();
        if (es.intPointCount != expected || es.rulePoints[0] != expected || es.rulePoints[1] != 0 ||
            es.rulePoints[2] != 0) {
            ++count;
            mismatches += (mismatches.empty() ? "" : "; ") + std::string("code ") +
                          std::to_string(code) + ": intPointCount " +
                          std::to_string(es.intPointCount) + ", rule has " +
                          std::to_string(expected);
        }
    };
    for (const int code : codes) {
        compare(code, static_cast<int>(pointsForCode(code).size() / 4));
    }
    compare(kUnknownCode, 0);
    return judged("point-count", "codes with wrong counts", count, 0.0,
                  mismatches.empty()
                      ? "codes " + codeList(codes) + " and unknown " + std::to_string(kUnknownCode)
                      : mismatches);
}

// True when every point row of every rule holds the same values at the state.
bool pointValuesConstant(const std::vector<std::unique_ptr<KernelHarness>>& elements,
                         const ElementState& state) {
    for (const auto& element : elements) {
        const Eigen::MatrixXd gpost = element->post(state).gpost;
        for (Eigen::Index g = 1; g < gpost.rows(); ++g) {
            if (relativeDifference(gpost.row(g), gpost.row(0), largestMagnitude(gpost.row(0))) >
                kIndependenceTolerance) {
                return false;
            }
        }
    }
    return true;
}

// The element is constant-strain: tangent and residual are the weight sum times one integrand.
CheckResult sameResults(const std::vector<std::unique_ptr<KernelHarness>>& elements,
                        const ElementState& state, const std::vector<int>& codes) {
    const TangentOutput reference = elements.front()->tangent(state);
    const double scale = largestMagnitude(reference.upper);
    double worst = 0.0;
    for (size_t r = 1; r < elements.size(); ++r) {
        const TangentOutput other = elements[r]->tangent(state);
        worst = std::max({worst, relativeDifference(other.upper, reference.upper, scale),
                          relativeDifference(other.residual, reference.residual,
                                             largestMagnitude(reference.residual))});
    }
    return judged(kIndependence, "max relative difference", worst, kIndependenceTolerance,
                  "constant point values; codes " + codeList(codes));
}

// A random element under the linear field a + G x, its other unknowns zero.
ElementState linearFieldState(const CheckContext& context, Random& random) {
    ElementState state = context.randomElement(random);
    std::uniform_real_distribution<double> small(-0.01, 0.01);
    const double a[2] = {small(random), small(random)};
    const double G[2][2] = {{small(random), small(random)}, {small(random), small(random)}};
    const std::vector<int> offsets = nodeOffsets(context.record());
    for (size_t k = 0; k < offsets.size(); ++k) {
        for (int i = 0; i < 2; ++i) {
            state.unknowns[offsets[k] + i] =
                a[i] + G[i][0] * state.coords[3 * k] + G[i][1] * state.coords[3 * k + 1];
        }
    }
    return state;
}

// Any element: under a linear field the stress is constant wherever the element passes the patch
// test, so the work u . p is that stress times the strain times the area, and every rule that
// integrates the Jacobian of a straight-sided element exactly gives the same work.
CheckResult sameWork(const std::vector<std::unique_ptr<KernelHarness>>& elements,
                     const ElementState& state, const std::vector<int>& codes) {
    const Eigen::Map<const Eigen::VectorXd> u(state.unknowns.data(), state.unknowns.size());
    const double reference = u.dot(elements.front()->tangent(state).residual);
    double worst = 0.0;
    for (size_t r = 1; r < elements.size(); ++r) {
        const double work = u.dot(elements[r]->tangent(state).residual);
        worst = std::max(worst, relativeDifference(Eigen::VectorXd::Constant(1, work),
                                                   Eigen::VectorXd::Constant(1, reference),
                                                   std::fabs(reference)));
    }
    return judged(kIndependence, "max relative difference", worst, kIndependenceTolerance,
                  "work of a linear field; codes " + codeList(codes));
}

CheckResult ruleIndependence(const CheckContext& context, const std::vector<int>& codes) {
    if (codes.size() < 2) {
        return skipped(kIndependence, "the bench knows no second rule on this domain");
    }
    std::vector<std::unique_ptr<KernelHarness>> elements;
    for (const int code : codes) {
        elements.push_back(std::make_unique<KernelHarness>(
            context.library, code, pointsForCode(code), context.workReals()));
    }
    Random random = context.random(6);
    const ElementState state = context.randomState(random);
    if (context.record().gpostCount > 0 && pointValuesConstant(elements, state)) {
        return sameResults(elements, state, codes);
    }
    if (!context.motionBlocker.empty()) {
        return skipped(kIndependence, context.motionBlocker);
    }
    return sameWork(elements, linearFieldState(context, random), codes);
}

} // namespace

std::vector<CheckResult> checkRules(const CheckContext& context) {
    const std::vector<int> codes = codesOnSameDomain(context.record().intCode);
    if (codes.empty()) {
        const std::string reason = "the bench cannot build the points of integration code " +
                                   std::to_string(context.record().intCode);
        return {skipped("point-count", reason), skipped(kIndependence, reason)};
    }
    std::vector<CheckResult> results = {pointCounts(context, codes)};
    if (results.front().status == Status::Fail || !context.kernelBlocker.empty()) {
        results.push_back(skipped(kIndependence, results.front().status == Status::Fail
                                                     ? "point counts disagree"
                                                     : context.kernelBlocker));
    } else {
        results.push_back(ruleIndependence(context, codes));
    }
    return results;
}

} // namespace xefhost::check
