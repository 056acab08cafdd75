// A plain 6-node quadratic plane-strain triangle (T2, the degree-2 three-point rule by default).
// Rule points are (xi, eta) = (L2, L3), L1 = 1 - xi - eta; nodes are the corners, then the
// midpoints of edges 1-2, 2-3 and 3-1.
#include "isoparametric_plane_strain.h"

namespace {

struct Quadratic {
    static constexpr int nodes = 6;
    static constexpr int defaultCode = 14;
    static constexpr const char* name = "FOREIGN_T2";
    static constexpr double referenceNodes[18] = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0,
                                                  0.5, 0.5, 0.0, 0.0, 0.5, 0.5, 0.5, 0.0, 0.5};

    static void derivatives(double xi, double eta, double* dxi, double* deta) {
        const double L[3] = {1.0 - xi - eta, xi, eta};
        // d(L1, L2, L3) / dxi and / deta.
        const double dLdxi[3] = {-1.0, 1.0, 0.0}, dLdeta[3] = {-1.0, 0.0, 1.0};
        for (int c = 0; c < 3; ++c) {
            dxi[c] = (4.0 * L[c] - 1.0) * dLdxi[c];
            deta[c] = (4.0 * L[c] - 1.0) * dLdeta[c];
            const int a = c, b = (c + 1) % 3; // the edge from corner a to corner b
            dxi[3 + c] = 4.0 * (dLdxi[a] * L[b] + L[a] * dLdxi[b]);
            deta[3 + c] = 4.0 * (dLdeta[a] * L[b] + L[a] * dLdeta[b]);
        }
    }
};

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    foreign::describe<Quadratic>(es, idata, intCode, dataMode, "T2");
    return 0;
}
