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

namespace {

// Blocks per thread in a round: more than one, so that a thread that runs slower (on a shared
// machine, it happens) leaves more of them to the others.
constexpr size_t kBlocksPerThread = 4;
// Below this many elements per thread a round gains less than its wait costs: one last block.
constexpr size_t kLeastPerThread = 256;

// Splits `order` into `count` contiguous blocks and appends a round of them to `partition`, each
// block holding those of its elements that touch no node of another block; the others go to
// `shared`, in order. Unless count is 1, a round of fewer than two blocks would run on one thread
// and still leave elements over: then nothing is appended and false returned.
bool addRound(const Model& model, const std::vector<int32_t>& order, size_t count,
              std::vector<int32_t>& blockOfElement, std::vector<int32_t>& owner,
              ElementPartition& partition, std::vector<int32_t>& shared) {
    const size_t m = order.size();
    const int npe = model.nodesPerElement;
    for (size_t a = 0; a < m; ++a) {
        blockOfElement[order[a]] = static_cast<int32_t>(a * count / m);
    }
    // The block of the first element at each node, or -2 once elements of two blocks meet there.
    constexpr int32_t kUnused = -1, kShared = -2;
    for (int32_t e : order) {
        for (int k = 0; k < npe; ++k) {
            owner[model.elements[static_cast<size_t>(e) * npe + k]] = kUnused;
        }
    }
    for (int32_t e : order) {
        const int32_t block = blockOfElement[e];
        for (int k = 0; k < npe; ++k) {
            int32_t& o = owner[model.elements[static_cast<size_t>(e) * npe + k]];
            o = o == kUnused ? block : (o == block ? o : kShared);
        }
    }
    const auto isShared = [&](int32_t e) {
        const int32_t* nodes = &model.elements[static_cast<size_t>(e) * npe];
        return std::any_of(nodes, nodes + npe,
                           [&](int32_t node) { return owner[node] == kShared; });
    };
    std::vector<size_t> sizes(count, 0);
    for (int32_t e : order) {
        if (!isShared(e)) {
            ++sizes[blockOfElement[e]];
        }
    }
    if (count > 1 &&
        std::count_if(sizes.begin(), sizes.end(), [](size_t n) { return n > 0; }) < 2) {
        return false;
    }
    shared.clear();
    for (int32_t e : order) {
        if (isShared(e)) {
            shared.push_back(e);
        } else {
            partition.elements.push_back(e);
        }
    }
    // Elements were appended in order, so block by block.
    size_t at = partition.blockStart.back();
    for (size_t b = 0; b < count; ++b) {
        if (sizes[b] > 0) {
            at += sizes[b];
            partition.blockStart.push_back(at);
        }
    }
    partition.roundStart.push_back(partition.blockStart.size() - 1);
    return true;
}

} // namespace

ElementPartition partitionElements(const Model& model, const std::vector<int32_t>& order,
                                   int threads) {
    ElementPartition partition;
    const size_t m = order.size();
    const int npe = model.nodesPerElement;
    partition.threads = std::max(1, threads);
    partition.elements.reserve(m);
    partition.blockStart.push_back(0);
    partition.roundStart.push_back(0);
    std::vector<int32_t> blockOfElement(model.elementCount());
    std::vector<int32_t> owner(model.nodeCount());
    const auto threadCount = static_cast<size_t>(partition.threads);
    std::vector<int32_t> left = order, shared;
    while (!left.empty()) {
        const bool last = threadCount == 1 || left.size() < kLeastPerThread * threadCount;
        if (last || !addRound(model, left, kBlocksPerThread * threadCount, blockOfElement, owner,
                              partition, shared)) {
            addRound(model, left, 1, blockOfElement, owner, partition, shared);
        }
        left.swap(shared);
    }
    if (partition.roundStart.size() == 1) {
        partition.blockStart.push_back(0);
        partition.roundStart.push_back(1);
    }
    partition.nodes.resize(m * npe);
    partition.materials.resize(m);
    for (size_t a = 0; a < m; ++a) {
        const auto e = static_cast<size_t>(partition.elements[a]);
        std::copy_n(&model.elements[e * npe], npe, &partition.nodes[a * npe]);
        partition.materials[a] = model.elementMaterial[e];
    }
    // FNV-1a over the order and the blocks.
    uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
    for (const int32_t e : partition.elements) {
        mix(static_cast<uint32_t>(e));
    }
    for (const size_t s : partition.blockStart) {
        mix(s);
    }
    for (const size_t s : partition.roundStart) {
        mix(s);
    }
    partition.fingerprint = hash;
    return partition;
}

} // namespace xefhost
