#include "distributed_assembly.h"

#include "call_records.h"
#include "crash_report.h"
#include "petsc_runtime.h"

#include <petscdmplex.h>
#include <petscsf.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace xefhost {

DistributedAssembly::DistributedAssembly(const DistributedMesh& mesh, const Model& piece)
    : piece_(piece), dm_(mesh.plex()) {
    const int d = piece.dofsPerNode;
    PetscInt pStart = 0, pEnd = 0, vStart = 0, vEnd = 0;
    requirePetsc(DMPlexGetChart(dm_, &pStart, &pEnd), "reading the plex");
    requirePetsc(DMPlexGetDepthStratum(dm_, 0, &vStart, &vEnd), "reading the vertices");
    PetscSection section = nullptr;
    requirePetsc(PetscSectionCreate(PETSC_COMM_WORLD, &section), "laying out the unknowns");
    requirePetsc(PetscSectionSetChart(section, pStart, pEnd), "laying out the unknowns");
    for (PetscInt v = vStart; v < vEnd; ++v) {
        requirePetsc(PetscSectionSetDof(section, v, d), "laying out the unknowns");
    }
    requirePetsc(PetscSectionSetUp(section), "laying out the unknowns");
    requirePetsc(DMSetLocalSection(dm_, section), "laying out the unknowns");
    PetscSectionDestroy(&section);

    // The model numbers its nodes as its elements meet them; the piece's nodes are the plex's
    // vertices in order, tagged by global number plus one, which the vertex numbering gives
    // without building the piece a second time.
    IS numbers = nullptr;
    requirePetsc(DMPlexGetVertexNumbering(dm_, &numbers), "numbering the vertices");
    const PetscInt* number = nullptr;
    ISGetIndices(numbers, &number);
    const size_t vertexCount = static_cast<size_t>(vEnd - vStart);
    std::vector<std::pair<int64_t, PetscInt>> vertexOfTag(vertexCount);
    for (size_t v = 0; v < vertexCount; ++v) {
        const PetscInt n = number[v] < 0 ? -(number[v] + 1) : number[v];
        vertexOfTag[v] = {static_cast<int64_t>(n) + 1, static_cast<PetscInt>(v)};
    }
    ISRestoreIndices(numbers, &number);
    std::sort(vertexOfTag.begin(), vertexOfTag.end());
    PetscSection laid = nullptr;
    requirePetsc(DMGetLocalSection(dm_, &laid), "reading the layout");
    localDof_.resize(piece.dofCount());
    owned_.resize(piece.dofCount());
    nodeVertex_.resize(piece.nodeCount());
    const std::vector<char> ownedVertex = mesh.ownedNodes();
    for (size_t node = 0; node < piece.nodeCount(); ++node) {
        const auto found = std::lower_bound(vertexOfTag.begin(), vertexOfTag.end(),
                                            std::make_pair(piece.nodeIds[node], PetscInt{0}));
        if (found == vertexOfTag.end() || found->first != piece.nodeIds[node]) {
            throw PetscError("node " + std::to_string(piece.nodeIds[node]) +
                             " of the piece's model is no vertex of the distributed mesh");
        }
        const PetscInt vertex = vStart + found->second;
        nodeVertex_[node] = found->second;
        PetscInt offset = 0;
        requirePetsc(PetscSectionGetOffset(laid, vertex, &offset), "reading the layout");
        for (int c = 0; c < d; ++c) {
            owned_[node * d + c] = ownedVertex[vertex - vStart];
            localDof_[node * d + c] = offset + c;
        }
    }
}

DistributedAssembly::~DistributedAssembly() = default;

