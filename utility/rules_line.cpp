// Catalogue rules on the line [-1, 1]: weights sum to 2, abscissae ascending, eta = zeta = 0.
#include "integration_rules.h"
#include "line_rule_nodes.h"

// Codes 20 to 29: n-point Gauss-Legendre, n = code - 19, degree 2n - 1.
constexpr RulePoints<1> ic20 = symmetricLineRule<1>(kGaussLegendre1);
constexpr RulePoints<2> ic21 = symmetricLineRule<2>(kGaussLegendre2);
constexpr RulePoints<3> ic22 = symmetricLineRule<3>(kGaussLegendre3);
constexpr RulePoints<4> ic23 = symmetricLineRule<4>(kGaussLegendre4);
constexpr RulePoints<5> ic24 = symmetricLineRule<5>(kGaussLegendre5);
constexpr RulePoints<6> ic25 = symmetricLineRule<6>(kGaussLegendre6);
constexpr RulePoints<7> ic26 = symmetricLineRule<7>(kGaussLegendre7);
constexpr RulePoints<8> ic27 = symmetricLineRule<8>(kGaussLegendre8);
constexpr RulePoints<9> ic28 = symmetricLineRule<9>(kGaussLegendre9);
constexpr RulePoints<10> ic29 = symmetricLineRule<10>(kGaussLegendre10);

// Codes 30 to 34: n-point Gauss-Lobatto with both end points, n = code - 28, degree 2n - 3.
constexpr RulePoints<2> ic30 = symmetricLineRule<2>(kGaussLobatto2);
constexpr RulePoints<3> ic31 = symmetricLineRule<3>(kGaussLobatto3);
constexpr RulePoints<4> ic32 = symmetricLineRule<4>(kGaussLobatto4);
constexpr RulePoints<5> ic33 = symmetricLineRule<5>(kGaussLobatto5);
constexpr RulePoints<6> ic34 = symmetricLineRule<6>(kGaussLobatto6);
