// SKR's results are pinned bit for bit to its scalar order of operations, so that a faster
// formulation (vectorised, reordered) cannot change a single bit of any host's results.
#include "loaded_module.h"

#include <cmath>
#include <cstring>
#include <random>

namespace {

using molrtest::Triangle;

// The scalar formulation: kinematics, Lame constants, stresses, then for each unknown i
// p[i] += omega ((sxx X[i] + syy Y[i]) + sxy G[i]) and s[i][j] += (ax X[j] + ay Y[j]) + axy G[j]
// with B's columns X, Y, G, including their zeros.
struct Scalar {
    double p[6];
    double s[6][6];
};

void scalarTangent(const Triangle& t, double weightSum, Scalar& out) {
    const double x1 = t.coords[0][0], y1 = t.coords[0][1], x2 = t.coords[1][0], y2 = t.coords[1][1],
                 x3 = t.coords[2][0], y3 = t.coords[2][1];
    const double J = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    const double invJ = 1.0 / J;
    const double b[3] = {(y2 - y3) * invJ, (y3 - y1) * invJ, (y1 - y2) * invJ};
    const double c[3] = {(x3 - x2) * invJ, (x1 - x3) * invJ, (x2 - x1) * invJ};
    const double(&u)[3][2] = t.current;
    const double dxdx = b[0] * u[0][0] + b[1] * u[1][0] + b[2] * u[2][0];
    const double dydy = c[0] * u[0][1] + c[1] * u[1][1] + c[2] * u[2][1];
    const double dxdy = c[0] * u[0][0] + c[1] * u[1][0] + c[2] * u[2][0];
    const double dydx = b[0] * u[0][1] + b[1] * u[1][1] + b[2] * u[2][1];
    const double exy = 0.5 * (dxdy + dydx);
    const double E = t.data[0], nu = t.data[1];
    const double mu = E / (2.0 * (1.0 + nu));
    const double lambda = 2.0 * mu * nu / (1.0 - 2.0 * nu);
    const double lambda2mu = lambda + 2.0 * mu;
    const double trace = dxdx + dydy;
    const double sxx = lambda * trace + 2.0 * mu * dxdx;
    const double syy = lambda * trace + 2.0 * mu * dydy;
    const double sxy = 2.0 * mu * exy;
    double X[6], Y[6], G[6], dsxx[6], dsyy[6], dsxy[6];
    for (int n = 0; n < 3; ++n) {
        X[2 * n] = b[n], Y[2 * n] = 0.0, G[2 * n] = c[n];
        X[2 * n + 1] = 0.0, Y[2 * n + 1] = c[n], G[2 * n + 1] = b[n];
        dsxx[2 * n] = lambda2mu * b[n], dsyy[2 * n] = lambda * b[n], dsxy[2 * n] = mu * c[n];
        dsxx[2 * n + 1] = lambda * c[n], dsyy[2 * n + 1] = lambda2mu * c[n];
        dsxy[2 * n + 1] = mu * b[n];
    }
    const double omega = weightSum * J;
    for (int i = 0; i < 6; ++i) {
        out.p[i] += omega * (sxx * X[i] + syy * Y[i] + sxy * G[i]);
        const double ax = omega * dsxx[i], ay = omega * dsyy[i], axy = omega * dsxy[i];
        for (int j = i; j < 6; ++j) {
            out.s[i][j] += ax * X[j] + ay * Y[j] + axy * G[j];
        }
    }
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Random triangles, and right triangles on the axes whose stiffness has exact zeros, some at rest,
// with outputs prefilled by +0, -0 (where the products with B's zeros decide the sign) or ordinary
// values.
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
