#include "distributed_solve.h"

#include "atomic_file.h"
#include "distributed_assembly.h"
#include "distributed_mesh.h"
#include "distributed_newton_system.h"
#include "distributed_results.h"
#include "element_description.h"
#include "failure_report.h"
#include "gmsh_runner.h"
#include "material_keys.h"
#include "mesh_refinement.h"
#include "msh_reader.h"
#include "petsc_runtime.h"
#include "post_process.h"
#include "restraint.h"
#include "result_fields.h"
#include "signal_cleanup.h"
#include "solve_report.h"
#include "stage_progress.h"

#include <petscsys.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <sstream>

namespace xefhost {

namespace {

// An error that every rank meets at the same point, from figures they share: the job can end as
// one process would, with one message.
class EveryRankError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

void reduce(std::vector<double>& values, MPI_Op op) {
    MPI_Allreduce(MPI_IN_PLACE, values.data(), static_cast<int>(values.size()), MPI_DOUBLE, op,
                  PETSC_COMM_WORLD);
}

double reduced(double value, MPI_Op op) {
    std::vector<double> one{value};
    reduce(one, op);
    return one[0];
}

// The coarse mesh, on rank 0 only: the problem's mesh file, or its geometry meshed by gmsh at
// the problem's element size. Its whole model is built and checked here, once, so that a missing
// group, a bad material or a model free to move is named before anything is distributed.
Mesh coarseMesh(const Problem& problem, const SolveOptions& options, const ElementTraits& traits,
                Progress& progress) {
    Mesh mesh;
    if (!problem.geometryFile.empty()) {
        const ScratchFile msh(
            (std::filesystem::path(options.output) / ".mesh-level-0.msh").string());
        progress("meshing with gmsh");
        meshGeometry(problem.geometryFile, problem.elementSize, msh.path());
        progress("reading the mesh");
        mesh = readMsh(msh.path());
    } else {
        progress("reading the mesh");
        mesh = readMsh(problem.meshFile);
    }
    // The finest level exists only in pieces: the host's limit holds per rank.
    requireRefinableSize(mesh, options.refine, kMaxMeshedTriangles * rankCount());
    progress("checking the coarse model");
    requireRestraint(buildModel(mesh, problem, traits));
    return mesh;
}

size_t surfaceElements(const Mesh& mesh) {
    size_t count = 0;
    for (const ElementBlock& block : mesh.blocks) {
        count += block.dimension == 2 ? block.size() : 0;
    }
    return count;
}

// Nodal values averaged over the elements of this rank only become averages over every element
// at the node, as on one process.
void shareNodeAverages(PostResults& post, const Model& piece, const DistributedAssembly& assembly) {
    const int d = piece.dofsPerNode, count = post.npostCount;
    std::vector<double> uses(piece.dofCount(), 0.0);
    for (const int32_t node : piece.elements) {
        uses[piece.displacementDof(node, 0)] += 1;
    }
    const std::vector<double> totalUses = assembly.summed(uses);
    for (int first = 0; first < count; first += d) {
        std::vector<double> sums(piece.dofCount(), 0.0);
        for (size_t node = 0; node < piece.nodeCount(); ++node) {
            for (int c = first; c < std::min(first + d, count); ++c) {
                sums[piece.displacementDof(node, 0) + (c - first)] =
                    post.nodeValues[node * count + c] * uses[piece.displacementDof(node, 0)];
            }
        }
        const std::vector<double> total = assembly.summed(sums);
        for (size_t node = 0; node < piece.nodeCount(); ++node) {
            const double shared = std::max(totalUses[piece.displacementDof(node, 0)], 1.0);
            for (int c = first; c < std::min(first + d, count); ++c) {
                post.nodeValues[node * count + c] =
                    total[piece.displacementDof(node, 0) + (c - first)] / shared;
            }
        }
    }
}

// The figures of summarizeEquilibrium, over the whole model: each shared unknown counts once,
// with the loads and supports that every rank holding it sees.
void summarizePieces(Analysis& a, const DistributedNewtonSystem& system, long long cells) {
    const Model& m = a.model;
    enum { AppliedX, AppliedY, ReactionX, ReactionY, Scale, Energy, Free, Nodes, Count };
    std::vector<double> sums(Count, 0.0);
    double largest = 0;
    for (size_t dof = 0; dof < m.dofCount(); ++dof) {
        if (!system.counted(dof)) {
            continue;
        }
        const size_t c = dof % m.dofsPerNode;
        const double external = system.externalForce(dof);
        const bool planar = c < 2; // the summary's forces are the plane components
        sums[AppliedX + (planar ? c : 0)] += planar ? external : 0.0;
        sums[Scale] += std::fabs(external);
        if (system.fixed(dof)) {
            const double reaction = a.internalForce[dof] - external;
            sums[ReactionX + (planar ? c : 0)] += planar ? reaction : 0.0;
            sums[Scale] += std::fabs(reaction);
        } else {
            sums[Free] += 1;
        }
        sums[Energy] += 0.5 * a.u[dof] * a.internalForce[dof];
        sums[Nodes] += c == 0 ? 1 : 0;
    }
    for (size_t node = 0; node < m.nodeCount(); ++node) {
        largest = std::max(
            largest, std::hypot(a.u[m.displacementDof(node, 0)], a.u[m.displacementDof(node, 1)]));
    }
    reduce(sums, MPI_SUM);
    a.applied[0] = sums[AppliedX];
    a.applied[1] = sums[AppliedY];
    a.reaction[0] = sums[ReactionX];
    a.reaction[1] = sums[ReactionY];
    a.forceScale = sums[Scale];
    a.strainEnergy = sums[Energy];
    a.unknowns = static_cast<size_t>(sums[Free]);
    a.nodeCount = static_cast<size_t>(sums[Nodes]);
    a.elementCount = static_cast<size_t>(cells);
    a.maxDisplacement = reduced(largest, MPI_MAX);
}

ErrorNorms sharedErrors(const Analysis& a, const Problem& problem, const ElementKernels& kernels) {
    const ErrorSums piece =
        errorSums(a.model, a.gpostNames, a.post, a.u, exactSolutionOf(a, *problem.exact),
                  kernels.record(0).intPoints, kernels.pointCount());
    std::vector<double> sums{piece.errorL2, piece.normL2, piece.errorEnergy, piece.normEnergy};
    std::vector<double> maxima{piece.largestDifference, piece.largestExact};
    reduce(sums, MPI_SUM);
    reduce(maxima, MPI_MAX);
    return normsOf({sums[0], sums[1], sums[2], sums[3], maxima[0], maxima[1]});
}

// Each stage as the job saw it: the slowest rank's time, the memory of every rank together.
void reduceStages(std::vector<StageCost>& stages) {
    std::vector<double> seconds, bytes;
    for (const StageCost& stage : stages) {
        seconds.push_back(stage.seconds);
        bytes.push_back(static_cast<double>(stage.peakBytes));
    }
    reduce(seconds, MPI_MAX);
    reduce(bytes, MPI_SUM);
    for (size_t k = 0; k < stages.size(); ++k) {
        stages[k].seconds = seconds[k];
        stages[k].peakBytes = static_cast<decltype(stages[k].peakBytes)>(bytes[k]);
    }
}

// One level: the coarse mesh refined `level` times in pieces, solved and post-processed.
Analysis solvePieces(const Mesh& coarse, int level, const Problem& problem,
                     const ElementLibrary& library, Progress& progress, LevelSolution& solution) {
    StageClock clock;
    Analysis a;
    progress("distributing and refining the mesh");
    auto mesh = std::make_unique<DistributedMesh>(coarse, level);
    const long long cells = mesh->globalCellCount();
    clock.finish(a.stages, "mesh");
    progress("building the pieces");
    const ElementDescription description(library, problem.intCode, -1);
    {
        // The piece as a mesh lives only until its model is built.
        const Mesh local = mesh->localPiece();
        if (reduced(static_cast<double>(surfaceElements(local)), MPI_MIN) == 0) {
            throw EveryRankError("a rank holds no element of the " + std::to_string(cells) +
                                 "-element mesh at level " + std::to_string(level) +
                                 "; run on fewer ranks or refine the coarse mesh");
        }
        const std::vector<char> owned = mesh->ownedNodes();
        a.model = buildModel(local, problem, description.traits(), ModelExtent::Piece, &owned);
    }
    a.gpostNames = description.gpostNames();
    a.npostNames = description.npostNames();
    for (const std::string& dataName : description.dataNames()) {
        a.dataKeys.push_back(dataKey(dataName));
    }
    ElementKernels kernels(library, a.model, problem.intCode);
    a.intCode = kernels.intCode();
    const DistributedAssembly assembly(*mesh, a.model);
    // The assembly keeps the numbering it needs; the plex (the mesh before its last refinement)
    // goes before the matrix and the multigrid hierarchy are built.
    std::vector<VertexInterpolation> interpolations = mesh->takeInterpolations();
    mesh.reset();
    // The matrix and the multigrid hierarchy go before the post-processing, which needs their
    // memory more.
    auto system = std::make_unique<DistributedNewtonSystem>(a.model, kernels, assembly,
                                                            std::move(interpolations));
    clock.finish(a.stages, "model");

    const NewtonSettings settings{problem.solve.steps, problem.solve.maxIterations,
                                  problem.solve.tolerance};
    NewtonResult result = solveNewton(
        *system, settings, [&](const std::string& s) { progress(s); }, clock, a.stages);
    a.linearSolver = system->summary();
    a.nonzeros = system->matrixEntries();
    solution = takeNewtonResult(a, std::move(result),
                                [&](Analysis& solved) { summarizePieces(solved, *system, cells); });
    system.reset();

    clock = StageClock();
    progress("post-processing");
    a.post = postProcess(a.model, kernels, a.u);
    shareNodeAverages(a.post, a.model, assembly);
    if (problem.exact) {
        a.errors = sharedErrors(a, problem, kernels);
    }
    clock.finish(a.stages, "post");
    reduceStages(a.stages);
    return a;
}

int solveOnRanks(const SolveOptions& options, const Problem& problem, const ElementLibrary& library,
                 std::ostream& printed) {
    const auto start = std::chrono::steady_clock::now();
    const bool reporting = thisRank() == 0;
    std::ostringstream silent;
    std::ostream& out = reporting ? printed : silent;
    Progress progress(reporting);
    const ElementTraits traits = ElementDescription(library, problem.intCode, -1).traits();
    Mesh coarse;
    if (reporting) {
        requireWritableFolder(options.output);
        coarse = coarseMesh(problem, options, traits, progress);
    }
    // The others write into the folder that rank 0 has made; a rank that cannot ends the job.
    MPI_Barrier(PETSC_COMM_WORLD);
    if (!reporting) {
        requireWritableFolder(options.output);
    }

    out << "problem " << options.problem
        << (problem.title.empty() ? "" : " (" + problem.title + ")") << "\n";
    out << "element " << library.path() << "\n";
    out << "ranks " << rankCount() << ", the mesh distributed and refined by PETSc\n";
    std::vector<Analysis> levels;
    for (int level = 0; level <= options.refine; ++level) {
        LevelSolution solution;
        Analysis a = solvePieces(coarse, level, problem, library, progress, solution);
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
        writeDistributedResults(options.output, name, problem, levels);
    clock.finish(output, "output");
    reduceStages(output);
    progress.clear();
    printWritten(levels.back(), written, out);
    const double total = reduced(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), MPI_MAX);
    const double peak = reduced(residentPeakBytes(), MPI_SUM);
    out << "\noutput " << std::fixed << std::setprecision(3) << output.front().seconds << " s";
    out << "\ntotal " << std::setprecision(2) << total
        << " s, memory high-water MiB summed over the ranks " << std::setprecision(0)
        << peak / (1024.0 * 1024.0) << "\n";
    return 0;
}

} // namespace

int runDistributedSolve(const SolveOptions& options, const Problem& problem,
                        const ElementLibrary& library, std::ostream& out) {
    try {
        return solveOnRanks(options, problem, library, out);
    } catch (const NotConvergedError&) {
        // Convergence is judged from figures reduced over the ranks: every rank fails here.
        if (thisRank() == 0) {
            throw;
        }
        return 3;
    } catch (const EveryRankError&) {
        if (thisRank() == 0) {
            throw;
        }
        return 1;
    } catch (const std::exception& error) {
        out.flush();
        MPI_Abort(PETSC_COMM_WORLD, reportFailure(error));
    }
    return 1;
}

} // namespace xefhost
