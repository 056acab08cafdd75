#include "node_ordering.h"

#include <suitesparse/cholmod.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace xefhost {

namespace {

// Index of each node among those with a free unknown, or -1; count is how many have one.
std::vector<int32_t> nodesWithUnknowns(const Model& model, size_t& count) {
    std::vector<int32_t> index(model.nodeCount(), -1);
    count = 0;
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        for (int c = 0; c < model.dofsPerNode; ++c) {
            if (!model.fixed[n * model.dofsPerNode + c]) {
                index[n] = static_cast<int32_t>(count++);
                break;
            }
        }
    }
    return index;
}

// The postordered fill-reducing permutation of a symmetric pattern given by its upper triangle.
std::vector<int32_t> permutationOf(std::vector<int32_t>& columnStart, std::vector<int32_t>& rows,
                                   NodeOrdering method) {
    const size_t n = columnStart.size() - 1;
    cholmod_sparse pattern;
    std::memset(&pattern, 0, sizeof pattern);
    pattern.nrow = pattern.ncol = n;
    pattern.nzmax = rows.size();
    pattern.p = columnStart.data();
    pattern.i = rows.data();
    pattern.stype = 1;
    pattern.itype = CHOLMOD_INT;
    pattern.xtype = CHOLMOD_PATTERN;
    pattern.dtype = CHOLMOD_DOUBLE;
    pattern.sorted = 1;
    pattern.packed = 1;

    cholmod_common common;
    cholmod_start(&common);
    common.print = 0;
    common.error_handler = nullptr;
    common.supernodal = CHOLMOD_SIMPLICIAL;
    common.nmethods = 1;
    common.method[0].ordering = method == NodeOrdering::MinimumDegree ? CHOLMOD_AMD : CHOLMOD_METIS;
    common.postorder = 1;
    cholmod_factor* symbolic = cholmod_analyze(&pattern, &common);
    if (!symbolic) {
        const int status = common.status;
        cholmod_finish(&common);
        throw std::runtime_error("the node ordering failed (status " + std::to_string(status) +
                                 ", out of memory?)");
    }
    const int32_t* perm = static_cast<const int32_t*>(symbolic->Perm);
    std::vector<int32_t> permutation(perm, perm + n);
    cholmod_free_factor(&symbolic, &common);
    cholmod_finish(&common);
    return permutation;
}

} // namespace

std::vector<int32_t> fillReducingNodeOrder(const Model& model, const NodeGraph& graph,
                                           NodeOrdering method) {
    // The ordering sees the graph of the matrix itself: a node without unknowns has nothing to
    // eliminate, and left in it would steer the minimum-degree choices as if it had.
    size_t n = 0;
    const std::vector<int32_t> index = nodesWithUnknowns(model, n);
    std::vector<int32_t> order;
    order.reserve(graph.nodeCount());
    if (n > 0) {
        // The upper triangle of the graph among those nodes.
        std::vector<int32_t> columnStart(n + 1, 0), nodeOf(n), rows;
        rows.reserve((graph.neighbours.size() + n) / 2);
        for (size_t j = 0; j < graph.nodeCount(); ++j) {
            const int32_t column = index[j];
            if (column < 0) {
                continue;
            }
            nodeOf[column] = static_cast<int32_t>(j);
            for (int64_t a = graph.start[j]; a < graph.start[j + 1]; ++a) {
                const int32_t row = index[graph.neighbours[a]];
                if (row >= 0 && row <= column) {
                    rows.push_back(row);
                }
            }
            columnStart[column + 1] = static_cast<int32_t>(rows.size());
        }
        for (int32_t k : permutationOf(columnStart, rows, method)) {
            order.push_back(nodeOf[k]);
        }
    }
    for (size_t node = 0; node < graph.nodeCount(); ++node) {
        if (index[node] < 0) {
            order.push_back(static_cast<int32_t>(node));
        }
    }
    return order;
}

} // namespace xefhost
