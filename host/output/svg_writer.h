// A picture of a result for people: the deformed mesh coloured by one value per element.
#pragma once

#include "atomic_file.h"
#include "plane_bounds.h"
#include "raster_average.h"

#include <cstdint>
#include <string>
#include <vector>

namespace xefhost {

// Meshes with more elements than this are drawn as a grid of averaged cells instead of elements.
constexpr size_t svgTriangleLimit = 20000;

// Writes an SVG picture (about 1000 px wide, y axis up) of the mesh deformed by
// `deformationScale` times `displacement` (two components per point), each element coloured by
// its `cellValue` on a viridis scale from the smallest to the largest finite value, with a colour
// bar labelled `valueLabel`, the title, a note of the scale and, when not empty, the `remark`.
// `coords` holds three coordinates per point, `cells` `nodesPerCell` zero-based point indices per
// element in the element's node order (3 or 6: triangles, 4, 8 or 9: quadrilaterals); edges with
// a node inside are drawn as curves through it. Elements without a finite value are left blank.
// Up to svgTriangleLimit elements every element is drawn (with its edges in small meshes); above
// it the picture is a grid of at most 400 x 400 cells, each coloured by the average value of the
// elements it covers, so the file stays small for any mesh. The file is written atomically;
// inconsistent sizes, a node count of no plane shape, a node that does not exist or a deformed
// point that is not finite throw std::invalid_argument before anything is written.
void writeSvg(const std::string& path, const std::vector<double>& coords,
              const std::vector<int32_t>& cells, int nodesPerCell,
              const std::vector<double>& displacement, double deformationScale,
              const std::vector<double>& cellValue, const std::string& title,
              const std::string& valueLabel, const std::string& remark = "");
// The same, added to a set of files that appear together.
void writeSvg(AtomicFileSet& files, const std::string& path, const std::vector<double>& coords,
              const std::vector<int32_t>& cells, int nodesPerCell,
              const std::vector<double>& displacement, double deformationScale,
              const std::vector<double>& cellValue, const std::string& title,
              const std::string& valueLabel, const std::string& remark = "");

// The grid picture of a mesh held in pieces, drawn by one process from what every piece gives:
// the deformed box of each piece (deformedBounds), combined into the whole mesh's, gives the grid
// (pictureGrid); each piece's sums on that grid (pictureRasterSums), added cell by cell, give the
// averages (rasterAverage) that writeSvgRaster draws. Of a whole mesh above svgTriangleLimit this
// is the picture writeSvg draws, to the byte.

// Where the deformed mesh lies in the model and where it goes in the picture.
struct PictureFrame {
    double xMin, yMax, width, height; // model units
    double pixelsPerUnit;
    double left, top, contentHeight; // picture units
};

// A frame and its grid of square cells of `cellSize` model units, at most 400 x 400 of them, row
// after row from the top left.
struct PictureGrid {
    PictureFrame frame;
    double cellSize;
    int columns, rows;
};

// The box of the deformed points (coords + deformationScale * displacement, as writeSvg takes
// them) of the nodes that `cells` use; empty when there are no cells. Throws std::invalid_argument
// as writeSvg does for inconsistent sizes, a missing node or a deformed point that is not finite.
PlaneBounds deformedBounds(const std::vector<double>& coords, const std::vector<int32_t>& cells,
                           int nodesPerCell, const std::vector<double>& displacement,
                           double deformationScale);

// The grid of the picture of a mesh whose deformed box is [xMin, xMax] x [yMin, yMax]. Throws
// std::invalid_argument for a box that is empty or not finite.
PictureGrid pictureGrid(double xMin, double xMax, double yMin, double yMax);

// What the elements of one piece (arguments as writeSvg takes them; no cells is no piece) add to
// each cell of `grid`. Throws std::invalid_argument as deformedBounds does.
RasterSums pictureRasterSums(const PictureGrid& grid, const std::vector<double>& coords,
                             const std::vector<int32_t>& cells, int nodesPerCell,
                             const std::vector<double>& displacement, double deformationScale,
                             const std::vector<double>& cellValue);

// Adds the grid picture to `files`: `average` holds a value per cell of `grid` (NaN where no
// element reached it), coloured on the viridis scale from `low` to `high`, the smallest and
// largest finite element value of the whole mesh; with no finite value (low or high not finite)
// the colour bar is left out. Title, label, scale note and remark as writeSvg writes them. Throws
// std::invalid_argument, before anything is written, when `average` does not fit the grid.
void writeSvgRaster(AtomicFileSet& files, const std::string& path, const PictureGrid& grid,
                    const std::vector<double>& average, double low, double high,
                    double deformationScale, const std::string& title,
                    const std::string& valueLabel, const std::string& remark = "");

} // namespace xefhost
