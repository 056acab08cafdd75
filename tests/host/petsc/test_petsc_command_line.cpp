// `xefhost solve` with [solve] method = "petsc": PETSc's options from the problem file and the
// command line reach PETSc, and options that cannot apply are refused by name.
#include "command_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct CommandCase {
    const char* method;  // of the problem's [solve] table
    const char* options; // the problem's [solve] options, or null
    const char* extra;   // words after the problem on the command line
    int exitCode;
    const char* expected;
};

TEST(PetscCommandLine, OptionsReachPetscFromTheFileAndTheCommandLine) {
    const fs::path dir = molrtest::scratchFolder("petsc-command-line", "cylinder");
    fs::copy(std::string(MOLR_SOURCE_DIR) + "/examples/cylinder/cylinder.geo",
             dir / "cylinder.geo");
    const CommandCase cases[] = {
        {"petsc", nullptr, "", 0, "linear solver PETSc cg with gamg, true residual below 1e-12"},
        {"petsc", "-ksp_rtol 1e-9", "", 0, "true residual below 1e-09 relative"},
        {"petsc", "-ksp_rtol 1e-9", "-ksp_rtol 1e-11", 0, "true residual below 1e-11 relative"},
        {"petsc", nullptr, "-ksp_type preonly -pc_type cholesky -pc_factor_mat_solver_type mumps",
         0, "linear solver PETSc preonly with cholesky: 1, 1 iterations"},
        {"petsc", nullptr, "-ksp_max_it 2", 3, "DIVERGED_ITS) after 2 iterations"},
        // Options that PETSc reads as it starts, from the file and from the command line.
        {"petsc", "-log_view", "", 0, "PETSc Performance Summary"},
        {"petsc", nullptr, "-log_view", 0, "PETSc Performance Summary"},
        {"petsc", nullptr, "--refne 2", 1, "solve: unknown option --refne"},
        {"cholmod", nullptr, "-ksp_rtol 1e-9", 1, "the options -ksp_rtol ... are PETSc's, and"},
    };
    for (const CommandCase& c : cases) {
        std::ofstream(dir / "p.toml")
            << "[solve]\nmethod = \"" << c.method << "\"\n"
            << (c.options ? std::string("options = \"") + c.options + "\"\n" : "")
            << "[mesh]\ngeometry = \"cylinder.geo\"\nelement_size = 0.2\n"
            << "[[fix]]\ngroup = \"symmetry-x\"\nx = 0.0\n[[fix]]\ngroup = \"symmetry-y\"\ny = "
               "0.0\n"
            << "[[pressure]]\ngroup = \"inner\"\nvalue = 1.0\n";
        // Open MPI's start-up allocations look like leaks to the checker of sanitized builds.
        const molrtest::CommandResult r =
            molrtest::runCommand("ASAN_OPTIONS=detect_leaks=0 " + molrtest::xefhost() + " solve " +
                                 (dir / "p.toml").string() + " --element " + MOLR_MODULE_PATH +
                                 " -o " + (dir / "out").string() + " " + c.extra);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.extra << "\n" << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.expected << "\n" << r.output;
    }
}

} // namespace
