// A plain bilinear 4-node plane-strain quadrilateral (Q1, 2 x 2 Gauss points by default). A compile
// definition seeds one fault: FOREIGN_FAULT_TANGENT_ENTRY makes one stiffness entry wrong, and
// FOREIGN_FAULT_UNKNOWN_TOPOLOGY names a topology no catalogue knows, so that the bench can place
// no element of it.
#include "isoparametric_plane_strain.h"

namespace {

struct Bilinear {
    static constexpr int nodes = 4;
    static constexpr int defaultCode = 2;
    static constexpr const char* name = "FOREIGN_Q1";
    static constexpr double referenceNodes[12] = {-1.0, -1.0, 0.0, 1.0,  -1.0, 0.0,
                                                  1.0,  1.0,  0.0, -1.0, 1.0,  0.0};

    static void derivatives(double xi, double eta, double* dxi, double* deta) {
        for (int n = 0; n < nodes; ++n) {
            const double a = referenceNodes[3 * n], b = referenceNodes[3 * n + 1];
            dxi[n] = 0.25 * a * (1.0 + b * eta);
            deta[n] = 0.25 * b * (1.0 + a * xi);
        }
    }
};

#if defined(FOREIGN_FAULT_TANGENT_ENTRY)
// The residual is right; one entry of the upper triangle is off by 5 % of a diagonal entry.
void tangentWithWrongEntry(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv,
                           double* rdata, int* idata, double* p, double** s) {
    foreign::tangent<Bilinear>(v, es, ed, ns, nv, rdata, idata, p, s);
    s[2][5] += 0.05 * s[2][2];
}
#endif

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
#if defined(FOREIGN_FAULT_UNKNOWN_TOPOLOGY)
    foreign::describe<Bilinear>(es, idata, intCode, dataMode, "R4");
#else
    foreign::describe<Bilinear>(es, idata, intCode, dataMode, "Q1");
#endif
#if defined(FOREIGN_FAULT_TANGENT_ENTRY)
    es->tangentKernel = tangentWithWrongEntry;
#endif
    return 0;
}
