// The fill-reducing elimination order of the nodes. Ordering the node graph rather than the
// unknowns keeps each node's unknowns together and costs a fraction of ordering the matrix.
#pragma once

#include "node_graph.h"
#include "node_split.h"

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

// The first half's nodes, then the second half's, each ordered to fill least with the separator
// eliminated after them (the halves side by side), then the separator and last the nodes without
// unknowns, both in mesh order. Each half's order is postordered; the separator, eliminated last,
// is one dense block whatever its order.
std::vector<int32_t> splitNodeOrder(const NodeGraph& graph, const NodeSplit& split);

} // namespace xefhost
