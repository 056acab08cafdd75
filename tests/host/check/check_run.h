// Runs `xefhost check` as a user does and reads its report back: the exit code, the status of every
// check by name, and the summary line.
#pragma once

#include "command_runner.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

namespace molrtest {

inline const char* const kAllChecks[] = {
    "description",  "tangent",   "rigid-residual", "rigid-modes",
    "patch",        "frame",     "point-count",    "rule-independence",
    "work-tangent", "work-post", "determinism",    "thread-safety"};

// A library built beside the faulty triangles.
inline std::string testElement(const std::string& name) {
    return std::string(MOLR_FAULTY_ELEMENT_DIR) + "/" + name + ".so";
}

struct Report {
    int exitCode = -1;
    std::string output;
    std::map<std::string, std::string> status; // check name -> PASS, FAIL or SKIP
    std::map<std::string, std::string> lines;
    std::string summary; // the last line

    std::string line(const std::string& name) const {
        const auto found = lines.find(name);
        return found == lines.end() ? std::string() : found->second;
    }
};

inline Report check(const std::string& library, const std::string& options = "") {
    const CommandResult r = runCommand(xefhost() + " check " + library + " " + options);
    Report report{r.exitCode, r.output, {}, {}, {}};
    std::istringstream lines(r.output);
    std::string text;
    while (std::getline(lines, text)) {
        std::istringstream words(text);
        std::string status, name;
        words >> status >> name;
        if (status == "PASS" || status == "FAIL" || status == "SKIP") {
            report.status[name] = status;
            report.lines[name] = text;
        }
        if (!text.empty()) {
            report.summary = text;
        }
    }
    return report;
}

inline void expectStatus(const Report& report, std::initializer_list<const char*> names,
                         const std::string& status) {
    for (const char* name : names) {
        const auto found = report.status.find(name);
        ASSERT_NE(found, report.status.end()) << name << "\n" << report.output;
        EXPECT_EQ(found->second, status) << name << "\n" << report.output;
    }
}

} // namespace molrtest
