// Plane reference cells built once from the utility layer's reference-node tables.
#include "reference_cell.h"

#include "XEMUtility.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace xefhost {

namespace {

int nodeAt(const std::vector<double>& points, double a, double b) {
    for (size_t k = 0; k < points.size() / 2; ++k) {
        if (std::fabs(points[2 * k] - a) < 1e-12 && std::fabs(points[2 * k + 1] - b) < 1e-12) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

// A fan over the corners; with edge nodes, a triangle at each corner and a fan over the edge nodes.
std::vector<int> coveringTriangles(const std::vector<int>& corners, const std::vector<int>& edges) {
    const int count = static_cast<int>(corners.size());
    std::vector<int> triangles;
    if (edges[0] < 0) {
        for (int k = 1; k + 1 < count; ++k) {
            triangles.insert(triangles.end(), {corners[0], corners[k], corners[k + 1]});
        }
        return triangles;
    }
    for (int k = 0; k < count; ++k) {
        triangles.insert(triangles.end(), {corners[k], edges[k], edges[(k + count - 1) % count]});
    }
    for (int k = 1; k + 1 < count; ++k) {
        triangles.insert(triangles.end(), {edges[0], edges[k], edges[k + 1]});
    }
    return triangles;
}

ReferenceCell build(const char* topology, int nodes, std::vector<Power> shapeSpace,
                    std::vector<Power> gradientSpace) {
    ReferenceCell cell;
    cell.topology = topology;
    cell.triangle = topology[0] == 'T';
    cell.nodes = nodes;
    cell.shapeSpace = std::move(shapeSpace);
    cell.gradientSpace = std::move(gradientSpace);
    const double* table = XEFSetReferenceNodes(topology);
    for (int k = 0; k < nodes; ++k) {
        cell.points.push_back(table[3 * k]);
        cell.points.push_back(table[3 * k + 1]);
    }
    // The tables list the corners first.
    const int cornerCount = cell.triangle ? 3 : 4;
    for (int k = 0; k < cornerCount; ++k) {
        cell.corners.push_back(k);
    }
    const auto& p = cell.points;
    double twiceArea = 0;
    for (int k = 0; k < cornerCount; ++k) {
        const int i = cell.corners[k], j = cell.corners[(k + 1) % cornerCount];
        twiceArea += p[2 * i] * p[2 * j + 1] - p[2 * j] * p[2 * i + 1];
    }
    if (twiceArea < 0) {
        std::reverse(cell.corners.begin(), cell.corners.end());
    }
    for (int k = 0; k < cornerCount; ++k) {
        const int i = cell.corners[k], j = cell.corners[(k + 1) % cornerCount];
        cell.edgeNodes.push_back(
            nodeAt(p, (p[2 * i] + p[2 * j]) / 2, (p[2 * i + 1] + p[2 * j + 1]) / 2));
    }
    cell.triangles = coveringTriangles(cell.corners, cell.edgeNodes);
    return cell;
}

std::vector<ReferenceCell> buildAll() {
    const std::vector<Power> constant = {{0, 0}}, linear = {{0, 0}, {1, 0}, {0, 1}};
    const std::vector<Power> quadratic = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 2}};
    std::vector<Power> bilinear = linear, serendipity = quadratic, biquadratic = quadratic;
    bilinear.push_back({1, 1});
    serendipity.insert(serendipity.end(), {{2, 1}, {1, 2}});
    biquadratic.insert(biquadratic.end(), {{2, 1}, {1, 2}, {2, 2}});
    std::vector<Power> biquadraticGradients = quadratic;
    biquadraticGradients.insert(biquadraticGradients.end(), {{2, 1}, {1, 2}});
    return {build("T1", 3, linear, constant), build("T2", 6, quadratic, linear),
            build("Q1", 4, bilinear, linear), build("Q2S", 8, serendipity, quadratic),
            build("Q2", 9, biquadratic, biquadraticGradients)};
}

} // namespace

const ReferenceCell& referenceCell(int nodesPerElement) {
    static const std::vector<ReferenceCell> cells = buildAll();
    for (const ReferenceCell& cell : cells) {
        if (cell.nodes == nodesPerElement) {
            return cell;
        }
    }
    throw std::invalid_argument("the result files know no plane element of " +
                                std::to_string(nodesPerElement) + " nodes");
}

} // namespace xefhost
