// Values that an element gives at its own integration points, carried to other points of the
// element: a least-squares fit in the cell's gradient space (where the strains and stresses of
// the element's shape functions lie), so that a field the element represents is reproduced.
#pragma once

#include "reference_cell.h"

#include <vector>

namespace xefhost {

class PointFit {
  public:
    // `points` holds (xi, eta, zeta, weight) for each of `count` integration points, in the
    // element's reference coordinates. With fewer points than the gradient space needs, or points
    // that do not determine it, a smaller space is fitted, down to the mean.
    PointFit(const ReferenceCell& cell, const double* points, int count);

    // Weights w, one per integration point, such that the fitted value at (a, b) is the sum of
    // w[g] times the value at point g.
    std::vector<double> weightsAt(double a, double b) const;

  private:
    std::vector<Power> space_;
    std::vector<double> projection_; // [monomial][point]: (A^T A)^-1 A^T
};

} // namespace xefhost
