// Catalogue rules on the triangle with corners (1, 0), (0, 1), (0, 0) (weights sum to 1/2, zeta =
// 0) and on the unit tetrahedron (weights sum to 1/6). Points are stored as area (volume)
// coordinates without the last one; weights are those of the unit-measure rule times the reference
// measure.
//
// The published orbit values are kept exactly as published: a distinct coordinate printed beside
// its parameter (1 - 2a, 1 - 3a) is stored as printed, because recomputing it from the rounded
// parameter can differ in the last digits.
#include "integration_rules.h"

namespace {

constexpr double kThird = 1.0 / 3.0;
constexpr double kSixth = 1.0 / 6.0;

// Corner numbers for addCornerOrbit: L1 first, or the unstored coordinate (L3, L4) first.
constexpr int kFromFirstCorner = 0;
constexpr int kTriangleFromLastCorner = 2;
constexpr int kTetrahedronFromLastCorner = 3;

} // namespace

// Code 12: triangle, centroid with the whole area, degree 1.
constexpr RulePoints<1> ic12 = [] {
    RuleDraft<1> draft{};
    addPoint(draft, kThird, kThird, 0.0, 0.5);
    return finished(draft);
}();

// Code 13: triangle, the corners (0, 0), (1, 0), (0, 1), degree 1 (trapezoidal rule).
constexpr RulePoints<3> ic13 = [] {
    RuleDraft<3> draft{};
    addCornerOrbit(draft, 2, 0.0, 1.0, kSixth, kTriangleFromLastCorner);
    return finished(draft);
}();

// Code 14: triangle, degree 2, the classical mid-edge formula; point i lies on the edge opposite
// corner point i of code 13.
constexpr RulePoints<3> ic14 = [] {
    RuleDraft<3> draft{};
    addCornerOrbit(draft, 2, 0.5, 0.0, kSixth, kTriangleFromLastCorner);
    return finished(draft);
}();

// Code 15: tetrahedron, centroid with the whole volume, degree 1.
constexpr RulePoints<1> ic15 = [] {
    RuleDraft<1> draft{};
    addPoint(draft, 0.25, 0.25, 0.25, kSixth);
    return finished(draft);
}();

// Code 16: triangle, degree 3, Hammer, Marlowe and Stroud (1956): the centroid with a negative
// weight, then the orbit of (0.6, 0.2, 0.2).
constexpr RulePoints<4> ic16 = [] {
    RuleDraft<4> draft{};
    addPoint(draft, kThird, kThird, 0.0, -27.0 / 96.0);
    addCornerOrbit(draft, 2, 0.2, 0.6, 25.0 / 96.0, kFromFirstCorner);
    return finished(draft);
}();

// Code 17: triangle, degree 3, the classical seven-point formula: corners and mid-edges alternating
// along the boundary from the corner (0, 0), then the centroid.
constexpr RulePoints<7> ic17 = [] {
    RuleDraft<7> draft{};
    addPoint(draft, 0.0, 0.0, 0.0, 1.0 / 40.0);
    addPoint(draft, 0.5, 0.0, 0.0, 1.0 / 15.0);
    addPoint(draft, 1.0, 0.0, 0.0, 1.0 / 40.0);
    addPoint(draft, 0.5, 0.5, 0.0, 1.0 / 15.0);
    addPoint(draft, 0.0, 1.0, 0.0, 1.0 / 40.0);
    addPoint(draft, 0.0, 0.5, 0.0, 1.0 / 15.0);
    addPoint(draft, kThird, kThird, 0.0, 9.0 / 40.0);
    return finished(draft);
}();

// Code 18: tetrahedron, degree 2, Hammer, Marlowe and Stroud (1956): the orbit of (b, a, a, a),
// a = (5 - sqrt 5) / 20, b = (5 + 3 sqrt 5) / 20 = 1 - 3a.
constexpr RulePoints<4> ic18 = [] {
    RuleDraft<4> draft{};
    addCornerOrbit(draft, 3, 0.1381966011250105, 0.5854101966249684, 1.0 / 24.0, kFromFirstCorner);
    return finished(draft);
}();

// Code 19: tetrahedron, degree 3, Hammer, Marlowe and Stroud (1956): the centroid with a negative
// weight, then the orbit of (1/2, 1/6, 1/6, 1/6).
constexpr RulePoints<5> ic19 = [] {
    RuleDraft<5> draft{};
    addPoint(draft, 0.25, 0.25, 0.25, -2.0 / 15.0);
    addCornerOrbit(draft, 3, kSixth, 0.5, 3.0 / 40.0, kFromFirstCorner);
    return finished(draft);
}();

