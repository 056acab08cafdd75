#include "distributed_newton_system.h"

#include "petsc_runtime.h"

namespace xefhost {

DistributedNewtonSystem::DistributedNewtonSystem(const Model& piece, ElementKernels& kernels,
                                                 const DistributedAssembly& assembly,
                                                 std::vector<VertexInterpolation> refinements)
    : piece_(piece), kernels_(kernels), assembly_(assembly) {
    for (const VertexInterpolation& refinement : refinements) {
        prolongations_.push_back(prolongationMatrix(refinement, piece.dofsPerNode));
    }
    const size_t n = piece.dofCount();
    std::vector<double> fixing(n), values(n);
    for (size_t dof = 0; dof < n; ++dof) {
        fixing[dof] = piece.fixed[dof] ? 1.0 : 0.0;
        values[dof] = piece.fixed[dof] ? piece.prescribed[dof] : 0.0;
    }
    // A node on a fixed edge that another rank holds is fixed there too; its prescribed value is
    // the mean of what the fixing ranks prescribe, which is the same value.
    const std::vector<double> fixers = assembly.summed(fixing), sums = assembly.summed(values);
    fixed_.resize(n);
    prescribed_.assign(n, 0.0);
    for (size_t dof = 0; dof < n; ++dof) {
        fixed_[dof] = fixers[dof] > 0.5;
        if (fixed_[dof]) {
            prescribed_[dof] = sums[dof] / fixers[dof];
            fixedLocal_.push_back(assembly.localIndex(dof));
        }
    }
    externalForce_ = assembly.summed(piece.externalForce);
    matrix_ = assembly.createMatrix();
    for (Vec* v : {&u_, &force_, &magnitude_}) {
        *v = assembly.createVector();
    }
}

DistributedNewtonSystem::~DistributedNewtonSystem() {
    ksp_.reset();
    for (Vec* v : {&u_, &force_, &magnitude_}) {
        VecDestroy(v);
    }
    MatDestroy(&matrix_);
}

void DistributedNewtonSystem::assemble(const std::vector<double>& u, std::vector<double>& force,
                                       std::vector<double>* magnitude, bool tangent) {
    assembly_.scatter(u, u_);
    assembly_.assemble(kernels_, u_, force_, tangent ? matrix_ : nullptr,
                       magnitude ? magnitude_ : nullptr);
    force = assembly_.gather(force_);
    if (magnitude) {
        *magnitude = assembly_.gather(magnitude_);
    }
    if (tangent) {
        // Fixed unknowns become rows and columns of the identity scaled to the mean diagonal,
        // which keeps the matrix's conditioning and its rigid-body modes' meaning.
        Vec diagonal = nullptr;
        requirePetsc(MatCreateVecs(matrix_, &diagonal, nullptr), "reading the diagonal");
        requirePetsc(MatGetDiagonal(matrix_, diagonal), "reading the diagonal");
        PetscScalar total = 0;
        PetscInt size = 0;
        VecSum(diagonal, &total);
        VecGetSize(diagonal, &size);
        VecDestroy(&diagonal);
        requirePetsc(MatZeroRowsColumnsLocal(matrix_, static_cast<PetscInt>(fixedLocal_.size()),
                                             fixedLocal_.data(), size > 0 ? total / size : 1.0,
                                             nullptr, nullptr),
                     "fixing the supported unknowns");
    }
}

void DistributedNewtonSystem::analyze() {
    std::vector<Mat> steps;
    for (const OwnedMat& step : prolongations_) {
        steps.push_back(step.get());
    }
    ksp_ = std::make_unique<PetscKsp>(steps);
    if (piece_.dofsPerNode == 2 && ksp_->algebraicMultigrid()) {
        std::vector<double> coords(piece_.dofCount());
        for (size_t node = 0; node < piece_.nodeCount(); ++node) {
            coords[2 * node] = piece_.coords[3 * node];
            coords[2 * node + 1] = piece_.coords[3 * node + 1];
        }
        Vec positions = assembly_.createVector();
        assembly_.scatter(coords, positions);
        requirePetsc(VecSetBlockSize(positions, 2), "blocking the coordinates");
        MatNullSpace modes = nullptr;
        requirePetsc(MatNullSpaceCreateRigidBody(positions, &modes),
                     "building the rigid-body modes");
        requirePetsc(MatSetNearNullSpace(matrix_, modes), "setting the near-null space");
        MatNullSpaceDestroy(&modes);
        VecDestroy(&positions);
    }
}

void DistributedNewtonSystem::factorize() {
    ksp_->setUp(matrix_);
}

void DistributedNewtonSystem::solve(const std::vector<double>& residual, std::vector<double>& du) {
    std::vector<double> free = residual;
    for (size_t dof = 0; dof < free.size(); ++dof) {
        free[dof] = fixed_[dof] ? 0.0 : free[dof];
    }
    assembly_.scatter(free, force_);
    // Zero, not the displacements, is the guess where the options ask for a nonzero one.
    requirePetsc(VecSet(u_, 0.0), "clearing the correction");
    ksp_->solve(force_, u_);
    du = assembly_.gather(u_);
    for (size_t dof = 0; dof < du.size(); ++dof) {
        du[dof] = fixed_[dof] ? 0.0 : du[dof];
    }
}

bool DistributedNewtonSystem::iterates() const {
    return !ksp_ || ksp_->iterates();
}

double DistributedNewtonSystem::sum(double value) const {
    double total = 0;
    MPI_Allreduce(&value, &total, 1, MPI_DOUBLE, MPI_SUM, PETSC_COMM_WORLD);
    return total;
}

double DistributedNewtonSystem::max(double value) const {
    double largest = 0;
    MPI_Allreduce(&value, &largest, 1, MPI_DOUBLE, MPI_MAX, PETSC_COMM_WORLD);
    return largest;
}

size_t DistributedNewtonSystem::matrixEntries() const {
    MatInfo info;
    requirePetsc(MatGetInfo(matrix_, MAT_GLOBAL_SUM, &info), "counting the matrix entries");
    return static_cast<size_t>(info.nz_used);
}

std::string DistributedNewtonSystem::summary() const {
    return ksp_ ? ksp_->summary() : "";
}

} // namespace xefhost
