// SKR: internal force and stiffness of the plane-strain triangle.
#include "MOLR.h"
#include "molr_strain_state.h"

#include <cstring>

namespace {

// The two unknowns (ux, uy) of one node as one SIMD value (GCC and Clang vector extension): the
// residual and the stiffness rows are updated a node at a time.
typedef double NodePair __attribute__((vector_size(16)));

NodePair loadPair(const double* a) {
    NodePair v;
    std::memcpy(&v, a, sizeof v);
    return v;
}

void storePair(double* a, NodePair v) {
    std::memcpy(a, &v, sizeof v);
}

} // namespace

// The element works with B times J and D divided by E / ((1 + nu)(1 - 2 nu)), both free of
// divisions; the one factor left,
//   scale = (sum of weights) E / (J (1 + nu)(1 - 2 nu)),
// multiplies the finished entries. Its division then runs beside the products instead of ahead of
// them, where the textbook form's three divisions (1/J, mu, lambda from mu) would sit.
extern "C" void SKR(double* /*v*/, ElSpec* es, ElRecord* /*ed*/, NodeKind** /*ns*/, NodeValues** nv,
                    double* /*rdata*/, int* /*idata*/, double* p, double** s) {
    if (es->intPointCount <= 0) {
        return;
    }
    const double E = es->data[0];
    const double nu = es->data[1];
    const molr::ScaledGradients g = molr::scaledGradients(nv);
    const double scale = molr::weightSum(es) * E / (g.J * ((1.0 + nu) * (1.0 - 2.0 * nu)));
    // D (E / ((1 + nu)(1 - 2 nu)))^-1 on (exx, eyy, gamma): d11 on the diagonal of the normal
    // block, nu off it, d33 for the shear.
    const double d11 = 1.0 - nu;
    const double d33 = 0.5 - nu;

    // (beta, gamma) and (gamma, beta) of each node: its columns of J B acting on (ux, uy) are
    // (beta, 0, gamma) and (0, gamma, beta).
    NodePair bc[3], cb[3], u[3];
    for (int n = 0; n < 3; ++n) {
        bc[n] = NodePair{g.beta[n], g.gamma[n]};
        cb[n] = NodePair{g.gamma[n], g.beta[n]};
        u[n] = loadPair(nv[n]->current);
    }
    // J (exx, eyy) and J (duy/dx, dux/dy), whose lane sum is J gamma_xy.
    const NodePair normal = bc[0] * u[0] + bc[1] * u[1] + bc[2] * u[2];
    const NodePair shearParts = cb[0] * u[0] + cb[1] * u[1] + cb[2] * u[2];
    const NodePair normalSwapped = {normal[1], normal[0]};
    const NodePair stress = d11 * normal + nu * normalSwapped;
    const double shear = d33 * (shearParts[0] + shearParts[1]);
    for (int n = 0; n < 3; ++n) {
        storePair(p + 2 * n, loadPair(p + 2 * n) + scale * (bc[n] * stress + shear * cb[n]));
    }
    // Row r of node m: (a, a_xy) are its factors of (exx, eyy) and gamma in (D J B) of its
    // unknown; its upper part starts at node m, within that node at the diagonal. Unrolled so
    // that both are constants.
#pragma GCC unroll 3
    for (int m = 0; m < 3; ++m) {
#pragma GCC unroll 2
        for (int r = 0; r < 2; ++r) {
            double* row = s[2 * m + r];
            const NodePair a =
                r == 0 ? g.beta[m] * NodePair{d11, nu} : g.gamma[m] * NodePair{nu, d11};
            const double axy = d33 * (r == 0 ? g.gamma[m] : g.beta[m]);
            if (r == 1) {
                row[2 * m + 1] += scale * (a[1] * g.gamma[m] + axy * g.beta[m]);
            }
#pragma GCC unroll 3
            for (int n = m + r; n < 3; ++n) {
                storePair(row + 2 * n, loadPair(row + 2 * n) + scale * (a * bc[n] + axy * cb[n]));
            }
        }
    }
}
