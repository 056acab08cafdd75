// The six-node triangle through `xefhost solve`, as a user runs it: a Gmsh second-order mesh of the
// slender cantilever (about 90 elements) bends within 1 % of the beam value.
#include "cantilever_solve.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(QuadraticTriangleSolve, CantileverTipDeflection) {
    const double deflection = exampletest::solvedTipDeflection(
        QUADRATIC_TRIANGLE_PATH, "quadratic_triangle",
        "Mesh.ElementOrder = 2;\nMesh.SecondOrderLinear = 1;", 0.5);
    const double beam = exampletest::cantileverBeamValue();
    std::printf("six-node triangles: tip deflection %.5f, beam %.5f (%.4f)\n", deflection, beam,
                deflection / beam);
    EXPECT_NEAR(deflection / beam, 1.0, 0.01);
}
