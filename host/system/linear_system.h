// The linear system of a model, built once before any assembly: the order of the unknowns, the
// sparse pattern, the partition of the elements among the assembly's threads and, where the
// mesh is split, the three blocks of unknowns.
#pragma once

#include "element_partition.h"
#include "model.h"
#include "node_split.h"
#include "sparse_system.h"
#include "stage_clock.h"

#include <cstddef>
#include <optional>

namespace xefhost {

// How the stiffness is factorized: whole, or as two halves of the mesh side by side with their
// separator last (see SplitFactorization). Automatic splits from kSplitFromNodes nodes on and with
// a second thread; below that one thread's whole factorization takes milliseconds. Either way the
// mesh is factorized whole where no straight cut gives a small separator.
enum class Factorization { Automatic, Whole, Split };
constexpr size_t kSplitFromNodes = 50000;

struct LinearSystem {
    SparseSystem matrix;
    ElementPartition partition;
    std::optional<UnknownBlocks> blocks; // first half, second half, separator; none when whole
};

// Orders the nodes (split or fill-reducing), builds the pattern and partitions the elements,
// charging the "ordering" and "pattern" stages to stages.
LinearSystem buildLinearSystem(const Model& model, Factorization factorization,
                               const ProgressReport& progress, StageClock& clock,
                               std::vector<StageCost>& stages);

} // namespace xefhost
