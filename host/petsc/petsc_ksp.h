// PETSc's linear solver as the host configures it, whatever lays out its matrix: conjugate
// gradients stopped when the true (unpreconditioned) residual falls below
// kDefaultRelativeTolerance of the right-hand side, then whatever PETSc's options database says.
// Direct factorizations (-ksp_type preonly) measure no residual.
//
// The preconditioner is algebraic multigrid (GAMG), or, where the mesh was refined uniformly and
// the caller hands over the prolongations between the refinements, geometric multigrid on those
// meshes: Chebyshev smoothing with Jacobi on each refined level, coarse operators by Galerkin
// products, and a Cholesky factorization (MUMPS) of the coarsest mesh's operator. On a refined
// mesh that reaches the same residual in fewer iterations than GAMG and needs no set-up of its own
// hierarchy, whose products take most of GAMG's memory.
#pragma once

#include "uniform_refinement.h"

#include <petscksp.h>

#include <string>
#include <vector>

namespace xefhost {

// Relative to the right-hand side's norm. Newton's default tolerance is 1e-8; a solve this much
// tighter leaves the displacements within about 1e-9 of a direct solve's on the shipped problems,
// in one Newton iteration.
constexpr double kDefaultRelativeTolerance = 1e-12;

class PetscKsp {
  public:
    // prolongations: from each mesh's unknowns to the next refinement's, coarsest first; they
    // must outlive this object.
    explicit PetscKsp(const std::vector<Mat>& prolongations = {});
    ~PetscKsp();
    PetscKsp(const PetscKsp&) = delete;
    PetscKsp& operator=(const PetscKsp&) = delete;

    // Sets up the preconditioner (or factorization) of matrix; throws SingularModelError where
    // PETSc finds it unusable (a zero pivot, an indefinite preconditioner).
    void setUp(Mat matrix);
    // Throws NotConvergedError with PETSc's reason where the solve stops without converging.
    void solve(Vec rhs, Vec solution);
    // Whether the preconditioner is GAMG, which wants the matrix's near-null space.
    bool algebraicMultigrid() const;
    // False for a direct factorization.
    bool iterates() const;
    // "PETSc cg with gamg, true residual below 1e-12 relative: 24, 23 iterations".
    std::string summary() const;

  private:
    // Whether the preconditioner is still the multigrid over interpolations_ after the options.
    bool geometricMultigrid() const;

    std::vector<Mat> interpolations_;       // coarsest first, not owned
    std::vector<OwnedMat> coarseOperators_; // [level]: the operator below interpolation level
    KSP ksp_ = nullptr;
    std::vector<int> iterations_; // of every solve
};

} // namespace xefhost
