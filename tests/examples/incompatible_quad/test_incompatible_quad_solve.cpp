// The incompatible-mode quadrilateral through `xefhost solve`, as a user runs it: a structured
// 20 x 2 quadrilateral mesh of the slender cantilever bends within 2 % of the beam value.
#include "cantilever_solve.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(IncompatibleQuadSolve, CantileverTipDeflection) {
    const double deflection = exampletest::solvedTipDeflection(
        INCOMPATIBLE_QUAD_PATH, "incompatible_quad",
        "Transfinite Curve{1, 3} = 21;\nTransfinite Curve{2, 4} = 3;\nTransfinite "
        "Surface{1};\nRecombine Surface{1};",
        1.0);
    const double beam = exampletest::cantileverBeamValue();
    std::printf("incompatible modes, 20 x 2: tip deflection %.5f, beam %.5f (%.4f)\n", deflection,
                beam, deflection / beam);
    EXPECT_NEAR(deflection / beam, 1.0, 0.02);
}
