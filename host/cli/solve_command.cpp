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
#include "petsc_runtime.h"
#else
namespace xefhost {
class PetscRuntime {};
} // namespace xefhost
#endif
#include "solve_level.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace xefhost {

namespace {

// Stage names on standard error while it is a terminal, so long runs show where they are.
class Progress {
  public:
    Progress() : enabled_(::isatty(STDERR_FILENO)) {}
    ~Progress() { clear(); }
    void operator()(const std::string& stage) {
        if (enabled_) {
            clear();
            std::cerr << "  " << stage << " ..." << std::flush;
            width_ = stage.size() + 6;
        }
    }
    void clear() {
        if (enabled_ && width_) {
            std::cerr << "\r" << std::string(width_, ' ') << "\r" << std::flush;
            width_ = 0;
        }
    }

  private:
    bool enabled_;
    size_t width_ = 0;
};

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

void requireRefinableSize(const Mesh& mesh, int refine) {
    size_t surfaceElements = 0;
    for (const ElementBlock& block : mesh.blocks) {
        surfaceElements += block.dimension == 2 ? block.size() : 0;
    }
    const double finest = static_cast<double>(surfaceElements) * std::pow(4.0, refine);
    if (finest > kMaxMeshedTriangles) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "refining %zu elements %d times would give %.3g, more than the %.0e the "
                      "host meshes; ask for fewer levels (--refine)",
                      surfaceElements, refine, finest, kMaxMeshedTriangles);
        throw MeshError(text);
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
        requireRefinableSize(mesh, refine);
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
        return nullptr;
    }
#if defined(MOLR_WITH_PETSC)
    auto runtime = std::make_unique<PetscRuntime>(problem.solve.options, options.petscArguments);
    if (runtime->ranks() > 1) {
        throw std::runtime_error("this build solves on one MPI rank; run it without mpirun or "
                                 "with -n 1");
    }
    return runtime;
#else
    throw std::runtime_error(problem.path +
                             ": [solve] method = \"petsc\" needs a build with PETSc (install "
                             "petsc-dev, e.g. by `make deps`, and build again)");
#endif
}

double materialValue(const double* material, const std::vector<std::string>& keys, const char* key,
                     double fallback) {
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) {
            return material[i];
        }
    }
    return fallback;
}

// Each load step's residual norms and observed convergence rates, where there is more than one
// step or the response was not linear.
void printSteps(const LevelSolution& solution, std::ostream& out) {
    if (solution.steps.size() == 1 && solution.linear) {
        return;
    }
    for (size_t k = 0; k < solution.steps.size(); ++k) {
        const NewtonStep& step = solution.steps[k];
        out << "  step " << k + 1 << " of " << solution.steps.size() << ", load factor "
            << std::setprecision(4) << step.loadFactor << ": residual norms";
        for (double r : step.residualNorms) {
            out << " " << std::scientific << std::setprecision(3) << r;
        }
        out.unsetf(std::ios::floatfield);
        const std::vector<double> rates = convergenceRates(step.residualNorms);
        if (!rates.empty()) {
            out << ", rates";
            for (double rate : rates) {
                out << " " << std::fixed << std::setprecision(2) << rate;
            }
            out.unsetf(std::ios::floatfield);
        }
        out << "\n";
    }
}

