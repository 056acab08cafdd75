// Reference nodes are listed in an order other than Gmsh's where the topology allows, so that
// the model's renumbering is exercised too. Triangles give area coordinates, quadrilaterals
// (xi, eta, 0).
#include "element_kinds.h"

namespace molrfuzz {

namespace {

xefhost::ElementTraits plane(const char* topology, int nodeCount,
                             std::vector<double> referenceNodes, std::vector<std::string> dataNames,
                             std::vector<double> defaults) {
    xefhost::ElementTraits traits;
    traits.topology = topology;
    traits.dimensions = 2;
    traits.nodeCount = nodeCount;
    traits.nodeDofs.assign(static_cast<size_t>(nodeCount), 2);
    traits.dofCount = 2 * nodeCount;
    traits.referenceNodes = std::move(referenceNodes);
    traits.dataNames = std::move(dataNames);
    traits.dataDefaults = std::move(defaults);
    return traits;
}

} // namespace

std::vector<ElementKind> elementKinds() {
    const std::vector<std::string> elastic = {"E -Young's modulus", "$[Nu]$ -Poisson's ratio",
                                              "t -thickness"};
    const std::vector<double> defaults = {1000, 0.3, 1};
    return {
        {plane("T1", 3, {0, 1, 0, 0, 0, 1, 1, 0, 0}, elastic, defaults), false},
        {plane("Q1", 4, {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0}, elastic, defaults), false},
        {plane("T2", 6, {0, 1, 0, 0, 0, 1, 1, 0, 0, 0, .5, .5, .5, 0, .5, .5, .5, 0}, elastic,
               defaults),
         true},
        {plane("Q2", 9, {-1, -1, 0, 0, -1, 0, 1, -1, 0, 1, 0, 0, 1, 1,
                         0,  0,  1, 0, -1, 1, 0, -1, 0, 0, 0, 0, 0},
               elastic, defaults),
         true},
        // A library may describe no material data and no reference nodes.
        {plane("T1", 3, {}, {}, {}), false},
    };
}

} // namespace molrfuzz
