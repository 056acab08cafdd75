// `xefhost solve`: a plane analysis of a problem file through an element library.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace xefhost {

struct SolveOptions {
    std::string problem;
    std::string element = "build/MOLR.so";
    std::string output = "out";
    int refine = 0; // further levels, each halving the element size
    // Words of the command line meant for PETSc's options database ("-ksp_rtol", "1e-10").
    std::vector<std::string> petscArguments;
};

// Runs the analysis and writes its results; returns the process exit code.
int runSolve(const SolveOptions& options, std::ostream& out);

} // namespace xefhost
