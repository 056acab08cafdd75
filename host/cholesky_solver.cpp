#include "cholesky_solver.h"

#include "huge_pages.h"

#include <suitesparse/cholmod.h>

#include <cstring>
#include <string>

namespace xefhost {

struct CholeskySolver::State {
    cholmod_common common;
    cholmod_factor* factor = nullptr;
    cholmod_sparse matrix;
};

namespace {

// A view of the host's arrays as a CHOLMOD matrix: lower triangle, sorted, packed; no copy.
void describe(cholmod_sparse& A, SparseSystem& system) {
    std::memset(&A, 0, sizeof A);
    A.nrow = A.ncol = static_cast<size_t>(system.size);
    A.nzmax = system.nonzeros();
    A.p = system.columnStart.data();
    A.i = system.rowIndex.data();
    A.x = system.values.data();
    A.stype = -1;
    A.itype = CHOLMOD_INT;
    A.xtype = CHOLMOD_REAL;
    A.dtype = CHOLMOD_DOUBLE;
    A.sorted = 1;
    A.packed = 1;
}

// What a failed CHOLMOD call's status means for the user.
std::string failure(const cholmod_common& common) {
    switch (common.status) {
    case CHOLMOD_OUT_OF_MEMORY:
        return "out of memory";
    case CHOLMOD_TOO_LARGE:
        return "the factor has more entries than the solver's 32-bit indices hold";
    default:
        return "CHOLMOD status " + std::to_string(common.status);
    }
}

} // namespace

CholeskySolver::CholeskySolver() : state_(std::make_unique<State>()) {
    useHugePagesInSparseSolver();
    cholmod_start(&state_->common);
    state_->common.supernodal = CHOLMOD_SUPERNODAL;
    // The host numbers the unknowns in a postordered fill-reducing order of the nodes and stores
    // the lower triangle, so the matrix is factorized as it stands: no second ordering and no
    // permuted or transposed copy of it.
    state_->common.nmethods = 1;
    state_->common.method[0].ordering = CHOLMOD_NATURAL;
    state_->common.postorder = 0;
    state_->common.print = 0;
    state_->common.error_handler = nullptr;
}

CholeskySolver::~CholeskySolver() {
    if (state_->factor) {
        cholmod_free_factor(&state_->factor, &state_->common);
    }
    cholmod_finish(&state_->common);
}

void CholeskySolver::analyze(SparseSystem& system) {
    describe(state_->matrix, system);
    if (state_->factor) {
        cholmod_free_factor(&state_->factor, &state_->common);
    }
    state_->factor = cholmod_analyze(&state_->matrix, &state_->common);
    if (!state_->factor) {
        throw std::runtime_error("the sparse solver could not analyse the matrix: " +
                                 failure(state_->common));
    }
    // The analysis workspace (about 25 MiB at 800,000 triangles) would stay allocated through the
    // factorization, which allocates the smaller one it needs itself.
    cholmod_free_work(&state_->common);
}

double CholeskySolver::factorEntries() const {
    return state_->common.lnz;
}

double CholeskySolver::factorFlops() const {
    return state_->common.fl;
}

void CholeskySolver::factorize(SparseSystem& system) {
    describe(state_->matrix, system);
    returnFreeHeapPages();
    cholmod_factorize(&state_->matrix, state_->factor, &state_->common);
    if (state_->common.status == CHOLMOD_NOT_POSDEF || state_->factor->minor < state_->factor->n) {
        throw SingularModelError("the stiffness is singular at unknown " +
                                 std::to_string(state_->factor->minor));
    }
    if (state_->common.status < CHOLMOD_OK) {
        throw std::runtime_error("the sparse factorization failed: " + failure(state_->common));
    }
    // A floating part leaves a pivot at round-off level instead of an exact zero.
    const double rcond = cholmod_rcond(state_->factor, &state_->common);
    if (!(rcond > 1e-14)) {
        throw SingularModelError("the stiffness is numerically singular (reciprocal condition "
                                 "estimate " +
                                 std::to_string(rcond) + ")");
    }
}

void CholeskySolver::solve(const std::vector<double>& b, std::vector<double>& x) {
    cholmod_dense B;
    std::memset(&B, 0, sizeof B);
    B.nrow = b.size();
    B.ncol = 1;
    B.nzmax = b.size();
    B.d = b.size();
    B.x = const_cast<double*>(b.data());
    B.xtype = CHOLMOD_REAL;
    B.dtype = CHOLMOD_DOUBLE;
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
