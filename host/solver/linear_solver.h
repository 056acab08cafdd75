// The linear solves of Newton's method, whoever does them: CHOLMOD's Cholesky factorization in
// this process, or PETSc's solvers. The calls come in this order: analyze once per pattern, then
// for each tangent factorize (the numeric set-up: a factorization, or a preconditioner) and any
// number of solves with it.
#pragma once

#include "sparse_system.h"

#include <vector>

namespace xefhost {

class LinearSolver {
  public:
    virtual ~LinearSolver() = default;

    // Once per pattern; throws ResourceError (model_errors.h) where the solve would not fit.
    virtual void analyze(SparseSystem& system) = 0;
    // For the current values; throws SingularModelError where they cannot be used (a matrix that
    // is not positive definite).
    virtual void factorize(SparseSystem& system) = 0;
    // x = K^-1 b, free unknowns in the system's numbering.
    virtual void solve(const std::vector<double>& b, std::vector<double>& x) = 0;
    // Whether a solve iterates to a tolerance of its own, which makes a further step of iterative
    // refinement pointless; a direct factorization does not.
    virtual bool iterates() const = 0;
};

} // namespace xefhost
