// The incompatible-mode quadrilateral's full matrix and residual per unit modulus, condensed to
// the corner unknowns in the work vector.
#include "XEMUtility.h"
#include "incompatible_quad.h"

namespace incompatible_quad {

bool condensedSystem(double* v, const ElSpec* es, NodeValues** nv, const double* u, double** rows) {
    double* K = v + kMatrixAt;
    double* R = v + kResidualAt;
    XEMZero(v, kWorkReals);
    for (int i = 0; i < kUnknowns; ++i) {
        rows[i] = K + i * kUnknowns;
    }
    const Lame m = unitLame(es);
    const double c11 = m.lambda + 2.0 * m.mu;
    const Jacobian centre = centreJacobian(nv);
    for (int point = 0; point < es->intPointCount; ++point) {
        const PointGradients g = pointGradients(nv, centre, es->intPoints + 4 * point);
        // Unknown i's column of B: its share of exx, eyy and gxy. Shape k carries unknowns 2k
        // (along x) and 2k + 1 (along y); the corners' come first, then the modes'.
        double bxx[kUnknowns], byy[kUnknowns], bxy[kUnknowns];
        for (int k = 0; k < kShapes; ++k) {
            bxx[2 * k] = g.dx[k];
            byy[2 * k] = 0.0;
            bxy[2 * k] = g.dy[k];
            bxx[2 * k + 1] = 0.0;
            byy[2 * k + 1] = g.dy[k];
            bxy[2 * k + 1] = g.dx[k];
        }
        for (int i = 0; i < kUnknowns; ++i) {
            const double dxx = g.area * (c11 * bxx[i] + m.lambda * byy[i]);
            const double dyy = g.area * (m.lambda * bxx[i] + c11 * byy[i]);
            const double dxy = g.area * m.mu * bxy[i];
            for (int j = 0; j < kUnknowns; ++j) {
                rows[i][j] += dxx * bxx[j] + dyy * byy[j] + dxy * bxy[j];
            }
        }
    }
    for (int i = 0; i < kUnknowns; ++i) {
        R[i] = XEMDot(rows[i], u, kRetained);
    }
    int error = 0;
    XEMCondense(rows, R, v + kCondensedAt, v + kCouplingAt, kRetained, kModes, &error);
    return error == 0;
}

} // namespace incompatible_quad
