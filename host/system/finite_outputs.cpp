#include "finite_outputs.h"

#include "call_records.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace xefhost {

namespace {

// "residual entry 3 (node 12, unknown 1)", 1-based, by the mesh's node number.
std::string residualEntry(const Model& model, size_t element, int i) {
    const int d = model.dofsPerNode;
    const int32_t node = model.elements[element * model.nodesPerElement + i / d];
    return "internal force entry " + std::to_string(i + 1) + " (node " +
           std::to_string(model.nodeIds[node]) + ", unknown " + std::to_string(i % d + 1) + ")";
}

// The first entry of the element's outputs that is not finite, named, or empty.
std::string firstNonFinite(const Model& model, size_t element, CallRecords& call,
                           bool withStiffness) {
    const int dofs = static_cast<int>(call.dofs());
    for (int i = 0; i < dofs; ++i) {
        if (!std::isfinite(call.p()[i])) {
            return residualEntry(model, element, i) + " is " + std::to_string(call.p()[i]);
        }
    }
    for (int i = 0; withStiffness && i < dofs; ++i) {
        for (int j = i; j < dofs; ++j) {
            const double kij = call.s()[static_cast<size_t>(i) * dofs + j];
            if (!std::isfinite(kij)) {
                return "stiffness entry (" + std::to_string(i + 1) + ", " + std::to_string(j + 1) +
                       ") is " + std::to_string(kij);
            }
        }
    }
    return "";
}

} // namespace

bool allFinite(const std::vector<double>& values, int threads) {
    const auto n = static_cast<int64_t>(values.size());
    // 0 * x is 0 for every finite x and NaN otherwise: one branch-free sum finds both kinds.
    double probe = 0.0;
#pragma omp parallel for reduction(+ : probe) schedule(static) num_threads(threads)
    for (int64_t i = 0; i < n; ++i) {
        probe += 0.0 * values[i];
    }
    return probe == 0.0;
}

void throwNonFiniteTangent(const Model& model, ElementKernels& kernels,
                           const std::vector<double>& u, bool withStiffness) {
    const int dofs = model.nodesPerElement * model.dofsPerNode;
    CallRecords call(model, dofs);
    double stored[kStoredReals];
    for (size_t e = 0; e < model.elementCount(); ++e) {
        kernels.callTangent(model, e, u.data(), call, stored);
        const std::string found = firstNonFinite(model, e, call, withStiffness);
        if (!found.empty()) {
            throw NonFiniteOutputError("the element's tangent kernel returned a value that is not "
                                       "finite for " +
                                       describeElement(model, e) + ": its " + found +
                                       "; check the element and its material data");
        }
    }
    throw NonFiniteOutputError(
        std::string("the assembled ") +
        (withStiffness ? "stiffness or internal force" : "internal force") +
        " is not finite although every element's is: the sums overflow double precision; scale "
        "the model's units or loads");
}

} // namespace xefhost
