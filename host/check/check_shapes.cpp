#include "check_shapes.h"

#include <cstddef>

namespace xefhost::check {

int cornerCount(PlaneShape shape) {
    return shape == PlaneShape::Triangle ? 3 : 4;
}

std::vector<double> placeNodes(PlaneShape shape, const std::vector<double>& referenceNodes,
                               const std::vector<Point>& corners) {
    // The quadrilateral's corners in reference order, counter-clockwise from (-1, -1).
    static const double kQuadCorners[4][2] = {{-1.0, -1.0}, {1.0, -1.0}, {1.0, 1.0}, {-1.0, 1.0}};
    const std::size_t nodeCount = referenceNodes.size() / 3;
    std::vector<double> coords(3 * nodeCount, 0.0);
    for (std::size_t k = 0; k < nodeCount; ++k) {
        const double* reference = &referenceNodes[3 * k];
        for (int c = 0; c < cornerCount(shape); ++c) {
            const double weight = shape == PlaneShape::Triangle
                                      ? reference[c]
                                      : 0.25 * (1.0 + kQuadCorners[c][0] * reference[0]) *
                                            (1.0 + kQuadCorners[c][1] * reference[1]);
            coords[3 * k] += weight * corners[c][0];
            coords[3 * k + 1] += weight * corners[c][1];
        }
    }
    return coords;
}

} // namespace xefhost::check
