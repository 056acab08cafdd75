// `xefhost solve` end to end: the shipped examples and the refusals of bad models.
#include "command_runner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using molrtest::CommandResult;
using molrtest::runCommand;
using molrtest::xefhost;

const std::string kSource = MOLR_SOURCE_DIR;

fs::path scratch(const std::string& name) {
    return molrtest::scratchFolder("solve-tests", name);
}

CommandResult solve(const std::string& problem, const fs::path& out,
                    const std::string& extra = "") {
    return molrtest::xefhostSolve(problem, out, extra);
}

// All numbers that follow a label on the output, e.g. "L2 displacement 1.2e-05".
double numberAfter(const std::string& text, const std::string& label) {
    const size_t at = text.rfind(label);
    EXPECT_NE(at, std::string::npos) << label << "\n" << text;
    return at == std::string::npos ? NAN : std::stod(text.substr(at + label.size()));
}

TEST(XefhostSolve, PatchTestReproducesTheLinearFieldToRoundOff) {
    const fs::path out = scratch("patch");
    const auto r = solve(kSource + "/examples/patch/patch.toml", out);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_LT(numberAfter(r.output, "L2 displacement "), 1e-12) << r.output;
    EXPECT_LT(numberAfter(r.output, "energy "), 1e-10) << r.output;
    EXPECT_LT(numberAfter(r.output, "largest nodal "), 1e-12) << r.output;
    EXPECT_TRUE(fs::exists(out / "patch.vtu"));
}

TEST(XefhostSolve, LoadStepsReachTheSameLinearAnswerAndReportEachStep) {
    const fs::path dir = scratch("steps");
    std::ifstream in(kSource + "/examples/patch/patch.toml");
    std::string text(std::istreambuf_iterator<char>(in), {});
    text = std::regex_replace(text, std::regex("\"patch.geo\""),
                              "\"" + kSource + "/examples/patch/patch.geo\"");
    std::ofstream(dir / "steps.toml") << text << "\n[solve]\nsteps = 4\n";
    const auto r = solve((dir / "steps.toml").string(), dir / "out");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_LT(numberAfter(r.output, "largest nodal "), 1e-12) << r.output;
    for (const char* line : {"step 1 of 4, load factor 0.25:", "step 4 of 4, load factor 1:"}) {
        EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << r.output;
    }
    // Linear over every step: the strain energy is reported, not a work estimate.
    EXPECT_NE(r.output.find("strain energy "), std::string::npos) << r.output;
}

TEST(XefhostSolve, CylinderConvergesAtTheExpectedRatesAndBalancesItsLoad) {
    const fs::path out = scratch("cylinder");
    const auto r = solve(kSource + "/examples/cylinder/cylinder.toml", out, "--refine 2");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // Rates of the last refinement, from the convergence table's last row.
    const std::regex row(R"(\n\s+2\s+\d+\s+(\S+)\s+(\S+)\s+(\S+)\s+(\S+))");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(r.output, match, row)) << r.output;
    const double l2 = std::stod(match[1]), l2Rate = std::stod(match[2]);
    const double energy = std::stod(match[3]), energyRate = std::stod(match[4]);
    EXPECT_NEAR(l2Rate, 2.0, 0.25) << r.output;
    EXPECT_NEAR(energyRate, 1.0, 0.15) << r.output;
    EXPECT_LT(l2, 2e-3);
    EXPECT_LT(energy, 0.1);
    EXPECT_LT(numberAfter(r.output, "imbalance "), 1e-9) << r.output;
    // A linear element converges in one Newton step: the second norm is round-off.
    const std::regex norms(R"(Newton residual norms (\S+) (\S+))");
    ASSERT_TRUE(std::regex_search(r.output, match, norms));
    EXPECT_LT(std::stod(match[2]), 1e-10 * std::stod(match[1]));
}

