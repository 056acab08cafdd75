// The quadrilateral with incompatible modes on the thick cylinder meshed in quadrilaterals: the
// error falls like h^2 in L2 and h in energy.
#include "cylinder_rates.h"

TEST(IncompatibleQuadSolve, CylinderConvergesAtRatesTwoAndOne) {
    const exampletest::Rates rates =
        exampletest::cylinderRates(INCOMPATIBLE_QUAD_PATH, "cylinder_quadrilateral");
    EXPECT_NEAR(rates.l2, 2.0, 0.25);
    EXPECT_NEAR(rates.energy, 1.0, 0.15);
}