// Code 35: triangle, degree 2, Hammer, Marlowe and Stroud (1956), the same formula as code 18 one
// dimension down: 2/3 at one corner, 1/6 at the others, starting with the point of corner 3. The
// element's default rule.
constexpr RulePoints<3> ic35 = [] {
    RuleDraft<3> draft{};
    addCornerOrbit(draft, 2, kSixth, 2.0 / 3.0, kSixth, kTriangleFromLastCorner);
    return finished(draft);
}();

// Code 39: triangle, degree 6, Dunavant (1985), stored with the 15-digit values of its table.
constexpr RulePoints<12> ic39 = [] {
    constexpr double kP = 0.636502499121399;
    constexpr double kQ = 0.310352451033785;
    constexpr double kR = 0.053145049844816;
    constexpr double kPermutations[6][2] = {{kP, kQ}, {kP, kR}, {kQ, kP},
                                            {kR, kP}, {kQ, kR}, {kR, kQ}};
    RuleDraft<12> draft{};
    addCornerOrbit(draft, 2, 0.063089014491502, 0.873821971016996, 0.0254224531851035,
                   kFromFirstCorner);
    addCornerOrbit(draft, 2, 0.24928674517091, 0.501426509658179, 0.0583931378631895,
                   kFromFirstCorner);
    for (const auto& point : kPermutations) {
        addPoint(draft, point[0], point[1], 0.0, 0.041425537809187);
    }
    return finished(draft);
}();

// Code 40: tetrahedron, degree 5, a published 14-point symmetric rule: two orbits of (1 - 3a, a, a,
// a) and the six points with two coordinates p and two q = 1/2 - p.
constexpr RulePoints<14> ic40 = [] {
    constexpr double kP = 0.04550370412564965;
    constexpr double kQ = 0.45449629587435036;
    constexpr double kPairs[6][3] = {{kP, kP, kQ}, {kP, kQ, kP}, {kP, kQ, kQ},
                                     {kQ, kP, kP}, {kQ, kP, kQ}, {kQ, kQ, kP}};
    RuleDraft<14> draft{};
    addCornerOrbit(draft, 3, 0.09273525031089122, 0.7217942490673264, 0.012248840519393659,
                   kFromFirstCorner);
    addCornerOrbit(draft, 3, 0.3108859192633006, 0.06734224221009817, 0.018781320953002643,
                   kFromFirstCorner);
    for (const auto& point : kPairs) {
        addPoint(draft, point[0], point[1], point[2], 0.007091003462846911);
    }
    return finished(draft);
}();

// Code 41: triangle, degree 4, Dunavant (1985): two orbits of (a, a, 1 - 2a).
constexpr RulePoints<6> ic41 = [] {
    constexpr double kA = 0.4459484909159649;
    constexpr double kB = 0.09157621350977074;
    RuleDraft<6> draft{};
    addCornerOrbit(draft, 2, kA, 1.0 - 2.0 * kA, 0.11169079483900574, kTriangleFromLastCorner);
    addCornerOrbit(draft, 2, kB, 1.0 - 2.0 * kB, 0.054975871827660935, kTriangleFromLastCorner);
    return finished(draft);
}();

// Code 42: triangle, degree 5, Dunavant (1985): the centroid, then two orbits of (a, a, 1 - 2a).
constexpr RulePoints<7> ic42 = [] {
    constexpr double kA = 0.4701420641051151;
    constexpr double kB = 0.10128650732345634;
    RuleDraft<7> draft{};
    addPoint(draft, kThird, kThird, 0.0, 9.0 / 80.0);
    addCornerOrbit(draft, 2, kA, 1.0 - 2.0 * kA, 0.0661970763942531, kTriangleFromLastCorner);
    addCornerOrbit(draft, 2, kB, 1.0 - 2.0 * kB, 0.06296959027241357, kTriangleFromLastCorner);
    return finished(draft);
}();

// Code 43: tetrahedron, degree 3, a published eight-point symmetric rule: two orbits of
// (1 - 3a, a, a, a), each starting with the point (a, a, a).
constexpr RulePoints<8> ic43 = [] {
    RuleDraft<8> draft{};
    addCornerOrbit(draft, 3, 0.3280546967114267, 0.015835909865720057, 0.02308799441864369,
                   kTetrahedronFromLastCorner);
    addCornerOrbit(draft, 3, 0.10695227393293068, 0.679143178201208, 0.018578672248022975,
                   kTetrahedronFromLastCorner);
    return finished(draft);
}();
