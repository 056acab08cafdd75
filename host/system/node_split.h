// A cut of the mesh into two halves that share no element, joined only through a separator: the
// two halves' unknowns can then be eliminated independently, one half per thread, and only the
// separator's few unknowns wait for both.
#pragma once

#include "model.h"
#include "node_graph.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace xefhost {

enum class NodePart : int8_t { None = -1, First = 0, Second = 1, Separator = 2 };

struct NodeSplit {
    std::vector<NodePart> part; // [nodes]: None for a node without a free unknown
    size_t firstNodes = 0, secondNodes = 0, separatorNodes = 0;
};

// Free unknowns in each part: the sizes of the blocks the unknowns are numbered in.
struct UnknownBlocks {
    int32_t first = 0, second = 0, separator = 0;
};

// Halves the nodes with a free unknown at the median of x or of y, whichever needs the smaller
// separator, and takes as separator the boundary layer of the half where that layer is smaller.
// Returns nothing when the separator would be too large for its dense elimination to be cheap
// beside the halves', or when a half would hold less than a quarter of the nodes.
std::optional<NodeSplit> splitNodes(const Model& model, const NodeGraph& graph);

UnknownBlocks unknownBlocks(const Model& model, const NodeSplit& split);

} // namespace xefhost
