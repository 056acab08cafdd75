#include "check_harness.h"

#include <algorithm>

namespace xefhost::check {

namespace {

Eigen::MatrixXd rowMajor(const std::vector<double>& buffer, int rows, int columns) {
    Eigen::MatrixXd matrix(std::max(rows, 0), std::max(columns, 0));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            matrix(r, c) = buffer[static_cast<size_t>(r) * columns + c];
        }
    }
    return matrix;
}

} // namespace

std::vector<double*> rowPointers(std::vector<double>& buffer, int rows, int columns) {
    std::vector<double*> pointers(static_cast<size_t>(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r) {
        pointers[r] = buffer.data() + static_cast<size_t>(r) * columns;
    }
    return pointers;
}

Eigen::MatrixXd completed(const Eigen::MatrixXd& upper) {
    Eigen::MatrixXd full = upper.triangularView<Eigen::Upper>();
    full.triangularView<Eigen::StrictlyLower>() = upper.transpose();
    return full;
}

std::vector<int> nodeOffsets(const ElSpec& es) {
    std::vector<int> offsets(es.nodeCount);
    int next = 0;
    for (int k = 0; k < es.nodeCount; ++k) {
        offsets[k] = next;
        next += es.nodeDofs[k];
    }
    return offsets;
}

KernelHarness::KernelHarness(const ElementLibrary& library, int intCode, std::vector<double> points,
                             size_t workReals)
    : description_(library, intCode, -1), points_(std::move(points)),
      offsets_(nodeOffsets(record())), coords_(3 * record().nodeCount),
      unknowns_(record().dofCount), stored_(kStoredReals), rdata_(kStoredReals), work_(workReals),
      values_(record().nodeCount), kinds_(record().nodeCount) {
    ElSpec& es = description_.record();
    es.intPoints = points_.data();
    for (int k = 0; k < es.nodeCount; ++k) {
        kinds_[k].dofCount = es.nodeDofs[k];
        values_[k].coords = coords_.data() + 3 * k;
        values_[k].current = unknowns_.data() + offsets_[k];
        valuePointers_.push_back(&values_[k]);
        kindPointers_.push_back(&kinds_[k]);
    }
    record_.storedReals = stored_.data();
}

void KernelHarness::bind(const ElementState& state) {
    std::copy(state.coords.begin(), state.coords.end(), coords_.begin());
    std::copy(state.unknowns.begin(), state.unknowns.end(), unknowns_.begin());
    std::fill(stored_.begin(), stored_.end(), 0.0);
}

void KernelHarness::callTangent(const ElementState& state, double* work, double* residual,
                                double** rows) {
    bind(state);
    ElSpec& es = description_.record();
    es.tangentKernel(work, &es, &record_, kindPointers_.data(), valuePointers_.data(),
                     rdata_.data(), description_.idata(), residual, rows);
}

void KernelHarness::callPost(const ElementState& state, double* work, double** gpost,
                             double** npost) {
    bind(state);
    ElSpec& es = description_.record();
    es.postKernel(work, &es, &record_, kindPointers_.data(), valuePointers_.data(), rdata_.data(),
                  description_.idata(), gpost, npost);
}

TangentOutput KernelHarness::tangent(const ElementState& state) {
    const int n = record().dofCount;
    std::vector<double> residual(n, 0.0), matrix(static_cast<size_t>(n) * n, 0.0);
    std::vector<double*> rows = rowPointers(matrix, n, n);
    std::fill(work_.begin(), work_.end(), 0.0);
    callTangent(state, work_.data(), residual.data(), rows.data());
    return {Eigen::Map<Eigen::VectorXd>(residual.data(), n), rowMajor(matrix, n, n)};
}

PostOutput KernelHarness::post(const ElementState& state) {
    const ElSpec& es = record();
    std::vector<double> gpost(static_cast<size_t>(std::max(es.intPointCount, 0)) * es.gpostCount),
        npost(static_cast<size_t>(es.nodeCount) * es.npostCount);
    std::vector<double*> gpostRows = rowPointers(gpost, es.intPointCount, es.gpostCount);
    std::vector<double*> npostRows = rowPointers(npost, es.nodeCount, es.npostCount);
    std::fill(work_.begin(), work_.end(), 0.0);
    callPost(state, work_.data(), gpostRows.data(), npostRows.data());
    return {rowMajor(gpost, es.intPointCount, es.gpostCount),
            rowMajor(npost, es.nodeCount, es.npostCount),
            Eigen::Map<Eigen::VectorXd>(stored_.data(), static_cast<Eigen::Index>(stored_.size()))};
}

} // namespace xefhost::check
