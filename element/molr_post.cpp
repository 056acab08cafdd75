// SPP: strains and stresses at the points, nodal displacements, area-integrated stresses.
#include "MOLR.h"
#include "molr_strain_state.h"

extern "C" void SPP(double* /*v*/, ElSpec* es, ElRecord* ed, NodeKind** /*ns*/, NodeValues** nv,
                    double* /*rdata*/, int* /*idata*/, double** gpost, double** npost) {
    const molr::TriangleKinematics k = molr::triangleKinematics(nv);
    const double E = es->data[0];
    const double nu = es->data[1];
    const double twoMu = E / (1.0 + nu);
    const double volumetric = twoMu * nu * (k.exx + k.eyy) / (1.0 - 2.0 * nu);
    const double sxx = volumetric + twoMu * k.exx;
    const double syy = volumetric + twoMu * k.eyy;
    const double sxy = twoMu * k.exy;

    const int n = es->intPointCount;
    for (int g = 0; g < n; ++g) {
        double* row = gpost[g];
        row[0] = k.exx;
        row[1] = k.exy;
        row[2] = k.eyy;
        row[3] = sxx;
        row[4] = sxy;
        row[5] = syy;
    }
    double* stored = ed->storedReals;
    if (n <= 0) {
        stored[0] = 0.0;
        stored[1] = 0.0;
        stored[2] = 0.0;
    } else {
        const double omega = molr::weightSum(es) * k.J;
        stored[0] = omega * sxx;
        stored[1] = omega * syy;
        stored[2] = omega * sxy;
    }
    for (int node = 0; node < 3; ++node) {
        const double ux = nv[node]->current[0], uy = nv[node]->current[1];
        double* row = npost[node];
        row[0] = ux;
        row[1] = uy;
        row[2] = ux;
        row[3] = uy;
    }
}
