// The small-strain limit: at no displacement the tangent is the linear plane-strain triangle's
// stiffness (MOLR's SKR, from the static library) to round-off, and under a load of strain level
// eps the tangent and the internal force differ from the linear ones by a relative O(eps) only, the
// geometric stiffness and the change of shape and volume all being first order in the strain.
#include "MOLR.h"
#include "neo_hookean_harness.h"

#include <cmath>

namespace {

using neohooketest::Matrix6;
using neohooketest::Triangle;
using neohooketest::Vector6;

constexpr neohooketest::Corners kCorners = {{{0.2, 0.1}, {2.1, 0.4}, {0.7, 1.6}}};
// The direction of the load: a displacement gradient with stretch, shear and rotation in it.
constexpr double kGradient[2][2] = {{0.8, -0.3}, {0.5, -0.6}};

// The linear triangle's residual and completed stiffness for the same triangle, state, material
// and points.
struct Linear {
    Vector6 residual{};
    Matrix6 matrix{};
};

Linear linearTriangle(Triangle& t) {
    ElSpec es{};
    es.data = t.record().data;
    es.intPoints = t.record().intPoints;
    es.intPointCount = t.record().intPointCount;
    NodeKind kinds[3] = {};
    NodeValues nodes[3] = {};
    NodeKind* kindRows[3];
    NodeValues* nodeRows[3];
    for (int k = 0; k < 3; ++k) {
        kinds[k].dofCount = 2;
        nodes[k].coords = t.coords[k];
        nodes[k].current = t.current[k];
        kindRows[k] = &kinds[k];
        nodeRows[k] = &nodes[k];
    }
    Linear out;
    double* rows[6];
    for (int i = 0; i < 6; ++i) {
        rows[i] = out.matrix[i].data();
    }
    std::vector<double> work(228, 0.0);
    ElRecord record{};
    SKR(work.data(), &es, &record, kindRows, nodeRows, nullptr, nullptr, out.residual.data(), rows);
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < i; ++j) {
            out.matrix[i][j] = out.matrix[j][i];
        }
    }
    return out;
}

void load(Triangle& t, double eps) {
    t.place(kCorners);
    t.displace({{{eps * kGradient[0][0], eps * kGradient[0][1]},
                 {eps * kGradient[1][0], eps * kGradient[1][1]}}});
}

struct Deviation {
    double tangent;  // max |K - K_lin| / max |K_lin|
    double residual; // max |f - f_lin| / max |f_lin|
};

Deviation deviation(double eps) {
    Triangle t;
    load(t, eps);
    const neohooketest::TangentResult nonlinear = t.tangent();
    const Linear linear = linearTriangle(t);
    double tangent = 0.0, residual = 0.0, force = 0.0;
    for (int i = 0; i < 6; ++i) {
        residual = std::max(residual, std::fabs(nonlinear.residual[i] - linear.residual[i]));
        force = std::max(force, std::fabs(linear.residual[i]));
        for (int j = 0; j < 6; ++j) {
            tangent = std::max(tangent, std::fabs(nonlinear.matrix[i][j] - linear.matrix[i][j]));
        }
    }
    return {tangent / neohooketest::largestMagnitude(linear.matrix), residual / force};
}

TEST(SmallStrainLimit, UnloadedTangentIsTheLinearTriangle) {
    const Deviation d = deviation(0.0);
    neohooketest::recordFigure("tangent_deviation", d.tangent);
    EXPECT_LE(d.tangent, 1e-14);
}

TEST(SmallStrainLimit, AtStrain1e7TangentAndForceDepartByTheLoadLevelOnly) {
    constexpr double kEps = 1e-7;
    const Deviation d = deviation(kEps);
    neohooketest::recordFigure("tangent_deviation", d.tangent);
    neohooketest::recordFigure("residual_deviation", d.residual);
    EXPECT_LE(d.tangent, 10.0 * kEps);
    EXPECT_LE(d.residual, 10.0 * kEps);
    // Not zero either: the strain must reach the tangent.
    EXPECT_GE(d.tangent, 0.01 * kEps);
}

TEST(SmallStrainLimit, DeviationIsFirstOrderInTheLoad) {
    // Ten times the load, ten times the deviation, to the next order's share of it.
    const Deviation small = deviation(1e-7);
    const Deviation large = deviation(1e-6);
    EXPECT_NEAR(large.tangent / small.tangent, 10.0, 1e-3);
    EXPECT_NEAR(large.residual / small.residual, 10.0, 1e-3);
}

} // namespace
