// The patch test on five distorted quadrilaterals (a 0.24 x 0.12 rectangle around four interior
// nodes): a linear displacement prescribed on the four outer nodes must come back at the interior
// nodes, with its constant stress at every point of every element. Taylor's correction is what
// makes the incompatible modes pass; Wilson's uncorrected modes must fail the same test.
#include "quad_mesh_solve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

namespace {

using exampletest::LoadedElement;
using exampletest::QuadMesh;

const QuadMesh kPatch = {
    {0.0, 0.0, 0.24, 0.0, 0.24, 0.12, 0.0, 0.12, 0.04, 0.02, 0.18, 0.03, 0.16, 0.08, 0.08, 0.08},
    {{0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}, {4, 5, 6, 7}}};

// ux = 1e-3 (x + y / 2), uy = 1e-3 (y + x / 2): strains 1e-3, 1e-3 and shear 1e-3.
double exactU(double x, double y, int d) {
    return d == 0 ? 1e-3 * (x + 0.5 * y) : 1e-3 * (y + 0.5 * x);
}

struct PatchErrors {
    double displacement; // largest interior error over the largest displacement
    double stress;       // largest point stress error over the largest exact stress
};

PatchErrors patchErrors(const std::string& library, int intCode) {
    LoadedElement element(library, intCode);
    EXPECT_TRUE(element.loaded());
    std::map<int, double> prescribed;
    for (int node = 0; node < 4; ++node) {
        for (int d = 0; d < 2; ++d) {
            prescribed[2 * node + d] = exactU(kPatch.xy[2 * node], kPatch.xy[2 * node + 1], d);
        }
    }
    const std::vector<double> u =
        solveMesh(element, kPatch, std::vector<double>(kPatch.xy.size(), 0.0), prescribed);
    PatchErrors errors{0.0, 0.0};
    for (int node = 4; node < 8; ++node) {
        for (int d = 0; d < 2; ++d) {
            const double exact = exactU(kPatch.xy[2 * node], kPatch.xy[2 * node + 1], d);
            errors.displacement = std::max(errors.displacement, std::fabs(u[2 * node + d] - exact));
        }
    }
    errors.displacement /= exactU(0.24, 0.12, 0);
    const double E = element.record().data[0], nu = element.record().data[1];
    const double lambda = E * nu / ((1 + nu) * (1 - 2 * nu)), mu = E / (2 * (1 + nu));
    const double stress[4] = {(lambda + 2 * mu) * 1e-3 + lambda * 1e-3,
                              lambda * 1e-3 + (lambda + 2 * mu) * 1e-3, mu * 1e-3, lambda * 2e-3};
    for (const auto& quad : kPatch.quads) {
        const auto r = element.post(exampletest::elementValues(quad, kPatch.xy),
                                    exampletest::elementValues(quad, u));
        for (const auto& row : r.gpost) {
            for (int c = 0; c < 4; ++c) {
                errors.stress = std::max(errors.stress, std::fabs(row[3 + c] - stress[c]));
            }
        }
    }
    errors.stress /= stress[0];
    return errors;
}

TEST(IncompatibleQuadPatch, PassesWithTheCorrectedModes) {
    for (const int code : {-1, 3, 4}) {
        const PatchErrors e = patchErrors(INCOMPATIBLE_QUAD_PATH, code);
        std::printf("incompatible modes, code %d: displacement %.2e, stress %.2e\n", code,
                    e.displacement, e.stress);
        EXPECT_LT(e.displacement, 1e-12) << "code " << code;
        EXPECT_LT(e.stress, 1e-12) << "code " << code;
    }
}

TEST(IncompatibleQuadPatch, PassesWithoutModes) {
    const PatchErrors e = patchErrors(PLAIN_QUAD_PATH, -1);
    EXPECT_LT(e.displacement, 1e-12);
    EXPECT_LT(e.stress, 1e-12);
}

TEST(IncompatibleQuadPatch, FailsWithWilsonsUncorrectedModes) {
    const PatchErrors e = patchErrors(UNCORRECTED_QUAD_PATH, -1);
    std::printf("uncorrected modes: displacement %.2e, stress %.2e\n", e.displacement, e.stress);
    EXPECT_GT(e.displacement, 1e-4);
    EXPECT_GT(e.stress, 1e-3);
}

} // namespace
