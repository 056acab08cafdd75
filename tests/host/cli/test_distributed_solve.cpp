// `mpirun -n N xefhost solve` with the PETSc method, on 1 to 8 ranks (oversubscribed), gives
// the answers of the embedded CHOLMOD path: on the cantilever under a traction and under point
// loads at every node (those that ranks share included), on the thick cylinder with the same
// convergence rates (also with another library's quadrilateral), and on the patch test to 1e-10,
// with the same reactions. Its results are a .pvtu over one piece per rank and the one process's
// picture; a failure on the ranks, a faulty element's included, ends the job with the failure's
// message and exit code.
#include "command_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const std::string kMpirun = std::string("OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 "
                                        "ASAN_OPTIONS=detect_leaks=0 ") +
                            MOLR_MPIEXEC + " --oversubscribe -n ";

struct ProblemCase {
    const char* name;
    const char* geometry; // of examples/, meshed once by gmsh into the coarse .msh
    double elementSize;
    int refine;
    const char* body; // the problem file after its [mesh] table
    double tolerance; // on the energy, the displacement and the reactions, relative
    const char* element = MOLR_MODULE_PATH;
};

const ProblemCase kProblems[] = {
    {"cantilever", "cantilever/cantilever.geo", 0.25, 1,
     "[[material]]\nE = 1000.0\nnu = 0.3\n[[fix]]\ngroup = \"clamped\"\nx = 0.0\ny = 0.0\n"
     "[[traction]]\ngroup = \"tip\"\nvector = [0.0, -1.0]\n",
     1e-8},
    {"cylinder", "cylinder/cylinder.geo", 0.2, 2,
     "[[material]]\nE = 1000.0\nnu = 0.3\n[[fix]]\ngroup = \"symmetry-x\"\nx = 0.0\n"
     "[[fix]]\ngroup = \"symmetry-y\"\ny = 0.0\n[[pressure]]\ngroup = \"inner\"\nvalue = 1.0\n"
     "[exact]\nsolution = \"lame-cylinder\"\ninner_radius = 1.0\nouter_radius = 2.0\n"
     "pressure = 1.0\n",
     1e-8},
    {"point-load", "cantilever/cantilever.geo", 0.25, 1,
     "[[material]]\nE = 1000.0\nnu = 0.3\n[[fix]]\ngroup = \"clamped\"\nx = 0.0\ny = 0.0\n"
     "[[point_load]]\ngroup = \"beam\"\nforce = [0.0, -0.001]\n",
     1e-8},
    // Another library's element, of another topology.
    {"quadrilateral-cylinder", "cylinder/cylinder_quadrilateral.geo", 0.2, 2,
     "[[material]]\nE = 1000.0\nnu = 0.3\n[[fix]]\ngroup = \"symmetry-x\"\nx = 0.0\n"
     "[[fix]]\ngroup = \"symmetry-y\"\ny = 0.0\n[[pressure]]\ngroup = \"inner\"\nvalue = 1.0\n"
     "[exact]\nsolution = \"lame-cylinder\"\ninner_radius = 1.0\nouter_radius = 2.0\n"
     "pressure = 1.0\n",
     1e-8, MOLR_FOREIGN_QUADRILATERAL},
    {"patch", "patch/patch.geo", 0.5, 1,
     "[[material]]\nE = 200.0\nnu = 0.25\n[[fix]]\ngroup = \"boundary\"\nexact = true\n"
     "[exact]\nsolution = \"uniform-strain\"\noffset = [0.001, -0.002]\n"
     "gradient = [[0.01, 0.004], [-0.003, 0.02]]\n",
     1e-10},
};

const ProblemCase& problemNamed(const std::string& name) {
    return *std::find_if(std::begin(kProblems), std::end(kProblems),
                         [&](const ProblemCase& c) { return name == c.name; });
}

