// The distributed mesh on however many ranks mpirun starts: refinement after distribution keeps
// every cell, line and group of the coarse mesh, no rank holds the whole fine mesh, each rank's
// piece builds into a model as a mesh of one process would, the elements assembled on the pieces
// give the one-process assembly's forces and energy, and Newton's loop on the pieces solves the
// loaded strip as CHOLMOD does on one process.
#include "assembly.h"
#include "distributed_assembly.h"
#include "distributed_mesh.h"
#include "distributed_newton_system.h"
#include "element_description.h"
#include "element_partition.h"
#include "grid_mesh.h"
#include "mesh_refinement.h"
#include "model.h"
#include "petsc_environment.h"
#include "petsc_runtime.h"
#include "solve_level.h"
#include "uniform_refinement.h"

#include <petscdmplex.h>
#include <petscsys.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace {

using namespace xefhost;

constexpr int kColumns = 10, kRows = 2;

// [0, 10] x [0, 1] in 10 x 2 squares, each two triangles or one quadrilateral, its left and right
// edges and its lower left corner as physical groups; read on rank 0 only.
// With `mixed`, the cells right of x = 5 are the group "right" (tag 5) and those of the first
// square are in no group (tag 0), so that the cell groups are not all one.
Mesh coarseStrip(bool quadrilaterals = false, bool mixed = false) {
    molrtest::TriangleMesh grid;
    molrtest::addRectangle(grid, 0, 0, 10, 1, kColumns, kRows);
    Mesh mesh;
    mesh.coords = grid.coords;
    for (size_t n = 0; n < grid.coords.size() / 3; ++n) {
        mesh.nodeIds.push_back(static_cast<int64_t>(n + 1));
    }
    ElementBlock triangles{2, 2, 3, {}, {}, grid.triangles};
    for (size_t e = 0; e < grid.triangles.size() / 3; ++e) {
        triangles.ids.push_back(static_cast<int64_t>(e + 1));
        triangles.physicalTag.push_back(3);
    }
    ElementBlock lines{1, 1, 2, {}, {}, {}};
    for (int j = 0; j < kRows; ++j) {
        const int32_t left = j * (kColumns + 1), right = left + kColumns;
        lines.connectivity.insert(lines.connectivity.end(),
                                  {left, left + kColumns + 1, right, right + kColumns + 1});
        lines.physicalTag.insert(lines.physicalTag.end(), {1, 2});
        lines.ids.insert(lines.ids.end(), {100 + 2 * j, 101 + 2 * j});
    }
    if (quadrilaterals) {
        triangles = ElementBlock{3, 2, 4, {}, {}, {}};
        for (int j = 0; j < kRows; ++j) {
            for (int i = 0; i < kColumns; ++i) {
                const int32_t corner = j * (kColumns + 1) + i;
                triangles.connectivity.insert(
                    triangles.connectivity.end(),
                    {corner, corner + 1, corner + kColumns + 2, corner + kColumns + 1});
                triangles.ids.push_back(static_cast<int64_t>(triangles.ids.size() + 1));
                triangles.physicalTag.push_back(3);
            }
        }
    }
    for (size_t e = 0; mixed && e < triangles.size(); ++e) {
        double x = 0, y = 0;
        for (int k = 0; k < triangles.nodesPerElement; ++k) {
            x += mesh.coords[3 * triangles.connectivity[e * triangles.nodesPerElement + k]];
            y += mesh.coords[3 * triangles.connectivity[e * triangles.nodesPerElement + k] + 1];
        }
        x /= triangles.nodesPerElement;
        y /= triangles.nodesPerElement;
        triangles.physicalTag[e] = x > 5 ? 5 : x < 1 && y < 0.5 ? 0 : 3;
    }
    if (mixed) {
        // Every other edge, each once, as the group "edges": some lie between two ranks' cells.
        std::set<std::pair<int32_t, int32_t>> edges;
        const int corners = triangles.nodesPerElement;
        for (size_t e = 0; e < triangles.size(); ++e) {
            for (int k = 0; k < corners; ++k) {
                const int32_t a = triangles.connectivity[e * corners + k];
                const int32_t b = triangles.connectivity[e * corners + (k + 1) % corners];
                const bool side = a % (kColumns + 1) == b % (kColumns + 1) &&
                                  (a % (kColumns + 1) == 0 || a % (kColumns + 1) == kColumns);
                if (!side) {
                    edges.insert({std::min(a, b), std::max(a, b)});
                }
            }
        }
        for (const auto& [a, b] : edges) {
            lines.connectivity.insert(lines.connectivity.end(), {a, b});
            lines.physicalTag.push_back(7);
            lines.ids.push_back(static_cast<int64_t>(1000 + lines.ids.size()));
        }
    }
    ElementBlock corner{15, 0, 1, {200}, {4}, {0}};
    mesh.blocks = {lines, triangles, corner};
    mesh.groups = {{1, 1, "left"}, {1, 2, "right"}, {2, 3, "strip"}, {0, 4, "corner"}};
    if (mixed) {
        mesh.groups.push_back({2, 5, "right half"});
        mesh.groups.push_back({1, 7, "edges"});
    }
    return mesh;
}

