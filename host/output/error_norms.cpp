#include "error_norms.h"

#include "XEMUtility.h"
#include "name_escapes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace xefhost {

namespace {

int column(const std::vector<std::string>& names, const std::string& wanted) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (asciiName(names[i]) == wanted) {
            return static_cast<int>(i);
        }
    }
    throw std::runtime_error("the error norms need the point quantity " + wanted +
                             ", which the element does not give");
}

} // namespace

ErrorNorms errorNorms(const Model& model, const std::vector<std::string>& gpostNames,
                      const PostResults& post, const std::vector<double>& u,
                      const ExactSolution& exact) {
    if (model.nodesPerElement != 3) {
        throw std::runtime_error("error norms are computed for 3-node triangles only");
    }
    const int columns[6] = {column(gpostNames, "Dxx"),     column(gpostNames, "Dyy"),
                            column(gpostNames, "Dxy"),     column(gpostNames, "Sigmaxx"),
                            column(gpostNames, "Sigmayy"), column(gpostNames, "Sigmaxy")};
    // A degree-5 rule: the error of a linear field against a smooth one is integrated closely.
    const int code = 42;
    int count = 0;
    const double* rule = XEFIntPoints(&code, &count);

    double errorL2 = 0, normL2 = 0, errorEnergy = 0, normEnergy = 0;
    for (size_t e = 0; e < model.elementCount(); ++e) {
        const int32_t* n = &model.elements[3 * e];
        const double* x[3] = {&model.coords[3 * n[0]], &model.coords[3 * n[1]],
                              &model.coords[3 * n[2]]};
        const double J =
            (x[1][0] - x[0][0]) * (x[2][1] - x[0][1]) - (x[2][0] - x[0][0]) * (x[1][1] - x[0][1]);
        const double* values = &post.pointValues[e * post.pointCount * post.gpostCount];
        const double strainH[3] = {values[columns[0]], values[columns[1]], values[columns[2]]};
        const double stressH[3] = {values[columns[3]], values[columns[4]], values[columns[5]]};
        for (int g = 0; g < count; ++g) {
            const double L[3] = {rule[4 * g], rule[4 * g + 1], 1 - rule[4 * g] - rule[4 * g + 1]};
            const double w = rule[4 * g + 3] * J;
            double px = 0, py = 0, uh[2] = {0, 0};
            for (int k = 0; k < 3; ++k) {
                px += L[k] * x[k][0];
                py += L[k] * x[k][1];
                uh[0] += L[k] * u[2 * n[k]];
                uh[1] += L[k] * u[2 * n[k] + 1];
            }
            double ue[2], strain[3], stress[3];
            exact.displacement(px, py, ue);
            exact.strainStress(px, py, strain, stress);
            errorL2 += w * ((uh[0] - ue[0]) * (uh[0] - ue[0]) + (uh[1] - ue[1]) * (uh[1] - ue[1]));
            normL2 += w * (ue[0] * ue[0] + ue[1] * ue[1]);
            const double de[3] = {strainH[0] - strain[0], strainH[1] - strain[1],
                                  strainH[2] - strain[2]};
            const double ds[3] = {stressH[0] - stress[0], stressH[1] - stress[1],
                                  stressH[2] - stress[2]};
            errorEnergy += w * (ds[0] * de[0] + ds[1] * de[1] + 2 * ds[2] * de[2]);
            normEnergy +=
                w * (stress[0] * strain[0] + stress[1] * strain[1] + 2 * stress[2] * strain[2]);
        }
    }
    ErrorNorms norms;
    norms.displacementL2 = std::sqrt(errorL2 / normL2);
    norms.energy = std::sqrt(std::max(errorEnergy, 0.0) / normEnergy);
    double largest = 0, difference = 0;
    for (size_t node = 0; node < model.nodeCount(); ++node) {
        double ue[2];
        exact.displacement(model.coords[3 * node], model.coords[3 * node + 1], ue);
        largest = std::max(largest, std::hypot(ue[0], ue[1]));
        difference = std::max(difference, std::hypot(u[2 * node] - ue[0], u[2 * node + 1] - ue[1]));
    }
    norms.maxNodalDifference = largest > 0 ? difference / largest : difference;
    return norms;
}

} // namespace xefhost
