// What a Cholesky factorization of the stiffness offers, whole (WholeFactorization) or as two
// halves and their separator (SplitFactorization); CholeskySolver holds one of them.
#pragma once

#include "sparse_system.h"

#include <vector>

namespace xefhost {

class CholeskyFactorization {
  public:
    virtual ~CholeskyFactorization() = default;

    // Symbolic factorization: once per pattern.
    virtual void analyze(const SparseSystem& system) = 0;
    // Entries of the factor and floating-point operations of one factorization, once analysed.
    virtual double factorEntries() const = 0;
    virtual double factorFlops() const = 0;
    // Numeric factorization of the current values; throws SingularModelError.
    virtual void factorize(const SparseSystem& system) = 0;
    // x = K^-1 b for the last factorization.
    virtual void solve(const std::vector<double>& b, std::vector<double>& x) = 0;
};

// Throws SingularModelError when the reciprocal condition estimate of a factorization, the squared
// ratio of its smallest to its largest pivot, says a floating part left a round-off-level pivot.
void requireWellConditioned(double rcond);

} // namespace xefhost
