// Runs `xefhost check` on a library and reads its report: the status of every check line. Shared by
// the tests of the example elements.
#pragma once

#include "command_runner.h"

#include <map>
#include <sstream>
#include <string>

namespace exampletest {

struct BenchReport {
    int exitCode = -1;
    std::string output;
    std::map<std::string, std::string> status; // check name -> PASS, FAIL or SKIP

    std::string of(const std::string& check) const {
        const auto found = status.find(check);
        return found == status.end() ? std::string("absent") : found->second;
    }
    int count(const std::string& wanted) const {
        int n = 0;
        for (const auto& entry : status) {
            n += entry.second == wanted ? 1 : 0;
        }
        return n;
    }
};

inline BenchReport runBench(const std::string& library, const std::string& options = "") {
    const molrtest::CommandResult r =
        molrtest::runCommand(molrtest::xefhost() + " check " + library + " " + options);
    BenchReport report{r.exitCode, r.output, {}};
    std::istringstream lines(r.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string status, name;
        words >> status >> name;
        if (status == "PASS" || status == "FAIL" || status == "SKIP") {
            report.status[name] = status;
        }
    }
    return report;
}

} // namespace exampletest
