// Cholesky factorization of a matrix whose unknowns come in three blocks, first half, second half
// and separator, with no entry coupling the halves:
//
//     [ K11   0   K1s ]        each half with the separator, [ Kii  Kis ], is a principal
//     [  0   K22  K2s ]        submatrix and so positive      [ Ksi  Kss ]
//     [ Ks1  Ks2  Kss ]        definite; its factor's last block Cii gives
//                              Cii Cii^T = Kss - Ksi Kii^-1 Kis.
//
// The halves are factorized side by side, one thread each; the separator's Schur complement
// S = C11 C11^T + C22 C22^T - Kss is dense and factorized last. The result is the block Cholesky
// factorization of the whole matrix, without the work of either half waiting for the other.
#pragma once

#include "cholesky_factorization.h"
#include "node_split.h"

#include <memory>
#include <vector>

namespace xefhost {

class SplitFactorization final : public CholeskyFactorization {
  public:
    explicit SplitFactorization(UnknownBlocks blocks);
    ~SplitFactorization();
    SplitFactorization(const SplitFactorization&) = delete;
    SplitFactorization& operator=(const SplitFactorization&) = delete;

    void analyze(const SparseSystem& system) override;
    double factorEntries() const override;
    double factorFlops() const override;
    // Throws SingularModelError as the whole matrix's factorization would.
    void factorize(const SparseSystem& system) override;
    void solve(const std::vector<double>& b, std::vector<double>& x) override;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace xefhost
