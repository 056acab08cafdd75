/* The four-node plane-strain quadrilateral with four incompatible modes: what its sources share.
 *
 * Nodes are the corners counter-clockwise from reference (-1, -1) (topology "Q1"), two unknowns
 * (ux, uy) each, numbered node by node. A point of the host's rule is (xi, eta) in [-1, 1]^2.
 * Material data: E, nu (plane strain).
 *
 * Besides the bilinear field, each displacement component carries Wilson's modes 1 - xi^2 and
 * 1 - eta^2 with amplitudes (a1x, a1y, a2x, a2y), internal to the element. Their gradients use the
 * Jacobian at the centre, scaled by det J0 / det J (Taylor's correction), so that they integrate to
 * zero over any quadrilateral and a constant strain is reproduced exactly. Each kernel builds the
 * 12 x 12 system and condenses the amplitudes out with XEMCondense; the post kernel recovers them
 * with XEMRecover. A rule that gives the modes no energy (the one-point rule) leaves them out.
 *
 * Work vector: both kernels use its first kWorkReals = 192 reals, laid out below, and clear them
 * before use; nothing is carried between calls.
 *
 * Compile definitions build twins from the same sources:
 *   INCOMPATIBLE_QUAD_PLAIN        no modes: the plain bilinear quadrilateral;
 *   INCOMPATIBLE_QUAD_UNCORRECTED  Wilson's modes with the Jacobian of each point, no correction;
 *   INCOMPATIBLE_QUAD_SEEDED_FAULT the stiffness handed over before condensation while the
 *                                  residual is condensed, for a verification bench to reject. */
#pragma once

#include "XEFRecords.h"

namespace incompatible_quad {

constexpr int kNodes = 4;
constexpr int kRetained = 2 * kNodes;
#ifdef INCOMPATIBLE_QUAD_PLAIN
constexpr int kModes = 0;
#else
constexpr int kModes = 4;
#endif
#ifdef INCOMPATIBLE_QUAD_UNCORRECTED
constexpr bool kTaylorCorrection = false;
#else
constexpr bool kTaylorCorrection = true;
#endif
constexpr int kUnknowns = kRetained + kModes;
// Shape functions with their own gradient: the corners, then each mode shape.
constexpr int kShapes = kNodes + kModes / 2;

// Work vector layout, in reals.
constexpr int kMatrixAt = 0;                                   // [kUnknowns][kUnknowns] full matrix
constexpr int kResidualAt = kMatrixAt + kUnknowns * kUnknowns; // [kUnknowns]
constexpr int kCondensedAt = kResidualAt + kUnknowns;          // [kModes] condensed residual
constexpr int kCouplingAt = kCondensedAt + kModes;             // [kModes][kRetained]
constexpr int kWorkReals = kCouplingAt + kModes * kRetained;

// Entries of a Jacobian of the reference map, (dx/dxi, dx/deta, dy/dxi, dy/deta).
struct Jacobian {
    double xXi, xEta, yXi, yEta;
};

// At the centre, where Taylor's correction takes it: fixed per element.
Jacobian centreJacobian(NodeValues** nv);

// Cartesian gradients of the corner and mode shapes at one point, and the area the point stands for
// (its weight times det J).
struct PointGradients {
    double dx[kShapes];
    double dy[kShapes];
    double area;
};

PointGradients pointGradients(NodeValues** nv, const Jacobian& centre, const double* point);

// Lame constants of plane strain for E = 1: the element is built per unit modulus, so that the
// condensation's pivots are of order one whatever the modulus, and scaled by E afterwards.
struct Lame {
    double lambda;
    double mu;
};

Lame unitLame(const ElSpec* es);

// Builds the full matrix per unit modulus and its residual at the retained unknowns `u` (the
// amplitudes at zero) in the work vector, then condenses the amplitudes out. `rows` receives the
// matrix's row pointers. Returns false when a mode's pivot vanishes, i.e. the rule gives the
// modes no energy; the retained block and residual are then the bilinear element's, untouched by
// the condensation.
bool condensedSystem(double* v, const ElSpec* es, NodeValues** nv, const double* u, double** rows);

} // namespace incompatible_quad

extern "C" void IncompatibleQuadTangent(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns,
                                        NodeValues** nv, double* rdata, int* idata, double* p,
                                        double** s);
extern "C" void IncompatibleQuadPost(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns,
                                     NodeValues** nv, double* rdata, int* idata, double** gpost,
                                     double** npost);
