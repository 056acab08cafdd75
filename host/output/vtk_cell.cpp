// VTK node orders matched to the element's reference nodes once per shape.
#include "vtk_cell.h"

#include "reference_cell.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace xefhost {

namespace {

// VTK's parametric coordinates (r, s) of each cell's nodes, as VTK defines them.
const std::vector<double> vtkTriangle = {0, 0, 1, 0, 0, 1};
const std::vector<double> vtkQuadraticTriangle = {0, 0, 1, 0, 0, 1, 0.5, 0, 0.5, 0.5, 0, 0.5};
const std::vector<double> vtkQuad = {0, 0, 1, 0, 1, 1, 0, 1};
const std::vector<double> vtkQuadraticQuad = {0,   0, 1, 0,   1,   1, 0, 1,
                                              0.5, 0, 1, 0.5, 0.5, 1, 0, 0.5};
const std::vector<double> vtkBiquadraticQuad = {0, 0, 1,   0,   1, 1, 0,   1,   0.5,
                                                0, 1, 0.5, 0.5, 1, 0, 0.5, 0.5, 0.5};

VtkCell match(const ReferenceCell& cell, int type, const std::vector<double>& vtkPoints) {
    VtkCell result{type, {}};
    for (size_t k = 0; k < vtkPoints.size() / 2; ++k) {
        int found = -1;
        for (int node = 0; node < cell.nodes; ++node) {
            const double a = cell.points[2 * node], b = cell.points[2 * node + 1];
            const double r = cell.triangle ? b : (a + 1) / 2;
            const double s = cell.triangle ? 1 - a - b : (b + 1) / 2;
            if (std::fabs(r - vtkPoints[2 * k]) < 1e-12 &&
                std::fabs(s - vtkPoints[2 * k + 1]) < 1e-12) {
                found = node;
            }
        }
        if (found < 0) {
            throw std::logic_error("no node of " + cell.topology + " at VTK node " +
                                   std::to_string(k));
        }
        result.order.push_back(found);
    }
    return result;
}

std::vector<VtkCell> buildAll() {
    return {match(referenceCell(3), 5, vtkTriangle),
            match(referenceCell(6), 22, vtkQuadraticTriangle), match(referenceCell(4), 9, vtkQuad),
            match(referenceCell(8), 23, vtkQuadraticQuad),
            match(referenceCell(9), 28, vtkBiquadraticQuad)};
}

} // namespace

const VtkCell& vtkCellOf(int nodesPerElement) {
    static const std::vector<VtkCell> cells = buildAll();
    for (const VtkCell& cell : cells) {
        if (cell.order.size() == static_cast<size_t>(nodesPerElement)) {
            return cell;
        }
    }
    throw std::invalid_argument("the result files know no plane element of " +
                                std::to_string(nodesPerElement) + " nodes");
}

} // namespace xefhost
