// The global stiffness as a compressed symmetric pattern built once from the mesh, with the
// position of every element entry precomputed so that assembly is a plain scatter.
#pragma once

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
    // [elements][entriesPerElement]: index in values; the discard slot where an unknown is fixed
    std::vector<int32_t> positions;

    size_t nonzeros() const { return rowIndex.size(); }
};

// Numbers the free unknowns node by node in the given elimination order of the nodes and builds
// the pattern on the node graph; positions are left empty.
SparseSystem buildSparseSystem(const Model& model, const NodeGraph& graph,
                               const std::vector<int32_t>& nodeOrder);

// Fills positions, on the given number of threads: where each entry of each element's upper
// triangle lands.
void locateElementEntries(const Model& model, SparseSystem& system, int threads);

// Frees positions while the factorization needs the memory.
void releaseElementEntries(SparseSystem& system);

} // namespace xefhost
