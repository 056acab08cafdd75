// The global stiffness as a compressed symmetric pattern built once from the mesh, with the
// position of every element entry precomputed so that assembly is a plain scatter.
#pragma once

#include "element_partition.h"
#include "model.h"
#include "node_graph.h"

#include <cstdint>
#include <vector>

namespace xefhost {

struct SparseSystem {
    int32_t size = 0;              // free unknowns
    std::vector<int32_t> equation; // [dofs]: free unknown number, or -1 where fixed
    // Lower triangle compressed by column, the form CHOLMOD's supernodal factorization reads in
    // place: column j holds rows j and below.
    std::vector<int32_t> columnStart; // [size + 1]
    std::vector<int32_t> rowIndex;    // [nonzeros], ascending within a column, diagonal first
    std::vector<double> values;       // [nonzeros + 1]: the last one is a discard slot
    int entriesPerElement = 0;        // dofs (dofs + 1) / 2: the element's upper triangle
    // [slots][entriesPerElement]: index in values, the discard slot where an unknown is fixed.
    // Slot a holds element partition.elements[a] of the partition they were located for, so
    // that the assembly reads them in storage order.
    std::vector<int32_t> positions;
    uint64_t positionsFingerprint = 0; // that partition's fingerprint

    size_t nonzeros() const { return rowIndex.size(); }
};

// Numbers the free unknowns node by node in the given elimination order of the nodes and builds
// the pattern on the node graph; positions are left empty.
SparseSystem buildSparseSystem(const Model& model, const NodeGraph& graph,
                               const std::vector<int32_t>& nodeOrder);

// Fills positions in the order of the partition's elements, on its threads: where each entry of
// each element's upper triangle lands.
void locateElementEntries(const Model& model, SparseSystem& system,
                          const ElementPartition& partition);

// Frees positions while the factorization needs the memory.
void releaseElementEntries(SparseSystem& system);

} // namespace xefhost
