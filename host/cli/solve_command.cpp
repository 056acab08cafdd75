#include "solve_command.h"

#include "analysis.h"
#include "atomic_file.h"
#include "element_description.h"
#include "element_library.h"
#include "gmsh_runner.h"
#include "material_keys.h"
#include "mesh_refinement.h"
#include "msh_reader.h"
#include "post_process.h"
#include "result_output.h"
#include "signal_cleanup.h"
#if defined(MOLR_WITH_PETSC)
#include "distributed_solve.h"
#include "petsc_runtime.h"
#else
namespace xefhost {
class PetscRuntime {};
} // namespace xefhost
#endif
#include "solve_level.h"
#include "solve_report.h"
#include "stage_progress.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace xefhost {

namespace {

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Reads or makes the mesh of one refinement level.
// A mistaken element size or refinement is refused before gmsh or the refinement spends minutes
// and gigabytes on it.
void requireMeshableLevels(const Problem& problem, int refine, const std::string& folder) {
    if (!problem.geometryFile.empty()) {
        requireMeshableSize(problem.geometryFile, problem.elementSize / std::pow(2.0, refine),
                            (std::filesystem::path(folder) / ".mesh-model.msh").string());
    }
}

Mesh levelMesh(const Problem& problem, int level, int refine, const std::string& folder,
               Mesh* previous, Progress& progress) {
    if (!problem.geometryFile.empty()) {
        const double size = problem.elementSize / std::pow(2.0, level);
        const ScratchFile msh(
            (std::filesystem::path(folder) / (".mesh-level-" + std::to_string(level) + ".msh"))
                .string());
        progress("meshing with gmsh");
        meshGeometry(problem.geometryFile, size, msh.path());
        progress("reading the mesh");
        return readMsh(msh.path());
    }
    if (level == 0) {
        progress("reading the mesh");
        Mesh mesh = readMsh(problem.meshFile);
        requireRefinableSize(mesh, refine, kMaxMeshedTriangles);
        return mesh;
    }
    progress("refining the mesh");
    return refineUniformly(*previous);
}

// PETSc's runtime, for a problem that solves through it; null otherwise. Options meant for PETSc
// on the command line need that method.
std::unique_ptr<PetscRuntime> startPetsc(const Problem& problem, const SolveOptions& options) {
    if (problem.solve.method != SolveMethod::Petsc) {
        if (!options.petscArguments.empty()) {
            throw std::runtime_error("the options " + options.petscArguments.front() +
                                     " ... are PETSc's, and " + problem.path +
                                     " solves with CHOLMOD; set [solve] method = \"petsc\"");
        }
        // Every process that mpirun starts would solve the whole problem and write the same files.
        for (const char* size : {"OMPI_COMM_WORLD_SIZE", "PMI_SIZE"}) {
            if (const char* value = std::getenv(size); value && std::atoi(value) > 1) {
                throw std::runtime_error(problem.path +
                                         " solves with CHOLMOD on one process; set [solve] method "
                                         "= \"petsc\" to solve on " +
                                         value + " MPI ranks");
            }
        }
        return nullptr;
    }
#if defined(MOLR_WITH_PETSC)
    return std::make_unique<PetscRuntime>(problem.solve.options, options.petscArguments);
#else
    throw std::runtime_error(problem.path +
                             ": [solve] method = \"petsc\" needs a build with PETSc (install "
                             "petsc-dev, e.g. by `make deps`, and build again)");
#endif
}

} // namespace

int runSolve(const SolveOptions& options, std::ostream& out) {
    const auto start = std::chrono::steady_clock::now();
    const Problem problem = readProblem(options.problem);
    const ElementLibrary library(options.element);
    // A description the host cannot use is refused before anything is meshed or read by it.
    const ElementDescription described(library, problem.intCode, -1);
    installInterruptCleanup();
    const std::unique_ptr<PetscRuntime> petsc = startPetsc(problem, options);
#if defined(MOLR_WITH_PETSC)
    // On one process the model is held whole and only the linear solves go to PETSc.
    if (petsc && petsc->ranks() > 1) {
        return runDistributedSolve(options, problem, library, out);
    }
#endif
    requireWritableFolder(options.output);
    requireMeshableLevels(problem, options.refine, options.output);
    Progress progress;

    out << "problem " << options.problem
        << (problem.title.empty() ? "" : " (" + problem.title + ")") << "\n";
    out << "element " << library.path() << "\n";
    std::vector<Analysis> levels;
    Mesh previous;
    for (int level = 0; level <= options.refine; ++level) {
        StageClock clock;
        Analysis a;
        Mesh mesh = levelMesh(problem, level, options.refine, options.output, &previous, progress);
        clock.finish(a.stages, "mesh");
        progress("building the model");
        const ElementDescription description(library, problem.intCode, -1);
        a.model = buildModel(mesh, problem, description.traits());
        a.gpostNames = description.gpostNames();
        a.npostNames = description.npostNames();
        for (const std::string& dataName : description.dataNames()) {
            a.dataKeys.push_back(dataKey(dataName));
        }
        // Only a further level needs this mesh; the solve needs its memory.
        previous = level < options.refine ? std::move(mesh) : Mesh{};
        mesh = Mesh{};
        ElementKernels kernels(library, a.model, problem.intCode);
        a.intCode = kernels.intCode();
        clock.finish(a.stages, "model");

        const NewtonSettings settings{problem.solve.steps, problem.solve.maxIterations,
                                      problem.solve.tolerance};
        const LevelSolution solution = solveLevel(
            a, kernels, [&](const std::string& s) { progress(s); }, Factorization::Automatic,
            settings, problem.solve.method);

        clock = StageClock();
        progress("post-processing");
        a.post = postProcess(a.model, kernels, a.u);
        if (problem.exact) {
            a.errors =
                errorNorms(a.model, a.gpostNames, a.post, a.u, exactSolutionOf(a, *problem.exact),
                           kernels.record(0).intPoints, kernels.pointCount());
        }
        clock.finish(a.stages, "post");
        progress.clear();
        keepLevel(levels, std::move(a), solution, problem, level == options.refine, out);
    }
    if (problem.exact && levels.size() > 1) {
        printConvergence(levels, out);
    }
    progress("writing results");
    StageClock clock;
    std::vector<StageCost> output;
    const std::string name = std::filesystem::path(options.problem).stem().string();
    const std::vector<std::string> written =
        writeResults(options.output, name, problem, levels.back(), levels);
    clock.finish(output, "output");
    progress.clear();
    printWritten(levels.back(), written, out);
    out << "\noutput " << std::fixed << std::setprecision(3) << output.front().seconds << " s";
    out << "\ntotal " << std::setprecision(2) << since(start) << " s, memory high-water MiB "
        << std::setprecision(0) << residentPeakBytes() / (1024.0 * 1024.0) << "\n";
    return 0;
}

} // namespace xefhost
