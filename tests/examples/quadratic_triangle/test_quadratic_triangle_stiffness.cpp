// The six-node triangle's stiffness, re-derived without its isoparametric map or any quadrature:
// on a straight-sided triangle every shape gradient is a linear form in the area coordinates, and
// the integral of a product of two such forms is exact from int L_a L_b dA = A (1 + [a = b]) / 12.
// Every rule of degree 2 or more must then give that matrix to round-off.
#include "loaded_element.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

using exampletest::LoadedElement;
using exampletest::TangentResult;

// A gradient component as a linear form c . (L1, L2, L3), constants written as c (L1 + L2 + L3).
using Form = std::array<double, 3>;

struct Triangle {
    double corner[3][2];
};

// The six nodes: corners, then the midpoints of edges 1-2, 2-3, 3-1.
std::vector<double> sixNodes(const Triangle& t) {
    std::vector<double> xy(12);
    for (int k = 0; k < 3; ++k) {
        const int next = (k + 1) % 3;
        for (int c = 0; c < 2; ++c) {
            xy[2 * k + c] = t.corner[k][c];
            xy[6 + 2 * k + c] = 0.5 * (t.corner[k][c] + t.corner[next][c]);
        }
    }
    return xy;
}

// Exact stiffness of the straight-sided six-node triangle in plane strain.
std::vector<double> exactStiffness(const Triangle& t, double E, double nu) {
    const double(&p)[3][2] = t.corner;
    const double twiceArea =
        (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
    const double area = 0.5 * twiceArea;
    double gradL[3][2];
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3, k = (i + 2) % 3;
        gradL[i][0] = (p[j][1] - p[k][1]) / twiceArea;
        gradL[i][1] = (p[k][0] - p[j][0]) / twiceArea;
    }
    // Shape gradients: corner i, (4 L_i - 1) grad L_i; midpoint of (i, j), 4 (L_j grad L_i +
    // L_i grad L_j).
    Form grad[6][2] = {};
    for (int i = 0; i < 3; ++i) {
        for (int c = 0; c < 2; ++c) {
            for (int a = 0; a < 3; ++a) {
                grad[i][c][a] = ((a == i ? 4.0 : 0.0) - 1.0) * gradL[i][c];
            }
            const int j = (i + 1) % 3;
            grad[3 + i][c][i] += 4.0 * gradL[j][c];
            grad[3 + i][c][j] += 4.0 * gradL[i][c];
        }
    }
    const auto integral = [area](const Form& f, const Form& g) {
        double sum = 0.0;
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                sum += f[a] * g[b] * area * (a == b ? 2.0 : 1.0) / 12.0;
            }
        }
        return sum;
    };
    const double lambda = E * nu / ((1.0 + nu) * (1.0 - 2.0 * nu)), mu = E / (2.0 * (1.0 + nu));
    const Form zero = {0.0, 0.0, 0.0};
    // Unknown (node k, direction c): its share of exx, eyy and gxy.
    const auto column = [&](int dof) {
        const int k = dof / 2;
        return dof % 2 == 0 ? std::array<Form, 3>{grad[k][0], zero, grad[k][1]}
                            : std::array<Form, 3>{zero, grad[k][1], grad[k][0]};
    };
    const double D[3][3] = {
        {lambda + 2.0 * mu, lambda, 0.0}, {lambda, lambda + 2.0 * mu, 0.0}, {0.0, 0.0, mu}};
    std::vector<double> K(144, 0.0);
    for (int i = 0; i < 12; ++i) {
        for (int j = 0; j < 12; ++j) {
            const auto bi = column(i), bj = column(j);
            for (int r = 0; r < 3; ++r) {
                for (int s = 0; s < 3; ++s) {
                    K[12 * i + j] += D[r][s] * integral(bi[r], bj[s]);
                }
            }
        }
    }
    return K;
}

double largest(const std::vector<double>& a) {
    double m = 0.0;
    for (const double x : a) {
        m = std::max(m, std::fabs(x));
    }
    return m;
}

