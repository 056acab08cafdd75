// xefhost: the reference host for element libraries that export XEFSetElSpec.
#include "check_command.h"
#include "crash_report.h"
#include "failure_report.h"
#include "info_command.h"
#include "openblas_core_restart.h"
#include "solve_command.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
    xefhost::restartWithFasterBlasKernels(argv);
    // Every command runs the element library's code, from its loading on.
    xefhost::installCrashReport();
    CLI::App app{"xefhost: loads an element library through XEFSetElSpec and runs it"};
    app.require_subcommand(1);

    xefhost::InfoOptions info;
    CLI::App* infoCommand =
        app.add_subcommand("info", "Print what an element library says about itself");
    infoCommand->add_option("library", info.library, "Element library to load")
        ->capture_default_str();
    CLI::Option* intCodeOption = infoCommand->add_option(
        "--int-code", info.intCode, "Also show the counts of this integration code");
    infoCommand->add_flag(
        "--points", info.listPoints,
        "List the points and weights of the --int-code code (default: the element's)");

    xefhost::SolveOptions solve;
    CLI::App* solveCommand =
        app.add_subcommand("solve", "Run a plane analysis of a TOML problem file");
    solveCommand->add_option("problem", solve.problem, "Problem file (.toml)")->required();
    solveCommand->add_option("--element", solve.element, "Element library to load")
        ->capture_default_str();
    solveCommand->add_option("-o,--output", solve.output, "Folder for the results")
        ->capture_default_str();
    solveCommand
        ->add_option("--refine", solve.refine,
                     "Further levels, each halving the element size, with a convergence table")
        ->check(CLI::Range(0, 8));
    // PETSc's own options (-ksp_type cg, -pc_type gamg) pass through, as PETSc users expect.
    solveCommand->allow_extras();
    solveCommand->footer("Options of PETSc's database (-ksp_*, -pc_*, -mat_*) apply where the "
                         "problem's [solve] method is \"petsc\".");

    xefhost::CheckOptions check;
    CLI::App* checkCommand = app.add_subcommand(
        "check", "Verify an element library: tangent, rigid modes, patch test and more");
    checkCommand->add_option("library", check.library, "Element library to check")
        ->capture_default_str();
    checkCommand->add_flag("--json", check.json, "Print the report as one JSON document");
    int workSize = 0;
    CLI::Option* workSizeOption =
        checkCommand
            ->add_option("--work-size", workSize,
                         "Reals of the work vector the kernels may use; more fails the check")
            ->check(CLI::Range(0, 1 << 24));
    checkCommand->add_option("--seed", check.seed, "Seed of the random elements and states")
        ->capture_default_str();
    checkCommand
        ->add_option("--timeout", check.timeout,
                     "Seconds each check family may run before it is stopped and fails")
        ->capture_default_str()
        ->check(CLI::Range(0.001, 1e6));

    CLI11_PARSE(app, argc, argv);

    try {
        if (*infoCommand) {
            info.hasIntCode = intCodeOption->count() > 0;
            return xefhost::runInfo(info, std::cout);
        }
        if (*solveCommand) {
            solve.petscArguments = solveCommand->remaining();
            for (const std::string& word : solve.petscArguments) {
                if (word.rfind("--", 0) == 0) {
                    std::cerr << "xefhost: solve: unknown option " << word << "\n";
                    return 1;
                }
            }
            return xefhost::runSolve(solve, std::cout);
        }
        if (*checkCommand) {
            if (workSizeOption->count() > 0) {
                check.workSize = workSize;
            }
            return xefhost::runCheck(check, std::cout, std::cerr);
        }
    } catch (const std::exception& error) {
        return xefhost::reportFailure(error);
    }
    return 0;
}
