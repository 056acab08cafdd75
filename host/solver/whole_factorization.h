// CHOLMOD's supernodal Cholesky factorization of the whole matrix, on as many threads as
// OpenBLAS has.
#pragma once

#include "cholesky_factorization.h"
#include "cholmod_holders.h"

namespace xefhost {

class WholeFactorization final : public CholeskyFactorization {
  public:
    WholeFactorization();

    void analyze(const SparseSystem& system) override;
    double factorEntries() const override;
    double factorFlops() const override;
    void factorize(const SparseSystem& system) override;
    void solve(const std::vector<double>& b, std::vector<double>& x) override;

  private:
    CholmodCommon common_;
    CholmodFactor factor_{common_};
};

} // namespace xefhost
