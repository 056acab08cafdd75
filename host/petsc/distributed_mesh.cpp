#include "distributed_mesh.h"

#include "petsc_runtime.h"
#include "plex_piece.h"
#include "uniform_refinement.h"

#include <petscdmplex.h>

#include <algorithm>
#include <map>
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace xefhost {

namespace {

int rank() {
    PetscMPIInt r = 0;
    MPI_Comm_rank(PETSC_COMM_WORLD, &r);
    return r;
}

// The physical groups' names, from rank 0 to every rank, as "dimension tag name" lines.
std::vector<PhysicalGroup> sharedGroups(const std::vector<PhysicalGroup>& groups) {
    std::string text;
    for (const PhysicalGroup& g : groups) {
        text += std::to_string(g.dimension) + " " + std::to_string(g.tag) + " " + g.name + "\n";
    }
    int length = static_cast<int>(text.size());
    MPI_Bcast(&length, 1, MPI_INT, 0, PETSC_COMM_WORLD);
    text.resize(static_cast<size_t>(length));
    MPI_Bcast(text.data(), length, MPI_CHAR, 0, PETSC_COMM_WORLD);
    std::vector<PhysicalGroup> shared;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        const size_t first = line.find(' '), second = line.find(' ', first + 1);
        shared.push_back({std::stoi(line.substr(0, first)),
                          std::stoi(line.substr(first + 1, second - first - 1)),
                          line.substr(second + 1)});
        start = end + 1;
    }
    return shared;
}

// The one surface block the distributed path takes, or MeshError.
const ElementBlock& surfaceBlock(const Mesh& mesh) {
    const ElementBlock* surface = nullptr;
    for (const ElementBlock& block : mesh.blocks) {
        if (block.dimension == 2 && block.size() > 0) {
            if (surface || (block.gmshType != 2 && block.gmshType != 3)) {
                throw MeshError("the distributed mesh takes one kind of surface element, 3-node "
                                "triangles or 4-node quadrilaterals; this mesh has Gmsh type " +
                                std::to_string(block.gmshType) +
                                (surface ? " beside " + std::to_string(surface->gmshType) : ""));
            }
            surface = &block;
        }
        if ((block.dimension == 1 && block.gmshType != 1) || block.dimension == 3) {
            throw MeshError(
                "the distributed mesh takes 2-node lines only; this mesh has Gmsh type " +
                std::to_string(block.gmshType));
        }
    }
    if (!surface) {
        throw MeshError("the mesh has no surface elements to distribute");
    }
    return *surface;
}

} // namespace

struct DistributedMesh::Plex {
    DM dm = nullptr;
    ~Plex() { DMDestroy(&dm); }

    // Makes dm the distributed, then refined, plex; the old one goes.
    void replace(DM next) {
        if (next) {
            DMDestroy(&dm);
            dm = next;
        }
    }
};

