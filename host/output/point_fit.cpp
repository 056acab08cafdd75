// Least-squares fit of point values through the normal equations of a few monomials.
#include "point_fit.h"

#include <stdexcept>

namespace xefhost {

namespace {

// (A^T A)^-1 A^T for the first `terms` monomials, or empty when they are not determined.
std::vector<double> projection(const std::vector<Power>& space, const double* points, int count) {
    const int terms = static_cast<int>(space.size());
    std::vector<double> normal(static_cast<size_t>(terms) * terms, 0.0);
    for (int g = 0; g < count; ++g) {
        for (int i = 0; i < terms; ++i) {
            for (int j = 0; j < terms; ++j) {
                normal[i * terms + j] += monomial(space[i], points[4 * g], points[4 * g + 1]) *
                                         monomial(space[j], points[4 * g], points[4 * g + 1]);
            }
        }
    }
    if (count < terms || !invertInPlace(normal, terms)) {
        return {};
    }
    std::vector<double> result(static_cast<size_t>(terms) * count, 0.0);
    for (int i = 0; i < terms; ++i) {
        for (int g = 0; g < count; ++g) {
            for (int j = 0; j < terms; ++j) {
                result[i * count + g] +=
                    normal[i * terms + j] * monomial(space[j], points[4 * g], points[4 * g + 1]);
            }
        }
    }
    return result;
}

} // namespace

PointFit::PointFit(const ReferenceCell& cell, const double* points, int count) {
    if (count < 1) {
        throw std::invalid_argument("no integration points to fit");
    }
    // The constant, linear and quadratic spaces are the leading terms of every gradient space.
    for (const size_t terms : {cell.gradientSpace.size(), size_t{6}, size_t{3}, size_t{1}}) {
        if (terms > cell.gradientSpace.size()) {
            continue;
        }
        space_.assign(cell.gradientSpace.begin(), cell.gradientSpace.begin() + terms);
        projection_ = projection(space_, points, count);
        if (!projection_.empty()) {
            return;
        }
    }
}

std::vector<double> PointFit::weightsAt(double a, double b) const {
    const size_t count = projection_.size() / space_.size();
    std::vector<double> weights(count, 0.0);
    for (size_t i = 0; i < space_.size(); ++i) {
        const double m = monomial(space_[i], a, b);
        for (size_t g = 0; g < count; ++g) {
            weights[g] += m * projection_[i * count + g];
        }
    }
    return weights;
}

} // namespace xefhost
