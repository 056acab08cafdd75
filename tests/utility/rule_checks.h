// Reference domains of the integration rules and exact monomial integrals over them, derived
// independently of the library's tables.
#pragma once

#include <cmath>

namespace molr_test {

enum class Domain { Line, Square, Cube, Triangle, Tetrahedron };

inline int dimensionOf(Domain domain) {
    switch (domain) {
    case Domain::Line:
        return 1;
    case Domain::Square:
    case Domain::Triangle:
        return 2;
    default:
        return 3;
    }
}

inline double measureOf(Domain domain) {
    switch (domain) {
    case Domain::Line:
        return 2.0;
    case Domain::Square:
        return 4.0;
    case Domain::Cube:
        return 8.0;
    case Domain::Triangle:
        return 0.5;
    default:
        return 1.0 / 6.0;
    }
}

inline long double factorial(int n) {
    long double f = 1.0L;
    for (int k = 2; k <= n; ++k) {
        f *= k;
    }
    return f;
}

// Integral of x^e[0] y^e[1] z^e[2] (only the domain's own coordinates) over the domain: products
// of 1D integrals on [-1, 1]^d; a! b! / (a+b+2)! on the triangle (1,0), (0,1), (0,0);
// a! b! c! / (a+b+c+3)! on the unit tetrahedron.
inline long double exactIntegral(Domain domain, const int e[3]) {
    const int d = dimensionOf(domain);
    if (domain == Domain::Triangle) {
        return factorial(e[0]) * factorial(e[1]) / factorial(e[0] + e[1] + 2);
    }
    if (domain == Domain::Tetrahedron) {
        return factorial(e[0]) * factorial(e[1]) * factorial(e[2]) /
               factorial(e[0] + e[1] + e[2] + 3);
    }
    long double value = 1.0L;
    for (int axis = 0; axis < d; ++axis) {
        value *= (e[axis] % 2) ? 0.0L : 2.0L / (e[axis] + 1);
    }
    return value;
}

// The rule's value for the same monomial, summed in extended precision.
inline long double ruleIntegral(const double* points, int count, const int e[3]) {
    long double sum = 0.0L;
    for (int m = 0; m < count; ++m) {
        const double* p = points + 4 * m;
        long double term = p[3];
        for (int axis = 0; axis < 3; ++axis) {
            term *= std::pow(static_cast<long double>(p[axis]), e[axis]);
        }
        sum += term;
    }
    return sum;
}

// Largest error of the rule over the monomials of total degree `degree` in the domain's
// coordinates.
inline long double largestError(Domain domain, const double* points, int count, int degree) {
    const int d = dimensionOf(domain);
    long double largest = 0.0L;
    for (int a = 0; a <= degree; ++a) {
        for (int b = 0; b <= (d > 1 ? degree - a : 0); ++b) {
            const int c = degree - a - b;
            if ((d == 1 && a != degree) || (d == 2 && c != 0)) {
                continue;
            }
            const int e[3] = {a, b, d == 3 ? c : 0};
            largest = std::fmax(
                largest, std::fabs(ruleIntegral(points, count, e) - exactIntegral(domain, e)));
        }
    }
    return largest;
}

} // namespace molr_test
