// Lagrange shape functions of a plane reference cell, built from its reference nodes so that
// they follow the element's node order.
#pragma once

#include "reference_cell.h"

#include <vector>

namespace xefhost {

class ShapeFunctions {
  public:
    explicit ShapeFunctions(const ReferenceCell& cell);

    // N, dN/da and dN/db of every node at the reference point (a, b); each array holds one
    // value per node.
    void evaluate(double a, double b, double* N, double* dNda, double* dNdb) const;

  private:
    const ReferenceCell& cell_;
    std::vector<double> coefficients_; // [monomial][node]: the inverse collocation matrix
};

} // namespace xefhost
