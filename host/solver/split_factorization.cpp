#include "split_factorization.h"

#include "cholmod_support.h"
#include "huge_pages.h"
#include "model_errors.h"
#include "openblas_threads.h"
#include "side_by_side.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace xefhost {

namespace {

// One half with the separator: its own copy of that principal submatrix, CHOLMOD state and factor.
// The half's unknowns are numbered first, the separator's after them.
struct Half {
    CholmodCommon common;
    CholmodFactor factor{common};
    int32_t interior = 0;     // the half's own unknowns
    int32_t firstUnknown = 0; // the whole matrix's number of the first of them
    std::vector<int32_t> columnStart, rowIndex;
    std::vector<double> values;      // held only while factorizing
    Eigen::MatrixXd separatorFactor; // C: the factor's trailing separator block, lower triangular
    Eigen::MatrixXd complement;      // C C^T, lower triangle
    Eigen::VectorXd forward;         // L^-1 of the current right-hand side
    double smallestPivot = 0, largestPivot = 0; // over the half's own columns of the factor
    int32_t singularAt = -1; // the whole matrix's unknown where the factorization broke down
    std::string failure;

    int32_t size() const { return static_cast<int32_t>(columnStart.size()) - 1; }
};

// Runs work(half) for both halves side by side.
template <typename Work> void onBothHalves(Half (&halves)[2], Work work) {
    runSideBySide([&](int h) { work(halves[h]); });
}

// The half's principal submatrix of the whole lower triangle, renumbered; rows and columns of the
// other half must not appear in it.
void extractPattern(Half& half, const SparseSystem& system, int32_t separatorStart) {
    const int32_t end = half.firstUnknown + half.interior;
    const auto local = [&](int32_t row) {
        if (row >= half.firstUnknown && row < end) {
            return row - half.firstUnknown;
        }
        if (row >= separatorStart) {
            return row - separatorStart + half.interior;
        }
        throw std::logic_error("the matrix couples the two halves of a split at unknown " +
                               std::to_string(row));
    };
    const int32_t separator = system.size - separatorStart;
    half.columnStart.assign(1, 0);
    half.columnStart.reserve(static_cast<size_t>(half.interior + separator) + 1);
    half.rowIndex.clear();
    half.rowIndex.reserve(
        static_cast<size_t>(system.columnStart[end] - system.columnStart[half.firstUnknown] +
                            system.columnStart[system.size] - system.columnStart[separatorStart]));
    for (const auto& [first, last] :
         {std::pair{half.firstUnknown, end}, std::pair{separatorStart, system.size}}) {
        for (int32_t j = first; j < last; ++j) {
            for (int32_t a = system.columnStart[j]; a < system.columnStart[j + 1]; ++a) {
                half.rowIndex.push_back(local(system.rowIndex[a]));
            }
            half.columnStart.push_back(static_cast<int32_t>(half.rowIndex.size()));
        }
    }
}

// The columns of one half and those of the separator are each contiguous in the whole matrix.
void copyValues(Half& half, const SparseSystem& system, int32_t separatorStart) {
    const auto range = [&](int32_t first, int32_t last) {
        return std::pair{system.values.begin() + system.columnStart[first],
                         system.values.begin() + system.columnStart[last]};
    };
    const auto [ownBegin, ownEnd] = range(half.firstUnknown, half.firstUnknown + half.interior);
    const auto [separatorBegin, separatorEnd] = range(separatorStart, system.size);
    resizeOnHugePages(half.values, half.rowIndex.size(), 0.0);
    std::copy(separatorBegin, separatorEnd, std::copy(ownBegin, ownEnd, half.values.begin()));
}

// Reads the trailing separator block of the supernodal factor and the extreme pivots of the rest.
void readFactor(Half& half, int32_t separator) {
    const cholmod_factor& L = *half.factor.get();
    const auto* super = static_cast<const int32_t*>(L.super);
    const auto* rowStart = static_cast<const int32_t*>(L.pi);
    const auto* valueStart = static_cast<const int32_t*>(L.px);
    const auto* rows = static_cast<const int32_t*>(L.s);
    const auto* x = static_cast<const double*>(L.x);
    half.separatorFactor.setZero(separator, separator);
    half.smallestPivot = HUGE_VAL;
    half.largestPivot = 0;
    for (size_t s = 0; s < L.nsuper; ++s) {
        const int32_t first = super[s];
        const int32_t height = rowStart[s + 1] - rowStart[s];
        const int32_t* row = rows + rowStart[s];
        for (int32_t j = first; j < super[s + 1]; ++j) {
            // Column j of the supernode: its rows from the diagonal down.
            const double* column = x + valueStart[s] + static_cast<size_t>(j - first) * height;
            if (j < half.interior) {
                half.smallestPivot = std::min(half.smallestPivot, column[j - first]);
                half.largestPivot = std::max(half.largestPivot, column[j - first]);
                continue;
            }
            for (int32_t r = j - first; r < height; ++r) {
                half.separatorFactor(row[r] - half.interior, j - half.interior) = column[r];
            }
        }
    }
    half.complement.setZero(separator, separator);
    half.complement.selfadjointView<Eigen::Lower>().rankUpdate(half.separatorFactor);
}

void factorizeHalf(Half& half, const SparseSystem& system, int32_t separatorStart) {
    copyValues(half, system, separatorStart);
    cholmod_sparse A;
    describeLower(A, half.size(), half.columnStart.data(), half.rowIndex.data(),
                  half.values.data());
    cholmod_factorize(&A, half.factor.get(), half.common.get());
    std::vector<double>().swap(half.values);
    half.singularAt = -1;
    half.failure.clear();
    const auto minor = static_cast<int32_t>(half.factor->minor);
    if (half.common->status == CHOLMOD_NOT_POSDEF || minor < half.size()) {
        half.singularAt = minor < half.interior ? half.firstUnknown + minor
                                                : separatorStart + minor - half.interior;
        return;
    }
    if (half.common->status < CHOLMOD_OK) {
        half.failure = cholmodFailure(*half.common.get());
        return;
    }
    readFactor(half, system.size - separatorStart);
}

} // namespace

