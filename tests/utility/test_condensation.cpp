// Static condensation and recovery: worked examples bit for bit, pivot boundary, degenerate counts,
// and the round trip condense -> solve retained system -> recover.
#include "XEMUtility.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double untouched = -777.0;

// A dense square matrix held as the row-pointer form the routines take.
struct Matrix {
    std::vector<std::vector<double>> values;
    std::vector<double*> rows;

    explicit Matrix(std::vector<std::vector<double>> v) : values(std::move(v)) {
        for (auto& row : values) {
            rows.push_back(row.data());
        }
    }
    double** data() { return rows.data(); }
};

// Solves the 2x2 system A x = b by Cramer's rule.
std::array<double, 2> solve2(double a00, double a01, double a10, double a11, double b0, double b1) {
    const double det = a00 * a11 - a01 * a10;
    return {(b0 * a11 - a01 * b1) / det, (a00 * b1 - b0 * a10) / det};
}

const std::vector<std::vector<double>> exampleK = {{4, 1, 2}, {1, 3, 1}, {2, 1, 4}};
const std::vector<double> exampleR = {1, 0, 2};

TEST(Condensation, OneInternalUnknownWorkedExample) {
    Matrix K(exampleK);
    std::vector<double> R = exampleR;
    double condensedResidual[1] = {untouched};
    double coupling[2] = {untouched, untouched};
    int error = -5;
    XEMCondense(K.data(), R.data(), condensedResidual, coupling, 2, 1, &error);

    EXPECT_EQ(error, 0);
    const std::vector<std::vector<double>> expectedK = {{3, 0.5, 2}, {0.5, 2.75, 1}, {2, 1, 0.25}};
    EXPECT_EQ(K.values, expectedK);
    EXPECT_EQ(R, (std::vector<double>{0, -0.5, 2}));
    EXPECT_EQ(condensedResidual[0], -0.5);
    EXPECT_EQ(coupling[0], 0.5);
    EXPECT_EQ(coupling[1], 0.25);

    // K_rr' x_r + R_r' = 0.
    const auto xr =
        solve2(K.values[0][0], K.values[0][1], K.values[1][0], K.values[1][1], -R[0], -R[1]);
    EXPECT_EQ(xr[0], -0.03125);
    EXPECT_EQ(xr[1], 0.1875);
    double xc[1] = {condensedResidual[0]};
    XEMRecover(xc, coupling, xr.data(), 2, 1);
    EXPECT_EQ(xc[0], -0.53125);

    const double x[3] = {xr[0], xr[1], xc[0]};
    for (int i = 0; i < 3; ++i) {
        double Kx = 0.0;
        for (int j = 0; j < 3; ++j) {
            Kx += exampleK[i][j] * x[j];
        }
        EXPECT_EQ(Kx, -exampleR[i]) << i;
    }
}

TEST(Condensation, TwoInternalUnknownsMatchTheFixedOperationOrder) {
    Matrix K({{5, 1, 2, 1}, {1, 4, 1, 0}, {2, 1, 4, 1}, {1, 0, 1, 2}});
    std::vector<double> R = {1, 2, 3, 4};
    double condensedResidual[2];
    double coupling[4];
    int error = -5;
    XEMCondense(K.data(), R.data(), condensedResidual, coupling, 2, 2, &error);

    EXPECT_EQ(error, 0);
    // K_cc^-1, then K_rc and K_cr unchanged, then the modified retained block.
    EXPECT_EQ(K.values[2][2], 0.2857142857142857);
    EXPECT_EQ(K.values[2][3], -0.14285714285714285);
    EXPECT_EQ(K.values[3][2], -0.14285714285714285);
    EXPECT_EQ(K.values[3][3], 0.5714285714285714);
    EXPECT_EQ(coupling[0], 0.42857142857142855);
    EXPECT_EQ(coupling[1], 0.2857142857142857);
    EXPECT_EQ(coupling[2], 0.2857142857142857);
    EXPECT_EQ(coupling[3], -0.14285714285714285);
    EXPECT_EQ(condensedResidual[0], -0.2857142857142857);
    EXPECT_EQ(condensedResidual[1], -1.857142857142857);
    EXPECT_EQ(K.values[0][0], 3.8571428571428577);
    EXPECT_EQ(K.values[0][1], 0.5714285714285714);
    EXPECT_EQ(K.values[1][0], 0.5714285714285714);
    EXPECT_EQ(K.values[1][1], 3.7142857142857144);
    EXPECT_EQ(R[0], -1.4285714285714284);
    EXPECT_EQ(R[1], 1.7142857142857144);
    EXPECT_EQ(K.values[0][2], 2.0);
    EXPECT_EQ(K.values[0][3], 1.0);
    EXPECT_EQ(K.values[1][2], 1.0);
    EXPECT_EQ(K.values[1][3], 0.0);
    EXPECT_EQ(K.values[2][0], 2.0);
    EXPECT_EQ(K.values[3][0], 1.0);
    EXPECT_EQ(R[2], 3.0);
    EXPECT_EQ(R[3], 4.0);
}