// Every number the summary gives under `key`, in order (one per level); null reads as NaN.
std::vector<double> numbers(const std::string& json, const std::string& key) {
    std::vector<double> found;
    const std::regex pattern("\"" + key + "\": \\[?\\s*([-0-9.eE+]+|null)");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        found.push_back((*it)[1] == "null" ? NAN : std::stod((*it)[1]));
    }
    return found;
}

// The second component of each level's two-component array `key`.
std::vector<double> secondComponents(const std::string& json, const std::string& key) {
    std::vector<double> found;
    const std::regex pattern("\"" + key + "\": \\[\\s*[-0-9.eE+]+,\\s*([-0-9.eE+]+)");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        found.push_back(std::stod((*it)[1]));
    }
    return found;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The coarse mesh and two problem files on it, one per method, in a folder of the test's own:
// ctest runs the tests side by side.
fs::path prepare(const ProblemCase& c, const std::string& test) {
    const fs::path dir = molrtest::scratchFolder("distributed-solve", test + "-" + c.name);
    const std::string source = std::string(MOLR_SOURCE_DIR) + "/examples/" + c.geometry;
    const std::string size = std::to_string(c.elementSize);
    const molrtest::CommandResult meshed =
        molrtest::runCommand("gmsh " + source + " -2 -format msh41 -setnumber h " + size +
                             " -clmax " + size + " -o " + (dir / "coarse.msh").string());
    EXPECT_EQ(meshed.exitCode, 0) << meshed.output;
    for (const char* method : {"cholmod", "petsc"}) {
        std::ofstream(dir / (std::string(method) + ".toml"))
            << "[solve]\nmethod = \"" << method << "\"\n[mesh]\nfile = \"coarse.msh\"\n"
            << c.body;
    }
    return dir;
}

molrtest::CommandResult solve(const fs::path& dir, const std::string& method, int ranks, int refine,
                              const std::string& out, const std::string& extra = "",
                              const std::string& element = MOLR_MODULE_PATH) {
    const std::string command = molrtest::xefhost() + " solve " +
                                (dir / (method + ".toml")).string() + " --element " + element +
                                " --refine " + std::to_string(refine) + " -o " +
                                (dir / out).string() + " " + extra;
    return molrtest::runCommand(ranks > 0 ? kMpirun + std::to_string(ranks) + " " + command
                                          : command);
}

double relative(double a, double b, double scale) {
    return std::fabs(a - b) / std::max(std::fabs(scale), 1e-300);
}

