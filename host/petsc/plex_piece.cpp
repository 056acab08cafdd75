#include "plex_piece.h"

#include "petsc_runtime.h"

#include <petscdmplex.h>
#include <petscsection.h>
#include <petscsf.h>

#include <algorithm>
#include <array>
#include <string>

namespace xefhost {

namespace {

PetscInt globalNumber(PetscInt number) {
    return number < 0 ? -(number + 1) : number;
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

// The physical tag of each cell in [cStart, cEnd).
std::vector<int> cellGroups(DM dm, PetscInt cStart, PetscInt cEnd, int commonCellTag) {
    std::vector<int> groups = pointTags(dm, kCellSets, cStart, cEnd);
    for (int& tag : groups) {
        tag = tag == 0 ? commonCellTag : tag == kNoGroup ? 0 : tag;
    }
    return groups;
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
            numbers[c - cStart] = globalNumber(number[c - cStart]);
        }
        ISRestoreIndices(global, &number);
        return numbers;
    }
    PetscInt count = cEnd - cStart, first = 0;
    MPI_Exscan(&count, &first, 1, MPIU_INT, MPI_SUM, PETSC_COMM_WORLD);
    if (thisRank() == 0) {
        first = 0; // MPI leaves rank 0's result undefined
    }
    for (PetscInt c = cStart; c < cEnd; ++c) {
        numbers[c - cStart] = first + (c - cStart);
    }
    return numbers;
}

// A cell's corners in the closure's order, and its sides: side k joins corners k and k + 1.
// Read from the cones alone: a closure per cell asks the cell-type label of every point it
// meets, which made reading the piece cost more than building its model.
PetscInt cellCorners(DM dm, PetscInt cell, std::array<PetscInt, 4>& corner,
                     std::array<PetscInt, 4>& side) {
    PetscInt sides = 0;
    const PetscInt* edges = nullptr;
    DMPlexGetConeSize(dm, cell, &sides);
    DMPlexGetCone(dm, cell, &edges);
    if (sides != 3 && sides != 4) {
        throw PetscError("a cell of the distributed mesh has " + std::to_string(sides) +
                         " sides; it takes triangles and quadrilaterals");
    }
    // Each side's first corner, as the cell orients it, is the one it shares with the side before.
    const PetscInt* previous = nullptr;
    DMPlexGetCone(dm, edges[sides - 1], &previous);
    for (PetscInt k = 0; k < sides; ++k) {
        const PetscInt* ends = nullptr;
        DMPlexGetCone(dm, edges[k], &ends);
        corner[k] = ends[0] == previous[0] || ends[0] == previous[1] ? ends[0] : ends[1];
        side[k] = edges[k];
        previous = ends;
    }
    return sides;
}

struct Strata {
    PetscInt pStart = 0, pEnd = 0, cStart = 0, cEnd = 0, eStart = 0, eEnd = 0, vStart = 0, vEnd = 0;
    explicit Strata(DM dm) {
        requirePetsc(DMPlexGetChart(dm, &pStart, &pEnd), "reading the plex");
        requirePetsc(DMPlexGetHeightStratum(dm, 0, &cStart, &cEnd), "reading the cells");
        requirePetsc(DMPlexGetDepthStratum(dm, 1, &eStart, &eEnd), "reading the edges");
        requirePetsc(DMPlexGetDepthStratum(dm, 0, &vStart, &vEnd), "reading the vertices");
    }
};

// The plex's vertex coordinates, for reading by point.
class Coordinates {
  public:
    explicit Coordinates(DM dm) {
        requirePetsc(DMGetCoordinatesLocal(dm, &vector_), "reading the coordinates");
        requirePetsc(DMGetCoordinateSection(dm, &section_), "reading the coordinates");
        VecGetArrayRead(vector_, &xy_);
    }
    ~Coordinates() { VecRestoreArrayRead(vector_, &xy_); }
    Coordinates(const Coordinates&) = delete;
    Coordinates& operator=(const Coordinates&) = delete;
    const PetscScalar* of(PetscInt vertex) const {
        PetscInt offset = 0;
        PetscSectionGetOffset(section_, vertex, &offset);
        return xy_ + offset;
    }

