#include "check_report.h"

#include "text_escape.h"

#include <cmath>
#include <cstdio>
#include <iomanip>

namespace xefhost::check {

namespace {

const char* statusWord(Status status) {
    switch (status) {
    case Status::Pass:
        return "PASS";
    case Status::Fail:
        return "FAIL";
    case Status::Skip:
        return "SKIP";
    }
    return "?";
}

// JSON has no NaN or infinity: such figures are written as null.
std::string jsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string jsonOptional(const std::optional<double>& value) {
    return value ? jsonNumber(*value) : "null";
}

int countOf(const std::vector<CheckResult>& results, Status status) {
    int count = 0;
    for (const CheckResult& result : results) {
        count += result.status == status;
    }
    return count;
}

std::string skippedNames(const std::vector<CheckResult>& results) {
    std::string names;
    for (const CheckResult& result : results) {
        if (result.status == Status::Skip) {
            names += (names.empty() ? "" : ", ") + result.name;
        }
    }
    return names;
}

} // namespace

std::string figureText(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e9) {
        return std::to_string(static_cast<long long>(value));
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

CheckResult judged(const std::string& name, const std::string& measure, double figure,
                   double tolerance, const std::string& detail) {
    CheckResult result{name, Status::Fail, measure, figure, tolerance, detail};
    if (figure <= tolerance) {
        result.status = Status::Pass;
    }
    return result;
}

CheckResult skipped(const std::string& name, const std::string& reason) {
    CheckResult result;
    result.name = name;
    result.detail = reason;
    return result;
}

int exitCodeOf(const std::vector<CheckResult>& results) {
    if (countOf(results, Status::Fail) > 0) {
        return kExitFailed;
    }
    return countOf(results, Status::Skip) > 0 ? kExitSkipped : kExitPassed;
}

void printText(const CheckSubject& subject, const std::vector<CheckResult>& results,
               std::ostream& out) {
    out << "checking " << subject.library << ": element " << subject.element << ", topology "
        << subject.topology << ", " << subject.nodeCount << " nodes, " << subject.dofCount
        << " unknowns, integration code " << subject.intCode << " (" << subject.intPointCount
        << " points), seed " << subject.seed << "\n";
    for (const CheckResult& result : results) {
        out << statusWord(result.status) << "  " << std::left << std::setw(18) << result.name;
        if (result.status == Status::Skip) {
            out << result.detail << "\n";
            continue;
        }
        out << std::setw(32) << result.measure << std::setw(10) << figureText(result.figure)
            << "tolerance "
            << (result.tolerance ? figureText(*result.tolerance) : std::string("none given"));
        if (!result.detail.empty()) {
            out << "  (" << result.detail << ")";
        }
        out << "\n";
    }
    out << results.size() << " checks: " << countOf(results, Status::Pass) << " passed, "
        << countOf(results, Status::Fail) << " failed, " << countOf(results, Status::Skip)
        << " skipped";
    if (countOf(results, Status::Skip) > 0) {
        out << " (" << skippedNames(results) << "); the element is not verified";
    }
    out << "\n";
}

void printJson(const CheckSubject& subject, const std::vector<CheckResult>& results,
               std::ostream& out) {
    out << "{\n  \"library\": " << jsonQuoted(subject.library)
        << ",\n  \"element\": " << jsonQuoted(subject.element)
        << ",\n  \"topology\": " << jsonQuoted(subject.topology)
        << ",\n  \"nodeCount\": " << subject.nodeCount << ",\n  \"dofCount\": " << subject.dofCount
        << ",\n  \"intCode\": " << subject.intCode
        << ",\n  \"intPointCount\": " << subject.intPointCount << ",\n  \"seed\": " << subject.seed
        << ",\n  \"workSize\": "
        << (subject.workSize ? std::to_string(*subject.workSize) : std::string("null"))
        << ",\n  \"checks\": [";
    for (size_t i = 0; i < results.size(); ++i) {
        const CheckResult& r = results[i];
        out << (i ? "," : "") << "\n    {\"name\": " << jsonQuoted(r.name)
            << ", \"status\": " << jsonQuoted(statusWord(r.status))
            << ", \"measure\": " << jsonQuoted(r.measure)
            << ", \"figure\": " << (r.status == Status::Skip ? "null" : jsonNumber(r.figure))
            << ", \"tolerance\": " << jsonOptional(r.tolerance)
            << ", \"detail\": " << jsonQuoted(r.detail) << "}";
    }
    out << "\n  ],\n  \"passed\": " << countOf(results, Status::Pass)
        << ",\n  \"failed\": " << countOf(results, Status::Fail)
        << ",\n  \"skipped\": " << countOf(results, Status::Skip)
        << ",\n  \"verified\": " << (exitCodeOf(results) == kExitPassed ? "true" : "false")
        << ",\n  \"exitCode\": " << exitCodeOf(results) << "\n}\n";
}

void printJsonRefusal(const std::string& library, const std::string& reason, std::ostream& out) {
    out << "{\n  \"library\": " << jsonQuoted(library)
        << ",\n  \"usable\": false,\n  \"reason\": " << jsonQuoted(reason)
        << ",\n  \"checks\": [],\n  \"verified\": false,\n  \"exitCode\": " << kExitUnusable
        << "\n}\n";
}

} // namespace xefhost::check
