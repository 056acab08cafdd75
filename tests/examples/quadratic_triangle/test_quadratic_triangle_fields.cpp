// The six-node triangle's post-processing against fields it must reproduce exactly: any quadratic
// displacement on a straight-sided element, and any linear one on a curved (isoparametric)
// element, at every point of several rules; nodal values and stored stress integrals with them.
#include "loaded_element.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using exampletest::LoadedElement;
using exampletest::PostResult;

// ux = a . (1, x, y, x^2, xy, y^2), uy = b . (the same).
struct QuadraticField {
    double a[6], b[6];

    double ux(double x, double y) const { return eval(a, x, y); }
    double uy(double x, double y) const { return eval(b, x, y); }
    double exx(double x, double y) const { return a[1] + 2.0 * a[3] * x + a[4] * y; }
    double eyy(double x, double y) const { return b[2] + b[4] * x + 2.0 * b[5] * y; }
    double gxy(double x, double y) const {
        return a[2] + a[4] * x + 2.0 * a[5] * y + b[1] + 2.0 * b[3] * x + b[4] * y;
    }
    static double eval(const double c[6], double x, double y) {
        return c[0] + c[1] * x + c[2] * y + c[3] * x * x + c[4] * x * y + c[5] * y * y;
    }
};

const QuadraticField kQuadratic = {{0.01, 0.02, -0.015, 0.007, -0.011, 0.004},
                                   {-0.02, 0.012, 0.005, -0.006, 0.009, 0.013}};
const QuadraticField kLinear = {{0.01, 0.02, -0.015, 0.0, 0.0, 0.0},
                                {-0.02, 0.012, 0.005, 0.0, 0.0, 0.0}};

// Corners, then the midpoints of edges 1-2, 2-3, 3-1.
const std::vector<double> kStraight = {0.3, 0.1,  2.1, 0.4,  0.9, 1.7,
                                       1.2, 0.25, 1.5, 1.05, 0.6, 0.9};

std::vector<double> sampled(const QuadraticField& f, const std::vector<double>& xy) {
    std::vector<double> u(xy.size());
    for (size_t k = 0; k < xy.size(); k += 2) {
        u[k] = f.ux(xy[k], xy[k + 1]);
        u[k + 1] = f.uy(xy[k], xy[k + 1]);
    }
    return u;
}

// Physical position of a rule point (L1, L2) under the quadratic map of the six nodes.
void position(const std::vector<double>& xy, const double* point, double& x, double& y) {
    const double L[3] = {point[0], point[1], 1.0 - point[0] - point[1]};
    const double N[6] = {L[0] * (2 * L[0] - 1), L[1] * (2 * L[1] - 1), L[2] * (2 * L[2] - 1),
                         4 * L[0] * L[1],       4 * L[1] * L[2],       4 * L[2] * L[0]};
    x = y = 0.0;
    for (int k = 0; k < 6; ++k) {
        x += N[k] * xy[2 * k];
        y += N[k] * xy[2 * k + 1];
    }
}

// Compares every point row with the field's strains and plane-strain stresses there.
void expectPointValues(LoadedElement& element, const std::vector<double>& xy,
                       const QuadraticField& f, const PostResult& r) {
    const double E = element.record().data[0], nu = element.record().data[1];
    const double lambda = E * nu / ((1 + nu) * (1 - 2 * nu)), mu = E / (2 * (1 + nu));
    for (int g = 0; g < element.points(); ++g) {
        double x, y;
        position(xy, element.point(g), x, y);
        const double e[3] = {f.exx(x, y), f.eyy(x, y), f.gxy(x, y)};
        const double expected[7] = {e[0],
                                    e[1],
                                    e[2],
                                    (lambda + 2 * mu) * e[0] + lambda * e[1],
                                    lambda * e[0] + (lambda + 2 * mu) * e[1],
                                    mu * e[2],
                                    lambda * (e[0] + e[1])};
        for (int c = 0; c < 7; ++c) {
            const double scale = c < 3 ? 0.05 : 0.05 * E;
            EXPECT_NEAR(r.gpost[g][c], expected[c], 1e-13 * scale)
                << element.record().gpostNames[c] << " at point " << g;
        }
    }
}

TEST(QuadraticTriangleFields, QuadraticDisplacementOnStraightSidesAtEveryRule) {
    for (const int code : {-1, 14, 41, 42}) {
        SCOPED_TRACE(code);
        LoadedElement element(QUADRATIC_TRIANGLE_PATH, code);
        ASSERT_TRUE(element.loaded());
        const std::vector<double> u = sampled(kQuadratic, kStraight);
        expectPointValues(element, kStraight, kQuadratic, element.post(kStraight, u));
    }
}

TEST(QuadraticTriangleFields, LinearDisplacementOnCurvedSides) {
    std::vector<double> curved = kStraight;
    curved[8] += 0.2; // midpoint of edge 2-3 outwards
    curved[9] += 0.15;
    curved[6] -= 0.05; // midpoint of edge 1-2 along its edge
    LoadedElement element(QUADRATIC_TRIANGLE_PATH, 42);
    ASSERT_TRUE(element.loaded());
    expectPointValues(element, curved, kLinear, element.post(curved, sampled(kLinear, curved)));
}

TEST(QuadraticTriangleFields, NodesCarryTheirDisplacements) {
    LoadedElement element(QUADRATIC_TRIANGLE_PATH);
    ASSERT_TRUE(element.loaded());
    const std::vector<double> u = sampled(kQuadratic, kStraight);
    const PostResult r = element.post(kStraight, u);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(r.npost[k][0], u[2 * k]);
        EXPECT_EQ(r.npost[k][1], u[2 * k + 1]);
    }
}

// A quadratic displacement has linear stresses, whose integral is the area times their value at
// the centroid.
TEST(QuadraticTriangleFields, StoredRealsAreTheStressIntegrals) {
    LoadedElement element(QUADRATIC_TRIANGLE_PATH);
    ASSERT_TRUE(element.loaded());
    element.setMaterial(210.0, 0.25);
    const PostResult r = element.post(kStraight, sampled(kQuadratic, kStraight));
    const double x = (0.3 + 2.1 + 0.9) / 3, y = (0.1 + 0.4 + 1.7) / 3, area = 0.5 * 2.7;
    const double lambda = 210.0 * 0.25 / (1.25 * 0.5), mu = 210.0 / 2.5;
    const double e[3] = {kQuadratic.exx(x, y), kQuadratic.eyy(x, y), kQuadratic.gxy(x, y)};
    const double stress[3] = {(lambda + 2 * mu) * e[0] + lambda * e[1],
                              lambda * e[0] + (lambda + 2 * mu) * e[1], mu * e[2]};
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(r.stored[c], area * stress[c], 1e-12 * area * 210.0) << c;
    }
}

} // namespace