  private:
    Vec vector_ = nullptr;
    PetscSection section_ = nullptr;
    const PetscScalar* xy_ = nullptr;
};

ElementBlock cellBlock(int corners, size_t cells) {
    ElementBlock block{corners == 3 ? 2 : 3, 2, corners, {}, {}, {}};
    block.ids.reserve(cells);
    block.physicalTag.reserve(cells);
    block.connectivity.reserve(cells * static_cast<size_t>(corners));
    return block;
}

// Appends the non-empty line and point blocks, and orders the blocks as a Gmsh file does.
void finish(Mesh& mesh, ElementBlock cells, ElementBlock lines, ElementBlock points) {
    for (ElementBlock* block : {&cells, &lines, &points}) {
        if (block->size() > 0) {
            mesh.blocks.push_back(std::move(*block));
        }
    }
    std::sort(mesh.blocks.begin(), mesh.blocks.end(),
              [](const ElementBlock& a, const ElementBlock& b) { return a.gmshType < b.gmshType; });
}

} // namespace

Mesh plexPiece(DM dm, int commonCellTag, const std::vector<PhysicalGroup>& groups) {
    const Strata s(dm);
    const std::vector<PetscInt> cellNumber = cellNumbers(dm, s.cStart, s.cEnd);
    IS vertexNumbers = nullptr, pointNumbers = nullptr;
    requirePetsc(DMPlexGetVertexNumbering(dm, &vertexNumbers), "numbering the vertices");
    requirePetsc(DMPlexCreatePointNumbering(dm, &pointNumbers), "numbering the points");
    const PetscInt *vertexNumber = nullptr, *pointNumber = nullptr;
    ISGetIndices(vertexNumbers, &vertexNumber);
    ISGetIndices(pointNumbers, &pointNumber);

    Mesh mesh;
    mesh.groups = groups;
    const Coordinates coordinates(dm);
    for (PetscInt v = s.vStart; v < s.vEnd; ++v) {
        const PetscScalar* xy = coordinates.of(v);
        mesh.coords.insert(mesh.coords.end(), {xy[0], xy[1], 0.0});
        mesh.nodeIds.push_back(globalNumber(vertexNumber[v - s.vStart]) + 1);
    }
    const std::vector<int> cellGroup = cellGroups(dm, s.cStart, s.cEnd, commonCellTag);
    const std::vector<int> faceTag = pointTags(dm, kFaceSets, s.eStart, s.eEnd);
    const std::vector<int> vertexTag = pointTags(dm, kVertexSets, s.vStart, s.vEnd);
    std::array<PetscInt, 4> corner{}, side{};
    PetscInt corners = 0;
    if (s.cEnd > s.cStart) {
        requirePetsc(DMPlexGetConeSize(dm, s.cStart, &corners), "reading the cells");
    }
    ElementBlock cells =
        cellBlock(static_cast<int>(corners), static_cast<size_t>(s.cEnd - s.cStart));
    for (PetscInt c = s.cStart; c < s.cEnd; ++c) {
        cells.ids.push_back(cellNumber[c - s.cStart] + 1);
        cells.physicalTag.push_back(cellGroup[c - s.cStart]);
        for (PetscInt k = 0, n = cellCorners(dm, c, corner, side); k < n; ++k) {
            cells.connectivity.push_back(static_cast<int32_t>(corner[k] - s.vStart));
        }
    }
    // A line goes only to the rank that owns its edge: on an edge between two ranks' cells it
    // would otherwise carry its traction once from each, where one process applies it once.
    // Supports on its nodes reach the other rank with the sums over shared nodes.
    ElementBlock lines{1, 1, 2, {}, {}, {}};
    for (PetscInt e = s.eStart; e < s.eEnd; ++e) {
        if (const int tag = faceTag[e - s.eStart]; tag && pointNumber[e] >= 0) {
            const PetscInt* ends = nullptr;
            DMPlexGetCone(dm, e, &ends);
            lines.ids.push_back(globalNumber(pointNumber[e]) + 1);
            lines.physicalTag.push_back(tag);
            lines.connectivity.insert(lines.connectivity.end(),
                                      {static_cast<int32_t>(ends[0] - s.vStart),
                                       static_cast<int32_t>(ends[1] - s.vStart)});
        }
    }
    ElementBlock points{15, 0, 1, {}, {}, {}};
    for (PetscInt v = s.vStart; v < s.vEnd; ++v) {
        if (const int tag = vertexTag[v - s.vStart]) {
            points.ids.push_back(globalNumber(pointNumber[v]) + 1);
            points.physicalTag.push_back(tag);
            points.connectivity.push_back(static_cast<int32_t>(v - s.vStart));
        }
    }
    ISRestoreIndices(vertexNumbers, &vertexNumber);
    ISRestoreIndices(pointNumbers, &pointNumber);
    ISDestroy(&pointNumbers);
    finish(mesh, std::move(cells), std::move(lines), std::move(points));
    return mesh;
}