TEST(DistributedSolve, RanksGiveTheEmbeddedAnswers) {
    for (const ProblemCase& c : kProblems) {
        const fs::path dir = prepare(c, "answers");
        const molrtest::CommandResult embedded =
            solve(dir, "cholmod", 0, c.refine, "embedded", "", c.element);
        ASSERT_EQ(embedded.exitCode, 0) << embedded.output;
        const std::string reference = readText(dir / "embedded" / "cholmod.json");
        const size_t levels = static_cast<size_t>(c.refine) + 1;
        ASSERT_EQ(numbers(reference, "strain_energy").size(), levels) << reference;
        ASSERT_EQ(numbers(reference, "l2_displacement").size(),
                  std::string(c.body).find("[exact]") == std::string::npos ? 0 : levels);
        // Several ranks solve the refined levels by geometric multigrid over the refinements
        // unless the options ask for GAMG; one process, holding the model whole, takes GAMG.
        const struct {
            int ranks;
            const char* options;
            const char* preconditioner;
        } runs[] = {{1, "", "gamg"}, {2, "", "mg"}, {2, "-pc_type gamg", "gamg"},
                    {3, "", "mg"},   {4, "", "mg"}, {8, "", "mg"}};
        for (const auto& [ranks, options, preconditioner] : runs) {
            const std::string out = "ranks" + std::to_string(ranks) + (*options ? "-gamg" : "");
            const molrtest::CommandResult r =
                solve(dir, "petsc", ranks, c.refine, out, options, c.element);
            ASSERT_EQ(r.exitCode, 0) << c.name << " on " << ranks << " ranks\n" << r.output;
            const std::string json = readText(dir / out / "petsc.json");
            SCOPED_TRACE(std::string(c.name) + " on " + std::to_string(ranks) + " ranks " +
                         options);
            EXPECT_NE(r.output.find(std::string("PETSc cg with ") + preconditioner + ","),
                      std::string::npos)
                << r.output;
            for (const char* key : {"elements", "nodes", "unknowns"}) {
                EXPECT_EQ(numbers(json, key), numbers(reference, key)) << key;
            }
            const std::vector<double> energy = numbers(reference, "strain_energy");
            const std::vector<double> load = secondComponents(reference, "applied_load");
            const std::map<std::string, std::vector<double>> scaled = {
                {"strain_energy", energy},
                {"largest_displacement", numbers(reference, "largest_displacement")},
            };
            for (const auto& [key, expected] : scaled) {
                const std::vector<double> got = numbers(json, key);
                ASSERT_EQ(got.size(), expected.size()) << key;
                for (size_t level = 0; level < got.size(); ++level) {
                    EXPECT_LT(relative(got[level], expected[level], expected[level]), c.tolerance)
                        << key << " at level " << level << ": " << got[level] << " against "
                        << expected[level];
                }
            }
            const std::vector<double> reactions = secondComponents(json, "reactions");
            const std::vector<double> expectedReactions = secondComponents(reference, "reactions");
            ASSERT_EQ(reactions.size(), expectedReactions.size());
            const std::vector<double> imbalance = numbers(json, "imbalance");
            for (size_t level = 0; level < reactions.size(); ++level) {
                if (load[level] != 0) {
                    EXPECT_LT(relative(reactions[level], expectedReactions[level], load[level]),
                              c.tolerance)
                        << "vertical reaction at level " << level;
                }
                // Held by its supports alone, the patch's reactions balance each other.
                EXPECT_LT(imbalance[level], c.tolerance) << "imbalance at level " << level;
            }
            for (const char* key : {"l2_displacement", "energy"}) {
                const std::vector<double> got = numbers(json, key);
                const std::vector<double> expected = numbers(reference, key);
                ASSERT_EQ(got.size(), expected.size()) << key;
                for (size_t level = 0; level < got.size(); ++level) {
                    // The patch's errors are round-off, to be matched in size, not in digits.
                    const double tolerance = c.tolerance == 1e-10 ? 1e-10 : 1e-6;
                    EXPECT_LT(std::fabs(got[level] - expected[level]),
                              tolerance * std::max(expected[level], 1.0))
                        << key << " at level " << level;
                    if (level > 0 && c.tolerance != 1e-10) {
                        EXPECT_NEAR(std::log2(got[level - 1] / got[level]),
                                    std::log2(expected[level - 1] / expected[level]), 1e-6)
                            << key << " rate at level " << level;
                    }
                }
            }
            if (ranks > 1) {
                const std::string pvtu = readText(dir / out / "petsc.pvtu");
                for (int rank = 0; rank < ranks; ++rank) {
                    const std::string piece = "petsc-" + std::to_string(rank) + ".vtu";
                    EXPECT_NE(pvtu.find("Source=\"" + piece + "\""), std::string::npos) << piece;
                    EXPECT_TRUE(fs::exists(dir / out / piece)) << piece;
                }
                EXPECT_TRUE(fs::exists(dir / out / "petsc.svg"));
            }
        }
    }
}

// Above the element limit the one-process picture is an averaged grid too: the ranks' sums of
// each cell must draw the same picture.
TEST(DistributedSolve, PictureIsTheEmbeddedOne) {
    const fs::path dir = prepare(problemNamed("cylinder"), "picture");
    ASSERT_EQ(solve(dir, "cholmod", 0, 4, "embedded").exitCode, 0);
    const molrtest::CommandResult r = solve(dir, "petsc", 3, 4, "ranks3");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const auto untitled = [](std::string svg, const std::string& title) {
        const std::string heading = ">" + title + "</text>";
        svg.replace(svg.find(heading), heading.size(), "");
        return svg;
    };
    EXPECT_EQ(untitled(readText(dir / "ranks3" / "petsc.svg"), "petsc"),
              untitled(readText(dir / "embedded" / "cholmod.svg"), "cholmod"));
}

