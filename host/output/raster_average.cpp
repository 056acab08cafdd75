// Element values averaged on a grid of cells, element by element over its covering triangles.
#include "raster_average.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace xefhost {

namespace {

struct Point {
    double x, y;
};

using Triangle = std::array<Point, 3>;

// Twice the signed area of (a, b, c): the side of line ab on which c lies.
double side(Point a, Point b, Point c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Centres on an edge count for both neighbours, so that no centre falls between two triangles.
bool covers(const Point corner[3], Point p) {
    const double d0 = side(corner[0], corner[1], p);
    const double d1 = side(corner[1], corner[2], p);
    const double d2 = side(corner[2], corner[0], p);
    return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
}

int clampedIndex(double coordinate, int count) {
    return static_cast<int>(std::clamp(std::floor(coordinate), 0.0, count - 1.0));
}

} // namespace

RasterSums rasterSums(const std::vector<double>& points, const std::vector<int32_t>& triangles,
                      int trianglesPerElement, const std::vector<double>& values, int columns,
                      int rows) {
    const size_t cells = static_cast<size_t>(columns) * rows;
    RasterSums sums{std::vector<double>(cells, 0.0), std::vector<int>(cells, 0)};
    std::vector<double>& sum = sums.sum;
    std::vector<int>& count = sums.count;
    // Neighbouring triangles of one element share edges, whose centres both of them cover.
    std::vector<size_t> lastElement(cells, values.size());
    const auto add = [&](int column, int row, size_t e) {
        const size_t cell = static_cast<size_t>(row) * columns + column;
        if (lastElement[cell] != e) {
            lastElement[cell] = e;
            sum[cell] += values[e];
            ++count[cell];
        }
    };
    const auto triangleOf = [&](size_t t) {
        Triangle corner;
        for (int k = 0; k < 3; ++k) {
            const size_t node = triangles[3 * t + k];
            corner[k] = {points[2 * node], points[2 * node + 1]};
        }
        return corner;
    };
    for (size_t e = 0; e < values.size(); ++e) {
        if (!std::isfinite(values[e])) {
            continue;
        }
        bool counted = false;
        for (int t = 0; t < trianglesPerElement; ++t) {
            const Triangle corner = triangleOf(e * trianglesPerElement + t);
            const auto [left, right] = std::minmax({corner[0].x, corner[1].x, corner[2].x});
            const auto [top, bottom] = std::minmax({corner[0].y, corner[1].y, corner[2].y});
            for (int row = clampedIndex(top - 0.5, rows); row <= clampedIndex(bottom - 0.5, rows);
                 ++row) {
                for (int column = clampedIndex(left - 0.5, columns);
                     column <= clampedIndex(right - 0.5, columns); ++column) {
                    if (covers(corner.data(), {column + 0.5, row + 0.5})) {
                        add(column, row, e);
                        counted = true;
                    }
                }
            }
        }
        if (!counted) {
            const Triangle corner = triangleOf(e * trianglesPerElement);
            add(clampedIndex((corner[0].x + corner[1].x + corner[2].x) / 3, columns),
                clampedIndex((corner[0].y + corner[1].y + corner[2].y) / 3, rows), e);
        }
    }
    return sums;
}

std::vector<double> rasterAverage(const RasterSums& sums) {
    std::vector<double> average(sums.sum.size(), std::numeric_limits<double>::quiet_NaN());
    for (size_t cell = 0; cell < average.size(); ++cell) {
        if (sums.count[cell] > 0) {
            average[cell] = sums.sum[cell] / sums.count[cell];
        }
    }
    return average;
}

std::vector<double> rasterAverage(const std::vector<double>& points,
                                  const std::vector<int32_t>& triangles, int trianglesPerElement,
                                  const std::vector<double>& values, int columns, int rows) {
    return rasterAverage(rasterSums(points, triangles, trianglesPerElement, values, columns, rows));
}

} // namespace xefhost