long long sum(long long value) {
    long long total = 0;
    MPI_Allreduce(&value, &total, 1, MPI_LONG_LONG, MPI_SUM, MPI_COMM_WORLD);
    return total;
}

double sum(double value) {
    double total = 0;
    MPI_Allreduce(&value, &total, 1, MPI_DOUBLE, MPI_SUM, MPI_COMM_WORLD);
    return total;
}

// Summed over this rank's lines of one physical tag.
double lineLength(const Mesh& mesh, int tag) {
    double length = 0;
    for (const ElementBlock& block : mesh.blocks) {
        for (size_t e = 0; block.gmshType == 1 && e < block.size(); ++e) {
            if (block.physicalTag[e] == tag) {
                const int32_t a = block.connectivity[2 * e], b = block.connectivity[2 * e + 1];
                length += std::hypot(mesh.coords[3 * a] - mesh.coords[3 * b],
                                     mesh.coords[3 * a + 1] - mesh.coords[3 * b + 1]);
            }
        }
    }
    return length;
}

// The cells' areas by the shoelace formula: a cell whose corners come out of cyclic order (a
// crossed quadrilateral) falls short of the strip's area.
double area(const Mesh& mesh) {
    double total = 0;
    for (const ElementBlock& cells : mesh.blocks) {
        const int corners = cells.nodesPerElement;
        for (size_t e = 0; cells.dimension == 2 && e < cells.size(); ++e) {
            double twice = 0;
            for (int k = 0; k < corners; ++k) {
                const double* a = &mesh.coords[3 * cells.connectivity[e * corners + k]];
                const double* b =
                    &mesh.coords[3 * cells.connectivity[e * corners + (k + 1) % corners]];
                twice += a[0] * b[1] - b[0] * a[1];
            }
            total += std::fabs(twice) / 2;
        }
    }
    return total;
}

