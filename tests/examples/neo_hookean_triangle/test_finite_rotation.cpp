// Finite rigid rotations: u = (R - I) X strains nothing, whatever the angle, so the residual is
// round-off; and a stretch followed by a rotation, F = R U, turns the residual and the tangent by R
// (objectivity), which an element built on small-strain measures fails at these angles.
#include "neo_hookean_harness.h"

#include <cmath>

namespace {

using neohooketest::Matrix2;
using neohooketest::Triangle;

constexpr neohooketest::Corners kCorners = {{{0.2, 0.1}, {2.1, 0.4}, {0.7, 1.6}}};
const double kAngles[] = {1e-3, 0.3, 1.2, 2.5, -2.9};

Matrix2 rotation(double angle) {
    return {{{std::cos(angle), -std::sin(angle)}, {std::sin(angle), std::cos(angle)}}};
}

Matrix2 product(const Matrix2& a, const Matrix2& b) {
    Matrix2 c{};
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            c[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j];
        }
    }
    return c;
}

class FiniteRotation : public ::testing::TestWithParam<double> {};

TEST_P(FiniteRotation, LeavesNoResidual) {
    Triangle t;
    t.place(kCorners);
    t.deform(rotation(GetParam()), 0.4, -0.7);
    const neohooketest::TangentResult out = t.tangent();
    double largestForce = 0.0, largestDisplacement = 0.0;
    for (int i = 0; i < 6; ++i) {
        largestForce = std::max(largestForce, std::fabs(out.residual[i]));
        largestDisplacement = std::max(largestDisplacement, std::fabs(t.current[i / 2][i % 2]));
    }
    EXPECT_LE(largestForce,
              1e-13 * neohooketest::largestMagnitude(out.matrix) * largestDisplacement);
}

TEST_P(FiniteRotation, TurnsTheResidualAndTangentOfAStretch) {
    const Matrix2 U = {{{1.3, 0.2}, {0.2, 0.9}}};
    Triangle stretched, turned;
    stretched.place(kCorners);
    turned.place(kCorners);
    stretched.deform(U);
    const Matrix2 R = rotation(GetParam());
    turned.deform(product(R, U));
    const neohooketest::TangentResult a = stretched.tangent();
    const neohooketest::TangentResult b = turned.tangent();
    // T turns every node's pair by R.
    auto T = [&](int i, int j) { return i / 2 == j / 2 ? R[i % 2][j % 2] : 0.0; };
    const double scale = neohooketest::largestMagnitude(a.matrix);
    for (int i = 0; i < 6; ++i) {
        double force = 0.0;
        for (int k = 0; k < 6; ++k) {
            force += T(i, k) * a.residual[k];
        }
        EXPECT_NEAR(b.residual[i], force, 1e-13 * scale) << "residual " << i;
        for (int j = 0; j < 6; ++j) {
            double entry = 0.0;
            for (int k = 0; k < 6; ++k) {
                for (int l = 0; l < 6; ++l) {
                    entry += T(i, k) * a.matrix[k][l] * T(j, l);
                }
            }
            EXPECT_NEAR(b.matrix[i][j], entry, 1e-13 * scale) << "tangent " << i << ", " << j;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Angles, FiniteRotation, ::testing::ValuesIn(kAngles));

} // namespace
