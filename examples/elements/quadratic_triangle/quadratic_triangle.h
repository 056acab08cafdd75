/* The six-node isoparametric plane-strain triangle: what its sources share.
 *
 * Nodes are the corners 1, 2, 3, then the midpoints of edges 1-2, 2-3 and 3-1 (topology "T2"), two
 * unknowns (ux, uy) each, numbered node by node. A point of the host's rule is (L1, L2), the area
 * coordinates of corners 1 and 2 (L3 = 1 - L1 - L2), with weights that sum to 1/2, the area of the
 * reference triangle. Material data: E, nu (plane strain). Neither kernel touches the work vector.
 *
 * Built with QUADRATIC_TRIANGLE_SEEDED_FAULT, the tangent kernel returns one wrong stiffness entry
 * while the residual stays right: a twin library that a verification bench must reject. */
#pragma once

#include "XEFRecords.h"

namespace quadratic_triangle {

constexpr int kNodes = 6;
constexpr int kDofs = 2 * kNodes;

// Cartesian gradients of the six shape functions at one point of the rule, and the area the
// point stands for (its weight times the Jacobian determinant).
struct PointGradients {
    double dx[kNodes];
    double dy[kNodes];
    double area;
};

PointGradients pointGradients(NodeValues** nv, const double* point);

// Plane-strain Lame constants of the element's data.
struct Lame {
    double lambda;
    double mu;
};

Lame lame(const ElSpec* es);

// Engineering strain (exx, eyy, gxy) of the current unknowns at a point.
struct Strain {
    double xx, yy, xy;
};

Strain strainAt(const PointGradients& g, NodeValues** nv);

} // namespace quadratic_triangle

extern "C" void QuadraticTriangleTangent(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns,
                                         NodeValues** nv, double* rdata, int* idata, double* p,
                                         double** s);
extern "C" void QuadraticTrianglePost(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns,
                                      NodeValues** nv, double* rdata, int* idata, double** gpost,
                                      double** npost);
