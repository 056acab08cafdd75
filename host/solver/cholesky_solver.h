// Sparse symmetric positive definite solve with CHOLMOD's supernodal Cholesky factorization.
#pragma once

#include "model_errors.h"
#include "node_split.h"
#include "sparse_system.h"

#include <memory>
#include <optional>
#include <vector>

namespace xefhost {

// Throws SingularModelError when the reciprocal condition estimate of a factorization, the squared
// ratio of its smallest to its largest pivot, says a floating part left a round-off-level pivot.
void requireWellConditioned(double rcond);

class SplitFactorization;

class CholeskySolver {
  public:
    // With blocks, the unknowns are numbered first half, second half, separator, and the halves
    // are factorized side by side.
    explicit CholeskySolver(std::optional<UnknownBlocks> blocks = std::nullopt);
    ~CholeskySolver();
    CholeskySolver(const CholeskySolver&) = delete;
    CholeskySolver& operator=(const CholeskySolver&) = delete;

    // Fill-reducing ordering and symbolic factorization: once per pattern.
    void analyze(SparseSystem& system);
    // Entries of the factor and floating-point operations of one factorization, once analysed.
    double factorEntries() const;
    double factorFlops() const;
    // Numeric factorization of the current values; throws SingularModelError.
    void factorize(SparseSystem& system);
    // x = K^-1 b for the last factorization.
    void solve(const std::vector<double>& b, std::vector<double>& x);

  private:
    struct State;
    std::unique_ptr<State> state_;
    std::unique_ptr<SplitFactorization> split_;
};

} // namespace xefhost
