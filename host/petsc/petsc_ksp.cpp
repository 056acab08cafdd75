#include "petsc_ksp.h"

#include "model_errors.h"
#include "newton_solver.h"
#include "petsc_runtime.h"
#include "uniform_refinement.h"

#include <cstdio>

namespace xefhost {

namespace {

// Levels of geometric multigrid, the finest last, over the given prolongations; their
// operators come from PetscKsp::setUp.
void chooseGeometricMultigrid(PC pc, const std::vector<Mat>& interpolations) {
    const PetscInt levels = static_cast<PetscInt>(interpolations.size()) + 1;
    requirePetsc(PCSetType(pc, PCMG), "choosing geometric multigrid");
    requirePetsc(PCMGSetLevels(pc, levels, nullptr), "laying out the multigrid levels");
    for (PetscInt level = 1; level < levels; ++level) {
        requirePetsc(PCMGSetInterpolation(pc, level, interpolations[level - 1]),
                     "handing over a prolongation");
        KSP smoother = nullptr;
        PC smoothing = nullptr;
        requirePetsc(PCMGGetSmoother(pc, level, &smoother), "reaching a smoother");
        requirePetsc(KSPSetType(smoother, KSPCHEBYSHEV), "choosing Chebyshev smoothing");
        requirePetsc(KSPGetPC(smoother, &smoothing), "reaching a smoother");
        requirePetsc(PCSetType(smoothing, PCJACOBI), "choosing Jacobi smoothing");
        // Chebyshev's bounds come from a few Krylov steps, by default GMRES's, which keeps
        // thirty vectors on every level; the operators are symmetric, so CG's few do.
        KSP estimator = nullptr;
        requirePetsc(
            KSPChebyshevEstEigSet(smoother, PETSC_DECIDE, PETSC_DECIDE, PETSC_DECIDE, PETSC_DECIDE),
            "estimating the smoothers' eigenvalues");
        requirePetsc(KSPChebyshevEstEigGetKSP(smoother, &estimator),
                     "estimating the smoothers' eigenvalues");
        requirePetsc(KSPSetType(estimator, KSPCG), "estimating the smoothers' eigenvalues");
    }
    KSP coarse = nullptr;
    PC factor = nullptr;
    requirePetsc(PCMGGetCoarseSolve(pc, &coarse), "reaching the coarse solve");
    requirePetsc(KSPSetType(coarse, KSPPREONLY), "choosing a direct coarse solve");
    requirePetsc(KSPGetPC(coarse, &factor), "reaching the coarse solve");
    PetscBool mumps = PETSC_FALSE;
    requirePetsc(PetscHasExternalPackage("mumps", &mumps), "looking for MUMPS");
    if (mumps) {
        requirePetsc(PCSetType(factor, PCCHOLESKY), "choosing a Cholesky coarse solve");
        requirePetsc(PCFactorSetMatSolverType(factor, MATSOLVERMUMPS), "choosing MUMPS");
    } else {
        // Without MUMPS, PETSc's own factorization, of a copy on every rank.
        requirePetsc(PCSetType(factor, PCREDUNDANT), "choosing a redundant coarse solve");
    }
}

// The Galerkin product P^T A P, built the first time and refilled after. On several ranks the
// products are hypre's where PETSc has it: at 800,000 cells on two ranks they took a third of the
// time of PETSc's one-pass product ("allatonce", the fallback) in about the same memory, where
// PETSc's default needs some 350 MiB more. One process's default is as quick as either.
void galerkinProduct(Mat fine, Mat interpolation, OwnedMat& coarse) {
    if (coarse) {
        requirePetsc(MatProductNumeric(coarse.get()), "refilling a coarse operator");
        return;
    }
    Mat product = nullptr;
    requirePetsc(MatProductCreate(fine, interpolation, nullptr, &product),
                 "forming a coarse operator");
    coarse.reset(product);
    requirePetsc(MatProductSetType(product, MATPRODUCT_PtAP), "forming a coarse operator");
    if (rankCount() > 1) {
        PetscBool hypre = PETSC_FALSE;
        requirePetsc(PetscHasExternalPackage("hypre", &hypre), "looking for hypre");
        requirePetsc(MatProductSetAlgorithm(product, hypre ? "hypre" : "allatonce"),
                     "forming a coarse operator");
    }
    requirePetsc(MatProductSetFill(product, PETSC_DEFAULT), "forming a coarse operator");
    requirePetsc(MatProductSetFromOptions(product), "forming a coarse operator");
    requirePetsc(MatProductSymbolic(product), "forming a coarse operator");
    requirePetsc(MatProductNumeric(product), "forming a coarse operator");
}

} // namespace

PetscKsp::PetscKsp(const std::vector<Mat>& prolongations) : interpolations_(prolongations) {
    requirePetsc(KSPCreate(PETSC_COMM_WORLD, &ksp_), "creating the solver");
    requirePetsc(KSPSetType(ksp_, KSPCG), "choosing conjugate gradients");
    PC pc = nullptr;
    requirePetsc(KSPGetPC(ksp_, &pc), "reaching the preconditioner");
    if (prolongations.empty()) {
        requirePetsc(PCSetType(pc, PCGAMG), "choosing algebraic multigrid");
    } else {
        chooseGeometricMultigrid(pc, interpolations_);
    }
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
    if (geometricMultigrid()) {
        PC pc = nullptr;
        requirePetsc(KSPGetPC(ksp_, &pc), "reaching the preconditioner");
        coarseOperators_.resize(interpolations_.size());
        Mat fine = matrix;
        for (size_t level = interpolations_.size(); level-- > 0;) {
            galerkinProduct(fine, interpolations_[level], coarseOperators_[level]);
            fine = coarseOperators_[level].get();
            KSP smoother = nullptr;
            requirePetsc(PCMGGetSmoother(pc, static_cast<PetscInt>(level), &smoother),
                         "reaching a smoother");
            requirePetsc(KSPSetOperators(smoother, fine, fine), "handing over a coarse operator");
        }
    }
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

bool PetscKsp::geometricMultigrid() const {
    PC pc = nullptr;
    PCType type = nullptr;
    PetscInt levels = 0;
    KSPGetPC(ksp_, &pc);
    PCGetType(pc, &type);
    if (interpolations_.empty() || !type || std::string(type) != PCMG) {
        return false;
    }
    PCMGGetLevels(pc, &levels);
    return levels == static_cast<PetscInt>(interpolations_.size()) + 1;
}

bool PetscKsp::algebraicMultigrid() const {
    PC pc = nullptr;
    PCType type = nullptr;
    KSPGetPC(ksp_, &pc);
    PCGetType(pc, &type);
    return type && std::string(type) == PCGAMG;
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
