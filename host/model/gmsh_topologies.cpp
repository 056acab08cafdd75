#include "gmsh_topologies.h"

#include <cmath>
#include <stdexcept>

namespace xefhost {

namespace {

// Gmsh numbers the corners counter-clockwise, then the edge midpoints (edge k from corner k), then
// the centre; its triangle (0,0), (1,0), (0,1) gives area coordinates (1-x-y, x, y).
const GmshTopology kTopologies[] = {
    {"T1", 2, "3-node triangles", "triangles", 3, 3, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 2, 1}},
    {"T2",
     9,
     "6-node triangles",
     "triangles",
     6,
     3,
     {1, 0, 0, 0, 1, 0, 0, 0, 1, .5, .5, 0, 0, .5, .5, .5, 0, .5},
     {0, 2, 1, 5, 4, 3}},
    {"Q1",
     3,
     "4-node quadrilaterals",
     "quadrilaterals",
     4,
     4,
     {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0},
     {0, 3, 2, 1}},
    {"Q2",
     10,
     "9-node quadrilaterals",
     "quadrilaterals",
     9,
     4,
     {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0, 0, -1, 0, 1, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, 0},
     {0, 3, 2, 1, 7, 6, 5, 4, 8}},
    {"Q2S",
     16,
     "8-node quadrilaterals",
     "quadrilaterals",
     8,
     4,
     {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0, 0, -1, 0, 1, 0, 0, 0, 1, 0, -1, 0, 0},
     {0, 3, 2, 1, 7, 6, 5, 4}},
};

} // namespace

const GmshTopology* findGmshTopology(const std::string& topology) {
    for (const GmshTopology& t : kTopologies) {
        if (topology == t.topology) {
            return &t;
        }
    }
    return nullptr;
}

std::string knownTopologies() {
    std::string list;
    const size_t count = sizeof kTopologies / sizeof kTopologies[0];
    for (size_t i = 0; i < count; ++i) {
        list += (i == 0           ? ""
                 : i + 1 == count ? " and "
                                  : ", ") +
                std::string(kTopologies[i].topology);
    }
    return list;
}

std::vector<int> gmshNodeOfElementNode(const GmshTopology& topology,
                                       const std::vector<double>& elementReference) {
    std::vector<int> gmshNode(topology.nodeCount, -1);
    std::vector<bool> taken(topology.nodeCount, false);
    for (int k = 0; k < topology.nodeCount; ++k) {
        for (int g = 0; g < topology.nodeCount && gmshNode[k] < 0; ++g) {
            double distance = 0;
            for (int c = 0; c < 3; ++c) {
                distance += std::fabs(elementReference[3 * k + c] - topology.reference[3 * g + c]);
            }
            if (!taken[g] && distance < 1e-9) {
                gmshNode[k] = g;
                taken[g] = true;
            }
        }
        if (gmshNode[k] < 0) {
            throw std::runtime_error("node " + std::to_string(k + 1) + " of the element lies at (" +
                                     std::to_string(elementReference[3 * k]) + ", " +
                                     std::to_string(elementReference[3 * k + 1]) + ", " +
                                     std::to_string(elementReference[3 * k + 2]) +
                                     "), where Gmsh's " + topology.description + " have no node");
        }
    }
    return gmshNode;
}

} // namespace xefhost