TEST(DistributedMesh, RefinementAfterDistributionKeepsEveryCellLineAndGroup) {
    int rank = 0, ranks = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &ranks);
    const std::filesystem::path folder = std::filesystem::path(MOLR_BINARY_DIR) /
                                         "distributed-mesh" /
                                         (std::to_string(ranks) + "-" + std::to_string(rank));
    std::filesystem::create_directories(folder);
    // Groups every piece has: a group missing from a piece would need the check across ranks
    // that the one-process model does not make.
    std::ofstream(folder / "p.toml")
        << "[mesh]\nfile = \"unused.msh\"\n[[fix]]\ngroup = \"strip\"\n"
           "x = 0.0\n";
    const Problem problem = readProblem((folder / "p.toml").string());
    for (const bool quadrilaterals : {false, true}) {
        const Mesh coarse = rank == 0 ? coarseStrip(quadrilaterals) : Mesh{};
        const int corners = quadrilaterals ? 4 : 3;
        ElementTraits traits;
        traits.topology = quadrilaterals ? "Q1" : "T1";
        traits.dimensions = 2;
        traits.nodeCount = corners;
        traits.nodeDofs.assign(corners, 2);
        traits.dofCount = 2 * corners;
        for (int refinements = 0; refinements <= 2; ++refinements) {
            const DistributedMesh mesh(coarse, refinements);
            const Mesh piece = mesh.localPiece();
            const long long scale = 1LL << (2 * refinements);
            const ElementBlock* cells = piece.block(quadrilaterals ? 3 : 2);
            const long long local = cells ? static_cast<long long>(cells->size()) : 0;
            EXPECT_EQ(mesh.globalCellCount(),
                      (quadrilaterals ? 1LL : 2LL) * kColumns * kRows * scale);
            EXPECT_EQ(sum(local), mesh.globalCellCount());
            if (ranks > 1) {
                EXPECT_LT(local, mesh.globalCellCount()) << "rank " << rank << " holds every cell";
            }
            EXPECT_NEAR(sum(area(piece)), 10.0, 1e-12);
            EXPECT_NEAR(sum(lineLength(piece, 1)), 1.0, 1e-12);
            EXPECT_NEAR(sum(lineLength(piece, 2)), 1.0, 1e-12);
            EXPECT_EQ(piece.groups.size(), 4u);
            // Each shared vertex has one owner: the owned ones number the fine mesh's vertices.
            const std::vector<char> owned = mesh.ownedNodes();
            const long long columns = kColumns << refinements, rows = kRows << refinements;
            EXPECT_EQ(sum(static_cast<long long>(std::count(owned.begin(), owned.end(), 1))),
                      (columns + 1) * (rows + 1));
            if (local > 0) {
                const Model model = buildModel(piece, problem, traits);
                EXPECT_EQ(model.elementCount(), static_cast<size_t>(local));
            }
        }
    }
}

// The cells' groups survive distribution and refinement whatever their mix, ungrouped cells
// included: each group keeps its area. A group of lines inside the mesh keeps its length, each
// line on one rank only, though some lie between two ranks' cells.
TEST(DistributedMesh, RefinementKeepsEveryCellGroup) {
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    for (const bool quadrilaterals : {false, true}) {
        const Mesh coarse = rank == 0 ? coarseStrip(quadrilaterals, true) : Mesh{};
        double edgeLength = rank == 0 ? lineLength(coarse, 7) : 0.0;
        MPI_Bcast(&edgeLength, 1, MPI_DOUBLE, 0, MPI_COMM_WORLD);
        // Inner lines: 3 rows of 10, 9 columns of 2 halves, and the triangles' diagonals.
        EXPECT_NEAR(edgeLength, 30 + 9 + (quadrilaterals ? 0 : 20 * std::sqrt(1.25)), 1e-12);
        for (int refinements = 0; refinements <= 2; ++refinements) {
            const DistributedMesh mesh(coarse, refinements);
            const Mesh piece = mesh.localPiece();
            std::map<int, double> areaOf;
            for (const ElementBlock& cells : piece.blocks) {
                for (size_t e = 0; cells.dimension == 2 && e < cells.size(); ++e) {
                    const int32_t* corner = &cells.connectivity[e * cells.nodesPerElement];
                    double twice = 0;
                    for (int k = 0; k < cells.nodesPerElement; ++k) {
                        const double* p = &piece.coords[3 * corner[k]];
                        const double* q =
                            &piece.coords[3 * corner[(k + 1) % cells.nodesPerElement]];
                        twice += p[0] * q[1] - q[0] * p[1];
                    }
                    areaOf[cells.physicalTag[e]] += std::fabs(twice) / 2;
                }
            }
            EXPECT_NEAR(sum(areaOf[0]), 0.5, 1e-12) << refinements << " refinements";
            EXPECT_NEAR(sum(areaOf[3]), 4.5, 1e-12) << refinements << " refinements";
            EXPECT_NEAR(sum(areaOf[5]), 5.0, 1e-12) << refinements << " refinements";
            EXPECT_NEAR(sum(lineLength(piece, 7)), edgeLength, 1e-12)
                << refinements << " refinements";
        }
    }
}

// A quadratic displacement field, so that every element strains differently.
std::vector<double> field(const Model& model) {
    std::vector<double> u(model.dofCount());
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        const double x = model.coords[3 * n], y = model.coords[3 * n + 1];
        u[2 * n] = 0.01 * x + 0.02 * y * y;
        u[2 * n + 1] = -0.03 * x * y + 0.005 * x * x;
    }
    return u;
}

