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

    size_t sharedCount() const { return elements.size() - start[threads]; }
};

// Splits the elements into contiguous blocks of their numbering (meshers number neighbours
// close together, so few elements end up shared).
ElementPartition partitionElements(const Model& model, int threads);

} // namespace xefhost