// The matrix is laid out and preallocated from the piece's elements rather than by DMCreateMatrix,
// whose point-by-point walk over the plex's adjacency took 14 s of the set-up on a 0.8-million-
// triangle mesh (8 s on two ranks), where this takes a few tenths. A vertex that another rank
// owns has its couplings counted here and summed into the owner's rows over the plex's point star
// forest; vertices on a partition boundary are counted by each rank that sees them, an excess
// that the first assembly squeezes out.
Mat DistributedAssembly::createMatrix() const {
    const int d = piece_.dofsPerNode;
    const int npe = piece_.nodesPerElement;
    PetscInt pStart = 0, pEnd = 0, vStart = 0, vEnd = 0;
    requirePetsc(DMPlexGetChart(dm_, &pStart, &pEnd), "reading the plex");
    requirePetsc(DMPlexGetDepthStratum(dm_, 0, &vStart, &vEnd), "reading the vertices");
    const PetscInt vertexCount = vEnd - vStart;
    PetscSection local = nullptr, global = nullptr;
    requirePetsc(DMGetLocalSection(dm_, &local), "reading the layout");
    requirePetsc(DMGetGlobalSection(dm_, &global), "reading the global layout");

    // Per vertex: its block in the local vectors and its block row in the matrix.
    std::vector<PetscInt> blockOf(static_cast<size_t>(vertexCount));
    std::vector<PetscInt> localBlocks(static_cast<size_t>(vertexCount), -1);
    std::vector<PetscInt> localBlock(static_cast<size_t>(vertexCount));
    std::vector<char> mine(static_cast<size_t>(vertexCount));
    PetscInt ownedBlocks = 0;
    for (PetscInt v = 0; v < vertexCount; ++v) {
        PetscInt offset = 0, localOffset = 0;
        PetscSectionGetOffset(global, vStart + v, &offset);
        PetscSectionGetOffset(local, vStart + v, &localOffset);
        mine[v] = offset >= 0;
        ownedBlocks += offset >= 0;
        blockOf[v] = (offset >= 0 ? offset : -(offset + 1)) / d;
        localBlock[v] = localOffset / d;
        localBlocks[static_cast<size_t>(localBlock[v])] = blockOf[v];
    }
    const int ranks = rankCount();
    std::vector<PetscInt> firstBlock(static_cast<size_t>(ranks) + 1, 0);
    MPI_Allgather(&ownedBlocks, 1, MPIU_INT, firstBlock.data() + 1, 1, MPIU_INT, PETSC_COMM_WORLD);
    for (int r = 0; r < ranks; ++r) {
        firstBlock[r + 1] += firstBlock[r];
    }
    const PetscInt totalBlocks = firstBlock[ranks];

    // Each vertex's neighbours through the piece's elements, itself included.
    std::vector<PetscInt> start(static_cast<size_t>(vertexCount) + 1, 0);
    const size_t elementCount = piece_.elementCount();
    for (size_t e = 0; e < elementCount; ++e) {
        for (int a = 0; a < npe; ++a) {
            start[nodeVertex_[piece_.elements[e * npe + a]] + 1] += npe;
        }
    }
    for (PetscInt v = 0; v < vertexCount; ++v) {
        start[v + 1] += start[v];
    }
    std::vector<PetscInt> neighbour(static_cast<size_t>(start[vertexCount]));
    std::vector<PetscInt> fill(start.begin(), start.end() - 1);
    for (size_t e = 0; e < elementCount; ++e) {
        const int32_t* nodes = &piece_.elements[e * npe];
        for (int a = 0; a < npe; ++a) {
            PetscInt& next = fill[nodeVertex_[nodes[a]]];
            for (int b = 0; b < npe; ++b) {
                neighbour[next++] = nodeVertex_[nodes[b]];
            }
        }
    }

    // The owner of each vertex that this rank does not own, from the point star forest.
    std::vector<int> owner(static_cast<size_t>(vertexCount), -1);
    PetscSF points = nullptr;
    requirePetsc(DMGetPointSF(dm_, &points), "reading the point sharing");
    PetscInt roots = -1, leaves = 0;
    const PetscInt* leaf = nullptr;
    const PetscSFNode* remote = nullptr;
    requirePetsc(PetscSFGetGraph(points, &roots, &leaves, &leaf, &remote),
                 "reading the point sharing");
    for (PetscInt k = 0; roots >= 0 && k < leaves; ++k) {
        const PetscInt p = leaf ? leaf[k] : k;
        if (p >= vStart && p < vEnd) {
            owner[p - vStart] = static_cast<int>(remote[k].rank);
        }
    }
    const int self = thisRank();

    // Couplings of each vertex within and beyond its owner's block rows, by point, as the star
    // forest numbers them.
    const size_t chart = static_cast<size_t>(pEnd);
    std::vector<PetscInt> inside(chart, 0), outside(chart, 0), sentInside(chart, 0),
        sentOutside(chart, 0);
    std::vector<PetscInt> distinct(static_cast<size_t>(vertexCount));
    for (PetscInt v = 0; v < vertexCount; ++v) {
        PetscInt* begin = neighbour.data() + start[v];
        PetscInt* end = neighbour.data() + start[v + 1];
        std::sort(begin, end);
        end = std::unique(begin, end);
        distinct[v] = end - begin;
        const int r = mine[v] ? self : owner[v];
        if (r < 0) {
            throw PetscError("a vertex of this rank's piece has no owner in the point sharing");
        }
        PetscInt within = 0;
        for (const PetscInt* b = begin; b != end; ++b) {
            within += blockOf[*b] >= firstBlock[r] && blockOf[*b] < firstBlock[r + 1];
        }
        const size_t p = static_cast<size_t>(vStart + v);
        (mine[v] ? inside : sentInside)[p] = within;
        (mine[v] ? outside : sentOutside)[p] = (end - begin) - within;
    }
    if (roots >= 0 && ranks > 1) {
        requirePetsc(
            PetscSFReduceBegin(points, MPIU_INT, sentInside.data(), inside.data(), MPI_SUM),
            "summing the couplings");
        requirePetsc(
            PetscSFReduceBegin(points, MPIU_INT, sentOutside.data(), outside.data(), MPI_SUM),
            "summing the couplings");
        requirePetsc(PetscSFReduceEnd(points, MPIU_INT, sentInside.data(), inside.data(), MPI_SUM),
                     "summing the couplings");
        requirePetsc(
            PetscSFReduceEnd(points, MPIU_INT, sentOutside.data(), outside.data(), MPI_SUM),
            "summing the couplings");
    }
    std::vector<PetscInt> rowInside(static_cast<size_t>(ownedBlocks)),
        rowOutside(static_cast<size_t>(ownedBlocks));
    for (PetscInt v = 0; v < vertexCount; ++v) {
        if (mine[v]) {
            const size_t p = static_cast<size_t>(vStart + v);
            const size_t row = static_cast<size_t>(blockOf[v] - firstBlock[self]);
            rowInside[row] = std::min(inside[p], ownedBlocks);
            rowOutside[row] = std::min(outside[p], totalBlocks - ownedBlocks);
        }
    }

    Mat matrix = nullptr;
    requirePetsc(MatCreate(PETSC_COMM_WORLD, &matrix), "creating the matrix");
    requirePetsc(
        MatSetSizes(matrix, ownedBlocks * d, ownedBlocks * d, PETSC_DETERMINE, PETSC_DETERMINE),
        "sizing the matrix");
    requirePetsc(MatSetBlockSize(matrix, d), "blocking the matrix");
    requirePetsc(MatSetType(matrix, MATAIJ), "choosing the matrix type");
    requirePetsc(
        MatXAIJSetPreallocation(matrix, d, rowInside.data(), rowOutside.data(), nullptr, nullptr),
        "preallocating the matrix");
    ISLocalToGlobalMapping map = nullptr;
    PetscInt localSize = 0;
    PetscSectionGetStorageSize(local, &localSize);
    requirePetsc(ISLocalToGlobalMappingCreate(PETSC_COMM_WORLD, d, localSize / d,
                                              localBlocks.data(), PETSC_COPY_VALUES, &map),
                 "numbering the matrix");
    requirePetsc(MatSetLocalToGlobalMapping(matrix, map, map), "numbering the matrix");
    ISLocalToGlobalMappingDestroy(&map);

    // The pattern laid down once, a block row at a time in column order, so that every assembly
    // adds into entries that exist instead of inserting them element by element; the matrix is
    // then the one DMCreateMatrix made, entry for entry.
    std::vector<PetscInt> columns;
    std::vector<PetscScalar> zeros;
    for (PetscInt v = 0; v < vertexCount; ++v) {
        const PetscInt count = distinct[v];
        columns.resize(static_cast<size_t>(count));
        for (PetscInt k = 0; k < count; ++k) {
            columns[k] = localBlock[neighbour[start[v] + k]];
        }
        zeros.assign(static_cast<size_t>(count) * d * d, 0.0);
        requirePetsc(MatSetValuesBlockedLocal(matrix, 1, &localBlock[v], count, columns.data(),
                                              zeros.data(), ADD_VALUES),
                     "laying down the matrix pattern");
    }
    requirePetsc(MatAssemblyBegin(matrix, MAT_FINAL_ASSEMBLY), "laying down the matrix pattern");
    requirePetsc(MatAssemblyEnd(matrix, MAT_FINAL_ASSEMBLY), "laying down the matrix pattern");
    requirePetsc(MatSetOption(matrix, MAT_SPD, PETSC_TRUE), "marking the matrix SPD");
    return matrix;
}