TEST(DistributedAssembly, GivesTheOneProcessForcesAndEnergyOnTheSameFineMesh) {
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    const Mesh coarse = rank == 0 ? coarseStrip() : Mesh{};
    const std::filesystem::path folder =
        std::filesystem::path(MOLR_BINARY_DIR) / "distributed-assembly" / std::to_string(rank);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "p.toml")
        << "[mesh]\nfile = \"unused.msh\"\n[[fix]]\ngroup = \"strip\"\nx = 0.0\n";
    const Problem problem = readProblem((folder / "p.toml").string());
    const ElementLibrary library(MOLR_MODULE_PATH);
    const ElementTraits traits = ElementDescription(library, -1, -1).traits();
    for (int refinements = 0; refinements <= 2; ++refinements) {
        // One process: rank 0 refines the whole mesh itself and assembles as solve does.
        double reference[2] = {0, 0}; // u . f, f . f
        if (rank == 0) {
            Mesh fine = coarse;
            for (int level = 0; level < refinements; ++level) {
                fine = refineUniformly(fine);
            }
            const Model model = buildModel(fine, problem, traits);
            ElementKernels kernels(library, model, -1);
            const std::vector<double> u = field(model);
            std::vector<double> force;
            assemble(model, kernels, partitionElements(model, meshOrderOfElements(model), 1), u,
                     {&force, nullptr, nullptr});
            for (size_t dof = 0; dof < u.size(); ++dof) {
                reference[0] += u[dof] * force[dof];
                reference[1] += force[dof] * force[dof];
            }
        }
        MPI_Bcast(reference, 2, MPI_DOUBLE, 0, MPI_COMM_WORLD);

        const DistributedMesh mesh(coarse, refinements);
        const Model piece = buildModel(mesh.localPiece(), problem, traits);
        ElementKernels kernels(library, piece, -1);
        const DistributedAssembly assembly(mesh, piece);
        Mat stiffness = assembly.createMatrix();
        Vec u = assembly.createVector(), force = assembly.createVector(),
            product = assembly.createVector();
        assembly.scatter(field(piece), u);
        assembly.assemble(kernels, u, force, stiffness);
        PetscInt blockSize = 0, rows = 0;
        MatGetBlockSize(stiffness, &blockSize);
        MatGetSize(stiffness, &rows, nullptr);
        EXPECT_EQ(blockSize, 2);
        EXPECT_EQ(rows, 2 * ((kColumns << refinements) + 1) * ((kRows << refinements) + 1));
        PetscScalar work = 0, squared = 0, energy = 0;
        MatMult(stiffness, u, product);
        VecDot(u, force, &work);
        VecDot(force, force, &squared);
        VecDot(u, product, &energy);
        EXPECT_NEAR(work, reference[0], 1e-12 * std::fabs(reference[0]));
        EXPECT_NEAR(squared, reference[1], 1e-12 * reference[1]);
        // A linear element's internal force is K u.
        EXPECT_NEAR(energy, reference[0], 1e-12 * std::fabs(reference[0]));
        VecDestroy(&u);
        VecDestroy(&force);
        VecDestroy(&product);
        MatDestroy(&stiffness);
    }
}

// Positions of the vertices this rank owns, as a vector in the order of the vertices' global
// numbers: what a linear field (x, y) is worth on them.
Vec vertexPositions(DM dm) {
    PetscInt vStart = 0, vEnd = 0;
    DMPlexGetDepthStratum(dm, 0, &vStart, &vEnd);
    IS numbering = nullptr;
    DMPlexGetVertexNumbering(dm, &numbering);
    const PetscInt* number = nullptr;
    ISGetIndices(numbering, &number);
    PetscInt owned = 0;
    for (PetscInt v = vStart; v < vEnd; ++v) {
        owned += number[v - vStart] >= 0;
    }
    Vec coordinates = nullptr, positions = nullptr;
    PetscSection section = nullptr;
    DMGetCoordinatesLocal(dm, &coordinates);
    DMGetCoordinateSection(dm, &section);
    VecCreateMPI(PETSC_COMM_WORLD, 2 * owned, PETSC_DETERMINE, &positions);
    const PetscScalar* xy = nullptr;
    VecGetArrayRead(coordinates, &xy);
    for (PetscInt v = vStart; v < vEnd; ++v) {
        if (number[v - vStart] >= 0) {
            PetscInt offset = 0;
            PetscSectionGetOffset(section, v, &offset);
            const PetscInt at[2] = {2 * number[v - vStart], 2 * number[v - vStart] + 1};
            VecSetValues(positions, 2, at, xy + offset, INSERT_VALUES);
        }
    }
    VecRestoreArrayRead(coordinates, &xy);
    ISRestoreIndices(numbering, &number);
    VecAssemblyBegin(positions);
    VecAssemblyEnd(positions);
    return positions;
}

