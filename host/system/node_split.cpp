#include "node_split.h"

#include <algorithm>
#include <cmath>

namespace xefhost {

namespace {

// The separator's unknowns form a dense block, eliminated in about (2 nodes)^3 operations; a
// mesh of well-shaped triangles has straight cuts of order sqrt(nodes), which keep that block a
// few per cent of the work of the halves.
constexpr double kSeparatorPerRootNode = 1.5;
constexpr size_t kMaxSeparatorNodes = 1500;
constexpr double kMinPartShare = 0.25;

bool hasFreeUnknown(const Model& model, size_t node) {
    for (int c = 0; c < model.dofsPerNode; ++c) {
        if (!model.fixed[node * model.dofsPerNode + c]) {
            return true;
        }
    }
    return false;
}

// Cuts at the median of one coordinate and takes the smaller boundary layer as separator.
NodeSplit cutAtMedian(const Model& model, const NodeGraph& graph, const std::vector<char>& free,
                      int axis) {
    std::vector<double> values;
    for (size_t n = 0; n < free.size(); ++n) {
        if (free[n]) {
            values.push_back(model.coords[3 * n + axis]);
        }
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    const double median = *middle;

    NodeSplit split;
    split.part.assign(free.size(), NodePart::None);
    for (size_t n = 0; n < free.size(); ++n) {
        if (free[n]) {
            split.part[n] =
                model.coords[3 * n + axis] < median ? NodePart::First : NodePart::Second;
        }
    }
    // Nodes of each side with a neighbour on the other; either layer separates the sides.
    std::vector<char> boundary(free.size(), 0);
    size_t layer[2] = {0, 0};
    for (size_t n = 0; n < free.size(); ++n) {
        if (!free[n]) {
            continue;
        }
        for (int64_t a = graph.start[n]; a < graph.start[n + 1]; ++a) {
            const NodePart other = split.part[graph.neighbours[a]];
            if (other != NodePart::None && other != split.part[n]) {
                boundary[n] = 1;
                ++layer[static_cast<int>(split.part[n])];
                break;
            }
        }
    }
    const NodePart side = layer[0] <= layer[1] ? NodePart::First : NodePart::Second;
    for (size_t n = 0; n < free.size(); ++n) {
        if (boundary[n] && split.part[n] == side) {
            split.part[n] = NodePart::Separator;
        }
        switch (split.part[n]) {
        case NodePart::First:
            ++split.firstNodes;
            break;
        case NodePart::Second:
            ++split.secondNodes;
            break;
        case NodePart::Separator:
            ++split.separatorNodes;
            break;
        case NodePart::None:
            break;
        }
    }
    return split;
}

} // namespace

std::optional<NodeSplit> splitNodes(const Model& model, const NodeGraph& graph) {
    std::vector<char> free(model.nodeCount());
    size_t freeNodes = 0;
    for (size_t n = 0; n < free.size(); ++n) {
        free[n] = hasFreeUnknown(model, n);
        freeNodes += free[n];
    }
    if (freeNodes < 4) {
        return std::nullopt;
    }
    std::optional<NodeSplit> best;
    for (int axis = 0; axis < 2; ++axis) {
        NodeSplit split = cutAtMedian(model, graph, free, axis);
        if (!best || split.separatorNodes < best->separatorNodes) {
            best = std::move(split);
        }
    }
    const double smallerHalf = static_cast<double>(std::min(best->firstNodes, best->secondNodes));
    const double separatorLimit = std::min<double>(
        kMaxSeparatorNodes, kSeparatorPerRootNode * std::sqrt(static_cast<double>(freeNodes)));
    if (best->separatorNodes == 0 || static_cast<double>(best->separatorNodes) > separatorLimit ||
        smallerHalf < kMinPartShare * static_cast<double>(freeNodes)) {
        return std::nullopt;
    }
    return best;
}

UnknownBlocks unknownBlocks(const Model& model, const NodeSplit& split) {
    UnknownBlocks blocks;
    for (size_t n = 0; n < split.part.size(); ++n) {
        int32_t* block = nullptr;
        switch (split.part[n]) {
        case NodePart::First:
            block = &blocks.first;
            break;
        case NodePart::Second:
            block = &blocks.second;
            break;
        case NodePart::Separator:
            block = &blocks.separator;
            break;
        case NodePart::None:
            continue;
        }
        for (int c = 0; c < model.dofsPerNode; ++c) {
            *block += !model.fixed[n * model.dofsPerNode + c];
        }
    }
    return blocks;
}

} // namespace xefhost
