// Comparisons as the checks make them. Relative differences: any non-finite entry makes the
// difference infinite, so that a NaN can never pass a tolerance.
#pragma once

#include <Eigen/Dense>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace xefhost::check {

// max |a - b| / scale, infinite when a, b or the scale is not finite.
inline double relativeDifference(const Eigen::MatrixXd& a, const Eigen::MatrixXd& b, double scale) {
    if (!a.allFinite() || !b.allFinite() || !std::isfinite(scale)) {
        return std::numeric_limits<double>::infinity();
    }
    if (a.size() == 0) {
        return 0.0;
    }
    return (a - b).cwiseAbs().maxCoeff() / std::max(scale, std::numeric_limits<double>::min());
}

inline double largestMagnitude(const Eigen::MatrixXd& a) {
    return a.size() == 0 ? 0.0 : a.cwiseAbs().maxCoeff();
}

// Appends every entry of an Eigen vector or matrix, for comparing the bits of whole outputs.
template <typename Part> void append(std::vector<double>& all, const Part& part) {
    all.insert(all.end(), part.data(), part.data() + part.size());
}

// Same bits, not merely equal values: a NaN equals itself, -0.0 differs from 0.0.
inline bool bitwiseEqual(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

} // namespace xefhost::check
