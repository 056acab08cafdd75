// One element instance wired to a library's kernels the way a host calls them: through the
// addresses in its description record, with host-owned node records, outputs and work vector. The
// outputs and the plain calls' work vector end against guard pages, so that a kernel writing past
// one faults on that write.
#pragma once

#include "element_description.h"
#include "guarded_buffer.h"

#include <Eigen/Dense>

#include <vector>

namespace xefhost::check {

// Where an element sits and what its unknowns are, as the host hands them over.
struct ElementState {
    std::vector<double> coords;   // [nodeCount][3]
    std::vector<double> unknowns; // [dofCount], node by node
};

struct TangentOutput {
    Eigen::VectorXd residual;
    Eigen::MatrixXd upper; // as the kernel left it, entries below the diagonal zero
};

struct PostOutput {
    Eigen::MatrixXd gpost; // [intPointCount][gpostCount]
    Eigen::MatrixXd npost; // [nodeCount][npostCount]
    Eigen::VectorXd stored;
};

// The symmetric matrix whose upper triangle the kernel returned.
Eigen::MatrixXd completed(const Eigen::MatrixXd& upper);

// Position of each node's first unknown in the element vector.
std::vector<int> nodeOffsets(const ElSpec& es);

// Fewest reals of the work vector the bench hands over: ample for the elements it has met, and
// small enough that clearing it before each call does not drown the kernel's own time, which
// would keep concurrent calls from overlapping.
constexpr size_t kBenchWorkReals = size_t{1} << 12;
// Stored reals of the element record; the kernels' contract fixes no count for them.
constexpr size_t kStoredReals = 256;

class KernelHarness {
  public:
    // Describes the element for intCode with its default data and stores `points`, which must hold
    // intPointCount points of that code, in the record. Plain calls get workReals reals of work.
    KernelHarness(const ElementLibrary& library, int intCode, std::vector<double> points,
                  size_t workReals);
    KernelHarness(const KernelHarness&) = delete;
    KernelHarness& operator=(const KernelHarness&) = delete;

    const ElSpec& record() const { return description_.record(); }

    // Plain calls: zeroed outputs and work vector.
    TangentOutput tangent(const ElementState& state);
    PostOutput post(const ElementState& state);

    // Zeroed outputs, the caller's work vector as it stands: for canary checks.
    TangentOutput tangent(const ElementState& state, double* work);
    PostOutput post(const ElementState& state, double* work);

  private:
    void bind(const ElementState& state);

    ElementDescription description_;
    std::vector<double> points_;
    std::vector<int> offsets_;
    std::vector<double> coords_, unknowns_, stored_, rdata_;
    GuardedBuffer residual_, matrix_, gpost_, npost_, work_;
    std::vector<double*> matrixRows_, gpostRows_, npostRows_;
    std::vector<NodeValues> values_;
    std::vector<NodeKind> kinds_;
    std::vector<NodeValues*> valuePointers_;
    std::vector<NodeKind*> kindPointers_;
    ElRecord record_{};
};

} // namespace xefhost::check
