#include "check_harness.h"

#include "call_note.h"

#include <algorithm>

namespace xefhost::check {

namespace {

Eigen::MatrixXd rowMajor(const double* buffer, int rows, int columns) {
    Eigen::MatrixXd matrix(std::max(rows, 0), std::max(columns, 0));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            matrix(r, c) = buffer[static_cast<size_t>(r) * columns + c];
        }
    }
    return matrix;
}

size_t product(int rows, int columns) {
    return static_cast<size_t>(std::max(rows, 0)) * static_cast<size_t>(std::max(columns, 0));
}

// Row pointers into a row-major buffer of rows x columns reals, as the kernels take matrices.
std::vector<double*> rowPointers(double* buffer, int rows, int columns) {
    std::vector<double*> pointers(static_cast<size_t>(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r) {
        pointers[r] = buffer + static_cast<size_t>(r) * columns;
    }
    return pointers;
}

} // namespace

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
      unknowns_(record().dofCount), stored_(kStoredReals), rdata_(kStoredReals),
      residual_(product(record().dofCount, 1), "residual"),
      matrix_(product(record().dofCount, record().dofCount), "matrix"),
      gpost_(product(record().intPointCount, record().gpostCount), "point output"),
      npost_(product(record().nodeCount, record().npostCount), "nodal output"),
      work_(workReals, "work vector"),
      matrixRows_(rowPointers(matrix_.data(), record().dofCount, record().dofCount)),
      gpostRows_(rowPointers(gpost_.data(), record().intPointCount, record().gpostCount)),
      npostRows_(rowPointers(npost_.data(), record().nodeCount, record().npostCount)),
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

TangentOutput KernelHarness::tangent(const ElementState& state, double* work) {
    bind(state);
    residual_.clear();
    matrix_.clear();
    ElSpec& es = description_.record();
    {
        const KernelCall call(KernelKind::Tangent);
        es.tangentKernel(work, &es, &record_, kindPointers_.data(), valuePointers_.data(),
                         rdata_.data(), description_.idata(), residual_.data(), matrixRows_.data());
    }
    const int n = es.dofCount;
    return {Eigen::Map<const Eigen::VectorXd>(residual_.data(), n), rowMajor(matrix_.data(), n, n)};
}

PostOutput KernelHarness::post(const ElementState& state, double* work) {
    bind(state);
    gpost_.clear();
    npost_.clear();
    ElSpec& es = description_.record();
    {
        const KernelCall call(KernelKind::Post);
        es.postKernel(work, &es, &record_, kindPointers_.data(), valuePointers_.data(),
                      rdata_.data(), description_.idata(), gpostRows_.data(), npostRows_.data());
    }
    return {rowMajor(gpost_.data(), es.intPointCount, es.gpostCount),
            rowMajor(npost_.data(), es.nodeCount, es.npostCount),
            Eigen::Map<Eigen::VectorXd>(stored_.data(), static_cast<Eigen::Index>(stored_.size()))};
}

TangentOutput KernelHarness::tangent(const ElementState& state) {
    work_.clear();
    return tangent(state, work_.data());
}

PostOutput KernelHarness::post(const ElementState& state) {
    work_.clear();
    return post(state, work_.data());
}

} // namespace xefhost::check
