// Hand-derived worked examples of the MOLR kernels, shared by every test host so that each platform
// is held to the same numbers: the right triangle (0,0), (1,0), (0,1) (J = 1, area 0.5) with the
// default material E = 1, nu = 0.49 (mu = 50/149, lambda = 2450/149) under one displacement state.
#ifndef MOLR_TESTS_WORKED_EXAMPLES_H
#define MOLR_TESTS_WORKED_EXAMPLES_H

namespace worked_example {

constexpr double coords[3][3] = {{0.0, 0.0, 0.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}};
constexpr double current[3][2] = {{0.0, 0.0}, {0.01, 0.0}, {0.004, 0.02}};
constexpr double material[2] = {1.0, 0.49};

// Point lists (xi, eta, zeta, weight). The strain is constant over the triangle, so the kernels
// read only the weights: one point of weight 0.5 and three of weight 1/6 must give the same result.
constexpr double onePointRule[4] = {1.0 / 3.0, 1.0 / 3.0, 1.0 / 3.0, 0.5};
constexpr double threePointRule[12] = {2.0 / 3.0, 1.0 / 6.0, 1.0 / 6.0, 1.0 / 6.0,
                                       1.0 / 6.0, 2.0 / 3.0, 1.0 / 6.0, 1.0 / 6.0,
                                       1.0 / 6.0, 1.0 / 6.0, 2.0 / 3.0, 1.0 / 6.0};

// SKR into zeroed p and s, both exact multiples of 1/149 and stored times 149: the residual, and
// the tangent's upper triangle row by row from the diagonal (s[0][0..5], s[1][1..5], ..., s[5][5]).
constexpr double skrScale = 149.0;
constexpr double residual149[6] = {-37.35, -37.85, 37.25, 0.1, 0.1, 37.75};
constexpr double upperTangent149[21] = {1300.0, 1250.0,  -1275.0, -25.0,  -25.0,   -1225.0, //
                                        1300.0, -1225.0, -25.0,   -25.0,  -1275.0,          //
                                        1275.0, 0.0,     0.0,     1225.0,                   //
                                        25.0,   25.0,    0.0,                               //
                                        25.0,   0.0,                                        //
                                        1275.0};

// SPP: every point row (Dxx, Dxy, Dyy, Sxx, Sxy, Syy), the stored area-weighted stresses
// (xx, yy, xy) and the nodal rows (ux, uy, ux, uy).
constexpr double pointRow[6] = {0.01, 0.002, 0.02, 0.5, 0.2 / 149.0, 75.5 / 149.0};
constexpr double storedReals[3] = {0.25, 37.75 / 149.0, 0.1 / 149.0};
constexpr double nodalRows[3][4] = {
    {0.0, 0.0, 0.0, 0.0}, {0.01, 0.0, 0.01, 0.0}, {0.004, 0.02, 0.004, 0.02}};

// The kernels' order of operations is free, so agreement is to rounding only.
constexpr double relativeTolerance = 1e-13;

} // namespace worked_example

#endif
