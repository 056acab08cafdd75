// Constant-strain state of the MOLR triangle, shared by both kernels.
#ifndef MOLR_STRAIN_STATE_H
#define MOLR_STRAIN_STATE_H

#include "XEFRecords.h"

namespace molr {

// Shape-function derivatives b (d/dx) and c (d/dy) of the three nodes, twice the signed area J,
// and the tensor strains; computed once per kernel call.
struct TriangleKinematics {
    double J;
    double b[3];
    double c[3];
    double exx, eyy, exy;
};

inline TriangleKinematics triangleKinematics(NodeValues* const* nv) {
    const double x1 = nv[0]->coords[0], y1 = nv[0]->coords[1];
    const double x2 = nv[1]->coords[0], y2 = nv[1]->coords[1];
    const double x3 = nv[2]->coords[0], y3 = nv[2]->coords[1];
    TriangleKinematics k;
    k.J = (x2 - x1) * (y3 - y1) - (x3 - x1) * (y2 - y1);
    const double invJ = 1.0 / k.J;
    k.b[0] = (y2 - y3) * invJ;
    k.b[1] = (y3 - y1) * invJ;
    k.b[2] = (y1 - y2) * invJ;
    k.c[0] = (x3 - x2) * invJ;
    k.c[1] = (x1 - x3) * invJ;
    k.c[2] = (x2 - x1) * invJ;
    double dxdx = 0.0, dydy = 0.0, dxdy = 0.0, dydx = 0.0;
    for (int n = 0; n < 3; ++n) {
        const double ux = nv[n]->current[0], uy = nv[n]->current[1];
        dxdx += k.b[n] * ux;
        dydy += k.c[n] * uy;
        dxdy += k.c[n] * ux;
        dydx += k.b[n] * uy;
    }
    k.exx = dxdx;
    k.eyy = dydy;
    k.exy = 0.5 * (dxdy + dydx);
    return k;
}

// Sum of the integration weights of the host's point list: the integrand of a constant-strain
// triangle is the same at every point, so only this sum matters.
inline double weightSum(const ElSpec* es) {
    double w = 0.0;
    for (int g = 0; g < es->intPointCount; ++g) {
        w += es->intPoints[4 * g + 3];
    }
    return w;
}

} // namespace molr

#endif
