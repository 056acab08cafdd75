// Which elements each assembly thread adds in, so that no two threads ever add into the same
// node's entries and the hot loop needs no lock or atomic.
#pragma once

#include "model.h"

#include <cstdint>
#include <vector>

namespace xefhost {

struct ElementPartition {
    int threads = 1;
    // Thread t adds elements[start[t] .. start[t + 1]); they touch only nodes no other thread's
    // elements touch. The elements from start[threads] on touch nodes of several threads and are
    // added afterwards by one thread.
    std::vector<int32_t> elements;
    std::vector<size_t> start;
    // Each slot's element nodes ([slots][nodesPerElement]) and material, copied in slot order so
    // that the assembly reads them in storage order instead of looking each element up in the mesh.
    std::vector<int32_t> nodes;
    std::vector<int32_t> materials;
    // Identifies the order of elements, for data laid out by it (element entry positions).
    uint64_t fingerprint = 0;

    size_t sharedCount() const { return elements.size() - start[threads]; }
};

// Splits the elements, taken in the given order, into contiguous blocks. An order that follows the
// matrix (see matrixOrderOfElements) makes each thread's scatter walk the compressed matrix
// nearly in storage order; neighbouring elements stay together, so few end up shared.
ElementPartition partitionElements(const Model& model, const std::vector<int32_t>& order,
                                   int threads);

// The elements in their numbering.
std::vector<int32_t> meshOrderOfElements(const Model& model);

// The elements by the first matrix column their entries land in: the lowest-numbered unknown
// among their nodes, whose column takes most of them. nodeRank[n] is the position of node n in
// the elimination order.
std::vector<int32_t> matrixOrderOfElements(const Model& model,
                                           const std::vector<int32_t>& nodeRank);

} // namespace xefhost
