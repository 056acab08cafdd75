// Times a solve on the distributed path, stage by stage, on however many ranks mpirun starts:
// rank 0 reads a coarse mesh, the mesh is distributed and refined, each rank assembles its piece
// and Newton's loop runs on PETSc (CG + GAMG unless the options say otherwise). Prints the
// slowest rank's time per stage, the peak memory summed over the ranks, the iterations and the
// strain energy. The set-up before Newton's loop is split into the piece (the rank's part of the
// mesh as a host Mesh), its model and kernels, the layout of its unknowns on the plex, and the
// system (the matrix, its pattern and the shared loads and fixes). Sample output (2 ranks, the
// 800,000-triangle cantilever from 500 x 50 squares):
//
//   ranks 2, cells 800000, free unknowns 804000
//   stages (slowest rank): read 0.004 s, distribute+refine 1.118 s, piece 0.090 s, model ...
//   ...
//
//   mpirun -n 2 build/bench/bench_distributed_solve COARSE.msh PROBLEM.toml REFINEMENTS [PETSc
//   options]
#include "distributed_assembly.h"
#include "distributed_mesh.h"
#include "distributed_newton_system.h"
#include "element_description.h"
#include "element_library.h"
#include "msh_reader.h"
#include "newton_solver.h"
#include "petsc_runtime.h"
#include "stage_clock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

using namespace xefhost;

namespace {

double maxOverRanks(double value) {
    double result = 0;
    MPI_Allreduce(&value, &result, 1, MPI_DOUBLE, MPI_MAX, PETSC_COMM_WORLD);
    return result;
}

double sumOverRanks(double value) {
    double result = 0;
    MPI_Allreduce(&value, &result, 1, MPI_DOUBLE, MPI_SUM, PETSC_COMM_WORLD);
    return result;
}

// Resident memory now, in bytes, where the system says; the high-water mark hides what a stage
// freed.
double residentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s COARSE.msh PROBLEM.toml REFINEMENTS [PETSc options]\n",
                     argv[0]);
        return 2;
    }
    std::vector<std::string> options(argv + 4, argv + argc);
    PetscRuntime petsc("", options);
    int rank = 0;
    MPI_Comm_rank(PETSC_COMM_WORLD, &rank);
    const auto start = std::chrono::steady_clock::now();
    std::vector<StageCost> stages;
    StageClock clock;
    const Mesh coarse = rank == 0 ? readMsh(argv[1]) : Mesh{};
    clock.finish(stages, "read");
    const Problem problem = readProblem(argv[2]);
    auto mesh = std::make_unique<DistributedMesh>(coarse, std::atoi(argv[3]));
    const long long cells = mesh->globalCellCount();
    clock.finish(stages, "distribute+refine");
    const ElementLibrary library(MOLR_MODULE_PATH);
    const ElementTraits traits = ElementDescription(library, -1, -1).traits();
    // The piece goes once its model is built, as it would in a solve.
    const Model piece = [&] {
        const Mesh local = mesh->localPiece();
        clock.finish(stages, "piece");
        return buildModel(local, problem, traits, ModelExtent::Piece);
    }();
    ElementKernels kernels(library, piece, -1);
    clock.finish(stages, "model");
    const DistributedAssembly assembly(*mesh, piece);
    // The plex goes once the unknowns are laid out, as it does in a solve.
    std::vector<VertexInterpolation> interpolations = mesh->takeInterpolations();
    mesh.reset();
    clock.finish(stages, "layout");
    const double beforeSystem = sumOverRanks(residentBytes());
    DistributedNewtonSystem system(piece, kernels, assembly, std::move(interpolations));
    clock.finish(stages, "system");
    const double afterSystem = sumOverRanks(residentBytes());
    const NewtonResult result = solveNewton(
        system, NewtonSettings{}, [](const std::string&) {}, clock, stages);
    double energy = 0;
    for (size_t dof = 0; dof < piece.dofCount(); ++dof) {
        energy += system.counted(dof) ? 0.5 * result.u[dof] * result.internalForce[dof] : 0.0;
    }
    energy = sumOverRanks(energy);
    double unknowns = 0;
    for (size_t dof = 0; dof < piece.dofCount(); ++dof) {
        unknowns += system.counted(dof) && !system.fixed(dof) ? 1 : 0;
    }
    unknowns = sumOverRanks(unknowns);
    // Nodes that more than one rank holds: the halo that every exchange sends.
    double owned = 0;
    for (size_t node = 0; node < piece.nodeCount(); ++node) {
        owned += system.counted(piece.displacementDof(node, 0)) ? 1 : 0;
    }
    const double held = sumOverRanks(static_cast<double>(piece.nodeCount()));
    owned = sumOverRanks(owned);
    const double total = maxOverRanks(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    const double peak = sumOverRanks(static_cast<double>(residentPeakBytes()));
    std::vector<double> seconds, peaks;
    for (const StageCost& stage : stages) {
        seconds.push_back(maxOverRanks(stage.seconds));
        peaks.push_back(sumOverRanks(stage.peakBytes));
    }
    if (rank == 0) {
        int ranks = 1;
        MPI_Comm_size(PETSC_COMM_WORLD, &ranks);
        std::printf("ranks %d, cells %lld, free unknowns %.0f, nodes %.0f (and %.0f copies on "
                    "the ranks that share them)\n",
                    ranks, cells, unknowns, owned, held - owned);
        std::printf("stages (slowest rank):");
        for (size_t k = 0; k < stages.size(); ++k) {
            std::printf(" %s %.3f s,", stages[k].name.c_str(), seconds[k]);
        }
        std::printf("\nhigh-water mark after each stage, summed over ranks:");
        for (size_t k = 0; k < stages.size(); ++k) {
            std::printf(" %s %.0f MiB,", stages[k].name.c_str(), peaks[k] / (1024.0 * 1024.0));
        }
        std::printf("\nresident before the system %.0f MiB, after it %.0f MiB",
                    beforeSystem / (1024.0 * 1024.0), afterSystem / (1024.0 * 1024.0));
        std::printf("\nlinear solver %s\n", system.summary().c_str());
        std::printf("strain energy %.12e, total %.2f s, peak memory summed over ranks %.0f MiB\n",
                    energy, total, peak / (1024.0 * 1024.0));
    }
    return 0;
}