// Positions of the nodes of a piece that its rank owns, in the order of their global numbers.
Vec nodePositions(const Mesh& piece, const std::vector<char>& owned) {
    Vec positions = nullptr;
    VecCreateMPI(PETSC_COMM_WORLD,
                 2 * static_cast<PetscInt>(std::count(owned.begin(), owned.end(), 1)),
                 PETSC_DETERMINE, &positions);
    for (size_t n = 0; n < owned.size(); ++n) {
        if (owned[n]) {
            const PetscInt at[2] = {2 * static_cast<PetscInt>(piece.nodeIds[n] - 1),
                                    2 * static_cast<PetscInt>(piece.nodeIds[n] - 1) + 1};
            VecSetValues(positions, 2, at, &piece.coords[3 * n], INSERT_VALUES);
        }
    }
    VecAssemblyBegin(positions);
    VecAssemblyEnd(positions);
    return positions;
}

// The prolongation of `interpolation` carries the positions `from` to `expected` (which it
// destroys, with `from`), and its rows sum to one.
void expectCarries(const VertexInterpolation& interpolation, Vec from, Vec expected,
                   const std::string& what) {
    const OwnedMat vector = prolongationMatrix(interpolation, 2);
    Vec carried = nullptr;
    VecDuplicate(expected, &carried);
    ASSERT_EQ(MatMult(vector.get(), from, carried), 0) << what;
    PetscReal largest = 0, error = 1;
    VecNorm(expected, NORM_INFINITY, &largest);
    VecAXPY(carried, -1.0, expected);
    VecNorm(carried, NORM_INFINITY, &error);
    EXPECT_LE(error, 1e-14 * largest) << what;
    EXPECT_GT(largest, 9.9) << what;

    const OwnedMat scalar = prolongationMatrix(interpolation, 1);
    Vec ones = nullptr, spread = nullptr;
    MatCreateVecs(scalar.get(), &ones, &spread);
    VecSet(ones, 1.0);
    MatMult(scalar.get(), ones, spread);
    PetscReal low = 0, high = 0;
    VecMin(spread, nullptr, &low);
    VecMax(spread, nullptr, &high);
    EXPECT_NEAR(low, 1.0, 1e-15) << what;
    EXPECT_NEAR(high, 1.0, 1e-15) << what;
    for (Vec* v : {&from, &expected, &carried, &ones, &spread}) {
        VecDestroy(v);
    }
}

// Every fine vertex is a coarse vertex, an edge's midpoint or a quadrilateral's centre, so the
// prolongation carries a linear field exactly: the coarse positions become the fine ones, on
// triangles and quadrilaterals, twice refined, however the ranks split the mesh, both where
// PETSc refines the plex and where the last refinement is made straight into the piece (whose
// node numbers must then follow the coarse plex's vertex numbers as the refined plex's would).
// Its rows also sum to one, which a scalar field checks.
TEST(UniformRefinement, ProlongationCarriesTheCoarsePositionsToTheFineVertices) {
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    for (const bool quadrilaterals : {false, true}) {
        const Mesh coarseMesh = rank == 0 ? coarseStrip(quadrilaterals) : Mesh{};
        const DistributedMesh mesh(coarseMesh, 0);
        DM coarse = mesh.plex();
        std::vector<DM> owned;
        for (int refinement = 0; refinement < 2; ++refinement) {
            VertexInterpolation interpolation;
            DM fine = refineUniformly(coarse, interpolation);
            owned.push_back(fine);
            expectCarries(interpolation, vertexPositions(coarse), vertexPositions(fine),
                          "plex, refinement " + std::to_string(refinement));
            coarse = fine;
        }
        for (DM& dm : owned) {
            DMDestroy(&dm);
        }
        for (int refinements = 1; refinements <= 2; ++refinements) {
            DistributedMesh refined(coarseMesh, refinements);
            const std::vector<VertexInterpolation> interpolations = refined.takeInterpolations();
            ASSERT_EQ(interpolations.size(), static_cast<size_t>(refinements));
            expectCarries(interpolations.back(), vertexPositions(refined.plex()),
                          nodePositions(refined.localPiece(), refined.ownedNodes()),
                          "piece, refinement " + std::to_string(refinements));
        }
    }
}

