// SKR: internal force and stiffness of the plane-strain triangle.
#include "MOLR.h"
#include "molr_strain_state.h"

#include <cstring>

namespace {

// The two unknowns (ux, uy) of one node as one SIMD value (GCC and Clang vector extension): rows of
// the stiffness and the residual are updated a node at a time. Every lane does exactly the scalar
// operation, in the same order, so the results are bit for bit those of a scalar loop.
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

extern "C" void SKR(double* /*v*/, ElSpec* es, ElRecord* /*ed*/, NodeKind** /*ns*/, NodeValues** nv,
                    double* /*rdata*/, int* /*idata*/, double* p, double** s) {
    if (es->intPointCount <= 0) {
        return;
    }
    // The material's two chained divisions come first so that they overlap the reading of the
    // node records and the triangle's own division.
    const double E = es->data[0];
    const double nu = es->data[1];
    const double mu = E / (2.0 * (1.0 + nu));
    const double lambda = 2.0 * mu * nu / (1.0 - 2.0 * nu);
    const molr::TriangleKinematics k = molr::triangleKinematics(nv);
    const double lambda2mu = lambda + 2.0 * mu;
    const double trace = k.exx + k.eyy;
    const double sxx = lambda * trace + 2.0 * mu * k.exx;
    const double syy = lambda * trace + 2.0 * mu * k.eyy;
    const double sxy = 2.0 * mu * k.exy;

    // Columns of B acting on (exx, eyy, 2 exy), node by node, and the stress variations D B, per
    // unknown.
    NodePair X[3], Y[3], G[3];
    double dsxx[6], dsyy[6], dsxy[6];
    for (int n = 0; n < 3; ++n) {
        const int ix = 2 * n, iy = 2 * n + 1;
        X[n] = NodePair{k.b[n], 0.0};
        Y[n] = NodePair{0.0, k.c[n]};
        G[n] = NodePair{k.c[n], k.b[n]};
        dsxx[ix] = lambda2mu * k.b[n];
        dsyy[ix] = lambda * k.b[n];
        dsxy[ix] = mu * k.c[n];
        dsxx[iy] = lambda * k.c[n];
        dsyy[iy] = lambda2mu * k.c[n];
        dsxy[iy] = mu * k.b[n];
    }

    // The integrand is constant over the triangle: only the sum of the weights enters.
    const double omega = molr::weightSum(es) * k.J;
    for (int n = 0; n < 3; ++n) {
        storePair(p + 2 * n, loadPair(p + 2 * n) + omega * (sxx * X[n] + syy * Y[n] + sxy * G[n]));
    }
    // Unrolled so that every row's first node and its odd diagonal entry are known when compiled.
#pragma GCC unroll 6
    for (int i = 0; i < 6; ++i) {
        double* row = s[i];
        const double ax = omega * dsxx[i], ay = omega * dsyy[i], axy = omega * dsxy[i];
        if (i % 2 == 1) {
            const int n = i / 2;
            row[i] += ax * X[n][1] + ay * Y[n][1] + axy * G[n][1];
        }
#pragma GCC unroll 3
        for (int m = (i + 1) / 2; m < 3; ++m) {
            storePair(row + 2 * m, loadPair(row + 2 * m) + (ax * X[m] + ay * Y[m] + axy * G[m]));
        }
    }
}