// xefhost may run itself again with OpenBLAS's faster kernels named; the run must keep its
// arguments and give the answer of the kernels OpenBLAS picked itself to round-off.
TEST(XefhostSolve, ChoosingTheBlasKernelsKeepsArgumentsAndAnswer) {
    const std::string problem = kSource + "/examples/cantilever/cantilever.toml";
    const fs::path own = scratch("blas-own"), named = scratch("blas-named");
    const auto chosen = solve(problem, own);
    const auto generic =
        runCommand("env OPENBLAS_CORETYPE=Prescott " + xefhost() + " solve " + problem +
                   " --element " + MOLR_MODULE_PATH + " -o " + named.string());
    ASSERT_EQ(chosen.exitCode, 0) << chosen.output;
    ASSERT_EQ(generic.exitCode, 0) << generic.output;
    EXPECT_TRUE(fs::exists(own / "cantilever.vtu"));
    EXPECT_TRUE(fs::exists(named / "cantilever.vtu"));
    const double a = numberAfter(chosen.output, "largest displacement ");
    const double b = numberAfter(generic.output, "largest displacement ");
    EXPECT_NEAR(a, b, 1e-10 * std::fabs(b));
}

TEST(XefhostSolve, ResultsReadBackWithARealVtkReader) {
    if (runCommand("/usr/bin/python3 -c 'import meshio'").exitCode != 0) {
        GTEST_SKIP() << "python3-meshio is not installed";
    }
    const fs::path out = scratch("cantilever");
    const auto r = solve(kSource + "/examples/cantilever/cantilever.toml", out);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto read =
        runCommand("/usr/bin/python3 -c \"import meshio,sys; m=meshio.read(sys.argv[1]); "
                   "print(len(m.points), sum(len(c.data) for c in m.cells)); "
                   "print(sorted(m.point_data)); print(sorted(m.cell_data)); "
                   "print(min(m.point_data['displacement'][:,1]))\" " +
                   (out / "cantilever.vtu").string());
    ASSERT_EQ(read.exitCode, 0) << read.output;
    EXPECT_NE(read.output.find("'displacement'"), std::string::npos) << read.output;
    EXPECT_NE(read.output.find("'von Mises stress'"), std::string::npos) << read.output;
    EXPECT_NE(read.output.find("\u03C3xx"), std::string::npos) << read.output;
    // Beam theory with the plane-strain modulus: about 3.64, a little more with shear.
    const double tip =
        std::stod(read.output.substr(read.output.rfind('\n', read.output.size() - 2)));
    EXPECT_LT(tip, -3.5);
    EXPECT_GT(tip, -3.9);
    EXPECT_TRUE(fs::exists(out / "cantilever.svg"));
    EXPECT_TRUE(fs::exists(out / "cantilever.json"));
}

// A unit square of two triangles in Gmsh's 2.2 text format, with the given physical names.
void writeSquare(const fs::path& file, const std::string& thirdNode = "0 1 0") {
    std::ofstream(file) << "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n"
                           "$PhysicalNames\n4\n0 4 \"corner\"\n1 1 \"left\"\n1 2 \"right\"\n"
                           "2 3 \"square\"\n"
                           "$EndPhysicalNames\n$Nodes\n4\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 " +
                               thirdNode +
                               "\n$EndNodes\n$Elements\n5\n"
                               "1 1 2 1 1 4 1\n2 1 2 2 2 2 3\n5 15 2 4 1 1\n"
                               "3 2 2 3 1 1 2 3\n4 2 2 3 1 1 3 4\n$EndElements\n";
}

struct BadCase {
    const char* name;
    std::string problem; // TOML text; the mesh is square.msh beside it
    std::string expected;
};

