// PETSc's linear solver as the host configures it, whatever lays out its matrix: conjugate
// gradients with algebraic multigrid (GAMG), stopped when the true (unpreconditioned) residual
// falls below kDefaultRelativeTolerance of the right-hand side, then whatever PETSc's options
// database says. Direct factorizations (-ksp_type preonly) measure no residual.
#pragma once

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
    PetscKsp();
    ~PetscKsp();
    PetscKsp(const PetscKsp&) = delete;
    PetscKsp& operator=(const PetscKsp&) = delete;

    // Sets up the preconditioner (or factorization) of matrix; throws SingularModelError where
    // PETSc finds it unusable (a zero pivot, an indefinite preconditioner).
    void setUp(Mat matrix);
    // Throws NotConvergedError with PETSc's reason where the solve stops without converging.
    void solve(Vec rhs, Vec solution);
    // False for a direct factorization.
    bool iterates() const;
    // "PETSc cg with gamg, true residual below 1e-12 relative: 24, 23 iterations".
    std::string summary() const;

  private:
    KSP ksp_ = nullptr;
    std::vector<int> iterations_; // of every solve
};

} // namespace xefhost
