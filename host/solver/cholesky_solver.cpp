#include "cholesky_solver.h"

#include "cholmod_support.h"
#include "huge_pages.h"
#include "split_factorization.h"

#include <string>

namespace xefhost {

struct CholeskySolver::State {
    cholmod_common common;
    cholmod_factor* factor = nullptr;
    cholmod_sparse matrix;
};

void requireWellConditioned(double rcond) {
    if (!(rcond > 1e-14)) {
        throw SingularModelError("the stiffness is numerically singular (reciprocal condition "
                                 "estimate " +
                                 std::to_string(rcond) + ")");
    }
}

CholeskySolver::CholeskySolver(std::optional<UnknownBlocks> blocks)
    : state_(std::make_unique<State>()) {
    if (blocks) {
        split_ = std::make_unique<SplitFactorization>(*blocks);
        return;
    }
    useHugePagesInSparseSolver();
    // The host numbers the unknowns in a postordered fill-reducing order of the nodes and stores
    // the lower triangle, so the matrix is factorized as it stands.
    startFactorCommon(state_->common);
}

CholeskySolver::~CholeskySolver() {
    if (split_) {
        return;
    }
    if (state_->factor) {
        cholmod_free_factor(&state_->factor, &state_->common);
    }
    cholmod_finish(&state_->common);
}

void CholeskySolver::analyze(SparseSystem& system) {
    if (split_) {
        split_->analyze(system);
        return;
    }
    describeLower(state_->matrix, system.size, system.columnStart.data(), system.rowIndex.data(),
                  system.values.data());
    if (state_->factor) {
        cholmod_free_factor(&state_->factor, &state_->common);
    }
    state_->factor = cholmod_analyze(&state_->matrix, &state_->common);
    if (!state_->factor) {
        throw std::runtime_error("the sparse solver could not analyse the matrix: " +
                                 cholmodFailure(state_->common));
    }
    // The analysis workspace (about 25 MiB at 800,000 triangles) would stay allocated through the
    // factorization, which allocates the smaller one it needs itself.
    cholmod_free_work(&state_->common);
}

double CholeskySolver::factorEntries() const {
    if (split_) {
        return split_->factorEntries();
    }
    return state_->common.lnz;
}

double CholeskySolver::factorFlops() const {
    if (split_) {
        return split_->factorFlops();
    }
    return state_->common.fl;
}

void CholeskySolver::factorize(SparseSystem& system) {
    if (split_) {
        split_->factorize(system);
        return;
    }
    describeLower(state_->matrix, system.size, system.columnStart.data(), system.rowIndex.data(),
                  system.values.data());
    returnFreeHeapPages();
    cholmod_factorize(&state_->matrix, state_->factor, &state_->common);
    if (state_->common.status == CHOLMOD_NOT_POSDEF || state_->factor->minor < state_->factor->n) {
        throw SingularModelError("the stiffness is singular at unknown " +
                                 std::to_string(state_->factor->minor));
    }
    if (state_->common.status < CHOLMOD_OK) {
        throw std::runtime_error("the sparse factorization failed: " +
                                 cholmodFailure(state_->common));
    }
    // A floating part leaves a pivot at round-off level instead of an exact zero.
    requireWellConditioned(cholmod_rcond(state_->factor, &state_->common));
}

void CholeskySolver::solve(const std::vector<double>& b, std::vector<double>& x) {
    if (split_) {
        split_->solve(b, x);
        return;
    }
    cholmod_dense B;
    describeColumn(B, b.size(), b.data());
    cholmod_dense* X = cholmod_solve(CHOLMOD_A, state_->factor, &B, &state_->common);
    if (!X) {
        throw std::runtime_error("the sparse solve failed (status " +
                                 std::to_string(state_->common.status) + ")");
    }
    const double* values = static_cast<const double*>(X->x);
    x.assign(values, values + b.size());
    cholmod_free_dense(&X, &state_->common);
}

} // namespace xefhost