void printSummary(const Analysis& a, const LevelSolution& solution, const Problem& problem,
                  std::ostream& out) {
    const Model& m = a.model;
    out << "  elements " << a.elementCount << ", nodes " << a.nodeCount << ", unknowns "
        << a.unknowns << " free of " << a.nodeCount * m.dofsPerNode << ", matrix entries "
        << a.nonzeros << ", integration code " << a.intCode << "\n";
    for (const std::string& note : m.notes) {
        out << "  note: " << note << "\n";
    }
    if (!a.linearSolver.empty()) {
        out << "  linear solver " << a.linearSolver << "\n";
    } else {
        out << "  factor " << std::fixed << std::setprecision(1) << a.factorEntries / 1e6
            << "M entries, " << a.factorFlops / 1e9 << " GFlop";
        if (a.separatorUnknowns > 0) {
            out << ", two halves side by side joined by " << a.separatorUnknowns << " unknowns";
        }
        out << "\n";
    }
    out << "  time   ";
    for (const StageCost& stage : a.stages) {
        out << " " << stage.name << " " << std::fixed << std::setprecision(3) << stage.seconds
            << " s,";
    }
    out << "\n  memory high-water MiB";
    for (const StageCost& stage : a.stages) {
        out << " " << stage.name << " " << std::setprecision(0)
            << stage.peakBytes / (1024.0 * 1024.0) << ",";
    }
    out.unsetf(std::ios::floatfield);
    out << "\n";
    printSteps(solution, out);
    out << "  Newton residual norms";
    for (double r : a.residualNorms) {
        out << " " << std::scientific << std::setprecision(3) << r;
    }
    out << " (backward error " << std::setprecision(1) << a.backwardError << ", "
        << a.factorizations << (a.factorizations == 1 ? " factorization)" : " factorizations)");
    out << "\n  largest displacement " << std::setprecision(6) << a.maxDisplacement;
    if (solution.linear) {
        out << ", strain energy " << a.strainEnergy << "\n";
    } else {
        // 1/2 u.f is the strain energy of a linear response only.
        out << ", work of the loads " << solution.work << " (summed over " << solution.steps.size()
            << (solution.steps.size() == 1 ? " step" : " steps")
            << "; the response was not linear)\n";
    }
    out << "  applied load (" << a.applied[0] << ", " << a.applied[1] << "), reactions ("
        << a.reaction[0] << ", " << a.reaction[1] << "), imbalance " << std::setprecision(2)
        << a.imbalance() << "\n";
    if (a.errors) {
        out << "  error against " << problem.exact->solution << ": L2 displacement "
            << std::setprecision(4) << a.errors->displacementL2 << ", energy " << a.errors->energy
            << ", largest nodal " << a.errors->maxNodalDifference << "\n";
    }
    out.unsetf(std::ios::floatfield);
}

void printConvergence(const std::vector<Analysis>& levels, std::ostream& out) {
    out << "\nconvergence (rates from halving the element size)\n";
    out << "  level  elements    L2 error    rate   energy error   rate\n";
    for (size_t k = 0; k < levels.size(); ++k) {
        const ErrorNorms& e = *levels[k].errors;
        out << "  " << std::setw(5) << k << " " << std::setw(9) << levels[k].elementCount << "  "
            << std::scientific << std::setprecision(3) << std::setw(10) << e.displacementL2;
        if (k > 0) {
            const ErrorNorms& p = *levels[k - 1].errors;
            out << "  " << std::fixed << std::setprecision(2) << std::setw(5)
                << std::log2(p.displacementL2 / e.displacementL2) << "  " << std::scientific
                << std::setprecision(3) << std::setw(12) << e.energy << "  " << std::fixed
                << std::setprecision(2) << std::setw(5) << std::log2(p.energy / e.energy);
        } else {
            out << "      -  " << std::setw(12) << e.energy << "      -";
        }
        out << "\n";
    }
    out.unsetf(std::ios::floatfield);
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
            const double E = materialValue(a.model.material(0), a.dataKeys, "e", 1.0);
            const double nu = materialValue(a.model.material(0), a.dataKeys, "nu", 0.0);
            a.errors = errorNorms(a.model, a.gpostNames, a.post, a.u,
                                  makeExactSolution(*problem.exact, E, nu),
                                  kernels.record(0).intPoints, kernels.pointCount());
        }
        clock.finish(a.stages, "post");
        progress.clear();
        out << "level " << level << "\n";
        printSummary(a, solution, problem, out);
        levels.push_back(std::move(a));
        if (level < options.refine) {
            levels.back().post = PostResults{}; // only the finest level's results are written
        }
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
    for (const std::string& note : outputNotes(levels.back())) {
        out << "note: " << note << "\n";
    }
    out << "\nwrote";
    for (const std::string& file : written) {
        out << " " << file;
    }
    out << "\noutput " << std::fixed << std::setprecision(3) << output.front().seconds << " s";
    out << "\ntotal " << std::setprecision(2) << since(start) << " s, memory high-water MiB "
        << std::setprecision(0) << residentPeakBytes() / (1024.0 * 1024.0) << "\n";
    return 0;
}

} // namespace xefhost
