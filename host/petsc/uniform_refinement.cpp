#include "uniform_refinement.h"

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

// The count of vertices this rank owns and the global number of the first of them.
std::array<PetscInt, 2> ownedRange(const PetscInt* numbers, PetscInt vertices) {
    PetscInt owned = 0;
    for (PetscInt v = 0; v < vertices; ++v) {
        owned += numbers[v] >= 0;
    }
    PetscInt first = 0;
    MPI_Exscan(&owned, &first, 1, MPIU_INT, MPI_SUM, PETSC_COMM_WORLD);
    return {owned, thisRank() == 0 ? 0 : first};
}

} // namespace

DM refineUniformly(DM coarse, OwnedMat& prolongation) {
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
    const auto [coarseOwned, coarseFirst] = ownedRange(coarseNumber, cvEnd - cvStart);
    const auto [fineOwned, fineFirst] = ownedRange(fineNumber, fvEnd - fvStart);

    // Each owned fine vertex's coarse columns, in the order of the fine numbering.
    std::vector<PetscInt> start{0}, column;
    start.reserve(static_cast<size_t>(fineOwned) + 1);
    column.reserve(static_cast<size_t>(fineOwned) * 2);
    std::vector<PetscInt> diagonalCount, offDiagonalCount;
    diagonalCount.reserve(static_cast<size_t>(fineOwned));
    offDiagonalCount.reserve(static_cast<size_t>(fineOwned));
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
        PetscInt local = 0;
        for (int k = 0; k < count; ++k) {
            const PetscInt number = globalNumber(coarseNumber[parents[k] - cvStart]);
            local += number >= coarseFirst && number < coarseFirst + coarseOwned;
            column.push_back(number);
        }
        diagonalCount.push_back(local);
        offDiagonalCount.push_back(count - local);
        start.push_back(static_cast<PetscInt>(column.size()));
    }
    ISRestoreIndices(coarseNumbering, &coarseNumber);
    ISRestoreIndices(fineNumbering, &fineNumber);

    Mat matrix = nullptr;
    requirePetsc(MatCreateAIJ(PETSC_COMM_WORLD, fineOwned, coarseOwned, PETSC_DETERMINE,
                              PETSC_DETERMINE, 0, diagonalCount.data(), 0, offDiagonalCount.data(),
                              &matrix),
                 "making the prolongation");
    prolongation.reset(matrix);
    for (PetscInt row = 0; row < fineOwned; ++row) {
        const PetscInt count = start[row + 1] - start[row];
        const std::array<PetscScalar, 4> weight{1.0 / count, 1.0 / count, 1.0 / count, 1.0 / count};
        const PetscInt global = fineFirst + row;
        requirePetsc(MatSetValues(matrix, 1, &global, count, &column[start[row]], weight.data(),
                                  INSERT_VALUES),
                     "making the prolongation");
    }
    requirePetsc(MatAssemblyBegin(matrix, MAT_FINAL_ASSEMBLY), "making the prolongation");
    requirePetsc(MatAssemblyEnd(matrix, MAT_FINAL_ASSEMBLY), "making the prolongation");
    refined.dm = nullptr;
    return fine;
}

OwnedMat spreadOverUnknowns(Mat vertexProlongation, PetscInt unknownsPerNode) {
    const PetscInt d = unknownsPerNode;
    PetscInt rowStart = 0, rowEnd = 0, columnStart = 0, columnEnd = 0;
    requirePetsc(MatGetOwnershipRange(vertexProlongation, &rowStart, &rowEnd),
                 "reading the prolongation");
    requirePetsc(MatGetOwnershipRangeColumn(vertexProlongation, &columnStart, &columnEnd),
                 "reading the prolongation");
    std::vector<PetscInt> inside, outside;
    for (PetscInt row = rowStart; row < rowEnd; ++row) {
        PetscInt count = 0;
        const PetscInt* columns = nullptr;
        requirePetsc(MatGetRow(vertexProlongation, row, &count, &columns, nullptr),
                     "reading the prolongation");
        const PetscInt local =
            static_cast<PetscInt>(std::count_if(columns, columns + count, [&](PetscInt c) {
                return c >= columnStart && c < columnEnd;
            }));
        inside.insert(inside.end(), static_cast<size_t>(d), local);
        outside.insert(outside.end(), static_cast<size_t>(d), count - local);
        MatRestoreRow(vertexProlongation, row, &count, &columns, nullptr);
    }
    Mat spread = nullptr;
    requirePetsc(MatCreate(PETSC_COMM_WORLD, &spread), "spreading the prolongation");
    OwnedMat owned(spread);
    requirePetsc(MatSetSizes(spread, (rowEnd - rowStart) * d, (columnEnd - columnStart) * d,
                             PETSC_DETERMINE, PETSC_DETERMINE),
                 "spreading the prolongation");
    requirePetsc(MatSetBlockSize(spread, d), "spreading the prolongation");
    requirePetsc(MatSetType(spread, MATAIJ), "spreading the prolongation");
    requirePetsc(MatSeqAIJSetPreallocation(spread, 0, inside.data()), "spreading the prolongation");
    requirePetsc(MatMPIAIJSetPreallocation(spread, 0, inside.data(), 0, outside.data()),
                 "spreading the prolongation");
    std::vector<PetscInt> spreadColumns;
    for (PetscInt row = rowStart; row < rowEnd; ++row) {
        PetscInt count = 0;
        const PetscInt* columns = nullptr;
        const PetscScalar* weights = nullptr;
        requirePetsc(MatGetRow(vertexProlongation, row, &count, &columns, &weights),
                     "reading the prolongation");
        spreadColumns.resize(static_cast<size_t>(count));
        for (PetscInt c = 0; c < d; ++c) {
            for (PetscInt k = 0; k < count; ++k) {
                spreadColumns[k] = columns[k] * d + c;
            }
            const PetscInt spreadRow = row * d + c;
            requirePetsc(MatSetValues(spread, 1, &spreadRow, count, spreadColumns.data(), weights,
                                      INSERT_VALUES),
                         "spreading the prolongation");
        }
        MatRestoreRow(vertexProlongation, row, &count, &columns, &weights);
    }
    requirePetsc(MatAssemblyBegin(spread, MAT_FINAL_ASSEMBLY), "spreading the prolongation");
    requirePetsc(MatAssemblyEnd(spread, MAT_FINAL_ASSEMBLY), "spreading the prolongation");
    return owned;
}

} // namespace xefhost
