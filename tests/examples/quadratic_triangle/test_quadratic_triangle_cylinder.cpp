// The six-node triangle on the thick cylinder meshed with curved second-order edges: the error
// falls like h^3 in L2 and h^2 in energy, which needs the curved loaded edge and the error norms
// at the element's own points to be right as well.
#include "cylinder_rates.h"

TEST(QuadraticTriangleSolve, CylinderConvergesAtRatesThreeAndTwo) {
    const exampletest::Rates rates =
        exampletest::cylinderRates(QUADRATIC_TRIANGLE_PATH, "cylinder_quadratic");
    EXPECT_NEAR(rates.l2, 3.0, 0.3);
    EXPECT_NEAR(rates.energy, 2.0, 0.2);
}
