// Monomials of the reference coordinates and the inverse of their small collocation matrices.
#include "plane_polynomials.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace xefhost {

namespace {

double power(double x, int n) {
    double result = 1;
    for (int k = 0; k < n; ++k) {
        result *= x;
    }
    return result;
}

} // namespace

double monomial(Power p, double a, double b) {
    return power(a, p.a) * power(b, p.b);
}

double monomialByA(Power p, double a, double b) {
    return p.a == 0 ? 0.0 : p.a * power(a, p.a - 1) * power(b, p.b);
}

double monomialByB(Power p, double a, double b) {
    return p.b == 0 ? 0.0 : p.b * power(a, p.a) * power(b, p.b - 1);
}

bool invertInPlace(std::vector<double>& matrix, int n) {
    const auto at = [&](int row, int column) -> double& { return matrix[row * n + column]; };
    double largest = 0;
    for (const double entry : matrix) {
        largest = std::max(largest, std::fabs(entry));
    }
    std::vector<double> inverse(static_cast<size_t>(n) * n, 0.0);
    for (int k = 0; k < n; ++k) {
        inverse[k * n + k] = 1;
    }
    for (int column = 0; column < n; ++column) {
        int pivot = column;
        for (int row = column + 1; row < n; ++row) {
            if (std::fabs(at(row, column)) > std::fabs(at(pivot, column))) {
                pivot = row;
            }
        }
        if (!(std::fabs(at(pivot, column)) > 1e-12 * largest)) {
            return false;
        }
        for (int k = 0; k < n; ++k) {
            std::swap(at(pivot, k), at(column, k));
            std::swap(inverse[pivot * n + k], inverse[column * n + k]);
        }
        const double scale = 1 / at(column, column);
        for (int k = 0; k < n; ++k) {
            at(column, k) *= scale;
            inverse[column * n + k] *= scale;
        }
        for (int row = 0; row < n; ++row) {
            const double factor = at(row, column);
            if (row == column || factor == 0) {
                continue;
            }
            for (int k = 0; k < n; ++k) {
                at(row, k) -= factor * at(column, k);
                inverse[row * n + k] -= factor * inverse[column * n + k];
            }
        }
    }
    matrix = std::move(inverse);
    return true;
}

} // namespace xefhost
