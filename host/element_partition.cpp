#include "element_partition.h"

#include <algorithm>

namespace xefhost {

ElementPartition partitionElements(const Model& model, int threads) {
    ElementPartition partition;
    const size_t m = model.elementCount();
    const int npe = model.nodesPerElement;
    partition.threads = std::max(1, threads);
    const auto blockOf = [&](size_t e) {
        return static_cast<int32_t>(e * partition.threads / std::max<size_t>(m, 1));
    };
    // The block of the first element at each node, or -2 once elements of two blocks meet there.
    constexpr int32_t kUnused = -1, kShared = -2;
    std::vector<int32_t> owner(model.nodeCount(), kUnused);
    for (size_t e = 0; e < m; ++e) {
        const int32_t block = blockOf(e);
        for (int k = 0; k < npe; ++k) {
            int32_t& o = owner[model.elements[e * npe + k]];
            o = o == kUnused ? block : (o == block ? o : kShared);
        }
    }
    std::vector<int32_t> shared;
    partition.elements.reserve(m);
    partition.start.assign(partition.threads + 1, 0);
    for (size_t e = 0; e < m; ++e) {
        const bool isShared = std::any_of(&model.elements[e * npe], &model.elements[e * npe] + npe,
                                          [&](int32_t node) { return owner[node] == kShared; });
        if (isShared) {
            shared.push_back(static_cast<int32_t>(e));
        } else {
            partition.elements.push_back(static_cast<int32_t>(e));
            ++partition.start[blockOf(e) + 1];
        }
    }
    for (int t = 0; t < partition.threads; ++t) {
        partition.start[t + 1] += partition.start[t];
    }
    partition.elements.insert(partition.elements.end(), shared.begin(), shared.end());
    return partition;
}

} // namespace xefhost
