// The plane element topologies the host can take from Gmsh: each one's Gmsh element type, its
// corners, and its nodes in Gmsh's order placed in the reference coordinates elements use (area
// coordinates for triangles, (xi, eta) in [-1, 1]^2 for quadrilaterals). An element's own node
// order is matched to Gmsh's through those coordinates, never assumed.
#pragma once

#include <string>
#include <vector>

namespace xefhost {

struct GmshTopology {
    const char* topology; // the element's code: "T1", "T2", "Q1", "Q2", "Q2S"
    int gmshType;
    const char* description; // "6-node triangles"
    const char* shape;       // "triangles" or "quadrilaterals"
    int nodeCount;
    int cornerCount;
    std::vector<double> reference; // [nodeCount][3], Gmsh's node order
    std::vector<int> mirrored;     // Gmsh's node order of the element turned over
};

// The entry of a topology code, or null when the host has none.
const GmshTopology* findGmshTopology(const std::string& topology);

// The codes the host knows, for messages: "T1, T2, Q1, Q2 and Q2S".
std::string knownTopologies();

// For each element node, the Gmsh node at the same reference position. Throws std::runtime_error,
// naming the node, when the element's reference nodes are not a reordering of Gmsh's.
std::vector<int> gmshNodeOfElementNode(const GmshTopology& topology,
                                       const std::vector<double>& elementReference);

} // namespace xefhost
