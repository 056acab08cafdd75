// A picture of a result for people: the deformed mesh coloured by one value per element.
#pragma once

#include "atomic_file.h"

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

} // namespace xefhost
