// SKR: internal force and stiffness of the plane-strain triangle.
#include "MOLR.h"
#include "molr_strain_state.h"

extern "C" void SKR(double* /*v*/, ElSpec* es, ElRecord* /*ed*/, NodeKind** /*ns*/, NodeValues** nv,
                    double* /*rdata*/, int* /*idata*/, double* p, double** s) {
    if (es->intPointCount <= 0) {
        return;
    }
    const molr::TriangleKinematics k = molr::triangleKinematics(nv);
    const double E = es->data[0];
    const double nu = es->data[1];
    const double mu = E / (2.0 * (1.0 + nu));
    const double lambda = 2.0 * mu * nu / (1.0 - 2.0 * nu);
    const double lambda2mu = lambda + 2.0 * mu;
    const double trace = k.exx + k.eyy;
    const double sxx = lambda * trace + 2.0 * mu * k.exx;
    const double syy = lambda * trace + 2.0 * mu * k.eyy;
    const double sxy = 2.0 * mu * k.exy;

    // Columns of B acting on (exx, eyy, 2 exy), and the stress variations D B, per unknown.
    double X[6], Y[6], G[6], dsxx[6], dsyy[6], dsxy[6];
    for (int n = 0; n < 3; ++n) {
        const int ix = 2 * n, iy = 2 * n + 1;
        X[ix] = k.b[n];
        Y[ix] = 0.0;
        G[ix] = k.c[n];
        X[iy] = 0.0;
        Y[iy] = k.c[n];
        G[iy] = k.b[n];
        dsxx[ix] = lambda2mu * k.b[n];
        dsyy[ix] = lambda * k.b[n];
        dsxy[ix] = mu * k.c[n];
        dsxx[iy] = lambda * k.c[n];
        dsyy[iy] = lambda2mu * k.c[n];
        dsxy[iy] = mu * k.b[n];
    }

    // The integrand is constant over the triangle: only the sum of the weights enters.
    const double omega = molr::weightSum(es) * k.J;
    for (int i = 0; i < 6; ++i) {
        p[i] += omega * (sxx * X[i] + syy * Y[i] + sxy * G[i]);
        double* row = s[i];
        const double ax = omega * dsxx[i], ay = omega * dsyy[i], axy = omega * dsxy[i];
        for (int j = i; j < 6; ++j) {
            row[j] += ax * X[j] + ay * Y[j] + axy * G[j];
        }
    }
}
