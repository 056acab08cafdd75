// Constant-strain state of the MOLR triangle, shared by both kernels.
#ifndef MOLR_STRAIN_STATE_H
#define MOLR_STRAIN_STATE_H

#include "XEFRecords.h"

namespace molr {

// The coordinate differences beta = J b and gamma = J c of the three nodes, where b and c are the
// shape-function derivatives d/dx and d/dy, and J, twice the signed area; none needs a division.
struct ScaledGradients {
    double J;
    double beta[3];
    double gamma[3];
};

inline ScaledGradients scaledGradients(NodeValues* const* nv) {
    const double x1 = nv[0]->coords[0], y1 = nv[0]->coords[1];
    const double x2 = nv[1]->coords[0], y2 = nv[1]->coords[1];
    const double x3 = nv[2]->coords[0], y3 = nv[2]->coords[1];
    ScaledGradients g;
    g.beta[0] = y2 - y3;
    g.beta[1] = y3 - y1;
    g.beta[2] = y1 - y2;
    g.gamma[0] = x3 - x2;
    g.gamma[1] = x1 - x3;
    g.gamma[2] = x2 - x1;
    // (x2 - x1)(y3 - y1) - (x3 - x1)(y2 - y1), the last two factors negated alike.
    g.J = g.gamma[2] * g.beta[1] - g.gamma[1] * g.beta[2];
    return g;
}

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
    // Each sum starts from its first product, not from zero: an addition of 0.0 would sit on the
    // path from the coordinates to the stresses and change nothing but the sign of a zero strain.
    const double ux1 = nv[0]->current[0], uy1 = nv[0]->current[1];
    const double ux2 = nv[1]->current[0], uy2 = nv[1]->current[1];
    const double ux3 = nv[2]->current[0], uy3 = nv[2]->current[1];
    k.exx = k.b[0] * ux1 + k.b[1] * ux2 + k.b[2] * ux3;
    k.eyy = k.c[0] * uy1 + k.c[1] * uy2 + k.c[2] * uy3;
    const double dxdy = k.c[0] * ux1 + k.c[1] * ux2 + k.c[2] * ux3;
    const double dydx = k.b[0] * uy1 + k.b[1] * uy2 + k.b[2] * uy3;
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
