// One incompatible-mode quadrilateral through its kernels: pure bending of a rectangle is exact
// (the modes carry the x^2 and y^2 terms the bilinear field lacks), rigid motions cost nothing on a
// distorted element, the residual is the condensed stiffness times the unknowns, and a rule that
// gives the modes no energy leaves the plain bilinear element.
#include "loaded_element.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using exampletest::LoadedElement;
using exampletest::PostResult;
using exampletest::TangentResult;

const std::vector<double> kDistorted = {0.1, 0.2, 1.4, -0.1, 1.7, 1.3, 0.3, 0.9};

double largest(const std::vector<double>& a) {
    double m = 0.0;
    for (const double x : a) {
        m = std::max(m, std::fabs(x));
    }
    return m;
}

double product(const TangentResult& r, int i, const std::vector<double>& u) {
    double sum = 0.0;
    for (size_t j = 0; j < u.size(); ++j) {
        sum += r.at(i, static_cast<int>(j)) * u[j];
    }
    return sum;
}

// Rectangle 2a x 2b about (x0, y0), bent by curvature k: ux = -k x y, uy = k (x^2 + nu' y^2) / 2 in
// centred coordinates, nu' = nu / (1 - nu), which leaves sigma_yy = 0 in plane strain and
// sigma_xx = -E' k y with E' = E / (1 - nu^2). At the corners uy is a translation.
TEST(IncompatibleQuadElement, PureBendingOfARectangleIsExact) {
    const double a = 1.5, b = 0.4, x0 = 2.0, y0 = -0.7, k = 0.01;
    const double xs[4] = {-a, a, a, -a}, ys[4] = {-b, -b, b, b};
    for (const int code : {-1, 3}) {
        SCOPED_TRACE(code);
        LoadedElement element(INCOMPATIBLE_QUAD_PATH, code);
        ASSERT_TRUE(element.loaded());
        const double E = element.record().data[0], nu = element.record().data[1];
        const double nuBent = nu / (1.0 - nu), bentModulus = E / (1.0 - nu * nu);
        std::vector<double> xy, u;
        for (int n = 0; n < 4; ++n) {
            xy.insert(xy.end(), {x0 + xs[n], y0 + ys[n]});
            u.insert(u.end(),
                     {-k * xs[n] * ys[n], 0.5 * k * (xs[n] * xs[n] + nuBent * ys[n] * ys[n])});
        }
        const TangentResult t = element.tangent(xy, u);
        double energy = 0.0;
        for (int i = 0; i < 8; ++i) {
            energy += 0.5 * u[i] * product(t, i, u);
        }
        const double exact = 0.5 * bentModulus * k * k * (2 * a) * std::pow(2 * b, 3) / 12.0;
        EXPECT_NEAR(energy, exact, 1e-12 * exact);

        const PostResult r = element.post(xy, u);
        const double scale = bentModulus * k * b;
        for (int g = 0; g < element.points(); ++g) {
            const double y = b * element.point(g)[1];
            EXPECT_NEAR(r.gpost[g][3], -bentModulus * k * y, 1e-12 * scale) << g;
            EXPECT_NEAR(r.gpost[g][4], 0.0, 1e-12 * scale) << g;
            EXPECT_NEAR(r.gpost[g][5], 0.0, 1e-12 * scale) << g;
        }
    }
}

TEST(IncompatibleQuadElement, RigidMotionsCostNothing) {
    LoadedElement element(INCOMPATIBLE_QUAD_PATH);
    ASSERT_TRUE(element.loaded());
    const std::vector<double> zero(8, 0.0);
    const TangentResult t = element.tangent(kDistorted, zero);
    std::vector<std::vector<double>> motions(3, std::vector<double>(8));
    for (int n = 0; n < 4; ++n) {
        motions[0][2 * n] = 1.0;
        motions[1][2 * n + 1] = 1.0;
        motions[2][2 * n] = -kDistorted[2 * n + 1];
        motions[2][2 * n + 1] = kDistorted[2 * n];
    }
    for (const auto& motion : motions) {
        for (int i = 0; i < 8; ++i) {
            EXPECT_NEAR(product(t, i, motion), 0.0, 1e-13 * largest(t.K) * largest(motion)) << i;
        }
    }
}

TEST(IncompatibleQuadElement, ResidualIsTheCondensedStiffnessTimesTheUnknowns) {
    LoadedElement element(INCOMPATIBLE_QUAD_PATH);
    ASSERT_TRUE(element.loaded());
    std::vector<double> u(8);
    for (int i = 0; i < 8; ++i) {
        u[i] = 0.01 * std::cos(0.7 + 1.9 * i);
    }
    const TangentResult t = element.tangent(kDistorted, u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(t.p[i], product(t, i, u), 1e-13 * largest(t.p)) << i;
    }
    // The condensation softens: the plain element stores more energy for the same unknowns.
    LoadedElement plain(PLAIN_QUAD_PATH);
    const TangentResult stiffer = plain.tangent(kDistorted, u);
    double condensed = 0.0, bilinear = 0.0;
    for (int i = 0; i < 8; ++i) {
        condensed += u[i] * t.p[i];
        bilinear += u[i] * stiffer.p[i];
    }
    EXPECT_LT(condensed, bilinear);
}

TEST(IncompatibleQuadElement, TheOnePointRuleLeavesTheBilinearElement) {
    LoadedElement element(INCOMPATIBLE_QUAD_PATH, 1);
    LoadedElement plain(PLAIN_QUAD_PATH, 1);
    ASSERT_TRUE(element.loaded() && plain.loaded());
    std::vector<double> u(8);
    for (int i = 0; i < 8; ++i) {
        u[i] = 0.01 * std::sin(0.3 + 1.1 * i);
    }
    const TangentResult t = element.tangent(kDistorted, u);
    const TangentResult reference = plain.tangent(kDistorted, u);
    for (int i = 0; i < 64; ++i) {
        EXPECT_NEAR(t.K[i], reference.K[i], 1e-14 * largest(reference.K)) << i;
    }
    const PostResult r = element.post(kDistorted, u);
    const PostResult expected = plain.post(kDistorted, u);
    for (int c = 0; c < 7; ++c) {
        EXPECT_NEAR(r.gpost[0][c], expected.gpost[0][c], 1e-14 * std::fabs(expected.gpost[0][3]));
    }
}

} // namespace
