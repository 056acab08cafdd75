// SPP through the record's address: worked example, assignment semantics and bounds.
#include "loaded_module.h"
#include "worked_examples.h"

#include <cmath>
#include <iterator>

namespace {

using molrtest::kCanary;
using molrtest::Triangle;

void expectClose(double actual, double expected, const std::string& what) {
    EXPECT_NEAR(actual, expected, 1e-13 * std::max(1.0, std::fabs(expected))) << what;
}

namespace we = worked_example;

void expectWorkedExample(const Triangle& t, int pointCount) {
    for (int g = 0; g < pointCount; ++g) {
        for (int c = 0; c < 6; ++c) {
            expectClose(t.gpost[g][1 + c], we::pointRow[c],
                        "gpost[" + std::to_string(g) + "][" + std::to_string(c) + "]");
        }
        EXPECT_EQ(t.gpost[g].front(), kCanary);
        EXPECT_EQ(t.gpost[g][7], kCanary);
    }
    for (size_t g = pointCount; g < t.gpost.size(); ++g) {
        for (double v : t.gpost[g]) {
            EXPECT_EQ(v, kCanary) << "row " << g << " is beyond intPointCount";
        }
    }
    for (int k = 0; k < 3; ++k) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(t.npost[k][1 + c], we::nodalRows[k][c]);
        }
        EXPECT_EQ(t.npost[k].front(), kCanary);
        EXPECT_EQ(t.npost[k][5], kCanary);
    }
    for (int i = 0; i < 3; ++i) {
        expectClose(t.stored[i], we::storedReals[i], "storedReals[" + std::to_string(i) + "]");
    }
    for (size_t i = 3; i < t.stored.size(); ++i) {
        EXPECT_EQ(t.stored[i], kCanary);
    }
    for (size_t k = molrtest::kPostWork; k < t.work.size(); ++k) {
        EXPECT_EQ(t.work[k], kCanary) << "work entry " << k;
    }
}

TEST(PostKernel, WorkedExampleWithOnePointOfWeightHalf) {
    Triangle t;
    t.postCall();
    expectWorkedExample(t, 1);
}

TEST(PostKernel, WorkedExampleWithTheThreePointsOfTheDefaultRule) {
    Triangle t;
    t.points.assign(std::begin(we::threePointRule), std::end(we::threePointRule));
    t.postCall();
    expectWorkedExample(t, 3);
}

TEST(PostKernel, OverwritesWhateverTheOutputsHeldAndRepeatsExactly) {
    Triangle t;
    for (int g = 0; g < 1; ++g) {
        std::fill(t.gpost[g].begin() + 1, t.gpost[g].begin() + 7, 99.0);
    }
    std::fill(t.stored.begin(), t.stored.begin() + 3, -5.0);
    t.postCall();
    expectWorkedExample(t, 1);
    const auto first = t.gpost;
    const auto stored = t.stored;
    t.postCall();
    EXPECT_EQ(t.gpost, first);
    EXPECT_EQ(t.stored, stored);
}

TEST(PostKernel, NoPointsZeroesTheSumsAndStillWritesNodeRows) {
    for (int count : {0, -3}) {
        Triangle t;
        t.bind();
        t.es()->intPointCount = count;
        t.es()->postKernel(t.work.data(), t.es(), t.record(), t.ns, t.nv, nullptr,
                           t.host.idata.data(), t.gpostRows, t.npostRows);
        for (const auto& row : t.gpost) {
            for (double v : row) {
                EXPECT_EQ(v, kCanary);
            }
        }
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(t.stored[i], 0.0);
            EXPECT_FALSE(std::signbit(t.stored[i]));
        }
        EXPECT_EQ(t.npost[2][1], 0.004);
        EXPECT_EQ(t.npost[2][4], 0.02);
    }
}

TEST(PostKernel, RigidTranslationHasNoStrainStressOrSums) {
    Triangle t;
    for (auto& u : t.current) {
        u[0] = 0.3, u[1] = -0.7;
    }
    t.postCall();
    for (int c = 0; c < 6; ++c) {
        EXPECT_NEAR(t.gpost[0][1 + c], 0.0, 1e-15);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(t.stored[i], 0.0, 1e-15);
        EXPECT_EQ(t.npost[i][1], 0.3);
        EXPECT_EQ(t.npost[i][2], -0.7);
    }
}

TEST(PostKernel, ClockwiseOrderKeepsStressesAndFlipsTheSums) {
    Triangle ccw, cw;
    std::swap(cw.coords[1], cw.coords[2]);
    std::swap(cw.current[1], cw.current[2]);
    ccw.postCall();
    cw.postCall();
    for (int c = 0; c < 6; ++c) {
        expectClose(cw.gpost[0][1 + c], ccw.gpost[0][1 + c], "gpost " + std::to_string(c));
    }
    for (int i = 0; i < 3; ++i) {
        expectClose(cw.stored[i], -ccw.stored[i], "stored " + std::to_string(i));
    }
}

TEST(PostKernel, StressesMatchTheTangentKernelsResidual) {
    // p = integral of B^T sigma: the stresses SPP reports must reproduce SKR's residual.
    Triangle t;
    t.coords[1][0] = 1.6, t.coords[2][0] = 0.3, t.coords[2][1] = 0.9;
    t.data[1] = 0.3;
    t.tangentCall();
    t.postCall();
    const double sxx = t.gpost[0][4], sxy = t.gpost[0][5], syy = t.gpost[0][6];
    const double x[3] = {t.coords[0][0], t.coords[1][0], t.coords[2][0]};
    const double y[3] = {t.coords[0][1], t.coords[1][1], t.coords[2][1]};
    for (int n = 0; n < 3; ++n) {
        const int a = (n + 1) % 3, b = (n + 2) % 3;
        // Area times the shape derivative is half the edge normal, independent of J.
        const double halfNx = (y[a] - y[b]) / 2, halfNy = (x[b] - x[a]) / 2;
        expectClose(t.p(2 * n), halfNx * sxx + halfNy * sxy, "px");
        expectClose(t.p(2 * n + 1), halfNx * sxy + halfNy * syy, "py");
    }
}

} // namespace
