#include "petsc_ksp.h"

#include "model_errors.h"
#include "newton_solver.h"
#include "petsc_runtime.h"

#include <cstdio>

namespace xefhost {

PetscKsp::PetscKsp() {
    requirePetsc(KSPCreate(PETSC_COMM_WORLD, &ksp_), "creating the solver");
    requirePetsc(KSPSetType(ksp_, KSPCG), "choosing conjugate gradients");
    PC pc = nullptr;
    requirePetsc(KSPGetPC(ksp_, &pc), "reaching the preconditioner");
    requirePetsc(PCSetType(pc, PCGAMG), "choosing algebraic multigrid");
    // CG's default measure is the preconditioned residual, which can stop orders of magnitude
    // short of the true one; the true residual is what Newton's tolerance is about.
    requirePetsc(KSPSetNormType(ksp_, KSP_NORM_UNPRECONDITIONED), "choosing the residual norm");
    requirePetsc(KSPSetTolerances(ksp_, kDefaultRelativeTolerance, PETSC_DEFAULT, PETSC_DEFAULT,
                                  PETSC_DEFAULT),
                 "setting the tolerances");
    requirePetsc(KSPSetFromOptions(ksp_), "reading the PETSc options");
    KSPType type = nullptr;
    requirePetsc(KSPGetType(ksp_, &type), "reading the solver type");
    if (std::string(type) == KSPPREONLY) {
        // A direct factorization measures no residual.
        requirePetsc(KSPSetNormType(ksp_, KSP_NORM_NONE), "choosing the residual norm");
    }
}

PetscKsp::~PetscKsp() {
    KSPDestroy(&ksp_);
}

void PetscKsp::setUp(Mat matrix) {
    requirePetsc(KSPSetOperators(ksp_, matrix, matrix), "handing over the matrix");
    requirePetsc(KSPSetUp(ksp_), "setting up the solver");
    PC pc = nullptr;
    requirePetsc(KSPGetPC(ksp_, &pc), "reaching the preconditioner");
    PCFailedReason failed = PC_NOERROR;
    requirePetsc(PCGetFailedReason(pc, &failed), "reading the set-up's outcome");
    if (failed != PC_NOERROR) {
        throw SingularModelError(std::string("PETSc could not set up its preconditioner (") +
                                 PCFailedReasons[failed] + ")");
    }
}

void PetscKsp::solve(Vec rhs, Vec solution) {
    requirePetsc(KSPSolve(ksp_, rhs, solution), "solving");
    KSPConvergedReason reason = KSP_CONVERGED_ITERATING;
    PetscInt iterations = 0;
    requirePetsc(KSPGetConvergedReason(ksp_, &reason), "reading the solve's outcome");
    requirePetsc(KSPGetIterationNumber(ksp_, &iterations), "reading the iterations");
    iterations_.push_back(static_cast<int>(iterations));
    if (reason < 0) {
        KSPType type = nullptr;
        KSPGetType(ksp_, &type);
        throw NotConvergedError(std::string("PETSc's ") + type + " solve did not converge (" +
                                KSPConvergedReasons[reason] + ") after " +
                                std::to_string(iterations) +
                                " iterations; see -ksp_monitor_true_residual, or try a direct "
                                "solve: -ksp_type preonly -pc_type cholesky "
                                "-pc_factor_mat_solver_type mumps");
    }
}

bool PetscKsp::iterates() const {
    KSPType type = nullptr;
    KSPGetType(ksp_, &type);
    return !type || std::string(type) != KSPPREONLY;
}

std::string PetscKsp::summary() const {
    KSPType type = nullptr;
    PC pc = nullptr;
    PCType pcType = nullptr;
    KSPNormType norm = KSP_NORM_NONE;
    PetscReal rtol = 0;
    KSPGetType(ksp_, &type);
    KSPGetPC(ksp_, &pc);
    PCGetType(pc, &pcType);
    KSPGetNormType(ksp_, &norm);
    KSPGetTolerances(ksp_, &rtol, nullptr, nullptr, nullptr);
    std::string text =
        std::string("PETSc ") + (type ? type : "?") + " with " + (pcType ? pcType : "?");
    if (norm != KSP_NORM_NONE) {
        char tolerance[64];
        std::snprintf(tolerance, sizeof tolerance, "%g", static_cast<double>(rtol));
        const char* measure = norm == KSP_NORM_UNPRECONDITIONED ? "true"
                              : norm == KSP_NORM_PRECONDITIONED ? "preconditioned"
                                                                : "natural";
        text += std::string(", ") + measure + " residual below " + tolerance + " relative";
    }
    text += ":";
    for (size_t k = 0; k < iterations_.size(); ++k) {
        text += (k ? ", " : " ") + std::to_string(iterations_[k]);
    }
    return text + (iterations_.size() == 1 && iterations_[0] == 1 ? " iteration" : " iterations");
}

} // namespace xefhost
