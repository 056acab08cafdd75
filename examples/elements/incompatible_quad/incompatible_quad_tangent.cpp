// Tangent kernel of the incompatible-mode quadrilateral: adds the condensed internal force and the
// upper triangle of the condensed stiffness, both scaled from unit modulus to E.
#include "incompatible_quad.h"

using namespace incompatible_quad;

extern "C" void IncompatibleQuadTangent(double* v, ElSpec* es, ElRecord* /*ed*/, NodeKind** /*ns*/,
                                        NodeValues** nv, double* /*rdata*/, int* /*idata*/,
                                        double* p, double** s) {
    double u[kRetained];
    for (int k = 0; k < kNodes; ++k) {
        u[2 * k] = nv[k]->current[0];
        u[2 * k + 1] = nv[k]->current[1];
    }
    double* rows[kUnknowns];
    // Where the modes cannot be condensed they carry no energy under the rule, and the untouched
    // retained block is already the element's.
    condensedSystem(v, es, nv, u, rows);
    const double E = es->data[0];
    const double* R = v + kResidualAt;
    for (int i = 0; i < kRetained; ++i) {
        p[i] += E * R[i];
        for (int j = i; j < kRetained; ++j) {
            s[i][j] += E * rows[i][j];
        }
    }
#ifdef INCOMPATIBLE_QUAD_SEEDED_FAULT
    // Adds back what the condensation took away, K_rc K_cc^-1 K_cr: the stiffness before
    // condensation beside the condensed residual.
    const double* coupling = v + kCouplingAt;
    for (int i = 0; i < kRetained; ++i) {
        for (int j = i; j < kRetained; ++j) {
            for (int m = 0; m < kModes; ++m) {
                s[i][j] += E * rows[i][kRetained + m] * coupling[m * kRetained + j];
            }
        }
    }
#endif
}
