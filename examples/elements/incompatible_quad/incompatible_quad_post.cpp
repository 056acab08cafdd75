// Post-processing kernel of the incompatible-mode quadrilateral: recovers the mode amplitudes of
// the current unknowns, then gives strains and stresses at every point, the displacement at every
// node, and the area integrals of the three in-plane stresses in the element's stored reals.
#include "XEMUtility.h"
#include "incompatible_quad.h"

using namespace incompatible_quad;

extern "C" void IncompatibleQuadPost(double* v, ElSpec* es, ElRecord* ed, NodeKind** /*ns*/,
                                     NodeValues** nv, double* /*rdata*/, int* /*idata*/,
                                     double** gpost, double** npost) {
    double u[kRetained];
    for (int k = 0; k < kNodes; ++k) {
        u[2 * k] = nv[k]->current[0];
        u[2 * k + 1] = nv[k]->current[1];
    }
    // The amplitudes are not kept between calls: condensing at the unloaded state (no residual)
    // and recovering over the increment u from it gives those in balance with u.
    const double unloaded[kRetained] = {};
    double* rows[kUnknowns];
    double* amplitudes = v + kCondensedAt;
    if (condensedSystem(v, es, nv, unloaded, rows)) {
        XEMRecover(amplitudes, v + kCouplingAt, u, kRetained, kModes);
    } else {
        XEMZero(amplitudes, kModes);
    }

    const Lame m = unitLame(es);
    const double E = es->data[0];
    const double lambda = E * m.lambda, mu = E * m.mu, c11 = lambda + 2.0 * mu;
    const Jacobian centre = centreJacobian(nv);
    double integral[3] = {0.0, 0.0, 0.0};
    for (int point = 0; point < es->intPointCount; ++point) {
        const PointGradients g = pointGradients(nv, centre, es->intPoints + 4 * point);
        double exx = 0.0, eyy = 0.0, gxy = 0.0;
        for (int k = 0; k < kShapes; ++k) {
            const double* a = k < kNodes ? u + 2 * k : amplitudes + 2 * (k - kNodes);
            exx += g.dx[k] * a[0];
            eyy += g.dy[k] * a[1];
            gxy += g.dy[k] * a[0] + g.dx[k] * a[1];
        }
        double* row = gpost[point];
        row[0] = exx;
        row[1] = eyy;
        row[2] = gxy;
        row[3] = c11 * exx + lambda * eyy;
        row[4] = lambda * exx + c11 * eyy;
        row[5] = mu * gxy;
        // Plane strain holds ezz at zero, which takes this out-of-plane stress.
        row[6] = lambda * (exx + eyy);
        integral[0] += g.area * row[3];
        integral[1] += g.area * row[4];
        integral[2] += g.area * row[5];
    }
    for (int k = 0; k < kNodes; ++k) {
        npost[k][0] = u[2 * k];
        npost[k][1] = u[2 * k + 1];
    }
    for (int i = 0; i < 3; ++i) {
        ed->storedReals[i] = integral[i];
    }
}
