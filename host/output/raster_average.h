// Pictures of large meshes are drawn as a grid of coloured cells: one path per element would make
// a file of hundreds of megabytes that no viewer opens.
#pragma once

#include <cstdint>
#include <vector>

namespace xefhost {

// What the elements add to each cell of a grid of `columns` x `rows` unit squares, row after row:
// the sum of their values and their number. `points` holds two coordinates per point in grid
// units (x to the right, y down, the grid covering [0, columns] x [0, rows]); each element is
// covered by `trianglesPerElement` consecutive triangles of `triangles` (three point indices
// each). An element counts once in every cell whose centre it covers, so that coarse regions show
// no holes, and one that covers no centre counts in the cell of its first triangle's centroid, so
// that no element is lost. Elements whose value is not finite are left out. Each element counts
// on its own, so the sums of a mesh split into pieces, added cell by cell, are the whole mesh's
// sums (up to the order of the additions).
struct RasterSums {
    std::vector<double> sum;
    std::vector<int> count;
};
RasterSums rasterSums(const std::vector<double>& points, const std::vector<int32_t>& triangles,
                      int trianglesPerElement, const std::vector<double>& values, int columns,
                      int rows);

// The average of each cell, sum / count, and NaN where no element reached the cell.
std::vector<double> rasterAverage(const RasterSums& sums);

// The average element value seen by each cell: rasterAverage of rasterSums.
std::vector<double> rasterAverage(const std::vector<double>& points,
                                  const std::vector<int32_t>& triangles, int trianglesPerElement,
                                  const std::vector<double>& values, int columns, int rows);

} // namespace xefhost
