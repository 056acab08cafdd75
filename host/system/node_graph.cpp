#include "node_graph.h"

#include <algorithm>

namespace xefhost {

namespace {

// The elements around each node, compressed like the graph itself.
void elementsAroundNodes(const Model& model, std::vector<int64_t>& start,
                         std::vector<int32_t>& list) {
    const int npe = model.nodesPerElement;
    start.assign(model.nodeCount() + 1, 0);
    for (int32_t node : model.elements) {
        ++start[node + 1];
    }
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        start[n + 1] += start[n];
    }
    list.resize(model.elements.size());
    std::vector<int64_t> fill(start.begin(), start.end() - 1);
    for (size_t e = 0; e < model.elementCount(); ++e) {
        for (int k = 0; k < npe; ++k) {
            list[fill[model.elements[e * npe + k]]++] = static_cast<int32_t>(e);
        }
    }
}

} // namespace

NodeGraph buildNodeGraph(const Model& model) {
    const int npe = model.nodesPerElement;
    const size_t nodes = model.nodeCount();
    std::vector<int64_t> around;
    std::vector<int32_t> elementsOf;
    elementsAroundNodes(model, around, elementsOf);

    NodeGraph graph;
    graph.start.assign(nodes + 1, 0);
    graph.neighbours.reserve(elementsOf.size() * 2);
    std::vector<int32_t> marker(nodes, -1);
    for (size_t j = 0; j < nodes; ++j) {
        const size_t first = graph.neighbours.size();
        for (int64_t a = around[j]; a < around[j + 1]; ++a) {
            const int32_t* en = &model.elements[static_cast<size_t>(elementsOf[a]) * npe];
            for (int k = 0; k < npe; ++k) {
                if (marker[en[k]] != static_cast<int32_t>(j)) {
                    marker[en[k]] = static_cast<int32_t>(j);
                    graph.neighbours.push_back(en[k]);
                }
            }
        }
        std::sort(graph.neighbours.begin() + first, graph.neighbours.end());
        graph.start[j + 1] = static_cast<int64_t>(graph.neighbours.size());
    }
    graph.neighbours.shrink_to_fit();
    return graph;
}

} // namespace xefhost
