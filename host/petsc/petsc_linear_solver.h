// Newton's linear solves through PETSc on one process: the free stiffness of the host's system,
// with every unknown in node order (block size: the unknowns per node) and the fixed ones as rows
// of the identity, so that the rigid-body modes built from the coordinates serve as the
// multigrid's near-null space, solved by PetscKsp (conjugate gradients with GAMG unless PETSc's
// options say otherwise, e.g. "-ksp_type preonly -pc_type cholesky -pc_factor_mat_solver_type
// mumps" for MUMPS's direct Cholesky factorization).
#pragma once

#include "linear_solver.h"
#include "model.h"

#include <memory>
#include <string>
#include <vector>

namespace xefhost {

class PetscLinearSolver : public LinearSolver {
  public:
    // The model gives the fixed unknowns and the coordinates; it must outlive the solver.
    explicit PetscLinearSolver(const Model& model);
    ~PetscLinearSolver() override;
    PetscLinearSolver(const PetscLinearSolver&) = delete;
    PetscLinearSolver& operator=(const PetscLinearSolver&) = delete;

    void analyze(SparseSystem& system) override;
    // Sets up the preconditioner (or factorization); throws SingularModelError where PETSc finds
    // the matrix unusable (a zero pivot, an indefinite preconditioner).
    void factorize(SparseSystem& system) override;
    // Throws NotConvergedError with PETSc's reason where the solve stops without converging.
    void solve(const std::vector<double>& b, std::vector<double>& x) override;
    // True unless the options made it a direct factorization (-ksp_type preonly).
    bool iterates() const override;

    // "PETSc cg with gamg, true residual below 1e-12 relative: 24, 23 iterations".
    std::string summary() const;

  private:
    struct State;
    const Model& model_;
    std::unique_ptr<State> state_;
    std::vector<int> iterations_; // of every solve
};

} // namespace xefhost
