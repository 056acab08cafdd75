// VTK's cell type and node order for each plane element shape.
#pragma once

#include <vector>

namespace xefhost {

struct VtkCell {
    int type;               // 5, 22, 9, 23 or 28
    std::vector<int> order; // order[k]: the element node that is VTK's node k
};

// Found by matching the element's reference nodes to VTK's parametric coordinates, where VTK's
// triangle has r = L2, s = L3 and its quadrilateral r = (xi + 1) / 2, s = (eta + 1) / 2. Throws
// std::invalid_argument for a node count of no plane shape.
const VtkCell& vtkCellOf(int nodesPerElement);

} // namespace xefhost