std::vector<char> plexOwnedVertices(DM dm) {
    PetscInt vStart = 0, vEnd = 0;
    requirePetsc(DMPlexGetDepthStratum(dm, 0, &vStart, &vEnd), "reading the vertices");
    IS numbers = nullptr;
    requirePetsc(DMPlexGetVertexNumbering(dm, &numbers), "numbering the vertices");
    const PetscInt* number = nullptr;
    ISGetIndices(numbers, &number);
    std::vector<char> owned(static_cast<size_t>(vEnd - vStart));
    for (PetscInt v = vStart; v < vEnd; ++v) {
        owned[v - vStart] = number[v - vStart] >= 0;
    }
    ISRestoreIndices(numbers, &number);
    return owned;
}

// The fine vertices are the coarse vertices, edges and quadrilaterals, one each: a section with
// one unknown on each of those points, made global over the plex's point sharing, numbers them
// as the refined plex's vertex numbering would (owned ones after the ranks before, in order; a
// shared one takes its owner's number).
RefinedPiece::RefinedPiece(DM coarse) : coarse_(coarse) {
    const Strata s(coarse);
    pStart_ = s.pStart;
    struct Sections {
        PetscSection local = nullptr, global = nullptr;
        ~Sections() {
            PetscSectionDestroy(&global);
            PetscSectionDestroy(&local);
        }
    } sections;
    // On the plex's communicator: the global section scans over the section's ranks for the
    // numbers of the ranks before.
    requirePetsc(PetscSectionCreate(PETSC_COMM_WORLD, &sections.local), "numbering the fine mesh");
    requirePetsc(PetscSectionSetChart(sections.local, s.pStart, s.pEnd), "numbering the fine mesh");
    for (PetscInt p = s.pStart; p < s.pEnd; ++p) {
        PetscInt coneSize = 0;
        if (p >= s.cStart && p < s.cEnd) {
            DMPlexGetConeSize(coarse, p, &coneSize);
        }
        const bool becomesVertex =
            (p >= s.vStart && p < s.vEnd) || (p >= s.eStart && p < s.eEnd) || coneSize == 4;
        PetscSectionSetDof(sections.local, p, becomesVertex ? 1 : 0);
    }
    requirePetsc(PetscSectionSetUp(sections.local), "numbering the fine mesh");
    PetscSF shared = nullptr;
    requirePetsc(DMGetPointSF(coarse, &shared), "reading the point sharing");
    requirePetsc(PetscSectionCreateGlobalSection(sections.local, shared, PETSC_FALSE, PETSC_FALSE,
                                                 &sections.global),
                 "numbering the fine mesh");
    node_.assign(static_cast<size_t>(s.pEnd - s.pStart), -1);
    for (PetscInt p = s.pStart; p < s.pEnd; ++p) {
        PetscInt dof = 0, offset = 0, global = 0;
        PetscSectionGetDof(sections.local, p, &dof);
        if (dof == 0) {
            continue;
        }
        PetscSectionGetOffset(sections.local, p, &offset);
        PetscSectionGetOffset(sections.global, p, &global);
        node_[p - s.pStart] = offset;
        global_.push_back(global);
    }
    long long counts[2] = {
        4LL * (s.cEnd - s.cStart),
        std::count_if(global_.begin(), global_.end(), [](PetscInt n) { return n >= 0; })};
    MPI_Allreduce(MPI_IN_PLACE, counts, 2, MPI_LONG_LONG, MPI_SUM, PETSC_COMM_WORLD);
    globalCells_ = counts[0];
    globalNodes_ = counts[1];
}

