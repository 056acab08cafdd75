// Point counting of any integration code and the composite (product) rules built from catalogue
// rules: worked examples, edge cases, the dimension error on standard output, ownership.
#include "XEMUtility.h"
#include "rule_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kIDataEntries = 128;

// One call of XEFMultiIntPoints with everything it hands back; frees what the caller owns.
struct MultiResult {
    int total = -1, count1 = -1, count2 = -1, count3 = -1;
    double* points = nullptr;
    std::vector<int> idata = std::vector<int>(kIDataEntries, 7);
    std::string printed;
    int code = 0;

    MultiResult(int code, int flag) : code(code) {
        testing::internal::CaptureStdout();
        points =
            XEFMultiIntPoints(&this->code, idata.data(), &total, &count1, &count2, &count3, flag);
        printed = testing::internal::GetCapturedStdout();
    }
    ~MultiResult() {
        if (code > 999) {
            std::free(points);
        }
    }
    MultiResult(const MultiResult&) = delete;
    MultiResult& operator=(const MultiResult&) = delete;

    std::vector<double> values() const {
        return points ? std::vector<double>(points, points + 4 * total) : std::vector<double>();
    }
    bool idataUntouched() const { return idata == std::vector<int>(kIDataEntries, 7); }
};

void expectCounts(const MultiResult& r, int total, int n1, int n2, int n3) {
    EXPECT_EQ(r.total, total) << "code " << r.code;
    EXPECT_EQ(r.count1, n1) << "code " << r.code;
    EXPECT_EQ(r.count2, n2) << "code " << r.code;
    EXPECT_EQ(r.count3, n3) << "code " << r.code;
}

std::vector<double> catalogue(int code) {
    int count = 0;
    const double* table = XEFIntPoints(&code, &count);
    return std::vector<double>(table, table + 4 * count);
}

std::string dimensionMessage(const char* code) {
    return std::string("\nERROR: integration code ") + code + " has more than 3 dimensions\n";
}

const double g = static_cast<double>(1.0L / std::sqrt(3.0L));
const double h = static_cast<double>(std::sqrt(3.0L / 5.0L));

// ---- Counting (flag 0) ----------------------------------------------------------------------

TEST(PointCounts, SingleCode) {
    const MultiResult r(35, 0);
    expectCounts(r, 3, 3, 0, 0);
    EXPECT_EQ(r.points, nullptr);
    EXPECT_TRUE(r.idataUntouched());
}

TEST(PointCounts, TwoAndThreeComponents) {
    expectCounts(MultiResult(21021, 0), 4, 2, 2, 0);
    expectCounts(MultiResult(21000, 0), 0, 0, 2, 0);
    expectCounts(MultiResult(999999, 0), 0, 0, 0, 0);
    expectCounts(MultiResult(1000, 0), 0, 0, 1, 0);
    expectCounts(MultiResult(21022023, 0), 24, 4, 3, 2);
    // Digits above the ninth are ignored.
    expectCounts(MultiResult(1021022023, 0), 24, 4, 3, 2);
}

TEST(PointCounts, CodesThatNameNoRule) {
    for (int code : {50, -1, 0, 44, 999, 47, -21021}) {
        const MultiResult r(code, 0);
        expectCounts(r, 0, 0, 0, 0);
        EXPECT_EQ(r.points, nullptr);
    }
}

TEST(PointCounts, OverDimensionedCodeIsCountedSilently) {
    const MultiResult r(2035, 0);
    expectCounts(r, 12, 3, 4, 0);
    EXPECT_EQ(r.points, nullptr);
    EXPECT_EQ(r.printed, "");
    EXPECT_TRUE(r.idataUntouched());
}

// ---- Points (non-zero flag) -------------------------------------------------------------------

TEST(CompositeRules, SingleCodeHandsOutTheCatalogueTable) {
    int code = 35, count = 0;
    const MultiResult r(35, 1);
    expectCounts(r, 3, 3, 0, 0);
    EXPECT_EQ(r.points, XEFIntPoints(&code, &count));
    EXPECT_EQ(r.printed, "");
    EXPECT_TRUE(r.idataUntouched());
    // Any non-zero flag asks for the points.
    EXPECT_EQ(MultiResult(35, -4).points, r.points);
}

TEST(CompositeRules, SingleCodeThatNamesNoRuleGivesNull) {
    for (int code : {50, -1, 0, 999}) {
        const MultiResult r(code, 1);
        expectCounts(r, 0, 0, 0, 0);
        EXPECT_EQ(r.points, nullptr);
        EXPECT_EQ(r.printed, "");
    }
}

