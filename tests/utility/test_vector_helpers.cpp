// Dense vector helpers: ascending-chain sums, exact-ratio picks, overlapping copies.
#include "XEMUtility.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

bool isPositiveZero(double x) {
    return x == 0.0 && !std::signbit(x);
}

TEST(VectorHelpers, EmptyCountsGiveZeroAndTouchNoMemory) {
    for (int n : {0, -1, INT_MIN}) {
        EXPECT_TRUE(isPositiveZero(XEMDot(nullptr, nullptr, n)));
        EXPECT_TRUE(isPositiveZero(XEMSum(nullptr, n)));
        XEMMove(nullptr, nullptr, n);
        XEMZero(nullptr, n);
    }
}

TEST(VectorHelpers, SingleTermStartsFromPositiveZero) {
    const double minusZero[] = {-0.0};
    const double one[] = {1.0};
    EXPECT_TRUE(isPositiveZero(XEMSum(minusZero, 1)));
    EXPECT_TRUE(isPositiveZero(XEMDot(minusZero, one, 1)));
    const double a[] = {3.0};
    const double b[] = {-0.5};
    EXPECT_EQ(XEMDot(a, b, 1), -1.5);
}

TEST(VectorHelpers, SumOfNegativeZerosIsPositiveZero) {
    const double terms[] = {-0.0, -0.0, -0.0, -0.0};
    EXPECT_TRUE(isPositiveZero(XEMSum(terms, 4)));
    EXPECT_TRUE(isPositiveZero(XEMDot(terms, terms, 4)));
}

TEST(VectorHelpers, SumsFollowTheAscendingChain) {
    const double cancel[] = {1e16, 1.0, -1e16};
    EXPECT_EQ(XEMSum(cancel, 3), 0.0);
    // Pairwise or reversed summation of these four terms gives 0.0; only the chain gives 1.0.
    const double terms[] = {1e16, 1.0, -1e16, 1.0};
    EXPECT_EQ(XEMSum(terms, 4), 1.0);
    const double ones[] = {1.0, 1.0, 1.0, 1.0};
    EXPECT_EQ(XEMDot(terms, ones, 4), 1.0);
    EXPECT_EQ(XEMDot(cancel, ones, 3), 0.0);
}

TEST(VectorHelpers, DotRoundsEachProductBeforeAdding) {
    // x*x rounds to 1 + 2^-29; a fused multiply-add of the second term would leave -2^-60.
    const double x = 1.0 + std::ldexp(1.0, -30);
    const double a[] = {x, x};
    const double b[] = {x, -x};
    EXPECT_TRUE(isPositiveZero(XEMDot(a, b, 2)));
}

TEST(VectorHelpers, DeltaPartPicksOnlyExactRatios) {
    const double a[] = {10.0, 20.0, 30.0, 40.0};
    EXPECT_EQ(XEMDeltaPart(a, 6, 3, 4), 20.0);
    EXPECT_EQ(XEMDeltaPart(a, 12, 3, 4), 40.0);
    EXPECT_EQ(XEMDeltaPart(a, 3, 3, 4), 10.0);
    EXPECT_EQ(XEMDeltaPart(a, -6, -3, 4), 20.0);
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, 7, 3, 4)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, 0, 5, 4)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, 15, 3, 4)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, -6, 3, 4)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, 6, -3, 4)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, -7, -3, 4)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, 6, 3, 1)));
}

TEST(VectorHelpers, DeltaPartSurvivesTheTrappingDivisions) {
    const double a[] = {10.0, 20.0};
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, 6, 0, 2)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, 0, 0, 2)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, INT_MIN, -1, INT_MAX)));
    EXPECT_TRUE(isPositiveZero(XEMDeltaPart(a, INT_MIN, INT_MIN, 0)));
    EXPECT_EQ(XEMDeltaPart(a, INT_MIN, INT_MIN, 2), 10.0);
    EXPECT_EQ(XEMDeltaPart(a, INT_MIN + 1, -1, 2), 0.0);
}

TEST(VectorHelpers, MoveCopiesSourceFirstToDestination) {
    const double source[] = {1.0, -0.0, 3.5};
    double destination[] = {9.0, 9.0, 9.0, 9.0};
    XEMMove(source, destination, 3);
    EXPECT_EQ(destination[0], 1.0);
    EXPECT_TRUE(std::signbit(destination[1]));
    EXPECT_EQ(destination[2], 3.5);
    EXPECT_EQ(destination[3], 9.0);
}

TEST(VectorHelpers, MoveDownOverlappingShiftsValues) {
    double buffer[] = {1.0, 2.0, 3.0, 4.0, 5.0};
    XEMMove(buffer + 1, buffer, 4);
    const double expected[] = {2.0, 3.0, 4.0, 5.0, 5.0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(buffer[i], expected[i]) << i;
    }
}

TEST(VectorHelpers, MoveUpOverlappingRepeatsTheFirstValue) {
    double buffer[] = {1.0, 2.0, 3.0, 4.0, 5.0};
    XEMMove(buffer, buffer + 1, 4);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(buffer[i], 1.0) << i;
    }
}

TEST(VectorHelpers, ZeroClearsExactlyNEntriesToPositiveZero) {
    double buffer[] = {-1.0, -0.0, std::numeric_limits<double>::quiet_NaN(), 7.0};
    XEMZero(buffer, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(isPositiveZero(buffer[i])) << i;
    }
    EXPECT_EQ(buffer[3], 7.0);
}

TEST(VectorHelpers, ConstrainedSelectorLooksOnlyAtTheSign) {
    EXPECT_EQ(XEMIsDOFConstrained(-1, 1.5, 2.5), 1.5);
    EXPECT_EQ(XEMIsDOFConstrained(INT_MIN, 1.5, 2.5), 1.5);
    EXPECT_EQ(XEMIsDOFConstrained(0, 1.5, 2.5), 2.5);
    EXPECT_EQ(XEMIsDOFConstrained(1, 1.5, 2.5), 2.5);
    EXPECT_EQ(XEMIsDOFConstrained(INT_MAX, 1.5, 2.5), 2.5);
}

} // namespace
