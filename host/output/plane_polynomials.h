// Monomials a^i b^j of the two reference coordinates of a plane element and the small dense
// inverse that turns them into shape functions and fits. Triangles use the first two area
// coordinates (L1, L2) as (a, b), quadrilaterals (xi, eta).
#pragma once

#include <vector>

namespace xefhost {

struct Power {
    int a, b;
};

// a^p.a b^p.b and its two partial derivatives.
double monomial(Power p, double a, double b);
double monomialByA(Power p, double a, double b);
double monomialByB(Power p, double a, double b);

// Inverts the row-major n x n matrix in place by Gauss-Jordan elimination with partial pivoting;
// returns false, leaving it undefined, when a pivot is below 1e-12 of the largest entry.
bool invertInPlace(std::vector<double>& matrix, int n);

} // namespace xefhost