// The strip clamped on the left and pulled down on the right: strain energy, vertical reaction
// and largest displacement.
struct StripFigures {
    double energy = 0, reaction = 0, largest = 0;
};

TEST(DistributedNewton, SolvesTheLoadedStripAsCholmodDoesOnOneProcess) {
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    const Mesh coarse = rank == 0 ? coarseStrip() : Mesh{};
    const std::filesystem::path folder =
        std::filesystem::path(MOLR_BINARY_DIR) / "distributed-newton" / std::to_string(rank);
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "p.toml")
        << "[mesh]\nfile = \"unused.msh\"\n[[material]]\nE = 1000.0\nnu = 0.3\n"
           "[[fix]]\ngroup = \"left\"\nx = 0.0\ny = 0.0\n"
           "[[traction]]\ngroup = \"right\"\nvector = [0.0, -1.0]\n";
    const Problem problem = readProblem((folder / "p.toml").string());
    const ElementLibrary library(MOLR_MODULE_PATH);
    const ElementTraits traits = ElementDescription(library, -1, -1).traits();
    for (int refinements = 0; refinements <= 2; ++refinements) {
        StripFigures reference;
        if (rank == 0) {
            Mesh fine = coarse;
            for (int level = 0; level < refinements; ++level) {
                fine = refineUniformly(fine);
            }
            Analysis analysis;
            analysis.model = buildModel(fine, problem, traits);
            ElementKernels kernels(library, analysis.model, -1);
            solveLevel(analysis, kernels, [](const std::string&) {});
            reference = {analysis.strainEnergy, analysis.reaction[1], analysis.maxDisplacement};
        }
        MPI_Bcast(&reference, 3, MPI_DOUBLE, 0, MPI_COMM_WORLD);

        // Algebraic multigrid, and geometric multigrid over the refinements where there are any.
        for (const bool geometric : {false, true}) {
            if (geometric && refinements == 0) {
                continue;
            }
            DistributedMesh mesh(coarse, refinements);
            const Model piece = buildModel(mesh.localPiece(), problem, traits, ModelExtent::Piece);
            ElementKernels kernels(library, piece, -1);
            const DistributedAssembly assembly(mesh, piece);
            DistributedNewtonSystem system(piece, kernels, assembly,
                                           geometric ? mesh.takeInterpolations()
                                                     : std::vector<VertexInterpolation>{});
            StageClock clock;
            std::vector<StageCost> stages;
            const NewtonResult result = solveNewton(
                system, NewtonSettings{}, [](const std::string&) {}, clock, stages);
            EXPECT_NE(system.summary().find(geometric ? " with mg" : " with gamg"),
                      std::string::npos)
                << system.summary();
            StripFigures figures;
            for (size_t dof = 0; dof < piece.dofCount(); ++dof) {
                if (system.counted(dof)) {
                    figures.energy += 0.5 * result.u[dof] * result.internalForce[dof];
                    figures.reaction += system.fixed(dof) && dof % 2 == 1
                                            ? result.internalForce[dof] - system.externalForce(dof)
                                            : 0.0;
                }
            }
            for (size_t node = 0; node < piece.nodeCount(); ++node) {
                figures.largest = std::max(figures.largest,
                                           std::hypot(result.u[2 * node], result.u[2 * node + 1]));
            }
            EXPECT_NEAR(system.sum(figures.energy), reference.energy, 1e-8 * reference.energy);
            EXPECT_NEAR(system.sum(figures.reaction), reference.reaction, 1e-8);
            EXPECT_NEAR(system.max(figures.largest), reference.largest, 1e-8 * reference.largest);
            EXPECT_EQ(result.factorizations, 1);
        }
    }
}

} // namespace