TEST(Condensation, TwoInternalUnknownsRoundTripSolvesTheFullSystem) {
    const std::vector<std::vector<double>> original = {
        {5, 1, 2, 1}, {1, 4, 1, 0}, {2, 1, 4, 1}, {1, 0, 1, 2}};
    const std::vector<double> originalR = {1, 2, 3, 4};
    Matrix K(original);
    std::vector<double> R = originalR;
    double condensedResidual[2];
    double coupling[4];
    int error = -5;
    XEMCondense(K.data(), R.data(), condensedResidual, coupling, 2, 2, &error);
    ASSERT_EQ(error, 0);

    const auto xr =
        solve2(K.values[0][0], K.values[0][1], K.values[1][0], K.values[1][1], -R[0], -R[1]);
    double xc[2] = {condensedResidual[0], condensedResidual[1]};
    XEMRecover(xc, coupling, xr.data(), 2, 2);
    const double x[4] = {xr[0], xr[1], xc[0], xc[1]};
    for (int i = 0; i < 4; ++i) {
        double Kx = 0.0;
        for (int j = 0; j < 4; ++j) {
            Kx += original[i][j] * x[j];
        }
        EXPECT_NEAR(Kx, -originalR[i], 1e-14) << i;
    }
}

// Condenses the worked example with a given last pivot; returns the error and checks that a
// failure leaves every argument as it was.
int condenseWithPivot(double pivot) {
    std::vector<std::vector<double>> entries = exampleK;
    entries[2][2] = pivot;
    Matrix K(entries);
    std::vector<double> R = exampleR;
    double condensedResidual[1] = {untouched};
    double coupling[2] = {untouched, untouched};
    int error = -5;
    XEMCondense(K.data(), R.data(), condensedResidual, coupling, 2, 1, &error);
    if (error != 0) {
        EXPECT_EQ(K.values[0], entries[0]);
        EXPECT_EQ(K.values[1], entries[1]);
        EXPECT_EQ(K.values[2][0], entries[2][0]);
        EXPECT_EQ(K.values[2][1], entries[2][1]);
        EXPECT_TRUE(K.values[2][2] == pivot || std::isnan(pivot));
        EXPECT_EQ(R, exampleR);
        EXPECT_EQ(condensedResidual[0], untouched);
        EXPECT_EQ(coupling[0], untouched);
        EXPECT_EQ(coupling[1], untouched);
    } else {
        EXPECT_EQ(K.values[2][2], 1.0 / pivot);
    }
    return error;
}

TEST(Condensation, PivotMustExceedTheFloorInMagnitude) {
    EXPECT_EQ(condenseWithPivot(1e-11), 2);
    EXPECT_EQ(condenseWithPivot(-1e-11), 2);
    EXPECT_EQ(condenseWithPivot(0.0), 2);
    EXPECT_EQ(condenseWithPivot(std::numeric_limits<double>::quiet_NaN()), 2);
    EXPECT_EQ(condenseWithPivot(std::nextafter(1e-11, 1.0)), 0);
    EXPECT_EQ(condenseWithPivot(-std::nextafter(1e-11, 1.0)), 0);
    EXPECT_EQ(condenseWithPivot(-4.0), 0);
}

