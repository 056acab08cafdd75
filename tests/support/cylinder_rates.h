// Solves one of the shipped cylinder problems (examples/cylinder) with an element through
// `xefhost solve --refine 2` and gives the observed rates of the last refinement in the L2 and
// energy norms of the error against the closed-form Lame solution.
#pragma once

#include "command_runner.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace exampletest {

struct Rates {
    double l2 = 0, energy = 0;
};

inline Rates cylinderRates(const std::string& element, const std::string& problem) {
    const auto out = molrtest::scratchFolder("cylinder-rates", problem);
    const molrtest::CommandResult r = molrtest::runCommand(
        molrtest::xefhost() + " solve " + MOLR_SOURCE_DIR + "/examples/cylinder/" + problem +
        ".toml --element " + element + " --refine 2 -o " + out.string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    // The convergence table's last row: level, elements, L2 error, rate, energy error, rate.
    const std::regex row(R"(\n\s+2\s+\d+\s+\S+\s+(\S+)\s+\S+\s+(\S+))");
    std::smatch match;
    if (!std::regex_search(r.output, match, row)) {
        ADD_FAILURE() << "no convergence table\n" << r.output;
        return {};
    }
    return {std::stod(match[1]), std::stod(match[2])};
}

} // namespace exampletest