std::vector<char> RefinedPiece::ownedNodes() const {
    std::vector<char> owned(global_.size());
    std::transform(global_.begin(), global_.end(), owned.begin(),
                   [](PetscInt n) { return static_cast<char>(n >= 0); });
    return owned;
}

Mesh RefinedPiece::piece(int commonCellTag, const std::vector<PhysicalGroup>& groups) const {
    DM dm = coarse_;
    const Strata s(dm);
    const auto node = [&](PetscInt point) { return static_cast<int32_t>(node_[point - pStart_]); };
    const auto tag = [&](int32_t fine) { return globalNumber(global_[fine]); };

    Mesh mesh;
    mesh.groups = groups;
    mesh.coords.resize(3 * global_.size());
    mesh.nodeIds.resize(global_.size());
    const Coordinates coordinates(dm);
    std::array<PetscInt, 4> corner{}, side{};
    // Each fine vertex at the mean of the coarse vertices it comes from.
    const auto place = [&](int32_t fine, const PetscInt* from, PetscInt count) {
        double x = 0, y = 0;
        for (PetscInt k = 0; k < count; ++k) {
            x += coordinates.of(from[k])[0];
            y += coordinates.of(from[k])[1];
        }
        mesh.coords[3 * static_cast<size_t>(fine)] = x / static_cast<double>(count);
        mesh.coords[3 * static_cast<size_t>(fine) + 1] = y / static_cast<double>(count);
        mesh.nodeIds[fine] = tag(fine) + 1;
    };
    for (PetscInt v = s.vStart; v < s.vEnd; ++v) {
        place(node(v), &v, 1);
    }
    for (PetscInt e = s.eStart; e < s.eEnd; ++e) {
        const PetscInt* ends = nullptr;
        DMPlexGetCone(dm, e, &ends);
        place(node(e), ends, 2);
    }

    const std::vector<PetscInt> cellNumber = cellNumbers(dm, s.cStart, s.cEnd);
    const std::vector<int> cellGroup = cellGroups(dm, s.cStart, s.cEnd, commonCellTag);
    PetscInt corners = 0;
    if (s.cEnd > s.cStart) {
        requirePetsc(DMPlexGetConeSize(dm, s.cStart, &corners), "reading the cells");
    }
    ElementBlock cells =
        cellBlock(static_cast<int>(corners), 4 * static_cast<size_t>(s.cEnd - s.cStart));
    for (PetscInt c = s.cStart; c < s.cEnd; ++c) {
        if (cellCorners(dm, c, corner, side) != corners) {
            throw PetscError("the distributed mesh mixes triangles and quadrilaterals");
        }
        int32_t v[4], m[4];
        for (PetscInt k = 0; k < corners; ++k) {
            v[k] = node(corner[k]);
            m[k] = node(side[k]);
        }
        // The children keep their parent's orientation: each corner's cell, then the middle one
        // (a triangle of the midpoints, or the quadrilateral's four around its centre).
        if (corners == 3) {
            cells.connectivity.insert(
                cells.connectivity.end(),
                {v[0], m[0], m[2], m[0], v[1], m[1], m[2], m[1], v[2], m[0], m[1], m[2]});
        } else {
            const int32_t o = node(c);
            place(o, corner.data(), 4);
            cells.connectivity.insert(cells.connectivity.end(),
                                      {v[0], m[0], o, m[3], m[0], v[1], m[1], o, o, m[1], v[2],
                                       m[2], m[3], o, m[2], v[3]});
        }
        for (int k = 0; k < 4; ++k) {
            cells.ids.push_back(4 * cellNumber[c - s.cStart] + k + 1);
            cells.physicalTag.push_back(cellGroup[c - s.cStart]);
        }
    }

    // Lines and points are numbered after the cells, a labelled coarse edge's halves by its
    // midpoint's number. A line goes only to the rank that owns its edge (see plexPiece).
    const std::vector<int> faceTag = pointTags(dm, kFaceSets, s.eStart, s.eEnd);
    ElementBlock lines{1, 1, 2, {}, {}, {}};
    for (PetscInt e = s.eStart; e < s.eEnd; ++e) {
        if (const int group = faceTag[e - s.eStart]; group && global_[node(e)] >= 0) {
            const PetscInt* ends = nullptr;
            DMPlexGetCone(dm, e, &ends);
            const int32_t middle = node(e);
            for (int half = 0; half < 2; ++half) {
                lines.ids.push_back(globalCells_ + 2 * tag(middle) + half + 1);
                lines.physicalTag.push_back(group);
            }
            lines.connectivity.insert(lines.connectivity.end(),
                                      {node(ends[0]), middle, middle, node(ends[1])});
        }
    }
    const std::vector<int> vertexTag = pointTags(dm, kVertexSets, s.vStart, s.vEnd);
    ElementBlock points{15, 0, 1, {}, {}, {}};
    for (PetscInt v = s.vStart; v < s.vEnd; ++v) {
        if (const int group = vertexTag[v - s.vStart]) {
            points.ids.push_back(globalCells_ + 2 * globalNodes_ + tag(node(v)) + 1);
            points.physicalTag.push_back(group);
            points.connectivity.push_back(node(v));
        }
    }
    finish(mesh, std::move(cells), std::move(lines), std::move(points));
    return mesh;
}

