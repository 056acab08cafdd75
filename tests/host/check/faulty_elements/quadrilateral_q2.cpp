// A plain 9-node Lagrange plane-strain quadrilateral (Q2, 3 x 3 Gauss points by default): the
// corners counter-clockwise from (-1, -1), the midpoints of edges 1-2, 2-3, 3-4 and 4-1, the
// centre. Each shape function is the product of the quadratic Lagrange polynomials through -1, 0
// and 1 that are 1 at the node's xi and at its eta.
#include "isoparametric_plane_strain.h"

namespace {

// The quadratic through -1, 0, 1 that is 1 at `node` and 0 at the other two, and its slope, at s.
double lagrange(double node, double s) {
    return node == 0.0 ? 1.0 - s * s : 0.5 * s * (s + node);
}

double lagrangeSlope(double node, double s) {
    return node == 0.0 ? -2.0 * s : s + 0.5 * node;
}

struct Lagrange {
    static constexpr int nodes = 9;
    static constexpr int defaultCode = 3;
    static constexpr const char* name = "FOREIGN_Q2";
    static constexpr double referenceNodes[27] = {-1.0, -1.0, 0.0, 1.0,  -1.0, 0.0, 1.0, 1.0, 0.0,
                                                  -1.0, 1.0,  0.0, 0.0,  -1.0, 0.0, 1.0, 0.0, 0.0,
                                                  0.0,  1.0,  0.0, -1.0, 0.0,  0.0, 0.0, 0.0, 0.0};

    static void derivatives(double xi, double eta, double* dxi, double* deta) {
        for (int n = 0; n < nodes; ++n) {
            const double a = referenceNodes[3 * n], b = referenceNodes[3 * n + 1];
            dxi[n] = lagrangeSlope(a, xi) * lagrange(b, eta);
            deta[n] = lagrange(a, xi) * lagrangeSlope(b, eta);
        }
    }
};

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    foreign::describe<Lagrange>(es, idata, intCode, dataMode, "Q2");
    return 0;
}
