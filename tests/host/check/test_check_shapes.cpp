// Placing reference nodes on physical corners: every catalogue node of a plane topology lands where
// plain geometry puts it on the straight-sided element (corners on corners, mid-side nodes halfway
// along their edge, a quadrilateral's centre node at the mean of its corners), for distorted
// corners.
#include "check_reference_data.h"
#include "check_shapes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using xefhost::check::PlaneShape;
using xefhost::check::Point;

// Where node k of a topology belongs, from its role: corner c, the midpoint of the edge from
// corner c to the next, or the centre; the catalogue lists corners, then edges, then the centre.
Point expectedPosition(int k, const std::vector<Point>& corners) {
    const int n = static_cast<int>(corners.size());
    if (k < n) {
        return corners[k];
    }
    if (k < 2 * n) {
        const Point& a = corners[k - n];
        const Point& b = corners[(k - n + 1) % n];
        return {0.5 * (a[0] + b[0]), 0.5 * (a[1] + b[1])};
    }
    Point centre = {0.0, 0.0};
    for (const Point& c : corners) {
        centre[0] += c[0] / n;
        centre[1] += c[1] / n;
    }
    return centre;
}

TEST(CheckShapes, EveryPlaneTopologyPlacesItsNodesWhereGeometrySays) {
    const struct {
        const char* topology;
        PlaneShape shape;
        int nodes;
    } cases[] = {{"T1", PlaneShape::Triangle, 3},       {"T2", PlaneShape::Triangle, 6},
                 {"P1", PlaneShape::Triangle, 3},       {"P2", PlaneShape::Triangle, 6},
                 {"Q1", PlaneShape::Quadrilateral, 4},  {"Q2", PlaneShape::Quadrilateral, 9},
                 {"Q2S", PlaneShape::Quadrilateral, 8}, {"S1", PlaneShape::Quadrilateral, 4},
                 {"S2", PlaneShape::Quadrilateral, 8}};
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> jitter(-0.2, 0.2);
    for (const auto& c : cases) {
        ASSERT_EQ(xefhost::check::planeShapeOf(c.topology), c.shape) << c.topology;
        const std::vector<double> reference = xefhost::check::referenceNodesFor(c.topology);
        ASSERT_EQ(reference.size(), 3u * c.nodes) << c.topology;
        const std::vector<Point> square = {{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}, {0.0, 1.0}};
        std::vector<Point> corners;
        for (int i = 0; i < xefhost::check::cornerCount(c.shape); ++i) {
            corners.push_back({square[i][0] + jitter(random), square[i][1] + jitter(random)});
        }
        if (c.shape == PlaneShape::Triangle) {
            corners[2] = {0.5 + jitter(random), 1.0 + jitter(random)};
        }
        const std::vector<double> placed = xefhost::check::placeNodes(c.shape, reference, corners);
        ASSERT_EQ(placed.size(), reference.size()) << c.topology;
        for (int k = 0; k < c.nodes; ++k) {
            const Point expected = expectedPosition(k, corners);
            EXPECT_NEAR(placed[3 * k], expected[0], 1e-15) << c.topology << " node " << k + 1;
            EXPECT_NEAR(placed[3 * k + 1], expected[1], 1e-15) << c.topology << " node " << k + 1;
            EXPECT_EQ(placed[3 * k + 2], 0.0) << c.topology << " node " << k + 1;
        }
    }
}

TEST(CheckShapes, LinesSolidsAndUnknownCodesHaveNoPlaneShape) {
    for (const char* topology : {"L1", "L2", "C1", "C2", "O1", "O2", "H1", "H2", "H2S", "R4", ""}) {
        EXPECT_FALSE(xefhost::check::planeShapeOf(topology).has_value()) << topology;
    }
    EXPECT_TRUE(xefhost::check::referenceNodesFor("R4").empty());
    // Solids keep their whole table, never a count taken from the element.
    EXPECT_EQ(xefhost::check::referenceNodesFor("H2").size(), 3u * 27);
}

} // namespace
