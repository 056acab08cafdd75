// SKR through the record's address: worked example, accumulation, bounds and closed forms.
#include "loaded_module.h"
#include "worked_examples.h"

#include <cmath>
#include <iterator>
#include <random>

namespace {

using molrtest::kCanary;
using molrtest::Triangle;

constexpr double kRel = 1e-13;

void expectClose(double actual, double expected, const char* what, int i, int j = -1) {
    EXPECT_NEAR(actual, expected, kRel * std::max(1.0, std::fabs(expected)))
        << what << "[" << i << "]" << (j >= 0 ? "[" + std::to_string(j) + "]" : "");
}

void expectWorkedExample(const Triangle& t) {
    namespace we = worked_example;
    const double* upper = we::upperTangent149;
    for (int i = 0; i < 6; ++i) {
        expectClose(t.p(i), we::residual149[i] / we::skrScale, "p", i);
        for (int j = 0; j < 6; ++j) {
            if (j >= i) {
                expectClose(t.s(i, j), *upper++ / we::skrScale, "s", i, j);
            } else {
                EXPECT_EQ(t.s(i, j), 0.0) << "lower triangle s[" << i << "][" << j << "]";
            }
        }
    }
}

void expectFramesIntact(const Triangle& t) {
    EXPECT_EQ(t.residual.front(), kCanary);
    EXPECT_EQ(t.residual[7], kCanary);
    for (const auto& row : t.tangent) {
        EXPECT_EQ(row.front(), kCanary);
        EXPECT_EQ(row[7], kCanary);
    }
    for (size_t k = molrtest::kTangentWork; k < t.work.size(); ++k) {
        EXPECT_EQ(t.work[k], kCanary) << "work entry " << k;
    }
}

TEST(TangentKernel, WorkedExampleWithOnePointOfWeightHalf) {
    Triangle t;
    t.tangentCall();
    expectWorkedExample(t);
    EXPECT_NEAR(t.s(0, 0), 8.724832215, 1e-9);
    EXPECT_NEAR(t.s(2, 5), 8.221476510, 1e-9);
    expectFramesIntact(t);
}

TEST(TangentKernel, WorkedExampleWithTheThreePointsOfTheDefaultRule) {
    Triangle t;
    t.points.assign(std::begin(worked_example::threePointRule),
                    std::end(worked_example::threePointRule));
    t.tangentCall();
    expectWorkedExample(t);
    expectFramesIntact(t);
}

TEST(TangentKernel, WorkVectorContentOnEntryDoesNotMatter) {
    Triangle clean, dirty;
    std::fill(dirty.work.begin(), dirty.work.begin() + molrtest::kTangentWork, std::nan(""));
    clean.tangentCall();
    dirty.tangentCall();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(clean.p(i), dirty.p(i));
        for (int j = i; j < 6; ++j) {
            EXPECT_EQ(clean.s(i, j), dirty.s(i, j));
        }
    }
}

TEST(TangentKernel, AddsIntoPrefilledOutputsAndNeverTouchesTheLowerTriangle) {
    Triangle fresh, filled;
    for (int i = 0; i < 6; ++i) {
        filled.residual[1 + i] = 10.0 + i;
        for (int j = 0; j < 6; ++j) {
            filled.tangent[i][1 + j] = 100.0 * i + j;
        }
    }
    fresh.tangentCall();
    filled.tangentCall();
    for (int i = 0; i < 6; ++i) {
        expectClose(filled.p(i), 10.0 + i + fresh.p(i), "p", i);
        for (int j = 0; j < 6; ++j) {
            if (j < i) {
                EXPECT_EQ(filled.s(i, j), 100.0 * i + j);
            } else {
                expectClose(filled.s(i, j), 100.0 * i + j + fresh.s(i, j), "s", i, j);
            }
        }
    }
}

TEST(TangentKernel, NoPointsMeansNothingIsAdded) {
    for (int count : {0, -1, -5}) {
        Triangle t;
        t.residual[1] = -0.0;
        t.tangent[2][3] = 42.0;
        t.bind();
        t.es()->intPointCount = count;
        t.es()->tangentKernel(t.work.data(), t.es(), t.record(), t.ns, t.nv, nullptr,
                              t.host.idata.data(), t.residual.data() + 1, t.rows);
        EXPECT_TRUE(std::signbit(t.p(0))) << "p must come back bit for bit";
        EXPECT_EQ(t.s(2, 2), 42.0);
        for (int i = 1; i < 6; ++i) {
            EXPECT_EQ(t.p(i), 0.0);
        }
    }
}

TEST(TangentKernel, ClockwiseOrderNegatesEveryContribution) {
    Triangle ccw, cw;
    // Swap nodes 2 and 3: unknowns (2,3) and (4,5) trade places.
    std::swap(cw.coords[1], cw.coords[2]);
    std::swap(cw.current[1], cw.current[2]);
    ccw.tangentCall();
    cw.tangentCall();
    const int map[6] = {0, 1, 4, 5, 2, 3};
    for (int i = 0; i < 6; ++i) {
        expectClose(cw.p(map[i]), -ccw.p(i), "p", i);
        for (int j = i; j < 6; ++j) {
            const int a = std::min(map[i], map[j]), b = std::max(map[i], map[j]);
            expectClose(cw.s(a, b), -ccw.s(i, j), "s", i, j);
        }
    }
}

