// The straight-sided plane elements the bench builds: a topology's reference nodes placed on given
// physical corners, so that every element node sits where the element's own map sends it.
#pragma once

#include <array>
#include <vector>

namespace xefhost::check {

// Triangles carry area coordinates, quadrilaterals (xi, eta) in [-1, 1]^2.
enum class PlaneShape { Triangle, Quadrilateral };

using Point = std::array<double, 2>;

int cornerCount(PlaneShape shape);

// Positions [n][3] (z zero) of the n nodes whose reference coordinates (three reals per node) are
// given, on the element with these corners, counter-clockwise: area coordinates weigh a
// triangle's corners, the bilinear shape functions of the corners a quadrilateral's. Mid-side and
// centre nodes therefore land on straight edges and at the mapped centre.
std::vector<double> placeNodes(PlaneShape shape, const std::vector<double>& referenceNodes,
                               const std::vector<Point>& corners);

} // namespace xefhost::check
