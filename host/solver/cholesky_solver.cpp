#include "cholesky_solver.h"

#include "factor_memory.h"
#include "split_factorization.h"
#include "whole_factorization.h"

#include <string>

namespace xefhost {

void requireWellConditioned(double rcond) {
    if (!(rcond > 1e-14)) {
        throw SingularModelError("the stiffness is numerically singular (reciprocal condition "
                                 "estimate " +
                                 std::to_string(rcond) + ")");
    }
}

CholeskySolver::CholeskySolver(std::optional<UnknownBlocks> blocks) {
    if (blocks) {
        factorization_ = std::make_unique<SplitFactorization>(*blocks);
    } else {
        factorization_ = std::make_unique<WholeFactorization>();
    }
}

CholeskySolver::~CholeskySolver() = default;

void CholeskySolver::analyze(SparseSystem& system) {
    factorization_->analyze(system);
    requireFactorFits(factorization_->factorEntries(), memoryBudget());
}

double CholeskySolver::factorEntries() const {
    return factorization_->factorEntries();
}

double CholeskySolver::factorFlops() const {
    return factorization_->factorFlops();
}

void CholeskySolver::factorize(SparseSystem& system) {
    factorization_->factorize(system);
}

void CholeskySolver::solve(const std::vector<double>& b, std::vector<double>& x) {
    factorization_->solve(b, x);
}

} // namespace xefhost
