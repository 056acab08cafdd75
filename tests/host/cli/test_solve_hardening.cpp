// `xefhost solve` against foreign code that misbehaves, mistaken sizes and folders, and
// interruptions: each ends with a message that names the cause, and none leaves a temporary file,
// a running gmsh or a result set mixed from two runs.
#include "command_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kSource = MOLR_SOURCE_DIR;

// Two triangles on the unit square, elements 3 (nodes 1 2 3) and 4 (nodes 1 3 4); node 4 lies at
// (0, 1), where the lying element's targeted faults strike.
const char* const kSquare =
    "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$PhysicalNames\n3\n1 1 \"left\"\n1 2 \"right\"\n"
    "2 3 \"square\"\n$EndPhysicalNames\n$Nodes\n4\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 0 1 0\n"
    "$EndNodes\n$Elements\n4\n1 1 2 1 1 4 1\n2 1 2 2 2 2 3\n3 2 2 3 1 1 2 3\n4 2 2 3 1 1 3 4\n"
    "$EndElements\n";
const char* const kSquareProblem = "[mesh]\nfile = \"square.msh\"\n[[fix]]\ngroup = \"left\"\n"
                                   "x = 0.0\ny = 0.0\n[[traction]]\ngroup = \"right\"\n"
                                   "vector = [1.0, 0.0]\n";

