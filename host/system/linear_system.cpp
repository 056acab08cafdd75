#include "linear_system.h"

#include "node_graph.h"
#include "node_ordering.h"

#include <omp.h>

#include <algorithm>

namespace xefhost {

namespace {

// Below a few hundred thousand elements an assembly takes milliseconds, less than a second thread
// costs when it must wait for a core that OpenBLAS's threads still hold after a factorization.
int assemblyThreads(size_t elements) {
    constexpr size_t kElementsPerExtraThread = 200000;
    return static_cast<int>(
        std::min<size_t>(omp_get_max_threads(), 1 + elements / kElementsPerExtraThread));
}

bool wantsSplit(const Model& model, Factorization factorization) {
    return factorization == Factorization::Split ||
           (factorization == Factorization::Automatic && omp_get_max_threads() > 1 &&
            model.nodeCount() >= kSplitFromNodes);
}

} // namespace

LinearSystem buildLinearSystem(const Model& model, Factorization factorization,
                               const ProgressReport& progress, StageClock& clock,
                               std::vector<StageCost>& stages) {
    progress("ordering the nodes");
    LinearSystem system;
    {
        // The graph is as large as the pattern: it is freed before the stage ends.
        const NodeGraph graph = buildNodeGraph(model);
        const std::optional<NodeSplit> split =
            wantsSplit(model, factorization) ? splitNodes(model, graph) : std::nullopt;
        const std::vector<int32_t> order =
            split ? splitNodeOrder(graph, *split)
                  : fillReducingNodeOrder(model, graph, NodeOrdering::MinimumDegree);
        if (split) {
            system.blocks = unknownBlocks(model, *split);
        }
        clock.finish(stages, "ordering");
        progress("building the sparse pattern");
        system.matrix = buildSparseSystem(model, graph, order);
        std::vector<int32_t> rank(order.size());
        for (size_t k = 0; k < order.size(); ++k) {
            rank[order[k]] = static_cast<int32_t>(k);
        }
        system.partition = partitionElements(model, matrixOrderOfElements(model, rank),
                                             assemblyThreads(model.elementCount()));
    }
    clock.finish(stages, "pattern");
    return system;
}

} // namespace xefhost
