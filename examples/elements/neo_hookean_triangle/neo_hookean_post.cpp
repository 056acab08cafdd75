// Post kernel of the neo-Hookean triangle: deformation gradient, Cauchy and nominal stresses at
// every point (one homogeneous state), displacements and deformed positions at the nodes.
#include "neo_hookean.h"
#include "neo_hookean_state.h"

namespace neohooke {

void postKernel(double* /*v*/, ElSpec* es, ElRecord* /*ed*/, NodeKind** /*ns*/, NodeValues** nv,
                double* /*rdata*/, int* /*idata*/, double** gpost, double** npost) {
    const Deformation d = deformationOf(es, nv, lameOf(es));
    // P = tau F^-T, with F^-T = cofactor(F) / J.
    const double cofactor[2][2] = {{d.F[1][1], -d.F[1][0]}, {-d.F[0][1], d.F[0][0]}};
    double P[2][2];
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            P[i][j] = (d.tau[i][0] * cofactor[0][j] + d.tau[i][1] * cofactor[1][j]) / d.J;
        }
    }
    const double row[kPointValueCount] = {
        d.F[0][0],     d.F[0][1],         d.F[1][0],         d.F[1][1],
        d.J,           d.tau[0][0] / d.J, d.tau[1][1] / d.J, d.tau[0][1] / d.J,
        d.tauZZ / d.J, P[0][0],           P[0][1],           P[1][0],
        P[1][1]};
    for (int g = 0; g < es->intPointCount; ++g) {
        for (int c = 0; c < kPointValueCount; ++c) {
            gpost[g][c] = row[c];
        }
    }
    for (int k = 0; k < 3; ++k) {
        const double ux = nv[k]->current[0], uy = nv[k]->current[1];
        npost[k][0] = ux;
        npost[k][1] = uy;
        npost[k][2] = nv[k]->coords[0] + ux;
        npost[k][3] = nv[k]->coords[1] + uy;
    }
}

} // namespace neohooke