// A foreign element that crashes or returns what is not finite, on one rank or several, ends
// every rank, names its kernel and writes no results.
TEST(DistributedSolve, AFaultyElementEndsEveryRankNamingItsKernel) {
    const fs::path dir = prepare(problemNamed("cantilever"), "faulty");
    const struct {
        const char* lie; // MOLR_LIE of the lying element
        const char* expected;
    } cases[] = {
        {"", "wrote"},
        {"tangent=crash", "crashed with SIGSEGV (segmentation fault) in its tangent kernel at"},
        {"tangent=inf", "tangent kernel returned a value that is not finite for element"},
        {"post=nan", "post-processing kernel returned a value that is not finite for element"},
    };
    for (const auto& c : cases) {
        const molrtest::CommandResult r = molrtest::runCommand(
            "MOLR_LIE=" + std::string(c.lie) + " " + kMpirun + "2 " + molrtest::xefhost() +
            " solve " + (dir / "petsc.toml").string() + " --element " + MOLR_LYING_ELEMENT +
            " -o " + (dir / "out").string());
        EXPECT_EQ(r.exitCode == 0, *c.lie == 0) << c.lie << "\n" << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.lie << "\n" << r.output;
        EXPECT_EQ(fs::exists(dir / "out" / "petsc.pvtu"), *c.lie == 0) << c.lie;
        fs::remove_all(dir / "out");
    }
}

// A foreign element whose tangent changes at every Newton iteration (a neo-Hookean block
// stretched by a third in load steps): the multigrid's coarse operators are formed again from
// each new tangent, and two ranks follow one process's Newton iterations to the same answer.
TEST(DistributedSolve, ANonlinearElementRefillsTheMultigridAtEveryNewtonIteration) {
    const fs::path dir = molrtest::scratchFolder("distributed-solve", "nonlinear");
    std::ofstream(dir / "block.geo")
        << "Point(1) = {0, 0, 0}; Point(2) = {2, 0, 0}; Point(3) = {2, 1, 0};\n"
           "Point(4) = {0, 1, 0}; Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4};\n"
           "Line(4) = {4, 1}; Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};\n"
           "Physical Surface(\"block\") = {1}; Physical Curve(\"bottom\") = {1};\n"
           "Physical Curve(\"right\") = {2}; Physical Curve(\"left\") = {4};\n";
    const molrtest::CommandResult meshed =
        molrtest::runCommand("gmsh " + (dir / "block.geo").string() +
                             " -2 -format msh41 -clmax 0.4 -o " + (dir / "coarse.msh").string());
    ASSERT_EQ(meshed.exitCode, 0) << meshed.output;
    for (const char* method : {"cholmod", "petsc"}) {
        std::ofstream(dir / (std::string(method) + ".toml"))
            << "[solve]\nmethod = \"" << method << "\"\nsteps = 2\ntolerance = 1e-10\n"
            << "[mesh]\nfile = \"coarse.msh\"\n[[material]]\nE = 1000.0\nnu = 0.3\n"
            << "[[fix]]\ngroup = \"left\"\nx = 0.0\n[[fix]]\ngroup = \"bottom\"\ny = 0.0\n"
            << "[[traction]]\ngroup = \"right\"\nvector = [300.0, 0.0]\n";
    }
    const molrtest::CommandResult embedded =
        solve(dir, "cholmod", 0, 1, "embedded", "", MOLR_NONLINEAR_ELEMENT);
    ASSERT_EQ(embedded.exitCode, 0) << embedded.output;
    const molrtest::CommandResult pieces =
        solve(dir, "petsc", 2, 1, "pieces", "", MOLR_NONLINEAR_ELEMENT);
    ASSERT_EQ(pieces.exitCode, 0) << pieces.output;
    EXPECT_NE(pieces.output.find("PETSc cg with mg,"), std::string::npos) << pieces.output;
    const std::string reference = readText(dir / "embedded" / "cholmod.json");
    const std::string json = readText(dir / "pieces" / "petsc.json");
    for (const char* key : {"largest_displacement", "work_of_loads"}) {
        const std::vector<double> expected = numbers(reference, key), got = numbers(json, key);
        ASSERT_EQ(got.size(), 2u) << key << "\n" << json;
        ASSERT_EQ(expected.size(), 2u) << key << "\n" << reference;
        for (size_t level = 0; level < 2; ++level) {
            EXPECT_LT(relative(got[level], expected[level], expected[level]), 1e-8)
                << key << " at level " << level;
        }
    }
    // Each level's load steps took several Newton iterations, each with its own tangent.
    const std::regex factorizations(R"(([0-9]+) factorizations)");
    int levels = 0;
    for (auto it = std::sregex_iterator(pieces.output.begin(), pieces.output.end(), factorizations);
         it != std::sregex_iterator(); ++it, ++levels) {
        EXPECT_GE(std::stoi((*it)[1]), 6) << pieces.output;
    }
    EXPECT_EQ(levels, 2) << pieces.output;
    // Coarse operators kept from the first tangent would cost iterations as the block stiffens;
    // formed again, the last solve needs no more than the first.
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(pieces.output, counts,
                                  std::regex(R"(with mg, [^:]*: ([0-9]+),[0-9, ]* ([0-9]+) it)")))
        << pieces.output;
    EXPECT_LE(std::stoi(counts[2]), std::stoi(counts[1]) + 1) << pieces.output;
}

