// The patches of the patch test: a few distorted elements of the topology's shape filling a
// polygon, nodes shared wherever two elements place one at the same position (corners, mid-side
// nodes), and every node on the polygon's edges marked as boundary.
#pragma once

#include "check_context.h"

#include <array>
#include <vector>

namespace xefhost::check {

struct Patch {
    std::vector<std::array<double, 2>> positions;
    std::vector<std::vector<int>> elementNodes; // patch node of every element node
    std::vector<int> offsets;                   // first patch unknown of every patch node
    std::vector<int> dofs;                      // unknowns of every patch node
    std::vector<bool> onBoundary;
    int unknownCount = 0;
};

// Triangles: five around one interior corner, no two alike. Quadrilaterals: the classic patch of
// an inner distorted quadrilateral joined to the sides of a rectangle by four others. Only when the
// context's kernelBlocker is empty.
Patch buildPatch(const CheckContext& context);

} // namespace xefhost::check
