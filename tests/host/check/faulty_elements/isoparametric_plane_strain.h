// Kernels of a plain isoparametric plane-strain element in linear elasticity, written the way an
// outside author would and sharing no code with MOLR: the bench must verify elements it knows
// nothing about. `Shape` supplies the node count and the derivatives of the shape functions at a
// point of the rule the host hands over (es->intPoints); data are Young's modulus and Poisson's
// ratio. The tangent adds K u into p and the upper triangle of K into s; the post kernel assigns
// the stresses at every point and each node's displacements.
#pragma once

#include "XEFRecords.h"
#include "XEMUtility.h"

namespace foreign {

// B (strains from the element's unknowns) and weight times det J at one point.
template <int Nodes> struct PointStrain {
    double B[3][2 * Nodes];
    double dV;
};

template <typename Shape>
PointStrain<Shape::nodes> pointStrain(const ElSpec* es, NodeValues** nv, int g) {
    const double* point = es->intPoints + 4 * g;
    double dxi[Shape::nodes], deta[Shape::nodes];
    Shape::derivatives(point[0], point[1], dxi, deta);
    double J[2][2] = {{0.0, 0.0}, {0.0, 0.0}};
    for (int n = 0; n < Shape::nodes; ++n) {
        for (int c = 0; c < 2; ++c) {
            J[0][c] += dxi[n] * nv[n]->coords[c];
            J[1][c] += deta[n] * nv[n]->coords[c];
        }
    }
    const double det = J[0][0] * J[1][1] - J[0][1] * J[1][0];
    PointStrain<Shape::nodes> strain{};
    for (int n = 0; n < Shape::nodes; ++n) {
        const double dx = (J[1][1] * dxi[n] - J[0][1] * deta[n]) / det;
        const double dy = (J[0][0] * deta[n] - J[1][0] * dxi[n]) / det;
        strain.B[0][2 * n] = dx;
        strain.B[1][2 * n + 1] = dy;
        strain.B[2][2 * n] = dy;
        strain.B[2][2 * n + 1] = dx;
    }
    strain.dV = point[3] * det;
    return strain;
}

// Plane-strain elasticity on (exx, eyy, gamma_xy).
inline void elasticity(const double* data, double D[3][3]) {
    const double E = data[0], nu = data[1];
    const double f = E / ((1.0 + nu) * (1.0 - 2.0 * nu));
    const double rows[3][3] = {{f * (1.0 - nu), f * nu, 0.0},
                               {f * nu, f * (1.0 - nu), 0.0},
                               {0.0, 0.0, 0.5 * f * (1.0 - 2.0 * nu)}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            D[i][j] = rows[i][j];
        }
    }
}

template <int Nodes>
void stressAt(const PointStrain<Nodes>& strain, const double D[3][3], NodeValues** nv,
              double stress[3]) {
    double e[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < 3; ++i) {
        for (int n = 0; n < Nodes; ++n) {
            e[i] +=
                strain.B[i][2 * n] * nv[n]->current[0] + strain.B[i][2 * n + 1] * nv[n]->current[1];
        }
    }
    for (int i = 0; i < 3; ++i) {
        stress[i] = D[i][0] * e[0] + D[i][1] * e[1] + D[i][2] * e[2];
    }
}

template <typename Shape>
void tangent(double*, ElSpec* es, ElRecord*, NodeKind**, NodeValues** nv, double*, int*, double* p,
             double** s) {
    constexpr int n = 2 * Shape::nodes;
    double D[3][3];
    elasticity(es->data, D);
    for (int g = 0; g < es->intPointCount; ++g) {
        const PointStrain<Shape::nodes> strain = pointStrain<Shape>(es, nv, g);
        double stress[3];
        stressAt(strain, D, nv, stress);
        for (int i = 0; i < n; ++i) {
            double DB[3];
            for (int r = 0; r < 3; ++r) {
                DB[r] =
                    D[r][0] * strain.B[0][i] + D[r][1] * strain.B[1][i] + D[r][2] * strain.B[2][i];
            }
            p[i] += strain.dV * (strain.B[0][i] * stress[0] + strain.B[1][i] * stress[1] +
                                 strain.B[2][i] * stress[2]);
            for (int j = i; j < n; ++j) {
                s[i][j] += strain.dV * (DB[0] * strain.B[0][j] + DB[1] * strain.B[1][j] +
                                        DB[2] * strain.B[2][j]);
            }
        }
    }
}

template <typename Shape>
void post(double*, ElSpec* es, ElRecord*, NodeKind**, NodeValues** nv, double*, int*,
          double** gpost, double** npost) {
    double D[3][3];
    elasticity(es->data, D);
    for (int g = 0; g < es->intPointCount; ++g) {
        stressAt(pointStrain<Shape>(es, nv, g), D, nv, gpost[g]);
    }
    for (int k = 0; k < Shape::nodes; ++k) {
        npost[k][0] = nv[k]->current[0];
        npost[k][1] = nv[k]->current[1];
    }
}

// Fills the description of the element `Shape` for one integration code (-1: its default).
template <typename Shape>
void describe(ElSpec* es, int* idata, int intCode, int dataMode, const char* topology) {
    static const char* const dataNames[2] = {"Young", "Poisson"};
    static const double defaults[2] = {1.0, 0.3};
    static const char* const pointNames[3] = {"sxx", "syy", "sxy"};
    static const char* const nodalNames[2] = {"ux", "uy"};
    // Two displacement unknowns at every node, for up to nine nodes.
    static const int nodeDofs[9] = {2, 2, 2, 2, 2, 2, 2, 2, 2};
    static const char* const nodeIds[9] = {"D", "D", "D", "D", "D", "D", "D", "D", "D"};
    static_assert(Shape::nodes <= 9, "more nodes than the tables hold");
    es->codeName = Shape::name;
    es->tangentKernel = tangent<Shape>;
    es->postKernel = post<Shape>;
    es->dimensions = 2;
    es->dofCount = 2 * Shape::nodes;
    es->nodeCount = Shape::nodes;
    es->dataCount = 2;
    es->gpostCount = 3;
    es->npostCount = 2;
    es->topology = topology;
    es->dataNames = dataNames;
    es->gpostNames = pointNames;
    es->npostNames = nodalNames;
    es->nodeIds = nodeIds;
    es->nodeDofs = nodeDofs;
    es->referenceNodes = Shape::referenceNodes;
    if (dataMode == -1) {
        es->data = defaults;
    }
    es->defaultIntCode = Shape::defaultCode;
    es->intCode = intCode == -1 ? Shape::defaultCode : intCode;
    XEFMultiIntPoints(&es->intCode, idata, &es->intPointCount, &es->rulePoints[0],
                      &es->rulePoints[1], &es->rulePoints[2], 0);
}

} // namespace foreign
