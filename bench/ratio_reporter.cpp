#include "ratio_reporter.h"

#include <cstdio>
#include <ostream>

namespace molrbench {

namespace {

// "SKR/kernel/65536" -> ("SKR/kernel", "/65536").
std::pair<std::string, std::string> splitArguments(const std::string& name) {
    const size_t first = name.find('/');
    const size_t second = first == std::string::npos ? first : name.find('/', first + 1);
    if (second == std::string::npos) {
        return {name, ""};
    }
    return {name.substr(0, second), name.substr(second)};
}

} // namespace

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        const bool median = run.run_type == Run::RT_Aggregate;
        if (run.error_occurred || (median && run.aggregate_name != "median")) {
            continue;
        }
        const auto ratio = run.counters.find("ratio");
        if (ratio != run.counters.end()) {
            Paired& paired = paired_[run.run_name.str()];
            if (median || !paired.median) {
                paired = {run.counters.at("kernel_ns").value, run.counters.at("reference_ns").value,
                          ratio->second.value, median};
            }
            continue;
        }
        const auto items = run.counters.find("items_per_second");
        if (items == run.counters.end()) {
            continue;
        }
        Rate& rate = rates_[run.run_name.str()];
        if (median || !rate.median) {
            rate = {items->second.value, median};
        }
    }
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::string lines;
    for (const auto& [name, kernelRate] : rates_) {
        const auto [family, arguments] = splitArguments(name);
        for (const Pair& pair : pairs_) {
            const auto reference = rates_.find(pair.reference + arguments);
            if (family != pair.kernel || reference == rates_.end()) {
                continue;
            }
            const double kernelNs = 1e9 / kernelRate.perSecond;
            const double referenceNs = 1e9 / reference->second.perSecond;
            const double ratio = kernelNs / referenceNs;
            char line[256];
            std::snprintf(line, sizeof line,
                          "%-4s %-8s kernel %7.2f ns  reference %7.2f ns  ratio %5.3f  %s%s\n",
                          pair.label.c_str(), arguments.c_str() + (arguments.empty() ? 0 : 1),
                          kernelNs, referenceNs, ratio, ratio <= goal_ ? "within" : "ABOVE",
                          kernelRate.median ? "" : "  (single run: use repetitions)");
            lines += line;
        }
    }
    if (!lines.empty()) {
        char header[64];
        std::snprintf(header, sizeof header, "\nPer element, CPU time (goal: ratio <= %.2f)\n",
                      goal_);
        GetOutputStream() << header << lines << std::flush;
    }
    lines.clear();
    for (const auto& [name, paired] : paired_) {
        char line[256];
        std::snprintf(line, sizeof line,
                      "%-15s kernel %7.2f ns  reference %7.2f ns  ratio %5.3f  %s%s\n",
                      name.c_str(), paired.kernelNs, paired.referenceNs, paired.ratio,
                      paired.ratio <= goal_ ? "within" : "ABOVE",
                      paired.median ? "" : "  (single run: use repetitions)");
        lines += line;
    }
    if (!lines.empty()) {
        GetOutputStream() << "\nTimed in alternation, per element, wall time\n"
                          << lines << std::flush;
    }
}

} // namespace molrbench
