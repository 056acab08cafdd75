// What the model needs to know of an element, as plain values: the caller reads them from the
// element's description, so that the model never depends on how elements are loaded.
#pragma once

#include <string>
#include <vector>

namespace xefhost {

struct ElementTraits {
    std::string topology; // "T1", "Q1", ...; empty when the element gives none
    int dimensions = 0;
    int nodeCount = 0;
    std::vector<int> nodeDofs;          // unknowns at each node, empty when the element gives none
    int dofCount = 0;                   // unknowns of the element in all
    std::vector<double> referenceNodes; // [nodeCount][3]; empty when the element gives none
    std::vector<std::string> dataNames;
    std::vector<double> dataDefaults; // one per data name
};

} // namespace xefhost