TEST(Condensation, LaterPivotFailureReportsItsFullMatrixRow) {
    // The second pivot becomes 1 - 1*1 = 0 after the first exchange step.
    Matrix K({{7, 2, 3}, {2, 1, 1}, {3, 1, 1}});
    std::vector<double> R = {1, 2, 3};
    double condensedResidual[2] = {untouched, untouched};
    double coupling[2] = {untouched, untouched};
    int error = -5;
    XEMCondense(K.data(), R.data(), condensedResidual, coupling, 1, 2, &error);
    EXPECT_EQ(error, 2);
    EXPECT_EQ(K.values[0], (std::vector<double>{7, 2, 3}));
    EXPECT_EQ(K.values[1][0], 2.0);
    EXPECT_EQ(K.values[2][0], 3.0);
    EXPECT_EQ(R, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(condensedResidual[0], untouched);
    EXPECT_EQ(coupling[0], untouched);
}

TEST(Condensation, NothingToCondenseOnlyClearsTheError) {
    for (int c : {0, -1}) {
        Matrix K(exampleK);
        std::vector<double> R = exampleR;
        double condensedResidual[1] = {untouched};
        double coupling[2] = {untouched, untouched};
        int error = -5;
        XEMCondense(K.data(), R.data(), condensedResidual, coupling, 3, c, &error);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(K.values, exampleK);
        EXPECT_EQ(R, exampleR);
        EXPECT_EQ(condensedResidual[0], untouched);
        EXPECT_EQ(coupling[0], untouched);
    }
}

TEST(Condensation, NoRetainedUnknownsInvertsWithoutCoupling) {
    Matrix K({{4, 2}, {2, 2}});
    std::vector<double> R = {2, 1};
    double condensedResidual[2] = {untouched, untouched};
    double coupling[1] = {untouched};
    int error = -5;
    XEMCondense(K.data(), R.data(), condensedResidual, coupling, 0, 2, &error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(K.values, (std::vector<std::vector<double>>{{0.5, -0.5}, {-0.5, 1.0}}));
    EXPECT_EQ(condensedResidual[0], -0.5);
    // Negated after the sum: -(+0.0) is -0.0.
    EXPECT_TRUE(condensedResidual[1] == 0.0 && std::signbit(condensedResidual[1]));
    EXPECT_EQ(coupling[0], untouched);
    EXPECT_EQ(R, (std::vector<double>{2, 1}));
}

TEST(Condensation, NoRetainedUnknownsFailingFirstPivotReportsZero) {
    Matrix K(std::vector<std::vector<double>>{{0.0}});
    double R[1] = {1.0};
    double condensedResidual[1] = {untouched};
    int error = -5;
    XEMCondense(K.data(), R, condensedResidual, nullptr, 0, 1, &error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(condensedResidual[0], untouched);
    EXPECT_EQ(K.values[0][0], 0.0);
}

TEST(Condensation, RecoverWithoutBothBlocksTouchesNothing) {
    const double coupling[2] = {1.0, 1.0};
    const double retained[2] = {1.0, 1.0};
    double unknowns[2] = {5.0, 6.0};
    XEMRecover(unknowns, coupling, retained, 0, 2);
    XEMRecover(unknowns, coupling, retained, -1, 2);
    XEMRecover(nullptr, coupling, retained, 2, 0);
    XEMRecover(nullptr, coupling, retained, 2, -3);
    EXPECT_EQ(unknowns[0], 5.0);
    EXPECT_EQ(unknowns[1], 6.0);
}

TEST(Condensation, RecoverSubtractsInAscendingOrder) {
    // ((1 - 1e16) - 1) + 1e16 is 0.0; subtracting the finished dot product would give 1.0.
    const double coupling[3] = {1e16, 1.0, -1e16};
    const double retained[3] = {1.0, 1.0, 1.0};
    double unknowns[1] = {1.0};
    XEMRecover(unknowns, coupling, retained, 3, 1);
    EXPECT_EQ(unknowns[0], 0.0);
}

} // namespace