DistributedMesh::DistributedMesh(const Mesh& coarse, int refinements)
    : plex_(std::make_unique<Plex>()) {
    const bool root = rank() == 0;
    std::vector<PetscInt> cells;
    std::vector<PetscReal> coords;
    std::vector<int32_t> vertexOf; // mesh node -> plex vertex, -1 where no cell uses it
    PetscInt corners = 0, cellCount = 0, vertexCount = 0;
    const ElementBlock* surface = nullptr;
    if (root) {
        surface = &surfaceBlock(coarse);
        corners = surface->nodesPerElement;
        cellCount = static_cast<PetscInt>(surface->size());
        vertexOf.assign(coarse.nodeCount(), -1);
        for (const int32_t node : surface->connectivity) {
            if (vertexOf[node] < 0) {
                vertexOf[node] = static_cast<int32_t>(vertexCount++);
                coords.push_back(coarse.coords[3 * static_cast<size_t>(node)]);
                coords.push_back(coarse.coords[3 * static_cast<size_t>(node) + 1]);
            }
            cells.push_back(vertexOf[node]);
        }
    }
    MPI_Bcast(&corners, 1, MPIU_INT, 0, PETSC_COMM_WORLD);
    requirePetsc(DMPlexCreateFromCellListPetsc(PETSC_COMM_WORLD, 2, cellCount, vertexCount, corners,
                                               PETSC_TRUE, cells.data(), 2, coords.data(),
                                               &plex_->dm),
                 "making the coarse mesh a plex");
    DM dm = plex_->dm;
    for (const char* label : {kCellSets, kFaceSets, kVertexSets}) {
        requirePetsc(DMCreateLabel(dm, label), "creating the group labels");
    }
    // Only the cells whose group differs from the most common one are labelled: PETSc carries
    // each label through every refinement and sorts it at each copy of the plex, which with
    // every cell labelled cost a fifth of the refinement.
    if (root) {
        std::map<int, size_t> uses;
        for (PetscInt c = 0; c < cellCount; ++c) {
            ++uses[std::max(surface->physicalTag[c], 0)];
        }
        size_t most = 0;
        for (const auto& [tag, count] : uses) {
            if (count > most) {
                most = count;
                commonCellTag_ = tag;
            }
        }
    }
    MPI_Bcast(&commonCellTag_, 1, MPI_INT, 0, PETSC_COMM_WORLD);
    if (root) {
        for (PetscInt c = 0; c < cellCount; ++c) {
            const int tag = std::max(surface->physicalTag[c], 0);
            if (tag != commonCellTag_) {
                requirePetsc(DMSetLabelValue(dm, kCellSets, c, tag > 0 ? tag : kNoGroup),
                             "labelling the cells");
            }
        }
        for (const ElementBlock& block : coarse.blocks) {
            for (size_t e = 0; block.dimension < 2 && e < block.size(); ++e) {
                if (block.physicalTag[e] <= 0) {
                    continue;
                }
                PetscInt points[2];
                bool onSurface = true;
                for (int k = 0; k < block.nodesPerElement; ++k) {
                    const int32_t vertex =
                        vertexOf[block.connectivity[e * block.nodesPerElement + k]];
                    onSurface = onSurface && vertex >= 0;
                    points[k] = cellCount + vertex;
                }
                PetscInt joined = 0;
                const PetscInt* join = nullptr;
                if (onSurface && block.dimension == 1) {
                    requirePetsc(DMPlexGetJoin(dm, 2, points, &joined, &join), "finding an edge");
                    const PetscInt edge = joined == 1 ? join[0] : -1;
                    requirePetsc(DMPlexRestoreJoin(dm, 2, points, &joined, &join),
                                 "finding an edge");
                    onSurface = edge >= 0;
                    points[0] = edge;
                }
                if (!onSurface) {
                    throw MeshError("line or point element " + std::to_string(block.ids[e]) +
                                    " does not lie on the surface mesh's edges and vertices");
                }
                requirePetsc(DMSetLabelValue(dm, block.dimension == 1 ? kFaceSets : kVertexSets,
                                             points[0], block.physicalTag[e]),
                             "labelling the lines and points");
            }
        }
    }
    DM distributed = nullptr;
    requirePetsc(DMPlexDistribute(dm, 0, nullptr, &distributed), "distributing the mesh");
    plex_->replace(distributed);
    for (int level = 0; level + 1 < refinements; ++level) {
        VertexInterpolation interpolation;
        plex_->replace(refineUniformly(plex_->dm, interpolation));
        interpolations_.push_back(std::move(interpolation));
    }
    if (refinements > 0) {
        refined_ = std::make_unique<RefinedPiece>(plex_->dm);
        interpolations_.push_back(refined_->interpolation());
    }
    groups_ = sharedGroups(root ? coarse.groups : std::vector<PhysicalGroup>{});
}

DistributedMesh::~DistributedMesh() {
    plex_.reset();
#ifdef __GLIBC__
    // The plex is millions of blocks below the allocator's mapping threshold, freed with the
    // model's arrays still above them in the heap: without a trim their pages stay resident,
    // and the matrix and the multigrid hierarchy, mapped afresh, come on top of them.
    malloc_trim(0);
#endif
}

Mesh DistributedMesh::localPiece() const {
    return refined_ ? refined_->piece(commonCellTag_, groups_)
                    : plexPiece(plex_->dm, commonCellTag_, groups_);
}

std::vector<char> DistributedMesh::ownedNodes() const {
    return refined_ ? refined_->ownedNodes() : plexOwnedVertices(plex_->dm);
}

std::vector<VertexInterpolation> DistributedMesh::takeInterpolations() {
    return std::move(interpolations_);
}

DM DistributedMesh::plex() const {
    return plex_->dm;
}

long long DistributedMesh::globalCellCount() const {
    if (refined_) {
        return refined_->globalCellCount();
    }
    PetscInt cStart = 0, cEnd = 0;
    requirePetsc(DMPlexGetHeightStratum(plex_->dm, 0, &cStart, &cEnd), "reading the cells");
    long long local = cEnd - cStart, total = 0;
    MPI_Allreduce(&local, &total, 1, MPI_LONG_LONG, MPI_SUM, PETSC_COMM_WORLD);
    return total;
}

} // namespace xefhost
