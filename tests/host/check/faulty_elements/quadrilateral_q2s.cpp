// A plain 8-node serendipity plane-strain quadrilateral (Q2S, 3 x 3 Gauss points by default): the
// corners counter-clockwise from (-1, -1), then the midpoints of edges 1-2, 2-3, 3-4 and 4-1.
#include "isoparametric_plane_strain.h"

namespace {

struct Serendipity {
    static constexpr int nodes = 8;
    static constexpr int defaultCode = 3;
    static constexpr const char* name = "FOREIGN_Q2S";
    static constexpr double referenceNodes[24] = {-1.0, -1.0, 0.0, 1.0, -1.0, 0.0,  1.0, 1.0,
                                                  0.0,  -1.0, 1.0, 0.0, 0.0,  -1.0, 0.0, 1.0,
                                                  0.0,  0.0,  0.0, 1.0, 0.0,  -1.0, 0.0, 0.0};

    static void derivatives(double xi, double eta, double* dxi, double* deta) {
        for (int n = 0; n < nodes; ++n) {
            const double a = referenceNodes[3 * n], b = referenceNodes[3 * n + 1];
            if (a != 0.0 && b != 0.0) {
                // (1 + a xi)(1 + b eta)(a xi + b eta - 1) / 4
                dxi[n] = 0.25 * a * (1.0 + b * eta) * (2.0 * a * xi + b * eta);
                deta[n] = 0.25 * b * (1.0 + a * xi) * (a * xi + 2.0 * b * eta);
            } else if (a == 0.0) {
                // (1 - xi^2)(1 + b eta) / 2
                dxi[n] = -xi * (1.0 + b * eta);
                deta[n] = 0.5 * b * (1.0 - xi * xi);
            } else {
                // (1 + a xi)(1 - eta^2) / 2
                dxi[n] = 0.5 * a * (1.0 - eta * eta);
                deta[n] = -eta * (1.0 + a * xi);
            }
        }
    }
};

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    foreign::describe<Serendipity>(es, idata, intCode, dataMode, "Q2S");
    return 0;
}
