// Shape functions as the inverse of the collocation matrix of the cell's monomials at its nodes.
#include "shape_functions.h"

#include <stdexcept>

namespace xefhost {

ShapeFunctions::ShapeFunctions(const ReferenceCell& cell) : cell_(cell) {
    const int n = cell.nodes;
    coefficients_.resize(static_cast<size_t>(n) * n);
    for (int node = 0; node < n; ++node) {
        for (int m = 0; m < n; ++m) {
            coefficients_[node * n + m] =
                monomial(cell.shapeSpace[m], cell.points[2 * node], cell.points[2 * node + 1]);
        }
    }
    if (!invertInPlace(coefficients_, n)) {
        throw std::logic_error("the reference nodes of " + cell.topology +
                               " do not determine its shape functions");
    }
}

void ShapeFunctions::evaluate(double a, double b, double* N, double* dNda, double* dNdb) const {
    const int n = cell_.nodes;
    for (int node = 0; node < n; ++node) {
        N[node] = dNda[node] = dNdb[node] = 0;
    }
    for (int m = 0; m < n; ++m) {
        const Power p = cell_.shapeSpace[m];
        const double value = monomial(p, a, b), byA = monomialByA(p, a, b),
                     byB = monomialByB(p, a, b);
        for (int node = 0; node < n; ++node) {
            const double c = coefficients_[m * n + node];
            N[node] += c * value;
            dNda[node] += c * byA;
            dNdb[node] += c * byB;
        }
    }
}

} // namespace xefhost