TEST(XefhostSolve, BadInputGetsAClearErrorAndNoResult) {
    const std::string mesh = "[mesh]\nfile = \"square.msh\"\n";
    const std::string fixLeft = "[[fix]]\ngroup = \"left\"\nx = 0.0\ny = 0.0\n";
    const BadCase cases[] = {
        {"malformed", "title = \"x\"\n[mesh\n", "bad.toml:2"},
        {"unknown-key", mesh + fixLeft + "[[traction]]\ngroup = \"right\"\nvectr = [1, 0]\n",
         "traction.vectr: unknown key"},
        {"unknown-group", mesh + "[[fix]]\ngroup = \"lfet\"\nx = 0.0\n",
         "unknown physical group \"lfet\""},
        {"poisson", mesh + fixLeft + "[[material]]\nnu = 0.5\n", "Poisson's ratio nu"},
        {"young", mesh + fixLeft + "[[material]]\nE = 0.0\n", "Young's modulus E"},
        {"free", mesh + "[[fix]]\ngroup = \"left\"\nx = 0.0\n", "the model can move freely"},
        {"rotating", mesh + "[[fix]]\ngroup = \"corner\"\nx = 0.0\ny = 0.0\n",
         "the model can move freely: it can turn about ("},
        {"no-mesh-file", "[mesh]\nfile = \"none.msh\"\n" + fixLeft, "none.msh"},
        {"steps", mesh + fixLeft + "[solve]\nsteps = 0\n", "solve.steps: expected an integer"},
        {"tolerance", mesh + fixLeft + "[solve]\ntolerance = 2.0\n",
         "solve.tolerance: must lie between 0 and 1"},
        {"solve-key", mesh + fixLeft + "[solve]\nstep = 2\n", "solve.step: unknown key"},
        {"solve-method", mesh + fixLeft + "[solve]\nmethod = \"pardiso\"\n",
         "solve.method: expected \"cholmod\" or \"petsc\", found \"pardiso\""},
        {"options-without-petsc", mesh + fixLeft + "[solve]\noptions = \"-ksp_type cg\"\n",
         "solve.options: PETSc options need method = \"petsc\""},
        {"integration-code", "integration_code = 4294967331\n" + mesh + fixLeft,
         "integration_code: expected an integer from -1 to 2147483647"},
        {"huge-traction", mesh + fixLeft + "[[traction]]\ngroup = \"right\"\nvector = [1e308, 0]\n",
         "expected a finite number of magnitude at most 1e+100, found 1e+308"},
        {"nan-material", mesh + fixLeft + "[[material]]\nE = nan\n", "found nan"},
        {"tiny-modulus",
         mesh + fixLeft + "[[traction]]\ngroup = \"right\"\nvector = [1, 0]\n" +
             "[[material]]\nE = 5e-324\n",
         "the stiffness is singular although the supports hold every part of the model"},
    };
    for (const BadCase& c : cases) {
        const fs::path dir = scratch(std::string("bad-") + c.name);
        writeSquare(dir / "square.msh");
        std::ofstream(dir / "bad.toml") << c.problem;
        const auto r = solve((dir / "bad.toml").string(), dir / "out");
        EXPECT_NE(r.exitCode, 0) << c.name << "\n" << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.name << "\n" << r.output;
        EXPECT_FALSE(fs::exists(dir / "out" / "bad.vtu")) << c.name;
    }
}

TEST(XefhostSolve, DegenerateElementsAreNamedAndClockwiseOnesRenumbered) {
    const std::string problem = "[mesh]\nfile = \"square.msh\"\n[[fix]]\ngroup = \"left\"\n"
                                "x = 0.0\ny = 0.0\n[[traction]]\ngroup = \"right\"\n"
                                "vector = [1.0, 0.0]\n";
    const fs::path dir = scratch("degenerate");
    writeSquare(dir / "square.msh", "2 2 0"); // node 4 on the line through 1 and 3
    std::ofstream(dir / "p.toml") << problem;
    auto r = solve((dir / "p.toml").string(), dir / "out");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.output.find("element 4 (nodes 1 3 4) is degenerate"), std::string::npos)
        << r.output;

    // Mirrored in x: both triangles run clockwise.
    writeSquare(dir / "square.msh");
    std::string text;
    {
        std::ifstream in(dir / "square.msh");
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    text = std::regex_replace(text, std::regex("\n2 1 0 0\n3 1 1 0\n"), "\n2 -1 0 0\n3 -1 1 0\n");
    std::ofstream(dir / "square.msh") << text;
    r = solve((dir / "p.toml").string(), dir / "out");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("2 clockwise triangles were renumbered"), std::string::npos)
        << r.output;
}

TEST(XefhostSolve, InputPathsThatNameNoFileAreRefusedByKindWithoutWaiting) {
    const fs::path dir = scratch("kinds");
    fs::create_directories(dir / "folder.msh");
    fs::remove(dir / "pipe");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    int problems = 0;
    const auto withMesh = [&](const std::string& mesh) {
        const fs::path problem = dir / ("p" + std::to_string(++problems) + ".toml");
        std::ofstream(problem) << "[mesh]\nfile = \"" << mesh
                               << "\"\n[[fix]]\ngroup = \"left\"\nx = 0.0\n";
        return problem.string();
    };
    const std::pair<std::string, std::string> cases[] = {
        {(dir / "folder.msh").string(), "is a directory, not a problem file"},
        {(dir / "pipe").string(), "is a FIFO, not a problem file"},
        {withMesh((dir / "pipe").string()), "is a FIFO, not a mesh file"},
        {withMesh("/dev/zero"), "is a character device, not a mesh file"},
        {withMesh((dir / "folder.msh").string()), "is a directory, not a mesh file"},
    };
    for (const auto& [problem, expected] : cases) {
        const auto r = solve(problem, dir / "out");
        EXPECT_EQ(r.exitCode, 1) << problem << "\n" << r.output;
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
    }
}

