// Uniform plane-strain stretch F = diag(l1, l2) of one triangle against the closed form of the
// nominal stress, P = mu (F - F^-T) + lambda ln J F^-T. The residual of a homogeneous state is
// V0 P grad_X N at each node, so sum_a f_a,i X_a,J = V0 P_iJ recovers P from the kernel's output
// alone; the post kernel's F, J, P and Cauchy stress sigma = P F^T / J are held to the same forms.
#include "neo_hookean_harness.h"

#include <cmath>
#include <ostream>

namespace {

using neohooketest::Triangle;

constexpr double kRelative = 1e-12;
// A general reference triangle, away from the origin and from any symmetry of the stretch.
constexpr neohooketest::Corners kCorners = {{{0.2, 0.1}, {2.1, 0.4}, {0.7, 1.6}}};

struct Stretch {
    double l1, l2;
};

void PrintTo(const Stretch& s, std::ostream* out) {
    *out << "diag(" << s.l1 << ", " << s.l2 << ")";
}

// Stretch and compression, equal and unequal, area kept and changed.
const Stretch kStretches[] = {{1.5, 1.0}, {0.6, 1.3}, {2.0, 0.5},  {1.1, 1.1},
                              {0.8, 0.8}, {1.0, 3.0}, {0.97, 1.02}};

// P11, P22 of the closed form; the shear components vanish for a diagonal F.
std::array<double, 2> closedFormP(const Triangle& t, const Stretch& s) {
    const double logJ = std::log(s.l1 * s.l2);
    return {t.mu() * (s.l1 - 1.0 / s.l1) + t.lambda() * logJ / s.l1,
            t.mu() * (s.l2 - 1.0 / s.l2) + t.lambda() * logJ / s.l2};
}

class UniformStretch : public ::testing::TestWithParam<Stretch> {};

TEST_P(UniformStretch, NominalStressFromTheResidualIsTheClosedForm) {
    const Stretch s = GetParam();
    Triangle t;
    t.place(kCorners);
    t.deform({{{s.l1, 0.0}, {0.0, s.l2}}});
    const neohooketest::Vector6 f = t.tangent().residual;
    double P[2][2] = {};
    for (int i = 0; i < 2; ++i) {
        for (int J = 0; J < 2; ++J) {
            for (int a = 0; a < 3; ++a) {
                P[i][J] += f[2 * a + i] * t.coords[a][J];
            }
            P[i][J] /= t.area();
        }
    }
    const std::array<double, 2> expected = closedFormP(t, s);
    const double scale = std::max(std::fabs(expected[0]), std::fabs(expected[1]));
    const double error =
        std::max({std::fabs(P[0][0] - expected[0]), std::fabs(P[1][1] - expected[1]),
                  std::fabs(P[0][1]), std::fabs(P[1][0])}) /
        scale;
    neohooketest::recordFigure("relative_error", error);
    EXPECT_LE(error, kRelative) << "P = [" << P[0][0] << " " << P[0][1] << "; " << P[1][0] << " "
                                << P[1][1] << "], expected diag(" << expected[0] << ", "
                                << expected[1] << ")";
}

TEST_P(UniformStretch, PointValuesAreTheClosedForms) {
    const Stretch s = GetParam();
    Triangle t;
    t.place(kCorners);
    t.deform({{{s.l1, 0.0}, {0.0, s.l2}}});
    const std::vector<double> row = t.pointRow();
    const std::array<double, 2> P = closedFormP(t, s);
    const double J = s.l1 * s.l2;
    const double stressScale = std::max(std::fabs(P[0]), std::fabs(P[1]));
    const struct {
        const char* name;
        double expected;
        double scale;
    } cases[] = {{"Fxx", s.l1, 1.0},
                 {"Fxy", 0.0, 1.0},
                 {"Fyx", 0.0, 1.0},
                 {"Fyy", s.l2, 1.0},
                 {"J", J, 1.0},
                 {"Pxx", P[0], stressScale},
                 {"Pyy", P[1], stressScale},
                 {"Pxy", 0.0, stressScale},
                 {"Pyx", 0.0, stressScale},
                 {"$[Sigma]$xx", P[0] * s.l1 / J, stressScale},
                 {"$[Sigma]$yy", P[1] * s.l2 / J, stressScale},
                 {"$[Sigma]$xy", 0.0, stressScale},
                 {"$[Sigma]$zz", t.lambda() * std::log(J) / J, stressScale}};
    for (const auto& c : cases) {
        EXPECT_NEAR(row[t.column(c.name)], c.expected, kRelative * c.scale) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Stretches, UniformStretch, ::testing::ValuesIn(kStretches));

} // namespace
