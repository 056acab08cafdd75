// Description sanity: what the record says about itself must hang together before any kernel runs.
#include "check_reference_data.h"
#include "checks.h"

namespace xefhost::check {

namespace {

bool textPresent(const char* text) {
    return text && text[0] != '\0';
}

void checkNames(const char* what, const char* const* names, int count,
                std::vector<std::string>& problems) {
    if (count < 0) {
        problems.push_back(std::string("the count of ") + what + "s is negative");
        return;
    }
    if (count > 0 && !names) {
        problems.push_back(std::string("no ") + what + "s");
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (!textPresent(names[i])) {
            problems.push_back(std::string(what) + " " + std::to_string(i + 1) + " is empty");
        }
    }
}

void checkCounts(const ElSpec& es, std::vector<std::string>& problems) {
    int sum = 0;
    for (int k = 0; k < es.nodeCount; ++k) {
        sum += es.nodeDofs[k];
    }
    if (sum != es.dofCount) {
        problems.push_back("dofCount " + std::to_string(es.dofCount) +
                           " differs from the sum of nodeDofs " + std::to_string(sum));
    }
    if (!textPresent(es.codeName)) {
        problems.push_back("no code name");
    }
    checkNames("data name", es.dataNames, es.dataCount, problems);
    checkNames("point quantity name", es.gpostNames, es.gpostCount, problems);
    checkNames("nodal quantity name", es.npostNames, es.npostCount, problems);
    checkNames("node id", es.nodeIds, es.nodeCount, problems);
}

void checkIntegration(const ElSpec& es, std::vector<std::string>& problems) {
    if (es.intCode != es.defaultIntCode) {
        problems.push_back("asked for the default code, got " + std::to_string(es.intCode) +
                           " instead of defaultIntCode " + std::to_string(es.defaultIntCode));
    }
    if (es.intPointCount <= 0) {
        problems.push_back("integration code " + std::to_string(es.intCode) +
                           " has no points (intPointCount " + std::to_string(es.intPointCount) +
                           ")");
        return;
    }
    int product = 1;
    for (const int count : es.rulePoints) {
        product *= count != 0 ? count : 1;
    }
    if (product != es.intPointCount) {
        problems.push_back("component rule counts multiply to " + std::to_string(product) +
                           ", intPointCount is " + std::to_string(es.intPointCount));
    }
}

void checkReferenceNodes(const CheckContext& context, std::vector<std::string>& problems) {
    const ElSpec& es = context.record();
    if (!textPresent(es.topology)) {
        problems.push_back("no topology");
        return;
    }
    if (!es.referenceNodes) {
        problems.push_back("no reference nodes");
        return;
    }
    const std::vector<double>& table = context.referenceNodes;
    if (table.empty()) {
        return; // the bench does not know the topology; the kernel checks say so
    }
    if (static_cast<int>(table.size() / 3) != es.nodeCount) {
        problems.push_back("topology " + std::string(es.topology) + " has " +
                           std::to_string(table.size() / 3) + " nodes, nodeCount is " +
                           std::to_string(es.nodeCount));
        return;
    }
    for (size_t i = 0; i < table.size(); ++i) {
        if (es.referenceNodes[i] != table[i]) {
            problems.push_back("reference node " + std::to_string(i / 3 + 1) +
                               " differs from the " + es.topology + " table");
            return;
        }
    }
}

std::string joined(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& problem : problems) {
        text += (text.empty() ? "" : "; ") + problem;
    }
    return text;
}

} // namespace

std::vector<CheckResult> checkDescription(const CheckContext& context) {
    std::vector<std::string> problems;
    checkCounts(context.record(), problems);
    checkIntegration(context.record(), problems);
    checkReferenceNodes(context, problems);
    return {judged("description", "inconsistencies", static_cast<double>(problems.size()), 0.0,
                   joined(problems))};
}

} // namespace xefhost::check