VertexInterpolation RefinedPiece::interpolation() const {
    DM dm = coarse_;
    const Strata s(dm);
    IS coarseNumbering = nullptr;
    requirePetsc(DMPlexGetVertexNumbering(dm, &coarseNumbering), "numbering the vertices");
    const PetscInt* coarseNumber = nullptr;
    ISGetIndices(coarseNumbering, &coarseNumber);
    VertexInterpolation interpolation;
    interpolation.columns = static_cast<PetscInt>(std::count_if(
        coarseNumber, coarseNumber + (s.vEnd - s.vStart), [](PetscInt n) { return n >= 0; }));
    interpolation.start.push_back(0);
    // Owned fine vertices come in the order of the points they come from, which is their numbers'.
    std::array<PetscInt, 4> parents{}, side{};
    for (PetscInt p = s.pStart; p < s.pEnd; ++p) {
        const PetscInt fine = node_[p - pStart_];
        if (fine < 0 || global_[fine] < 0) {
            continue;
        }
        PetscInt count = 1;
        if (p >= s.vStart && p < s.vEnd) {
            parents[0] = p;
        } else if (p >= s.eStart && p < s.eEnd) {
            const PetscInt* ends = nullptr;
            DMPlexGetCone(dm, p, &ends);
            parents[0] = ends[0];
            parents[1] = ends[1];
            count = 2;
        } else {
            count = cellCorners(dm, p, parents, side);
        }
        for (PetscInt k = 0; k < count; ++k) {
            parents[k] = globalNumber(coarseNumber[parents[k] - s.vStart]);
        }
        // Insertion sort of at most four: GCC warns falsely of std::sort's bounds here.
        for (PetscInt k = 1; k < count; ++k) {
            for (PetscInt j = k; j > 0 && parents[j - 1] > parents[j]; --j) {
                std::swap(parents[j - 1], parents[j]);
            }
        }
        interpolation.parents.insert(interpolation.parents.end(), parents.begin(),
                                     parents.begin() + count);
        interpolation.start.push_back(static_cast<PetscInt>(interpolation.parents.size()));
    }
    ISRestoreIndices(coarseNumbering, &coarseNumber);
    interpolation.rows = static_cast<PetscInt>(interpolation.start.size() - 1);
    return interpolation;
}

} // namespace xefhost
