// Results of `xefhost check` and the two ways they are printed: one line per check for a person,
// one JSON document for tools.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace xefhost::check {

enum class Status { Pass, Fail, Skip };

struct CheckResult {
    std::string name;
    Status status = Status::Skip;
    std::string measure; // what the figure is
    double figure = 0.0;
    std::optional<double> tolerance; // none when the author gave no limit
    std::string detail;              // where a failure shows, or why the check was skipped
};

// Passes when figure <= tolerance; a NaN figure fails.
CheckResult judged(const std::string& name, const std::string& measure, double figure,
                   double tolerance, const std::string& detail = "");
CheckResult skipped(const std::string& name, const std::string& reason);

// What the bench checked, for the report's heading.
struct CheckSubject {
    std::string library;
    std::string element;
    std::string topology;
    int nodeCount = 0;
    int dofCount = 0;
    int intCode = 0;
    int intPointCount = 0;
    unsigned long long seed = 0;
    std::optional<int> workSize;
};

// A figure as the report prints it: counts as integers, measures with three digits.
std::string figureText(double value);

// 0 when every check passed, 1 when one failed, 4 when none failed but one or more were skipped:
// an element is verified only by checks that ran. 2 is the refusal of an unusable library.
constexpr int kExitPassed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUnusable = 2;
constexpr int kExitSkipped = 4;
int exitCodeOf(const std::vector<CheckResult>& results);

void printText(const CheckSubject& subject, const std::vector<CheckResult>& results,
               std::ostream& out);
void printJson(const CheckSubject& subject, const std::vector<CheckResult>& results,
               std::ostream& out);
// The document for a library the bench could not use at all.
void printJsonRefusal(const std::string& library, const std::string& reason, std::ostream& out);

} // namespace xefhost::check