Vec DistributedAssembly::createVector() const {
    Vec vector = nullptr;
    requirePetsc(DMCreateGlobalVector(dm_, &vector), "creating a vector");
    return vector;
}

void DistributedAssembly::scatter(const std::vector<double>& nodal, Vec global) const {
    Vec local = nullptr;
    requirePetsc(DMGetLocalVector(dm_, &local), "borrowing a local vector");
    PetscScalar* values = nullptr;
    VecGetArray(local, &values);
    for (size_t dof = 0; dof < localDof_.size(); ++dof) {
        values[localDof_[dof]] = nodal[dof];
    }
    VecRestoreArray(local, &values);
    requirePetsc(DMLocalToGlobal(dm_, local, INSERT_VALUES, global), "gathering a field");
    DMRestoreLocalVector(dm_, &local);
}

std::vector<double> DistributedAssembly::gather(Vec global) const {
    Vec local = nullptr;
    requirePetsc(DMGetLocalVector(dm_, &local), "borrowing a local vector");
    requirePetsc(DMGlobalToLocal(dm_, global, INSERT_VALUES, local), "spreading a field");
    const PetscScalar* values = nullptr;
    VecGetArrayRead(local, &values);
    std::vector<double> nodal(localDof_.size());
    for (size_t dof = 0; dof < localDof_.size(); ++dof) {
        nodal[dof] = values[localDof_[dof]];
    }
    VecRestoreArrayRead(local, &values);
    DMRestoreLocalVector(dm_, &local);
    return nodal;
}

