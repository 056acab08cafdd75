// Solves a plane-strain cantilever (L = 10, h = 1, E = 200, nu = 0.3, clamped at x = 0, a unit end
// load spread evenly over the tip) with `xefhost solve` and an example element, on the geometry of
// examples/cantilever with the caller's Gmsh mesh commands added, and gives the mean tip deflection
// 2 U / P from the strain energy U the host reports. Shared by the tests of the example elements.
#pragma once

#include "command_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace exampletest {

constexpr double kBeamE = 200.0, kBeamNu = 0.3;

// P L^3 / (3 E' I) + P L / (kappa G A), E' = E / (1 - nu^2), kappa = 5/6, for L = 10, h = 1, P = 1.
inline double cantileverBeamValue() {
    const double bentModulus = kBeamE / (1.0 - kBeamNu * kBeamNu);
    const double G = kBeamE / (2.0 * (1.0 + kBeamNu));
    return 1000.0 / (3.0 * bentModulus / 12.0) + 10.0 / (5.0 / 6.0 * G);
}

inline double solvedTipDeflection(const std::string& element, const std::string& name,
                                  const std::string& meshCommands, double elementSize) {
    const std::filesystem::path folder = molrtest::scratchFolder("example-solve", name);
    std::ifstream source(std::string(MOLR_SOURCE_DIR) + "/examples/cantilever/cantilever.geo");
    std::stringstream geometry;
    geometry << source.rdbuf() << meshCommands << "\n";
    std::ofstream(folder / "beam.geo") << geometry.str();
    std::ofstream(folder / "beam.toml")
        << "title = \"cantilever\"\n[mesh]\ngeometry = \"beam.geo\"\nelement_size = " << elementSize
        << "\n[[material]]\nE = " << kBeamE << "\nnu = " << kBeamNu
        << "\n[[fix]]\ngroup = \"clamped\"\nx = 0.0\ny = 0.0\n[[traction]]\ngroup = \"tip\"\n"
        << "vector = [0.0, -1.0]\n";
    const molrtest::CommandResult r =
        molrtest::runCommand(molrtest::xefhost() + " solve " + (folder / "beam.toml").string() +
                             " --element " + element + " -o " + (folder / "out").string());
    std::smatch energy;
    if (r.exitCode != 0 ||
        !std::regex_search(r.output, energy, std::regex("strain energy (\\S+)"))) {
        ADD_FAILURE() << r.output;
        return 0.0;
    }
    return 2.0 * std::stod(energy[1].str());
}

} // namespace exampletest
