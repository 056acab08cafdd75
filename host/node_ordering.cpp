#include "node_ordering.h"

#include <suitesparse/cholmod.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace xefhost {

std::vector<int32_t> fillReducingNodeOrder(const NodeGraph& graph, NodeOrdering method) {
    const size_t n = graph.nodeCount();
    if (n == 0) {
        return {};
    }
    // The graph's upper triangle as a pattern-only symmetric matrix.
    std::vector<int32_t> columnStart(n + 1, 0), rows;
    rows.reserve((graph.neighbours.size() + n) / 2);
    for (size_t j = 0; j < n; ++j) {
        for (int64_t a = graph.start[j]; a < graph.start[j + 1]; ++a) {
            if (graph.neighbours[a] <= static_cast<int32_t>(j)) {
                rows.push_back(graph.neighbours[a]);
            }
        }
        columnStart[j + 1] = static_cast<int32_t>(rows.size());
    }
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
    std::vector<int32_t> order(perm, perm + n);
    cholmod_free_factor(&symbolic, &common);
    cholmod_finish(&common);
    return order;
}

} // namespace xefhost
