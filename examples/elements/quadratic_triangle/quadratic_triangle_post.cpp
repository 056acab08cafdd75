// Post-processing kernel of the six-node triangle: strains and stresses at every point, the
// displacement at every node, and the area integrals of the three in-plane stresses in the
// element's stored reals.
#include "quadratic_triangle.h"

using namespace quadratic_triangle;

extern "C" void QuadraticTrianglePost(double* /*v*/, ElSpec* es, ElRecord* ed, NodeKind** /*ns*/,
                                      NodeValues** nv, double* /*rdata*/, int* /*idata*/,
                                      double** gpost, double** npost) {
    const Lame m = lame(es);
    const double c11 = m.lambda + 2.0 * m.mu;
    double integral[3] = {0.0, 0.0, 0.0};
    for (int point = 0; point < es->intPointCount; ++point) {
        const PointGradients g = pointGradients(nv, es->intPoints + 4 * point);
        const Strain e = strainAt(g, nv);
        double* row = gpost[point];
        row[0] = e.xx;
        row[1] = e.yy;
        row[2] = e.xy;
        row[3] = c11 * e.xx + m.lambda * e.yy;
        row[4] = m.lambda * e.xx + c11 * e.yy;
        row[5] = m.mu * e.xy;
        // Plane strain holds ezz at zero, which takes this out-of-plane stress.
        row[6] = m.lambda * (e.xx + e.yy);
        integral[0] += g.area * row[3];
        integral[1] += g.area * row[4];
        integral[2] += g.area * row[5];
    }
    for (int k = 0; k < kNodes; ++k) {
        npost[k][0] = nv[k]->current[0];
        npost[k][1] = nv[k]->current[1];
    }
    for (int i = 0; i < 3; ++i) {
        ed->storedReals[i] = integral[i];
    }
}
