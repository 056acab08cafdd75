#include "check_reference_data.h"

namespace xefhost::check {

namespace {

enum class Domain { Triangle };

struct KnownRule {
    int code;
    Domain domain;
    std::vector<double> points;
};

constexpr double kThird = 1.0 / 3.0;
constexpr double kSixth = 1.0 / 6.0;

// Triangle rules in area coordinates (L1, L2), weights summing to the reference area 1/2.
const std::vector<KnownRule>& knownRules() {
    static const std::vector<KnownRule> rules = {
        {12, Domain::Triangle, {kThird, kThird, 0.0, 0.5}},
        {13,
         Domain::Triangle,
         {0.0, 0.0, 0.0, kSixth, 1.0, 0.0, 0.0, kSixth, 0.0, 1.0, 0.0, kSixth}},
        {35,
         Domain::Triangle,
         {kSixth, kSixth, 0.0, kSixth, 2.0 * kThird, kSixth, 0.0, kSixth, kSixth, 2.0 * kThird, 0.0,
          kSixth}},
    };
    return rules;
}

const KnownRule* findRule(int code) {
    for (const KnownRule& rule : knownRules()) {
        if (rule.code == code) {
            return &rule;
        }
    }
    return nullptr;
}

} // namespace

std::vector<double> pointsForCode(int code) {
    const KnownRule* rule = findRule(code);
    return rule ? rule->points : std::vector<double>{};
}

std::vector<int> codesOnSameDomain(int code) {
    std::vector<int> codes;
    const KnownRule* rule = findRule(code);
    for (const KnownRule& other : knownRules()) {
        if (rule && other.domain == rule->domain) {
            codes.push_back(other.code);
        }
    }
    return codes;
}

std::vector<double> referenceNodesFor(const std::string& topology) {
    if (topology == "T1") {
        return {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    }
    return {};
}

bool isTriangleTopology(const std::string& topology) {
    return !topology.empty() && (topology[0] == 'T' || topology[0] == 'P');
}

} // namespace xefhost::check
