#include "whole_factorization.h"

#include "cholmod_support.h"
#include "huge_pages.h"
#include "model_errors.h"

#include <stdexcept>
#include <string>

namespace xefhost {

WholeFactorization::WholeFactorization() {
    useHugePagesInSparseSolver();
    // The host numbers the unknowns in a postordered fill-reducing order of the nodes and stores
    // the lower triangle, so the matrix is factorized as it stands.
    configureFactor(common_);
}

void WholeFactorization::analyze(const SparseSystem& system) {
    cholmod_sparse matrix;
    describeLower(matrix, system.size, system.columnStart.data(), system.rowIndex.data(),
                  system.values.data());
    factor_.reset();
    factor_.reset(cholmod_analyze(&matrix, common_.get()));
    if (!factor_) {
        throw std::runtime_error("the sparse solver could not analyse the matrix: " +
                                 cholmodFailure(*common_.get()));
    }
    // The analysis workspace (about 25 MiB at 800,000 triangles) would stay allocated through the
    // factorization, which allocates the smaller one it needs itself.
    cholmod_free_work(common_.get());
}

double WholeFactorization::factorEntries() const {
    return common_->lnz;
}

double WholeFactorization::factorFlops() const {
    return common_->fl;
}

void WholeFactorization::factorize(const SparseSystem& system) {
    cholmod_sparse matrix;
    describeLower(matrix, system.size, system.columnStart.data(), system.rowIndex.data(),
                  system.values.data());
    returnFreeHeapPages();
    cholmod_factorize(&matrix, factor_.get(), common_.get());
    if (common_->status == CHOLMOD_NOT_POSDEF || factor_->minor < factor_->n) {
        throw SingularModelError("the stiffness is singular at unknown " +
                                 std::to_string(factor_->minor));
    }
    if (common_->status < CHOLMOD_OK) {
        throw std::runtime_error("the sparse factorization failed: " +
                                 cholmodFailure(*common_.get()));
    }
    // A floating part leaves a pivot at round-off level instead of an exact zero.
    requireWellConditioned(cholmod_rcond(factor_.get(), common_.get()));
}

void WholeFactorization::solve(const std::vector<double>& b, std::vector<double>& x) {
    cholmod_dense B;
    describeColumn(B, b.size(), b.data());
    CholmodDense X(common_);
    X.reset(cholmod_solve(CHOLMOD_A, factor_.get(), &B, common_.get()));
    if (!X) {
        throw std::runtime_error("the sparse solve failed (status " +
                                 std::to_string(common_->status) + ")");
    }
    const double* values = static_cast<const double*>(X->x);
    x.assign(values, values + b.size());
}

} // namespace xefhost