struct SplitFactorization::State {
    UnknownBlocks blocks;
    Half halves[2];
    Eigen::LLT<Eigen::MatrixXd> schur; // of the separator's Schur complement

    int32_t separatorStart() const { return blocks.first + blocks.second; }
};

SplitFactorization::SplitFactorization(UnknownBlocks blocks) : state_(std::make_unique<State>()) {
    useHugePagesInSparseSolver();
    state_->blocks = blocks;
    state_->halves[0].firstUnknown = 0;
    state_->halves[0].interior = blocks.first;
    state_->halves[1].firstUnknown = blocks.first;
    state_->halves[1].interior = blocks.second;
    for (Half& half : state_->halves) {
        configureFactor(half.common);
    }
}

SplitFactorization::~SplitFactorization() = default;

void SplitFactorization::analyze(const SparseSystem& system) {
    const UnknownBlocks& blocks = state_->blocks;
    if (blocks.first + blocks.second + blocks.separator != system.size) {
        throw std::logic_error("the split's blocks do not add up to the matrix's unknowns");
    }
    const int32_t separatorStart = state_->separatorStart();
    onBothHalves(state_->halves, [&](Half& half) {
        extractPattern(half, system, separatorStart);
        half.factor.reset();
        cholmod_sparse A;
        describeLower(A, half.size(), half.columnStart.data(), half.rowIndex.data(), nullptr);
        A.xtype = CHOLMOD_PATTERN;
        half.factor.reset(cholmod_analyze(&A, half.common.get()));
        if (!half.factor) {
            throw std::runtime_error("the sparse solver could not analyse the matrix: " +
                                     cholmodFailure(*half.common.get()));
        }
        cholmod_free_work(half.common.get());
    });
}

double SplitFactorization::factorEntries() const {
    // Both halves hold the separator's block; the whole matrix's factor holds it once.
    const double separator = state_->blocks.separator;
    return state_->halves[0].common->lnz + state_->halves[1].common->lnz -
           separator * (separator + 1) / 2;
}

double SplitFactorization::factorFlops() const {
    // Besides the halves: C C^T of each (s^3 / 3) and the Schur complement's Cholesky (s^3 / 3).
    const double separator = state_->blocks.separator;
    return state_->halves[0].common->fl + state_->halves[1].common->fl +
           separator * separator * separator;
}

