// What the element's post-processing gives for a model: values at every integration point, their
// averages at the nodes and the element's stored reals.
#pragma once

#include <vector>

namespace xefhost {

struct PostResults {
    int pointCount = 0;
    int gpostCount = 0;
    int npostCount = 0;
    std::vector<double> pointValues; // [elements][points][gpostCount]
    std::vector<double> nodeValues;  // [nodes][npostCount], averaged over the node's elements
    std::vector<double> storedSums;  // [elements][3]
};

} // namespace xefhost
