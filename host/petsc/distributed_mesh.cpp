#include "distributed_mesh.h"

#include "petsc_runtime.h"
#include "uniform_refinement.h"

#include <petscdmplex.h>
#include <petscsf.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace xefhost {

namespace {

const char* const kCellSets = "Cell Sets";
const char* const kFaceSets = "Face Sets";
const char* const kVertexSets = "Vertex Sets";
// The label value of a cell in no group where most cells are in one: a label's values are
// positive here.
const int kNoGroup = std::numeric_limits<int>::max();

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

// Each point's value of a label (0 where it has none), read stratum by stratum: asking the label
// point by point searches every stratum for every point.
std::vector<int> pointTags(DM dm, const char* name, PetscInt pStart, PetscInt pEnd) {
    std::vector<int> tags(static_cast<size_t>(pEnd - pStart), 0);
    DMLabel label = nullptr;
    requirePetsc(DMGetLabel(dm, name, &label), "reading a group label");
    if (!label) {
        return tags;
    }
    IS values = nullptr;
    requirePetsc(DMLabelGetValueIS(label, &values), "reading a group label");
    PetscInt valueCount = 0;
    const PetscInt* value = nullptr;
    ISGetLocalSize(values, &valueCount);
    ISGetIndices(values, &value);
    for (PetscInt k = 0; k < valueCount; ++k) {
        IS points = nullptr;
        requirePetsc(DMLabelGetStratumIS(label, value[k], &points), "reading a group label");
        PetscInt pointCount = 0;
        const PetscInt* point = nullptr;
        if (points) {
            ISGetLocalSize(points, &pointCount);
            ISGetIndices(points, &point);
        }
        for (PetscInt p = 0; p < pointCount; ++p) {
            if (point[p] >= pStart && point[p] < pEnd && value[k] > 0) {
                tags[point[p] - pStart] = static_cast<int>(value[k]);
            }
        }
        if (points) {
            ISRestoreIndices(points, &point);
            ISDestroy(&points);
        }
    }
    ISRestoreIndices(values, &value);
    ISDestroy(&values);
    return tags;
}

// Each local cell's global number. No cell is shared without overlap, and then a rank's cells
// follow those of the ranks before it, in order: what DMPlexGetCellNumbering gives after a pass
// over the star forest that cost more than reading the cells' vertices. Where some rank shares
// a cell, PETSc numbers them.
std::vector<PetscInt> cellNumbers(DM dm, PetscInt cStart, PetscInt cEnd) {
    PetscSF points = nullptr;
    requirePetsc(DMGetPointSF(dm, &points), "reading the point sharing");
    PetscInt roots = -1, leaves = 0;
    const PetscInt* leaf = nullptr;
    requirePetsc(PetscSFGetGraph(points, &roots, &leaves, &leaf, nullptr),
                 "reading the point sharing");
    int shared = 0;
    for (PetscInt k = 0; roots >= 0 && k < leaves; ++k) {
        const PetscInt p = leaf ? leaf[k] : k;
        shared = shared || (p >= cStart && p < cEnd);
    }
    MPI_Allreduce(MPI_IN_PLACE, &shared, 1, MPI_INT, MPI_MAX, PETSC_COMM_WORLD);
    std::vector<PetscInt> numbers(static_cast<size_t>(cEnd - cStart));
    if (shared) {
        IS global = nullptr;
        requirePetsc(DMPlexGetCellNumbering(dm, &global), "numbering the cells");
        const PetscInt* number = nullptr;
        ISGetIndices(global, &number);
        for (PetscInt c = cStart; c < cEnd; ++c) {
            numbers[c - cStart] =
                number[c - cStart] < 0 ? -(number[c - cStart] + 1) : number[c - cStart];
        }
        ISRestoreIndices(global, &number);
        return numbers;
    }
    PetscInt count = cEnd - cStart, first = 0;
    MPI_Exscan(&count, &first, 1, MPIU_INT, MPI_SUM, PETSC_COMM_WORLD);
    if (rank() == 0) {
        first = 0; // MPI leaves rank 0's result undefined
    }
    for (PetscInt c = cStart; c < cEnd; ++c) {
        numbers[c - cStart] = first + (c - cStart);
    }
    return numbers;
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
    for (int level = 0; level < refinements; ++level) {
        VertexInterpolation interpolation;
        plex_->replace(refineUniformly(plex_->dm, interpolation));
        interpolations_.push_back(std::move(interpolation));
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
    DM dm = plex_->dm;
    PetscInt cStart = 0, cEnd = 0, vStart = 0, vEnd = 0, eStart = 0, eEnd = 0;
    requirePetsc(DMPlexGetHeightStratum(dm, 0, &cStart, &cEnd), "reading the cells");
    requirePetsc(DMPlexGetDepthStratum(dm, 0, &vStart, &vEnd), "reading the vertices");
    requirePetsc(DMPlexGetDepthStratum(dm, 1, &eStart, &eEnd), "reading the edges");
    const std::vector<PetscInt> cellNumber = cellNumbers(dm, cStart, cEnd);
    IS vertexNumbers = nullptr, pointNumbers = nullptr;
    requirePetsc(DMPlexGetVertexNumbering(dm, &vertexNumbers), "numbering the vertices");
    requirePetsc(DMPlexCreatePointNumbering(dm, &pointNumbers), "numbering the points");
    const PetscInt *vertexNumber = nullptr, *pointNumber = nullptr;
    ISGetIndices(vertexNumbers, &vertexNumber);
    ISGetIndices(pointNumbers, &pointNumber);
    const auto global = [](PetscInt number) { return number < 0 ? -(number + 1) : number; };

    Mesh mesh;
    mesh.groups = groups_;
    Vec coordinates = nullptr;
    PetscSection section = nullptr;
    requirePetsc(DMGetCoordinatesLocal(dm, &coordinates), "reading the coordinates");
    requirePetsc(DMGetCoordinateSection(dm, &section), "reading the coordinates");
    const PetscScalar* xy = nullptr;
    VecGetArrayRead(coordinates, &xy);
    for (PetscInt v = vStart; v < vEnd; ++v) {
        PetscInt offset = 0;
        PetscSectionGetOffset(section, v, &offset);
        mesh.coords.insert(mesh.coords.end(), {xy[offset], xy[offset + 1], 0.0});
        mesh.nodeIds.push_back(global(vertexNumber[v - vStart]) + 1);
    }
    VecRestoreArrayRead(coordinates, &xy);

    PetscInt pStart = 0, pEnd = 0;
    requirePetsc(DMPlexGetChart(dm, &pStart, &pEnd), "reading the plex");
    const std::vector<int> cellTag = pointTags(dm, kCellSets, pStart, pEnd);
    const std::vector<int> faceTag = pointTags(dm, kFaceSets, pStart, pEnd);
    const std::vector<int> vertexTag = pointTags(dm, kVertexSets, pStart, pEnd);
    const auto label = [&](const std::vector<int>& tags, PetscInt point) {
        return tags[point - pStart];
    };
    // Vertices from the cones alone: a closure per cell asks the cell-type label of every point
    // it meets, which made reading the piece cost more than building its model.
    const auto edgeVertices = [&](PetscInt edge) {
        const PetscInt* cone = nullptr;
        DMPlexGetCone(dm, edge, &cone);
        return std::array<PetscInt, 2>{cone[0], cone[1]};
    };
    if (cEnd > cStart) {
        PetscInt sides = 0;
        requirePetsc(DMPlexGetConeSize(dm, cStart, &sides), "reading the cells");
        ElementBlock cellsBlock;
        cellsBlock.nodesPerElement = static_cast<int>(sides);
        cellsBlock.gmshType = sides == 3 ? 2 : 3;
        cellsBlock.dimension = 2;
        const size_t cellCount = static_cast<size_t>(cEnd - cStart);
        cellsBlock.ids.reserve(cellCount);
        cellsBlock.physicalTag.reserve(cellCount);
        cellsBlock.connectivity.reserve(cellCount * static_cast<size_t>(sides));
        for (PetscInt c = cStart; c < cEnd; ++c) {
            cellsBlock.ids.push_back(cellNumber[c - cStart] + 1);
            const int tag = label(cellTag, c);
            cellsBlock.physicalTag.push_back(tag == 0 ? commonCellTag_ : tag == kNoGroup ? 0 : tag);
            const PetscInt* edges = nullptr;
            DMPlexGetCone(dm, c, &edges);
            // The closure's order: each side's first vertex as the cell orients it, which is
            // the vertex it shares with the side before it.
            std::array<PetscInt, 2> previous = edgeVertices(edges[sides - 1]);
            for (PetscInt k = 0; k < sides; ++k) {
                const std::array<PetscInt, 2> side = edgeVertices(edges[k]);
                const PetscInt first =
                    side[0] == previous[0] || side[0] == previous[1] ? side[0] : side[1];
                cellsBlock.connectivity.push_back(static_cast<int32_t>(first - vStart));
                previous = side;
            }
        }
        mesh.blocks.push_back(std::move(cellsBlock));
    }
    ElementBlock lines{1, 1, 2, {}, {}, {}};
    for (PetscInt e = eStart; e < eEnd; ++e) {
        if (const int tag = label(faceTag, e)) {
            lines.ids.push_back(global(pointNumber[e]) + 1);
            lines.physicalTag.push_back(tag);
            for (const PetscInt v : edgeVertices(e)) {
                lines.connectivity.push_back(static_cast<int32_t>(v - vStart));
            }
        }
    }
    ElementBlock points{15, 0, 1, {}, {}, {}};
    for (PetscInt v = vStart; v < vEnd; ++v) {
        if (const int tag = label(vertexTag, v)) {
            points.ids.push_back(global(pointNumber[v]) + 1);
            points.physicalTag.push_back(tag);
            points.connectivity.push_back(static_cast<int32_t>(v - vStart));
        }
    }
    for (ElementBlock* block : {&lines, &points}) {
        if (block->size() > 0) {
            mesh.blocks.push_back(std::move(*block));
        }
    }
    std::sort(mesh.blocks.begin(), mesh.blocks.end(),
              [](const ElementBlock& a, const ElementBlock& b) { return a.gmshType < b.gmshType; });
    ISRestoreIndices(vertexNumbers, &vertexNumber);
    ISRestoreIndices(pointNumbers, &pointNumber);
    ISDestroy(&pointNumbers);
    return mesh;
}

std::vector<char> DistributedMesh::ownedNodes() const {
    PetscInt vStart = 0, vEnd = 0;
    requirePetsc(DMPlexGetDepthStratum(plex_->dm, 0, &vStart, &vEnd), "reading the vertices");
    IS numbers = nullptr;
    requirePetsc(DMPlexGetVertexNumbering(plex_->dm, &numbers), "numbering the vertices");
    const PetscInt* number = nullptr;
    ISGetIndices(numbers, &number);
    std::vector<char> owned(static_cast<size_t>(vEnd - vStart));
    for (PetscInt v = vStart; v < vEnd; ++v) {
        owned[v - vStart] = number[v - vStart] >= 0;
    }
    ISRestoreIndices(numbers, &number);
    return owned;
}

std::vector<VertexInterpolation> DistributedMesh::takeInterpolations() {
    return std::move(interpolations_);
}

DM DistributedMesh::plex() const {
    return plex_->dm;
}

long long DistributedMesh::globalCellCount() const {
    PetscInt cStart = 0, cEnd = 0;
    requirePetsc(DMPlexGetHeightStratum(plex_->dm, 0, &cStart, &cEnd), "reading the cells");
    long long local = cEnd - cStart, total = 0;
    MPI_Allreduce(&local, &total, 1, MPI_LONG_LONG, MPI_SUM, PETSC_COMM_WORLD);
    return total;
}

} // namespace xefhost
