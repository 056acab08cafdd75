#include "triangle_set.h"

#include <cmath>
#include <random>
#include <utility>

namespace molrbench {

namespace {

// Shape quality 4 sqrt(3) area / (sum of squared edges): 1 for the equilateral triangle. Slivers
// are excluded so that no element's arithmetic is dominated by cancellation.
constexpr double kMinimumQuality = 0.3;

double quality(const double x[3], const double y[3], double twiceArea) {
    double edges = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double dx = x[(k + 1) % 3] - x[k], dy = y[(k + 1) % 3] - y[k];
        edges += dx * dx + dy * dy;
    }
    return 2.0 * std::sqrt(3.0) * std::fabs(twiceArea) / edges;
}

} // namespace

TriangleSet::TriangleSet(size_t count)
    : count_(count), coords_(9 * count, 0.0), current_(6 * count, 0.0) {
    std::mt19937_64 rng(20240617);
    std::uniform_real_distribution<double> place(-50.0, 50.0), offset(-1.0, 1.0),
        displacement(-1e-3, 1e-3);
    for (size_t e = 0; e < count; ++e) {
        const double cx = place(rng), cy = place(rng);
        double x[3], y[3], twiceArea;
        do {
            for (int k = 0; k < 3; ++k) {
                x[k] = cx + offset(rng);
                y[k] = cy + offset(rng);
            }
            twiceArea = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        } while (quality(x, y, twiceArea) < kMinimumQuality);
        if (twiceArea < 0.0) {
            std::swap(x[1], x[2]);
            std::swap(y[1], y[2]);
        }
        for (int k = 0; k < 3; ++k) {
            coords(e, k)[0] = x[k];
            coords(e, k)[1] = y[k];
            current(e, k)[0] = displacement(rng);
            current(e, k)[1] = displacement(rng);
        }
    }
}

} // namespace molrbench
