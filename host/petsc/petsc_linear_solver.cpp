#include "petsc_linear_solver.h"

#include "petsc_ksp.h"
#include "petsc_runtime.h"

#include <petscksp.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <utility>

namespace xefhost {

struct PetscLinearSolver::State {
    Mat matrix = nullptr;
    std::unique_ptr<PetscKsp> ksp;
    Vec rhs = nullptr, solution = nullptr;
    std::vector<int32_t> equation;  // [dofs]: the system's free unknown, or -1 where fixed
    std::vector<PetscInt> rowStart; // [dofs + 1], compressed rows of every unknown, node order
    std::vector<PetscInt> column;
    std::vector<int64_t> source; // per entry: its index in the system's values; -1 on a fixed row

    ~State() {
        ksp.reset();
        VecDestroy(&rhs);
        VecDestroy(&solution);
        MatDestroy(&matrix);
    }
};

namespace {

// Both triangles of the system's lower triangle, by rows of unknowns in node order, columns
// ascending; a fixed unknown's row holds its diagonal alone.
void buildRows(const SparseSystem& system, size_t dofs, std::vector<PetscInt>& rowStart,
               std::vector<PetscInt>& column, std::vector<int64_t>& source) {
    std::vector<int32_t> dofOf(static_cast<size_t>(system.size));
    for (size_t dof = 0; dof < dofs; ++dof) {
        if (system.equation[dof] >= 0) {
            dofOf[system.equation[dof]] = static_cast<int32_t>(dof);
        }
    }
    std::vector<PetscInt> count(dofs, 0);
    for (size_t dof = 0; dof < dofs; ++dof) {
        count[dof] = system.equation[dof] < 0 ? 1 : 0;
    }
    for (int32_t j = 0; j < system.size; ++j) {
        for (int32_t k = system.columnStart[j]; k < system.columnStart[j + 1]; ++k) {
            const int32_t i = system.rowIndex[k];
            ++count[dofOf[i]];
            count[dofOf[j]] += i != j ? 1 : 0;
        }
    }
    rowStart.assign(dofs + 1, 0);
    std::partial_sum(count.begin(), count.end(), rowStart.begin() + 1);
    column.resize(rowStart.back());
    source.resize(rowStart.back());
    std::vector<PetscInt> next(rowStart.begin(), rowStart.end() - 1);
    const auto add = [&](size_t row, PetscInt col, int64_t from) {
        column[next[row]] = col;
        source[next[row]++] = from;
    };
    for (size_t dof = 0; dof < dofs; ++dof) {
        if (system.equation[dof] < 0) {
            add(dof, static_cast<PetscInt>(dof), -1);
        }
    }
    for (int32_t j = 0; j < system.size; ++j) {
        for (int32_t k = system.columnStart[j]; k < system.columnStart[j + 1]; ++k) {
            const int32_t i = system.rowIndex[k];
            add(dofOf[i], dofOf[j], k);
            if (i != j) {
                add(dofOf[j], dofOf[i], k);
            }
        }
    }
    std::vector<std::pair<PetscInt, int64_t>> row;
    for (size_t r = 0; r < dofs; ++r) {
        row.clear();
        for (PetscInt k = rowStart[r]; k < rowStart[r + 1]; ++k) {
            row.emplace_back(column[k], source[k]);
        }
        std::sort(row.begin(), row.end());
        for (size_t e = 0; e < row.size(); ++e) {
            column[rowStart[r] + e] = row[e].first;
            source[rowStart[r] + e] = row[e].second;
        }
    }
}

// The plane rigid-body modes from the nodes' coordinates, as the multigrid's near-null space.
void setRigidBodyModes(const Model& model, Mat matrix) {
    Vec coords = nullptr;
    requirePetsc(VecCreateSeq(PETSC_COMM_SELF, static_cast<PetscInt>(model.dofCount()), &coords),
                 "creating the coordinates");
    requirePetsc(VecSetBlockSize(coords, model.dofsPerNode), "setting the coordinates' blocks");
    PetscScalar* x = nullptr;
    requirePetsc(VecGetArray(coords, &x), "filling the coordinates");
    for (size_t node = 0; node < model.nodeCount(); ++node) {
        x[2 * node] = model.coords[3 * node];
        x[2 * node + 1] = model.coords[3 * node + 1];
    }
    requirePetsc(VecRestoreArray(coords, &x), "filling the coordinates");
    MatNullSpace modes = nullptr;
    requirePetsc(MatNullSpaceCreateRigidBody(coords, &modes), "building the rigid-body modes");
    requirePetsc(MatSetNearNullSpace(matrix, modes), "setting the near-null space");
    MatNullSpaceDestroy(&modes);
    VecDestroy(&coords);
}

} // namespace

PetscLinearSolver::PetscLinearSolver(const Model& model)
    : model_(model), state_(std::make_unique<State>()) {}

PetscLinearSolver::~PetscLinearSolver() = default;

void PetscLinearSolver::analyze(SparseSystem& system) {
    State& s = *state_;
    const size_t dofs = model_.dofCount();
    s.equation = system.equation;
    buildRows(system, dofs, s.rowStart, s.column, s.source);
    const auto n = static_cast<PetscInt>(dofs);
    requirePetsc(MatCreate(PETSC_COMM_WORLD, &s.matrix), "creating the matrix");
    requirePetsc(MatSetSizes(s.matrix, n, n, n, n), "sizing the matrix");
    requirePetsc(MatSetBlockSize(s.matrix, model_.dofsPerNode), "setting the matrix's blocks");
    requirePetsc(MatSetType(s.matrix, MATSEQAIJ), "choosing the matrix type");
    requirePetsc(
        MatSeqAIJSetPreallocationCSR(s.matrix, s.rowStart.data(), s.column.data(), nullptr),
        "laying out the matrix");
    requirePetsc(MatSetOption(s.matrix, MAT_SPD, PETSC_TRUE), "marking the matrix SPD");
    if (model_.dofsPerNode == 2) {
        setRigidBodyModes(model_, s.matrix);
    }
    requirePetsc(MatCreateVecs(s.matrix, &s.solution, &s.rhs), "creating the vectors");
    s.ksp = std::make_unique<PetscKsp>();
}

void PetscLinearSolver::factorize(SparseSystem& system) {
    State& s = *state_;
    // Fixed unknowns' rows take the free diagonal's mean, so that they scale like the rest.
    double diagonalSum = 0;
    for (int32_t j = 0; j < system.size; ++j) {
        diagonalSum += system.values[system.columnStart[j]];
    }
    const double fixedDiagonal = system.size > 0 ? diagonalSum / system.size : 1.0;
    PetscScalar* values = nullptr;
    requirePetsc(MatSeqAIJGetArray(s.matrix, &values), "filling the matrix");
    for (size_t k = 0; k < s.source.size(); ++k) {
        values[k] = s.source[k] >= 0 ? system.values[s.source[k]] : fixedDiagonal;
    }
    requirePetsc(MatSeqAIJRestoreArray(s.matrix, &values), "filling the matrix");
    s.ksp->setUp(s.matrix);
}

void PetscLinearSolver::solve(const std::vector<double>& b, std::vector<double>& x) {
    State& s = *state_;
    PetscScalar* rhs = nullptr;
    requirePetsc(VecGetArray(s.rhs, &rhs), "filling the right-hand side");
    for (size_t dof = 0; dof < s.equation.size(); ++dof) {
        rhs[dof] = s.equation[dof] >= 0 ? b[s.equation[dof]] : 0.0;
    }
    requirePetsc(VecRestoreArray(s.rhs, &rhs), "filling the right-hand side");
    s.ksp->solve(s.rhs, s.solution);
    x.resize(b.size());
    const PetscScalar* solution = nullptr;
    requirePetsc(VecGetArrayRead(s.solution, &solution), "reading the solution");
    for (size_t dof = 0; dof < s.equation.size(); ++dof) {
        if (s.equation[dof] >= 0) {
            x[s.equation[dof]] = solution[dof];
        }
    }
    requirePetsc(VecRestoreArrayRead(s.solution, &solution), "reading the solution");
}

bool PetscLinearSolver::iterates() const {
    return state_->ksp->iterates();
}

std::string PetscLinearSolver::summary() const {
    return state_->ksp->summary();
}

} // namespace xefhost
