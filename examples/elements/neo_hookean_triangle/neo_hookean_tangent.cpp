// Tangent kernel of the neo-Hookean triangle: internal force and exact consistent tangent.
//
// With the spatial gradients g and mu' = mu - lambda ln J, node pair (a, i), (b, k) gets
//   K = V0 [ delta_ik (g_a . tau g_b + mu' g_a . g_b) + lambda g_a,i g_b,k + mu' g_a,k g_b,i ],
// the geometric term g_a . tau g_b and the push-forward of the material tangent, J c =
// lambda I x I + 2 mu' (symmetric identity); the residual is f_a,i = V0 tau_ij g_a,j. At u = 0 this
// is the linear plane-strain triangle. Rows of s get only their entries from the diagonal on.
#include "neo_hookean.h"
#include "neo_hookean_state.h"

namespace {

// The fault-seeded twin of the check bench's tests leaves the geometric stiffness out, so that its
// tangent is no longer the derivative of its residual once the element is stressed.
#ifdef NEOHOOKE_SEED_FAULT_NO_GEOMETRIC_STIFFNESS
constexpr double kGeometricWeight = 0.0;
#else
constexpr double kGeometricWeight = 1.0;
#endif

} // namespace

namespace neohooke {

void tangentKernel(double* /*v*/, ElSpec* es, ElRecord* /*ed*/, NodeKind** /*ns*/, NodeValues** nv,
                   double* /*rdata*/, int* /*idata*/, double* p, double** s) {
    const Lame m = lameOf(es);
    const Deformation d = deformationOf(es, nv, m);
    const double muPrime = m.mu - m.lambda * d.logJ;
    for (int a = 0; a < 3; ++a) {
        for (int i = 0; i < 2; ++i) {
            p[2 * a + i] += d.V0 * (d.tau[i][0] * d.g[a][0] + d.tau[i][1] * d.g[a][1]);
        }
    }
    for (int a = 0; a < 3; ++a) {
        for (int b = a; b < 3; ++b) {
            const double* ga = d.g[a];
            const double* gb = d.g[b];
            const double geometric = ga[0] * (d.tau[0][0] * gb[0] + d.tau[0][1] * gb[1]) +
                                     ga[1] * (d.tau[1][0] * gb[0] + d.tau[1][1] * gb[1]);
            const double diagonal =
                kGeometricWeight * geometric + muPrime * (ga[0] * gb[0] + ga[1] * gb[1]);
            for (int i = 0; i < 2; ++i) {
                for (int k = (b == a ? i : 0); k < 2; ++k) {
                    const double entry = (i == k ? diagonal : 0.0) + m.lambda * ga[i] * gb[k] +
                                         muPrime * ga[k] * gb[i];
                    s[2 * a + i][2 * b + k] += d.V0 * entry;
                }
            }
        }
    }
}

} // namespace neohooke
