// The 43-rule catalogue: counts, measures, domains, exactness per degree, stored order, and the
// Gauss factors to the last bit.
#include "XEMUtility.h"
#include "rule_checks.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <vector>

namespace {

using molr_test::Domain;

struct RuleFacts {
    Domain domain;
    int points;
    int degree;
};

// The catalogue's table of domains, point counts and degrees, indexed by code.
RuleFacts factsOf(int code) {
    if (code >= 20 && code <= 29) {
        return {Domain::Line, code - 19, 2 * (code - 19) - 1};
    }
    if (code >= 30 && code <= 34) {
        return {Domain::Line, code - 28, 2 * (code - 28) - 3};
    }
    const Domain S = Domain::Square, C = Domain::Cube, T = Domain::Triangle,
                 O = Domain::Tetrahedron;
    static const RuleFacts kOthers[44] = {
        {},         {S, 1, 1},  {S, 4, 3}, {S, 9, 5}, {S, 5, 3}, {S, 4, 1}, {C, 1, 1},  {C, 8, 3},
        {C, 27, 5}, {C, 64, 7}, {C, 9, 3}, {C, 8, 1}, {T, 1, 1}, {T, 3, 1}, {T, 3, 2},  {O, 1, 1},
        {T, 4, 3},  {T, 7, 3},  {O, 4, 2}, {O, 5, 3}, {},        {},        {},         {},
        {},         {},         {},        {},        {},        {},        {},         {},
        {},         {},         {},        {T, 3, 2}, {C, 4, 2}, {C, 6, 3}, {C, 14, 5}, {T, 12, 6},
        {O, 14, 5}, {T, 6, 4},  {T, 7, 5}, {O, 8, 3}};
    return kOthers[code];
}

std::vector<double> rule(int code) {
    int count = -1;
    const double* table = XEFIntPoints(&code, &count);
    return table ? std::vector<double>(table, table + 4 * count) : std::vector<double>();
}

// True when stored is the double nearest to exact (to the accuracy of the extended-precision
// reference).
bool correctlyRounded(double stored, long double exact) {
    const long double below =
        (stored + static_cast<long double>(std::nextafter(stored, -1e300))) / 2;
    const long double above =
        (stored + static_cast<long double>(std::nextafter(stored, 1e300))) / 2;
    const long double slack = 8 * LDBL_EPSILON * std::fabs(exact);
    return exact >= below - slack && exact <= above + slack;
}

long double legendre(int n, long double x, long double* derivative) {
    long double previous = 1.0L, current = x;
    if (n == 0) {
        current = 1.0L;
        previous = 0.0L;
    }
    for (int k = 2; k <= n; ++k) {
        const long double next = ((2 * k - 1) * x * current - (k - 1) * previous) / k;
        previous = current;
        current = next;
    }
    *derivative = n * (previous - x * current) / (1.0L - x * x);
    return current;
}

// Gauss-Legendre (lobatto false) or Gauss-Lobatto nodes and weights in ascending order, by Newton
// iteration in extended precision.
std::vector<std::pair<long double, long double>> gaussRule(int n, bool lobatto) {
    std::vector<std::pair<long double, long double>> nodes;
    const long double pi = 3.141592653589793238462643383279502884L;
    if (lobatto) {
        const long double endWeight = 2.0L / (n * (n - 1));
        nodes.push_back({-1.0L, endWeight});
        for (int k = n - 2; k >= 1; --k) {
            // Interior nodes: roots of P'_{n-1}, i.e. of f = P_{n-2} - x P_{n-1}.
            long double x = std::cos(pi * k / (n - 1));
            for (int iteration = 0; iteration < 100; ++iteration) {
                long double d1, d2;
                const long double p1 = legendre(n - 1, x, &d1);
                const long double p2 = legendre(n - 2, x, &d2);
                const long double step = (p2 - x * p1) / (d2 - p1 - x * d1);
                x -= step;
                if (std::fabs(step) < 1e-30L) {
                    break;
                }
            }
            long double unused;
            const long double p = legendre(n - 1, x, &unused);
            nodes.push_back({x, endWeight / (p * p)});
        }
        nodes.push_back({1.0L, endWeight});
        return nodes;
    }
    for (int k = n; k >= 1; --k) {
        long double x = std::cos(pi * (k - 0.25L) / (n + 0.5L));
        long double derivative = 0.0L;
        for (int iteration = 0; iteration < 100; ++iteration) {
            const long double step = legendre(n, x, &derivative) / derivative;
            x -= step;
            if (std::fabs(step) < 1e-30L) {
                break;
            }
        }
        legendre(n, x, &derivative);
        nodes.push_back({x, 2.0L / ((1.0L - x * x) * derivative * derivative)});
    }
    if (n % 2 == 1) {
        nodes[n / 2].first = 0.0L; // by symmetry; Newton leaves a tiny residue there
    }
    return nodes;
}

TEST(IntegrationRules, CountsAreTheCatalogueCountsAndNg) {
    for (int code = 1; code <= 43; ++code) {
        int count = -1;
        const double* table = XEFIntPoints(&code, &count);
        EXPECT_NE(table, nullptr) << "code " << code;
        EXPECT_EQ(count, ng[code]) << "code " << code;
        EXPECT_EQ(count, factsOf(code).points) << "code " << code;
        EXPECT_EQ(nd[code], molr_test::dimensionOf(factsOf(code).domain)) << "code " << code;
    }
}

TEST(IntegrationRules, CodesThatNameNoRuleGiveNullAndZero) {
    for (int code : {0, 44, 47, 999, -1, 1000, 21021, INT_MIN, INT_MAX}) {
        int count = -1;
        EXPECT_EQ(XEFIntPoints(&code, &count), nullptr) << "code " << code;
        EXPECT_EQ(count, 0) << "code " << code;
    }
}

TEST(IntegrationRules, WeightsSumToTheDomainMeasure) {
    for (int code = 1; code <= 43; ++code) {
        const std::vector<double> points = rule(code);
        long double sum = 0.0L;
        for (size_t m = 0; m < points.size(); m += 4) {
            sum += points[m + 3];
        }
        const double measure = molr_test::measureOf(factsOf(code).domain);
        EXPECT_NEAR(static_cast<double>(sum), measure, 4e-15 * measure) << "code " << code;
    }
}

TEST(IntegrationRules, PointsLieInTheClosedDomainAndUnusedCoordinatesAreZero) {
    for (int code = 1; code <= 43; ++code) {
        const Domain domain = factsOf(code).domain;
        const std::vector<double> points = rule(code);
        for (size_t m = 0; m < points.size(); m += 4) {
            const double xi = points[m], eta = points[m + 1], zeta = points[m + 2];
            const int d = molr_test::dimensionOf(domain);
            if (d < 3) {
                EXPECT_EQ(zeta, 0.0) << "code " << code;
            }
            if (d < 2) {
                EXPECT_EQ(eta, 0.0) << "code " << code;
            }
            if (domain == Domain::Triangle || domain == Domain::Tetrahedron) {
                EXPECT_GE(xi, 0.0) << "code " << code;
                EXPECT_GE(eta, 0.0) << "code " << code;
                EXPECT_GE(zeta, 0.0) << "code " << code;
                EXPECT_LE(xi + eta + zeta, 1.0 + 1e-15) << "code " << code;
            } else {
                for (const double c : {xi, eta, zeta}) {
                    EXPECT_LE(std::fabs(c), 1.0) << "code " << code;
                }
            }
        }
    }
}

TEST(IntegrationRules, ExactForEveryMonomialUpToTheStatedDegreeAndNotBeyond) {
    for (int code = 1; code <= 43; ++code) {
        const RuleFacts facts = factsOf(code);
        const std::vector<double> points = rule(code);
        const int count = static_cast<int>(points.size() / 4);
        const double tolerance = 1e-14 * molr_test::measureOf(facts.domain);
        for (int degree = 0; degree <= facts.degree; ++degree) {
            EXPECT_LE(molr_test::largestError(facts.domain, points.data(), count, degree),
                      tolerance)
                << "code " << code << " degree " << degree;
        }
        // Every stated degree is tight: some monomial of the next degree is missed clearly.
        EXPECT_GT(molr_test::largestError(facts.domain, points.data(), count, facts.degree + 1),
                  1e-7)
            << "code " << code;
    }
}

TEST(IntegrationRules, GaussLegendreAndLobattoAreCorrectlyRoundedInAscendingOrder) {
    for (int code = 20; code <= 34; ++code) {
        const bool lobatto = code >= 30;
        const int n = factsOf(code).points;
        const std::vector<double> points = rule(code);
        const auto reference = gaussRule(n, lobatto);
        ASSERT_EQ(reference.size(), static_cast<size_t>(n));
        for (int m = 0; m < n; ++m) {
            EXPECT_TRUE(correctlyRounded(points[4 * m], reference[m].first))
                << "code " << code << " abscissa " << m << ": " << points[4 * m];
            EXPECT_TRUE(correctlyRounded(points[4 * m + 3], reference[m].second))
                << "code " << code << " weight " << m << ": " << points[4 * m + 3];
            if (m > 0) {
                EXPECT_LT(points[4 * (m - 1)], points[4 * m]) << "code " << code;
            }
        }
        if (n % 2 == 1) {
            EXPECT_EQ(points[4 * (n / 2)], 0.0) << "code " << code;
        }
        if (lobatto) {
            EXPECT_EQ(points[0], -1.0) << "code " << code;
            EXPECT_EQ(points[4 * (n - 1)], 1.0) << "code " << code;
        }
    }
}

TEST(IntegrationRules, RationalGaussWeightsAreTheRoundedFractions) {
    EXPECT_EQ(rule(22)[4 + 3], 8.0 / 9.0);
    EXPECT_EQ(rule(24)[8 + 3], 128.0 / 225.0);
    EXPECT_EQ(rule(26)[12 + 3], 512.0 / 1225.0);
    EXPECT_EQ(rule(28)[16 + 3], 32768.0 / 99225.0);
    const std::vector<double> lobatto3 = rule(31);
    EXPECT_EQ(lobatto3[3], 1.0 / 3.0);
    EXPECT_EQ(lobatto3[7], 4.0 / 3.0);
    const std::vector<double> lobatto4 = rule(32);
    EXPECT_EQ(lobatto4[3], 1.0 / 6.0);
    EXPECT_EQ(lobatto4[7], 5.0 / 6.0);
    EXPECT_TRUE(correctlyRounded(lobatto4[4], -1.0L / std::sqrt(5.0L)));
    const std::vector<double> lobatto5 = rule(33);
    EXPECT_EQ(lobatto5[3], 1.0 / 10.0);
    EXPECT_EQ(lobatto5[7], 49.0 / 90.0);
    EXPECT_EQ(lobatto5[11], 32.0 / 45.0);
    EXPECT_TRUE(correctlyRounded(lobatto5[12], std::sqrt(3.0L / 7.0L)));
    EXPECT_EQ(rule(34)[3], 1.0 / 15.0);
}

TEST(IntegrationRules, SinglePointRules) {
    EXPECT_EQ(rule(20), (std::vector<double>{0.0, 0.0, 0.0, 2.0}));
    EXPECT_EQ(rule(1), (std::vector<double>{0.0, 0.0, 0.0, 4.0}));
    EXPECT_EQ(rule(6), (std::vector<double>{0.0, 0.0, 0.0, 8.0}));
    EXPECT_EQ(rule(12), (std::vector<double>{1.0 / 3.0, 1.0 / 3.0, 0.0, 0.5}));
    EXPECT_EQ(rule(15), (std::vector<double>{0.25, 0.25, 0.25, 1.0 / 6.0}));
}

TEST(IntegrationRules, DefaultRule35) {
    const double sixth = 1.0 / 6.0, twoThirds = 2.0 / 3.0;
    EXPECT_EQ(rule(35), (std::vector<double>{sixth, sixth, 0.0, sixth, twoThirds, sixth, 0.0, sixth,
                                             sixth, twoThirds, 0.0, sixth}));
    EXPECT_EQ(sixth + sixth + sixth, 0.5);
}

// Product rules: point m = i + n j (+ n^2 k) has abscissa i of the factor for xi, j for eta, k for
// zeta, and the product of their weights.
TEST(IntegrationRules, ProductRulesRunXiFastest) {
    const struct {
        int code, factor, dimensions;
    } kProducts[] = {{1, 20, 2}, {2, 21, 2}, {3, 22, 2}, {5, 30, 2}, {6, 20, 3},
                     {7, 21, 3}, {8, 22, 3}, {9, 23, 3}, {11, 30, 3}};
    for (const auto& product : kProducts) {
        const std::vector<double> points = rule(product.code);
        const std::vector<double> factor = rule(product.factor);
        const int n = static_cast<int>(factor.size() / 4);
        for (int m = 0; m < static_cast<int>(points.size() / 4); ++m) {
            const int index[3] = {m % n, (m / n) % n, m / (n * n)};
            double weight = 1.0;
            for (int axis = 0; axis < 3; ++axis) {
                const double expected = axis < product.dimensions ? factor[4 * index[axis]] : 0.0;
                EXPECT_EQ(points[4 * m + axis], expected) << "code " << product.code;
                if (axis < product.dimensions) {
                    weight = weight * factor[4 * index[axis] + 3];
                }
            }
            EXPECT_EQ(points[4 * m + 3], weight) << "code " << product.code << " point " << m;
        }
    }
    EXPECT_EQ(rule(3)[16], 0.0);
    EXPECT_EQ(rule(3)[17], 0.0);
    EXPECT_EQ(rule(3)[19], 64.0 / 81.0);
    const std::vector<double> cube = rule(8);
    EXPECT_EQ(std::vector<double>(cube.begin() + 52, cube.begin() + 55),
              (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_EQ(cube[55], 512.0 / 729.0);
}

using Points = std::vector<std::vector<double>>;

void expectStoredOrder(int code, const Points& expected) {
    const std::vector<double> points = rule(code);
    ASSERT_EQ(points.size(), 4 * expected.size()) << "code " << code;
    for (size_t m = 0; m < expected.size(); ++m) {
        for (size_t q = 0; q < 4; ++q) {
            EXPECT_EQ(points[4 * m + q], expected[m][q])
                << "code " << code << " point " << m << " entry " << q;
        }
    }
}

// (+-a, +-a[, +-a]) in product order, xi fastest, minus first.
Points signPoints(int dimensions, double a, double weight) {
    Points points;
    for (int m = 0; m < (1 << dimensions); ++m) {
        std::vector<double> point = {0.0, 0.0, 0.0, weight};
        for (int axis = 0; axis < dimensions; ++axis) {
            point[axis] = (m >> axis) & 1 ? a : -a;
        }
        points.push_back(point);
    }
    return points;
}

double rootOf(long double x) {
    return static_cast<double>(std::sqrt(x));
}

TEST(IntegrationRules, StoredOrderOfTheSquareAndCubeRules) {
    const double a = rootOf(3.0L / 5.0L);
    EXPECT_EQ(a, 0.7745966692414834);
    Points code4 = signPoints(2, a, 5.0 / 9.0);
    code4.push_back({0.0, 0.0, 0.0, 16.0 / 9.0});
    expectStoredOrder(4, code4);
    Points code10 = signPoints(3, a, 5.0 / 9.0);
    code10.push_back({0.0, 0.0, 0.0, 32.0 / 9.0});
    expectStoredOrder(10, code10);

    const double s = rootOf(2.0L / 3.0L), t = rootOf(1.0L / 3.0L);
    expectStoredOrder(36, {{0, s, -t, 2}, {0, -s, -t, 2}, {s, 0, t, 2}, {-s, 0, t, 2}});
    const double w37 = 4.0 / 3.0;
    expectStoredOrder(37, {{1, 0, 0, w37},
                           {-1, 0, 0, w37},
                           {0, 1, 0, w37},
                           {0, -1, 0, w37},
                           {0, 0, 1, w37},
                           {0, 0, -1, w37}});

    const double r = rootOf(19.0L / 30.0L), b = rootOf(19.0L / 33.0L);
    const double wa = 320.0 / 361.0, wb = 121.0 / 361.0;
    expectStoredOrder(38, {{r, 0, 0, wa},
                           {-r, 0, 0, wa},
                           {0, r, 0, wa},
                           {0, -r, 0, wa},
                           {0, 0, r, wa},
                           {0, 0, -r, wa},
                           {b, b, b, wb},
                           {-b, b, b, wb},
                           {b, -b, b, wb},
                           {-b, -b, b, wb},
                           {b, b, -b, wb},
                           {b, -b, -b, wb},
                           {-b, -b, -b, wb},
                           {-b, b, -b, wb}});
}

TEST(IntegrationRules, StoredOrderOfTheLowOrderSimplexRules) {
    const double third = 1.0 / 3.0, sixth = 1.0 / 6.0;
    expectStoredOrder(13, {{0, 0, 0, sixth}, {1, 0, 0, sixth}, {0, 1, 0, sixth}});
    expectStoredOrder(14, {{0.5, 0.5, 0, sixth}, {0, 0.5, 0, sixth}, {0.5, 0, 0, sixth}});
    const double w16 = 25.0 / 96.0;
    expectStoredOrder(16, {{third, third, 0, -27.0 / 96.0},
                           {0.6, 0.2, 0, w16},
                           {0.2, 0.6, 0, w16},
                           {0.2, 0.2, 0, w16}});
    const double corner = 1.0 / 40.0, edge = 1.0 / 15.0;
    expectStoredOrder(17, {{0, 0, 0, corner},
                           {0.5, 0, 0, edge},
                           {1, 0, 0, corner},
                           {0.5, 0.5, 0, edge},
                           {0, 1, 0, corner},
                           {0, 0.5, 0, edge},
                           {third, third, 0, 9.0 / 40.0}});
    const double a = static_cast<double>((5.0L - std::sqrt(5.0L)) / 20.0L);
    const double b = static_cast<double>((5.0L + 3.0L * std::sqrt(5.0L)) / 20.0L);
    EXPECT_EQ(a, 0.1381966011250105);
    EXPECT_EQ(b, 0.5854101966249684);
    const double w18 = 1.0 / 24.0;
    expectStoredOrder(18, {{b, a, a, w18}, {a, b, a, w18}, {a, a, b, w18}, {a, a, a, w18}});
    const double w19 = 3.0 / 40.0;
    expectStoredOrder(19, {{0.25, 0.25, 0.25, -2.0 / 15.0},
                           {0.5, sixth, sixth, w19},
                           {sixth, 0.5, sixth, w19},
                           {sixth, sixth, 0.5, w19},
                           {sixth, sixth, sixth, w19}});
}

TEST(IntegrationRules, StoredOrderOfThePublishedSymmetricRules) {
    const double a39 = 0.063089014491502, d39 = 0.873821971016996, w39a = 0.0254224531851035;
    const double b39 = 0.24928674517091, e39 = 0.501426509658179, w39b = 0.0583931378631895;
    const double p = 0.636502499121399, q = 0.310352451033785, r = 0.053145049844816;
    const double w39c = 0.041425537809187;
    expectStoredOrder(39, {{d39, a39, 0, w39a},
                           {a39, d39, 0, w39a},
                           {a39, a39, 0, w39a},
                           {e39, b39, 0, w39b},
                           {b39, e39, 0, w39b},
                           {b39, b39, 0, w39b},
                           {p, q, 0, w39c},
                           {p, r, 0, w39c},
                           {q, p, 0, w39c},
                           {r, p, 0, w39c},
                           {q, r, 0, w39c},
                           {r, q, 0, w39c}});

    const double a40 = 0.09273525031089122, d40 = 0.7217942490673264, w40a = 0.012248840519393659;
    const double b40 = 0.3108859192633006, e40 = 0.06734224221009817, w40b = 0.018781320953002643;
    const double p40 = 0.04550370412564965, q40 = 0.45449629587435036, w40c = 0.007091003462846911;
    expectStoredOrder(40, {{d40, a40, a40, w40a},
                           {a40, d40, a40, w40a},
                           {a40, a40, d40, w40a},
                           {a40, a40, a40, w40a},
                           {e40, b40, b40, w40b},
                           {b40, e40, b40, w40b},
                           {b40, b40, e40, w40b},
                           {b40, b40, b40, w40b},
                           {p40, p40, q40, w40c},
                           {p40, q40, p40, w40c},
                           {p40, q40, q40, w40c},
                           {q40, p40, p40, w40c},
                           {q40, p40, q40, w40c},
                           {q40, q40, p40, w40c}});

    const double a41 = 0.4459484909159649, w41a = 0.11169079483900574;
    const double b41 = 0.09157621350977074, w41b = 0.054975871827660935;
    expectStoredOrder(41, {{a41, a41, 0, w41a},
                           {1 - 2 * a41, a41, 0, w41a},
                           {a41, 1 - 2 * a41, 0, w41a},
                           {b41, b41, 0, w41b},
                           {1 - 2 * b41, b41, 0, w41b},
                           {b41, 1 - 2 * b41, 0, w41b}});

    const double a42 = 0.4701420641051151, w42a = 0.0661970763942531;
    const double b42 = 0.10128650732345634, w42b = 0.06296959027241357;
    EXPECT_EQ(9.0 / 80.0, 0.1125);
    expectStoredOrder(42, {{1.0 / 3.0, 1.0 / 3.0, 0, 0.1125},
                           {a42, a42, 0, w42a},
                           {1 - 2 * a42, a42, 0, w42a},
                           {a42, 1 - 2 * a42, 0, w42a},
                           {b42, b42, 0, w42b},
                           {1 - 2 * b42, b42, 0, w42b},
                           {b42, 1 - 2 * b42, 0, w42b}});

    const double a43 = 0.3280546967114267, d43 = 0.015835909865720057, w43a = 0.02308799441864369;
    const double b43 = 0.10695227393293068, e43 = 0.679143178201208, w43b = 0.018578672248022975;
    expectStoredOrder(43, {{a43, a43, a43, w43a},
                           {d43, a43, a43, w43a},
                           {a43, d43, a43, w43a},
                           {a43, a43, d43, w43a},
                           {b43, b43, b43, w43b},
                           {e43, b43, b43, w43b},
                           {b43, e43, b43, w43b},
                           {b43, b43, e43, w43b}});
}

} // namespace
