// SKR: internal force and stiffness of the plane-strain triangle.
#include "MOLR.h"
#include "molr_strain_state.h"

#include <cstring>

namespace {

// The two unknowns (ux, uy) of one node as one SIMD value (GCC and Clang vector extension): the
// residual and the stiffness rows are updated a node at a time.
typedef double NodePair __attribute__((vector_size(16)));

NodePair loadPair(const double* a) {
    NodePair v;
    std::memcpy(&v, a, sizeof v);
    return v;
}

void storePair(double* a, NodePair v) {
    std::memcpy(a, &v, sizeof v);
}

NodePair swapped(NodePair v) {
    return NodePair{v[1], v[0]};
}

// One node's two entries of a row (a_x X + a_y Y) + a_xy G, where X = (b, 0), Y = (0, c) and
// G = (c, b) are the node's columns of B acting on (exx, eyy, 2 exy), a = (a_x, a_y) and
// bc = (b, c), cb = (c, b). The products with B's zeros are kept, as aZero = (a_y, a_x) * 0, for
// they decide signed zeros and NaNs; the second lane adds them after instead of before a_y c,
// which leaves an IEEE sum unchanged.
NodePair nodeEntries(NodePair a, NodePair aZero, double axy, NodePair bc, NodePair cb) {
    return (a * bc + aZero) + axy * cb;
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

    NodePair bc[3], cb[3];
    for (int n = 0; n < 3; ++n) {
        bc[n] = NodePair{k.b[n], k.c[n]};
        cb[n] = NodePair{k.c[n], k.b[n]};
    }
    // The integrand is constant over the triangle: only the sum of the weights enters.
    const double omega = molr::weightSum(es) * k.J;
    const NodePair stress = {sxx, syy};
    const NodePair stressZero = swapped(stress) * 0.0;
    for (int n = 0; n < 3; ++n) {
        storePair(p + 2 * n,
                  loadPair(p + 2 * n) + omega * nodeEntries(stress, stressZero, sxy, bc[n], cb[n]));
    }
    // Row r of node n holds omega times the stress variation D B of unknown 2n + r; its upper part
    // starts at node n, within that node at the diagonal. Unrolled so that both are constants.
#pragma GCC unroll 3
    for (int n = 0; n < 3; ++n) {
#pragma GCC unroll 2
        for (int r = 0; r < 2; ++r) {
            double* row = s[2 * n + r];
            const NodePair a = omega * (r == 0 ? NodePair{lambda2mu, lambda} * k.b[n]
                                               : NodePair{lambda, lambda2mu} * k.c[n]);
            const double axy = omega * (mu * (r == 0 ? k.c[n] : k.b[n]));
            const NodePair aZero = swapped(a) * 0.0;
            if (r == 1) {
                row[2 * n + 1] += nodeEntries(a, aZero, axy, bc[n], cb[n])[1];
            }
#pragma GCC unroll 3
            for (int m = n + r; m < 3; ++m) {
                storePair(row + 2 * m,
                          loadPair(row + 2 * m) + nodeEntries(a, aZero, axy, bc[m], cb[m]));
            }
        }
    }
}