void SplitFactorization::factorize(const SparseSystem& system) {
    const int32_t separatorStart = state_->separatorStart();
    returnFreeHeapPages();
    {
        const OneBlasThreadEach blas;
        onBothHalves(state_->halves,
                     [&](Half& half) { factorizeHalf(half, system, separatorStart); });
    }
    double smallest = HUGE_VAL, largest = 0;
    for (const Half& half : state_->halves) {
        if (half.singularAt >= 0) {
            throw SingularModelError("the stiffness is singular at unknown " +
                                     std::to_string(half.singularAt));
        }
        if (!half.failure.empty()) {
            throw std::runtime_error("the sparse factorization failed: " + half.failure);
        }
        smallest = std::min(smallest, half.smallestPivot);
        largest = std::max(largest, half.largestPivot);
    }

    // S = C1 C1^T + C2 C2^T - Kss, lower triangle.
    const int32_t separator = state_->blocks.separator;
    Eigen::MatrixXd schur = state_->halves[0].complement + state_->halves[1].complement;
    for (int32_t j = separatorStart; j < system.size; ++j) {
        for (int32_t a = system.columnStart[j]; a < system.columnStart[j + 1]; ++a) {
            schur(system.rowIndex[a] - separatorStart, j - separatorStart) -= system.values[a];
        }
    }
    state_->schur.compute(schur);
    if (state_->schur.info() != Eigen::Success) {
        throw SingularModelError("the stiffness is singular at one of unknowns " +
                                 std::to_string(separatorStart) + " to " +
                                 std::to_string(system.size - 1));
    }
    if (separator > 0) {
        const Eigen::VectorXd pivots = state_->schur.matrixLLT().diagonal();
        smallest = std::min(smallest, pivots.minCoeff());
        largest = std::max(largest, pivots.maxCoeff());
    }
    requireWellConditioned(largest > 0 ? (smallest / largest) * (smallest / largest) : 0);
}

void SplitFactorization::solve(const std::vector<double>& b, std::vector<double>& x) {
    const int32_t separatorStart = state_->separatorStart();
    const int32_t separator = state_->blocks.separator;
    const OneBlasThreadEach blas;
    // Forward: [y; ys] = L^-1 [b_half; 0], where Ksi Kii^-1 b_half = -C ys.
    onBothHalves(state_->halves, [&](Half& half) {
        Eigen::VectorXd rhs = Eigen::VectorXd::Zero(half.size());
        std::copy(b.begin() + half.firstUnknown, b.begin() + half.firstUnknown + half.interior,
                  rhs.data());
        cholmod_dense B;
        describeColumn(B, static_cast<size_t>(half.size()), rhs.data());
        CholmodDense Y(half.common);
        Y.reset(cholmod_solve(CHOLMOD_L, half.factor.get(), &B, half.common.get()));
        if (!Y) {
            throw std::runtime_error("the sparse solve failed (status " +
                                     std::to_string(half.common->status) + ")");
        }
        half.forward =
            Eigen::Map<const Eigen::VectorXd>(static_cast<const double*>(Y->x), half.size());
    });
    Eigen::VectorXd separatorRhs =
        Eigen::Map<const Eigen::VectorXd>(b.data() + separatorStart, separator);
    for (const Half& half : state_->halves) {
        separatorRhs +=
            half.separatorFactor.triangularView<Eigen::Lower>() * half.forward.tail(separator);
    }
    const Eigen::VectorXd separatorSolution = state_->schur.solve(separatorRhs);
    x.assign(b.size(), 0.0);
    std::copy(separatorSolution.data(), separatorSolution.data() + separator,
              x.begin() + separatorStart);
    // Back: L^T [x_half; xs] = [y; C^T xs] gives x_half = Kii^-1 (b_half - Kis xs).
    onBothHalves(state_->halves, [&](Half& half) {
        half.forward.tail(separator) =
            half.separatorFactor.triangularView<Eigen::Lower>().transpose() * separatorSolution;
        cholmod_dense Y;
        describeColumn(Y, static_cast<size_t>(half.size()), half.forward.data());
        CholmodDense X(half.common);
        X.reset(cholmod_solve(CHOLMOD_Lt, half.factor.get(), &Y, half.common.get()));
        if (!X) {
            throw std::runtime_error("the sparse solve failed (status " +
                                     std::to_string(half.common->status) + ")");
        }
        const auto* values = static_cast<const double*>(X->x);
        std::copy(values, values + half.interior, x.begin() + half.firstUnknown);
    });
}

} // namespace xefhost
