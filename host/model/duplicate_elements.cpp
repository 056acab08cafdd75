#include "duplicate_elements.h"

#include <algorithm>
#include <array>
#include <vector>

namespace xefhost {

namespace {

constexpr int kMaxNodes = 64;

// The element's nodes in ascending order.
std::array<int32_t, kMaxNodes> sortedNodes(const Model& model, size_t e, int npe) {
    std::array<int32_t, kMaxNodes> nodes{};
    const int32_t* first = &model.elements[e * npe];
    std::copy(first, first + npe, nodes.begin());
    std::sort(nodes.begin(), nodes.begin() + npe);
    return nodes;
}

} // namespace

std::optional<std::pair<size_t, size_t>> findDuplicateElements(const Model& model) {
    const int npe = model.nodesPerElement;
    const size_t m = model.elementCount();
    if (npe <= 0 || npe > kMaxNodes || m < 2) {
        return std::nullopt;
    }
    // Elements by their smallest node, in element order within each node (a counting sort).
    std::vector<int32_t> start(model.nodeCount() + 1, 0);
    std::vector<int32_t> smallest(m);
    for (size_t e = 0; e < m; ++e) {
        const int32_t* nodes = &model.elements[e * npe];
        smallest[e] = *std::min_element(nodes, nodes + npe);
        ++start[smallest[e] + 1];
    }
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        start[n + 1] += start[n];
    }
    std::vector<int32_t> order(m), next(start.begin(), start.end() - 1);
    for (size_t e = 0; e < m; ++e) {
        order[next[smallest[e]]++] = static_cast<int32_t>(e);
    }
    std::optional<std::pair<size_t, size_t>> first;
    for (size_t n = 0; n < model.nodeCount(); ++n) {
        for (int32_t a = start[n]; a < start[n + 1]; ++a) {
            const auto nodesA = sortedNodes(model, order[a], npe);
            for (int32_t b = a + 1; b < start[n + 1]; ++b) {
                if (nodesA == sortedNodes(model, order[b], npe) &&
                    (!first || static_cast<size_t>(order[a]) < first->first)) {
                    first = std::pair<size_t, size_t>(order[a], order[b]);
                }
            }
        }
    }
    return first;
}

} // namespace xefhost
