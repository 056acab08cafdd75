// The plane element shapes that the result files know, by node count: 3 and 6 nodes (triangles
// T1, T2), 4, 8 and 9 nodes (quadrilaterals Q1, Q2S, Q2). Everything here is derived from the
// utility layer's reference nodes, so that it follows the element's node order whatever it is.
#pragma once

#include "plane_polynomials.h"

#include <string>
#include <vector>

namespace xefhost {

struct ReferenceCell {
    std::string topology; // "T1", "T2", "Q1", "Q2S" or "Q2"
    bool triangle = false;
    int nodes = 0;
    // Two per node in element node order: (L1, L2) for triangles, (xi, eta) for quadrilaterals.
    std::vector<double> points;
    std::vector<int> corners;   // counter-clockwise in the reference plane
    std::vector<int> edgeNodes; // the node inside the edge corners[k] -> corners[k + 1], or -1
    // Three nodes each, covering the cell: curved edges are taken by their chords through the
    // edge nodes.
    std::vector<int> triangles;
    // The polynomial space of the shape functions, and a smaller one that holds their
    // derivatives: the space in which the element's strains and stresses lie.
    std::vector<Power> shapeSpace, gradientSpace;
};

// Throws std::invalid_argument for a node count of no plane shape.
const ReferenceCell& referenceCell(int nodesPerElement);

} // namespace xefhost
