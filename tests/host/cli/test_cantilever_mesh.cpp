// bench/cantilever_mesh.py writes the benchmark cantilever that xefhost and its peers solve: its
// mesh must be the one Gmsh makes of bench/scale/cantilever_structured.geo, solved alike.
#include "command_runner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using molrtest::CommandResult;
using molrtest::runCommand;

const std::string kSource = MOLR_SOURCE_DIR;

fs::path scratch(const std::string& name) {
    return molrtest::scratchFolder("cantilever-mesh-tests", name);
}

CommandResult solve(const fs::path& problem, const fs::path& out) {
    return molrtest::xefhostSolve(problem.string(), out);
}

// A number of the result file at full precision, e.g. "strain_energy": 1.76...
double jsonNumber(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    std::smatch match;
    const std::string content = text.str();
    if (!std::regex_search(content, match, std::regex("\"" + key + "\": ([-0-9.e+]+)"))) {
        ADD_FAILURE() << key << " not in " << file;
        return NAN;
    }
    return std::stod(match[1]);
}

// The vertical displacement of the lower tip corner (10, 0) in a result file. Mirroring the beam
// in y swaps the diagonals of the squares and leaves the largest displacement and the energy
// alone, so only a corner tells whether the diagonals run the right way.
double cornerDeflection(const fs::path& vtu) {
    const auto read = runCommand(
        "/usr/bin/python3 -c \"import meshio,numpy,sys; m=meshio.read(sys.argv[1]); "
        "c=numpy.flatnonzero(numpy.isclose(m.points[:,0],10)&numpy.isclose(m.points[:,1],0)); "
        "print(repr(m.point_data['displacement'][c[0],1]))\" " +
        vtu.string());
    EXPECT_EQ(read.exitCode, 0) << read.output;
    return read.exitCode == 0 ? std::stod(read.output) : NAN;
}

// bench/cantilever_mesh.py's beam of nx x ny squares in the folder.
CommandResult writeCantilever(int nx, int ny, const fs::path& folder) {
    return runCommand("/usr/bin/python3 " + kSource + "/bench/cantilever_mesh.py --nx " +
                      std::to_string(nx) + " --ny " + std::to_string(ny) + " -o " +
                      folder.string());
}

// "elements 2000, nodes 1111"
std::string sizes(const std::string& output) {
    std::smatch match;
    return std::regex_search(output, match, std::regex(R"(elements \d+, nodes \d+)")) ? match.str(0)
                                                                                      : "";
}

TEST(CantileverMesh, SolvesLikeTheGmshMeshOfTheScaleGeometry) {
    const fs::path generated = scratch("generated");
    const auto written = writeCantilever(100, 10, generated);
    ASSERT_EQ(written.exitCode, 0) << written.output;
    EXPECT_NE(written.output.find("1111 nodes, 2000 triangles"), std::string::npos)
        << written.output;
    const auto ours = solve(generated / "cantilever.toml", generated / "out");
    ASSERT_EQ(ours.exitCode, 0) << ours.output;

    // The same beam meshed by Gmsh with h = 0.1, i.e. 100 x 10 squares.
    const fs::path meshed = scratch("gmsh");
    fs::copy(kSource + "/bench/scale/cantilever_structured.geo", meshed);
    std::ifstream in(kSource + "/bench/scale/cantilever_structured.toml");
    std::stringstream problem;
    problem << in.rdbuf();
    std::ofstream(meshed / "cantilever_structured.toml") << std::regex_replace(
        problem.str(), std::regex(R"(element_size = \S+)"), "element_size = 0.1");
    const auto gmsh = solve(meshed / "cantilever_structured.toml", meshed / "out");
    ASSERT_EQ(gmsh.exitCode, 0) << gmsh.output;

    EXPECT_EQ(sizes(ours.output), "elements 2000, nodes 1111") << ours.output;
    EXPECT_EQ(sizes(ours.output), sizes(gmsh.output)) << gmsh.output;
    for (const std::string key : {"largest_displacement", "strain_energy"}) {
        const double a = jsonNumber(generated / "out" / "cantilever.json", key);
        const double b = jsonNumber(meshed / "out" / "cantilever_structured.json", key);
        EXPECT_NEAR(a, b, 1e-9 * std::abs(b)) << key;
    }
    if (runCommand("/usr/bin/python3 -c 'import meshio'").exitCode != 0) {
        GTEST_SKIP() << "python3-meshio is not installed";
    }
    const double tip = cornerDeflection(generated / "out" / "cantilever.vtu");
    EXPECT_NEAR(tip, cornerDeflection(meshed / "out" / "cantilever_structured.vtu"),
                1e-9 * std::abs(tip));
    // A little less than beam theory's 3.64: P1 triangles are stiff at 10 across the beam.
    EXPECT_NEAR(tip, -3.5228390, 1e-7);
}

TEST(CantileverMesh, ALargeBeamIsFactorizedInTwoHalvesWithTheWholeFactorizationsAnswer) {
    // 321 x 161 nodes, past the 50,000 from which two cores factorize two halves side by side;
    // the shorter straight cut crosses the beam: 161 nodes, 322 unknowns.
    const fs::path generated = scratch("large");
    const auto written = writeCantilever(320, 160, generated);
    ASSERT_EQ(written.exitCode, 0) << written.output;
    const auto solveOn = [&](int threads, const std::string& out) {
        return runCommand("OMP_NUM_THREADS=" + std::to_string(threads) + " " + molrtest::xefhost() +
                          " solve " + (generated / "cantilever.toml").string() + " --element " +
                          MOLR_MODULE_PATH + " -o " + (generated / out).string());
    };
    const auto split = solveOn(2, "split");
    ASSERT_EQ(split.exitCode, 0) << split.output;
    EXPECT_NE(split.output.find("two halves side by side joined by 322 unknowns"),
              std::string::npos)
        << split.output;
    // One thread has no second core for a half: the matrix is factorized whole.
    const auto whole = solveOn(1, "whole");
    ASSERT_EQ(whole.exitCode, 0) << whole.output;
    EXPECT_EQ(whole.output.find("halves"), std::string::npos) << whole.output;
    for (const std::string key : {"largest_displacement", "strain_energy"}) {
        const double a = jsonNumber(generated / "split" / "cantilever.json", key);
        const double b = jsonNumber(generated / "whole" / "cantilever.json", key);
        EXPECT_NEAR(a, b, 1e-12 * std::abs(b)) << key;
    }
}

} // namespace
