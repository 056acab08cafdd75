// Which nodes share an element: the adjacency the stiffness pattern and its ordering are built on.
#pragma once

#include "model.h"

#include <cstdint>
#include <vector>

namespace xefhost {

// Compressed rows: the neighbours of node n, itself included, ascending, are
// neighbours[start[n] .. start[n + 1]).
struct NodeGraph {
    std::vector<int64_t> start;
    std::vector<int32_t> neighbours;

    size_t nodeCount() const { return start.empty() ? 0 : start.size() - 1; }
};

NodeGraph buildNodeGraph(const Model& model);

} // namespace xefhost
