#include "uniform_refinement.h"

#include "matrix_pattern.h"
#include "petsc_runtime.h"

#include <petscdmplex.h>
#include <petscdmplextransform.h>

#include <algorithm>
#include <array>

namespace xefhost {

namespace {

// The global number of a vertex from the plex's numbering, where a vertex that another rank owns
// is stored as -(number + 1).
PetscInt globalNumber(PetscInt number) {
    return number < 0 ? -(number + 1) : number;
}

// Coarse vertices (local points) that a fine vertex interpolates, from the coarse point it
// comes from: the vertex itself, an edge's ends, or a quadrilateral's corners.
int parentVertices(DM coarse, DMPolytopeType sourceType, PetscInt source,
                   std::array<PetscInt, 4>& parents) {
    if (sourceType == DM_POLYTOPE_POINT) {
        parents[0] = source;
        return 1;
    }
    const PetscInt* cone = nullptr;
    requirePetsc(DMPlexGetCone(coarse, source, &cone), "reading the coarse mesh");
    if (sourceType == DM_POLYTOPE_SEGMENT) {
        parents[0] = cone[0];
        parents[1] = cone[1];
        return 2;
    }
    if (sourceType != DM_POLYTOPE_QUADRILATERAL) {
        throw PetscError(std::string("the refinement made a vertex inside a ") +
                         DMPolytopeTypes[sourceType] + ", which it interpolates from no corners");
    }
    int count = 0;
    for (int side = 0; side < 4; ++side) {
        const PetscInt* ends = nullptr;
        requirePetsc(DMPlexGetCone(coarse, cone[side], &ends), "reading the coarse mesh");
        for (int k = 0; k < 2; ++k) {
            if (std::find(parents.begin(), parents.begin() + count, ends[k]) ==
                parents.begin() + count) {
                parents[count++] = ends[k];
            }
        }
    }
    return count;
}

// The count of vertices this rank owns: those the plex numbers without a minus sign.
PetscInt ownedCount(const PetscInt* numbers, PetscInt vertices) {
    return static_cast<PetscInt>(
        std::count_if(numbers, numbers + vertices, [](PetscInt n) { return n >= 0; }));
}

} // namespace

DM refineUniformly(DM coarse, VertexInterpolation& interpolation) {
    struct Transform {
        DMPlexTransform t = nullptr;
        ~Transform() { DMPlexTransformDestroy(&t); }
    } transform;
    struct Plex {
        DM dm = nullptr;
        ~Plex() { DMDestroy(&dm); }
    } refined;
    requirePetsc(DMPlexTransformCreate(PETSC_COMM_WORLD, &transform.t), "refining the mesh");
    requirePetsc(DMPlexTransformSetDM(transform.t, coarse), "refining the mesh");
    requirePetsc(DMPlexTransformSetType(transform.t, DMPLEXREFINEREGULAR), "refining the mesh");
    requirePetsc(DMPlexTransformSetUp(transform.t), "refining the mesh");
    requirePetsc(DMPlexTransformApply(transform.t, coarse, &refined.dm), "refining the mesh");

    DM fine = refined.dm;
    PetscInt cvStart = 0, cvEnd = 0, fvStart = 0, fvEnd = 0;
    requirePetsc(DMPlexGetDepthStratum(coarse, 0, &cvStart, &cvEnd), "reading the vertices");
    requirePetsc(DMPlexGetDepthStratum(fine, 0, &fvStart, &fvEnd), "reading the vertices");
    IS coarseNumbering = nullptr, fineNumbering = nullptr;
    requirePetsc(DMPlexGetVertexNumbering(coarse, &coarseNumbering), "numbering the vertices");
    requirePetsc(DMPlexGetVertexNumbering(fine, &fineNumbering), "numbering the vertices");
    const PetscInt *coarseNumber = nullptr, *fineNumber = nullptr;
    ISGetIndices(coarseNumbering, &coarseNumber);
    ISGetIndices(fineNumbering, &fineNumber);
    const PetscInt coarseOwned = ownedCount(coarseNumber, cvEnd - cvStart);
    const PetscInt fineOwned = ownedCount(fineNumber, fvEnd - fvStart);

    // Each owned fine vertex's coarse vertices, in the order of the fine numbering.
    interpolation = VertexInterpolation{fineOwned, coarseOwned, {0}, {}};
    interpolation.start.reserve(static_cast<size_t>(fineOwned) + 1);
    interpolation.parents.reserve(static_cast<size_t>(fineOwned) * 2);
    for (PetscInt v = fvStart; v < fvEnd; ++v) {
        if (fineNumber[v - fvStart] < 0) {
            continue;
        }
        DMPolytopeType sourceType = DM_POLYTOPE_UNKNOWN, targetType = DM_POLYTOPE_UNKNOWN;
        PetscInt source = 0, replica = 0;
        requirePetsc(DMPlexTransformGetSourcePoint(transform.t, v, &sourceType, &targetType,
                                                   &source, &replica),
                     "tracing a refined vertex");
        std::array<PetscInt, 4> parents{};
        const int count = parentVertices(coarse, sourceType, source, parents);
        for (int k = 0; k < count; ++k) {
            parents[k] = globalNumber(coarseNumber[parents[k] - cvStart]);
        }
        std::sort(parents.begin(), parents.begin() + count);
        interpolation.parents.insert(interpolation.parents.end(), parents.begin(),
                                     parents.begin() + count);
        interpolation.start.push_back(static_cast<PetscInt>(interpolation.parents.size()));
    }
    ISRestoreIndices(coarseNumbering, &coarseNumber);
    ISRestoreIndices(fineNumbering, &fineNumber);
    refined.dm = nullptr;
    return fine;
}

OwnedMat prolongationMatrix(const VertexInterpolation& interpolation, PetscInt unknownsPerNode) {
    const PetscInt d = unknownsPerNode;
    const size_t rows = static_cast<size_t>(interpolation.rows);
    // The rows laid out for PETSc at once: one insertion per row took seconds at ten million
    // vertices, and PETSc's own reading of compressed rows inserts them one by one still.
    CompressedRows expanded;
    expanded.start.reserve(rows * d + 1);
    expanded.column.reserve(interpolation.parents.size() * d);
    expanded.value.reserve(interpolation.parents.size() * d);
    for (size_t row = 0; row < rows; ++row) {
        const PetscInt first = interpolation.start[row], last = interpolation.start[row + 1];
        for (PetscInt c = 0; c < d; ++c) {
            for (PetscInt k = first; k < last; ++k) {
                expanded.column.push_back(interpolation.parents[k] * d + c);
                expanded.value.push_back(1.0 / static_cast<double>(last - first));
            }
            expanded.start.push_back(static_cast<PetscInt>(expanded.column.size()));
        }
    }
    return OwnedMat(matrixFromRows(interpolation.columns * d, d, std::move(expanded)));
}

} // namespace xefhost