std::string contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every name in a folder, hidden ones included, sorted.
std::vector<std::string> names(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string solveCommand(const fs::path& problem, const fs::path& out, const std::string& element,
                         const std::string& extra = "") {
    return molrtest::xefhost() + " solve " + problem.string() + " --element " + element + " -o " +
           out.string() + " " + extra;
}

struct FaultCase {
    const char* lie; // MOLR_LIE of the lying element
    int exitCode;    // 128 + signal for a crash, as the shell reports it
    const char* expected;
};

TEST(SolveHardening, AKernelFaultNamesTheElementAndLeavesThePreviousResultsAlone) {
    const fs::path dir = molrtest::scratchFolder("solve-hardening", "faults");
    std::ofstream(dir / "square.msh") << kSquare;
    std::ofstream(dir / "p.toml") << kSquareProblem;
    const std::string liar = MOLR_LYING_ELEMENT;
    const molrtest::CommandResult honest =
        molrtest::runCommand(solveCommand(dir / "p.toml", dir / "out", liar));
    ASSERT_EQ(honest.exitCode, 0) << honest.output;
    const std::vector<std::string> resultSet{"p.json", "p.svg", "p.vtu"};
    ASSERT_EQ(names(dir / "out"), resultSet);
    const std::string previous = contents(dir / "out" / "p.vtu");

    const FaultCase cases[] = {
        {"tangent=crash", 128 + SIGSEGV,
         "the element library crashed with SIGSEGV (segmentation fault) in its tangent kernel at "
         "element 4"},
        {"post=crash", 128 + SIGSEGV,
         "crashed with SIGSEGV (segmentation fault) in its post-processing kernel at element 4"},
        {"tangent=inf", 3,
         "tangent kernel returned a value that is not finite for element 4 (nodes 1 3 4): its "
         "stiffness entry (2, 5) is inf"},
        {"residual=nan", 3,
         "not finite for element 3 (nodes 1 2 3): its internal force entry 1 (node 1, unknown 1) "
         "is nan"},
        {"post=nan", 3,
         "post-processing kernel returned a value that is not finite for element 4 (nodes 1 3 4): "
         "its point value \"$[Sigma]$xy\" at integration point 1 is nan"},
    };
    for (const FaultCase& c : cases) {
        const molrtest::CommandResult r =
            molrtest::runCommand("MOLR_LIE=" + std::string(c.lie) + " " +
                                 solveCommand(dir / "p.toml", dir / "out", liar));
        // A sanitizer's handler, where one runs, reports the crash and exits with its own code.
        if (c.exitCode > 128 && r.exitCode != c.exitCode) {
            EXPECT_NE(r.exitCode, 0) << c.lie << "\n" << r.output;
        } else {
            EXPECT_EQ(r.exitCode, c.exitCode) << c.lie << "\n" << r.output;
        }
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.lie << "\n" << r.output;
        EXPECT_EQ(names(dir / "out"), resultSet) << c.lie;
        EXPECT_EQ(contents(dir / "out" / "p.vtu"), previous) << c.lie;
    }
}

// An element that takes no data has one, empty, material, whatever the problem lists; the host
// once divided by the data count here.
TEST(SolveHardening, AnElementWithoutDataIsSolved) {
    const fs::path dir = molrtest::scratchFolder("solve-hardening", "no-data");
    std::ofstream(dir / "square.msh") << kSquare;
    for (const std::string materials : {"", "[[material]]\n"}) {
        std::ofstream(dir / "p.toml") << kSquareProblem << materials;
        const molrtest::CommandResult r =
            molrtest::runCommand("MOLR_LIE=dataCount=0 " +
                                 solveCommand(dir / "p.toml", dir / "out", MOLR_LYING_ELEMENT));
        EXPECT_EQ(r.exitCode, 0) << materials << "\n" << r.output;
        EXPECT_NE(r.output.find("strain energy"), std::string::npos) << r.output;
    }
}

TEST(SolveHardening, MistakenSizesAndFoldersAreRefusedBeforeAnyWork) {
    const fs::path dir = molrtest::scratchFolder("solve-hardening", "sizes");
    fs::copy(kSource + "/examples/cantilever/cantilever.geo", dir / "beam.geo");
    const std::string beam = "[mesh]\ngeometry = \"beam.geo\"\nelement_size = ";
    const std::string supports = "\n[[fix]]\ngroup = \"clamped\"\nx = 0.0\ny = 0.0\n";
    std::ofstream(dir / "tiny.toml") << beam << "1e-9" << supports;
    std::ofstream(dir / "coarse.toml") << beam << "0.1" << supports;
    ASSERT_EQ(molrtest::runCommand("gmsh " + (dir / "beam.geo").string() +
                                   " -2 -setnumber h 0.1 -format msh22 -o " +
                                   (dir / "beam.msh").string())
                  .exitCode,
              0);
    std::ofstream(dir / "file.toml") << "[mesh]\nfile = \"beam.msh\"" << supports;
    // A folder no one may write to, root included; otherwise one without write permission.
    fs::path locked = "/sys/kernel";
    if (::geteuid() != 0 || !fs::is_directory(locked)) {
        locked = dir / "locked";
        fs::create_directories(locked);
        fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const std::string module = MOLR_MODULE_PATH;
    const std::pair<std::string, std::string> cases[] = {
        {solveCommand(dir / "tiny.toml", dir / "out", module),
         "an element size of 1e-09 would give about"},
        {solveCommand(dir / "coarse.toml", dir / "out", module, "--refine 8"),
         "choose an element size of at least"},
        {solveCommand(dir / "file.toml", dir / "out", module, "--refine 8"),
         "ask for fewer levels (--refine)"},
        {solveCommand(dir / "coarse.toml", locked, module),
         "cannot write results to the output folder " + locked.string()},
    };
    for (const auto& [command, expected] : cases) {
        const molrtest::CommandResult r = molrtest::runCommand(command);
        EXPECT_EQ(r.exitCode, 1) << command << "\n" << r.output;
        EXPECT_NE(r.output.find(expected), std::string::npos) << expected << "\n" << r.output;
        EXPECT_TRUE(!fs::exists(dir / "out") || fs::is_empty(dir / "out")) << command;
    }
}

// True while a process runs whose command line mentions text.
bool processMentions(const std::string& text) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string command = contents(entry.path() / "cmdline");
        if (command.find(text) != std::string::npos && command.find("gmsh") != std::string::npos) {
            const std::string status = contents(entry.path() / "stat");
            if (status.find(") Z ") == std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

TEST(SolveHardening, AnInterruptedMeshingStopsGmshAndLeavesNoTemporaries) {
    for (const int signal : {SIGTERM, SIGINT}) {
        const fs::path dir =
            molrtest::scratchFolder("solve-hardening", "interrupted-" + std::to_string(signal));
        fs::copy(kSource + "/examples/cylinder/cylinder.geo", dir / "cylinder.geo");
        // Large enough that gmsh is still meshing when the signal comes.
        std::ofstream(dir / "p.toml") << "[mesh]\ngeometry = \"cylinder.geo\"\n"
                                         "element_size = 0.002\n[[fix]]\ngroup = \"inner\"\n"
                                         "x = 0.0\ny = 0.0\n";
        const std::string program = molrtest::xefhost(), problem = (dir / "p.toml").string(),
                          out = (dir / "out").string(), module = MOLR_MODULE_PATH;
        const char* argv[] = {program.c_str(), "solve", problem.c_str(), "--element",
                              module.c_str(),  "-o",    out.c_str(),     nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr,
                              const_cast<char* const*>(argv), environ),
                  0);
        int status = 0;
        bool ended = false;
        while (!fs::exists(dir / "out" / ".mesh-level-0.msh.log") && !ended) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
        }
        ASSERT_FALSE(ended) << "xefhost ended before gmsh started, status " << status;
        ::kill(pid, signal);
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(fs::is_empty(dir / "out")) << names(dir / "out").front();
        // gmsh is told of the host's end by the kernel, and takes a moment to go.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (processMentions(out) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_FALSE(processMentions(out));
    }
}

} // namespace