// Independent closed form: full matrix sum of w J B^T D B and the residual K u.
struct ClosedForm {
    double K[6][6];
    double p[6];
};

ClosedForm closedForm(const double x[3], const double y[3], const double u[6], double E, double nu,
                      double weightSum) {
    const double J = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    double B[3][6] = {};
    for (int n = 0; n < 3; ++n) {
        const int a = (n + 1) % 3, b = (n + 2) % 3;
        const double dNdx = (y[a] - y[b]) / J, dNdy = (x[b] - x[a]) / J;
        B[0][2 * n] = dNdx;
        B[1][2 * n + 1] = dNdy;
        B[2][2 * n] = dNdy;
        B[2][2 * n + 1] = dNdx;
    }
    const double c = E / ((1 + nu) * (1 - 2 * nu));
    const double D[3][3] = {
        {c * (1 - nu), c * nu, 0}, {c * nu, c * (1 - nu), 0}, {0, 0, c * (1 - 2 * nu) / 2}};
    ClosedForm f{};
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) {
            double sum = 0;
            for (int a = 0; a < 3; ++a) {
                for (int b = 0; b < 3; ++b) {
                    sum += B[a][i] * D[a][b] * B[b][j];
                }
            }
            f.K[i][j] = weightSum * J * sum;
        }
    }
    for (int i = 0; i < 6; ++i) {
        f.p[i] = 0;
        for (int j = 0; j < 6; ++j) {
            f.p[i] += f.K[i][j] * u[j];
        }
    }
    return f;
}

TEST(TangentKernel, AgreesWithTheClosedFormOnRandomTriangles) {
    std::mt19937 rng(20261208);
    std::uniform_real_distribution<double> coord(-3, 3), disp(-0.1, 0.1), young(0.1, 300),
        poisson(-0.9, 0.49);
    for (int trial = 0; trial < 200; ++trial) {
        Triangle t;
        double x[3], y[3], u[6];
        for (int k = 0; k < 3; ++k) {
            x[k] = t.coords[k][0] = coord(rng);
            y[k] = t.coords[k][1] = coord(rng);
            u[2 * k] = t.current[k][0] = disp(rng);
            u[2 * k + 1] = t.current[k][1] = disp(rng);
        }
        const double J = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        if (std::fabs(J) < 0.5) {
            continue;
        }
        t.data[0] = young(rng);
        t.data[1] = poisson(rng);
        t.points = {0.2, 0.3, 0, 0.125, 0.6, 0.1, 0, 0.375};
        t.tangentCall();
        const ClosedForm f = closedForm(x, y, u, t.data[0], t.data[1], 0.5);
        double scale = 0;
        for (const auto& row : f.K) {
            for (double v : row) {
                scale = std::max(scale, std::fabs(v));
            }
        }
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(t.p(i), f.p[i], 1e-11 * scale) << "trial " << trial << " p" << i;
            for (int j = i; j < 6; ++j) {
                EXPECT_NEAR(t.s(i, j), f.K[i][j], 1e-12 * scale) << "trial " << trial;
            }
        }
        expectFramesIntact(t);
    }
}

TEST(TangentKernel, RigidMotionsProduceNoForceButFullStiffness) {
    const double t0 = 1e-3;
    for (int motion = 0; motion < 2; ++motion) {
        Triangle t, reference;
        t.coords[0][0] = 0.3, t.coords[0][1] = -0.2;
        t.coords[1][0] = 2.1, t.coords[1][1] = 0.4;
        t.coords[2][0] = 0.7, t.coords[2][1] = 1.9;
        for (int k = 0; k < 3; ++k) {
            std::copy(t.coords[k], t.coords[k] + 3, reference.coords[k]);
            if (motion == 0) {
                t.current[k][0] = 0.25, t.current[k][1] = -0.5;
            } else {
                t.current[k][0] = -t0 * t.coords[k][1];
                t.current[k][1] = t0 * t.coords[k][0];
            }
        }
        t.tangentCall();
        reference.tangentCall();
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(t.p(i), 0.0, 1e-15) << "motion " << motion;
            for (int j = i; j < 6; ++j) {
                EXPECT_EQ(t.s(i, j), reference.s(i, j));
            }
        }
    }
}

TEST(TangentKernel, ResidualIsTheFullSymmetricMatrixTimesTheUnknowns) {
    Triangle t;
    t.coords[1][0] = 1.7, t.coords[2][0] = -0.4, t.coords[2][1] = 1.3;
    t.tangentCall();
    const double u[6] = {t.current[0][0], t.current[0][1], t.current[1][0],
                         t.current[1][1], t.current[2][0], t.current[2][1]};
    for (int i = 0; i < 6; ++i) {
        double Ku = 0;
        for (int j = 0; j < 6; ++j) {
            Ku += (j >= i ? t.s(i, j) : t.s(j, i)) * u[j];
        }
        expectClose(t.p(i), Ku, "p", i);
    }
}

TEST(TangentKernel, ReadsMaterialAtEveryCall) {
    Triangle t;
    t.tangentCall();
    const double before = t.s(0, 0);
    t.data[0] = 2.0;
    t.tangentCall();
    expectClose(t.s(0, 0), 3 * before, "s", 0, 0);
}

} // namespace
