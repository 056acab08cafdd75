#include "element_partition.h"

#include <algorithm>
#include <numeric>

namespace xefhost {

std::vector<int32_t> meshOrderOfElements(const Model& model) {
    std::vector<int32_t> order(model.elementCount());
    std::iota(order.begin(), order.end(), 0);
    return order;
}

std::vector<int32_t> matrixOrderOfElements(const Model& model,
                                           const std::vector<int32_t>& nodeRank) {
    const size_t m = model.elementCount();
    const int npe = model.nodesPerElement;
    // A counting sort on the first node rank keeps elements of equal key in mesh order.
    std::vector<int64_t> start(nodeRank.size() + 1, 0);
    std::vector<int32_t> key(m);
    for (size_t e = 0; e < m; ++e) {
        int32_t first = nodeRank[model.elements[e * npe]];
        for (int k = 1; k < npe; ++k) {
            first = std::min(first, nodeRank[model.elements[e * npe + k]]);
        }
        key[e] = first;
        ++start[first + 1];
    }
    for (size_t r = 0; r < nodeRank.size(); ++r) {
        start[r + 1] += start[r];
    }
    std::vector<int32_t> order(m);
    for (size_t e = 0; e < m; ++e) {
        order[start[key[e]]++] = static_cast<int32_t>(e);
    }
    return order;
}

ElementPartition partitionElements(const Model& model, const std::vector<int32_t>& order,
                                   int threads) {
    ElementPartition partition;
    const size_t m = order.size();
    const int npe = model.nodesPerElement;
    partition.threads = std::max(1, threads);
    std::vector<int32_t> blockOfElement(model.elementCount());
    for (size_t a = 0; a < m; ++a) {
        blockOfElement[order[a]] = static_cast<int32_t>(a * partition.threads / m);
    }
    const auto blockOf = [&](size_t e) { return blockOfElement[e]; };
    // The block of the first element at each node, or -2 once elements of two blocks meet there.
    constexpr int32_t kUnused = -1, kShared = -2;
    std::vector<int32_t> owner(model.nodeCount(), kUnused);
    for (int32_t e : order) {
        const int32_t block = blockOf(e);
        for (int k = 0; k < npe; ++k) {
            int32_t& o = owner[model.elements[static_cast<size_t>(e) * npe + k]];
            o = o == kUnused ? block : (o == block ? o : kShared);
        }
    }
    std::vector<int32_t> shared;
    partition.elements.reserve(m);
    partition.start.assign(partition.threads + 1, 0);
    for (int32_t e : order) {
        const bool isShared = std::any_of(&model.elements[static_cast<size_t>(e) * npe],
                                          &model.elements[static_cast<size_t>(e) * npe] + npe,
                                          [&](int32_t node) { return owner[node] == kShared; });
        if (isShared) {
            shared.push_back(e);
        } else {
            partition.elements.push_back(e);
            ++partition.start[blockOf(e) + 1];
        }
    }
    for (int t = 0; t < partition.threads; ++t) {
        partition.start[t + 1] += partition.start[t];
    }
    partition.elements.insert(partition.elements.end(), shared.begin(), shared.end());
    partition.nodes.resize(m * npe);
    partition.materials.resize(m);
    for (size_t a = 0; a < m; ++a) {
        const auto e = static_cast<size_t>(partition.elements[a]);
        std::copy_n(&model.elements[e * npe], npe, &partition.nodes[a * npe]);
        partition.materials[a] = model.elementMaterial[e];
    }
    // FNV-1a over the order and the thread blocks.
    uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
    for (const int32_t e : partition.elements) {
        mix(static_cast<uint32_t>(e));
    }
    for (const size_t s : partition.start) {
        mix(s);
    }
    partition.fingerprint = hash;
    return partition;
}

} // namespace xefhost
