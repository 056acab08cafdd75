// The fill-reducing elimination order of the nodes. Ordering the node graph rather than the
// unknowns keeps each node's unknowns together and costs a fraction of ordering the matrix.
#pragma once

#include "node_graph.h"

#include <cstdint>
#include <vector>

namespace xefhost {

enum class NodeOrdering { MinimumDegree, NestedDissection };

// order[k] is the node eliminated k-th; the order is postordered on the node elimination tree,
// so numbering each node's unknowns consecutively in this order needs no further permutation.
// Nodes whose unknowns are all fixed are eliminated nowhere: the ordering does not see them, and
// they come last, in mesh order.
std::vector<int32_t> fillReducingNodeOrder(const Model& model, const NodeGraph& graph,
                                           NodeOrdering method);

} // namespace xefhost
