// Which elements each assembly thread adds in, so that no two threads ever add into the same
// node's entries and the hot loop needs no lock or atomic.
#pragma once

#include "model.h"

#include <cstdint>
#include <vector>

namespace xefhost {

struct ElementPartition {
    int threads = 1;
    // Slots in the order the elements are added: block b is elements[blockStart[b] ..
    // blockStart[b + 1]). The blocks of round r, roundStart[r] .. roundStart[r + 1], touch no node
    // in common, so the threads take them in any order and without locks; each round starts when
    // the one before it is done.
    std::vector<int32_t> elements;
    std::vector<size_t> blockStart;
    std::vector<size_t> roundStart;
    // Each slot's element nodes ([slots][nodesPerElement]) and material, copied in slot order so
    // that the assembly reads them in storage order instead of looking each element up in the mesh.
    std::vector<int32_t> nodes;
    std::vector<int32_t> materials;
    // Identifies the order of elements, for data laid out by it (element entry positions).
    uint64_t fingerprint = 0;

    size_t rounds() const { return roundStart.size() - 1; }
    // Slots in the rounds after the first.
    size_t laterCount() const { return elements.size() - blockStart[roundStart[1]]; }
};

// Splits the elements, taken in the given order, into rounds of contiguous blocks. The first round
// cuts the order into a few blocks per thread and keeps, in each, the elements that touch no node
// of another block; the elements left over are split the same way in the next round, until few are
// left, which form one last block. An order that follows the matrix (see matrixOrderOfElements)
// makes each block's scatter walk the compressed matrix nearly in storage order; neighbouring
// elements stay together, so few are left over. On one thread: one block.
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
