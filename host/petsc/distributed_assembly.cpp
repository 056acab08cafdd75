#include "distributed_assembly.h"

#include "call_records.h"
#include "crash_report.h"
#include "petsc_runtime.h"

#include <petscdmplex.h>

#include <cmath>
#include <unordered_map>

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
    // Finite-element coupling: unknowns couple through the closure of the cells they share.
    requirePetsc(DMSetBasicAdjacency(dm_, PETSC_FALSE, PETSC_TRUE), "setting the adjacency");
    requirePetsc(DMSetMatType(dm_, MATAIJ), "choosing the matrix type");

    // The model numbers its nodes as its elements meet them; the piece's nodes are the plex's
    // vertices in order, tagged by global number.
    const Mesh local = mesh.localPiece();
    std::unordered_map<int64_t, PetscInt> vertexOfTag;
    for (size_t n = 0; n < local.nodeCount(); ++n) {
        vertexOfTag[local.nodeIds[n]] = vStart + static_cast<PetscInt>(n);
    }
    PetscSection laid = nullptr;
    requirePetsc(DMGetLocalSection(dm_, &laid), "reading the layout");
    localDof_.resize(piece.dofCount());
    owned_.resize(piece.dofCount());
    const std::vector<char> ownedVertex = mesh.ownedNodes();
    for (size_t node = 0; node < piece.nodeCount(); ++node) {
        const PetscInt vertex = vertexOfTag.at(piece.nodeIds[node]);
        for (int c = 0; c < d; ++c) {
            owned_[node * d + c] = ownedVertex[vertex - vStart];
        }
        PetscInt offset = 0;
        requirePetsc(PetscSectionGetOffset(laid, vertex, &offset), "reading the layout");
        for (int c = 0; c < d; ++c) {
            localDof_[node * d + c] = offset + c;
        }
    }
}

DistributedAssembly::~DistributedAssembly() = default;

Mat DistributedAssembly::createMatrix() const {
    Mat matrix = nullptr;
    requirePetsc(DMCreateMatrix(dm_, &matrix), "creating the matrix");
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
