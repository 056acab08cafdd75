// `xefhost solve`: a plane analysis of a problem file through an element library.
#pragma once

#include <ostream>
#include <string>

namespace xefhost {

struct SolveOptions {
    std::string problem;
    std::string element = "build/MOLR.so";
    std::string output = "out";
    int refine = 0; // further levels, each halving the element size
};

// Runs the analysis and writes its results; returns the process exit code.
int runSolve(const SolveOptions& options, std::ostream& out);

} // namespace xefhost
