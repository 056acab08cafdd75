// Equilibrium figures of a solved level, summed from the model and the assembled forces.
#include "analysis.h"

#include <algorithm>
#include <cmath>

namespace xefhost {

double Analysis::imbalance() const {
    const double scale = forceScale;
    const double rest = std::hypot(applied[0] + reaction[0], applied[1] + reaction[1]);
    return scale > 0 ? rest / scale : rest;
}

namespace {

double materialValue(const Analysis& a, const char* key, double fallback) {
    for (size_t i = 0; i < a.dataKeys.size(); ++i) {
        if (a.dataKeys[i] == key) {
            return a.model.material(0)[i];
        }
    }
    return fallback;
}

} // namespace

ExactSolution exactSolutionOf(const Analysis& analysis, const ExactSpec& exact) {
    return makeExactSolution(exact, materialValue(analysis, "e", 1.0),
                             materialValue(analysis, "nu", 0.0));
}

void summarizeEquilibrium(Analysis& analysis) {
    const Model& model = analysis.model;
    analysis.elementCount = model.elementCount();
    analysis.nodeCount = model.nodeCount();
    for (size_t node = 0; node < model.nodeCount(); ++node) {
        analysis.maxDisplacement = std::max(analysis.maxDisplacement,
                                            std::hypot(analysis.u[model.displacementDof(node, 0)],
                                                       analysis.u[model.displacementDof(node, 1)]));
    }
    analysis.strainEnergy = 0;
    for (size_t dof = 0; dof < model.dofCount(); ++dof) {
        const int c = static_cast<int>(dof % model.dofsPerNode);
        analysis.applied[c] += model.externalForce[dof];
        analysis.forceScale += std::fabs(model.externalForce[dof]);
        if (model.fixed[dof]) {
            const double reaction = analysis.internalForce[dof] - model.externalForce[dof];
            analysis.reaction[c] += reaction;
            analysis.forceScale += std::fabs(reaction);
        }
        analysis.strainEnergy += 0.5 * analysis.u[dof] * analysis.internalForce[dof];
    }
}

} // namespace xefhost
