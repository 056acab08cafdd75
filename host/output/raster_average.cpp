#include "raster_average.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace xefhost {

namespace {

struct Point {
    double x, y;
};

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

std::vector<double> rasterAverage(const std::vector<double>& points,
                                  const std::vector<int32_t>& triangles,
                                  const std::vector<double>& values, int columns, int rows) {
    const size_t cells = static_cast<size_t>(columns) * rows;
    std::vector<double> sum(cells, 0.0);
    std::vector<int> count(cells, 0);
    const auto add = [&](int column, int row, double value) {
        const size_t cell = static_cast<size_t>(row) * columns + column;
        sum[cell] += value;
        ++count[cell];
    };
    for (size_t e = 0; e < values.size(); ++e) {
        if (!std::isfinite(values[e])) {
            continue;
        }
        Point corner[3];
        for (int k = 0; k < 3; ++k) {
            const size_t node = triangles[3 * e + k];
            corner[k] = {points[2 * node], points[2 * node + 1]};
        }
        const auto [left, right] = std::minmax({corner[0].x, corner[1].x, corner[2].x});
        const auto [top, bottom] = std::minmax({corner[0].y, corner[1].y, corner[2].y});
        bool counted = false;
        for (int row = clampedIndex(top - 0.5, rows); row <= clampedIndex(bottom - 0.5, rows);
             ++row) {
            for (int column = clampedIndex(left - 0.5, columns);
                 column <= clampedIndex(right - 0.5, columns); ++column) {
                if (covers(corner, {column + 0.5, row + 0.5})) {
                    add(column, row, values[e]);
                    counted = true;
                }
            }
        }
        if (!counted) {
            add(clampedIndex((corner[0].x + corner[1].x + corner[2].x) / 3, columns),
                clampedIndex((corner[0].y + corner[1].y + corner[2].y) / 3, rows), values[e]);
        }
    }
    std::vector<double> average(cells, std::numeric_limits<double>::quiet_NaN());
    for (size_t cell = 0; cell < cells; ++cell) {
        if (count[cell] > 0) {
            average[cell] = sum[cell] / count[cell];
        }
    }
    return average;
}

} // namespace xefhost
