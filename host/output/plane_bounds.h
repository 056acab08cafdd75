// A box in the plane that starts empty and grows by points. Empty is infinite the wrong way round,
// so that the boxes of a model's pieces combine by min and max alone (an MPI reduction of each
// bound), pieces without points included.
#pragma once

#include <algorithm>
#include <cmath>

namespace xefhost {

struct PlaneBounds {
    double xMin = INFINITY, xMax = -INFINITY, yMin = INFINITY, yMax = -INFINITY;

    void add(double x, double y) {
        xMin = std::min(xMin, x);
        xMax = std::max(xMax, x);
        yMin = std::min(yMin, y);
        yMax = std::max(yMax, y);
    }
    // The box of both.
    void add(const PlaneBounds& other) {
        xMin = std::min(xMin, other.xMin);
        xMax = std::max(xMax, other.xMax);
        yMin = std::min(yMin, other.yMin);
        yMax = std::max(yMax, other.yMax);
    }
    double diagonal() const { return std::hypot(xMax - xMin, yMax - yMin); }
};

} // namespace xefhost
