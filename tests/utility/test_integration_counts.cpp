// Counting half of XEFMultiIntPoints: decoding of single and composite codes.
#include "XEMUtility.h"

#include <gtest/gtest.h>

namespace {

struct Counts {
    int total = -7, first = -7, second = -7, third = -7;
};

Counts count(int code, int* idata) {
    Counts c;
    EXPECT_EQ(XEFMultiIntPoints(&code, idata, &c.total, &c.first, &c.second, &c.third, 0), nullptr);
    return c;
}

void expectCounts(int code, int total, int first, int second, int third) {
    int idata[128];
    for (int& entry : idata) {
        entry = 13;
    }
    const Counts c = count(code, idata);
    EXPECT_EQ(c.total, total) << code;
    EXPECT_EQ(c.first, first) << code;
    EXPECT_EQ(c.second, second) << code;
    EXPECT_EQ(c.third, third) << code;
    for (int entry : idata) {
        EXPECT_EQ(entry, 13) << "counting must leave IData alone";
    }
}

TEST(IntegrationCounts, SingleCodesReadThePointTable) {
    for (int code = 1; code <= 43; ++code) {
        expectCounts(code, ng[code], ng[code], 0, 0);
    }
    for (int code : {50, -1, 0, 44, 45, 47, 48, 999, -1000, -2147483647 - 1}) {
        expectCounts(code, 0, 0, 0, 0);
    }
}

TEST(IntegrationCounts, CompositeCodesMultiplyTheirComponents) {
    expectCounts(35, 3, 3, 0, 0);
    expectCounts(21021, 4, 2, 2, 0);
    expectCounts(2035, 12, 3, 4, 0); // four dimensions: counted like any other
    expectCounts(8008, 729, 27, 27, 0);
    expectCounts(21000, 0, 0, 2, 0);
    expectCounts(999999, 0, 0, 0, 0);
    expectCounts(1000, 0, 0, 1, 0);
    expectCounts(21022023, 24, 4, 3, 2);
    expectCounts(1021022023, 24, 4, 3, 2); // digits above the ninth are ignored
    expectCounts(9009009, 262144, 64, 64, 64);
}

TEST(IntegrationCounts, TablesAgreeWithTheRuleShapes) {
    // Gauss-Legendre 20..29 has code-19 points, Gauss-Lobatto 30..34 has code-28.
    for (int code = 20; code <= 29; ++code) {
        EXPECT_EQ(ng[code], code - 19);
        EXPECT_EQ(nd[code], 1);
    }
    for (int code = 30; code <= 34; ++code) {
        EXPECT_EQ(ng[code], code - 28);
        EXPECT_EQ(nd[code], 1);
    }
    // Tensor products on the square and cube.
    EXPECT_EQ(ng[2], 4);
    EXPECT_EQ(ng[3], 9);
    EXPECT_EQ(ng[7], 8);
    EXPECT_EQ(ng[8], 27);
    EXPECT_EQ(ng[9], 64);
    for (int code : {0, 44, 45, 46, 47}) {
        EXPECT_EQ(nd[code], 0);
        EXPECT_EQ(ng[code], 0);
    }
}

} // namespace