struct FailureCase {
    const char* mesh; // of the problem file
    int ranks;
    const char* extra; // command-line words
    const char* edit;  // appended to the problem file, or null
    int exitCode;
    const char* expected;
};

TEST(DistributedSolve, FailuresEndEveryRankWithTheirCode) {
    const fs::path dir = prepare(problemNamed("cantilever"), "failures");
    const FailureCase cases[] = {
        {"coarse.msh", 2, "-ksp_max_it 2", nullptr, 3, "DIVERGED_ITS) after 2 iterations"},
        {"coarse.msh", 2, "", "[[fix]]\ngroup = \"nowhere\"\nx = 0.0\n", 1,
         "unknown physical group \"nowhere\""},
        // Two triangles cannot give each of four ranks one.
        {"tiny.msh", 4, "", nullptr, 1, "a rank holds no element of the 2-element mesh at level 0"},
    };
    const molrtest::CommandResult tiny = molrtest::runCommand(
        "gmsh " + std::string(MOLR_SOURCE_DIR) + "/examples/cantilever/cantilever.geo -2 -format " +
        "msh41 -setnumber h 10 -clmax 10 -o " + (dir / "tiny.msh").string());
    ASSERT_EQ(tiny.exitCode, 0) << tiny.output;
    std::string problem = readText(dir / "petsc.toml");
    const std::string meshLine = "file = \"coarse.msh\"";
    for (const FailureCase& c : cases) {
        std::string text = problem;
        text.replace(text.find(meshLine), meshLine.size(),
                     "file = \"" + std::string(c.mesh) + "\"");
        std::ofstream(dir / "petsc.toml") << text << (c.edit ? c.edit : "");
        const molrtest::CommandResult r = solve(dir, "petsc", c.ranks, 0, "failed", c.extra);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.expected << "\n" << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.expected << "\n" << r.output;
        EXPECT_FALSE(fs::exists(dir / "failed" / "petsc.pvtu"));
    }
    const molrtest::CommandResult mixed = solve(dir, "cholmod", 2, 0, "failed");
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_NE(mixed.output.find("solves with CHOLMOD on one process; set [solve] method = "
                                "\"petsc\" to solve on 2 MPI ranks"),
              std::string::npos)
        << mixed.output;
}

} // namespace
