#include "exact_solution.h"

#include <cmath>

namespace xefhost {

namespace {

// Plane-strain Hooke's law on tensor strains.
void planeStrainStress(double E, double nu, const double* strain, double* stress) {
    const double mu = E / (2 * (1 + nu));
    const double lambda = 2 * mu * nu / (1 - 2 * nu);
    const double trace = strain[0] + strain[1];
    stress[0] = lambda * trace + 2 * mu * strain[0];
    stress[1] = lambda * trace + 2 * mu * strain[1];
    stress[2] = 2 * mu * strain[2];
}

// Polar (rr, tt) components to Cartesian (xx, yy, xy) at angle with cosine c and sine s.
void polarToCartesian(double rr, double tt, double c, double s, double* out) {
    out[0] = rr * c * c + tt * s * s;
    out[1] = rr * s * s + tt * c * c;
    out[2] = (rr - tt) * c * s;
}

ExactSolution lameCylinder(const ExactSpec& exact, double E, double nu) {
    const double a = exact.parameters.at("inner_radius");
    const double b = exact.parameters.at("outer_radius");
    const double p = exact.parameters.at("pressure");
    const double A = p * a * a / (b * b - a * a);
    const double B = p * a * a * b * b / (b * b - a * a);
    const double k = (1 + nu) / E;
    ExactSolution solution;
    solution.displacement = [=](double x, double y, double* u) {
        const double r = std::hypot(x, y);
        const double ur = k * ((1 - 2 * nu) * A * r + B / r);
        u[0] = ur * x / r;
        u[1] = ur * y / r;
    };
    solution.strainStress = [=](double x, double y, double* strain, double* stress) {
        const double r = std::hypot(x, y), c = x / r, s = y / r;
        polarToCartesian(k * ((1 - 2 * nu) * A - B / (r * r)), k * ((1 - 2 * nu) * A + B / (r * r)),
                         c, s, strain);
        polarToCartesian(A - B / (r * r), A + B / (r * r), c, s, stress);
    };
    return solution;
}

ExactSolution uniformStrain(const ExactSpec& exact, double E, double nu) {
    const std::vector<double> G = exact.gradient;
    const std::array<double, 2> offset = exact.offset;
    ExactSolution solution;
    solution.displacement = [=](double x, double y, double* u) {
        u[0] = offset[0] + G[0] * x + G[1] * y;
        u[1] = offset[1] + G[2] * x + G[3] * y;
    };
    solution.strainStress = [=](double, double, double* strain, double* stress) {
        strain[0] = G[0];
        strain[1] = G[3];
        strain[2] = 0.5 * (G[1] + G[2]);
        planeStrainStress(E, nu, strain, stress);
    };
    return solution;
}

} // namespace

ExactSolution makeExactSolution(const ExactSpec& exact, double E, double nu) {
    return exact.solution == "lame-cylinder" ? lameCylinder(exact, E, nu)
                                             : uniformStrain(exact, E, nu);
}

} // namespace xefhost
