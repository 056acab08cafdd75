// Integration rules: the point count the library states for a code must be the number of points of
// that code's rule, and an element whose point values are the same at every point (constant
// strain) must give results that depend on the rule only through its weight sum.
#include "check_measures.h"
#include "check_reference_data.h"
#include "checks.h"

namespace xefhost::check {

namespace {

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

CheckResult ruleIndependence(const CheckContext& context, const std::vector<int>& codes) {
    const char* name = "rule-independence";
    if (codes.size() < 2) {
        return skipped(name, "the bench knows no second rule on this domain");
    }
    if (context.record().gpostCount <= 0) {
        return skipped(name, "no point quantities tell whether the element is constant-strain");
    }
    std::vector<std::unique_ptr<KernelHarness>> elements;
    for (const int code : codes) {
        elements.push_back(std::make_unique<KernelHarness>(
            context.library, code, pointsForCode(code), context.workReals()));
    }
    Random random = context.random(6);
    const ElementState state = context.randomState(random);
    if (!pointValuesConstant(elements, state)) {
        return skipped(name, "not applicable: point values vary over the element");
    }
    const TangentOutput reference = elements.front()->tangent(state);
    const double scale = largestMagnitude(reference.upper);
    double worst = 0.0;
    for (size_t r = 1; r < elements.size(); ++r) {
        const TangentOutput other = elements[r]->tangent(state);
        worst = std::max({worst, relativeDifference(other.upper, reference.upper, scale),
                          relativeDifference(other.residual, reference.residual,
                                             largestMagnitude(reference.residual))});
    }
    return judged(name, "max relative difference", worst, kIndependenceTolerance,
                  "constant point values; codes " + codeList(codes));
}

} // namespace

std::vector<CheckResult> checkRules(const CheckContext& context) {
    const std::vector<int> codes = codesOnSameDomain(context.record().intCode);
    if (codes.empty()) {
        const std::string reason = "the bench cannot build the points of integration code " +
                                   std::to_string(context.record().intCode);
        return {skipped("point-count", reason), skipped("rule-independence", reason)};
    }
    std::vector<CheckResult> results = {pointCounts(context, codes)};
    if (results.front().status == Status::Fail || !context.kernelBlocker.empty()) {
        results.push_back(skipped("rule-independence", results.front().status == Status::Fail
                                                           ? "point counts disagree"
                                                           : context.kernelBlocker));
    } else {
        results.push_back(ruleIndependence(context, codes));
    }
    return results;
}

} // namespace xefhost::check
