// Error norms integrated element by element with the shape functions of the element's topology.
#include "error_norms.h"

#include "XEMUtility.h"
#include "name_escapes.h"
#include "point_fit.h"
#include "shape_functions.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace xefhost {

namespace {

// The column of a point quantity, or -1 when the element does not give it.
int findColumn(const std::vector<std::string>& names, const std::string& wanted) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (asciiName(names[i]) == wanted) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int column(const std::vector<std::string>& names, const std::string& wanted) {
    const int found = findColumn(names, wanted);
    if (found < 0) {
        throw std::runtime_error("the error norms need the point quantity " + wanted +
                                 ", which the element does not give");
    }
    return found;
}

// A quadrature point of the fine rule with what every element needs there.
struct FinePoint {
    double weight;
    std::vector<double> N, dNda, dNdb;
    std::vector<double> fit; // weights of the element's point values
};

// Degree 5 on either shape: the error of a low-order field against a smooth one is integrated
// closely, whatever rule the element itself uses.
std::vector<FinePoint> finePoints(const ReferenceCell& cell, const PointFit& fit) {
    const int code = cell.triangle ? 42 : 3;
    int count = 0;
    const double* rule = XEFIntPoints(&code, &count);
    const ShapeFunctions shapes(cell);
    std::vector<FinePoint> points(count);
    for (int q = 0; q < count; ++q) {
        FinePoint& p = points[q];
        const double a = rule[4 * q], b = rule[4 * q + 1];
        p.weight = rule[4 * q + 3];
        p.N.resize(cell.nodes);
        p.dNda.resize(cell.nodes);
        p.dNdb.resize(cell.nodes);
        shapes.evaluate(a, b, p.N.data(), p.dNda.data(), p.dNdb.data());
        p.fit = fit.weightsAt(a, b);
    }
    return points;
}

} // namespace

ErrorNorms normsOf(const ErrorSums& sums) {
    ErrorNorms norms;
    norms.displacementL2 = std::sqrt(sums.errorL2 / sums.normL2);
    norms.energy = std::sqrt(std::max(sums.errorEnergy, 0.0) / sums.normEnergy);
    norms.maxNodalDifference =
        sums.largestExact > 0 ? sums.largestDifference / sums.largestExact : sums.largestDifference;
    return norms;
}

ErrorNorms errorNorms(const Model& model, const std::vector<std::string>& gpostNames,
                      const PostResults& post, const std::vector<double>& u,
                      const ExactSolution& exact, const double* intPoints, int pointCount) {
    return normsOf(errorSums(model, gpostNames, post, u, exact, intPoints, pointCount));
}

ErrorSums errorSums(const Model& model, const std::vector<std::string>& gpostNames,
                    const PostResults& post, const std::vector<double>& u,
                    const ExactSolution& exact, const double* intPoints, int pointCount) {
    if (pointCount != post.pointCount || pointCount < 1) {
        throw std::invalid_argument("the error norms need the element's " +
                                    std::to_string(post.pointCount) + " integration points");
    }
    const ReferenceCell& cell = referenceCell(model.nodesPerElement);
    const std::vector<FinePoint> fine = finePoints(cell, PointFit(cell, intPoints, pointCount));
    // The element's strains where it names them Dxx, Dyy, Dxy (tensor components); otherwise
    // the strains of the displacement field itself, which every displacement element has.
    const bool ownStrains = findColumn(gpostNames, "Dxx") >= 0;
    const int columns[6] = {ownStrains ? column(gpostNames, "Dxx") : 0,
                            ownStrains ? column(gpostNames, "Dyy") : 0,
                            ownStrains ? column(gpostNames, "Dxy") : 0,
                            column(gpostNames, "Sigmaxx"),
                            column(gpostNames, "Sigmayy"),
                            column(gpostNames, "Sigmaxy")};
    const int npe = cell.nodes;

    ErrorSums sums;
    double &errorL2 = sums.errorL2, &normL2 = sums.normL2;
    double &errorEnergy = sums.errorEnergy, &normEnergy = sums.normEnergy;
    for (size_t e = 0; e < model.elementCount(); ++e) {
        const int32_t* n = &model.elements[e * npe];
        const double* values = &post.pointValues[e * post.pointCount * post.gpostCount];
        for (const FinePoint& q : fine) {
            double x[2] = {0, 0}, uh[2] = {0, 0}, dxda[2] = {0, 0}, dxdb[2] = {0, 0};
            for (int k = 0; k < npe; ++k) {
                const double* xk = &model.coords[3 * n[k]];
                for (int c = 0; c < 2; ++c) {
                    x[c] += q.N[k] * xk[c];
                    dxda[c] += q.dNda[k] * xk[c];
                    dxdb[c] += q.dNdb[k] * xk[c];
                    uh[c] += q.N[k] * u[model.displacementDof(n[k], c)];
                }
            }
            const double w = q.weight * std::fabs(dxda[0] * dxdb[1] - dxdb[0] * dxda[1]);
            double h[6] = {0, 0, 0, 0, 0, 0}; // strains then stresses of the element
            for (int g = 0; g < pointCount; ++g) {
                for (int c = ownStrains ? 0 : 3; c < 6; ++c) {
                    h[c] += q.fit[g] * values[g * post.gpostCount + columns[c]];
                }
            }
            if (!ownStrains) {
                const double det = dxda[0] * dxdb[1] - dxdb[0] * dxda[1];
                double gradient[2][2] = {{0, 0}, {0, 0}}; // du_i / dx_j
                for (int k = 0; k < npe; ++k) {
                    const double dNdx = (q.dNda[k] * dxdb[1] - q.dNdb[k] * dxda[1]) / det;
                    const double dNdy = (q.dNdb[k] * dxda[0] - q.dNda[k] * dxdb[0]) / det;
                    for (int c = 0; c < 2; ++c) {
                        gradient[c][0] += dNdx * u[model.displacementDof(n[k], c)];
                        gradient[c][1] += dNdy * u[model.displacementDof(n[k], c)];
                    }
                }
                h[0] = gradient[0][0];
                h[1] = gradient[1][1];
                h[2] = 0.5 * (gradient[0][1] + gradient[1][0]);
            }
            double ue[2], strain[3], stress[3];
            exact.displacement(x[0], x[1], ue);
            exact.strainStress(x[0], x[1], strain, stress);
            errorL2 += w * ((uh[0] - ue[0]) * (uh[0] - ue[0]) + (uh[1] - ue[1]) * (uh[1] - ue[1]));
            normL2 += w * (ue[0] * ue[0] + ue[1] * ue[1]);
            const double de[3] = {h[0] - strain[0], h[1] - strain[1], h[2] - strain[2]};
            const double ds[3] = {h[3] - stress[0], h[4] - stress[1], h[5] - stress[2]};
            errorEnergy += w * (ds[0] * de[0] + ds[1] * de[1] + 2 * ds[2] * de[2]);
            normEnergy +=
                w * (stress[0] * strain[0] + stress[1] * strain[1] + 2 * stress[2] * strain[2]);
        }
    }
    double &largest = sums.largestExact, &difference = sums.largestDifference;
    for (size_t node = 0; node < model.nodeCount(); ++node) {
        double ue[2];
        exact.displacement(model.coords[3 * node], model.coords[3 * node + 1], ue);
        largest = std::max(largest, std::hypot(ue[0], ue[1]));
        difference = std::max(difference, std::hypot(u[model.displacementDof(node, 0)] - ue[0],
                                                     u[model.displacementDof(node, 1)] - ue[1]));
    }
    return sums;
}

} // namespace xefhost
