// Tangent kernel of the six-node triangle: adds K u into p and the upper triangle of
// K = sum over points of area B^T D B into s.
#include "quadratic_triangle.h"

using namespace quadratic_triangle;

extern "C" void QuadraticTriangleTangent(double* /*v*/, ElSpec* es, ElRecord* /*ed*/,
                                         NodeKind** /*ns*/, NodeValues** nv, double* /*rdata*/,
                                         int* /*idata*/, double* p, double** s) {
    const Lame m = lame(es);
    const double c11 = m.lambda + 2.0 * m.mu;
    for (int point = 0; point < es->intPointCount; ++point) {
        const PointGradients g = pointGradients(nv, es->intPoints + 4 * point);
        const Strain e = strainAt(g, nv);
        const double sxx = c11 * e.xx + m.lambda * e.yy;
        const double syy = m.lambda * e.xx + c11 * e.yy;
        const double sxy = m.mu * e.xy;
        // Unknown i's column of B: its share of exx, eyy and gxy.
        double bxx[kDofs], byy[kDofs], bxy[kDofs];
        for (int k = 0; k < kNodes; ++k) {
            bxx[2 * k] = g.dx[k];
            byy[2 * k] = 0.0;
            bxy[2 * k] = g.dy[k];
            bxx[2 * k + 1] = 0.0;
            byy[2 * k + 1] = g.dy[k];
            bxy[2 * k + 1] = g.dx[k];
        }
        for (int i = 0; i < kDofs; ++i) {
            p[i] += g.area * (bxx[i] * sxx + byy[i] * syy + bxy[i] * sxy);
            const double dxx = g.area * (c11 * bxx[i] + m.lambda * byy[i]);
            const double dyy = g.area * (m.lambda * bxx[i] + c11 * byy[i]);
            const double dxy = g.area * m.mu * bxy[i];
            for (int j = i; j < kDofs; ++j) {
                s[i][j] += dxx * bxx[j] + dyy * byy[j] + dxy * bxy[j];
            }
        }
    }
#ifdef QUADRATIC_TRIANGLE_SEEDED_FAULT
    // A coupling between a corner and a midside node off by 5 % of a diagonal entry.
    s[1][8] += 0.05 * s[1][1];
#endif
}