std::vector<double> DistributedAssembly::summed(const std::vector<double>& nodal) const {
    Vec local = nullptr, global = nullptr;
    requirePetsc(DMGetLocalVector(dm_, &local), "borrowing a local vector");
    requirePetsc(DMGetGlobalVector(dm_, &global), "borrowing a global vector");
    VecSet(local, 0.0);
    PetscScalar* values = nullptr;
    VecGetArray(local, &values);
    for (size_t dof = 0; dof < localDof_.size(); ++dof) {
        values[localDof_[dof]] = nodal[dof];
    }
    VecRestoreArray(local, &values);
    VecSet(global, 0.0);
    requirePetsc(DMLocalToGlobal(dm_, local, ADD_VALUES, global), "summing a field");
    std::vector<double> sums = gather(global);
    DMRestoreLocalVector(dm_, &local);
    DMRestoreGlobalVector(dm_, &global);
    return sums;
}

void DistributedAssembly::assemble(ElementKernels& kernels, Vec u, Vec force, Mat stiffness,
                                   Vec magnitude) const {
    const Model& model = piece_;
    const int npe = model.nodesPerElement;
    const int dofs = npe * model.dofsPerNode;
    Vec uLocal = nullptr, forceLocal = nullptr, magnitudeLocal = nullptr;
    requirePetsc(DMGetLocalVector(dm_, &uLocal), "borrowing a local vector");
    requirePetsc(DMGetLocalVector(dm_, &forceLocal), "borrowing a local vector");
    requirePetsc(DMGetLocalVector(dm_, &magnitudeLocal), "borrowing a local vector");
    requirePetsc(DMGlobalToLocal(dm_, u, INSERT_VALUES, uLocal), "exchanging the displacements");
    const PetscScalar* uValues = nullptr;
    VecGetArrayRead(uLocal, &uValues);
    std::vector<double> uModel(model.dofCount());
    for (size_t dof = 0; dof < uModel.size(); ++dof) {
        uModel[dof] = uValues[localDof_[dof]];
    }
    VecRestoreArrayRead(uLocal, &uValues);
    VecSet(forceLocal, 0.0);
    VecSet(magnitudeLocal, 0.0);
    if (stiffness) {
        requirePetsc(MatZeroEntries(stiffness), "clearing the matrix");
    }

    CallRecords call(model, dofs);
    double stored[kStoredReals];
    std::vector<PetscInt> rows(static_cast<size_t>(dofs));
    std::vector<PetscScalar> full(static_cast<size_t>(dofs) * dofs);
    PetscScalar *f = nullptr, *m = nullptr;
    VecGetArray(forceLocal, &f);
    VecGetArray(magnitudeLocal, &m);
    ForeignCallScope foreign("tangent kernel", model.elementIds.data());
    for (size_t e = 0; e < model.elementCount(); ++e) {
        foreign.at(static_cast<int64_t>(e));
        kernels.callTangent(model, e, uModel.data(), call, stored);
        for (int i = 0; i < dofs; ++i) {
            const size_t node =
                static_cast<size_t>(model.elements[e * npe + i / model.dofsPerNode]);
            rows[i] = localDof_[node * model.dofsPerNode + i % model.dofsPerNode];
            f[rows[i]] += call.p()[i];
        }
        for (int i = 0; magnitude && i < dofs; ++i) {
            double size = 0;
            for (int j = 0; j < dofs; ++j) {
                const double kij = i <= j ? call.s()[static_cast<size_t>(i) * dofs + j]
                                          : call.s()[static_cast<size_t>(j) * dofs + i];
                const size_t node =
                    static_cast<size_t>(model.elements[e * npe + j / model.dofsPerNode]);
                size += std::fabs(kij) *
                        std::fabs(uModel[node * model.dofsPerNode + j % model.dofsPerNode]);
            }
            m[rows[i]] += size;
        }
        if (stiffness) {
            // The kernels fill the upper triangle; PETSc's matrix holds both.
            for (int i = 0; i < dofs; ++i) {
                for (int j = 0; j < dofs; ++j) {
                    full[static_cast<size_t>(i) * dofs + j] =
                        i <= j ? call.s()[static_cast<size_t>(i) * dofs + j]
                               : call.s()[static_cast<size_t>(j) * dofs + i];
                }
            }
            requirePetsc(MatSetValuesLocal(stiffness, dofs, rows.data(), dofs, rows.data(),
                                           full.data(), ADD_VALUES),
                         "adding an element's stiffness");
        }
    }
    VecRestoreArray(forceLocal, &f);
    VecRestoreArray(magnitudeLocal, &m);
    requirePetsc(VecSet(force, 0.0), "clearing the force");
    requirePetsc(DMLocalToGlobal(dm_, forceLocal, ADD_VALUES, force), "summing the forces");
    if (magnitude) {
        requirePetsc(VecSet(magnitude, 0.0), "clearing the magnitudes");
        requirePetsc(DMLocalToGlobal(dm_, magnitudeLocal, ADD_VALUES, magnitude),
                     "summing the magnitudes");
    }
    DMRestoreLocalVector(dm_, &uLocal);
    DMRestoreLocalVector(dm_, &forceLocal);
    DMRestoreLocalVector(dm_, &magnitudeLocal);
    if (stiffness) {
        requirePetsc(MatAssemblyBegin(stiffness, MAT_FINAL_ASSEMBLY), "assembling the matrix");
        requirePetsc(MatAssemblyEnd(stiffness, MAT_FINAL_ASSEMBLY), "assembling the matrix");
    }
}

} // namespace xefhost
