#include "reference_kernels.h"

namespace molrbench {

namespace {

// The helpers below are forced inline: each reference must compile to one straight body, as a
// hand-written kernel would, and not pay for calls and results passed through memory.
#define MOLR_BENCH_INLINE [[gnu::always_inline]] inline

// The non-zero entries of B: dN/dx and dN/dy of each node; J is twice the signed area.
struct Gradients {
    double J;
    double dx[3];
    double dy[3];
};

MOLR_BENCH_INLINE Gradients gradients(const double xyz[9]) {
    const double x1 = xyz[0], y1 = xyz[1], x2 = xyz[3], y2 = xyz[4], x3 = xyz[6], y3 = xyz[7];
    Gradients g;
    g.J = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    const double invJ = 1.0 / g.J;
    g.dx[0] = (y2 - y3) * invJ;
    g.dx[1] = (y3 - y1) * invJ;
    g.dx[2] = (y1 - y2) * invJ;
    g.dy[0] = (x3 - x2) * invJ;
    g.dy[1] = (x1 - x3) * invJ;
    g.dy[2] = (x2 - x1) * invJ;
    return g;
}

// The strains, with the engineering shear strain gamma; the stresses are filled in by the caller.
struct State {
    double exx, eyy, gamma;
    double sxx, syy, sxy;
};

MOLR_BENCH_INLINE State strains(const Gradients& g, const double u[6]) {
    State s;
    s.exx = g.dx[0] * u[0] + g.dx[1] * u[2] + g.dx[2] * u[4];
    s.eyy = g.dy[0] * u[1] + g.dy[1] * u[3] + g.dy[2] * u[5];
    // gamma = dux/dy + duy/dx: two short sums rather than one chain of six.
    const double duxdy = g.dy[0] * u[0] + g.dy[1] * u[2] + g.dy[2] * u[4];
    const double duydx = g.dx[0] * u[1] + g.dx[1] * u[3] + g.dx[2] * u[5];
    s.gamma = duxdy + duydx;
    return s;
}

#undef MOLR_BENCH_INLINE

} // namespace

// With beta = J b and gamma = J c, K = scale B^T D B with B and D free of divisions and
// scale = (1/2) E / (J (1 + nu)(1 - 2 nu)), the element's own single division.
void referenceTangent(const double xyz[9], const double u[6], const Material& m, double p[6],
                      double K[36]) {
    const double x1 = xyz[0], y1 = xyz[1], x2 = xyz[3], y2 = xyz[4], x3 = xyz[6], y3 = xyz[7];
    const double beta[3] = {y2 - y3, y3 - y1, y1 - y2};
    const double gamma[3] = {x3 - x2, x1 - x3, x2 - x1};
    const double J = gamma[2] * beta[1] - gamma[1] * beta[2];
    const double scale = 0.5 * m.E / (J * ((1.0 + m.nu) * (1.0 - 2.0 * m.nu)));
    const double d11 = 1.0 - m.nu, d12 = m.nu, d33 = 0.5 - m.nu;
    const double exx = beta[0] * u[0] + beta[1] * u[2] + beta[2] * u[4];
    const double eyy = gamma[0] * u[1] + gamma[1] * u[3] + gamma[2] * u[5];
    const double duxdy = gamma[0] * u[0] + gamma[1] * u[2] + gamma[2] * u[4];
    const double duydx = beta[0] * u[1] + beta[1] * u[3] + beta[2] * u[5];
    const double sxx = d11 * exx + d12 * eyy;
    const double syy = d11 * eyy + d12 * exx;
    const double sxy = d33 * (duxdy + duydx);
    for (int a = 0; a < 3; ++a) {
        p[2 * a] += scale * (beta[a] * sxx + sxy * gamma[a]);
        p[2 * a + 1] += scale * (gamma[a] * syy + sxy * beta[a]);
    }
    // The 2x2 block of nodes a and b; below the diagonal only within a diagonal block.
    for (int a = 0; a < 3; ++a) {
        double* xRow = &K[12 * a];
        double* yRow = &K[12 * a + 6];
        for (int b = a; b < 3; ++b) {
            xRow[2 * b] += scale * (d11 * beta[a] * beta[b] + d33 * gamma[a] * gamma[b]);
            xRow[2 * b + 1] += scale * (d12 * beta[a] * gamma[b] + d33 * gamma[a] * beta[b]);
            if (b > a) {
                yRow[2 * b] += scale * (d12 * gamma[a] * beta[b] + d33 * beta[a] * gamma[b]);
            }
            yRow[2 * b + 1] += scale * (d11 * gamma[a] * gamma[b] + d33 * beta[a] * beta[b]);
        }
    }
}

void referencePost(const double xyz[9], const double u[6], const Material& m, int points,
                   double pointRows[][6], double nodeRows[3][4], double stored[3]) {
    const Gradients g = gradients(xyz);
    State s = strains(g, u);
    // The post kernel is defined to form its stresses with 2 mu = E / (1 + nu) and the volumetric
    // term 2 mu nu (exx + eyy) / (1 - 2 nu): a division that waits for the strains, which the
    // tangent's D does not have.
    const double twoMu = m.E / (1.0 + m.nu);
    const double volumetric = twoMu * m.nu * (s.exx + s.eyy) / (1.0 - 2.0 * m.nu);
    s.sxx = volumetric + twoMu * s.exx;
    s.syy = volumetric + twoMu * s.eyy;
    s.sxy = twoMu * (0.5 * s.gamma);
    for (int q = 0; q < points; ++q) {
        double* row = pointRows[q];
        row[0] = s.exx;
        row[1] = 0.5 * s.gamma;
        row[2] = s.eyy;
        row[3] = s.sxx;
        row[4] = s.sxy;
        row[5] = s.syy;
    }
    for (int n = 0; n < 3; ++n) {
        nodeRows[n][0] = u[2 * n];
        nodeRows[n][1] = u[2 * n + 1];
        nodeRows[n][2] = u[2 * n];
        nodeRows[n][3] = u[2 * n + 1];
    }
    const double area = 0.5 * g.J;
    stored[0] = area * s.sxx;
    stored[1] = area * s.syy;
    stored[2] = area * s.sxy;
}

} // namespace molrbench
