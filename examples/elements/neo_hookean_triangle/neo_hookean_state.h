// The one homogeneous deformation of the neo-Hookean triangle, shared by both kernels.
//
// W = mu/2 (I1 - 3) - mu ln J + lambda/2 (ln J)^2 with F33 = 1 gives the Kirchhoff stress
// tau = mu (b - I) + lambda ln J I, b = F F^T. The kernels work in the deformed configuration with
// the spatial shape gradients g = F^-T grad_X N: the Cauchy stress tau / J integrated over the
// deformed volume J V0 is tau times V0, so neither kernel divides by J again. V0 is the weight sum
// times twice the reference area, the area itself for the catalogue's triangle rules (sum 1/2).
#ifndef NEOHOOKE_STATE_H
#define NEOHOOKE_STATE_H

#include "XEFRecords.h"

#include <cmath>

namespace neohooke {

struct Lame {
    double mu;
    double lambda;
};

inline Lame lameOf(const ElSpec* es) {
    const double E = es->data[0];
    const double nu = es->data[1];
    return {E / (2.0 * (1.0 + nu)), E * nu / ((1.0 + nu) * (1.0 - 2.0 * nu))};
}

struct Deformation {
    double F[2][2];
    double J;         // det F
    double logJ;      // ln J
    double g[3][2];   // spatial shape gradients dN/dx, dN/dy of the three nodes
    double tau[2][2]; // in-plane Kirchhoff stress
    double tauZZ;     // out-of-plane Kirchhoff stress, lambda ln J
    double V0;        // reference volume (unit thickness) as the host's weights measure it
};

inline Deformation deformationOf(const ElSpec* es, NodeValues* const* nv, const Lame& m) {
    double X[3][2], u[3][2];
    for (int a = 0; a < 3; ++a) {
        X[a][0] = nv[a]->coords[0];
        X[a][1] = nv[a]->coords[1];
        u[a][0] = nv[a]->current[0];
        u[a][1] = nv[a]->current[1];
    }
    // Twice the reference area and the reference gradients, cyclic node differences over it.
    const double J0 =
        (X[1][0] - X[0][0]) * (X[2][1] - X[0][1]) - (X[2][0] - X[0][0]) * (X[1][1] - X[0][1]);
    double G[3][2];
    for (int a = 0; a < 3; ++a) {
        const int b = (a + 1) % 3, c = (a + 2) % 3;
        G[a][0] = (X[b][1] - X[c][1]) / J0;
        G[a][1] = (X[c][0] - X[b][0]) / J0;
    }
    // The displacement gradient H = F - I is kept apart from the identity: under a rigid rotation
    // by a tiny angle the strain b - I = H + H^T + H H^T and J - 1 = tr H + det H then cancel to
    // round-off of H, not of 1, and the residual of a rigid motion stays at round-off.
    double H[2][2];
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            H[i][j] = u[0][i] * G[0][j] + u[1][i] * G[1][j] + u[2][i] * G[2][j];
        }
    }
    Deformation d;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            d.F[i][j] = (i == j ? 1.0 : 0.0) + H[i][j];
        }
    }
    const double JMinusOne = H[0][0] + H[1][1] + (H[0][0] * H[1][1] - H[0][1] * H[1][0]);
    d.J = 1.0 + JMinusOne;
    d.logJ = std::log1p(JMinusOne);
    // g = F^-T G, with F^-1 = adj(F) / J.
    for (int a = 0; a < 3; ++a) {
        d.g[a][0] = (d.F[1][1] * G[a][0] - d.F[1][0] * G[a][1]) / d.J;
        d.g[a][1] = (d.F[0][0] * G[a][1] - d.F[0][1] * G[a][0]) / d.J;
    }
    const double volumetric = m.lambda * d.logJ;
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            const double strain = H[i][j] + H[j][i] + H[i][0] * H[j][0] + H[i][1] * H[j][1];
            d.tau[i][j] = m.mu * strain + (i == j ? volumetric : 0.0);
        }
    }
    d.tauZZ = volumetric;
    double weights = 0.0;
    for (int p = 0; p < es->intPointCount; ++p) {
        weights += es->intPoints[4 * p + 3];
    }
    d.V0 = weights * J0;
    return d;
}

} // namespace neohooke

#endif
