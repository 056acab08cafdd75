// Catalogue rules on the square [-1, 1]^2 (weights sum to 4, zeta = 0) and the cube [-1, 1]^3
// (weights sum to 8).
#include "integration_rules.h"
#include "line_rule_nodes.h"

namespace {

constexpr double kRootThreeFifths = kGaussLegendre3[1].abscissa;
constexpr double kRootTwoThirds = 0.81649658092772603; // sqrt(2/3)
constexpr double kRootOneThird = kGaussLegendre2[0].abscissa;

} // namespace

// Code 1: square, centre with weight 4 (the one-point Gauss-Legendre product), degree 1.
constexpr RulePoints<1> ic1 = productRule<2>(symmetricLineRule<1>(kGaussLegendre1));
// Code 2: square, 2 x 2 Gauss-Legendre product, degree 3.
constexpr RulePoints<4> ic2 = productRule<2>(symmetricLineRule<2>(kGaussLegendre2));
// Code 3: square, 3 x 3 Gauss-Legendre product, degree 5.
constexpr RulePoints<9> ic3 = productRule<2>(symmetricLineRule<3>(kGaussLegendre3));

// Code 4: square, degree 3, five points: the corner points (+-a, +-a) of the 3 x 3 Gauss product,
// a = sqrt(3/5), in product order with 5/9 each, then the centre with the remaining 16/9.
constexpr RulePoints<5> ic4 = [] {
    RuleDraft<5> draft{};
    addSignOrbit(draft, 2, kRootThreeFifths, 5.0 / 9.0);
    addPoint(draft, 0.0, 0.0, 0.0, 16.0 / 9.0);
    return finished(draft);
}();

// Code 5: square, corners with weight 1 (2 x 2 Gauss-Lobatto product), degree 1.
constexpr RulePoints<4> ic5 = productRule<2>(symmetricLineRule<2>(kGaussLobatto2));

// Code 6: cube, centre with weight 8 (the one-point Gauss-Legendre product), degree 1.
constexpr RulePoints<1> ic6 = productRule<3>(symmetricLineRule<1>(kGaussLegendre1));
// Codes 7, 8, 9: cube, 2^3, 3^3 and 4^3 Gauss-Legendre products, degrees 3, 5 and 7.
constexpr RulePoints<8> ic7 = productRule<3>(symmetricLineRule<2>(kGaussLegendre2));
constexpr RulePoints<27> ic8 = productRule<3>(symmetricLineRule<3>(kGaussLegendre3));
constexpr RulePoints<64> ic9 = productRule<3>(symmetricLineRule<4>(kGaussLegendre4));

// Code 10: cube, degree 3, nine points: the corner points (+-a, +-a, +-a) of the 3 x 3 x 3 Gauss
// product, a = sqrt(3/5), in product order with 5/9 each, then the centre with 32/9.
constexpr RulePoints<9> ic10 = [] {
    RuleDraft<9> draft{};
    addSignOrbit(draft, 3, kRootThreeFifths, 5.0 / 9.0);
    addPoint(draft, 0.0, 0.0, 0.0, 32.0 / 9.0);
    return finished(draft);
}();

// Code 11: cube, corners with weight 1 (2 x 2 x 2 Gauss-Lobatto product), degree 1.
constexpr RulePoints<8> ic11 = productRule<3>(symmetricLineRule<2>(kGaussLobatto2));

// Code 36: cube, degree 2, Stroud's (1957) n + 1 point formula: four points of weight 2 at distance
// sqrt(2/3) from the zeta axis, a quarter turn apart, alternately below and above the centre.
constexpr RulePoints<4> ic36 = [] {
    RuleDraft<4> draft{};
    addPoint(draft, 0.0, kRootTwoThirds, -kRootOneThird, 2.0);
    addPoint(draft, 0.0, -kRootTwoThirds, -kRootOneThird, 2.0);
    addPoint(draft, kRootTwoThirds, 0.0, kRootOneThird, 2.0);
    addPoint(draft, -kRootTwoThirds, 0.0, kRootOneThird, 2.0);
    return finished(draft);
}();

// Code 37: cube, degree 3, Stroud's (1957) 2n point formula: the six face centres, weight 4/3.
constexpr RulePoints<6> ic37 = [] {
    RuleDraft<6> draft{};
    addAxisOrbit(draft, 1.0, 4.0 / 3.0);
    return finished(draft);
}();

// Code 38: cube, degree 5, the 14-point formula of Hammer and Stroud: six axis points at
// sqrt(19/30), then eight points (+-b, +-b, +-b), b = sqrt(19/33), in the formula's own sign order.
constexpr RulePoints<14> ic38 = [] {
    constexpr double kAxisDistance = 0.79582242575422146; // sqrt(19/30)
    constexpr double kDiagonal = 0.75878691063932813;     // sqrt(19/33)
    constexpr double kSigns[8][3] = {{1, 1, 1},  {-1, 1, 1},  {1, -1, 1},   {-1, -1, 1},
                                     {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}};
    RuleDraft<14> draft{};
    addAxisOrbit(draft, kAxisDistance, 320.0 / 361.0);
    for (const auto& sign : kSigns) {
        addPoint(draft, sign[0] * kDiagonal, sign[1] * kDiagonal, sign[2] * kDiagonal,
                 121.0 / 361.0);
    }
    return finished(draft);
}();
