// SKR's results are pinned bit for bit to a scalar statement of its formulation, so that its
// vector form, and any later rearrangement of it, changes no bit of any host's results unnoticed.
#include "loaded_module.h"

#include <cmath>
#include <cstring>
#include <random>

namespace {

using molrtest::Triangle;

// The scalar formulation: with beta = J b, gamma = J c and D divided by E / ((1 + nu)(1 - 2 nu)),
// every addition into p and s is scale * (two products), scale = weightSum E / (J (1+nu)(1-2nu)).
struct Scalar {
    double p[6];
    double s[6][6];
};

void scalarTangent(const Triangle& t, double weightSum, Scalar& out) {
    const double x1 = t.coords[0][0], y1 = t.coords[0][1], x2 = t.coords[1][0], y2 = t.coords[1][1],
                 x3 = t.coords[2][0], y3 = t.coords[2][1];
    const double beta[3] = {y2 - y3, y3 - y1, y1 - y2};
    const double gamma[3] = {x3 - x2, x1 - x3, x2 - x1};
    const double J = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    const double E = t.data[0], nu = t.data[1];
    const double scale = weightSum * E / (J * ((1.0 + nu) * (1.0 - 2.0 * nu)));
    const double d11 = 1.0 - nu, d33 = 0.5 - nu;
    const double(&u)[3][2] = t.current;
    const double exx = beta[0] * u[0][0] + beta[1] * u[1][0] + beta[2] * u[2][0];
    const double eyy = gamma[0] * u[0][1] + gamma[1] * u[1][1] + gamma[2] * u[2][1];
    const double dxdy = gamma[0] * u[0][0] + gamma[1] * u[1][0] + gamma[2] * u[2][0];
    const double dydx = beta[0] * u[0][1] + beta[1] * u[1][1] + beta[2] * u[2][1];
    const double sxx = d11 * exx + nu * eyy;
    const double syy = d11 * eyy + nu * exx;
    const double sxy = d33 * (dxdy + dydx);
    // Per unknown: its factors of exx, eyy and gamma in D (J B), and its two non-zero entries of
    // J B, on exx (x unknowns) or eyy (y unknowns), and on gamma.
    double fx[6], fy[6], fs[6], onNormal[6], onShear[6];
    bool isX[6];
    for (int n = 0; n < 3; ++n) {
        fx[2 * n] = d11 * beta[n], fy[2 * n] = nu * beta[n], fs[2 * n] = d33 * gamma[n];
        fx[2 * n + 1] = nu * gamma[n], fy[2 * n + 1] = d11 * gamma[n],
                   fs[2 * n + 1] = d33 * beta[n];
        onNormal[2 * n] = beta[n], onShear[2 * n] = gamma[n], isX[2 * n] = true;
        onNormal[2 * n + 1] = gamma[n], onShear[2 * n + 1] = beta[n], isX[2 * n + 1] = false;
    }
    for (int i = 0; i < 6; ++i) {
        out.p[i] += scale * (onNormal[i] * (isX[i] ? sxx : syy) + sxy * onShear[i]);
        for (int j = i; j < 6; ++j) {
            out.s[i][j] += scale * ((isX[j] ? fx[i] : fy[i]) * onNormal[j] + fs[i] * onShear[j]);
        }
    }
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Random triangles, and right triangles on the axes whose stiffness has exact zeros, some at rest,
// with outputs prefilled by +0, -0 or ordinary values.
TEST(TangentKernelBits, EqualTheScalarOrderOfOperationsBitForBit) {
    std::mt19937_64 rng(20240618);
    std::uniform_real_distribution<double> coord(-3, 3), disp(-0.1, 0.1), young(0.1, 300),
        poisson(-0.9, 0.49), fill(-50, 50);
    int compared = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        Triangle t;
        for (int k = 0; k < 3; ++k) {
            t.coords[k][0] = coord(rng), t.coords[k][1] = coord(rng);
            t.current[k][0] = disp(rng), t.current[k][1] = disp(rng);
        }
        if (trial % 5 == 0) {
            // At rest, with zeros of either sign: the strains are zeros whose signs follow the
            // order of the sums.
            for (int k = 0; k < 3; ++k) {
                t.current[k][0] = (trial / 5 + k) % 2 ? -0.0 : 0.0;
                t.current[k][1] = (trial / 10 + k) % 3 ? -0.0 : 0.0;
            }
        }
        if (trial % 2 == 1) {
            const double x0 = std::round(coord(rng)), y0 = std::round(coord(rng));
            const double h = 1 + trial % 3;
            t.coords[1][0] = x0 + h, t.coords[1][1] = y0;
            t.coords[2][0] = x0, t.coords[2][1] = y0 + (trial % 4 == 1 ? h : -h);
            t.coords[0][0] = x0, t.coords[0][1] = y0;
        }
        t.data[0] = young(rng), t.data[1] = poisson(rng);
        t.points = {0.2, 0.3, 0, 0.125, 0.6, 0.1, 0, 0.375};
        Scalar expected;
        for (int i = 0; i < 6; ++i) {
            const double v = trial % 3 == 0 ? 0.0 : trial % 3 == 1 ? -0.0 : fill(rng);
            expected.p[i] = t.residual[1 + i] = v;
            for (int j = 0; j < 6; ++j) {
                expected.s[i][j] = t.tangent[i][1 + j] = v;
            }
        }
        t.tangentCall();
        scalarTangent(t, 0.0 + 0.125 + 0.375, expected);
        for (int i = 0; i < 6; ++i) {
            EXPECT_TRUE(sameBits(t.p(i), expected.p[i]))
                << "trial " << trial << " p" << i << ": " << t.p(i) << " vs " << expected.p[i];
            for (int j = 0; j < 6; ++j) {
                EXPECT_TRUE(sameBits(t.s(i, j), expected.s[i][j]))
                    << "trial " << trial << " s" << i << j << ": " << t.s(i, j) << " vs "
                    << expected.s[i][j];
                ++compared;
            }
        }
        if (HasFailure()) {
            return;
        }
    }
    EXPECT_EQ(compared, 20000 * 36);
}

} // namespace
