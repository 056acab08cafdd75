// Sparse symmetric positive definite solve with CHOLMOD's supernodal Cholesky factorization.
#pragma once

#include "linear_solver.h"
#include "model_errors.h"
#include "node_split.h"
#include "sparse_system.h"

#include <memory>
#include <optional>
#include <vector>

namespace xefhost {

class CholeskyFactorization;

// Sparse symmetric positive definite solves, whole or split; SingularModelError (model_errors.h)
// where the stiffness cannot be factorized.
class CholeskySolver : public LinearSolver {
  public:
    // With blocks, the unknowns are numbered first half, second half, separator, and the halves
    // are factorized side by side.
    explicit CholeskySolver(std::optional<UnknownBlocks> blocks = std::nullopt);
    ~CholeskySolver();
    CholeskySolver(const CholeskySolver&) = delete;
    CholeskySolver& operator=(const CholeskySolver&) = delete;

    // Symbolic factorization: once per pattern. Throws ResourceError where the factor would not
    // fit the memory the process may take.
    void analyze(SparseSystem& system) override;
    // Entries of the factor and floating-point operations of one factorization, once analysed.
    double factorEntries() const;
    double factorFlops() const;
    // Numeric factorization of the current values; throws SingularModelError.
    void factorize(SparseSystem& system) override;
    // x = K^-1 b for the last factorization.
    void solve(const std::vector<double>& b, std::vector<double>& x) override;
    bool iterates() const override { return false; }

  private:
    std::unique_ptr<CholeskyFactorization> factorization_;
};

} // namespace xefhost
