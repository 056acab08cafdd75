// `xefhost solve` through the NEOHOOKE element on a block pulled by a dead load: in load steps the
// homogeneous stretch of the closed form is reached with Newton's quadratic rates; in one step
// with few iterations the run stops with exit code 3 and writes nothing.
#include "command_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

constexpr double kE = 1000, kNu = 0.3, kTraction = 300;
constexpr double kLength = 2, kHeight = 1;

// Plane strain, free sides: the stretches (l1, l2) with P11 = t and P22 = 0 for
// P = mu (F - F^-T) + lambda ln J F^-T, found by Newton's method on the two equations.
void closedFormStretches(double& l1, double& l2) {
    const double mu = kE / (2 * (1 + kNu)), lambda = kE * kNu / ((1 + kNu) * (1 - 2 * kNu));
    l1 = 1;
    l2 = 1;
    for (int k = 0; k < 50; ++k) {
        const double lnJ = std::log(l1 * l2);
        const double r1 = mu * (l1 - 1 / l1) + lambda * lnJ / l1 - kTraction;
        const double r2 = mu * (l2 - 1 / l2) + lambda * lnJ / l2;
        const double a = mu * (1 + 1 / (l1 * l1)) + lambda * (1 - lnJ) / (l1 * l1);
        const double b = lambda / (l1 * l2);
        const double d = mu * (1 + 1 / (l2 * l2)) + lambda * (1 - lnJ) / (l2 * l2);
        const double det = a * d - b * b;
        l1 -= (d * r1 - b * r2) / det;
        l2 -= (a * r2 - b * r1) / det;
    }
}

fs::path writeBlock(const std::string& name, const std::string& solveTable) {
    const fs::path dir = molrtest::scratchFolder("neo-hookean-solve", name);
    std::ofstream(dir / "block.geo")
        << "L = " << kLength << "; H = " << kHeight << ";\n"
        << "Point(1) = {0, 0, 0, h}; Point(2) = {L, 0, 0, h};\n"
        << "Point(3) = {L, H, 0, h}; Point(4) = {0, H, 0, h};\n"
        << "Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};\n"
        << "Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};\n"
        << "Physical Surface(\"block\") = {1}; Physical Curve(\"bottom\") = {1};\n"
        << "Physical Curve(\"right\") = {2}; Physical Curve(\"left\") = {4};\n";
    std::ofstream(dir / "block.toml")
        << "[mesh]\ngeometry = \"block.geo\"\nelement_size = 0.4\n"
        << "[[material]]\nE = " << kE << "\nnu = " << kNu << "\n"
        << "[[fix]]\ngroup = \"left\"\nx = 0.0\n[[fix]]\ngroup = \"bottom\"\ny = 0.0\n"
        << "[[traction]]\ngroup = \"right\"\nvector = [" << kTraction << ", 0.0]\n"
        << solveTable;
    return dir;
}

molrtest::CommandResult solveBlock(const fs::path& dir) {
    return molrtest::runCommand(molrtest::xefhost() + " solve " + (dir / "block.toml").string() +
                                " --element " + NEOHOOKE_MODULE_PATH + " -o " +
                                (dir / "out").string());
}

TEST(NeoHookeanSolve, LoadStepsReachTheClosedFormStretchAtQuadraticRates) {
    const fs::path dir = writeBlock("steps", "[solve]\nsteps = 4\ntolerance = 1e-14\n");
    const auto r = solveBlock(dir);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    double l1 = 0, l2 = 0;
    closedFormStretches(l1, l2);
    std::ifstream json(dir / "out" / "block.json");
    const std::string summary(std::istreambuf_iterator<char>(json), {});
    std::smatch match;
    ASSERT_TRUE(
        std::regex_search(summary, match, std::regex(R"("largest_displacement": ([-0-9.e+]+))")))
        << summary;
    const double expected = std::hypot((l1 - 1) * kLength, (l2 - 1) * kHeight);
    EXPECT_NEAR(std::stod(match[1]), expected, 1e-12 * expected) << r.output;
    EXPECT_GT(l1, 1.2) << "the load must be large enough to be nonlinear";
    // The response is not linear: no strain energy 1/2 u.f, but the work of the load over the
    // steps, which approaches the stored energy of the stretched block as the steps shrink.
    EXPECT_NE(summary.find(R"("strain_energy": null)"), std::string::npos) << summary;
    ASSERT_TRUE(std::regex_search(summary, match, std::regex(R"("work_of_loads": ([-0-9.e+]+))")))
        << summary;
    const double mu = kE / (2 * (1 + kNu)), lambda = kE * kNu / ((1 + kNu) * (1 - 2 * kNu));
    const double lnJ = std::log(l1 * l2);
    const double stored =
        kLength * kHeight * (mu / 2 * (l1 * l1 + l2 * l2 - 2) - mu * lnJ + lambda / 2 * lnJ * lnJ);
    EXPECT_NEAR(std::stod(match[1]), stored, 0.02 * stored);
    // Every step prints its rates; near the solution Newton's is 2, until round-off takes over.
    const std::regex step(
        R"(step (\d) of 4, load factor [0-9.]+: residual norms [^,]*, rates ([^\n]*))");
    int steps = 0;
    for (auto it = std::sregex_iterator(r.output.begin(), r.output.end(), step);
         it != std::sregex_iterator(); ++it, ++steps) {
        std::istringstream rates((*it)[2].str());
        double rate = 0, fastest = 0;
        while (rates >> rate) {
            fastest = std::max(fastest, rate);
        }
        EXPECT_GT(fastest, 1.8) << (*it)[0];
    }
    EXPECT_EQ(steps, 4) << r.output;
    EXPECT_NE(r.output.find("work of the loads"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("strain energy"), std::string::npos) << r.output;
}

TEST(NeoHookeanSolve, AStepThatDoesNotConvergeStopsWithCodeThreeAndWritesNothing) {
    const fs::path dir = writeBlock("one-step", "[solve]\nmax_iterations = 2\n");
    const auto r = solveBlock(dir);
    EXPECT_EQ(r.exitCode, 3) << r.output;
    EXPECT_NE(r.output.find("did not converge in step 1 of 1"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir / "out" / "block.vtu"));
    EXPECT_FALSE(fs::exists(dir / "out" / "block.json"));
}

} // namespace