struct StiffnessCase {
    const char* name;
    Triangle triangle;
    int intCode;
};

const StiffnessCase kCases[] = {
    {"reference triangle, default rule", {{{1.0, 0.0}, {0.0, 1.0}, {0.0, 0.0}}}, -1},
    {"reference triangle, mid-edge rule", {{{1.0, 0.0}, {0.0, 1.0}, {0.0, 0.0}}}, 14},
    {"scalene triangle, default rule", {{{0.3, 0.1}, {2.1, 0.4}, {0.9, 1.7}}}, -1},
    {"scalene triangle, degree-4 rule", {{{0.3, 0.1}, {2.1, 0.4}, {0.9, 1.7}}}, 41},
    {"slender triangle, degree-5 rule", {{{-4.0, 2.0}, {6.0, 2.5}, {-3.0, 2.6}}}, 42},
};

TEST(QuadraticTriangleStiffness, MatchesTheExactIntegralOnStraightSides) {
    for (const StiffnessCase& c : kCases) {
        SCOPED_TRACE(c.name);
        LoadedElement element(QUADRATIC_TRIANGLE_PATH, c.intCode);
        ASSERT_TRUE(element.loaded());
        element.setMaterial(70.0, 0.28);
        const TangentResult r = element.tangent(sixNodes(c.triangle), std::vector<double>(12, 0.0));
        const std::vector<double> exact = exactStiffness(c.triangle, 70.0, 0.28);
        const double scale = largest(exact);
        for (int i = 0; i < 144; ++i) {
            EXPECT_NEAR(r.K[i], exact[i], 1e-13 * scale)
                << "row " << i / 12 << ", column " << i % 12;
        }
    }
}

// By hand on the reference triangle, where L1 = x: N1 = x (2x - 1) has gradient (4x - 1, 0), and
// the integral of (4x - 1)^2 over the triangle is 1/2.
TEST(QuadraticTriangleStiffness, FirstCornerOfTheReferenceTriangleByHand) {
    LoadedElement element(QUADRATIC_TRIANGLE_PATH);
    ASSERT_TRUE(element.loaded());
    const double E = element.record().data[0], nu = element.record().data[1];
    const TangentResult r = element.tangent(sixNodes({{{1.0, 0.0}, {0.0, 1.0}, {0.0, 0.0}}}),
                                            std::vector<double>(12, 0.0));
    const double mu = E / (2.0 * (1.0 + nu));
    const double c11 = E * (1.0 - nu) / ((1.0 + nu) * (1.0 - 2.0 * nu));
    EXPECT_NEAR(r.at(0, 0), 0.5 * c11, 1e-13 * c11);
    EXPECT_NEAR(r.at(1, 1), 0.5 * mu, 1e-13 * c11);
    EXPECT_NEAR(r.at(0, 1), 0.0, 1e-13 * c11);
}

TEST(QuadraticTriangleStiffness, ResidualIsTheStiffnessTimesTheUnknowns) {
    LoadedElement element(QUADRATIC_TRIANGLE_PATH, 41);
    ASSERT_TRUE(element.loaded());
    // A curved element: the midpoint of edge 2-3 pushed outwards.
    std::vector<double> xy = sixNodes({{{0.3, 0.1}, {2.1, 0.4}, {0.9, 1.7}}});
    xy[8] += 0.15;
    xy[9] += 0.1;
    std::vector<double> u(12);
    for (int i = 0; i < 12; ++i) {
        u[i] = 0.01 * std::sin(1.0 + 2.3 * i);
    }
    const TangentResult r = element.tangent(xy, u);
    const double scale = largest(r.p);
    for (int i = 0; i < 12; ++i) {
        double Ku = 0.0;
        for (int j = 0; j < 12; ++j) {
            Ku += r.at(i, j) * u[j];
        }
        EXPECT_NEAR(r.p[i], Ku, 1e-13 * scale) << i;
    }
}

} // namespace