TEST(CompositeRules, EmptyComponentGivesAnEmptyBlockAndNoMessage) {
    const MultiResult r(21000, 1);
    expectCounts(r, 0, 0, 2, 0);
    EXPECT_EQ(r.printed, "");
    EXPECT_TRUE(r.idataUntouched());
}

TEST(CompositeRules, TwoGaussRules) {
    const MultiResult r(21021, 1);
    expectCounts(r, 4, 2, 2, 0);
    EXPECT_EQ(r.values(),
              (std::vector<double>{-g, -g, 0, 1, g, -g, 0, 1, -g, g, 0, 1, g, g, 0, 1}));
    EXPECT_EQ(r.printed, "");
}

TEST(CompositeRules, FirstRuleRunsFastest) {
    const MultiResult r(22021, 1);
    expectCounts(r, 6, 2, 3, 0);
    const double five = 5.0 / 9.0, eight = 8.0 / 9.0;
    EXPECT_EQ(r.values(), (std::vector<double>{-g, -h, 0, five,  g,  -h, 0, five, -g, 0, 0, eight,
                                               g,  0,  0, eight, -g, h,  0, five, g,  h, 0, five}));
}

TEST(CompositeRules, PrismFromTriangleAndLine) {
    const double s = 1.0 / 6.0, t = 2.0 / 3.0;
    const MultiResult prism(21035, 1);
    expectCounts(prism, 6, 3, 2, 0);
    EXPECT_EQ(prism.values(), (std::vector<double>{s, s, -g, s, t, s, -g, s, s, t, -g, s,
                                                   s, s, g,  s, t, s, g,  s, s, t, g,  s}));
    const MultiResult lineFirst(35021, 1);
    expectCounts(lineFirst, 6, 2, 3, 0);
    EXPECT_EQ(lineFirst.values(), (std::vector<double>{-g, s, s, s, g,  s, s, s, -g, t, s, s,
                                                       g,  t, s, s, -g, s, t, s, g,  s, t, s}));
}

TEST(CompositeRules, ThreeLineRules) {
    const MultiResult r(21022023, 1);
    expectCounts(r, 24, 4, 3, 2);
    const std::vector<double> p = r.values();
    const double point0[4] = {-0.8611363115940526, -0.7745966692414834, -g,
                              0.34785484513745385 * (5.0 / 9.0) * 1.0};
    for (int q = 0; q < 4; ++q) {
        EXPECT_EQ(p[q], point0[q]) << q;
    }
    // Point 1 differs only in xi, point 4 only in eta, point 12 only in zeta.
    for (const int m : {1, 4, 12}) {
        const int changed = m == 1 ? 0 : m == 4 ? 1 : 2;
        for (int q = 0; q < 3; ++q) {
            if (q == changed) {
                EXPECT_NE(p[4 * m + q], point0[q]) << "point " << m;
            } else {
                EXPECT_EQ(p[4 * m + q], point0[q]) << "point " << m;
            }
        }
    }
    EXPECT_EQ(p[4 * 1], -0.33998104358485626);
    EXPECT_EQ(p[4 * 4 + 1], 0.0);
    EXPECT_EQ(p[4 * 12 + 2], g);
}

// Every valid pairing, checked against the catalogue: m = i + N1 j (+ N1 N2 k), the first d1
// coordinates of rule 1, then rule 2's (and rule 3's) until three are filled, weight
// (w1 w2) w3.
void expectProductOf(const std::vector<int>& components) {
    int code = 0;
    for (size_t r = components.size(); r-- > 0;) {
        code = code * 1000 + components[r];
    }
    std::vector<std::vector<double>> rules;
    for (int c : components) {
        rules.push_back(catalogue(c));
    }
    const MultiResult result(code, 1);
    ASSERT_NE(result.points, nullptr) << "code " << code;
    const std::vector<double> p = result.values();
    int m = 0;
    const int n1 = static_cast<int>(rules[0].size() / 4);
    const int n2 = static_cast<int>(rules[1].size() / 4);
    const int n3 = components.size() == 3 ? static_cast<int>(rules[2].size() / 4) : 1;
    for (int k = 0; k < n3; ++k) {
        for (int j = 0; j < n2; ++j) {
            for (int i = 0; i < n1; ++i, ++m) {
                const int index[3] = {i, j, k};
                std::vector<double> expected;
                double weight = 1.0;
                for (size_t r = 0; r < components.size(); ++r) {
                    const int take = r + 1 == components.size()
                                         ? 3 - static_cast<int>(expected.size())
                                         : nd[components[r]];
                    for (int q = 0; q < take; ++q) {
                        expected.push_back(rules[r][4 * index[r] + q]);
                    }
                    weight = r == 0 ? rules[r][4 * i + 3] : weight * rules[r][4 * index[r] + 3];
                }
                expected.push_back(weight);
                EXPECT_EQ(std::vector<double>(p.begin() + 4 * m, p.begin() + 4 * m + 4), expected)
                    << "code " << code << " point " << m;
            }
        }
    }
    EXPECT_EQ(m, result.total);
}