TEST(XefhostSolve, AFailedRunLeavesThePreviousResultSetWholeAndNoTemporaries) {
    const fs::path out = scratch("result-set");
    const std::string problem = kSource + "/examples/patch/patch.toml";
    ASSERT_EQ(solve(problem, out).exitCode, 0);
    const auto contents = [&](const char* file) {
        std::ifstream in(out / file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string vtu = contents("patch.vtu"), svg = contents("patch.svg");
    // A folder where the summary goes: the finer run cannot complete its set.
    fs::remove(out / "patch.json");
    fs::create_directory(out / "patch.json");
    const auto r = solve(problem, out, "--refine 1");
    EXPECT_NE(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("a folder of that name is in the way"), std::string::npos) << r.output;
    EXPECT_EQ(contents("patch.vtu"), vtu);
    EXPECT_EQ(contents("patch.svg"), svg);
    for (const auto& entry : fs::directory_iterator(out)) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

TEST(XefhostSolve, ADuplicatedElementIsRefusedAndOtherShapesAreNoted) {
    const std::string problem = "[mesh]\nfile = \"square.msh\"\n[[fix]]\ngroup = \"left\"\n"
                                "x = 0.0\ny = 0.0\n";
    const fs::path dir = scratch("duplicate");
    const auto withElements = [&](const std::string& extra, int count) {
        writeSquare(dir / "square.msh");
        std::ifstream in(dir / "square.msh");
        std::string text(std::istreambuf_iterator<char>(in), {});
        in.close();
        text = std::regex_replace(text, std::regex("\\$Elements\n5\n"),
                                  "$Elements\n" + std::to_string(count) + "\n" + extra);
        std::ofstream(dir / "square.msh") << text;
        std::ofstream(dir / "p.toml") << problem;
        return solve((dir / "p.toml").string(), dir / "out");
    };
    auto r = withElements("6 2 2 3 1 2 3 1\n", 6);
    EXPECT_NE(r.exitCode, 0) << r.output;
    // Named in the file's order: the duplicate was written first.
    EXPECT_NE(r.output.find("element 6 (nodes 2 3 1) and element 3 (nodes 1 2 3) have the same "
                            "nodes"),
              std::string::npos)
        << r.output;
    r = withElements("7 3 2 3 1 1 2 3 4\n", 6);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("note: 1 surface elements of Gmsh type 3 (4 nodes) are not of the "
                            "element's topology T1 and were left out"),
              std::string::npos)
        << r.output;
}

TEST(XefhostSolve, AMeshWithoutTrianglesIsRefused) {
    const fs::path dir = scratch("no-triangles");
    std::ofstream(dir / "lines.msh") << "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$Nodes\n2\n"
                                        "1 0 0 0\n2 1 0 0\n$EndNodes\n$Elements\n1\n"
                                        "1 1 2 1 1 1 2\n$EndElements\n";
    std::ofstream(dir / "p.toml")
        << "[mesh]\nfile = \"lines.msh\"\n[[fix]]\ngroup = \"x\"\nx = 0.0\n";
    const auto r = solve((dir / "p.toml").string(), dir / "out");
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.output.find("the mesh has no 3-node triangles"), std::string::npos) << r.output;
}

TEST(XefhostSolve, ALibraryThatIsNoElementLibraryIsRefused) {
    const fs::path dir = scratch("not-element");
    const auto r = runCommand(xefhost() + " solve " + kSource +
                              "/examples/patch/patch.toml --element /lib/x86_64-linux-gnu/libm.so.6"
                              " -o " +
                              dir.string());
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find("does not export XEFSetElSpec"), std::string::npos) << r.output;
}

} // namespace
