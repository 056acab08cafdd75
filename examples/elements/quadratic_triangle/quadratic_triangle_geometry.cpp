// Shape-function gradients, plane-strain constants and strains of the six-node triangle.
#include "quadratic_triangle.h"

namespace quadratic_triangle {

PointGradients pointGradients(NodeValues** nv, const double* point) {
    const double L1 = point[0], L2 = point[1], L3 = 1.0 - point[0] - point[1];
    // Derivatives along (L1, L2) with L3 following: dL3/dL1 = dL3/dL2 = -1.
    const double dXi[kNodes] = {4.0 * L1 - 1.0, 0.0,       1.0 - 4.0 * L3,
                                4.0 * L2,       -4.0 * L2, 4.0 * (L3 - L1)};
    const double dEta[kNodes] = {0.0,      4.0 * L2 - 1.0,  1.0 - 4.0 * L3,
                                 4.0 * L1, 4.0 * (L3 - L2), -4.0 * L1};
    double xXi = 0.0, xEta = 0.0, yXi = 0.0, yEta = 0.0;
    for (int k = 0; k < kNodes; ++k) {
        const double* c = nv[k]->coords;
        xXi += dXi[k] * c[0];
        xEta += dEta[k] * c[0];
        yXi += dXi[k] * c[1];
        yEta += dEta[k] * c[1];
    }
    const double det = xXi * yEta - xEta * yXi;
    PointGradients g{};
    for (int k = 0; k < kNodes; ++k) {
        g.dx[k] = (yEta * dXi[k] - yXi * dEta[k]) / det;
        g.dy[k] = (xXi * dEta[k] - xEta * dXi[k]) / det;
    }
    g.area = point[3] * det;
    return g;
}

Lame lame(const ElSpec* es) {
    const double E = es->data[0], nu = es->data[1];
    return {E * nu / ((1.0 + nu) * (1.0 - 2.0 * nu)), E / (2.0 * (1.0 + nu))};
}

Strain strainAt(const PointGradients& g, NodeValues** nv) {
    Strain e{0.0, 0.0, 0.0};
    for (int k = 0; k < kNodes; ++k) {
        const double ux = nv[k]->current[0], uy = nv[k]->current[1];
        e.xx += g.dx[k] * ux;
        e.yy += g.dy[k] * uy;
        e.xy += g.dy[k] * ux + g.dx[k] * uy;
    }
    return e;
}

} // namespace quadratic_triangle