TEST(CompositeRules, EveryPairingOfLineWithLineTriangleOrSquare) {
    const int planar[] = {1, 2, 3, 4, 5, 12, 13, 14, 16, 17, 35, 39, 41, 42};
    for (int line = 20; line <= 34; ++line) {
        for (int other = 20; other <= 34; ++other) {
            expectProductOf({line, other});
        }
        for (int other : planar) {
            expectProductOf({line, other});
            expectProductOf({other, line});
        }
    }
}

TEST(CompositeRules, ThreeLineRulesInEveryPosition) {
    for (int a : {20, 22, 29, 31, 34}) {
        for (int b : {21, 23, 30}) {
            for (int c : {24, 33}) {
                expectProductOf({a, b, c});
                expectProductOf({c, a, b});
            }
        }
    }
}

TEST(CompositeRules, CatalogueProductRulesEqualTheirCompositeCodes) {
    const struct {
        int single, composite;
    } kSame[] = {{1, 20020},    {2, 21021},    {3, 22022},    {5, 30030},    {6, 20020020},
                 {7, 21021021}, {8, 22022022}, {9, 23023023}, {11, 30030030}};
    for (const auto& same : kSame) {
        EXPECT_EQ(MultiResult(same.composite, 1).values(), catalogue(same.single))
            << "code " << same.single;
    }
}

TEST(CompositeRules, ProductRulesIntegrateProductsOfExactDegrees) {
    // Prism: triangle rule of degree 2 times the 4-point line (degree 7).
    const MultiResult prism(23035, 1);
    for (int a = 0; a <= 2; ++a) {
        for (int b = 0; a + b <= 2; ++b) {
            for (int c = 0; c <= 7; ++c) {
                const int planar[3] = {a, b, 0}, axial[3] = {c, 0, 0};
                const int e[3] = {a, b, c};
                const long double exact =
                    molr_test::exactIntegral(molr_test::Domain::Triangle, planar) *
                    molr_test::exactIntegral(molr_test::Domain::Line, axial);
                EXPECT_NEAR(
                    static_cast<double>(molr_test::ruleIntegral(prism.points, prism.total, e)),
                    static_cast<double>(exact), 1e-15)
                    << a << " " << b << " " << c;
            }
        }
    }
}

TEST(CompositeRules, TriangleAndSquareReportMoreThanThreeDimensions) {
    const MultiResult r(2035, 1);
    expectCounts(r, 12, 3, 4, 0);
    EXPECT_EQ(r.printed, dimensionMessage("2035"));
    EXPECT_EQ(r.idata[XEFErrorStatus], 3);
    std::vector<int> others = r.idata;
    others[XEFErrorStatus] = 7;
    EXPECT_EQ(others, std::vector<int>(kIDataEntries, 7));
    ASSERT_NE(r.points, nullptr);
    EXPECT_EQ(r.values(), std::vector<double>(48, 0.0));
}

TEST(CompositeRules, ThreeComponentsWithATriangleReportTheWholeCode) {
    const MultiResult r(21021035, 1);
    expectCounts(r, 12, 3, 2, 2);
    EXPECT_EQ(r.printed, dimensionMessage("21021035"));
    EXPECT_EQ(r.idata[XEFErrorStatus], 3);
    EXPECT_EQ(r.values(), std::vector<double>(48, 0.0));
}

TEST(CompositeRules, DimensionCheckCountsEmptyComponentsByTheirCode) {
    // Codes 0 and 44 to 999 add no dimension: a cube rule with one of them is not reported.
    for (int code : {500009, 47009, 9, 999008}) {
        const MultiResult r(code, 1);
        EXPECT_EQ(r.printed, "") << "code " << code;
        EXPECT_TRUE(r.idataUntouched()) << "code " << code;
    }
    // Two cube rules are reported even when a third, empty component makes the rule empty.
    const MultiResult empty(6000006, 1);
    expectCounts(empty, 0, 1, 0, 1);
    EXPECT_EQ(empty.printed, dimensionMessage("6000006"));
    EXPECT_EQ(empty.idata[XEFErrorStatus], 3);
}

TEST(CompositeRules, CubeTimesLineIsReported) {
    const MultiResult r(20009, 1);
    expectCounts(r, 64, 64, 1, 0);
    EXPECT_EQ(r.printed, dimensionMessage("20009"));
    EXPECT_EQ(r.values(), std::vector<double>(256, 0.0));
}

} // namespace
